// A synchronisation session on the real libquellix.so with the virtual
// keyboard, a recording window and prompter, and a fresh user data folder.
// Every test starts from a factory keyboard that has just arrived: the
// factory key table and the macro capacity are read, and the profile-changed
// message has reloaded the model.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/recording_prompter.h"
#include "core/config/lighting_state.h"
#include "core/config/working_config.h"
#include "core/sync/sync_session.h"
#include "device/virtual_keyboard_fixture.h"
#include "platform/temp_dir.h"
#include "recording_window.h"

namespace quorvane::test {

// One frame the keyboard received, taken apart.
struct SentFrame {
    std::uint8_t command = 0;
    std::uint8_t length = 0;
    std::uint16_t offset = 0;
    std::vector<std::uint8_t> payload;  // `length` bytes for writes
};

// Language texts for tests: the key itself, marked, so a test sees which text
// was shown.
std::u16string testText(std::u16string_view key);

class SyncTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { useVirtualKeyboardEnvironment(); }
    void SetUp() override;
    void TearDown() override;

    // What the arrival worker does before it hands over: the factory table
    // and the macro capacity.
    void readArrivalState();
    // A fresh session over the same link and model (e.g. after changing knobs).
    void makeSession();

    // From the first frame going out for which `at` is true, the keyboard
    // refuses three attempts with `status`: that one command fails.
    void refuseFrom(std::function<bool(const SentFrame&)> at, std::uint8_t status = 0xFF);

    std::vector<SentFrame> sentFrames() const;
    std::vector<std::uint8_t> commandsSent() const;
    // Frames that change the keyboard: 0x04, 0x06, 0x08, 0x0A, 0x11.
    std::vector<SentFrame> writesSent() const;

    std::vector<std::uint8_t> keyboardMemory(std::uint32_t area, std::uint32_t offset,
                                             std::uint32_t length) const {
        return knobs.memory(area, offset, length);
    }
    // Pulls the keyboard out / plugs it in, and waits until the library's
    // count follows.
    void removeKeyboard();
    void attachKeyboard();

    void setKeyboardByte(std::uint32_t area, std::uint32_t offset, std::uint8_t value) const;
    int keyboardActiveProfile() const;

    // The key table the keyboard holds for profile p.
    DeviceKeyTable keyboardKeyTable(int p) const;
    // The key table the model gives for profile p.
    DeviceKeyTable modelKeyTable(int p) const;
    // The macro area as the model gives it (with names unless said otherwise).
    std::vector<std::uint8_t> modelMacroArea(bool withNames = true) const;

    // Adds a macro with `steps` key steps (A down/up) and the given name.
    MacroRecord& addMacro(std::u16string_view name, int steps);
    void assign(int profile, KeyId key, std::uint16_t type, std::uint32_t value,
                std::uint16_t aux = 0);

    std::unique_ptr<DeviceLink> link;
    VirtualKnobs knobs;
    TempDir home;
    std::string userData;
    std::string recordFolder;   // the record of a transfer (the per-user state folder)
    std::string historyFolder;  // the keyboard's history
    HistoryLimits historyLimits;
    std::string skins;  // holds the template user mode file
    WorkingConfig config;
    DownloadSnapshot snapshot;
    LightingState lighting;
    RecordingWindow window;
    RecordingPrompter prompter;
    std::unique_ptr<SyncSession> session;
};

}  // namespace quorvane::test
