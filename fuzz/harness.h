// The bodies of the fuzz targets, shared by the libFuzzer programs and the native test that
// replays the inputs that once failed. Each takes arbitrary bytes and returns 0; a broken
// invariant goes to FuzzCheckFailed, which the fuzzer turns into a crash and the test into a
// failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Defined once per program: fuzz/entry.cpp aborts, the regression test records a failure.
void FuzzCheckFailed(const char* condition, const char* file, int line);

#define FUZZ_CHECK(condition) ((condition) ? static_cast<void>(0) : FuzzCheckFailed(#condition, __FILE__, __LINE__))

int FuzzPngDecode(const uint8_t* data, size_t size);
int FuzzPhoneRecord(const uint8_t* data, size_t size);
int FuzzByteSize(const uint8_t* data, size_t size);
int FuzzProfileText(const uint8_t* data, size_t size);
int FuzzHttpAnswer(const uint8_t* data, size_t size);

// FormatByteSize's promises about any count, shared by the harnesses that reach it.
void CheckByteSizeText(int64_t bytes, std::u16string_view text);
void CheckUnsignedByteSizeText(uint64_t bytes, std::u16string_view text);

// Keeps the compiler from dropping reads whose only purpose is to touch memory.
inline void FuzzSink(uint64_t value) {
  static volatile uint64_t sink = 0;
  sink = sink + value;
}
