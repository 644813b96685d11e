#include "core/config/macro_area_codec.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "base/le_bytes.h"
#include "core/config/default_device_bytes.h"
#include "core/config/stored_key.h"
#include "core/keys/key_conversions.h"

namespace quorvane {

namespace {

constexpr std::size_t kRecordHeaderSize = 4;
constexpr std::size_t kStepSize = 4;
constexpr std::uint32_t kMaxAreaSize = 0xFFFF;
constexpr std::uint16_t kDelayMask = 0x0FFF;
constexpr std::uint16_t kKeyDown = 0x8000;
constexpr std::uint16_t kKindShift = 12;
constexpr std::uint16_t kKindMask = 0x7;
constexpr std::uint16_t kKindKeyboard = 2;
constexpr std::uint16_t kKindConsumer = 3;
constexpr std::uint16_t kKindDesktop = 4;

std::size_t stepsOf(const MacroRecord& m) {
    return std::min<std::size_t>(m.actionCount, kMaxMacroActions);
}

MacroRecord emptyRecord(std::size_t i, std::u16string_view newPrefix) {
    MacroRecord record;
    record.id = static_cast<std::uint16_t>(i + 1);
    std::u16string name(newPrefix);
    for (char c : std::to_string(i + 1)) {
        name.push_back(static_cast<char16_t>(c));
    }
    record.setName(name);
    return record;
}

}  // namespace

MacroAreaSizes macroAreaSizes(std::span<const MacroRecord> macros) {
    std::uint64_t base = kMacroAreaHeaderSize + 2 * macros.size();
    std::uint64_t named = base;
    for (const MacroRecord& m : macros) {
        const std::uint64_t record = kRecordHeaderSize + kStepSize * stepsOf(m);
        base += record;
        named += record + 2 * m.nameView().size();
    }
    auto clamp = [](std::uint64_t v) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFFFFFF));
    };
    return {clamp(named), clamp(base)};
}

MacroAreaSizes macroAreaSizes(const DownloadSnapshot& snapshot) {
    std::lock_guard lock(snapshot.DownloadLock);
    return macroAreaSizes(snapshot.macros);
}

MacroStepWords encodeMacroStep(const MacroAction& action) {
    MacroStepWords w;
    // A pause too long for twelve bits is played as the longest one the keyboard
    // holds, never wrapped into a short one.
    w.word0 = static_cast<std::uint16_t>(std::min<std::uint32_t>(action.delay / 10, kDelayMask));
    const UsagePair usage = usageOfKey(action.key);
    if (usage.page == kUsagePageKeyboard) {
        w.word0 |= kKindKeyboard << kKindShift;
        const std::uint8_t bit = modifierBitOfKey(action.key);
        w.word1 = bit != 0 ? static_cast<std::uint16_t>((bit << 8) | 0x01)
                           : static_cast<std::uint16_t>(((usage.usage & 0xFF) << 8) | 0x02);
    } else if (usage.page == kUsagePageConsumer) {
        w.word0 |= kKindConsumer << kKindShift;
        w.word1 = usage.usage;
    } else if (usage.page == kUsagePageGenericDesktop) {
        w.word0 |= kKindDesktop << kKindShift;
        w.word1 = usage.usage;
    }
    if (action.state != 1) {
        w.word0 |= kKeyDown;
    }
    return w;
}

MacroAction decodeMacroStep(MacroStepWords w) {
    MacroAction a;
    a.delay = std::uint32_t{static_cast<std::uint16_t>(w.word0 & kDelayMask)} * 10;
    const auto kind = static_cast<std::uint8_t>((w.word0 >> kKindShift) & kKindMask);
    a.key = keyOfStoredEntry(kind, static_cast<std::uint8_t>(w.word1 & 0xFF),
                             static_cast<std::uint8_t>(w.word1 >> 8));
    a.state = (w.word0 & kKeyDown) != 0 ? 0 : 1;
    return a;
}

