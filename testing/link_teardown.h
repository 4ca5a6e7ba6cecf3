// What a host may do to the page while it handles the page's link ("/page=N"): tear it down
// in any of these ways before the page's own code that sent the link has returned.
#pragma once

#include <windows.h>

#include "testing/page_module.h"

enum class LinkTeardown {
  UnInitPage,
  DestroyPage,
  DestroyParent,
  UnInitAndRemake,  // UnInitPage, InitPage, CreatePage
  DestroyPageThenUnInit,
  UnInitThenPump,  // UnInitPage, then the messages waiting are dispatched
};
constexpr int kLinkTeardownCount = static_cast<int>(LinkTeardown::UnInitThenPump) + 1;

// Does `how` to `page`, the page window in `parent`; the new page window for UnInitAndRemake,
// else null.
HWND TearDownInLink(PageModule& module, LinkTeardown how, HWND page, HWND parent);
