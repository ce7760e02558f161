#include "sequence/patch_table.h"

namespace ostinel {

namespace {

Patch MakePatch(std::uint8_t program, const PatchContext& context) {
    const bool has0 = context.bank0 != kNone;
    const bool has32 = context.bank32 != kNone;
    if (has0 && has32) {
        return {PatchKind::Bank0Bank32Program, {context.bank0, context.bank32, program}};
    }
    if (has0) return {PatchKind::Bank0Program, {context.bank0, program, 0}};
    if (has32) return {PatchKind::Bank32Program, {context.bank32, program, 0}};
    return {PatchKind::Program, {program, 0, 0}};
}

// The entry index, or -1 when the table holds no such patch.
int FindPatch(const PatchTable& table, const Patch& patch) {
    for (int i = 0; i < table.count; ++i) {
        if (table.entries[static_cast<std::size_t>(i)].file == patch) return i;
    }
    return -1;
}

int AppendPatch(Track& track, PatchContext& context, const Patch& patch) {
    PatchTable& table = track.patches;
    const int index = table.count++;
    table.entries[static_cast<std::size_t>(index)].file = patch;
    context.firstUse[static_cast<std::size_t>(index)] = track.events.size();
    return index;
}

// Some instruments select their upper programs as a program of 100 or more
// followed at once by one below 100: such a pair is one selection.
bool JoinsPreviousProgram(const Track& track, const Patch& patch) {
    const PatchTable& table = track.patches;
    if (patch.kind != PatchKind::Program || patch.values[0] >= 100) return false;
    if (table.count == 0 || track.events.empty()) return false;
    const TrackEvent& previous = track.events.back();
    const int last = table.count - 1;
    const Patch& lastPatch = table.entries[static_cast<std::size_t>(last)].file;
    return previous.kind == kProgramChange && previous.data1 == last &&
           lastPatch.kind == PatchKind::Program && lastPatch.values[0] >= 100;
}

int JoinWithPreviousProgram(Track& track, PatchContext& context, std::uint8_t program) {
    PatchTable& table = track.patches;
    const int last = table.count - 1;
    const std::size_t lastFirstUse = context.firstUse[static_cast<std::size_t>(last)];
    const Patch pair{PatchKind::HighProgramThenProgram,
                     {table.entries[static_cast<std::size_t>(last)].file.values[0], program, 0}};
    table.entries[static_cast<std::size_t>(last)] = {};
    --table.count;
    const int found = FindPatch(table, pair);
    if (found < 0) {
        // The pair takes the removed entry's place, so its earlier events stay valid.
        AppendPatch(track, context, pair);
        context.firstUse[static_cast<std::size_t>(last)] = lastFirstUse;
        return last;
    }
    for (std::size_t i = lastFirstUse; i < track.events.size(); ++i) {
        TrackEvent& event = track.events[i];
        if (event.kind == kProgramChange && event.data1 == last) {
            event.data1 = static_cast<std::uint8_t>(found);
        }
    }
    return found;
}

}  // namespace

bool EnterProgramChange(Track& track, std::uint8_t program, PatchContext& context,
                        std::uint8_t& index) {
    const Patch patch = MakePatch(program, context);
    int found = 0;
    if (JoinsPreviousProgram(track, patch)) {
        found = JoinWithPreviousProgram(track, context, program);
    } else {
        found = FindPatch(track.patches, patch);
        if (found < 0) {
            if (track.patches.count >= kMaxPatchEntries) return false;
            found = AppendPatch(track, context, patch);
        }
    }
    index = static_cast<std::uint8_t>(found);
    return true;
}

}  // namespace ostinel
