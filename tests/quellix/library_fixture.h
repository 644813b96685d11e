// Drives the real libquellix.so through its C ABI, as the program does.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "quellix.h"
#include "quellix/callback_log.h"

namespace quorvane::quellix::testing_support {

inline constexpr std::uint32_t kCtrl = 0x4354524C;
inline constexpr std::uint32_t kCons = 0x434F4E53;
inline constexpr std::uint32_t kLed = 0x004C4544;
inline const QuellixFilter kCtrlFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0xFF1C, 0x0092, 0};
inline const QuellixFilter kConsFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0x000C, 0x0001, 0};
inline const QuellixFilter kLedFilter{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0x0008, 0x0089, 0};

// A request frame as the command layer builds it (checksum of bytes 3..63).
inline std::vector<std::uint8_t> requestFrame(std::uint8_t command, std::uint8_t length = 0,
                                              std::uint16_t offset = 0,
                                              const std::vector<std::uint8_t>& payload = {}) {
    std::vector<std::uint8_t> frame(64, 0);
    frame[0] = 0x04;
    frame[3] = command;
    frame[4] = length;
    frame[5] = static_cast<std::uint8_t>(offset);
    frame[6] = static_cast<std::uint8_t>(offset >> 8);
    for (std::size_t i = 0; i < payload.size() && i < 56; ++i) {
        frame[8 + i] = payload[i];
    }
    unsigned sum = 0;
    for (std::size_t i = 3; i < 64; ++i) {
        sum += frame[i];
    }
    frame[1] = static_cast<std::uint8_t>(sum);
    frame[2] = static_cast<std::uint8_t>(sum >> 8);
    return frame;
}

class LibraryTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quellix-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        for (const char* name : {"QUELLIX_DEVICE", "QUELLIX_RECORD", "QUELLIX_VIRTUAL_STATE",
                                 "QUELLIX_VIRTUAL_FRAMES", "QUELLIX_VIRTUAL_LATENCY_MS"}) {
            ::unsetenv(name);
        }
        CallbackLog::instance().clear();
        CallbackLog::instance().setHook({});
    }
    void TearDown() override {
        End();
        CallbackLog::instance().setHook({});
        for (const char* name : {"QUELLIX_DEVICE", "QUELLIX_RECORD", "QUELLIX_VIRTUAL_STATE",
                                 "QUELLIX_VIRTUAL_FRAMES", "QUELLIX_VIRTUAL_LATENCY_MS"}) {
            ::unsetenv(name);
        }
        std::string command = "rm -rf '" + dir_ + "'";
        [[maybe_unused]] const int rc = std::system(command.c_str());
    }

    void initVirtual() {
        ::setenv("QUELLIX_DEVICE", "virtual", 1);
        ASSERT_EQ(Init(0), 1);
    }

    std::uint32_t read(const QuellixFilter& filter, std::uint32_t tag) {
        std::uint32_t id = 0;
        EXPECT_GT(RequestAsyncRead(&filter, CallbackLog::callback, tag, 0, &id), 0);
        EXPECT_NE(id, 0u);
        return id;
    }

    static int send(const std::vector<std::uint8_t>& frame) {
        return RequestWriteOne(&kCtrlFilter, nullptr, 0, frame.data(),
                               static_cast<std::uint32_t>(frame.size()), 0, nullptr);
    }

    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
};

}  // namespace quorvane::quellix::testing_support
