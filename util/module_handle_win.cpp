#include "util/module_handle.h"

namespace {

// Lies inside whichever module this file is linked into.
const char kModuleAnchor = 0;

}  // namespace

LPCWSTR OwnModuleAddress() { return reinterpret_cast<LPCWSTR>(&kModuleAnchor); }

HMODULE OwnModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     OwnModuleAddress(), &module);
  return module;
}
