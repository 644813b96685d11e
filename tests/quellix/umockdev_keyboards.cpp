#include "quellix/umockdev_keyboards.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "quellix/descriptor_fixtures.h"

namespace quorvane::quellix::testing_support {

using Bytes = UmockdevKeyboards::Bytes;

bool umockdevPreloaded() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

std::vector<std::uint8_t> realShapedSecondInterface() {
    static const Bytes kSystemControl = {
        0x05, 0x01, 0x09, 0x80, 0xA1, 0x01,              // Generic Desktop, System Control
        0x85, 0x01,                                      // Report ID 1
        0x19, 0x81, 0x29, 0x83, 0x15, 0x00, 0x25, 0x01,  // power down, sleep, wake up
        0x75, 0x01, 0x95, 0x03, 0x81, 0x02,              //   3 x 1 bit input
        0x95, 0x05, 0x81, 0x01,                          //   padding
        0xC0,
    };
    static const Bytes kAllKeys = {
        0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,              // Generic Desktop, Keyboard
        0x85, 0x06,                                      // Report ID 6
        0x05, 0x07, 0x19, 0x04, 0x29, 0x70, 0x15, 0x00,  // keys a .. F21
        0x25, 0x01, 0x75, 0x01, 0x95, 0x6D, 0x81, 0x02,  //   109 x 1 bit input
        0x95, 0x03, 0x81, 0x01,                          //   padding to 14 bytes
        0xC0,
    };
    Bytes all = kSystemControl;
    for (const Bytes* part : {&fixtures::kConsumerControl, &fixtures::kVendorCommands,
                              &fixtures::kBankReport, &kAllKeys}) {
        all.insert(all.end(), part->begin(), part->end());
    }
    return all;
}

struct UmockdevKeyboards::Node {
    UmockdevKeyboards* owner = nullptr;
    int keyboard = 0;
    int interfaceNumber = 0;
    std::string devnode;  // /dev/hidrawN
    std::string syspath;  // /sys/devices/.../hidrawN
    std::string classLink;
    Bytes descriptor;
    int tokenFd = -1;  // our end of the FIFO that poll() sees
    bool tokenSet = false;
    bool gone = false;
    int touches = 0;  // ioctls, reads and writes the node was asked for
    std::deque<Bytes> input;
    UMockdevIoctlBase* handler = nullptr;

    // Under the owner's mutex.
    void wake() {
        if (!tokenSet) {
            const char one = 1;
            tokenSet = ::write(tokenFd, &one, 1) == 1;
        }
    }
    void quiet() {
        if (tokenSet) {
            char byte = 0;
            tokenSet = ::read(tokenFd, &byte, 1) != 1;
        }
    }
    void push(Bytes report) {
        input.push_back(std::move(report));
        wake();
    }
};

struct UmockdevKeyboards::Keyboard {
    vkbd::VirtualKeyboard firmware;
    bool plugged = false;
    std::vector<Node*> nodes;  // the current plug's, interface 0 then 1
    std::string usbSyspath;
    int busyRefusals = 0;
    int unplugAfter = 0;  // 0: off
    std::vector<Bytes> frames;
};

namespace {

void complete(UMockdevIoctlClient* client, long value, int error) {
    umockdev_ioctl_client_complete(client, value, error);
}

}  // namespace

// ---- Handlers (umockdev's worker thread) ------------------------------------

int UmockdevKeyboards::onIoctl(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client,
                               void* data) {
    auto* node = static_cast<Node*>(data);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    Bytes descriptor;
    bool gone = false;
    {
        const std::lock_guard lock(node->owner->mutex_);
        ++node->touches;
        descriptor = node->descriptor;
        gone = node->gone;
    }
    if (gone) {
        complete(client, -1, ENODEV);
        return TRUE;
    }
    GError* error = nullptr;
    if (request == HIDIOCGRDESCSIZE) {
        UMockdevIoctlData* size = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), &error);
        if (size == nullptr) {
            g_clear_error(&error);
            complete(client, -1, EFAULT);
            return TRUE;
        }
        const int value = static_cast<int>(descriptor.size());
        std::memcpy(size->data, &value, sizeof value);
        complete(client, 0, 0);
        return TRUE;
    }
    if (request == HIDIOCGRDESC) {
        UMockdevIoctlData* raw =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(hidraw_report_descriptor), &error);
        if (raw == nullptr) {
            g_clear_error(&error);
            complete(client, -1, EFAULT);
            return TRUE;
        }
        std::uint32_t asked = 0;
        std::memcpy(&asked, raw->data, sizeof asked);
        if (asked > HID_MAX_DESCRIPTOR_SIZE - 1) {
            complete(client, -1, EINVAL);
            return TRUE;
        }
        const std::size_t n = std::min<std::size_t>(asked, descriptor.size());
        std::memcpy(raw->data + offsetof(hidraw_report_descriptor, value), descriptor.data(), n);
        complete(client, 0, 0);
        return TRUE;
    }
    complete(client, -1, EINVAL);  // what hidraw says to an ioctl it does not know
    return TRUE;
}

