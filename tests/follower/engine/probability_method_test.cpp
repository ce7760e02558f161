// The probability method on whole takes of a dense piano texture: spread
// chords, ornaments, wrong notes, fast runs, skips and rests. Each take is
// also run with the matching method, which loses its place in it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "follower_test_rig.h"

namespace ostinel {
namespace {

using follower_test::BeatList;
using follower_test::FollowerFixture;
using follower_test::NoteWord;
using follower_test::Options;
using follower_test::WrittenNote;

constexpr std::uint32_t kStepMs = 250;  // eighth notes at 120 beats a minute
constexpr int kChords = 96;
constexpr std::uint32_t kClock = 10000;

// A deterministic stream of numbers, so that every run plays the same take.
class Dice {
  public:
    explicit Dice(std::uint32_t seed) : state_(seed) {}
    int Roll(int sides) {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int>((state_ >> 8) % static_cast<std::uint32_t>(sides));
    }

  private:
    std::uint32_t state_;
};

// One written chord: its time and keys (the first is the melody).
struct Chord {
    std::uint32_t time = 0;
    std::vector<int> keys;
};

// A melody over a bass, two or three keys at each eighth, the pitches wandering.
std::vector<Chord> DenseScore(std::uint32_t seed) {
    Dice dice(seed);
    std::vector<Chord> chords;
    int melody = 72;
    for (int i = 0; i < kChords; ++i) {
        melody = std::clamp(melody + dice.Roll(9) - 4, 64, 84);
        Chord chord{static_cast<std::uint32_t>(i) * kStepMs, {melody}};
        if (i % 2 == 0) chord.keys.push_back(melody - 12 - dice.Roll(5));
        if (i % 4 == 0) chord.keys.push_back(40 + dice.Roll(12));
        chords.push_back(chord);
    }
    return chords;
}

std::vector<WrittenNote> Notes(const std::vector<Chord>& chords) {
    std::vector<WrittenNote> notes;
    for (const Chord& chord : chords) {
        for (const int key : chord.keys)
            notes.push_back({chord.time, key});
    }
    return notes;
}

// A played note and the score time it stands for (-1: not in the score).
struct Played {
    std::uint32_t at = 0;
    int key = 60;
    ScorePosition truth{-1};
};

class ProbabilityMethod : public FollowerFixture {
  protected:
    void Load(const std::vector<Chord>& chords, FollowingMethod method) {
        LoadScore(Notes(chords), BeatList(2 * kStepMs, 4, kChords * kStepMs));
        FollowerOptions options = Options();
        options.method = method;
        ASSERT_TRUE(follower.SetOptions(options));
    }

    // Plays the take from the first chord; a jump request is answered as the
    // engine answers it. Returns the share of scored notes after which the
    // position is within 100 ms of the truth.
    double Perform(const std::vector<Played>& take) {
        StartAt(ScorePosition{0}, take.front().at - 50);
        int scored = 0;
        int within = 0;
        errors.clear();
        for (const Played& note : take) {
            const std::size_t jumpsBefore = callback.jumps.size();
            Play(note.at, note.key);
            if (callback.jumps.size() > jumpsBefore) {
                follower.Stop();
                EXPECT_TRUE(follower.Resume(kFixedOne));
            }
            if (note.truth < ScorePosition{}) continue;
            const int error = std::abs(PositionAt(note.at) - note.truth);
            errors.push_back(error);
            ++scored;
            if (error <= 100) ++within;
        }
        return scored == 0 ? 0.0 : static_cast<double>(within) / scored;
    }

