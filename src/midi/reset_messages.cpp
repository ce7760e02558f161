#include "midi/reset_messages.h"

#include <array>
#include <cstdint>

#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel {
namespace {

constexpr std::array<std::uint8_t, 1> kSystemResetMessage{kSystemReset};
constexpr std::array<std::uint8_t, 6> kGeneralMidiOn{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
// Roland GS data set 1 messages: address 40 00 7F (reset), 40 01 30 (reverb
// macro), 40 01 38 (chorus macro), then the value and the checksum.
constexpr std::array<std::uint8_t, 11> kGsReset{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                                0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr std::array<std::uint8_t, 11> kGsReverbMacro0{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                                       0x01, 0x30, 0x00, 0x0F, 0xF7};
constexpr std::array<std::uint8_t, 11> kGsChorusMacro0{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40,
                                                       0x01, 0x38, 0x00, 0x07, 0xF7};

}  // namespace

void SendResetMessages(MidiOutput& output) {
    output.SendMidi(kSystemResetMessage, kAllPorts);
    output.SendMidi(kGeneralMidiOn, kAllPorts);
    output.SendMidi(kGsReset, kAllPorts);
    output.SendMidi(kGsReverbMacro0, kAllPorts);
    output.SendMidi(kGsChorusMacro0, kAllPorts);
}

bool MidiReset(MidiUi& ui, MidiOutput& output) {
    if (!ui.ConfirmMessage(StringTable().Get(string_id::kConfirmMidiReset))) return false;
    SendResetMessages(output);
    return true;
}

}  // namespace ostinel
