#include "app/transport_request_queue.h"

#include <cstdint>
#include <optional>

namespace ostinel {

bool TransportRequestQueue::PostRequest(std::int16_t code) {
    if (!IsTransportRequestCode(code)) return false;
    codes_.Push(static_cast<std::uint32_t>(code));
    return true;
}

std::int16_t TransportRequestQueue::TakeRequest() {
    const std::optional<std::uint32_t> code = codes_.Take();
    if (!code) return kNoRequest;
    return static_cast<std::int16_t>(*code);
}

}  // namespace ostinel
