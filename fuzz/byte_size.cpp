#include <cmath>
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "util/byte_size.h"

namespace {

constexpr uint64_t kKilo = 1024;
constexpr uint64_t kMega = kKilo * 1024;
constexpr uint64_t kGiga = kMega * 1024;
constexpr uint64_t kTera = kGiga * 1024;

int UnitOf(bool negative, uint64_t magnitude) {
  if (negative) return 0;
  if (magnitude >= kTera) return 3;
  if (magnitude >= kGiga) return 2;
  if (magnitude >= kMega) return 1;
  return 0;
}

double ParseNumber(std::u16string_view number) {
  std::string ascii(number.begin(), number.end());
  return std::strtod(ascii.c_str(), nullptr);
}

// Digits, sign, point and unit letters only, so each unit widens without loss.
std::u16string Widen(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

// The promises about the count -magnitude (when negative) or magnitude.
void CheckText(bool negative, uint64_t magnitude, std::u16string_view text) {
  static const char16_t* const kUnits[] = {u"KB", u"MB", u"GB", u"TB"};
  FUZZ_CHECK(text.size() >= 3 && text.size() <= 7);
  if (text.size() < 3) return;
  const int unit = UnitOf(negative, magnitude);
  const std::u16string_view number = text.substr(0, text.size() - 2);
  FUZZ_CHECK(text.substr(text.size() - 2) == kUnits[unit]);
  FUZZ_CHECK(number.size() <= 5);

  size_t points = 0;
  for (size_t i = 0; i < number.size(); ++i) {
    const char16_t c = number[i];
    if (c == u'-') {
      FUZZ_CHECK(i == 0 && negative);
    } else if (c == u'.') {
      ++points;
    } else {
      FUZZ_CHECK(c >= u'0' && c <= u'9');
    }
  }
  FUZZ_CHECK(points <= 1);
  FUZZ_CHECK(number.back() != u'.');
  if (points == 1) FUZZ_CHECK(number.back() != u'0');
  if (!negative && (magnitude == kKilo || magnitude == kMega || magnitude == kGiga || magnitude == kTera))
    FUZZ_CHECK(number == u"1");

  // While the integer part fits the five characters, the cut and the six-digit rounding
  // move the number by less than one.
  const double value = negative ? -static_cast<double>(magnitude) : static_cast<double>(magnitude);
  const double exact = std::ldexp(value, -10 * (unit + 1));
  if (exact > -1000.0 && exact < 10000.0) {
    const double shown = ParseNumber(number);
    FUZZ_CHECK(shown <= exact + 1e-6 || (negative && shown <= 0.0));
    FUZZ_CHECK(std::fabs(exact - shown) < 1.0);
  }
}

void CheckOne(int64_t bytes) { CheckByteSizeText(bytes, Widen(FormatByteSize(bytes))); }

}  // namespace

void CheckByteSizeText(int64_t bytes, std::u16string_view text) {
  const bool negative = bytes < 0;
  // The magnitude of INT64_MIN does not fit int64_t; it does fit uint64_t.
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(bytes) : static_cast<uint64_t>(bytes);
  CheckText(negative, magnitude, text);
}

void CheckUnsignedByteSizeText(uint64_t bytes, std::u16string_view text) { CheckText(false, bytes, text); }

int FuzzByteSize(const uint8_t* data, size_t size) {
  // Every eight bytes are one little-endian count; a short tail is padded with zeros.
  for (size_t at = 0; at == 0 || at < size; at += 8) {
    uint8_t raw[8] = {};
    if (at < size) std::memcpy(raw, data + at, size - at < 8 ? size - at : 8);
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | raw[i];
    const int64_t bytes = static_cast<int64_t>(value);
    CheckOne(bytes);
    // The same low bits as a count a phone could have, where every unit is reached.
    CheckOne(static_cast<int64_t>(value & 0xFFFFFFFFFFull));
    CheckOne(static_cast<int64_t>(value & 0xFFFFFFFFFFFFull));
    CheckUnsignedByteSizeText(value, Widen(FormatUnsignedByteSize(value)));
  }
  return 0;
}
