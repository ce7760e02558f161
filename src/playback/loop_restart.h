#pragma once

#include <cstdint>
#include <optional>

#include "music/transport_request.h"
#include "platform/clock.h"

namespace ostinel {

// The automatic restart at the loop end: the play command that reached it is
// requested again once the restart delay has passed.
class LoopRestart {
  public:
    explicit LoopRestart(const platform::Clock& clock) : clock_(clock) {}
    LoopRestart(const LoopRestart&) = delete;
    LoopRestart& operator=(const LoopRestart&) = delete;

    // main thread: the span that `request` started stopped at the loop end.
    void Schedule(std::uint32_t delaySec, TransportRequest request);
    // main thread
    void Cancel() { deadline_.reset(); }
    bool Pending() const { return deadline_.has_value(); }
    // main thread, from the idle pass: the play command once the delay is
    // over; from then on no restart is pending.
    std::optional<TransportRequest> TakeDue();

  private:
    const platform::Clock& clock_;
    // On the coarse clock, whose sixtieths wrap around like the milliseconds.
    std::optional<platform::ClockSixtieths> deadline_;
    TransportRequest request_ = TransportRequest::PlayFile;
};

}  // namespace ostinel
