#include "page/page_values.h"

#include "util/byte_size.h"

namespace {

// Line and paragraph breaks, tabs and other controls would break or cut the one-line title.
bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029; }

}  // namespace

std::u16string TitleText(const PhoneInfo& phone) {
  std::u16string title(FieldText(phone.brand));
  title += FieldText(phone.model);
  for (char16_t& c : title) {
    if (IsControl(c)) c = u' ';
  }
  title += u"已通过USB手机连线连上电脑";
  return title;
}

std::u16string FreeSpaceText(uint64_t freeBytes) {
  const std::wstring size = FormatUnsignedByteSize(freeBytes);
  std::u16string text = u"剩余";
  for (wchar_t c : size) text += static_cast<char16_t>(c);  // digits, point, unit
  return text;
}

uint32_t UsedPercent(uint64_t totalBytes, uint64_t freeBytes) {
  if (totalBytes == 0) return 0;
  // Free above total would wrap the unsigned difference to nearly 2^64.
  if (freeBytes > totalBytes) return 0;
  const double used = 100.0 * static_cast<double>(totalBytes - freeBytes) / static_cast<double>(totalBytes);
  return used >= 100.0 ? 100 : static_cast<uint32_t>(used);
}

uint32_t BatteryLevel(uint32_t batteryPercent) { return batteryPercent > 100 ? 100 : batteryPercent; }
