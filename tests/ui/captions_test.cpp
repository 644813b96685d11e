// The captions of the three skinned dialogs (main window with its lighting
// panel, key assignment dialog, profile manager) in each of the seven
// languages, as the program's own language files give them: every caption
// comes from the window's language, not from another one's file or from text
// written into the program.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QTest>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/app/app_paths.h"
#include "core/app/language_texts.h"
#include "core/app/settings_store.h"
#include "core/config/working_config.h"
#include "core/platform/ini_file.h"
#include "core/platform/registry_store.h"
#include "platform/temp_dir.h"
#include "ui/assign/composite_dialog.h"
#include "ui/main/main_dialog.h"
#include "ui/qt_test_app.h"

namespace quorvane {
namespace {

const std::string& programFolder() {
    static const std::string folder = std::string(QUORVANE_PROGRAM_FOLDER) + "/";
    return folder;
}

struct Language {
    int index;  // the language index LoadText takes
    const char* file;
    const char* name;
    bool chinese;
    bool korean;
};
constexpr Language kLanguages[] = {
    {0, "Lang0409.ini", "English", false, false},
    {1, "Lang040C.ini", "French", false, false},
    {2, "Lang040A.ini", "Spanish", false, false},
    {3, "Lang0416.ini", "BrazilianPortuguese", false, false},
    {4, "Lang0412.ini", "Korean", false, true},
    {5, "Lang0804.ini", "SimplifiedChinese", true, false},
    {6, "Lang0404.ini", "TraditionalChinese", true, false},
};

bool isHan(char16_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF) || (c >= 0x3000 && c <= 0x30FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}
bool isHangul(char16_t c) {
    return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) ||
           (c >= 0xAC00 && c <= 0xD7AF);
}
// Simplified forms whose Traditional form differs (刪 for 删, 應 for 应 ...).
constexpr char16_t kSimplifiedOnly[] =
    u"应删设键单体认确载录击标择项关闭动颜调时间数据储为这个复图样盘档级灯线从与启称径选输";

// What is wrong with a caption shown in `language`, or empty.
std::string fault(const Language& language, const QString& caption) {
    for (const QChar ch : caption) {
        const char16_t c = ch.unicode();
        if (!language.chinese && isHan(c)) {
            return "holds Chinese characters";
        }
        if (!language.chinese && !language.korean && isHangul(c)) {
            return "holds Korean characters";
        }
        if (language.index == 6 &&
            std::u16string_view(kSimplifiedOnly).find(c) != std::u16string_view::npos) {
            return "holds a Simplified Chinese form";
        }
    }
    return {};
}

// Every caption a control of `window` shows: button texts, label texts,
// column titles.
struct Caption {
    QString where;
    QString text;
};
std::vector<Caption> captionsOf(QWidget* window) {
    std::vector<Caption> out;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->text().isEmpty()) {
            out.push_back({b->objectName(), b->text()});
        }
    }
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->text().isEmpty()) {
            out.push_back({l->objectName(), l->text()});
        }
    }
    for (QHeaderView* h : window->findChildren<QHeaderView*>()) {
        for (int c = 0; c < h->count(); ++c) {
            const QString title = h->model()->headerData(c, h->orientation()).toString();
            if (!title.isEmpty()) {
                out.push_back({h->parentWidget()->objectName() + QStringLiteral(" column"), title});
            }
        }
    }
    if (!window->windowTitle().isEmpty()) {
        out.push_back({QStringLiteral("window title"), window->windowTitle()});
    }
    return out;
}

