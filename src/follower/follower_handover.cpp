#include "follower/follower_handover.h"

namespace ostinel {

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
