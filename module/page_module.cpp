#include <windows.h>

#include <new>

#include "controls/window_impl.h"
#include "module/page_exports.h"
#include "page/mobile_info_wnd.h"

namespace {

// The process's one page object. The host calls the exports on its UI thread only.
CMobileInfoWnd* g_page = nullptr;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(instance);
      CWindowModule::Init(instance);
      break;
    case DLL_PROCESS_DETACH:
      // At process exit (reserved non-null) the system reclaims everything anyway.
      if (reserved == nullptr) CWindowModule::Term();
      break;
    default:
      break;
  }
  return TRUE;
}

extern "C" int __cdecl IsSupported() { return 1; }

extern "C" BOOL __cdecl InitPage() {
  if (g_page == nullptr) g_page = new (std::nothrow) CMobileInfoWnd();
  return g_page != nullptr;
}

extern "C" HWND __cdecl CreatePage(HWND parent) {
  if (g_page == nullptr) return nullptr;
  if (g_page->Hwnd() != nullptr) return g_page->Hwnd();
  HWND page = nullptr;
  try {
    page = g_page->Create(parent);
  } catch (...) {
    return nullptr;
  }
  if (page != nullptr) {
    RECT client;
    GetClientRect(parent, &client);
    SetWindowPos(page, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOZORDER | SWP_NOMOVE);
  }
  return page;
}

extern "C" void __cdecl UnInitPage() {
  if (g_page == nullptr) return;
  // A window left alive would route its messages to a deleted object.
  if (g_page->Hwnd() != nullptr) DestroyWindow(g_page->Hwnd());
  delete g_page;
  g_page = nullptr;
}
