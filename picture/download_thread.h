// The download worker: fetches a model's profile and picture into the cache on a thread of
// its own and hands the finished profile to the page with one synchronous WM_PROFILE_READY.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "picture/model_profile.h"
#include "picture/network_check.h"
#include "util/page_messages.h"

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

  // Workers started and not yet ended, in this process.
  static long RunningWorkers();

  // The worker's helpers under the names its tests know them by: network_check.h, and
  // DeleteOrDefer of cache_file.h.
  using NetworkOverride = ::NetworkOverride;
  static void SetNetworkOverride(NetworkOverride value) { ::SetNetworkOverride(value); }
  static bool IsNetworkUp() { return ::IsNetworkUp(); }
  static bool IsNetworkUpWith(ConnectedStateProc connectedState, AdaptersInfoProc adaptersInfo) {
    return ::IsNetworkUpWith(connectedState, adaptersInfo);
  }
  static bool HasDefaultGatewayWith(AdaptersInfoProc adaptersInfo) { return ::HasDefaultGatewayWith(adaptersInfo); }
  static bool DeleteOrDefer(const wchar_t* path);
};

// The worker's body: runs the job and frees it.
void DownloadThreadProc(DownloadJob* job);

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
