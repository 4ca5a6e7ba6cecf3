#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/harness.h"
#include "picture/cache_names.h"
#include "picture/model_profile.h"

namespace {

constexpr std::u16string_view kFolder = u"C:\\Program Files\\Host\\MobileImage";
constexpr std::u16string_view kDefaultUrl = u"http://pictures.invalid/default.png";
constexpr std::u16string_view kServiceBase = u"http://127.0.0.1:8087";
constexpr size_t npos = std::u16string_view::npos;

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool HasBrokenSurrogate(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i])) {
      if (i + 1 == text.size() || !IsLow(text[i + 1])) return true;
      ++i;
    } else if (IsLow(text[i])) {
      return true;
    }
  }
  return false;
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// The C library's base-10 conversion, clamped to 32 bits, written out independently.
int32_t ReferenceBase10(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= 0x09 && text[i] <= 0x0D))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > 2147483648LL) value = 2147483648LL;
  }
  if (negative) return value >= 2147483648LL ? INT32_MIN : static_cast<int32_t>(-value);
  return value > INT32_MAX ? INT32_MAX : static_cast<int32_t>(value);
}

// The substring search of the screen coordinate: first ",", then ";" and "," after it.
bool ReferenceCoordinates(std::u16string_view value, int32_t (&numbers)[4]) {
  const size_t p1 = value.find(u',');
  const size_t p2 = p1 == npos ? npos : value.find(u';', p1);
  const size_t p3 = p2 == npos ? npos : value.find(u',', p2);
  if (p3 == npos) return false;
  numbers[0] = ReferenceBase10(value.substr(0, p1));
  numbers[1] = ReferenceBase10(value.substr(p1 + 1, p2 - p1 - 1));
  numbers[2] = ReferenceBase10(value.substr(p2 + 1, p3 - p2 - 1));
  numbers[3] = ReferenceBase10(value.substr(p3 + 1));
  return true;
}

void CheckCoordinates(std::u16string_view value) {
  int32_t got[4] = {7, 7, 7, 7};
  int32_t want[4] = {7, 7, 7, 7};
  FUZZ_CHECK(ParseScreenCoordinate(value, got) == ReferenceCoordinates(value, want));
  FUZZ_CHECK(std::memcmp(got, want, sizeof got) == 0);
}

// Undoes the query escapes: each %XX is a UTF-8 byte, every other unit stands for itself.
bool UnescapeQuery(std::u16string_view encoded, std::u16string& out) {
  std::string utf8;
  auto hex = [](char16_t c) -> int {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
  };
  for (size_t i = 0; i < encoded.size(); ++i) {
    const char16_t c = encoded[i];
    if (c == u'%') {
      if (i + 2 >= encoded.size() || hex(encoded[i + 1]) < 0 || hex(encoded[i + 2]) < 0) return false;
      utf8 += static_cast<char>(hex(encoded[i + 1]) * 16 + hex(encoded[i + 2]));
      i += 2;
      continue;
    }
    if (c >= 0x80 || c < 0x20) return false;  // anything else outside ASCII must be escaped
    utf8 += static_cast<char>(c);
  }
  // The profile decoder reads the UTF-8; a leading letter keeps it from taking the first
  // bytes for a byte-order mark.
  out = DecodeProfileText("x" + utf8, nullptr).substr(1);
  return true;
}

void CheckName(std::u16string_view name) {
  const bool usable = IsUsableFileName(name);
  if (usable) {
    FUZZ_CHECK(!name.empty() && name.size() <= 255);
    FUZZ_CHECK(name.find_first_of(u"<>:\"/\\|?*") == npos);
    FUZZ_CHECK(name.find(u"..") == npos);
    FUZZ_CHECK(name.back() != u'.' && name.back() != u' ');
    FUZZ_CHECK(!HasBrokenSurrogate(name));
    for (char16_t c : name) FUZZ_CHECK(c >= 0x20);
  }
  const bool model = IsUsableModelName(name);
  if (model) FUZZ_CHECK(usable);

  const std::u16string path = ProfilePathFor(kFolder, name);
  if (!model) FUZZ_CHECK(path.empty());
  if (!path.empty()) {
    FUZZ_CHECK(path.size() <= kMaxPathChars);
    FUZZ_CHECK(path == std::u16string(kFolder) + u"\\" + std::u16string(name) + u".ini");
  }

  const std::u16string encoded = EncodeQueryValue(name);
  if (!encoded.empty()) {
    FUZZ_CHECK(encoded.find_first_of(u"&# \"<>") == npos);
    std::u16string back;
    FUZZ_CHECK(UnescapeQuery(encoded, back));
    if (!HasBrokenSurrogate(name)) FUZZ_CHECK(back == name);
  } else {
    FUZZ_CHECK(name.empty() || HasBrokenSurrogate(name));
  }
  const std::u16string url = LookupRequestUrl(kServiceBase, name);
  if (!model) FUZZ_CHECK(url.empty());
  if (!url.empty()) FUZZ_CHECK(url == std::u16string(kServiceBase) + u"/intf/getPhoneModel?pm[]=" + encoded);

  if (IsFetchableUrl(name)) {
    FUZZ_CHECK(SameIgnoringAsciiCase(name.substr(0, 7), u"http://") ||
               SameIgnoringAsciiCase(name.substr(0, 8), u"https://"));
  }
}

