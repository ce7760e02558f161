#include "follower/engine/score_chords.h"

#include <algorithm>

namespace ostinel {
namespace {

constexpr std::size_t kGrowthStep = 256;

template <typename T>
void PushInSteps(std::vector<T>& items, const T& item) {
    if (items.size() == items.capacity()) items.reserve(items.capacity() + kGrowthStep);
    items.push_back(item);
}

bool IsSoundingNoteOn(const TrackEvent& event) {
    return (event.kind & 0xF0) == kNoteOn && event.data2 != 0;
}

void AddNote(ScoreChords& score, const TrackEvent& event, std::int32_t chordSpan) {
    const auto time = static_cast<ScorePosition>(event.time);
    // A chord's note count is a byte: a 256th note at one time starts another chord.
    if (score.chords.empty() || score.chords.back().time < time - chordSpan ||
        score.chords.back().noteCount == 255) {
        ScoreChord chord;
        chord.time = time;
        chord.firstNote = static_cast<std::int32_t>(score.notes.size());
        PushInSteps(score.chords, chord);
    }
    ++score.chords.back().noteCount;
    PushInSteps(score.notes, ScoreNote{static_cast<std::uint8_t>(event.data1 & 0x7F), event.data2});
}

void BuildPitchIndex(ScoreChords& score) {
    PitchIndex& index = score.pitchIndex;
    for (const ScoreNote& note : score.notes)
        ++index.counts[note.pitch];
    std::int32_t start = 0;
    for (std::size_t pitch = 0; pitch < 128; ++pitch) {
        index.starts[pitch] = start;
        start += index.counts[pitch];
    }
    index.chords.assign(score.notes.size(), 0);
    std::array<std::int32_t, 128> filled{};
    for (std::size_t c = 0; c < score.chords.size(); ++c) {
        const ScoreChord& chord = score.chords[c];
        for (int n = 0; n < chord.noteCount; ++n) {
            const std::uint8_t pitch =
                score.notes[static_cast<std::size_t>(chord.firstNote + n)].pitch;
            const auto slot = static_cast<std::size_t>(index.starts[pitch] + filled[pitch]++);
            index.chords[slot] = static_cast<std::int32_t>(c);
        }
    }
}

}  // namespace

int ScoreChords::FirstAtOrAfter(ScorePosition position) const {
    const auto it =
        std::partition_point(chords.begin(), chords.end(),
                             [position](const ScoreChord& c) { return c.time < position; });
    return static_cast<int>(it - chords.begin());
}

ScoreChords BuildScoreChords(std::span<const TrackEvent> first, std::span<const TrackEvent> second,
                             std::int32_t chordSpan) {
    ScoreChords score;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < first.size() || j < second.size()) {
        const bool fromFirst =
            j >= second.size() || (i < first.size() && first[i].time <= second[j].time);
        const TrackEvent& event = fromFirst ? first[i++] : second[j++];
        if (IsSoundingNoteOn(event)) AddNote(score, event, chordSpan);
    }
    score.notes.shrink_to_fit();
    score.chords.shrink_to_fit();
    BuildPitchIndex(score);
    return score;
}

}  // namespace ostinel
