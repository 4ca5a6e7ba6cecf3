#include "tools/harness/record_form.h"

#include <limits>

const RecordField kRecordFields[kRecordFieldCount] = {
    {"brand", "Brand", RecordFieldKind::Text},
    {"model", "Model", RecordFieldKind::Text},
    {"apps", "Apps", RecordFieldKind::Count},
    {"pictures", "Pictures", RecordFieldKind::Count},
    {"music", "Music", RecordFieldKind::Count},
    {"videos", "Videos", RecordFieldKind::Count},
    {"novels", "Novels", RecordFieldKind::Count},
    {"contacts", "Contacts", RecordFieldKind::Count},
    {"sms", "SMS", RecordFieldKind::Count},
    {"phone-total", "Phone total", RecordFieldKind::ByteCount},
    {"phone-free", "Phone free", RecordFieldKind::ByteCount},
    {"card-total", "Card total", RecordFieldKind::ByteCount},
    {"card-free", "Card free", RecordFieldKind::ByteCount},
    {"battery", "Battery %", RecordFieldKind::Percent},
    {"picture-url", "Picture URL", RecordFieldKind::Text},
};

namespace {

enum Field {
  kBrand,
  kModel,
  kApps,
  kPictures,
  kMusic,
  kVideos,
  kNovels,
  kContacts,
  kSms,
  kPhoneTotal,
  kPhoneFree,
  kCardTotal,
  kCardFree,
  kBattery,
  kPictureUrl,
};

struct StateNameEntry {
  const char* name;
  int32_t state;
};

// The first name of a state is the one printed.
constexpr StateNameEntry kStateNames[] = {
    {"no-phone", 0},       {"idle", 0},   {"connected", 1},           {"connecting", 2},
    {"connect-failed", 3}, {"failed", 3}, {"reconnect-requested", 4}, {"guard-missing", 5},
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Decimal digits only, at least one, no overflow.
bool ParseDigits(std::u16string_view text, uint64_t& value) {
  if (text.empty()) return false;
  uint64_t result = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - u'0');
    if (result > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
    result = result * 10 + digit;
  }
  value = result;
  return true;
}

bool ParseFieldValue(RecordFieldKind kind, std::u16string_view value, std::string& error) {
  bool ok = true;
  switch (kind) {
    case RecordFieldKind::Text:
      return true;
    case RecordFieldKind::Count: {
      int32_t count;
      ok = ParseCount(value, count);
      if (!ok) error = "expects a whole number from -2147483648 to 2147483647";
      break;
    }
    case RecordFieldKind::ByteCount: {
      uint64_t bytes;
      ok = ParseByteCount(value, bytes);
      if (!ok) error = "expects a byte count such as 1610612736, 512M or 1.5GB";
      break;
    }
    case RecordFieldKind::Percent: {
      uint32_t percent;
      ok = ParsePercent(value, percent);
      if (!ok) error = "expects a whole number from 0 to 4294967295";
      break;
    }
  }
  return ok;
}

}  // namespace

int FindRecordField(std::string_view name) {
  for (size_t i = 0; i < kRecordFieldCount; ++i) {
    if (name == kRecordFields[i].name) return static_cast<int>(i);
  }
  return -1;
}

std::optional<int32_t> ParseStateName(std::string_view text) {
  for (const auto& entry : kStateNames) {
    if (text == entry.name) return entry.state;
  }
  int32_t number;
  if (ParseCount(Utf8ToUtf16(text), number)) return number;
  return std::nullopt;
}

std::string StateName(int32_t state) {
  for (const auto& entry : kStateNames) {
    if (entry.state == state) return entry.name;
  }
  return std::to_string(state);
}

bool ParseCount(std::u16string_view text, int32_t& value) {
  text = Trim(text);
  const bool negative = !text.empty() && text.front() == u'-';
  if (negative) text.remove_prefix(1);
  uint64_t magnitude;
  if (!ParseDigits(text, magnitude)) return false;
  const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
  if (magnitude > limit) return false;
  value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude)) : static_cast<int32_t>(magnitude);
  return true;
}

bool ParsePercent(std::u16string_view text, uint32_t& value) {
  uint64_t number;
  if (!ParseDigits(Trim(text), number) || number > std::numeric_limits<uint32_t>::max()) return false;
  value = static_cast<uint32_t>(number);
  return true;
}

