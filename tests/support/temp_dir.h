// The tests' one temporary folder: a fresh folder of its own under the
// system's temporary folder ($TMPDIR, else /tmp), removed with everything in
// it when the object goes. A test writes nowhere else.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace quorvane::test {

class TempDir {
  public:
    TempDir() {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec) {
            base = "/tmp";
        }
        std::string pattern = (base / "quorvane-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~TempDir() {
        if (path_.empty()) {
            return;
        }
        // A detached child of the test (a companion program) may still be
        // writing its last file while the folder goes: try again a while.
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::error_code ec;
            std::filesystem::remove_all(path_, ec);
            if (!std::filesystem::exists(path_, ec)) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Empty when no folder could be made.
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

    // The names in the folder itself, in no particular order.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ec)) {
            out.push_back(entry.path().filename().string());
        }
        return out;
    }

  private:
    std::string path_;
};

}  // namespace quorvane::test
