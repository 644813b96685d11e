// The desktop program itself, in this process on the offscreen platform and
// the virtual keyboard: what a click on the window does to the keyboard's
// memories, and what the window shows when the keyboard changes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>

#include <QMetaObject>

#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "core/app/language_texts.h"
#include "core/app/settings_store.h"
#include "core/config/key_table_codec.h"
#include "core/keys/key_id.h"
#include "core/lighting/lighting_panel.h"
#include "core/lighting/panel_controls.h"
#include "core/platform/program_folder.h"
#include "core/platform/registry_store.h"
#include "core/window/key_buttons.h"
#include "in_process_main.h"
#include "quellix.h"
#include "ui/assign/composite_dialog.h"
#include "ui/main/in_process_program.h"

namespace quorvane {
namespace {

constexpr int kKeyA = 1058;
// Scan codes as X gives them.
constexpr quint32 kScanB = 48 + 8;
constexpr quint32 kScanC = 46 + 8;
constexpr int kKeyALed = 64;

class DesktopProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(g_context, nullptr);
        ASSERT_NE(g_context->knobs.readMemory, nullptr);
        dialog()->openWindow();
        settle();
    }
    void TearDown() override {
        onCoreThread(program(), [this] { panel().lampOff(); });
        settle();
    }

    static QuorvaneProgram& program() { return g_context->program; }
    static CQuorvaneDlg* dialog() { return program().dialog(); }
    static LightingPanel& panel() { return *program().lightingPanel(); }

    // Everything the core and the lighting sender hold has reached the
    // keyboard, and everything the core posted to the window has been shown:
    // a no-op posted after it from the core's thread arrives after it.
    static void settle() {
        auto shown = std::make_shared<std::atomic<bool>>(false);
        onCoreThread(program(), [shown] {
            panel().settleWrites();
            QMetaObject::invokeMethod(
                dialog(), [shown] { *shown = true; }, Qt::QueuedConnection);
        });
        ASSERT_TRUE(spinUntil([&] { return shown->load(); }, 60))
            << "the window did not take the core's last message";
    }

    static int currentProfile() {
        int profile = -1;
        onCoreThread(program(), [&] { profile = program().session()->lighting().currentProfile; });
        return profile;
    }

    static std::uint8_t lightingByte(int byte) {
        std::uint8_t value = 0xEE;
        g_context->knobs.readMemory(QUELLIX_AREA_LIGHTING,
                                    static_cast<std::uint32_t>(currentProfile() * 42 + byte),
                                    &value, 1);
        return value;
    }

    static std::vector<std::uint8_t> keyboardKeyTable(int profile) {
        std::vector<std::uint8_t> table(kDeviceKeyTableSize, 0xEE);
        g_context->knobs.readMemory(QUELLIX_AREA_KEY_TABLES,
                                    static_cast<std::uint32_t>(profile * kDeviceKeyTableSize),
                                    table.data(), static_cast<std::uint32_t>(table.size()));
        return table;
    }

    // The key table the model makes for `profile`, as a write would send it.
    static std::vector<std::uint8_t> modelKeyTable(int profile) {
        DeviceKeyTable table;
        onCoreThread(program(), [&] {
            SyncSession& session = *program().session();
            const std::lock_guard lock(session.config().ConfigLock);
            table = buildKeyTableFrom(*session.config().image, session.config().macros,
                                      session.lighting().DefaultKeyTable, profile);
        });
        return {table.bytes.begin(), table.bytes.end()};
    }

    // The user picks `effect` in the effect list.
    static void chooseEffect(int effect) {
        int index = -1;
        onCoreThread(program(), [&] {
            index = panel().effectSlots().comboIndexOf(static_cast<std::uint8_t>(effect));
        });
        ASSERT_GE(index, 0) << effect;
        QComboBox* list = dialog()->lighting()->effectList();
        list->setCurrentIndex(index);
        emit list->activated(index);
        settle();
    }

    static void clickLamp() {
        QWidget* lamp = dialog()->lighting()->control(panel::kLampSwitch);
        QTest::mouseClick(lamp, Qt::LeftButton, {}, lamp->rect().center());
        settle();
    }
};

TEST_F(DesktopProgramTest, EachEffectShowsItsControls) {
    clickLamp();
    ASSERT_TRUE(panel().lampIsOn());
    for (const int effect : {4, 6, 20}) {
        chooseEffect(effect);
        EXPECT_EQ(lightingByte(0), effect);
        for (const int id : panel::kPanelControls) {
            QWidget* control = dialog()->lighting()->control(id);
            ASSERT_NE(control, nullptr) << id;
            EXPECT_EQ(control->isVisibleTo(dialog()),
                      shownForEffect(id, static_cast<std::uint8_t>(effect)))
                << "effect " << effect << ", control " << id;
        }
    }
}

