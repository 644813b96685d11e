// The hidraw node logic over a SOCK_SEQPACKET socket pair: the socket keeps
// report boundaries as a hidraw node does, and its peer plays the keyboard.
#include "quellix/hid_node.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <poll.h>
#include <sys/syscall.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>
#include <vector>

#include "quellix/descriptor_fixtures.h"

namespace quorvane::quellix {
namespace {

using Bytes = std::vector<std::uint8_t>;

class NodeOverSocket : public testing::Test {
  protected:
    void SetUp() override {
        std::signal(SIGPIPE, SIG_IGN);  // a socket, unlike hidraw, raises it
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0, fds), 0);
        peer_ = UniqueFd(fds[1]);
        const DescriptorResult parsed = parseReportDescriptor(fixtures::secondInterface());
        ASSERT_TRUE(parsed.ok) << parsed.error;
        node_ = std::make_unique<HidNode>(UniqueFd(fds[0]),
                                          NodeIdentity{"/dev/hidraw7", "usb-1", 0x0C45, 0x5004, {}},
                                          parsed.descriptor);
    }

    void keyboardSends(const Bytes& report) {
        ASSERT_EQ(::write(peer_.get(), report.data(), report.size()),
                  static_cast<ssize_t>(report.size()));
    }

    Bytes keyboardReceives() {
        Bytes buffer(256);
        const ssize_t n = ::read(peer_.get(), buffer.data(), buffer.size());
        buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return buffer;
    }

    UniqueFd peer_;
    std::unique_ptr<HidNode> node_;
};

Bytes answerFrame(std::uint8_t command) {
    Bytes frame(64, 0);
    frame[0] = 0x04;
    frame[3] = command;
    return frame;
}

TEST_F(NodeOverSocket, ReadsWholeReportsAndNamesTheirCollection) {
    struct Case {
        Bytes report;
        int collection;
        CollectionId id;
    };
    const std::vector<Case> cases = {
        {{0x03, 0x02, 0x04}, 0, {0x000C, 0x0001}},
        {answerFrame(0x03), 1, {0xFF1C, 0x0092}},
        {{0x03, 0xFF, 0x02}, 0, {0x000C, 0x0001}},
        {{0x05, 0x02}, -1, {}},  // no input collection claims report 5
    };
    for (const Case& c : cases) {
        keyboardSends(c.report);
    }
    for (const Case& c : cases) {
        Bytes got;
        int collection = 99;
        ASSERT_EQ(node_->readReport(got, collection), HidNode::ReadStatus::Report);
        EXPECT_EQ(got, c.report);
        EXPECT_EQ(collection, c.collection);
        EXPECT_EQ(node_->collectionId(collection), c.id);
    }
    Bytes got;
    int collection = 0;
    EXPECT_EQ(node_->readReport(got, collection), HidNode::ReadStatus::Empty);
}

TEST_F(NodeOverSocket, WritesWholeReportsOneByOne) {
    Bytes frame = answerFrame(0x01);
    frame[1] = 0x01;
    bool gone = true;
    ASSERT_TRUE(node_->writeReport(frame, gone, nullptr));
    EXPECT_FALSE(gone);
    ASSERT_TRUE(node_->writeReport(Bytes{0x05, 0x03}, gone, nullptr));
    EXPECT_EQ(keyboardReceives(), frame);
    EXPECT_EQ(keyboardReceives(), (Bytes{0x05, 0x03}));
}

