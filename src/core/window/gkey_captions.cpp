#include "core/window/gkey_captions.h"

namespace quorvane {

GKeyCaptions gKeyCaptions(std::uint8_t bank) {
    const char16_t letter = (bank & 1U) != 0 ? u'B' : u'A';
    GKeyCaptions captions;
    for (std::size_t i = 0; i < 5; ++i) {
        captions[i] = std::u16string{letter, static_cast<char16_t>(u'1' + i)};
    }
    return captions;
}

}  // namespace quorvane
