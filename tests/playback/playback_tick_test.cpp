#include "playback/playback_tick.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "playback_test_rig.h"

namespace ostinel {
namespace {

using testing::Arrival;
using testing::Bytes;
using testing::Control;
using testing::Off;
using testing::On;
using testing::PieceOf;
using testing::TickRig;

constexpr platform::ClockMs kT0 = TickRig::kStartClock;

TEST(PlaybackTick, OneInstantSendsNoteOffThenControllerThenNoteOn) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), Off(10, 60), On(10, 60), Off(20, 60)}, {Control(10, 7, 90)}});
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(30);
    EXPECT_EQ(rig.Arrivals(), (std::vector<Arrival>{{{0x90, 60, 100}, kT0},
                                                    {{0x80, 60, 64}, kT0 + 10},
                                                    {{0xB1, 7, 90}, kT0 + 10},
                                                    {{0x90, 60, 100}, kT0 + 10},
                                                    {{0x80, 60, 64}, kT0 + 20}}));
}

TEST(PlaybackTick, TheBeatIsServedFirstAndShown) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), Off(500, 60)}});
    rig.piece.beatMap = {BeatRecord{0, 1, 1, 0}, BeatRecord{500, 1, 2, 4},
                         BeatRecord{1000, 2, 1, 8}};
    ASSERT_TRUE(rig.Play());
    EXPECT_EQ(rig.tick.List().Head().tag, kBeatSourceTag);  // the beat at 500 before the note-off
    DisplayedBeat shown = rig.tick.Display();
    EXPECT_EQ(shown.measure, 1);
    EXPECT_EQ(shown.beat, 1);
    EXPECT_EQ(shown.tempo, 120);
    EXPECT_FALSE(shown.longMeasure);
    rig.timers.Advance(500);
    shown = rig.tick.Display();
    EXPECT_EQ(shown.beat, 2);
}

TEST(PlaybackTick, AMeasureOfMoreThanNineBeatsIsFlagged) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), Off(5000, 60)}});
    for (std::uint16_t beat = 1; beat <= 10; ++beat)
        rig.piece.beatMap.push_back(BeatRecord{(beat - 1u) * 500u, 1, beat, (beat - 1u) * 4u});
    ASSERT_TRUE(rig.Play());
    EXPECT_TRUE(rig.tick.Display().longMeasure);
}

TEST(PlaybackTick, OverlappingNotesOfOneKeyAreBothReleasedAndAThirdNoteOffIsDropped) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), On(5, 60), Off(10, 60), Off(15, 60), Off(20, 60)}});
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(30);
    EXPECT_EQ(rig.Arrivals(), (std::vector<Arrival>{{{0x90, 60, 100}, kT0},
                                                    {{0x90, 60, 100}, kT0 + 5},
                                                    {{0x80, 60, 64}, kT0 + 10},
                                                    {{0x80, 60, 64}, kT0 + 15}}));
    EXPECT_EQ(rig.piece.tracks[0].chase.noteCounters[60], 0);
}

TEST(PlaybackTick, AKeyTransposedOutOfRangeSendsNeitherNoteOnNorNoteOff) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 120), On(0, 60), Off(10, 120), Off(10, 60)}});
    rig.piece.tracks[0].transpose = 5;
    rig.start.masterTranspose = 3;
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(20);
    EXPECT_EQ(rig.Arrivals(),
              (std::vector<Arrival>{{{0x90, 68, 100}, kT0}, {{0x80, 68, 64}, kT0 + 10}}));
}

TEST(PlaybackTick, PolyPressureIsTransposedLikeItsNote) {
    TickRig rig;
    rig.piece = PieceOf(
        {{TrackEvent{0, kKeyPressure, 60, 33, 0}, TrackEvent{1, kKeyPressure, 126, 33, 0}}});
    rig.piece.tracks[0].transpose = 2;
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(5);
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0xA0, 62, 33}}));
}

