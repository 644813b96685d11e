#include "core/platform/program_folder.h"

#include <unistd.h>

#include <array>

namespace quorvane {

std::optional<std::string> currentExePath() {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    // A name that fills the buffer may have been cut.
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) {
        return std::nullopt;
    }
    return std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string folderOf(const std::string& exePath) {
    const auto slash = exePath.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : exePath.substr(0, slash + 1);
}

std::string programFolder() {
    const std::optional<std::string> exe = currentExePath();
    return exe ? folderOf(*exe) : std::string();
}

}  // namespace quorvane
