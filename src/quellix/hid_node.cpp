#include "quellix/hid_node.h"

#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace quorvane::quellix {
namespace {

// Larger than any report the kernel passes up (HID_MAX_BUFFER_SIZE).
constexpr std::size_t kReadBufferSize = 16384;

bool vanished(int error) {
    return error == ENODEV || error == EIO || error == ENXIO || error == EPIPE ||
           error == ECONNRESET || error == EBADF;
}

enum class WaitResult { Writable, TimedOut, Gone };

WaitResult waitWritable(int fd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() < 0) {
            return WaitResult::TimedOut;
        }
        pollfd p{fd, POLLOUT, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(left.count()));
        if (rc < 0 && errno == EINTR) {
            continue;
        }
        if (rc < 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return WaitResult::Gone;
        }
        if (rc == 0) {
            return WaitResult::TimedOut;
        }
        return WaitResult::Writable;
    }
}

}  // namespace

HidNode::HidNode(UniqueFd fd, NodeIdentity identity, ReportDescriptor descriptor)
    : m_fd(std::move(fd)),
      m_identity(std::move(identity)),
      m_descriptor(std::move(descriptor)),
      m_buffer(kReadBufferSize) {}

HidNode::ReadStatus HidNode::readReport(std::vector<std::uint8_t>& report, int& collection) {
    collection = -1;
    for (;;) {
        const ssize_t n = ::read(m_fd.get(), m_buffer.data(), m_buffer.size());
        if (n > 0) {
            report.assign(m_buffer.begin(), m_buffer.begin() + n);
            collection = collectionOfInput(m_descriptor, report);
            return ReadStatus::Report;
        }
        if (n == 0) {
            return ReadStatus::Gone;  // end of file: the other side is gone
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return ReadStatus::Empty;
        }
        return ReadStatus::Gone;
    }
}

bool HidNode::writeReport(std::span<const std::uint8_t> report, bool& gone, std::string* error,
                          std::chrono::milliseconds writableWait) {
    gone = false;
    if (report.empty()) {
        if (error != nullptr) {
            *error = "empty report";
        }
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + writableWait;
    for (;;) {
        const ssize_t n = ::write(m_fd.get(), report.data(), report.size());
        if (n == static_cast<ssize_t>(report.size())) {
            return true;
        }
        if (n >= 0) {
            if (error != nullptr) {
                *error = m_identity.path + ": short write";
            }
            return false;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // Busy, not broken: the same report goes again when there is room.
            const WaitResult waited = waitWritable(m_fd.get(), deadline);
            if (waited == WaitResult::Writable) {
                continue;
            }
            gone = waited == WaitResult::Gone;
            if (error != nullptr) {
                *error = m_identity.path + (gone ? ": gone while busy" : ": not writable in time");
            }
            return false;
        }
        const int saved = errno;
        gone = vanished(saved);
        if (error != nullptr) {
            *error = m_identity.path + ": " + std::strerror(saved);
        }
        return false;
    }
}

bool HidNode::sendFeature(std::span<const std::uint8_t> report, std::string* error) {
    if (report.empty() || report.size() > kReadBufferSize) {
        if (error != nullptr) {
            *error = "bad feature report length";
        }
        return false;
    }
    std::vector<std::uint8_t> copy(report.begin(), report.end());
    if (::ioctl(m_fd.get(), HIDIOCSFEATURE(copy.size()), copy.data()) < 0) {
        if (error != nullptr) {
            *error = m_identity.path + ": " + std::strerror(errno);
        }
        return false;
    }
    return true;
}

CollectionId HidNode::collectionId(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_descriptor.collections.size()) {
        return {};
    }
    const TopCollection& c = m_descriptor.collections[static_cast<std::size_t>(index)];
    return {c.usagePage, c.usage};
}

int HidNode::findCollection(const QuellixFilter& filter) const {
    Keyboard self{m_identity.keyboardKey,
                  m_identity.vendorId,
                  m_identity.productId,
                  {},
                  m_identity.durableId};
    for (std::size_t i = 0; i < m_descriptor.collections.size(); ++i) {
        const TopCollection& c = m_descriptor.collections[i];
        if (filterMatches(filter, self, {c.usagePage, c.usage})) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace quorvane::quellix
