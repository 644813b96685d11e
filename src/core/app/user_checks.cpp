#include "core/app/user_checks.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace quorvane {

std::u16string noAccessMessage(const TextLookup& loadText) {
    return loadText(kNoAccessTextKey);
}

std::u16string noAccessTip(const TextLookup& loadText) {
    return loadText(kNoAccessTipKey);
}

std::optional<std::u16string> rootNotice(const TextLookup& loadText, uid_t effectiveUid,
                                         const char* quietValue) {
    if (effectiveUid != 0 || (quietValue != nullptr && std::string_view(quietValue) == "1")) {
        return std::nullopt;
    }
    return loadText(kRunAsRootKey);
}

std::optional<std::u16string> rootNotice(const TextLookup& loadText) {
    return rootNotice(loadText, ::geteuid(), std::getenv(kQuietRootVariable));
}

}  // namespace quorvane
