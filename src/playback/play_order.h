#pragma once

#include <cstdint>

#include "music/score_position.h"

namespace ostinel {

// What the playback list's ordering looks at in a source's next event.
struct PlayOrderKey {
    ScorePosition due;
    bool isBeat = false;      // the beat map's source
    std::uint8_t status = 0;  // status byte (a channel in the low nibble is ignored)
    std::uint8_t data2 = 0;   // the velocity of a note
};

// Whether source `a` is served before source `b`. Earlier due times first;
// at one instant the beat, then note-offs (0x80, or 0x90 with velocity 0),
// then every other message that is not a note (controllers, programs, bends,
// system exclusive), then note-ons, so that a note ending where the same note
// starts is released before it sounds again. Two sources that tie, such as two
// note-ons, leave `a` behind `b`; two note-offs or two other messages put `a`
// first. A new entry is inserted before the first entry it goes first of.
// any thread
bool GoesFirst(const PlayOrderKey& a, const PlayOrderKey& b);

}  // namespace ostinel
