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

constexpr std::size_t kRecordHeaderSize = MacroArea::kRecordHeaderSize;
constexpr std::size_t kStepSize = MacroArea::kStepSize;
constexpr std::uint32_t kMaxAreaSize = 0xFFFF;
constexpr std::uint16_t kDelayMask = 0x0FFF;
constexpr std::uint16_t kKeyDown = 0x8000;
constexpr std::uint16_t kKindShift = 12;
constexpr std::uint16_t kKindMask = 0x7;

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
    std::uint64_t base = kMacroAreaHeaderSize + MacroArea::kRecordOffsetSize * macros.size();
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

MacroMemoryUse macroMemoryUse(MacroAreaSizes sizes, std::uint32_t capacity) {
    MacroMemoryUse use;
    use.capacity = capacity;
    // The download's rule: with names when they fit, else without; an area
    // its 16-bit size field cannot describe is never written.
    if (sizes.withNames <= capacity && sizes.withNames <= kMaxAreaSize) {
        use.used = sizes.withNames;
        use.fits = true;
    } else {
        use.used = sizes.withoutNames;
        use.namesDropped = true;
        use.fits = sizes.withoutNames <= capacity && sizes.withoutNames <= kMaxAreaSize;
    }
    return use;
}

int MacroMemoryUse::percent() const {
    if (capacity == 0 || used >= capacity) {
        return used == 0 ? 0 : 100;
    }
    return static_cast<int>(std::uint64_t{used} * 100 / capacity);
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
    putField(out, MacroArea::kMagic, kMacroAreaMagic);
    putField(out, MacroArea::kTotalSize, total);
    putField(out, MacroArea::kMacroCount, static_cast<std::uint32_t>(macros.size()));
    putField(out, MacroArea::kNamesFlag, withNames ? 1 : 0);

    std::size_t at = kMacroAreaHeaderSize + MacroArea::kRecordOffsetSize * macros.size();
    for (std::size_t i = 0; i < macros.size(); ++i) {
        const MacroRecord& m = macros[i];
        const std::size_t steps = stepsOf(m);
        const std::u16string_view name = withNames ? m.nameView() : std::u16string_view{};
        putU16(out, kMacroAreaHeaderSize + MacroArea::kRecordOffsetSize * i,
               static_cast<std::uint16_t>(at));
        const auto header = out.subspan(at, kRecordHeaderSize);
        putField(header, MacroArea::kStepCount, static_cast<std::uint32_t>(steps));
        putField(header, MacroArea::kPlayCount, m.playCount);
        putField(header, MacroArea::kNameUnits, static_cast<std::uint32_t>(name.size()));
        at += kRecordHeaderSize;
        for (std::size_t j = 0; j < steps; ++j) {
            const MacroStepWords w = encodeMacroStep(m.actions[j]);
            const auto step = out.subspan(at, kStepSize);
            putField(step, MacroArea::kWord0, w.word0);
            putField(step, MacroArea::kWord1, w.word1);
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
    if (area.size() < kMacroAreaHeaderSize ||
        getField(area, MacroArea::kMagic) != kMacroAreaMagic) {
        return records;
    }
    const std::size_t size = area.size();
    const std::size_t count =
        std::min<std::size_t>(getField(area, MacroArea::kMacroCount), kMaxMacros);
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        MacroRecord& record = records.emplace_back(emptyRecord(i, newPrefix));
        const std::size_t entryAt = kMacroAreaHeaderSize + MacroArea::kRecordOffsetSize * i;
        if (entryAt + MacroArea::kRecordOffsetSize > size) {
            continue;
        }
        const std::size_t at = getU16(area, entryAt);
        if (at + kRecordHeaderSize > size) {
            continue;
        }
        const auto header = area.subspan(at, kRecordHeaderSize);
        const std::size_t declaredSteps = getField(header, MacroArea::kStepCount);
        const std::size_t nameUnits = getField(header, MacroArea::kNameUnits);
        const std::size_t stepsAt = at + kRecordHeaderSize;
        getField(header, MacroArea::kPlayCount, record.playCount);
        if (stepsAt + kStepSize * declaredSteps > size) {
            continue;
        }
        const std::size_t steps = std::min(declaredSteps, kMaxMacroActions);
        record.actionCount = static_cast<std::uint16_t>(steps);
        for (std::size_t j = 0; j < steps; ++j) {
            const auto step = area.subspan(stepsAt + kStepSize * j, kStepSize);
            record.actions[j] =
                decodeMacroStep({static_cast<std::uint16_t>(getField(step, MacroArea::kWord0)),
                                 static_cast<std::uint16_t>(getField(step, MacroArea::kWord1))});
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
