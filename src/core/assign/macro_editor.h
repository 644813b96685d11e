// The macro page of the assignment dialog: the list of macro names, the steps
// of the selected macro, the cycles field, the recorder, and the commit that
// hands the edited macros to the model on Apply.
//
// The editor works on private copies of the model's macros; nothing reaches
// the model before commitMacros. It runs on the window thread; a dialog
// forwards its controls' changes and key events and reads back what to show.
// The model is read and written under ConfigLock: by loadMacros(),
// modelKeysUse() and commitMacros() themselves, or, where the window thread
// must not wait on the lock, by readMacroModel() and commitMacrosTo() on
// another thread, their results handed to loadMacros(MacroModel) and
// macrosCommitted().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/prompter.h"
#include "core/app/text_lookup.h"
#include "core/assign/key_event.h"
#include "core/config/macro_area_codec.h"
#include "core/config/macro_record.h"
#include "core/config/working_config.h"

namespace quorvane {

// Language-text keys of the macro page.
inline constexpr std::u16string_view kTextMacroErrMax = u"IDS_MACRO_ERR_MAX";
inline constexpr std::u16string_view kTextMacroDeleteInUse =
    u"IDS_KEY_MACRO_DELETE_CONFIRM_OF_KEYS";
inline constexpr std::u16string_view kTextMacroClearConfirm = u"IDS_MACRO_ACTION_CLEAR_CONFIRM";
inline constexpr std::u16string_view kTextMacroDelayMax = u"IDS_MACRO_ACTION_ERR_DELAY_MAX";
inline constexpr std::u16string_view kTextMacroRecord = u"IDS_MACRO_ACTION_RECORD";
inline constexpr std::u16string_view kTextMacroStopRecord = u"IDS_MACRO_ACTION_STOP_RECORD";
inline constexpr std::u16string_view kTextMacroNewPrefixKey = u"IDS_MACRO_NEW_PREFIX";

inline constexpr std::uint32_t kMaxTypedDelayMs = 40000;
inline constexpr std::uint32_t kDelayStepMs = 10;
// The pause every recorded step gets while real delays are not recorded.
inline constexpr std::uint32_t kFixedRecordDelayMs = 50;
// The pause after the press the recorder adds before a release-only key.
inline constexpr std::uint32_t kUpOnlyPressDelayMs = 2;
inline constexpr int kMinCycles = 1;
inline constexpr int kMaxCycles = 255;

// What a step row shows: the key's name, "↓" or "  ↑", the delay in decimal.
std::u16string stepActionText(std::uint16_t state);
struct StepRowTexts {
    std::u16string key;
    std::u16string action;
    std::u16string delay;
};
StepRowTexts stepRowTexts(const MacroAction& step, const TextLookup& loadText);

// The result of commitMacros.
struct MacroCommit {
    bool committed = false;       // false: no memory, the model kept its macros
    std::vector<int> fellBack;    // entry indexes that became ActionDefault
    bool entriesChanged = false;  // some key entry changed (fell back or took a macro)
};

// What the editor reads of the model when it opens: the macros and the
// macro ids that key entries play.
struct MacroModel {
    std::vector<MacroRecord> macros;
    std::vector<std::uint32_t> idsPlayed;
    bool ok = false;  // false: memory ran short, nothing was copied
};
// Reads it under ConfigLock.
MacroModel readMacroModel(const WorkingConfig& config);

// The commit of `macros` (an editor's copies, isNew marking the ones added
// since it opened) into the model, under ConfigLock: see commitMacros.
MacroCommit commitMacrosTo(WorkingConfig& config, const std::vector<MacroRecord>& macros);

class MacroEditor {
  public:
    // `markDirty` is called after every edit. Everything referenced outlives
    // the editor.
    MacroEditor(WorkingConfig& config, Prompter& prompter, TextLookup loadText,
                std::function<void()> markDirty);
    MacroEditor(const MacroEditor&) = delete;
    MacroEditor& operator=(const MacroEditor&) = delete;

    // ---- Opening and closing ---------------------------------------------------

    // loadMacros: copies of the model's macros (isNew cleared), none selected,
    // no steps, cycles "1", the name counter at 0.
    void loadMacros();
    // The same from what readMacroModel() read; the in-use question then
    // answers from `model.idsPlayed` (kept up to date by macrosCommitted).
    void loadMacros(MacroModel model);
    // clearEditor: drops every copy (recording stopped).
    void clearEditor();

    // ---- The name list ---------------------------------------------------------

    const std::vector<MacroRecord>& macros() const { return m_items; }
    int selectedMacro() const { return m_selected; }
    // Item `index` (-1: none) picked: the steps go into the macro selected
    // before, then the new one is shown. Ignored while recording.
    void selectMacro(int index);
    // The index of the macro with `id`; nullopt when none has it.
    std::optional<int> indexOfId(std::uint32_t id) const;

    // Typing into the name field: renames the selected macro, or, on an empty
    // list, makes macro 1 with that name. With macros but none selected
    // nothing happens (false).
    bool typeName(std::u16string_view text);
    // Add (1017). False when the list is full (message) or nothing was added.
    bool addMacro();
    // Delete (1018); asks first when keys of the model play a stored macro.
    // False when nothing was deleted.
    bool deleteMacro();

