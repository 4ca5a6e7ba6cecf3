// The in-process tests link the page code itself; the program stands in for the module.
#include <gtest/gtest.h>
#include <windows.h>

#include "controls/window_impl.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  CWindowModule::Init(GetModuleHandleW(nullptr));
  const int result = RUN_ALL_TESTS();
  CWindowModule::Term();
  return result;
}
