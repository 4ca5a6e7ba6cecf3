// What the page exchanges with its two peers: the phone service, which sends PhoneInfo
// records and takes the install request, and the host's main window, which takes the page
// links. Programs that play either peer include this header too.
#pragma once

#include <windows.h>

#include "page/phone_info.h"

// The phone service's window, found by class when the page posts the install request.
inline constexpr wchar_t kPhoneServiceClass[] = L"ZantorMobileSrvMainWindowClass";
// Posted with wParam 0 and lParam 0; the service installs the phone-side guard application.
inline constexpr UINT kInstallRequestMessage = 0x7001;

// The host's main window, which receives the page links by WM_COPYDATA.
inline constexpr wchar_t kHostMainWindowClass[] = L"OrvelMobileManagerClass";

// Control ids the page reacts to in WM_COMMAND.
inline constexpr UINT kReconnectButtonId = 222;
inline constexpr UINT kInstallButtonId = 333;
inline constexpr UINT kFirstTileId = 1001;  // the eight count tiles, 1001 to 1008
inline constexpr UINT kLastTileId = 1008;

// The host page a count tile links to ("/page=N", sent with its NUL by WM_COPYDATA, dwData 0,
// wParam 0); null for tiles that are not links.
inline const wchar_t* LinkForTile(UINT tileId) {
  switch (tileId) {
    case 1001:
      return L"/page=1";  // applications
    case 1003:
      return L"/page=3";  // music
    case 1005:
      return L"/page=4";  // novels
    case 1008:
      return L"/page=2";  // games
    default:
      return nullptr;
  }
}