void CheckModelRules(std::u16string_view a, std::u16string_view b) {
  FUZZ_CHECK(SameModelName(a, b) == SameIgnoringAsciiCase(a, b));
  FUZZ_CHECK(SameModelName(a, b) == SameModelName(b, a));
  FUZZ_CHECK(SameModelName(a, a));

  ModelProfile profile;
  profile.loaded = 1;
  profile.rawModel.assign(a);
  profile.fixedModel = u"shown";
  const bool changed = ApplyNewModelRule(profile, b);
  FUZZ_CHECK(changed == !SameIgnoringAsciiCase(a, b));
  if (changed) {
    FUZZ_CHECK(profile.loaded == 0 && profile.rawModel == b && profile.fixedModel == b);
  } else {
    FUZZ_CHECK(profile.loaded == 1 && profile.rawModel == a && profile.fixedModel == u"shown");
  }

  const std::u16string_view shown = ShownModelName(profile);
  const std::u16string_view from = profile.fixedModel.empty() ? profile.rawModel : profile.fixedModel;
  FUZZ_CHECK(shown.size() <= kMaxShownModelChars);
  FUZZ_CHECK(from.substr(0, shown.size()) == shown);
  FUZZ_CHECK(shown.size() + 1 >= (from.size() < kMaxShownModelChars ? from.size() : kMaxShownModelChars));
  // The cut never separates a pair; a lone surrogate the name already had may stay.
  if (shown.size() < from.size() && !shown.empty()) FUZZ_CHECK(!(IsHigh(shown.back()) && IsLow(from[shown.size()])));
}

// The section the input names first, so that most inputs reach the keys.
std::u16string FirstSectionName(std::u16string_view text) {
  const size_t open = text.find(u'[');
  const size_t close = open == npos ? npos : text.find(u']', open);
  if (close == npos || close - open - 1 > 300) return u"M1";
  return std::u16string(text.substr(open + 1, close - open - 1));
}

void CheckProfile(const std::string& bytes, std::u16string_view text) {
  const std::u16string name = FirstSectionName(text);
  const std::u16string path = std::u16string(kFolder) + u"\\" + name + u".ini";
  const size_t slash = path.rfind(u'\\');
  std::u16string rawModel = path.substr(slash + 1);
  if (rawModel.size() > 4) rawModel.resize(rawModel.size() - 4);

  ModelProfile untouched;
  FUZZ_CHECK(!LoadProfileBytes(untouched, path, kDefaultUrl, nullptr));
  FUZZ_CHECK(untouched.rawModel.empty() && untouched.profileFolder.empty() && untouched.imageUrl.empty());

  ModelProfile record;
  FUZZ_CHECK(LoadProfileBytes(record, path, kDefaultUrl, &bytes));
  FUZZ_CHECK(record.loaded == 0);
  FUZZ_CHECK(record.profileFolder == path.substr(0, slash + 1));
  FUZZ_CHECK(record.rawModel == rawModel);
  FUZZ_CHECK(record.fixedModel.size() <= kMaxProfileValueChars || record.fixedModel == rawModel);
  FUZZ_CHECK(!record.imageUrl.empty() && record.imageUrl.size() <= kMaxProfileValueChars);

  if (!record.localImagePath.empty()) {
    const size_t urlSlash = record.imageUrl.rfind(u'/');
    const std::u16string_view picture = urlSlash == npos ? std::u16string_view(record.imageUrl)
                                                         : std::u16string_view(record.imageUrl).substr(urlSlash + 1);
    FUZZ_CHECK(record.localImagePath == record.profileFolder + std::u16string(picture));
    FUZZ_CHECK(IsUsableFileName(picture));
    FUZZ_CHECK(record.localImagePath.size() <= kMaxPathChars);
  }

  // The numbers come from the section's ScreenCoordinate value exactly as the search reads it.
  const std::u16string decoded =
      bytes.size() <= kMaxProfileBytes ? DecodeProfileText(bytes, DecodeLatin1) : std::u16string();
  int32_t want[4] = {0, 0, 0, 0};
  std::u16string value;
  if (FindProfileValue(decoded, rawModel, u"ScreenCoordinate", value)) {
    FUZZ_CHECK(value.size() <= kMaxProfileValueChars);
    ReferenceCoordinates(value, want);
  }
  FUZZ_CHECK(std::memcmp(record.screenCoordinate, want, sizeof want) == 0);

  if (IsPlausibleProfile(bytes, rawModel, DecodeLatin1)) {
    FUZZ_CHECK(!bytes.empty() && bytes.size() <= kMaxProfileBytes);
    FUZZ_CHECK(HasProfileSection(decoded, rawModel));
  }

  CheckName(name);
  CheckName(record.fixedModel);
  CheckName(record.imageUrl);
  CheckModelRules(name, record.fixedModel);
}

}  // namespace

int FuzzProfileText(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string text = DecodeProfileText(bytes, DecodeLatin1);

  const bool utf16 = size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF));
  if (utf16) {
    FUZZ_CHECK(text.size() == (size - 2) / 2);
  } else {
    FUZZ_CHECK(!HasBrokenSurrogate(text));
    bool ascii = true;
    for (size_t i = 0; i < size; ++i) ascii = ascii && data[i] < 0x80;
    if (ascii) FUZZ_CHECK(text == std::u16string(bytes.begin(), bytes.end()));
  }

  // Every line as a screen-coordinate value, and the whole text as one.
  CheckCoordinates(text);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find(u'\n', start);
    if (end == npos) end = text.size();
    CheckCoordinates(std::u16string_view(text).substr(start, end - start));
    start = end + 1;
  }

  CheckProfile(bytes, text);
  return 0;
}
