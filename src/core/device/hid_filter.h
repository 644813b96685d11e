// Filter records and request tags of the keyboard's collections, and their
// byte form as the unit id sees them.
#pragma once

#include <array>
#include <cstdint>

#include "quellix.h"

namespace quorvane {

inline constexpr std::uint16_t kKeyboardVendorId = 0x0C45;
inline constexpr std::uint16_t kKeyboardProductId = 0x5004;

inline constexpr std::uint16_t kConsumerUsagePage = 0x000C;
inline constexpr std::uint16_t kConsumerUsage = 0x0001;
inline constexpr std::uint16_t kCommandUsagePage = 0xFF1C;
inline constexpr std::uint16_t kCommandUsage = 0x0092;
inline constexpr std::uint16_t kBankUsagePage = 0x0008;
inline constexpr std::uint16_t kBankUsage = 0x0089;

// Four characters packed most significant first.
inline constexpr std::uint32_t kTagCons = 0x434F4E53;  // "CONS"
inline constexpr std::uint32_t kTagCtrl = 0x4354524C;  // "CTRL"
inline constexpr std::uint32_t kTagLed = 0x004C4544;   // "\0LED"

inline constexpr std::size_t kFilterRecordSize = 16;
static_assert(sizeof(QuellixFilter) == kFilterRecordSize);

QuellixFilter makeFilter(std::uint16_t usagePage, std::uint16_t usage);

// The 16 bytes of a filter record, little endian, field by field.
std::array<std::uint8_t, kFilterRecordSize> filterBytes(const QuellixFilter& filter);

// The filter of the vendor collection that carries command frames.
inline QuellixFilter commandFilter() {
    return makeFilter(kCommandUsagePage, kCommandUsage);
}

}  // namespace quorvane
