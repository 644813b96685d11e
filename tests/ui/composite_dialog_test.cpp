// The key assignment dialog on the offscreen platform, with the program
// folder's skin and language files: key events built by hand with native scan
// codes and time stamps (QTest's key helpers send scan code 0), the keyboard
// grab, the waiting for the keyboard, what reaches the model, and a GUI thread
// that never waits on ConfigLock.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QKeyEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "config/recording_prompter.h"
#include "core/app/app_paths.h"
#include "core/app/language_texts.h"
#include "core/config/action_type.h"
#include "core/config/macro_area_codec.h"
#include "core/config/working_config.h"
#include "core/keys/key_names.h"
#include "core/window/main_window_messages.h"
#include "platform/temp_dir.h"
#include "ui/assign/composite_dialog.h"
#include "ui/assign/composite_placement.h"
#include "ui/qt_test_app.h"

namespace quorvane {
namespace {

using namespace composite_ids;

constexpr int kButtonA = 1058;
constexpr int kButtonG9 = 1143;
constexpr KeyId kA = 0x1E;
constexpr KeyId kB = 0x30;
// xkb key codes: evdev + 8.
constexpr quint32 kScanA = 30 + 8;
constexpr quint32 kScanB = 48 + 8;
constexpr quint32 kScanLeftMeta = 125 + 8;
constexpr quint32 kScanMenu = 127 + 8;
constexpr quint32 kScanMute = 113 + 8;

const std::string& programFolder() {
    static const std::string folder = std::string(QUORVANE_PROGRAM_FOLDER) + "/";
    return folder;
}

// The receiver a real key event would have: the grabber, else the dialog.
QWidget* keyTarget(QWidget* fallback) {
    QWidget* grabber = QWidget::keyboardGrabber();
    return grabber != nullptr ? grabber : fallback;
}

// Sends one key event; true when something took it (it did not reach the
// receiver's own handler).
struct KeySender {
    QWidget* fallback;
    void operator()(QEvent::Type type, Qt::Key qtKey, quint32 scan, ulong timeMs,
                    bool autoRepeat = false) const {
        QKeyEvent event(type, qtKey, Qt::NoModifier, scan, 0, 0, QString(), autoRepeat);
        event.setTimestamp(timeMs);
        QApplication::sendEvent(keyTarget(fallback), &event);
    }
};

class CompositeDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        paths = buildPathTable(programFolder() + "quorvane", home.path());
        texts = std::make_unique<LanguageTexts>(paths.drive, paths.folder);
        loadText = [this](std::u16string_view key) { return texts->LoadText(key, 0); };
        createDefaultImage(config, std::string(), true);
        Quorvane_DlgComposite::Setup setup;
        setup.layoutFile = paths.g_szCompositeIni;
        setup.skinFolder = paths.g_szSkinDir;
        setup.config = &config;
        setup.loadText = loadText;
        setup.prompter = &prompter;
        setup.withActiveProfile = [this](Quorvane_DlgComposite::Setup::CoreStep step) {
            ++profileReads;
            if (coreHoldsTheLock) {
                runOnLockingCore(std::move(step));
                return;
            }
            auto run = [step = std::move(step)](int profile) { step(profile)(); };
            if (deferReads) {
                pendingRead = std::move(run);
            } else {
                run(activeProfile);
            }
        };
        setup.enableMainApply = [this] { ++mainApplies; };
        setup.setKeyButton = [this](int id, bool assigned, const QString& tip) {
            buttonLooks.push_back({id, assigned ? 1 : 0});
            lastTip = tip;
        };
        setup.openHelp = [this] { ++helps; };
        setup.openChanged = [this](bool open, int id) {
            openChanges.push_back({open ? 1 : 0, id});
        };
        setup.onScreenKeyboard = [this] { ++oskStarts; };
        setup.macroCapacity = [this] { return macroCapacity; };
        dialog = std::make_unique<Quorvane_DlgComposite>(std::move(setup));
        send = KeySender{dialog.get()};
    }

    void TearDown() override {
        dialog->cancel();
        EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
        for (std::thread& t : coreThreads) {
            t.join();
        }
    }

