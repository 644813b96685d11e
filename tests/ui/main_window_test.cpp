// The main window as a person sees it, on the offscreen platform: where the
// controls sit, what the keys show, what clicks and keys do, the tray menu's
// texts and the about box. The core is replaced by a recording of the actions.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/app/app_paths.h"
#include "core/app/language_texts.h"
#include "core/app/settings_store.h"
#include "core/keys/key_id.h"
#include "core/lighting/panel_controls.h"
#include "core/platform/registry_store.h"
#include "core/window/gkey_captions.h"
#include "core/window/key_buttons.h"
#include "platform/temp_dir.h"
#include "ui/image_measures.h"
#include "ui/main/main_dialog.h"
#include "ui/qt_test_app.h"
#include "ui/skin/bitmap_slider.h"

namespace quorvane {
namespace {

using namespace main_ids;
using test::lightPixels;
using test::meanGray;

constexpr int kKeyA = 1058;
constexpr int kKeyS = 1059;

class RecordingActions final : public MainWindowActions {
  public:
    void apply(bool thenHide) override { applies.push_back(thenHide); }
    void profileButton(int profile) override { profiles.push_back(profile); }
    void restoreDefaults() override { ++defaults; }
    void reportRate(int rate) override { rates.push_back(rate); }
    void openProfileManager() override { ++profileManagers; }
    void applyProfileRows(const std::vector<ProfileRow>& rows) override {
        appliedRows.push_back(rows);
    }
    void importFile(const std::string& path) override { imports.push_back(path); }
    void exportFile(const std::string& path) override { exports.push_back(path); }
    void toggleSelection(int controlId, std::uint8_t /*bank*/) override {
        toggled.push_back(controlId);
    }
    void paintKey(int controlId) override { painted.push_back(controlId); }
    void openAction() override { ++opens; }
    void exitAction() override { ++exits; }
    void chooseLanguage(int index) override { languages.push_back(index); }
    void openHistory() override { ++histories; }

    int calls() const {
        return static_cast<int>(applies.size() + profiles.size() + rates.size() + imports.size() +
                                exports.size() + toggled.size()) +
               defaults + profileManagers + opens + exits + static_cast<int>(languages.size());
    }

    std::vector<bool> applies;
    std::vector<int> profiles, rates, toggled, painted, languages;
    std::vector<std::string> imports, exports;
    std::vector<std::vector<ProfileRow>> appliedRows;
    int defaults = 0, profileManagers = 0, opens = 0, exits = 0, histories = 0;
};

class RecordingOpener final : public KeyAssignmentOpener {
  public:
    void openForKey(int keyKind, int keyCode, int controlId, bool macroOnly) override {
        opened.push_back({keyKind, keyCode, controlId, macroOnly ? 1 : 0});
    }
    bool isOpen() const override { return false; }
    void closeEditor() override { ++closes; }
    void applyLanguage(int index) override { languages.push_back(index); }
    std::vector<std::array<int, 4>> opened;
    std::vector<int> languages;
    int closes = 0;
};

class RecordingLighting final : public LightingActions {
  public:
    void lampClicked() override { clicked.push_back(1167); }
    void effectSelected(int /*comboIndex*/) override {}
    void directionClicked(int controlId) override { clicked.push_back(controlId); }
    void sliderMoved(int controlId, int position) override {
        moved.push_back({controlId, position});
    }
    void effectColourChosen(Rgb /*colour*/) override {}
    void randomToggled() override {}
    void colourPictureClicked(int controlId) override { clicked.push_back(controlId); }
    void userSlotSelected(int slot) override { slotsSelected.push_back(slot); }
    void userSlotRenamed(const std::u16string& name) override { renamed.push_back(name); }
    void toolClicked(int controlId) override { clicked.push_back(controlId); }
    void brushColourChosen(Rgb /*colour*/) override {}
    void baseColourChosen(Rgb /*colour*/) override {}
    std::vector<int> clicked;
    std::vector<std::pair<int, int>> moved;
    std::vector<int> slotsSelected;
    std::vector<std::u16string> renamed;
};

const std::string& programFolder() {
    static const std::string folder = std::string(QUORVANE_PROGRAM_FOLDER) + "/";
    return folder;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        paths = buildPathTable(programFolder() + "quorvane", home.path());
        texts = std::make_unique<LanguageTexts>(paths.drive, paths.folder);
        registry = std::make_unique<RegistryStore>(home.file("registry"));
        profile = std::make_unique<FrameworkProfile>(*registry, kCompanyKey, kApplicationTitle);
        std::optional<MainPictures> pictures = MainPictures::load(paths.g_szSkinDir);
        ASSERT_TRUE(pictures.has_value());
        dialog = makeDialog(*pictures);
        dialog->setAssignmentOpener(&opener);
    }

    // Empty pictures: the window decodes its own when it shows, as the program's does.
    std::unique_ptr<CQuorvaneDlg> makeDialog(const MainPictures& pictures) {
        CQuorvaneDlg::Setup setup;
        setup.paths = paths;
        setup.pictures = pictures;
        setup.loadText = [this](std::u16string_view key) { return texts->LoadText(key, language); };
        setup.languageIndex = [this] { return language; };
        setup.settings = profile.get();
        setup.version = QStringLiteral("v9.9.9");
        setup.actions = &actions;
        setup.lightingActions = &lighting;
        setup.trayAvailable = [this] { return trayHost; };
        setup.chooseFile = [this](bool save, const QString&, const QString&) {
            return save ? QString::fromStdString(home.file(saveAnswer))
                        : QString::fromStdString(home.file("in.fwc"));
        };
        setup.openUrl = [this](const QUrl& url) { urls.push_back(url); };
        auto made = std::make_unique<CQuorvaneDlg>(std::move(setup));
        made->initialise();
        return made;
    }

    void click(int controlId) {
        QWidget* w = dialog->control(controlId);
        ASSERT_NE(w, nullptr) << controlId;
        QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
    }

    QString text(const char16_t* key, int index = 0) {
        return QString::fromStdU16String(texts->LoadText(key, index));
    }

