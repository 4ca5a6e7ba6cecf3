// A model's profile: the record the page keeps, and the reading of the profile text that
// the model-lookup service answers with. Platform-free, so it is tested natively; the file
// access around it is LoadProfile (url_fetch.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct ModelProfile {
  int32_t loaded = 0;  // 1 once the profile was read and the picture is on disk
  int32_t screenCoordinate[4] = {0, 0, 0, 0};
  std::u16string rawModel;        // the section name, i.e. the model name the phone reports
  std::u16string fixedModel;      // the name the page shows
  std::u16string imageUrl;        // where the picture comes from
  std::u16string localImagePath;  // profileFolder + the picture's file name; empty if unusable
  std::u16string profileFolder;   // with its trailing backslash
};

// All fields or none: without memory for the copy, `to` keeps what it had.
void CopyProfile(ModelProfile& to, const ModelProfile& from);

// Values are read into 2048-character buffers, so at most 2047 characters survive.
constexpr size_t kMaxProfileValueChars = 2047;
// A profile answer above this many bytes is not a profile.
constexpr size_t kMaxProfileBytes = 64 * 1024;
// The page's model field holds 63 characters and a terminator.
constexpr size_t kMaxShownModelChars = 63;

// How bytes without a byte-order mark that are not UTF-8 become text: the ANSI code page on
// Windows; tests inject their own.
using AnsiDecoder = std::u16string (*)(std::string_view bytes);
std::u16string DecodeLatin1(std::string_view bytes);

// UTF-16LE or UTF-16BE with a byte-order mark, UTF-8 with or without one, else `ansi`.
std::u16string DecodeProfileText(std::string_view bytes, AnsiDecoder ansi);

// The value of `key` in the first section named `section`, both compared with ASCII case
// ignored, the way the platform's profile reader finds them: blanks around names and values
// dropped, one pair of enclosing quotes removed, cut to kMaxProfileValueChars. False when
// the section or the key is missing.
bool FindProfileValue(std::u16string_view text, std::u16string_view section, std::u16string_view key,
                      std::u16string& value);
bool HasProfileSection(std::u16string_view text, std::u16string_view section);

// Base-10 like the C library's conversion: leading blanks, a sign, digits up to the first
// non-digit; 0 without digits; clamped to the signed 32-bit range.
int32_t ParseBase10(std::u16string_view text);

// "x1,y1;x2,y2" found by substring search. False, and `numbers` untouched, when a separator
// is missing.
bool ParseScreenCoordinate(std::u16string_view value, int32_t (&numbers)[4]);

// The model a profile file is for: its name without ".ini".
std::u16string_view RawModelOf(std::u16string_view profilePath);

// Fills a fresh record from the profile file at `profilePath` whose bytes are `fileBytes`
// (null when there is no such file, which is the only false result).
bool LoadProfileBytes(ModelProfile& record, std::u16string_view profilePath, std::u16string_view defaultImageUrl,
                      const std::string* fileBytes, AnsiDecoder ansi = DecodeLatin1);

// Whether a download is worth keeping as the profile of `rawModel`: small, text, and with
// the model's own section (an error page is text too, but has none).
bool IsPlausibleProfile(std::string_view bytes, std::u16string_view rawModel, AnsiDecoder ansi);

// The new-model rule: a different name resets the profile to that name, not loaded. True
// when it did.
bool ApplyNewModelRule(ModelProfile& profile, std::u16string_view incomingModel);

// The name the page shows: the profile's fixed name, or the raw one when that is empty, cut
// to kMaxShownModelChars without splitting a surrogate pair.
std::u16string_view ShownModelName(const ModelProfile& profile);
