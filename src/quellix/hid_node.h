// One open hidraw node (or anything that keeps report boundaries, such as a
// SOCK_SEQPACKET socket in the tests): reads whole input reports and tells
// which top-level collection each belongs to, writes whole output reports.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "quellix/device_model.h"
#include "quellix/report_descriptor.h"

namespace quorvane::quellix {

struct NodeIdentity {
    std::string path;         // /dev/hidrawN
    std::string keyboardKey;  // nodes of one keyboard share it
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string durableId;  // see Keyboard::identity
};

class HidNode {
  public:
    // `fd` should be non-blocking: readReport() never waits.
    HidNode(UniqueFd fd, NodeIdentity identity, ReportDescriptor descriptor);

    enum class ReadStatus { Report, Empty, Gone };

    // Reads one waiting report into `report`; `collection` is its index in
    // descriptor().collections, or -1 when no collection claims it.
    ReadStatus readReport(std::vector<std::uint8_t>& report, int& collection);

    // Writes the whole report (report id first when the interface numbers
    // its reports). A node that is busy (EAGAIN) gets the report again once
    // poll says it is writable, for up to `writableWait` in all. False when
    // it could not go out; `gone` when the node has vanished.
    bool writeReport(std::span<const std::uint8_t> report, bool& gone, std::string* error,
                     std::chrono::milliseconds writableWait = kWritableWait);
    static constexpr std::chrono::milliseconds kWritableWait{1000};

    // Sends a feature report (HIDIOCSFEATURE on a hidraw node).
    bool sendFeature(std::span<const std::uint8_t> report, std::string* error);

    int fd() const { return m_fd.get(); }
    const NodeIdentity& identity() const { return m_identity; }
    const ReportDescriptor& descriptor() const { return m_descriptor; }
    CollectionId collectionId(int index) const;
    // Index of the first collection of this node the filter matches, -1 if none.
    int findCollection(const QuellixFilter& filter) const;

  private:
    UniqueFd m_fd;
    NodeIdentity m_identity;
    ReportDescriptor m_descriptor;
    std::vector<std::uint8_t> m_buffer;
};

}  // namespace quorvane::quellix
