// Sizes and counts read from a file are checked against what the file holds
// before anything is allocated for them. This program replaces operator new
// to see the largest request made while a file is refused.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "base/le_bytes.h"
#include "config/config_test_support.h"
#include "core/config/macro_area_codec.h"
#include "core/config/profile_file.h"

// The replacement must sit on malloc and free.
// NOLINTBEGIN(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
namespace {
std::atomic<bool> gTracking{false};
std::atomic<std::size_t> gLargest{0};

void* allocate(std::size_t n) {
    if (gTracking.load()) {
        std::size_t seen = gLargest.load();
        while (n > seen && !gLargest.compare_exchange_weak(seen, n)) {
        }
    }
    return std::malloc(n == 0 ? 1 : n);
}
}  // namespace

void* operator new(std::size_t n) {
    if (void* p = allocate(n)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    if (void* p = allocate(n)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    return allocate(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
// NOLINTEND(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)

namespace quorvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

class LargestAllocation {
  public:
    LargestAllocation() {
        gLargest = 0;
        gTracking = true;
    }
    ~LargestAllocation() { gTracking = false; }
    std::size_t bytes() const { return gLargest.load(); }
};

struct LyingHeader {
    const char* name;
    std::uint16_t macros;
    std::uint32_t text;
};

class HugeSizes : public ::testing::TestWithParam<LyingHeader> {};

TEST_P(HugeSizes, AreRefusedBeforeAnythingLargeIsAllocated) {
    auto config = test::defaultModel();
    Bytes file = *packProfileFile(*config->image, {}, config->texts, 0);
    putU16(file, 14, GetParam().macros);
    putU32(file, 16, GetParam().text);
    putU32(file, 8,
           static_cast<std::uint32_t>(32832 + 16512ull * GetParam().macros + GetParam().text));
    file[31] = imageHeaderChecksum(file);
    test::TempDir dir;
    const std::string path = dir.file("lying.fwc");
    test::writeAll(path, file);

    WorkingConfig target;
    LargestAllocation largest;
    EXPECT_EQ(loadProfileFile(target, path), 0);
    EXPECT_EQ(checkProfileFile(path, nullptr), 0);
    EXPECT_FALSE(parseProfileFile(file));
    // Nothing near the announced size; the file itself is 32832 bytes.
    EXPECT_LT(largest.bytes(), std::size_t{64} << 10);
}

INSTANTIATE_TEST_SUITE_P(Headers, HugeSizes,
                         ::testing::Values(LyingHeader{"TextAll", 0, 0xFFFFFFFF},
                                           LyingHeader{"FullMacrosAndText", 100, 0xFFFFFFF0},
                                           LyingHeader{"MacroCountAll", 0xFFFF, 0},
                                           LyingHeader{"OneMacroTooMany", 101, 0},
                                           LyingHeader{"HundredMacrosMissing", 100, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HugeCounts, MacroAreaCountIsCappedBeforeRecordsAreMade) {
    Bytes area = {0xAA, 0x55, 0x10, 0, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    LargestAllocation largest;
    const auto records = readMacroArea(area, u"M");
    EXPECT_EQ(records.size(), kMaxMacros);
    EXPECT_LE(largest.bytes(), kMaxMacros * sizeof(MacroRecord));
}

}  // namespace
}  // namespace quorvane
