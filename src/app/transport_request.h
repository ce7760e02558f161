#pragma once

#include <array>
#include <cstddef>
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

// The view button that lights briefly when a request is carried out.
struct FlashButtonTarget {
    std::int16_t view;
    std::int16_t element;

    friend constexpr bool operator==(const FlashButtonTarget&, const FlashButtonTarget&) = default;
};

// Indexed by request code. The jumps and All Notes Off have no button of their own.
inline constexpr std::array<std::optional<FlashButtonTarget>, kTransportRequestCount>
    kFlashButtonAfterRequest = {{
        FlashButtonTarget{1, 5},   // Play and Follow
        FlashButtonTarget{1, 6},   // Play File
        FlashButtonTarget{1, 7},   // Play Performance
        FlashButtonTarget{1, 9},   // Fast Forward
        FlashButtonTarget{1, 3},   // Rewind
        FlashButtonTarget{1, 4},   // Stop
        FlashButtonTarget{1, 8},   // Preview
        std::nullopt,              // Jump Ahead
        std::nullopt,              // Jump Back
        std::nullopt,              // Jump Again
        FlashButtonTarget{3, 34},  // Metronome
        FlashButtonTarget{2, 13},  // Loop Mode
        std::nullopt,              // All Notes Off
    }};

constexpr std::optional<FlashButtonTarget> FlashButtonAfter(TransportRequest request) {
    return kFlashButtonAfterRequest[static_cast<std::size_t>(TransportRequestCode(request))];
}

}  // namespace ostinel
