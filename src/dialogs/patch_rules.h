#pragma once

// Bank and program selections as the dialogs read and show them. Plain text
// in, plain text out, so that the rules are tested without a window.

#include <array>
#include <optional>
#include <string>

#include "sequence/piece.h"

namespace ostinel::dialogs {

// "No Change" .. "Program Change 100-127, Program Change".
inline constexpr int kPatchKindCount = 6;
inline constexpr int kPatchValueFields = 3;

// How many value fields a kind needs: none for "No Change", three for both
// bank controllers with a program, one or two for the others.
int PatchValueCount(int kind);

// The patch that the value texts give for `kind`; none when they give none.
// Values are 0-127. A first program below 100 for kind 5 is accepted only
// with empty fields allowed, so that it keeps OK unavailable without a beep.
std::optional<Patch> ReadPatchValues(int kind,
                                     const std::array<std::string, kPatchValueFields>& texts,
                                     bool allowEmpty);

// "P: 5", "C0: 1;  P: 5", "C0: 1;  C32: 2;  P: 5", or "--no change--".
std::string FormatPatch(const Patch& patch);

// A line of the Banks & Programs list: the file's patch, a tab, the substitute.
std::string FormatPatchLine(const PatchEntry& entry);

// How many entries the Banks & Programs list shows: entry 0 always (its
// substitute is what a track without program changes sends), then every
// entry up to the first whose file patch is "No Change".
int ShownPatchEntryCount(const PatchTable& table);

}  // namespace ostinel::dialogs
