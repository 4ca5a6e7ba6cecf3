// The VARIANT that names a child of an accessible object, for the tests that ask the page's.
#pragma once

#include <windows.h>
#include <oleauto.h>

// Child `id`, or the object itself for CHILDID_SELF.
inline VARIANT Child(LONG id) {
  VARIANT child;
  VariantInit(&child);
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}
