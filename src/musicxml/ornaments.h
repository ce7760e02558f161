#pragma once

// Ornaments that are played as several notes: trills and single-note
// tremolos, as a notation program's playback realizes them.

#include <cstdint>

#include <pugixml.hpp>

namespace ostinel::musicxml {

// The written key of the upper neighbour of a trilled note: one step up in
// the scale of the key signature (`fifths`), or as its accidental mark says.
// -1 when the note has no trill mark.
int TrillUpperKey(pugi::xml_node note, int writtenKey, int fifths);

// How long each stroke of a single-note tremolo lasts, in ticks of
// `division` per quarter note (one stroke: eighth notes, in the note's
// tuplet); 0 when the note has none.
std::int32_t TremoloTicks(pugi::xml_node note, std::int32_t division);

}  // namespace ostinel::musicxml
