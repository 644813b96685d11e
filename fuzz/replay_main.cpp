// Replays saved inputs through a fuzz target's entry point without libFuzzer,
// so that the ordinary test run fails on a known input that fails again.
//   <target>_replay <folder or file>... [--saved <folder>...]
// Every folder before --saved must exist and hold files: a corpus that went
// missing would otherwise pass unseen. Folders after it (saved crash inputs)
// may be absent or empty. A failing input ends the program as it would under
// the fuzzer (abort, sanitizer report); its path is printed first.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesOf(const fs::path& path, std::error_code& error) {
    std::vector<fs::path> files;
    if (!fs::is_directory(path, error)) {
        if (fs::is_regular_file(path, error)) {
            files.push_back(path);
        }
        return files;
    }
    for (const auto& entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

void replay(const fs::path& file) {
    std::fprintf(stderr, "replaying %s\n", file.c_str());
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    // A buffer of exactly the input's size, so that a read past it is caught
    // by the address sanitizer build as the fuzzer would catch it.
    const std::size_t size = bytes.size();
    std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[size == 0 ? 1 : size]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    LLVMFuzzerTestOneInput(data.get(), size);
}

}  // namespace

int main(int argc, char** argv) {
    bool saved = false;
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--saved") {
            saved = true;
            continue;
        }
        std::error_code error;
        const std::vector<fs::path> files = filesOf(argv[i], error);
        if (files.empty() && !saved) {
            std::fprintf(stderr, "%s: no inputs in %s\n", argv[0], argv[i]);
            return 1;
        }
        for (const fs::path& file : files) {
            replay(file);
            ++count;
        }
    }
    std::fprintf(stderr, "%zu inputs replayed\n", count);
    return count > 0 ? 0 : 1;
}
