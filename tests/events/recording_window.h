// Recording stand-ins for the window and the synchronisation, for tests that
// run the device events and the main window's rules without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/app/prompter.h"
#include "core/window/keyboard_reactions.h"
#include "core/window/main_window_view.h"

namespace quorvane::test {

// Window thread only, like the real window; records which thread called.
struct RecordingView final : MainWindowView {
    bool trayAvailable = true;
    int trayCreated = 0;
    std::vector<int> icons;  // every showTrayIcon
    int trayRemoved = 0;
    int hides = 0;
    int opens = 0;
    int childDialogsClosed = 0;
    int gKeyRefreshes = 0;
    std::vector<std::pair<int, GKeyCaptions>> banks;
    std::vector<int> languages;  // every applyLanguage
    std::function<void(int)> onLanguage;
    std::vector<std::string> calls;  // names, in order
    std::vector<std::thread::id> threads;

    bool createTrayIcon() override {
        note("createTrayIcon");
        ++trayCreated;
        return trayAvailable;
    }
    void showTrayIcon(int iconId) override {
        note("showTrayIcon");
        icons.push_back(iconId);
    }
    void removeTrayIcon() override {
        note("removeTrayIcon");
        ++trayRemoved;
    }
    void hideWindow() override {
        note("hideWindow");
        ++hides;
    }
    void openWindow() override {
        note("openWindow");
        ++opens;
    }
    void closeChildDialogs() override {
        note("closeChildDialogs");
        ++childDialogsClosed;
    }
    void refreshGKeys() override {
        note("refreshGKeys");
        ++gKeyRefreshes;
    }
    void showGKeyBank(std::uint8_t bank, const GKeyCaptions& captions) override {
        note("showGKeyBank");
        banks.emplace_back(bank, captions);
    }
    void applyLanguage(int index) override {
        note("applyLanguage");
        languages.push_back(index);
        if (onLanguage) {
            onLanguage(index);
        }
    }
    void endProgram() override { note("endProgram"); }

  private:
    void note(const char* name) {
        calls.emplace_back(name);
        threads.push_back(std::this_thread::get_id());
    }
};

// Window thread only. Each reaction may run extra work (a test's operation).
struct RecordingReactions final : KeyboardReactions {
    int lightingChanged = 0;
    int activeProfileChanged = 0;
    int profileMessages = 0;
    int profileLabels = 0;
    std::function<void()> onProfile;

    void onLightingChanged() override { ++lightingChanged; }
    void onActiveProfileChanged() override { ++activeProfileChanged; }
    void onProfileMessage() override {
        ++profileMessages;
        if (onProfile) {
            onProfile();
        }
    }
    void updateProfileLabel() override { ++profileLabels; }
};

// Records which thread asked, so that a test sees a worker asking directly.
struct RecordingPrompter final : Prompter {
    void showMessage(std::u16string_view text) override {
        std::lock_guard lock(mutex);
        messages.emplace_back(text);
        threads.push_back(std::this_thread::get_id());
    }
    bool askYesNo(std::u16string_view text) override {
        std::lock_guard lock(mutex);
        messages.emplace_back(text);
        threads.push_back(std::this_thread::get_id());
        return false;
    }
    std::vector<std::u16string> taken() const {
        std::lock_guard lock(mutex);
        return messages;
    }
    std::vector<std::thread::id> askedOn() const {
        std::lock_guard lock(mutex);
        return threads;
    }

    mutable std::mutex mutex;
    std::vector<std::u16string> messages;
    std::vector<std::thread::id> threads;
};

// A language lookup that shows which key was asked for.
inline std::u16string keyText(std::u16string_view key) {
    return u"text:" + std::u16string(key);
}

}  // namespace quorvane::test