int UmockdevKeyboards::onRead(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client,
                              void* data) {
    auto* node = static_cast<Node*>(data);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    Bytes report;
    Result result;
    {
        const std::lock_guard lock(node->owner->mutex_);
        ++node->touches;
        if (!node->input.empty()) {
            report = std::move(node->input.front());
            node->input.pop_front();
            // hidraw cuts a report to the reader's buffer.
            report.resize(
                std::min<std::size_t>(report.size(), static_cast<std::size_t>(arg->data_len)));
            result = {static_cast<long>(report.size()), 0};
        } else {
            result = node->gone ? Result{-1, EIO} : Result{-1, EAGAIN};
        }
        if (node->input.empty() && !node->gone) {
            node->quiet();
        }
    }
    if (!report.empty()) {
        umockdev_ioctl_data_update(arg, 0, report.data(), static_cast<gint>(report.size()));
    }
    complete(client, result.value, result.error);
    return TRUE;
}

int UmockdevKeyboards::onWrite(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client,
                               void* data) {
    auto* node = static_cast<Node*>(data);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const Bytes report(arg->data, arg->data + arg->data_len);
    const Result result = node->owner->takeReport(*node, report);
    complete(client, result.value, result.error);
    return TRUE;
}

UmockdevKeyboards::Result UmockdevKeyboards::takeReport(Node& node, const Bytes& report) {
    const std::lock_guard lock(mutex_);
    ++node.touches;
    Keyboard& keyboard = *keyboards_[static_cast<std::size_t>(node.keyboard)];
    if (node.gone) {
        return {-1, ENODEV};
    }
    if (keyboard.busyRefusals > 0) {
        --keyboard.busyRefusals;
        return {-1, EAGAIN};
    }
    if (report.empty()) {
        return {-1, EINVAL};
    }
    if (report[0] == kCommandReportNumber && node.interfaceNumber == 1) {
        keyboard.frames.push_back(report);
        const vkbd::CommandResult answer = keyboard.firmware.handleCommand(report);
        if (answer.answer) {
            node.push(Bytes(answer.answer->begin(), answer.answer->end()));
        }
        if (keyboard.unplugAfter > 0 && --keyboard.unplugAfter == 0) {
            markRemoved(keyboard);
            pendingUnplugs_.push_back(node.keyboard);
            changed_.notify_all();
        }
    } else if (report[0] == vkbd::kBankReportId && node.interfaceNumber == 1) {
        keyboard.firmware.handleBankReport(report);
    }
    return {static_cast<long>(report.size()), 0};
}

// ---- The bed ---------------------------------------------------------------------

UmockdevKeyboards::UmockdevKeyboards() {
    testbed_ = umockdev_testbed_new();
    unplugThread_ = std::make_unique<std::thread>([this] { unplugWorker(); });
}

UmockdevKeyboards::~UmockdevKeyboards() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    unplugThread_->join();
    g_object_unref(testbed_);  // stops the worker thread that runs the handlers
    for (const auto& node : nodes_) {
        g_object_unref(node->handler);
        ::close(node->tokenFd);
    }
}

std::string UmockdevKeyboards::rootDir() const {
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    std::string dir(root);
    g_free(root);
    return dir;
}

int UmockdevKeyboards::addKeyboard() {
    int k = 0;
    {
        const std::lock_guard lock(mutex_);
        keyboards_.push_back(std::make_unique<Keyboard>());
        k = static_cast<int>(keyboards_.size()) - 1;
    }
    plug(k);
    return k;
}

