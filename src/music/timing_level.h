#pragma once

#include <cstdint>

namespace ostinel {

// How much a matched note may change the follower's position and tempo.
enum class TimingLevel : std::int16_t { None = 0, Low = 1, Medium = 2, High = 3, Highest = 4 };

}  // namespace ostinel
