// Taps placed on the beat list: the beat the soloist tapped, the tempo it
// shows, and the release of waits.

#include <algorithm>

#include "follower/engine/follower.h"

namespace ostinel {
namespace {

constexpr std::int64_t kMaxTempo = 0x40000;  // 4.0

}  // namespace

std::int32_t Follower::BeatLength(int beat) const {
    const auto count = static_cast<int>(beats_.size());
    const auto at = [this](int b) { return beats_[static_cast<std::size_t>(b)]; };
    if (beat + 1 < count) return at(beat + 1) - at(beat);
    // The last beat has no successor: take it as long as the one before.
    return beat > 0 ? at(beat) - at(beat - 1) : 0;
}

void Follower::HandleTap(Fixed16 strength) {
    // A tap that waited in the queue while following stopped is no longer wanted.
    if (!running_.load(std::memory_order_relaxed)) return;
    const platform::ClockMs now = callback_->ReportNow();
    const ScorePosition x = EstimateAt(anchor_, now);
    const auto count = static_cast<int>(beats_.size());
    if (count == 0) return;
    const auto beat = [this](int b) { return beats_[static_cast<std::size_t>(b)]; };
    while (beatCursor_ < count && beat(beatCursor_) < x)
        ++beatCursor_;
    if (beatCursor_ == 0 && startWait_ != beat(0)) return;

    int tapped = 0;
    if (beatCursor_ == count) {
        tapped = count - 1;
    } else if (beatCursor_ > 0) {
        const ScorePosition middle{(beat(beatCursor_ - 1).Ms() + beat(beatCursor_).Ms()) >> 1};
        tapped = x > middle ? beatCursor_ : beatCursor_ - 1;
    }
    bool halfTap = false;
    const int last = lastTappedBeat_;
    if (last >= 0 &&
        (tapped == last || (tapped == last + 1 &&
                            x < ScorePosition{(2 * beat(tapped).Ms() + beat(last).Ms()) / 3}))) {
        // Early in the beat just tapped it is a bounce; later it marks the half beat.
        if (3 * (std::int64_t{x.Ms()} - beat(last).Ms()) < BeatLength(last)) return;
        halfTap = true;
    }
    const ScorePosition tappedPosition =
        halfTap ? beat(last) + (BeatLength(last) >> 1) : beat(tapped);
    const int level = Level();

    if (tappedPosition < anchor_.waitLimit) {
        if (level == 1) {
            if (strength != 0) {
                dynamicsRatio_ = (dynamicsRatio_ + strength) >> 1;
                callback_->ReportDynamics(dynamicsRatio_);
            }
            return;
        }
        if (halfTap) {
            anchor_.position = tappedPosition;
        } else {
            if (level >= 3 && tapped > 0) {
                // Markers of beats that were never tapped are passed.
                while (restoreMarkers_.Pending() && restoreMarkers_.Next() < beat(tapped)) {
                    ++restoreMarkers_.cursor;
                }
                if (restoreMarkers_.Pending() && restoreMarkers_.Next() == beat(tapped)) {
                    ++restoreMarkers_.cursor;
                    anchor_.tempo = baseTempo_;
                } else if (const std::int64_t dt = ClockDifference(now, anchor_.time); dt != 0) {
                    const std::int64_t measured =
                        ((std::int64_t{beat(tapped).Ms()} - anchor_.position.Ms()) * 65536 +
                         dt / 2) /
                        dt;
                    if (measured > 0) {
                        const std::int64_t tempo =
                            level == 4 ? measured : (anchor_.tempo + measured) >> 1;
                        anchor_.tempo = static_cast<Fixed16>(std::min(tempo, kMaxTempo));
                    }
                }
            }
            lastTappedBeat_ = tapped;
            anchor_.position = beat(tapped);
        }
    } else {
        if (halfTap) return;
        const ScorePosition limit = anchor_.waitLimit;
        if (waitMarkers_.Pending() && waitMarkers_.Next() == limit) ++waitMarkers_.cursor;
        if (signalMarkers_.Pending() && signalMarkers_.Next() == limit) ++signalMarkers_.cursor;
        if (limit == startWait_) {
            startWait_ = kNoLimit;
            DropSingleAnchorRecord();
        }
        if (restoreMarkers_.Pending() && restoreMarkers_.Next() == limit) {
            ++restoreMarkers_.cursor;
            anchor_.tempo = baseTempo_;
        }
        anchor_.position = limit;
        ComputeWaitLimit();
        if (anchor_.waitLimit == beat(tapped)) {
            lastTappedBeat_ = tapped;
            anchor_.position = beat(tapped);
        }
    }
    anchor_.time = now;
    ReportAnchor();
    if (strength != 0) {
        dynamicsRatio_ = (dynamicsRatio_ + strength) >> 1;
        callback_->ReportDynamics(dynamicsRatio_);
    }
    callback_->ReportEvent(now, anchor_.position, 0);
    AppendAnchorRecord();
}

}  // namespace ostinel
