#include "picture/model_profile.h"

#include <initializer_list>
#include <limits>
#include <utility>

#include "picture/cache_names.h"

namespace {

constexpr std::u16string_view kFixedModelKey = u"FixedPhoneModel";
constexpr std::u16string_view kImageUrlKey = u"ImageUrl";
constexpr std::u16string_view kScreenCoordinateKey = u"ScreenCoordinate";

uint8_t ByteAt(std::string_view bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

bool StartsWithBytes(std::string_view bytes, std::initializer_list<uint8_t> prefix) {
  if (bytes.size() < prefix.size()) return false;
  size_t i = 0;
  for (uint8_t b : prefix) {
    if (ByteAt(bytes, i++) != b) return false;
  }
  return true;
}

void AppendCodePoint(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
  } else {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (code >> 10));
    out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  }
}

// Decodes one well-formed UTF-8 sequence at `i`; 0 when there is none there.
size_t Utf8SequenceAt(std::string_view bytes, size_t i, char32_t& code) {
  const uint8_t lead = ByteAt(bytes, i);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  size_t length;
  uint8_t low = 0x80;
  uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const uint8_t b = ByteAt(bytes, i + k);
    if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return 0;
    code = (code << 6) | (b & 0x3F);
  }
  return length;
}

// Strict: false at the first ill-formed sequence. Lenient: U+FFFD for each bad byte.
bool DecodeUtf8(std::string_view bytes, bool strict, std::u16string& out) {
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t code = 0;
    const size_t length = Utf8SequenceAt(bytes, i, code);
    if (length == 0) {
      if (strict) return false;
      out += u'\uFFFD';
      ++i;
      continue;
    }
    AppendCodePoint(out, code);
    i += length;
  }
  return true;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const uint8_t first = ByteAt(bytes, i);
    const uint8_t second = ByteAt(bytes, i + 1);
    out += static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return out;
}

// The blanks of the platform's profile reader, DOS end-of-file included.
bool IsProfileBlank(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A; }

std::u16string_view TrimLeft(std::u16string_view text) {
  while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::u16string_view TrimRight(std::u16string_view text) {
  while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::u16string_view Trim(std::u16string_view text) { return TrimRight(TrimLeft(text)); }

// Hands out the lines of a profile text, blanks trimmed and empty ones skipped.
class ProfileLines {
 public:
  explicit ProfileLines(std::u16string_view text) : text_(text) {}
  bool Next(std::u16string_view& line) {
    while (position_ < text_.size()) {
      size_t end = text_.find_first_of(u"\r\n", position_);
      if (end == std::u16string_view::npos) end = text_.size();
      line = Trim(text_.substr(position_, end - position_));
      position_ = text_.find_first_not_of(u"\r\n", end);
      if (position_ == std::u16string_view::npos) position_ = text_.size();
      if (!line.empty()) return true;
    }
    return false;
  }

 private:
  std::u16string_view text_;
  size_t position_ = 0;
};

// A section header is "[" up to the last "]" of the line; a line without one is a key line.
bool SectionHeaderName(std::u16string_view line, std::u16string_view& name) {
  if (line.front() != u'[') return false;
  const size_t close = line.rfind(u']');
  if (close == std::u16string_view::npos || close == 0) return false;
  name = line.substr(1, close - 1);
  return true;
}

// Positions `lines` just after the header of the first section called `section`.
bool SeekSection(ProfileLines& lines, std::u16string_view section) {
  section = Trim(section);
  std::u16string_view line;
  std::u16string_view name;
  while (lines.Next(line)) {
    if (SectionHeaderName(line, name) && SameModelName(name, section)) return true;
  }
  return false;
}

}  // namespace

void CopyProfile(ModelProfile& to, const ModelProfile& from) {
  ModelProfile copy(from);
  to = std::move(copy);
}

std::u16string DecodeLatin1(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char c : bytes) out += static_cast<char16_t>(static_cast<uint8_t>(c));
  return out;
}

std::u16string DecodeProfileText(std::string_view bytes, AnsiDecoder ansi) {
  if (StartsWithBytes(bytes, {0xFF, 0xFE})) return DecodeUtf16(bytes.substr(2), false);
  if (StartsWithBytes(bytes, {0xFE, 0xFF})) return DecodeUtf16(bytes.substr(2), true);
  std::u16string text;
  if (StartsWithBytes(bytes, {0xEF, 0xBB, 0xBF})) {
    DecodeUtf8(bytes.substr(3), false, text);
    return text;
  }
  if (DecodeUtf8(bytes, true, text)) return text;
  return ansi != nullptr ? ansi(bytes) : DecodeLatin1(bytes);
}

bool FindProfileValue(std::u16string_view text, std::u16string_view section, std::u16string_view key,
                      std::u16string& value) {
  ProfileLines lines(text);
  if (!SeekSection(lines, section)) return false;
  key = Trim(key);
  std::u16string_view line;
  std::u16string_view ignored;
  while (lines.Next(line)) {
    if (SectionHeaderName(line, ignored)) return false;
    const size_t equals = line.find(u'=');
    const std::u16string_view name = TrimRight(line.substr(0, equals));
    if (!SameModelName(name, key)) continue;
    // The first line with the key decides, even when it has no value.
    std::u16string_view found =
        equals == std::u16string_view::npos ? std::u16string_view() : TrimLeft(line.substr(equals + 1));
    if (found.size() >= 2 && (found.front() == u'"' || found.front() == u'\'') && found.back() == found.front()) {
      found = found.substr(1, found.size() - 2);
    }
    found = found.substr(0, found.find(u'\0'));
    value.assign(found.substr(0, kMaxProfileValueChars));
    return true;
  }
  return false;
}