    // The core's thread as the program has it: it runs the dialog's step
    // while holding ConfigLock, hands the result to the GUI, and, still
    // holding the lock, asks the user something (a prompt the GUI answers
    // after the result). The GUI answers only if it never waits on the lock;
    // otherwise the core gives up after a long while, so the test ends.
    void runOnLockingCore(Quorvane_DlgComposite::Setup::CoreStep step) {
        const int profile = activeProfile;
        QPointer<QObject> gui(dialog.get());
        coreThreads.emplace_back([this, profile, gui, step = std::move(step)] {
            std::unique_lock lock(config.ConfigLock);
            std::function<void()> then = step(profile);
            auto answer = std::make_shared<std::promise<void>>();
            QMetaObject::invokeMethod(gui.data(), std::move(then), Qt::QueuedConnection);
            QMetaObject::invokeMethod(
                gui.data(), [answer] { answer->set_value(); }, Qt::QueuedConnection);
            if (answer->get_future().wait_for(std::chrono::seconds(15)) ==
                std::future_status::ready) {
                ++promptsAnsweredWhileLocked;
            }
            lock.unlock();
            ++coreStepsDone;
        });
    }

    void open(int controlId, QRect at = QRect(100, 100, 40, 40)) {
        ASSERT_TRUE(dialog->openForKey(controlId, 0, at));
        ASSERT_TRUE(dialog->isVisible());
    }

    void click(int controlId) {
        QWidget* w = dialog->control(controlId);
        ASSERT_NE(w, nullptr) << controlId;
        ASSERT_TRUE(w->isVisible()) << controlId;
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }

    // A new macro on G9 with one key A recorded: two steps, down and up.
    void recordNewMacroOfKeyA() {
        open(kButtonG9);
        click(kMacroAdd);
        click(kRecord);
        send(QEvent::KeyPress, Qt::Key_A, kScanA, 100);
        send(QEvent::KeyRelease, Qt::Key_A, kScanA, 200);
        click(kRecord);
    }

    QString text(std::u16string_view key) { return QString::fromStdU16String(loadText(key)); }

    test::TempDir home;
    PathTable paths;
    std::unique_ptr<LanguageTexts> texts;
    TextLookup loadText;
    WorkingConfig config;
    test::RecordingPrompter prompter;
    int activeProfile = 0;
    std::uint32_t macroCapacity = 8192;
    bool deferReads = false;
    std::function<void(int)> pendingRead;
    bool coreHoldsTheLock = false;
    std::vector<std::thread> coreThreads;
    std::atomic<int> coreStepsDone{0};
    std::atomic<int> promptsAnsweredWhileLocked{0};
    int profileReads = 0;
    int mainApplies = 0;
    int helps = 0;
    int oskStarts = 0;
    std::vector<std::pair<int, int>> buttonLooks;
    QString lastTip;
    std::vector<std::pair<int, int>> openChanges;
    std::unique_ptr<Quorvane_DlgComposite> dialog;
    KeySender send{nullptr};
};

