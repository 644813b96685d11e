// screenshots --out <folder>: runs the desktop program itself in this process
// against the virtual keyboard (offscreen unless QT_QPA_PLATFORM says
// otherwise) and writes its windows as PNG files: the main window in
// function-keys and colour-keys mode, with the lamp on for effects 4, 6, 17
// and 20, the profile manager and the about box.
#include <QApplication>
#include <QDir>
#include <QImage>

#include <cstdio>
#include <cstdlib>

#include "core/lighting/lighting_panel.h"
#include "ui/main/in_process_program.h"

namespace {

using namespace quorvane;

bool save(QWidget* widget, const QDir& out, const QString& name) {
    spinFor(100);
    const QString path = out.filePath(name + QStringLiteral(".png"));
    const QImage image = widget != nullptr ? widget->grab().toImage() : QImage();
    if (image.isNull() || !image.save(path)) {
        std::fprintf(stderr, "screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string home = prepareInProcessEnvironment();
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--out"));
    if (at < 0 || at + 1 >= args.size()) {
        std::fprintf(stderr, "usage: screenshots --out <folder>\n");
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
        }
        onCoreThread(program, [&] { panel.lampOff(); });

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
