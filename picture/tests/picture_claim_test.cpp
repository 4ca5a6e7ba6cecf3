// WM_PROFILE_READY can come from anyone with any wParam: only a record that one of our
// workers is sending to that very window at that moment is handed out, and the worker
// keeps it alive until every claim on it has ended.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "picture/download_thread.h"
#include "picture/picture_cache.h"
#include "testing/lookup_stand_in.h"
#include "testing/stand_in_test.h"
#include "testing/test_support.h"

namespace {

class PictureClaimTest : public StandInTest {
 protected:
  void LookupAndWait() {
    ASSERT_TRUE(StartLookupIn(launcher, receiver.Hwnd(), sandbox.Cache(), service->Base(), u"Fennick F2", u""));
    ASSERT_TRUE(WaitForWorkers());
  }
  // Sends from a thread of its own while this thread keeps handling messages.
  void SendFromAnotherThread(const std::vector<WPARAM>& values) {
    std::atomic<bool> done{false};
    std::thread forger([&] {
      for (WPARAM value : values) SendMessageW(receiver.Hwnd(), WM_PROFILE_READY, value, kDownloadJobProfileAndPicture);
      done = true;
    });
    while (!done) PumpFor(10);
    forger.join();
  }

  Sandbox sandbox;
  ProfileReceiver receiver;
  CDownloadThread launcher;
};

TEST_F(PictureClaimTest, AForgedMessageFromAnotherThreadIsRejected) {
  ModelProfile lookalike;
  lookalike.loaded = 1;
  lookalike.fixedModel = u"forged";
  const std::vector<WPARAM> forged = {0,
                                      1,
                                      0x12345678,
                                      reinterpret_cast<WPARAM>(&lookalike),
                                      static_cast<WPARAM>(-1),
                                      reinterpret_cast<WPARAM>(receiver.Hwnd())};
  SendFromAnotherThread(forged);
  EXPECT_EQ(receiver.Rejected(), static_cast<int>(forged.size()));
  EXPECT_TRUE(receiver.Accepted().empty());
}

TEST_F(PictureClaimTest, AnAddressOnceSentIsRejectedAfterwards) {
  LookupAndWait();
  ASSERT_EQ(receiver.AcceptedAddresses().size(), 1u);
  SendFromAnotherThread({receiver.AcceptedAddresses()[0]});
  EXPECT_EQ(receiver.Rejected(), 1);
  EXPECT_EQ(receiver.Accepted().size(), 1u);
}

TEST_F(PictureClaimTest, AClaimHoldsOnlyForTheWindowTheRecordIsSentTo) {
  ProfileReceiver other;
  bool checked = false;
  receiver.onAccepted = [&](HWND hwnd, WPARAM wParam) {
    CProfileClaim elsewhere(other.Hwnd(), wParam);
    EXPECT_EQ(elsewhere.Get(), nullptr);
    CProfileClaim again(hwnd, wParam);
    EXPECT_EQ(again.Get(), reinterpret_cast<const ModelProfile*>(wParam));
    checked = true;
  };
  LookupAndWait();
  EXPECT_TRUE(checked);
  EXPECT_EQ(receiver.Accepted().size(), 1u);
}

TEST_F(PictureClaimTest, TheWorkerKeepsTheRecordUntilTheLastClaimEnds) {
  std::atomic<bool> claimed{false};
  std::u16string readLate;
  std::thread holder;
  receiver.onAccepted = [&](HWND hwnd, WPARAM wParam) {
    holder = std::thread([&, hwnd, wParam] {
      CProfileClaim claim(hwnd, wParam);
      claimed = claim.Get() != nullptr;
      Sleep(400);
      // Well after the page's handler returned: the worker must still be waiting.
      if (claim.Get() != nullptr) readLate = claim.Get()->fixedModel;
    });
    while (!claimed) Sleep(1);
  };
  ASSERT_TRUE(StartLookupIn(launcher, receiver.Hwnd(), sandbox.Cache(), service->Base(), u"Fennick F2", u""));
  const DWORD start = GetTickCount();
  while (receiver.Accepted().empty() && GetTickCount() - start < 30000) PumpFor(5);
  ASSERT_EQ(receiver.Accepted().size(), 1u);
  PumpFor(150);
  EXPECT_EQ(CDownloadThread::RunningWorkers(), 1);
  holder.join();
  EXPECT_EQ(readLate, u"Fennick F2");
  EXPECT_TRUE(WaitForWorkers());
}

TEST_F(PictureClaimTest, AForgedMessageFromAnotherProcessIsRejected) {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring forger(program);
  forger.resize(forger.rfind(L'\\') + 1);
  forger += L"picture_forger.exe";
  wchar_t commandLine[MAX_PATH + 64];
  swprintf(commandLine, MAX_PATH + 64, L"\"%ls\" %lx 305419896", forger.c_str(),
           static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(receiver.Hwnd())));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(
      CreateProcessW(forger.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT && GetTickCount() - start < 30000) {
    PumpFor(10);
  }
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(receiver.Rejected(), 1);
  EXPECT_TRUE(receiver.Accepted().empty());
}

}  // namespace
