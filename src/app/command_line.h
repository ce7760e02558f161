#pragma once

#include <string_view>

namespace ostinel {

// What a command line asks Ostinel to open: the text given at start-up, or
// the one a second copy of the program hands to the running one.
enum class CommandLineOutcome {
    Nothing,    // no text: nothing to open
    HasBlank,   // may name several files: nothing is opened, the user is told
    StartFile,  // names a MIDI file or a MusicXML score to open
    Ignored,    // names something that is neither
};

struct CommandLineReading {
    CommandLineOutcome outcome = CommandLineOutcome::Nothing;
    // The message to show, or 0: string_id::kOneFileAtATime when HasBlank.
    int errorStringId = 0;
    // The file to open when outcome is StartFile; a view into the text read.
    std::string_view startFile;
};

// Only a single name ending in ".mid", ".musicxml", ".xml" or ".mxl" is
// opened. The rule is literal: a name of exactly ".mid" qualifies, and no
// quoting is understood, so a path with a blank in it is refused as a whole.
CommandLineReading ReadCommandLine(std::string_view text);

// Whether `path` is named like a piece: a MIDI file or a MusicXML score, by
// the same endings. Blanks are allowed (a dropped file's path is whole).
bool NamesPieceFile(std::string_view path);

}  // namespace ostinel