TEST_F(NodeOverSocket, EmptyReportIsNotWritten) {
    bool gone = false;
    std::string error;
    EXPECT_FALSE(node_->writeReport(Bytes{}, gone, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(NodeOverSocket, VanishedPeerReadsAsGoneAfterQueuedReports) {
    keyboardSends({0x03, 0x01, 0x04});
    peer_.reset();
    Bytes got;
    int collection = -1;
    // What was already queued still arrives, then the node is gone.
    ASSERT_EQ(node_->readReport(got, collection), HidNode::ReadStatus::Report);
    EXPECT_EQ(got, (Bytes{0x03, 0x01, 0x04}));
    EXPECT_EQ(node_->readReport(got, collection), HidNode::ReadStatus::Gone);
    bool gone = false;
    std::string error;
    EXPECT_FALSE(node_->writeReport(answerFrame(0x01), gone, &error));
    EXPECT_TRUE(gone);
    EXPECT_NE(error.find("/dev/hidraw7"), std::string::npos) << error;
}

// Fills the node's outgoing queue until the kernel says EAGAIN; returns how
// many reports went in.
int fillUntilBusy(int fd, const Bytes& filler) {
    int queued = 0;
    while (::write(fd, filler.data(), filler.size()) == static_cast<ssize_t>(filler.size())) {
        ++queued;
    }
    return errno == EAGAIN ? queued : -1;
}

// True once thread `tid` sits in poll (or ppoll), waited for without a sleep
// of fixed length.
bool waitUntilPolling(const std::atomic<pid_t>& tid) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        if (tid != 0) {
            std::ifstream in("/proc/self/task/" + std::to_string(tid.load()) + "/syscall");
            long number = -1;
            if (in >> number && (number == SYS_poll || number == SYS_ppoll)) {
                return true;
            }
        }
        std::this_thread::yield();
    }
    return false;
}

TEST_F(NodeOverSocket, ABusyNodeGetsTheReportWhenItIsWritableAgain) {
    const Bytes filler(64, 0xEE);
    const int queued = fillUntilBusy(node_->fd(), filler);
    ASSERT_GT(queued, 0);
    const Bytes frame = answerFrame(0x08);
    bool sent = false;
    bool gone = true;
    std::string error;
    std::atomic<pid_t> writerTid{0};
    std::thread writer([&] {
        writerTid = ::gettid();
        sent = node_->writeReport(frame, gone, &error, std::chrono::seconds(20));
    });
    // The keyboard catches up only once the write met the full queue and
    // waits in poll.
    EXPECT_TRUE(waitUntilPolling(writerTid));
    for (int i = 0; i < queued; ++i) {
        ASSERT_EQ(keyboardReceives(), filler) << i;
    }
    writer.join();
    EXPECT_TRUE(sent) << error;
    EXPECT_FALSE(gone);
    EXPECT_EQ(keyboardReceives(), frame);
}

TEST_F(NodeOverSocket, ANodeThatStaysBusyFailsAfterTheWaitNotAtOnce) {
    const Bytes filler(64, 0xEE);
    ASSERT_GT(fillUntilBusy(node_->fd(), filler), 0);
    bool gone = true;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(
        node_->writeReport(answerFrame(0x01), gone, &error, std::chrono::milliseconds(200)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
    EXPECT_FALSE(gone);
    EXPECT_NE(error.find("not writable"), std::string::npos) << error;
}

TEST_F(NodeOverSocket, FindsTheCollectionAFilterNames) {
    const QuellixFilter vendor{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0xFF1C, 0x0092, 0};
    const QuellixFilter bank{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0x0008, 0x0089, 0};
    const QuellixFilter otherVendor{QUELLIX_MATCH_ALL, 0x046D, 0x5004, 0xFF1C, 0x0092, 0};
    const QuellixFilter anyUsage{
        QUELLIX_MATCH_VENDOR | QUELLIX_MATCH_USAGE_PAGE, 0x0C45, 0, 0x0008, 0, 0};
    EXPECT_EQ(node_->findCollection(vendor), 1);
    EXPECT_EQ(node_->findCollection(bank), 2);
    EXPECT_EQ(node_->findCollection(otherVendor), -1);
    EXPECT_EQ(node_->findCollection(anyUsage), 2);
}

// Records tied to a keyboard outlive its nodes: the identity prefers what
// travels with the device over where it is plugged in.
TEST(KeyboardIdentity, SerialFirstThenUniqueIdThenPort) {
    struct Case {
        const char* serial;
        const char* uniq;
        const char* port;
        const char* identity;
    };
    const Case cases[] = {
        {"A1B2", "uniq-9", "1-1.2", "serial:A1B2"},
        {"  A1B2\n", "", "1-1.2", "serial:A1B2"},
        {"", "uniq-9", "1-1.2", "serial:uniq-9"},
        {" \t", "", "1-1.2", "port:1-1.2"},
        {"", "", "usb-0000:00:14.0-3", "port:usb-0000:00:14.0-3"},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(durableKeyboardId(c.serial, c.uniq, c.port), c.identity)
            << "serial \"" << c.serial << "\" uniq \"" << c.uniq << "\" port " << c.port;
    }
}

}  // namespace
}  // namespace quorvane::quellix
