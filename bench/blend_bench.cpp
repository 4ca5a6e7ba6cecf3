// Times every case of bench_cases in one process and one run, with repetitions interleaved
// at random so that a noisy machine disturbs all cases alike, then prints medians per pixel,
// the ratios to pixman and whether each target is met.
//
//   blend_bench [--table_out=FILE] [Google Benchmark flags]

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench/bench_cases.h"
#include "bench/bench_images.h"

namespace {

// Keeps the median CPU time of every case: the kernels are single-threaded, and on a shared
// machine CPU time leaves out the time other processes take.
class MedianCollector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        medianNs[run.run_name.function_name] = run.GetAdjustedCPUTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> medianNs;
};

std::string Ratio(double value) {
  char text[32];
  std::snprintf(text, sizeof text, value < 0 ? "-" : "%.2f", value);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::string tableOut;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--table_out=", 12) == 0) {
      tableOut = argv[i] + 12;
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  const BenchFixture fixture(DefaultPngDir());
  std::map<std::string, int64_t> pixels;
  for (const BenchCase& c : fixture.Cases()) {
    pixels[c.name] = c.pixels;
    const std::function<void()>* run = &c.run;
    benchmark::RegisterBenchmark(c.name.c_str(), [run](benchmark::State& state) {
      for (auto _ : state) {
        (*run)();
        benchmark::ClobberMemory();
      }
    })->Unit(benchmark::kMicrosecond);
  }

  MedianCollector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  auto nsPerPixel = [&](const std::string& name) {
    const auto it = collector.medianNs.find(name);
    if (name.empty() || it == collector.medianNs.end()) return -1.0;
    return it->second * 1000.0 / static_cast<double>(pixels[name]);  // microseconds per run
  };
  auto ratio = [&](const std::string& ours, const std::string& other) {
    const double a = nsPerPixel(ours), b = nsPerPixel(other);
    return a < 0 || b <= 0 ? -1.0 : a / b;
  };

  std::string table;
  auto out = [&table](const std::string& text) { table += text; };
  out("\nPictures:\n" + fixture.Describe());
  out("\nMedian CPU time, ns per destination pixel, and ours / pixman (below 1: ours is faster)\n");
  char line[512];
  std::snprintf(line, sizeof line, "%-66s %8s %8s %8s  %s\n", "case", "ours", "pixman", "ratio", "target");
  out(line);
  for (const BenchRow& row : BenchFixture::Rows()) {
    const double r = ratio(row.ours, row.pixman);
    std::string target;
    if (row.atMost > 0) {
      target = "<= " + Ratio(row.atMost) + (r < 0 ? " not measured" : r <= row.atMost ? " met" : " MISSED");
    }
    std::snprintf(line, sizeof line, "%-66s %8.3f %8s %8s  %s\n", row.label.c_str(), nsPerPixel(row.ours),
                  Ratio(nsPerPixel(row.pixman)).c_str(), Ratio(r).c_str(), target.c_str());
    out(line);
  }
  out("(ours: into the page's 32-bit buffer, or a 24-bit one where it says so; pixman: OVER of\n"
      " premultiplied a8r8g8b8 onto x8r8g8b8, and nearest SRC of x8r8g8b8 for the opaque pictures)\n");
  std::fputs(table.c_str(), stdout);
  if (!tableOut.empty()) std::ofstream(tableOut) << table;
  return 0;
}
