// Controls of the key assignment dialog that must show their state on the
// dark skin, rendered on the offscreen platform: the record-delays box in both
// states, the drop-down arrow of the media and function lists, disabled
// buttons on the skin's dark face.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>

#include <memory>

#include "core/app/app_paths.h"
#include "core/app/language_texts.h"
#include "core/app/settings_store.h"
#include "core/config/working_config.h"
#include "core/platform/registry_store.h"
#include "platform/temp_dir.h"
#include "ui/assign/composite_dialog.h"
#include "ui/image_measures.h"
#include "ui/main/profile_dialog.h"
#include "ui/qt_test_app.h"

namespace quorvane {
namespace {

using namespace composite_ids;
using test::lightPixels;
using test::meanGray;

class ControlsLookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string folder = std::string(QUORVANE_PROGRAM_FOLDER) + "/";
        paths = buildPathTable(folder + "quorvane", home.path());
        texts = std::make_unique<LanguageTexts>(paths.drive, paths.folder);
        registry = std::make_unique<RegistryStore>(home.file("registry"));
        profile = std::make_unique<FrameworkProfile>(*registry, kCompanyKey, kApplicationTitle);
        createDefaultImage(config, std::string(), true);
        Quorvane_DlgComposite::Setup setup;
        setup.layoutFile = paths.g_szCompositeIni;
        setup.skinFolder = paths.g_szSkinDir;
        setup.config = &config;
        setup.loadText = [this](std::u16string_view key) { return texts->LoadText(key, 0); };
        setup.settings = profile.get();
        setup.withActiveProfile = [](Quorvane_DlgComposite::Setup::CoreStep step) { step(0)(); };
        dialog = std::make_unique<Quorvane_DlgComposite>(std::move(setup));
        ASSERT_TRUE(dialog->openForKey(1058, 0, QRect(100, 100, 40, 40)));
    }
    void TearDown() override { dialog->cancel(); }

    // The dialog's pixels under one of its controls.
    QImage pixelsOf(int controlId) {
        const QImage all = dialog->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return all.copy(dialog->control(controlId)->geometry());
    }
    // What the dialog's own picture holds there.
    QImage backgroundOf(int controlId) {
        return dialog->background()
            .toImage()
            .convertToFormat(QImage::Format_RGB32)
            .copy(dialog->control(controlId)->geometry());
    }

    test::TempDir home;
    PathTable paths;
    std::unique_ptr<LanguageTexts> texts;
    std::unique_ptr<RegistryStore> registry;
    std::unique_ptr<FrameworkProfile> profile;
    WorkingConfig config;
    std::unique_ptr<Quorvane_DlgComposite> dialog;
};

TEST_F(ControlsLookTest, TheRecordDelaysBoxShowsBothStates) {
    dialog->button(kMacro)->click();
    auto* box = qobject_cast<QCheckBox*>(dialog->control(kRecordDelays));
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->isVisible());
    box->setChecked(false);
    const QImage unchecked = pixelsOf(kRecordDelays);
    EXPECT_NE(unchecked, backgroundOf(kRecordDelays)) << "an unchecked box is still a box";
    EXPECT_GT(lightPixels(unchecked), 0);
    box->setChecked(true);
    EXPECT_NE(pixelsOf(kRecordDelays), unchecked);
}

TEST_F(ControlsLookTest, TheMediaAndFunctionListsShowTheirArrow) {
    for (const auto& [page, list] :
         {std::pair{kMedia, kMediaList}, std::pair{kFunction, kFunctionList}}) {
        dialog->button(page)->click();
        ASSERT_TRUE(dialog->control(list)->isVisible()) << list;
        const QImage pixels = pixelsOf(list);
        // The drop-down part: the right end, past any entry's text.
        EXPECT_GT(lightPixels(pixels, pixels.width() - 22), 4) << "list " << list;
    }
}

// The profile manager's rows: the box of an unchecked row shows, and a checked
// row's box differs from it.
TEST_F(ControlsLookTest, TheProfileManagersRowBoxesShowBothStates) {
    CQuorvane_DlgProfile manager(paths.g_szProfileIni, paths.profileSkinFolder,
                                 paths.userDataFolder, {});
    manager.open({{"/tmp/", "one", true}, {"/tmp/", "two", false}});
    QApplication::setActiveWindow(&manager);
    CReportCtrl* table = manager.table();
    // As a user who clicked into it sees it: the list has the focus.
    table->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(table->hasFocus());
    const QImage all = manager.grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto cell = [&](int row) {
        const QRect r = table->visualRect(table->model()->index(row, 0));
        return all.copy(r.translated(table->viewport()->mapTo(&manager, QPoint(0, 0))));
    };
    EXPECT_GT(lightPixels(cell(1)), 4) << "an unchecked row shows its box";
    EXPECT_NE(cell(0), cell(1));
    // No row is selected: no cell is tinted with the selection's red.
    for (int row = 0; row < table->rowCount(); ++row) {
        const QImage c = cell(row);
        int reddish = 0;
        for (int y = 0; y < c.height(); ++y) {
            for (int x = 0; x < c.width(); ++x) {
                const QColor p = c.pixelColor(x, y);
                reddish += p.red() > p.green() + 12 && p.red() > p.blue() + 6 ? 1 : 0;
            }
        }
        EXPECT_EQ(reddish, 0) << "row " << row;
    }
    manager.closeAsCancelled();
}

// With no macro the step buttons are disabled: they keep the skin's dark face
// (the normal state's), with their caption readable on it.
TEST_F(ControlsLookTest, TheMacroPagesDisabledButtonsKeepTheDarkSkin) {
    dialog->button(kMacro)->click();
    ASSERT_EQ(dialog->macroNames()->count(), 0);
    for (const int id :
         {kRecord, kStepDelete, kStepClear, kStepTop, kStepUp, kStepDown, kStepBottom}) {
        CPngButton* b = dialog->button(id);
        ASSERT_FALSE(b->isEnabled()) << id;
        const QImage pixels = pixelsOf(id);
        EXPECT_LT(meanGray(pixels), 70) << "button " << id << " is a light box";
        EXPECT_GT(lightPixels(pixels), 4) << "button " << id << " shows no caption";
    }
    EXPECT_LT(meanGray(pixelsOf(kMacroAdd)), 70) << "the enabled ones for comparison";
}

// The profile manager opens with Apply disabled: the skin's dark face with a
// readable caption, not the pressed look it had when the pressed picture
// doubled as the disabled one.
TEST_F(ControlsLookTest, TheProfileManagersDisabledApplyKeepsTheDarkSkin) {
    CQuorvane_DlgProfile::Hooks hooks;
    hooks.texts = [this](const char16_t* key) {
        return QString::fromStdU16String(texts->LoadText(key, 0));
    };
    CQuorvane_DlgProfile manager(paths.g_szProfileIni, paths.profileSkinFolder,
                                 paths.userDataFolder, std::move(hooks));
    manager.open({{"/tmp/", "one", true}});
    CPngButton* apply = manager.button(CQuorvane_DlgProfile::kApply);
    ASSERT_FALSE(apply->isEnabled());
    const QImage all = manager.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage pixels = all.copy(apply->geometry());
    EXPECT_LT(meanGray(pixels), 70) << "a light (pressed-looking) box";
    EXPECT_GT(lightPixels(pixels), 4) << "no readable caption";
    manager.closeAsCancelled();
}

}  // namespace
}  // namespace quorvane
