#include "follower/following_options.h"

#include <algorithm>

#include "follower/special_markers.h"

namespace ostinel {

bool FollowSameScore(const FollowingOptions& a, const FollowingOptions& b) {
    return a.followSource == b.followSource && a.twoFollowTracks == b.twoFollowTracks &&
           a.followTrack1 == b.followTrack1 && a.followTrack2 == b.followTrack2;
}

InputMode IdleInputMode(const FollowingOptions& options) {
    return options.startAutomatically && options.followSource == FollowSource::SoloistsPlaying
               ? InputMode::InputAwaitStart
               : InputMode::InputIdle;
}

FollowerOptions ToFollowerOptions(const FollowingOptions& options) {
    FollowerOptions converted;
    // A level outside 0-4 is passed on as it is: the follower keeps its old one.
    converted.timingLevel = static_cast<TimingLevel>(options.timingFollowLevel);
    converted.startAutomatically = options.startAutomatically;
    converted.jumping = options.jumpEnabled;
    converted.severalBeatsOnly = options.jumpSeveralBeatsOnly;
    converted.waitForSolo = options.waitForSoloToStart;
    converted.method = options.method;
    return converted;
}

void SoloistProgress::Reached(ScorePosition position) {
    ScorePosition furthest = furthest_.load(std::memory_order_acquire);
    while (position > furthest &&
           !furthest_.compare_exchange_weak(furthest, position, std::memory_order_acq_rel)) {
    }
}

bool ShouldStopAutomatically(const FollowingOptions& options, const AutoStopState& state,
                             const LastEventLookup& lastEventAtOrBefore) {
    if (state.jumpRequestWaiting || !options.stopAutomatically || !state.followingActive ||
        options.timingFollowLevel < 2) {
        return false;
    }
    // The delay in score time at the current speed, in 32 unsigned bits as stored.
    const std::uint32_t delay =
        (static_cast<std::uint32_t>(state.speed.Raw()) * options.autoStopDelayMs + 2048u) >> 12;
    const std::int64_t due = static_cast<std::int64_t>(state.songPosition.Ms()) - delay;
    if (due < 0) return false;
    const auto t = static_cast<ScorePosition>(due);
    if (InIgnoreRange(state.ignoreRanges, t)) return false;
    return lastEventAtOrBefore(t) > state.furthestReached;
}

}  // namespace ostinel
