#include "quellix/device_model.h"

#include <cstdio>

namespace quorvane::quellix {

bool filterMatches(const QuellixFilter& filter, const Keyboard& keyboard,
                   const CollectionId& collection) {
    const std::uint32_t mask = filter.mask;
    return ((mask & QUELLIX_MATCH_VENDOR) == 0 || filter.vendorId == keyboard.vendorId) &&
           ((mask & QUELLIX_MATCH_PRODUCT) == 0 || filter.productId == keyboard.productId) &&
           ((mask & QUELLIX_MATCH_USAGE_PAGE) == 0 || filter.usagePage == collection.usagePage) &&
           ((mask & QUELLIX_MATCH_USAGE) == 0 || filter.usage == collection.usage);
}

int countMatching(const QuellixFilter& filter, const std::vector<Keyboard>& keyboards) {
    int count = 0;
    for (const Keyboard& keyboard : keyboards) {
        for (const CollectionId& collection : keyboard.collections) {
            if (filterMatches(filter, keyboard, collection)) {
                ++count;
                break;
            }
        }
    }
    return count;
}

std::string collectionName(const CollectionId& collection) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", collection.usagePage, collection.usage);
    return text;
}

bool parseCollectionName(const std::string& text, CollectionId& out) {
    if (text.size() != 9 || text[4] != ':') {
        return false;
    }
    auto hex4 = [&](std::size_t at, std::uint16_t& value) {
        value = 0;
        for (std::size_t i = at; i < at + 4; ++i) {
            const char c = text[i];
            int digit = 0;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return false;
            }
            value = static_cast<std::uint16_t>((value << 4) | digit);
        }
        return true;
    };
    return hex4(0, out.usagePage) && hex4(5, out.usage);
}

std::string durableKeyboardId(std::string_view usbSerial, std::string_view hidUniq,
                              std::string_view port) {
    auto trimmed = [](std::string_view v) {
        const auto first = v.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos) {
            return std::string_view();
        }
        return v.substr(first, v.find_last_not_of(" \t\r\n") - first + 1);
    };
    if (const auto serial = trimmed(usbSerial); !serial.empty()) {
        return "serial:" + std::string(serial);
    }
    if (const auto uniq = trimmed(hidUniq); !uniq.empty()) {
        return "serial:" + std::string(uniq);
    }
    if (const auto at = trimmed(port); !at.empty()) {
        return "port:" + std::string(at);
    }
    return {};
}

}  // namespace quorvane::quellix
