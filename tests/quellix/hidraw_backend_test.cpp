// The hidraw backend's threads against sockets standing in for hidraw nodes:
// routing, writes, hot-plug, vanishing nodes and unopenable nodes.
#include "quellix/hidraw_backend.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <map>
#include <thread>

#include "quellix/callback_log.h"
#include "quellix/descriptor_fixtures.h"
#include "quellix/hub.h"

namespace quorvane::quellix {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing_support::CallbackLog;
using testing_support::Seen;

constexpr std::uint32_t kCtrl = 0x4354524C;
constexpr std::uint32_t kCons = 0x434F4E53;
constexpr std::uint32_t kLed = 0x004C4544;
const QuellixFilter kCtrlFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0xFF1C, 0x0092, 0};
const QuellixFilter kConsFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0x000C, 0x0001, 0};
const QuellixFilter kLedFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0x0008, 0x0089, 0};
const QuellixFilter kBootFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0x0001, 0x0006, 0};

// Nodes the test declares; each open makes a socket pair whose far end the
// test keeps as the keyboard's side.
class FakeSource final : public NodeSource {
  public:
    struct Node {
        NodeIdentity identity;
        Bytes descriptor;
        int openErrno = 0;
    };

    FakeSource() : monitor_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

    bool begin(std::string&) override { return true; }
    int monitorFd() const override { return monitor_.get(); }
    void drainMonitor() override {
        std::uint64_t n = 0;
        [[maybe_unused]] const ssize_t r = ::read(monitor_.get(), &n, sizeof n);
    }
    std::vector<NodeIdentity> scan() override {
        const std::lock_guard lock(mutex_);
        ++scans_;
        std::vector<NodeIdentity> out;
        for (const Node& n : nodes_) {
            out.push_back(n.identity);
        }
        changed_.notify_all();
        return out;
    }
    std::unique_ptr<HidNode> open(const NodeIdentity& identity, int& errnoValue,
                                  std::string& error) override {
        const std::lock_guard lock(mutex_);
        for (const Node& n : nodes_) {
            if (n.identity.path != identity.path) {
                continue;
            }
            if (n.openErrno != 0) {
                errnoValue = n.openErrno;
                error = "refused";
                return nullptr;
            }
            DescriptorResult parsed = parseReportDescriptor(n.descriptor);
            if (!parsed.ok) {
                errnoValue = 0;
                error = parsed.error;
                return nullptr;
            }
            int fds[2];
            if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) != 0) {
                errnoValue = errno;
                return nullptr;
            }
            peers_[identity.path] = std::make_shared<UniqueFd>(fds[1]);
            return std::make_unique<HidNode>(UniqueFd(fds[0]), identity, parsed.descriptor);
        }
        errnoValue = ENOENT;
        return nullptr;
    }

    // --- the test's side ---
    void plug(const Node& node) {
        const std::lock_guard lock(mutex_);
        nodes_.push_back(node);
    }
    void unplugKeyboard(const std::string& key) {
        const std::lock_guard lock(mutex_);
        std::erase_if(nodes_, [&](const Node& n) { return n.identity.keyboardKey == key; });
    }
    // Signals the monitor and waits until the backend has scanned again.
    bool hotplug() {
        std::unique_lock lock(mutex_);
        const int before = scans_;
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t w = ::write(monitor_.get(), &one, sizeof one);
        return changed_.wait_for(lock, std::chrono::seconds(3), [&] { return scans_ > before; });
    }
    std::shared_ptr<UniqueFd> peer(const std::string& path) {
        const std::lock_guard lock(mutex_);
        const auto it = peers_.find(path);
        return it == peers_.end() ? nullptr : it->second;
    }

  private:
    UniqueFd monitor_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Node> nodes_;
    std::map<std::string, std::shared_ptr<UniqueFd>> peers_;
    int scans_ = 0;
};

FakeSource::Node bootNode(const std::string& path, const std::string& key) {
    return {{path, key, 0x0C45, 0x5004}, fixtures::kBootKeyboard, 0};
}
FakeSource::Node commandNode(const std::string& path, const std::string& key) {
    return {{path, key, 0x0C45, 0x5004}, fixtures::secondInterface(), 0};
}

void send(const std::shared_ptr<UniqueFd>& peer, const Bytes& report) {
    ASSERT_NE(peer, nullptr);
    ASSERT_EQ(::write(peer->get(), report.data(), report.size()),
              static_cast<ssize_t>(report.size()));
}

Bytes receive(const std::shared_ptr<UniqueFd>& peer) {
    Bytes buffer(256);
    pollfd p{peer->get(), POLLIN, 0};
    if (::poll(&p, 1, 3000) != 1) {
        return {};
    }
    const ssize_t n = ::read(peer->get(), buffer.data(), buffer.size());
    buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return buffer;
}

