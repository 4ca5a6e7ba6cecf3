// MobileInfoPage.dll as a host and the phone service see it: the four exports, the window
// classes, and the messages the page sends and takes. The record the service sends is in
// phone_info.h.
#pragma once

#include <windows.h>

// The module, loaded from the host's folder into a 32-bit process.
constexpr wchar_t kPageModuleFile[] = L"MobileInfoPage.dll";

// The exports, cdecl under plain names, found with GetProcAddress. Call them on the thread
// that owns the parent window.
extern "C" {
// Always 1.
int __cdecl IsSupported();
// Makes the process's one page object; nonzero when one exists afterwards.
BOOL __cdecl InitPage();
// Creates the page window filling `parent`'s client area; null without a page or on failure.
HWND __cdecl CreatePage(HWND parent);
// Destroys the page object (and its window, if the host left it alive).
void __cdecl UnInitPage();
}

using IsSupportedProc = int(__cdecl*)();
using InitPageProc = BOOL(__cdecl*)();
using CreatePageProc = HWND(__cdecl*)(HWND);
using UnInitPageProc = void(__cdecl*)();

constexpr char kIsSupportedExport[] = "IsSupported";
constexpr char kInitPageExport[] = "InitPage";
constexpr char kCreatePageExport[] = "CreatePage";
constexpr char kUnInitPageExport[] = "UnInitPage";

// The window CreatePage returns takes PhoneInfo records from the phone service by
// SendMessage(WM_COPYDATA) and answers 1 for a record it took, 0 otherwise. Hand the service
// that handle: the window's class is this prefix, ':' and the module's load address, so that
// two copies of the module never share a class.
constexpr wchar_t kPageWindowClassPrefix[] = L"MobileInfoPage";

// The phone service's window, found by class when the page posts the install request.
constexpr wchar_t kPhoneServiceClass[] = L"ZantorMobileSrvMainWindowClass";
// Posted with wParam 0 and lParam 0; the service installs the phone-side guard application.
constexpr UINT kInstallRequestMessage = 0x7001;

// The host's main window, found by class, which receives the page links: a link is sent by
// SendMessage(WM_COPYDATA), wParam 0, dwData 0, the UTF-16 text with its NUL.
constexpr wchar_t kHostMainWindowClass[] = L"OrvelMobileManagerClass";
constexpr wchar_t kApplicationsPageLink[] = L"/page=1";
constexpr wchar_t kGamesPageLink[] = L"/page=2";
constexpr wchar_t kMusicPageLink[] = L"/page=3";
constexpr wchar_t kNovelsPageLink[] = L"/page=4";
