// The linker's export list of libquellix.so is a copy of the bound names that
// no compiler reads: tie it to QUELLIX_BOUND_NAMES and to the built library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/platform/program_folder.h"
#include "quellix.h"

namespace quorvane {
namespace {

// The names of the version script's global: section, in file order.
std::vector<std::string> exportMapNames() {
    std::ifstream in(std::string(QUORVANE_SOURCE_DIR) + "/src/quellix/exports.map");
    std::vector<std::string> names;
    bool global = false;
    std::string word;
    while (in >> word) {
        if (word == "global:" || word == "local:") {
            global = word == "global:";
        } else if (global && word.size() > 1 && word.back() == ';') {
            names.push_back(word.substr(0, word.size() - 1));
        }
    }
    return names;
}

TEST(HidExports, TheExportMapListsTheBoundNamesFirstInBindingOrder) {
#define QUORVANE_NAME(name) #name,
    const std::vector<std::string> bound = {QUELLIX_BOUND_NAMES(QUORVANE_NAME)};
#undef QUORVANE_NAME
    const std::vector<std::string> listed = exportMapNames();
    ASSERT_GE(listed.size(), bound.size());
    EXPECT_EQ(std::vector<std::string>(listed.begin(), listed.begin() + bound.size()), bound);
}

TEST(HidExports, TheBuiltLibraryExportsEveryNameTheMapLists) {
    const std::string path = programFolder() + "libquellix.so";
    // Never closed, as the program never closes it.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    const std::vector<std::string> listed = exportMapNames();
    ASSERT_FALSE(listed.empty());
    for (const std::string& name : listed) {
        if (name.back() == '*') {
            continue;  // a pattern such as QuellixVirtual*
        }
        EXPECT_NE(dlsym(handle, name.c_str()), nullptr) << name;
    }
}

}  // namespace
}  // namespace quorvane
