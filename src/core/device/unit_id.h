// The 32-bit unit id that every library request carries: a seed plus the sum
// of a fixed permutation over the request's bytes. Being a sum, it can be
// chained: the id of filter + callback + tag + data is built piece by piece.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "quellix.h"

namespace quorvane {

// The permutation of 0..255 that each byte is mapped through.
extern const std::array<std::uint8_t, 256> kUnitIdTable;

std::uint32_t UnitId(std::uint32_t seed, const std::uint8_t* bytes, std::size_t count);
inline std::uint32_t UnitId(std::uint32_t seed, std::span<const std::uint8_t> bytes) {
    return UnitId(seed, bytes.data(), bytes.size());
}

// Id of a request descriptor (filter, callback field, tag) followed by `data`.
// The callback field counts as the low 32 bits of its address.
std::uint32_t requestUnitId(const QuellixFilter& filter, std::uint32_t callbackField,
                            std::uint32_t tag, std::span<const std::uint8_t> data = {});

// The low 32 bits of a callback's address, as the descriptor's callback field.
std::uint32_t callbackField(QuellixCallback callback);

}  // namespace quorvane
