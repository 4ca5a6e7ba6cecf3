// What the page exchanges with its two peers: the phone service, which sends PhoneInfo
// records and takes the install request, and the host's main window, which takes the page
// links. The class names, messages and links are the published ones; this adds the page's own
// control ids and which tile links where.
#pragma once

#include <windows.h>

#include "include/mobile_info_page.h"
#include "page/phone_info.h"

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
      return kApplicationsPageLink;
    case 1003:
      return kMusicPageLink;
    case 1005:
      return kNovelsPageLink;
    case 1008:
      return kGamesPageLink;
    default:
      return nullptr;
  }
}