TEST(CompositePlacementTest, FirstRuleThatFitsWins) {
    const QSize dialog(560, 420);
    const QRect screen(0, 0, 1366, 740);  // the available area, panel excluded
    const QRect lowScreen(0, 0, 1366, 700);
    // A screen that does not start at 0, 0 (a second monitor on the right).
    const QRect rightMonitor(1366, 0, 1920, 1080);
    struct Case {
        QRect button;
        QRect area;
        QPoint expected;
        const char* what;
    };
    const Case cases[] = {
        {QRect(100, 100, 40, 40), screen, QPoint(140, 140), "right and below"},
        {QRect(100, 600, 40, 40), screen, QPoint(140, 180), "right and above"},
        {QRect(1200, 100, 40, 40), screen, QPoint(640, 140), "left and below"},
        {QRect(1300, 700, 40, 40), screen, QPoint(740, 280), "bottom right corner: left and above"},
        // Exactly the room needed still fits.
        {QRect(766, 280, 40, 40), screen, QPoint(806, 320), "touching the right and bottom edges"},
        // Too tall for the screen either way: right and below, moved up
        // until the whole dialog (its OK button) is on the screen.
        {QRect(100, 300, 40, 40), lowScreen, QPoint(140, 280), "nothing fits"},
        // Nothing fits near the right edge of a small screen: moved left as well.
        {QRect(1000, 300, 40, 40), lowScreen, QPoint(806, 280),
         "nothing fits near the right edge: moved left too"},
        {QRect(1400, 100, 40, 40), rightMonitor, QPoint(1440, 140),
         "second monitor: right and below"},
        {QRect(1380, 900, 40, 40), rightMonitor, QPoint(1420, 480),
         "second monitor: right and above"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(compositeDialogPosition(dialog, c.button, c.area), c.expected) << c.what;
    }
}

TEST_F(CompositeDialogTest, OpensBesideTheKeyWithTheLanguageTextsAndTheGrab) {
    open(kButtonA);
    EXPECT_EQ(dialog->pos(), QPoint(140, 140));
    EXPECT_EQ(profileReads, 1);
    EXPECT_EQ(dialog->openCount(), 1);
    ASSERT_EQ(openChanges.size(), 1U);
    EXPECT_EQ(openChanges[0], std::make_pair(1, kButtonA));
    EXPECT_EQ(dialog->button(kMacro)->text(), text(u"IDS_COMPOSITE_SELECT_MACRO"));
    EXPECT_EQ(dialog->button(kSingleKey)->text(), text(u"IDS_COMPOSITE_SELECT_KEY"));
    EXPECT_EQ(dialog->button(kOk)->text(), text(u"IDS_COMPOSITE_OK"));
    EXPECT_EQ(qobject_cast<QLabel*>(dialog->control(kSingleHint))->text(),
              text(u"IDS_KEYBOARD_KEY_SINGLE"));
    EXPECT_EQ(qobject_cast<QLabel*>(dialog->control(kSettingTitle))->text(),
              text(u"IDS_KEYBOARD_KEY_SETTING"));
    // The single-key page shows and captures.
    EXPECT_TRUE(dialog->control(kKeyField)->isVisible());
    EXPECT_FALSE(dialog->control(kMacroNames)->isVisible());
    EXPECT_TRUE(dialog->button(kSingleKey)->isChecked());
    EXPECT_EQ(QWidget::keyboardGrabber(), dialog.get());
    EXPECT_FALSE(dialog->button(kApply)->isEnabled());
    // A second key while open opens nothing.
    EXPECT_FALSE(dialog->openForKey(1059, 0, QRect()));

    // UM_LANG with another tag changes nothing; with its tag the texts come back.
    dialog->button(kMacro)->setText(QStringLiteral("x"));
    EXPECT_TRUE(dialog->onMessage(UM_LANG, 0, 0));
    EXPECT_EQ(dialog->button(kMacro)->text(), QStringLiteral("x"));
    EXPECT_TRUE(dialog->onMessage(UM_LANG, kTagLang, 0));
    EXPECT_EQ(dialog->button(kMacro)->text(), text(u"IDS_COMPOSITE_SELECT_MACRO"));
    EXPECT_TRUE(dialog->onMessage(0x4D4E, 0, 0));
    EXPECT_FALSE(dialog->onMessage(0x1234, 0, 0));

    click(kOsk);
    EXPECT_EQ(oskStarts, 1);
}

TEST_F(CompositeDialogTest, CapturesThePhysicalKeyByItsScanCode) {
    open(kButtonA);
    // Qt's key says A (a French layout's Q key, say), the scan code says B:
    // the physical key wins.
    send(QEvent::KeyPress, Qt::Key_A, kScanB, 1000);
    EXPECT_EQ(dialog->core().capturedKey(), kB);
    EXPECT_EQ(qobject_cast<QLineEdit*>(dialog->control(kKeyField))->text(),
              QString::fromStdU16String(keyName(kB, loadText)));
    EXPECT_TRUE(dialog->button(kApply)->isEnabled());
    // Auto-repeats and releases of another key change nothing; a media key is
    // not captured.
    send(QEvent::KeyPress, Qt::Key_A, kScanA, 1100, true);
    send(QEvent::KeyRelease, Qt::Key_A, kScanA, 1150);
    send(QEvent::KeyPress, Qt::Key_VolumeMute, kScanMute, 1200);
    EXPECT_EQ(dialog->core().capturedKey(), kB);
    // Enter is a key like any other here: captured, and the dialog stays.
    send(QEvent::KeyPress, Qt::Key_Return, 28 + 8, 1300);
    EXPECT_EQ(dialog->core().capturedKey(), 0x1C);
    EXPECT_TRUE(dialog->isVisible());
    // The Windows key and the Menu key are captured, even on their release.
    send(QEvent::KeyRelease, Qt::Key_Super_L, kScanLeftMeta, 1400);
    EXPECT_EQ(dialog->core().capturedKey(), 0x15B);
    send(QEvent::KeyPress, Qt::Key_Menu, kScanMenu, 1500);
    EXPECT_EQ(dialog->core().capturedKey(), 0x15D);
    send(QEvent::KeyPress, Qt::Key_B, kScanB, 1600);

    click(kOk);
    EXPECT_FALSE(dialog->isOpen());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(config.image->at(0, kA).type, ActionKey);
    EXPECT_EQ(config.image->at(0, kA).value, kB);
    EXPECT_EQ(profileReads, 2);  // opening and Apply
    EXPECT_GE(mainApplies, 1);
    ASSERT_FALSE(buttonLooks.empty());
    EXPECT_EQ(buttonLooks.back(), std::make_pair(kButtonA, 1));
    EXPECT_EQ(openChanges.back(), std::make_pair(0, kButtonA));
    EXPECT_EQ(dialog->openCount(), 0);
}

TEST_F(CompositeDialogTest, KeyAssignedToItselfIsStoredAsDefault) {
    config.image->at(0, kA) = KeyActionEntry{ActionKey, 0, kB, 0, 0};
    open(kButtonA);
    EXPECT_EQ(qobject_cast<QLineEdit*>(dialog->control(kKeyField))->text(),
              QString::fromStdU16String(keyName(kB, loadText)));
    send(QEvent::KeyPress, Qt::Key_A, kScanA, 10);
    click(kApply);
    EXPECT_TRUE(dialog->isOpen());
    EXPECT_EQ(config.image->at(0, kA).type, ActionDefault);
    EXPECT_FALSE(dialog->button(kApply)->isEnabled());
}

TEST_F(CompositeDialogTest, RecordingAHeldKeyStoresOnePress) {
    open(kButtonG9);
    EXPECT_TRUE(dialog->control(kMacroNames)->isVisible());
    EXPECT_FALSE(dialog->button(kSingleKey)->isEnabled());
    EXPECT_TRUE(dialog->button(kSingleKey)->text().isEmpty());
    EXPECT_EQ(qobject_cast<QLabel*>(dialog->control(kSettingTitle))->text(),
              text(u"IDS_KEYBOARD_EDIT_TISHI"));
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);  // the macro page captures nothing
    click(kMacroAdd);
    ASSERT_EQ(dialog->core().editor().macros().size(), 1U);
    EXPECT_EQ(
        dialog->macroNames()->currentText(),
        QString::fromStdU16String(std::u16string(dialog->core().editor().macros()[0].nameView())));

    click(kRecord);
    ASSERT_TRUE(dialog->core().recording());
    EXPECT_EQ(dialog->button(kRecord)->text(), text(u"IDS_MACRO_ACTION_STOP_RECORD"));
    EXPECT_TRUE(dialog->button(kRecord)->isChecked());
    EXPECT_FALSE(dialog->button(kMacroAdd)->isEnabled());
    EXPECT_EQ(QWidget::keyboardGrabber(), dialog.get());
    // F1 while recording is a step, not the help.
    send(QEvent::KeyPress, Qt::Key_A, kScanA, 1000);
    for (ulong t = 1500; t < 2000; t += 33) {  // X11's repeat: release and press pairs
        send(QEvent::KeyRelease, Qt::Key_A, kScanA, t, true);
        send(QEvent::KeyPress, Qt::Key_A, kScanA, t, true);
    }
    send(QEvent::KeyRelease, Qt::Key_A, kScanA, 2100);
    send(QEvent::KeyPress, Qt::Key_F1, 59 + 8, 2200);
    send(QEvent::KeyRelease, Qt::Key_F1, 59 + 8, 2300);
    EXPECT_EQ(helps, 0);
    const std::vector<MacroAction>& steps = dialog->core().editor().steps();
    ASSERT_EQ(steps.size(), 4U);
    EXPECT_EQ(steps[0].key, kA);
    EXPECT_EQ(steps[0].state, 0);
    EXPECT_EQ(steps[1].key, kA);
    EXPECT_EQ(steps[1].state, 1);
    EXPECT_EQ(steps[2].key, 0x3B);
    ASSERT_EQ(dialog->stepList()->RowCount(), 4);
    EXPECT_EQ(dialog->stepList()->CellText(0, 0), QString::fromStdU16String(keyName(kA, loadText)));
    EXPECT_EQ(dialog->stepList()->CellText(1, 1), QString::fromStdU16String(stepActionText(1)));
    EXPECT_EQ(dialog->stepList()->SelectedRow(), 3);

    // Stopping releases the grab; F1 opens the help again.
    click(kRecord);
    EXPECT_FALSE(dialog->core().recording());
    EXPECT_EQ(dialog->button(kRecord)->text(), text(u"IDS_MACRO_ACTION_RECORD"));
    EXPECT_FALSE(dialog->button(kRecord)->isChecked());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    EXPECT_EQ(helps, 1);
    // Enter and Esc neither apply nor cancel.
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(config.macros.empty());

    click(kOk);
    ASSERT_EQ(config.macros.size(), 1U);
    EXPECT_EQ(config.macros[0].actionCount, 4);
    const KeyActionEntry& g9 = config.image->at(0, 256 + 8);
    EXPECT_EQ(g9.type, ActionMacro);
    EXPECT_EQ(g9.value, config.macros[0].id);
}

