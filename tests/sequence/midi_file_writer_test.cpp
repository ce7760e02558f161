// Writing Standard MIDI Files: the bytes of each event kind, the order of the
// events, and putting the file on disk whole or not at all.

#include "sequence/midi_file_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "piece_loading.h"

namespace ostinel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The track chunk of a file that holds one track, without its tag and length.
Bytes OnlyTrackEvents(const Bytes& file) {
    constexpr std::size_t kFirstEvent = 14 + 8;  // header chunk, "MTrk", length
    if (file.size() < kFirstEvent) return {};
    return Bytes(file.begin() + kFirstEvent, file.end());
}

Bytes EncodeOne(const MidiFileTrack& track) {
    return EncodeMidiFile(1, 480, std::span<const MidiFileTrack>(&track, 1));
}

TEST(MidiFileEncoding, TinyFileHasHeaderDeltasAndEndOfTrack) {
    MidiFileTrack conductor;
    conductor.AddTempo(0, 500000);
    MidiFileTrack piano;
    EXPECT_TRUE(piano.AddMessage(0, Bytes{0x90, 60, 100}));
    EXPECT_TRUE(piano.AddMessage(96, Bytes{0x80, 60, 64}));
    EXPECT_TRUE(piano.AddMessage(96, Bytes{0xC1, 5}));
    const std::vector<MidiFileTrack> tracks{conductor, piano};

    const Bytes expected{
        'M',  'T',  'h',  'd',  0,    0,    0,    6,   //
        0,    1,    0,    2,    0,    96,              // format 1, two tracks, 96 a quarter
        'M',  'T',  'r',  'k',  0,    0,    0,    11,  //
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,      // tempo 500 000
        0x00, 0xFF, 0x2F, 0x00,                        //
        'M',  'T',  'r',  'k',  0,    0,    0,    15,  //
        0x00, 0x90, 60,   100,                         //
        0x60, 0x80, 60,   64,                          // full status, no running status
        0x00, 0xC1, 5,                                 //
        0x00, 0xFF, 0x2F, 0x00,                        // at the last event's tick
    };
    EXPECT_EQ(EncodeMidiFile(1, 96, tracks), expected);
}

TEST(MidiFileEncoding, NoTracksGiveOnlyTheHeaderAndAnEmptyTrackOnlyItsEnd) {
    EXPECT_EQ(EncodeMidiFile(0, 480, {}),
              (Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 0, 1, 0xE0}));
    EXPECT_EQ(OnlyTrackEvents(EncodeOne(MidiFileTrack{})), (Bytes{0x00, 0xFF, 0x2F, 0x00}));
}

TEST(MidiFileEncoding, DeltasCountFromThePreviousEvent) {
    MidiFileTrack track;
    track.AddMessage(127, Bytes{0xF8});
    track.AddMessage(255, Bytes{0xF8});
    track.AddMessage(16638, Bytes{0xF8});
    const Bytes expected{
        0x7F, 0xF7, 0x01, 0xF8,        // 127
        0x81, 0x00, 0xF7, 0x01, 0xF8,  // 128
        0xFF, 0x7F, 0xF7, 0x01, 0xF8,  // 16383
        0x00, 0xFF, 0x2F, 0x00,        //
    };
    EXPECT_EQ(OnlyTrackEvents(EncodeOne(track)), expected);
}

TEST(MidiFileEncoding, TicksPastTheLargestDeltaAreTakenAsIt) {
    MidiFileTrack track;
    track.AddMessage(0xFFFFFFFF, Bytes{0xFC});
    track.AddMeta(0x10000000, 0x01, Bytes{'x'});
    ASSERT_EQ(track.Events().size(), 2u);
    EXPECT_EQ(track.Events()[0].tick, kMaxMidiFileTick);
    EXPECT_EQ(track.Events()[1].tick, kMaxMidiFileTick);
}

