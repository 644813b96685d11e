// The assignment dialog's round trips to the core's thread: opening for a key
// button (then placing the dialog beside it), Apply and OK, Cancel and
// closing. While a step runs there, the dialog waits and takes no input.
#include <QApplication>
#include <QPointer>
#include <QScreen>

#include "core/assign/key_button_looks.h"
#include "core/window/main_window_messages.h"
#include "ui/assign/composite_dialog.h"
#include "ui/assign/composite_placement.h"

namespace quorvane {

void Quorvane_DlgComposite::runOnCore(State waiting, Setup::CoreStep step) {
    m_state = waiting;
    const std::uint64_t generation = ++m_generation;
    QPointer<Quorvane_DlgComposite> self(this);
    // On the core's thread: the step, then its answer wrapped for the GUI.
    auto wrapped = [self, generation, waiting,
                    step = std::move(step)](int profile) -> std::function<void()> {
        std::function<void()> then = step(profile);
        return [self, generation, waiting, then = std::move(then)] {
            if (self == nullptr || self->m_generation != generation || self->m_state != waiting) {
                return;  // cancelled meanwhile
            }
            self->m_state = State::Open;
            then();
        };
    };
    if (m_setup.withActiveProfile) {
        m_setup.withActiveProfile(std::move(wrapped));
    } else {
        wrapped(-1)();
    }
}

bool Quorvane_DlgComposite::openForKey(int controlId, std::uint8_t gKeyBank,
                                       const QRect& keyButton) {
    if (m_state != State::Closed || !slotOfKeyButton(controlId, gKeyBank)) {
        return false;
    }
    m_pendingId = controlId;
    m_pendingBank = gKeyBank;
    m_keyButton = keyButton;
    if (m_setup.openChanged) {
        m_setup.openChanged(true, controlId);
    }
    // The core's thread reads the key's entry and the macros; `this` is only
    // touched back on the GUI thread.
    WorkingConfig* config = m_setup.config;
    std::function<std::uint32_t()> capacityOf = m_setup.macroCapacity;
    runOnCore(State::Opening,
              [this, config, controlId, gKeyBank,
               capacityOf = std::move(capacityOf)](int profile) -> std::function<void()> {
                  CompositeOpening opening =
                      readCompositeOpening(*config, controlId, gKeyBank, profile);
                  const std::uint32_t capacity = capacityOf ? capacityOf() : 0;
                  return [this, capacity, opening = std::move(opening)]() mutable {
                      m_macroCapacity = capacity;
                      finishOpen(std::move(opening));
                  };
              });
    return true;
}

void Quorvane_DlgComposite::finishOpen(CompositeOpening opening) {
    if (!m_picturesOk) {
        m_state = State::Closed;
        if (m_setup.openChanged) {
            m_setup.openChanged(false, m_pendingId);
        }
        if (m_setup.picturesMissing) {
            m_setup.picturesMissing();
        }
        return;
    }
    if (!m_core.openWith(m_pendingId, m_pendingBank, std::move(opening))) {
        m_state = State::Closed;
        if (m_setup.openChanged) {
            m_setup.openChanged(false, m_pendingId);
        }
        return;
    }
    m_syncing = true;
    fillFieldLists();
    clearMacroPage();
    m_syncing = false;
    m_pageShown = false;
    m_deactivated = false;
    syncLockedLook();
    sync();

    const QScreen* screen = QGuiApplication::screenAt(m_keyButton.center());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        move(compositeDialogPosition(size(), m_keyButton, screen->availableGeometry()));
    }
    onMessage(UM_LANG, kTagLang, 0);

    if (!m_filterInstalled) {
        QApplication::instance()->installEventFilter(this);
        m_filterInstalled = true;
    }
    show();
    raise();
    activateWindow();
    updateGrab();
}

void Quorvane_DlgComposite::onApply(bool thenClose) {
    if (m_state == State::Applying && thenClose) {
        // OK right after Apply: nothing can change meanwhile, so that
        // Apply's result stands for OK's.
        m_closeAfterApply = true;
        return;
    }
    if (m_state != State::Open) {
        return;
    }
    m_closeAfterApply = thenClose;
    m_steps->FinishEdit(true);
    m_core.editor().stopRecording();
    sync();
    std::optional<CompositeApplyRequest> request = m_core.beginApply();
    if (!request) {
        return;
    }
    WorkingConfig* config = m_setup.config;
    const TextLookup loadText = m_setup.loadText;
    runOnCore(State::Applying,
              [this, config, loadText,
               request = std::move(*request)](int profile) -> std::function<void()> {
                  const CompositeApplyResult result =
                      applyCompositeToModel(*config, request, profile, loadText);
                  return [this, result] { finishApply(result); };
              });
    updateGrab();
}

void Quorvane_DlgComposite::finishApply(const CompositeApplyResult& result) {
    const bool written = m_core.finishApply(result);
    if (written && m_closeAfterApply) {
        m_core.close();
        closeDialog();
        return;
    }
    m_closeAfterApply = false;
    sync();
}

void Quorvane_DlgComposite::cancel() {
    if (m_state == State::Closed) {
        return;
    }
    if (m_state == State::Opening) {
        ++m_generation;
        m_state = State::Closed;
        if (m_setup.openChanged) {
            m_setup.openChanged(false, m_pendingId);
        }
        return;
    }
    m_steps->FinishEdit(false);
    m_core.close();
    closeDialog();
}

void Quorvane_DlgComposite::closeDialog() {
    ++m_generation;
    m_state = State::Closed;
    updateGrab();
    if (m_filterInstalled) {
        QApplication::instance()->removeEventFilter(this);
        m_filterInstalled = false;
    }
    m_syncing = true;
    clearMacroPage();
    m_syncing = false;
    hide();
    if (m_setup.openChanged) {
        m_setup.openChanged(false, m_pendingId);
    }
}

}  // namespace quorvane
