#pragma once

#include <cstdint>

namespace ostinel {

inline constexpr std::int16_t kThruSameAsInput = -3;  // "Same as Input"

// When the piece's system-exclusive messages go out.
inline constexpr std::uint16_t kSysexWhenFileOpened = 0;
inline constexpr std::uint16_t kSysexAsTheyAppear = 1;
inline constexpr std::uint16_t kSysexEveryTime = 2;

inline constexpr std::uint16_t kSyncTypeMidiSync = 0;
inline constexpr std::uint16_t kSyncTypeTimeCode = 1;

// The output side of the system settings, as the "MIDI & Sync Setup" dialog
// edits them; the fields carry the names of the settings record. Ports are
// output ports 0-7 or -2 (kAllPorts) for every output device once.
struct OutputSettings {
    bool transmitExternalSync = false;
    std::int16_t syncPort = -2;
    std::uint16_t syncType = kSyncTypeMidiSync;
    std::uint16_t frameRate = 3;  // 24, 25, 30 drop frame, 30 fps
    bool thruOn = false;
    std::int16_t thruPort = -2;
    std::int16_t thruChannel = kThruSameAsInput;  // or 0-15
    bool thruProcessFirst = false;                // read by the intake
    bool transmitSysex = true;
    std::int16_t sysexPort = -2;
    std::uint16_t sysexMode = kSysexWhenFileOpened;
    bool soundHeldNotes = true;  // read by the transport

    friend bool operator==(const OutputSettings&, const OutputSettings&) = default;
};

}  // namespace ostinel
