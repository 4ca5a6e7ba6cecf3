// Times every case of bench_cases in one process and one run, with repetitions interleaved
// at random so that a noisy machine disturbs all cases alike, then prints medians per pixel
// and the ratios to pixman and to memcpy.
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

struct Target {
  const char* what;
  std::string ours, other;
  double atMost;  // ours / other
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
  out("\nMedian CPU time, ns per destination pixel, and ours / other (below 1: ours is faster)\n");
  char line[512];
  std::snprintf(line, sizeof line, "%-46s %8s %8s %8s %8s %8s %8s\n", "case", "ours", "pixman32", "ratio", "pixman24",
                "ratio", "memcpy");
  out(line);
  for (const BenchRow& row : BenchFixture::Rows()) {
    std::snprintf(line, sizeof line, "%-46s %8.3f %8s %8s %8s %8s %8s\n", row.label.c_str(), nsPerPixel(row.ours),
                  Ratio(nsPerPixel(row.pixmanX888)).c_str(), Ratio(ratio(row.ours, row.pixmanX888)).c_str(),
                  Ratio(nsPerPixel(row.pixman0888)).c_str(), Ratio(ratio(row.ours, row.pixman0888)).c_str(),
                  Ratio(ratio(row.ours, row.memcpyCase)).c_str());
    out(line);
  }
  out("(pixman32: OVER of premultiplied a8r8g8b8 onto x8r8g8b8; pixman24: onto r8g8b8, our destination\n"
      " format; the opaque stretch is compared with pixman's nearest SRC; memcpy: ours / memcpy)\n");

  const Target targets[] = {
      {"natural mix <= 0.7 x pixman32", "ours.natural.mix742", "pixman.x888.natural.mix742", 0.7},
      {"natural mix <= 3 x memcpy", "ours.natural.mix742", "memcpy.742x526", 3.0},
      {"natural icons <= 1.0 x pixman32", "ours.natural.tiles", "pixman.x888.natural.tiles", 1.0},
      {"nearest mix <= 1.0 x pixman32 nearest", "ours.nearest.mix742to800", "pixman.x888.nearest.mix742to800", 1.0},
      {"natural mix >= 7 x faster than pixman24", "ours.natural.mix742", "pixman.0888.natural.mix742", 1.0 / 7.0},
  };
  out("\nTargets (ours / other)\n");
  for (const Target& t : targets) {
    const double r = ratio(t.ours, t.other);
    std::snprintf(line, sizeof line, "  %-44s %6s  %s\n", t.what, Ratio(r).c_str(),
                  r < 0           ? "not measured"
                  : r <= t.atMost ? "met"
                                  : "MISSED");
    out(line);
  }
  std::fputs(table.c_str(), stdout);
  if (!tableOut.empty()) std::ofstream(tableOut) << table;
  return 0;
}
