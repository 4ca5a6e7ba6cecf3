// What the page shows, worked out from a phone record: texts and bar values. Platform-free,
// so the page's arithmetic is tested and fuzzed natively.
#pragma once

#include <cstdint>
#include <string>

#include "page/phone_info.h"

// Brand, then model, then the fixed text, with nothing between them; control characters of
// the phone's texts read as spaces.
std::u16string TitleText(const PhoneInfo& phone);

// "剩余" and the free byte count as a short size text such as 1.5GB.
std::u16string FreeSpaceText(uint64_t freeBytes);

// The used share of a capacity in whole percent, 0 to 100: 0 for an empty total, and never
// past 100 or below 0 when a record claims more free than total bytes.
uint32_t UsedPercent(uint64_t totalBytes, uint64_t freeBytes);

// The battery level the indicator shows: the record's value, at most 100.
uint32_t BatteryLevel(uint32_t batteryPercent);
