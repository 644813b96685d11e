// Small helpers shared by the emulated keyboard's tests.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "vkbd/virtual_keyboard.h"

namespace quorvane::vkbd::test {

// Sends one well-formed request.
inline CommandResult send(VirtualKeyboard& kb, std::uint8_t command, std::uint8_t length,
                          std::uint16_t offset, std::span<const std::uint8_t> payload = {}) {
    const Frame frame = makeRequest(command, length, offset, payload);
    return kb.handleCommand(frame);
}

// Bytes that differ from every factory memory and from each other.
inline std::vector<std::uint8_t> pattern(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = static_cast<std::uint8_t>(seed + 7 * i + (i >> 8));
    }
    return v;
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
  public:
    TempDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "vkbd-test-XXXXXX").string();
        if (::mkdtemp(templ.data()) != nullptr) {
            path_ = templ;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace quorvane::vkbd::test