    test::TempDir home;
    std::string saveAnswer = "out.fwc";  // the save dialog's answer, in `home`
    PathTable paths;
    std::unique_ptr<LanguageTexts> texts;
    std::unique_ptr<RegistryStore> registry;
    std::unique_ptr<FrameworkProfile> profile;
    int language = 0;  // the stored language the window's texts come from
    RecordingActions actions;
    RecordingLighting lighting;
    bool trayHost = true;
    RecordingOpener opener;
    std::vector<QUrl> urls;
    std::unique_ptr<CQuorvaneDlg> dialog;
};

TEST_F(MainWindowTest, EveryControlSitsWhereTheLayoutPutsIt) {
    const std::pair<int, const char16_t*> placed[] = {{kOk, u"CONTROL_OK"},
                                                      {kCancel, u"CONTROL_CANCEL"},
                                                      {kApply, u"CONTROL2_APPLY"},
                                                      {kProfiles, u"FUNC_PROFILES"},
                                                      {kMacro, u"FUNC_MACRO"},
                                                      {kLink, u"TAVRIN_LINK"},
                                                      {kHelp, u"CONTROL_HELP"},
                                                      {kMinimise, u"CONTROL_MINIMIZE"},
                                                      {kClose, u"CONTROL_CLOSE"},
                                                      {kMenu, u"CONTROL_MENU"},
                                                      {kVersion, u"TAVRIN_VER"},
                                                      {kProfile1, u"FUNC_PROFILE1"},
                                                      {kProfile1 + 2, u"FUNC_PROFILE3"},
                                                      {kDefault, u"FUNC_DEFAULT"},
                                                      {kSwitch, u"FUNC_SWITCH"},
                                                      {1147, u"FUNC_REPORT1"},
                                                      {1170, u"FUNC_REPORT4"},
                                                      {kFnButtonId, u"KEY_FN"},
                                                      {1000, u"FUNC_G1"},
                                                      {1143, u"FUNC_G9"},
                                                      {kKeyA, u"KEY_01E"},
                                                      {1084, u"KEY_0DB"},
                                                      {1095, u"KEY_0C7"},
                                                      {kLockBankId, u"LOCK_AB"},
                                                      {kLockCapsId, u"LOCK_CAPS"},
                                                      {kFlip0Id, u"FLIP_0"},
                                                      {kFlip2Id, u"FLIP_2"},
                                                      {kBusy, u"CONTROL_JDTStatic"},
                                                      {kUsbLabel, u"CONTROL_UsbStatic"},
                                                      {kWorkingLabel, u"CONTROL_Working"},
                                                      {kLeftArrowId, u"LEFT_ARROW"}};
    for (const auto& [id, key] : placed) {
        QWidget* w = dialog->control(id);
        ASSERT_NE(w, nullptr) << id;
        const SkinRect rect = dialog->layout().rect(u"BUTTONINFO", key);
        EXPECT_FALSE(rect.isUnplaced()) << id;
        if (id == kLeftArrowId) {
            EXPECT_EQ(w->pos(), QPoint(rect.x, rect.y)) << id;
        } else {
            EXPECT_EQ(w->geometry(), rect.toQRect()) << id;
        }
    }
    // Every key of the picture sits on its own rectangle of the layout
    // (KEY_ and the key's row), inside the window, and the window fits a
    // 1366 x 768 screen.
    for (const KeyButton& key : kKeyButtons) {
        CPngButton* button = dialog->button(key.controlId);
        ASSERT_NE(button, nullptr) << key.controlId;
        EXPECT_TRUE(button->isEnabled() || (key.controlId >= 1010 && key.controlId <= 1013))
            << key.controlId;
        const QString skinKey =
            QStringLiteral("KEY_%1").arg(rowOfKey(key.key), 3, 16, QLatin1Char('0')).toUpper();
        const SkinRect rect = dialog->layout().rect(u"BUTTONINFO", skinKey.toStdU16String());
        EXPECT_FALSE(rect.isUnplaced()) << key.controlId << " " << skinKey.toStdString();
        EXPECT_EQ(button->geometry(), rect.toQRect())
            << key.controlId << " " << skinKey.toStdString();
        EXPECT_TRUE(dialog->rect().contains(button->geometry()))
            << key.controlId << " lies outside the window";
    }
    EXPECT_LE(dialog->width(), 1366);
    EXPECT_LE(dialog->height(), 768);
}

// The window's pixels inside its shape.
QImage insideShape(CQuorvaneDlg& window) {
    const QImage shot = window.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QImage inside(shot.size(), QImage::Format_ARGB32);
    inside.fill(Qt::transparent);
    QPainter painter(&inside);
    painter.setClipRegion(window.windowRegion());
    painter.drawImage(0, 0, shot);
    return inside;
}

// In the tray the window holds no decoded picture; a show decodes what its
// first paint needs, the hovered and pressed looks follow, and a hide drops
// them all again. What it shows matches a window given its pictures up front.
TEST_F(MainWindowTest, HoldsItsPicturesOnlyWhileShown) {
    std::unique_ptr<CQuorvaneDlg> lazy = makeDialog(MainPictures{});
    lazy->setAssignmentOpener(&opener);
    constexpr int kStates = static_cast<int>(CPngButton::Shown::Colour1) + 1;
    auto widestHeld = [&] {
        int widest = 0;
        for (const CPngButton* b : lazy->findChildren<CPngButton*>()) {
            for (int s = 0; s < kStates; ++s) {
                widest = std::max(widest, b->picture(CPngButton::Shown(s)).width());
            }
        }
        for (const QLabel* l : lazy->findChildren<QLabel*>()) {
            widest = std::max(widest, l->pixmap().width());
        }
        for (const CBitmapSlider* slider : lazy->findChildren<CBitmapSlider*>()) {
            widest = std::max(widest, slider->picture().width());
        }
        return widest;
    };
    auto expectNothingDecoded = [&](const char* when) {
        EXPECT_FALSE(lazy->picturesDecoded()) << when;
        EXPECT_LE(widestHeld(), 1) << when;
        EXPECT_TRUE(lazy->background().isNull()) << when;
    };
    expectNothingDecoded("after start-up");
    dialog->show();
    for (const int round : {1, 2}) {
        lazy->show();
        ASSERT_TRUE(lazy->picturesDecoded()) << round;
        EXPECT_FALSE(lazy->background().isNull()) << round;
        CPngButton* key = lazy->button(kKeyA);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return key->picture(CPngButton::Shown::Over).width() > 1; }, 5000))
            << round;
        for (const int id : {kKeyA, kApply, kProfile1, kLeftArrowId}) {
            for (int s = 0; s < kStates; ++s) {
                const auto state = CPngButton::Shown(s);
                EXPECT_EQ(lazy->button(id)->picture(state).toImage(),
                          dialog->button(id)->picture(state).toImage())
                    << "control " << id << ", state " << s << ", show " << round;
            }
        }
        // The corners outside the shape are never on screen.
        EXPECT_EQ(lazy->windowRegion(), dialog->windowRegion()) << round;
        EXPECT_EQ(insideShape(*lazy), insideShape(*dialog)) << round;
        lazy->hide();
        expectNothingDecoded(round == 1 ? "after the first hide" : "after the second hide");
    }
}

TEST_F(MainWindowTest, TextsComeFromTheLanguageAndEveryImageButtonHasAName) {
    EXPECT_EQ(dialog->windowTitle(), text(u"IDS_MAIN_CAPTION"));
    EXPECT_EQ(dialog->button(kOk)->text(), text(u"IDS_MAIN_OK"));
    EXPECT_EQ(dialog->button(kApply)->text(), text(u"IDS_MAIN_Apply"));
    EXPECT_EQ(dialog->button(kProfile1 + 1)->text(), text(u"IDS_MAIN_PROFILE2"));
    EXPECT_EQ(dialog->button(kHelp)->tooltipText(), text(u"IDS_MAIN_HELP_PROMPT"));
    EXPECT_EQ(dialog->button(kVersion)->text(), QStringLiteral("v9.9.9"));
    EXPECT_FALSE(dialog->button(kVersion)->isEnabled());
    EXPECT_EQ(dialog->button(kSwitch)->text(), QStringLiteral("Switch to the color keys mode"));
    for (CPngButton* b : dialog->findChildren<CPngButton*>()) {
        if (b->isVisibleTo(dialog.get())) {
            EXPECT_FALSE(b->accessibleName().isEmpty()) << b->objectName().toStdString();
        }
    }
    EXPECT_EQ(dialog->button(kKeyA)->accessibleName(), QStringLiteral("A"));
}

