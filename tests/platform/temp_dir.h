// Whole-file text helpers for the tests, beside the shared temporary folder.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_dir.h"

namespace quorvane::test {

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace quorvane::test
