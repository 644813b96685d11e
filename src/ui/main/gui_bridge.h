// The core's window, seen from the core's thread: MainWindowView,
// MainWindowPort and Prompter over a MainWindowSurface that lives on the GUI
// thread. Every display request is posted (queued) to the GUI thread and
// returns at once; the questions the core reads back (the dirty mark, which
// editors are open) are answered from copies kept here, so the core never
// waits for the GUI. Only a prompt waits, on the core's thread, for the
// user's answer; cancelPrompts() releases it at exit.
#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

#include "core/app/prompter.h"
#include "core/sync/main_window_port.h"
#include "core/window/keyboard_picture.h"
#include "core/window/main_window_view.h"
#include "ui/main/main_window_surface.h"

namespace quorvane {

class GuiBridge final : public MainWindowView, public MainWindowPort, public Prompter {
  public:
    struct Readers {
        // Run on the core's thread, where the model may be read.
        std::function<KeyboardPicture()> picture;
        std::function<std::array<bool, kGKeyCount>()> gKeys;
    };

    // The lighting panel's own rules, run on the core's thread where the
    // synchronisation asks for them; without them the request goes to the
    // surface.
    struct LightingHooks {
        std::function<void()> refresh;
        std::function<void()> reloadUserSlots;
        std::function<void(int slot)> selectUserSlot;
        std::function<void()> showLampOff;
        std::function<void()> showKeyColours;
    };

    // `context` is the surface's QObject: calls queued to a destroyed context are dropped.
    GuiBridge(QObject* context, MainWindowSurface& surface, Readers readers);

    // ---- State mirrored from the GUI thread ------------------------------------
    void setTrayAvailable(bool on) { m_trayAvailable.store(on); }
    void setCompositeEditorOpen(bool on) { m_compositeOpen.store(on); }
    void setProfileManagerOpen(bool on) { m_profileManagerOpen.store(on); }
    void setProfileManagerUnapplied(bool on) { m_profileManagerUnapplied.store(on); }
    // Set before the core's thread starts.
    void setLightingHooks(LightingHooks hooks) { m_lighting = std::move(hooks); }
    // Every later prompt returns at once without being shown: a question is
    // then unanswered (askYesNo takes that as No).
    void cancelPrompts();

    // ---- MainWindowView ---------------------------------------------------------
    bool createTrayIcon() override;
    void showTrayIcon(int iconId) override;
    void removeTrayIcon() override;
    void hideWindow() override;
    void openWindow() override;
    void closeChildDialogs() override;
    void refreshGKeys() override;
    void showGKeyBank(std::uint8_t bank, const GKeyCaptions& captions) override;
    void endProgram() override;
    void applyLanguage(int index) override;

    // ---- MainWindowPort ---------------------------------------------------------
    void EnableApply(bool on) override;
    bool IsChangesPending() const override { return m_pending.load(); }
    void showDefaultModeNotice(bool shown) override;
    void refreshKeyboardPicture() override;
    void refreshKeyColours() override;
    void leaveColourKeyMode() override;
    void showLightingValues(const LightingPanelValues& values) override;
    void refreshLightingPanel() override;
    void reloadUserModeList() override;
    void selectUserModeEntry(int mode) override;
    void showLampOff() override;
    void setProfileButtons(int currentProfile) override;
    void setProfileLabel(std::u16string_view text, std::u16string_view tooltip) override;
    void showBusy(bool on) override;
    bool isCompositeEditorOpen() const override { return m_compositeOpen.load(); }
    bool isProfileManagerOpen() const override { return m_profileManagerOpen.load(); }
    bool profileManagerHasUnappliedChanges() const override {
        return m_profileManagerUnapplied.load();
    }
    void profileManagerSelectRow(int row) override;

    // ---- Prompter ---------------------------------------------------------------
    void showMessage(std::u16string_view text) override;
    bool askYesNo(std::u16string_view text) override;
    Answer ask(std::u16string_view text) override;

  private:
    void onGui(std::function<void(MainWindowSurface&)> call);
    // Runs `ask` on the GUI thread and waits for it; nullopt when cancelled.
    std::optional<bool> waitForGui(std::function<bool(MainWindowSurface&)> ask);

    QPointer<QObject> m_context;
    MainWindowSurface& m_surface;
    Readers m_readers;
    LightingHooks m_lighting;

    std::atomic<bool> m_pending{false};
    std::atomic<bool> m_trayAvailable{false};
    std::atomic<bool> m_compositeOpen{false};
    std::atomic<bool> m_profileManagerOpen{false};
    std::atomic<bool> m_profileManagerUnapplied{false};

    std::mutex m_promptLock;
    std::condition_variable m_promptWake;
    bool m_promptsCancelled = false;
};

}  // namespace quorvane
