#include "follower/follower_handover.h"

#include "follower/intake/follower_input.h"

namespace ostinel {

bool FollowerInputAdapter::NoteIn(std::uint32_t word, ScorePosition songPosition) {
    return follower_.NoteIn(word, songPosition);
}

bool FollowerInputAdapter::TapIn(Fixed16 strength) {
    return follower_.TapIn(strength);
}

bool HandOptionsToFollower(const FollowingOptions& options, Follower& follower) {
    return follower.SetOptions(ToFollowerOptions(options));
}

void HandSignalToFollower(const RemoteControl& remote, Follower& follower) {
    follower.SetSignal(remote.SpecialSignal());
}

bool HandMarkersToFollower(const SpecialMarkers& markers, Follower& follower) {
    const std::vector<ScoreRange> ranges = MergeIgnoreRanges(markers.ignoreSoloist);
    // Each list is offered even when an earlier one was refused.
    bool accepted = follower.SetWaitMarkers(markers.waitForSoloist);
    accepted = follower.SetSignalMarkers(markers.waitForSignal) && accepted;
    accepted = follower.SetRestoreMarkers(markers.restoreTempo) && accepted;
    accepted = follower.SetIgnoreRanges(ranges) && accepted;
    return accepted;
}

}  // namespace ostinel
