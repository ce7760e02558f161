#pragma once

#include <cstdint>
#include <span>

#include "musicxml/score_model.h"
#include "sequence/piece.h"

namespace ostinel::musicxml {

// Parses MusicXML text into `score`: the parts with their measures, and the
// first part's measure marks (with the jumps any part gives). NotXml,
// NotMusicXml or TimewiseScore when it is not a partwise score; the errors of
// ReadPart for a damaged one.
LoadResult ReadScore(std::span<const std::uint8_t> xml, Score& score);

}  // namespace ostinel::musicxml
