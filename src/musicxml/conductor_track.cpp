#include <algorithm>
#include <map>
#include <optional>

#include "musicxml/timeline.h"

namespace ostinel::musicxml {

namespace {

constexpr std::uint8_t kMetaKeySignature = 0x59;
constexpr std::uint8_t kLargestDenominatorPower = 6;  // 64th notes

struct TimeSignature {
    std::uint8_t numerator = 4;
    std::uint8_t denominatorPower = 2;
    friend bool operator==(const TimeSignature&, const TimeSignature&) = default;
};

// The time signature a measure of `length` ticks really has: its printed one
// when it is complete, else one of its own length (a pickup of one eighth in
// 2/4 becomes 1/8), in the smallest note value that counts it exactly.
TimeSignature ActualTimeSignature(const MeasureMarks& marks, std::uint32_t length,
                                  std::uint32_t division) {
    const std::uint32_t nominal = (division * 4 * marks.beats) >> marks.beatTypePower;
    if (length == nominal) return {marks.beats, marks.beatTypePower};
    const std::uint32_t wholeNote = division * 4;
    for (std::uint8_t power = marks.beatTypePower; power <= kLargestDenominatorPower; ++power) {
        const std::uint64_t scaled = std::uint64_t{length} << power;
        if (scaled % wholeNote == 0 && scaled / wholeNote <= 255 && scaled / wholeNote > 0) {
            return {static_cast<std::uint8_t>(scaled / wholeNote), power};
        }
    }
    // Counted in 64ths, rounded: the beats drift by less than one 64th.
    const std::uint64_t sixtyFourths =
        ((std::uint64_t{length} << kLargestDenominatorPower) + wholeNote / 2) / wholeNote;
    return {static_cast<std::uint8_t>(std::clamp<std::uint64_t>(sixtyFourths, 1, 255)),
            kLargestDenominatorPower};
}

}  // namespace

MidiFileTrack BuildConductorTrack(const Score& score, const std::vector<PlayedMeasure>& played) {
    MidiFileTrack track;
    if (!score.title.empty()) track.AddTrackName(0, score.title);
    const auto division = static_cast<std::uint32_t>(score.division);
    std::optional<TimeSignature> lastTime;
    std::optional<std::pair<std::int8_t, bool>> lastKey;
    // A score that shows no key signature has none, rather than C major.
    const bool keys = std::any_of(score.marks.begin(), score.marks.end(),
                                  [](const MeasureMarks& marks) { return marks.keyHere; });
    for (const PlayedMeasure& measure : played) {
        const MeasureMarks& marks = score.marks[static_cast<std::size_t>(measure.index)];
        const TimeSignature time = ActualTimeSignature(marks, measure.length, division);
        if (time != lastTime) {
            track.AddTimeSignature(measure.start, time.numerator, time.denominatorPower);
            lastTime = time;
        }
        const std::pair<std::int8_t, bool> key{marks.fifths, marks.minor};
        if (keys && key != lastKey) {
            const std::uint8_t data[] = {static_cast<std::uint8_t>(marks.fifths),
                                         static_cast<std::uint8_t>(marks.minor ? 1 : 0)};
            track.AddMeta(measure.start, kMetaKeySignature, data);
            lastKey = key;
        }
    }
    const std::map<std::uint32_t, std::uint32_t> tempos = TempoChanges(score, played);
    if (tempos.empty() || tempos.begin()->first != 0) track.AddTempo(0, kDefaultQuarterUs);
    std::optional<std::uint32_t> lastTempo;
    for (const auto& [tick, tempo] : tempos) {
        if (tempo == lastTempo) continue;
        track.AddTempo(tick, tempo);
        lastTempo = tempo;
    }
    return track;
}

}  // namespace ostinel::musicxml