TEST_F(MainWindowTest, KeysShowTheirStateAndTooltipFromThePicture) {
    KeyboardPicture picture;
    picture.block = 0;
    for (std::size_t j = 0; j < kKeyButtons.size(); ++j) {
        if (kKeyButtons[j].controlId == kKeyA) {
            picture.keys[j] = {true, false, u"A: macro"};
        }
    }
    picture.gKeys[0] = {true, false, u"Y1: key"};
    dialog->showKeyboardPicture(picture);
    EXPECT_TRUE(dialog->button(kKeyA)->isChecked());
    EXPECT_EQ(dialog->button(kKeyA)->tooltipText(), QStringLiteral("A: macro"));
    EXPECT_EQ(dialog->button(kKeyA)->currentState(), CPngButton::Shown::Checked);
    EXPECT_FALSE(dialog->button(kKeyS)->isChecked());
    EXPECT_TRUE(dialog->button(1000)->isChecked());

    dialog->showKeyboardPicture(KeyboardPicture{});
    EXPECT_FALSE(dialog->button(kKeyA)->isChecked());
    EXPECT_TRUE(dialog->button(kKeyA)->tooltipText().isEmpty());
}

TEST_F(MainWindowTest, ABankSwitchChangesOnlyTheGKeys) {
    KeyboardPicture picture;
    for (std::size_t j = 0; j < kKeyButtons.size(); ++j) {
        picture.keys[j].checked = kKeyButtons[j].controlId == kKeyA;
    }
    dialog->showKeyboardPicture(picture);
    std::array<bool, kGKeyCount> gKeys{};
    gKeys[3] = true;
    GKeyCaptions captions{u"B1", u"B2", u"B3", u"B4", u"B5", u"", u"", u"", u""};
    dialog->setGKeyStates(gKeys);
    dialog->showGKeyBank(1, captions);
    EXPECT_TRUE(dialog->button(1003)->isChecked());
    EXPECT_FALSE(dialog->button(1000)->isChecked());
    EXPECT_EQ(dialog->button(1000)->text(), QStringLiteral("B1"));
    EXPECT_TRUE(dialog->button(kLockBankId)->isChecked());
    EXPECT_TRUE(dialog->button(kKeyA)->isChecked());
    EXPECT_FALSE(dialog->button(kKeyS)->isChecked());
    EXPECT_EQ(dialog->keyboard().bank(), 1);
}

TEST_F(MainWindowTest, AClickInColourKeysModeSelectsAndEnablesApplyWithoutOpening) {
    dialog->openWindow();
    EXPECT_FALSE(dialog->isApplyEnabled());
    click(kSwitch);
    ASSERT_TRUE(dialog->colourKeyMode());
    EXPECT_EQ(dialog->button(kSwitch)->text(), QStringLiteral("Switch to the function keys mode"));
    click(kKeyA);
    EXPECT_EQ(actions.toggled, std::vector<int>{kKeyA});
    EXPECT_TRUE(dialog->isApplyEnabled());
    EXPECT_TRUE(opener.opened.empty());
    dialog->selectionChanged(kKeyA, true);
    EXPECT_EQ(dialog->button(kKeyA)->currentState(), CPngButton::Shown::Colour1);

    // Back in function-keys mode the click opens the key's slot.
    dialog->leaveColourKeyMode();
    click(kKeyA);
    ASSERT_EQ(opener.opened.size(), 1U);
    EXPECT_EQ(opener.opened[0], (std::array<int, 4>{0, 0x1E, kKeyA, 0}));
    click(kMacro);
    ASSERT_EQ(opener.opened.size(), 2U);
    EXPECT_EQ(opener.opened[1], (std::array<int, 4>{0, 0x108, 1143, 1}));
}

TEST_F(MainWindowTest, EnterAndEscDoNothing) {
    dialog->openWindow();
    dialog->setApplyEnabled(true);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(dialog.get(), key);
        QTest::keyClick(dialog->button(kOk), key);
    }
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(actions.calls(), 0);
    EXPECT_TRUE(dialog->isApplyEnabled());
}

TEST_F(MainWindowTest, OkAppliesCancelHidesAndKeepsApply) {
    dialog->openWindow();
    dialog->setApplyEnabled(true);
    click(kCancel);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(dialog->isApplyEnabled());
    EXPECT_TRUE(actions.applies.empty());

    dialog->openWindow();
    click(kOk);
    EXPECT_EQ(actions.applies, std::vector<bool>{true});
    click(kApply);
    EXPECT_EQ(actions.applies, (std::vector<bool>{true, false}));
}

// The window manager's close (Alt+F4, a task bar) is Cancel while a
// notification area can bring the window back, the exit otherwise.
TEST_F(MainWindowTest, TheWindowManagersCloseHidesToTheTrayOrEnds) {
    struct Case {
        bool trayHost;
        int exits;
    };
    for (const Case c : {Case{true, 0}, Case{false, 1}}) {
        trayHost = c.trayHost;
        actions.exits = 0;
        dialog->openWindow();
        dialog->setApplyEnabled(true);
        dialog->close();
        EXPECT_EQ(actions.exits, c.exits) << c.trayHost;
        EXPECT_TRUE(actions.applies.empty()) << c.trayHost;
        EXPECT_TRUE(dialog->isApplyEnabled()) << c.trayHost;
        if (c.exits == 0) {
            EXPECT_FALSE(dialog->isVisible());
        }
    }
    // Once the exit has begun the close goes through.
    dialog->openWindow();
    dialog->setShuttingDown();
    EXPECT_TRUE(dialog->close());
    EXPECT_FALSE(dialog->isVisible());
}

// The profile manager's OK applies the list only when it changed: applying an
// unchanged list would reload from the keyboard and drop unapplied key edits.
TEST_F(MainWindowTest, TheProfileManagersOkAppliesOnlyAChangedList) {
    const std::vector<ProfileRow> rows = {{home.path() + "/", "a", true},
                                          {home.path() + "/", "b", false}};
    struct Case {
        bool checkSecondRow;
        std::size_t applies;
    };
    for (const Case c : {Case{false, 0}, Case{true, 1}}) {
        actions.appliedRows.clear();
        dialog->showProfileManager(rows);
        CQuorvane_DlgProfile* manager = dialog->profileManager();
        ASSERT_NE(manager, nullptr);
        ASSERT_TRUE(manager->isVisible());
        if (c.checkSecondRow) {
            manager->table()->item(1, 0)->setCheckState(Qt::Checked);
        }
        manager->button(1)->click();  // OK
        EXPECT_FALSE(manager->isVisible()) << c.checkSecondRow;
        ASSERT_EQ(actions.appliedRows.size(), c.applies) << c.checkSecondRow;
        if (c.applies == 1) {
            EXPECT_TRUE(actions.appliedRows[0].at(1).checked);
        }
    }
}

