#include "follower/intake/soloist_receiver.h"

namespace ostinel {

bool FollowerReceiver::NoteIn(std::uint32_t word, ScorePosition songPosition) {
    return follower_.NoteIn(word, songPosition);
}

bool FollowerReceiver::TapIn(Fixed16 strength) {
    return follower_.TapIn(strength);
}

}  // namespace ostinel
