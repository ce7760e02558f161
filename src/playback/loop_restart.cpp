#include "playback/loop_restart.h"

namespace ostinel {

void LoopRestart::Schedule(std::uint32_t delaySec, TransportRequest request) {
    deadline_ = clock_.NowSixtieths() + delaySec * 60;
    request_ = request;
}

std::optional<TransportRequest> LoopRestart::TakeDue() {
    if (!deadline_ || static_cast<std::int32_t>(clock_.NowSixtieths() - *deadline_) < 0)
        return std::nullopt;
    deadline_.reset();
    return request_;
}

}  // namespace ostinel
