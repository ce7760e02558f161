// Saving a performance: the tracks each play option writes, the performed
// tempos laid over the file's tempo map, the punched-in following track, and
// a failed save leaving nothing behind.

#include "playback/performance_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "sequence/midi_file_writer.h"
#include "strings/string_ids.h"
#include "support/test_folder.h"

namespace ostinel {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::TestFolder;

constexpr std::uint16_t kDivision = 480;
constexpr std::uint32_t kHalfSecondQuarter = 500000;  // one tick = 1000 / 960 ms

std::uint32_t TickAt(std::uint32_t ms) {
    return ms * 960 / 1000;
}

// (time in ms, kind, data1, data2) of a track event.
using EventTuple = std::tuple<std::uint32_t, std::uint8_t, std::uint8_t, std::uint8_t>;

std::vector<EventTuple> Tuples(const Track& track) {
    std::vector<EventTuple> tuples;
    for (const TrackEvent& event : track.events)
        tuples.emplace_back(event.time, event.kind, event.data1, event.data2);
    return tuples;
}

// "Solo" on channel 1 plays a held low note and a melody in half seconds;
// "Bass" on channel 2 one long note. Tempo changes only where `tempos` say.
Bytes SourceFile(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& tempos) {
    MidiFileTrack conductor;
    conductor.AddTimeSignature(0, 4, 2);
    for (const auto& [tick, tempo] : tempos)
        conductor.AddTempo(tick, tempo);
    MidiFileTrack solo;
    solo.AddTrackName(0, "Solo");
    solo.AddMessage(0, Bytes{0xC0, 5});
    solo.AddMessage(0, Bytes{0xB0, 7, 90});
    solo.AddMessage(0, Bytes{0x90, 55, 80});
    const std::uint8_t melody[] = {60, 62, 64, 65, 67, 69, 71, 72};
    for (std::uint32_t i = 0; i < 8; ++i) {
        solo.AddMessage(TickAt(i * 500), Bytes{0x90, melody[i], 100});
        solo.AddMessage(TickAt(i * 500 + 400), Bytes{0x80, melody[i], 64});
        if (i == 2) solo.AddMessage(TickAt(1500), Bytes{0x80, 55, 64});
    }
    MidiFileTrack bass;
    bass.AddTrackName(0, "Bass");
    bass.AddMessage(0, Bytes{0x91, 36, 100});
    bass.AddMessage(TickAt(3900), Bytes{0x81, 36, 64});
    const std::vector<MidiFileTrack> tracks{conductor, solo, bass};
    return EncodeMidiFile(1, kDivision, tracks);
}

// The soloist's take between 1000 and 3000 ms of the score: at the file's
// tempo for a second of score, then at half of it.
PerformanceTempoList TakeTempos() {
    const std::vector<TempoPoint> points{{ScorePosition{1000}, kFixedOne},
                                         {ScorePosition{2000}, kFixedOne / 2},
                                         {ScorePosition{3000}, kFixedOne}};
    return BuildPerformanceTempoList(points, ScorePosition{1000}, SpeedFactor{4096});
}

void RecordTake(Piece& piece) {
    piece.PerformanceTrack().events = {
        {1000, kNoteOn, 76, 100, 0},        {1400, kNoteOff, 76, 64, 0},
        {1600, kControlChange, 64, 127, 0}, {1600, kNoteOn, 77, 100, 0},
        {2000, kNoteOff, 77, 64, 0},        {2500, kNoteOn, 78, 100, 0},
        {2700, kNoteOff, 78, 64, 0},        {2800, kNoteOn, 79, 90, 0},
    };
    piece.PerformanceTrack().count = 8;
}

class PerformanceWriter : public ::testing::Test {
  protected:
    void Load(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& tempos = {
                  {0, kHalfSecondQuarter}}) {
        const std::string source = folder_.Write("source.mid", SourceFile(tempos));
        ASSERT_EQ(OpenPiece(source, piece_), LoadResult::Loaded);
        ASSERT_EQ(piece_.TrackCount(), 2);
        RecordTake(piece_);
    }