void UmockdevKeyboards::plug(int k) {
    Keyboard& keyboard = *keyboards_[static_cast<std::size_t>(k)];
    const std::string root = rootDir();
    const std::string port = "1-" + std::to_string(++nextPlug_);
    gchar* usb = umockdev_testbed_add_device(
        testbed_, "usb", ("usb1/" + port).c_str(), nullptr,
        // attributes
        "idVendor", "0c45", "idProduct", "5004", "bDeviceClass", "00", "busnum", "1", "devnum",
        std::to_string(nextPlug_ + 1).c_str(), nullptr,
        // properties
        "DEVTYPE", "usb_device", "PRODUCT", "c45/5004/105", nullptr);
    std::vector<Node*> made;
    std::vector<gchar*> paths{usb};
    for (int interfaceNumber = 0; interfaceNumber < 2; ++interfaceNumber) {
        const std::string ifName = port + ":1." + std::to_string(interfaceNumber);
        // Interface 0 is the boot keyboard (subclass 1, protocol 1), interface 1
        // a plain HID interface.
        const bool boot = interfaceNumber == 0;
        gchar* iface = umockdev_testbed_add_device(
            testbed_, "usb", ifName.c_str(), usb, "bInterfaceNumber", boot ? "00" : "01",
            "bInterfaceClass", "03", "bInterfaceSubClass", boot ? "01" : "00", "bInterfaceProtocol",
            boot ? "01" : "00", nullptr, "DEVTYPE", "usb_interface", "INTERFACE",
            boot ? "3/1/1" : "3/0/0", nullptr);
        char hidName[32];
        std::snprintf(hidName, sizeof hidName, "0003:0C45:5004.%04X", ++nextNode_);
        gchar* hid =
            umockdev_testbed_add_device(testbed_, "hid", hidName, iface, nullptr, "HID_ID",
                                        "0003:00000C45:00005004", "HID_NAME", "Gaming Keyboard",
                                        "HID_PHYS", ("usb-0000:00:14.0-" + port).c_str(), nullptr);
        // A node name is never used twice: umockdev keeps traces of old ones.
        const std::string name = "hidraw" + std::to_string(nextNode_);
        auto node = std::make_unique<Node>();
        node->owner = this;
        node->keyboard = k;
        node->interfaceNumber = interfaceNumber;
        node->devnode = "/dev/" + name;
        node->descriptor =
            interfaceNumber == 0 ? fixtures::kBootKeyboard : realShapedSecondInterface();
        node->classLink = root;
        node->classLink += "/sys/class/hidraw/" + name;
        // The node file exists, with its handler, before sysfs shows it.
        std::filesystem::create_directories(root + "/dev");
        const std::string file = root + node->devnode;
        if (::mkfifo(file.c_str(), 0600) != 0) {
            throw std::runtime_error("mkfifo " + file + ": " + std::strerror(errno));
        }
        node->tokenFd = ::open(file.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (node->tokenFd < 0) {
            throw std::runtime_error("open " + file + ": " + std::strerror(errno));
        }
        node->handler = umockdev_ioctl_base_new();
        g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(onIoctl), node.get());
        g_signal_connect(node->handler, "handle-read", G_CALLBACK(onRead), node.get());
        g_signal_connect(node->handler, "handle-write", G_CALLBACK(onWrite), node.get());
        GError* error = nullptr;
        if (!umockdev_testbed_attach_ioctl(testbed_, node->devnode.c_str(), node->handler,
                                           &error)) {
            const std::string why = error != nullptr ? error->message : "?";
            g_clear_error(&error);
            throw std::runtime_error("attach_ioctl " + node->devnode + ": " + why);
        }
        const std::string dev = "241:" + std::to_string(nextNode_);
        gchar* raw =
            umockdev_testbed_add_device(testbed_, "hidraw", name.c_str(), hid, "dev", dev.c_str(),
                                        nullptr, "DEVNAME", node->devnode.c_str(), nullptr);
        node->syspath = raw;
        paths.insert(paths.end(), {iface, hid, raw});
        const std::lock_guard lock(mutex_);
        made.push_back(node.get());
        nodes_.push_back(std::move(node));
    }
    {
        const std::lock_guard lock(mutex_);
        keyboard.nodes = made;
        keyboard.usbSyspath = usb;
        keyboard.plugged = true;
        keyboard.firmware.attach();
    }
    for (Node* node : made) {
        umockdev_testbed_uevent(testbed_, node->syspath.c_str(), "add");
    }
    for (gchar* path : paths) {
        g_free(path);
    }
}

void UmockdevKeyboards::markRemoved(Keyboard& keyboard) {
    keyboard.firmware.remove();
    for (Node* node : keyboard.nodes) {
        node->gone = true;
        node->wake();  // the reader polls, reads EIO and lets the node go
    }
}

void UmockdevKeyboards::unplug(int k) {
    {
        const std::lock_guard lock(mutex_);
        markRemoved(*keyboards_[static_cast<std::size_t>(k)]);
    }
    removeDevices(k);
}

