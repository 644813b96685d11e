// The consumer codes the keyboard sends about itself.
#pragma once

#include <cstdint>

namespace quorvane {

inline constexpr std::uint16_t kCodeBankToggle = 0x02FF;
inline constexpr std::uint16_t kCodeLightingChanged = 0x0401;
inline constexpr std::uint16_t kCodeProfileChanged = 0x0402;
inline constexpr std::uint16_t kCodeProfileReload = 0x0403;
inline constexpr std::uint16_t kCodeIconRest = 0x1810;
inline constexpr std::uint16_t kCodeIconSignal = 0x1811;

}  // namespace quorvane
