#include "core/sync/lighting_writes.h"

#include <algorithm>

#include "core/device/device_result.h"
#include "core/sync/picture_keys.h"
#include "core/sync/sync_result.h"
#include "core/sync/sync_session.h"

namespace quorvane {

namespace {

bool isCurrentProfileEditable(const SyncSession& session) {
    const int p = session.lighting().currentProfile;
    return p >= 0 && p < kProfileCount;
}

}  // namespace

EffectWrite effectWriteOf(std::uint8_t effectCode) {
    switch (effectCode) {
        case 1:
        case 2:
        case 3:
        case 5:
        case 7:
        case 8:
        case 9:
        case 13:
        case 14:
        case 15:
            return EffectWrite::EffectAndRandom;
        case 4:
        case 6:
        case 10:
        case 11:
        case 12:
        case 16:
        case 17:
        case 18:
        case 20:
            return EffectWrite::EffectOnly;
        default:
            return EffectWrite::Nothing;
    }
}

int sendLightingBracket(CommandSet& commands, const LightingBracket& bracket) {
    // No other client's command between the bracket's ends.
    const KeyboardLock::Hold client = commands.holdKeyboard();
    int result = commands.BeginTransfer();
    for (const LightingPiece& piece : bracket) {
        if (result != kResultDone) {
            break;
        }
        const int count = static_cast<int>(piece.bytes.size());
        result = piece.command == Command::WriteKeyColours
                     ? commands.WriteKeyColours(piece.bytes, count, piece.offset, piece.bank)
                     : commands.WriteLighting(piece.bytes, count, piece.offset);
    }
    const int ended = commands.EndTransfer(1);
    return result == kResultDone ? ended : result;
}

LightingBracket colourBankBracket(const ColourBank& bank, int bankNumber) {
    constexpr int kPieceLeds = 18;  // 54 bytes
    constexpr std::ptrdiff_t kPieceBytes = 54;
    constexpr int kPieces = 8;  // LEDs 0..143, every LED the program uses
    LightingBracket bracket;
    bracket.reserve(kPieces);
    for (int k = 0; k < kPieces; ++k) {
        const auto from = bank.bytes.begin() + kPieceBytes * k;
        bracket.push_back({Command::WriteKeyColours, k * kPieceLeds, bankNumber,
                           std::vector<std::uint8_t>(from, from + kPieceBytes)});
    }
    return bracket;
}

int LightingWrites::send(LightingBracket bracket) {
    return m_sink != nullptr ? m_sink->queue(std::move(bracket))
                             : sendLightingBracket(m_session.commands(), bracket);
}

int LightingWrites::writeRecordBytes(std::initializer_list<Field> fields) {
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    const int p = m_session.lighting().currentProfile;
    const auto& record = m_session.lighting().lighting[p].bytes;
    LightingBracket bracket;
    for (const Field& f : fields) {
        const auto from = record.begin() + static_cast<std::ptrdiff_t>(f.offset);
        bracket.push_back(
            {Command::WriteLighting,
             p * static_cast<int>(kLightingRecordSize) + static_cast<int>(f.offset), 0,
             std::vector<std::uint8_t>(from, from + static_cast<std::ptrdiff_t>(f.width))});
    }
    return send(std::move(bracket));
}

int LightingWrites::writeChangedByte(std::uint8_t& stored, std::uint8_t value, Field field) {
    const std::uint8_t before = stored;
    stored = value;
    const int result = writeRecordBytes({field});
    // The model keeps saying what the keyboard holds, or the same value
    // asked for again would be taken as already there and never sent.
    if (result != kResultDone) {
        stored = before;
    }
    return result;
}

int LightingWrites::setEffect(std::uint8_t effectCode) {
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    LightingRecord& record = m_session.lighting().lighting[m_session.lighting().currentProfile];
    record.bytes[LightingRecord::kEffect] = effectCode;
    int result = kResultBadArgument;
    switch (effectWriteOf(effectCode)) {
        case EffectWrite::EffectAndRandom:
            record.bytes[LightingRecord::kMulticolour] =
                record.bytes[LightingRecord::kMulticolour] != 0 ? 1 : 0;
            result = writeRecordBytes({LightingRecord::kEffect, LightingRecord::kMulticolour});
            break;
        case EffectWrite::EffectOnly:
            result = writeRecordBytes({LightingRecord::kEffect});
            break;
        case EffectWrite::Nothing:
            break;
    }
    if (effectCode == kPerKeyColourEffect) {
        m_session.window().refreshKeyColours();
    }
    return result;
}

int LightingWrites::setBrightness(int brightness) {
    if (brightness < 0 || brightness > 4) {
        return kResultBadArgument;
    }
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    std::uint8_t& stored = m_session.lighting()
                               .lighting[m_session.lighting().currentProfile]
                               .bytes[LightingRecord::kBrightness];
    if (stored == brightness) {
        return kResultDone;
    }
    return writeChangedByte(stored, static_cast<std::uint8_t>(brightness),
                            LightingRecord::kBrightness);
}

int LightingWrites::setSpeedPosition(int position) {
    if (position < 0 || position > 4) {
        return kResultBadArgument;
    }
    return setSpeed(4 - position);
}

int LightingWrites::setSpeed(int speed) {
    if (speed < 0 || speed > 4) {
        return kResultBadArgument;
    }
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    std::uint8_t& stored = m_session.lighting()
                               .lighting[m_session.lighting().currentProfile]
                               .bytes[LightingRecord::kSpeed];
    if (stored == speed) {
        return kResultDone;
    }
    return writeChangedByte(stored, static_cast<std::uint8_t>(speed), LightingRecord::kSpeed);
}

int LightingWrites::setDirection(int direction) {
    if (direction != 0 && direction != 1) {
        return kResultBadArgument;
    }
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    m_session.lighting()
        .lighting[m_session.lighting().currentProfile]
        .bytes[LightingRecord::kDirection] = static_cast<std::uint8_t>(direction);
    return writeRecordBytes({LightingRecord::kDirection});
}

int LightingWrites::setEffectColour(Rgb colour) {
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    LightingRecord& record = m_session.lighting().lighting[m_session.lighting().currentProfile];
    record.bytes[LightingRecord::kMulticolour] = 0;
    record.setColourAt(LightingRecord::kColour, colour);
    return writeRecordBytes({spanning(LightingRecord::kMulticolour, LightingRecord::kColour)});
}

int LightingWrites::toggleRandomColour() {
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    const LightingRecord& record =
        m_session.lighting().lighting[m_session.lighting().currentProfile];
    return setRandomColour(record.bytes[LightingRecord::kMulticolour] == 0);
}

int LightingWrites::setRandomColour(bool on) {
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    m_session.lighting()
        .lighting[m_session.lighting().currentProfile]
        .bytes[LightingRecord::kMulticolour] = on ? 1 : 0;
    return writeRecordBytes({LightingRecord::kMulticolour});
}

int LightingWrites::setEffect17Colour(int index) {
    if (index < 0 || index > 3) {
        return kResultBadArgument;
    }
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    m_session.lighting()
        .lighting[m_session.lighting().currentProfile]
        .bytes[LightingRecord::kVariant] = static_cast<std::uint8_t>(index);
    return writeRecordBytes({LightingRecord::kVariant});
}

int LightingWrites::setReportRate(int rate) {
    if (rate < 0 || rate > 3) {
        return kResultBadArgument;
    }
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    m_session.lighting()
        .lighting[m_session.lighting().currentProfile]
        .bytes[LightingRecord::kReportRate] = static_cast<std::uint8_t>(rate);
    return writeRecordBytes({LightingRecord::kReportRate});
}

int LightingWrites::setBaseColour(Rgb colour) {
    if (!isCurrentProfileEditable(m_session)) {
        return kSyncNotApplicable;
    }
    LightingState& lighting = m_session.lighting();
    UserModeState& mode = lighting.userMode;
    if (mode.baseColour == colour) {
        return kResultDone;
    }
    const int p = lighting.currentProfile;
    mode.baseColour = colour;
    const UserModeFiles& files = m_session.userModes();
    auto recolour = [&](int led) {
        if (m_session.isTied(p, led)) {
            lighting.colours[p].setColour(led, colour);
            files.writeKeyColour(p, mode.selectedMode, led, colour, true);
        }
    };
    for (const PictureKey& key : kPictureKeys) {
        recolour(key.led);
    }
    recolour(kGKeyLed);
    recolour(kFnLed);
    // Kept with the mode at once, so the base colour survives a restart even
    // when the tool or brush is never touched again.
    files.writeModeTools(p, mode.selectedMode, mode);
    m_session.window().refreshKeyColours();

    lighting.lighting[p].setColourAt(LightingRecord::kBaseColour, colour);
    const int sent = m_sink != nullptr ? send(colourBankBracket(lighting.colours[p], p))
                                       : m_session.sendUserModeBank();
    const int written = writeRecordBytes({LightingRecord::kBaseColour});
    return sent == kResultDone ? written : sent;
}

int LightingWrites::paintKey(int led) {
    LightingState& lighting = m_session.lighting();
    if (!isCurrentProfileEditable(m_session) || led < 0 || led >= ColourBank::kLedCount) {
        return kResultBadArgument;
    }
    const int p = lighting.currentProfile;
    if (!m_session.lampOn() ||
        lighting.lighting[p].bytes[LightingRecord::kEffect] != kPerKeyColourEffect) {
        return kResultBadArgument;
    }
    const UserModeState& mode = lighting.userMode;
    const bool tied = mode.tool == kToolBaseColour;
    const Rgb colour = tied ? mode.baseColour : mode.freeColour;

    lighting.colours[p].setColour(led, colour);
    const int result =
        send({{Command::WriteKeyColours, led, p, {colour.red, colour.green, colour.blue}}});
    m_session.setTied(p, led, tied);
    m_session.userModes().writeKeyColour(p, mode.selectedMode, led, colour, tied);
    return result;
}

bool LightingWrites::setBrushColour(Rgb colour) {
    LightingState& lighting = m_session.lighting();
    const int bank = lighting.currentProfile;
    lighting.userMode.freeColour = colour;
    return m_session.userModes().writeModeTools(bank, lighting.userMode.selectedMode,
                                                lighting.userMode);
}

bool LightingWrites::setTool(int tool) {
    if (tool != kToolFreeColour && tool != kToolBaseColour) {
        return false;
    }
    LightingState& lighting = m_session.lighting();
    lighting.userMode.tool = static_cast<std::uint8_t>(tool);
    return m_session.userModes().writeModeTools(lighting.currentProfile,
                                                lighting.userMode.selectedMode, lighting.userMode);
}

int LightingWrites::selectUserMode(int mode) {
    if (mode < 0 || mode >= kUserModeCount) {
        return kResultBadArgument;
    }
    LightingState& lighting = m_session.lighting();
    lighting.userMode.selectedMode = mode;
    m_session.userModes().writePresentMode(lighting.currentProfile, mode);
    return m_session.applyUserMode();
}

bool LightingWrites::renameUserMode(std::u16string_view name) {
    const LightingState& lighting = m_session.lighting();
    return m_session.userModes().writeModeName(
        lighting.currentProfile, lighting.userMode.selectedMode,
        name.substr(0, std::min(name.size(), kModeNameMaxChars)));
}

}  // namespace quorvane
