// quorvanectl watch in this process: the keyboard's own reports and presence
// changes, and what the window rules made of them, as printed lines.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_keyboard.h"
#include "device/virtual_keyboard_fixture.h"

namespace quorvane::test {
namespace {

struct KeyboardHands {
    decltype(&::QuellixVirtualPressProfileKey) PressProfileKey = nullptr;
    decltype(&::QuellixVirtualRaiseConsumer) RaiseConsumer = nullptr;
    decltype(&::QuellixVirtualRemove) Remove = nullptr;
    decltype(&::QuellixVirtualAttach) Attach = nullptr;
    decltype(&::QuellixVirtualResetFactory) ResetFactory = nullptr;

    bool bind() {
        void* handle = dlopen((programFolder() + "libquellix.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle == nullptr) {
            return false;
        }
        auto symbol = [handle](const char* name) { return dlsym(handle, name); };
        PressProfileKey =
            reinterpret_cast<decltype(PressProfileKey)>(symbol("QuellixVirtualPressProfileKey"));
        RaiseConsumer =
            reinterpret_cast<decltype(RaiseConsumer)>(symbol("QuellixVirtualRaiseConsumer"));
        Remove = reinterpret_cast<decltype(Remove)>(symbol("QuellixVirtualRemove"));
        Attach = reinterpret_cast<decltype(Attach)>(symbol("QuellixVirtualAttach"));
        ResetFactory =
            reinterpret_cast<decltype(ResetFactory)>(symbol("QuellixVirtualResetFactory"));
        return PressProfileKey && RaiseConsumer && Remove && Attach && ResetFactory;
    }
};

class Lines {
  public:
    void add(const std::string& line) {
        std::lock_guard lock(m_lock);
        m_lines.push_back(line);
    }
    bool has(const std::string& line) const {
        std::lock_guard lock(m_lock);
        return std::find(m_lines.begin(), m_lines.end(), line) != m_lines.end();
    }
    std::size_t indexOf(const std::string& line) const {
        std::lock_guard lock(m_lock);
        return static_cast<std::size_t>(std::find(m_lines.begin(), m_lines.end(), line) -
                                        m_lines.begin());
    }
    std::vector<std::string> from(std::size_t first) const {
        std::lock_guard lock(m_lock);
        return {m_lines.begin() + static_cast<std::ptrdiff_t>(std::min(first, m_lines.size())),
                m_lines.end()};
    }
    std::size_t size() const {
        std::lock_guard lock(m_lock);
        return m_lines.size();
    }
    std::string all() const {
        std::lock_guard lock(m_lock);
        std::string s;
        for (const auto& l : m_lines) {
            s += l + '\n';
        }
        return s;
    }

  private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
};

bool waitFor(const std::function<bool()>& condition) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The tool's session on the virtual keyboard, watching, its lines collected;
// the keyboard's hands bound.
class CliWatch : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { useVirtualKeyboardEnvironment(); }
    void SetUp() override {
        session.printEvents([this](const std::string& line) { lines.add(line); });
        ASSERT_EQ(session.open(), cli::kExitOk) << err.str();
        ASSERT_TRUE(hands.bind());
    }
    void TearDown() override {
        if (hands.ResetFactory != nullptr) {
            hands.ResetFactory();
        }
    }

    std::ostringstream out;
    std::ostringstream err;
    cli::CliContext context{out, err, nullptr, {}};
    cli::CliLanguage language{quorvane::programFolder()};
    cli::CliKeyboard session{context, language};
    Lines lines;
    KeyboardHands hands;
};

TEST_F(CliWatch, PrintsReportsPresenceAndTheirEffects) {
    EXPECT_TRUE(lines.has("configuration reloaded, active profile: 1")) << lines.all();

    // The keyboard's hands act one after another, each once the line of the
    // one before has been printed.
    std::atomic<bool> watching{false};
    std::atomic<bool> finished{false};
    std::atomic<bool> lost{false};
    std::thread hand([&] {
        auto step = [&](const std::function<void()>& act, const std::string& expected) {
            if (lost) {
                return;
            }
            act();
            lost = !waitFor([&] { return lines.has(expected); });
        };
        waitFor([&] { return watching.load(); });
        step([&] { hands.PressProfileKey(); }, "active profile: 2");
        step([&] { hands.RaiseConsumer(0x02FF); }, "G-key bank: B");
        step([&] { hands.RaiseConsumer(0x0401); }, "lighting re-read");
        step([&] { hands.RaiseConsumer(0x1811); }, "consumer 0x1811: keyboard signal on");
        step([&] { hands.RaiseConsumer(0x7777); }, "consumer 0x7777: unknown code");
        step([&] { hands.Remove(); }, "keyboard removed");
        step([&] { hands.Attach(); }, "configuration reloaded, active profile: 2");
        finished = true;
    });
    session.watch([&] {
        watching = true;
        return finished.load() || lost.load();
    });
    hand.join();
    EXPECT_FALSE(lost.load()) << lines.all();

    const char* expected[] = {
        "consumer 0x0402: active profile changed on the keyboard",
        "active profile: 2",
        "consumer 0x02FF: G-key bank switched on the keyboard",
        "G-key bank: B",
        "consumer 0x0401: lighting changed on the keyboard",
        "lighting re-read",
        "consumer 0x1811: keyboard signal on",
        "consumer 0x7777: unknown code",
        "keyboard removed",
        "keyboard attached (1)",
        "configuration reloaded, active profile: 2",
    };
    std::size_t previous = 0;
    for (const char* line : expected) {
        const std::size_t at = lines.indexOf(line);
        EXPECT_TRUE(lines.has(line)) << line << "\n" << lines.all();
        EXPECT_GE(at, previous) << line << " out of order\n" << lines.all();
        previous = at;
    }
}

// The session's news of an event comes from a worker as a sent message, which
// overtakes posted work; the event's own line is posted as the library reports
// it. With the session's thread away while both arrive, the news would be
// handled first: the event's line must still be printed before it.
TEST_F(CliWatch, AnEventsLineComesBeforeWhatTheSessionMadeOfIt) {
    struct Step {
        const char* name;
        std::function<void()> act;
        std::vector<std::string> printed;
    };
    const Step steps[] = {
        {"bank toggle",
         [&] { hands.RaiseConsumer(0x02FF); },
         {"consumer 0x02FF: G-key bank switched on the keyboard", "G-key bank: B"}},
        {"removal", [&] { hands.Remove(); }, {"keyboard removed"}},
        {"return",
         [&] { hands.Attach(); },
         {"keyboard attached (1)", "configuration reloaded, active profile: 1"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const std::size_t first = lines.size();
        step.act();
        // The worker reads and sends its news meanwhile, into a queue nobody runs.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        session.watch([&] {
            return lines.size() >= first + step.printed.size() ||
                   std::chrono::steady_clock::now() > deadline;
        });
        EXPECT_EQ(lines.from(first), step.printed) << lines.all();
    }
}

}  // namespace
}  // namespace quorvane::test