// Captions that do not fit their control, measured with Qt's font metrics in
// the face and size the control draws with. A button keeps 2 pixels free on
// each side, so a caption never touches its edges; a turned caption must fit
// with its turned extent.
std::vector<std::string> cutOff(QWidget* window) {
    std::vector<std::string> out;
    auto report = [&](const QWidget* w, const QString& text, int need, int room) {
        out.push_back(w->objectName().toStdString() + " \"" + text.toStdString() + "\" needs " +
                      std::to_string(need) + " of " + std::to_string(room) + " pixels");
    };
    for (CPngButton* b : window->findChildren<CPngButton*>()) {
        if (!b->hasText() || b->text().isEmpty()) {
            continue;
        }
        const CPngButton::Caption shown = b->caption();
        const QFontMetrics metrics(shown.font);
        const QRect area = b->textArea();
        const int length = metrics.horizontalAdvance(shown.text);
        if (b->escapement() == 0) {
            if (length + 4 > area.width()) {
                report(b, b->text(), length + 4, area.width());
            }
            continue;
        }
        if (shown.text != b->text()) {
            report(b, b->text() + " (shortened)", length, area.width());
        }
        const double turn = shown.escapement / 10.0 * 3.14159265358979 / 180.0;
        const int across = static_cast<int>(std::ceil(length * std::abs(std::cos(turn)) +
                                                      metrics.height() * std::abs(std::sin(turn))));
        const int up = static_cast<int>(std::ceil(length * std::abs(std::sin(turn)) +
                                                  metrics.height() * std::abs(std::cos(turn))));
        if (across > area.width()) {
            report(b, b->text(), across, area.width());
        }
        if (up > area.height()) {
            report(b, b->text() + " (height)", up, area.height());
        }
    }
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (l->text().isEmpty() || l->objectName() == QStringLiteral("ctl1177")) {
            continue;
        }
        if (l->wordWrap()) {
            // Wrapped words fit when their lines do; a hidden label shows none.
            if (!l->isVisibleTo(window)) {
                continue;
            }
            const int lines =
                QFontMetrics(l->font())
                    .boundingRect(QRect(0, 0, l->width(), 10000), Qt::TextWordWrap, l->text())
                    .height();
            if (lines > l->height()) {
                report(l, l->text() + " (height)", lines, l->height());
            }
            continue;
        }
        const int length = QFontMetrics(l->font()).horizontalAdvance(l->text());
        if (length > l->width()) {
            report(l, l->text(), length, l->width());
        }
    }
    for (QHeaderView* h : window->findChildren<QHeaderView*>()) {
        for (int c = 0; c < h->count(); ++c) {
            const QString title = h->model()->headerData(c, h->orientation()).toString();
            const int length = QFontMetrics(h->font()).horizontalAdvance(title) + 8;
            if (!title.isEmpty() && length > h->sectionSize(c)) {
                report(h->parentWidget(), title, length, h->sectionSize(c));
            }
        }
    }
    return out;
}

class CaptionsTest : public ::testing::TestWithParam<Language> {
  protected:
    void SetUp() override {
        paths = buildPathTable(programFolder() + "quorvane", home.path());
        texts = std::make_unique<LanguageTexts>(paths.drive, paths.folder);
        const int index = GetParam().index;
        loadText = [this, index](std::u16string_view key) { return texts->LoadText(key, index); };
        registry = std::make_unique<RegistryStore>(home.file("registry"));
        profile = std::make_unique<FrameworkProfile>(*registry, kCompanyKey, kApplicationTitle);
    }

    std::unique_ptr<CQuorvaneDlg> mainWindow() {
        std::optional<MainPictures> pictures = MainPictures::load(paths.g_szSkinDir);
        EXPECT_TRUE(pictures.has_value());
        CQuorvaneDlg::Setup setup;
        setup.paths = paths;
        setup.pictures = pictures.value_or(MainPictures{});
        setup.loadText = loadText;
        setup.settings = profile.get();
        setup.version = QStringLiteral("v1.0.0");
        auto window = std::make_unique<CQuorvaneDlg>(std::move(setup));
        window->initialise();
        return window;
    }

