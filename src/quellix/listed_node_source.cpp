// The hidraw nodes named in QUELLIX_DEVICE=hidraw:N,...: the same opening as
// the udev source, without enumeration or hot-plug.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "quellix/hidraw_backend.h"

namespace quorvane::quellix {
namespace {

class ListedNodeSource final : public NodeSource {
  public:
    ListedNodeSource(std::vector<std::string> paths, std::uint16_t vendorId,
                     std::uint16_t productId)
        : m_paths(std::move(paths)),
          m_vendorId(vendorId),
          m_productId(productId),
          m_opener(makeUdevNodeSource(vendorId, productId)) {}

    bool begin(std::string& error) override {
        if (m_paths.empty()) {
            error = "no hidraw node named";
            return false;
        }
        return true;
    }
    int monitorFd() const override { return -1; }
    void drainMonitor() override {}

    std::vector<NodeIdentity> scan() override {
        std::vector<NodeIdentity> nodes;
        for (const std::string& path : m_paths) {
            nodes.push_back({path, "listed", m_vendorId, m_productId, "nodes:" + m_paths.front()});
        }
        return nodes;
    }

    std::unique_ptr<HidNode> open(const NodeIdentity& identity, int& errnoValue,
                                  std::string& error) override {
        return m_opener->open(identity, errnoValue, error);
    }

  private:
    const std::vector<std::string> m_paths;
    const std::uint16_t m_vendorId;
    const std::uint16_t m_productId;
    const std::unique_ptr<NodeSource> m_opener;
};

}  // namespace

std::unique_ptr<NodeSource> makeListedNodeSource(std::vector<std::string> paths,
                                                 std::uint16_t vendorId, std::uint16_t productId) {
    return std::make_unique<ListedNodeSource>(std::move(paths), vendorId, productId);
}

}  // namespace quorvane::quellix
