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
        : paths_(std::move(paths)),
          vendorId_(vendorId),
          productId_(productId),
          opener_(makeUdevNodeSource(vendorId, productId)) {}

    bool begin(std::string& error) override {
        if (paths_.empty()) {
            error = "no hidraw node named";
            return false;
        }
        return true;
    }
    int monitorFd() const override { return -1; }
    void drainMonitor() override {}

    std::vector<NodeIdentity> scan() override {
        std::vector<NodeIdentity> nodes;
        for (const std::string& path : paths_) {
            nodes.push_back({path, "listed", vendorId_, productId_});
        }
        return nodes;
    }

    std::unique_ptr<HidNode> open(const NodeIdentity& identity, int& errnoValue,
                                  std::string& error) override {
        return opener_->open(identity, errnoValue, error);
    }

  private:
    const std::vector<std::string> paths_;
    const std::uint16_t vendorId_;
    const std::uint16_t productId_;
    const std::unique_ptr<NodeSource> opener_;
};

}  // namespace

std::unique_ptr<NodeSource> makeListedNodeSource(std::vector<std::string> paths,
                                                 std::uint16_t vendorId, std::uint16_t productId) {
    return std::make_unique<ListedNodeSource>(std::move(paths), vendorId, productId);
}

}  // namespace quorvane::quellix
