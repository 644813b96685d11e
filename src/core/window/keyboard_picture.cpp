#include "core/window/keyboard_picture.h"

#include <mutex>
#include <string>

#include "core/config/config_image.h"
#include "core/keys/key_id.h"

namespace quorvane {

namespace {

std::u16string gKeyName(int i) {
    std::u16string name = u"Y";
    for (const char c : std::to_string(i + 1)) {
        name.push_back(static_cast<char16_t>(c));
    }
    return name;
}

}  // namespace

KeyboardPicture readKeyboardPicture(const WorkingConfig& config, int activeProfile,
                                    int currentProfile, std::uint8_t bank,
                                    const KeyTipBuilder& tips, const KeyNamer& names) {
    KeyboardPicture picture;
    picture.bank = static_cast<std::uint8_t>(bank & 1U);
    picture.block = displayBlockOf(activeProfile);
    picture.colourBlock = colourKeyBlockOf(currentProfile);
    const bool bankB = picture.bank != 0;

    const std::lock_guard lock(config.ConfigLock);
    for (int i = 0; i < static_cast<int>(kGKeyCount); ++i) {
        KeyButtonView& view = picture.gKeys[static_cast<std::size_t>(i)];
        if (const KeyActionEntry* entry = entryAt(config, picture.block, gKeySlot(bankB, i))) {
            view.checked = entry->type != 0;
            if (tips) {
                view.tooltip = tips(*entry, gKeyName(i));
            }
        }
        const int word = i + (bankB ? kGKeysPerBank : 0);
        if (const KeyActionEntry* mark = entryAt(config, picture.colourBlock, word)) {
            view.selected = mark->colourMark != 0;
        }
    }
    for (std::size_t j = 0; j < kKeyButtonCount; ++j) {
        KeyButtonView& view = picture.keys[j];
        const KeyId key = kKeyButtons[j].key;
        if (const KeyActionEntry* entry = entryAt(config, picture.block, rowOfKey(key))) {
            view.checked = entry->type != 0;
            if (tips) {
                view.tooltip = tips(*entry, names ? names(key) : std::u16string());
            }
        }
        if (const KeyActionEntry* mark =
                entryAt(config, picture.colourBlock, static_cast<int>(j))) {
            view.selected = mark->colourMark != 0;
        }
    }
    return picture;
}

std::array<bool, kGKeyCount> readGKeyStates(const WorkingConfig& config, int activeProfile,
                                            std::uint8_t bank) {
    std::array<bool, kGKeyCount> states{};
    const int block = displayBlockOf(activeProfile);
    const std::lock_guard lock(config.ConfigLock);
    for (int i = 0; i < static_cast<int>(kGKeyCount); ++i) {
        const KeyActionEntry* entry = entryAt(config, block, gKeySlot((bank & 1U) != 0, i));
        states[static_cast<std::size_t>(i)] = entry != nullptr && entry->type != 0;
    }
    return states;
}

int selectionWordOf(int controlId, std::uint8_t bank) {
    for (std::size_t i = 0; i < G_KEY_IDS.size(); ++i) {
        if (G_KEY_IDS[i] == controlId) {
            return static_cast<int>(i) + ((bank & 1U) != 0 ? kGKeysPerBank : 0);
        }
    }
    for (std::size_t j = 0; j < kKeyButtonCount; ++j) {
        if (kKeyButtons[j].controlId == controlId) {
            return static_cast<int>(j);
        }
    }
    return -1;
}

bool toggleColourKeySelection(WorkingConfig& config, int currentProfile, int controlId,
                              std::uint8_t bank) {
    const int word = selectionWordOf(controlId, bank);
    if (word < 0) {
        return false;
    }
    const std::lock_guard lock(config.ConfigLock);
    KeyActionEntry* entry = entryAt(config, colourKeyBlockOf(currentProfile), word);
    if (entry == nullptr) {
        return false;
    }
    entry->colourMark = entry->colourMark != 0 ? 0 : 1;
    return entry->colourMark != 0;
}

}  // namespace quorvane
