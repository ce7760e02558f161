#pragma once

// A FollowerCallback whose clock the test sets and that records every
// report, plus builders for following tracks and beat lists.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "follower/engine/follower.h"
#include "follower/engine/follower_callback.h"
#include "music/following_method.h"
#include "sequence/piece.h"
#include "support/both_methods.h"

namespace ostinel::follower_test {

struct PositionReport {
    ScorePosition position;
    std::uint32_t time = 0;
    std::int32_t tempo = 0;
};

struct JumpReport {
    ScorePosition target;
    std::uint32_t time = 0;
    std::int32_t tempo = 0;
};

struct EventReport {
    std::uint32_t time = 0;
    ScorePosition position;
    std::uint32_t word = 0;
};

class RecordingCallback : public FollowerCallback {
  public:
    std::uint32_t now = 0;
    std::vector<PositionReport> positions;
    std::vector<JumpReport> jumps;
    std::vector<std::int32_t> dynamics;
    std::vector<EventReport> events;
    // Runs inside ReportDynamics, while the follower is busy.
    std::function<void()> whileBusy;

    platform::ClockMs ReportNow() override { return platform::ClockMs{now}; }
    void ReportJump(ScorePosition target, platform::ClockMs time, std::int32_t tempo) override {
        jumps.push_back({target, time.Ms(), tempo});
    }
    void ReportDynamics(std::int32_t ratio) override {
        dynamics.push_back(ratio);
        if (whileBusy) whileBusy();
    }
    void ReportPosition(ScorePosition position, platform::ClockMs time,
                        std::int32_t tempo) override {
        positions.push_back({position, time.Ms(), tempo});
    }
    void ReportEvent(platform::ClockMs time, ScorePosition position, std::uint32_t word) override {
        events.push_back({time.Ms(), position, word});
    }
};

inline constexpr std::uint32_t NoteWord(int key, int velocity = 64, int channel = 0) {
    return static_cast<std::uint32_t>(0x90 | channel) | (static_cast<std::uint32_t>(key) << 8) |
           (static_cast<std::uint32_t>(velocity) << 16);
}

inline constexpr std::uint32_t ControlWord(int controller, int value, int channel = 0) {
    return static_cast<std::uint32_t>(0xB0 | channel) |
           (static_cast<std::uint32_t>(controller) << 8) |
           (static_cast<std::uint32_t>(value) << 16);
}

// One written note (a note-on and its note-off 10 ms later).
struct WrittenNote {
    std::uint32_t time = 0;
    int key = 60;
    int velocity = 64;
};

inline std::vector<TrackEvent> FollowingTrack(std::span<const WrittenNote> notes) {
    std::vector<TrackEvent> events;
    for (const WrittenNote& note : notes) {
        events.push_back(TrackEvent{note.time, kNoteOn, static_cast<std::uint8_t>(note.key),
                                    static_cast<std::uint8_t>(note.velocity), 0});
        events.push_back(
            TrackEvent{note.time + 10, kNoteOn, static_cast<std::uint8_t>(note.key), 0, 0});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const TrackEvent& a, const TrackEvent& b) { return a.time < b.time; });
    return events;
}

// Beats of `beatMs` from 0 up to `endMs`, `beatsPerMeasure` to the measure.
inline std::vector<std::uint32_t> BeatList(std::uint32_t beatMs, int beatsPerMeasure,
                                           std::uint32_t endMs) {
    std::vector<std::uint32_t> beats;
    int index = 0;
    for (std::uint32_t time = 0; time <= endMs; time += beatMs, ++index) {
        beats.push_back(index % beatsPerMeasure == 0 ? (time | kDownbeatFlag) : time);
    }
    return beats;
}

inline FollowerOptions Options(TimingLevel level = TimingLevel::Highest, bool jumping = true) {
    FollowerOptions options;
    options.timingLevel = level;
    options.jumping = jumping;
    return options;
}

// A follower on a RecordingCallback at the time scale the program uses.
class FollowerFixture : public ::testing::Test {
  protected:
    static constexpr std::uint32_t kStartClock = 10000;

    void SetUp() override { ASSERT_TRUE(follower.Create(callback, 256, 1000)); }

    void LoadScore(std::span<const WrittenNote> notes, std::span<const std::uint32_t> beats = {}) {
        const std::vector<TrackEvent> track = FollowingTrack(notes);
        ASSERT_TRUE(follower.SetScore(track, {}, beats));
    }

    // Starts at the clock `at` and answers the first playback query there, so
    // that the anchor is (position, at).
    void StartAt(ScorePosition position, std::uint32_t at = kStartClock,
                 Fixed16 tempo = kFixedOne) {
        callback.now = at;
        ASSERT_TRUE(follower.Start(position, tempo));
        follower.TimeUntil(position);
    }

    void Play(std::uint32_t at, int key, int velocity = 64) {
        callback.now = at;
        EXPECT_TRUE(follower.NoteIn(NoteWord(key, velocity), ScorePosition{0}));
    }

    void Tap(std::uint32_t at, Fixed16 strength = 0) {
        callback.now = at;
        EXPECT_TRUE(follower.TapIn(strength));
    }

    ScorePosition PositionAt(std::uint32_t at) {
        callback.now = at;
        return follower.Position();
    }

    const EventReport& LastEvent() const { return callback.events.back(); }
    const PositionReport& LastPosition() const { return callback.positions.back(); }

    RecordingCallback callback;
    Follower follower;
};

// The fixture run once with each following method, for what both must do
// alike: Options() here carries the method, and SetUp hands it over.
class EitherMethod : public FollowerFixture, public ::testing::WithParamInterface<FollowingMethod> {
  protected:
    void SetUp() override {
        FollowerFixture::SetUp();
        ASSERT_TRUE(follower.SetOptions(Options()));
    }

    FollowerOptions Options(TimingLevel level = TimingLevel::Highest, bool jumping = true) const {
        FollowerOptions options = follower_test::Options(level, jumping);
        options.method = GetParam();
        return options;
    }
};

}  // namespace ostinel::follower_test