bool ParseByteCount(std::u16string_view text, uint64_t& value) {
  text = Trim(text);
  size_t numberEnd = 0;
  while (numberEnd < text.size() && ((text[numberEnd] >= u'0' && text[numberEnd] <= u'9') || text[numberEnd] == u'.')) {
    ++numberEnd;
  }
  const std::u16string_view number = text.substr(0, numberEnd);
  const std::u16string_view unitText = Trim(text.substr(numberEnd));

  uint64_t unit = 1;
  struct UnitName {
    const char16_t* names[3];
    uint64_t bytes;
  };
  static constexpr UnitName kUnits[] = {
      {{u"B", u"B", u"B"}, 1ull},          {{u"K", u"KB", u"KiB"}, 1ull << 10}, {{u"M", u"MB", u"MiB"}, 1ull << 20},
      {{u"G", u"GB", u"GiB"}, 1ull << 30}, {{u"T", u"TB", u"TiB"}, 1ull << 40},
  };
  if (!unitText.empty()) {
    bool found = false;
    for (const auto& candidate : kUnits) {
      for (const char16_t* name : candidate.names) {
        if (EqualsIgnoringCase(unitText, name)) {
          unit = candidate.bytes;
          found = true;
        }
      }
    }
    if (!found) return false;
  }

  const size_t dot = number.find(u'.');
  const std::u16string_view whole = number.substr(0, dot);
  const std::u16string_view fraction =
      dot == std::u16string_view::npos ? std::u16string_view() : number.substr(dot + 1);
  if (dot != std::u16string_view::npos && (unit == 1 || fraction.empty() || fraction.size() > 9)) return false;
  uint64_t wholeValue;
  if (!ParseDigits(whole, wholeValue)) return false;
  if (wholeValue > std::numeric_limits<uint64_t>::max() / unit) return false;
  uint64_t result = wholeValue * unit;
  if (!fraction.empty()) {
    uint64_t fractionValue;
    if (!ParseDigits(fraction, fractionValue)) return false;
    uint64_t scale = 1;
    for (size_t i = 0; i < fraction.size(); ++i) scale *= 10;
    // unit is at most 2^40 and fractionValue below 10^9 < 2^30, so the product fits.
    const uint64_t part = fractionValue * unit / scale;
    if (result > std::numeric_limits<uint64_t>::max() - part) return false;
    result += part;
  }
  value = result;
  return true;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    uint32_t code = 0xFFFD;
    size_t length = 1;
    size_t extra = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      code = lead & 0x1F;
      minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      code = lead & 0x0F;
      minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      code = lead & 0x07;
      minimum = 0x10000;
    }
    if (extra > 0) {
      bool valid = i + extra < text.size();
      for (size_t k = 1; valid && k <= extra; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
          valid = false;
        } else {
          code = (code << 6) | (next & 0x3F);
        }
      }
      if (valid && (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))) valid = false;
      if (valid) {
        length = extra + 1;
      } else {
        code = 0xFFFD;
      }
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

RecordForm::RecordForm() {
  values_[kBrand] = u"Kelvo";
  values_[kModel] = u"K7 Pro";
  values_[kApps] = u"86";
  values_[kPictures] = u"1245";
  values_[kMusic] = u"312";
  values_[kVideos] = u"27";
  values_[kNovels] = u"9";
  values_[kContacts] = u"468";
  values_[kSms] = u"2051";
  values_[kPhoneTotal] = u"64GB";
  values_[kPhoneFree] = u"22GB";
  values_[kCardTotal] = u"32GB";
  values_[kCardFree] = u"11.5GB";
  values_[kBattery] = u"78";
  values_[kPictureUrl] = u"";
}

bool RecordForm::Set(std::string_view name, std::u16string_view value, std::string& error) {
  const int field = FindRecordField(name);
  if (field < 0) {
    error = "no record field named '" + std::string(name) + "'";
    return false;
  }
  std::string reason;
  if (!ParseFieldValue(kRecordFields[field].kind, value, reason)) {
    error = std::string(name) + " " + reason + ", not '" + Utf16ToUtf8(value) + "'";
    return false;
  }
  values_[field] = value;
  return true;
}

bool RecordForm::Build(int32_t state, PhoneInfo& record, std::string& error) const {
  PhoneInfo built = EmptyPhoneInfo();
  built.state = state;
  for (size_t i = 0; i < kRecordFieldCount; ++i) {
    std::string reason;
    if (!ParseFieldValue(kRecordFields[i].kind, values_[i], reason)) {
      error = std::string(kRecordFields[i].name) + " " + reason + ", not '" + Utf16ToUtf8(values_[i]) + "'";
      return false;
    }
  }
  SetFieldText(built.brand, values_[kBrand]);
  SetFieldText(built.model, values_[kModel]);
  SetFieldText(built.defaultImageUrl, values_[kPictureUrl]);
  ParseCount(values_[kApps], built.appCount);
  ParseCount(values_[kPictures], built.pictureCount);
  ParseCount(values_[kMusic], built.musicCount);
  ParseCount(values_[kVideos], built.videoCount);
  ParseCount(values_[kNovels], built.novelCount);
  ParseCount(values_[kContacts], built.contactCount);
  ParseCount(values_[kSms], built.smsCount);
  ParseByteCount(values_[kPhoneTotal], built.phoneTotalBytes);
  ParseByteCount(values_[kPhoneFree], built.phoneFreeBytes);
  ParseByteCount(values_[kCardTotal], built.cardTotalBytes);
  ParseByteCount(values_[kCardFree], built.cardFreeBytes);
  ParsePercent(values_[kBattery], built.batteryPercent);
  record = built;
  return true;
}