struct VelocityCase {
    std::int16_t trackVolume;
    std::int16_t masterVolume;
    std::int16_t followVolume;
    std::uint8_t velocity;
    PlaybackMotion motion;
    std::uint8_t sent;
};

TEST(PlaybackTick, NoteOnVelocitiesAreShaped) {
    const VelocityCase cases[] = {
        {256, 256, 256, 100, PlaybackMotion::Playing, 100},
        {256, 256, 256, 1, PlaybackMotion::Playing, 1},
        {256, 256, 256, 127, PlaybackMotion::Playing, 127},
        {1, 256, 256, 100, PlaybackMotion::Playing, 1},         // scales to 0: sent as 1
        {512, 256, 256, 100, PlaybackMotion::Playing, 127},     // above 127: 127
        {256, 256, 512, 100, PlaybackMotion::Playing, 127},     // FollowVolume doubles
        {256, 256, 256, 101, PlaybackMotion::FastForward, 51},  // halved, rounded up
        {256, 256, 256, 100, PlaybackMotion::FastForward, 50},
    };
    for (const VelocityCase& c : cases) {
        TickRig rig;
        rig.piece = PieceOf({{On(5, 60, c.velocity), Off(10, 60)}});
        rig.piece.tracks[0].volume = c.trackVolume;
        rig.start.masterVolume = c.masterVolume;
        ASSERT_TRUE(rig.Play(kOwnTempoSpeed, c.motion));
        rig.tick.SetFollowVolume(c.followVolume);
        rig.timers.Advance(20);
        ASSERT_EQ(rig.Sent().size(), 2u);
        EXPECT_EQ(rig.Sent()[0], (Bytes{0x90, 60, c.sent}))
            << c.trackVolume << " " << c.followVolume << " " << int{c.velocity};
    }
}

TEST(PlaybackTick, AVolumeOfZeroSendsNoNotes) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), Off(10, 60), Control(10, 7, 1)}});
    rig.start.masterVolume = 0;
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(20);
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0xB0, 7, 1}}));
}

TEST(PlaybackTick, AMutedTrackSendsControllersButNoNotesAndKeepsTheLastVelocity) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60, 90), Control(5, 64, 127), On(6, 62, 70), Off(10, 60),
                          TrackEvent{12, kPitchWheel, 1, 65, 0}}});
    rig.piece.tracks[0].playFlag = 0;
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(8);
    const ChaseState& chase = rig.piece.tracks[0].chase;
    EXPECT_EQ(chase.noteCounters[60], 90);
    EXPECT_EQ(chase.noteCounters[62], 70);
    rig.timers.Advance(10);
    EXPECT_EQ(chase.noteCounters[60], 0);
    EXPECT_EQ(chase.noteCounters[62], 70);
    EXPECT_EQ(chase.controllerValues[64], 127);
    EXPECT_EQ(chase.pitchBendLsb, 1);
    EXPECT_EQ(chase.pitchBendMsb, 65);
    // Recorded for the chase, but a muted track sends nothing.
    EXPECT_TRUE(rig.Sent().empty());
}

TEST(PlaybackTick, AProgramChangeGoesOutThroughThePatchTable) {
    TickRig rig;
    rig.piece = PieceOf({{}, {TrackEvent{0, kProgramChange, 1, 0, 0}}});
    Track& track = rig.piece.tracks[1];
    track.patches.count = 2;
    track.patches.entries[1].file = Patch{PatchKind::Program, {5, 0, 0}};
    track.patches.entries[1].substitute = Patch{PatchKind::Bank0Program, {2, 9, 0}};
    track.substituteFlag = 1;
    track.port = 1;
    ASSERT_TRUE(rig.Play());
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0xB1, 0, 2}, {0xC1, 9}}));
    EXPECT_EQ(track.chase.programIndex, 1);
}

