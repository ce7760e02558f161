#pragma once

#include <cstdint>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/part_list.h"
#include "musicxml/score_model.h"
#include "sequence/piece.h"

namespace ostinel::musicxml {

// What the whole score says about how its notes are to be read.
struct ReadingRules {
    bool playCueNotes = false;  // cue notes are silent unless the exporter meant otherwise
    bool concertPitch = false;  // written at sounding pitch: transpositions are not applied
};

// The longest a measure may be, in quarter notes: more is a damaged file.
inline constexpr std::int64_t kMaxMeasureQuarters = 1024;

// Reads the measures of one <part> into `part` (notes at sounding pitch,
// loudness and tempo changes), and what each measure says about repeats,
// jumps, meter and key into `marks`, one per measure. `division` is the tick
// unit: ticks per quarter note.
LoadResult ReadPart(pugi::xml_node partNode, const PartSound& sound, std::int32_t division,
                    const ReadingRules& rules, PartInfo& part, std::vector<MeasureMarks>& marks);

}  // namespace ostinel::musicxml