    // The assignment dialog open on key A, over a default model.
    std::unique_ptr<Quorvane_DlgComposite> assignmentDialog() {
        createDefaultImage(config, std::string(), true);
        Quorvane_DlgComposite::Setup setup;
        setup.layoutFile = paths.g_szCompositeIni;
        setup.skinFolder = paths.g_szSkinDir;
        setup.config = &config;
        setup.loadText = loadText;
        setup.settings = profile.get();
        setup.withActiveProfile = [](Quorvane_DlgComposite::Setup::CoreStep step) { step(0)(); };
        auto dialog = std::make_unique<Quorvane_DlgComposite>(std::move(setup));
        EXPECT_TRUE(dialog->openForKey(1058, 0, QRect(100, 100, 40, 40)));
        return dialog;
    }

    // The profile manager, open with no rows.
    std::unique_ptr<CQuorvane_DlgProfile> profileManager() {
        CQuorvane_DlgProfile::Hooks hooks;
        hooks.texts = [this](const char16_t* key) {
            return QString::fromStdU16String(loadText(key));
        };
        auto manager = std::make_unique<CQuorvane_DlgProfile>(
            paths.g_szProfileIni, paths.profileSkinFolder, paths.userDataFolder, std::move(hooks));
        manager->open({});
        return manager;
    }

    void expectAllFit(QWidget* window) {
        for (const std::string& fault : cutOff(window)) {
            ADD_FAILURE() << GetParam().name << ": " << fault;
        }
    }

    void expectOwnLanguage(QWidget* window) {
        const std::vector<Caption> captions = captionsOf(window);
        EXPECT_FALSE(captions.empty());
        for (const Caption& c : captions) {
            const std::string why = fault(GetParam(), c.text);
            EXPECT_TRUE(why.empty()) << GetParam().name << ": " << c.where.toStdString() << " \""
                                     << c.text.toStdString() << "\" " << why;
        }
    }

    QString fileText(const char16_t* key) const {
        const auto file = IniDocument::load(paths.folder + GetParam().file);
        return file ? QString::fromStdU16String(file->read(u"TEXT", key, u"")) : QString();
    }

    test::TempDir home;
    PathTable paths;
    std::unique_ptr<LanguageTexts> texts;
    TextLookup loadText;
    std::unique_ptr<RegistryStore> registry;
    std::unique_ptr<FrameworkProfile> profile;
    WorkingConfig config;
};

TEST_P(CaptionsTest, TheLightingPanelsCaptionsAreTheLanguageFilesTexts) {
    auto window = mainWindow();
    const std::pair<int, const char16_t*> captions[] = {
        {1171, u"IDS_KEYBOARD_FUNC_DENG"},      {1172, u"IDS_KEYBOARD_FUNC_TEXTLIGHT"},
        {1166, u"IDS_KEYBOARD_FUNC_SPEED"},     {1148, u"IDS_KEYBOARD_FUNC_FX"},
        {1154, u"IDS_KEYBOARD_FUNC_COLOR"},     {1151, u"IDS_KEYBOARD_FUNC_COLOR"},
        {1159, u"IDS_KEYBOARD_FUNC_COLOR"},     {1173, u"IDS_KEYBOARD_FUNC_COLOURFUL"},
        {1176, u"IDS_KEYBOARD_FUNC_COLOURFUL"}, {1161, u"IDS_KEYBOARD_FUNC_JCOLOR"},
        {1163, u"IDS_KEYBOARD_FUNC_TOOL"}};
    for (const auto& [id, key] : captions) {
        auto* label = qobject_cast<QLabel*>(window->lighting()->control(id));
        ASSERT_NE(label, nullptr) << id;
        const QString expected = fileText(key);
        EXPECT_FALSE(expected.isEmpty())
            << GetParam().file << " " << QString::fromUtf16(key).toStdString();
        EXPECT_EQ(label->text().toStdString(), expected.toStdString())
            << GetParam().name << ": control " << id;
    }
}

