#include "ui/main/gui_bridge.h"

#include <QMetaObject>
#include <QString>

#include <memory>
#include <optional>
#include <utility>

namespace quorvane {

namespace {

QString qs(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

GuiBridge::GuiBridge(QObject* context, MainWindowSurface& surface, Readers readers)
    : m_context(context), m_surface(surface), m_readers(std::move(readers)) {}

void GuiBridge::onGui(std::function<void(MainWindowSurface&)> call) {
    QObject* context = m_context.data();
    if (context == nullptr) {
        return;
    }
    MainWindowSurface* surface = &m_surface;
    QMetaObject::invokeMethod(
        context, [surface, call = std::move(call)] { call(*surface); }, Qt::QueuedConnection);
}

std::optional<bool> GuiBridge::waitForGui(std::function<bool(MainWindowSurface&)> ask) {
    struct Answer {
        bool done = false;
        bool value = false;
    };
    auto answer = std::make_shared<Answer>();
    {
        const std::lock_guard lock(m_promptLock);
        if (m_promptsCancelled) {
            return std::nullopt;
        }
    }
    onGui([this, answer, ask = std::move(ask)](MainWindowSurface& surface) {
        {
            const std::lock_guard lock(m_promptLock);
            if (m_promptsCancelled) {
                return;
            }
        }
        const bool value = ask(surface);
        const std::lock_guard lock(m_promptLock);
        answer->value = value;
        answer->done = true;
        m_promptWake.notify_all();
    });
    std::unique_lock lock(m_promptLock);
    m_promptWake.wait(lock, [&] { return answer->done || m_promptsCancelled; });
    if (!answer->done) {
        return std::nullopt;
    }
    return answer->value;
}

void GuiBridge::cancelPrompts() {
    const std::lock_guard lock(m_promptLock);
    m_promptsCancelled = true;
    m_promptWake.notify_all();
}

// ---- MainWindowView -----------------------------------------------------------

bool GuiBridge::createTrayIcon() {
    onGui([](MainWindowSurface& s) { s.createTray(); });
    return m_trayAvailable.load();
}

void GuiBridge::showTrayIcon(int iconId) {
    onGui([iconId](MainWindowSurface& s) { s.showTrayIcon(iconId); });
}

void GuiBridge::applyLanguage(int /*index*/) {
    // The texts come from the stored language; the key tips are the core's.
    onGui([](MainWindowSurface& s) { s.applyLanguage(); });
    refreshKeyboardPicture();
}

void GuiBridge::removeTrayIcon() {
    onGui([](MainWindowSurface& s) { s.removeTray(); });
}

void GuiBridge::hideWindow() {
    onGui([](MainWindowSurface& s) { s.hideWindow(); });
}

void GuiBridge::openWindow() {
    onGui([](MainWindowSurface& s) { s.openWindow(); });
}

void GuiBridge::closeChildDialogs() {
    onGui([](MainWindowSurface& s) { s.closeChildDialogs(); });
}

void GuiBridge::refreshGKeys() {
    if (!m_readers.gKeys) {
        return;
    }
    const std::array<bool, kGKeyCount> states = m_readers.gKeys();
    onGui([states](MainWindowSurface& s) { s.setGKeyStates(states); });
}

void GuiBridge::showGKeyBank(std::uint8_t bank, const GKeyCaptions& captions) {
    onGui([bank, captions](MainWindowSurface& s) { s.showGKeyBank(bank, captions); });
}

void GuiBridge::endProgram() {
    onGui([](MainWindowSurface& s) { s.endProgram(); });
}

// ---- MainWindowPort -------------------------------------------------------------

void GuiBridge::EnableApply(bool on) {
    m_pending.store(on);
    onGui([on](MainWindowSurface& s) { s.setApplyEnabled(on); });
}

void GuiBridge::showDefaultModeNotice(bool shown) {
    onGui([shown](MainWindowSurface& s) { s.showDefaultModeNotice(shown); });
}

void GuiBridge::refreshKeyboardPicture() {
    if (!m_readers.picture) {
        return;
    }
    auto picture = std::make_shared<KeyboardPicture>(m_readers.picture());
    onGui([picture](MainWindowSurface& s) { s.showKeyboardPicture(*picture); });
}

void GuiBridge::refreshKeyColours() {
    if (m_lighting.showKeyColours) {
        m_lighting.showKeyColours();
        return;
    }
    onGui([](MainWindowSurface& s) { s.refreshKeyColours(); });
}

void GuiBridge::leaveColourKeyMode() {
    onGui([](MainWindowSurface& s) { s.leaveColourKeyMode(); });
}

void GuiBridge::showLightingValues(const LightingPanelValues& values) {
    onGui([values](MainWindowSurface& s) { s.showLightingValues(values); });
}

void GuiBridge::refreshLightingPanel() {
    if (m_lighting.refresh) {
        m_lighting.refresh();
        return;
    }
    onGui([](MainWindowSurface& s) { s.refreshLightingPanel(); });
}

void GuiBridge::reloadUserModeList() {
    if (m_lighting.reloadUserSlots) {
        m_lighting.reloadUserSlots();
        return;
    }
    onGui([](MainWindowSurface& s) { s.reloadUserModeList(); });
}

void GuiBridge::selectUserModeEntry(int mode) {
    if (m_lighting.selectUserSlot) {
        m_lighting.selectUserSlot(mode);
        return;
    }
    onGui([mode](MainWindowSurface& s) { s.selectUserModeEntry(mode); });
}

void GuiBridge::showLampOff() {
    if (m_lighting.showLampOff) {
        m_lighting.showLampOff();
        return;
    }
    onGui([](MainWindowSurface& s) { s.showLampOff(); });
}

void GuiBridge::setProfileButtons(int currentProfile) {
    onGui([currentProfile](MainWindowSurface& s) { s.setProfileButtons(currentProfile); });
}

void GuiBridge::setProfileLabel(std::u16string_view text, std::u16string_view tooltip) {
    onGui([text = qs(text), tooltip = qs(tooltip)](MainWindowSurface& s) {
        s.setProfileLabel(text, tooltip);
    });
}

void GuiBridge::showBusy(bool on) {
    onGui([on](MainWindowSurface& s) { s.showBusy(on); });
}

void GuiBridge::profileManagerSelectRow(int row) {
    m_profileManagerUnapplied.store(false);
    onGui([row](MainWindowSurface& s) { s.profileManagerSelectRow(row); });
}

// ---- Prompter ---------------------------------------------------------------------

void GuiBridge::showMessage(std::u16string_view text) {
    waitForGui([text = qs(text)](MainWindowSurface& s) {
        s.showMessage(text);
        return true;
    });
}

bool GuiBridge::askYesNo(std::u16string_view text) {
    return ask(text) == Answer::Yes;
}

Prompter::Answer GuiBridge::ask(std::u16string_view text) {
    const std::optional<bool> yes =
        waitForGui([text = qs(text)](MainWindowSurface& s) { return s.askYesNo(text); });
    if (!yes) {
        return Answer::Unanswered;
    }
    return *yes ? Answer::Yes : Answer::No;
}

}  // namespace quorvane
