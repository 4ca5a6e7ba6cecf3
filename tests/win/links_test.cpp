// Count tiles that are links make the page send the host's main window a page command.

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <vector>

#include "tests/win/test_support.h"

namespace {

constexpr wchar_t kHostClass[] = L"OrvelMobileManagerClass";

std::vector<uint8_t> Utf16WithNul(const wchar_t* text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  return std::vector<uint8_t>(bytes, bytes + (std::wcslen(text) + 1) * sizeof(wchar_t));
}

class LinksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module.Loaded());
    parent = std::make_unique<TestParent>(800, 570);
    ASSERT_TRUE(module.InitPage());
    page = module.CreatePage(parent->Hwnd());
    ASSERT_NE(page, nullptr);
  }
  void TearDown() override { parent.reset(); }

  LoadedModule module;
  std::unique_ptr<TestParent> parent;
  HWND page = nullptr;
};

TEST_F(LinksTest, LinkedTilesSendTheirPageCommandWhateverTheNotificationCode) {
  struct Case {
    WORD id, code;
    const wchar_t* command;  // null: nothing is sent
  };
  const Case cases[] = {
      {1001, 0, L"/page=1"}, {1002, 0, nullptr},    {1003, 0, L"/page=3"}, {1004, 0, nullptr},
      {1005, 0, L"/page=4"}, {1006, 0, nullptr},    {1007, 0, nullptr},    {1008, 0, L"/page=2"},
      {1008, 7, L"/page=2"}, {1003, 0xFFFF, L"/page=3"}, {1000, 0, nullptr}, {1009, 0, nullptr},
  };
  for (const Case& c : cases) {
    RecordingWindow host(kHostClass);
    EXPECT_EQ(SendMessageW(page, WM_COMMAND, MAKEWPARAM(c.id, c.code), 0), 0);
    SCOPED_TRACE(c.id);
    if (c.command == nullptr) {
      EXPECT_TRUE(host.CopiesReceived().empty());
      continue;
    }
    ASSERT_EQ(host.CopiesReceived().size(), 1u);
    const RecordingWindow::CopyData& sent = host.CopiesReceived()[0];
    EXPECT_EQ(sent.wParam, 0u);
    EXPECT_EQ(sent.dwData, 0u);
    EXPECT_EQ(sent.bytes.size(), 16u);
    EXPECT_EQ(sent.bytes, Utf16WithNul(c.command));
  }
}

TEST_F(LinksTest, WithoutAHostWindowNothingIsSentAndThePageStaysAsItWas) {
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::Connected)), 1);
  DibCanvas before(800, 570), after(800, 570);
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(before.Dc()), PRF_CLIENT);
  RecordingWindow other(L"SomeOtherMainWindowClass");
  for (WORD id = 1001; id <= 1008; ++id) EXPECT_EQ(SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, 0), 0), 0);
  EXPECT_TRUE(other.CopiesReceived().empty());
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(after.Dc()), PRF_CLIENT);
  int changed = 0;
  for (int y = 0; y < 570; y += 3)
    for (int x = 0; x < 800; x += 3) changed += before.Pixel(x, y) != after.Pixel(x, y);
  EXPECT_EQ(changed, 0);
}

}  // namespace