std::optional<std::vector<std::uint8_t>> buildMacroAreaFrom(std::span<const MacroRecord> macros,
                                                            bool withNames) {
    if (macros.size() > kMaxMacros) {
        return std::nullopt;
    }
    const MacroAreaSizes sizes = macroAreaSizes(macros);
    const std::uint32_t total = withNames ? sizes.withNames : sizes.withoutNames;
    if (total > kMaxAreaSize) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> area;
    try {
        area.assign(total, 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    std::span<std::uint8_t> out(area);
    putU16(out, 0, kMacroAreaMagic);
    putU16(out, 2, static_cast<std::uint16_t>(total));
    putU16(out, 4, static_cast<std::uint16_t>(macros.size()));
    putU16(out, 6, withNames ? 1 : 0);

    std::size_t at = kMacroAreaHeaderSize + 2 * macros.size();
    for (std::size_t i = 0; i < macros.size(); ++i) {
        const MacroRecord& m = macros[i];
        const std::size_t steps = stepsOf(m);
        const std::u16string_view name = withNames ? m.nameView() : std::u16string_view{};
        putU16(out, kMacroAreaHeaderSize + 2 * i, static_cast<std::uint16_t>(at));
        putU16(out, at, static_cast<std::uint16_t>(steps));
        out[at + 2] = m.playCount;
        out[at + 3] = static_cast<std::uint8_t>(name.size());
        at += kRecordHeaderSize;
        for (std::size_t j = 0; j < steps; ++j) {
            const MacroStepWords w = encodeMacroStep(m.actions[j]);
            putU16(out, at, w.word0);
            putU16(out, at + 2, w.word1);
            at += kStepSize;
        }
        for (char16_t unit : name) {
            putU16(out, at, static_cast<std::uint16_t>(unit));
            at += 2;
        }
    }
    return area;
}

std::optional<std::vector<std::uint8_t>> buildMacroArea(const DownloadSnapshot& snapshot,
                                                        bool withNames) {
    std::lock_guard lock(snapshot.DownloadLock);
    return buildMacroAreaFrom(snapshot.macros, withNames);
}

std::vector<MacroRecord> readMacroArea(std::span<const std::uint8_t> area,
                                       std::u16string_view newPrefix) {
    std::vector<MacroRecord> records;
    if (area.size() < kMacroAreaHeaderSize || getU16(area, 0) != kMacroAreaMagic) {
        return records;
    }
    const std::size_t size = area.size();
    const std::size_t count = std::min<std::size_t>(getU16(area, 4), kMaxMacros);
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        MacroRecord& record = records.emplace_back(emptyRecord(i, newPrefix));
        const std::size_t entryAt = kMacroAreaHeaderSize + 2 * i;
        if (entryAt + 2 > size) {
            continue;
        }
        const std::size_t at = getU16(area, entryAt);
        if (at + kRecordHeaderSize > size) {
            continue;
        }
        const std::size_t declaredSteps = getU16(area, at);
        const std::size_t nameUnits = area[at + 3];
        const std::size_t stepsAt = at + kRecordHeaderSize;
        record.playCount = area[at + 2];
        if (stepsAt + kStepSize * declaredSteps > size) {
            continue;
        }
        const std::size_t steps = std::min(declaredSteps, kMaxMacroActions);
        record.actionCount = static_cast<std::uint16_t>(steps);
        for (std::size_t j = 0; j < steps; ++j) {
            const std::size_t s = stepsAt + kStepSize * j;
            record.actions[j] = decodeMacroStep({getU16(area, s), getU16(area, s + 2)});
        }
        const std::size_t nameAt = stepsAt + kStepSize * declaredSteps;
        if (nameUnits != 0 && nameAt + 2 * nameUnits <= size) {
            std::u16string name;
            const std::size_t kept = std::min(nameUnits, kMacroNameUnits - 1);
            for (std::size_t u = 0; u < kept; ++u) {
                name.push_back(static_cast<char16_t>(getU16(area, nameAt + 2 * u)));
            }
            record.setName(name);
        }
    }
    return records;
}

}  // namespace quorvane
