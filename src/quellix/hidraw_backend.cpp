#include "quellix/hidraw_backend.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include "quellix/diagnostics.h"

namespace quorvane::quellix {
namespace {

// A keyboard that stops reading must not make the program's memory grow.
constexpr std::size_t kMaxQueuedWrites = 1024;

}  // namespace

HidrawBackend::HidrawBackend(std::unique_ptr<NodeSource> source) : m_source(std::move(source)) {}

HidrawBackend::~HidrawBackend() {
    stop();
}

bool HidrawBackend::start(Hub& hub, std::string& error) {
    if (m_started) {
        error = "already started";
        return false;
    }
    m_hub = &hub;
    m_wakeFd.reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!m_wakeFd.valid()) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    if (!m_source->begin(error)) {
        return false;
    }
    rescan();
    m_started = true;
    m_stopping = false;
    m_reader = std::thread([this] { readerLoop(); });
    m_writer = std::thread([this] { writerLoop(); });
    return true;
}

void HidrawBackend::stop() {
    if (!m_started) {
        return;
    }
    {
        const std::lock_guard lock(m_queueMutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_queueChanged.notify_all();
    wake();
    if (m_reader.joinable()) {
        m_reader.join();
    }
    if (m_writer.joinable()) {
        m_writer.join();
    }
    {
        const std::lock_guard lock(m_nodesMutex);
        m_nodes.clear();
    }
    m_source.reset();
    m_wakeFd.reset();
    m_started = false;
}

bool HidrawBackend::queueWrite(const QuellixFilter& filter, std::vector<std::uint8_t> report,
                               WriteCompletion completion) {
    if (report.empty()) {
        return false;
    }
    int collection = -1;
    if (nodeFor(filter, collection) == nullptr) {
        return false;
    }
    {
        const std::lock_guard lock(m_queueMutex);
        if (m_stopping || !m_started || m_queue.size() >= kMaxQueuedWrites) {
            return false;
        }
        m_queue.push_back({filter, std::move(report), completion});
    }
    m_queueChanged.notify_one();
    return true;
}

bool HidrawBackend::sendFeature(const QuellixFilter& filter,
                                const std::vector<std::uint8_t>& report) {
    int collection = -1;
    const std::shared_ptr<HidNode> node = nodeFor(filter, collection);
    if (node == nullptr) {
        return false;
    }
    std::string error;
    if (!node->sendFeature(report, &error)) {
        diagnose(1, "feature report not sent: " + error);
        return false;
    }
    return true;
}

std::vector<std::string> HidrawBackend::openNodes() const {
    const std::lock_guard lock(m_nodesMutex);
    std::vector<std::string> paths;
    for (const auto& node : m_nodes) {
        paths.push_back(node->identity().path);
    }
    return paths;
}

std::shared_ptr<HidNode> HidrawBackend::nodeFor(const QuellixFilter& filter,
                                                int& collection) const {
    const std::lock_guard lock(m_nodesMutex);
    for (const auto& node : m_nodes) {
        collection = node->findCollection(filter);
        if (collection >= 0) {
            return node;
        }
    }
    collection = -1;
    return nullptr;
}

void HidrawBackend::wake() {
    if (m_wakeFd.valid()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd.get(), &one, sizeof one);
    }
}

void HidrawBackend::rescan() {
    const std::vector<NodeIdentity> present = m_source->scan();
    std::vector<std::shared_ptr<HidNode>> gone;
    {
        const std::lock_guard lock(m_nodesMutex);
        for (const auto& node : m_nodes) {
            const bool still = std::any_of(present.begin(), present.end(), [&](const auto& p) {
                return p.path == node->identity().path &&
                       p.keyboardKey == node->identity().keyboardKey;
            });
            if (!still) {
                gone.push_back(node);
            }
        }
        std::erase_if(m_nodes, [&](const auto& node) {
            return std::find(gone.begin(), gone.end(), node) != gone.end();
        });
    }
    std::vector<std::string> denied;
    for (const NodeIdentity& identity : present) {
        bool open = false;
        {
            const std::lock_guard lock(m_nodesMutex);
            open = std::any_of(m_nodes.begin(), m_nodes.end(),
                               [&](const auto& n) { return n->identity().path == identity.path; });
        }
        if (open) {
            continue;
        }
        int errnoValue = 0;
        std::string error;
        std::unique_ptr<HidNode> node = m_source->open(identity, errnoValue, error);
        if (node == nullptr) {
            if (errnoValue == EACCES || errnoValue == EPERM) {
                denied.push_back(identity.path);
            }
            reportUnopened(identity.path, errnoValue, error);
            continue;
        }
        m_warned.erase(identity.path);
        const std::lock_guard lock(m_nodesMutex);
        m_nodes.push_back(std::shared_ptr<HidNode>(std::move(node)));
    }
    // Forget warnings about nodes that went away, so a new keyboard on the
    // same node name is reported again.
    std::erase_if(m_warned, [&](const std::string& path) {
        return std::none_of(present.begin(), present.end(),
                            [&](const auto& p) { return p.path == path; });
    });
    // Before the presence event, so that a program asking on it sees the news.
    noteDenied(std::move(denied));
    publishKeyboards();
}

void HidrawBackend::reportUnopened(const std::string& path, int errnoValue,
                                   const std::string& error) {
    if (errnoValue == EACCES || errnoValue == EPERM) {
        if (m_warned.insert(path).second) {
            diagnose(1, "the keyboard is attached but " + path + " cannot be opened (" +
                            std::strerror(errnoValue) +
                            "): install the quorvane package or its udev rule "
                            "70-quorvane.rules, then unplug and replug the keyboard");
        }
    } else if (errnoValue == 0) {
        if (m_warned.insert(path).second) {
            diagnose(1, path + " ignored: " + error);
        }
    } else {
        // Often a node that went between the scan and the open: no line at
        // the default level, but the reason is kept.
        diagnose(2, path + ": " + error);
        noteFailure(error);
    }
}

void HidrawBackend::noteDenied(std::vector<std::string> paths) {
    const std::lock_guard lock(m_deniedMutex);
    m_denied = std::move(paths);
}

int HidrawBackend::deviceProblem(std::string& node) const {
    const std::lock_guard lock(m_deniedMutex);
    if (m_denied.empty()) {
        node.clear();
        return QUELLIX_PROBLEM_NONE;
    }
    node = m_denied.front();
    return QUELLIX_PROBLEM_NO_ACCESS;
}

void HidrawBackend::dropNode(const std::shared_ptr<HidNode>& node) {
    diagnose(2, node->identity().path + " closed");
    const std::lock_guard lock(m_nodesMutex);
    std::erase(m_nodes, node);
}

void HidrawBackend::publishKeyboards() {
    std::map<std::string, Keyboard> byKey;
    {
        const std::lock_guard lock(m_nodesMutex);
        for (const auto& node : m_nodes) {
            const NodeIdentity& id = node->identity();
            Keyboard& keyboard = byKey[id.keyboardKey];
            keyboard.key = id.keyboardKey;
            keyboard.identity = id.durableId;
            keyboard.vendorId = id.vendorId;
            keyboard.productId = id.productId;
            for (const TopCollection& c : node->descriptor().collections) {
                keyboard.collections.push_back({c.usagePage, c.usage});
            }
        }
    }
    std::vector<Keyboard> keyboards;
    keyboards.reserve(byKey.size());
    for (auto& [key, keyboard] : byKey) {
        keyboards.push_back(std::move(keyboard));
    }
    m_hub->setKeyboards(std::move(keyboards));
}

std::vector<std::shared_ptr<HidNode>> HidrawBackend::nodesNow() const {
    const std::lock_guard lock(m_nodesMutex);
    return m_nodes;
}

void HidrawBackend::readerLoop() {
    std::vector<std::uint8_t> report;
    while (!m_stopping) {
        const std::vector<std::shared_ptr<HidNode>> nodes = nodesNow();
        // The wake-up descriptor, the monitor, then one entry per node.
        std::vector<pollfd> fds;
        fds.push_back({m_wakeFd.get(), POLLIN, 0});
        fds.push_back({m_source->monitorFd(), POLLIN, 0});  // -1 is ignored by poll
        for (const auto& node : nodes) {
            fds.push_back({node->fd(), POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            diagnose(1, std::string("poll: ") + std::strerror(errno));
            break;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wakeFd.get(), &count, sizeof count);
            if (m_stopping) {
                break;
            }
        }
        bool changed = false;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const short revents = fds[i + 2].revents;
            if (revents != 0 && !serviceNode(*nodes[i], revents, report)) {
                dropNode(nodes[i]);
                changed = true;
            }
        }
        // An overrun monitor reports POLLERR instead of POLLIN: drain and
        // rescan either way, or poll would return at once forever.
        if (fds[1].revents != 0) {
            m_source->drainMonitor();
            rescan();
        } else if (changed) {
            publishKeyboards();
        }
    }
}

bool HidrawBackend::serviceNode(HidNode& node, short revents, std::vector<std::uint8_t>& report) {
    if ((revents & (POLLERR | POLLNVAL)) != 0) {
        return false;
    }
    if ((revents & (POLLIN | POLLHUP)) == 0) {
        return true;
    }
    // Drain everything waiting; a hang-up still lets queued reports through
    // before the node reads as gone.
    const NodeIdentity& id = node.identity();
    const Keyboard keyboard{id.keyboardKey, id.vendorId, id.productId, {}, id.durableId};
    for (;;) {
        int collection = -1;
        switch (node.readReport(report, collection)) {
            case HidNode::ReadStatus::Empty:
                return true;
            case HidNode::ReadStatus::Gone:
                return false;
            case HidNode::ReadStatus::Report:
                break;
        }
        if (collection < 0) {
            diagnose(2, id.path + ": report of no collection dropped");
            continue;
        }
        m_hub->deliverReport(keyboard, node.collectionId(collection), report,
                             node.descriptor().numbered);
    }
}

void HidrawBackend::writerLoop() {
    for (;;) {
        PendingWrite item;
        {
            std::unique_lock lock(m_queueMutex);
            m_queueChanged.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
            if (m_stopping) {
                return;
            }
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        int collection = -1;
        const std::shared_ptr<HidNode> node = nodeFor(item.filter, collection);
        if (node == nullptr) {
            diagnose(2, "report dropped: the keyboard is gone");
            continue;
        }
        m_hub->noteOut(node->collectionId(collection), item.report);
        bool gone = false;
        std::string error;
        if (!node->writeReport(item.report, gone, &error)) {
            diagnose(1, "report not sent: " + error);
            if (gone) {
                wake();  // the reader notices the hang-up and drops the node
            }
            continue;
        }
        m_hub->deliverWriteDone(item.completion.callback, item.completion.tag, item.report);
    }
}

}  // namespace quorvane::quellix
