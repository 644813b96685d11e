// The assignment dialog's keys: the keyboard grab while the single key's
// field captures or the macro page records, each key event routed to the
// core, Ctrl+Tab out of the capture field, and the keys the dialog itself
// answers (Enter and Escape do nothing, F1 opens the help).
#include <QKeyEvent>

#include "core/keys/evdev_keys.h"
#include "ui/assign/composite_dialog.h"

namespace quorvane {

KeyEvent keyEventOf(const QKeyEvent& event) {
    KeyEvent out;
    if (const std::optional<std::uint16_t> evdev = evdevOfXkbKeycode(event.nativeScanCode())) {
        out.key = keyOfEvdev(*evdev);
    }
    out.release = event.type() == QEvent::KeyRelease;
    out.autoRepeat = event.isAutoRepeat();
    out.timeMs = event.timestamp();
    return out;
}

void Quorvane_DlgComposite::updateGrab() {
    const bool inField = focusWidget() == nullptr || focusWidget() == m_keyField;
    const bool want = m_state == State::Open && isVisible() && !m_deactivated &&
                      ((m_core.capturing() && inField) || m_core.recording());
    if (want && !m_grabbing) {
        grabKeyboard();
        m_grabbing = true;
    } else if (!want && m_grabbing) {
        releaseKeyboard();
        m_grabbing = false;
    }
    if (!m_grabbing) {
        m_heldKeys.clear();
    }
}

bool Quorvane_DlgComposite::onKeyEvent(QKeyEvent* event) {
    if (m_state != State::Open) {
        return true;  // waiting for the keyboard: the keys are held back
    }
    const KeyEvent key = keyEventOf(*event);
    // X11 repeats a held key as release and press pairs, both marked.
    if (key.autoRepeat && key.release) {
        return true;
    }
    if (!m_core.recording() && m_core.capturing() && leaveCaptureField(event)) {
        return true;
    }
    return routeKey(key);
}

bool Quorvane_DlgComposite::routeKey(const KeyEvent& key) {
    if (m_core.onKey(key) != KeyRoute::Swallow) {
        return false;
    }
    sync();
    return true;
}

// Ctrl+Tab and Ctrl+Shift+Tab move on as in any field that takes Tab itself.
// Ctrl and Shift are held back until the next key shows whether they began
// such a move; anything else gets them as it would have, so every key and
// every sequence captures what it did before.
bool Quorvane_DlgComposite::leaveCaptureField(QKeyEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    const int qtKey = event->key();
    if (press && (qtKey == Qt::Key_Tab || qtKey == Qt::Key_Backtab) &&
        (event->modifiers() & Qt::ControlModifier)) {
        m_heldKeys.clear();
        focusNextPrevChild(qtKey == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier));
        return true;
    }
    const bool holdable =
        qtKey == Qt::Key_Control || (qtKey == Qt::Key_Shift && !m_heldKeys.empty());
    if (press && holdable) {
        if (!event->isAutoRepeat()) {
            m_heldKeys.push_back(keyEventOf(*event));
        }
        return true;
    }
    if (m_heldKeys.empty()) {
        return false;
    }
    std::vector<KeyEvent> held;
    held.swap(m_heldKeys);
    for (const KeyEvent& k : held) {
        routeKey(k);
    }
    return false;
}

bool Quorvane_DlgComposite::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            m_lastInputMs = key->timestamp();
            if (m_grabbing) {
                return onKeyEvent(key);
            }
            break;
        }
        case QEvent::ShortcutOverride:
            if (m_grabbing) {
                // Taken as a key, never as a shortcut.
                event->accept();
                return true;
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            m_lastInputMs = static_cast<QInputEvent*>(event)->timestamp();
            break;
        default:
            break;
    }
    return CBaseDialog::eventFilter(watched, event);
}

void Quorvane_DlgComposite::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return;  // neither OK nor Cancel
        case Qt::Key_F1:
            if (m_core.helpAllowed() && m_setup.openHelp) {
                m_setup.openHelp();
            }
            return;
        default:
            CBaseDialog::keyPressEvent(event);
    }
}

void Quorvane_DlgComposite::keyReleaseEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            return;
        default:
            CBaseDialog::keyReleaseEvent(event);
    }
}

void Quorvane_DlgComposite::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && m_state != State::Closed) {
        if (isActiveWindow()) {
            m_deactivated = false;
        } else {
            // Another window took the keyboard: a recording would go on blind.
            m_deactivated = true;
            if (m_core.recording()) {
                m_core.editor().stopRecording();
                sync();
            }
        }
        updateGrab();
    }
    CBaseDialog::changeEvent(event);
}

void Quorvane_DlgComposite::hideEvent(QHideEvent* event) {
    if (m_grabbing) {
        releaseKeyboard();
        m_grabbing = false;
    }
    CBaseDialog::hideEvent(event);
}

}  // namespace quorvane
