// What every stress shares: a seeded generator, timing figures, the watch for faults and
// hangs, the count of live GDI objects, and the result line each stress prints.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// xorshift64*: the same seed replays the same run.
class StressRandom {
 public:
  explicit StressRandom(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
  uint64_t Next64();
  uint32_t Next32() { return static_cast<uint32_t>(Next64() >> 32); }
  // 0 to bound - 1; bound must be above 0.
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>((Next64() >> 32) % bound); }
  bool Percent(uint32_t percent) { return Below(100) < percent; }
  void Fill(void* bytes, size_t size);

 private:
  uint64_t state_;
};

// Durations of one kind of step, in milliseconds.
class TimeFigures {
 public:
  void Add(double ms) { samples_.push_back(ms); }
  size_t Count() const { return samples_.size(); }
  double Median() const;
  double Worst() const;

 private:
  std::vector<double> samples_;
};

double MillisecondsSince(const LARGE_INTEGER& start);
LARGE_INTEGER Now();

// Where a stress is, for the hang watch and for whoever reads a crash report.
void SetProgress(const char* stress, uint64_t iteration);
// Stops the process with a report when no progress was made for `seconds`.
void StartHangWatch(DWORD seconds);

// Counts faults as they are raised, before any handler can swallow them, and reports a fault
// that nobody handles with the stress and step it happened in.
void StartFaultWatch();
uint32_t FaultCount();
// Makes a fault that the platform catches itself and forgets it again: true when the watch
// saw it, so that faults hidden the same way inside the module are seen too.
bool FaultWatchSeesHandledFaults();
// The first faults seen: code, address, and the module the address is in.
std::string DescribeFaults();

// Live objects in this process's GDI handle table (the platform's own counter is a stub here).
int CountGdiObjects();
// False when the count does not follow objects made and deleted on purpose.
bool GdiCounterWorks();

// What the process holds, for figures before and after a stress.
struct ProcessSample {
  int gdiObjects;
  int threads;
  size_t committedKb;  // the platform counts no handles, so threads stand in for them
};
ProcessSample SampleProcess();
std::string DescribeSamples(const ProcessSample& before, const ProcessSample& after);

// One line per stress: "PASS name: text" or "FAIL name: text", then the failures. A fault
// raised anywhere in the process while the stress ran fails it.
class StressReport {
 public:
  explicit StressReport(const char* name);
  void Fail(const std::string& what);
  bool Failed() const { return failures_ > 0; }
  // Prints the line; true when the stress passed.
  bool Finish(const std::string& figures);

 private:
  std::string name_;
  uint32_t faultsAtStart_;
  int failures_ = 0;
  std::vector<std::string> details_;
};

std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
