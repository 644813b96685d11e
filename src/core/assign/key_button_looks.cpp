#include "core/assign/key_button_looks.h"

#include <algorithm>
#include <mutex>

#include "core/assign/key_tip.h"
#include "core/window/key_buttons.h"

namespace quorvane {

namespace {

constexpr bool isBlock(int profile) {
    return profile >= 0 && profile < kBlockCount;
}

std::u16string tipOf(const KeyButtonSlot& where, const KeyActionEntry& entry,
                     std::span<const MacroRecord> macros, const TextLookup& loadText) {
    return where.gKeyPosition >= 0 ? gKeyButtonTip(where.gKeyPosition, entry, macros, loadText)
                                   : keyButtonTipOfKey(where.key, entry, macros, loadText);
}

}  // namespace

std::optional<KeyButtonSlot> slotOfKeyButton(int controlId, std::uint8_t gKeyBank) {
    const auto g = std::find(G_KEY_IDS.begin(), G_KEY_IDS.end(), controlId);
    if (g != G_KEY_IDS.end()) {
        const int position = static_cast<int>(g - G_KEY_IDS.begin());
        return KeyButtonSlot{gKeySlot((gKeyBank & 1) != 0, position), position, 0};
    }
    const auto k =
        std::find_if(kKeyButtons.begin(), kKeyButtons.end(),
                     [controlId](const KeyButton& b) { return b.controlId == controlId; });
    if (k == kKeyButtons.end()) {
        return std::nullopt;
    }
    return KeyButtonSlot{rowOfKey(k->key), -1, k->key};
}

std::vector<KeyButtonLook> keyButtonLooks(const WorkingConfig& config, int activeProfile,
                                          std::uint8_t gKeyBank, const TextLookup& loadText) {
    std::vector<KeyButtonLook> looks;
    std::lock_guard lock(config.ConfigLock);
    if (!isBlock(activeProfile) || !config.image) {
        return looks;
    }
    looks.reserve(G_KEY_IDS.size() + kKeyButtons.size());
    auto add = [&](int controlId) {
        const std::optional<KeyButtonSlot> where = slotOfKeyButton(controlId, gKeyBank);
        const KeyActionEntry& entry = config.image->at(activeProfile, where->slot);
        looks.push_back(
            {controlId, showsAssigned(entry), tipOf(*where, entry, config.macros, loadText)});
    };
    for (int id : G_KEY_IDS) {
        add(id);
    }
    for (const KeyButton& b : kKeyButtons) {
        add(b.controlId);
    }
    return looks;
}

std::optional<int> buttonOfEntryIndex(int entryIndex, int activeProfile, std::uint8_t gKeyBank) {
    if (!isBlock(activeProfile) || entryIndex / kSlotsPerBlock != activeProfile || entryIndex < 0) {
        return std::nullopt;
    }
    const int slot = entryIndex % kSlotsPerBlock;
    const bool bankB = (gKeyBank & 1) != 0;
    for (int position = 0; position < kGKeysPerBank; ++position) {
        if (gKeySlot(bankB, position) == slot) {
            return G_KEY_IDS[static_cast<std::size_t>(position)];
        }
    }
    for (const KeyButton& b : kKeyButtons) {
        if (rowOfKey(b.key) == slot) {
            return b.controlId;
        }
    }
    return std::nullopt;
}

std::optional<KeyButtonLook> unassignedLook(int controlId, const TextLookup& loadText) {
    const std::optional<KeyButtonSlot> where = slotOfKeyButton(controlId, 0);
    if (!where) {
        return std::nullopt;
    }
    return KeyButtonLook{controlId, false, tipOf(*where, KeyActionEntry{}, {}, loadText)};
}

void resetKeyButton(AssignPort& port, int entryIndex, int activeProfile, std::uint8_t gKeyBank,
                    const TextLookup& loadText) {
    const std::optional<int> button = buttonOfEntryIndex(entryIndex, activeProfile, gKeyBank);
    if (!button) {
        return;
    }
    const std::optional<KeyButtonLook> look = unassignedLook(*button, loadText);
    port.setKeyButton(look->controlId, false, look->tip);
}

bool resetAllKeys(WorkingConfig& config, AssignPort& port, std::uint8_t gKeyBank,
                  const TextLookup& loadText) {
    const int profile = port.readActiveProfile();
    if (!isBlock(profile)) {
        return false;
    }
    {
        std::lock_guard lock(config.ConfigLock);
        if (!config.image) {
            return false;
        }
        auto empty = [&](int slot) {
            // A program or text entry's string goes with it, or the text total
            // would count a string no entry uses.
            clearText(config, entryIndex(profile, slot));
            config.image->at(profile, slot) = KeyActionEntry{};
        };
        const bool bankB = (gKeyBank & 1) != 0;
        for (int position = 0; position < kGKeysPerBank; ++position) {
            empty(gKeySlot(bankB, position));
        }
        for (const KeyButton& b : kKeyButtons) {
            empty(rowOfKey(b.key));
        }
    }
    for (int id : G_KEY_IDS) {
        const std::optional<KeyButtonLook> look = unassignedLook(id, loadText);
        port.setKeyButton(id, false, look->tip);
    }
    for (const KeyButton& b : kKeyButtons) {
        const std::optional<KeyButtonLook> look = unassignedLook(b.controlId, loadText);
        port.setKeyButton(b.controlId, false, look->tip);
    }
    port.enableMainApply();
    return true;
}

}  // namespace quorvane
