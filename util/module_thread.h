// Threads of the module's own that the host may outlive: each keeps the module mapped until
// it has left the module's code.
#pragma once

#include <windows.h>

// Starts a detached thread that holds its own reference to this module in `module`, so that
// the host may unload the module while the thread runs; the thread ends with
// FreeLibraryAndExitThread(module). False, with nothing held, when no thread started.
bool StartModuleThread(LPTHREAD_START_ROUTINE proc, void* parameter, HMODULE& module);
