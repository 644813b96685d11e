#include "core/platform/xdg_dirs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "base/atomic_file.h"

namespace quorvane {
namespace {

std::string envOrEmpty(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}

}  // namespace

std::string homeDir() {
    std::string home = envOrEmpty("HOME");
    if (!home.empty()) {
        return home;
    }
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result != nullptr &&
        result->pw_dir != nullptr) {
        return result->pw_dir;
    }
    return "/";
}

std::string configHome() {
    std::string dir = envOrEmpty("XDG_CONFIG_HOME");
    if (!dir.empty() && dir.front() == '/') {
        return dir;
    }
    return homeDir() + "/.config";
}

std::string stateHome() {
    std::string dir = envOrEmpty("XDG_STATE_HOME");
    if (!dir.empty() && dir.front() == '/') {
        return dir;
    }
    return homeDir() + "/.local/state";
}

std::optional<std::string> documentsDirFromUserDirs(std::string_view text,
                                                    const std::string& home) {
    constexpr std::string_view kName = "XDG_DOCUMENTS_DIR=";
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t nl = text.find('\n', begin);
        std::string_view line =
            text.substr(begin, (nl == std::string_view::npos ? text.size() : nl) - begin);
        begin = nl == std::string_view::npos ? text.size() : nl + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        if (line.substr(0, kName.size()) != kName) {
            continue;
        }
        line.remove_prefix(kName.size());
        while (!line.empty() &&
               (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        if (line.size() < 2 || line.front() != '"' || line.back() != '"') {
            return std::nullopt;
        }
        std::string value;
        std::string_view inner = line.substr(1, line.size() - 2);
        for (std::size_t i = 0; i < inner.size(); ++i) {
            if (inner[i] == '\\' && i + 1 < inner.size()) {
                ++i;
            }
            value += inner[i];
        }
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
            return home + value.substr(5);
        }
        if (!value.empty() && value.front() == '/') {
            return value;
        }
        return std::nullopt;  // relative paths are not allowed there
    }
    return std::nullopt;
}

std::string documentsDir() {
    std::string home = homeDir();
    if (auto bytes = readFileBytes(configHome() + "/user-dirs.dirs", 1 << 20)) {
        std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        if (auto dir = documentsDirFromUserDirs(text, home)) {
            return *dir;
        }
    }
    return home + "/Documents";
}

bool isPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 07777) == 0700;
}

std::string fallbackRuntimeDir() {
    // Under the home folder, which no other user can write: a shared folder
    // such as /tmp lets anyone create our name first. The host name keeps two
    // machines sharing one home apart.
    std::string cache = envOrEmpty("XDG_CACHE_HOME");
    if (cache.empty() || cache.front() != '/') {
        cache = homeDir() + "/.cache";
    }
    std::array<char, 256> host{};
    std::string name = "localhost";
    if (::gethostname(host.data(), host.size() - 1) == 0 && host[0] != '\0') {
        name = host.data();
    }
    std::replace(name.begin(), name.end(), '/', '_');
    return cache + "/quorvane/run-" + name;
}

bool isClosedParent(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string privateRuntimeDir() {
    std::string runtime = envOrEmpty("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime.front() == '/' && isPrivateFolder(runtime)) {
        return runtime;
    }
    std::string fallback = fallbackRuntimeDir();
    const std::string parent = std::filesystem::path(fallback).parent_path().string();
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(parent).parent_path(), error);
    ::mkdir(parent.c_str(), 0700);
    // Whoever may write the parent can swap our folder for theirs after it
    // was checked, and take the instance lock.
    if (!isClosedParent(parent)) {
        return {};
    }
    if (::mkdir(fallback.c_str(), 0700) == 0) {
        ::chmod(fallback.c_str(), 0700);  // whatever the umask took away
    } else if (errno != EEXIST) {
        return {};
    }
    return isPrivateFolder(fallback) ? fallback : std::string();
}

}  // namespace quorvane
