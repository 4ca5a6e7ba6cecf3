#include <windows.h>

#include <cstdlib>
#include <new>
#include <utility>

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
  CMobileInfoWnd& page = *g_page;
  // The parent hears of the new window and may call UnInitPage right then.
  const CWindowImplBase::KeepAlive alive(page);
  try {
    if (page.Create(parent) == nullptr) return nullptr;
  } catch (...) {
    // The host's call: nothing the page's code throws may reach it.
    return nullptr;
  }
  if (page.Hwnd() != nullptr) {
    RECT client;
    GetClientRect(parent, &client);
    SetWindowPos(page.Hwnd(), nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOZORDER | SWP_NOMOVE);
  }
  return page.Hwnd();
}

extern "C" void __cdecl UnInitPage() {
  // Taken first: the host may make a new page while this one's window is being destroyed.
  CMobileInfoWnd* page = std::exchange(g_page, nullptr);
  // Also the window: left alive, it would route its messages to a deleted object. The host
  // may call this from its handler of the page's own link, deep inside the page's code.
  CWindowImplBase::DestroyWithWindow(page);
}

// A terminate inside the host's process ends it without the runtime's message to a console
// the host does not have; the runtime's own handler would also link in its name demangler.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
