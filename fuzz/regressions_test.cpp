// Inputs that once failed a fuzzer, or that pin a decoding limit, replayed through the same
// harness bodies the fuzzers run (fuzz/harness.h). Each file in fuzz/regressions/NAME/ must
// pass harness NAME without a broken check or a sanitizer report.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "fuzz/harness.h"

void FuzzCheckFailed(const char* condition, const char* file, int line) {
  ADD_FAILURE_AT(file, line) << "check failed: " << condition;
}

namespace {

struct Harness {
  const char* name;
  int (*body)(const uint8_t* data, size_t size);
};

void PrintTo(const Harness& harness, std::ostream* out) { *out << harness.name; }

const Harness kHarnesses[] = {
    {"png_decode", FuzzPngDecode},     {"phone_record", FuzzPhoneRecord}, {"byte_size", FuzzByteSize},
    {"profile_text", FuzzProfileText}, {"http_answer", FuzzHttpAnswer},
};

std::string RegressionsDir() {
  const std::string here = __FILE__;
  return here.substr(0, here.find_last_of("/\\") + 1) + "regressions/";
}

std::vector<std::string> FilesIn(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (!name.empty() && name[0] != '.') names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  uint8_t chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  std::fclose(f);
  return true;
}

class FuzzRegressionTest : public testing::TestWithParam<Harness> {};

TEST_P(FuzzRegressionTest, EveryKeptInputPassesItsHarness) {
  const std::string dir = RegressionsDir() + GetParam().name + "/";
  const std::vector<std::string> names = FilesIn(dir);
  ASSERT_FALSE(names.empty()) << "no inputs in " << dir;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFile(dir + name, bytes));
    // A block of exactly the input's size, as the fuzzer gives it, so an over-read shows.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    EXPECT_EQ(GetParam().body(exact.get(), bytes.size()), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Harnesses, FuzzRegressionTest, testing::ValuesIn(kHarnesses),
                         [](const testing::TestParamInfo<Harness>& info) {
                           std::string name = info.param.name;
                           name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
                           return name;
                         });

}  // namespace
