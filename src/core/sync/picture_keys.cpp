#include "core/sync/picture_keys.h"

#include <algorithm>

namespace quorvane {

const std::array<KeyId, kPictureKeyCount>& pictureKeys() {
    static const std::array<KeyId, kPictureKeyCount> kKeys = [] {
        std::array<KeyId, kPictureKeyCount> out{};
        std::transform(kPictureKeys.begin(), kPictureKeys.end(), out.begin(),
                       [](const PictureKey& k) { return k.key; });
        return out;
    }();
    return kKeys;
}

}  // namespace quorvane
