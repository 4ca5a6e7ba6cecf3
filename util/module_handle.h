// The module that code is linked into: the DLL for the page's code, the program for code linked
// into a test program. Found from an address inside it, so nothing has to record it at start-up.
#pragma once

#include <windows.h>

// The module's handle, without a reference of its own.
HMODULE OwnModule();
// An address inside the module, for the calls that take a reference on it.
LPCWSTR OwnModuleAddress();
