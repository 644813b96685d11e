// The key assignment dialog: four pages (single key, macro, media, function)
// and Clear over the core's CompositeDialogCore, which holds every rule; this
// class places, draws and forwards.
//
// Threads: everything here runs on the GUI thread, which never waits on the
// keyboard or on ConfigLock. The two steps that read the keyboard and the
// model (opening, Apply) are handed to Setup::withActiveProfile, which runs
// them on the core's thread and their results back on the GUI thread;
// meanwhile the dialog takes no input, so the core's state does not change
// under the pending step.
//
// Keys: while the single-key page captures (its field holding the focus,
// as it does whenever the page shows; Ctrl+Tab leaves it) or the macro page
// records, the dialog grabs the keyboard and reads every key event through an
// application-wide filter: the native scan code goes through the evdev table
// (the same physical key whatever the layout), auto-repeats are dropped, the
// event's own time stamps the step. The grab is released as soon as neither
// holds, the page changes, the dialog closes or loses the activation.
//
// Files: composite_dialog.cpp the frame (pictures, page buttons, commands,
// which page shows), composite_field_pages.cpp the single-key, media and
// function pages, composite_macro_page.cpp the macro page,
// composite_key_grab.cpp the keys, composite_texts.cpp the texts,
// composite_lifecycle.cpp opening, Apply and closing,
// composite_dialog_access.cpp the focus and what a screen reader reads.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/app/prompter.h"
#include "core/app/settings_store.h"
#include "core/app/text_lookup.h"
#include "core/assign/composite_dialog_core.h"
#include "core/assign/key_event.h"
#include "core/config/working_config.h"
#include "ui/assign/macro_memory_meter.h"
#include "ui/skin/base_dialog.h"
#include "ui/skin/color_static.h"
#include "ui/skin/png_button.h"
#include "ui/skin/report_ctrl.h"
#include "ui/skin/skin_placement.h"

class QKeyEvent;

namespace quorvane {

namespace composite_ids {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kApply = 1015;
inline constexpr int kMacroAdd = 1017;
inline constexpr int kMacroDelete = 1018;
inline constexpr int kSteps = 1019;
inline constexpr int kRecord = 1020;
inline constexpr int kStepDelete = 1021;
inline constexpr int kStepClear = 1022;
inline constexpr int kStepTop = 1023;
inline constexpr int kStepUp = 1024;
inline constexpr int kStepDown = 1025;
inline constexpr int kStepBottom = 1026;
inline constexpr int kRecordDelays = 1027;
inline constexpr int kSingleKey = 1028;
inline constexpr int kMacro = 1029;
inline constexpr int kMedia = 1030;
inline constexpr int kFunction = 1031;
inline constexpr int kClear = 1032;
inline constexpr int kMask = 1033;
inline constexpr int kCycles = 1125;
inline constexpr int kMacroNames = 1126;
inline constexpr int kKeyField = 1127;
inline constexpr int kMediaList = 1128;
inline constexpr int kFunctionList = 1129;
inline constexpr int kCyclesLabel = 1130;
inline constexpr int kTitle = 1131;
inline constexpr int kOsk = 1132;
inline constexpr int kRecordDelaysLabel = 1133;
inline constexpr int kClose = 1147;
inline constexpr int kSettingTitle = 1199;
inline constexpr int kMacroNameLabel = 1200;
inline constexpr int kSingleHint = 1201;
inline constexpr int kMediaHint = 1202;
inline constexpr int kFunctionHint = 1203;
}  // namespace composite_ids

// The KeyEvent of a Qt key event: the KeyId of its native scan code (an xkb
// key code, evdev + 8), release or press, the auto-repeat mark and its time.
KeyEvent keyEventOf(const QKeyEvent& event);

// The installed on-screen keyboards the Osk button starts, first found wins.
inline constexpr const char* kOnScreenKeyboards[] = {"onboard", "florence"};
// Starts the first installed on-screen keyboard; false when none is installed.
bool startOnScreenKeyboard();

class Quorvane_DlgComposite : public CBaseDialog {
    Q_OBJECT
  public:
    struct Setup {
        std::string layoutFile;  // g_szCompositeIni
        std::string skinFolder;  // where the dialog's pictures are
        WorkingConfig* config = nullptr;
        TextLookup loadText;
        FrameworkProfile* settings = nullptr;  // the record-delays setting
        // Reads the keyboard's active profile away from the GUI thread (-1:
        // no answer) and runs `step` with it there, where the model may be
        // taken under ConfigLock; what `step` returns then runs on the GUI
        // thread. Unset (a dialog without a keyboard), both run at once with -1.
        using CoreStep = std::function<std::function<void()>(int profile)>;
        std::function<void(CoreStep step)> withActiveProfile;
        // The main window: its dirty mark, one key button's look and tip, the
        // tips of all, the help page.
        std::function<void()> enableMainApply;
        std::function<void(int controlId, bool assigned, const QString& tip)> setKeyButton;
        std::function<void()> refreshKeyButtonTips;
        std::function<void()> openHelp;
        // The dialog opened (true) or closed (false); after closing, the key
        // button `controlId` gets its normal pictures back.
        std::function<void(bool open, int controlId)> openChanged;
        // The Osk button; startOnScreenKeyboard when empty.
        std::function<void()> onScreenKeyboard;
        // A picture of the dialog is missing: the program ends.
        std::function<void()> picturesMissing;
        // On the core's thread: the keyboard's macro capacity, for the macro
        // page's memory meter (0 when unset).
        std::function<std::uint32_t()> macroCapacity;
        // Messages and questions; message boxes over the dialog when null.
        Prompter* prompter = nullptr;
    };