bool HasProfileSection(std::u16string_view text, std::u16string_view section) {
  ProfileLines lines(text);
  return SeekSection(lines, section);
}

int32_t ParseBase10(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && ((text[i] >= 0x09 && text[i] <= 0x0D) || text[i] == u' ')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    // Past the range already: further digits cannot bring it back.
    if (magnitude <= kMax + 1) magnitude = magnitude * 10 + (text[i] - u'0');
  }
  if (negative) return static_cast<int32_t>(-magnitude < kMin ? kMin : -magnitude);
  return static_cast<int32_t>(magnitude > kMax ? kMax : magnitude);
}

bool ParseScreenCoordinate(std::u16string_view value, int32_t (&numbers)[4]) {
  constexpr size_t npos = std::u16string_view::npos;
  const size_t p1 = value.find(u',');
  if (p1 == npos) return false;
  const size_t p2 = value.find(u';', p1);
  if (p2 == npos) return false;
  const size_t p3 = value.find(u',', p2);
  if (p3 == npos) return false;
  numbers[0] = ParseBase10(value.substr(0, p1));
  numbers[1] = ParseBase10(value.substr(p1 + 1, p2 - p1 - 1));
  numbers[2] = ParseBase10(value.substr(p2 + 1, p3 - p2 - 1));
  numbers[3] = ParseBase10(value.substr(p3 + 1));
  return true;
}

std::u16string_view RawModelOf(std::u16string_view profilePath) {
  std::u16string_view fileName = profilePath.substr(profilePath.rfind(u'\\') + 1);
  if (fileName.size() > 4) fileName.remove_suffix(4);
  return fileName;
}

bool LoadProfileBytes(ModelProfile& record, std::u16string_view profilePath, std::u16string_view defaultImageUrl,
                      const std::string* fileBytes, AnsiDecoder ansi) {
  if (fileBytes == nullptr) return false;

  const size_t slash = profilePath.rfind(u'\\');
  if (slash != std::u16string_view::npos) record.profileFolder.assign(profilePath.substr(0, slash + 1));
  record.rawModel.assign(RawModelOf(profilePath));

  // A file too big to be a profile reads like one without keys.
  const std::u16string text =
      fileBytes->size() <= kMaxProfileBytes ? DecodeProfileText(*fileBytes, ansi) : std::u16string();

  std::u16string value;
  // Without a name of its own the model keeps the one the phone reported, so the page never
  // goes blank.
  if (FindProfileValue(text, record.rawModel, kFixedModelKey, value) && !value.empty()) {
    record.fixedModel = value;
  } else {
    record.fixedModel = record.rawModel;
  }

  value.clear();
  FindProfileValue(text, record.rawModel, kImageUrlKey, value);
  record.imageUrl = value.empty() ? std::u16string(defaultImageUrl) : value;

  const size_t lastSlash = record.imageUrl.rfind(u'/');
  const std::u16string_view pictureName = lastSlash == std::u16string::npos
                                              ? std::u16string_view(record.imageUrl)
                                              : std::u16string_view(record.imageUrl).substr(lastSlash + 1);
  if (IsUsableFileName(pictureName) && record.profileFolder.size() + pictureName.size() <= kMaxPathChars) {
    record.localImagePath = record.profileFolder;
    record.localImagePath += pictureName;
  }

  value.clear();
  if (FindProfileValue(text, record.rawModel, kScreenCoordinateKey, value)) {
    ParseScreenCoordinate(value, record.screenCoordinate);
  }
  return true;
}

bool IsPlausibleProfile(std::string_view bytes, std::u16string_view rawModel, AnsiDecoder ansi) {
  if (bytes.empty() || bytes.size() > kMaxProfileBytes) return false;
  const std::u16string text = DecodeProfileText(bytes, ansi);
  if (text.find(u'\0') != std::u16string::npos) return false;
  return HasProfileSection(text, rawModel);
}

bool ApplyNewModelRule(ModelProfile& profile, std::u16string_view incomingModel) {
  if (SameModelName(incomingModel, profile.rawModel)) return false;
  // Copied before anything changes, so that without memory for them the profile stays whole.
  std::u16string rawModel(incomingModel);
  std::u16string fixedModel(incomingModel);
  profile.loaded = 0;
  profile.rawModel.swap(rawModel);
  profile.fixedModel.swap(fixedModel);
  return true;
}

std::u16string_view ShownModelName(const ModelProfile& profile) {
  std::u16string_view name = profile.fixedModel.empty() ? profile.rawModel : profile.fixedModel;
  if (name.size() <= kMaxShownModelChars) return name;
  size_t length = kMaxShownModelChars;
  if (IsHighSurrogate(name[length - 1])) --length;
  return name.substr(0, length);
}
