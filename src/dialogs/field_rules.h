#pragma once

// How the dialogs read and write numbers and note names in their fields.
// Plain text in, plain text out, so that the rules are tested without a window.

#include <string>
#include <string_view>

namespace ostinel::dialogs {

struct ParsedNumber {
    bool valid = false;
    int value = 0;
};

// Blanks only before the first digit, one sign (when allowed) before the
// digits, at most nine digits. A text without digits is 0 and valid only when
// empty fields are allowed.
ParsedNumber ParseInteger(std::string_view text, bool allowSign, bool allowEmpty);

// "C5", "Eb4", "c#3" or a plain number; the note must be 0-127.
ParsedNumber ParseNoteName(std::string_view text);

// The note's name and octave: flats when the piece's key has flats ("Db5"),
// sharps otherwise ("C#5").
std::string FormatNoteName(int note, bool flatKey);

std::string FormatInteger(int value);

// A transpose as the fields show it: empty for 0, "+" before positive values.
std::string FormatSignedHalfSteps(int value);

}  // namespace ostinel::dialogs