    // ---- The steps of the selected macro ----------------------------------------

    const std::vector<MacroAction>& steps() const { return m_rows; }
    int selectedStep() const { return m_selectedRow; }
    void selectStep(int row);  // -1: none
    // The step buttons (1020-1026) work exactly while a macro is selected.
    bool stepButtonsEnabled() const { return m_selected >= 0; }

    bool deleteStep();
    // Asks first; false when there were no steps or the answer was No.
    bool clearSteps();
    bool moveStepToTop();
    bool moveStepUp();
    bool moveStepDown();
    bool moveStepToBottom();

    // In-place edits of a row's cells. Key: a picker position 0-105; action:
    // 0 press, 1 release. Both change the step only when the value differs.
    bool setStepKeyListIndex(int row, int listIndex);
    bool setStepState(int row, int state);
    // Opening a delay cell stops the recording.
    void beginDelayEdit();
    // The delay cell's text when its edit ends: empty changes nothing;
    // otherwise above 40000 the message and 40000, then rounded down to a
    // multiple of 10. Returns the text the cell shows afterwards (nullopt:
    // unchanged).
    std::optional<std::u16string> endDelayEdit(int row, std::u16string_view text);

    // ---- The cycles field ----------------------------------------------------------

    const std::u16string& cyclesText() const { return m_cyclesText; }
    // After every change: 1-255 kept, 0 or less becomes "1", 256 or more
    // "255", text that is no number "1"; an empty field stays empty while
    // being typed and counts as 1. Returns the field's text.
    const std::u16string& setCyclesText(std::u16string_view text);
    // The number the field stands for, always 1-255.
    int cycles() const;

    // ---- Recording -----------------------------------------------------------------

    bool recording() const { return m_recording; }
    // The record button (1020): starts with a macro selected, or stops.
    // `nowMs` is on the clock of the key events' times.
    void toggleRecording(std::uint64_t nowMs);
    void stopRecording();
    // A key event while recording: media keys and no key pass on; auto-repeats
    // (and a Windows key pressed again while held) and the presses of the
    // release-only keys are swallowed without a step; other presses and
    // releases become steps.
    KeyRoute recordKey(const KeyEvent& event);
    // Add, Delete and the name list are usable while not recording.
    bool nameListEnabled() const { return !m_recording; }
    // The language-text key of the record button's caption.
    std::u16string_view recordCaptionKey() const {
        return m_recording ? kTextMacroStopRecord : kTextMacroRecord;
    }

    // Record delays: 1 records the measured pauses, 0 gives each step 50 ms.
    int recordDelays() const { return m_recordDelays; }
    void setRecordDelays(int v) { m_recordDelays = v; }

    // ---- Apply -----------------------------------------------------------------------

    // Saves the steps into the selected macro.
    void saveSteps();
    // commitMacros: the steps saved, then under ConfigLock the key entries
    // that play a macro checked (a deleted or new id falls back to default, a
    // 0 takes the first macro) and the model's macros replaced. The editor's
    // copies count as stored afterwards. Nothing is committed without memory
    // or when loadMacros could not copy the model's macros.
    MacroCommit commitMacros();
    // commitMacros in two steps: the copies to commit (the steps saved;
    // nullopt when there is nothing to commit), handed to commitMacrosTo()
    // elsewhere, then its result with the ids key entries play afterwards.
    std::optional<std::vector<MacroRecord>> macrosToCommit();
    void macrosCommitted(const MacroCommit& commit, std::vector<std::uint32_t> idsPlayed);

    // ---- The macro memory meter ---------------------------------------------------

    // How much of the keyboard's macro memory (`capacity` bytes) the list
    // takes as it stands, the selected macro with its step list: the area
    // Apply would write.
    MacroMemoryUse memoryUse(std::uint32_t capacity) const;

    // Whether a key entry of the model plays the macro `id`.
    bool modelKeysUse(std::uint16_t id) const;

  private:
    void showMacro();
    void insertRecordedStep(KeyId key, std::uint16_t state, std::uint32_t delay);
    void recordStep(KeyId key, bool release, std::uint64_t timeMs);
    bool moveStepTo(int target);
    std::u16string text(std::u16string_view key) const;
    void dirty() {
        if (m_markDirty) {
            m_markDirty();
        }
    }

    WorkingConfig& m_config;
    Prompter& m_prompter;
    TextLookup m_loadText;
    std::function<void()> m_markDirty;

    std::vector<MacroRecord> m_items;
    bool m_loaded = false;  // the copies of the model's macros were made
    // Set by loadMacros(MacroModel): the ids key entries play, read with the
    // macros, so the in-use question needs no lock.
    std::optional<std::vector<std::uint32_t>> m_idsPlayed;
    int m_selected = -1;
    std::vector<MacroAction> m_rows;
    int m_selectedRow = -1;
    std::u16string m_cyclesText = u"1";
    int m_nameCounter = 0;
    int m_recordDelays = 0;

    bool m_recording = false;
    std::uint64_t m_lastEventMs = 0;
    KeyId m_heldWindowsKey = 0;  // the last Windows key pressed, until any release
};

}  // namespace quorvane
