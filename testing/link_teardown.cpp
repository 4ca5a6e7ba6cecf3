#include "testing/link_teardown.h"

#include "testing/test_support.h"

HWND TearDownInLink(PageModule& module, LinkTeardown how, HWND page, HWND parent) {
  switch (how) {
    case LinkTeardown::UnInitPage:
      module.UnInitPage();
      break;
    case LinkTeardown::DestroyPage:
      DestroyWindow(page);
      break;
    case LinkTeardown::DestroyParent:
      DestroyWindow(parent);
      break;
    case LinkTeardown::UnInitAndRemake:
      module.UnInitPage();
      if (module.InitPage()) return module.CreatePage(parent);
      break;
    case LinkTeardown::DestroyPageThenUnInit:
      DestroyWindow(page);
      module.UnInitPage();
      break;
    case LinkTeardown::UnInitThenPump:
      module.UnInitPage();
      PumpPending();
      break;
  }
  return nullptr;
}