// Controls that are drawn disabled keep the skin's dark face and a caption
// that reads on it: Apply with nothing to apply, and the version text.
TEST_F(MainWindowTest, DisabledControlsKeepTheDarkSkinAndAReadableCaption) {
    dialog->openWindow();
    dialog->setApplyEnabled(false);
    const QImage all = dialog->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (const int id : {kApply, kVersion}) {
        QWidget* w = dialog->control(id);
        ASSERT_NE(w, nullptr) << id;
        ASSERT_FALSE(w->isEnabled()) << id;
        const QImage pixels = all.copy(w->geometry());
        EXPECT_LT(meanGray(pixels), 70) << "control " << id << " is a light box";
        EXPECT_GT(lightPixels(pixels), 4) << "control " << id << " shows no readable text";
    }
}

// The lighting panel's lists are dark fields on the dark skin (light text,
// the drop-down arrow), not the platform's white boxes.
TEST_F(MainWindowTest, TheLightingListsAreDarkFields) {
    dialog->openWindow();
    dialog->lighting()->setEffectList({u"Static", u"Custom"});
    dialog->lighting()->setUserSlots({u"Slot 1", u"Slot 2"});
    for (const int id : {1146, 1198}) {
        dialog->lighting()->showControl(id, true);
        QWidget* w = dialog->lighting()->control(id);
        ASSERT_NE(w, nullptr) << id;
        const QImage pixels =
            dialog->grab().toImage().convertToFormat(QImage::Format_RGB32).copy(w->geometry());
        EXPECT_LT(meanGray(pixels), 70) << "list " << id << " is a light box";
        EXPECT_GT(lightPixels(pixels), 4) << "list " << id << " shows no text";
        const QImage arrow = pixels.copy(pixels.width() - 22, 0, 22, pixels.height());
        EXPECT_GT(lightPixels(arrow), 4) << "list " << id << " shows no arrow";
    }
}

// Typing into the user-mode slot box renames the selected slot, even when the
// text is (or begins) another slot's name, and never selects another slot.
TEST_F(MainWindowTest, ASlotRenameNeverSelectsAnotherSlot) {
    constexpr int kUserSlots = 1198;
    dialog->openWindow();
    QApplication::setActiveWindow(dialog.get());
    dialog->lighting()->showControl(kUserSlots, true);
    auto* slotBox = qobject_cast<QComboBox*>(dialog->lighting()->control(kUserSlots));
    ASSERT_NE(slotBox, nullptr);
    ASSERT_NE(slotBox->lineEdit(), nullptr);
    struct Case {
        const char* typed;
        bool focusLeaves;  // else Enter ends the edit
        const char16_t* name;
    };
    const Case cases[] = {
        {"Blue", false, u"Blue"},            // a prefix of another slot's name
        {"Blue keys", false, u"Blue keys"},  // another slot's whole name
        {"blue KEYS", false, u"blue KEYS"},  // the same but for case
        {"Blue keys", true, u"Blue keys"},
    };
    for (const Case& c : cases) {
        dialog->lighting()->setUserSlots({u"Red keys", u"Blue keys", u"Green keys"});
        dialog->lighting()->selectUserSlot(0);
        lighting.slotsSelected.clear();
        lighting.renamed.clear();
        QLineEdit* edit = slotBox->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        if (c.focusLeaves) {
            edit->clearFocus();
        } else {
            QTest::keyClick(edit, Qt::Key_Return);
        }
        EXPECT_EQ(lighting.slotsSelected, std::vector<int>{}) << c.typed;
        EXPECT_EQ(slotBox->currentIndex(), 0) << c.typed;
        EXPECT_EQ(lighting.renamed, std::vector<std::u16string>{c.name}) << c.typed;
        EXPECT_EQ(slotBox->itemText(0), QString::fromStdU16String(c.name)) << c.typed;
        EXPECT_EQ(slotBox->itemText(1), QStringLiteral("Blue keys")) << c.typed;
    }
}

// The picture switches of the lighting panel take their press: the window
// must not arm a move (which a quick click would leave stuck to the pointer),
// and the click reaches the panel.
TEST_F(MainWindowTest, APressOnAPictureSwitchIsTheSwitchsNotTheWindows) {
    dialog->openWindow();
    QTest::mousePress(dialog.get(), Qt::LeftButton, {}, QPoint(2, dialog->height() / 2));
    EXPECT_TRUE(dialog->isMovePending()) << "a press on the background arms a move";
    QTest::mouseRelease(dialog.get(), Qt::LeftButton, {}, QPoint(2, dialog->height() / 2));
    EXPECT_FALSE(dialog->isMovePending());
    const std::vector<int> switches = {1167, 1149, 1164, 1194};
    for (const int id : switches) {
        dialog->lighting()->showControl(id, true);
        QWidget* w = dialog->lighting()->control(id);
        ASSERT_NE(w, nullptr) << id;
        QTest::mousePress(w, Qt::LeftButton, {}, w->rect().center());
        EXPECT_FALSE(dialog->isMovePending()) << id;
        QTest::mouseRelease(w, Qt::LeftButton, {}, w->rect().center());
    }
    EXPECT_EQ(lighting.clicked, switches);
}

TEST_F(MainWindowTest, ButtonsForwardToTheCore) {
    dialog->openWindow();
    click(kProfile1 + 2);
    click(kDefault);
    click(1169);
    click(kClose);
    click(kProfiles);
    EXPECT_EQ(actions.profiles, std::vector<int>{2});
    EXPECT_EQ(actions.defaults, 1);
    EXPECT_EQ(actions.rates, std::vector<int>{2});
    EXPECT_TRUE(dialog->button(1169)->isChecked());
    EXPECT_FALSE(dialog->button(1147)->isChecked());
    EXPECT_EQ(actions.exits, 1);
    EXPECT_EQ(actions.profileManagers, 1);
    click(kHelp);
    ASSERT_EQ(urls.size(), 1U);
    EXPECT_TRUE(urls[0].toLocalFile().endsWith(QStringLiteral("/Help/index.html")));
    dialog->importProfile();
    dialog->exportProfile();
    EXPECT_EQ(actions.imports, std::vector<std::string>{home.file("in.fwc")});
    EXPECT_EQ(actions.exports, std::vector<std::string>{home.file("out.fwc")});
}

// Answers each question box that shows with `answer`, keeping its text.
class QuestionAnswerer {
  public:
    explicit QuestionAnswerer(QMessageBox::StandardButton answer) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                asked.push_back(box->text());
                box->button(answer)->click();
            }
        });
        m_timer.start(10);
    }
    QStringList asked;

  private:
    QTimer m_timer;
};

