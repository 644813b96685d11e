#include "sync_fixture.h"

#include "base/atomic_file.h"
#include "core/config/key_table_codec.h"
#include "core/config/macro_area_codec.h"
#include "core/device/hid_library.h"
#include "core/keys/key_id.h"

#include <chrono>
#include <thread>

namespace quorvane::test {

std::u16string testText(std::u16string_view key) {
    return u"[" + std::u16string(key) + u"]";
}

void SyncTest::SetUp() {
    DeviceLinkResult opened = DeviceLink::open();
    ASSERT_TRUE(opened) << opened.reason;
    link = std::move(opened.link);
    const std::string why = knobs.bind(programFolder());
    ASSERT_TRUE(why.empty()) << why;
    knobs.reset();

    userData = home.path() + "/Documents/Quorvane_09A";
    // Where quorvanectl keeps it with this home.
    recordFolder = home.path() + "/.local/state/quorvane";
    historyFolder = recordFolder + "/history";
    // A template user mode file: mode 0 named "tpl", every key green and tied.
    skins = home.path() + "/Skins/";
    ASSERT_TRUE(makeDirectories(skins));
    std::string tpl =
        "[PRESENTMODE]\nmode=0\n[MODENAME]\n0=tpl\n[Mode0]\ntool=1\n"
        "jcolor=0,255,0\ncolor=0,0,0\n";
    for (int led = 0; led < 126; ++led) {
        tpl += std::to_string(led) + "=0,255,0,1\n";
    }
    ASSERT_TRUE(writeFileAtomic(skins + "UserDengColor_3.userd", tpl));
    createDefaultImage(config, std::string(), true);
    makeSession();
    readArrivalState();
    session->onProfileMessage();
    ASSERT_EQ(session->modelOrigin(), ModelOrigin::Keyboard);

    knobs.ClearFrames();
    window.clearRecords();
    prompter = RecordingPrompter{};
}

void SyncTest::TearDown() {
    session.reset();
    if (link) {
        link->transport().setFrameObserver({});
    }
    if (knobs.ClearFrames != nullptr) {
        knobs.reset();
    }
    link.reset();
}

void SyncTest::makeSession() {
    session.reset();
    session = std::make_unique<SyncSession>(SyncEnvironment{
        link->commands(), config, snapshot, lighting, window, prompter, testText, userData, skins,
        BusyTiming{std::chrono::milliseconds(0), std::chrono::milliseconds(0)}, recordFolder,
        historyFolder, historyLimits});
}

void SyncTest::readArrivalState() {
    ASSERT_EQ(link->commands().ReadDefaultKeyTable(lighting.DefaultKeyTable.bytes), 1);
    std::array<std::uint8_t, kSettingsBlockSize> block{};
    ASSERT_EQ(link->commands().ReadSettings(block), 1);
    lighting.macroSpace = macroSpaceOf(block[SettingsBlock::kMacroCapacity]);
}

namespace {

SentFrame takeApart(const std::array<std::uint8_t, 64>& f) {
    SentFrame s;
    s.command = f[3];
    s.length = f[4];
    s.offset = static_cast<std::uint16_t>(f[5] | (f[6] << 8));
    const std::size_t n = std::min<std::size_t>(s.length, 56);
    s.payload.assign(f.begin() + 8, f.begin() + 8 + static_cast<std::ptrdiff_t>(n));
    return s;
}

}  // namespace

void SyncTest::refuseFrom(std::function<bool(const SentFrame&)> at, std::uint8_t status) {
    auto armed = std::make_shared<bool>(false);
    link->transport().setFrameObserver(
        [this, at = std::move(at), status, armed](const std::array<std::uint8_t, 64>& frame) {
            if (!*armed && at(takeApart(frame))) {
                *armed = true;
                knobs.Refuse(status, 3);
            }
        });
}

std::vector<SentFrame> SyncTest::sentFrames() const {
    std::vector<SentFrame> out;
    for (const auto& f : knobs.frames()) {
        out.push_back(takeApart(f));
    }
    return out;
}

std::vector<std::uint8_t> SyncTest::commandsSent() const {
    std::vector<std::uint8_t> out;
    for (const SentFrame& f : sentFrames()) {
        out.push_back(f.command);
    }
    return out;
}

std::vector<SentFrame> SyncTest::writesSent() const {
    std::vector<SentFrame> out;
    for (SentFrame& f : sentFrames()) {
        if (f.command == 0x04 || f.command == 0x06 || f.command == 0x08 || f.command == 0x0A ||
            f.command == 0x11) {
            out.push_back(std::move(f));
        }
    }
    return out;
}

namespace {

template <class Condition>
void waitFor(Condition condition) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!condition() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

void SyncTest::removeKeyboard() {
    knobs.Remove();
    waitFor([this] { return link->transport().DeviceCount() == 0; });
    ASSERT_EQ(link->transport().DeviceCount(), 0);
}

void SyncTest::attachKeyboard() {
    knobs.Attach();
    waitFor([this] { return link->transport().DeviceCount() > 0; });
    ASSERT_GT(link->transport().DeviceCount(), 0);
}

void SyncTest::setKeyboardByte(std::uint32_t area, std::uint32_t offset, std::uint8_t value) const {
    ASSERT_EQ(knobs.WriteMemory(area, offset, &value, 1), 1);
}

int SyncTest::keyboardActiveProfile() const {
    return keyboardMemory(QUELLIX_AREA_SETTINGS, SettingsBlock::kActiveProfile, 1).at(0);
}

DeviceKeyTable SyncTest::keyboardKeyTable(int p) const {
    DeviceKeyTable t;
    const auto bytes =
        keyboardMemory(QUELLIX_AREA_KEY_TABLES, static_cast<std::uint32_t>(p * kDeviceKeyTableSize),
                       kDeviceKeyTableSize);
    std::copy(bytes.begin(), bytes.end(), t.bytes.begin());
    return t;
}

DeviceKeyTable SyncTest::modelKeyTable(int p) const {
    return buildKeyTableFrom(*config.image, config.macros, lighting.DefaultKeyTable, p);
}

std::vector<std::uint8_t> SyncTest::modelMacroArea(bool withNames) const {
    return buildMacroAreaFrom(config.macros, withNames).value_or(std::vector<std::uint8_t>{});
}

MacroRecord& SyncTest::addMacro(std::u16string_view name, int steps) {
    MacroRecord& r = config.macros.emplace_back();
    r.setName(name);
    r.playCount = 2;
    r.id = static_cast<std::uint16_t>(config.macros.size());
    r.actionCount = static_cast<std::uint16_t>(steps);
    for (int i = 0; i < steps; ++i) {
        r.actions[i] = MacroAction{10, 0x1E, static_cast<std::uint16_t>(i % 2)};
    }
    return r;
}

void SyncTest::assign(int profile, KeyId key, std::uint16_t type, std::uint32_t value,
                      std::uint16_t aux) {
    ASSERT_TRUE(writeAssignment(config, entryIndex(profile, rowOfKey(key)), type, aux, value));
}

}  // namespace quorvane::test
