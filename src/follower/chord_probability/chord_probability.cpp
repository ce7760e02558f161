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
// Room for the local places and the best-supported landings of a jump; keeping
// more changes no place found on the measured takes and only costs time.
constexpr int kMostKept = 128;
constexpr double kFaintShare = 1e-4;
constexpr int kFaintBand = 3;
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
        std::vector<std::int32_t> pitchChords = score.pitchIndex.chords;
        std::vector<double> mass(count, 0.0);
        std::vector<std::uint32_t> activeMark(count, 0);
        std::vector<std::int32_t> active(count, 0);
        std::vector<double> next(count, 0.0);
        std::vector<std::uint32_t> touchMark(count, 0);
        std::vector<std::int32_t> touched(count, 0);
        times_ = std::move(times);
        pitches_ = std::move(pitches);
        neighbors_ = std::move(neighbors);
        pitchChords_ = std::move(pitchChords);
        pitchStarts_ = score.pitchIndex.starts;
        pitchCounts_ = score.pitchIndex.counts;
        mass_ = std::move(mass);
        activeMark_ = std::move(activeMark);
        active_ = std::move(active);
        next_ = std::move(next);
        touchMark_ = std::move(touchMark);
        touched_ = std::move(touched);
    } catch (const std::bad_alloc&) {
        return false;
    }
    generation_ = 1;
    touchGeneration_ = 1;
    // Jumps land more readily near the present place: over the whole score,
    // the nearness of every chord sums to about the chords within pi near-jump lengths.
    const double length = count > 1 ? std::max<double>(times_.back() - times_.front(), 1.0) : 1.0;
    nearnessSum_ = std::clamp(static_cast<double>(count) * 3.14159 * kNearJumpMs / length, 1.0,
                              static_cast<double>(std::max<std::size_t>(count, 1)));
    likeliest_ = 0;
    activeCount_ = 0;
    if (count > 0) Place(0);
    return true;
}

void ChordProbability::ClearActive() {
    ++generation_;
    if (generation_ == 0) {
        std::fill(activeMark_.begin(), activeMark_.end(), 0u);
        generation_ = 1;
    }
    activeCount_ = 0;
}

void ChordProbability::Activate(int chord, double mass) {
    const auto i = static_cast<std::size_t>(chord);
    if (activeMark_[i] != generation_) {
        activeMark_[i] = generation_;
        active_[static_cast<std::size_t>(activeCount_++)] = chord;
        mass_[i] = 0;
    }
    mass_[i] += mass;
}

double& ChordProbability::Touch(int chord) {
    const auto i = static_cast<std::size_t>(chord);
    if (touchMark_[i] != touchGeneration_) {
        touchMark_[i] = touchGeneration_;
        touched_[static_cast<std::size_t>(touchedCount_++)] = chord;
        next_[i] = 0;
    }
    return next_[i];
}

void ChordProbability::Place(int chord) {
    const int count = Count();
    if (count == 0) return;
    chord = std::clamp(chord, 0, count - 1);
    ClearActive();
    background_ = 1e-9 / count;
    // The soloist may begin a chord early or late.
    for (int step = -2; step <= 2; ++step) {
        const int c = chord + step;
        if (c >= 0 && c < count) Activate(c, step == 0 ? 0.6 : 0.1);
    }
    likeliest_ = chord;
}

void ChordProbability::Listen(int chord) {
    const int count = Count();
    if (count == 0) return;
    chord = std::clamp(chord, 0, count - 1);
    ClearActive();
    background_ = 0.5 / count;
    Activate(chord, 0.5 + background_);
    likeliest_ = chord;
}

double ChordProbability::Around(int chord) const {
    double mass = 0;
    for (int c = std::max(chord - 2, 0); c <= std::min(chord + 2, Count() - 1); ++c) {
        const auto i = static_cast<std::size_t>(c);
        mass += activeMark_[i] == generation_ ? mass_[i] : background_;
    }
    return mass;
}

