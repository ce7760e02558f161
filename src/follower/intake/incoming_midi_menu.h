#pragma once

#include <optional>
#include <string>
#include <vector>

#include "midi/port_map.h"

namespace ostinel {

// The "Incoming MIDI" menu: one popup per input port with All, None, a
// separator and the sixteen channels. Command ids: All 200 + 20 × port,
// None 201 + 20 × port, channel c (0-15) 202 + 20 × port + c.
inline constexpr int kIncomingMidiFirstCommand = 200;
inline constexpr int kIncomingMidiPortStride = 20;

enum class IncomingMidiAction { All, None, Channel };

struct IncomingMidiCommand {
    int port = 0;
    IncomingMidiAction action = IncomingMidiAction::All;
    int channel = 0;  // for Channel

    friend bool operator==(const IncomingMidiCommand&, const IncomingMidiCommand&) = default;
};

// The command behind a menu id; none for an id outside the menu.
std::optional<IncomingMidiCommand> IncomingMidiCommandOf(int commandId);
int IncomingMidiCommandId(const IncomingMidiCommand& command);

// One entry of a port's popup, in menu order.
struct IncomingMidiMenuItem {
    int commandId = 0;  // 0 for the separator
    std::string text;
    bool separator = false;
    bool checked = false;  // channels only: the channel is accepted

    friend bool operator==(const IncomingMidiMenuItem&, const IncomingMidiMenuItem&) = default;
};

// main thread: the popup of input port `port` with its check marks.
std::vector<IncomingMidiMenuItem> IncomingMidiItems(const PortMap& ports, int port);

// main thread: a channel item toggles its channel; All and None toggle the
// port's channels that differ. Each toggle reaches every port on the same
// input device. False for an id outside the menu.
bool CarryOutIncomingMidi(PortMap& ports, int commandId);

}  // namespace ostinel
