#include "follower/intake/incoming_midi_menu.h"

namespace ostinel {

std::optional<IncomingMidiCommand> IncomingMidiCommandOf(int commandId) {
    const int offset = commandId - kIncomingMidiFirstCommand;
    if (offset < 0) return std::nullopt;
    const int port = offset / kIncomingMidiPortStride;
    const int item = offset % kIncomingMidiPortStride;
    if (port >= kPortCount || item >= 2 + kChannelCount) return std::nullopt;
    if (item == 0) return IncomingMidiCommand{port, IncomingMidiAction::All, 0};
    if (item == 1) return IncomingMidiCommand{port, IncomingMidiAction::None, 0};
    return IncomingMidiCommand{port, IncomingMidiAction::Channel, item - 2};
}

int IncomingMidiCommandId(const IncomingMidiCommand& command) {
    const int base = kIncomingMidiFirstCommand + kIncomingMidiPortStride * command.port;
    switch (command.action) {
        case IncomingMidiAction::All:
            return base;
        case IncomingMidiAction::None:
            return base + 1;
        case IncomingMidiAction::Channel:
            break;
    }
    return base + 2 + command.channel;
}

std::vector<IncomingMidiMenuItem> IncomingMidiItems(const PortMap& ports, int port) {
    const int base = kIncomingMidiFirstCommand + kIncomingMidiPortStride * port;
    std::vector<IncomingMidiMenuItem> items{
        {base, "&All", false, false},
        {base + 1, "&None", false, false},
        {0, "", true, false},
    };
    for (int channel = 0; channel < kChannelCount; ++channel) {
        // Channels 1-9 take their digit as the mnemonic; 10-16 have none to spare.
        const int number = channel + 1;
        std::string text = number < 10 ? "Channel &" + std::to_string(number)
                                       : "Channel " + std::to_string(number);
        items.push_back(
            {base + 2 + channel, std::move(text), false, ports.ChannelEnabled(port, channel)});
    }
    return items;
}

bool CarryOutIncomingMidi(PortMap& ports, int commandId) {
    const std::optional<IncomingMidiCommand> command = IncomingMidiCommandOf(commandId);
    if (!command) return false;
    if (command->action == IncomingMidiAction::Channel) {
        ports.ToggleInputChannel(command->port, command->channel);
        return true;
    }
    const bool wanted = command->action == IncomingMidiAction::All;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (ports.ChannelEnabled(command->port, channel) != wanted)
            ports.ToggleInputChannel(command->port, channel);
    }
    return true;
}

}  // namespace ostinel
