#include "page/phone_info.h"

#include <cstring>

PhoneInfo EmptyPhoneInfo() {
  PhoneInfo info;
  std::memset(&info, 0, sizeof info);
  info.size = kPhoneInfoSize;
  return info;
}

bool TakePhoneInfo(const void* payload, size_t payloadBytes, PhoneInfo& out) {
  if (payload == nullptr || payloadBytes < sizeof(PhoneInfo)) return false;
  std::memcpy(&out, payload, sizeof(PhoneInfo));
  return true;
}

PageView ViewForState(int32_t state) {
  switch (static_cast<PageState>(state)) {
    case PageState::Connected:
      return PageView::Connected;
    case PageState::GuardMissing:
      return PageView::GuardMissing;
    case PageState::Connecting:
      return PageView::Connecting;
    case PageState::ConnectFailed:
      return PageView::ConnectFailed;
    case PageState::NoPhone:
    case PageState::ReconnectRequested:
      break;
  }
  return PageView::Idle;
}
