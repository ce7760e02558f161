#pragma once

#include <atomic>
#include <cstdint>

#include "music/score_position.h"
#include "playback/transport_mode.h"

namespace ostinel {

// The stopped position and the running modes as the main thread last
// published them, for the input thread, which never reads the transport.
class PublishedTransport {
  public:
    // main thread
    void Publish(ScorePosition position, const TransportMode& mode);
    void PublishPosition(ScorePosition position) { position_.store(position); }

    // any thread
    ScorePosition Position() const { return position_.load(); }
    // The running modes (the follower's restart flags are not published).
    TransportMode Mode() const;

  private:
    std::atomic<ScorePosition> position_{};
    static_assert(std::atomic<ScorePosition>::is_always_lock_free);
    std::atomic<std::uint16_t> modeBits_{0};  // one bit per mode, in Mode()'s order
};

}  // namespace ostinel