    // Saves with `options` and reads the saved file back into `saved`.
    void SaveAndReopen(const PerformanceSaveOptions& options, Piece& saved) {
        const std::string path = (folder_ / "Perf_source.mid").string();
        ASSERT_EQ(WritePerformanceFile(path, piece_, TakeTempos(), punch_, options),
                  PerformanceWriteResult::Written);
        ASSERT_EQ(OpenPiece(path, saved), LoadResult::Loaded);
    }

    TestFolder folder_{"ostinel-performance-writer"};
    Piece piece_;
    PunchSection punch_{ScorePosition{1000}, ScorePosition{3000}, false};
};

PerformanceSaveOptions Options(PerformancePlayMode mode, PerformanceTempoChoices tempos) {
    PerformanceSaveOptions options;
    options.source = FollowSource::SoloistsPlaying;
    options.followTrack = 0;
    options.playMode = mode;
    options.tempos = tempos;
    return options;
}

constexpr PerformanceTempoChoices kPerformedInside{TempoBeforePerformed::FileTempo,
                                                   TempoDuringPerformed::PerformedTempos,
                                                   TempoAfterPerformed::FileTempo};
constexpr PerformanceTempoChoices kFileTempos{TempoBeforePerformed::FileTempo,
                                              TempoDuringPerformed::FileTempo,
                                              TempoAfterPerformed::FileTempo};

TEST_F(PerformanceWriter, OutputTempoMapLaysThePerformedFactorsOverTheFileTempo) {
    Load();
    const TempoMap map = BuildOutputTempoMap(piece_, TakeTempos(), kPerformedInside);
    ASSERT_EQ(map.size(), 5u);
    const std::vector<std::tuple<std::int32_t, std::uint32_t, std::uint64_t>> expected{
        {0, 500000, 0},          {960, 500000, 1000000},         {1920, 1000000, 2000000},
        {2880, 500000, 4000000}, {kEndTick, 500000, kEndTimeUs},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(map[i].tick, std::get<0>(expected[i])) << i;
        // The closing record keeps whatever the file's closing record held.
        if (map[i].tick != kEndTick) {
            EXPECT_EQ(map[i].tempo, std::get<1>(expected[i])) << i;
        }
        EXPECT_EQ(map[i].timeUs, std::get<2>(expected[i])) << i;
    }
}

TEST_F(PerformanceWriter, AverageTempoBeforeTheSectionSlowsTheStart) {
    Load();
    PerformanceTempoChoices choices = kFileTempos;
    choices.before = TempoBeforePerformed::AverageTempo;
    choices.after = TempoAfterPerformed::LastTempo;
    const TempoMap map = BuildOutputTempoMap(piece_, TakeTempos(), choices);
    ASSERT_GE(map.size(), 3u);
    // Two thirds of the file's pace: 500000 × 2^28 / 178956971.
    EXPECT_EQ(map[0].tick, 0);
    EXPECT_EQ(map[0].tempo, 750000u);
    EXPECT_EQ(map[1].tick, 960);
    EXPECT_EQ(map[1].tempo, 500000u);
    // The last performed tempo, 4096 (the file's pace), after the section.
    EXPECT_EQ(map[map.size() - 2].tick, 2880);
    EXPECT_EQ(map[map.size() - 2].tempo, 500000u);
}

TEST_F(PerformanceWriter, SoundOnSoundKeepsEveryTrackAndTheNotesSoundAtThePerformedTimes) {
    Load();
    Piece saved;
    SaveAndReopen(Options(PerformancePlayMode::SoundOnSound, kPerformedInside), saved);

    ASSERT_EQ(saved.TrackCount(), 3);
    EXPECT_EQ(saved.tracks[0].name, "Solo");
    EXPECT_EQ(saved.tracks[1].name, "Bass");
    EXPECT_EQ(saved.tracks[2].name, "(Performance Track)");

    std::vector<std::pair<std::int32_t, std::uint32_t>> tempos;
    for (const TempoRecord& record : saved.tempoMap) {
        if (record.tick != kEndTick) tempos.emplace_back(record.tick, record.tempo);
    }
    const std::vector<std::pair<std::int32_t, std::uint32_t>> expectedTempos{
        {0, 500000}, {1920, 1000000}, {2880, 500000}};
    EXPECT_EQ(tempos, expectedTempos);

    // Score 1000-2000 took a second, 2000-3000 two: everything after 2000
    // of the score comes later by what the slow second added.
    const std::vector<EventTuple> performance{
        {1000, kNoteOn, 76, 100}, {1400, kNoteOff, 76, 64}, {1600, kControlChange, 64, 127},
        {1600, kNoteOn, 77, 100}, {2000, kNoteOff, 77, 64}, {3000, kNoteOn, 78, 100},
        {3400, kNoteOff, 78, 64}, {3600, kNoteOn, 79, 90},
    };
    EXPECT_EQ(Tuples(saved.tracks[2]), performance);
    const Track& solo = saved.tracks[0];
    ASSERT_FALSE(solo.events.empty());
    EXPECT_EQ(solo.events.back().time, 3900u + 1000u);  // the last note-off, at score 3900
    EXPECT_EQ(saved.tracks[1].events.back().time, 4900u);
}

TEST_F(PerformanceWriter, OverwriteLeavesOutTheFollowingTrackAndPutsThePerformanceLast) {
    Load();
    Piece saved;
    SaveAndReopen(Options(PerformancePlayMode::Overwrite, kFileTempos), saved);
    ASSERT_EQ(saved.TrackCount(), 2);
    EXPECT_EQ(saved.tracks[0].name, "Bass");
    EXPECT_EQ(saved.tracks[1].name, "(Performance Track)");
    EXPECT_EQ(saved.tracks[1].events.size(), 8u);

    const Bytes bytes = EncodePerformanceFile(piece_, TakeTempos(), punch_,
                                              Options(PerformancePlayMode::Overwrite, kFileTempos));
    ASSERT_GE(bytes.size(), 14u);
    EXPECT_EQ(bytes[11], 3);  // conductor, Bass, performance
}

TEST_F(PerformanceWriter, OnlyTheFollowingTrackAndTappedBeatsWithoutNotesLeaveThePerformanceOut) {
    Load();
    Piece saved;
    SaveAndReopen(Options(PerformancePlayMode::FollowingTrackOnly, kFileTempos), saved);
    ASSERT_EQ(saved.TrackCount(), 2);
    EXPECT_EQ(Tuples(saved.tracks[0]), Tuples(piece_.tracks[0]));

    PerformanceSaveOptions taps = Options(PerformancePlayMode::Overwrite, kFileTempos);
    taps.source = FollowSource::TappedBeats;
    Piece tapped;
    SaveAndReopen(taps, tapped);
    EXPECT_EQ(tapped.TrackCount(), 2);
    taps.playTappedNotes = true;
    Piece withNotes;
    SaveAndReopen(taps, withNotes);
    ASSERT_EQ(withNotes.TrackCount(), 3);
    EXPECT_EQ(withNotes.tracks[2].name, "(Performance Track)");
}

TEST_F(PerformanceWriter, PunchInReplacesTheFollowedSpanOfTheFollowingTrack) {
    Load();
    Piece saved;
    SaveAndReopen(Options(PerformancePlayMode::PunchIn, kFileTempos), saved);
    ASSERT_EQ(saved.TrackCount(), 2);
    const Track& solo = saved.tracks[0];
    EXPECT_EQ(solo.name, "Solo");
    const std::vector<EventTuple> expected{
        {0, kProgramChange, 0, 0},
        {0, kControlChange, 7, 90},
        {0, kNoteOn, 55, 80},
        {0, kNoteOn, 60, 100},
        {400, kNoteOff, 60, 64},
        {500, kNoteOn, 62, 100},
        {900, kNoteOff, 62, 64},
        // The punch start: the held note ends, the controllers rest.
        {1000, kNoteOff, 55, 64},
        {1000, kControlChange, 7, 100},
        // The performance, on the following track's channel.
        {1000, kNoteOn, 76, 100},
        {1400, kNoteOff, 76, 64},
        {1600, kControlChange, 64, 127},
        {1600, kNoteOn, 77, 100},
        {2000, kNoteOff, 77, 64},
        {2500, kNoteOn, 78, 100},
        {2700, kNoteOff, 78, 64},
        {2800, kNoteOn, 79, 90},
        // The punch end: the performance rests, the following track's state returns.
        {3000, kNoteOff, 79, 64},
        {3000, kControlChange, 64, 0},
        {3000, kControlChange, 7, 90},
        {3000, kProgramChange, 0, 0},
        {3000, kNoteOn, 71, 100},
        {3400, kNoteOff, 71, 64},
        {3500, kNoteOn, 72, 100},
        {3900, kNoteOff, 72, 64},
    };
    EXPECT_EQ(Tuples(solo), expected);
    ASSERT_EQ(solo.patches.count, 1);
    EXPECT_EQ(solo.patches.entries[0].file, (Patch{PatchKind::Program, {5, 0, 0}}));
    EXPECT_EQ(solo.fileChannel, 0);
}

TEST_F(PerformanceWriter, TempoRecordsThatRepeatTheTempoAreWrittenOnce) {
    Load({{0, kHalfSecondQuarter}, {1920, 600000}, {2400, 600000}, {2880, 500000}});
    const Bytes bytes = EncodePerformanceFile(
        piece_, TakeTempos(), punch_, Options(PerformancePlayMode::SoundOnSound, kFileTempos));
    const Bytes tempoMeta{0xFF, 0x51, 0x03};
    int tempoEvents = 0;
    for (auto at = bytes.begin();
         (at = std::search(at, bytes.end(), tempoMeta.begin(), tempoMeta.end())) != bytes.end();
         ++at) {
        ++tempoEvents;
    }
    EXPECT_EQ(tempoEvents, 3);

    Piece saved;
    SaveAndReopen(Options(PerformancePlayMode::SoundOnSound, kFileTempos), saved);
    std::vector<std::pair<std::int32_t, std::uint32_t>> tempos;
    for (const TempoRecord& record : saved.tempoMap) {
        if (record.tick != kEndTick) tempos.emplace_back(record.tick, record.tempo);
    }
    const std::vector<std::pair<std::int32_t, std::uint32_t>> expected{
        {0, 500000}, {1920, 600000}, {2880, 500000}};
    EXPECT_EQ(tempos, expected);
    EXPECT_EQ(Tuples(saved.tracks[1]), Tuples(piece_.tracks[1]));
}

TEST_F(PerformanceWriter, ASuccessfulSaveHandsTheNewPathOnForThePieceSettings) {
    Load();
    const std::string path = (folder_ / "Perf_Take.mid").string();
    std::vector<std::string> stored;
    EXPECT_EQ(WritePerformanceFile(path, piece_, TakeTempos(), punch_,
                                   Options(PerformancePlayMode::PunchIn, kFileTempos),
                                   [&stored](const std::string& p) { stored.push_back(p); }),
              PerformanceWriteResult::Written);
    EXPECT_EQ(stored, std::vector<std::string>{path});
    EXPECT_EQ(PerformanceWriteMessage(PerformanceWriteResult::Written), 0);
}

TEST_F(PerformanceWriter, AFailedSaveLeavesNoFileAndAsksForTheSaveMessage) {
    Load();
    const std::string path = (folder_ / "missing" / "Perf_source.mid").string();
    bool stored = false;
    const PerformanceWriteResult result = WritePerformanceFile(
        path, piece_, TakeTempos(), punch_, Options(PerformancePlayMode::PunchIn, kFileTempos),
        [&stored](const std::string&) { stored = true; });
    EXPECT_NE(result, PerformanceWriteResult::Written);
    EXPECT_EQ(PerformanceWriteMessage(result), string_id::kCannotSaveFile);
    EXPECT_EQ(PerformanceWriteMessage(result), 2017);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "missing"));
    EXPECT_FALSE(stored);
    EXPECT_EQ(piece_.TrackCount(), 2);
}

TEST(DefaultPerformanceFileName, IsThePrefixThePieceNameOrTitleAndTheExtension) {
    EXPECT_EQ(DefaultPerformanceFileName("Perf_", "", "Sonata"), "Perf_Sonata.mid");
    EXPECT_EQ(DefaultPerformanceFileName("Perf_", "Evening Take", "Sonata"),
              "Perf_Evening Take.mid");
}

}  // namespace
}  // namespace ostinel
