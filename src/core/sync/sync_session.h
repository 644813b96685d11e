// Synchronisation of the configuration with the keyboard: reading everything
// when the keyboard arrives or reports a change, Apply, switching profiles,
// restoring defaults and re-reading or re-sending the lighting.
//
// One SyncSession per main window; its operations run on the window's thread
// and block it while the commands travel. Results are the device link's codes
// (core/device/device_result.h) and those of core/sync/sync_result.h.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/prompter.h"
#include "core/app/text_lookup.h"
#include "core/config/device_layouts.h"
#include "core/config/lighting_state.h"
#include "core/config/user_mode_files.h"
#include "core/config/working_config.h"
#include "core/device/command_set.h"
#include "core/device/result.h"
#include "core/sync/busy_indicator.h"
#include "core/sync/keyboard_history.h"
#include "core/sync/main_window_port.h"
#include "core/sync/transfer_intent.h"

namespace quorvane {

// What a session works on. Everything referenced outlives the session.
struct SyncEnvironment {
    CommandSet& commands;
    WorkingConfig& config;
    DownloadSnapshot& snapshot;
    LightingState& lighting;
    MainWindowPort& window;
    Prompter& prompter;
    TextLookup loadText;         // may be empty: every text then reads as the key itself
    std::string userDataFolder;  // the profile cache files, user mode files, "wskb.ini"
    std::string skinsFolder;     // program folder + "Skins/": the template user mode file
    BusyTiming busyTiming{};
    // Where the record of a transfer lives (the per-user state folder);
    // empty: the user data folder. A record an earlier build left in the user
    // data folder is moved here when the session starts.
    std::string transferRecordFolder;
    // Where what the keyboard held before each write is kept; empty: the
    // folder "history" in the transfer record's folder.
    std::string historyFolder;
    HistoryLimits historyLimits{};
};

// Where the model in WorkingConfig came from. A model that a failed reload
// installed stands in for a keyboard that could not be read: Apply writes it
// only after the user confirmed it (a prompt, or adoptModel()).
enum class ModelOrigin {
    Startup,     // the default image made at start, never from the keyboard
    Keyboard,    // a reload from the keyboard, or its cache file
    StandIn,     // a failed reload installed a default image
    UserAction,  // an import, a restore of defaults, a confirmed edit
};

class SyncSession {
  public:
    explicit SyncSession(SyncEnvironment environment);
    SyncSession(const SyncSession&) = delete;
    SyncSession& operator=(const SyncSession&) = delete;

    // ---- The keyboard's settings block (sync_session.cpp) -------------------

    // Reads the settings block and keeps byte 10 in activeProfile; shows the
    // default-mode notice for 3 and above, hides it otherwise. Returns the
    // value, or -1 when the read failed (activeProfile kept; the read's own
    // result code is lastSettingsResult()).
    int readActiveProfile();
    int lastSettingsResult() const { return m_lastSettingsResult; }

    // Makes p (0..3) the keyboard's active profile, keeping every other byte
    // of the settings block. activeProfile becomes p, or -1 when the write
    // fails. -201 for p < 0 (nothing sent).
    int selectProfile(int p);

    // ---- Reading the configuration (keyboard_reload.cpp) --------------------

    // Writes what the keyboard holds (three key tables, the macros) into the
    // profile file `path`. 1 on success; otherwise the failing read's code or
    // kSyncFileNotWritten, and the file is left as it was. `whole`, when
    // given, tells whether the macros read write back as the same bytes (an
    // area cut off mid-write does not).
    int backupKeyboard(const std::string& path, bool* whole = nullptr);

    // Replaces the whole model with the keyboard's configuration, through the
    // profile cache file. When that fails a default image is installed
    // (origin StandIn) and the failure is returned. Clears the dirty mark
    // unless `keepDirty`.
    int reloadFromKeyboard(bool keepDirty = false);
    // The cache file a reload of `activeProfile` goes through: that profile's,
    // or profile 0's while the keyboard is in its default mode.
    std::string reloadCacheFile(int activeProfile) const;
    // True when the cache file of `activeProfile` holds what the keyboard
    // holds, as far as this session knows: written by it since the keyboard's
    // configuration last changed.
    bool cacheInStep(int activeProfile) const;

    // ---- Writing the configuration (configuration_download.cpp) -------------

    // Writes the macro area and the key table of the active profile, or all
    // three. With the active profile's table go those of other profiles that
    // the model changed since the keyboard last held them (a profile switched
    // on the keyboard before Apply, or macro positions moved by the new area).
    // Nothing is sent when the macros do not fit (message), when there is no
    // image, or (single profile) when the keyboard is in its default mode.
    // Once BeginTransfer went out, EndTransfer always follows; the first
    // failing command ends the writes and is the result. From then on no cache
    // file counts as the keyboard's copy until saveKeyboardCopy() runs.
    // Before anything is sent, what the keyboard held is saved in its history
    // (as `operation`); when that fails nothing is sent (kSyncHistoryNotSaved).
    int download(bool allProfiles, HistoryOperation operation = HistoryOperation::Apply);

