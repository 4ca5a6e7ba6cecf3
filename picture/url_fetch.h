// One download into the cache. Only a whole, plausible answer goes to disk: through a
// temporary file beside the target, which then replaces the cached file; anything else leaves
// the cache as it was. A cached file is read on the same terms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct ModelProfile;

enum class FetchKind { Profile, Picture };

struct FetchLimits {
  uint32_t connectMs;
  uint32_t silenceMs;
  uint32_t profileMs;  // a whole profile download, redirects included
  uint32_t pictureMs;  // a whole picture download
};
// A service that answers at all accepts a connection within a few seconds, and a server at
// work pauses for seconds, not for a quarter of a minute. The whole limits let a full-size
// profile (64 KiB) through at about 20 kbit/s and a full-size picture (2 MiB) at about
// 300 kbit/s, yet free the model's worker within a minute whatever the server does.
constexpr FetchLimits kFetchLimits = {10000, 15000, 30000, 60000};
// For tests: other limits for the downloads that start afterwards; kFetchLimits restores them.
void SetFetchLimits(const FetchLimits& limits);

constexpr size_t kMaxPictureBytes = 2 * 1024 * 1024;
// A model picture is drawn at its own size in a page of about 800 x 570.
constexpr unsigned kMaxPictureSide = 1024;

// Downloads `url` and, if the answer is plausible for `kind` (a profile with the section of
// `rawModel`, or a PNG that decodes), makes it the file at `target`.
bool FetchIntoCache(const std::u16string& url, const std::u16string& target, FetchKind kind,
                    std::u16string_view rawModel);

// A PNG within the byte and side limits that decodes to its end chunk, so a cut one is not.
bool IsPlausiblePicture(const std::string& bytes);
// A cached picture is used only if it would have been kept as a download.
bool IsUsableCachedPicture(const std::u16string& path);

// Reads at most `limit` + 1 bytes, so that an oversized file shows as one.
bool ReadFileBytes(const std::u16string& path, size_t limit, std::string& bytes);

// Text in the ANSI code page, for profiles that are neither UTF-16 nor UTF-8.
std::u16string DecodeAnsi(std::string_view bytes);

// The platform's side of LoadProfileBytes: the profile file's bytes, any encoding. False also
// for a file that would not have been kept as a download of the model's profile.
bool LoadProfile(ModelProfile& record, std::u16string profilePath, std::u16string defaultImageUrl);
