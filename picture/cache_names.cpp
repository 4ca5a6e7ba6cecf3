#include "picture/cache_names.h"

namespace {

constexpr size_t kMaxFileNameChars = 255;

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

bool EqualsAsciiIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool StartsWithAsciiIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsAsciiIgnoringCase(text.substr(0, prefix.size()), prefix);
}

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// The file system opens a device, not a file, when the part before the first dot, blanks
// after it ignored, is one of these, whatever follows.
bool IsDeviceName(std::u16string_view name) {
  std::u16string_view base = name.substr(0, name.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  static constexpr std::u16string_view kDevices[] = {u"con", u"prn", u"aux", u"nul", u"conin$", u"conout$", u"clock$"};
  for (std::u16string_view device : kDevices) {
    if (EqualsAsciiIgnoringCase(base, device)) return true;
  }
  if (base.size() != 4) return false;
  const std::u16string_view stem = base.substr(0, 3);
  if (!EqualsAsciiIgnoringCase(stem, u"com") && !EqualsAsciiIgnoringCase(stem, u"lpt")) return false;
  const char16_t digit = base[3];
  // Superscript one, two and three count as digits here too.
  return (digit >= u'0' && digit <= u'9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

void AppendPercent(std::u16string& out, unsigned byte) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  out += u'%';
  out += kHex[(byte >> 4) & 0xF];
  out += kHex[byte & 0xF];
}

void AppendUtf8Escaped(std::u16string& out, char32_t code) {
  if (code < 0x80) {
    AppendPercent(out, static_cast<unsigned>(code));
  } else if (code < 0x800) {
    AppendPercent(out, 0xC0 | (code >> 6));
    AppendPercent(out, 0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    AppendPercent(out, 0xE0 | (code >> 12));
    AppendPercent(out, 0x80 | ((code >> 6) & 0x3F));
    AppendPercent(out, 0x80 | (code & 0x3F));
  } else {
    AppendPercent(out, 0xF0 | (code >> 18));
    AppendPercent(out, 0x80 | ((code >> 12) & 0x3F));
    AppendPercent(out, 0x80 | ((code >> 6) & 0x3F));
    AppendPercent(out, 0x80 | (code & 0x3F));
  }
}

// Not allowed anywhere in a URL.
bool IsUnsafeInUrl(char16_t c) { return c <= 0x20 || c >= 0x7F; }

// Would end or split the query value, or is not allowed in a URL at all.
bool NeedsEscape(char16_t c) {
  if (IsUnsafeInUrl(c)) return true;
  static constexpr std::u16string_view kSpecial = u"#&%+\"<>\\^`{|}";
  return kSpecial.find(c) != std::u16string_view::npos;
}

std::u16string EscapeWhere(std::u16string_view value, bool (*needsEscape)(char16_t)) {
  std::u16string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    const char16_t c = value[i];
    if (IsHighSurrogate(c)) {
      if (i + 1 == value.size() || !IsLowSurrogate(value[i + 1])) return {};
      const char32_t code = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (value[i + 1] - 0xDC00);
      AppendUtf8Escaped(out, code);
      ++i;
    } else if (IsLowSurrogate(c)) {
      return {};
    } else if (needsEscape(c)) {
      AppendUtf8Escaped(out, c);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

bool IsUsableFileName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxFileNameChars) return false;
  if (name.find(u"..") != std::u16string_view::npos) return false;
  if (name.back() == u'.' || name.back() == u' ') return false;
  static constexpr std::u16string_view kForbidden = u"<>:\"/\\|?*";
  for (size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    if (IsControl(c) || kForbidden.find(c) != std::u16string_view::npos) return false;
    if (IsHighSurrogate(c)) {
      if (i + 1 == name.size() || !IsLowSurrogate(name[i + 1])) return false;
      ++i;
    } else if (IsLowSurrogate(c)) {
      return false;
    }
  }
  return !IsDeviceName(name);
}

bool IsUsableModelName(std::u16string_view rawModel) {
  if (!IsUsableFileName(rawModel)) return false;
  std::u16string fileName(rawModel);
  fileName += u".ini";
  return IsUsableFileName(fileName);
}

std::u16string ProfilePathFor(std::u16string_view cacheFolder, std::u16string_view rawModel) {
  if (cacheFolder.empty() || !IsUsableModelName(rawModel)) return {};
  if (cacheFolder.size() + 1 + rawModel.size() + 4 > kMaxPathChars) return {};
  std::u16string path(cacheFolder);
  path += u'\\';
  path += rawModel;
  path += u".ini";
  return path;
}

std::u16string EncodeQueryValue(std::u16string_view value) { return EscapeWhere(value, NeedsEscape); }

std::u16string EscapeUnsafeUrlCharacters(std::u16string_view url) { return EscapeWhere(url, IsUnsafeInUrl); }

std::u16string LookupRequestUrl(std::u16string_view base, std::u16string_view rawModel) {
  if (!IsUsableModelName(rawModel)) return {};
  const std::u16string encoded = EncodeQueryValue(rawModel);
  if (encoded.empty()) return {};
  while (!base.empty() && base.back() == u'/') base.remove_suffix(1);
  std::u16string url(base);
  url += u"/intf/getPhoneModel?pm[]=";
  url += encoded;
  return url;
}

bool IsFetchableUrl(std::u16string_view url) {
  if (!StartsWithAsciiIgnoringCase(url, u"http://") && !StartsWithAsciiIgnoringCase(url, u"https://")) {
    return false;
  }
  for (char16_t c : url) {
    if (IsControl(c)) return false;
  }
  return true;
}

bool IsUsableServiceBase(std::u16string_view base) {
  constexpr size_t kMaxServiceBaseChars = 512;
  if (!IsFetchableUrl(base) || base.size() > kMaxServiceBaseChars) return false;
  if (base.find(u' ') != std::u16string_view::npos) return false;
  const std::u16string_view rest = base.substr(base.find(u"://") + 3);
  return !rest.empty() && rest.front() != u'/';
}

bool SameModelName(std::u16string_view a, std::u16string_view b) { return EqualsAsciiIgnoringCase(a, b); }
