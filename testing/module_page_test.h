// The fixture of the tests that load the real module from beside the test program: its page
// in a hidden parent window, made through the exports the way a host makes it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "testing/page_module.h"
#include "testing/test_support.h"

class ModulePageTest : public ::testing::Test {
 protected:
  // A page in a parent whose client area is `width` x `height`; a visible parent gets real
  // paints.
  void OpenPage(int width = 800, int height = 570, bool visible = false) {
    ASSERT_TRUE(module.Loaded());
    parent = std::make_unique<TestParent>(width, height, visible);
    ASSERT_TRUE(module.InitPage());
    page = module.CreatePage(parent->Hwnd());
    ASSERT_NE(page, nullptr);
  }
  void TearDown() override { parent.reset(); }

  PageModule module{ModuleBesideProgram()};
  std::unique_ptr<TestParent> parent;
  HWND page = nullptr;
};
