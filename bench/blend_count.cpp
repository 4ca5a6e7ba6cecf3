// Runs every case of bench_cases under callgrind with collection on only around the case,
// and dumps one profile per case named after it; bench/run turns the dumps into instructions
// per pixel, which stay the same however busy the machine is.
//
//   valgrind --tool=callgrind --collect-atstart=no blend_count [REPEAT] [NAME-PREFIX]

#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_cases.h"
#include "bench/bench_images.h"

int main(int argc, char** argv) {
  const int repeat = argc > 1 ? std::atoi(argv[1]) : 3;
  const std::string only = argc > 2 ? argv[2] : "";
  const BenchFixture fixture(DefaultPngDir());
  for (const BenchCase& c : fixture.Cases()) {
    if (c.name.rfind(only, 0) != 0) continue;
    c.run();  // warm: first-touch and lazy set-up stay out of the count
    CALLGRIND_ZERO_STATS;
    CALLGRIND_TOGGLE_COLLECT;
    for (int i = 0; i < repeat; ++i) c.run();
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(c.name.c_str());
    std::printf("%s %lld\n", c.name.c_str(), static_cast<long long>(c.pixels) * repeat);
  }
  return 0;
}
