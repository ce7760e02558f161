#pragma once

#include <map>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "musicxml/score_model.h"

namespace ostinel::musicxml {

// What the part list says of one part: its name and how it sounds.
struct PartSound {
    std::string id;
    std::string name;
    int channel = -1;  // 0-15 from <midi-channel>; -1 = not given
    int program = 0;   // 0-127 from <midi-program>; General MIDI piano when not given
    // Per instrument id, the percussion key (<midi-unpitched>, 0-127).
    std::map<std::string, int> unpitchedKeys;
};

// The parts of <part-list> in order. Parts without a <midi-channel> get one
// channel each in order, skipping channel 10; percussion parts get channel 10.
std::vector<PartSound> ReadPartList(pugi::xml_node partList);

}  // namespace ostinel::musicxml
