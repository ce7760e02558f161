#include "musicxml/part_list.h"

#include <algorithm>

namespace ostinel::musicxml {

namespace {

constexpr int kChannels = 16;

// An element's text as a number in [low, high], or `fallback`.
int NumberIn(pugi::xml_node node, int low, int high, int fallback) {
    if (!node) return fallback;
    const int value = node.text().as_int(fallback);
    return value < low || value > high ? fallback : value;
}

PartSound ReadScorePart(pugi::xml_node scorePart) {
    PartSound part;
    part.id = scorePart.attribute("id").as_string();
    part.name = scorePart.child_value("part-name");
    if (part.name.empty()) part.name = scorePart.child_value("part-abbreviation");
    bool firstInstrument = true;
    for (pugi::xml_node instrument : scorePart.children("midi-instrument")) {
        const int unpitched = NumberIn(instrument.child("midi-unpitched"), 1, 128, 0);
        if (unpitched > 0) {
            part.unpitchedKeys[instrument.attribute("id").as_string()] = unpitched - 1;
        }
        // The part plays on its first instrument's channel and program.
        if (!firstInstrument) continue;
        firstInstrument = false;
        part.channel = NumberIn(instrument.child("midi-channel"), 1, kChannels, 0) - 1;
        part.program = NumberIn(instrument.child("midi-program"), 1, 128, 1) - 1;
    }
    return part;
}

}  // namespace

std::vector<PartSound> ReadPartList(pugi::xml_node partList) {
    std::vector<PartSound> parts;
    for (pugi::xml_node scorePart : partList.children("score-part"))
        parts.push_back(ReadScorePart(scorePart));
    int next = 0;
    for (PartSound& part : parts) {
        if (part.channel >= 0) continue;
        if (!part.unpitchedKeys.empty()) {
            part.channel = kPercussionChannel;
            continue;
        }
        if (next == kPercussionChannel) ++next;
        part.channel = next % kChannels;
        next = (next + 1) % kChannels;
    }
    return parts;
}

}  // namespace ostinel::musicxml