TEST_F(CompositeDialogTest, NoGrabIsLeftAfterPageChangeCloseOrDeactivation) {
    struct Case {
        const char* what;
        std::function<void()> leave;
        bool stillOpen;
    };
    const Case cases[] = {
        {"macro page", [this] { click(kMacro); }, true},
        {"media page", [this] { click(kMedia); }, true},
        {"cancel", [this] { click(kCancel); }, false},
        {"close button", [this] { click(kClose); }, false},
        {"window closed", [this] { dialog->close(); }, false},
        {"editor closed by the main window", [this] { dialog->cancel(); }, false},
        {"hidden", [this] { dialog->hide(); }, true},
    };
    for (const Case& c : cases) {
        open(kButtonA);
        ASSERT_EQ(QWidget::keyboardGrabber(), dialog.get()) << c.what;
        c.leave();
        EXPECT_EQ(QWidget::keyboardGrabber(), nullptr) << c.what;
        EXPECT_EQ(dialog->isOpen(), c.stillOpen) << c.what;
        dialog->cancel();
        EXPECT_EQ(dialog->openCount(), 0) << c.what;
    }
    // Another window taking the activation ends a recording and its grab.
    open(kButtonG9);
    click(kMacroAdd);
    click(kRecord);
    ASSERT_EQ(QWidget::keyboardGrabber(), dialog.get());
    QWidget other;
    other.show();
    other.activateWindow();
    QApplication::setActiveWindow(&other);
    QEvent change(QEvent::ActivationChange);
    QApplication::sendEvent(dialog.get(), &change);
    EXPECT_FALSE(dialog->core().recording());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

TEST_F(CompositeDialogTest, KeyboardAnswersArriveLaterAndCancelDropsThem) {
    deferReads = true;
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0, QRect(100, 100, 40, 40)));
    EXPECT_TRUE(dialog->isOpen());
    EXPECT_TRUE(dialog->isWaiting());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    // Cancelled before the keyboard answered: the late answer opens nothing.
    std::function<void(int)> late = pendingRead;
    dialog->cancel();
    EXPECT_FALSE(dialog->isOpen());
    late(0);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->openCount(), 0);

    ASSERT_TRUE(dialog->openForKey(kButtonA, 0, QRect(100, 100, 40, 40)));
    pendingRead(0);
    ASSERT_TRUE(dialog->isVisible());
    send(QEvent::KeyPress, Qt::Key_B, kScanB, 10);
    click(kOk);
    EXPECT_TRUE(dialog->isWaiting());
    // Keys while Apply waits for the keyboard change nothing.
    send(QEvent::KeyPress, Qt::Key_A, kScanA, 20);
    EXPECT_EQ(dialog->core().capturedKey(), kB);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    // The keyboard is silent: the message, nothing written, still open.
    pendingRead(-1);
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_EQ(prompter.messages.size(), 1U);
    EXPECT_EQ(QString::fromStdU16String(prompter.messages[0]), text(u"IDS_KEY_APPLY_PROMPT"));
    EXPECT_EQ(config.image->at(0, kA).type, ActionDefault);
    EXPECT_EQ(QWidget::keyboardGrabber(), dialog.get());
    click(kOk);
    pendingRead(0);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(config.image->at(0, kA).value, kB);

    // OK pressed while Apply waits closes the dialog once Apply has written.
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0, QRect(100, 100, 40, 40)));
    pendingRead(0);
    send(QEvent::KeyPress, Qt::Key_A, kScanA, 30);
    click(kApply);
    click(kOk);
    EXPECT_TRUE(dialog->isVisible());
    pendingRead(0);
    EXPECT_FALSE(dialog->isOpen());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(config.image->at(0, kA).type, ActionDefault);
}