bool presenceCount(const std::vector<Seen>& all, std::uint32_t count) {
    return !all.empty() && all.back().kind == QUELLIX_EVENT_PRESENCE && all.back().count == count;
}

class HidrawBackendTest : public testing::Test {
  protected:
    void SetUp() override {
        std::signal(SIGPIPE, SIG_IGN);
        CallbackLog::instance().clear();
        auto source = std::make_unique<FakeSource>();
        source_ = source.get();
        backend_ = std::make_unique<HidrawBackend>(std::move(source));
    }
    void TearDown() override { backend_->stop(); }

    void start() {
        std::string error;
        ASSERT_TRUE(backend_->start(hub_, error)) << error;
    }

    Hub hub_;
    FakeSource* source_ = nullptr;
    std::unique_ptr<HidrawBackend> backend_;
};

TEST_F(HidrawBackendTest, RoutesReportsByCollectionAndWritesToTheHoldingNode) {
    source_->plug(bootNode("/dev/hidraw0", "usb-1"));
    source_->plug(commandNode("/dev/hidraw1", "usb-1"));
    start();
    EXPECT_EQ(hub_.deviceCount(kCtrlFilter), 1);
    EXPECT_EQ(hub_.deviceCount(kBootFilter), 1);
    ASSERT_EQ(hub_.keyboards().size(), 1u);
    EXPECT_EQ(hub_.keyboards()[0].collections.size(), 4u);

    hub_.addRead(kCtrlFilter, CallbackLog::callback, kCtrl);
    hub_.addRead(kConsFilter, CallbackLog::callback, kCons);
    const auto commands = source_->peer("/dev/hidraw1");
    const auto keys = source_->peer("/dev/hidraw0");

    Bytes answer(64, 0);
    answer[0] = 0x04;
    answer[3] = 0x03;
    answer[8] = 0x5A;
    send(keys, {0x00, 0x00, 0x04, 0, 0, 0, 0, 0});  // a key press: nobody listens
    send(commands, answer);
    send(commands, {0x03, 0x02, 0x04});
    auto& log = CallbackLog::instance();
    ASSERT_TRUE(log.waitForCount(kCons, QUELLIX_EVENT_REPORT, 1));
    ASSERT_TRUE(log.waitForCount(kCtrl, QUELLIX_EVENT_REPORT, 1));
    const std::vector<Seen> seen = log.snapshot();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].tag, kCtrl);
    EXPECT_EQ(seen[0].data, answer);
    EXPECT_FALSE(seen[0].hasConsumer);
    EXPECT_EQ(seen[1].tag, kCons);
    EXPECT_EQ(seen[1].count, 3u);
    ASSERT_TRUE(seen[1].hasConsumer);
    EXPECT_EQ(seen[1].consumer, (Bytes{0x02, 0x04}));  // report id removed

    Bytes request(64, 0);
    request[0] = 0x04;
    request[3] = 0x01;
    ASSERT_TRUE(backend_->queueWrite(kCtrlFilter, request, {}));
    ASSERT_TRUE(backend_->queueWrite(kLedFilter, {0x05, 0x03}, {CallbackLog::callback, kLed}));
    EXPECT_EQ(receive(commands), request);
    EXPECT_EQ(receive(commands), (Bytes{0x05, 0x03}));
    ASSERT_TRUE(log.waitForCount(kLed, QUELLIX_EVENT_REPORT, 1));
    EXPECT_EQ(log.snapshot().back().count, 2u);
}

TEST_F(HidrawBackendTest, WriteWithoutMatchingCollectionIsRefused) {
    source_->plug(bootNode("/dev/hidraw0", "usb-1"));
    start();
    EXPECT_EQ(hub_.deviceCount(kCtrlFilter), 0);
    EXPECT_FALSE(backend_->queueWrite(kCtrlFilter, Bytes(64, 4), {}));
}

TEST_F(HidrawBackendTest, HotPlugAndVanishingNodesChangeTheCount) {
    source_->plug(bootNode("/dev/hidraw0", "usb-1"));
    source_->plug(commandNode("/dev/hidraw1", "usb-1"));
    start();
    auto& log = CallbackLog::instance();
    hub_.addRead(kCtrlFilter, CallbackLog::callback, kCtrl);

    source_->plug(bootNode("/dev/hidraw2", "usb-2"));
    source_->plug(commandNode("/dev/hidraw3", "usb-2"));
    ASSERT_TRUE(source_->hotplug());
    ASSERT_TRUE(log.waitFor([](const auto& all) { return presenceCount(all, 2); }));
    EXPECT_EQ(hub_.deviceCount(kCtrlFilter), 2);

    // The second keyboard's command node dies mid-read: closed, count drops.
    source_->peer("/dev/hidraw3")->reset();
    ASSERT_TRUE(log.waitFor([](const auto& all) { return presenceCount(all, 1); }));
    const auto open = backend_->openNodes();
    EXPECT_EQ(std::count(open.begin(), open.end(), "/dev/hidraw3"), 0);
    EXPECT_EQ(std::count(open.begin(), open.end(), "/dev/hidraw2"), 1);

    source_->unplugKeyboard("usb-1");
    source_->unplugKeyboard("usb-2");
    ASSERT_TRUE(source_->hotplug());
    ASSERT_TRUE(log.waitFor([](const auto& all) { return presenceCount(all, 0); }));
    EXPECT_TRUE(backend_->openNodes().empty());
    const auto all = log.snapshot();
    EXPECT_EQ(CallbackLog::countOf(all, kCtrl, QUELLIX_EVENT_PRESENCE), 3u);
}

