#include "picture/url_fetch.h"

#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <cstring>

#include "imaging/xfile.h"
#include "imaging/ximage.h"
#include "picture/download_thread.h"
#include "picture/model_profile.h"
#include "picture/picture_cache.h"

namespace {

constexpr ULONG kHttpOk = 200;

// Watches one download: the HTTP status, the announced length, and the size cap, which it
// enforces by aborting.
class CDownloadWatch final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  explicit CDownloadWatch(ULONG cap) : cap_(cap) {}
  CDownloadWatch(const CDownloadWatch&) = delete;
  CDownloadWatch& operator=(const CDownloadWatch&) = delete;
  virtual ~CDownloadWatch() = default;

  ULONG Status() const { return status_; }
  ULONG Announced() const { return announced_; }
  bool TooBig() const { return tooBig_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
      *object = static_cast<IBindStatusCallback*>(this);
    } else if (IsEqualIID(iid, IID_IHttpNegotiate)) {
      *object = static_cast<IHttpNegotiate*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  // Lives on the worker's stack and outlasts the blocking call that uses it.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR) override {
    if (progressMax != 0) announced_ = progressMax;
    if (progress > cap_ || progressMax > cap_) {
      tooBig_ = true;
      return E_ABORT;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additionalHeaders) override {
    if (additionalHeaders != nullptr) *additionalHeaders = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additionalHeaders) override {
    if (additionalHeaders != nullptr) *additionalHeaders = nullptr;
    status_ = code;
    return S_OK;
  }

 private:
  const ULONG cap_;
  std::atomic<ULONG> status_{0};
  std::atomic<ULONG> announced_{0};
  std::atomic<bool> tooBig_{false};
};

uint32_t BigEndian32(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

// The old file makes way only once the new one is known good; one that cannot be deleted
// is moved aside rather than overwritten in place.
bool ReplaceCachedFile(const std::u16string& temporary, const std::u16string& target) {
  CDownloadThread::DeleteOrDefer(WidePath(target));
  return MoveFileW(WidePath(temporary), WidePath(target)) != FALSE;
}

bool IsPlausibleAnswer(const std::string& bytes, FetchKind kind, std::u16string_view rawModel) {
  if (kind == FetchKind::Profile) return IsPlausibleProfile(bytes, rawModel, DecodeAnsi);
  return IsPlausiblePicture(bytes);
}

}  // namespace

std::u16string DecodeAnsi(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > kMaxProfileBytes) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::u16string text(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(&text[0]), length);
  return text;
}

bool ReadFileBytes(const std::u16string& path, size_t limit, std::string& bytes) {
  bytes.clear();
  HANDLE file = CreateFileW(WidePath(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes.resize(limit + 1);
  size_t total = 0;
  bool ok = true;
  while (total < bytes.size()) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(bytes.size() - total);
    if (!ReadFile(file, &bytes[total], want, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    total += got;
  }
  CloseHandle(file);
  bytes.resize(total);
  return ok;
}

bool IsPlausiblePicture(const std::string& bytes) {
  static const char kSignature[] = "\x89PNG\r\n\x1A\n";
  // Signature, then the header chunk: length, "IHDR", width, height.
  if (bytes.size() < 33 || bytes.size() > kMaxPictureBytes) return false;
  if (std::memcmp(bytes.data(), kSignature, 8) != 0 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) return false;
  const uint32_t width = BigEndian32(bytes, 16);
  const uint32_t height = BigEndian32(bytes, 20);
  // Checked before decoding, so a small file cannot make the decoder allocate a huge image.
  if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
  CxImage image;
  CxMemFile stream(bytes.data(), bytes.size());
  return image.Decode(&stream, CXIMAGE_FORMAT_PNG) && image.IsValid();
}

bool FetchIntoCache(const std::u16string& url, const std::u16string& target, FetchKind kind,
                    std::u16string_view rawModel) {
  const size_t slash = target.rfind(u'\\');
  if (slash == std::u16string::npos || url.empty()) return false;
  const std::u16string folder = target.substr(0, slash);

  wchar_t temporary[MAX_PATH] = {};
  if (GetTempFileNameW(WidePath(folder), L"dl", 0, temporary) == 0) return false;
  const std::u16string temporaryPath(reinterpret_cast<const char16_t*>(temporary));

  const size_t cap = kind == FetchKind::Profile ? kMaxProfileBytes : kMaxPictureBytes;
  CDownloadWatch watch(static_cast<ULONG>(cap));
  const HRESULT result = URLDownloadToFileW(nullptr, WidePath(url), temporary, 0, &watch);

  bool kept = false;
  std::string bytes;
  if (SUCCEEDED(result) && watch.Status() == kHttpOk && !watch.TooBig() &&
      ReadFileBytes(temporaryPath, cap, bytes) && bytes.size() <= cap &&
      (watch.Announced() == 0 || bytes.size() == watch.Announced()) && IsPlausibleAnswer(bytes, kind, rawModel)) {
    kept = ReplaceCachedFile(temporaryPath, target);
  }
  if (!kept) DeleteFileW(temporary);
  return kept;
}
