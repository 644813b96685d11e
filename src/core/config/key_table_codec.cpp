#include "core/config/key_table_codec.h"

#include <mutex>

#include "core/config/action_type.h"
#include "core/config/stored_key.h"
#include "core/keys/key_conversions.h"
#include "core/keys/key_lists.h"

namespace quorvane {

namespace {

using Slot = DeviceKeyTable::Slot;

// The model row of the key that owns a table slot, -1 when the slot names none.
int rowOfSlot(const Slot& def) {
    KeyId key = keyOfDeviceEntry(def.kind, def.b1, def.b2);
    return key == kNoKey ? -1 : rowOfKey(key);
}

int positionOfId(std::span<const MacroRecord> macros, std::uint32_t id) {
    for (std::size_t i = 0; i < macros.size(); ++i) {
        if (macros[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

Slot slotOfKeyAction(std::uint32_t value) {
    if (value > 0xFFFF) {
        return {kKindKeyboard, kKeyboardUsage, 0};
    }
    const auto key = static_cast<KeyId>(value);
    if (std::uint8_t bit = modifierBitOfKey(key); bit != 0) {
        return {kKindKeyboard, kKeyboardModifier, bit};
    }
    const UsagePair usage = usageOfKey(key);
    const std::uint8_t code =
        usage.page == kUsagePageKeyboard ? static_cast<std::uint8_t>(usage.usage & 0xFF) : 0;
    return {kKindKeyboard, kKeyboardUsage, code};
}

Slot slotOfEntry(const KeyActionEntry& entry, const Slot& def, int macroPosition) {
    switch (entry.type) {
        case ActionDisabled:
        case ActionText:
            return {kKindNone, 0, 0};
        case ActionKey:
            return slotOfKeyAction(entry.value);
        case ActionMacro:
            return {kKindFunction, kFunctionPlayMacro, static_cast<std::uint8_t>(macroPosition)};
        case ActionStopMacro:
            return {kKindFunction, kFunctionStopMacro, 0};
        case ActionMedia:
            if (entry.value < MediaList.size()) {
                const std::uint16_t usage = MediaList[entry.value].consumerUsage;
                return {kKindConsumer, static_cast<std::uint8_t>(usage & 0xFF),
                        static_cast<std::uint8_t>(usage >> 8)};
            }
            return def;
        case ActionFunction:
            return {kKindFunction, kFunctionEdit, static_cast<std::uint8_t>(entry.value & 0xFF)};
        default:  // ActionDefault, ActionProgram and unknown types
            return def;
    }
}

// What a slot that differs from its default says about the key.
KeyActionEntry entryOfSlot(const Slot& slot) {
    KeyActionEntry entry;
    entry.type = ActionDisabled;
    if (slot.kind == kKindFunction && slot.b1 == kFunctionPlayMacro) {
        entry.type = ActionMacro;
        entry.value = std::uint32_t{slot.b2} + 1;
    } else if (slot.kind == kKindFunction && slot.b1 == kFunctionStopMacro) {
        entry.type = ActionStopMacro;
    } else if (slot.kind == kKindFunction && slot.b1 == kFunctionEdit) {
        entry.type = ActionFunction;
        entry.value = slot.b2;
    } else if (slot.kind == kKindConsumer) {
        const auto usage = static_cast<std::uint16_t>(slot.b1 | (slot.b2 << 8));
        for (std::size_t i = 0; i < MediaList.size(); ++i) {
            if (MediaList[i].consumerUsage == usage) {
                entry.type = ActionMedia;
                entry.value = static_cast<std::uint32_t>(i);
                break;
            }
        }
    } else if (slot.kind == kKindKeyboard &&
               (slot.b1 == kKeyboardUsage || slot.b1 == kKeyboardModifier)) {
        const KeyId key = keyOfStoredEntry(slot.kind, slot.b1, slot.b2);
        // A slot naming no key (usage 0, empty mask) sends nothing.
        if (key != kNoKey) {
            entry.type = ActionKey;
            entry.value = key;
        }
    }
    return entry;
}

}  // namespace

DeviceKeyTable buildKeyTableFrom(const ConfigImage& image, std::span<const MacroRecord> macros,
                                 const DeviceKeyTable& defaults, int profile) {
    DeviceKeyTable table = defaults;
    for (std::size_t s = 0; s < kDeviceKeySlots; ++s) {
        const Slot def = defaults.slot(s);
        const int row = rowOfSlot(def);
        if (row < 0) {
            continue;
        }
        const KeyActionEntry& entry = image.at(profile, row);
        const int position = entry.type == ActionMacro ? positionOfId(macros, entry.value) : 0;
        table.setSlot(s, slotOfEntry(entry, def, position));
    }
    return table;
}

std::optional<DeviceKeyTable> buildKeyTable(const DownloadSnapshot& snapshot,
                                            const WorkingConfig& working,
                                            const DeviceKeyTable& defaults, int profile) {
    std::lock_guard configLock(working.ConfigLock);
    std::lock_guard downloadLock(snapshot.DownloadLock);
    if (!snapshot.image || profile < 0 || profile >= kProfileCount) {
        return std::nullopt;
    }
    return buildKeyTableFrom(*snapshot.image, working.macros, defaults, profile);
}

void readKeyTable(const DeviceKeyTable& table, const DeviceKeyTable& defaults, ConfigImage& image,
                  int block) {
    resetBlockWithGKeyCodes(image, block);
    for (std::size_t s = 0; s < kDeviceKeySlots; ++s) {
        const Slot def = defaults.slot(s);
        const Slot held = table.slot(s);
        if (held == def) {
            continue;
        }
        const int row = rowOfSlot(def);
        if (row < 0) {
            continue;
        }
        KeyActionEntry& entry = image.at(block, row);
        const KeyActionEntry read = entryOfSlot(held);
        entry.type = read.type;
        entry.value = read.value;
    }
}

}  // namespace quorvane
