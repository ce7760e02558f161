#include <gtest/gtest.h>

#include <string>

#include "platform/real/alsa/alsa_ports.h"

namespace ostinel::platform {
namespace {

struct NameCase {
    const char* rtMidiName;
    const char* shown;
};

// RtMidi names ALSA ports "client:port client-number:port-number"; the
// numbers change from one session to the next and mean nothing to a musician.
TEST(AlsaPortNames, DropTheSequencerNumbersOnly) {
    const NameCase cases[] = {
        {"Midi Through:Midi Through Port-0 14:0", "Midi Through:Midi Through Port-0"},
        {"Digital Piano:Digital Piano MIDI 1 24:0", "Digital Piano:Digital Piano MIDI 1"},
        {"qsynth:Synth input port (1234:0) 130:0", "qsynth:Synth input port (1234:0)"},
        {"Keyboard 2", "Keyboard 2"},
        {"Mixer 1:2x", "Mixer 1:2x"},
        {"Odd name :5", "Odd name :5"},
        {"Odd name 5:", "Odd name 5:"},
        {"", ""},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(DisplayName(c.rtMidiName), c.shown) << c.rtMidiName;
    }
}

}  // namespace
}  // namespace ostinel::platform
