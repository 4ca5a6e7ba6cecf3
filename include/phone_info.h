// The phone-data record that the phone service sends to the page window by WM_COPYDATA
// (cbData = sizeof(PhoneInfo), lpData = the record), and the page states it carries.
// For 32-bit and 64-bit Windows programs alike: the layout has no pointers and no padding.
#pragma once

#include <stddef.h>
#include <stdint.h>

static_assert(sizeof(wchar_t) == 2, "the record's texts are UTF-16: build for Windows");

// What the page shows for PhoneInfo::state; any other value shows like NoPhone.
enum class PageState : int32_t {
  NoPhone = 0,
  Connected = 1,
  Connecting = 2,     // animated until the next record
  ConnectFailed = 3,  // hints and a Reconnect button
  ReconnectRequested = 4,
  GuardMissing = 5,  // the phone-side guard application is not installed
};

#pragma pack(push, 8)

// Little-endian, 13328 bytes. Texts are UTF-16 in fixed arrays, read up to the first NUL or
// the array's end. Reserved fields are never read; fill them with zero.
struct PhoneInfo {
  uint32_t size;  // kPhoneInfoSize
  int32_t state;  // a PageState value
  int32_t musicCount;
  int32_t videoCount;
  int32_t pictureCount;
  int32_t novelCount;
  uint32_t reserved18;
  int32_t appCount;
  uint32_t reserved20;
  int32_t contactCount;
  int32_t smsCount;
  uint32_t reserved2C[5];
  uint64_t phoneTotalBytes;
  uint64_t phoneFreeBytes;
  uint64_t cardTotalBytes;
  uint64_t cardFreeBytes;
  uint32_t reserved60;
  uint32_t batteryPercent;  // above 100 shows as 100
  wchar_t reserved68[64];
  wchar_t brand[64];
  wchar_t model[64];  // the raw model name, which the page also looks its picture up by
  wchar_t reserved1E8[4][64];
  wchar_t defaultImageUrl[2048];  // the model picture's address when its profile names none
  wchar_t reserved13E8[2048];
  uint32_t reserved23E8[10];
  wchar_t reserved2410[2048];
};

#pragma pack(pop)

constexpr uint32_t kPhoneInfoSize = 13328;

static_assert(sizeof(PhoneInfo) == kPhoneInfoSize, "PhoneInfo is 13328 bytes");
static_assert(offsetof(PhoneInfo, size) == 0x0000, "PhoneInfo::size");
static_assert(offsetof(PhoneInfo, state) == 0x0004, "PhoneInfo::state");
static_assert(offsetof(PhoneInfo, musicCount) == 0x0008, "PhoneInfo::musicCount");
static_assert(offsetof(PhoneInfo, videoCount) == 0x000C, "PhoneInfo::videoCount");
static_assert(offsetof(PhoneInfo, pictureCount) == 0x0010, "PhoneInfo::pictureCount");
static_assert(offsetof(PhoneInfo, novelCount) == 0x0014, "PhoneInfo::novelCount");
static_assert(offsetof(PhoneInfo, reserved18) == 0x0018, "PhoneInfo::reserved18");
static_assert(offsetof(PhoneInfo, appCount) == 0x001C, "PhoneInfo::appCount");
static_assert(offsetof(PhoneInfo, reserved20) == 0x0020, "PhoneInfo::reserved20");
static_assert(offsetof(PhoneInfo, contactCount) == 0x0024, "PhoneInfo::contactCount");
static_assert(offsetof(PhoneInfo, smsCount) == 0x0028, "PhoneInfo::smsCount");
static_assert(offsetof(PhoneInfo, reserved2C) == 0x002C, "PhoneInfo::reserved2C");
static_assert(offsetof(PhoneInfo, phoneTotalBytes) == 0x0040, "PhoneInfo::phoneTotalBytes");
static_assert(offsetof(PhoneInfo, phoneFreeBytes) == 0x0048, "PhoneInfo::phoneFreeBytes");
static_assert(offsetof(PhoneInfo, cardTotalBytes) == 0x0050, "PhoneInfo::cardTotalBytes");
static_assert(offsetof(PhoneInfo, cardFreeBytes) == 0x0058, "PhoneInfo::cardFreeBytes");
static_assert(offsetof(PhoneInfo, reserved60) == 0x0060, "PhoneInfo::reserved60");
static_assert(offsetof(PhoneInfo, batteryPercent) == 0x0064, "PhoneInfo::batteryPercent");
static_assert(offsetof(PhoneInfo, reserved68) == 0x0068, "PhoneInfo::reserved68");
static_assert(offsetof(PhoneInfo, brand) == 0x00E8, "PhoneInfo::brand");
static_assert(offsetof(PhoneInfo, model) == 0x0168, "PhoneInfo::model");
static_assert(offsetof(PhoneInfo, reserved1E8) == 0x01E8, "PhoneInfo::reserved1E8");
static_assert(offsetof(PhoneInfo, defaultImageUrl) == 0x03E8, "PhoneInfo::defaultImageUrl");
static_assert(offsetof(PhoneInfo, reserved13E8) == 0x13E8, "PhoneInfo::reserved13E8");
static_assert(offsetof(PhoneInfo, reserved23E8) == 0x23E8, "PhoneInfo::reserved23E8");
static_assert(offsetof(PhoneInfo, reserved2410) == 0x2410, "PhoneInfo::reserved2410");
