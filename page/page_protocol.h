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
