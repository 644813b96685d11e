// A macro as the model and the profile files hold it: 16512 bytes when stored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/byte_fields.h"

namespace quorvane {

inline constexpr std::size_t kMaxMacros = 100;
inline constexpr std::size_t kMaxMacroActions = 2000;
inline constexpr std::size_t kMacroNameUnits = 250;  // 249 characters and the terminator
inline constexpr std::size_t kMacroActionSize = 8;
inline constexpr std::size_t kMacroActionsOffset = 512;
inline constexpr std::size_t kMacroActionsBytes = kMaxMacroActions * kMacroActionSize;
inline constexpr std::size_t kMacroRecordSize = kMacroActionsOffset + kMacroActionsBytes;
static_assert(kMacroRecordSize == 16512);

struct MacroAction {
    std::uint32_t delay = 0;  // milliseconds to wait after this step
    std::uint16_t key = 0;    // KeyId
    std::uint16_t state = 0;  // 0 key goes down, 1 key goes up

    bool operator==(const MacroAction&) const = default;

    static constexpr Field kDelay{"delay", 0, 4};
    static constexpr Field kKey{"key", 4, 2};
    static constexpr Field kState{"state", 6, 2};
    static constexpr std::array kFields = {kDelay, kKey, kState};

    // Calls visit(field, member) for every field, in layout order.
    template <class Action, class Visit>
    static void forEachField(Action& a, Visit&& visit) {
        visit(kDelay, a.delay);
        visit(kKey, a.key);
        visit(kState, a.state);
    }
};
static_assert(tilesLayout(MacroAction::kFields, kMacroActionSize));

struct MacroRecord {
    std::array<char16_t, kMacroNameUnits> name{};  // zero-terminated
    std::uint8_t playCount = 1;
    std::uint16_t isNew = 0;
    std::uint16_t repeatMode = 0;
    std::uint16_t id = 0;           // 1..100, what key entries refer to
    std::uint16_t actionCount = 0;  // the first actionCount actions are used
    std::array<MacroAction, kMaxMacroActions> actions{};

    // The units before the terminator (all 250 if a record lacks one).
    std::u16string_view nameView() const;
    // Keeps at most 249 units and terminates.
    void setName(std::u16string_view text);

    bool operator==(const MacroRecord&) const = default;

    // The name is stored as 250 UTF-16 units; the pads are written as zeros.
    static constexpr Field kName{"name", 0, 2 * kMacroNameUnits};
    static constexpr Field kPlayCount{"playCount", 500, 1};
    static constexpr Field kPad501{"pad", 501, 1};
    static constexpr Field kIsNew{"isNew", 502, 2};
    static constexpr Field kRepeatMode{"repeatMode", 504, 2};
    static constexpr Field kId{"id", 506, 2};
    static constexpr Field kActionCount{"actionCount", 508, 2};
    static constexpr Field kPad510{"pad", 510, 2};
    static constexpr Field kActions{"actions", kMacroActionsOffset, kMacroActionsBytes};
    static constexpr std::array kFields = {kName, kPlayCount,   kPad501, kIsNew,  kRepeatMode,
                                           kId,   kActionCount, kPad510, kActions};

    // Calls visit(field, member) for every number field, in layout order.
    template <class Record, class Visit>
    static void forEachNumberField(Record& r, Visit&& visit) {
        visit(kPlayCount, r.playCount);
        visit(kIsNew, r.isNew);
        visit(kRepeatMode, r.repeatMode);
        visit(kId, r.id);
        visit(kActionCount, r.actionCount);
    }
};
static_assert(tilesLayout(MacroRecord::kFields, kMacroRecordSize));

void packMacroRecord(const MacroRecord& record, std::span<std::uint8_t> out);

// Reads a stored record. A record from outside may break the model's limits;
// it is clamped so every reader can trust it: more than 2000 actions keep the
// first 2000, a name without a terminator keeps its first 249 units.
void unpackMacroRecord(std::span<const std::uint8_t> in, MacroRecord& record);

}  // namespace quorvane