TEST_F(MainWindowTest, ExportAndAddAskBeforeReplacingTheFileTheExtensionNames) {
    const std::string existing = home.file("backup.fwc");
    test::writeAll(existing, "old");
    saveAnswer = "backup";  // typed without ".fwc": the file dialog saw no file
    dialog->showProfileManager({});
    CQuorvane_DlgProfile* manager = dialog->profileManager();
    ASSERT_NE(manager, nullptr);
    const QString question =
        text(u"IDS_FILE_REPLACE_PROMPT") + QLatin1Char('\n') + QString::fromStdString(existing);
    struct Case {
        QMessageBox::StandardButton answer;
        bool replaced;
    };
    for (const Case c : {Case{QMessageBox::No, false}, Case{QMessageBox::Yes, true}}) {
        actions.exports.clear();
        QuestionAnswerer answerer(c.answer);
        dialog->exportProfile();
        manager->button(CQuorvane_DlgProfile::kAdd)->click();
        EXPECT_EQ(answerer.asked, QStringList({question, question})) << c.replaced;
        EXPECT_EQ(actions.exports,
                  c.replaced ? std::vector<std::string>{existing} : std::vector<std::string>{})
            << c.replaced;
        EXPECT_EQ(manager->list().rows().size(), c.replaced ? 1U : 0U);
        EXPECT_EQ(test::readAll(existing) == "old", !c.replaced);
    }
}

TEST_F(MainWindowTest, TheDefaultModeLeavesNoProfileButtonChecked) {
    dialog->setProfileButtons(1);
    EXPECT_TRUE(dialog->button(kProfile1 + 1)->isChecked());
    dialog->setProfileButtons(3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(dialog->button(kProfile1 + i)->isChecked()) << i;
    }
    dialog->showDefaultModeNotice(true);
    EXPECT_TRUE(dialog->control(kWorkingLabel)->isVisibleTo(dialog.get()));
}

TEST_F(MainWindowTest, FlipIsStoredAndSwapsTheTopRow) {
    EXPECT_TRUE(dialog->button(1010)->isEnabled());
    click(kFlip1Id);
    EXPECT_FALSE(dialog->button(1010)->isEnabled());
    EXPECT_TRUE(dialog->button(1016)->isEnabled());
    EXPECT_EQ(profile->GetProfileString(kProfilesSection, u"Flip", u"0"), u"1");
    click(kFlip2Id);
    EXPECT_TRUE(dialog->button(1010)->isEnabled());
    EXPECT_EQ(profile->GetProfileString(kProfilesSection, u"Flip", u"1"), u"0");
}

TEST_F(MainWindowTest, TheBusyPictureRunsThroughItsFramesWhileShown) {
    dialog->showBusy(true);
    EXPECT_TRUE(dialog->control(kBusy)->isVisibleTo(dialog.get()));
    auto* busy = qobject_cast<QLabel*>(dialog->control(kBusy));
    ASSERT_NE(busy, nullptr);
    EXPECT_FALSE(busy->pixmap().isNull());  // decoded on this first use
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->busyFrame() >= 3; }, 5000));
    EXPECT_FALSE(busy->pixmap().isNull());
    dialog->showBusy(false);
    EXPECT_FALSE(dialog->control(kBusy)->isVisibleTo(dialog.get()));
}

// The seven languages, each in its own name, the one in use checked.
void expectLanguageMenu(QMenu* menu, const QString& title, int current) {
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), title);
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), kSupportedLanguages);
    const char* names[] = {"English", "Français", "Español", "Português",
                           "한국어",  "简体中文", "繁體中文"};
    for (int i = 0; i < kSupportedLanguages; ++i) {
        EXPECT_EQ(entries[i]->text(), QString::fromUtf8(names[i])) << i;
        EXPECT_EQ(entries[i]->isChecked(), i == current) << i;
    }
}

TEST_F(MainWindowTest, TheTrayMenuSpeaksEachLanguage) {
    for (int index = 0; index < kSupportedLanguages; ++index) {
        CTrayIcon tray(
            paths.g_szSkinDir, [&](const char16_t* key) { return text(key, index); },
            [index] { return index; });
        tray.updateMenuTexts();
        const QList<QAction*> items = tray.menu()->actions();
        ASSERT_EQ(items.size(), 4);
        EXPECT_EQ(items[0]->text(), text(u"IDS_POP_UP_MENU_OPEN", index)) << index;
        EXPECT_EQ(items[1]->text(), text(u"IDS_POP_UP_MENU_ABOUT", index)) << index;
        expectLanguageMenu(items[2]->menu(), text(u"IDS_POP_UP_MENU_LANGUAGE", index), index);
        EXPECT_EQ(items[3]->text(), text(u"IDS_POP_UP_MENU_EXIT", index)) << index;
        EXPECT_FALSE(items[0]->text().startsWith(QStringLiteral("#Error")));
        EXPECT_FALSE(items[2]->text().startsWith(QStringLiteral("#Error")));
        EXPECT_EQ(tray.menu()->defaultAction(), items[0]);
    }
    EXPECT_NE(text(u"IDS_POP_UP_MENU_EXIT", 0), text(u"IDS_POP_UP_MENU_EXIT", 1));
}

TEST_F(MainWindowTest, BothMenusOfferTheLanguagesAndReportTheChoice) {
    language = 4;
    dialog->createTray();
    CTrayIcon* tray = dialog->tray();
    ASSERT_NE(tray, nullptr);
    tray->updateMenuTexts();
    QMenu* trayLanguages = tray->menu()->actions()[2]->menu();
    expectLanguageMenu(trayLanguages, text(u"IDS_POP_UP_MENU_LANGUAGE", 4), 4);
    trayLanguages->actions()[1]->trigger();

    dialog->showButtonMenu(QPoint(10, 10));
    QMenu* buttonMenu = dialog->buttonMenu();
    ASSERT_NE(buttonMenu, nullptr);
    const QList<QAction*> items = buttonMenu->actions();
    ASSERT_EQ(items.size(), 6);  // import, export, history, separator, about, languages
    EXPECT_EQ(items[2]->text(), text(u"IDS_BUTTON_MENU_HISTORY", 4));
    EXPECT_EQ(items[4]->text(), text(u"IDS_BUTTON_MENU_ABOUT", 4));
    expectLanguageMenu(items[5]->menu(), text(u"IDS_BUTTON_MENU_LANGUAGE", 4), 4);
    items[5]->menu()->actions()[6]->trigger();
    items[2]->trigger();
    buttonMenu->close();
    EXPECT_EQ(actions.histories, 1);

    EXPECT_EQ(actions.languages, (std::vector<int>{1, 6}));
    EXPECT_EQ(actions.calls(), 2);
}

