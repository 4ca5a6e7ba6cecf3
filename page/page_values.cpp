#include "page/page_values.h"

#include "util/byte_size.h"

std::u16string TitleText(const PhoneInfo& phone) {
  std::u16string title(FieldText(phone.brand));
  title += FieldText(phone.model);
  title += u"已通过USB手机连线连上电脑";
  return title;
}

std::u16string FreeSpaceText(uint64_t freeBytes) {
  // The formatter takes signed counts; past 8 EB a count reads as a negative one.
  const std::wstring size = FormatByteSize(static_cast<int64_t>(freeBytes));
  std::u16string text = u"剩余";
  for (wchar_t c : size) text += static_cast<char16_t>(c);  // digits, point, minus, unit
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
