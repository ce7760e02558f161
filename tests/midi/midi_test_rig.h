#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "midi/midi_output.h"
#include "midi/midi_ui.h"
#include "midi/port_map.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"

namespace ostinel::testing {

using Bytes = std::vector<std::uint8_t>;

// Keeps what the program would have shown, and answers confirmations as told.
class RecordingUi final : public MidiUi {
  public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    bool ConfirmMessage(std::string_view text) override {
        confirmations.emplace_back(text);
        return answer;
    }

    std::vector<std::string> messages;
    std::vector<std::string> confirmations;
    bool answer = true;
};

// One engine's MIDI side on a manual clock: three input and three output
// devices, every port on device 0 until a test says otherwise.
struct MidiRig {
    explicit MidiRig(std::vector<std::string> inputs = {"Keys In", "Pads In", "Wind In"},
                     std::vector<std::string> outputs = {"Ostinel Synth", "Module", "Sampler"})
        : system(clock, std::move(inputs), std::move(outputs)) {}

    // Points output ports A-H at the given devices and opens them.
    bool RouteOutputs(const std::vector<int>& devices) {
        for (int port = 0; port < kPortCount; ++port) {
            ports.SetOutputDevice(port, devices[static_cast<std::size_t>(port)]);
        }
        return ports.OpenOutputPorts(ui);
    }

    Bytes Sent(int device, std::size_t index) {
        return system.Output(device).Messages().at(index).bytes;
    }

    platform::ManualClock clock{platform::ClockMs{1000}};
    platform::ManualTimerService timers{clock};
    platform::ManualMidiSystem system;
    RecordingUi ui;
    PortMap ports{system};
    MidiOutput output{ports, timers};
};

}  // namespace ostinel::testing
