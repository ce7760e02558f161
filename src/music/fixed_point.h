#pragma once

#include <cstdint>

namespace ostinel {

// 16.16 fixed point: 0x10000 = 1.0. The follower's tempo is a 16.16 ratio.
using Fixed16 = std::int32_t;
inline constexpr Fixed16 kFixedOne = 0x10000;

// 16.16 fixed point: 65536 = 1.0. The transport's speed is 4.12 (4096 = 1.0);
// multiply it by 16 to use it here.

// a × b ÷ 65536, rounded to nearest (halves up), wrapping to 32 bits like the
// product of two 32-bit words. Built from 16-bit halves so no step overflows.
std::int32_t fixmul16(std::int32_t a, std::int32_t b);

// a × 65536 ÷ b, rounded to nearest, for a ≥ 0 and b > 0. Exact while the
// remainder of a ÷ b stays below 65536; beyond that the divisor is scaled
// down to 16 significant bits, which keeps the result within 2 of exact.
std::uint32_t fixdiv16(std::uint32_t a, std::uint32_t b);

}  // namespace ostinel
