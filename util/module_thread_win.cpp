#include "util/module_thread.h"

#include "util/module_handle.h"

bool StartModuleThread(LPTHREAD_START_ROUTINE proc, void* parameter, HMODULE& module) {
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, OwnModuleAddress(), &module)) {
    return false;
  }
  HANDLE thread = CreateThread(nullptr, 0, proc, parameter, 0, nullptr);
  if (thread == nullptr) {
    FreeLibrary(module);
    module = nullptr;
    return false;
  }
  // Detached: nobody joins it.
  CloseHandle(thread);
  return true;
}