TEST_F(MainWindowTest, TheLanguageBroadcastChangesEveryTextAtOnce) {
    dialog->createTray();
    dialog->showAbout();
    ASSERT_NE(dialog->aboutBox(), nullptr);
    struct Shown {
        int controlId;
        const char16_t* key;
        bool tooltip;
    };
    const Shown shown[] = {
        {kOk, u"IDS_MAIN_OK", false},
        {kCancel, u"IDS_MAIN_Cancel", false},
        {kApply, u"IDS_MAIN_Apply", false},
        {kMacro, u"IDS_MAIN_MACRO", false},
        {kDefault, u"IDS_MAIN_DEFAULT", false},
        {kProfile1, u"IDS_MAIN_PROFILE1", false},
        {kProfile1 + 2, u"IDS_MAIN_PROFILE3", false},
        {kLightingLabel, u"IDS_KEYBOARD_FUNC_LIGHTING", false},
        {kProfilesLabel, u"IDS_KEYBOARD_FUNC_PROFILE", false},
        {kUsbLabel, u"IDS_KEYBOARD_FUNC_USB", false},
        {kHelp, u"IDS_MAIN_HELP_PROMPT", true},
        {kMenu, u"IDS_MAIN_MENU_PROMPT", true},
        {kClose, u"IDS_MAIN_CLOSE_PROMPT", true},
    };
    auto shownText = [&](const Shown& s) {
        QWidget* w = dialog->control(s.controlId);
        if (auto* b = qobject_cast<CPngButton*>(w)) {
            return s.tooltip ? b->tooltipText() : b->text();
        }
        auto* l = qobject_cast<QLabel*>(w);
        return l != nullptr ? l->text() : QString();
    };
    for (const int index : {1, 5, 0}) {
        language = index;
        dialog->applyLanguage();
        EXPECT_EQ(dialog->windowTitle(), text(u"IDS_MAIN_CAPTION", index)) << index;
        for (const Shown& s : shown) {
            EXPECT_EQ(shownText(s), text(s.key, index)) << index << " " << s.controlId;
        }
        EXPECT_EQ(dialog->aboutBox()->windowTitle(), text(u"IDS_ABOUT_TITLE", index)) << index;
        EXPECT_EQ(dialog->tray()->menu()->actions()[0]->text(),
                  text(u"IDS_POP_UP_MENU_OPEN", index));
        EXPECT_EQ(dialog->tray()->menu()->actions()[2]->menu()->title(),
                  text(u"IDS_POP_UP_MENU_LANGUAGE", index));
        EXPECT_TRUE(dialog->tray()->menu()->actions()[2]->menu()->actions()[index]->isChecked());
        EXPECT_EQ(dialog->tray()->tooltip(), text(u"IDS_KEYBOARD_TRAY_DESC", index)) << index;
    }
    EXPECT_NE(text(u"IDS_MAIN_OK", 1), text(u"IDS_MAIN_OK", 5));
    EXPECT_EQ(opener.languages, (std::vector<int>{1, 5, 0}));
}

TEST_F(MainWindowTest, TheAboutBoxExistsOnce) {
    auto count = [] {
        int boxes = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            boxes += qobject_cast<CAboutDlg*>(w) != nullptr && w->isVisible() ? 1 : 0;
        }
        return boxes;
    };
    dialog->showAbout();
    dialog->showAbout();
    EXPECT_EQ(count(), 1);
    ASSERT_NE(dialog->aboutBox(), nullptr);
    EXPECT_EQ(dialog->aboutBox()->windowTitle(), text(u"IDS_ABOUT_TITLE"));
    EXPECT_TRUE(dialog->aboutBox()->linkLabel()->text().contains(QStringLiteral("https://")));
    QTest::keyClick(dialog->aboutBox(), Qt::Key_F1);
    EXPECT_EQ(urls.size(), 1U);
    dialog->closeChildDialogs();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->aboutBox() == nullptr; }, 5000));
    dialog->showAbout();
    EXPECT_EQ(count(), 1);
}

// The about box wears the skin: its dark field, light texts, and an OK button
// like the skin's, not the platform's light dialog.
TEST_F(MainWindowTest, TheAboutBoxWearsTheSkin) {
    dialog->showAbout();
    CAboutDlg* about = dialog->aboutBox();
    ASSERT_NE(about, nullptr);
    const QImage all = about->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_LT(meanGray(all), 70) << "a light dialog on the dark skin";
    for (QWidget* w : std::initializer_list<QWidget*>{about->versionLabel(), about->okButton()}) {
        const QImage pixels = all.copy(w->geometry());
        EXPECT_LT(meanGray(pixels), 90) << w->objectName().toStdString();
        EXPECT_GT(lightPixels(pixels), 4) << w->objectName().toStdString();
    }
    dialog->closeChildDialogs();
}

// UM_DEVICE_GONE and the exit close the child dialogs: the assignment
// dialog among them.
TEST_F(MainWindowTest, ClosingTheChildDialogsCancelsTheAssignmentDialog) {
    dialog->closeChildDialogs();
    EXPECT_EQ(opener.closes, 1);
}

// ---- From the keyboard and through a screen reader ---------------------------------

// What Tab (or Shift+Tab) visits from the focused control until it comes
// round to it again, that control last.
std::vector<QWidget*> tabCycle(bool backwards) {
    std::vector<QWidget*> seen;
    QWidget* first = QApplication::focusWidget();
    for (int i = 0; i < 400 && QApplication::focusWidget() != nullptr; ++i) {
        QTest::keyClick(QApplication::focusWidget(), backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                        backwards ? Qt::ShiftModifier : Qt::NoModifier);
        seen.push_back(QApplication::focusWidget());
        if (seen.back() == first) {
            break;
        }
    }
    return seen;
}

// A name as the skin's layout spells its keys: capitals, digits and underscores.
bool looksLikeSkinKey(const QString& name) {
    static const QRegularExpression skinKey(QStringLiteral("^[A-Z][A-Za-z0-9]*_[A-Za-z0-9_]+$"));
    return skinKey.match(name).hasMatch();
}

class MainWindowKeyboardTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // The lamp, the effect list, brightness and one colour picture, as the
        // panel shows them for a lit effect.
        for (const int id : {panel::kLampSwitch, panel::kEffectList, panel::kBrightnessSlider,
                             panel::kRedPicture}) {
            dialog->lighting()->showControl(id, true);
        }
        dialog->lighting()->setEffectList({u"Wave", u"Static"});
        dialog->setApplyEnabled(true);
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        dialog->control(kLink)->setFocus(Qt::TabFocusReason);
    }

    QWidget* widget(int controlId) const {
        QWidget* w = dialog->control(controlId);
        return w != nullptr ? w : dialog->lighting()->control(controlId);
    }
    CPngButton* keyNamed(const QString& name) const {
        for (const int id : G_KEY_IDS) {
            if (dialog->button(id)->accessibleName() == name) {
                return dialog->button(id);
            }
        }
        for (const KeyButton& key : kKeyButtons) {
            if (dialog->button(key.controlId)->accessibleName() == name) {
                return dialog->button(key.controlId);
            }
        }
        return nullptr;
    }
    QAccessibleInterface* accessible(QWidget* w) const {
        return QAccessible::queryAccessibleInterface(w);
    }
};