double ChordProbability::Nearness(int chord) const {
    const double away =
        (times_[static_cast<std::size_t>(chord)] - times_[static_cast<std::size_t>(likeliest_)]) /
        kNearJumpMs;
    return 1.0 / (1.0 + away * away);
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

void ChordProbability::AddSteps(int from, double mass, const Gap& gap, int band) {
    const int last = std::min(Count() - 1, from + band);
    for (int to = std::max(0, from - 1); to <= last; ++to)
        Touch(to) += mass * StepWeight(from, to, gap);
}

void ChordProbability::Update(std::uint8_t key, std::int32_t gapMs, double tempo, Reach jumps) {
    const int count = Count();
    if (count == 0) return;
    const int reachFirst = std::clamp(jumps.first, 0, count);
    const int reachEnd = std::clamp(jumps.end, reachFirst, count);
    const int reachCount = reachEnd - reachFirst;
    ++touchGeneration_;
    if (touchGeneration_ == 0) {
        std::fill(touchMark_.begin(), touchMark_.end(), 0u);
        touchGeneration_ = 1;
    }
    touchedCount_ = 0;

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

    // The kept chords step through the band; the rest of the probability, even
    // over the score, goes where a jump goes, as does a small share of the kept.
    double keptMass = 0;
    const auto likeliest = static_cast<std::size_t>(likeliest_);
    const double likeliestMass = activeMark_[likeliest] == generation_ ? mass_[likeliest] : 1.0;
    for (int a = 0; a < activeCount_; ++a) {
        const int chord = active_[static_cast<std::size_t>(a)];
        const double mass = mass_[static_cast<std::size_t>(chord)];
        keptMass += mass;
        // A faint place only needs the near steps to show whether it holds up.
        const int band = mass < likeliestMass * kFaintShare ? kFaintBand : kBand;
        AddSteps(chord, mass * (1 - kJumpChance), gap, band);
    }
    const double spread = std::max(1.0 - keptMass, 0.0) + kJumpChance * keptMass;
    double even = 0;
    if (reachCount > 0) {
        even = spread * kEvenJumpShare / reachCount / kAnyGapMs;
        // Landing near the present place is likelier: only a chord holding the
        // key can make anything of it, so only those are weighed one by one.
        const double nearScale = spread * (1 - kEvenJumpShare) / nearnessSum_ / kAnyGapMs;
        const auto start = static_cast<std::size_t>(key < 128 ? pitchStarts_[key] : 0);
        const int holding = key < 128 ? pitchCounts_[key] : 0;
        for (int h = 0; h < holding; ++h) {
            const int chord = pitchChords_[start + static_cast<std::size_t>(h)];
            if (chord < reachFirst || chord >= reachEnd) continue;
            if (touchMark_[static_cast<std::size_t>(chord)] == touchGeneration_ && h > 0 &&
                pitchChords_[start + static_cast<std::size_t>(h) - 1] == chord) {
                continue;  // the key twice in one chord
            }
            Touch(chord) += nearScale * Nearness(chord);
        }
    }

    double total = 0;
    double best = -1;
    int bestChord = likeliest_;
    int touchedInReach = 0;
    for (int t = 0; t < touchedCount_; ++t) {
        const int chord = touched_[static_cast<std::size_t>(t)];
        const auto i = static_cast<std::size_t>(chord);
        const bool inReach = chord >= reachFirst && chord < reachEnd;
        if (inReach) ++touchedInReach;
        const double evidence = Contains(pitches_[i], key)     ? kWrittenKey
                                : Contains(neighbors_[i], key) ? kNeighborKey
                                                               : kOtherKey;
        const double mass = (next_[i] + (inReach ? even : 0.0)) * evidence;
        next_[i] = mass;
        total += mass;
        if (mass > best) {
            best = mass;
            bestChord = chord;
        }
    }
    // Every chord not touched holds the even share, as weak evidence as any.
    const double background = even * kOtherKey;
    total += background * (reachCount - touchedInReach);
    if (!(total > 0) || !std::isfinite(total)) {
        Place(likeliest_);
        return;
    }
    const double scale = 1.0 / total;
    background_ = background * scale;
    // Keep what holds clearly more than the background, and what could grow
    // into the likeliest within a note.
    const double threshold = std::max(best * scale * kActiveShare, 2 * background_);
    ClearActive();
    for (int t = 0; t < touchedCount_; ++t) {
        const int chord = touched_[static_cast<std::size_t>(t)];
        const double mass = next_[static_cast<std::size_t>(chord)] * scale;
        if (mass > threshold) Activate(chord, mass);
    }
    if (activeCount_ > kMostKept) {
        // Too many places to weigh one by one: the likeliest are kept, the
        // others go back to the background.
        const auto begin = active_.begin();
        std::nth_element(begin, begin + (kMostKept - 1), begin + activeCount_,
                         [this](std::int32_t a, std::int32_t b) {
                             return mass_[static_cast<std::size_t>(a)] >
                                    mass_[static_cast<std::size_t>(b)];
                         });
        for (int a = kMostKept; a < activeCount_; ++a)
            activeMark_[static_cast<std::size_t>(active_[static_cast<std::size_t>(a)])] = 0;
        activeCount_ = kMostKept;
    }
    if (best > background) likeliest_ = bestChord;
}

}  // namespace ostinel
