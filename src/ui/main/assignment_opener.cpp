#include "ui/main/assignment_opener.h"

#include <QEvent>
#include <QMetaObject>
#include <QTimer>

#include <utility>

#include "core/config/config_image.h"
#include "core/window/main_window_messages.h"
#include "ui/skin/qt_owned.h"

namespace quorvane {

namespace {

// The window's first paint may still be on its way to the screen.
constexpr int kAfterPaintMs = 250;

// Calls `shown` once, a moment after the watched window first shows and
// paints: the work must not hold back the window's mapping or first paint.
class FirstShow final : public QObject {
  public:
    explicit FirstShow(std::function<void()> shown) : m_shown(std::move(shown)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            m_showing = true;
        } else if (event->type() == QEvent::Paint && m_showing && m_shown) {
            watched->removeEventFilter(this);
            QTimer::singleShot(kAfterPaintMs, this, std::exchange(m_shown, {}));
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> m_shown;
    bool m_showing = false;
};

}  // namespace

AssignmentOpener::AssignmentOpener(Links links) : m_links(std::move(links)) {
    // Loading the dialog's pictures at the first click would make that click
    // slow; a program that stays in the tray never needs them.
    prepareAfterNextShow();
}

void AssignmentOpener::prepareAfterNextShow() {
    if (m_links.window != nullptr) {
        if (m_showWatch) {
            m_links.window->removeEventFilter(m_showWatch.get());
        }
        m_showWatch = std::make_unique<FirstShow>([this] { prepare(); });
        m_links.window->installEventFilter(m_showWatch.get());
    }
}

void AssignmentOpener::dropEditor() {
    if (!m_dialog || m_dialog->isOpen()) {
        return;
    }
    delete m_dialog.data();  // NOLINT(cppcoreguidelines-owning-memory): a child of the window
    prepareAfterNextShow();
}

AssignmentOpener::~AssignmentOpener() {
    if (m_links.window != nullptr && m_showWatch) {
        m_links.window->removeEventFilter(m_showWatch.get());
    }
}

void AssignmentOpener::prepare() {
    ensureDialog();
}

Quorvane_DlgComposite& AssignmentOpener::ensureDialog() {
    if (m_dialog) {
        return *m_dialog;
    }
    Quorvane_DlgComposite::Setup setup;
    setup.layoutFile = m_links.paths.g_szCompositeIni;
    setup.skinFolder = m_links.paths.g_szSkinDir;
    setup.config = m_links.config;
    setup.loadText = m_links.loadText;
    setup.settings = m_links.settings;
    CQuorvaneDlg* window = m_links.window;
    CoreThread* core = m_links.core;
    SyncSession* session = m_links.session;
    GuiBridge* bridge = m_links.bridge;
    setup.withActiveProfile = [window, core, session](Quorvane_DlgComposite::Setup::CoreStep step) {
        QPointer<QObject> context(window);
        core->post([context, session, step = std::move(step)] {
            std::function<void()> then = step(session->readActiveProfile());
            if (QObject* c = context.data()) {
                QMetaObject::invokeMethod(c, std::move(then), Qt::QueuedConnection);
            }
        });
    };
    // Written by the arrival worker before the reload that the window's thread runs.
    setup.macroCapacity = [session] { return session->lighting().macroSpace; };
    setup.enableMainApply = [core, session] { core->post([session] { session->markDirty(); }); };
    setup.setKeyButton = [window](int controlId, bool assigned, const QString& tip) {
        if (CPngButton* b = window->button(controlId)) {
            b->SetChecked(assigned, true);
            if (!tip.isEmpty()) {
                b->SetTooltip(tip, true);
            }
        }
    };
    setup.refreshKeyButtonTips = [core, bridge] {
        core->post([bridge] { bridge->refreshKeyboardPicture(); });
    };
    setup.openHelp = [window] { window->openHelp(); };
    setup.openChanged = [window, bridge](bool open, int controlId) {
        bridge->setCompositeEditorOpen(open);
        if (!open) {
            window->keyboard().restore(controlId);
        }
    };
    setup.picturesMissing = m_links.picturesMissing;
    m_dialog = qtOwned<Quorvane_DlgComposite>(std::move(setup), window);
    return *m_dialog;
}

void AssignmentOpener::openForKey(int /*keyKind*/, int keyCode, int controlId, bool /*macroOnly*/) {
    // A G key's code carries its bank: 0x100 + position, 9 more in bank B.
    const std::uint8_t bank = keyCode >= 0x100
                                  ? static_cast<std::uint8_t>(keyCode - 0x100 >= kGKeysPerBank)
                                  : m_links.window->keyboard().bank();
    QRect rect;
    if (const CPngButton* b = m_links.window->button(controlId)) {
        rect = QRect(b->mapToGlobal(QPoint(0, 0)), b->size());
    }
    Quorvane_DlgComposite& dialog = ensureDialog();
    // A click the dialog does not take (another key while it opens) leaves
    // no key lit but the one it is open for.
    if (!dialog.openForKey(controlId, bank, rect) && dialog.keyButtonId() != controlId) {
        m_links.window->keyboard().restore(controlId);
    }
}

bool AssignmentOpener::isOpen() const {
    return m_dialog && m_dialog->isOpen();
}

void AssignmentOpener::applyLanguage(int index) {
    // A closed dialog takes the texts again when it opens.
    if (isOpen()) {
        m_dialog->onMessage(UM_LANG, kTagLang, index);
    }
}

void AssignmentOpener::closeEditor() {
    if (m_dialog) {
        m_dialog->cancel();
    }
}

}  // namespace quorvane
