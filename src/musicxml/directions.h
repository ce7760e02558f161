#pragma once

// The parts of a measure that are not notes: directions and sounds (tempo,
// loudness, jumps) and barlines (repeats, volta brackets).

#include <cstdint>
#include <optional>

#include <pugixml.hpp>

#include "musicxml/score_model.h"

namespace ostinel::musicxml {

// What one <direction> or <sound> asks for.
struct DirectionValues {
    std::optional<std::uint32_t> tempo;    // microseconds per quarter note
    std::optional<std::uint8_t> velocity;  // the loudness from here on
};

// A <direction>: its metronome mark, dynamic mark and <sound>. Jumps go into `marks`.
DirectionValues ReadDirection(pugi::xml_node direction, MeasureMarks& marks);

// A <sound>, alone in a measure or inside a direction.
DirectionValues ReadSound(pugi::xml_node sound, MeasureMarks& marks);

// A <barline>: repeats and volta brackets into `marks`.
void ReadBarline(pugi::xml_node barline, MeasureMarks& marks);

// The velocity for a note's own dynamics attribute (a percentage of forte),
// or 0 when it has none.
std::uint8_t NoteVelocity(pugi::xml_node note);

}  // namespace ostinel::musicxml
