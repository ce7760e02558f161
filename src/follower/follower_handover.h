#pragma once

// What hands the Following options, the special markers and the remote
// control's signal to the follower itself. Kept apart from the rules that
// decide them, so that a program that never links a follower can use those.

#include "follower/engine/follower.h"
#include "follower/following_options.h"
#include "follower/remote_control.h"
#include "follower/special_markers.h"

namespace ostinel {

// main thread: Follower::SetOptions with the converted options; false while it follows.
bool HandOptionsToFollower(const FollowingOptions& options, Follower& follower);

// main thread: merges the Ignore Soloist ranges and hands the four
// following lists to the follower. False when the follower refused one,
// which it does while it follows.
bool HandMarkersToFollower(const SpecialMarkers& markers, Follower& follower);

// main thread: Follower::SetSignal with the special-signal entry.
void HandSignalToFollower(const RemoteControl& remote, Follower& follower);

}  // namespace ostinel
