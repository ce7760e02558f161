#pragma once

// Turns the following track(s) of a piece into a made-up human performance:
// the notes at times from a drifting tempo curve, with jitter, spread chords,
// varied velocities and, on request, the faults a soloist makes. Every random
// choice comes from one seeded generator, so the same arguments give the same
// files byte for byte. Tests, benchmarks and the demo use it; not part of the
// engine.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sequence/piece.h"
#include "smf_builder.h"

namespace ostinel::performance {

struct HumaniseOptions {
    int track = 1;   // the following track, numbered from 1 as `ostinel-cli info` does
    int track2 = 0;  // a second following track; 0 = none
    std::uint32_t seed = 1;

    double speed = 1.0;         // overall pace: 1 = the written tempo, 0.9 = 10 % slower
    double drift = 0.15;        // largest departure of the tempo curve from that pace
    double ritardando = 0.25;   // how much slower the last bars end up; 0 = none
    double jitterMs = 6;        // standard deviation of each note's timing error
    double chordSpreadMs = 15;  // notes of one chord land up to this far apart
    double durationScale = 0.9;
    double velocitySpread = 8;      // standard deviation around the written velocity
    std::uint32_t leadInMs = 1000;  // silence before the first played note

    int wrongNotes = 0;    // notes played a key or two off (truth -1)
    int extraNotes = 0;    // notes the score does not have (truth -1)
    int missingNotes = 0;  // score notes left out (no truth row)
    int skipBar = 0;       // this bar is left out: the player jumps forward; 0 = none
    int repeatFrom = 0;    // after this bar the player jumps back ...
    int repeatTo = 0;      // ... to the start of this one; 0 = no repeat
    int startBar = 0;      // the player starts at this bar; 0 or 1 = the beginning

    bool taps = false;  // one tap per beat instead of the notes
    int tapKey = 60;
};

// One played note; times in ms from the start of the performance.
struct PlayedNote {
    std::uint32_t onMs = 0;
    std::uint32_t offMs = 0;
    int channel = 0;
    int key = 0;
    int velocity = 0;
    std::int64_t scoreMs = -1;  // what it stands for in the score; -1 = not in the score
};

// An accompaniment onset as an ideal accompanist following the player would place it.
struct AccompanimentOnset {
    std::uint32_t scoreMs = 0;
    std::uint32_t perfMs = 0;
};

struct Performance {
    std::vector<PlayedNote> notes;  // in the order played
    std::vector<AccompanimentOnset> accompaniment;
};

// False with `error` when a track or bar number does not fit the piece or
// nothing would be played.
bool Humanise(const Piece& piece, const HumaniseOptions& options, Performance& performance,
              std::string& error);

// The performance as a Standard MIDI File: format 1, one track, 500 ticks per
// quarter at 500000 µs per quarter, so a tick is a millisecond.
smf::Bytes PerformanceFile(const Performance& performance);

// "perf_ms\tpitch\tscore_ms" and one row per played note.
std::string TruthTsv(const Performance& performance);
// "score_ms\tperf_ms" and one row per accompaniment onset, in performed order.
std::string AccompanimentTruthTsv(const Performance& performance);

// The case description: the following track(s), `follow = taps` for taps,
// then the extra `key = value` settings in the order given.
std::string CaseText(const HumaniseOptions& options,
                     const std::vector<std::pair<std::string, std::string>>& settings);

}  // namespace ostinel::performance
