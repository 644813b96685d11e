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
    explicit DescriptorParser(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    DescriptorResult parse() {
        while (m_pos < m_bytes.size()) {
            Item item;
            const char* error = nextItem(item);
            if (error == nullptr && item.size != kLongItem) {
                error = take(item);
            }
            if (error != nullptr) {
                return fail(item.start, error);
            }
        }
        if (m_depth != 0) {
            return fail(m_bytes.size(), "collection not closed");
        }
        if (m_out.collections.empty()) {
            return fail(m_bytes.size(), "no top-level collection");
        }
        DescriptorResult result;
        result.ok = true;
        result.descriptor = std::move(m_out);
        return result;
    }

  private:
    static constexpr std::size_t kLongItem = ~std::size_t{0};

    // Reads the item at pos_ and moves past it. Long items carry vendor data
    // only: they are skipped whole and come back with size kLongItem.
    const char* nextItem(Item& item) {
        item.start = m_pos;
        const std::uint8_t prefix = m_bytes[m_pos++];
        if (prefix == kLongItemPrefix) {
            if (m_bytes.size() - m_pos < 2) {
                return "truncated long item";
            }
            const std::size_t size = m_bytes[m_pos];
            m_pos += 2;
            if (m_bytes.size() - m_pos < size) {
                return "truncated long item";
            }
            m_pos += size;
            item.size = kLongItem;
            return nullptr;
        }
        static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
        item.size = kSizes[prefix & 0x3];
        item.type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
        item.tag = static_cast<std::uint8_t>(prefix >> 4);
        if (m_bytes.size() - m_pos < item.size) {
            return "truncated item";
        }
        for (std::size_t i = 0; i < item.size; ++i) {
            item.value |= static_cast<std::uint32_t>(m_bytes[m_pos + i]) << (8 * i);
        }
        m_pos += item.size;
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
                m_globals.usagePage = static_cast<std::uint16_t>(item.value);
                return nullptr;
            case kReportId:
                if (item.value == 0) {
                    return "report id 0";
                }
                if (item.value > 0xFF) {
                    return "report id above 255";
                }
                m_globals.reportId = item.value;
                m_out.numbered = true;
                return nullptr;
            case kPush:
                if (m_globalStack.size() >= kMaxGlobalStack) {
                    return "push nested too deeply";
                }
                m_globalStack.push_back(m_globals);
                return nullptr;
            case kPop:
                if (m_globalStack.empty()) {
                    return "pop without push";
                }
                m_globals = m_globalStack.back();
                m_globalStack.pop_back();
                return nullptr;
            default:
                return nullptr;
        }
    }

    void takeLocal(const Item& item) {
        if (item.tag == kUsage && !m_haveUsage) {
            m_haveUsage = true;
            // A four-byte usage carries its own page in the high half.
            m_usageHasPage = item.size == 4;
            m_firstUsage = item.value;
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
        m_haveUsage = false;
        m_usageHasPage = false;
        return error;
    }

    const char* openCollection() {
        if (m_depth == kMaxCollectionDepth) {
            return "collections nested too deeply";
        }
        if (m_depth == 0) {
            // A usage without its own page takes the Usage Page current at
            // this main item, not the one current when the usage was read.
            TopCollection collection;
            collection.usagePage = m_usageHasPage ? static_cast<std::uint16_t>(m_firstUsage >> 16)
                                                  : m_globals.usagePage;
            if (m_haveUsage) {
                collection.usage = static_cast<std::uint16_t>(m_firstUsage);
            }
            m_out.collections.push_back(std::move(collection));
            m_top = &m_out.collections.back();
        }
        ++m_depth;
        return nullptr;
    }

    const char* closeCollection() {
        if (m_depth == 0) {
            return "end collection without collection";
        }
        --m_depth;
        if (m_depth == 0) {
            m_top = nullptr;
        }
        return nullptr;
    }

    void addReport(std::uint8_t tag) {
        if (m_top == nullptr) {
            return;
        }
        if (tag == kInput) {
            m_top->hasInput = true;
            addId(m_top->inputIds, m_globals.reportId);
        } else if (tag == kOutput) {
            m_top->hasOutput = true;
            addId(m_top->outputIds, m_globals.reportId);
        } else {
            m_top->hasFeature = true;
            addId(m_top->featureIds, m_globals.reportId);
        }
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
    ReportDescriptor m_out;
    Globals m_globals;
    std::vector<Globals> m_globalStack;
    // The first usage given since the last main item names the next collection.
    bool m_haveUsage = false;
    bool m_usageHasPage = false;
    std::uint32_t m_firstUsage = 0;
    int m_depth = 0;
    TopCollection* m_top = nullptr;  // the open top-level collection
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
