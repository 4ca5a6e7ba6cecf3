#include "util/byte_size.h"

#include <cstdio>

namespace {

constexpr uint64_t kKilo = 1024;
constexpr uint64_t kMega = kKilo * 1024;
constexpr uint64_t kGiga = kMega * 1024;
constexpr uint64_t kTera = kGiga * 1024;

int UnitOf(uint64_t bytes) {
  if (bytes >= kTera) return 3;
  if (bytes >= kGiga) return 2;
  if (bytes >= kMega) return 1;
  return 0;
}

std::wstring Format(double bytes, int unit, bool exactPower) {
  static const wchar_t* const kUnits[] = {L"KB", L"MB", L"GB", L"TB"};
  char number[64];
  if (exactPower) {
    number[0] = '1';
    number[1] = '\0';
  } else {
    double value = bytes;
    for (int step = 0; step <= unit; ++step) value *= 1.0 / 1024;
    std::snprintf(number, sizeof number, "%f", value);
  }

  std::string text(number);
  if (text.size() > 5) text.resize(5);  // cut, not rounded
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  std::wstring result(text.begin(), text.end());
  return result + kUnits[unit];
}

}  // namespace

std::wstring FormatByteSize(int64_t bytes) {
  // There is no unit for plain bytes: everything below a megabyte, negatives included, is KB.
  if (bytes < 0) return Format(static_cast<double>(bytes), 0, false);
  return FormatUnsignedByteSize(static_cast<uint64_t>(bytes));
}

std::wstring FormatUnsignedByteSize(uint64_t bytes) {
  const bool exactPower = bytes == kKilo || bytes == kMega || bytes == kGiga || bytes == kTera;
  return Format(static_cast<double>(bytes), UnitOf(bytes), exactPower);
}
