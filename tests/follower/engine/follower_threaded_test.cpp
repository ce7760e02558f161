// Notes handled on one thread while the playback tick asks for the position
// and the time until events on another.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "follower/engine/follower.h"
#include "follower_test_rig.h"

namespace ostinel {
namespace {

using follower_test::FollowingTrack;
using follower_test::NoteWord;
using follower_test::WrittenNote;

// A clock any thread may read; reports are made by one thread at a time.
class SharedClockCallback : public FollowerCallback {
  public:
    std::atomic<std::uint32_t> now{0};
    std::atomic<int> events{0};
    std::atomic<int> matched{0};

    platform::ClockMs ReportNow() override {
        return platform::ClockMs{now.load(std::memory_order_acquire)};
    }
    void ReportJump(ScorePosition, platform::ClockMs, std::int32_t) override {}
    void ReportDynamics(std::int32_t) override {}
    void ReportPosition(ScorePosition, platform::ClockMs, std::int32_t) override {}
    void ReportEvent(platform::ClockMs, ScorePosition position, std::uint32_t) override {
        events.fetch_add(1, std::memory_order_relaxed);
        if (position >= ScorePosition{}) matched.fetch_add(1, std::memory_order_relaxed);
    }
};

constexpr int kChords = 2000;
constexpr std::int32_t kChordMs = 100;
constexpr std::uint32_t kClockOffset = 100000;  // clock = score position + this

std::vector<WrittenNote> EvenMelody() {
    std::vector<WrittenNote> notes;
    for (int i = 0; i < kChords; ++i) {
        notes.push_back({static_cast<std::uint32_t>(i * kChordMs), 48 + i % 24});
    }
    return notes;
}

std::vector<std::uint32_t> Beats() {
    std::vector<std::uint32_t> beats;
    for (int i = 0; i < kChords; ++i) {
        const auto time = static_cast<std::uint32_t>(i * kChordMs);
        beats.push_back(i % 4 == 0 ? (time | kDownbeatFlag) : time);
    }
    return beats;
}

// With the probability method the estimate waits at the next chord, so a
// time-until past it may also be "held" (-1).
void TickNeverSeesAMixedPosition(FollowingMethod method) {
    SharedClockCallback callback;
    Follower follower;
    ASSERT_TRUE(follower.Create(callback, 256, 1000));
    const auto track = FollowingTrack(EvenMelody());
    const auto beats = Beats();
    ASSERT_TRUE(follower.SetScore(track, {}, beats));
    FollowerOptions options;
    options.method = method;
    ASSERT_TRUE(follower.SetOptions(options));
    const int lowestUntil = method == FollowingMethod::Probability ? -1 : 0;
    callback.now.store(kClockOffset);
    ASSERT_TRUE(follower.Start(ScorePosition{0}, kFixedOne));
    follower.TimeUntil(ScorePosition{0});

    std::atomic<bool> done{false};
    std::atomic<int> mixed{0};
    std::atomic<long> reads{0};
    // Played exactly in time every anchor says clock − offset, so any
    // consistent read lies between the clocks read before and after it.
    std::thread tick([&] {
        while (!done.load(std::memory_order_acquire)) {
            const std::uint32_t before = callback.now.load(std::memory_order_acquire);
            const ScorePosition position = follower.Position();
            const std::int32_t until = follower.TimeUntil(position + 50);
            const std::uint32_t after = callback.now.load(std::memory_order_acquire);
            const auto low = static_cast<ScorePosition>(before - kClockOffset);
            const auto high = static_cast<ScorePosition>(after - kClockOffset);
            // Waiting at the next chord, 1 ms short of it, until its note is handled.
            const bool held = lowestUntil < 0 && position == low - 1;
            if ((!held && (position < low || position > high)) || until < lowestUntil ||
                until > 50) {
                mixed.fetch_add(1, std::memory_order_relaxed);
            }
            reads.fetch_add(1, std::memory_order_relaxed);
        }
    });
    std::thread input([&] {
        for (int i = 0; i < kChords; ++i) {
            const auto at = static_cast<std::uint32_t>(i * kChordMs) + kClockOffset;
            for (std::uint32_t step = at - kChordMs + 10; i > 0 && step < at; step += 10) {
                callback.now.store(step, std::memory_order_release);
                std::this_thread::yield();
            }
            callback.now.store(at, std::memory_order_release);
            follower.NoteIn(NoteWord(48 + i % 24), ScorePosition{0});
        }
        done.store(true, std::memory_order_release);
    });
    input.join();
    tick.join();
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(callback.matched.load(), kChords);
    follower.Stop();
}

TEST(FollowerThreads, TheTickNeverSeesAPositionMixedFromTwoAnchors) {
    TickNeverSeesAMixedPosition(FollowingMethod::Matching);
}

TEST(FollowerThreads, NorWithTheProbabilityMethod) {
    TickNeverSeesAMixedPosition(FollowingMethod::Probability);
}

TEST(FollowerThreads, NotesFromTwoThreadsAreEachHandledOnceOrRefused) {
    SharedClockCallback callback;
    Follower follower;
    ASSERT_TRUE(follower.Create(callback, 256, 1000));
    const auto track = FollowingTrack(EvenMelody());
    ASSERT_TRUE(follower.SetScore(track, {}, {}));
    FollowerOptions options;
    options.jumping = false;
    ASSERT_TRUE(follower.SetOptions(options));
    callback.now.store(kClockOffset);
    ASSERT_TRUE(follower.Start(ScorePosition{0}, kFixedOne));

    constexpr int kNotesEach = 20000;
    std::atomic<int> accepted{0};
    std::atomic<bool> go{false};
    const auto play = [&](int key) {
        while (!go.load(std::memory_order_acquire))
            std::this_thread::yield();
        int mine = 0;
        for (int i = 0; i < kNotesEach; ++i)
            mine += follower.NoteIn(NoteWord(key), ScorePosition{0}) ? 1 : 0;
        accepted.fetch_add(mine);
    };
    std::thread first(play, 20);
    std::thread second(play, 21);
    std::thread tick([&] {
        while (!go.load(std::memory_order_acquire))
            std::this_thread::yield();
        for (int i = 0; i < 20000; ++i)
            follower.TimeUntil(ScorePosition{i});
    });
    go.store(true, std::memory_order_release);
    first.join();
    second.join();
    tick.join();
    // Whatever a busy moment left in the queue is handled by the next operation.
    follower.Stop();
    EXPECT_EQ(callback.events.load(), accepted.load());
    EXPECT_GT(accepted.load(), 0);
}

}  // namespace
}  // namespace ostinel
