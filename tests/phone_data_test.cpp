// Phone records and commands reaching the real module, as the phone service sends them.

#include <gtest/gtest.h>

#include <process.h>

#include "page/page_protocol.h"
#include "testing/module_page_test.h"
#include "testing/test_support.h"

namespace {

class PhoneDataTest : public ModulePageTest {
 protected:
  void SetUp() override { OpenPage(); }

  void SendCommand(UINT id, UINT code) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, code), 0);
    PumpPending();
  }
};

TEST_F(PhoneDataTest, MissingDataIsAnsweredZero) {
  EXPECT_EQ(SendMessageW(page, WM_COPYDATA, 0, 0), 0);
  EXPECT_EQ(SendPayload(page, nullptr, kPhoneInfoSize), 0);
  EXPECT_EQ(SendRecord(page, MakeRecord(PageState::Connected)), 1);
}

TEST_F(PhoneDataTest, PayloadsEndingAtAnInaccessiblePageAreNeverReadPastTheirEnd) {
  struct Case {
    size_t bytes;
    LRESULT answer;
  };
  const Case cases[] = {{0, 0}, {1, 0}, {kPhoneInfoSize - 1, 0}, {kPhoneInfoSize, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    GuardedPayload payload(c.bytes);
    ASSERT_NE(payload.Data(), nullptr);
    if (c.bytes == kPhoneInfoSize) {
      PhoneInfo record = MakeRecord(PageState::Connected);
      memcpy(payload.Data(), &record, sizeof record);
    }
    EXPECT_EQ(SendPayload(page, payload.Data(), static_cast<DWORD>(c.bytes)), c.answer);
  }
}

struct CrossThreadSend {
  HWND page;
  PhoneInfo record;
  LRESULT answer;
};

unsigned __stdcall SendFromServiceThread(void* argument) {
  auto* send = static_cast<CrossThreadSend*>(argument);
  send->answer = SendRecord(send->page, send->record);
  return 0;
}

TEST_F(PhoneDataTest, ARecordFromAnotherThreadIsAnsweredOne) {
  CrossThreadSend send = {page, MakeRecord(PageState::Connecting), -1};
  HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &SendFromServiceThread, &send, 0, nullptr));
  ASSERT_NE(thread, nullptr);
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    PumpPending();
  }
  CloseHandle(thread);
  EXPECT_EQ(send.answer, 1);
}

TEST_F(PhoneDataTest, InstallRequestIsPostedToThePhoneService) {
  RecordingWindow service(kPhoneServiceClass);
  ASSERT_NE(service.Hwnd(), nullptr);

  SendCommand(kInstallButtonId, 0);
  ASSERT_EQ(service.Received().size(), 1u);
  EXPECT_EQ(service.Received()[0].message, kInstallRequestMessage);
  EXPECT_EQ(service.Received()[0].wParam, 0u);
  EXPECT_EQ(service.Received()[0].lParam, 0);

  // Only a click (notification code 0) asks for the install.
  SendCommand(kInstallButtonId, 1);
  EXPECT_EQ(service.Received().size(), 1u);
}

TEST_F(PhoneDataTest, InstallRequestWithoutAPhoneServiceGoesNowhere) {
  RecordingWindow bystander(L"NotThePhoneServiceClass");
  SendCommand(kInstallButtonId, 0);
  EXPECT_TRUE(bystander.Received().empty());
  EXPECT_TRUE(IsWindow(page));
}

TEST_F(PhoneDataTest, ReconnectTellsThePhoneServiceNothing) {
  RecordingWindow service(kPhoneServiceClass);
  ASSERT_EQ(SendRecord(page, MakeRecord(PageState::ConnectFailed)), 1);
  SendCommand(kReconnectButtonId, 0);
  EXPECT_TRUE(service.Received().empty());
}

}  // namespace
