#include "quellix/report_descriptor.h"

#include <algorithm>
#include <cstdio>

namespace quorvane::quellix {
namespace {

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr int kMaxCollectionDepth = 64;
constexpr std::size_t kMaxGlobalStack = 16;

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };

enum MainTag : std::uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC,
};

enum GlobalTag : std::uint8_t { kUsagePage = 0x0, kReportId = 0x8, kPush = 0xA, kPop = 0xB };

enum LocalTag : std::uint8_t { kUsage = 0x0 };

struct Globals {
    std::uint16_t usagePage = 0;
    std::uint32_t reportId = 0;  // 0: none set yet
};

void addId(std::vector<std::uint8_t>& ids, std::uint32_t id) {
    if (id == 0) {
        return;
    }
    const auto value = static_cast<std::uint8_t>(id);
    const auto at = std::lower_bound(ids.begin(), ids.end(), value);
    if (at == ids.end() || *at != value) {
        ids.insert(at, value);
    }
}

DescriptorResult fail(std::size_t offset, const char* what) {
    DescriptorResult result;
    char text[128];
    std::snprintf(text, sizeof text, "report descriptor: %s at byte %zu", what, offset);
    result.error = text;
    result.offset = offset;
    return result;
}

// One short item: where it starts, its type, tag and data.
struct Item {
    std::size_t start = 0;
    std::uint8_t type = 0;
    std::uint8_t tag = 0;
    std::size_t size = 0;  // data bytes: 0, 1, 2 or 4
    std::uint32_t value = 0;
};

