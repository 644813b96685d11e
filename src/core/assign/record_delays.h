// The record-delays setting of the macro recorder: a framework profile value
// in section "PROFILES" named by the language text of
// IDS_MACRO_ACTION_RECORD_DELAY, "0" or "1".
#pragma once

#include <string>
#include <string_view>

#include "core/app/settings_store.h"
#include "core/app/text_lookup.h"

namespace quorvane {

inline constexpr std::u16string_view kTextRecordDelayValueName = u"IDS_MACRO_ACTION_RECORD_DELAY";

// The stored value read as a decimal number (leading blanks and a sign
// allowed, anything after the digits ignored); 0 when missing or not a number.
int readRecordDelays(const FrameworkProfile& profile, const TextLookup& loadText);

// Stores v when it is 0 or 1, else 0, as a decimal text; returns what it stored.
int writeRecordDelays(FrameworkProfile& profile, const TextLookup& loadText, int v);

// The decimal number at the start of `text`, the way a C runtime's wide atoi
// reads it, saturated to the range of int; 0 when there is none.
long long leadingDecimal(std::u16string_view text, bool* found = nullptr);

}  // namespace quorvane