TEST(MidiFileEncoding, EventsAreSortedByTickAndEqualTicksKeepTheirOrder) {
    MidiFileTrack track;
    track.AddMessage(10, Bytes{0x90, 64, 1});
    track.AddMessage(0, Bytes{0x90, 60, 2});
    track.AddMeta(10, 0x01, Bytes{'a'});
    track.AddMessage(5, Bytes{0x90, 62, 3});
    track.AddMessage(10, Bytes{0x80, 60, 4});
    track.AddMessage(0, Bytes{0x90, 61, 5});
    const Bytes expected{
        0x00, 0x90, 60,   2,          //
        0x00, 0x90, 61,   5,          //
        0x05, 0x90, 62,   3,          //
        0x05, 0x90, 64,   1,          //
        0x00, 0xFF, 0x01, 0x01, 'a',  //
        0x00, 0x80, 60,   4,          //
        0x00, 0xFF, 0x2F, 0x00,       //
    };
    EXPECT_EQ(OnlyTrackEvents(EncodeOne(track)), expected);
}

TEST(MidiFileEncoding, SystemExclusiveIsAnF0EventWithItsClosingF7) {
    MidiFileTrack track;
    ASSERT_TRUE(track.AddMessage(0, Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(OnlyTrackEvents(EncodeOne(track)),
              (Bytes{0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7, 0x00, 0xFF, 0x2F, 0x00}));
}

TEST(MidiFileEncoding, OtherSystemMessagesAreEscapedWithTheirRawBytes) {
    MidiFileTrack track;
    ASSERT_TRUE(track.AddMessage(0, Bytes{0xF2, 0x10, 0x00}));  // song position
    ASSERT_TRUE(track.AddMessage(0, Bytes{0xFA}));              // start
    ASSERT_TRUE(track.AddMessage(0, Bytes{0xF8}));              // clock
    ASSERT_TRUE(track.AddMessage(1, Bytes{0xF1, 0x23}));        // time code quarter frame
    ASSERT_TRUE(track.AddMessage(1, Bytes{0xFC}));              // stop
    ASSERT_TRUE(track.AddMessage(1, Bytes{0xFF}));              // reset: not a meta event
    const Bytes expected{
        0x00, 0xF7, 0x03, 0xF2, 0x10, 0x00,  //
        0x00, 0xF7, 0x01, 0xFA,              //
        0x00, 0xF7, 0x01, 0xF8,              //
        0x01, 0xF7, 0x02, 0xF1, 0x23,        //
        0x00, 0xF7, 0x01, 0xFC,              //
        0x00, 0xF7, 0x01, 0xFF,              //
        0x00, 0xFF, 0x2F, 0x00,              //
    };
    EXPECT_EQ(OnlyTrackEvents(EncodeOne(track)), expected);
}

TEST(MidiFileEncoding, MetaEventsOfTheTrackHeader) {
    MidiFileTrack track;
    track.AddTrackName(0, "Oboe");
    track.AddPort(0, 3);
    track.AddTimeSignature(0, 6, 3);
    track.AddTempo(0, 0x123456);
    const Bytes expected{
        0x00, 0xFF, 0x03, 0x04, 'O',  'b',  'o',  'e',   //
        0x00, 0xFF, 0x21, 0x01, 0x03,                    //
        0x00, 0xFF, 0x58, 0x04, 0x06, 0x03, 0x18, 0x08,  //
        0x00, 0xFF, 0x51, 0x03, 0x12, 0x34, 0x56,        //
        0x00, 0xFF, 0x2F, 0x00,                          //
    };
    EXPECT_EQ(OnlyTrackEvents(EncodeOne(track)), expected);
}

TEST(MidiFileEncoding, MessagesThatAreNotWholeAreRefused) {
    MidiFileTrack track;
    EXPECT_FALSE(track.AddMessage(0, Bytes{}));
    EXPECT_FALSE(track.AddMessage(0, Bytes{60, 100}));         // no status byte
    EXPECT_FALSE(track.AddMessage(0, Bytes{0x90, 60}));        // a data byte short
    EXPECT_FALSE(track.AddMessage(0, Bytes{0xC0, 5, 0}));      // a data byte too many
    EXPECT_FALSE(track.AddMessage(0, Bytes{0x90, 60, 0x90}));  // a status byte as data
    EXPECT_TRUE(track.Events().empty());
}

TEST(MidiFileEncoding, MatchesTheTestBuilderAndReadsBack) {
    MidiFileTrack conductor;
    conductor.AddTrackName(0, "Round");
    conductor.AddTempo(0, 600000);
    MidiFileTrack voice;
    voice.AddMessage(0, Bytes{0xC2, 19});
    voice.AddMessage(0, Bytes{0x92, 67, 80});
    voice.AddMessage(480, Bytes{0x82, 67, 64});
    const std::vector<MidiFileTrack> tracks{conductor, voice};

    smf::FileBuilder file(1, 480);
    file.AddTrack().TrackName(0, "Round").Tempo(0, 600000).EndOfTrack();
    file.AddTrack()
        .ProgramChange(0, 2, 19)
        .NoteOn(0, 2, 67, 80)
        .NoteOff(480, 2, 67, 64)
        .EndOfTrack();
    const Bytes bytes = EncodeMidiFile(1, 480, tracks);
    EXPECT_EQ(bytes, file.Build());

    Piece piece;
    ASSERT_EQ(testing::LoadBytes(bytes, piece), LoadResult::Loaded);
    ASSERT_EQ(piece.TrackCount(), 1);
    EXPECT_EQ(piece.tracks[0].fileChannel, 2);
    ASSERT_EQ(piece.tracks[0].events.size(), 3u);
    EXPECT_EQ(piece.tracks[0].events[2].time, 600u);
}

class MidiFileWriting : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() /
            ("ostinel-writer-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    static Bytes ReadAll(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::vector<std::string> FolderContents() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path folder_;
};

const Bytes kSmallFile{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 0, 0, 96};

TEST_F(MidiFileWriting, WritesTheBytesAndNothingElse) {
    const std::filesystem::path path = folder_ / "take.mid";
    std::string error;
    ASSERT_TRUE(WriteMidiFile(path.string(), kSmallFile, error)) << error;
    EXPECT_EQ(ReadAll(path), kSmallFile);
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"take.mid"});
}