    explicit Quorvane_DlgComposite(Setup setup, QWidget* parent = nullptr);
    ~Quorvane_DlgComposite() override;

    // openForKey for key button `controlId` (a G key of `gKeyBank` bit 0, or a
    // key of the picture) whose screen rectangle is `keyButton`: reads the
    // active profile, then shows the dialog beside the button. False when the
    // dialog is open already or the id is no key button.
    bool openForKey(int controlId, std::uint8_t gKeyBank, const QRect& keyButton);
    // Cancel, Close, the main window's close request and UM_DEVICE_GONE:
    // closes without applying (also while opening or applying).
    void cancel();
    // Open, or waiting to open.
    bool isOpen() const { return m_state != State::Closed; }
    // Waiting for the keyboard (opening or applying).
    bool isWaiting() const { return m_state == State::Opening || m_state == State::Applying; }
    int openCount() const { return m_core.openCount(); }
    // The key button the dialog is open (or opening) for; 0 when closed.
    int keyButtonId() const { return isOpen() ? m_pendingId : 0; }

    // UM_LANG (with its tag) re-reads the texts; 0x4D4E is accepted and does
    // nothing. False for any other message.
    bool onMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam);
    void applyLanguage();

    // Apply (1015) and OK (1): Apply, then close when it wrote the entry.
    void onApply(bool thenClose);

    CompositeDialogCore& core() { return m_core; }
    const CompositeDialogCore& core() const { return m_core; }
    CPngButton* button(int controlId) const;
    QWidget* control(int controlId) const;
    MacroMemoryMeter* memoryMeter() const { return m_memory; }
    CReportCtrl* stepList() const { return m_steps; }
    QComboBox* macroNames() const { return m_names; }
    // Whether the dialog holds the keyboard grab now.
    bool grabbing() const { return m_grabbing; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    enum class State { Closed, Opening, Open, Applying };
    class Port;
    class BoxPrompter;

    bool loadPictures();
    void build();
    CPngButton* makeButton(int controlId, const char16_t* skinKey, const SkinPictureSet& pictures);
    ColorStatic* makeLabel(int controlId, const char16_t* skinKey);
    QComboBox* makeCombo(int controlId, const char16_t* skinKey);

    // Show what the core holds.
    void sync();
    void syncPage();
    void syncLockedLook();
    void onMaskClicked();

    // The single-key, media and function pages.
    void buildFieldPages();
    void fillFieldLists();
    void syncFieldPages();

    // The macro page.
    void buildMacroPage();
    void clearMacroPage();
    void syncMacroPage();
    void syncNames();
    void syncSteps();
    void onRecord();
    CellEditor beginStepEdit(int row, int column);
    void endStepEdit(int row, int column, const CellEditResult& result);

    // The keys.
    void updateGrab();
    bool onKeyEvent(QKeyEvent* event);
    bool routeKey(const KeyEvent& key);
    // Ctrl+Tab leaves the capture field (every other key is captured).
    bool leaveCaptureField(QKeyEvent* event);

    // The texts.
    QString text(std::u16string_view key) const;
    void showBanner(CompositePage page);

    // Opening, Apply and closing.
    void finishOpen(CompositeOpening opening);
    void finishApply(const CompositeApplyResult& result);
    void closeDialog();
    // Runs `step` through Setup::withActiveProfile while the dialog waits in
    // `waiting`; what it returns is dropped when the dialog was cancelled.
    void runOnCore(State waiting, Setup::CoreStep step);

    // Roles, focus, labels and the Tab order.
    void presentControls();
    void nameControls();

    Setup m_setup;
    std::unique_ptr<Port> m_port;
    std::unique_ptr<BoxPrompter> m_boxes;
    CompositeDialogCore m_core;

    State m_state = State::Closed;
    std::uint64_t m_generation = 0;  // drops answers for an earlier opening
    int m_pendingId = 0;
    std::uint8_t m_pendingBank = 0;
    QRect m_keyButton;
    bool m_built = false;
    bool m_picturesOk = false;
    bool m_filterInstalled = false;
    bool m_grabbing = false;
    bool m_deactivated = false;
    // Ctrl (and Shift after it) pressed in the capture field: held back until
    // it is clear whether Tab follows.
    std::vector<KeyEvent> m_heldKeys;
    bool m_closeAfterApply = false;  // OK pressed: close once Apply wrote
    bool m_syncing = false;
    std::uint64_t m_lastInputMs = 0;  // time of the last input event, on the events' clock

    SkinPictureSet m_keySet, m_macroSet, m_mediaSet, m_functionSet, m_lockedSet;
    std::map<int, QWidget*> m_controls;
    QLineEdit* m_keyField = nullptr;
    QComboBox* m_media = nullptr;
    QComboBox* m_functions = nullptr;
    QComboBox* m_names = nullptr;
    CReportCtrl* m_steps = nullptr;
    QLineEdit* m_cycles = nullptr;
    QCheckBox* m_delays = nullptr;
    MacroMemoryMeter* m_memory = nullptr;
    std::uint32_t m_macroCapacity = 0;  // read when the dialog opened
    CompositePage m_shownPage = CompositePage::SingleKey;
    bool m_pageShown = false;
    std::vector<std::u16string> m_shownNames;
    std::vector<MacroAction> m_shownSteps;
};

}  // namespace quorvane