TEST_F(DesktopProgramTest, SliderClicksAndWheelTurnsReachTheKeyboard) {
    clickLamp();
    chooseEffect(4);
    QWidget* brightness = dialog()->lighting()->control(panel::kBrightnessSlider);
    ASSERT_TRUE(brightness->isVisibleTo(dialog()));
    QTest::mouseClick(brightness, Qt::LeftButton, {}, QPoint(1, brightness->height() / 2));
    settle();
    EXPECT_EQ(lightingByte(1), 0);
    QTest::mouseClick(brightness, Qt::LeftButton, {},
                      QPoint(brightness->width() - 2, brightness->height() / 2));
    settle();
    EXPECT_EQ(lightingByte(1), 4);

    // The speed slider shows 4 - speed: one notch up (away from the user)
    // moves it toward its minimum, so the speed goes up by one; a notch down
    // takes it back.
    QWidget* speed = dialog()->lighting()->control(panel::kSpeedSlider);
    const int before = lightingByte(2);
    const QPointF at(speed->width() / 2.0, speed->height() / 2.0);
    auto turn = [&](int delta) {
        QWheelEvent wheel(at, speed->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(speed, &wheel);
        settle();
        return static_cast<int>(lightingByte(2));
    };
    // A position that can still move both ways: first the way there is room.
    if (before < 4) {
        EXPECT_EQ(turn(120), before + 1) << "a notch up";
        EXPECT_EQ(turn(-120), before) << "a notch down";
    } else {
        EXPECT_EQ(turn(-120), before - 1) << "a notch down";
        EXPECT_EQ(turn(120), before) << "a notch up";
    }
}

TEST_F(DesktopProgramTest, PaintingAKeyOutlinesItAndWritesItsColour) {
    clickLamp();
    chooseEffect(20);
    const Rgb brush{0x12, 0x34, 0x56};
    program().brushColourChosen(brush);
    settle();
    CPngButton* key = dialog()->button(kKeyA);
    QTest::mouseClick(key, Qt::LeftButton, {}, key->rect().center());
    settle();
    // A preview tick shows the per-key colours.
    EXPECT_TRUE(spinUntil(
        [&] { return key->outlineOn() && key->outlineColour() == QColor(0x12, 0x34, 0x56); }, 10));
    std::array<std::uint8_t, 3> stored{};
    g_context->knobs.readMemory(QUELLIX_AREA_COLOURS,
                                static_cast<std::uint32_t>(currentProfile() * 512 + kKeyALed * 3),
                                stored.data(), 3);
    EXPECT_EQ(stored, (std::array<std::uint8_t, 3>{0x12, 0x34, 0x56}));
    EXPECT_TRUE(key->outlineOn());
    EXPECT_EQ(key->outlineColour(), QColor(0x12, 0x34, 0x56));
}

TEST_F(DesktopProgramTest, TheLampOffPutsThePlainKeysBack) {
    clickLamp();
    chooseEffect(4);
    EXPECT_TRUE(spinUntil([] { return dialog()->button(kKeyA)->outlineOn(); }, 10))
        << "a preview tick outlines the keys";
    clickLamp();
    EXPECT_FALSE(panel().lampIsOn());
    EXPECT_FALSE(dialog()->button(kKeyA)->outlineOn());
}

TEST_F(DesktopProgramTest, OkAppliesAndHides) {
    const int profile = currentProfile();
    ASSERT_GE(profile, 0);
    ASSERT_LT(profile, 3);
    const std::vector<std::uint8_t> before = keyboardKeyTable(profile);
    // The user gives key A the action of key B in the assignment dialog (of
    // key C in every second run, so that a repeated run changes it too).
    static int runs = 0;
    const bool keyC = runs++ % 2 == 1;
    CPngButton* keyA = dialog()->button(kKeyA);
    QTest::mouseClick(keyA, Qt::LeftButton, {}, keyA->rect().center());
    Quorvane_DlgComposite* assign = nullptr;
    ASSERT_TRUE(spinUntil(
        [&] {
            assign = program().assignmentOpener()->dialog();
            return assign != nullptr && assign->isVisible();
        },
        10));
    QKeyEvent press(QEvent::KeyPress, keyC ? Qt::Key_C : Qt::Key_B, Qt::NoModifier,
                    keyC ? kScanC : kScanB, 0, 0);
    QWidget* grabber = QWidget::keyboardGrabber();
    QApplication::sendEvent(grabber != nullptr ? grabber : assign, &press);
    QWidget* assignOk = assign->control(composite_ids::kOk);
    ASSERT_NE(assignOk, nullptr);
    QTest::mouseClick(assignOk, Qt::LeftButton, {}, assignOk->rect().center());
    ASSERT_TRUE(spinUntil([&] { return !assign->isOpen(); }, 10));
    settle();
    EXPECT_EQ(keyboardKeyTable(profile), before) << "the dialog's OK changes only the model";

    dialog()->toggleColourKeyMode();
    CPngButton* key = dialog()->button(kKeyA);
    QTest::mouseClick(key, Qt::LeftButton, {}, key->rect().center());
    dialog()->leaveColourKeyMode();
    settle();
    ASSERT_TRUE(dialog()->isApplyEnabled());
    CPngButton* ok = dialog()->button(1);
    QTest::mouseClick(ok, Qt::LeftButton, {}, ok->rect().center());
    EXPECT_TRUE(spinUntil([] { return !dialog()->isVisible(); }, 10));
    settle();
    EXPECT_FALSE(dialog()->isApplyEnabled());
    EXPECT_FALSE(program().session()->isDirty());
    // The selection reached the keyboard: its key table is the model's.
    const std::vector<std::uint8_t> after = keyboardKeyTable(profile);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, modelKeyTable(profile));
}

