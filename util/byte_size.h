// Byte counts as short texts such as 1.5GB: units of 1024, at most five characters for the
// number, no trailing zeros, no space before the unit.
#pragma once

#include <cstdint>
#include <string>

std::wstring FormatByteSize(int64_t bytes);
// The same for the phone's unsigned counts, which past 2^63 would read as negative ones.
std::wstring FormatUnsignedByteSize(uint64_t bytes);
