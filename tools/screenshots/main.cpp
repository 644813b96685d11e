// screenshots --out <folder>: builds the program's own main window offscreen
// from the program folder's skin and language files, puts it in a few states
// and writes each as a PNG: function-keys mode, colour-keys mode, the profile
// manager and the about box.
#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/app/app_paths.h"
#include "core/app/language_texts.h"
#include "core/app/settings_store.h"
#include "core/platform/registry_store.h"
#include "core/sync/key_buttons.h"
#include "ui/main/main_dialog.h"

namespace {

using namespace quorvane;

// Records nothing: the pictures need no keyboard.
class NoActions final : public MainWindowActions {
  public:
    void apply(bool) override {}
    void profileButton(int) override {}
    void restoreDefaults() override {}
    void reportRate(int) override {}
    void openProfileManager() override {}
    void applyProfileRows(const std::vector<ProfileRow>&) override {}
    void importFile(const std::string&) override {}
    void exportFile(const std::string&) override {}
    void toggleSelection(int, std::uint8_t) override {}
    void openAction() override {}
    void exitAction() override {}
};

bool save(QWidget* widget, const QString& path) {
    QApplication::processEvents();
    const QImage image = widget->grab().toImage();
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--out"));
    if (at < 0 || at + 1 >= args.size()) {
        std::fprintf(stderr, "usage: screenshots --out <folder>\n");
        return 2;
    }
    const QDir out(args[at + 1]);
    QDir().mkpath(out.path());
    QDir scratch(QDir::temp().filePath(QStringLiteral("quorvane-shots")));
    scratch.mkpath(QStringLiteral("."));

    const std::string folder = QCoreApplication::applicationDirPath().toStdString() + "/";
    const PathTable paths = buildPathTable(folder + "quorvane", scratch.path().toStdString());
    LanguageTexts texts(paths.drive, paths.folder);
    RegistryStore registry(scratch.filePath(QStringLiteral("registry")).toStdString());
    FrameworkProfile profile(registry, kCompanyKey, kApplicationTitle);
    std::optional<MainPictures> pictures = MainPictures::load(paths.g_szSkinDir);
    if (!pictures) {
        std::fprintf(stderr, "screenshots: the skin pictures are missing in %s\n",
                     paths.g_szSkinDir.c_str());
        return 1;
    }
    NoActions actions;
    CQuorvaneDlg::Setup setup;
    setup.paths = paths;
    setup.pictures = std::move(*pictures);
    setup.loadText = [&texts](std::u16string_view key) { return texts.LoadText(key, 0); };
    setup.settings = &profile;
    setup.version = QStringLiteral("v" QUORVANE_VERSION_TEXT);
    setup.actions = &actions;
    CQuorvaneDlg dialog(std::move(setup));
    dialog.initialise();

    // A profile with a few keys assigned, a few selected for lighting.
    KeyboardPicture picture;
    picture.block = 0;
    for (std::size_t j = 0; j < KEY_BUTTONS.size(); ++j) {
        picture.keys[j].checked = j % 17 == 3;
        picture.keys[j].selected = j % 5 == 1;
    }
    picture.gKeys[0].checked = true;
    dialog.showKeyboardPicture(picture);
    dialog.setProfileButtons(0);
    dialog.setProfileLabel(QStringLiteral("$Profile1"), QString());
    dialog.openWindow();

    bool ok = save(&dialog, out.filePath(QStringLiteral("main-function-keys.png")));
    dialog.toggleColourKeyMode();
    ok = save(&dialog, out.filePath(QStringLiteral("main-colour-keys.png"))) && ok;
    dialog.toggleColourKeyMode();
    dialog.showProfileManager({{paths.userDataFolder + "/", "$Profile1", true},
                               {paths.userDataFolder + "/", "$Profile2", false},
                               {paths.userDataFolder + "/", "$Profile3", false}});
    ok = save(dialog.profileManager(), out.filePath(QStringLiteral("profile-manager.png"))) && ok;
    dialog.profileManager()->closeAsCancelled();
    dialog.showAbout();
    ok = save(dialog.aboutBox(), out.filePath(QStringLiteral("about.png"))) && ok;
    dialog.closeChildDialogs();
    return ok ? 0 : 1;
}