TEST(PlaybackTick, EachEventGoesOutAtItsTimeScaledByTheSpeed) {
    for (const SpeedFactor speed : {SpeedFactor{4096}, SpeedFactor{2048}}) {
        TickRig rig;
        rig.piece = PieceOf({{On(0, 60), Off(250, 60), On(1000, 62), Off(1333, 62)},
                             {Control(100, 10, 64), Control(999, 10, 0)}});
        ASSERT_TRUE(rig.Play(speed));
        rig.timers.Advance(4000);
        const std::int32_t scale = speed == SpeedFactor{4096} ? 1 : 2;
        EXPECT_EQ(rig.Arrivals(), (std::vector<Arrival>{{{0x90, 60, 100}, kT0},
                                                        {{0xB1, 10, 64}, kT0 + 100 * scale},
                                                        {{0x80, 60, 64}, kT0 + 250 * scale},
                                                        {{0xB1, 10, 0}, kT0 + 999 * scale},
                                                        {{0x90, 62, 100}, kT0 + 1000 * scale},
                                                        {{0x80, 62, 64}, kT0 + 1333 * scale}}));
    }
}

TEST(PlaybackTick, AStartBeforeTheFirstEventWaitsForIt) {
    TickRig rig;
    rig.piece = PieceOf({{On(40, 60), Off(50, 60)}});
    ASSERT_TRUE(rig.Play());
    EXPECT_TRUE(rig.Sent().empty());
    EXPECT_EQ(rig.timers.NextDeadline(), std::optional<platform::ClockMs>{kT0 + 40});
    rig.timers.Advance(40);
    EXPECT_EQ(rig.Arrivals(), (std::vector<Arrival>{{{0x90, 60, 100}, kT0 + 40}}));
}

TEST(PlaybackTick, LateInstantsAreCaughtUpAtOnceInOrder) {
    TickRig rig;
    rig.piece =
        PieceOf({{On(0, 60), Off(100, 60), On(200, 62), Off(300, 62), On(600, 64), Off(700, 64)}});
    ASSERT_TRUE(rig.Play());
    // The clock jumps 500 ms without the timer firing in between.
    rig.clock.Advance(500);
    rig.timers.RunDue();
    EXPECT_EQ(rig.Arrivals(), (std::vector<Arrival>{{{0x90, 60, 100}, kT0},
                                                    {{0x80, 60, 64}, kT0 + 500},
                                                    {{0x90, 62, 100}, kT0 + 500},
                                                    {{0x80, 62, 64}, kT0 + 500}}));
    EXPECT_EQ(rig.timers.PendingCount(), 1u);
    rig.timers.Advance(300);
    EXPECT_EQ(rig.Arrivals().back(), (Arrival{{0x80, 64, 64}, kT0 + 700}));
}

TEST(PlaybackTick, TheEndOfThePiecePostsStopAndArmsNothing) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), Off(10, 60)}});
    ASSERT_TRUE(rig.Play());
    EXPECT_EQ(rig.requests.TakeRequest(), TransportRequestQueue::kNoRequest);
    rig.timers.Advance(10);
    EXPECT_EQ(rig.requests.TakeRequest(), 5);
    EXPECT_EQ(rig.requests.TakeRequest(), TransportRequestQueue::kNoRequest);
    EXPECT_EQ(rig.timers.PendingCount(), 0u);
    EXPECT_FALSE(rig.tick.Playing());
}

TEST(PlaybackTick, TheHoldFlagDefersTheTickByTwoMilliseconds) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), Off(10, 60)}});
    ASSERT_TRUE(rig.Play());
    rig.tick.SetHold(true);
    rig.timers.Advance(10);
    rig.timers.Advance(3);
    EXPECT_EQ(rig.Sent().size(), 1u);
    rig.tick.SetHold(false);
    rig.timers.Advance(1);  // the 2 ms retry from 1012
    EXPECT_EQ(rig.Arrivals().back(), (Arrival{{0x80, 60, 64}, kT0 + 14}));
}

TEST(PlaybackTick, StopLeavesTheRestUnplayed) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), Off(10, 60)}});
    ASSERT_TRUE(rig.Play());
    rig.tick.Stop();
    rig.timers.Advance(20);
    EXPECT_EQ(rig.Sent().size(), 1u);
}

