#pragma once

// How a failing expectation prints the engine's time types: in words with
// their unit, not as GoogleTest's raw bytes. Part of the tests' precompiled
// header, so every test sees the same printers.

#include <ostream>

#include "music/score_position.h"
#include "platform/clock.h"

namespace ostinel {

inline void PrintTo(ScorePosition position, std::ostream* out) {
    *out << position.Ms() << " score ms";
}

inline void PrintTo(SpeedFactor speed, std::ostream* out) {
    *out << "speed " << speed.Raw() << "/4096";
}

namespace platform {

inline void PrintTo(ClockMs t, std::ostream* out) {
    *out << "clock " << t.Ms() << " ms";
}

}  // namespace platform
}  // namespace ostinel
