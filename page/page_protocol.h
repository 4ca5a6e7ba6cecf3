// What the page exchanges with its two peers: the phone service, which sends PhoneInfo
// records and takes the install request, and the host's main window, which takes the page
// links. The class names, messages and links are the published ones; the page's own control
// ids and which tile links where are the model's.
#pragma once

#include <windows.h>

#include "include/mobile_info_page.h"
#include "page/page_model.h"
#include "page/phone_info.h"

// The host page a count tile links to ("/page=N", sent with its NUL by WM_COPYDATA, dwData 0,
// wParam 0); null for tiles that are not links.
inline const wchar_t* LinkForTile(UINT tileId) {
  static constexpr const wchar_t* kLinks[] = {kApplicationsPageLink, kMusicPageLink, kNovelsPageLink, kGamesPageLink};
  if (tileId < kFirstTileId || tileId > kLastTileId) return nullptr;
  const int link = kTileLink[tileId - kFirstTileId];
  return link >= 0 ? kLinks[link] : nullptr;
}