TEST(PlaybackTick, EveryNoteOnIsMatchedByANoteOffAtTheEnd) {
    TickRig rig;
    std::vector<TrackEvent> events;
    for (std::uint32_t i = 0; i < 40; ++i) {
        const auto key = static_cast<std::uint8_t>(50 + i % 7);
        events.push_back(On(i * 30, key, static_cast<std::uint8_t>(20 + i)));
        events.push_back(Off(i * 30 + 45, key));  // overlaps the next notes
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const TrackEvent& a, const TrackEvent& b) { return a.time < b.time; });
    rig.piece = PieceOf({events, {On(7, 40), On(7, 40), Off(400, 40), Off(401, 40)}});
    rig.piece.tracks[1].transpose = -12;
    ASSERT_TRUE(rig.Play());
    rig.timers.Advance(2000);
    int sounding[16][128] = {};
    int noteOns = 0;
    for (const Bytes& message : rig.Sent()) {
        const int channel = message[0] & 0x0F;
        if ((message[0] & 0xF0) == 0x90 && message[2] > 0) {
            ++sounding[channel][message[1]];
            ++noteOns;
        } else if ((message[0] & 0xF0) == 0x80) {
            --sounding[channel][message[1]];
        }
    }
    EXPECT_EQ(noteOns, 42);
    for (const auto& channel : sounding)
        for (const int count : channel)
            EXPECT_EQ(count, 0);
    EXPECT_EQ(rig.requests.TakeRequest(), 5);
}

TEST(PlaybackTick, TwoEnginesRunSideBySide) {
    TickRig first;
    TickRig second;
    first.piece = PieceOf({{On(0, 60), Off(10, 60)}});
    second.piece = PieceOf({{On(0, 70), Off(20, 70)}});
    ASSERT_TRUE(first.Play());
    ASSERT_TRUE(second.Play(SpeedFactor{2048}));
    first.timers.Advance(50);
    second.timers.Advance(50);
    EXPECT_EQ(first.Arrivals().back(), (Arrival{{0x80, 60, 64}, kT0 + 10}));
    EXPECT_EQ(second.Arrivals().back(), (Arrival{{0x80, 70, 64}, kT0 + 40}));
}

}  // namespace
}  // namespace ostinel

namespace ostinel {
namespace {

using testing::Arrival;
using testing::Bytes;
using testing::Off;
using testing::On;
using testing::PieceOf;
using testing::TickRig;

// A stand-in for the follower: a position that moves at its tempo from an
// anchor, and a wait limit it holds the accompaniment at.
struct FakeFollower {
    const platform::ManualClock* clock = nullptr;
    ScorePosition anchor;
    platform::ClockMs anchorTime{};
    ScorePosition waitLimit = ScorePosition::Max();

    ScorePosition Position() const {
        const auto estimate =
            anchor + static_cast<std::int32_t>(platform::ClockDifference(clock->Now(), anchorTime));
        return std::min(estimate, waitLimit - 1);
    }
    std::int32_t TimeUntil(ScorePosition position) const {
        if (position >= waitLimit) return -1;
        const std::int64_t wait =
            std::int64_t{position.Ms()} - anchor.Ms() -
            static_cast<std::int64_t>(platform::ClockElapsed(clock->Now(), anchorTime));
        return wait <= 0 ? 0 : static_cast<std::int32_t>(wait);
    }
    FollowerEstimate Estimate() {
        return FollowerEstimate{
            [](void* self) { return static_cast<FakeFollower*>(self)->Position(); },
            [](void* self, ScorePosition position) {
                return static_cast<FakeFollower*>(self)->TimeUntil(position);
            },
            this};
    }
};

TEST(PlaybackTickFollowing, TheFollowerHoldsTheAccompanimentAndASteerReleasesIt) {
    TickRig rig;
    rig.piece = PieceOf({{On(0, 60), Off(500, 60), On(1000, 62), Off(1500, 62)}});
    FakeFollower follower{&rig.clock, ScorePosition{0}, rig.clock.Now(), ScorePosition{1000}};
    rig.start.clock.follower = follower.Estimate();
    ASSERT_TRUE(rig.Play(kOwnTempoSpeed, PlaybackMotion::Following));
    rig.timers.Advance(3000);
    // Held at the wait limit: the note at 1000 waits for the soloist.
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x90, 60, 100}, {0x80, 60, 64}}));
    EXPECT_EQ(rig.timers.PendingCount(), 0u);
    follower.waitLimit = ScorePosition::Max();
    follower.anchor = ScorePosition{1000};
    follower.anchorTime = rig.clock.Now();
    rig.tick.Steer();
    rig.timers.Advance(500);
    EXPECT_EQ(rig.Arrivals().back(), (Arrival{{0x80, 62, 64}, kT0 + 3500}));
    EXPECT_EQ(rig.Sent().size(), 4u);
}

