#include "tools/stress/stress_support.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// Where the main thread is; written by it, read by the watches.
const char* volatile g_stress = "start";
volatile LONG64 g_iteration = 0;
volatile LONG g_beat = 0;

struct FaultRecord {
  DWORD code;
  void* address;
  ULONG_PTR access;  // for access violations: 0 read, 1 write, 8 execute
  ULONG_PTR target;  // the address that was touched
  DWORD thread;
  const char* stress;
  LONG64 iteration;
};
constexpr LONG kKeptFaults = 8;
FaultRecord g_faults[kKeptFaults];
volatile LONG g_faultCount = 0;

bool IsFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR:
    case 0xC0000374:  // heap corruption
    case 0xC0000409:  // stack buffer overrun
      return true;
    default:
      return false;
  }
}

// First chance: a fault that some layer catches and hides (the platform's string functions
// do that with bad pointers) is still a fault of whoever passed the pointer.
LONG CALLBACK OnFirstChance(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  if (!IsFault(record->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  const LONG index = InterlockedIncrement(&g_faultCount) - 1;
  if (index < kKeptFaults) {
    FaultRecord& kept = g_faults[index];
    kept.code = record->ExceptionCode;
    kept.address = record->ExceptionAddress;
    kept.access = record->NumberParameters >= 1 ? record->ExceptionInformation[0] : 0;
    kept.target = record->NumberParameters >= 2 ? record->ExceptionInformation[1] : 0;
    kept.thread = GetCurrentThreadId();
    kept.stress = g_stress;
    kept.iteration = g_iteration;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

std::string ModuleOf(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(address), &module)) {
    return "no module";
  }
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  const char* name = strrchr(path, '\\');
  return Format("%s+0x%lx", name != nullptr ? name + 1 : path,
                static_cast<unsigned long>(static_cast<const char*>(address) - reinterpret_cast<const char*>(module)));
}

// Nobody handled it: say where the run was, then let the platform's crash report follow.
LONG WINAPI OnUnhandled(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
  std::printf("FAULT unhandled 0x%08lx at %p (%s) during %s, step %lld\n", record->ExceptionCode,
              record->ExceptionAddress, ModuleOf(record->ExceptionAddress).c_str(), g_stress,
              static_cast<long long>(g_iteration));
  std::fflush(stdout);
  return EXCEPTION_CONTINUE_SEARCH;
}

DWORD g_hangSeconds = 0;

DWORD WINAPI HangWatch(void*) {
  LONG lastBeat = g_beat;
  DWORD quiet = 0;
  for (;;) {
    Sleep(1000);
    const LONG beat = g_beat;
    if (beat != lastBeat) {
      lastBeat = beat;
      quiet = 0;
      continue;
    }
    if (++quiet < g_hangSeconds) continue;
    std::printf("HANG no progress for %lu s during %s, step %lld\n", static_cast<unsigned long>(quiet), g_stress,
                static_cast<long long>(g_iteration));
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
  }
}

// One entry of the platform's GDI handle table, as this platform lays it out.
struct GdiHandleEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;  // 0 for a free entry
  uint8_t flags;
  uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entries are 24 bytes");
constexpr int kGdiTableEntries = 0x10000;
constexpr size_t kPebGdiTableOffset = 0x94;  // 32-bit PEB
constexpr size_t kTebPebOffset = 0x30;       // 32-bit TEB

}  // namespace

uint64_t StressRandom::Next64() {
  state_ ^= state_ >> 12;
  state_ ^= state_ << 25;
  state_ ^= state_ >> 27;
  return state_ * 0x2545F4914F6CDD1Dull;
}

void StressRandom::Fill(void* bytes, size_t size) {
  auto* out = static_cast<unsigned char*>(bytes);
  while (size >= 8) {
    const uint64_t value = Next64();
    memcpy(out, &value, 8);
    out += 8;
    size -= 8;
  }
  if (size > 0) {
    const uint64_t value = Next64();
    memcpy(out, &value, size);
  }
}

double TimeFigures::Median() const {
  if (samples_.empty()) return 0;
  std::vector<double> sorted = samples_;
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  return sorted[sorted.size() / 2];
}

double TimeFigures::Worst() const { return samples_.empty() ? 0 : *std::max_element(samples_.begin(), samples_.end()); }

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

double MillisecondsSince(const LARGE_INTEGER& start) {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  return static_cast<double>(Now().QuadPart - start.QuadPart) / ticksPerMs;
}

void SetProgress(const char* stress, uint64_t iteration) {
  g_stress = stress;
  g_iteration = static_cast<LONG64>(iteration);
  InterlockedIncrement(&g_beat);
}

void StartHangWatch(DWORD seconds) {
  g_hangSeconds = seconds;
  HANDLE thread = CreateThread(nullptr, 0, HangWatch, nullptr, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
}

void StartFaultWatch() {
  AddVectoredExceptionHandler(1, OnFirstChance);
  SetUnhandledExceptionFilter(OnUnhandled);
}

uint32_t FaultCount() { return static_cast<uint32_t>(g_faultCount); }

bool FaultWatchSeesHandledFaults() {
  const LONG before = g_faultCount;
  const BOOL bad = IsBadReadPtr(reinterpret_cast<const void*>(16), 4);
  const bool seen = bad && g_faultCount > before;
  InterlockedExchange(&g_faultCount, before);
  return seen;
}

std::string DescribeFaults() {
  std::string text;
  const LONG kept = std::min<LONG>(static_cast<LONG>(g_faultCount), kKeptFaults);
  for (LONG i = 0; i < kept; ++i) {
    const FaultRecord& f = g_faults[i];
    text += Format("0x%08lx at %p (%s), touching %p (%s) on thread %lu, during %s step %lld\n",
                   static_cast<unsigned long>(f.code), f.address, ModuleOf(f.address).c_str(),
                   reinterpret_cast<void*>(f.target),
                   f.access == 1   ? "write"
                   : f.access == 8 ? "execute"
                                   : "read",
                   static_cast<unsigned long>(f.thread), f.stress, static_cast<long long>(f.iteration));
  }
  return text;
}

int CountGdiObjects() {
  // Read through fs directly: the compiler's intrinsic trips its own bounds warning.
  const unsigned char* peb = nullptr;
  asm("movl %%fs:%c1, %0" : "=r"(peb) : "i"(kTebPebOffset));
  const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + kPebGdiTableOffset);
  if (table == nullptr) return -1;
  int live = 0;
  for (int i = 0; i < kGdiTableEntries; ++i) live += table[i].type != 0;
  return live;
}

bool GdiCounterWorks() {
  constexpr int kProbes = 16;
  const int before = CountGdiObjects();
  HBRUSH brushes[kProbes];
  for (HBRUSH& brush : brushes) brush = CreateSolidBrush(RGB(1, 2, 3));
  const int during = CountGdiObjects();
  for (HBRUSH brush : brushes) DeleteObject(brush);
  const int after = CountGdiObjects();
  return before > 0 && during == before + kProbes && after == before;
}

ProcessSample SampleProcess() {
  ProcessSample sample = {CountGdiObjects(), 0, 0};
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot != INVALID_HANDLE_VALUE) {
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread)) {
      sample.threads += thread.th32OwnerProcessID == GetCurrentProcessId();
    }
    CloseHandle(snapshot);
  }
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
    sample.committedKb = memory.PagefileUsage / 1024;
  return sample;
}

std::string DescribeSamples(const ProcessSample& before, const ProcessSample& after) {
  return Format("GDI objects %d -> %d, threads %d -> %d, committed memory %zu -> %zu KB", before.gdiObjects,
                after.gdiObjects, before.threads, after.threads, before.committedKb, after.committedKb);
}

StressReport::StressReport(const char* name) : name_(name), faultsAtStart_(FaultCount()) { SetProgress(name, 0); }

void StressReport::Fail(const std::string& what) {
  ++failures_;
  if (details_.size() < 10) details_.push_back(what);
}

bool StressReport::Finish(const std::string& figures) {
  const uint32_t faults = FaultCount() - faultsAtStart_;
  if (faults > 0) Fail(Format("%u faults; the first in this run:\n%s", faults, DescribeFaults().c_str()));
  std::printf("%s %s: %s; faults %u\n", failures_ == 0 ? "PASS" : "FAIL", name_.c_str(), figures.c_str(), faults);
  for (const std::string& detail : details_) std::printf("  - %s\n", detail.c_str());
  if (failures_ > static_cast<int>(details_.size())) {
    std::printf("  - and %d more\n", failures_ - static_cast<int>(details_.size()));
  }
  std::fflush(stdout);
  return failures_ == 0;
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  return text;
}
