#include "platform/manual/manual_clock.h"

// ManualClock is header-only; this unit keeps the backend's file set alike
// with the real one.