    // The Apply command: in default mode nothing (kSyncDefaultMode). When the
    // configuration is dirty: download the active profile, then save the
    // cache files (saveKeyboardCopy); the dirty mark is cleared only when both
    // succeeded.
    int applyConfiguration(HistoryOperation operation = HistoryOperation::Apply);
    // Saves the model, which the keyboard now holds, as the keyboard's copy:
    // every profile's cache file (each holds all three profiles and the
    // macros), created when missing. 1, or kSyncCacheNotSaved when any of them
    // could not be written.
    int saveKeyboardCopy();

    // ---- Profiles and defaults (profile_switching.cpp) ----------------------

    // The profile switch (p = 0..2): asks to apply pending changes first.
    int switchProfile(int p);
    // The user picked profile p (0..2) in the window: shows it, and makes it
    // the keyboard's active profile through switchProfile when it is not.
    int onProfileButton(int p);
    // The default button: asks, restores the active profile's default keys,
    // the lighting defaults when the lamp is on, then applies.
    int restoreDefaults();
    // restoreDefaults without its question (the command-line tool's --yes).
    int restoreDefaultsConfirmed();

    // ---- Lighting, the lamp and the tie flags (lighting_sync.cpp) -----------

    // Reads the settings block, the three lighting records and, when `full`,
    // the colour banks. -1 when the settings block cannot be read; otherwise
    // 1, or the first failing later read (what it would have read stays as it
    // was).
    int rereadLighting(bool full);
    // Sends the current user mode's per-key colours (effect 20 only). In the
    // default mode (current profile 3) the colours are taken into the model
    // but nothing is sent.
    int applyUserMode();
    // Sends the current profile's colour bank as it is (eight 54-byte writes).
    int sendUserModeBank();
    int restoreLightingDefaults();
    // The current profile's lighting record as the panel shows it.
    LightingPanelValues panelValues(bool full) const;
    // True when the keyboard's effect list offers the per-key colour effect.
    bool offersUserModes() const;

    // The lamp and the tie flags.
    bool lampOn() const;
    // Stores the lamp flag; switching it on does nothing in profile 3 (false).
    bool setLamp(bool on);
    // Clears the flag and shows the lamp-off display.
    void switchLampOff();

    // Whether the key at `led` follows the base colour in `profile` (0..3).
    bool isTied(int profile, int led) const;
    void setTied(int profile, int led, bool tied);

    // ---- What the keyboard reports (keyboard_reports.cpp) -------------------

    void onLightingChanged();       // consumer code 0x401
    void onActiveProfileChanged();  // consumer code 0x402
    void onProfileMessage();        // the keyboard arrived, or consumer code 0x403

    // ---- A transfer cut short (transfer_finish.cpp) -------------------------
    // Every download saves its intent record first and clears it once the
    // keyboard took all of it (core/sync/transfer_intent.h).

    // The keyboard's record (records belong to one keyboard each): the
    // attached keyboard's, else that of the last one seen.
    TransferRecordPlace transferRecordPlace() const;
    PendingTransfer pendingTransfer() const { return readTransferIntent(transferRecordPlace()); }
    const std::string& transferRecordFolder() const { return m_recordFolder; }
    // Writes the pending record's memories again and clears the mark when the
    // keyboard took them all. 1 when nothing is pending; kSyncBadFile for a
    // damaged record; kSyncMacroSpaceExceeded when its macro area does not
    // fit this keyboard; kSyncFileNotRead for a record that could not be read
    // (left where it is); else the first failing command's code.
    int finishPendingTransfer();
    // Keeps what the keyboard holds: the mark goes (a damaged record is moved
    // aside). 1, or kSyncFileNotWritten.
    int discardPendingTransfer();
    // The profile-changed message asks first, when a transfer is pending,
    // whether to finish it (Yes) or keep what the keyboard holds (No). A
    // question left unanswered (the program closing) keeps the record; so does
    // a record that could not be read (told, not asked). On by
    // default; a client that asks otherwise (the command-line tool) turns it off.
    void setOfferPendingTransfer(bool offer) { m_offerPendingTransfer = offer; }
    // The question itself; done by onProfileMessage before its reload.
    void offerPendingTransfer();

    // ---- The keyboard's history (keyboard_history_entries.cpp) --------------

    const std::string& historyFolder() const { return m_historyFolder; }
    // What the keyboard holds as far as this session knows: read by the last
    // reload and followed through every write since; none when unknown (a
    // stand-in model, a write cut part-way).
    const std::optional<KeyboardCopy>& keyboardCopy() const { return m_keyboardCopy; }

    // ---- Why it failed ------------------------------------------------------------

