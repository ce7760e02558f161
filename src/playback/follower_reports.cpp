#include "playback/follower_reports.h"

#include <algorithm>

#include "music/midi_message.h"
#include "playback/output_shaping.h"

namespace ostinel {
namespace {

std::uint64_t PackAnchor(PositionAnchor anchor) {
    return (std::uint64_t{static_cast<std::uint32_t>(anchor.position.Ms())} << 32) |
           anchor.time.Ms();
}

}  // namespace

void FollowerReports::ReportJump(ScorePosition target, platform::ClockMs time, std::int32_t tempo) {
    jumpTarget_.store(target);
    jumpTime_.store(time);
    jumpSpeed_.store(SpeedFromTempo(tempo));
    restartPending_.store(true);
    if (jumpListener_ != nullptr) jumpListener_(jumpListenerContext_);
    PlayedEvent jump;
    jump.kind = PlayedEvent::Kind::Jump;
    jump.time = time.Ms();
    jump.matched = target;
    jump.place = PlaceAt(time);
    jump.speed = SpeedFromTempo(tempo);
    played_.TryPush(jump);
    if (observer_ != nullptr) observer_->ReportJump(target, time, tempo);
}

void FollowerReports::ReportDynamics(std::int32_t ratio) {
    const int level = volumeLevel_.load();
    if (level == 0) return;
    tick_.SetFollowVolume(FollowVolumeAfterReport(tick_.FollowVolume(), ratio, level));
    if (observer_ != nullptr) observer_->ReportDynamics(ratio);
}

void FollowerReports::ReportPosition(ScorePosition position, platform::ClockMs time,
                                     std::int32_t tempo) {
    if (!followingActive_.load()) return;
    SetAnchor(PositionAnchor{position, time}, SpeedFromTempo(tempo));
    tick_.Steer();
    if (observer_ != nullptr) observer_->ReportPosition(position, time, tempo);
}

void FollowerReports::ReportEvent(platform::ClockMs time, ScorePosition position,
                                  std::uint32_t word) {
    lastEventTime_.store(time);
    progress_.Reached(position);
    PlayedEvent played;
    played.kind = word == 0 ? PlayedEvent::Kind::Tap : PlayedEvent::Kind::Note;
    played.key = KeyOf(word);
    played.time = time.Ms();
    played.matched = position;
    played.place = position >= ScorePosition{} ? position : PlaceAt(time);
    played.speed = speed_.load();
    played_.TryPush(played);
    if (observer_ != nullptr) observer_->ReportEvent(time, position, word);
}

ScorePosition FollowerReports::PlaceAt(platform::ClockMs time) const {
    const PositionAnchor anchor = Anchor();
    const std::int64_t elapsed = platform::ClockDifference(time, anchor.time);
    return anchor.position +
           static_cast<std::int32_t>((elapsed * speed_.load().Raw() + 2048) >> 12);
}

FollowerJump FollowerReports::TakeJump() {
    restartPending_.store(false);
    return FollowerJump{jumpTarget_.load(), jumpTime_.load(), jumpSpeed_.load()};
}

ScorePosition FollowerReports::RestartPosition(const FollowerJump& jump, platform::ClockMs now) {
    const std::int64_t elapsed = platform::ClockDifference(now, jump.time);
    return jump.target + static_cast<std::int32_t>((elapsed * jump.speed.Raw() + 2048) >> 12);
}

PositionAnchor FollowerReports::Anchor() const {
    const std::uint64_t packed = anchor_.load();
    return PositionAnchor{static_cast<ScorePosition>(static_cast<std::uint32_t>(packed >> 32)),
                          platform::ClockMs{static_cast<std::uint32_t>(packed & 0xFFFFFFFFu)}};
}

void FollowerReports::SetAnchor(PositionAnchor anchor, SpeedFactor speed) {
    anchor_.store(PackAnchor(anchor));
    speed_.store(speed);
}

}  // namespace ostinel