TEST_F(MidiFileWriting, ReplacesAnExistingFileWhole) {
    const std::filesystem::path path = folder_ / "take.mid";
    std::ofstream(path, std::ios::binary) << std::string(1000, 'x');
    std::string error;
    ASSERT_TRUE(WriteMidiFile(path.string(), kSmallFile, error)) << error;
    EXPECT_EQ(ReadAll(path), kSmallFile);
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"take.mid"});
}

TEST_F(MidiFileWriting, LeavesAFileInTheWayOfTheTemporaryNameAlone) {
    const std::filesystem::path path = folder_ / "take.mid";
    std::ofstream(folder_ / "take.mid.part1") << "someone else's";
    std::string error;
    ASSERT_TRUE(WriteMidiFile(path.string(), kSmallFile, error)) << error;
    EXPECT_EQ(ReadAll(path), kSmallFile);
    const Bytes untouched = ReadAll(folder_ / "take.mid.part1");
    EXPECT_EQ(std::string(untouched.begin(), untouched.end()), "someone else's");
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"take.mid", "take.mid.part1"}));
}

TEST_F(MidiFileWriting, MissingFolderFailsWithAnErrorAndCreatesNothing) {
    const std::filesystem::path path = folder_ / "missing" / "take.mid";
    std::string error;
    EXPECT_FALSE(WriteMidiFile(path.string(), kSmallFile, error));
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    EXPECT_NE(error.find("could not be written"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(folder_ / "missing"));
    EXPECT_TRUE(FolderContents().empty());
}

TEST_F(MidiFileWriting, FolderInTheWayFailsAndLeavesNoTemporaryFile) {
    const std::filesystem::path path = folder_ / "take.mid";
    std::filesystem::create_directories(path / "inside");
    std::string error;
    EXPECT_FALSE(WriteMidiFile(path.string(), kSmallFile, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::is_directory(path / "inside"));
    EXPECT_EQ(FolderContents(), std::vector<std::string>{"take.mid"});
}

}  // namespace
}  // namespace ostinel
