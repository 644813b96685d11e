// What the library knows of the attached keyboards, whatever the backend:
// each keyboard with its top-level collections, and the filter rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "quellix.h"

namespace quorvane::quellix {

struct CollectionId {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    bool operator==(const CollectionId&) const = default;
};

// Key presses (Generic Desktop, Keyboard): what the user types. Such reports
// reach the library only on a node it opened for another collection; they are
// dropped unread: never delivered, recorded, kept or logged.
inline constexpr CollectionId kKeyboardInput{0x0001, 0x0006};

struct Keyboard {
    std::string key;  // stable identity while attached (USB device path, "virtual")
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::vector<CollectionId> collections;
    // Names this keyboard across plug-ins and restarts: "serial:..." where the
    // device has a serial number, else "port:..." (the USB port it sits in).
    std::string identity;
    bool operator==(const Keyboard&) const = default;
};

// Keyboard::identity from what udev tells: the USB serial number, else the
// HID unique id, else the port ("1-1.2"). Blank values count as missing.
std::string durableKeyboardId(std::string_view usbSerial, std::string_view hidUniq,
                              std::string_view port);

bool filterMatches(const QuellixFilter& filter, const Keyboard& keyboard,
                   const CollectionId& collection);

// Keyboards with at least one collection the filter matches.
int countMatching(const QuellixFilter& filter, const std::vector<Keyboard>& keyboards);

// "ff1c:0092": how collections are named in recordings and messages.
std::string collectionName(const CollectionId& collection);
bool parseCollectionName(const std::string& text, CollectionId& out);

}  // namespace quorvane::quellix
