#include "core/device/hid_library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fake_hid_library.h"
#include "support/temp_dir.h"

namespace quorvane {
namespace {

using test::FakeHid;

TEST(HidLibraryBinding, AcceptsACompleteStartedLibrary) {
    FakeHid fake;
    HidBindResult bound = HidLibrary::fromFunctions(FakeHid::table());
    ASSERT_TRUE(bound) << bound.reason;
    EXPECT_TRUE(bound.reason.empty());
    EXPECT_EQ(fake.initCalls, 1);
}

TEST(HidLibraryBinding, RefusesAnIncompleteTableBeforeStartingIt) {
    FakeHid fake;
    HidFunctions fn = FakeHid::table();
    fn.RequestStatusSetFeature = nullptr;
    const HidBindResult bound = HidLibrary::fromFunctions(fn);
    EXPECT_FALSE(bound);
    EXPECT_FALSE(bound.reason.empty());
    EXPECT_EQ(fake.initCalls, 0);
}

TEST(HidLibraryBinding, RefusesAnUnknownAbiVersion) {
    for (const std::uint32_t version : {0u, QUELLIX_ABI_VERSION + 1, 0xFFFFFFFFu}) {
        FakeHid fake;
        fake.abiVersion = version;
        const HidBindResult bound = HidLibrary::fromFunctions(FakeHid::table());
        EXPECT_FALSE(bound) << version;
        EXPECT_NE(bound.reason.find("ABI version " + std::to_string(version)), std::string::npos)
            << bound.reason;
        EXPECT_EQ(fake.initCalls, 0);
    }
}

TEST(HidLibraryBinding, RefusesALibraryWhoseInitIsNotAboveZero) {
    for (const int initResult : {0, -1}) {
        FakeHid fake;
        fake.initResult = initResult;
        const HidBindResult bound = HidLibrary::fromFunctions(FakeHid::table());
        EXPECT_FALSE(bound);
        EXPECT_NE(bound.reason.find("Init returned " + std::to_string(initResult)),
                  std::string::npos)
            << bound.reason;
    }
}

TEST(HidLibraryBinding, NamesTheFileWhenTheLibraryIsMissing) {
    const test::TempDir empty;
    ASSERT_FALSE(empty.path().empty());
    const std::string& folder = empty.path();
    // The program folder ends with '/'; a folder given without one works as well.
    for (const std::string& given : {folder, folder + "/"}) {
        const HidBindResult bound = HidLibrary::bind(given);
        EXPECT_FALSE(bound);
        EXPECT_NE(bound.reason.find(folder + "/libquellix.so"), std::string::npos) << bound.reason;
    }

    EXPECT_FALSE(HidLibrary::bind(""));
}

TEST(HidLibraryBinding, NamesTheFirstMissingFunction) {
    // A library built beside the tests that lacks one of the twelve names.
    const std::string folder = programFolder() + "partial_quellix";
    ASSERT_TRUE(std::filesystem::exists(folder + "/libquellix.so")) << folder;
    const HidBindResult bound = HidLibrary::bind(folder);
    EXPECT_FALSE(bound);
    EXPECT_NE(bound.reason.find("\"RequestStatusGet\""), std::string::npos) << bound.reason;
}

int failingLibraryWords(char* text, std::uint32_t capacity) {
    static const std::string words = "QUELLIX_DEVICE=usb3 is not a device";
    if (text != nullptr && capacity > 0) {
        const std::size_t n = std::min<std::size_t>(words.size(), capacity - 1);
        words.copy(text, n);
        text[n] = '\0';
    }
    return static_cast<int>(words.size());
}

// The library's own words follow a failed start; a library without the
// optional name (an older one) still binds and only gives none.
TEST(HidLibraryBinding, AddsTheLibrarysWordsWhenItHasThem) {
    FakeHid fake;
    fake.initResult = 0;
    HidFunctions fn = FakeHid::table();
    fn.QuellixLastError = failingLibraryWords;
    const HidBindResult failed = HidLibrary::fromFunctions(fn);
    EXPECT_FALSE(failed);
    EXPECT_NE(failed.reason.find("(Init returned 0): QUELLIX_DEVICE=usb3 is not a device"),
              std::string::npos)
        << failed.reason;

    fake.initResult = 1;
    fn.QuellixLastError = nullptr;
    const HidBindResult older = HidLibrary::fromFunctions(fn);
    ASSERT_TRUE(older) << older.reason;
    EXPECT_EQ(older.library->lastError(), "");
}

}  // namespace
}  // namespace quorvane
