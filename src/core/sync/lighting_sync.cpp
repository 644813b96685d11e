// Re-reading and re-sending the lighting: settings block, lighting records,
// colour banks and the user mode's per-key colours.
#include <algorithm>
#include <array>

#include "core/config/default_device_bytes.h"
#include "core/device/device_result.h"
#include "core/sync/lighting_writes.h"
#include "core/sync/picture_keys.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_session.h"

namespace quorvane {

namespace {

constexpr int kColourPiece = 54;  // 18 LEDs
constexpr int kColourPieceLeds = 18;
constexpr int kColourReadPieces = 10;  // 540 bytes, of which a bank keeps 512
constexpr std::size_t kColourReadBytes = std::size_t{kColourPiece} * kColourReadPieces;
constexpr int kColourWritePieces = 8;  // LEDs 0..143, every LED the program uses
constexpr std::size_t kAnswerData = 56;

// The keyboard is gone or silent: further reads would only wait.
bool keyboardLost(int result) {
    return result == kResultNoKeyboard || result == kResultNotSent || result == kResultNoAnswer;
}

}  // namespace

void SyncSession::rebuildEffectList() {
    m_lighting.effectList.clear();
    for (std::size_t place = 0; place < kEffectListSize; ++place) {
        const std::uint8_t code = m_lighting.settings.effectAt(place);
        if (code != 0) {
            m_lighting.effectList.push_back({static_cast<int>(m_lighting.effectList.size()), code});
        }
    }
}

int SyncSession::rereadLighting(bool full) {
    std::fill(m_lighting.settings.bytes.begin() + SettingsBlock::kEffects,
              m_lighting.settings.bytes.end(), 0);
    m_lighting.effectList.clear();
    std::array<std::uint8_t, kSettingsBlockSize> block{};
    if (m_commands.ReadSettings(block) != kResultDone) {
        return -1;
    }
    m_lighting.settings.bytes = block;
    rebuildEffectList();

    int first = kResultDone;
    auto note = [&first](int r) {
        if (first == kResultDone && r != kResultDone) {
            first = r;
        }
    };

    const KeyboardLock::Hold client = m_commands.holdKeyboard();
    note(m_commands.BeginTransfer());
    if (full && offersUserModes() && !keyboardLost(first)) {
        m_window.reloadUserModeList();
        note(applyUserMode());
        for (std::size_t bank = 0; bank < kColourBankCount && !keyboardLost(first); ++bank) {
            // A piece that could not be read keeps what the bank held.
            std::array<std::uint8_t, kColourReadBytes> bytes{};
            std::copy(m_lighting.colours[bank].bytes.begin(), m_lighting.colours[bank].bytes.end(),
                      bytes.begin());
            for (int k = 0; k < kColourReadPieces && !keyboardLost(first); ++k) {
                // The last piece stops at the bank's end: the keyboard refuses
                // a read that runs past its last bank.
                const int length = std::min<int>(
                    kColourPiece, static_cast<int>(kColourBankSize) - k * kColourPiece);
                std::array<std::uint8_t, kAnswerData> piece{};
                const int r = m_commands.ReadKeyColours(piece, length, k * kColourPieceLeds,
                                                        static_cast<int>(bank));
                note(r);
                if (r == kResultDone) {
                    std::copy_n(piece.begin(), length,
                                bytes.begin() + static_cast<std::ptrdiff_t>(k) * kColourPiece);
                }
            }
            std::copy_n(bytes.begin(), kColourBankSize, m_lighting.colours[bank].bytes.begin());
        }
    }
    for (int p = 0; p < kProfileCount && !keyboardLost(first); ++p) {
        std::array<std::uint8_t, kAnswerData> record{};
        // Asks for the record's own 42 bytes: 56 from the last record would
        // run past the lighting area, which the keyboard refuses.
        const int r = m_commands.ReadLighting(record, static_cast<int>(kLightingRecordSize),
                                              p * static_cast<int>(kLightingRecordSize));
        note(r);
        if (r == kResultDone) {
            std::copy_n(record.begin(), kLightingRecordSize, m_lighting.lighting[p].bytes.begin());
        }
    }
    if (!keyboardLost(first)) {
        note(m_commands.EndTransfer(1));
    }

    if (m_lighting.currentProfile >= 0 && m_lighting.currentProfile < kProfileCount) {
        m_window.showLightingValues(panelValues(full));
    }
    return first;
}

LightingPanelValues SyncSession::panelValues(bool full) const {
    const int p = std::clamp(m_lighting.currentProfile, 0, kProfileCount - 1);
    const LightingRecord& r = m_lighting.lighting[p];
    LightingPanelValues v;
    v.profile = p;
    v.effect = r.bytes[LightingRecord::kEffect];
    v.brightness = r.bytes[LightingRecord::kBrightness];
    v.speed = r.bytes[LightingRecord::kSpeed];
    v.direction = r.bytes[LightingRecord::kDirection];
    v.multicolour = r.bytes[LightingRecord::kMulticolour] != 0;
    v.colour = r.colourAt(LightingRecord::kColour);
    v.reportRate = r.reportRate();
    v.variant = r.bytes[LightingRecord::kVariant];
    const std::uint8_t option = r.bytes[LightingRecord::kEffect7Option];
    if (v.effect == 7 && option <= 1) {
        v.effect7Option = option;
    }
    const std::uint8_t trigger = r.bytes[LightingRecord::kTrigger];
    if (trigger <= 1) {
        v.trigger = trigger;
    }
    v.rippleColour = r.colourAt(LightingRecord::kRippleColour);
    v.rippleRainbow = r.bytes[LightingRecord::kRippleRainbow] != 0;
    v.ribbonColour = r.colourAt(LightingRecord::kRibbonColour);
    v.ribbonRainbow = r.bytes[LightingRecord::kRibbonRainbow] != 0;
    if (full) {
        v.baseColour = r.colourAt(LightingRecord::kBaseColour);
        v.freeColour = r.colourAt(LightingRecord::kFreeColour);
    }
    v.lampOn = lampOn();
    return v;
}

int SyncSession::sendUserModeBank() {
    const int bank = m_lighting.currentProfile;
    if (bank < 0 || bank >= static_cast<int>(kColourBankCount)) {
        return kSyncNotApplicable;
    }
    const std::span<const std::uint8_t> bytes(m_lighting.colours[bank].bytes);
    const KeyboardLock::Hold client = m_commands.holdKeyboard();
    int result = m_commands.BeginTransfer();
    for (int k = 0; k < kColourWritePieces && result == kResultDone; ++k) {
        result = m_commands.WriteKeyColours(
            bytes.subspan(static_cast<std::size_t>(k) * kColourPiece, kColourPiece), kColourPiece,
            k * kColourPieceLeds, bank);
    }
    const int ended = m_commands.EndTransfer(1);
    return result == kResultDone ? ended : result;
}

int SyncSession::applyUserMode() {
    const int bank = m_lighting.currentProfile;
    if (!offersUserModes() || bank < 0 || bank >= static_cast<int>(kColourBankCount)) {
        return kSyncNotApplicable;
    }
    UserModeState& mode = m_lighting.userMode;
    mode.selectedMode = m_userModes.readPresentMode(bank);
    m_userModes.readModeTools(bank, mode.selectedMode, mode);

    auto take = [&](int led) {
        const KeyColour c = m_userModes.readKeyColour(bank, mode.selectedMode, led);
        m_lighting.colours[bank].setColour(led, c.colour);
        m_tied[bank][led] = c.tied;
    };
    for (const PictureKey& key : kPictureKeys) {
        take(key.led);
    }
    take(kFnLed);
    // The keyboard's default mode is shown, never written: its colours stay
    // the keyboard's own.
    if (bank == kDefaultModeBlock) {
        return kResultDone;
    }
    return sendUserModeBank();
}

int SyncSession::restoreLightingDefaults() {
    const int p = m_lighting.currentProfile;
    const bool profile = p >= 0 && p < kProfileCount;
    int first = kResultDone;
    auto note = [&first](int r) {
        if (first == kResultDone && r != kResultDone) {
            first = r;
        }
    };

    note(LightingWrites(*this).setEffect(1));

    if (profile && offersUserModes()) {
        if (!m_userModes.restoreFromTemplate(p)) {
            note(kSyncFileNotWritten);
        }
        m_userModes.writePresentMode(p, 0);
        m_window.reloadUserModeList();
        note(applyUserMode());
        m_window.refreshKeyColours();
    }

    if (profile) {
        LightingRecord& record = m_lighting.lighting[p];
        std::copy(kDefaultLightingRecord.begin(), kDefaultLightingRecord.end(),
                  record.bytes.begin());
        const KeyboardLock::Hold client = m_commands.holdKeyboard();
        int r = m_commands.BeginTransfer();
        if (r == kResultDone) {
            r = m_commands.WriteLighting(kDefaultLightingRecord,
                                         static_cast<int>(kDefaultLightingBytes),
                                         p * static_cast<int>(kLightingRecordSize));
        }
        const int ended = m_commands.EndTransfer(1);
        note(r == kResultDone ? ended : r);
    }

    m_lighting.userMode.selectedMode = 0;
    m_window.selectUserModeEntry(0);
    if (profile) {
        m_window.showLightingValues(panelValues(true));
    }
    m_window.refreshLightingPanel();
    return first;
}

bool SyncSession::offersUserModes() const {
    return m_lighting.settings.offersEffect(kPerKeyColourEffect);
}

bool SyncSession::lampOn() const {
    return readLampFlag(m_userDataFolder);
}

bool SyncSession::setLamp(bool on) {
    if (on && m_lighting.currentProfile == kDefaultModeBlock) {
        return false;
    }
    return writeLampFlag(m_userDataFolder, on);
}

void SyncSession::switchLampOff() {
    writeLampFlag(m_userDataFolder, false);
    m_window.showLampOff();
}

bool SyncSession::isTied(int profile, int led) const {
    if (profile < 0 || profile >= static_cast<int>(kColourBankCount) || led < 0 ||
        led >= ColourBank::kLedCount) {
        return false;
    }
    return m_tied[profile][led];
}

void SyncSession::setTied(int profile, int led, bool tied) {
    if (profile < 0 || profile >= static_cast<int>(kColourBankCount) || led < 0 ||
        led >= ColourBank::kLedCount) {
        return;
    }
    m_tied[profile][led] = tied;
}

void SyncSession::markTiesFromBanks() {
    for (int p = 0; p < kProfileCount; ++p) {
        const Rgb base = m_lighting.lighting[p].colourAt(LightingRecord::kBaseColour);
        const ColourBank& bank = m_lighting.colours[p];
        for (const PictureKey& key : kPictureKeys) {
            m_tied[p][key.led] = bank.colourOf(key.led) == base;
        }
        m_tied[p][kFnLed] = bank.colourOf(kFnLed) == base;
        m_tied[p][kGKeyLed] = bank.colourOf(kGKeyLed) == base;
    }
}

}  // namespace quorvane
