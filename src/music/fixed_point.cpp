#include "music/fixed_point.h"

namespace ostinel {

std::int32_t fixmul16(std::int32_t a, std::int32_t b) {
    // Unsigned words carry the wrap-around that the signed parts would make.
    const std::uint32_t aHi = static_cast<std::uint32_t>(a >> 16);
    const std::uint32_t bHi = static_cast<std::uint32_t>(b >> 16);
    const std::uint32_t aLo = static_cast<std::uint32_t>(a) & 0xFFFFu;
    const std::uint32_t bLo = static_cast<std::uint32_t>(b) & 0xFFFFu;
    const std::uint32_t low =
        static_cast<std::uint32_t>((static_cast<std::uint64_t>(aLo) * bLo + 32768u) >> 16);
    const std::uint32_t sum = (aHi * bHi << 16) + low + aLo * bHi + aHi * bLo;
    return static_cast<std::int32_t>(sum);
}

std::uint32_t fixdiv16(std::uint32_t a, std::uint32_t b) {
    // The rounding sums are held in 64 bits: in 32 they wrap when a (or the
    // remainder) is close to 65536 and b is large.
    if (a < 65536u) {
        return static_cast<std::uint32_t>(((static_cast<std::uint64_t>(a) << 16) + b / 2) / b);
    }
    const std::uint32_t q = a / b;
    std::uint32_t r = a % b;
    if (r < 65536u) {
        return (q << 16) +
               static_cast<std::uint32_t>(((static_cast<std::uint64_t>(r) << 16) + b / 2) / b);
    }
    // r × 65536 no longer fits: shift r up to its top bit and the divisor down
    // by the 16 − k bits still missing, rounding it.
    int k = 0;
    while ((r & 0x80000000u) == 0) {
        r <<= 1;
        ++k;
    }
    const std::uint32_t scaled = ((b >> (15 - k)) + 1) >> 1;
    return (q << 16) +
           static_cast<std::uint32_t>((static_cast<std::uint64_t>(r) + scaled / 2) / scaled);
}

}  // namespace ostinel