TEST(PlaybackTickFollowing, ANoteTheSoloistHasAlreadyPassedIsNotSounded) {
    TickRig rig;
    rig.piece = PieceOf({{On(50, 60), Off(100, 60), On(150, 62), Off(400, 62)}});
    FakeFollower follower{&rig.clock, ScorePosition{0}, rig.clock.Now(), ScorePosition{0x7FFFFFFF}};
    rig.start.clock.follower = follower.Estimate();
    ASSERT_TRUE(rig.Play(kOwnTempoSpeed, PlaybackMotion::Following));
    rig.system.Output(0).Clear();
    // The soloist leapt ahead: the first note is over by now, the second is not.
    follower.anchor = ScorePosition{200};
    rig.tick.Steer();
    rig.timers.Advance(250);
    EXPECT_EQ(rig.Sent(), (std::vector<Bytes>{{0x90, 62, 100}, {0x80, 62, 64}}));
}

// A clock that jumps four milliseconds at its k-th reading and one more at
// the next, as a busy machine's clock may between two readings a moment apart.
class JumpingClock final : public platform::Clock {
  public:
    JumpingClock(platform::ManualClock& base, int k) : base_(base), k_(k) {}
    platform::ClockMs Now() const override {
        ++reads_;
        if (reads_ == k_) base_.Advance(4);
        if (reads_ == k_ + 1) base_.Advance(1);
        return base_.Now();
    }

  private:
    platform::ManualClock& base_;
    int k_;
    mutable int reads_ = 0;
};

// Wherever between two readings the clock reaches the next instant (5 ms
// on), the tick still serves it: arming for a moment just reached must not
// run the tick inside itself, where it would find itself busy and do nothing.
TEST(PlaybackTick, AnInstantThatFallsDueWhileTheTickArmsForItIsStillServed) {
    for (int k = 1; k <= 60; ++k) {
        platform::ManualClock base{kT0};
        JumpingClock clock{base, k};
        platform::ManualTimerService timers{base};
        platform::ManualMidiSystem system{base, {}, {"Synth"}};
        testing::SilentUi ui;
        PortMap ports{system};
        ports.SetOutputDevice(0, 0);
        ports.OpenOutputPorts(ui);
        MidiOutput output{ports, timers};
        TransportRequestQueue requests;
        PlaybackTick tick{clock, timers, output, requests};
        Piece piece = PieceOf({{On(0, 60), On(5, 61), Off(500, 60), Off(500, 61)}});
        PlaybackStart start;
        start.clock.anchor = PositionAnchor{ScorePosition{0}, base.Now()};
        start.clock.end = static_cast<ScorePosition>(piece.lastEventTime);
        ASSERT_TRUE(tick.Start(piece, start));
        timers.Advance(1000);
        int strikes = 0;
        for (const Bytes& bytes : system.Output(0).Bytes())
            strikes += bytes.size() == 3 && bytes[0] == 0x90 && bytes[2] > 0 ? 1 : 0;
        EXPECT_EQ(strikes, 2) << "clock jumping at reading " << k;
        tick.Stop();
    }
}

}  // namespace
}  // namespace ostinel
