#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "follower/engine/follower.h"
#include "follower/intake/input_mode.h"
#include "music/following_method.h"
#include "music/score_position.h"

namespace ostinel {

enum class FollowSource : std::uint16_t { SoloistsPlaying = 0, TappedBeats = 1 };

enum class TapSource : std::uint16_t {
    SpaceBar = 0,
    RightMouseButton = 1,
    Note = 2,  // tapNote
    AnyNote = 3,
    Controller = 4,  // tapController
    AnyController = 5,
};

inline constexpr std::uint8_t kNoTapValue = 255;  // tapNote or tapController unset
inline constexpr std::uint32_t kMaxAutoStopDelayMs = 60000;

// What the accompaniment follows and how closely: the user's choices as the
// Following dialog edits and the settings records store them. The transport
// reads them whole; the follower and the intake get their own shares
// (FollowerOptions, IntakeSettings), which other threads read.
struct FollowingOptions {
    FollowSource followSource = FollowSource::SoloistsPlaying;
    bool twoFollowTracks = false;
    std::int16_t followTrack1 = 0;
    std::int16_t followTrack2 = 0;
    TapSource tapSource = TapSource::SpaceBar;
    std::uint8_t tapNote = kNoTapValue;        // 0-127
    std::uint8_t tapController = kNoTapValue;  // 0-121
    bool jumpEnabled = true;
    bool jumpSeveralBeatsOnly = false;  // with jumpEnabled: within 3000 score ms only
    bool waitForSoloToStart = false;
    bool previewBeforeStarting = false;
    bool startAutomatically = true;
    bool stopAutomatically = false;
    std::uint32_t autoStopDelayMs = 5000;
    std::uint16_t timingFollowLevel = 4;                 // 0 None ... 4 Highest
    std::uint16_t volumeFollowLevel = 2;                 // 0 None ... 3 High
    // Kept beside the record, not in it. Matching here, the method the record's
    // own fields describe; new settings take kDefaultFollowingMethod.
    FollowingMethod method = FollowingMethod::Matching;

    // Whether the soloist plays the notes of the following tracks (else taps the beats).
    bool FollowsNotes() const { return followSource == FollowSource::SoloistsPlaying; }
    // The second following track, or -1 when one track is followed.
    int SecondTrack() const { return twoFollowTracks ? followTrack2 : -1; }

    friend bool operator==(const FollowingOptions&, const FollowingOptions&) = default;
};

// The options of new settings: the record's defaults, following by the default method.
inline FollowingOptions NewFollowingOptions() {
    FollowingOptions options;
    options.method = kDefaultFollowingMethod;
    return options;
}

// Whether both follow the same score: the same source and following tracks.
// A take recorded against another score would not play back.
bool FollowSameScore(const FollowingOptions& a, const FollowingOptions& b);

// The mode the intake returns to wherever the program leaves following.
InputMode IdleInputMode(const FollowingOptions& options);

// The follower's share of the options.
FollowerOptions ToFollowerOptions(const FollowingOptions& options);

// The largest score position the soloist has reached since Play and
// Follow started: the follower's ReportEvent raises it on whatever thread
// is inside the follower, the idle pass reads it.
class SoloistProgress {
  public:
    // main thread, when Play and Follow starts
    void Restart(ScorePosition start) { furthest_.store(start, std::memory_order_release); }
    // any thread: a reported event; -1 (an unmatched note) reaches nothing
    void Reached(ScorePosition position);
    // any thread
    ScorePosition Furthest() const { return furthest_.load(std::memory_order_acquire); }

  private:
    std::atomic<ScorePosition> furthest_{};
    static_assert(std::atomic<ScorePosition>::is_always_lock_free);
};

// What the idle pass knows when it asks whether the soloist has stopped.
struct AutoStopState {
    bool jumpRequestWaiting = false;  // a follower restart is pending
    bool followingActive = false;
    SpeedFactor speed = kOwnTempoSpeed;  // the current SpeedFactor (4.12)
    ScorePosition songPosition;
    ScorePosition furthestReached;
    std::span<const ScoreRange> ignoreRanges;  // the piece's Ignore Soloist ranges
};

// The follower's last chord (or beat) at or before a position, -1 for none.
using LastEventLookup = std::function<ScorePosition(ScorePosition)>;

// main thread, each idle pass: whether Stop is to be posted because the
// soloist should have played something at least autoStopDelayMs ago (in
// score time at the current speed) and has not.
bool ShouldStopAutomatically(const FollowingOptions& options, const AutoStopState& state,
                             const LastEventLookup& lastEventAtOrBefore);

}  // namespace ostinel
