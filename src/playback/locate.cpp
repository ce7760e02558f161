#include "playback/locate.h"

#include <algorithm>

#include "playback/master_tempo.h"

namespace ostinel {
namespace {

bool IsNoteOffEvent(std::uint8_t kind, std::uint8_t velocity) {
    return kind == kNoteOff || (kind == kNoteOn && velocity == 0);
}

void RecordEvent(ChaseState& chase, const TrackEvent& event) {
    const std::uint8_t kind = event.kind & 0xF0;
    const std::uint8_t key = event.data1 & 0x7F;
    if (IsNoteOffEvent(kind, event.data2)) {
        chase.noteCounters[key] = 0;
    } else if (kind == kNoteOn) {
        chase.noteCounters[key] = std::max<std::int16_t>(chase.noteCounters[key], event.data2);
    } else if (kind == kControlChange) {
        chase.controllerValues[key] = event.data2;
    } else if (kind == kProgramChange) {
        chase.programIndex = event.data1;
    } else if (kind == kPitchWheel) {
        chase.pitchBendLsb = event.data1;
        chase.pitchBendMsb = event.data2;
    }
}

void LocateTrack(Track& track, ScorePosition position, bool rescan) {
    const auto passed = [position](const TrackEvent& event) {
        const auto time = static_cast<ScorePosition>(event.time);
        return time < position || (time == position && (event.kind & 0xF0) != kNoteOn);
    };
    const bool movedBack =
        track.nextIndex > 0 &&
        (track.nextIndex > track.count ||
         position <= static_cast<ScorePosition>(
                         track.events[static_cast<std::size_t>(track.nextIndex - 1)].time));
    if (rescan || movedBack) {
        track.nextIndex = 0;
        track.chase = ChaseState{};
    }
    while (track.nextIndex < track.count) {
        const TrackEvent& event = track.events[static_cast<std::size_t>(track.nextIndex)];
        if (!passed(event)) break;
        RecordEvent(track.chase, event);
        ++track.nextIndex;
    }
}

}  // namespace

void LocateTracks(Piece& piece, ScorePosition position, bool rescan) {
    for (Track& track : piece.tracks)
        LocateTrack(track, position, rescan);
}

const BeatRecord* BeatAtOrBefore(const Piece& piece, ScorePosition position) {
    const auto& beats = piece.beatMap;
    const auto after = std::upper_bound(beats.begin(), beats.end(), position,
                                        [](ScorePosition p, const BeatRecord& beat) {
                                            return p < static_cast<ScorePosition>(beat.time);
                                        });
    if (after == beats.begin()) return nullptr;
    return &*(after - 1);
}

LocatedBeat LocateBeat(const Piece& piece, ScorePosition position, SpeedFactor speed) {
    const auto& beats = piece.beatMap;
    LocatedBeat located;
    const auto atOrAfter = std::lower_bound(beats.begin(), beats.end(), position,
                                            [](const BeatRecord& beat, ScorePosition p) {
                                                return static_cast<ScorePosition>(beat.time) < p;
                                            });
    located.nextBeat = static_cast<std::int32_t>(atOrAfter - beats.begin());
    const BeatRecord* beat = BeatAtOrBefore(piece, position);
    if (beat == nullptr) {
        if (beats.empty()) return located;
        beat = &beats.front();
    }
    const auto index = static_cast<std::size_t>(beat - beats.data());
    located.display.measure = beat->measure;
    located.display.beat = beat->beat;
    std::uint16_t lastBeat = beat->beat;
    for (std::size_t i = index + 1; i < beats.size() && beats[i].measure == beat->measure; ++i)
        lastBeat = beats[i].beat;
    located.display.longMeasure = lastBeat > 9;
    // The last beat has no length of its own: it takes the one before.
    std::int32_t beatMs = 0;
    if (index + 1 < beats.size()) {
        beatMs = static_cast<std::int32_t>(beats[index + 1].time - beat->time);
    } else if (index > 0) {
        beatMs = static_cast<std::int32_t>(beat->time - beats[index - 1].time);
    }
    located.display.tempo = DisplayedBeatTempo(speed, beatMs).value_or(0);
    return located;
}

std::int32_t LocateSysEx(const Piece& piece, ScorePosition position) {
    const auto& list = piece.sysExList;
    const auto after = std::upper_bound(list.begin(), list.end(), position,
                                        [](ScorePosition p, const SysExRecord& record) {
                                            return p < static_cast<ScorePosition>(record.time);
                                        });
    return static_cast<std::int32_t>(after - list.begin());
}

}  // namespace ostinel
