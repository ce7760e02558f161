#pragma once

// Where each played measure falls once the score is unfolded, and the tracks
// built along it.

#include <cstdint>
#include <map>
#include <vector>

#include "musicxml/score_model.h"
#include "sequence/midi_file_writer.h"
#include "sequence/piece.h"

namespace ostinel::musicxml {

// Until the score gives a tempo: 120 quarter notes a minute.
inline constexpr std::uint32_t kDefaultQuarterUs = 500'000;

struct PlayedMeasure {
    int index = 0;             // into the score's measures
    std::uint32_t start = 0;   // tick of the piece
    std::uint32_t length = 0;  // ticks
};

// The measures in playing order with their ticks. FileTooLarge when the
// unfolded score runs past what a MIDI file can hold.
LoadResult LayOutMeasures(const Score& score, std::vector<PlayedMeasure>& played);

// Tempo changes by tick of the piece, in microseconds per quarter note; the
// first part that gives one at a tick decides it.
std::map<std::uint32_t, std::uint32_t> TempoChanges(const Score& score,
                                                    const std::vector<PlayedMeasure>& played);

// The conductor track: title, tempo (120 quarter notes a minute until the
// score gives one), time signatures as the measures really are (a pickup gets
// one of its own length) and key signatures.
MidiFileTrack BuildConductorTrack(const Score& score, const std::vector<PlayedMeasure>& played);

// One track per staff of each part: name, program and notes. Ties are joined
// into one note; grace notes take their time from the note before; ornaments
// are played out at a speed that keeps them ornaments at slow tempos.
LoadResult BuildStaffTracks(const Score& score, const std::vector<PlayedMeasure>& played,
                            std::vector<MidiFileTrack>& tracks);

}  // namespace ostinel::musicxml
