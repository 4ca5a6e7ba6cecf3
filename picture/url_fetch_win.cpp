#include "picture/url_fetch.h"

#include <windows.h>

#include <cstring>

#include "imaging/xfile.h"
#include "imaging/ximage.h"
#include "picture/cache_file.h"
#include "picture/cache_sweep.h"
#include "picture/http_download.h"
#include "picture/model_profile.h"
#include "util/wide_path.h"

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
// is moved aside rather than overwritten in place. One that is not ours (a link) stays, and
// then the new one is not kept.
bool ReplaceCachedFile(CCacheFile& temporary, const std::u16string& target) {
  DeleteOrDefer(WidePath(target));
  return temporary.MoveTo(target);
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

bool WriteFileBytes(const CCacheFile& file, const std::string& bytes) {
  DWORD written = 0;
  return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && SetEndOfFile(file.Get());
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
  // A cached file that is a link counts as missing: what it leads to is not the cache's.
  CCacheFile cached;
  if (!cached.Open(path, GENERIC_READ, kInCacheFolder)) return false;
  const HANDLE file = cached.Get();
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

  // A cache folder reached through a link is not the cache: nothing is made in it.
  CCacheFile cacheFolder;
  if (!cacheFolder.OpenFolder(folder)) return false;
  wchar_t temporary[MAX_PATH] = {};
  if (GetTempFileNameW(WidePath(folder), kDownloadTemporaryPrefix, 0, temporary) == 0) return false;
  // Written and moved only through the handle of the file just made, so that a link put in its
  // place meanwhile is never written through. One that cannot be opened so is left to the sweep.
  CCacheFile file;
  if (!file.Open(reinterpret_cast<const char16_t*>(temporary), GENERIC_WRITE | DELETE, kInCacheFolder)) return false;
  const bool kept = WriteFileBytes(file, body.bytes) && ReplaceCachedFile(file, target);
  if (!kept) file.Delete();
  return kept;
}

bool LoadProfile(ModelProfile& record, std::u16string profilePath, std::u16string defaultImageUrl) {
  std::string bytes;
  // A cached file counts only as what a download must be to be kept: an empty, foreign or
  // oversized file is no profile.
  if (!ReadFileBytes(profilePath, kMaxProfileBytes, bytes) ||
      !IsPlausibleProfile(bytes, RawModelOf(profilePath), DecodeAnsi)) {
    return false;
  }
  return LoadProfileBytes(record, profilePath, defaultImageUrl, &bytes, DecodeAnsi);
}
