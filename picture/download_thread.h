// The download worker: fetches a model's profile and picture into the cache on a thread of
// its own and hands the finished profile to the page with one synchronous WM_PROFILE_READY.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "picture/model_profile.h"

struct _IP_ADAPTER_INFO;

// Worker to page. wParam: the worker's ModelProfile, readable only through a CProfileClaim
// while the message is handled; lParam: the job's kind.
constexpr UINT WM_PROFILE_READY = WM_USER + 1;
// Fetch the profile, then the picture. The only kind there is.
constexpr int32_t kDownloadJobProfileAndPicture = 1;
// Several models may be looked up at once, but no more than this many workers run.
constexpr int kMaxRunningWorkers = 8;

class CDownloadThread;

// Made by Start, owned and freed by the worker.
struct DownloadJob {
  int32_t kind = kDownloadJobProfileAndPicture;
  CDownloadThread* launcher = nullptr;
  HWND notifyWindow = nullptr;
  std::u16string profileUrl;
  std::u16string profilePath;
  std::u16string defaultImageUrl;
  int slot = -1;             // the worker's entry in the table of running workers
  HMODULE module = nullptr;  // the worker's own reference to the code it runs
};

class CDownloadThread {
 public:
  CDownloadThread() = default;
  CDownloadThread(const CDownloadThread&) = delete;
  CDownloadThread& operator=(const CDownloadThread&) = delete;
  virtual ~CDownloadThread();

  // Runs one lookup on a detached worker. False when nothing was started: an empty or
  // overlong path, a worker for the same profile still running, kMaxRunningWorkers running,
  // or no thread. The page is then not notified; it asks again on its next phone update.
  bool Start(HWND notifyWindow, const std::u16string& profileUrl, const std::u16string& profilePath,
             std::u16string defaultImageUrl);

  static bool IsNetworkUp();
  static bool HasDefaultGateway();
  // Clears a download target: deletes it, or moves it beside the cache folder and deletes it
  // at the next restart when it cannot be deleted now.
  static bool DeleteOrDefer(const wchar_t* path);

  // Workers started and not yet ended, in this process.
  static long RunningWorkers();

  // Seams for tests.
  enum class NetworkOverride { None, Up, Down };
  static void SetNetworkOverride(NetworkOverride value);
  using ConnectedStateProc = BOOL(WINAPI*)(DWORD* flags, DWORD reserved);
  using AdaptersInfoProc = ULONG(WINAPI*)(_IP_ADAPTER_INFO* adapters, ULONG* size);
  static bool IsNetworkUpWith(ConnectedStateProc connectedState, AdaptersInfoProc adaptersInfo);
  static bool HasDefaultGatewayWith(AdaptersInfoProc adaptersInfo);
};

// The worker's body: runs the job and frees it.
void DownloadThreadProc(DownloadJob* job);

// Starts a detached thread that holds its own reference to this module in `module`, so that
// the host may unload the module while the thread runs; the thread ends with
// FreeLibraryAndExitThread(module). False, with nothing held, when no thread started.
bool StartModuleThread(LPTHREAD_START_ROUTINE proc, void* parameter, HMODULE& module);

// How the page reads wParam of WM_PROFILE_READY. Anyone can send that message with any
// wParam, so the address is honoured only while one of this module's workers is sending
// exactly that record to `receiver`; the worker then stays blocked until the claim ends.
class CProfileClaim {
 public:
  CProfileClaim(HWND receiver, WPARAM wParam);
  ~CProfileClaim();
  CProfileClaim(const CProfileClaim&) = delete;
  CProfileClaim& operator=(const CProfileClaim&) = delete;

  // The worker's record, or null for a message that no worker of ours is sending.
  const ModelProfile* Get() const { return record_; }

 private:
  const ModelProfile* record_ = nullptr;
  int slot_ = -1;
};
