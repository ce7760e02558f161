#pragma once

#include <string_view>

namespace ostinel::cli {

// The General MIDI name of program 0-127 ("Acoustic Grand Piano" ...); empty
// for other numbers.
std::string_view GeneralMidiProgramName(int program);

}  // namespace ostinel::cli