TEST_F(MainWindowKeyboardTest, TabVisitsEveryControlOnceInReadingOrder) {
    const std::vector<QWidget*> order = tabCycle(false);
    // Every shown, enabled control that takes the focus, exactly once.
    std::vector<QWidget*> expected;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (w->parentWidget() == dialog.get() && w->isVisibleTo(dialog.get()) && w->isEnabled() &&
            (w->focusPolicy() & Qt::TabFocus) != 0) {
            expected.push_back(w);
        }
    }
    std::vector<QWidget*> visited = order;
    std::sort(visited.begin(), visited.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(std::adjacent_find(visited.begin(), visited.end()), visited.end());
    EXPECT_EQ(visited, expected);
    EXPECT_GT(order.size(), 120U);  // the keys among them

    // Profiles, the keyboard row by row and each row left to right, the
    // lighting panel, the report rate, then OK, Cancel and Apply.
    auto at = [&](QWidget* w) {
        const auto it = std::find(order.begin(), order.end(), w);
        EXPECT_NE(it, order.end());
        return it - order.begin();
    };
    const std::vector<QWidget*> reading = {widget(kProfile1),
                                           widget(kProfile1 + 1),
                                           widget(kProfile1 + 2),
                                           widget(G_KEY_IDS[0]),
                                           keyNamed(QStringLiteral("Esc")),
                                           keyNamed(QStringLiteral("F1")),
                                           keyNamed(QStringLiteral("Q")),
                                           keyNamed(QStringLiteral("W")),
                                           keyNamed(QStringLiteral("A")),
                                           keyNamed(QStringLiteral("Z")),
                                           widget(panel::kLampSwitch),
                                           widget(panel::kEffectList),
                                           widget(panel::kBrightnessSlider),
                                           widget(panel::kRedPicture),
                                           widget(kReportRate[0]),
                                           widget(kReportRate[3]),
                                           widget(kOk),
                                           widget(kCancel),
                                           widget(kApply)};
    for (std::size_t i = 1; i < reading.size(); ++i) {
        ASSERT_NE(reading[i], nullptr) << i;
        EXPECT_LT(at(reading[i - 1]), at(reading[i])) << reading[i]->objectName().toStdString();
    }
    // Shift+Tab goes the same way back.
    std::vector<QWidget*> back = tabCycle(true);
    std::reverse(back.begin(), back.end() - 1);
    back.insert(back.begin(), back.back());
    back.pop_back();
    std::vector<QWidget*> forward(order.end() - 1, order.end());
    forward.insert(forward.end(), order.begin(), order.end() - 1);
    EXPECT_EQ(back, forward);
}

TEST_F(MainWindowKeyboardTest, SpaceAndEnterPressTheFocusedControlButNeverOkOrCancel) {
    auto press = [&](int controlId, Qt::Key key) {
        widget(controlId)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(widget(controlId), key);
    };
    press(kProfile1 + 1, Qt::Key_Return);
    press(kReportRate[2], Qt::Key_Space);
    press(panel::kLampSwitch, Qt::Key_Enter);
    EXPECT_EQ(actions.profiles, std::vector<int>{1});
    EXPECT_EQ(actions.rates, std::vector<int>{2});
    EXPECT_EQ(lighting.clicked, std::vector<int>{panel::kLampSwitch});

    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        press(kOk, key);
        press(kCancel, key);
    }
    EXPECT_TRUE(actions.applies.empty());
    EXPECT_TRUE(dialog->isVisible());
    press(kOk, Qt::Key_Space);
    EXPECT_EQ(actions.applies, std::vector<bool>{true});
}

TEST_F(MainWindowKeyboardTest, ArrowKeysMoveWithinTheKeyboardPicture) {
    struct Step {
        const char* from;
        Qt::Key key;
        const char* to;
    };
    // Left and right along the row; up and down to the nearest key (halfway
    // between two, the left one); the G keys are a column of their own.
    const Step steps[] = {{"A", Qt::Key_Right, "S"},  {"S", Qt::Key_Left, "A"},
                          {"A", Qt::Key_Up, "Q"},     {"A", Qt::Key_Down, "Z"},
                          {"Q", Qt::Key_Up, "1"},     {"Esc", Qt::Key_Left, "G1"},
                          {"G1", Qt::Key_Down, "G2"}, {"G1", Qt::Key_Right, "Esc"},
                          {"G1", Qt::Key_Up, "G1"},   {"G1", Qt::Key_Left, "G1"}};
    for (const Step& step : steps) {
        CPngButton* from = keyNamed(QString::fromLatin1(step.from));
        ASSERT_NE(from, nullptr) << step.from;
        from->setFocus(Qt::TabFocusReason);
        QTest::keyClick(from, step.key);
        EXPECT_EQ(QApplication::focusWidget(), keyNamed(QString::fromLatin1(step.to)))
            << step.from << " -> " << step.to << " got "
            << QApplication::focusWidget()->accessibleName().toStdString();
    }
    EXPECT_TRUE(actions.profiles.empty());
    EXPECT_TRUE(opener.opened.empty());
}

TEST_F(MainWindowKeyboardTest, TheFocusedControlShowsTheSkinsFocusMark) {
    const QColor mark(0xFF, 0xE0, 0x60);
    auto marked = [&](QWidget* w) {
        const QImage image = w->grab().toImage();
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, 1)) == mark) {
                return true;
            }
        }
        return false;
    };
    for (const int id : {kProfile1, kOk, panel::kLampSwitch, panel::kBrightnessSlider}) {
        widget(id)->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(marked(widget(id))) << id;
        widget(kLink)->setFocus(Qt::TabFocusReason);
        EXPECT_FALSE(marked(widget(id))) << id;
        // Focus the mouse gave, or a window's activation, goes unmarked.
        for (const Qt::FocusReason reason : {Qt::MouseFocusReason, Qt::ActiveWindowFocusReason}) {
            widget(id)->setFocus(reason);
            EXPECT_FALSE(marked(widget(id))) << id << " " << reason;
            widget(kLink)->setFocus(Qt::TabFocusReason);
        }
    }
    CPngButton* key = keyNamed(QStringLiteral("A"));
    key->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(marked(key));
}