struct UnusableCase {
    const char* name;
    int openErrno;
    Bytes descriptor;
    const char* mustSay;
};

class UnusableNode : public HidrawBackendTest, public testing::WithParamInterface<UnusableCase> {};

TEST_P(UnusableNode, IsReportedOnceNotSilently) {
    const UnusableCase& c = GetParam();
    source_->plug({{"/dev/hidraw5", "usb-1", 0x0C45, 0x5004}, c.descriptor, c.openErrno});
    testing::internal::CaptureStderr();
    start();
    ASSERT_TRUE(source_->hotplug());
    ASSERT_TRUE(source_->hotplug());
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(hub_.deviceCount(kCtrlFilter), 0);
    const auto first = text.find("/dev/hidraw5");
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("/dev/hidraw5", first + 1), std::string::npos) << "repeated:\n" << text;
    EXPECT_NE(text.find(c.mustSay), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, UnusableNode,
    testing::Values(UnusableCase{"permission", EACCES, fixtures::secondInterface(),
                                 "70-quorvane.rules"},
                    UnusableCase{"bad_descriptor", 0, Bytes{0xA1, 0x01}, "collection not closed"}),
    [](const testing::TestParamInfo<UnusableCase>& info) { return info.param.name; });

// The permission problem is what the last scan found: it names the refused
// node, is not raised by other refusals, and goes once the node opens (the
// rule installed and the keyboard plugged in again).
TEST_F(HidrawBackendTest, PermissionProblemFollowsTheLastScan) {
    const NodeIdentity denied{"/dev/hidraw7", "usb-1", 0x0C45, 0x5004};
    source_->plug({{"/dev/hidraw6", "usb-1", 0x0C45, 0x5004}, Bytes{0xA1, 0x01}, 0});
    source_->plug({denied, fixtures::secondInterface(), EPERM});
    testing::internal::CaptureStderr();
    start();
    testing::internal::GetCapturedStderr();
    std::string node = "stale";
    EXPECT_EQ(backend_->deviceProblem(node), QUELLIX_PROBLEM_NO_ACCESS);
    EXPECT_EQ(node, "/dev/hidraw7");
    EXPECT_EQ(hub_.deviceCount(kCtrlFilter), 0);

    auto& log = CallbackLog::instance();
    hub_.addRead(kCtrlFilter, CallbackLog::callback, kCtrl);
    source_->unplugKeyboard("usb-1");
    source_->plug({denied, fixtures::secondInterface(), 0});
    ASSERT_TRUE(source_->hotplug());
    ASSERT_TRUE(log.waitFor([](const auto& all) { return presenceCount(all, 1); }));
    EXPECT_EQ(backend_->deviceProblem(node), QUELLIX_PROBLEM_NONE);
    EXPECT_EQ(node, "");

    // Plugged in again (a new keyboard key) on a seat without the rule.
    source_->unplugKeyboard("usb-1");
    source_->plug({{"/dev/hidraw7", "usb-2", 0x0C45, 0x5004}, fixtures::secondInterface(), EACCES});
    testing::internal::CaptureStderr();
    ASSERT_TRUE(source_->hotplug());
    ASSERT_TRUE(log.waitFor([](const auto& all) { return presenceCount(all, 0); }));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(backend_->deviceProblem(node), QUELLIX_PROBLEM_NO_ACCESS);
    EXPECT_EQ(node, "/dev/hidraw7");
}

TEST_F(HidrawBackendTest, StopClosesTheNodesAndRefusesWrites) {
    source_->plug(commandNode("/dev/hidraw1", "usb-1"));
    start();
    const auto peer = source_->peer("/dev/hidraw1");
    backend_->stop();
    Bytes buffer(64);
    EXPECT_EQ(::read(peer->get(), buffer.data(), buffer.size()), 0);  // end of file
    EXPECT_FALSE(backend_->queueWrite(kCtrlFilter, Bytes(64, 4), {}));
}

}  // namespace
}  // namespace quorvane::quellix