    // The failure behind `code`, as the last download, Apply, reload, backup,
    // import or finish returned it: the code with where it arose ("write key
    // table of profile 3, piece 4 of 7"), or the code alone when this session
    // does not know where. For telling a person.
    Result explain(int code) const;

    // ---- The dirty mark and the model's origin -------------------------------

    bool isDirty() const { return m_window.IsChangesPending(); }
    // For editors: the model was changed. A stand-in model stays a stand-in.
    void markDirty() { m_window.EnableApply(true); }
    void clearDirty() { m_window.EnableApply(false); }
    ModelOrigin modelOrigin() const { return m_origin; }
    // The user confirmed the model as it is (Apply will write a stand-in).
    void adoptModel() { m_origin = ModelOrigin::UserAction; }
    void setModelOrigin(ModelOrigin origin) { m_origin = origin; }

    // ---- Access ----------------------------------------------------------------

    CommandSet& commands() { return m_commands; }
    WorkingConfig& config() { return m_config; }
    DownloadSnapshot& snapshot() { return m_snapshot; }
    LightingState& lighting() { return m_lighting; }
    const LightingState& lighting() const { return m_lighting; }
    MainWindowPort& window() { return m_window; }
    Prompter& prompter() { return m_prompter; }
    const UserModeFiles& userModes() const { return m_userModes; }
    const std::string& userDataFolder() const { return m_userDataFolder; }
    std::u16string text(std::u16string_view key) const;

  private:
    // Keep `code` with `context` (or with the command set's last failure on
    // this thread, when it has that code) for explain(); return `code`.
    int fail(int code, std::string context);
    int failCommand(int code);

    // What writeTransfer did: its result, and whether the macro area arrived.
    struct TransferOutcome {
        int result = 0;
        bool areaWritten = false;
    };
    static constexpr int kNoProfileCheck = -1;

    // The steps of download(): the snapshot and its macro area (names dropped
    // when only the nameless area fits), then the key tables it writes.
    int buildDownloadArea(std::vector<std::uint8_t>& area, bool& withNames);
    int chooseDownloadTables(bool allProfiles, int active,
                             std::vector<TransferIntent::Table>& tables);
    // The one write sequence of a download and of a finished pending transfer:
    // BeginTransfer, the macro area, the key tables in order, EndTransfer;
    // the intent record goes once all of it arrived. Before the table of
    // `checkedProfile` the keyboard's active profile is read again.
    TransferOutcome writeTransfer(const TransferIntent& intent, int checkedProfile,
                                  const TransferRecordPlace& place);

    // Saves what the keyboard holds in its history before `intent` is
    // written: the copy this session knows, else one read now, else (a
    // stand-in, a keyboard that cannot be read) an entry saying nothing was
    // saved. kSyncHistoryNotSaved when no entry could be written.
    int saveHistoryBeforeWrite(HistoryOperation operation, const TransferIntent& intent);
    // Reads the three key tables and the macro area.
    int readKeyboardCopy(KeyboardCopy& copy);

    int installStandIn(int failure);
    int reloadModelFromCache(int activeProfile);
    int confirmStandIn();
    void markTiesFromBanks();
    void rebuildEffectList();
    // The key tables the model gives now, taken as what the keyboard holds.
    void rememberKeyboardTables();

    CommandSet& m_commands;
    WorkingConfig& m_config;
    DownloadSnapshot& m_snapshot;
    LightingState& m_lighting;
    MainWindowPort& m_window;
    Prompter& m_prompter;
    TextLookup m_loadText;
    std::string m_userDataFolder;
    std::string m_recordFolder;
    std::string m_historyFolder;
    HistoryLimits m_historyLimits;
    std::optional<KeyboardCopy> m_keyboardCopy;
    UserModeFiles m_userModes;
    BusyIndicator m_busy;

    int m_lastSettingsResult = 1;
    Result m_failure;                 // see explain()
    bool m_switchPromptOpen = false;  // the profile-switch question is open
    bool m_offerPendingTransfer = true;
    bool m_toldOtherKeyboardsRecords = false;
    mutable std::mutex m_keyboardIdentityMutex;
    mutable std::string m_lastKeyboardIdentity;
    bool m_pendingPromptOpen = false;  // the interrupted-transfer question is open
    ModelOrigin m_origin = ModelOrigin::Startup;
    std::array<std::array<bool, ColourBank::kLedCount>, kColourBankCount> m_tied{};
    // Per profile, whether its cache file is the keyboard's copy (see
    // cacheInStep). Cleared before anything is written to the keyboard.
    std::array<bool, kProfileCount> m_cacheInStep{};
    // Per profile, the key table the keyboard holds as far as this session
    // knows (after a reload or a write); none when unknown.
    std::array<std::optional<DeviceKeyTable>, kProfileCount> m_keyboardTables{};
};

}  // namespace quorvane