TEST_P(CaptionsTest, TheMainWindowSpeaksOnlyItsLanguage) {
    auto window = mainWindow();
    expectOwnLanguage(window.get());
    window->toggleColourKeyMode();  // the switch's other caption
    expectOwnLanguage(window.get());
    EXPECT_EQ(window->button(main_ids::kSwitch)->text(),
              fileText(u"IDS_MAIN_SWITCH_FUNCTION_KEYS"));
    auto* notice = qobject_cast<QLabel*>(window->control(main_ids::kWorkingLabel));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(), fileText(u"IDS_MAIN_DEFAULT_MODE"));
}

TEST_P(CaptionsTest, TheAssignmentDialogSpeaksOnlyItsLanguageOnEveryPage) {
    const std::unique_ptr<Quorvane_DlgComposite> assignment = assignmentDialog();
    Quorvane_DlgComposite& dialog = *assignment;
    for (const int page : {composite_ids::kSingleKey, composite_ids::kMacro, composite_ids::kMedia,
                           composite_ids::kFunction}) {
        dialog.button(page)->click();
        expectOwnLanguage(&dialog);
    }
    EXPECT_EQ(dialog.button(composite_ids::kMask)->text(),
              fileText(u"IDS_COMPOSITE_SELECT_FUNCTION").toUpper());
    EXPECT_EQ(dialog.button(composite_ids::kClear)->text(), fileText(u"IDS_COMPOSITE_CLEAR"));
    EXPECT_EQ(dialog.button(composite_ids::kApply)->text(), fileText(u"IDS_COMPOSITE_APPLY"));
    EXPECT_EQ(dialog.button(composite_ids::kMacroAdd)->text(), fileText(u"IDS_MACRO_ADD"));
    EXPECT_EQ(dialog.button(composite_ids::kMacroDelete)->text(), fileText(u"IDS_MACRO_DELETE"));
    dialog.cancel();
}

TEST_P(CaptionsTest, TheProfileManagerSpeaksOnlyItsLanguage) {
    const std::unique_ptr<CQuorvane_DlgProfile> managed = profileManager();
    CQuorvane_DlgProfile& manager = *managed;
    expectOwnLanguage(&manager);
    EXPECT_EQ(manager.title()->text(), fileText(u"IDS_PROFILE_TITLE"));
    EXPECT_EQ(manager.button(CQuorvane_DlgProfile::kLoad)->text(), fileText(u"IDS_PROFILE_LOAD"));
    EXPECT_EQ(manager.table()->horizontalHeaderItem(2)->text(),
              fileText(u"IDS_PROFILE_COLUMN_PATH"));
    manager.closeAsCancelled();
}

// The longest of the seven languages sets the size of each rectangle of the
// skin; the profile button's turned caption is a profile's name, the default
// profile's among them.
TEST_P(CaptionsTest, EveryCaptionFitsItsControl) {
    auto window = mainWindow();
    window->setProfileLabel(QStringLiteral("$Profile1"), QString());
    expectAllFit(window.get());
    window->setProfileLabel(fileText(u"IDS_DEFAULT_PROFILE_NAME"), QString());
    expectAllFit(window.get());
    window->toggleColourKeyMode();
    expectAllFit(window.get());

    const std::unique_ptr<Quorvane_DlgComposite> assignment = assignmentDialog();
    Quorvane_DlgComposite& dialog = *assignment;
    for (const int page : {composite_ids::kSingleKey, composite_ids::kMacro, composite_ids::kMedia,
                           composite_ids::kFunction}) {
        dialog.button(page)->click();
        expectAllFit(&dialog);
    }
    dialog.button(composite_ids::kRecord)->click();  // the stop caption
    expectAllFit(&dialog);
    dialog.cancel();

    const std::unique_ptr<CQuorvane_DlgProfile> managed = profileManager();
    CQuorvane_DlgProfile& manager = *managed;
    expectAllFit(&manager);
    manager.closeAsCancelled();
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, CaptionsTest, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<Language>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace quorvane
