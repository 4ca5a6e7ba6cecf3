// The DPI a run of the tests is made at: cmake/wine-run starts them in the prefix of PAGE_DPI
// (tools/env/env.sh), and the scaled tests are only worth their pictures if the page's
// window really has that DPI there.

#include <gtest/gtest.h>

#include <cwchar>

#include "testing/module_page_test.h"
#include "testing/window_dpi.h"

namespace {

int DpiOfTheRun() {
  wchar_t text[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"PAGE_DPI", text, 16);
  return length > 0 && length < 16 ? static_cast<int>(std::wcstol(text, nullptr, 10)) : 96;
}

class DisplayDpiTest : public ModulePageTest {};

TEST_F(DisplayDpiTest, TheScreenTheHostsWindowAndThePageHaveTheDpiOfTheRun) {
  const int dpi = DpiOfTheRun();
  EXPECT_EQ(ScreenDpi(), dpi);
  OpenPage();
  EXPECT_EQ(WindowDpi(parent->Hwnd()), dpi);
  EXPECT_EQ(WindowDpi(page), dpi);
}

}  // namespace
