#include "playback/transport_request_queue.h"

#include <cstdint>
#include <optional>

namespace ostinel {

bool TransportRequestQueue::PostRequest(std::int16_t code) {
    if (!IsTransportRequestCode(code)) return false;
    codes_.Push(static_cast<std::uint32_t>(code));
    if (const PostedListener listener = listener_.load(std::memory_order_acquire))
        listener(listenerContext_.load(std::memory_order_acquire));
    return true;
}

void TransportRequestQueue::SetPostedListener(PostedListener listener, void* context) {
    listener_.store(nullptr, std::memory_order_release);
    listenerContext_.store(context, std::memory_order_release);
    listener_.store(listener, std::memory_order_release);
}

std::int16_t TransportRequestQueue::TakeRequest() {
    const std::optional<std::uint32_t> code = codes_.Take();
    if (!code) return kNoRequest;
    return static_cast<std::int16_t>(*code);
}

}  // namespace ostinel
