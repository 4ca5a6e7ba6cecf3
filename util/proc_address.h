// A function of a DLL found by name at run time, typed. Through a plain function pointer type,
// which GCC accepts from FARPROC without a cast warning.
#pragma once

#include <windows.h>

template <typename Proc>
Proc ProcOf(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
