#pragma once

// Ornaments that are played as several notes: trills and single-note
// tremolos, as a notation program's playback realizes them.

#include <cstdint>

#include <pugixml.hpp>

#include "musicxml/score_model.h"

namespace ostinel::musicxml {

struct OrnamentReading {
    Ornament ornament = Ornament::None;
    int upperKey = -1;  // written keys of the neighbours in the scale
    int lowerKey = -1;
};

// The note's ornament, with its neighbours one step up and down in the scale
// of the key signature (`fifths`), or as the ornament's accidental marks say.
OrnamentReading ReadOrnament(pugi::xml_node note, int writtenKey, int fifths);

// The neighbours in the scale of the key signature of the note written as
// `pitch` at `writtenKey`, without an ornament: for a note that a trill line
// passes over.
OrnamentReading ScaleNeighbours(pugi::xml_node pitch, int writtenKey, int fifths);

// How long each stroke of a single-note tremolo lasts, in ticks of
// `division` per quarter note (one stroke: eighth notes, in the note's
// tuplet); 0 when the note has none.
std::int32_t TremoloTicks(pugi::xml_node note, std::int32_t division);

}  // namespace ostinel::musicxml
