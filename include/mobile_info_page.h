/* MobileInfoPage.dll as a host and the phone service see it: the four exports, the window
   classes, and the messages the page sends and takes, for C (C89 on) and C++ (C++98 on). The
   record the service sends is in phone_info.h. */
#ifndef MOBILEINFOPAGE_MOBILE_INFO_PAGE_H
#define MOBILEINFOPAGE_MOBILE_INFO_PAGE_H

#include <windows.h>

/* The module's version, which its version resource also carries. */
#define MOBILEINFOPAGE_VERSION_MAJOR 1
#define MOBILEINFOPAGE_VERSION_MINOR 0
#define MOBILEINFOPAGE_VERSION_PATCH 0
#define MOBILEINFOPAGE_VERSION_STRING "1.0.0"

/* How the declarations below reach the exports: through the import library
   (MobileInfoPage.lib, libMobileInfoPage.dll.a). The module's own build defines it empty. */
#ifndef MOBILEINFOPAGE_API
#define MOBILEINFOPAGE_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The module, loaded from the host's folder into a 32-bit process. */
static const wchar_t kPageModuleFile[] = L"MobileInfoPage.dll";

/* The exports, cdecl under plain names: linked through the import library, or found with
   GetProcAddress by the names below and called through the pointer types. Call them on the
   thread that owns the parent window. */

/* Always 1. */
MOBILEINFOPAGE_API int __cdecl IsSupported(void);
/* Makes the process's one page object; nonzero when one exists afterwards. */
MOBILEINFOPAGE_API BOOL __cdecl InitPage(void);
/* Creates the page window filling parent's client area; null without a page or on failure. */
MOBILEINFOPAGE_API HWND __cdecl CreatePage(HWND parent);
/* Destroys the page object (and its window, if the host left it alive). */
MOBILEINFOPAGE_API void __cdecl UnInitPage(void);

typedef int(__cdecl* IsSupportedProc)(void);
typedef BOOL(__cdecl* InitPageProc)(void);
typedef HWND(__cdecl* CreatePageProc)(HWND parent);
typedef void(__cdecl* UnInitPageProc)(void);

static const char kIsSupportedExport[] = "IsSupported";
static const char kInitPageExport[] = "InitPage";
static const char kCreatePageExport[] = "CreatePage";
static const char kUnInitPageExport[] = "UnInitPage";

/* The window CreatePage returns takes PhoneInfo records from the phone service by
   SendMessage(WM_COPYDATA) and answers 1 for a record it took, 0 otherwise. Hand the service
   that handle: the window's class is this prefix, ':' and the module's load address, so that
   two copies of the module never share a class. */
static const wchar_t kPageWindowClassPrefix[] = L"MobileInfoPage";

/* The phone service's window, found by class when the page posts the install request. */
static const wchar_t kPhoneServiceClass[] = L"ZantorMobileSrvMainWindowClass";
/* Posted with wParam 0 and lParam 0; the service installs the phone-side guard application. */
enum { kInstallRequestMessage = 0x7001 };

/* The host's main window, found by class, which receives the page links: a link is sent by
   SendMessage(WM_COPYDATA), wParam 0, dwData 0, the UTF-16 text with its NUL. */
static const wchar_t kHostMainWindowClass[] = L"OrvelMobileManagerClass";
static const wchar_t kApplicationsPageLink[] = L"/page=1";
static const wchar_t kGamesPageLink[] = L"/page=2";
static const wchar_t kMusicPageLink[] = L"/page=3";
static const wchar_t kNovelsPageLink[] = L"/page=4";

#ifdef __cplusplus
}
#endif

#endif