TEST_F(MainWindowKeyboardTest, AScreenReaderHearsRoleNameStateAndAction) {
    dialog->setProfileButtons(1);
    dialog->checkReportRate(3);
    dialog->lighting()->setPicture(panel::kLampSwitch, lampPicture(true));
    struct Expect {
        int id;
        QAccessible::Role role;
        const char16_t* nameKey;  // nullptr: the name given below
        const char* name;
        bool checked;
    };
    const Expect expected[] = {
        {kProfile1, QAccessible::CheckBox, u"IDS_MAIN_PROFILE1", nullptr, false},
        {kProfile1 + 1, QAccessible::CheckBox, u"IDS_MAIN_PROFILE2", nullptr, true},
        {kReportRate[0], QAccessible::CheckBox, nullptr, "125 Hz", false},
        {kReportRate[3], QAccessible::CheckBox, nullptr, "1000 Hz", true},
        {panel::kLampSwitch, QAccessible::CheckBox, u"IDS_KEYBOARD_FUNC_DENG", nullptr, true},
        {panel::kRedPicture, QAccessible::CheckBox, u"IDS_A11Y_RED", nullptr, false},
        {panel::kBrightnessSlider, QAccessible::Slider, u"IDS_KEYBOARD_FUNC_TEXTLIGHT", nullptr,
         false},
        {kLink, QAccessible::PushButton, u"IDS_A11Y_LINK", nullptr, false},
        {kOk, QAccessible::PushButton, u"IDS_MAIN_OK", nullptr, false},
        {kClose, QAccessible::PushButton, u"IDS_MAIN_CLOSE_PROMPT", nullptr, false},
        {kProfiles, QAccessible::PushButton, u"IDS_PROFILE_TITLE", nullptr, false},
        {kLockCapsId, QAccessible::StaticText, u"IDS_A11Y_CAPS_LOCK", nullptr, false},
        {kFlip1Id, QAccessible::PushButton, u"IDS_A11Y_FLIP_BACK", nullptr, false},
        {G_KEY_IDS[0], QAccessible::PushButton, nullptr, "G1", false},
        {G_KEY_IDS[8], QAccessible::PushButton, nullptr, "G9", false},
        {kKeyA, QAccessible::PushButton, nullptr, "A", false}};
    for (const Expect& e : expected) {
        QAccessibleInterface* a = accessible(widget(e.id));
        ASSERT_NE(a, nullptr) << e.id;
        EXPECT_EQ(a->role(), e.role) << e.id;
        EXPECT_EQ(a->text(QAccessible::Name),
                  e.nameKey != nullptr ? text(e.nameKey) : QString::fromUtf8(e.name))
            << e.id;
        EXPECT_EQ(a->state().checked, e.checked) << e.id;
        EXPECT_EQ(a->state().checkable, e.role == QAccessible::CheckBox) << e.id;
    }
    // The lists are labelled: the effects by the panel's heading, the user
    // modes by a label of their own.
    const std::pair<int, const char16_t*> lists[] = {
        {panel::kEffectList, u"IDS_KEYBOARD_FUNC_LIGHTING"},
        {panel::kUserSlots, u"IDS_A11Y_USER_MODE"}};
    for (const auto& [id, key] : lists) {
        const auto labels = accessible(widget(id))->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1) << id;
        EXPECT_EQ(labels[0].first->text(QAccessible::Name), text(key)) << id;
    }
    // No shown control is nameless or goes by a skin key.
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (w->parentWidget() != dialog.get() || !w->isVisibleTo(dialog.get())) {
            continue;
        }
        const QString name = accessible(w)->text(QAccessible::Name);
        if (qobject_cast<QComboBox*>(w) == nullptr) {  // a list says its entry
            EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
        }
        EXPECT_FALSE(looksLikeSkinKey(name)) << name.toStdString();
    }

    // A key describes its assignment; the G keys keep their G names.
    KeyboardPicture picture;
    for (std::size_t j = 0; j < kKeyButtons.size(); ++j) {
        if (kKeyButtons[j].controlId == kKeyA) {
            picture.keys[j] = {true, false, u"A: macro (Open all)"};
        }
    }
    picture.gKeys[0] = {true, false, u"Y1: key"};
    dialog->showKeyboardPicture(picture);
    dialog->showGKeyBank(1, gKeyCaptions(1));
    EXPECT_EQ(accessible(widget(kKeyA))->text(QAccessible::Description),
              QStringLiteral("A: macro (Open all)"));
    EXPECT_EQ(accessible(widget(G_KEY_IDS[0]))->text(QAccessible::Name), QStringLiteral("G1"));
    EXPECT_EQ(accessible(widget(G_KEY_IDS[0]))->text(QAccessible::Description),
              QStringLiteral("Y1: key"));

    // The actions do what a click does; a disabled control does nothing.
    QAccessibleInterface* lamp = accessible(widget(panel::kLampSwitch));
    ASSERT_EQ(lamp->actionInterface()->actionNames(),
              QStringList{QAccessibleActionInterface::toggleAction()});
    lamp->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    accessible(widget(kProfile1 + 2))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::toggleAction());
    dialog->setApplyEnabled(false);
    accessible(widget(kApply))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(lighting.clicked, std::vector<int>{panel::kLampSwitch});
    EXPECT_EQ(actions.profiles, std::vector<int>{2});
    EXPECT_TRUE(accessible(widget(kApply))->state().disabled);
    EXPECT_TRUE(actions.applies.empty());

    // The brightness slider's value reads and sets as a drag would.
    dialog->lighting()->setSliderPosition(panel::kBrightnessSlider, 2);
    QAccessibleValueInterface* value =
        accessible(widget(panel::kBrightnessSlider))->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), 2);
    EXPECT_EQ(value->maximumValue().toInt(), 4);
    value->setCurrentValue(3);
    EXPECT_EQ(value->currentValue().toInt(), 3);
    EXPECT_EQ(lighting.moved, (std::vector<std::pair<int, int>>{{panel::kBrightnessSlider, 3}}));
}

TEST_F(MainWindowKeyboardTest, NamesFollowTheLanguage) {
    language = 1;
    dialog->applyLanguage();
    EXPECT_EQ(accessible(widget(kLink))->text(QAccessible::Name), text(u"IDS_A11Y_LINK", 1));
    EXPECT_EQ(accessible(widget(panel::kRedPicture))->text(QAccessible::Name),
              text(u"IDS_A11Y_RED", 1));
    EXPECT_EQ(accessible(widget(kLockNumId))->text(QAccessible::Name),
              text(u"IDS_A11Y_NUM_LOCK", 1));
    EXPECT_NE(text(u"IDS_A11Y_RED", 1), text(u"IDS_A11Y_RED", 0));
}

TEST_F(MainWindowKeyboardTest, TheProfileManagerGoesRoundByTabAndNamesItsControls) {
    dialog->showProfileManager({{"/tmp/", "First", true}, {"/tmp/", "Second", false}});
    CQuorvane_DlgProfile* manager = dialog->profileManager();
    ASSERT_NE(manager, nullptr);
    manager->activateWindow();
    QApplication::setActiveWindow(manager);
    ASSERT_TRUE(QTest::qWaitForWindowActive(manager));
    manager->table()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), manager->table());
    // The list, then the buttons left to right; Apply is off until something changes.
    std::vector<QWidget*> visited;
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
        if (visited.back() == manager->table()) {
            break;
        }
    }
    const std::vector<QWidget*> expected = {manager->button(CQuorvane_DlgProfile::kAdd),
                                            manager->button(CQuorvane_DlgProfile::kLoad),
                                            manager->button(CQuorvane_DlgProfile::kDelete),
                                            manager->button(1),
                                            manager->button(2),
                                            manager->table()};
    EXPECT_EQ(visited, expected);
    for (QWidget* w : manager->findChildren<QWidget*>()) {
        if (w->parentWidget() == manager && w->isVisibleTo(manager)) {
            const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
            EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
            EXPECT_FALSE(looksLikeSkinKey(name)) << name.toStdString();
        }
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(manager->table())->text(QAccessible::Name),
              text(u"IDS_A11Y_PROFILE_LIST"));
    // Enter on OK or Cancel does nothing; Space presses them.
    manager->button(2)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(manager->button(2), Qt::Key_Return);
    EXPECT_TRUE(manager->isVisible());
    QTest::keyClick(manager->button(2), Qt::Key_Space);
    EXPECT_FALSE(manager->isVisible());
}

}  // namespace
}  // namespace quorvane
