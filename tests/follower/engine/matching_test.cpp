#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "follower_test_rig.h"

namespace ostinel {
namespace {

using follower_test::ControlWord;
using follower_test::FollowerFixture;
using follower_test::JumpReport;
using follower_test::Options;
using follower_test::WrittenNote;

using MatchWindow = FollowerFixture;

TEST_F(MatchWindow, WithNoMatchYetTheWindowRunsFromThreeHundredBeforeToSixHundredAfter) {
    const auto firstNoteFinds = [this](const std::vector<WrittenNote>& score, int key) {
        LoadScore(score);
        EXPECT_TRUE(follower.SetOptions(Options(TimingLevel::Highest, false)));
        StartAt(ScorePosition{2000});
        Play(kStartClock, key);
        follower.Stop();
        return LastEvent().position;
    };
    EXPECT_EQ(firstNoteFinds({{1700, 60}, {2000, 70}, {2600, 64}}, 60), ScorePosition{1700});
    EXPECT_EQ(firstNoteFinds({{1700, 60}, {2000, 70}, {2600, 64}}, 64), ScorePosition{2600});
    EXPECT_EQ(firstNoteFinds({{1699, 60}, {2000, 70}, {2601, 64}}, 60), ScorePosition{-1});
    EXPECT_EQ(firstNoteFinds({{1699, 60}, {2000, 70}, {2601, 64}}, 64), ScorePosition{-1});
}

TEST_F(MatchWindow, ANoteWithinTheChordSpanOfAMatchIsLookedForOnlyInThatChord) {
    const std::vector<WrittenNote> score = {{2000, 60}, {2000, 64}, {2200, 67}};
    LoadScore(score);
    ASSERT_TRUE(follower.SetOptions(Options(TimingLevel::Highest, false)));
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    EXPECT_EQ(LastEvent().position, ScorePosition{2000});
    Play(kStartClock + 49, 67);
    EXPECT_EQ(LastEvent().position, ScorePosition{-1});
    follower.Stop();

    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    Play(kStartClock + 50, 67);
    EXPECT_EQ(LastEvent().position, ScorePosition{2200});
}

TEST_F(MatchWindow, AWrittenNoteIsMatchedOnceATake) {
    LoadScore(std::vector<WrittenNote>{{2000, 60}, {2000, 64}, {2500, 62}});
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    EXPECT_EQ(LastEvent().position, ScorePosition{2000});
    Play(kStartClock + 10, 60);
    EXPECT_EQ(LastEvent().position, ScorePosition{-1});
    Play(kStartClock + 20, 64);
    EXPECT_EQ(LastEvent().position, ScorePosition{2000});
    // A new take clears the flags.
    follower.Stop();
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    EXPECT_EQ(LastEvent().position, ScorePosition{2000});
}

TEST_F(MatchWindow, AMuchFasterMatchIsRefusedWhileThePitchIsOwedEarlier) {
    // 4/4 at 500 ms: the chord at 1000 is a tempo point on beat 3.
    LoadScore(std::vector<WrittenNote>{{0, 60}, {500, 62}, {1000, 62}},
              follower_test::BeatList(500, 4, 4000));
    StartAt(ScorePosition{0});
    Play(kStartClock, 60);
    Play(kStartClock + 700, 62);
    EXPECT_EQ(LastEvent().position, ScorePosition{500});
}

TEST_F(MatchWindow, ANearestChordBeyondTheWindowIsTakenAsAJumpInPlace) {
    LoadScore(std::vector<WrittenNote>{{2000, 60}, {3000, 62}});
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    // Expected at 2400 with a 400 ms window: 3000 lies beyond it but is the nearer chord.
    Play(kStartClock + 400, 62);
    EXPECT_EQ(LastEvent().position, ScorePosition{3000});
    EXPECT_EQ(LastPosition().position, ScorePosition{3000});
    EXPECT_EQ(LastPosition().time, kStartClock + 400);
    EXPECT_EQ(PositionAt(kStartClock + 500), ScorePosition{3100});

    // Without jumping the chord is still matched, but a chord without a role moves nothing.
    follower.Stop();
    ASSERT_TRUE(follower.SetOptions(Options(TimingLevel::Highest, false)));
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    Play(kStartClock + 400, 62);
    EXPECT_EQ(LastEvent().position, ScorePosition{3000});
    EXPECT_EQ(PositionAt(kStartClock + 500), ScorePosition{2500});
}

class WaitAndIgnore : public follower_test::EitherMethod {};

// The matching method's misses: the probability method counts none.
using MatchingWait = WaitAndIgnore;

TEST_P(MatchingWait, AWrongNoteWhileWaitingAtTheLimitIsNoMiss) {
    const std::vector<WrittenNote> score = {{2000, 60}, {2500, 62}, {3000, 67}, {3500, 69}};
    LoadScore(score);
    ASSERT_TRUE(follower.SetOptions(Options(TimingLevel::Highest, false)));
    const std::vector<ScorePosition> wait = {ScorePosition{3000}};
    ASSERT_TRUE(follower.SetWaitMarkers(wait));
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    EXPECT_EQ(PositionAt(kStartClock + 1200), ScorePosition{2999});
    Play(kStartClock + 1200, 40);
    // Counted as matched: reported at the chord last matched.
    EXPECT_EQ(LastEvent().position, ScorePosition{2000});

    follower.Stop();
    ASSERT_TRUE(follower.SetWaitMarkers({}));
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    Play(kStartClock + 1200, 40);
    EXPECT_EQ(LastEvent().position, ScorePosition{-1});
}

TEST_P(WaitAndIgnore, ANoteInAnIgnoreSoloistRangeIsExcused) {
    const std::vector<WrittenNote> score = {{2000, 60}, {2500, 62}, {3000, 64}, {4000, 65}};
    LoadScore(score);
    const std::vector<ScoreRange> ranges = {{ScorePosition{2400}, ScorePosition{3600}}};
    ASSERT_TRUE(follower.SetIgnoreRanges(ranges));
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    EXPECT_EQ(LastEvent().position, ScorePosition{2000});
    const std::size_t reports = callback.positions.size();
    Play(kStartClock + 500, 62);
    Play(kStartClock + 1000, 64);
    EXPECT_EQ(LastEvent().position, ScorePosition{-1});
    EXPECT_EQ(callback.positions.size(), reports);
    EXPECT_TRUE(callback.jumps.empty());
    // Past the range the soloist is followed again.
    Play(kStartClock + 2000, 65);
    EXPECT_EQ(LastEvent().position, ScorePosition{4000});
}

TEST_P(WaitAndIgnore, AWaitMarkerFarFromEveryChordIsDisregarded) {
    LoadScore(std::vector<WrittenNote>{{2000, 60}, {3000, 62}, {5000, 64}});
    const auto heldAt = [this](ScorePosition marker) {
        const std::vector<ScorePosition> wait = {marker};
        EXPECT_TRUE(follower.SetWaitMarkers(wait));
        StartAt(ScorePosition{2000});
        const ScorePosition position = PositionAt(kStartClock + 2000);
        follower.Stop();
        return position;
    };
    EXPECT_EQ(heldAt(ScorePosition{3150}), ScorePosition{2999});
    EXPECT_EQ(heldAt(ScorePosition{2850}), ScorePosition{2999});
    EXPECT_EQ(heldAt(ScorePosition{3250}), ScorePosition{4000});
}

class SpecialSignal : public follower_test::EitherMethod {};

TEST_P(SpecialSignal, BeforeItsMarkerIsDueTheSignalIsAnOrdinaryUnmatchedNote) {
    LoadScore(std::vector<WrittenNote>{{2000, 60}, {2500, 62}, {3500, 64}});
    follower.SetSignal(256 + 64);
    const std::vector<ScorePosition> signal = {ScorePosition{3000}};
    ASSERT_TRUE(follower.SetSignalMarkers(signal));
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    const std::size_t reports = callback.positions.size();
    callback.now = kStartClock + 100;
    ASSERT_TRUE(follower.NoteIn(ControlWord(64, 127), ScorePosition{0}));
    EXPECT_EQ(LastEvent().position, ScorePosition{-1});
    EXPECT_EQ(callback.positions.size(), reports);
    // The marker still holds once the soloist has played up to it.
    Play(kStartClock + 500, 62);
    EXPECT_EQ(PositionAt(kStartClock + 2000), ScorePosition{2999});
}

TEST_P(SpecialSignal, OnceDueTheSignalMovesThePositionToItsMarker) {
    LoadScore(std::vector<WrittenNote>{{2000, 60}, {2500, 62}, {3500, 64}});
    follower.SetSignal(256 + 64);
    const std::vector<ScorePosition> signal = {ScorePosition{3000}};
    ASSERT_TRUE(follower.SetSignalMarkers(signal));
    StartAt(ScorePosition{2000});
    Play(kStartClock, 60);
    Play(kStartClock + 500, 62);
    EXPECT_EQ(LastEvent().position, ScorePosition{2500});
    // Nothing at or after the marker can be matched while the signal is pending.
    Play(kStartClock + 800, 64);
    EXPECT_EQ(LastEvent().position, ScorePosition{-1});
    callback.now = kStartClock + 900;
    ASSERT_TRUE(follower.NoteIn(ControlWord(64, 127), ScorePosition{0}));
    EXPECT_EQ(LastPosition().position, ScorePosition{3000});
    EXPECT_EQ(LastPosition().time, kStartClock + 900);
    EXPECT_EQ(LastPosition().tempo, kFixedOne);
    EXPECT_EQ(PositionAt(kStartClock + 1000), ScorePosition{3100});
    Play(kStartClock + 1400, 64);
    EXPECT_EQ(LastEvent().position, ScorePosition{3500});
}

using JumpSearch = FollowerFixture;

// Chords 500 ms apart: a lead-in note, then 70 72 74 76, twice.
std::vector<WrittenNote> TwoPlaces() {
    return {{500, 50},  {1000, 70}, {1500, 72}, {2000, 74}, {2500, 76},
            {5500, 55}, {6000, 70}, {6500, 72}, {7000, 74}, {7500, 76}};
}

TEST_F(JumpSearch, AnAutomaticStartFindsTheSoloistAfterTwoChords) {
    LoadScore(std::vector<WrittenNote>{{1000, 60}, {1500, 62}, {2000, 64}, {2500, 65}});
    ASSERT_TRUE(follower.SetOptions(Options(TimingLevel::Highest, false)));
    Play(0, 60);
    EXPECT_TRUE(callback.jumps.empty());
    Play(500, 62);
    ASSERT_EQ(callback.jumps.size(), 1u);
    EXPECT_EQ(callback.jumps[0].target, ScorePosition{1500});
    EXPECT_EQ(callback.jumps[0].time, 500u);
    EXPECT_EQ(callback.jumps[0].tempo, kFixedOne);
    EXPECT_TRUE(follower.JumpPending());
    EXPECT_TRUE(callback.events.empty());  // nothing is reported while idle
}

TEST_F(JumpSearch, TwoPlacesNeedFourAgreeingChordsAndTheNearerWins) {
    const auto jumpsAfter = [this](int notes, ScorePosition songPosition) {
        JumpReport none{ScorePosition{-1}, 0, 0};
        Follower fresh;
        follower_test::RecordingCallback recorder;
        EXPECT_TRUE(fresh.Create(recorder, 256, 1000));
        const auto track = follower_test::FollowingTrack(TwoPlaces());
        EXPECT_TRUE(fresh.SetScore(track, {}, {}));
        const int keys[] = {70, 72, 74, 76};
        for (int i = 0; i < notes; ++i) {
            recorder.now = static_cast<std::uint32_t>(i * 500);
            fresh.NoteIn(follower_test::NoteWord(keys[i]), songPosition);
        }
        return recorder.jumps.empty() ? none : recorder.jumps.back();
    };
    EXPECT_EQ(jumpsAfter(3, ScorePosition{7000}).target, ScorePosition{-1});
    EXPECT_EQ(jumpsAfter(4, ScorePosition{7000}).target, ScorePosition{7500});
    EXPECT_EQ(jumpsAfter(4, ScorePosition{2000}).target, ScorePosition{2500});
}

TEST_F(JumpSearch, OverlappingPlacesTakeTheEarlier) {
    LoadScore(std::vector<WrittenNote>{
        {1000, 70}, {1500, 72}, {2000, 70}, {2500, 72}, {3000, 70}, {3500, 72}});
    const int keys[] = {70, 72, 70, 72};
    for (int i = 0; i < 4; ++i) {
        callback.now = static_cast<std::uint32_t>(i * 500);
        follower.NoteIn(follower_test::NoteWord(keys[i]), ScorePosition{10000});
    }
    ASSERT_EQ(callback.jumps.size(), 1u);
    EXPECT_EQ(callback.jumps[0].target, ScorePosition{2500});
}

// A pattern (72 74) at 1000 and 1500, then 40s every 500 ms from 2500.
std::vector<WrittenNote> PatternBehind() {
    std::vector<WrittenNote> notes = {{1000, 72}, {1500, 74}};
    for (std::uint32_t time = 2500; time <= 20000; time += 500)
        notes.push_back({time, 40});
    return notes;
}

class NearJump : public FollowerFixture {
  protected:
    // Plays ten notes the score does not have, then the pattern, from `start`;
    // the decision comes at the pattern's second note, when the estimate is
    // start + 1500 and the found chord is at 1500.
    void PlayPatternFrom(ScorePosition start, bool jumping = true) {
        LoadScore(PatternBehind());
        ASSERT_TRUE(follower.SetOptions(Options(TimingLevel::Highest, jumping)));
        StartAt(start);
        for (std::uint32_t i = 0; i < 10; ++i)
            Play(kStartClock + i * 100, 20);
        Play(kStartClock + 1000, 72);
        Play(kStartClock + 1500, 74);
    }
};

TEST_F(NearJump, APlaceFoundFourteenNinetyNineAwayIsTakenInPlace) {
    PlayPatternFrom(ScorePosition{1499});
    EXPECT_TRUE(callback.jumps.empty());
    EXPECT_FALSE(follower.JumpPending());
    EXPECT_EQ(LastPosition().position, ScorePosition{1500});
    EXPECT_EQ(LastPosition().time, kStartClock + 1500);
    EXPECT_EQ(PositionAt(kStartClock + 1600), ScorePosition{1600});
}

TEST_F(NearJump, APlaceFoundFifteenHundredAwayIsAJumpRequest) {
    PlayPatternFrom(ScorePosition{1500});
    ASSERT_EQ(callback.jumps.size(), 1u);
    EXPECT_EQ(callback.jumps[0].target, ScorePosition{1500});
    EXPECT_EQ(callback.jumps[0].time, kStartClock + 1500);
    EXPECT_EQ(callback.jumps[0].tempo, kFixedOne);
    EXPECT_TRUE(follower.JumpPending());
    // Notes that come before the answer are recorded but not matched.
    const std::size_t events = callback.events.size();
    Play(kStartClock + 1700, 40);
    EXPECT_EQ(callback.events.size(), events);

    callback.now = kStartClock + 1800;
    follower.Stop();
    EXPECT_TRUE(follower.JumpPending());
    callback.now = kStartClock + 2000;
    EXPECT_TRUE(follower.Resume(kFixedOne));
    EXPECT_TRUE(follower.Running());
    EXPECT_FALSE(follower.JumpPending());
    // target + the time since the decision at the jump's tempo
    EXPECT_EQ(follower.Position(), ScorePosition{2000});
    EXPECT_FALSE(follower.Resume(kFixedOne));
}

TEST_F(NearJump, ASingleNearPlaceNeedsLessEvidence) {
    // Only the pattern's own two misses: evidence 2 + 2 + 2, and 6 more when near.
    const auto playPatternFrom = [this](ScorePosition start) {
        LoadScore(PatternBehind());
        StartAt(start);
        Play(kStartClock + 1000, 72);
        Play(kStartClock + 1500, 74);
        const ScorePosition reported =
            callback.positions.empty() ? ScorePosition{-1} : LastPosition().position;
        follower.Stop();
        callback.positions.clear();
        return reported;
    };
    EXPECT_EQ(playPatternFrom(ScorePosition{1000}), ScorePosition{1500});
    EXPECT_EQ(playPatternFrom(ScorePosition{1800}), ScorePosition{-1});
    EXPECT_TRUE(callback.jumps.empty());
}

TEST_F(NearJump, WithJumpingOffNoSearchRunsWhileFollowing) {
    PlayPatternFrom(ScorePosition{1500}, false);
    EXPECT_TRUE(callback.jumps.empty());
    EXPECT_EQ(PositionAt(kStartClock + 1600), ScorePosition{3100});
}

INSTANTIATE_TEST_SUITE_P(Matching, MatchingWait, testing::kMatchingOnly, testing::MethodName);
INSTANTIATE_TEST_SUITE_P(BothMethods, WaitAndIgnore, testing::kBothMethods, testing::MethodName);
INSTANTIATE_TEST_SUITE_P(BothMethods, SpecialSignal, testing::kBothMethods, testing::MethodName);

}  // namespace
}  // namespace ostinel
