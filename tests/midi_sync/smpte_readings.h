#pragma once

#include <cstdint>
#include <ostream>

#include "midi/sync/smpte_time.h"

namespace ostinel {

// hh:mm:ss:ff +hundredths, as failures print a reading.
inline void PrintTo(const SmpteTime& t, std::ostream* out) {
    *out << t.hours << ':' << int{t.minutes} << ':' << int{t.seconds} << ':' << int{t.frames}
         << " +" << int{t.hundredths} << (t.oddFrame ? " odd" : " even");
}

inline SmpteTime Reading(std::int32_t h, int m, int s, int f, int hundredths, bool odd) {
    SmpteTime t;
    t.hours = h;
    t.minutes = static_cast<std::uint8_t>(m);
    t.seconds = static_cast<std::uint8_t>(s);
    t.frames = static_cast<std::uint8_t>(f);
    t.hundredths = static_cast<std::uint8_t>(hundredths);
    t.oddFrame = odd;
    return t;
}

}  // namespace ostinel
