#include "platform/clock.h"

namespace ostinel::platform {

ClockSixtieths Clock::NowSixtieths() const {
    return SixtiethsFromMs(Now());
}

}  // namespace ostinel::platform
