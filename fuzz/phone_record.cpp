#include <cstring>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "page/page_values.h"
#include "page/phone_info.h"

namespace {

// 64-by-64-bit products compared exactly, without a 128-bit type (the 32-bit build has none).
struct Wide {
  uint64_t high;
  uint64_t low;
};

Wide Multiply(uint64_t a, uint64_t b) {
  const uint64_t aLow = a & 0xFFFFFFFFu, aHigh = a >> 32;
  const uint64_t bLow = b & 0xFFFFFFFFu, bHigh = b >> 32;
  const uint64_t ll = aLow * bLow, lh = aLow * bHigh, hl = aHigh * bLow, hh = aHigh * bHigh;
  const uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
  return Wide{hh + (lh >> 32) + (hl >> 32) + (middle >> 32), (middle << 32) | (ll & 0xFFFFFFFFu)};
}

bool NotAbove(Wide a, Wide b) { return a.high < b.high || (a.high == b.high && a.low <= b.low); }

// The used share is floor(100 * used / total); double arithmetic may land one off either way.
void CheckUsedPercent(uint64_t total, uint64_t free) {
  const uint32_t percent = UsedPercent(total, free);
  FUZZ_CHECK(percent <= 100);
  if (total == 0 || free > total) {
    FUZZ_CHECK(percent == 0);
    return;
  }
  // Full is not always 100: for very large counts 100.0 * t / t rounds to just below it.
  if (free == total) FUZZ_CHECK(percent == 0);
  const Wide scaledUsed = Multiply(100, total - free);
  if (percent >= 1) FUZZ_CHECK(NotAbove(Multiply(percent - 1, total), scaledUsed));
  FUZZ_CHECK(!NotAbove(Multiply(percent + 2, total), scaledUsed));
}

template <size_t N>
void CheckField(const char16_t (&field)[N]) {
  const std::u16string_view text = FieldText(field);
  FUZZ_CHECK(text.size() <= N);
  FUZZ_CHECK(text.data() == field);
  FUZZ_CHECK(text.find(u'\0') == std::u16string_view::npos);
  if (text.size() < N) FUZZ_CHECK(field[text.size()] == u'\0');

  // What the page does to a name it keeps: cut to N - 1 and always terminated.
  char16_t copy[N];
  std::memset(copy, 0x5A, sizeof copy);
  SetFieldText(copy, text);
  const std::u16string_view kept = FieldText(copy);
  FUZZ_CHECK(kept.size() == (text.size() < N - 1 ? text.size() : N - 1));
  FUZZ_CHECK(kept == text.substr(0, kept.size()));
  for (size_t i = kept.size(); i < N; ++i) FUZZ_CHECK(copy[i] == u'\0');
}

void CheckFreeSpace(uint64_t freeBytes) {
  static const std::u16string_view kPrefix = u"剩余";
  const std::u16string text = FreeSpaceText(freeBytes);
  FUZZ_CHECK(text.size() > kPrefix.size() && text.compare(0, kPrefix.size(), kPrefix) == 0);
  if (text.size() > kPrefix.size())
    CheckUnsignedByteSizeText(freeBytes, std::u16string_view(text).substr(kPrefix.size()));
}

void CheckView(int32_t state) {
  PageView expected = PageView::Idle;
  switch (state) {
    case 1:
      expected = PageView::Connected;
      break;
    case 2:
      expected = PageView::Connecting;
      break;
    case 3:
      expected = PageView::ConnectFailed;
      break;
    case 5:
      expected = PageView::GuardMissing;
      break;
    default:
      break;
  }
  FUZZ_CHECK(ViewForState(state) == expected);
}

void CheckRecord(const PhoneInfo& phone) {
  CheckField(phone.brand);
  CheckField(phone.model);
  CheckField(phone.defaultImageUrl);
  CheckField(phone.reserved68);
  for (const auto& text : phone.reserved1E8) CheckField(text);

  static const std::u16string_view kConnected = u"已通过USB手机连线连上电脑";
  const std::u16string title = TitleText(phone);
  const std::u16string_view brand = FieldText(phone.brand);
  const std::u16string_view model = FieldText(phone.model);
  FUZZ_CHECK(title.size() == brand.size() + model.size() + kConnected.size());
  if (title.size() != brand.size() + model.size() + kConnected.size()) return;
  // The phone's texts one for one, but nothing that would break or cut the line.
  const std::u16string names = std::u16string(brand) + std::u16string(model);
  for (size_t i = 0; i < names.size(); ++i) {
    const char16_t c = names[i];
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
    FUZZ_CHECK(title[i] == (control ? u' ' : c));
  }
  FUZZ_CHECK(title.compare(names.size(), std::u16string::npos, kConnected) == 0);

  CheckFreeSpace(phone.phoneFreeBytes);
  CheckFreeSpace(phone.cardFreeBytes);
  CheckUsedPercent(phone.phoneTotalBytes, phone.phoneFreeBytes);
  CheckUsedPercent(phone.cardTotalBytes, phone.cardFreeBytes);
  const uint32_t level = BatteryLevel(phone.batteryPercent);
  FUZZ_CHECK(level == (phone.batteryPercent > 100 ? 100 : phone.batteryPercent));
  CheckView(phone.state);
}

}  // namespace

int FuzzPhoneRecord(const uint8_t* data, size_t size) {
  PhoneInfo taken;
  std::memset(&taken, 0xA5, sizeof taken);
  const PhoneInfo before = taken;
  const bool ok = TakePhoneInfo(data, size, taken);
  FUZZ_CHECK(ok == (size >= kPhoneInfoSize));
  if (ok) {
    FUZZ_CHECK(std::memcmp(&taken, data, kPhoneInfoSize) == 0);
    // One byte short is refused and leaves the record alone.
    PhoneInfo untouched = before;
    FUZZ_CHECK(!TakePhoneInfo(data, kPhoneInfoSize - 1, untouched));
    FUZZ_CHECK(std::memcmp(&untouched, &before, sizeof before) == 0);
  } else {
    FUZZ_CHECK(std::memcmp(&taken, &before, sizeof before) == 0);
  }
  FUZZ_CHECK(!TakePhoneInfo(nullptr, size, taken));

  if (ok) {
    CheckRecord(taken);
  } else if (size > 0) {
    // A short payload still drives the texts: repeated, it fills a whole record, so two
    // bytes already make fields without a terminator.
    std::vector<uint8_t> bytes(kPhoneInfoSize);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = data[i % size];
    PhoneInfo repeated;
    std::memcpy(&repeated, bytes.data(), sizeof repeated);
    CheckRecord(repeated);
  } else {
    CheckRecord(EmptyPhoneInfo());
  }
  return 0;
}