TEST_F(DesktopProgramTest, TheKeyboardsDefaultModeLeavesNoProfileCheckedAndNoEffects) {
    std::uint8_t mode = 3;
    ASSERT_EQ(g_context->knobs.writeMemory(QUELLIX_AREA_SETTINGS, 10, &mode, 1), 1);
    g_context->knobs.raiseConsumer(0x0402);
    EXPECT_TRUE(spinUntil([] { return currentProfile() == 3; }, 10));
    settle();
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(dialog()->button(1135 + i)->isChecked()) << i;
    }
    EXPECT_EQ(dialog()->lighting()->effectList()->count(), 0);
    EXPECT_TRUE(dialog()->control(1209)->isVisibleTo(dialog()));

    mode = 0;
    g_context->knobs.writeMemory(QUELLIX_AREA_SETTINGS, 10, &mode, 1);
    g_context->knobs.raiseConsumer(0x0402);
    EXPECT_TRUE(spinUntil([] { return currentProfile() == 0; }, 10));
    settle();
    EXPECT_TRUE(dialog()->button(1135)->isChecked());
    EXPECT_GT(dialog()->lighting()->effectList()->count(), 0);
}

// What the window shows in the language `index`, from the program folder's files.
void expectWindowSpeaks(int index) {
    LanguageTexts texts("", programFolder());
    auto text = [&](const char16_t* key) {
        return QString::fromStdU16String(texts.LoadText(key, index));
    };
    QuorvaneProgram& program = g_context->program;
    CQuorvaneDlg* window = program.dialog();
    EXPECT_EQ(window->windowTitle(), text(u"IDS_MAIN_CAPTION")) << index;
    EXPECT_EQ(window->button(1)->text(), text(u"IDS_MAIN_OK")) << index;
    EXPECT_EQ(window->button(1006)->text(), text(u"IDS_MAIN_Apply")) << index;
    EXPECT_EQ(window->button(1122)->tooltipText(), text(u"IDS_MAIN_HELP_PROMPT")) << index;
    ASSERT_NE(window->tray(), nullptr);
    EXPECT_EQ(window->tray()->menu()->actions()[0]->text(), text(u"IDS_POP_UP_MENU_OPEN")) << index;
    // The key picture's tips (from the core) name the keys in the language.
    const auto esc = std::find_if(kKeyButtons.begin(), kKeyButtons.end(),
                                  [](const KeyButton& b) { return b.key == 0x01; });
    ASSERT_NE(esc, kKeyButtons.end());
    EXPECT_TRUE(window->button(esc->controlId)->tooltipText().startsWith(text(u"IDS_KEYBOARD_ESC")))
        << window->button(esc->controlId)->tooltipText().toStdString();
    // The effect list (the core's lighting panel) too.
    const EffectNameLookup names = effectNamesFromFile(texts.textFileOfIndex(index));
    QComboBox* effects = window->lighting()->effectList();
    ASSERT_GT(effects->count(), 0);
    std::vector<EffectSlots::Entry> entries;
    onCoreThread(program, [&] { entries = program.lightingPanel()->effectSlots().entries(); });
    ASSERT_EQ(static_cast<int>(entries.size()), effects->count());
    for (const EffectSlots::Entry& e : entries) {
        EXPECT_EQ(effects->itemText(e.comboIndex).toStdString(),
                  QString::fromStdU16String(names(e.code)).toStdString())
            << index << " effect " << int(e.code);
    }
}

