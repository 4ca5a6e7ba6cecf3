#include <gtest/gtest.h>

#include <cstdint>

#include "page/page_values.h"

namespace {

TEST(PageValuesTest, TitleJoinsBrandModelAndTheFixedTextWithinTheirFields) {
  PhoneInfo phone = EmptyPhoneInfo();
  SetFieldText(phone.brand, u"ABC");
  SetFieldText(phone.model, u"X1");
  EXPECT_EQ(TitleText(phone), u"ABCX1已通过USB手机连线连上电脑");
  // The phone's texts as they are, but a control character never breaks the line.
  const struct {
    const char16_t* brand;
    const char16_t* model;
    const char16_t* shown;
  } texts[] = {
      {u"AT&T", u"X&&1", u"AT&TX&&1"},
      {u"A\r\nB", u"C\tD\x7f", u"A  BC D "},
      {u"\x85\x9f", u"\u2028\u2029\u00a0", u"    \u00a0"},
  };
  for (const auto& text : texts) {
    SetFieldText(phone.brand, text.brand);
    SetFieldText(phone.model, text.model);
    EXPECT_EQ(TitleText(phone), std::u16string(text.shown) + u"已通过USB手机连线连上电脑");
  }
  // Fields without a terminator end at their array's end, not in the next field.
  for (char16_t& c : phone.brand) c = u'B';
  for (char16_t& c : phone.model) c = u'M';
  const std::u16string title = TitleText(phone);
  EXPECT_EQ(title, std::u16string(64, u'B') + std::u16string(64, u'M') + u"已通过USB手机连线连上电脑");
}

TEST(PageValuesTest, FreeSpaceReadsAsARemainderText) {
  EXPECT_EQ(FreeSpaceText(0), u"剩余0KB");
  EXPECT_EQ(FreeSpaceText(1610612736), u"剩余1.5GB");
  EXPECT_EQ(FreeSpaceText(1048575), u"剩余1023KB");
  // Past 2^63 a count is still a count, never a negative one.
  EXPECT_EQ(FreeSpaceText(uint64_t{1} << 63), u"剩余83886TB");
  EXPECT_EQ(FreeSpaceText(UINT64_MAX), u"剩余16777TB");
}

TEST(PageValuesTest, UsedPercentIsTruncatedAndStaysWithinTheScale) {
  struct Case {
    uint64_t total, free;
    uint32_t used;
  };
  const Case cases[] = {
      {0, 0, 0},          {0, 12345, 0},   {1000, 333, 66}, {1000, 0, 100},       {1000, 1000, 0},
      {1000, 999, 0},     {1000, 1001, 0}, {3, 2, 33},      {UINT64_MAX, 0, 100}, {UINT64_MAX, UINT64_MAX, 0},
      {5, UINT64_MAX, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(UsedPercent(c.total, c.free), c.used) << c.total << " " << c.free;
}

// What is copied for which record: nothing without a phone; otherwise every value as the page
// shows it, the exact byte counts beside the rounded sizes, the reported model only when the
// page shows another name.
TEST(PageValuesTest, TheDetailsCopiedAreThePagesOwnValuesForAConnectedPhone) {
  PhoneInfo phone = EmptyPhoneInfo();
  SetFieldText(phone.brand, u"ABC");
  SetFieldText(phone.model, u"X1\tPro");
  phone.batteryPercent = 150;
  phone.phoneFreeBytes = 3ull << 30;
  phone.phoneTotalBytes = 8ull << 30;
  phone.cardFreeBytes = 0;
  phone.cardTotalBytes = UINT64_MAX;
  phone.appCount = 12;
  phone.pictureCount = 1234567;
  phone.musicCount = kCountNotAvailable;
  phone.videoCount = -5;
  phone.contactCount = 2147483647;
  const std::u16string counts =
      u"应用: 12\r\n图片: 1234567\r\n音乐: 不可用\r\n视频: -5\r\n小说: 0\r\n联系人: 2147483647\r\n"
      u"短信: 0\r\n游戏: 不可用\r\n";
  const std::u16string values =
      u"电池电量: 100%\r\n"
      u"手机容量: 剩余 3GB (3,221,225,472 字节), 共 8GB (8,589,934,592 字节)\r\n"
      u"存储卡容量: 剩余 0KB (0 字节), 共 16777TB (18,446,744,073,709,551,615 字节)\r\n" +
      counts;
  const struct {
    PageState state;
    std::u16string_view reported;
    std::u16string expected;
  } cases[] = {
      {PageState::Connected, u"X1\tPro", u"手机: ABCX1 Pro\r\n" + values},
      {PageState::Connected, u"", u"手机: ABCX1 Pro\r\n" + values},
      {PageState::GuardMissing, u"x1pro", u"手机: ABCX1 Pro\r\n手机报告的型号: x1pro\r\n" + values},
      {PageState::NoPhone, u"x1pro", u""},
      {PageState::Connecting, u"", u""},
      {PageState::ConnectFailed, u"", u""},
      {PageState::ReconnectRequested, u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.state));
    phone.state = static_cast<int32_t>(c.state);
    EXPECT_EQ(PhoneDetailsText(phone, c.reported), c.expected);
  }
}

TEST(PageValuesTest, BatteryLevelIsCappedAt100) {
  const uint32_t in[] = {0, 1, 99, 100, 101, 150, 0x7FFFFFFF, 0xFFFFFFFF};
  const uint32_t out[] = {0, 1, 99, 100, 100, 100, 100, 100};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(BatteryLevel(in[i]), out[i]) << in[i];
}

}  // namespace
