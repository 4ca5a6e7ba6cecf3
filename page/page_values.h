// What the page shows, worked out from a phone record: texts and bar values. Platform-free,
// so the page's arithmetic is tested and fuzzed natively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// A count the page has none of: the tiles show dashes, the details say so.
inline constexpr int32_t kCountNotAvailable = -1;

// The words of the phone's details as copied, in one table per language.
struct DetailTexts {
  const char16_t* name;           // brand and model, as the page shows them
  const char16_t* reportedModel;  // the model name the phone reported, when the page shows another
  const char16_t* battery;
  const char16_t* phoneMemory;
  const char16_t* card;
  const char16_t* free;
  const char16_t* total;
  const char16_t* bytes;         // after an exact byte count
  const char16_t* notAvailable;  // a count the phone does not give
  const char16_t* counts[8];     // what each count tile counts, in the tiles' order
  const char16_t* copyItem;      // the context menu's one item
};
extern const DetailTexts kChineseDetailTexts;

// The connected phone's details as plain text with CRLF line ends, one "label: value" a line:
// the name as shown (`reportedModel` too when it differs from the record's model), battery,
// phone memory and storage card (free and total, rounded and in exact bytes), the eight
// counts. Empty for a record of a state that shows no phone.
std::u16string PhoneDetailsText(const PhoneInfo& phone, std::u16string_view reportedModel,
                                const DetailTexts& texts = kChineseDetailTexts);
