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

HidrawBackend::HidrawBackend(std::unique_ptr<NodeSource> source) : source_(std::move(source)) {}

HidrawBackend::~HidrawBackend() {
    stop();
}

bool HidrawBackend::start(Hub& hub, std::string& error) {
    if (started_) {
        error = "already started";
        return false;
    }
    hub_ = &hub;
    wakeFd_.reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wakeFd_.valid()) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    if (!source_->begin(error)) {
        return false;
    }
    rescan();
    started_ = true;
    stopping_ = false;
    reader_ = std::thread([this] { readerLoop(); });
    writer_ = std::thread([this] { writerLoop(); });
    return true;
}

void HidrawBackend::stop() {
    if (!started_) {
        return;
    }
    {
        const std::lock_guard lock(queueMutex_);
        stopping_ = true;
        queue_.clear();
    }
    queueChanged_.notify_all();
    wake();
    if (reader_.joinable()) {
        reader_.join();
    }
    if (writer_.joinable()) {
        writer_.join();
    }
    {
        const std::lock_guard lock(nodesMutex_);
        nodes_.clear();
    }
    source_.reset();
    wakeFd_.reset();
    started_ = false;
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
        const std::lock_guard lock(queueMutex_);
        if (stopping_ || !started_ || queue_.size() >= kMaxQueuedWrites) {
            return false;
        }
        queue_.push_back({filter, std::move(report), completion});
    }
    queueChanged_.notify_one();
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
    const std::lock_guard lock(nodesMutex_);
    std::vector<std::string> paths;
    for (const auto& node : nodes_) {
        paths.push_back(node->identity().path);
    }
    return paths;
}

std::shared_ptr<HidNode> HidrawBackend::nodeFor(const QuellixFilter& filter,
                                                int& collection) const {
    const std::lock_guard lock(nodesMutex_);
    for (const auto& node : nodes_) {
        collection = node->findCollection(filter);
        if (collection >= 0) {
            return node;
        }
    }
    collection = -1;
    return nullptr;
}

void HidrawBackend::wake() {
    if (wakeFd_.valid()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFd_.get(), &one, sizeof one);
    }
}

void HidrawBackend::rescan() {
    const std::vector<NodeIdentity> present = source_->scan();
    std::vector<std::shared_ptr<HidNode>> gone;
    {
        const std::lock_guard lock(nodesMutex_);
        for (const auto& node : nodes_) {
            const bool still = std::any_of(present.begin(), present.end(), [&](const auto& p) {
                return p.path == node->identity().path &&
                       p.keyboardKey == node->identity().keyboardKey;
            });
            if (!still) {
                gone.push_back(node);
            }
        }
        std::erase_if(nodes_, [&](const auto& node) {
            return std::find(gone.begin(), gone.end(), node) != gone.end();
        });
    }
    std::vector<std::string> denied;
    for (const NodeIdentity& identity : present) {
        bool open = false;
        {
            const std::lock_guard lock(nodesMutex_);
            open = std::any_of(nodes_.begin(), nodes_.end(),
                               [&](const auto& n) { return n->identity().path == identity.path; });
        }
        if (open) {
            continue;
        }
        int errnoValue = 0;
        std::string error;
        std::unique_ptr<HidNode> node = source_->open(identity, errnoValue, error);
        if (node == nullptr) {
            if (errnoValue == EACCES || errnoValue == EPERM) {
                denied.push_back(identity.path);
            }
            reportUnopened(identity.path, errnoValue, error);
            continue;
        }
        warned_.erase(identity.path);
        const std::lock_guard lock(nodesMutex_);
        nodes_.push_back(std::shared_ptr<HidNode>(std::move(node)));
    }
    // Forget warnings about nodes that went away, so a new keyboard on the
    // same node name is reported again.
    std::erase_if(warned_, [&](const std::string& path) {
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
        if (warned_.insert(path).second) {
            diagnose(1, "the keyboard is attached but " + path + " cannot be opened (" +
                            std::strerror(errnoValue) +
                            "): install the quorvane package or its udev rule "
                            "70-quorvane.rules, then unplug and replug the keyboard");
        }
    } else if (errnoValue == 0) {
        if (warned_.insert(path).second) {
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
    const std::lock_guard lock(deniedMutex_);
    denied_ = std::move(paths);
}

int HidrawBackend::deviceProblem(std::string& node) const {
    const std::lock_guard lock(deniedMutex_);
    if (denied_.empty()) {
        node.clear();
        return QUELLIX_PROBLEM_NONE;
    }
    node = denied_.front();
    return QUELLIX_PROBLEM_NO_ACCESS;
}

void HidrawBackend::dropNode(const std::shared_ptr<HidNode>& node) {
    diagnose(2, node->identity().path + " closed");
    const std::lock_guard lock(nodesMutex_);
    std::erase(nodes_, node);
}

void HidrawBackend::publishKeyboards() {
    std::map<std::string, Keyboard> byKey;
    {
        const std::lock_guard lock(nodesMutex_);
        for (const auto& node : nodes_) {
            const NodeIdentity& id = node->identity();
            Keyboard& keyboard = byKey[id.keyboardKey];
            keyboard.key = id.keyboardKey;
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
    hub_->setKeyboards(std::move(keyboards));
}

std::vector<std::shared_ptr<HidNode>> HidrawBackend::nodesNow() const {
    const std::lock_guard lock(nodesMutex_);
    return nodes_;
}

void HidrawBackend::readerLoop() {
    std::vector<std::uint8_t> report;
    while (!stopping_) {
        const std::vector<std::shared_ptr<HidNode>> nodes = nodesNow();
        // The wake-up descriptor, the monitor, then one entry per node.
        std::vector<pollfd> fds;
        fds.push_back({wakeFd_.get(), POLLIN, 0});
        fds.push_back({source_->monitorFd(), POLLIN, 0});  // -1 is ignored by poll
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
            [[maybe_unused]] const ssize_t n = ::read(wakeFd_.get(), &count, sizeof count);
            if (stopping_) {
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
            source_->drainMonitor();
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
    const Keyboard keyboard{id.keyboardKey, id.vendorId, id.productId, {}};
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
        hub_->deliverReport(keyboard, node.collectionId(collection), report,
                            node.descriptor().numbered);
    }
}

void HidrawBackend::writerLoop() {
    for (;;) {
        PendingWrite item;
        {
            std::unique_lock lock(queueMutex_);
            queueChanged_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            item = std::move(queue_.front());
            queue_.pop_front();
        }
        int collection = -1;
        const std::shared_ptr<HidNode> node = nodeFor(item.filter, collection);
        if (node == nullptr) {
            diagnose(2, "report dropped: the keyboard is gone");
            continue;
        }
        hub_->noteOut(node->collectionId(collection), item.report);
        bool gone = false;
        std::string error;
        if (!node->writeReport(item.report, gone, &error)) {
            diagnose(1, "report not sent: " + error);
            if (gone) {
                wake();  // the reader notices the hang-up and drops the node
            }
            continue;
        }
        hub_->deliverWriteDone(item.completion.callback, item.completion.tag, item.report);
    }
}

}  // namespace quorvane::quellix
