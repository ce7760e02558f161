#include "dialogs/marker_texts.h"

#include <cstdio>

#include "dialogs/beat_lookup.h"

namespace ostinel::dialogs {

namespace {

// Digits only, at most nine of them: a measure or a beat.
std::optional<int> ParseDigits(std::string_view text) {
    constexpr std::size_t kMaxDigits = 9;
    if (text.empty() || text.size() > kMaxDigits) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string TextAt(const std::vector<BeatRecord>& beatMap, ScorePosition position) {
    const BeatRecord beat = BeatAt(beatMap, position);
    return FormatMarker({beat.measure, beat.beat});
}

std::optional<ScorePosition> PositionOf(const std::vector<BeatRecord>& beatMap, MeasureBeat place) {
    return BeatPosition(beatMap, place.measure, place.beat);
}

}  // namespace

std::string FormatMarker(MeasureBeat place) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d", place.measure, place.beat);
    return text;
}

std::string FormatMarkerRange(BeatRange range) {
    return FormatMarker(range.begin) + '-' + FormatMarker(range.end);
}

std::optional<MeasureBeat> ParseMarker(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> measure = ParseDigits(text.substr(0, colon));
    const std::optional<int> beat = ParseDigits(text.substr(colon + 1));
    if (!measure || !beat) {
        return std::nullopt;
    }
    return MeasureBeat{*measure, *beat};
}

std::optional<BeatRange> ParseMarkerRange(std::string_view text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<MeasureBeat> begin = ParseMarker(text.substr(0, dash));
    const std::optional<MeasureBeat> end = ParseMarker(text.substr(dash + 1));
    if (!begin || !end) {
        return std::nullopt;
    }
    return BeatRange{*begin, *end};
}

MarkerTexts TextsOfMarkers(const SpecialMarkers& markers, const std::vector<BeatRecord>& beatMap) {
    MarkerTexts texts;
    const std::array<const std::vector<ScorePosition>*, 4> points = {
        &markers.rehearsalPoints, &markers.waitForSoloist, &markers.waitForSignal,
        &markers.restoreTempo};
    for (std::size_t list = 0; list < points.size(); ++list) {
        for (const ScorePosition position : *points[list]) {
            texts[list].push_back(TextAt(beatMap, position));
        }
    }
    auto& ranges = texts[static_cast<std::size_t>(MarkerList::IgnoreSoloist)];
    for (const ScoreRange& range : markers.ignoreSoloist) {
        ranges.push_back(TextAt(beatMap, range.start) + '-' + TextAt(beatMap, range.end));
    }
    return texts;
}

SpecialMarkers MarkersOfTexts(const MarkerTexts& texts, const std::vector<BeatRecord>& beatMap) {
    SpecialMarkers markers;
    const std::array<std::vector<ScorePosition>*, 4> points = {
        &markers.rehearsalPoints, &markers.waitForSoloist, &markers.waitForSignal,
        &markers.restoreTempo};
    for (std::size_t list = 0; list < points.size(); ++list) {
        for (const std::string& text : texts[list]) {
            const std::optional<MeasureBeat> place = ParseMarker(text);
            if (!place) {
                continue;
            }
            if (const auto position = PositionOf(beatMap, *place)) {
                points[list]->push_back(*position);
            }
        }
    }
    std::vector<ScoreRange> ranges;
    for (const std::string& text : texts[static_cast<std::size_t>(MarkerList::IgnoreSoloist)]) {
        const std::optional<BeatRange> range = ParseMarkerRange(text);
        if (!range) {
            continue;
        }
        const auto start = PositionOf(beatMap, range->begin);
        const auto end = PositionOf(beatMap, range->end);
        if (start && end && *start < *end) {
            ranges.push_back({*start, *end});
        }
    }
    markers.ignoreSoloist = MergeIgnoreRanges(ranges);
    return markers;
}

}  // namespace ostinel::dialogs
