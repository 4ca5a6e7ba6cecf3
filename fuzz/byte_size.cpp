#include <cmath>
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "util/byte_size.h"

namespace {

constexpr int64_t kKilo = 1024;
constexpr int64_t kMega = kKilo * 1024;
constexpr int64_t kGiga = kMega * 1024;
constexpr int64_t kTera = kGiga * 1024;

int UnitOf(int64_t bytes) {
  if (bytes >= kTera) return 3;
  if (bytes >= kGiga) return 2;
  if (bytes >= kMega) return 1;
  return 0;
}

double ParseNumber(std::u16string_view number) {
  std::string ascii(number.begin(), number.end());
  return std::strtod(ascii.c_str(), nullptr);
}

void CheckOne(int64_t bytes) {
  const std::wstring text = FormatByteSize(bytes);
  // Digits, sign, point and unit letters only, so each unit widens without loss.
  const std::u16string wide(text.begin(), text.end());
  CheckByteSizeText(bytes, wide);
}

}  // namespace

void CheckByteSizeText(int64_t bytes, std::u16string_view text) {
  static const char16_t* const kUnits[] = {u"KB", u"MB", u"GB", u"TB"};
  FUZZ_CHECK(text.size() >= 3 && text.size() <= 7);
  if (text.size() < 3) return;
  const int unit = UnitOf(bytes);
  const std::u16string_view number = text.substr(0, text.size() - 2);
  FUZZ_CHECK(text.substr(text.size() - 2) == kUnits[unit]);
  FUZZ_CHECK(number.size() <= 5);

  size_t points = 0;
  for (size_t i = 0; i < number.size(); ++i) {
    const char16_t c = number[i];
    if (c == u'-') {
      FUZZ_CHECK(i == 0 && bytes < 0);
    } else if (c == u'.') {
      ++points;
    } else {
      FUZZ_CHECK(c >= u'0' && c <= u'9');
    }
  }
  FUZZ_CHECK(points <= 1);
  FUZZ_CHECK(number.back() != u'.');
  if (points == 1) FUZZ_CHECK(number.back() != u'0');
  if (bytes == kKilo || bytes == kMega || bytes == kGiga || bytes == kTera)
    FUZZ_CHECK(number == u"1");

  // While the integer part fits the five characters, the cut and the six-digit rounding
  // move the number by less than one.
  const double exact = std::ldexp(static_cast<double>(bytes), -10 * (unit + 1));
  if (exact > -1000.0 && exact < 10000.0) {
    const double shown = ParseNumber(number);
    FUZZ_CHECK(shown <= exact + 1e-6 || (bytes < 0 && shown <= 0.0));
    FUZZ_CHECK(std::fabs(exact - shown) < 1.0);
  }
}

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
  }
  return 0;
}
