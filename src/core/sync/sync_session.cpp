#include "core/sync/sync_session.h"

#include <utility>

#include "core/device/device_result.h"

namespace quorvane {

SyncSession::SyncSession(SyncEnvironment environment)
    : m_commands(environment.commands),
      m_config(environment.config),
      m_snapshot(environment.snapshot),
      m_lighting(environment.lighting),
      m_window(environment.window),
      m_prompter(environment.prompter),
      m_loadText(std::move(environment.loadText)),
      m_userDataFolder(std::move(environment.userDataFolder)),
      m_recordFolder(environment.transferRecordFolder.empty()
                         ? m_userDataFolder
                         : std::move(environment.transferRecordFolder)),
      m_historyFolder(environment.historyFolder.empty() ? m_recordFolder + "/history"
                                                        : std::move(environment.historyFolder)),
      m_historyLimits(environment.historyLimits),
      m_userModes(m_userDataFolder, environment.skinsFolder),
      m_busy([this](bool on) { m_window.showBusy(on); }, environment.busyTiming) {
    // Keys without a stored colour follow the base colour.
    for (auto& profile : m_tied) {
        profile.fill(true);
    }
    if (m_recordFolder != m_userDataFolder) {
        moveTransferIntent(m_userDataFolder, m_recordFolder);
    }
}

TransferRecordPlace SyncSession::transferRecordPlace() const {
    std::string identity = m_commands.keyboardIdentity();
    const std::lock_guard lock(m_keyboardIdentityMutex);
    if (identity.empty()) {
        identity = m_lastKeyboardIdentity;  // pulled out, perhaps mid-transfer
    } else {
        m_lastKeyboardIdentity = identity;
    }
    return {m_recordFolder, identity};
}

std::u16string SyncSession::text(std::u16string_view key) const {
    return m_loadText ? m_loadText(key) : std::u16string(key);
}

Result SyncSession::explain(int code) const {
    return m_failure.code() == code ? m_failure : Result(code);
}

int SyncSession::fail(int code, std::string context) {
    m_failure = Result(code, std::move(context));
    return code;
}

int SyncSession::failCommand(int code) {
    const Result command = CommandSet::lastFailure();
    m_failure = command.code() == code ? command : Result(code);
    return code;
}

int SyncSession::readActiveProfile() {
    std::array<std::uint8_t, kSettingsBlockSize> block{};
    m_lastSettingsResult = m_commands.ReadSettings(block);
    if (m_lastSettingsResult != kResultDone) {
        failCommand(m_lastSettingsResult);
        return -1;
    }
    const int p = block[SettingsBlock::kActiveProfile];
    m_lighting.activeProfile = p;
    m_window.showDefaultModeNotice(p >= kDefaultModeBlock);
    return p;
}

int SyncSession::selectProfile(int p) {
    // Byte 10 takes a profile or the default mode; anything else would leave
    // the keyboard in a state it does not describe.
    if (p < 0 || p > kDefaultModeBlock) {
        return kResultBadArgument;
    }
    std::array<std::uint8_t, kSettingsBlockSize> block{};
    const int read = m_commands.ReadSettings(block);
    if (read != kResultDone) {
        return read;
    }
    block[SettingsBlock::kActiveProfile] = static_cast<std::uint8_t>(p);
    const int written = m_commands.WriteSettings(block);
    m_lighting.activeProfile = written == kResultDone ? p : -1;
    return written;
}

}  // namespace quorvane
