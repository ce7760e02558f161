#pragma once

#include <cstdint>
#include <optional>

namespace ostinel {

// The transport commands that timer callbacks, MIDI input and the window hand
// to the main thread. Each keeps its number: the queue carries the number, and
// remote control's list of commands is written in these numbers.
enum class TransportRequest : std::int16_t {
    PlayAndFollow = 0,
    PlayFile = 1,
    PlayPerformance = 2,
    FastForward = 3,
    Rewind = 4,
    Stop = 5,
    Preview = 6,
    JumpAhead = 7,
    JumpBack = 8,
    JumpAgain = 9,
    Metronome = 10,
    LoopMode = 11,
    AllNotesOff = 12,
};

inline constexpr int kTransportRequestCount = 13;

constexpr bool IsTransportRequestCode(int code) {
    return code >= 0 && code < kTransportRequestCount;
}

constexpr std::optional<TransportRequest> TransportRequestFromCode(int code) {
    if (!IsTransportRequestCode(code)) return std::nullopt;
    return static_cast<TransportRequest>(code);
}

constexpr std::int16_t TransportRequestCode(TransportRequest request) {
    return static_cast<std::int16_t>(request);
}

// Where a transport command goes when it is given away from the main thread:
// the transport's request queue. Lets remote control post without knowing it.
class TransportRequestSink {
  public:
    // any thread. Never allocates, locks or blocks.
    virtual bool PostRequest(TransportRequest request) = 0;

  protected:
    ~TransportRequestSink() = default;
};

}  // namespace ostinel