// Opening and Apply read and write the model on the core's thread: while the
// core holds ConfigLock and waits for the answer to a question, the GUI
// shows the dialog, applies, and answers.
TEST_F(CompositeDialogTest, TheGuiNeverWaitsOnConfigLockWhileOpeningOrApplying) {
    coreHoldsTheLock = true;
    config.image->at(0, kA) = KeyActionEntry{ActionKey, 0, kB, 0, 0};
    ASSERT_TRUE(dialog->openForKey(kButtonA, 0, QRect(100, 100, 40, 40)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return coreStepsDone.load() == 1; }, 30000));
    EXPECT_EQ(promptsAnsweredWhileLocked.load(), 1) << "the GUI waited on ConfigLock opening";
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog->isVisible(); }, 5000));
    EXPECT_EQ(dialog->core().capturedKey(), kB) << "the entry read on the core's thread";

    click(kMacro);
    ASSERT_TRUE(dialog->core().editor().addMacro());
    click(kOk);
    ASSERT_TRUE(QTest::qWaitFor([&] { return coreStepsDone.load() == 2; }, 30000));
    EXPECT_EQ(promptsAnsweredWhileLocked.load(), 2) << "the GUI waited on ConfigLock applying";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog->isVisible(); }, 5000));
    const std::lock_guard lock(config.ConfigLock);
    EXPECT_EQ(config.image->at(0, kA).type, ActionMacro);
    ASSERT_EQ(config.macros.size(), 1U);
    EXPECT_EQ(config.image->at(0, kA).value, config.macros[0].id);
}

