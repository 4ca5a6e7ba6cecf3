// The fixture of the tests that link the page's code in place of loading the module: a page
// window in a hidden parent of the container's size, sized to it as CreatePage sizes a page.
// `Base` is a fixture it extends, for tests that need one of their own.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "page/mobile_info_wnd.h"
#include "testing/test_support.h"

// Wine gives a process one DPI, so the page's window reports the DPI the test gives it.
class CPageAtDpi : public CMobileInfoWnd {
 public:
  int dpi = 96;

 protected:
  int WindowDpi() const override { return dpi; }
};

template <typename Base = ::testing::Test>
class InProcessPageTest : public Base {
 protected:
  static constexpr int kPageWidth = 800;
  static constexpr int kPageHeight = 570;

  // A new page inside `container`, or the parent, in place of the page before it.
  void OpenPage(HWND container = nullptr) {
    auto made = std::make_unique<CMobileInfoWnd>();
    const HWND hwnd = made->Create(container != nullptr ? container : parent.Hwnd());
    if (hwnd != nullptr) MoveWindow(hwnd, 0, 0, kPageWidth, kPageHeight, FALSE);
    page = std::move(made);
    ASSERT_NE(hwnd, nullptr);
  }
  void TearDown() override {
    if (page && page->Hwnd() != nullptr) DestroyWindow(page->Hwnd());
    Base::TearDown();
  }

  TestParent parent{kPageWidth, kPageHeight};
  std::unique_ptr<CMobileInfoWnd> page;
};