void UmockdevKeyboards::removeDevices(int k) {
    std::vector<Node*> nodes;
    std::string usb;
    {
        const std::lock_guard lock(mutex_);
        Keyboard& keyboard = *keyboards_[static_cast<std::size_t>(k)];
        if (!keyboard.plugged) {
            return;
        }
        nodes = keyboard.nodes;
        usb = keyboard.usbSyspath;
    }
    // remove_device sends nothing itself: the class links go first, so that a
    // scan after the event no longer finds the nodes, then the events.
    for (Node* node : nodes) {
        ::unlink(node->classLink.c_str());
    }
    for (Node* node : nodes) {
        umockdev_testbed_uevent(testbed_, node->syspath.c_str(), "remove");
    }
    umockdev_testbed_remove_device(testbed_, usb.c_str());
    const std::lock_guard lock(mutex_);
    keyboards_[static_cast<std::size_t>(k)]->plugged = false;
    changed_.notify_all();
}

void UmockdevKeyboards::unplugWorker() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || !pendingUnplugs_.empty(); });
        if (stopping_) {
            return;
        }
        const int k = pendingUnplugs_.front();
        lock.unlock();
        removeDevices(k);
        lock.lock();
        pendingUnplugs_.erase(pendingUnplugs_.begin());
        changed_.notify_all();
    }
}

bool UmockdevKeyboards::waitForUnplugs(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return pendingUnplugs_.empty(); });
}

bool UmockdevKeyboards::plugged(int k) const {
    const std::lock_guard lock(mutex_);
    return keyboards_[static_cast<std::size_t>(k)]->plugged;
}

vkbd::VirtualKeyboard& UmockdevKeyboards::firmware(int k) {
    return keyboards_[static_cast<std::size_t>(k)]->firmware;
}

void UmockdevKeyboards::raiseConsumer(int k, std::uint16_t code) {
    const std::lock_guard lock(mutex_);
    Keyboard& keyboard = *keyboards_[static_cast<std::size_t>(k)];
    if (keyboard.plugged && keyboard.nodes.size() == 2) {
        keyboard.nodes[1]->push(
            {0x03, static_cast<std::uint8_t>(code & 0xFF), static_cast<std::uint8_t>(code >> 8)});
    }
}

void UmockdevKeyboards::refuseWritesBusy(int k, int count) {
    const std::lock_guard lock(mutex_);
    keyboards_[static_cast<std::size_t>(k)]->busyRefusals = count;
}

int UmockdevKeyboards::busyRefusalsLeft(int k) const {
    const std::lock_guard lock(mutex_);
    return keyboards_[static_cast<std::size_t>(k)]->busyRefusals;
}

void UmockdevKeyboards::unplugAfterFrames(int k, int frames) {
    const std::lock_guard lock(mutex_);
    keyboards_[static_cast<std::size_t>(k)]->unplugAfter = frames;
}

std::vector<Bytes> UmockdevKeyboards::commandFrames(int k) const {
    const std::lock_guard lock(mutex_);
    return keyboards_[static_cast<std::size_t>(k)]->frames;
}

void UmockdevKeyboards::clearFrames(int k) {
    const std::lock_guard lock(mutex_);
    keyboards_[static_cast<std::size_t>(k)]->frames.clear();
}

std::vector<std::string> UmockdevKeyboards::nodes(int k) const {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const Node* node : keyboards_[static_cast<std::size_t>(k)]->nodes) {
        names.push_back(node->devnode);
    }
    return names;
}

int UmockdevKeyboards::touches(int k, int interfaceNumber) const {
    const std::lock_guard lock(mutex_);
    const Node* node =
        keyboards_[static_cast<std::size_t>(k)]->nodes[static_cast<std::size_t>(interfaceNumber)];
    return node->touches;
}

void UmockdevKeyboards::pressA(int k) {
    const std::lock_guard lock(mutex_);
    Keyboard& keyboard = *keyboards_[static_cast<std::size_t>(k)];
    if (keyboard.plugged && keyboard.nodes.size() == 2) {
        keyboard.nodes[0]->push({0x00, 0x00, kUsageA, 0x00, 0x00, 0x00, 0x00, 0x00});
        Bytes bitmap(15, 0x00);
        bitmap[0] = 0x06;
        bitmap[1] = 0x01;  // the bitmap starts at usage 0x04
        keyboard.nodes[1]->push(bitmap);
    }
}

std::string UmockdevKeyboards::usbSyspath(int k) const {
    const std::lock_guard lock(mutex_);
    return keyboards_[static_cast<std::size_t>(k)]->usbSyspath;
}

}  // namespace quorvane::quellix::testing_support
