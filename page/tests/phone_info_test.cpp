// The phone record as bytes on the wire, and its fixed text fields.

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "page/phone_info.h"

namespace {

void PutLittleEndian(std::vector<unsigned char>& bytes, size_t offset, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

void PutText(std::vector<unsigned char>& bytes, size_t offset, const char16_t* text) {
  for (size_t i = 0; text[i] != u'\0'; ++i) PutLittleEndian(bytes, offset + 2 * i, text[i], 2);
}

TEST(PhoneInfoTest, FieldsAreReadFromTheirWireOffsets) {
  std::vector<unsigned char> wire(kPhoneInfoSize, 0);
  PutLittleEndian(wire, 0x0000, 13328, 4);
  PutLittleEndian(wire, 0x0004, static_cast<uint32_t>(-7), 4);
  PutLittleEndian(wire, 0x0008, 3, 4);
  PutLittleEndian(wire, 0x000C, 4, 4);
  PutLittleEndian(wire, 0x0010, 2, 4);
  PutLittleEndian(wire, 0x0014, 5, 4);
  PutLittleEndian(wire, 0x001C, 1, 4);
  PutLittleEndian(wire, 0x0024, 6, 4);
  PutLittleEndian(wire, 0x0028, 7, 4);
  PutLittleEndian(wire, 0x0040, 0x0102030405060708ull, 8);
  PutLittleEndian(wire, 0x0048, 1610612736, 8);
  PutLittleEndian(wire, 0x0050, 0xFFFFFFFFFFFFFFFFull, 8);
  PutLittleEndian(wire, 0x0058, 42, 8);
  PutLittleEndian(wire, 0x0064, 0xFFFFFFFF, 4);
  PutText(wire, 0x00E8, u"ABC");
  PutText(wire, 0x0168, u"X1");
  PutText(wire, 0x03E8, u"http://127.0.0.1/p.png");
  PutLittleEndian(wire, kPhoneInfoSize - 2, 0xBEEF, 2);

  PhoneInfo info = EmptyPhoneInfo();
  ASSERT_TRUE(TakePhoneInfo(wire.data(), wire.size(), info));
  EXPECT_EQ(info.size, 13328u);
  EXPECT_EQ(info.state, -7);
  EXPECT_EQ(info.musicCount, 3);
  EXPECT_EQ(info.videoCount, 4);
  EXPECT_EQ(info.pictureCount, 2);
  EXPECT_EQ(info.novelCount, 5);
  EXPECT_EQ(info.appCount, 1);
  EXPECT_EQ(info.contactCount, 6);
  EXPECT_EQ(info.smsCount, 7);
  EXPECT_EQ(info.phoneTotalBytes, 0x0102030405060708ull);
  EXPECT_EQ(info.phoneFreeBytes, 1610612736u);
  EXPECT_EQ(info.cardTotalBytes, 0xFFFFFFFFFFFFFFFFull);
  EXPECT_EQ(info.cardFreeBytes, 42u);
  EXPECT_EQ(info.batteryPercent, 0xFFFFFFFFu);
  EXPECT_EQ(FieldText(info.brand), u"ABC");
  EXPECT_EQ(FieldText(info.model), u"X1");
  EXPECT_EQ(FieldText(info.defaultImageUrl), u"http://127.0.0.1/p.png");
  EXPECT_EQ(info.reserved2410[2047], 0xBEEF);  // the last byte pair is carried too
}

TEST(PhoneInfoTest, AnEmptyRecordIsNoPhoneWithItsSize) {
  const PhoneInfo info = EmptyPhoneInfo();
  EXPECT_EQ(info.size, kPhoneInfoSize);
  EXPECT_EQ(info.state, static_cast<int32_t>(PageState::NoPhone));
  EXPECT_TRUE(FieldText(info.brand).empty());
  EXPECT_EQ(info.phoneTotalBytes, 0u);
}

TEST(PhoneInfoTest, ShortPayloadsAreRefusedWithoutBeingRead) {
  // Each payload is its own heap block, so the sanitizer reports any byte read past its end.
  for (size_t size :
       {size_t{0}, size_t{1}, size_t{kPhoneInfoSize - 1}, size_t{kPhoneInfoSize}, size_t{kPhoneInfoSize + 1}}) {
    SCOPED_TRACE(size);
    std::unique_ptr<unsigned char[]> payload(new unsigned char[size + (size == 0)]);
    std::memset(payload.get(), 0x11, size);
    PhoneInfo info = EmptyPhoneInfo();
    const bool taken = TakePhoneInfo(payload.get(), size, info);
    EXPECT_EQ(taken, size >= kPhoneInfoSize);
    EXPECT_EQ(info.state, taken ? 0x11111111 : 0);
  }
  PhoneInfo info = EmptyPhoneInfo();
  EXPECT_FALSE(TakePhoneInfo(nullptr, kPhoneInfoSize, info));
}

TEST(PhoneInfoTest, TextFieldsAreReadOnlyWithinTheirArrays) {
  PhoneInfo info = EmptyPhoneInfo();
  for (char16_t& unit : info.brand) unit = u'B';
  for (char16_t& unit : info.model) unit = u'M';  // the array right after brand
  EXPECT_EQ(FieldText(info.brand), std::u16string(64, u'B'));
  EXPECT_EQ(FieldText(info.model), std::u16string(64, u'M'));

  info.brand[5] = u'\0';
  EXPECT_EQ(FieldText(info.brand), u"BBBBB");
  info.brand[0] = u'\0';
  EXPECT_TRUE(FieldText(info.brand).empty());
}

TEST(PhoneInfoTest, StoredTextsAreCutToFitWithTheirNul) {
  struct Case {
    std::u16string text;
    std::u16string stored;
  };
  const Case cases[] = {
      {u"", u""},
      {u"X1", u"X1"},
      {std::u16string(63, u'a'), std::u16string(63, u'a')},
      {std::u16string(64, u'b'), std::u16string(63, u'b')},
      {std::u16string(500, u'c'), std::u16string(63, u'c')},
  };
  for (const Case& c : cases) {
    PhoneInfo info = EmptyPhoneInfo();
    for (char16_t& unit : info.model) unit = u'#';
    SetFieldText(info.model, c.text);
    EXPECT_EQ(FieldText(info.model), c.stored);
    for (size_t i = c.stored.size(); i < 64; ++i) EXPECT_EQ(info.model[i], u'\0') << i;
  }
}

TEST(PhoneInfoTest, EveryStateOutsideTheKnownOnesShowsTheIdleView) {
  struct Case {
    int32_t state;
    PageView view;
  };
  const Case cases[] = {
      {0, PageView::Idle},         {1, PageView::Connected},    {2, PageView::Connecting}, {3, PageView::ConnectFailed},
      {4, PageView::Idle},         {5, PageView::GuardMissing}, {6, PageView::Idle},       {-1, PageView::Idle},
      {INT32_MIN, PageView::Idle}, {INT32_MAX, PageView::Idle},
  };
  for (const Case& c : cases) EXPECT_EQ(ViewForState(c.state), c.view) << c.state;
}

}  // namespace