// The macro-only key (G9) hides the captions of the three pages it cannot
// show; Clear, disabled too, keeps its caption.
TEST_F(CompositeDialogTest, TheMacroOnlyKeyHidesOnlyThePageCaptions) {
    open(kButtonG9);
    for (const int id : {kSingleKey, kMedia, kFunction}) {
        EXPECT_TRUE(dialog->button(id)->text().isEmpty()) << id;
        EXPECT_FALSE(dialog->button(id)->isEnabled()) << id;
    }
    EXPECT_EQ(dialog->button(kClear)->text(), text(u"IDS_COMPOSITE_CLEAR"));
    EXPECT_FALSE(dialog->button(kClear)->isEnabled());
    EXPECT_EQ(dialog->button(kMacro)->text(), text(u"IDS_COMPOSITE_SELECT_MACRO"));
}

// The key and action columns are grey on every row: recorded now, edited,
// moved, or read back when the dialog opens again.
TEST_F(CompositeDialogTest, KeyAndActionColumnsAreGreyOnEveryRow) {
    recordNewMacroOfKeyA();
    CReportCtrl* list = dialog->stepList();
    ASSERT_EQ(list->RowCount(), 2);
    const QColor grey = list->CellColour(0, 0);
    const QColor delay = list->CellColour(0, 2);
    ASSERT_NE(grey, delay);
    auto expectGrey = [&](const char* when) {
        for (int row = 0; row < list->RowCount(); ++row) {
            EXPECT_EQ(list->CellColour(row, 0), grey) << when << ", row " << row;
            EXPECT_EQ(list->CellColour(row, 1), grey) << when << ", row " << row;
            EXPECT_EQ(list->CellColour(row, 2), delay) << when << ", row " << row;
        }
    };
    expectGrey("recorded");
    list->SelectRow(1);
    dialog->core().editor().selectStep(1);
    click(kStepTop);
    ASSERT_EQ(dialog->core().editor().steps()[0].state, 1);
    expectGrey("moved");
    click(kOk);
    ASSERT_FALSE(dialog->isOpen());

    open(kButtonG9);
    ASSERT_EQ(list->RowCount(), 2);
    expectGrey("opened again");
}

TEST_F(CompositeDialogTest, StepCellsAreEditedInPlace) {
    recordNewMacroOfKeyA();
    CReportCtrl* list = dialog->stepList();
    ASSERT_EQ(list->RowCount(), 2);

    ASSERT_TRUE(list->StartEdit(0, 2));
    ASSERT_NE(list->EditField(), nullptr);
    list->EditField()->setText(QStringLiteral("1234"));
    list->FinishEdit(true);
    QApplication::processEvents();
    EXPECT_EQ(dialog->core().editor().steps()[0].delay, 1230U);
    EXPECT_EQ(list->CellText(0, 2), QStringLiteral("1230"));

    ASSERT_TRUE(list->StartEdit(1, 0));
    ASSERT_NE(list->EditCombo(), nullptr);
    EXPECT_EQ(list->EditCombo()->count(), 106);
    list->EditCombo()->setCurrentIndex(1);  // B
    list->FinishEdit(true);
    QApplication::processEvents();
    EXPECT_EQ(dialog->core().editor().steps()[1].key, kB);
    EXPECT_EQ(list->CellText(1, 0), QString::fromStdU16String(keyName(kB, loadText)));

    ASSERT_TRUE(list->StartEdit(1, 1));
    list->EditCombo()->setCurrentIndex(0);
    list->FinishEdit(true);
    QApplication::processEvents();
    EXPECT_EQ(dialog->core().editor().steps()[1].state, 0);

    // The cycles field is kept within 1..255 as it is typed.
    auto* cycles = qobject_cast<QLineEdit*>(dialog->control(kCycles));
    cycles->selectAll();
    QTest::keyClicks(cycles, QStringLiteral("300"));
    EXPECT_EQ(cycles->text(), QStringLiteral("255"));
    EXPECT_TRUE(dialog->button(kApply)->isEnabled());
}

// ---- From the keyboard and through a screen reader ---------------------------------

