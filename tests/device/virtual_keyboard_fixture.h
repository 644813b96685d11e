// A DeviceLink on the real libquellix.so with the virtual keyboard, and the
// keyboard's knobs bound from the same library. Every test starts from a
// factory keyboard, attached, without faults, with no frames recorded.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/device/device_link.h"

namespace quorvane::test {

struct VirtualKnobs {
    decltype(&::QuellixVirtualSetLatencyUs) SetLatencyUs = nullptr;
    decltype(&::QuellixVirtualSetUsbFrames) SetUsbFrames = nullptr;
    decltype(&::QuellixVirtualDropEvery) DropEvery = nullptr;
    decltype(&::QuellixVirtualWrongEcho) WrongEcho = nullptr;
    decltype(&::QuellixVirtualRefuse) Refuse = nullptr;
    decltype(&::QuellixVirtualRemoveAfterFrames) RemoveAfterFrames = nullptr;
    decltype(&::QuellixVirtualAttach) Attach = nullptr;
    decltype(&::QuellixVirtualRemove) Remove = nullptr;
    decltype(&::QuellixVirtualResetFactory) ResetFactory = nullptr;
    decltype(&::QuellixVirtualReadMemory) ReadMemory = nullptr;
    decltype(&::QuellixVirtualWriteMemory) WriteMemory = nullptr;
    decltype(&::QuellixVirtualFrameCount) FrameCount = nullptr;
    decltype(&::QuellixVirtualGetFrame) GetFrame = nullptr;
    decltype(&::QuellixVirtualClearFrames) ClearFrames = nullptr;

    // From the libquellix.so already loaded from `folder`; empty reason on success.
    std::string bind(const std::string& folder);
    // No latency, no USB model, no faults, attached, factory memories, no frames.
    void reset() const;

    // Every report the keyboard received since the last clear.
    std::vector<std::array<std::uint8_t, 64>> frames() const;
    std::vector<std::uint8_t> memory(std::uint32_t area, std::uint32_t offset,
                                     std::uint32_t length) const;
};

// Points the test process at the virtual keyboard and away from the user's
// home, state and recording files. Call before binding.
void useVirtualKeyboardEnvironment();

class VirtualLinkTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { useVirtualKeyboardEnvironment(); }

    void SetUp() override {
        DeviceLinkResult opened = DeviceLink::open();
        ASSERT_TRUE(opened) << opened.reason;
        link = std::move(opened.link);
        const std::string why = knobs.bind(programFolder());
        ASSERT_TRUE(why.empty()) << why;
        knobs.reset();
    }

    void TearDown() override {
        if (knobs.ClearFrames != nullptr) {
            knobs.reset();
        }
        link.reset();
    }

    CommandTransport& transport() { return link->transport(); }
    CommandSet& commands() { return link->commands(); }

    std::unique_ptr<DeviceLink> link;
    VirtualKnobs knobs;
};

}  // namespace quorvane::test
