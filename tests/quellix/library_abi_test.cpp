// The C ABI without a running backend: nothing may crash, everything fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "quellix.h"
#include "quellix/library_fixture.h"

namespace quorvane::quellix::testing_support {
namespace {

using AbiBeforeInit = LibraryTest;

TEST_F(AbiBeforeInit, EveryEntryPointFailsQuietlyAndTakesNulls) {
    std::uint8_t buffer[64] = {4};
    std::uint32_t id = 77;
    EXPECT_EQ(RequestGetDeviceCount(&kCtrlFilter, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(RequestGetDeviceCount(nullptr, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(DeleteRequestFromUnitId(1), 0);
    EXPECT_EQ(DeleteRequestFromHandle(CallbackLog::callback), 0);
    EXPECT_EQ(DeleteRequestFromHandle(nullptr), 0);
    EXPECT_EQ(RequestWrite(&kCtrlFilter, nullptr, 0, buffer, 64, 0, &id), 0);
    EXPECT_EQ(RequestWriteOne(&kCtrlFilter, nullptr, 0, buffer, 64, 0, nullptr), 0);
    EXPECT_EQ(RequestWriteOne(nullptr, nullptr, 0, nullptr, 64, 0, nullptr), 0);
    EXPECT_EQ(RequestStatusWrite(&kLedFilter, nullptr, 0, nullptr, 2, 0, nullptr), 0);
    EXPECT_EQ(RequestStatusGet(&kConsFilter, nullptr, 0, buffer, 64, 0, nullptr), 0);
    EXPECT_EQ(RequestStatusGet(nullptr, nullptr, 0, nullptr, 64, 0, nullptr), 0);
    EXPECT_EQ(RequestAsyncRead(&kCtrlFilter, CallbackLog::callback, kCtrl, 0, &id), 0);
    EXPECT_EQ(RequestAsyncRead(nullptr, nullptr, 0, 0, nullptr), 0);
    EXPECT_EQ(RequestStatusSetFeature(&kCtrlFilter, nullptr, 0, buffer, 64, 0, nullptr), 0);
    EXPECT_EQ(id, 77u);  // never written on failure
    EXPECT_EQ(End(), 0);
    EXPECT_EQ(QuellixAbiVersion(), QUELLIX_ABI_VERSION);
    EXPECT_EQ(QuellixVirtualAttach(), 0);
    EXPECT_EQ(QuellixVirtualSetLatencyUs(10), 0);
    EXPECT_EQ(QuellixVirtualReadMemory(QUELLIX_AREA_SETTINGS, 0, nullptr, 44), 0);
    EXPECT_EQ(QuellixVirtualGetFrame(0, nullptr, 64), 0);
    EXPECT_EQ(QuellixVirtualFrameCount(), 0u);
    EXPECT_EQ(QuellixReplayMismatches(), 0u);
    EXPECT_EQ(QuellixReplayRemaining(), 0u);
}

TEST_F(AbiBeforeInit, DebugReturnsThePreviousLevel) {
    const int before = Debug(2);
    EXPECT_EQ(Debug(0), 2);
    EXPECT_EQ(Debug(7), 0);  // clamped to 2
    EXPECT_EQ(Debug(before), 2);
}

TEST_F(AbiBeforeInit, UnknownDeviceChoiceFailsInitWithAReason) {
    ::setenv("QUELLIX_DEVICE", "bluetooth", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Init(0), 0);
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_NE(text.find("QUELLIX_DEVICE=bluetooth"), std::string::npos) << text;
    EXPECT_EQ(RequestGetDeviceCount(&kCtrlFilter, nullptr, 0, 0, nullptr), 0);
}

TEST_F(AbiBeforeInit, ReplayOfAMissingOrBrokenRecordingFailsInit) {
    const std::string broken = path("broken.jsonl");
    {
        std::ofstream out(broken);
        out << "{\"v\":2,\"t_us\":0,\"dir\":\"presence\",\"keyboards\":[]}\n";
    }
    for (const std::string& file : {path("missing.jsonl"), broken}) {
        SCOPED_TRACE(file);
        ::setenv("QUELLIX_DEVICE", ("replay:" + file).c_str(), 1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(Init(0), 0);
        const std::string text = testing::internal::GetCapturedStderr();
        EXPECT_NE(text.find(file), std::string::npos) << text;
    }
}

std::string lastError() {
    const int length = QuellixLastError(nullptr, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    EXPECT_EQ(QuellixLastError(text.data(), static_cast<std::uint32_t>(text.size())), length);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The library answers "why" for its last failure, whichever call or thread
// met it; a fresh Init() forgets the failures of the run before.
TEST_F(AbiBeforeInit, LastErrorSaysWhyTheLastFailureHappened) {
    std::uint8_t frame[64] = {4};
    EXPECT_EQ(RequestWrite(&kCtrlFilter, nullptr, 0, frame, 64, 0, nullptr), 0);
    EXPECT_EQ(lastError(), "RequestWrite: the library is not started");
    EXPECT_EQ(RequestAsyncRead(&kCtrlFilter, nullptr, kCtrl, 0, nullptr), 0);
    EXPECT_EQ(lastError(), "RequestAsyncRead: no filter or no callback");

    ::setenv("QUELLIX_DEVICE", "bluetooth", 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Init(0), 0);
    const std::string line = testing::internal::GetCapturedStderr();
    const std::string why = lastError();
    EXPECT_NE(why.find("QUELLIX_DEVICE=bluetooth"), std::string::npos) << why;
    EXPECT_EQ(line, "quellix: " + why + "\n") << "the same words as on stderr";

    // Cut to fit, always terminated; the whole length is still returned.
    char small[8];
    EXPECT_EQ(QuellixLastError(small, sizeof small), static_cast<int>(why.size()));
    EXPECT_EQ(std::string(small), why.substr(0, 7));

    initVirtual();
    EXPECT_EQ(lastError(), "") << "a fresh start";
    const QuellixFilter absent{QUELLIX_MATCH_ALL, 0x0C45, 0x5004, 0xFF00, 0x0001, 0};
    EXPECT_EQ(RequestWriteOne(&absent, nullptr, 0, frame, 64, 0, nullptr), 0);
    EXPECT_NE(
        lastError().find("RequestWriteOne: no attached keyboard has the collection FF00:0001"),
        std::string::npos)
        << lastError();
    // A success leaves the reason of the last failure.
    EXPECT_EQ(RequestWrite(&kCtrlFilter, nullptr, 0, frame, 64, 0, nullptr), 1);
    EXPECT_NE(lastError().find("FF00:0001"), std::string::npos);
}

}  // namespace
}  // namespace quorvane::quellix::testing_support