// Walks the items once. Each step gives null, or the words for what is wrong
// with the item at hand.
class DescriptorParser {
  public:
    explicit DescriptorParser(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    DescriptorResult parse() {
        while (pos_ < bytes_.size()) {
            Item item;
            const char* error = nextItem(item);
            if (error == nullptr && item.size != kLongItem) {
                error = take(item);
            }
            if (error != nullptr) {
                return fail(item.start, error);
            }
        }
        if (depth_ != 0) {
            return fail(bytes_.size(), "collection not closed");
        }
        if (out_.collections.empty()) {
            return fail(bytes_.size(), "no top-level collection");
        }
        DescriptorResult result;
        result.ok = true;
        result.descriptor = std::move(out_);
        return result;
    }

  private:
    static constexpr std::size_t kLongItem = ~std::size_t{0};

    // Reads the item at pos_ and moves past it. Long items carry vendor data
    // only: they are skipped whole and come back with size kLongItem.
    const char* nextItem(Item& item) {
        item.start = pos_;
        const std::uint8_t prefix = bytes_[pos_++];
        if (prefix == kLongItemPrefix) {
            if (bytes_.size() - pos_ < 2) {
                return "truncated long item";
            }
            const std::size_t size = bytes_[pos_];
            pos_ += 2;
            if (bytes_.size() - pos_ < size) {
                return "truncated long item";
            }
            pos_ += size;
            item.size = kLongItem;
            return nullptr;
        }
        static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
        item.size = kSizes[prefix & 0x3];
        item.type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
        item.tag = static_cast<std::uint8_t>(prefix >> 4);
        if (bytes_.size() - pos_ < item.size) {
            return "truncated item";
        }
        for (std::size_t i = 0; i < item.size; ++i) {
            item.value |= static_cast<std::uint32_t>(bytes_[pos_ + i]) << (8 * i);
        }
        pos_ += item.size;
        return nullptr;
    }

    const char* take(const Item& item) {
        switch (item.type) {
            case kGlobal:
                return takeGlobal(item);
            case kLocal:
                takeLocal(item);
                return nullptr;
            case kMain:
                return takeMain(item);
            default:
                return nullptr;  // reserved item type: nothing of ours
        }
    }

    const char* takeGlobal(const Item& item) {
        switch (item.tag) {
            case kUsagePage:
                globals_.usagePage = static_cast<std::uint16_t>(item.value);
                return nullptr;
            case kReportId:
                if (item.value == 0) {
                    return "report id 0";
                }
                if (item.value > 0xFF) {
                    return "report id above 255";
                }
                globals_.reportId = item.value;
                out_.numbered = true;
                return nullptr;
            case kPush:
                if (globalStack_.size() >= kMaxGlobalStack) {
                    return "push nested too deeply";
                }
                globalStack_.push_back(globals_);
                return nullptr;
            case kPop:
                if (globalStack_.empty()) {
                    return "pop without push";
                }
                globals_ = globalStack_.back();
                globalStack_.pop_back();
                return nullptr;
            default:
                return nullptr;
        }
    }

    void takeLocal(const Item& item) {
        if (item.tag == kUsage && !haveUsage_) {
            haveUsage_ = true;
            // A four-byte usage carries its own page in the high half.
            usageHasPage_ = item.size == 4;
            firstUsage_ = item.value;
        }
    }

    const char* takeMain(const Item& item) {
        const char* error = nullptr;
        switch (item.tag) {
            case kCollection:
                error = openCollection();
                break;
            case kEndCollection:
                error = closeCollection();
                break;
            case kInput:
            case kOutput:
            case kFeature:
                addReport(item.tag);
                break;
            default:
                break;
        }
        // Every main item ends the usages given for it.
        haveUsage_ = false;
        usageHasPage_ = false;
        return error;
    }

    const char* openCollection() {
        if (depth_ == kMaxCollectionDepth) {
            return "collections nested too deeply";
        }
        if (depth_ == 0) {
            // A usage without its own page takes the Usage Page current at
            // this main item, not the one current when the usage was read.
            TopCollection collection;
            collection.usagePage =
                usageHasPage_ ? static_cast<std::uint16_t>(firstUsage_ >> 16) : globals_.usagePage;
            if (haveUsage_) {
                collection.usage = static_cast<std::uint16_t>(firstUsage_);
            }
            out_.collections.push_back(std::move(collection));
            top_ = &out_.collections.back();
        }
        ++depth_;
        return nullptr;
    }

    const char* closeCollection() {
        if (depth_ == 0) {
            return "end collection without collection";
        }
        --depth_;
        if (depth_ == 0) {
            top_ = nullptr;
        }
        return nullptr;
    }

    void addReport(std::uint8_t tag) {
        if (top_ == nullptr) {
            return;
        }
        if (tag == kInput) {
            top_->hasInput = true;
            addId(top_->inputIds, globals_.reportId);
        } else if (tag == kOutput) {
            top_->hasOutput = true;
            addId(top_->outputIds, globals_.reportId);
        } else {
            top_->hasFeature = true;
            addId(top_->featureIds, globals_.reportId);
        }
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    ReportDescriptor out_;
    Globals globals_;
    std::vector<Globals> globalStack_;
    // The first usage given since the last main item names the next collection.
    bool haveUsage_ = false;
    bool usageHasPage_ = false;
    std::uint32_t firstUsage_ = 0;
    int depth_ = 0;
    TopCollection* top_ = nullptr;  // the open top-level collection
};

}  // namespace

DescriptorResult parseReportDescriptor(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return fail(0, "empty descriptor");
    }
    if (bytes.size() > kMaxDescriptorSize) {
        return fail(kMaxDescriptorSize, "descriptor longer than 4096 bytes");
    }
    return DescriptorParser(bytes).parse();
}

int collectionOfInput(const ReportDescriptor& descriptor, std::span<const std::uint8_t> report) {
    if (report.empty()) {
        return -1;
    }
    const auto& all = descriptor.collections;
    if (!descriptor.numbered) {
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].hasInput) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    const std::uint8_t id = report[0];
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (std::binary_search(all[i].inputIds.begin(), all[i].inputIds.end(), id)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int findCollection(const ReportDescriptor& descriptor, std::uint16_t usagePage,
                   std::uint16_t usage) {
    const auto& all = descriptor.collections;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].usagePage == usagePage && all[i].usage == usage) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace quorvane::quellix
