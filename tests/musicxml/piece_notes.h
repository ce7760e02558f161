#pragma once

// The notes of a loaded piece as a listener hears them: each with its track,
// start and end in ms, key and velocity.

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "sequence/piece.h"

namespace ostinel::testing {

struct HeardNote {
    int track = 0;
    std::uint32_t on = 0;  // ms
    std::uint32_t off = 0;
    int key = 0;
    int velocity = 0;

    friend bool operator==(const HeardNote&, const HeardNote&) = default;
    friend auto operator<=>(const HeardNote& a, const HeardNote& b) {
        return std::tie(a.on, a.track, a.key, a.off, a.velocity) <=>
               std::tie(b.on, b.track, b.key, b.off, b.velocity);
    }
};

// Every note of the piece's file tracks, ordered by start, track and key. A
// note-on without its note-off is left out.
inline std::vector<HeardNote> NotesOf(const Piece& piece) {
    std::vector<HeardNote> notes;
    for (int t = 0; t < piece.TrackCount(); ++t) {
        std::map<int, std::vector<HeardNote>> sounding;
        for (const TrackEvent& event : piece.tracks[static_cast<std::size_t>(t)].events) {
            const bool on = event.kind == kNoteOn && event.data2 > 0;
            const bool off = event.kind == kNoteOff || (event.kind == kNoteOn && event.data2 == 0);
            if (on) sounding[event.data1].push_back({t, event.time, 0, event.data1, event.data2});
            if (off && !sounding[event.data1].empty()) {
                HeardNote note = sounding[event.data1].front();
                sounding[event.data1].erase(sounding[event.data1].begin());
                note.off = event.time;
                notes.push_back(note);
            }
        }
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

// A note without its velocity: track, start, end, key.
using Timed = std::tuple<int, std::uint32_t, std::uint32_t, int>;

inline std::vector<Timed> TimingOf(const Piece& piece) {
    std::vector<Timed> timed;
    for (const HeardNote& note : NotesOf(piece))
        timed.emplace_back(note.track, note.on, note.off, note.key);
    return timed;
}

// The notes as "key@on-off" texts, for readable failures.
inline std::vector<std::string> Describe(const std::vector<HeardNote>& notes) {
    std::vector<std::string> texts;
    for (const HeardNote& note : notes) {
        texts.push_back("t" + std::to_string(note.track) + " " + std::to_string(note.key) + "@" +
                        std::to_string(note.on) + "-" + std::to_string(note.off) + " v" +
                        std::to_string(note.velocity));
    }
    return texts;
}

}  // namespace ostinel::testing
