#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "follower/engine/score_chords.h"
#include "music/score_position.h"

namespace ostinel {

// How likely each chord of the score is to be the one the soloist's latest
// note belongs to, updated note by note as a hidden Markov model: from each
// likely chord a local band of steps (the same chord again, the next chords,
// one back) weighed by how well the gap since the previous note fits the
// written distance at the current tempo, and a small chance of a jump to any
// chord of a reach. Only the chords that hold more than the even background
// are kept one by one: a note costs the local band of those, plus the chords
// that hold the played key, never a pass over every pair of chords.
//
// Prepare allocates everything; Place, Listen and Update never allocate.
class ChordProbability {
  public:
    // The chords a jump may land on, [first, end); empty: no jumps.
    struct Reach {
        int first = 0;
        int end = 0;
    };

    // main thread. False when memory ran out (the old score is kept then).
    bool Prepare(const ScoreChords& score);
    int Count() const { return static_cast<int>(times_.size()); }

    // Nearly all the probability on `chord` and its neighbours: the soloist starts there.
    void Place(int chord);
    // Half the probability spread evenly, half on `chord`: listening for the
    // soloist to start anywhere, most likely where the song position stands.
    void Listen(int chord);
    // One played key, `gapMs` clock ms after the previous note (negative when
    // there was none since Place), at `tempo` score ms per clock ms.
    void Update(std::uint8_t key, std::int32_t gapMs, double tempo, Reach jumps);

    int Likeliest() const { return likeliest_; }
    // The probability of `chord` and the two chords either side of it.
    double Around(int chord) const;
    // Whether the chord holds the key as written.
    bool Holds(int chord, std::uint8_t key) const;

  private:
    using PitchSet = std::array<std::uint64_t, 2>;

    // The weights of one note's steps that depend only on its gap.
    struct Gap {
        std::int32_t ms = -1;  // negative: unknown
        double tempo = 1.0;
        double stay = 0;       // the same chord again
        double anyTiming = 0;  // the share of a step that ignores timing
    };
    double StepWeight(int from, int to, const Gap& gap) const;
    void AddSteps(int from, double mass, const Gap& gap, int band);

    // The weight of landing on `chord` by a jump, without the even share.
    double Nearness(int chord) const;
    // The chord's entry in next_, cleared the first time this note touches it.
    double& Touch(int chord);
    void Activate(int chord, double mass);
    void ClearActive();

    std::vector<ScorePosition> times_;
    std::vector<PitchSet> pitches_;    // the keys written in each chord
    std::vector<PitchSet> neighbors_;  // keys a tone or semitone from them: ornaments, slips
    std::array<std::int32_t, 128> pitchStarts_{};
    std::array<std::int32_t, 128> pitchCounts_{};
    std::vector<std::int32_t> pitchChords_;  // the chords holding each key, by key
    // The chords kept one by one, with their probability; every other chord
    // holds background_.
    std::vector<double> mass_;
    std::vector<std::uint32_t> activeMark_;  // == generation_: the chord is kept
    std::vector<std::int32_t> active_;
    int activeCount_ = 0;
    std::uint32_t generation_ = 1;
    // This note's scratch.
    std::vector<double> next_;
    std::vector<std::uint32_t> touchMark_;
    std::vector<std::int32_t> touched_;
    int touchedCount_ = 0;
    std::uint32_t touchGeneration_ = 1;
    double background_ = 0;   // what a chord not kept holds
    double nearnessSum_ = 1;  // about the sum of Nearness over the score
    int likeliest_ = 0;
};

}  // namespace ostinel
