// Temporary stand-in while the engine is written elsewhere (not committed).
#include "follower/engine/follower.h"
namespace ostinel {
Follower::~Follower() = default;
bool Follower::Start(ScorePosition, Fixed16) { return false; }
bool Follower::Resume(Fixed16) { return false; }
void Follower::Stop() {}
ScorePosition Follower::Position() const { return 0; }
std::int32_t Follower::TimeUntil(ScorePosition) { return -1; }
ScorePosition Follower::PerformedToScore(std::uint32_t) { return -1; }
}  // namespace ostinel
