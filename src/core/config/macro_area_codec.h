// The keyboard's macro area: a 16-byte header, a table of record offsets, then
// one record per macro (steps of two u16 words, names optional).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/config/device_layouts.h"
#include "core/config/macro_record.h"
#include "core/config/working_config.h"

namespace quorvane {

inline constexpr std::uint16_t kMacroAreaMagic = MacroArea::kMagicValue;

struct MacroAreaSizes {
    std::uint32_t withNames = 0;
    std::uint32_t withoutNames = 0;
};

MacroAreaSizes macroAreaSizes(std::span<const MacroRecord> macros);
// For the snapshot's macros, under DownloadLock.
MacroAreaSizes macroAreaSizes(const DownloadSnapshot& snapshot);

// How much of the keyboard's macro memory the macros take: the size of the
// area Apply writes for them (with names when that fits, else without), and
// whether it writes it at all.
struct MacroMemoryUse {
    std::uint32_t used = 0;      // bytes of the area Apply would write
    std::uint32_t capacity = 0;  // the keyboard's macro space
    bool namesDropped = false;   // only the area without names fits
    bool fits = false;           // false: Apply refuses, nothing is written
    // Above 90 % of the capacity (or over it).
    bool nearlyFull() const { return std::uint64_t{used} * 10 > std::uint64_t{capacity} * 9; }
    // 0..100 for the bar, rounded down; 100 when over.
    int percent() const;
};
MacroMemoryUse macroMemoryUse(MacroAreaSizes sizes, std::uint32_t capacity);
inline MacroMemoryUse macroMemoryUse(std::span<const MacroRecord> macros, std::uint32_t capacity) {
    return macroMemoryUse(macroAreaSizes(macros), capacity);
}

// The area for `macros`, with or without names. nullopt when it cannot be
// described: more than 100 macros or more than 65535 bytes (its size and its
// offsets are 16 bits wide).
std::optional<std::vector<std::uint8_t>> buildMacroAreaFrom(std::span<const MacroRecord> macros,
                                                            bool withNames);
// For the snapshot's macros, under DownloadLock.
std::optional<std::vector<std::uint8_t>> buildMacroArea(const DownloadSnapshot& snapshot,
                                                        bool withNames);

// The step words of one macro action, and back.
struct MacroStepWords {
    std::uint16_t word0 = 0;
    std::uint16_t word1 = 0;
};
MacroStepWords encodeMacroStep(const MacroAction& action);
MacroAction decodeMacroStep(MacroStepWords words);

// The macros of an area read from the keyboard; none when it does not start
// with the magic or is shorter than its header. Macro i gets id i + 1; a
// record without a name is named `newPrefix` + (i + 1).
// Bounds: at most 100 macros are taken; a record with more than 2000 steps
// keeps its first 2000; a name longer than 249 units keeps its first 249; a
// record (header and all its steps) that would lie beyond the bytes read has
// no steps and the formed name; so has a name that would lie beyond them.
std::vector<MacroRecord> readMacroArea(std::span<const std::uint8_t> area,
                                       std::u16string_view newPrefix);

}  // namespace quorvane
