// Before windows.h, which would bring the older winsock.h.
#include <winsock2.h>

#include "picture/network_check.h"

#include <iphlpapi.h>
#include <wininet.h>

#include <cstdlib>
#include <cstring>

namespace {

// One adapter record as the first guess, then whatever size the system asks for.
constexpr ULONG kOneAdapterBytes = 648;
static_assert(sizeof(IP_ADAPTER_INFO) <= kOneAdapterBytes, "the first buffer holds one adapter");
// More than this is not an adapter list.
constexpr ULONG kMaxAdapterBytes = 1024 * 1024;

volatile LONG g_networkOverride = 0;

BOOL WINAPI ConnectedState(DWORD* flags, DWORD reserved) { return InternetGetConnectedState(flags, reserved); }

ULONG WINAPI AdaptersInfo(_IP_ADAPTER_INFO* adapters, ULONG* size) { return GetAdaptersInfo(adapters, size); }

bool IsGateway(const IP_ADDR_STRING& address) {
  const char* text = address.IpAddress.String;
  const size_t length = strnlen(text, sizeof address.IpAddress.String);
  // Adapters without a route out report the unspecified address instead of nothing.
  return length > 0 && !(length == 7 && std::memcmp(text, "0.0.0.0", 7) == 0);
}

}  // namespace

void SetNetworkOverride(NetworkOverride value) { InterlockedExchange(&g_networkOverride, static_cast<LONG>(value)); }

bool IsNetworkUp() {
  switch (static_cast<NetworkOverride>(InterlockedCompareExchange(&g_networkOverride, 0, 0))) {
    case NetworkOverride::Up:
      return true;
    case NetworkOverride::Down:
      return false;
    case NetworkOverride::None:
      break;
  }
  return IsNetworkUpWith(ConnectedState, AdaptersInfo);
}

bool HasDefaultGateway() { return HasDefaultGatewayWith(AdaptersInfo); }

bool IsNetworkUpWith(ConnectedStateProc connectedState, AdaptersInfoProc adaptersInfo) {
  DWORD flags = 0;
  if (!connectedState(&flags, 0)) return false;
  if ((flags & (INTERNET_CONNECTION_MODEM | INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_PROXY)) != 0) return true;
  return HasDefaultGatewayWith(adaptersInfo);
}

bool HasDefaultGatewayWith(AdaptersInfoProc adaptersInfo) {
  ULONG size = kOneAdapterBytes;
  // malloc's alignment suits the records, which hold 64-bit times.
  void* buffer = std::malloc(size);
  if (buffer == nullptr) return false;
  ULONG result = adaptersInfo(static_cast<IP_ADAPTER_INFO*>(buffer), &size);
  if (result == ERROR_BUFFER_OVERFLOW) {
    std::free(buffer);
    if (size == 0 || size > kMaxAdapterBytes) return false;
    buffer = std::malloc(size);
    if (buffer == nullptr) return false;
    result = adaptersInfo(static_cast<IP_ADAPTER_INFO*>(buffer), &size);
  }
  bool found = false;
  if (result == NO_ERROR) {
    for (const IP_ADAPTER_INFO* adapter = static_cast<IP_ADAPTER_INFO*>(buffer); adapter != nullptr && !found;
         adapter = adapter->Next) {
      found = IsGateway(adapter->GatewayList);
    }
  }
  std::free(buffer);
  return found;
}
