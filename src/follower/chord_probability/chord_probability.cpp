#include "follower/chord_probability/chord_probability.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

namespace ostinel {
namespace {

// Steps from one chord to another, before the timing decides between them.
constexpr double kStayChance = 0.2;   // another note of the same chord, a trill, a repeat
constexpr double kBackChance = 0.02;  // one chord back: the soloist repeats a little
constexpr double kNextChance = 0.7;   // on to the next chord
constexpr double kSkipChance = 0.06;  // over one chord left out, fewer for each further one
constexpr double kSkipDecay = 0.4;
constexpr int kBand = 12;  // the farthest local step forward
constexpr std::array<double, kBand - 1> kSkipDecays = [] {
    std::array<double, kBand - 1> decays{};
    double decay = 1.0;
    for (double& d : decays) {
        d = decay;
        decay *= kSkipDecay;
    }
    return decays;
}();
constexpr double kJumpChance = 0.01;  // per note, to anywhere in the reach
constexpr double kEvenJumpShare = 0.5;
constexpr double kNearJumpMs = 20000.0;  // half as likely a landing this far away

// Timing: a gap inside a chord is short; between chords it is the written
// distance at the tempo, give or take a fifth of it and a little more.
constexpr double kChordGapMs = 30.0;
constexpr double kOrnamentGapMs = 250.0;
constexpr double kChordShare = 0.75;
constexpr double kSpread = 0.2;
constexpr double kSpreadFloorMs = 25.0;
constexpr double kTimingShare = 0.85;
constexpr double kAnyGapMs = 3000.0;  // a gap that says nothing: even over three seconds

// Evidence of the key.
constexpr double kWrittenKey = 1.0;
constexpr double kNeighborKey = 0.08;
constexpr double kOtherKey = 0.01;

// Chords far below the likeliest send no steps: they could not catch up in a note.
constexpr double kActiveShare = 1e-15;
constexpr double kInvSqrtTwoPi = 0.3989422804014327;

bool Contains(const std::array<std::uint64_t, 2>& set, std::uint8_t key) {
    return key < 128 && ((set[key >> 6] >> (key & 63)) & 1u) != 0;
}

void Insert(std::array<std::uint64_t, 2>& set, int key) {
    if (key >= 0 && key < 128)
        set[static_cast<std::size_t>(key >> 6)] |= std::uint64_t{1} << (key & 63);
}

}  // namespace

bool ChordProbability::Prepare(const ScoreChords& score) {
    const auto count = static_cast<std::size_t>(score.Count());
    try {
        std::vector<ScorePosition> times(count);
        std::vector<PitchSet> pitches(count, PitchSet{});
        std::vector<PitchSet> neighbors(count, PitchSet{});
        for (std::size_t c = 0; c < count; ++c) {
            const ScoreChord& chord = score.chords[c];
            times[c] = chord.time;
            for (int n = 0; n < chord.noteCount; ++n) {
                const int key = score.notes[static_cast<std::size_t>(chord.firstNote + n)].pitch &
                                ~kMatchedFlag;
                Insert(pitches[c], key);
                for (const int step : {-2, -1, 1, 2})
                    Insert(neighbors[c], key + step);
            }
        }
        std::vector<double> current(count, 0.0);
        std::vector<double> next(count, 0.0);
        times_ = std::move(times);
        pitches_ = std::move(pitches);
        neighbors_ = std::move(neighbors);
        current_ = std::move(current);
        next_ = std::move(next);
    } catch (const std::bad_alloc&) {
        return false;
    }
    likeliest_ = 0;
    if (count > 0) Place(0);
    return true;
}

void ChordProbability::Place(int chord) {
    const int count = Count();
    if (count == 0) return;
    chord = std::clamp(chord, 0, count - 1);
    std::fill(current_.begin(), current_.end(), 1e-9 / count);
    background_ = 1e-9 / count;
    // The soloist may begin a chord early or late.
    for (int step = -2; step <= 2; ++step) {
        const int c = chord + step;
        if (c >= 0 && c < count) current_[static_cast<std::size_t>(c)] += step == 0 ? 0.6 : 0.1;
    }
    likeliest_ = chord;
}

void ChordProbability::Listen(int chord) {
    const int count = Count();
    if (count == 0) return;
    chord = std::clamp(chord, 0, count - 1);
    std::fill(current_.begin(), current_.end(), 0.5 / count);
    current_[static_cast<std::size_t>(chord)] += 0.5;
    background_ = 0.5 / count;
    likeliest_ = chord;
}

double ChordProbability::Around(int chord) const {
    double mass = 0;
    for (int c = std::max(chord - 2, 0); c <= std::min(chord + 2, Count() - 1); ++c)
        mass += current_[static_cast<std::size_t>(c)];
    return mass;
}

bool ChordProbability::Holds(int chord, std::uint8_t key) const {
    return chord >= 0 && chord < Count() &&
           Contains(pitches_[static_cast<std::size_t>(chord)], key);
}

double ChordProbability::StepWeight(int from, int to, const Gap& gap) const {
    const int step = to - from;
    if (step == 0) return gap.stay;
    if (step < 0) return kBackChance / kAnyGapMs;
    const double chance = step == 1 ? kNextChance : kSkipChance * kSkipDecays[step - 2];
    if (gap.ms < 0) return chance / kAnyGapMs;
    const double written =
        times_[static_cast<std::size_t>(to)] - times_[static_cast<std::size_t>(from)];
    const double expected = written / gap.tempo;
    const double sigma = kSpread * expected + kSpreadFloorMs;
    const double z = (gap.ms - expected) / sigma;
    const double fit =
        z * z < 72 ? kTimingShare * kInvSqrtTwoPi / sigma * std::exp(-0.5 * z * z) : 0;
    return chance * (fit + gap.anyTiming);
}

void ChordProbability::AddSteps(int from, double mass, const Gap& gap) {
    const int last = std::min(Count() - 1, from + kBand);
    for (int to = std::max(0, from - 1); to <= last; ++to)
        next_[static_cast<std::size_t>(to)] += mass * StepWeight(from, to, gap);
}

void ChordProbability::Update(std::uint8_t key, std::int32_t gapMs, double tempo, Reach jumps) {
    const int count = Count();
    if (count == 0) return;
    const int reachFirst = std::clamp(jumps.first, 0, count);
    const int reachEnd = std::clamp(jumps.end, reachFirst, count);
    // A jump lands anywhere in the reach, half of it evenly and half the more
    // readily the nearer it is to where the soloist seems to be: of two
    // identical passages the nearer one is the likelier. The destination
    // weights do not depend on the chord jumped from (an outer product), so
    // a note costs one pass over the chords.
    std::fill(next_.begin(), next_.end(), 0.0);
    double background = 0;
    if (reachEnd > reachFirst) {
        const double here = times_[static_cast<std::size_t>(likeliest_)];
        double nearSum = 0;
        for (int c = reachFirst; c < reachEnd; ++c) {
            const double away = (times_[static_cast<std::size_t>(c)] - here) / kNearJumpMs;
            const double nearness = 1.0 / (1.0 + away * away);
            next_[static_cast<std::size_t>(c)] = nearness;
            nearSum += nearness;
        }
        background = kJumpChance * kEvenJumpShare / (reachEnd - reachFirst) / kAnyGapMs;
        const double nearScale = kJumpChance * (1 - kEvenJumpShare) / nearSum / kAnyGapMs;
        for (int c = reachFirst; c < reachEnd; ++c) {
            double& mass = next_[static_cast<std::size_t>(c)];
            mass = background + mass * nearScale;
        }
    }

    Gap gap;
    gap.ms = gapMs;
    gap.tempo = std::max(tempo, 0.05);
    if (gapMs < 0) {
        gap.stay = kStayChance / kAnyGapMs;
    } else {
        const double ms = gapMs;
        gap.stay =
            kStayChance * (kChordShare * std::exp(-ms / kChordGapMs) / kChordGapMs +
                           (1 - kChordShare) * std::exp(-ms / kOrnamentGapMs) / kOrnamentGapMs);
        gap.anyTiming = (1 - kTimingShare) / kAnyGapMs;
    }
    // Chords holding no more than what a jump gave them, less a written key,
    // send no steps: their share is the even background.
    const double threshold =
        std::max(current_[static_cast<std::size_t>(likeliest_)] * kActiveShare, background_ * 2);
    for (int c = 0; c < count; ++c) {
        const double mass = current_[static_cast<std::size_t>(c)];
        if (mass > threshold) AddSteps(c, mass * (1 - kJumpChance), gap);
    }

    double total = 0;
    double best = -1;
    int bestChord = likeliest_;
    for (int c = 0; c < count; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const double evidence = Contains(pitches_[i], key)     ? kWrittenKey
                                : Contains(neighbors_[i], key) ? kNeighborKey
                                                               : kOtherKey;
        const double mass = next_[i] * evidence;
        next_[i] = mass;
        total += mass;
        if (mass > best) {
            best = mass;
            bestChord = c;
        }
    }
    if (!(total > 0) || !std::isfinite(total)) {
        Place(likeliest_);
        return;
    }
    const double scale = 1.0 / total;
    background_ = background * kNeighborKey * scale;
    for (double& mass : next_)
        mass *= scale;
    current_.swap(next_);
    likeliest_ = bestChord;
}

}  // namespace ostinel
