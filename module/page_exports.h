// The four functions a host finds by name in the page module, all cdecl.
#pragma once

#include <windows.h>

extern "C" {
// Always 1: the page can be used.
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
