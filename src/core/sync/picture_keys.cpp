#include "core/sync/picture_keys.h"

#include <algorithm>

namespace quorvane {

const std::array<KeyId, kPictureKeyCount>& pictureKeys() {
    static const std::array<KeyId, kPictureKeyCount> keys = [] {
        std::array<KeyId, kPictureKeyCount> out{};
        std::transform(PICTURE_KEYS.begin(), PICTURE_KEYS.end(), out.begin(),
                       [](const PictureKey& k) { return k.key; });
        return out;
    }();
    return keys;
}

}  // namespace quorvane
