// A stand-in for libquellix.so: a function table whose entries record every
// frame and request exactly as the program hands them over, and answer each
// frame through the registered standing read, synchronously, as `respond`
// decides. One fake is active per process (the library's functions carry no
// context).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/device/hid_library.h"

namespace quorvane::test {

using Frame = std::array<std::uint8_t, 64>;
using Bytes = std::vector<std::uint8_t>;

struct FakeRead {
    QuellixFilter filter{};
    QuellixCallback callback = nullptr;
    std::uint32_t tag = 0;
    std::uint32_t unit = 0;
    std::uint32_t id = 0;
};

struct FakeWrite {
    QuellixFilter filter{};
    Frame frame{};
    std::uint32_t length = 0;
    std::uint32_t unit = 0;
};

class FakeHid {
  public:
    FakeHid();  // becomes the active fake
    ~FakeHid();
    FakeHid(const FakeHid&) = delete;
    FakeHid& operator=(const FakeHid&) = delete;

    static HidFunctions table();

    // What the library reports and returns.
    int deviceCount = 1;
    int writeResult = 1;
    int initResult = 1;
    std::uint32_t abiVersion = QUELLIX_ABI_VERSION;

    // Answers to the n-th frame written (0-based); each is delivered to the
    // CTRL reads before RequestWriteOne returns. Default: the frame echoed
    // with status 0.
    std::function<std::vector<Bytes>(const Frame& frame, std::size_t index)> respond;

    // Hands a report to every standing read with this tag, as the library would.
    void deliver(std::uint32_t tag, const Bytes& report);

    std::vector<FakeWrite> writes;
    std::vector<std::uint32_t> countUnits;
    std::vector<FakeRead> reads;
    std::vector<std::uint32_t> deletedIds;
    int initCalls = 0;

    // The default answer: the request echoed with status `status`.
    static Bytes echo(const Frame& frame, std::uint8_t status = 0);

    static FakeHid* active();

  private:
    std::uint32_t m_nextId = 100;
    friend struct FakeEntry;
};

}  // namespace quorvane::test
