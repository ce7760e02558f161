#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "music/transport_request.h"

namespace ostinel {

// Which transport requests make sense in the transport's present state (Play
// File while stopped, Stop while playing, ...). The transport keeps the flags
// up to date; the idle pass consults them for each code it takes from the
// queue, so that a request posted before the state changed does no harm.
class TransportAvailability {
  public:
    // main thread (the transport). Every flag starts clear.
    void SetAvailable(TransportRequest request, bool available);

    // any thread
    bool IsAvailable(TransportRequest request) const;

    // main thread (the idle pass): whether a code taken from the queue is
    // carried out. Stop always is, so that the transport can always be halted;
    // anything that is not a request code never is.
    bool ShouldCarryOut(std::int16_t code) const;

  private:
    std::array<std::atomic<bool>, kTransportRequestCount> available_{};
};

}  // namespace ostinel
