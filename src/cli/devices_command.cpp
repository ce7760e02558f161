#include "cli/devices_command.h"

#include "cli/exit_codes.h"

namespace ostinel::cli {

namespace {

void ListDevices(std::string& out, const char* heading, int count,
                 std::string (platform::MidiSystem::*name)(int) const,
                 const platform::MidiSystem& midi) {
    out += heading;
    out += '\n';
    if (count == 0) out += "  (none)\n";
    for (int device = 0; device < count; ++device) {
        const std::string deviceName = (midi.*name)(device);
        out += "  " + std::to_string(device) + "  " +
               (deviceName.empty() ? std::string("(no name)") : deviceName) + "\n";
    }
}

}  // namespace

int RunDevicesCommand(const platform::MidiSystem& midi, std::string& out) {
    ListDevices(out, "Output devices", midi.OutputDeviceCount(),
                &platform::MidiSystem::OutputDeviceName, midi);
    ListDevices(out, "Input devices", midi.InputDeviceCount(),
                &platform::MidiSystem::InputDeviceName, midi);
    const std::vector<std::string> missing = midi.MissingServices();
    if (!missing.empty()) out += '\n';
    for (const std::string& line : missing)
        out += line + "\n";
    return kExitSuccess;
}

}  // namespace ostinel::cli
