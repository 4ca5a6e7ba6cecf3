/* The phone-data record that the phone service sends to the page window by WM_COPYDATA
   (cbData = sizeof(PhoneInfo), lpData = the record), and the page states it carries.
   For 32-bit and 64-bit Windows programs alike, in C (C89 on) or C++ (C++98 on): the layout
   has no pointers and no padding. */
#ifndef MOBILEINFOPAGE_PHONE_INFO_H
#define MOBILEINFOPAGE_PHONE_INFO_H

#include <stddef.h>

#if defined(_MSC_VER) && _MSC_VER < 1600
/* Visual C++ before 2010 has no <stdint.h>. */
typedef __int32 PhoneInfoInt32;
typedef unsigned __int32 PhoneInfoUInt32;
typedef unsigned __int64 PhoneInfoUInt64;
#else
#include <stdint.h>
typedef int32_t PhoneInfoInt32;
typedef uint32_t PhoneInfoUInt32;
typedef uint64_t PhoneInfoUInt64;
#endif

/* Layout checks cost nothing at run time: static assertions where the language has them, an
   array of negative size where it does not. */
#if defined(__cplusplus) && (__cplusplus >= 201103L || (defined(_MSVC_LANG) && _MSVC_LANG >= 201103L))
#define PHONEINFO_STATIC_ASSERT(condition, what) static_assert(condition, what)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define PHONEINFO_STATIC_ASSERT(condition, what) _Static_assert(condition, what)
#else
#define PHONEINFO_STATIC_ASSERT(condition, what) PHONEINFO_STATIC_ASSERT_AT(condition, __LINE__)
#define PHONEINFO_STATIC_ASSERT_AT(condition, line) PHONEINFO_STATIC_ASSERT_NAMED(condition, line)
#define PHONEINFO_STATIC_ASSERT_NAMED(condition, line) typedef char phoneInfoCheck##line[(condition) ? 1 : -1]
#endif

PHONEINFO_STATIC_ASSERT(sizeof(wchar_t) == 2, "the record's texts are UTF-16: build for Windows");

/* What the page shows for PhoneInfo.state; any other value shows like kPageStateNoPhone. */
enum PageState {
  kPageStateNoPhone = 0,
  kPageStateConnected = 1,
  kPageStateConnecting = 2,    /* animated until the next record */
  kPageStateConnectFailed = 3, /* hints and a Reconnect button */
  kPageStateReconnectRequested = 4,
  kPageStateGuardMissing = 5 /* the phone-side guard application is not installed */
};

enum { kPhoneInfoSize = 13328 };

#pragma pack(push, 8)

/* Little-endian, 13328 bytes. Texts are UTF-16 in fixed arrays, read up to the first NUL or
   the array's end. Reserved fields are never read; fill them with zero. */
typedef struct PhoneInfo {
  PhoneInfoUInt32 size; /* kPhoneInfoSize */
  PhoneInfoInt32 state; /* a PageState value */
  PhoneInfoInt32 musicCount;
  PhoneInfoInt32 videoCount;
  PhoneInfoInt32 pictureCount;
  PhoneInfoInt32 novelCount;
  PhoneInfoUInt32 reserved18;
  PhoneInfoInt32 appCount;
  PhoneInfoUInt32 reserved20;
  PhoneInfoInt32 contactCount;
  PhoneInfoInt32 smsCount;
  PhoneInfoUInt32 reserved2C[5];
  PhoneInfoUInt64 phoneTotalBytes;
  PhoneInfoUInt64 phoneFreeBytes;
  PhoneInfoUInt64 cardTotalBytes;
  PhoneInfoUInt64 cardFreeBytes;
  PhoneInfoUInt32 reserved60;
  PhoneInfoUInt32 batteryPercent; /* above 100 shows as 100 */
  wchar_t reserved68[64];
  wchar_t brand[64];
  wchar_t model[64]; /* the raw model name, which the page also looks its picture up by */
  wchar_t reserved1E8[4][64];
  wchar_t defaultImageUrl[2048]; /* the model picture's address when its profile names none */
  wchar_t reserved13E8[2048];
  PhoneInfoUInt32 reserved23E8[10];
  wchar_t reserved2410[2048];
} PhoneInfo;

#pragma pack(pop)

PHONEINFO_STATIC_ASSERT(sizeof(PhoneInfo) == kPhoneInfoSize, "PhoneInfo is 13328 bytes");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, size) == 0x0000, "PhoneInfo.size");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, state) == 0x0004, "PhoneInfo.state");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, musicCount) == 0x0008, "PhoneInfo.musicCount");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, videoCount) == 0x000C, "PhoneInfo.videoCount");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, pictureCount) == 0x0010, "PhoneInfo.pictureCount");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, novelCount) == 0x0014, "PhoneInfo.novelCount");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, reserved18) == 0x0018, "PhoneInfo.reserved18");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, appCount) == 0x001C, "PhoneInfo.appCount");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, reserved20) == 0x0020, "PhoneInfo.reserved20");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, contactCount) == 0x0024, "PhoneInfo.contactCount");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, smsCount) == 0x0028, "PhoneInfo.smsCount");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, reserved2C) == 0x002C, "PhoneInfo.reserved2C");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, phoneTotalBytes) == 0x0040, "PhoneInfo.phoneTotalBytes");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, phoneFreeBytes) == 0x0048, "PhoneInfo.phoneFreeBytes");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, cardTotalBytes) == 0x0050, "PhoneInfo.cardTotalBytes");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, cardFreeBytes) == 0x0058, "PhoneInfo.cardFreeBytes");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, reserved60) == 0x0060, "PhoneInfo.reserved60");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, batteryPercent) == 0x0064, "PhoneInfo.batteryPercent");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, reserved68) == 0x0068, "PhoneInfo.reserved68");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, brand) == 0x00E8, "PhoneInfo.brand");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, model) == 0x0168, "PhoneInfo.model");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, reserved1E8) == 0x01E8, "PhoneInfo.reserved1E8");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, defaultImageUrl) == 0x03E8, "PhoneInfo.defaultImageUrl");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, reserved13E8) == 0x13E8, "PhoneInfo.reserved13E8");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, reserved23E8) == 0x23E8, "PhoneInfo.reserved23E8");
PHONEINFO_STATIC_ASSERT(offsetof(PhoneInfo, reserved2410) == 0x2410, "PhoneInfo.reserved2410");

#endif
