#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "music/transport_request.h"
#include "platform/drop_oldest_ring.h"

namespace ostinel {

// Hands transport commands from the timer thread, the MIDI input thread and
// the window to the main thread, where every transport operation runs. Holds
// the 32 most recent codes: posting to a full queue pushes out the oldest.
class TransportRequestQueue final : public TransportRequestSink {
  public:
    static constexpr std::size_t kCapacity = 32;
    static constexpr std::int16_t kNoRequest = -1;

    // any thread. Never allocates, locks or blocks. A code outside 0..12 is
    // not a request and is refused (false); nothing is queued for it.
    bool PostRequest(std::int16_t code);
    bool PostRequest(TransportRequest request) override {
        return PostRequest(TransportRequestCode(request));
    }

    // main thread: the oldest code, or kNoRequest when none is ready.
    std::int16_t TakeRequest();

    // Told after every code posted, on the posting thread, so that a sleeping
    // main loop can wake for it. It runs on the timer and input threads: it
    // must not allocate, lock or block (writing an eventfd is fine).
    using PostedListener = void (*)(void* context);
    // main thread, before other threads post; nullptr stops the telling.
    void SetPostedListener(PostedListener listener, void* context);

  private:
    DropOldestRing<kCapacity> codes_;
    std::atomic<void*> listenerContext_{nullptr};
    std::atomic<PostedListener> listener_{nullptr};
};

}  // namespace ostinel
