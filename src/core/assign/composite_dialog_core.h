// The rules of the key assignment dialog that draw nothing: opening for a key
// button, the four pages and Clear, the single-key capture, Apply, closing;
// the macro page is a MacroEditor.
//
// A dialog forwards its clicks and key events here and reads back what to
// show: the page, the key field, the list selections, the dirty state (its
// Apply button) and the editor's lists. While capturing() or the editor is
// recording, it reads every key event itself (grabbing the keyboard) and
// hands it to onKey. Messages go through the Prompter, the main window and
// the keyboard through the AssignPort. Everything runs on the window thread.
// The model is read and written under ConfigLock, in the two steps that also
// read the keyboard: opening (readCompositeOpening) and Apply
// (applyCompositeToModel). openForKey() and apply() run them in place; a
// window thread that must not wait runs them elsewhere and hands the result
// to openWith() and finishApply().
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/prompter.h"
#include "core/app/settings_store.h"
#include "core/app/text_lookup.h"
#include "core/assign/assign_port.h"
#include "core/assign/key_event.h"
#include "core/assign/macro_editor.h"
#include "core/config/action_type.h"
#include "core/config/working_config.h"

namespace quorvane {

inline constexpr std::u16string_view kTextKeyApplyPrompt = u"IDS_KEY_APPLY_PROMPT";

enum class CompositePage { SingleKey, Macro, Media, Function };

// The page that shows a mode: 4, 7 and 8 have their own, every other type
// the single-key page.
constexpr CompositePage pageOfMode(int mode) {
    switch (mode) {
        case ActionMacro:
            return CompositePage::Macro;
        case ActionMedia:
            return CompositePage::Media;
        case ActionFunction:
            return CompositePage::Function;
        default:
            return CompositePage::SingleKey;
    }
}

// The entries of the media list (keyName of the MediaList ids) and of the
// function list, in list order.
std::vector<std::u16string> mediaListNames(const TextLookup& loadText);
std::vector<std::u16string> functionListNames(const TextLookup& loadText);

// What opening reads of the keyboard and the model: the active profile (-1:
// no answer), the key's entry there and the macro page's copy of the model.
struct CompositeOpening {
    int profile = -1;
    std::uint16_t entryType = ActionDefault;
    std::uint32_t entryValue = 0;
    MacroModel macros;
};
// Under ConfigLock, for the key of button `controlId` (gKeyBank bit 0 for a G
// key); `profile` is the keyboard's answer.
CompositeOpening readCompositeOpening(const WorkingConfig& config, int controlId,
                                      std::uint8_t gKeyBank, int profile);

// What Apply writes: the macros (nullopt: none to commit) and the key's entry.
struct CompositeApplyRequest {
    std::optional<std::vector<MacroRecord>> macros;
    KeyActionEntry entry;
    int slot = 0;
    int gKeyPosition = -1;  // the tip's name: a G key's position, else `key`
    KeyId key = 0;
};
struct CompositeApplyResult {
    MacroCommit commit;
    int profile = -1;  // the keyboard's answer; nothing written unless 0..2
    bool written = false;
    bool assigned = false;  // the key button's look once written
    std::u16string tip;     // and its tip
    std::vector<std::uint32_t> idsPlayed;
};
// Under ConfigLock: commits the macros, then, when `profile` is one, writes
// the entry into it (its text released) and builds the button's tip.
CompositeApplyResult applyCompositeToModel(WorkingConfig& config,
                                           const CompositeApplyRequest& request, int profile,
                                           const TextLookup& loadText);

class CompositeDialogCore {
  public:
    // `settings` holds the record-delays setting; without one the setting
    // lives only while the program runs. Everything referenced outlives this.
    CompositeDialogCore(WorkingConfig& config, AssignPort& port, Prompter& prompter,
                        TextLookup loadText, FrameworkProfile* settings = nullptr);
    CompositeDialogCore(const CompositeDialogCore&) = delete;
    CompositeDialogCore& operator=(const CompositeDialogCore&) = delete;

    // ---- Opening and closing ---------------------------------------------------

