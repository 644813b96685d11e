#include "core/config/profile_save_target.h"

#include <sys/stat.h>

namespace quorvane {

std::string withProfileExtension(std::string_view chosen) {
    std::string path(chosen);
    if (path.empty() || path.back() == '/') {
        return path;  // no file name to extend
    }
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart && dot + 1 < path.size();
    if (!hasExtension) {
        if (!path.empty() && path.back() == '.' && path.size() - 1 > nameStart) {
            path.pop_back();  // "backup." means "backup"
        }
        path += kProfileFileExtension;
    }
    return path;
}

std::string confirmProfileSaveTarget(std::string_view chosen,
                                     const std::function<bool(const std::string&)>& askReplace) {
    std::string path = withProfileExtension(chosen);
    if (path.empty()) {
        return path;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && askReplace && !askReplace(path)) {
        return {};
    }
    return path;
}

}  // namespace quorvane
