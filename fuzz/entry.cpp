// One libFuzzer program per harness body; FUZZ_TARGET names the body.
#include <cstdio>
#include <cstdlib>

#include "fuzz/harness.h"

#ifndef FUZZ_TARGET
#error "FUZZ_TARGET must name a harness body"
#endif

void FuzzCheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  // A crash is what libFuzzer saves as a reproducer.
  std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FUZZ_TARGET(data, size); }
