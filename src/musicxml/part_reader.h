#pragma once

#include <cstdint>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/part_list.h"
#include "musicxml/score_model.h"
#include "sequence/piece.h"

namespace ostinel::musicxml {

// The longest a measure may be, in quarter notes: more is a damaged file.
inline constexpr std::int64_t kMaxMeasureQuarters = 1024;

// Reads the measures of one <part> into `part` (notes at sounding pitch,
// loudness and tempo changes), and what each measure says about repeats,
// jumps, meter and key into `marks`, one per measure. `division` is the tick
// unit: ticks per quarter note. Cue notes are silent unless `playCueNotes`.
LoadResult ReadPart(pugi::xml_node partNode, const PartSound& sound, std::int32_t division,
                    bool playCueNotes, PartInfo& part, std::vector<MeasureMarks>& marks);

}  // namespace ostinel::musicxml
