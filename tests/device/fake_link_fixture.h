// A started DeviceLink on the fake library: every frame the program sends is
// captured exactly, and answers come back through the library callback.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "core/device/device_link.h"
#include "fake_hid_library.h"

namespace quorvane::test {

class FakeLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        HidBindResult bound = HidLibrary::fromFunctions(FakeHid::table());
        ASSERT_TRUE(bound) << bound.reason;
        link = std::make_unique<DeviceLink>(std::move(bound.library));
        link->start();
    }

    CommandTransport& transport() { return link->transport(); }
    CommandSet& commands() { return link->commands(); }

    // The frames written so far.
    std::vector<Frame> sentFrames() const {
        std::vector<Frame> frames;
        for (const FakeWrite& w : fake.writes) {
            frames.push_back(w.frame);
        }
        return frames;
    }

    FakeHid fake;  // before the link: it must outlive it
    std::unique_ptr<DeviceLink> link;
};

}  // namespace quorvane::test
