// The phone-data record that the phone service sends to the page by WM_COPYDATA, and the
// page states it carries. Shared with programs that play the phone service, so it depends on
// nothing but the standard library: texts are UTF-16 code units (char16_t), which a Windows
// build can read as wchar_t.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class PageState : int32_t {
  NoPhone = 0,
  Connected = 1,
  Connecting = 2,
  ConnectFailed = 3,
  ReconnectRequested = 4,
  GuardMissing = 5,
};

// Little-endian, 13328 bytes. Reserved fields are carried unchanged and never read.
struct PhoneInfo {
  uint32_t size;
  int32_t state;  // a PageState value; anything else is shown like NoPhone
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
  uint32_t batteryPercent;
  char16_t reserved68[64];
  char16_t brand[64];
  char16_t model[64];
  char16_t reserved1E8[4][64];
  char16_t defaultImageUrl[2048];
  char16_t reserved13E8[2048];
  uint32_t reserved23E8[10];
  char16_t reserved2410[2048];
};

constexpr uint32_t kPhoneInfoSize = 13328;

static_assert(sizeof(PhoneInfo) == kPhoneInfoSize, "PhoneInfo is 13328 bytes");
static_assert(offsetof(PhoneInfo, size) == 0x0000);
static_assert(offsetof(PhoneInfo, state) == 0x0004);
static_assert(offsetof(PhoneInfo, musicCount) == 0x0008);
static_assert(offsetof(PhoneInfo, videoCount) == 0x000C);
static_assert(offsetof(PhoneInfo, pictureCount) == 0x0010);
static_assert(offsetof(PhoneInfo, novelCount) == 0x0014);
static_assert(offsetof(PhoneInfo, reserved18) == 0x0018);
static_assert(offsetof(PhoneInfo, appCount) == 0x001C);
static_assert(offsetof(PhoneInfo, reserved20) == 0x0020);
static_assert(offsetof(PhoneInfo, contactCount) == 0x0024);
static_assert(offsetof(PhoneInfo, smsCount) == 0x0028);
static_assert(offsetof(PhoneInfo, reserved2C) == 0x002C);
static_assert(offsetof(PhoneInfo, phoneTotalBytes) == 0x0040);
static_assert(offsetof(PhoneInfo, phoneFreeBytes) == 0x0048);
static_assert(offsetof(PhoneInfo, cardTotalBytes) == 0x0050);
static_assert(offsetof(PhoneInfo, cardFreeBytes) == 0x0058);
static_assert(offsetof(PhoneInfo, reserved60) == 0x0060);
static_assert(offsetof(PhoneInfo, batteryPercent) == 0x0064);
static_assert(offsetof(PhoneInfo, reserved68) == 0x0068);
static_assert(offsetof(PhoneInfo, brand) == 0x00E8);
static_assert(offsetof(PhoneInfo, model) == 0x0168);
static_assert(offsetof(PhoneInfo, reserved1E8) == 0x01E8);
static_assert(offsetof(PhoneInfo, defaultImageUrl) == 0x03E8);
static_assert(offsetof(PhoneInfo, reserved13E8) == 0x13E8);
static_assert(offsetof(PhoneInfo, reserved23E8) == 0x23E8);
static_assert(offsetof(PhoneInfo, reserved2410) == 0x2410);

// The record a page starts with: all zero but its size, so the state is NoPhone.
PhoneInfo EmptyPhoneInfo();

// Takes a record from a message payload. A payload shorter than the record is refused
// without reading any of it; a longer one contributes only its first 13328 bytes.
bool TakePhoneInfo(const void* payload, size_t payloadBytes, PhoneInfo& out);

// The characters of a fixed text field up to its first NUL, never beyond the array.
template <size_t N>
std::u16string_view FieldText(const char16_t (&field)[N]) {
  size_t length = 0;
  while (length < N && field[length] != u'\0') ++length;
  return std::u16string_view(field, length);
}

// Stores a text in a fixed field, cut to N - 1 characters and always NUL-terminated.
template <size_t N>
void SetFieldText(char16_t (&field)[N], std::u16string_view text) {
  static_assert(N > 0);
  const size_t length = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(field, length);
  for (size_t i = length; i < N; ++i) field[i] = u'\0';
}

// The view a paint draws for a state value; unknown values fall back to the idle view.
enum class PageView { Idle, Connected, GuardMissing, Connecting, ConnectFailed };
PageView ViewForState(int32_t state);
// The views that show a connected phone's details.
constexpr bool ShowsPhone(PageView view) { return view == PageView::Connected || view == PageView::GuardMissing; }