std::uint32_t storedLanguage() {
    RegistryStore store(g_context->home + "/registry");
    const RegKey key = RegKey::openOrCreate(store, kSettingsKeyPath);
    const std::optional<RegValue> value = key.queryValue(u"dwLanguageId");
    return value ? value->dword : 0;
}

TEST_F(DesktopProgramTest, ALanguageChosenInAMenuIsStoredAndEveryTextChangesAtOnce) {
    ASSERT_EQ(storedLanguage(), 0x0409u);
    expectWindowSpeaks(0);

    // The button menu's Language submenu: Français.
    dialog()->showButtonMenu(QPoint(20, 20));
    QMenu* languages = dialog()->buttonMenu()->actions().back()->menu();
    ASSERT_NE(languages, nullptr);
    languages->actions()[1]->trigger();
    dialog()->buttonMenu()->close();
    EXPECT_TRUE(spinUntil([] { return storedLanguage() == 0x040Cu; }, 10));
    settle();
    expectWindowSpeaks(1);
    EXPECT_TRUE(dialog()->tray()->menu()->actions()[2]->menu()->actions()[1]->isChecked());

    // The tray menu's: back to English.
    dialog()->tray()->menu()->actions()[2]->menu()->actions()[0]->trigger();
    EXPECT_TRUE(spinUntil([] { return storedLanguage() == 0x0409u; }, 10));
    settle();
    expectWindowSpeaks(0);
}

// "History...": an Apply leaves an entry; Restore asks, then writes it back.
TEST_F(DesktopProgramTest, HistoryRestoresWhatAnApplyReplaced) {
    const int profile = currentProfile();
    ASSERT_GE(profile, 0);
    const std::vector<std::uint8_t> before = keyboardKeyTable(profile);
    onCoreThread(program(), [profile] {
        SyncSession& session = *program().session();
        {
            const std::lock_guard lock(session.config().ConfigLock);
            ASSERT_TRUE(writeAssignment(session.config(), entryIndex(profile, rowOfKey(0x2E)),
                                        ActionMedia, 0, 4));
        }
        session.markDirty();
    });
    program().apply(false);
    settle();
    ASSERT_NE(keyboardKeyTable(profile), before);

    // The button menu's entry opens the list, newest first.
    dialog()->showButtonMenu(QPoint(20, 20));
    QAction* history = nullptr;
    for (QAction* action : dialog()->buttonMenu()->actions()) {
        if (action->text() == QStringLiteral("History...")) {
            history = action;
        }
    }
    ASSERT_NE(history, nullptr);
    history->trigger();
    dialog()->buttonMenu()->close();
    CHistoryDlg* box = nullptr;
    ASSERT_TRUE(spinUntil(
        [&] {
            box = dialog()->historyBox();
            return box != nullptr && box->isVisible();
        },
        10));
    QTreeWidget* list = box->list();
    ASSERT_GE(list->topLevelItemCount(), 1);
    const QTreeWidgetItem* newest = list->topLevelItem(0);
    EXPECT_EQ(newest->text(1), QStringLiteral("Apply"));
    EXPECT_EQ(newest->text(2), QStringLiteral("Profile %1").arg(profile + 1));
    EXPECT_EQ(newest->text(3), QStringLiteral("Saved"));
    EXPECT_FALSE(box->restoreButton()->isEnabled()) << "nothing selected yet";
    const int rows = list->topLevelItemCount();
    if (const char* shots = std::getenv("QUORVANE_SHOTS")) {
        box->grab().save(QString::fromUtf8(shots) + QStringLiteral("/history.png"));
    }

    // Restore, and Yes to the question it asks.
    list->setCurrentItem(list->topLevelItem(0));
    ASSERT_TRUE(box->restoreButton()->isEnabled());
    bool asked = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!asked && question != nullptr) {
            asked = true;
            question->button(QMessageBox::Yes)->click();
        }
    });
    answer.start(5);
    QTest::mouseClick(box->restoreButton(), Qt::LeftButton);
    EXPECT_TRUE(spinUntil([&] { return asked; }, 30));
    answer.stop();
    settle();
    settle();
    EXPECT_EQ(keyboardKeyTable(profile), before);
    // The list follows: the restore is an entry of its own, on top.
    ASSERT_TRUE(spinUntil([&] { return list->topLevelItemCount() == rows + 1; }, 10));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("Restore"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("Profile 1, Profile 2, Profile 3"));
    if (const char* shots = std::getenv("QUORVANE_SHOTS")) {
        box->grab().save(QString::fromUtf8(shots) + QStringLiteral("/history-restored.png"));
    }
    box->close();
}

}  // namespace
}  // namespace quorvane