TEST_F(CompositeDialogTest, CtrlTabLeavesTheCaptureFieldAndTabGoesRoundTheDialog) {
    constexpr quint32 kScanTab = 15 + 8;
    constexpr quint32 kScanLeftCtrl = 29 + 8;
    open(kButtonA);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QWidget* field = dialog->control(kKeyField);
    EXPECT_EQ(dialog->focusWidget(), field);
    EXPECT_TRUE(dialog->grabbing());
    auto sendKey = [&](QEvent::Type type, Qt::Key key, quint32 scan, Qt::KeyboardModifiers mods,
                       ulong timeMs) {
        QKeyEvent event(type, key, mods, scan, 0, 0);
        event.setTimestamp(timeMs);
        QApplication::sendEvent(keyTarget(dialog.get()), &event);
    };

    // In the field Tab is a key to send, and so are Ctrl and Ctrl then A.
    sendKey(QEvent::KeyPress, Qt::Key_Tab, kScanTab, Qt::NoModifier, 10);
    EXPECT_EQ(dialog->core().capturedKey(), 0x0F);
    EXPECT_EQ(dialog->focusWidget(), field);
    sendKey(QEvent::KeyPress, Qt::Key_Control, kScanLeftCtrl, Qt::ControlModifier, 20);
    sendKey(QEvent::KeyRelease, Qt::Key_Control, kScanLeftCtrl, Qt::NoModifier, 30);
    EXPECT_EQ(dialog->core().capturedKey(), 0x1D);
    sendKey(QEvent::KeyPress, Qt::Key_Control, kScanLeftCtrl, Qt::ControlModifier, 40);
    sendKey(QEvent::KeyPress, Qt::Key_A, kScanA, Qt::ControlModifier, 50);
    EXPECT_EQ(dialog->core().capturedKey(), kA);
    sendKey(QEvent::KeyRelease, Qt::Key_A, kScanA, Qt::ControlModifier, 60);
    sendKey(QEvent::KeyRelease, Qt::Key_Control, kScanLeftCtrl, Qt::NoModifier, 70);

    // Ctrl+Tab moves on and leaves the captured key as it was.
    sendKey(QEvent::KeyPress, Qt::Key_Control, kScanLeftCtrl, Qt::ControlModifier, 80);
    sendKey(QEvent::KeyPress, Qt::Key_Tab, kScanTab, Qt::ControlModifier, 90);
    EXPECT_EQ(dialog->core().capturedKey(), kA);
    EXPECT_EQ(QApplication::focusWidget(), dialog->control(kOk));
    EXPECT_FALSE(dialog->grabbing());

    // Outside the field Tab goes round every enabled control once, back into
    // the field, which captures again.
    std::vector<int> visited;
    for (int i = 0; i < 20 && QApplication::focusWidget() != field; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget()->objectName().mid(3).toInt());
    }
    const std::vector<int> expected = {kCancel, kApply, kClose,    kOsk,   kSingleKey,
                                       kMacro,  kMedia, kFunction, kClear, kKeyField};
    EXPECT_EQ(visited, expected);
    EXPECT_TRUE(dialog->grabbing());

    // Enter on a page button turns the page; the single-key page puts the
    // focus back into its field.
    dialog->button(kMacro)->setFocus(Qt::TabFocusReason);
    EXPECT_FALSE(dialog->grabbing());
    QTest::keyClick(dialog->button(kMacro), Qt::Key_Return);
    EXPECT_TRUE(dialog->control(kMacroNames)->isVisible());
    QTest::keyClick(dialog->button(kSingleKey), Qt::Key_Space);
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_TRUE(dialog->grabbing());
    // Enter never presses OK or Cancel.
    for (const int id : {kOk, kCancel}) {
        dialog->button(id)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(dialog->button(id), Qt::Key_Return);
        EXPECT_TRUE(dialog->isOpen()) << id;
    }
}

