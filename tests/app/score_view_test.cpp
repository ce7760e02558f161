#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/played_trace.h"
#include "app/score_frame.h"
#include "app/score_roll.h"
#include "following_rig.h"

namespace ostinel {
namespace {

using testing::MelodyKey;

class ScoreView : public testing::FollowingRig {
  protected:
    void BuildRoll() {
        roll_.Build(*engine_.CurrentPiece(), engine_.Following().followTrack1,
                    engine_.Following().SecondTrack(), engine_.Markers());
    }
    void StartFollowing() {
        BuildRoll();
        engine_.GetTransport().PlayAndFollow();
        ASSERT_TRUE(engine_.GetTransport().Mode().following);
        trace_.Begin(roll_, engine_.GetTransport().Position());
    }
    void Drain() {
        PlayedEvent event;
        while (engine_.Reports().TakePlayedEvent(event))
            trace_.Add(roll_, event);
    }
    void PlayKey(std::uint8_t key, std::int32_t heldMs, std::int32_t gapMs) {
        midi_.Input(0).Inject(std::vector<std::uint8_t>{0x90, key, 90}, clock_.Now());
        engine_.IdlePass();
        RunTo(clock_.Now() + heldMs);
        midi_.Input(0).Inject(std::vector<std::uint8_t>{0x80, key, 0}, clock_.Now());
        RunTo(clock_.Now() + gapMs);
    }
    const FrameKey* Row(std::uint8_t key) const {
        for (const FrameKey& row : frame_.keys)
            if (row.key == key) return &row;
        return nullptr;
    }
    // The bars of `kind` on `key`'s row that cover score position `at`.
    int BarsAt(BarKind kind, std::uint8_t key, ScorePosition at) const {
        const FrameKey* row = Row(key);
        if (row == nullptr) return 0;
        const double x = FrameX(frame_, at) + 1;
        return static_cast<int>(
            std::count_if(frame_.bars.begin(), frame_.bars.end(), [&](const FrameBar& bar) {
                return bar.kind == kind && bar.rect.y >= row->y - 0.01 &&
                       bar.rect.Bottom() <= row->y + row->h + 0.01 && bar.rect.x <= x &&
                       bar.rect.Right() >= x;
            }));
    }
    void Compose(ScorePosition now, double width = 400, double pixelsPerSecond = 100) {
        ScoreViewport viewport;
        viewport.width = width;
        viewport.height = 200;
        viewport.now = now;
        viewport.pixelsPerSecond = pixelsPerSecond;
        ComposeScoreFrame(roll_, &trace_, viewport, frame_);
    }

