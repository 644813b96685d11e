#include "core/config/working_config.h"

#include <algorithm>
#include <new>

#include "base/atomic_file.h"
#include "core/config/profile_file.h"

namespace quorvane {

int createDefaultImage(WorkingConfig& config, const std::string& path, bool install) {
    std::unique_ptr<ConfigImage> image(new (std::nothrow) ConfigImage);
    if (!image) {
        return 0;
    }
    initDefaultImage(*image);
    if (install) {
        config.image = std::move(image);
        return 1;
    }
    static const TextTable kNoTexts{};
    auto bytes = packProfileFile(*image, {}, kNoTexts, 0);
    if (!bytes || !writeFileAtomic(path, *bytes)) {
        return 0;
    }
    return 1;
}

void clearTexts(WorkingConfig& config) {
    for (TextSlot& slot : config.texts) {
        slot = TextSlot{};
    }
    config.textTotal = 0;
}

void clearMacros(WorkingConfig& config) {
    config.macros.clear();
    config.macros.shrink_to_fit();
}

void clearImage(WorkingConfig& config) {
    config.image.reset();
}

bool setText(WorkingConfig& config, int n, std::u16string_view text) {
    if (n < 0 || n >= kEntryCount) {
        return false;
    }
    clearText(config, n);
    text = text.substr(0, std::min(text.size(), text.find(u'\0')));
    TextSlot& slot = config.texts[n];
    slot.text = std::u16string(text);
    slot.byteLength = textByteLength(text.size());
    config.textTotal += slot.byteLength;
    return true;
}

void clearText(WorkingConfig& config, int n) {
    if (n < 0 || n >= kEntryCount) {
        return;
    }
    TextSlot& slot = config.texts[n];
    config.textTotal -= std::min(config.textTotal, slot.byteLength);
    slot = TextSlot{};
}

int macroIndexOfId(const WorkingConfig& config, std::uint32_t id) {
    std::lock_guard lock(config.ConfigLock);
    for (std::size_t i = 0; i < config.macros.size(); ++i) {
        if (config.macros[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

int dropKeysOfMissingMacros(WorkingConfig& config) {
    std::lock_guard lock(config.ConfigLock);
    if (!config.image) {
        return 0;
    }
    int dropped = 0;
    for (KeyActionEntry& e : config.image->entries) {
        const bool missing = e.type == ActionMacro &&
                             std::none_of(config.macros.begin(), config.macros.end(),
                                          [&](const MacroRecord& m) { return m.id == e.value; });
        if (missing) {
            e = KeyActionEntry{};
            ++dropped;
        }
    }
    return dropped;
}

std::uint16_t macroIdAt(const WorkingConfig& config, int index) {
    std::lock_guard lock(config.ConfigLock);
    if (index < 0 || static_cast<std::size_t>(index) >= config.macros.size()) {
        return 0;
    }
    return config.macros[static_cast<std::size_t>(index)].id;
}

KeyActionEntry* entryAt(WorkingConfig& config, int profile, int slot) {
    if (!config.image || profile < 0 || profile >= kBlockCount || slot < 0 ||
        slot >= kSlotsPerBlock) {
        return nullptr;
    }
    return &config.image->at(profile, slot);
}

const KeyActionEntry* entryAt(const WorkingConfig& config, int profile, int slot) {
    return entryAt(const_cast<WorkingConfig&>(config), profile, slot);
}

bool writeAssignment(WorkingConfig& config, int n, std::uint16_t type, std::uint16_t aux,
                     std::uint32_t value) {
    std::lock_guard lock(config.ConfigLock);
    if (!config.image || n < 0 || n >= kEntryCount) {
        return false;
    }
    clearText(config, n);
    KeyActionEntry& entry = config.image->entries[n];
    entry.type = type;
    entry.aux = aux;
    entry.value = value;
    return true;
}

bool restoreDefaultAssignment(WorkingConfig& config, int activeProfile, std::uint8_t gKeyBank,
                              std::span<const KeyId> pictureKeys) {
    std::lock_guard lock(config.ConfigLock);
    if (!config.image || activeProfile < 0 || activeProfile > kDefaultModeBlock) {
        return false;
    }
    const bool bankB = (gKeyBank & 1) != 0;
    for (int j = 0; j < kGKeysPerBank; ++j) {
        config.image->at(activeProfile, gKeySlot(bankB, j)) = KeyActionEntry{};
    }
    for (KeyId key : pictureKeys) {
        int slot = rowOfKey(key);
        config.image->at(activeProfile, slot) = KeyActionEntry{};
    }
    return true;
}

bool takeDownloadSnapshot(const WorkingConfig& config, DownloadSnapshot& snapshot) {
    std::lock_guard configLock(config.ConfigLock);
    std::lock_guard downloadLock(snapshot.DownloadLock);
    snapshot.image.reset();
    snapshot.macros.clear();
    if (!config.image) {
        return false;
    }
    std::unique_ptr<ConfigImage> copy(new (std::nothrow) ConfigImage(*config.image));
    if (!copy) {
        return false;
    }
    rewriteImageHeader(copy->header, config.macroCount(), config.textTotal);
    try {
        snapshot.macros = config.macros;
    } catch (const std::bad_alloc&) {
        return false;
    }
    snapshot.image = std::move(copy);
    return true;
}

}  // namespace quorvane