TEST_F(CompositeDialogTest, AScreenReaderHearsEachControlByItsLanguageName) {
    open(kButtonA);
    static const QRegularExpression skinKey(QStringLiteral("^[A-Z][A-Za-z0-9]*_[A-Za-z0-9_]+$"));
    for (const int page : {kSingleKey, kMacro, kMedia}) {
        click(page);
        for (QWidget* w : dialog->findChildren<QWidget*>()) {
            if (w->parentWidget() != dialog.get() || !w->isVisibleTo(dialog.get()) ||
                qobject_cast<QComboBox*>(w) != nullptr) {
                continue;
            }
            const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
            EXPECT_FALSE(name.isEmpty()) << page << " " << w->objectName().toStdString();
            EXPECT_FALSE(skinKey.match(name).hasMatch()) << name.toStdString();
        }
    }
    click(kSingleKey);
    struct Expect {
        int id;
        QAccessible::Role role;
        QString name;
        bool checked;
    };
    const Expect expected[] = {
        {kSingleKey, QAccessible::CheckBox, text(u"IDS_COMPOSITE_SELECT_KEY"), true},
        {kMacro, QAccessible::CheckBox, text(u"IDS_COMPOSITE_SELECT_MACRO"), false},
        {kClose, QAccessible::PushButton, text(u"IDS_A11Y_CLOSE"), false},
        {kOsk, QAccessible::PushButton, text(u"IDS_A11Y_OSK"), false},
        {kTitle, QAccessible::Graphic, text(u"IDS_KEYBOARD_KEY_SETTING"), false},
        {kKeyField, QAccessible::EditableText, text(u"IDS_KEYBOARD_KEY_SINGLE"), false}};
    for (const Expect& e : expected) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(dialog->control(e.id));
        EXPECT_EQ(a->role(), e.role) << e.id;
        EXPECT_EQ(a->text(QAccessible::Name), e.name) << e.id;
        EXPECT_EQ(a->state().checked, e.checked) << e.id;
    }
    // The capture field is labelled by "Press the key to send:".
    QAccessibleInterface* field = QAccessible::queryAccessibleInterface(dialog->control(kKeyField));
    const auto labels = field->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0].first->object(), dialog->control(kSingleHint));
}

// The macro page's meter follows every step: its figure is the size of the
// area Apply would write for the list as it stands.
TEST_F(CompositeDialogTest, TheMacroMemoryMeterFollowsTheSteps) {
    // Room for a few steps more than an empty macro named by the dialog.
    macroCapacity = 64;
    open(kButtonG9);
    click(kMacroAdd);
    MacroMemoryMeter* meter = dialog->memoryMeter();
    ASSERT_NE(meter, nullptr);
    EXPECT_TRUE(meter->isVisible());
    auto expected = [this] {
        std::vector<MacroRecord> list = dialog->core().editor().macros();
        MacroRecord& m = list.at(static_cast<std::size_t>(dialog->core().editor().selectedMacro()));
        const std::vector<MacroAction>& steps = dialog->core().editor().steps();
        std::copy(steps.begin(), steps.end(), m.actions.begin());
        m.actionCount = static_cast<std::uint16_t>(steps.size());
        return list;
    };
    auto shown = [&] {
        const std::vector<MacroRecord> list = expected();
        const MacroMemoryUse use = macroMemoryUse(list, macroCapacity);
        const auto area = buildMacroAreaFrom(list, !use.namesDropped);
        EXPECT_TRUE(area.has_value());
        const QString figure = QStringLiteral("%1 / %2 ").arg(area->size()).arg(macroCapacity);
        EXPECT_TRUE(meter->words()->text().contains(figure))
            << meter->words()->text().toStdString() << " lacks " << figure.toStdString();
        EXPECT_EQ(meter->bar()->value(), use.percent());
        return use;
    };
    MacroMemoryUse use = shown();
    EXPECT_FALSE(meter->warning());
    EXPECT_TRUE(use.fits);

    // Recorded steps fill it: first above 90 %, then past what Apply writes.
    click(kRecord);
    ulong t = 1000;
    for (int i = 0; i < 100 && !use.nearlyFull(); ++i) {
        send(QEvent::KeyPress, Qt::Key_A, kScanA, t += 100);
        use = shown();
    }
    EXPECT_TRUE(meter->warning());
    for (int i = 0; i < 100 && use.fits; ++i) {
        send(QEvent::KeyRelease, Qt::Key_A, kScanA, t += 100);
        send(QEvent::KeyPress, Qt::Key_A, kScanA, t += 100);
        use = shown();
    }
    click(kRecord);
    EXPECT_TRUE(meter->words()->text().contains(text(u"IDS_MACRO_MEMORY_FULL")));
    if (const char* shots = std::getenv("QUORVANE_SHOTS")) {
        dialog->grab().save(QString::fromUtf8(shots) + QStringLiteral("/macro-meter-full.png"));
    }

    // Deleting steps brings it back.
    for (int i = 0; i < 100 && (!use.fits || use.nearlyFull() || use.namesDropped); ++i) {
        dialog->core().editor().selectStep(0);
        click(kStepDelete);
        use = shown();
    }
    EXPECT_FALSE(meter->warning());
    EXPECT_FALSE(meter->words()->text().contains(text(u"IDS_MACRO_MEMORY_FULL")));
    if (const char* shots = std::getenv("QUORVANE_SHOTS")) {
        dialog->grab().save(QString::fromUtf8(shots) + QStringLiteral("/macro-meter.png"));
    }
}

}  // namespace
}  // namespace quorvane
