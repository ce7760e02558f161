#include "playback/transport_availability.h"

#include <cstddef>
#include <optional>

namespace ostinel {
namespace {

constexpr std::size_t IndexOf(TransportRequest request) {
    return static_cast<std::size_t>(TransportRequestCode(request));
}

}  // namespace

void TransportAvailability::SetAvailable(TransportRequest request, bool available) {
    available_[IndexOf(request)].store(available, std::memory_order_release);
}

bool TransportAvailability::IsAvailable(TransportRequest request) const {
    return available_[IndexOf(request)].load(std::memory_order_acquire);
}

bool TransportAvailability::ShouldCarryOut(std::int16_t code) const {
    const std::optional<TransportRequest> request = TransportRequestFromCode(code);
    if (!request) return false;
    return *request == TransportRequest::Stop || IsAvailable(*request);
}

}  // namespace ostinel
