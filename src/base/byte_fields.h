// Byte layouts as data: each layout lists its fields once (name, offset,
// width), and its pack and unpack functions take every offset and width from
// that list. tilesLayout lets a layout assert that its fields cover it with no
// gap and no overlap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace quorvane {

struct Field {
    std::string_view name;
    std::size_t offset = 0;
    std::size_t width = 0;

    constexpr std::size_t end() const { return offset + width; }
    // Used as an index, a field names its first byte.
    constexpr operator std::size_t() const {
        return offset;
    }  // NOLINT(google-explicit-constructor)
};

// One field covering `first` to `last` and all between them.
constexpr Field spanning(const Field& first, const Field& last) {
    return {first.name, first.offset, last.end() - first.offset};
}

// True when `fields`, in order, cover bytes [0, size) exactly once each.
constexpr bool tilesLayout(std::span<const Field> fields, std::size_t size) {
    std::size_t at = 0;
    for (const Field& f : fields) {
        if (f.offset != at || f.width == 0) {
            return false;
        }
        at = f.end();
    }
    return at == size;
}

// A little-endian number field, at most four bytes wide.
inline std::uint32_t getField(std::span<const std::uint8_t> b, const Field& f) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < f.width; ++i) {
        v |= std::uint32_t{b[f.offset + i]} << (8 * i);
    }
    return v;
}

// Writes the low `width` bytes of `v`.
inline void putField(std::span<std::uint8_t> b, const Field& f, std::uint32_t v) {
    for (std::size_t i = 0; i < f.width; ++i) {
        b[f.offset + i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
    }
}

// Reads a number field into a member of the field's width.
template <class T>
void getField(std::span<const std::uint8_t> b, const Field& f, T& member) {
    static_assert(sizeof(T) <= 4);
    member = static_cast<T>(getField(b, f));
}

}  // namespace quorvane
