#include "page/page_values.h"

#include "util/byte_size.h"

namespace {

// Line and paragraph breaks, tabs and other controls would break or cut the one-line title.
bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029; }

// Brand, then model, with nothing between them, as the title shows them.
std::u16string ShownName(const PhoneInfo& phone) {
  std::u16string name(FieldText(phone.brand));
  name += FieldText(phone.model);
  for (char16_t& c : name) {
    if (IsControl(c)) c = u' ';
  }
  return name;
}

template <typename Number>
std::u16string Digits(Number value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// Grouped by thousands, as exact byte counts are easier to read.
std::u16string GroupedDigits(uint64_t value) {
  const std::u16string digits = Digits(value);
  std::u16string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += u',';
    grouped += digits[i];
  }
  return grouped;
}

std::u16string ShortSize(uint64_t bytes) {
  const std::wstring size = FormatUnsignedByteSize(bytes);
  return std::u16string(size.begin(), size.end());  // digits, point, unit
}

}  // namespace

const DetailTexts kChineseDetailTexts = {
    u"手机",         u"手机报告的型号",
    u"电池电量",     u"手机容量",
    u"存储卡容量",   u"剩余",
    u"共",           u"字节",
    u"不可用",       {u"应用", u"图片", u"音乐", u"视频", u"小说", u"联系人", u"短信", u"游戏"},
    u"复制手机信息",
};

namespace {

std::u16string Capacity(const DetailTexts& texts, uint64_t freeBytes, uint64_t totalBytes) {
  const auto amount = [&](uint64_t bytes) {
    return ShortSize(bytes) + u" (" + GroupedDigits(bytes) + u" " + texts.bytes + u")";
  };
  return std::u16string(texts.free) + u" " + amount(freeBytes) + u", " + texts.total + u" " + amount(totalBytes);
}

}  // namespace

std::u16string TitleText(const PhoneInfo& phone) { return ShownName(phone) + u"已通过USB手机连线连上电脑"; }

std::u16string PhoneDetailsText(const PhoneInfo& phone, std::u16string_view reportedModel, const DetailTexts& texts) {
  if (!ShowsPhone(ViewForState(phone.state))) return {};
  std::u16string text;
  const auto line = [&text](std::u16string_view label, const std::u16string& value) {
    text.append(label);
    text += u": ";
    text += value;
    text += u"\r\n";
  };
  line(texts.name, ShownName(phone));
  if (!reportedModel.empty() && reportedModel != FieldText(phone.model)) {
    line(texts.reportedModel, std::u16string(reportedModel));
  }
  line(texts.battery, Digits(BatteryLevel(phone.batteryPercent)) + u"%");
  line(texts.phoneMemory, Capacity(texts, phone.phoneFreeBytes, phone.phoneTotalBytes));
  line(texts.card, Capacity(texts, phone.cardFreeBytes, phone.cardTotalBytes));
  // As the tiles show them; the record has no count of games.
  const int32_t counts[] = {phone.appCount,   phone.pictureCount, phone.musicCount, phone.videoCount,
                            phone.novelCount, phone.contactCount, phone.smsCount,   kCountNotAvailable};
  static_assert(sizeof counts / sizeof counts[0] == sizeof texts.counts / sizeof texts.counts[0], "a word per count");
  for (size_t i = 0; i < 8; ++i) {
    line(texts.counts[i], counts[i] == kCountNotAvailable ? std::u16string(texts.notAvailable) : Digits(counts[i]));
  }
  return text;
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
