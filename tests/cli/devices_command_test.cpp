#include "cli/devices_command.h"

#include <gtest/gtest.h>

#include "cli/exit_codes.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"

namespace ostinel::cli {
namespace {

TEST(DevicesCommand, ListsDevicesInTheirNumberOrderAndWhatIsMissing) {
    platform::ManualClock clock;
    platform::ManualMidiSystem midi(clock, {"Keyboard"}, {"Ostinel Synth", "Sound Module", ""});
    midi.SetMissingServices({"No audio output was found."});
    std::string out;
    EXPECT_EQ(RunDevicesCommand(midi, out), kExitSuccess);
    EXPECT_EQ(out,
              "Output devices\n"
              "  0  Ostinel Synth\n"
              "  1  Sound Module\n"
              "  2  (no name)\n"
              "Input devices\n"
              "  0  Keyboard\n"
              "\n"
              "No audio output was found.\n");
}

TEST(DevicesCommand, SaysWhenThereAreNoInputs) {
    platform::ManualClock clock;
    platform::ManualMidiSystem midi(clock, {}, {"Ostinel Synth"});
    std::string out;
    RunDevicesCommand(midi, out);
    EXPECT_NE(out.find("Input devices\n  (none)\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace ostinel::cli
