// The real keyboard: its hidraw nodes, one reader thread that polls every
// open node, the hot-plug monitor and a wake-up descriptor, and one writer
// thread so that a write never waits for the device.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_fd.h"
#include "quellix/backend.h"
#include "quellix/hid_node.h"

namespace quorvane::quellix {

// Where nodes come from: libudev for the real thing, sockets in the tests.
class NodeSource {
  public:
    virtual ~NodeSource() = default;
    // Prepares scanning and the hot-plug monitor.
    virtual bool begin(std::string& error) = 0;
    // Readable when nodes may have come or gone; -1 when there is no monitor.
    virtual int monitorFd() const = 0;
    virtual void drainMonitor() = 0;
    // The matching nodes present now (opened or not).
    virtual std::vector<NodeIdentity> scan() = 0;
    // Opens a node and reads its report descriptor. On failure returns null
    // with `errnoValue` (0 when the descriptor was refused) and `error`.
    virtual std::unique_ptr<HidNode> open(const NodeIdentity& identity, int& errnoValue,
                                          std::string& error) = 0;
};

// Its open() works without begin(): it needs nothing but the path.
std::unique_ptr<NodeSource> makeUdevNodeSource(std::uint16_t vendorId, std::uint16_t productId);

// Exactly the nodes at `paths`, taken as one keyboard with these ids, opened
// as the udev source opens them; no hot-plug. For pointing the library at
// chosen nodes (QUELLIX_DEVICE=hidraw:N,...).
std::unique_ptr<NodeSource> makeListedNodeSource(std::vector<std::string> paths,
                                                 std::uint16_t vendorId, std::uint16_t productId);

class HidrawBackend final : public Backend {
  public:
    explicit HidrawBackend(std::unique_ptr<NodeSource> source);
    ~HidrawBackend() override;

    bool start(Hub& hub, std::string& error) override;
    void stop() override;
    bool queueWrite(const QuellixFilter& filter, std::vector<std::uint8_t> report,
                    WriteCompletion completion) override;
    bool sendFeature(const QuellixFilter& filter, const std::vector<std::uint8_t>& report) override;

    // Open nodes, for tests and diagnostics.
    std::vector<std::string> openNodes() const;

    // QUELLIX_PROBLEM_NO_ACCESS while a node of the last scan could not be
    // opened for lack of permission.
    int deviceProblem(std::string& node) const override;

  private:
    struct PendingWrite {
        QuellixFilter filter;
        std::vector<std::uint8_t> report;
        WriteCompletion completion;
    };

    void readerLoop();
    std::vector<std::shared_ptr<HidNode>> nodesNow() const;
    // Delivers every report waiting on `node`; false when the node is gone.
    bool serviceNode(HidNode& node, short revents, std::vector<std::uint8_t>& report);
    void writerLoop();
    void rescan();
    void dropNode(const std::shared_ptr<HidNode>& node);
    void publishKeyboards();
    std::shared_ptr<HidNode> nodeFor(const QuellixFilter& filter, int& collection) const;
    void wake();
    void noteDenied(std::vector<std::string> paths);
    // Says once per node why it could not be opened (reader thread).
    void reportUnopened(const std::string& path, int errnoValue, const std::string& error);

    std::unique_ptr<NodeSource> m_source;
    Hub* m_hub = nullptr;
    UniqueFd m_wakeFd;

    mutable std::mutex m_nodesMutex;
    std::vector<std::shared_ptr<HidNode>> m_nodes;  // changed by the reader thread only
    std::set<std::string> m_warned;                 // reader thread only

    mutable std::mutex m_deniedMutex;
    std::vector<std::string> m_denied;  // nodes of the last scan refused for permission

    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<PendingWrite> m_queue;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_started{false};

    std::thread m_reader;
    std::thread m_writer;
};

}  // namespace quorvane::quellix
