// The DPI a window is laid out at, and the calls around it that only newer systems have:
// the module and its tools are built for Windows 7, so these are looked up when first used.
#pragma once

#include <windows.h>

// Asks for per-monitor awareness (v2) for the whole process. Older systems lack the call and
// Wine refuses it (every process there starts per-monitor aware); either is fine.
void BecomePerMonitorDpiAware();
// GetDpiForWindow, or the screen's LOGPIXELSX where the system does not have it.
int WindowDpi(HWND window);
// The screen's LOGPIXELSX; 96 when it cannot be read.
int ScreenDpi();
// The window rectangle around a client rectangle, with the frame of a window at `dpi`.
void AdjustFrameForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);
// DEFAULT_GUI_FONT, and the system's message font, as a window at `dpi` should use them.
LOGFONTW GuiFontForDpi(int dpi);
LOGFONTW MessageFontForDpi(int dpi);
