#include "util/byte_size.h"

#include <cstdio>

std::wstring FormatByteSize(int64_t bytes) {
  static const wchar_t* const kUnits[] = {L"KB", L"MB", L"GB", L"TB"};
  constexpr int64_t kKilo = 1024;
  constexpr int64_t kMega = kKilo * 1024;
  constexpr int64_t kGiga = kMega * 1024;
  constexpr int64_t kTera = kGiga * 1024;

  // There is no unit for plain bytes: everything below a megabyte, negatives included, is KB.
  int unit = 0;
  if (bytes >= kTera) {
    unit = 3;
  } else if (bytes >= kGiga) {
    unit = 2;
  } else if (bytes >= kMega) {
    unit = 1;
  }

  char number[64];
  if (bytes == kKilo || bytes == kMega || bytes == kGiga || bytes == kTera) {
    number[0] = '1';
    number[1] = '\0';
  } else {
    double value = static_cast<double>(bytes);
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
