// Names in the picture cache and the lookup request, derived from what the phone and the
// lookup service send. Both are outside input: a name that could leave the cache folder or
// that the file system would read differently is refused rather than repaired.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Paths live in 260-character buffers, the terminator included.
constexpr size_t kMaxPathChars = 259;

// The halves of a UTF-16 pair; a name must never be cut between them.
constexpr bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A single plain file name: no separators, "..", colons, wildcards, control characters,
// device names (with or without an extension), trailing dot or space, or broken surrogates.
bool IsUsableFileName(std::u16string_view name);
// Whether `rawModel` can name a profile file and be asked for.
bool IsUsableModelName(std::u16string_view rawModel);

// cacheFolder + "\" + rawModel + ".ini", or empty when the name is unusable or too long.
std::u16string ProfilePathFor(std::u16string_view cacheFolder, std::u16string_view rawModel);

// The model name as a query value: characters that would change the request's meaning or are
// not allowed in a URL become UTF-8 percent escapes; an ordinary name stays as it is. Empty
// result for a name with a broken surrogate.
std::u16string EncodeQueryValue(std::u16string_view value);

// A URL as it goes on the wire: blanks, control characters and non-ASCII characters become
// UTF-8 percent escapes, everything else stays as it is. Empty for a broken surrogate.
std::u16string EscapeUnsafeUrlCharacters(std::u16string_view url);

// base + "/intf/getPhoneModel?pm[]=" + the encoded name; empty when the name is unusable.
std::u16string LookupRequestUrl(std::u16string_view base, std::u16string_view rawModel);

// Whether the picture URL is one a worker may fetch: plain HTTP or HTTPS.
bool IsFetchableUrl(std::u16string_view url);

// A lookup service address a person may configure: HTTP(S), a host, no blanks, not overlong.
bool IsUsableServiceBase(std::u16string_view base);

// Model names are the same when they differ at most in the case of ASCII letters.
bool SameModelName(std::u16string_view a, std::u16string_view b);