    // openForKey: the dialog's state for key button `controlId` (a G key, of
    // bank gKeyBank bit 0, or one of the 104 keys). Reads the keyboard's
    // active profile afresh and the entry there; when the keyboard does not
    // answer, the key opens as if unassigned (profile() is -1) and Apply
    // reads the profile again. False for any other id: nothing opens.
    bool openForKey(int controlId, std::uint8_t gKeyBank);
    // The same with what readCompositeOpening read (the port is not asked).
    bool openWith(int controlId, std::uint8_t gKeyBank, CompositeOpening opening);
    // Cancel, Close and the main window's close request: nothing is applied.
    void close();
    bool isOpen() const { return m_open; }
    // What the main window reads to know whether the dialog is open.
    int openCount() const { return m_openCount; }

    // ---- What the dialog shows -----------------------------------------------------

    int slot() const { return m_slot; }
    int keyButtonId() const { return m_keyButtonId; }
    int profile() const { return m_profile; }  // read at opening or Apply; -1 unknown
    bool macroOnly() const { return m_macroOnly; }
    int mode() const { return m_mode; }
    CompositePage page() const { return pageOfMode(m_mode); }
    KeyId capturedKey() const { return m_capturedKey; }
    const std::u16string& keyFieldText() const { return m_keyFieldText; }
    int mediaSelection() const { return m_mediaSelection; }
    int functionSelection() const { return m_functionSelection; }
    bool dirty() const { return m_dirty; }
    // The single-key page of an open dialog: key events are captured.
    bool capturing() const { return m_open && page() == CompositePage::SingleKey; }
    bool recording() const { return m_editor.recording(); }
    // Help opens except while recording.
    bool helpAllowed() const { return !recording(); }
    // The single-key, media, function, title and Clear buttons; off for G9.
    bool otherPagesEnabled() const { return !m_macroOnly; }
    bool recordDelaysChecked() const { return m_editor.recordDelays() == 1; }

    MacroEditor& editor() { return m_editor; }
    const MacroEditor& editor() const { return m_editor; }

    // ---- Page buttons and lists ----------------------------------------------------

    void onSingleKeyButton();        // 1028
    void onMacroButton();            // 1029
    void onMediaButton();            // 1030
    void onFunctionButton();         // 1031
    void onClearButton();            // 1032
    void selectMedia(int index);     // 0..17
    void selectFunction(int index);  // 0..10
    // The record-delays box (1027): flips the setting and stores it.
    void onRecordDelaysClicked();
    // Every edit of the macro page makes the dialog dirty through this too.
    void markDirty() { m_dirty = true; }

    // ---- Keys ----------------------------------------------------------------------

    // A key event while the dialog is open: to the recorder while recording,
    // else to the capture on the single-key page, else passed on.
    KeyRoute onKey(const KeyEvent& event);

    // ---- Apply -----------------------------------------------------------------------

    // Apply (1015): stops the recording, commits the macros, builds the entry
    // and writes it into the active profile read afresh. False when the
    // keyboard did not answer (message, nothing written, still dirty) or the
    // dialog is not open. A dialog ends an open in-place edit of the steps
    // (endDelayEdit and the like) before calling it.
    bool apply();
    // Apply in steps: beginApply (nullopt when the dialog is not open) stops
    // the recording and builds what applyCompositeToModel writes; finishApply
    // shows its result (the message when the keyboard did not answer) and
    // returns what apply() returns.
    std::optional<CompositeApplyRequest> beginApply();
    bool finishApply(const CompositeApplyResult& result);
    // OK (1): Apply, then close; the dialog stays open when Apply failed, so
    // the edits are not lost.
    bool ok();

  private:
    void switchPage(bool initial);
    void setMode(int mode);
    KeyActionEntry buildEntry() const;
    bool isGKeySlot() const;

    WorkingConfig& m_config;
    AssignPort& m_port;
    Prompter& m_prompter;
    TextLookup m_loadText;
    FrameworkProfile* m_settings;
    MacroEditor m_editor;

    bool m_open = false;
    int m_openCount = 0;
    int m_slot = 0;
    int m_keyButtonId = 0;
    int m_gKeyPosition = -1;
    KeyId m_key = 0;  // the picture's key; 0 for a G key
    std::uint8_t m_gKeyBank = 0;
    bool m_macroOnly = false;
    int m_profile = -1;
    int m_mode = 0;
    std::uint16_t m_entryType = 0;
    std::uint32_t m_entryValue = 0;
    KeyId m_capturedKey = 0;
    std::u16string m_keyFieldText;
    int m_mediaSelection = 0;
    int m_functionSelection = 0;
    bool m_dirty = false;
    bool m_macroPageShown = false;
};

}  // namespace quorvane