    ScoreRoll roll_;
    PlayedTrace trace_;
    ScoreFrame frame_;
};

TEST_P(ScoreView, TheRollHoldsEveryNoteWithItsLengthAndTrack) {
    BuildRoll();
    ASSERT_EQ(roll_.Notes().size(), 2u * testing::kNotes);
    EXPECT_EQ(roll_.LongestNote(), 250);
    EXPECT_EQ(roll_.LowestKey(), 40);
    EXPECT_EQ(roll_.HighestKey(), 83);
    const auto following = std::count_if(roll_.Notes().begin(), roll_.Notes().end(),
                                         [](const RollNote& n) { return n.following; });
    EXPECT_EQ(following, testing::kNotes);
    // Note 3 of the melody: a quarter note at 1500 ms, held half a beat.
    const auto it = std::find_if(roll_.Notes().begin(), roll_.Notes().end(), [](const RollNote& n) {
        return n.following && n.start == ScorePosition{1500};
    });
    ASSERT_NE(it, roll_.Notes().end());
    EXPECT_EQ(it->key, MelodyKey(3));
    EXPECT_EQ(it->length, 250);
}

TEST_P(ScoreView, TheCandidatesOfAStretchAreExactlyTheNotesSoundingInIt) {
    BuildRoll();
    const auto notes = roll_.Notes();
    for (const ScorePosition from :
         {ScorePosition{-1000}, ScorePosition{0}, ScorePosition{240}, ScorePosition{250},
          ScorePosition{1499}, ScorePosition{1500}, ScorePosition{1751}, ScorePosition{11000},
          ScorePosition{12500}}) {
        for (const std::int32_t span : {1, 10, 260, 3000}) {
            const ScorePosition to = from + span;
            const auto range = roll_.Candidates(from, to);
            std::size_t sounding = 0;
            for (std::size_t i = 0; i < notes.size(); ++i) {
                const bool inStretch = notes[i].start < to && notes[i].End() > from;
                if (inStretch) {
                    ++sounding;
                    EXPECT_TRUE(i >= range.first && i < range.last) << from.Ms() << "+" << span;
                }
            }
            // Nothing outside the stretch beyond the look-back of one longest note.
            for (std::size_t i = range.first; i < range.last; ++i)
                EXPECT_GT(notes[i].start + roll_.LongestNote(), from);
            EXPECT_LE(sounding, range.last - range.first);
        }
    }
}

TEST_P(ScoreView, TheFrameShowsTheBarsAroundTheNowLineAtTheirPlaceAndKey) {
    BuildRoll();
    trace_.Begin(roll_, ScorePosition{0});
    // 100 pixels a second: 4000 ms of score on the roll, now at 70 % of it.
    Compose(ScorePosition{3000});
    EXPECT_NEAR(frame_.nowX, frame_.roll.x + 0.7 * frame_.roll.w, 0.01);
    EXPECT_NEAR(FrameX(frame_, ScorePosition{3000}), frame_.nowX, 0.6);
    const double msWide = frame_.to - frame_.from;
    EXPECT_NEAR(msWide, frame_.roll.w * 10, 1);
    // The melody notes that start on the roll, at their key, one bar each.
    for (int i = 0; i < testing::kNotes; ++i) {
        const ScorePosition start = ScorePosition{500 * i};
        const bool shown = start + 250 > frame_.from && start < frame_.to;
        EXPECT_EQ(BarsAt(BarKind::Following, MelodyKey(i), start + 100), shown ? 1 : 0) << i;
    }
    // Accompaniment on its own row, behind: before the melody in drawing order.
    EXPECT_GE(BarsAt(BarKind::Accompaniment, 40, ScorePosition{3000 + 10}), 1);
    const auto firstFollowing =
        std::find_if(frame_.bars.begin(), frame_.bars.end(),
                     [](const FrameBar& b) { return b.kind == BarKind::Following; });
    EXPECT_TRUE(std::none_of(firstFollowing, frame_.bars.end(),
                             [](const FrameBar& b) { return b.kind == BarKind::Accompaniment; }));
    // Every key in use has a row; octave lines at the Cs.
    ASSERT_NE(Row(40), nullptr);
    ASSERT_NE(Row(71), nullptr);
    EXPECT_TRUE(Row(60)->octaveLine);
    EXPECT_TRUE(Row(61)->black);
    // Beat lines every 50 pixels, the downbeats numbered by measure.
    ASSERT_GE(frame_.beats.size(), 7u);
    EXPECT_NEAR(frame_.beats[1].x - frame_.beats[0].x, 50, 0.01);
    const auto measure2 =
        std::find_if(frame_.beats.begin(), frame_.beats.end(),
                     [](const FrameBeatLine& b) { return b.measure == 2 && b.downbeat; });
    ASSERT_NE(measure2, frame_.beats.end());
    EXPECT_NEAR(measure2->x, FrameX(frame_, ScorePosition{2000}), 0.01);
}

TEST_P(ScoreView, APlayedNoteIsGreenWhereItMatchedRedWhereTheScoreHadNoneAndALeftOutNoteAGap) {
    StartFollowing();
    PlayNotes(0, 4, 200, 300);
    PlayKey(59, 200, 300);  // no melody note is 59: a wrong note in note 4's place
    PlayNotes(5, 10, 200, 300);
    Drain();
    // The whole take on the roll.
    Compose(ScorePosition{3000}, 600);
    for (const int i : {1, 2, 3, 5, 6, 7})
        EXPECT_EQ(BarsAt(BarKind::PlayedMatched, MelodyKey(i), ScorePosition{500 * i + 100}), 1)
            << "note " << i;
    const auto wrong = std::find_if(trace_.Marks().begin(), trace_.Marks().end(),
                                    [](const PlayedMark& m) { return m.key == 59; });
    ASSERT_NE(wrong, trace_.Marks().end());
    EXPECT_FALSE(wrong->matched);
    EXPECT_NEAR(wrong->place.Ms(), 2000, 200);
    EXPECT_EQ(BarsAt(BarKind::PlayedWrong, 59, wrong->place + 10), 1);
    EXPECT_EQ(BarsAt(BarKind::Missed, MelodyKey(4), ScorePosition{2000 + 100}), 1);
    EXPECT_EQ(BarsAt(BarKind::Following, MelodyKey(4), ScorePosition{2000 + 100}), 0);
    EXPECT_TRUE(frame_.showsTempo);
    EXPECT_NEAR(frame_.beatsPerMinute, 120, 8);
}

TEST_P(ScoreView, TheTempoTrendFollowsTheSoloistSpeedingUp) {
    StartFollowing();
    PlayNotes(0, 4, 200, 300);
    PlayNotes(4, 14, 150, 200);  // 350 ms a beat: faster than the written 500
    Drain();
    Compose(engine_.GetTransport().Position());
    EXPECT_EQ(trace_.Trend(), TempoTrend::Faster);
    EXPECT_EQ(frame_.trend, TempoTrend::Faster);
    EXPECT_GT(frame_.beatsPerMinute, 130);
}

TEST_P(ScoreView, AJumpIsAMarkedBreakWhereTheFollowerLanded) {
    StartFollowing();
    PlayNotes(0, 5, 200, 300);
    PlayNotes(14, 22, 200, 300);  // the soloist skips ahead nine beats
    Drain();
    ASSERT_FALSE(trace_.Jumps().empty());
    const JumpMark jump = trace_.Jumps().front();
    EXPECT_NE(jump.to, jump.from);
    Compose(jump.to + 1000, 600);
    ASSERT_EQ(frame_.jumps.size(), 1u);
    EXPECT_TRUE(frame_.jumps[0].landingShown);
    EXPECT_NEAR(frame_.jumps[0].x, FrameX(frame_, jump.to), 0.01);
    // The notes jumped over are not left out: the soloist is elsewhere.
    for (int i = 6; i < 13; ++i)
        EXPECT_NE(trace_.Outcome(roll_.FirstStartingAt(ScorePosition{500 * i}) + 1),
                  NoteOutcome::Missed);
}

TEST_P(ScoreView, SpecialMarkersStandOnTheTimeLineAtTheirPlaces) {
    SpecialMarkers markers;
    markers.rehearsalPoints = {ScorePosition{2000}};
    markers.waitForSoloist = {ScorePosition{2500}};
    markers.waitForSignal = {ScorePosition{3000}};
    markers.restoreTempo = {ScorePosition{3500}};
    markers.ignoreSoloist = {ScoreRange{ScorePosition{4000}, ScorePosition{4600}}};
    ASSERT_TRUE(engine_.SetSpecialMarkers(markers));
    BuildRoll();
    Compose(ScorePosition{3000}, 600);
    const auto x = [&](MarkerKind kind) {
        const auto it = std::find_if(frame_.markers.begin(), frame_.markers.end(),
                                     [&](const FrameMarker& m) { return m.kind == kind; });
        return it == frame_.markers.end() ? -1.0 : it->x;
    };
    EXPECT_NEAR(x(MarkerKind::Rehearsal), FrameX(frame_, ScorePosition{2000}), 0.01);
    EXPECT_NEAR(x(MarkerKind::WaitForSoloist), FrameX(frame_, ScorePosition{2500}), 0.01);
    EXPECT_NEAR(x(MarkerKind::WaitForSignal), FrameX(frame_, ScorePosition{3000}), 0.01);
    EXPECT_NEAR(x(MarkerKind::RestoreTempo), FrameX(frame_, ScorePosition{3500}), 0.01);
    EXPECT_NEAR(x(MarkerKind::Ignored), FrameX(frame_, ScorePosition{4000}), 0.01);
    const auto ignored =
        std::find_if(frame_.markers.begin(), frame_.markers.end(),
                     [](const FrameMarker& m) { return m.kind == MarkerKind::Ignored; });
    EXPECT_NEAR(ignored->x2, FrameX(frame_, ScorePosition{4600}), 0.01);
    // Far away, none shows.
    Compose(ScorePosition{20000});
    EXPECT_TRUE(frame_.markers.empty());
}

INSTANTIATE_TEST_SUITE_P(BothMethods, ScoreView, testing::kBothMethods, testing::MethodName);

}  // namespace
}  // namespace ostinel
