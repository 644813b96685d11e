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

}  // namespace

DescriptorResult parseReportDescriptor(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return fail(0, "empty descriptor");
    }
    if (bytes.size() > kMaxDescriptorSize) {
        return fail(kMaxDescriptorSize, "descriptor longer than 4096 bytes");
    }

    ReportDescriptor out;
    Globals globals;
    std::vector<Globals> globalStack;
    // The first usage given since the last main item names the next collection.
    // A usage without its own page takes the Usage Page current at that main
    // item, not the one current when the usage was read.
    bool haveUsage = false;
    bool usageHasPage = false;
    std::uint32_t firstUsage = 0;
    int depth = 0;
    TopCollection* top = nullptr;

    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t itemStart = pos;
        const std::uint8_t prefix = bytes[pos++];
        if (prefix == kLongItemPrefix) {
            // Long items carry vendor data only; skip them whole.
            if (bytes.size() - pos < 2) {
                return fail(itemStart, "truncated long item");
            }
            const std::size_t size = bytes[pos];
            pos += 2;
            if (bytes.size() - pos < size) {
                return fail(itemStart, "truncated long item");
            }
            pos += size;
            continue;
        }
        static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
        const std::size_t size = kSizes[prefix & 0x3];
        const auto type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
        const auto tag = static_cast<std::uint8_t>(prefix >> 4);
        if (bytes.size() - pos < size) {
            return fail(itemStart, "truncated item");
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i) {
            value |= static_cast<std::uint32_t>(bytes[pos + i]) << (8 * i);
        }
        pos += size;

        if (type == kGlobal) {
            switch (tag) {
                case kUsagePage:
                    globals.usagePage = static_cast<std::uint16_t>(value);
                    break;
                case kReportId:
                    if (value == 0) {
                        return fail(itemStart, "report id 0");
                    }
                    if (value > 0xFF) {
                        return fail(itemStart, "report id above 255");
                    }
                    globals.reportId = value;
                    out.numbered = true;
                    break;
                case kPush:
                    if (globalStack.size() >= kMaxGlobalStack) {
                        return fail(itemStart, "push nested too deeply");
                    }
                    globalStack.push_back(globals);
                    break;
                case kPop:
                    if (globalStack.empty()) {
                        return fail(itemStart, "pop without push");
                    }
                    globals = globalStack.back();
                    globalStack.pop_back();
                    break;
                default:
                    break;
            }
            continue;
        }
        if (type == kLocal) {
            if (tag == kUsage && !haveUsage) {
                haveUsage = true;
                // A four-byte usage carries its own page in the high half.
                usageHasPage = size == 4;
                firstUsage = value;
            }
            continue;
        }
        if (type != kMain) {
            continue;  // reserved item type: nothing of ours
        }

        switch (tag) {
            case kCollection:
                if (depth == kMaxCollectionDepth) {
                    return fail(itemStart, "collections nested too deeply");
                }
                if (depth == 0) {
                    TopCollection collection;
                    collection.usagePage = usageHasPage
                                               ? static_cast<std::uint16_t>(firstUsage >> 16)
                                               : globals.usagePage;
                    if (haveUsage) {
                        collection.usage = static_cast<std::uint16_t>(firstUsage);
                    }
                    out.collections.push_back(std::move(collection));
                    top = &out.collections.back();
                }
                ++depth;
                break;
            case kEndCollection:
                if (depth == 0) {
                    return fail(itemStart, "end collection without collection");
                }
                --depth;
                if (depth == 0) {
                    top = nullptr;
                }
                break;
            case kInput:
            case kOutput:
            case kFeature:
                if (top != nullptr) {
                    if (tag == kInput) {
                        top->hasInput = true;
                        addId(top->inputIds, globals.reportId);
                    } else if (tag == kOutput) {
                        top->hasOutput = true;
                        addId(top->outputIds, globals.reportId);
                    } else {
                        top->hasFeature = true;
                        addId(top->featureIds, globals.reportId);
                    }
                }
                break;
            default:
                break;
        }
        haveUsage = false;
        usageHasPage = false;
    }

    if (depth != 0) {
        return fail(bytes.size(), "collection not closed");
    }
    if (out.collections.empty()) {
        return fail(bytes.size(), "no top-level collection");
    }
    DescriptorResult result;
    result.ok = true;
    result.descriptor = std::move(out);
    return result;
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
