#pragma once

#include <array>
#include <cstdint>

#include "music/score_position.h"
#include "platform/clock.h"

namespace ostinel {

// The soloist's tempo (score ms per clock ms) from the onsets of the chords
// they reach, filtered as one Kalman state: each onset measures the tempo
// over the last few seconds of onsets, trusted by how long that span is; the
// estimate's uncertainty grows with the time between onsets, so a change of
// tempo is learnt within a few chords and a single late chord barely counts.
class TempoFilter {
  public:
    void Reset(double tempo);
    // A new chord at score position `position` began at clock `time`.
    void Observe(ScorePosition position, platform::ClockMs time, double trust);
    // The stretch of onsets ends (a jump): measure afresh from the next one.
    void Break() { count_ = 0; }
    double Tempo() const { return tempo_; }

  private:
    struct Onset {
        ScorePosition position;
        platform::ClockMs time;
    };
    static constexpr int kOnsets = 16;

    std::array<Onset, kOnsets> onsets_{};
    int first_ = 0;
    int count_ = 0;
    double tempo_ = 1.0;
    double variance_ = 0.0;
};

}  // namespace ostinel
