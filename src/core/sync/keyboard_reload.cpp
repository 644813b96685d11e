// Reading the keyboard's configuration into the model, through a profile file.
#include <memory>
#include <new>
#include <vector>

#include "base/atomic_file.h"
#include "base/byte_fields.h"
#include "base/le_bytes.h"
#include "core/config/default_device_bytes.h"
#include "core/config/key_table_codec.h"
#include "core/config/macro_area_codec.h"
#include "core/config/profile_cache.h"
#include "core/config/profile_file.h"
#include "core/device/device_result.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_session.h"
#include "core/sync/sync_texts.h"

namespace quorvane {

namespace {

// Whether the keyboard's macro area is what the macros read from it would
// write, with or without names.
bool macrosReadWhole(const std::vector<std::uint8_t>& area,
                     const std::vector<MacroRecord>& macros) {
    if (area.empty()) {
        return true;
    }
    for (const bool withNames : {true, false}) {
        const auto rebuilt = buildMacroAreaFrom(macros, withNames);
        if (rebuilt && *rebuilt == area) {
            return true;
        }
    }
    return false;
}

}  // namespace

int SyncSession::readKeyboardCopy(KeyboardCopy& copy) {
    for (int p = 0; p < kProfileCount; ++p) {
        const int r = m_commands.ReadKeyTable(copy.tables[static_cast<std::size_t>(p)].bytes, p);
        if (r != kResultDone) {
            return failCommand(r);
        }
    }
    std::vector<std::uint8_t>& area = copy.macroArea;
    area.assign(kMacroAreaHeaderSize, 0);
    int r = m_commands.ReadMacroArea(area, kMacroAreaHeaderSize);
    if (r != kResultDone) {
        return failCommand(r);
    }
    if (getField(area, MacroArea::kMagic) == kMacroAreaMagic) {
        const std::uint32_t total = getField(area, MacroArea::kTotalSize);
        if (total > kMacroAreaHeaderSize) {
            area.assign(total, 0);
            r = m_commands.ReadMacroArea(area, total);
            if (r != kResultDone) {
                return failCommand(r);
            }
        }
    } else {
        area.clear();
    }
    return kResultDone;
}

int SyncSession::backupKeyboard(const std::string& path, bool* whole) {
    m_failure = Result();
    // The tables and macros of one moment: no other client writes in between.
    const KeyboardLock::Hold client = m_commands.holdKeyboard();
    if (readActiveProfile() < 0) {
        return m_lastSettingsResult;
    }
    KeyboardCopy copy;
    const int read = readKeyboardCopy(copy);
    if (read != kResultDone) {
        return read;
    }
    // From now on what the keyboard holds, for its history.
    m_keyboardCopy = copy;

    std::unique_ptr<ConfigImage> image(new (std::nothrow) ConfigImage);
    if (!image) {
        return fail(kSyncCannotBuild, "make room for the configuration");
    }
    for (int p = 0; p < kProfileCount; ++p) {
        readKeyTable(copy.tables[static_cast<std::size_t>(p)], m_lighting.DefaultKeyTable, *image,
                     p);
    }
    const std::vector<MacroRecord> macros =
        readMacroArea(copy.macroArea, text(kTextMacroNewPrefix));
    if (whole != nullptr) {
        *whole = macrosReadWhole(copy.macroArea, macros);
    }
    rewriteImageHeader(image->header, static_cast<std::uint16_t>(macros.size()), 0);

    static const TextTable kNoTexts{};
    const auto bytes = packProfileFile(*image, macros, kNoTexts, 0);
    if (!bytes) {
        return fail(kSyncCannotBuild, "build the profile file");
    }
    return writeFileAtomic(path, *bytes) ? kResultDone : fail(kSyncFileNotWritten, "write " + path);
}

int SyncSession::installStandIn(int failure) {
    std::lock_guard lock(m_config.ConfigLock);
    clearTexts(m_config);
    clearMacros(m_config);
    clearImage(m_config);
    createDefaultImage(m_config, std::string(), true);
    m_origin = ModelOrigin::StandIn;
    // Its history gets no guess of what the keyboard holds.
    m_keyboardCopy.reset();
    // What the keyboard holds is not known now. The stand-in's own tables
    // are the baseline: a confirmed Apply writes the profiles the user
    // edited since, and no others over what the keyboard may hold.
    rememberKeyboardTables();
    m_cacheInStep = {};
    return failure;
}

int SyncSession::reloadFromKeyboard(bool keepDirty) {
    m_failure = Result();
    makeDirectories(m_userDataFolder);

    int result = kResultDone;
    bool differs = false;
    const int p = readActiveProfile();
    if (p < 0) {
        result = installStandIn(m_lastSettingsResult);
    } else {
        const std::string path = reloadCacheFile(p);
        bool whole = true;
        result = backupKeyboard(path, &whole);
        if (result != kResultDone) {
            installStandIn(result);
        } else {
            bool loaded = false;
            {
                std::lock_guard lock(m_config.ConfigLock);
                loaded = loadProfileFile(m_config, path) == 1;
                if (loaded) {
                    m_origin = ModelOrigin::Keyboard;
                    rememberKeyboardTables();
                    // Keys of macros the keyboard lacks, or a macro area cut
                    // off mid-write: the model cannot say what the keyboard
                    // holds, and Apply must write it whole.
                    differs = dropKeysOfMissingMacros(m_config) > 0 || !whole;
                }
            }
            if (loaded) {
                // The other profiles' files too: a decline there goes back to
                // its own file. A file not written is not used (cacheInStep),
                // nor one that does not say what the keyboard holds.
                saveKeyboardCopy();
                if (differs) {
                    m_cacheInStep = {};
                }
            } else {
                result = installStandIn(fail(kSyncBadFile, "read back " + path));
            }
        }
    }

    m_window.refreshKeyboardPicture();
    if (!keepDirty) {
        clearDirty();
    }
    // The model no longer says what the keyboard holds: Apply must write it.
    if (differs) {
        markDirty();
    }
    return result;
}

int SyncSession::reloadModelFromCache(int activeProfile) {
    // A file this session did not write since the keyboard last changed may
    // hold an older macro area than the keyboard: the next Apply would write
    // it under the other profiles' keys.
    if (cacheInStep(activeProfile)) {
        std::lock_guard lock(m_config.ConfigLock);
        // Replaces the model only when the whole file was taken in.
        if (loadProfileFile(m_config, reloadCacheFile(activeProfile)) == 1) {
            m_origin = ModelOrigin::Keyboard;
            rememberKeyboardTables();
            if (dropKeysOfMissingMacros(m_config) > 0) {
                markDirty();
            }
            return kResultDone;
        }
    }
    // No usable cache file: the keyboard itself is the copy to go back to.
    return reloadFromKeyboard(false);
}

std::string SyncSession::reloadCacheFile(int activeProfile) const {
    const int profile = activeProfile >= 0 && activeProfile < kProfileCount ? activeProfile : 0;
    return profileCacheFilePath(m_userDataFolder, profile);
}

bool SyncSession::cacheInStep(int activeProfile) const {
    const int profile = activeProfile >= 0 && activeProfile < kProfileCount ? activeProfile : 0;
    return m_cacheInStep[profile];
}

}  // namespace quorvane