    std::vector<int> errors;
};

// Every chord at `tempo`, each onset up to `jitterMs` early or late, its
// keys `spreadMs` apart, the melody first.
std::vector<Played> Take(const std::vector<Chord>& chords, double tempo, std::uint32_t spreadMs,
                         int first = 0, int end = kChords, std::uint32_t startAt = kClock,
                         int jitterMs = 0) {
    std::vector<Played> take;
    Dice dice(static_cast<std::uint32_t>(first * 31 + end));
    const std::uint32_t origin = chords[static_cast<std::size_t>(first)].time;
    for (int c = first; c < end; ++c) {
        const Chord& chord = chords[static_cast<std::size_t>(c)];
        const int jitter = jitterMs == 0 ? 0 : dice.Roll(2 * jitterMs + 1) - jitterMs;
        const auto onset =
            static_cast<std::uint32_t>(startAt + (chord.time - origin) / tempo + jitter);
        for (std::size_t k = 0; k < chord.keys.size(); ++k) {
            take.push_back({onset + static_cast<std::uint32_t>(k) * spreadMs, chord.keys[k],
                            static_cast<ScorePosition>(chord.time)});
        }
    }
    std::stable_sort(take.begin(), take.end(),
                     [](const Played& a, const Played& b) { return a.at < b.at; });
    return take;
}

TEST_F(ProbabilityMethod, SpreadChordsWithTheMelodyAheadStayInPlace) {
    const auto chords = DenseScore(1);
    Load(chords, FollowingMethod::Probability);
    // Each chord rolled over 80 ms, the onsets 30 ms early or late.
    EXPECT_GE(Perform(Take(chords, 1.0, 40, 0, kChords, kClock, 30)), 0.95);
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(ProbabilityMethod, ASlowlyRolledChordHoldsThePlaceAtItsBeginning) {
    auto chords = DenseScore(10);
    // A six-key chord held for a whole bar, rolled upwards over 750 ms.
    const int rolled = 40;
    chords[rolled].keys = {48, 55, 60, 64, 67, 72};
    for (std::size_t c = rolled + 1; c < chords.size(); ++c)
        chords[c].time += 1750;
    Load(chords, FollowingMethod::Probability);
    const auto at = static_cast<ScorePosition>(chords[rolled].time);
    std::vector<Played> take = Take(chords, 1.0, 10);
    std::uint32_t delay = 0;
    for (Played& note : take) {
        if (note.truth != at) continue;
        note.at += delay;
        delay += 140;
    }
    EXPECT_GE(Perform(take), 0.95);
    for (std::size_t i = 0; i < take.size(); ++i) {
        if (take[i].truth == at) {
            EXPECT_LE(errors[i], 100) << "key " << take[i].key;
        }
    }
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(ProbabilityMethod, ARunAtTwiceTheWrittenTempoIsFollowed) {
    const auto chords = DenseScore(2);
    Load(chords, FollowingMethod::Probability);
    // Written at 250 ms an eighth, played at 125 with chords spread over 30 ms
    // and the onsets 15 ms early or late.
    EXPECT_GE(Perform(Take(chords, 2.0, 15, 0, kChords, kClock, 15)), 0.95);
    EXPECT_TRUE(callback.jumps.empty());
    EXPECT_NEAR(LastPosition().tempo, 2 * kFixedOne, kFixedOne / 10);
}

TEST_F(ProbabilityMethod, AnAccelerandoIsFollowed) {
    const auto chords = DenseScore(3);
    Load(chords, FollowingMethod::Probability);
    std::vector<Played> take;
    double clock = kClock;
    for (int c = 0; c < kChords; ++c) {
        // From the written tempo to 1.7 times it over the take.
        const double tempo = 1.0 + 0.7 * c / kChords;
        for (const int key : chords[static_cast<std::size_t>(c)].keys) {
            take.push_back({static_cast<std::uint32_t>(clock), key,
                            static_cast<ScorePosition>(chords[static_cast<std::size_t>(c)].time)});
        }
        clock += kStepMs / tempo;
    }
    EXPECT_GE(Perform(take), 0.95);
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(ProbabilityMethod, WrongExtraAndMissingNotesDoNotMoveIt) {
    const auto chords = DenseScore(4);
    Load(chords, FollowingMethod::Probability);
    std::vector<Played> take = Take(chords, 1.0, 15);
    Dice dice(44);
    std::vector<Played> faulty;
    for (const Played& note : take) {
        const int roll = dice.Roll(10);
        if (roll == 0) continue;  // left out
        if (roll == 1) {
            faulty.push_back({note.at, note.key + 1, ScorePosition{-1}});  // a slip of a semitone
            continue;
        }
        faulty.push_back(note);
        if (roll == 2)
            faulty.push_back({note.at + 5, 30 + dice.Roll(60), ScorePosition{-1}});  // an extra key
    }
    EXPECT_GE(Perform(faulty), 0.95);
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(ProbabilityMethod, GraceNotesAndTurnsInAFastTakeAddNotesWithoutMovingIt) {
    const auto chords = DenseScore(8);
    Load(chords, FollowingMethod::Probability);
    const std::vector<Played> take = Take(chords, 1.6, 12, 0, kChords, kClock, 12);
    Dice dice(88);
    std::vector<Played> ornamented;
    for (std::size_t i = 0; i < take.size(); ++i) {
        const bool melody = i == 0 || take[i].truth != take[i - 1].truth;
        if (melody && dice.Roll(3) == 0) {
            // A turn before the melody note: the notes above and below it, quickly.
            ornamented.push_back({take[i].at - 45, take[i].key + 2, ScorePosition{-1}});
            ornamented.push_back({take[i].at - 30, take[i].key, ScorePosition{-1}});
            ornamented.push_back({take[i].at - 15, take[i].key - 1, ScorePosition{-1}});
        }
        ornamented.push_back(take[i]);
    }
    EXPECT_GE(Perform(ornamented), 0.95);
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(ProbabilityMethod, ATrillOnOneWrittenNoteKeepsThePlace) {
    auto chords = DenseScore(5);
    // A long note of a whole bar: the soloist trills it with the note above.
    const int trilled = 40;
    chords[trilled].keys = {76};
    chords.erase(chords.begin() + trilled + 1, chords.begin() + trilled + 8);
    for (std::size_t c = trilled + 1; c < chords.size(); ++c)
        chords[c].time =
            chords[trilled].time + 2000 + static_cast<std::uint32_t>(c - trilled - 1) * kStepMs;
    Load(chords, FollowingMethod::Probability);
    std::vector<Played> take = Take(chords, 1.0, 10, 0, trilled);
    const std::uint32_t trillAt = take.back().at + kStepMs;
    for (int n = 0; n < 24; ++n) {
        take.push_back(
            {trillAt + static_cast<std::uint32_t>(n) * 80, n % 2 == 0 ? 76 : 78,
             n == 0 ? static_cast<ScorePosition>(chords[trilled].time) : ScorePosition{-1}});
    }
    const std::vector<Played> after =
        Take(chords, 1.0, 10, trilled + 1, static_cast<int>(chords.size()), trillAt + 2000);
    take.insert(take.end(), after.begin(), after.end());
    // Inside the trill the place is the long note, whose time goes on: only
    // its first note is scored, and the place stays inside the note.
    std::vector<Played> trill(
        take.begin(), take.begin() + static_cast<std::ptrdiff_t>(take.size() - after.size()));
    EXPECT_GE(Perform(trill), 0.95);
    const auto held = static_cast<ScorePosition>(chords[trilled].time);
    EXPECT_GE(PositionAt(trill.back().at), ScorePosition{held + 1500});
    EXPECT_LE(PositionAt(trill.back().at), ScorePosition{held + 2000});
    for (const Played& note : after) {
        Play(note.at, note.key);
        EXPECT_NEAR(PositionAt(note.at).Ms(), note.truth.Ms(), 100);
    }
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(ProbabilityMethod, ASkipAnywhereIsFoundWithinThreeChords) {
    const auto chords = DenseScore(6);
    Load(chords, FollowingMethod::Probability);
    std::vector<Played> take = Take(chords, 1.0, 10, 0, 30);
    const std::uint32_t resume = take.back().at + 300;
    const int firstAfter = static_cast<int>(take.size());
    const std::vector<Played> later = Take(chords, 1.0, 10, 70, kChords, resume);
    take.insert(take.end(), later.begin(), later.end());
    Perform(take);
    ASSERT_EQ(callback.jumps.size(), 1u);
    // Where the soloist is when a second note agrees.
    EXPECT_GE(callback.jumps[0].target, static_cast<ScorePosition>(chords[70].time));
    EXPECT_LE(callback.jumps[0].target, static_cast<ScorePosition>(chords[73].time));
    // Back in place by the third chord after the skip, and kept from there.
    int chordsUntilPlaced = 0;
    for (std::size_t i = static_cast<std::size_t>(firstAfter); i < take.size(); ++i) {
        if (errors[i] <= 100) break;
        if (i == 0 || take[i].truth != take[i - 1].truth) ++chordsUntilPlaced;
    }
    EXPECT_LE(chordsUntilPlaced, 3);
    for (std::size_t i = static_cast<std::size_t>(firstAfter) + 12; i < take.size(); ++i)
        EXPECT_LE(errors[i], 100) << "note " << i;
}

TEST_F(ProbabilityMethod, ThroughARestItKeepsTimeAndWaitsForTheEntry) {
    auto chords = DenseScore(7);
    // Four beats of rest after chord 39; the soloist comes in 600 ms late.
    for (std::size_t c = 40; c < chords.size(); ++c)
        chords[c].time += 2000;
    Load(chords, FollowingMethod::Probability);
    std::vector<Played> take = Take(chords, 1.0, 10, 0, 40);
    const std::uint32_t lastOnset = take.back().at - 10 * (chords[39].keys.size() - 1);
    const auto entry = static_cast<ScorePosition>(chords[40].time);
    const std::uint32_t dueAt = lastOnset + (chords[40].time - chords[39].time);
    const std::vector<Played> after = Take(chords, 1.0, 10, 40, kChords, dueAt + 600);
    take.insert(take.end(), after.begin(), after.end());
    std::vector<Played> before(
        take.begin(), take.begin() + static_cast<std::ptrdiff_t>(take.size() - after.size()));
    Perform(before);
    // Time goes on through the rest ...
    EXPECT_NEAR(PositionAt(lastOnset + 1000).Ms(),
                static_cast<std::int32_t>(chords[39].time) + 1000, 30);
    // ... up to where the soloist comes in, and waits there.
    EXPECT_LE(PositionAt(dueAt + 300), ScorePosition{entry});
    EXPECT_GE(PositionAt(dueAt + 300), ScorePosition{entry - 30});
    EXPECT_EQ(follower.TimeUntil(entry), -1);
    for (const Played& note : after)
        Play(note.at, note.key);
    EXPECT_NEAR(PositionAt(after.front().at).Ms(), entry.Ms(), 30);
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(ProbabilityMethod, ListeningItStartsWhereTheSoloistBegins) {
    const auto chords = DenseScore(9);
    Load(chords, FollowingMethod::Probability);
    // Not running: the soloist begins at chord 50 and playing starts there.
    const std::vector<Played> take = Take(chords, 1.0, 10, 50, 60);
    for (const Played& note : take) {
        Play(note.at, note.key);
        if (!callback.jumps.empty()) break;
    }
    ASSERT_EQ(callback.jumps.size(), 1u);
    EXPECT_GE(callback.jumps[0].target, static_cast<ScorePosition>(chords[50].time));
    EXPECT_LE(callback.jumps[0].target, static_cast<ScorePosition>(chords[53].time));
    EXPECT_TRUE(follower.Resume(kFixedOne));
    EXPECT_TRUE(follower.Running());
}

TEST_F(ProbabilityMethod, AWaitMarkerHoldsUntilTheSoloistPlaysThere) {
    const auto chords = DenseScore(10);
    Load(chords, FollowingMethod::Probability);
    const std::vector<ScorePosition> wait{static_cast<ScorePosition>(chords[20].time)};
    ASSERT_TRUE(follower.SetWaitMarkers(wait));
    const std::vector<Played> take = Take(chords, 1.0, 10, 0, 20);
    Perform(take);
    // Past the marker's time the accompaniment waits at it ...
    EXPECT_EQ(PositionAt(take.back().at + 1000), ScorePosition{wait[0] - 1});
    EXPECT_EQ(follower.TimeUntil(wait[0]), -1);
    // ... until the soloist plays the chord there, late.
    const std::uint32_t late = take.back().at + 1000;
    for (const int key : chords[20].keys)
        Play(late, key);
    EXPECT_EQ(PositionAt(late), ScorePosition{wait[0]});
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(ProbabilityMethod, WithJumpingOffAFarSkipIsNotFollowed) {
    const auto chords = DenseScore(6);
    Load(chords, FollowingMethod::Probability);
    FollowerOptions options = Options(TimingLevel::Highest, false);
    options.method = FollowingMethod::Probability;
    ASSERT_TRUE(follower.SetOptions(options));
    std::vector<Played> take = Take(chords, 1.0, 10, 0, 30);
    const std::vector<Played> later = Take(chords, 1.0, 10, 70, kChords, take.back().at + 300);
    take.insert(take.end(), later.begin(), later.end());
    Perform(take);
    EXPECT_TRUE(callback.jumps.empty());
    EXPECT_LT(PositionAt(take.back().at), static_cast<ScorePosition>(chords[60].time));
}

TEST_F(ProbabilityMethod, TheTakeMapsBackOntoTheScore) {
    const auto chords = DenseScore(11);
    Load(chords, FollowingMethod::Probability);
    const std::vector<Played> take = Take(chords, 1.25, 10);
    Perform(take);
    callback.now = take.back().at + 100;
    follower.Stop();
    for (std::size_t i = 0; i < take.size(); i += 17)
        // A chord's later notes come up to 20 ms after its first.
        EXPECT_NEAR(follower.PerformedToScore(platform::ClockMs{take[i].at}).Ms(),
                    take[i].truth.Ms(), 30)
            << "note " << i;
    const std::vector<TempoPoint> tempos = follower.TempoList();
    ASSERT_GE(tempos.size(), 2u);
    EXPECT_NEAR(tempos[tempos.size() / 2].tempo, 1.25 * kFixedOne, kFixedOne / 20);
}

}  // namespace
}  // namespace ostinel
