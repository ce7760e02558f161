#pragma once

// The special markers as the Special Markers dialog lists them: a place as
// four digits of measure and two of beat ("0012:03"), a range as two places
// joined by "-". Zero padding makes the texts sort in position order.
// Plain text in, plain text out, so that the rules are tested without a window.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "follower/special_markers.h"
#include "sequence/piece.h"

namespace ostinel::dialogs {

struct MeasureBeat {
    int measure = 1;
    int beat = 1;

    friend bool operator==(const MeasureBeat&, const MeasureBeat&) = default;
};

struct BeatRange {
    MeasureBeat begin;
    MeasureBeat end;

    friend bool operator==(const BeatRange&, const BeatRange&) = default;
};

std::string FormatMarker(MeasureBeat place);
std::string FormatMarkerRange(BeatRange range);
// The inverse of the two above; none for any other text.
std::optional<MeasureBeat> ParseMarker(std::string_view text);
std::optional<BeatRange> ParseMarkerRange(std::string_view text);

// The five lists in the dialog's order.
enum class MarkerList {
    RehearsalPoints = 0,
    WaitForSoloist = 1,
    WaitForSignal = 2,
    RestoreTempo = 3,
    IgnoreSoloist = 4,
};
inline constexpr int kMarkerListCount = 5;
using MarkerTexts = std::array<std::vector<std::string>, kMarkerListCount>;

// Each marker as the text of the beat it lies on.
MarkerTexts TextsOfMarkers(const SpecialMarkers& markers, const std::vector<BeatRecord>& beatMap);

// The lists back from their texts, in the texts' order, each converted
// through the beat map (a text naming no beat is left out); the Ignore
// Soloist ranges merged where they overlap or touch.
SpecialMarkers MarkersOfTexts(const MarkerTexts& texts, const std::vector<BeatRecord>& beatMap);

}  // namespace ostinel::dialogs
