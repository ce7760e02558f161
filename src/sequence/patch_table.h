#pragma once

#include <array>
#include <cstdint>

#include "sequence/piece.h"

namespace ostinel {

// What the reader keeps per track beside its patch table while filling it.
struct PatchContext {
    // The last bank values the track sent (controllers 0 and 32); kNone until then.
    std::uint8_t bank0 = kNone;
    std::uint8_t bank32 = kNone;
    // Per entry, the index of the first event that selected it: no earlier
    // event can refer to it.
    std::array<std::size_t, kMaxPatchEntries> firstUse{};
};

// Enters a program change into `track`'s patch table and sets `index` to its
// entry. Call before appending the event: the rule that joins a program of
// 100 or more with the program right after it looks at the track's previous
// event. Returns false when the table is full and the selection is new.
bool EnterProgramChange(Track& track, std::uint8_t program, PatchContext& context,
                        std::uint8_t& index);

}  // namespace ostinel
