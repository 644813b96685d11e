// screenshots --out <folder> [--locale <name>] [--scale <factor>]: runs the
// desktop program itself in this process against the virtual keyboard
// (offscreen unless QT_QPA_PLATFORM says otherwise) and writes its windows as
// PNG files: the main window in function-keys and colour-keys mode, with the
// lamp on for effects 4, 6, 17 and 20 (and the lighting panel alone for each)
// and with the focus mark on a key, the header with the default profile's
// name, the assignment dialog's four pages (the macro page with a few steps)
// and its macro-only form, the profile manager and the about box. The locale
// (fr_FR.UTF-8, zh_TW.UTF-8 ...) picks the language on this first run; the
// scale is the screen's (2 for 200 %).
#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/lighting/lighting_panel.h"
#include "ui/assign/composite_dialog.h"
#include "ui/main/in_process_program.h"

namespace {

using namespace quorvane;

// The lighting panel's frame in the main window (the skin's layout).
const QRect kLightingPanel(20, 398, 620, 180);

// `widget`'s pixels, or only those in `area` (the widget's coordinates) when
// given. Rendered onto a see-through picture, as a translucent window is shown:
// a shaped window paints only inside its shape (grab() would leave whatever its
// fresh pixmap held in the corners).
QImage picture(QWidget* widget, const QRect& area) {
    const QRect part = area.isNull() ? widget->rect() : area;
    const qreal ratio = widget->devicePixelRatioF();
    QImage image(part.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(part));
    return image;
}

bool save(QWidget* widget, const QDir& out, const QString& name, const QRect& area = QRect()) {
    spinFor(100);
    const QString path = out.filePath(name + QStringLiteral(".png"));
    const QImage image = widget != nullptr ? picture(widget, area) : QImage();
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

// The value after `name` on the command line, before Qt reads it.
const char* option(int argc, char** argv, const char* name) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return argv[i + 1];
        }
    }
    return nullptr;
}

// The assignment dialog for key A, on each of its pages.
bool saveAssignmentPages(CQuorvaneDlg* dialog, AssignmentOpener* opener, const QDir& out) {
    constexpr int kKeyA = 1058;
    dialog->onKeyButton(kKeyA);
    if (!spinUntil([&] { return opener->dialog() != nullptr && opener->dialog()->isVisible(); },
                   10)) {
        std::fprintf(stderr, "screenshots: the assignment dialog did not open\n");
        return false;
    }
    Quorvane_DlgComposite* composite = opener->dialog();
    bool ok = save(composite, out, QStringLiteral("assign-single-key"));
    composite->button(composite_ids::kMacro)->click();
    ok = save(composite, out, QStringLiteral("assign-macro-empty")) && ok;
    MacroEditor& editor = composite->core().editor();
    if (editor.addMacro()) {
        editor.toggleRecording(1000);
        std::uint64_t at = 1000;
        for (const KeyId key : {KeyId{0x1E}, KeyId{0x30}, KeyId{0x2E}}) {
            editor.recordKey({key, false, false, at += 120});
            editor.recordKey({key, true, false, at += 80});
        }
        editor.toggleRecording(at);
    }
    // Shown as after a click of the dialog's own.
    composite->button(composite_ids::kMacro)->click();
    composite->button(composite_ids::kMedia)->click();
    composite->button(composite_ids::kMacro)->click();
    ok = save(composite, out, QStringLiteral("assign-macro")) && ok;
    composite->button(composite_ids::kMedia)->click();
    ok = save(composite, out, QStringLiteral("assign-media")) && ok;
    composite->button(composite_ids::kFunction)->click();
    ok = save(composite, out, QStringLiteral("assign-function")) && ok;
    composite->cancel();
    spinFor(100);

    // The macro button (G9's place): the macro page alone, the other pages locked.
    constexpr int kMacroButton = 1143;
    dialog->onKeyButton(kMacroButton);
    if (!spinUntil([&] { return opener->dialog() != nullptr && opener->dialog()->isVisible(); },
                   10)) {
        std::fprintf(stderr, "screenshots: the macro-only dialog did not open\n");
        return false;
    }
    ok = save(opener->dialog(), out, QStringLiteral("assign-macro-only")) && ok;
    opener->dialog()->cancel();
    spinFor(100);
    return ok;
}

