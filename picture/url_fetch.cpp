#include "picture/url_fetch.h"

#include <windows.h>

#include <cstring>

#include "imaging/xfile.h"
#include "imaging/ximage.h"
#include "picture/cache_sweep.h"
#include "picture/download_thread.h"
#include "picture/http_download.h"
#include "picture/model_profile.h"
#include "picture/picture_cache.h"

namespace {

SRWLOCK g_limitsLock = SRWLOCK_INIT;
FetchLimits g_limits = kFetchLimits;

FetchLimits CurrentLimits() {
  AcquireSRWLockShared(&g_limitsLock);
  const FetchLimits limits = g_limits;
  ReleaseSRWLockShared(&g_limitsLock);
  return limits;
}

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

// Without a length to hold it against, only a last line that ends shows a profile is whole.
bool EndsWithLineBreak(const std::string& bytes) {
  const std::u16string text = DecodeProfileText(bytes, DecodeAnsi);
  return !text.empty() && (text.back() == u'\n' || text.back() == u'\r');
}

bool IsPlausibleAnswer(const DownloadedBody& body, FetchKind kind, std::u16string_view rawModel) {
  if (kind == FetchKind::Profile) {
    return IsPlausibleProfile(body.bytes, rawModel, DecodeAnsi) && (body.lengthKnown || EndsWithLineBreak(body.bytes));
  }
  return IsPlausiblePicture(body.bytes);
}

bool WriteFileBytes(const wchar_t* path, const std::string& bytes) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  return CloseHandle(file) && ok;
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

void SetFetchLimits(const FetchLimits& limits) {
  AcquireSRWLockExclusive(&g_limitsLock);
  g_limits = limits;
  ReleaseSRWLockExclusive(&g_limitsLock);
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

bool IsUsableCachedPicture(const std::u16string& path) {
  std::string bytes;
  return ReadFileBytes(path, kMaxPictureBytes, bytes) && IsPlausiblePicture(bytes);
}

bool FetchIntoCache(const std::u16string& url, const std::u16string& target, FetchKind kind,
                    std::u16string_view rawModel) {
  const size_t slash = target.rfind(u'\\');
  if (slash == std::u16string::npos || url.empty()) return false;
  const std::u16string folder = target.substr(0, slash);

  const FetchLimits limits = CurrentLimits();
  const bool profile = kind == FetchKind::Profile;
  const DownloadLimits download = {limits.connectMs, limits.silenceMs, profile ? limits.profileMs : limits.pictureMs};
  DownloadedBody body;
  if (!DownloadBody(url, profile ? kMaxProfileBytes : kMaxPictureBytes, download, body)) return false;
  if (!IsPlausibleAnswer(body, kind, rawModel)) return false;

  wchar_t temporary[MAX_PATH] = {};
  if (GetTempFileNameW(WidePath(folder), kDownloadTemporaryPrefix, 0, temporary) == 0) return false;
  const std::u16string temporaryPath(reinterpret_cast<const char16_t*>(temporary));
  const bool kept = WriteFileBytes(temporary, body.bytes) && ReplaceCachedFile(temporaryPath, target);
  if (!kept) DeleteFileW(temporary);
  return kept;
}
