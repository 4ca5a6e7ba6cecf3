// One download into the cache. The platform's download call reports success for error pages
// and for bodies cut short, so the body lands in a temporary file beside the target and
// replaces the cached file only when it is a plausible answer; anything else leaves the
// cache as it was.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class FetchKind { Profile, Picture };

constexpr size_t kMaxPictureBytes = 2 * 1024 * 1024;
// A model picture is drawn at its own size in a page of about 800 x 570.
constexpr unsigned kMaxPictureSide = 1024;

// Downloads `url` and, if the answer is plausible for `kind` (a profile with the section of
// `rawModel`, or a PNG that decodes), makes it the file at `target`.
bool FetchIntoCache(const std::u16string& url, const std::u16string& target, FetchKind kind,
                    std::u16string_view rawModel);

bool IsPlausiblePicture(const std::string& bytes);

// Reads at most `limit` + 1 bytes, so that an oversized file shows as one.
bool ReadFileBytes(const std::u16string& path, size_t limit, std::string& bytes);

// Text in the ANSI code page, for profiles that are neither UTF-16 nor UTF-8.
std::u16string DecodeAnsi(std::string_view bytes);