int main(int argc, char** argv) {
    const std::string home = prepareInProcessEnvironment();
    if (const char* locale = option(argc, argv, "--locale")) {
        setenv("LC_ALL", locale, 1);
    }
    if (const char* scale = option(argc, argv, "--scale")) {
        setenv("QT_SCALE_FACTOR", scale, 1);
    }
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--out"));
    if (at < 0 || at + 1 >= args.size()) {
        std::fprintf(stderr,
                     "usage: screenshots --out <folder> [--locale <name>] [--scale <factor>]\n");
        return 2;
    }
    const QDir out(args[at + 1]);
    QDir().mkpath(out.path());

    bool ok = true;
    const bool ran = runInProcess(home, [&](InProcessContext& context) {
        QuorvaneProgram& program = context.program;
        CQuorvaneDlg* dialog = program.dialog();
        dialog->openWindow();
        spinFor(300);
        ok = save(dialog, out, QStringLiteral("main-function-keys")) && ok;
        dialog->toggleColourKeyMode();
        ok = save(dialog, out, QStringLiteral("main-colour-keys")) && ok;
        dialog->toggleColourKeyMode();

        LightingPanel& panel = *program.lightingPanel();
        onCoreThread(program, [&] { panel.lampOn(); });
        for (const int effect : {4, 6, 17, 20}) {
            int index = -1;
            onCoreThread(program, [&] {
                index = panel.effectSlots().comboIndexOf(static_cast<std::uint8_t>(effect));
                if (index >= 0) {
                    panel.onEffectSelected(index);
                }
            });
            if (index < 0) {
                std::fprintf(stderr, "screenshots: the keyboard offers no effect %d\n", effect);
                ok = false;
                continue;
            }
            dialog->lighting()->selectEffect(index);  // as the user's own choice shows it
            spinFor(700);                             // the preview's first ticks
            ok = save(dialog, out, QStringLiteral("main-lamp-effect-%1").arg(effect)) && ok;
            ok = save(dialog, out, QStringLiteral("lighting-panel-effect-%1").arg(effect),
                      kLightingPanel) &&
                 ok;
        }
        onCoreThread(program, [&] { panel.lampOff(); });
        spinFor(200);
        ok = save(dialog, out, QStringLiteral("main-lamp-off")) && ok;
        // The focus mark, on the key Tab or the arrows would have reached.
        if (QWidget* key = dialog->control(1058)) {
            key->setFocus(Qt::TabFocusReason);
        }
        ok = save(dialog, out, QStringLiteral("main-focus-mark")) && ok;
        // The header's turned label with the longest name it usually shows.
        QString defaultName;
        onCoreThread(program, [&] {
            defaultName = QString::fromStdU16String(
                std::u16string(program.session()->text(u"IDS_DEFAULT_PROFILE_NAME")));
        });
        dialog->setProfileLabel(defaultName, QString());
        ok = save(dialog, out, QStringLiteral("main-default-profile"), QRect(530, 50, 200, 60)) &&
             ok;

        ok = saveAssignmentPages(dialog, program.assignmentOpener(), out) && ok;

        program.openProfileManager();
        spinUntil(
            [&] {
                return dialog->profileManager() != nullptr && dialog->profileManager()->isVisible();
            },
            10);
        ok = save(dialog->profileManager(), out, QStringLiteral("profile-manager")) && ok;
        dialog->profileManager()->closeAsCancelled();
        dialog->showAbout();
        ok = save(dialog->aboutBox(), out, QStringLiteral("about")) && ok;
        dialog->closeChildDialogs();
    });
    if (!ran) {
        std::fprintf(stderr, "screenshots: the program did not start with the virtual keyboard\n");
        return 1;
    }
    return ok ? 0 : 1;
}
