// The published record (include/phone_info.h) and the page's own (page/phone_info.h) declare
// one layout twice: the page's stays platform-free with char16_t texts, which a native build
// can hold, while a Windows program wants wchar_t texts it can pass on as they are. Nothing
// here runs: a difference between the two fails the build.

#include <stddef.h>
#include <stdint.h>

#include <type_traits>

#include "page/phone_info.h"

// Both declare PhoneInfo, PageState and kPhoneInfoSize at file scope, so the published ones go into a
// namespace of their own; the standard headers they include are in already.
namespace published {
#include "include/phone_info.h"
}  // namespace published

namespace {

using Ours = PhoneInfo;
using Theirs = published::PhoneInfo;

#define SAME_FIELD(name)                                                                  \
  static_assert(offsetof(Ours, name) == offsetof(Theirs, name), #name " has one offset"); \
  static_assert(std::is_same<decltype(Ours::name), decltype(Theirs::name)>::value, #name " has one type")

#define SAME_TEXT(name)                                                                                     \
  static_assert(offsetof(Ours, name) == offsetof(Theirs, name), #name " has one offset");                   \
  static_assert(sizeof(Ours::name) == sizeof(Theirs::name) &&                                               \
                    std::extent<decltype(Ours::name)>::value == std::extent<decltype(Theirs::name)>::value, \
                #name " has one length")

static_assert(sizeof(Ours) == sizeof(Theirs) && alignof(Ours) == alignof(Theirs), "one record");
static_assert(kPhoneInfoSize == published::kPhoneInfoSize, "one record size");
SAME_FIELD(size);
SAME_FIELD(state);
SAME_FIELD(musicCount);
SAME_FIELD(videoCount);
SAME_FIELD(pictureCount);
SAME_FIELD(novelCount);
SAME_FIELD(reserved18);
SAME_FIELD(appCount);
SAME_FIELD(reserved20);
SAME_FIELD(contactCount);
SAME_FIELD(smsCount);
SAME_FIELD(reserved2C);
SAME_FIELD(phoneTotalBytes);
SAME_FIELD(phoneFreeBytes);
SAME_FIELD(cardTotalBytes);
SAME_FIELD(cardFreeBytes);
SAME_FIELD(reserved60);
SAME_FIELD(batteryPercent);
SAME_TEXT(reserved68);
SAME_TEXT(brand);
SAME_TEXT(model);
SAME_TEXT(reserved1E8);
SAME_TEXT(defaultImageUrl);
SAME_TEXT(reserved13E8);
SAME_FIELD(reserved23E8);
SAME_TEXT(reserved2410);

// The published states are plain C enumerators; the record's state field is an int32_t in
// both, which SAME_FIELD(state) holds.
#define SAME_STATE(name)                                                                                    \
  static_assert(static_cast<int32_t>(PageState::name) == static_cast<int32_t>(published::kPageState##name), \
                #name " has one value")

SAME_STATE(NoPhone);
SAME_STATE(Connected);
SAME_STATE(Connecting);
SAME_STATE(ConnectFailed);
SAME_STATE(ReconnectRequested);
SAME_STATE(GuardMissing);

}  // namespace
