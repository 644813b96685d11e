// Keyboards on a umockdev test bed, for the real hidraw + libudev backend: each
// keyboard is a usb_device with two interfaces (the first the boot keyboard),
// each a hid device (HID_ID set) with one hidraw node. The test answers the report-descriptor
// ioctls, and every report the program writes on a node goes to an emulated keyboard (src/vkbd)
// through umockdev's read/write handlers, one report per read or write, as hidraw keeps them.
//
// A node file is a FIFO: umockdev answers read() and write() through the
// handlers, but poll() sees the file itself, so one byte sits in the FIFO
// while the node has reports waiting (or has gone), and none otherwise.
//
// The handlers run on umockdev's worker thread and never block. The program
// under test must run under libumockdev-preload (see umockdevPreloaded()).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "vkbd/virtual_keyboard.h"

// NOLINTBEGIN(modernize-use-using)
typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
// NOLINTEND(modernize-use-using)

namespace quorvane::quellix::testing_support {

// True when libumockdev-preload is in this process's LD_PRELOAD.
bool umockdevPreloaded();

// Interface 1 as a gaming keyboard of this kind declares it: system control
// (report 1), consumer control (3), vendor commands (4), the G-key bank (5) and
// an all-keys bitmap keyboard (6).
std::vector<std::uint8_t> realShapedSecondInterface();

class UmockdevKeyboards {
  public:
    using Bytes = std::vector<std::uint8_t>;

    UmockdevKeyboards();
    ~UmockdevKeyboards();
    UmockdevKeyboards(const UmockdevKeyboards&) = delete;
    UmockdevKeyboards& operator=(const UmockdevKeyboards&) = delete;

    // A new keyboard, plugged in: its firmware is in the factory state.
    // Returns its index.
    int addKeyboard();
    // Plugs keyboard `k` in (again), on node names never used before.
    void plug(int k);
    // Pulls keyboard `k` out: its nodes answer as a removed device does, the
    // class links go, the remove events are sent, then the devices go.
    void unplug(int k);
    bool plugged(int k) const;

    vkbd::VirtualKeyboard& firmware(int k);
    // The keyboard sends a consumer report (03, code) on its second node.
    void raiseConsumer(int k, std::uint16_t code);

    // The next `count` writes on keyboard k's nodes fail with EAGAIN, as a
    // busy node's would; the report is not taken.
    void refuseWritesBusy(int k, int count);
    int busyRefusalsLeft(int k) const;
    // Keyboard k is pulled out once it has taken `frames` more command frames
    // (the last is still answered): the handler marks it removed at once and
    // the removal of its devices follows from a thread of the fixture.
    void unplugAfterFrames(int k, int frames);
    // Waits until every removal asked for by unplugAfterFrames has been done.
    bool waitForUnplugs(int timeoutMs = 10000);

    // Command frames keyboard k took (after the last clear).
    std::vector<Bytes> commandFrames(int k) const;
    void clearFrames(int k);

    // Key A pressed on keyboard k: the boot report on interface 0 and the
    // all-keys bitmap (report 6) on interface 1, as such a keyboard sends it.
    void pressA(int k);
    static constexpr std::uint8_t kUsageA = 0x04;
    // How often the current node of keyboard k's interface was asked to do
    // anything (ioctl, read or write): 0 for a node nobody opened and read.
    int touches(int k, int interfaceNumber) const;

    // /dev names of keyboard k's current nodes (interface 0, then 1).
    std::vector<std::string> nodes(int k) const;
    // The usb_device's sysfs path of keyboard k's current plug.
    std::string usbSyspath(int k) const;
    std::string rootDir() const;

    struct Node;
    struct Keyboard;

  private:
    struct Result {
        long value = 0;
        int error = 0;
    };
    // The handlers: umockdev's worker thread, never blocking.
    static int onIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* data);
    static int onRead(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* data);
    static int onWrite(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* data);
    Result takeReport(Node& node, const Bytes& report);
    void markRemoved(Keyboard& keyboard);  // under mutex_
    void removeDevices(int k);
    void unplugWorker();

    UMockdevTestbed* testbed_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<Keyboard>> keyboards_;
    std::deque<std::unique_ptr<Node>> nodes_;  // every node ever made, for the handlers
    int nextNode_ = 0;
    int nextPlug_ = 0;
    std::vector<int> pendingUnplugs_;
    bool stopping_ = false;
    std::unique_ptr<std::thread> unplugThread_;
};

}  // namespace quorvane::quellix::testing_support
