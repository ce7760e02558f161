#pragma once

// A soloist's melody of quarter notes, as the follow tests play it, and what
// an accompaniment that keeps with it must show.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cli/follow_run.h"
#include "smf_builder.h"

namespace ostinel::cli {

// Note `i` of the melody: no two neighbours alike, so each note tells where it is.
inline int MelodyKey(int lowestKey, int i) {
    return lowestKey + (i * 5) % 12;
}

// `notes` quarter notes written at 500 ms each, played `speed` times as fast
// from 1 s on, at one tick a millisecond; `onsets` gets their times.
inline smf::Bytes PlayedMelody(int notes, int lowestKey, double speed,
                               std::vector<std::uint32_t>& onsets) {
    smf::FileBuilder file(1, 500);
    auto& track = file.AddTrack();
    track.Tempo(0, 500000);
    std::uint32_t now = 0;
    for (int i = 0; i < notes; ++i) {
        const auto onset = static_cast<std::uint32_t>(1000 + i * 500 / speed);
        const int key = MelodyKey(lowestKey, i);
        track.NoteOn(onset - now, 0, key, 90).NoteOff(200, 0, key);
        now = onset + 200;
        onsets.push_back(onset);
    }
    track.EndOfTrack();
    return file.Build();
}

// Nearly every note matched, settled at the soloist's pace (`tempoPercent` of
// the written tempo), and from the middle on each accompaniment note sounding
// with its soloist note.
inline void ExpectTheAccompanimentKeptWithTheSoloist(const FollowRunResult& result,
                                                     const std::vector<std::uint32_t>& onsets,
                                                     int notes, double tempoPercent) {
    ASSERT_EQ(result.notes.size(), static_cast<std::size_t>(notes));
    int matched = 0;
    for (const SoloistNote& note : result.notes)
        matched += note.matched >= ScorePosition{} ? 1 : 0;
    EXPECT_GE(matched, notes - 4);
    EXPECT_NEAR(result.notes.back().tempoPercent, tempoPercent, 6);
    int compared = 0;
    for (const SentOnset& sent : result.sentOnsets) {
        const auto index = static_cast<std::size_t>(sent.scoreMs / 500);
        if (index < static_cast<std::size_t>(notes / 2) || index >= onsets.size()) continue;
        EXPECT_NEAR(static_cast<double>(sent.sentMs), onsets[index], 30.0) << "note " << index;
        ++compared;
    }
    EXPECT_GE(compared, notes / 2 - 2);
}

}  // namespace ostinel::cli
