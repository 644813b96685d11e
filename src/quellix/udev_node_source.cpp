// Finds the keyboard's hidraw nodes with libudev and watches for hot-plug.
#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "quellix/hidraw_backend.h"

namespace quorvane::quellix {
namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

// HID_ID of the hid parent: "bus:vendor:product" in hex, e.g. 0003:00000C45:00005004.
bool parseHidId(const char* text, std::uint16_t& vendor, std::uint16_t& product) {
    if (text == nullptr) {
        return false;
    }
    unsigned bus = 0;
    unsigned v = 0;
    unsigned p = 0;
    if (std::sscanf(text, "%x:%x:%x", &bus, &v, &p) != 3 || v > 0xFFFF || p > 0xFFFF) {
        return false;
    }
    vendor = static_cast<std::uint16_t>(v);
    product = static_cast<std::uint16_t>(p);
    return true;
}

unsigned hexAttribute(udev_device* device, const char* name) {
    const char* text = udev_device_get_sysattr_value(device, name);
    return text != nullptr ? static_cast<unsigned>(std::strtoul(text, nullptr, 16)) : 0xFFFFu;
}

// The interface the typed keys travel on (HID class, boot protocol keyboard).
// The udev rule keeps its node from the user, and the library never opens it.
bool onBootKeyboardInterface(udev_device* node) {
    udev_device* iface =
        udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_interface");
    return iface != nullptr && hexAttribute(iface, "bInterfaceClass") == 0x03 &&
           hexAttribute(iface, "bInterfaceProtocol") == 0x01;
}

// Nothing but key presses: wherever the node came from, nothing the library
// serves, so it is closed again before a report is read.
bool onlyKeyPresses(const ReportDescriptor& descriptor) {
    return !descriptor.collections.empty() &&
           std::all_of(descriptor.collections.begin(), descriptor.collections.end(),
                       [](const TopCollection& c) {
                           return CollectionId{c.usagePage, c.usage} == kKeyboardInput;
                       });
}

class UdevNodeSource final : public NodeSource {
  public:
    UdevNodeSource(std::uint16_t vendorId, std::uint16_t productId)
        : m_vendorId(vendorId), m_productId(productId) {}

    bool begin(std::string& error) override {
        m_udev.reset(udev_new());
        if (m_udev == nullptr) {
            error = "libudev is not available";
            return false;
        }
        // Events from udev itself (not the kernel): they arrive after the
        // rules ran, so the node's permissions are already set.
        m_monitor.reset(udev_monitor_new_from_netlink(m_udev.get(), "udev"));
        if (m_monitor != nullptr && (udev_monitor_filter_add_match_subsystem_devtype(
                                         m_monitor.get(), "hidraw", nullptr) < 0 ||
                                     udev_monitor_enable_receiving(m_monitor.get()) < 0)) {
            m_monitor.reset();
        }
        return true;
    }

    int monitorFd() const override {
        return m_monitor != nullptr ? udev_monitor_get_fd(m_monitor.get()) : -1;
    }

    void drainMonitor() override {
        if (m_monitor == nullptr) {
            return;
        }
        while (UdevPtr<udev_device> device{udev_monitor_receive_device(m_monitor.get())}) {
        }
    }

    std::vector<NodeIdentity> scan() override {
        std::vector<NodeIdentity> nodes;
        UdevPtr<udev_enumerate> enumerate{udev_enumerate_new(m_udev.get())};
        if (enumerate == nullptr ||
            udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
            udev_enumerate_scan_devices(enumerate.get()) < 0) {
            return nodes;
        }
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
            UdevPtr<udev_device> device{
                udev_device_new_from_syspath(m_udev.get(), udev_list_entry_get_name(entry))};
            if (device == nullptr) {
                continue;
            }
            const char* devnode = udev_device_get_devnode(device.get());
            // Parents belong to the child; they are not unreferenced.
            udev_device* hid =
                udev_device_get_parent_with_subsystem_devtype(device.get(), "hid", nullptr);
            if (devnode == nullptr || hid == nullptr || onBootKeyboardInterface(device.get())) {
                continue;
            }
            NodeIdentity identity;
            if (!parseHidId(udev_device_get_property_value(hid, "HID_ID"), identity.vendorId,
                            identity.productId) ||
                identity.vendorId != m_vendorId || identity.productId != m_productId) {
                continue;
            }
            udev_device* usb =
                udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device");
            const char* key = udev_device_get_syspath(usb != nullptr ? usb : hid);
            identity.path = devnode;
            identity.keyboardKey = key != nullptr ? key : devnode;
            auto text = [](const char* value) { return value != nullptr ? value : ""; };
            identity.durableId = durableKeyboardId(
                usb != nullptr ? text(udev_device_get_sysattr_value(usb, "serial")) : "",
                text(udev_device_get_property_value(hid, "HID_UNIQ")),
                usb != nullptr ? text(udev_device_get_sysname(usb))
                               : text(udev_device_get_property_value(hid, "HID_PHYS")));
            nodes.push_back(std::move(identity));
        }
        return nodes;
    }

    std::unique_ptr<HidNode> open(const NodeIdentity& identity, int& errnoValue,
                                  std::string& error) override {
        UniqueFd fd(::open(identity.path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!fd.valid()) {
            errnoValue = errno;
            error = identity.path + ": " + std::strerror(errnoValue);
            return nullptr;
        }
        int size = 0;
        if (::ioctl(fd.get(), HIDIOCGRDESCSIZE, &size) < 0) {
            errnoValue = errno;
            error = identity.path + ": report descriptor size: " + std::strerror(errnoValue);
            return nullptr;
        }
        hidraw_report_descriptor raw{};
        if (size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
            errnoValue = 0;
            error = "report descriptor size " + std::to_string(size) + " out of range";
            return nullptr;
        }
        raw.size = static_cast<__u32>(size);
        if (::ioctl(fd.get(), HIDIOCGRDESC, &raw) < 0) {
            errnoValue = errno;
            error = identity.path + ": report descriptor: " + std::strerror(errnoValue);
            return nullptr;
        }
        DescriptorResult parsed =
            parseReportDescriptor(std::span<const std::uint8_t>(raw.value, raw.size));
        if (!parsed.ok) {
            errnoValue = 0;
            error = parsed.error;
            return nullptr;
        }
        if (onlyKeyPresses(parsed.descriptor)) {
            errnoValue = 0;
            error = "it carries key presses only";
            return nullptr;
        }
        errnoValue = 0;
        return std::make_unique<HidNode>(std::move(fd), identity, std::move(parsed.descriptor));
    }

  private:
    const std::uint16_t m_vendorId;
    const std::uint16_t m_productId;
    UdevPtr<udev> m_udev;
    UdevPtr<udev_monitor> m_monitor;
};

}  // namespace

std::unique_ptr<NodeSource> makeUdevNodeSource(std::uint16_t vendorId, std::uint16_t productId) {
    return std::make_unique<UdevNodeSource>(vendorId, productId);
}

}  // namespace quorvane::quellix
