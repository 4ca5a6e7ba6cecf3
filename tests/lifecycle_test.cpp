// The module's life as a host drives it: load, the four exports, a parent window, unload.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/dib_canvas.h"
#include "testing/page_module.h"
#include "testing/test_support.h"

namespace {

constexpr int kContainerWidth = 800;
constexpr int kContainerHeight = 570;
constexpr LONG kPageStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

class LifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(module.Loaded()); }

  PageModule module{ModuleBesideProgram()};
  TestParent parent{kContainerWidth, kContainerHeight};
};

TEST_F(LifecycleTest, IsSupportedIsOneBeforeDuringAndAfterAPage) {
  EXPECT_EQ(module.IsSupported(), 1);
  ASSERT_TRUE(module.InitPage());
  EXPECT_EQ(module.IsSupported(), 1);
  ASSERT_NE(module.CreatePage(parent.Hwnd()), nullptr);
  EXPECT_EQ(module.IsSupported(), 1);
  module.UnInitPage();
  EXPECT_EQ(module.IsSupported(), 1);
}

TEST_F(LifecycleTest, InitPageTwiceKeepsOnePageObject) {
  EXPECT_TRUE(module.InitPage());
  EXPECT_TRUE(module.InitPage());
  HWND page = module.CreatePage(parent.Hwnd());
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(parent.ChildCount(), 1);

  // One UnInitPage leaves no page object behind: a second one would still create windows.
  module.UnInitPage();
  EXPECT_FALSE(IsWindow(page));
  EXPECT_EQ(module.CreatePage(parent.Hwnd()), nullptr);
  EXPECT_EQ(parent.ChildCount(), 0);
}

TEST_F(LifecycleTest, CreatePageWithoutAPageObjectMakesNoWindow) {
  EXPECT_EQ(module.CreatePage(parent.Hwnd()), nullptr);
  EXPECT_EQ(parent.ChildCount(), 0);

  ASSERT_TRUE(module.InitPage());
  module.UnInitPage();
  EXPECT_EQ(module.CreatePage(parent.Hwnd()), nullptr);
  EXPECT_EQ(parent.ChildCount(), 0);
}

TEST_F(LifecycleTest, NullParentGivesNullAndThePageStaysUsable) {
  ASSERT_TRUE(module.InitPage());
  EXPECT_EQ(module.CreatePage(nullptr), nullptr);
  HWND page = module.CreatePage(parent.Hwnd());
  EXPECT_NE(page, nullptr);
  EXPECT_EQ(parent.ChildCount(), 1);
}

TEST_F(LifecycleTest, PageCoversTheParentsClientAreaAtItsOrigin) {
  ASSERT_TRUE(module.InitPage());
  HWND page = module.CreatePage(parent.Hwnd());
  ASSERT_NE(page, nullptr);

  EXPECT_EQ(GetParent(page), parent.Hwnd());
  EXPECT_EQ(GetWindowLongW(page, GWL_STYLE) & kPageStyle, kPageStyle);
  EXPECT_EQ(GetWindowLongW(page, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);

  RECT client;
  GetClientRect(page, &client);
  EXPECT_EQ(client.right, kContainerWidth);
  EXPECT_EQ(client.bottom, kContainerHeight);
  POINT origin = {0, 0};
  MapWindowPoints(page, parent.Hwnd(), &origin, 1);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
}

TEST_F(LifecycleTest, ASecondCreatePageNeverMakesASecondWindow) {
  ASSERT_TRUE(module.InitPage());
  HWND first = module.CreatePage(parent.Hwnd());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(module.CreatePage(parent.Hwnd()), first);
  EXPECT_EQ(parent.ChildCount(), 1);

  // Once the host has destroyed it, the page object makes no other window.
  DestroyWindow(first);
  EXPECT_EQ(module.CreatePage(parent.Hwnd()), nullptr);
  EXPECT_EQ(parent.ChildCount(), 0);
}

TEST_F(LifecycleTest, UnInitPageDestroysAWindowTheHostLeftAlive) {
  ASSERT_TRUE(module.InitPage());
  HWND page = module.CreatePage(parent.Hwnd());
  ASSERT_NE(page, nullptr);
  module.UnInitPage();
  EXPECT_FALSE(IsWindow(page));
  EXPECT_EQ(parent.ChildCount(), 0);
}

TEST_F(LifecycleTest, UnInitAndInitAgainGivesAPageLikeTheFirst) {
  std::vector<uint32_t> prints[2];
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(module.InitPage());
    HWND page = module.CreatePage(parent.Hwnd());
    ASSERT_NE(page, nullptr);
    RECT client;
    GetClientRect(page, &client);
    EXPECT_EQ(client.right, kContainerWidth);
    EXPECT_EQ(client.bottom, kContainerHeight);

    DibCanvas canvas(kContainerWidth, kContainerHeight);
    canvas.Fill(0);
    SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    for (int y = 0; y < kContainerHeight; ++y)
      for (int x = 0; x < kContainerWidth; ++x) prints[round].push_back(canvas.Pixel(x, y));

    // The first page is changed before it goes; the second must not inherit that.
    EXPECT_EQ(SendRecord(page, MakeRecord(PageState::Connecting)), 1);
    DestroyWindow(page);
    module.UnInitPage();
  }
  EXPECT_TRUE(prints[0] == prints[1]) << "the second page starts as the first did";
}

TEST_F(LifecycleTest, UnloadUnregistersThePageWindowClass) {
  ASSERT_TRUE(module.InitPage());
  HWND page = module.CreatePage(parent.Hwnd());
  ASSERT_NE(page, nullptr);
  wchar_t className[256] = {};
  ASSERT_GT(GetClassNameW(page, className, 256), 0);
  EXPECT_EQ(std::wstring(className).rfind(std::wstring(kPageWindowClassPrefix) + L":", 0), 0u)
      << "the published class prefix, then a colon";
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(page, GWLP_HINSTANCE));
  EXPECT_EQ(instance, module.Handle());

  WNDCLASSEXW info = {};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetClassInfoExW(instance, className, &info));
  EXPECT_EQ(info.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));
  EXPECT_EQ(info.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  EXPECT_EQ(info.cbClsExtra, 0);
  EXPECT_EQ(info.cbWndExtra, 0);

  DestroyWindow(page);
  module.UnInitPage();
  module.Unload();
  EXPECT_FALSE(GetClassInfoExW(instance, className, &info));

  // Loaded again, the module registers its class again and works as before.
  PageModule again(ModuleBesideProgram());
  ASSERT_TRUE(again.Loaded());
  ASSERT_TRUE(again.InitPage());
  EXPECT_NE(again.CreatePage(parent.Hwnd()), nullptr);
}

}  // namespace
