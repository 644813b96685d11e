#include "core/platform/process_scan.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "base/atomic_file.h"
#include "core/platform/utf_text.h"

namespace quorvane {
namespace {

struct Entry {
    unsigned long long startTime;
    pid_t pid;
};

// Field 22 of /proc/<pid>/stat: the start time in clock ticks after boot.
unsigned long long startTimeOf(const std::string& procDir) {
    auto bytes = readFileBytes(procDir + "/stat", 1 << 16);
    if (!bytes) {
        return ~0ULL;
    }
    std::string text(bytes->begin(), bytes->end());
    auto close = text.rfind(')');  // the command name may hold spaces and ')'
    if (close == std::string::npos) {
        return ~0ULL;
    }
    std::size_t pos = close + 1;
    for (int field = 3; field <= 22; ++field) {
        pos = text.find_first_not_of(' ', pos);
        if (pos == std::string::npos) {
            return ~0ULL;
        }
        if (field == 22) {
            return std::strtoull(text.c_str() + pos, nullptr, 10);
        }
        pos = text.find(' ', pos);
    }
    return ~0ULL;
}

std::string exeNameOf(const std::string& procDir) {
    std::vector<char> buf(4096);
    ssize_t n = ::readlink((procDir + "/exe").c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size()) {
        return {};
    }
    std::string target(buf.data(), static_cast<std::size_t>(n));
    constexpr std::string_view kDeleted = " (deleted)";  // the file was replaced while running
    if (target.size() > kDeleted.size() &&
        target.compare(target.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0) {
        target.resize(target.size() - kDeleted.size());
    }
    auto slash = target.find_last_of('/');
    return slash == std::string::npos ? target : target.substr(slash + 1);
}

}  // namespace

pid_t findProcessByExeNameIn(const std::string& procRoot, std::string_view exeName, uid_t owner) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(procRoot.c_str()), ::closedir);
    if (!dir) {
        return 0;
    }
    std::vector<Entry> entries;
    while (dirent* d = ::readdir(dir.get())) {
        char* end = nullptr;
        long pid = std::strtol(d->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') {
            continue;
        }
        entries.push_back({startTimeOf(procRoot + "/" + d->d_name), static_cast<pid_t>(pid)});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.startTime != b.startTime ? a.startTime < b.startTime : a.pid < b.pid;
    });
    std::u16string wanted = utf8ToUtf16(exeName);
    for (std::size_t i = 1; i < entries.size(); ++i) {
        std::string procDir = procRoot + "/" + std::to_string(entries[i].pid);
        struct stat st {};
        if (::stat(procDir.c_str(), &st) != 0 || st.st_uid != owner) {
            continue;
        }
        if (equalsNoCase(utf8ToUtf16(exeNameOf(procDir)), wanted)) {
            return entries[i].pid;
        }
    }
    return 0;
}

pid_t FindProcessByExeName(std::string_view exeName) {
    return findProcessByExeNameIn("/proc", exeName, ::getuid());
}

}  // namespace quorvane
