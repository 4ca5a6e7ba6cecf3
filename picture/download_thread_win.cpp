#include "picture/download_thread.h"

#include <memory>
#include <new>

#include "picture/cache_file.h"
#include "picture/cache_names.h"
#include "picture/cache_sweep.h"
#include "picture/network_check.h"
#include "picture/url_fetch.h"
#include "util/module_thread.h"
#include "util/wide_path.h"

namespace {

// One running worker. Guarded by g_lock; `record` is set only while the worker is inside its
// send, and the worker does not leave the send's scope while `claims` is above zero.
struct WorkerSlot {
  bool used;
  wchar_t profilePath[MAX_PATH];
  const ModelProfile* record;
  HWND receiver;
  int claims;
};

SRWLOCK g_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_claimsEnded = CONDITION_VARIABLE_INIT;
WorkerSlot g_slots[kMaxRunningWorkers];
volatile LONG g_running = 0;

class ExclusiveLock {
 public:
  ExclusiveLock() { AcquireSRWLockExclusive(&g_lock); }
  ~ExclusiveLock() { ReleaseSRWLockExclusive(&g_lock); }
  ExclusiveLock(const ExclusiveLock&) = delete;
  ExclusiveLock& operator=(const ExclusiveLock&) = delete;
};

// A second worker for the same profile would only race the first over the same two files.
int ReserveSlot(const std::u16string& profilePath) {
  ExclusiveLock lock;
  int free = -1;
  for (int i = 0; i < kMaxRunningWorkers; ++i) {
    if (!g_slots[i].used) {
      if (free < 0) free = i;
    } else if (CompareStringOrdinal(g_slots[i].profilePath, -1, WidePath(profilePath), -1, TRUE) == CSTR_EQUAL) {
      return -1;
    }
  }
  if (free < 0) return -1;
  WorkerSlot& slot = g_slots[free];
  slot.used = true;
  lstrcpynW(slot.profilePath, WidePath(profilePath), MAX_PATH);
  slot.record = nullptr;
  slot.receiver = nullptr;
  slot.claims = 0;
  return free;
}

void ReleaseSlot(int index) {
  ExclusiveLock lock;
  g_slots[index].used = false;
  g_slots[index].profilePath[0] = L'\0';
}

// Sends the record and returns only when no page handler holds a claim on it any more.
void SendClaimable(int index, const ModelProfile& record, HWND receiver, int32_t kind) {
  {
    ExclusiveLock lock;
    g_slots[index].record = &record;
    g_slots[index].receiver = receiver;
  }
  SendMessageW(receiver, WM_PROFILE_READY, reinterpret_cast<WPARAM>(&record), kind);
  ExclusiveLock lock;
  g_slots[index].record = nullptr;
  g_slots[index].receiver = nullptr;
  while (g_slots[index].claims > 0) SleepConditionVariableSRW(&g_claimsEnded, &g_lock, INFINITE, 0);
}

void RunJob(const DownloadJob& job) {
  if (job.launcher == nullptr) return;
  SweepCacheLeftovers(job.profilePath.substr(0, job.profilePath.rfind(u'\\')));
  if (IsNetworkUp() && IsFetchableUrl(job.profileUrl)) {
    FetchIntoCache(job.profileUrl, job.profilePath, FetchKind::Profile, RawModelOf(job.profilePath));
  }
  ModelProfile record;
  if (!LoadProfile(record, job.profilePath, job.defaultImageUrl)) return;
  // An unusable picture name leaves no path: nothing to fetch, nothing to show.
  if (record.localImagePath.empty()) return;
  // An unusable cached picture is fetched again as if it were missing.
  if (!IsUsableCachedPicture(record.localImagePath)) {
    if (!IsNetworkUp() || !IsFetchableUrl(record.imageUrl)) return;
    if (!FetchIntoCache(record.imageUrl, record.localImagePath, FetchKind::Picture, record.rawModel)) return;
  }
  record.loaded = 1;
  if (!IsWindow(job.notifyWindow)) return;
  SendClaimable(job.slot, record, job.notifyWindow, job.kind);
}

DWORD WINAPI WorkerMain(void* parameter) {
  DownloadJob* job = static_cast<DownloadJob*>(parameter);
  const HMODULE module = job->module;
  const int slot = job->slot;
  DownloadThreadProc(job);
  ReleaseSlot(slot);
  InterlockedDecrement(&g_running);
  // The module may have been unloaded by its host meanwhile: our reference kept this code
  // mapped, and it goes only after the thread has left it.
  FreeLibraryAndExitThread(module, 0);
}

}  // namespace

CDownloadThread::~CDownloadThread() = default;

bool CDownloadThread::Start(HWND notifyWindow, const std::u16string& profileUrl, const std::u16string& profilePath,
                            std::u16string defaultImageUrl) {
  if (profilePath.empty() || profilePath.size() > kMaxPathChars) return false;
  // Ours until the worker runs; a copy that fails leaves nothing reserved.
  std::unique_ptr<DownloadJob> job(new (std::nothrow) DownloadJob());
  if (job == nullptr) return false;
  job->launcher = this;
  job->notifyWindow = notifyWindow;
  job->profileUrl = profileUrl;
  job->profilePath = profilePath;
  job->defaultImageUrl = std::move(defaultImageUrl);
  job->slot = ReserveSlot(profilePath);
  if (job->slot < 0) return false;
  InterlockedIncrement(&g_running);
  if (!StartModuleThread(WorkerMain, job.get(), job->module)) {
    InterlockedDecrement(&g_running);
    ReleaseSlot(job->slot);
    return false;
  }
  job.release();  // the worker frees it
  return true;
}

long CDownloadThread::RunningWorkers() { return InterlockedCompareExchange(&g_running, 0, 0); }

void DownloadThreadProc(DownloadJob* job) {
  if (job == nullptr) return;
  try {
    RunJob(*job);
  } catch (...) {
    // The worker's entry, where every failure of the job ends: the page simply hears nothing.
  }
  delete job;
}

bool CDownloadThread::DeleteOrDefer(const wchar_t* path) { return ::DeleteOrDefer(path); }

CProfileClaim::CProfileClaim(HWND receiver, WPARAM wParam) {
  if (receiver == nullptr || wParam == 0) return;
  const ModelProfile* candidate = reinterpret_cast<const ModelProfile*>(wParam);
  ExclusiveLock lock;
  for (int i = 0; i < kMaxRunningWorkers; ++i) {
    WorkerSlot& slot = g_slots[i];
    if (slot.used && slot.record == candidate && slot.receiver == receiver) {
      ++slot.claims;
      slot_ = i;
      record_ = candidate;
      return;
    }
  }
}

CProfileClaim::~CProfileClaim() {
  if (slot_ < 0) return;
  ExclusiveLock lock;
  if (--g_slots[slot_].claims == 0) WakeAllConditionVariable(&g_claimsEnded);
}
