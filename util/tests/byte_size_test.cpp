#include <gtest/gtest.h>

#include <cstdint>

#include "util/byte_size.h"

namespace {

TEST(ByteSizeTest, FormatsCountsInUnitsOf1024WithAtMostFiveCharacters) {
  struct Case {
    int64_t bytes;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"0KB"},
      {512, L"0.5KB"},
      {1000, L"0.976KB"},
      {1023, L"0.999KB"},
      {1024, L"1KB"},
      {1536, L"1.5KB"},
      {1048575, L"1023KB"},  // 1023.999023 cut to "1023.", then the point goes
      {1048576, L"1MB"},
      {104899215, L"100MB"},  // "100.0" loses the zero and then the point
      {1610612736, L"1.5GB"},
      {6442450944, L"6GB"},
      {1073741823, L"1023MB"},
      {1073741824, L"1GB"},
      {1099511627776, L"1TB"},
      {1649267441664, L"1.5TB"},
      {1099511627776 * 12345, L"12345TB"},  // no point, so its zeros stay
      {1099511627776 * 100, L"100TB"},
      {INT64_MAX, L"83886TB"},
      {-1, L"-0KB"},
      {-1048576, L"-1024KB"},
      {INT64_MIN, L"-9007KB"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatByteSize(c.bytes), c.text) << c.bytes;
}

}  // namespace
