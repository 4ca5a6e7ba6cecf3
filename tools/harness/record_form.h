// The phone record as the service stand-in lets a person or a scenario edit it: named text
// fields that become a PhoneInfo. Platform-free, so the panel and the scenario parser agree
// on every name and every accepted value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "page/phone_info.h"

enum class RecordFieldKind { Text, Count, ByteCount, Percent };

struct RecordField {
  const char* name;   // as scenarios write it
  const char* label;  // as the control panel shows it
  RecordFieldKind kind;
};

inline constexpr size_t kRecordFieldCount = 15;
// In the control panel's order.
extern const RecordField kRecordFields[kRecordFieldCount];
// Index into kRecordFields, or -1.
int FindRecordField(std::string_view name);

// "no-phone" (or "idle"), "connected", "connecting", "connect-failed" (or "failed"),
// "reconnect-requested", "guard-missing", or any decimal number for a raw state value.
std::optional<int32_t> ParseStateName(std::string_view text);
// The scenario name of a state, or its number when it has none.
std::string StateName(int32_t state);

bool ParseCount(std::u16string_view text, int32_t& value);
// Unsigned 32-bit: the record carries values above 100 too, which the page clamps.
bool ParsePercent(std::u16string_view text, uint32_t& value);
// A number of bytes, optionally with a binary unit: "1610612736", "512M", "1.5GB", "64 GiB".
bool ParseByteCount(std::u16string_view text, uint64_t& value);

// Invalid UTF-8 becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

class RecordForm {
 public:
  // A made-up phone with a value in every field.
  RecordForm();

  // False, with a reason, for an unknown field or a value its kind does not accept.
  bool Set(std::string_view name, std::u16string_view value, std::string& error);
  const std::u16string& Get(size_t field) const { return values_[field]; }

  // Every field as the page reads it, with `state`; false when a field does not parse.
  bool Build(int32_t state, PhoneInfo& record, std::string& error) const;

 private:
  std::u16string values_[kRecordFieldCount];
};
