// Compressed scores, and files that are not scores or are damaged: each
// refused with its own result, never a crash.

#include <zip.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "app/piece_file.h"
#include "piece_notes.h"
#include "score_text.h"
#include "support/test_folder.h"

namespace ostinel {
namespace {

using testing::Attributes;
using ::testing::ElementsAre;
using testing::kSecondPerQuarter;
using testing::Measure;
using testing::Note;
using testing::Timed;

constexpr char kContainer[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><container><rootfiles>)"
    R"(<rootfile full-path="score/piece.musicxml" media-type="application/vnd.recordare.musicxml+xml"/>)"
    R"(</rootfiles></container>)";

std::string OneNoteScore() {
    return testing::Score(
        {Measure(1, Attributes(1) + kSecondPerQuarter + Note("C", 4, 2) + Note("G", 4, 2))});
}

// Writes an archive of `files` (name: content), deflated as notation
// programs write them.
std::string WriteArchive(const testing::TestFolder& folder,
                         const std::map<std::string, std::string>& files) {
    const std::string path = (folder / "score.mxl").string();
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive, nullptr);
    for (const auto& [name, content] : files) {
        zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
        EXPECT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    EXPECT_EQ(zip_close(archive), 0);
    return path;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
}

LoadResult OpenText(const testing::TestFolder& folder, const std::string& name,
                    const std::string& text) {
    Piece piece;
    return OpenPieceFile(folder.Write(name, testing::Bytes(text)), piece);
}

TEST(ScoreFiles, ACompressedScoreOpensThroughItsContainer) {
    const testing::TestFolder folder("ostinel-mxl");
    const std::string score = OneNoteScore();
    const std::string path =
        WriteArchive(folder, {{"mimetype", "application/vnd.recordare.musicxml"},
                              {"META-INF/container.xml", kContainer},
                              {"score/piece.musicxml", score}});
    zip_t* written = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
    ASSERT_NE(written, nullptr);
    zip_stat_t stat;
    ASSERT_EQ(zip_stat(written, "score/piece.musicxml", 0, &stat), 0);
    EXPECT_EQ(stat.comp_method, ZIP_CM_DEFLATE);
    zip_discard(written);
    Piece piece;
    ASSERT_EQ(OpenPieceFile(path, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.title, "score");
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 2000, 60}, Timed{0, 2000, 4000, 67}));
}

TEST(ScoreFiles, AnArchiveWithoutItsRootFileIsRefused) {
    const testing::TestFolder folder("ostinel-mxl");
    Piece piece;
    EXPECT_EQ(OpenPieceFile(WriteArchive(folder, {{"META-INF/container.xml", kContainer}}), piece),
              LoadResult::MissingRootFile);
    EXPECT_EQ(
        OpenPieceFile(WriteArchive(folder, {{"score/piece.musicxml", OneNoteScore()}}), piece),
        LoadResult::MissingRootFile);
}

TEST(ScoreFiles, ADamagedArchiveIsRefused) {
    const testing::TestFolder folder("ostinel-mxl");
    std::vector<std::uint8_t> bytes =
        ReadAll(WriteArchive(folder, {{"META-INF/container.xml", kContainer},
                                      {"score/piece.musicxml", OneNoteScore()}}));
    // Cut off the central directory that lists the archive's files.
    bytes.resize(bytes.size() / 2);
    Piece piece;
    EXPECT_EQ(OpenPieceFile(folder.Write("cut.mxl", bytes), piece), LoadResult::DamagedArchive);
}

TEST(ScoreFiles, EachKindOfBadScoreHasItsOwnResult) {
    const testing::TestFolder folder("ostinel-bad-score");
    EXPECT_EQ(OpenText(folder, "a.musicxml", "<score-partwise><part-list>"), LoadResult::NotXml);
    EXPECT_EQ(OpenText(folder, "b.musicxml", "just words"), LoadResult::NotXml);
    EXPECT_EQ(OpenText(folder, "c.xml", "<html><body/></html>"), LoadResult::NotMusicXml);
    EXPECT_EQ(OpenText(folder, "d.xml", R"(<score-timewise version="3.1"/>)"),
              LoadResult::TimewiseScore);
    const std::string backTooFar = testing::Score(
        {Measure(1, Attributes(1) + Note("C", 4, 1) + "<backup><duration>2</duration></backup>")});
    EXPECT_EQ(OpenText(folder, "e.musicxml", backTooFar), LoadResult::MeasureDoesNotAddUp);
    const std::string noDuration = testing::Score({Measure(
        1, Attributes(1) + "<note><pitch><step>C</step><octave>4</octave></pitch></note>")});
    EXPECT_EQ(OpenText(folder, "f.musicxml", noDuration), LoadResult::NoteWithoutDuration);
}

TEST(ScoreFiles, AFileLargerThanAnyScoreIsRefusedUnread) {
    const testing::TestFolder folder("ostinel-large-score");
    const std::string path = (folder / "huge.musicxml").string();
    std::ofstream(path) << "<";
    // Sparse: nothing is written to the disk.
    std::filesystem::resize_file(path, (std::uintmax_t{256} << 20) + 1);
    Piece piece;
    EXPECT_EQ(OpenPieceFile(path, piece), LoadResult::FileTooLarge);
}

TEST(ScoreFiles, AScoreThatPlaysOutIntoTooManyNotesIsRefused) {
    // A chord of 40 notes as long as a measure may be, each a tremolo in 256th notes.
    const std::string tremolo =
        R"(<notations><ornaments><tremolo type="single">6</tremolo></ornaments></notations>)";
    std::string chord = Note("C", 2, 1024, tremolo);
    for (int i = 1; i < 40; ++i)
        chord += Note("C", 2 + i / 12, 1024, "<chord/>" + tremolo);
    Piece piece;
    EXPECT_EQ(testing::LoadScore(testing::Score({Measure(1, Attributes(1) + chord)}), piece),
              LoadResult::FileTooLarge);
}

TEST(ScoreFiles, AFolderNamedLikeAScoreIsNoScore) {
    const testing::TestFolder folder("ostinel-folder-score");
    std::filesystem::create_directory(folder / "score.musicxml");
    Piece piece;
    EXPECT_EQ(OpenPieceFile((folder / "score.musicxml").string(), piece), LoadResult::ReadFailed);
}

TEST(ScoreFiles, AMidiFileIsToldByItsBytesWhateverItsName) {
    const testing::TestFolder folder("ostinel-sniff");
    std::vector<std::uint8_t> midi;
    ASSERT_EQ(ConvertMusicXmlToMidi(testing::Bytes(OneNoteScore()), midi), LoadResult::Loaded);
    Piece piece;
    ASSERT_EQ(OpenPieceFile(folder.Write("really-midi.xml", midi), piece), LoadResult::Loaded);
    EXPECT_THAT(testing::TimingOf(piece),
                ElementsAre(Timed{0, 0, 2000, 60}, Timed{0, 2000, 4000, 67}));
    // And a score named like a MIDI file is still a score.
    ASSERT_EQ(OpenPieceFile(folder.Write("score.mid", testing::Bytes(OneNoteScore())), piece),
              LoadResult::Loaded);
    EXPECT_EQ(testing::TimingOf(piece).size(), 2u);
}

TEST(ScoreFiles, AConvertedScoreIsAFormatOneFileWithAConductorTrack) {
    std::vector<std::uint8_t> midi;
    ASSERT_EQ(ConvertMusicXmlToMidi(testing::Bytes(OneNoteScore()), midi), LoadResult::Loaded);
    ASSERT_GE(midi.size(), 14u);
    EXPECT_EQ(std::string(midi.begin(), midi.begin() + 4), "MThd");
    EXPECT_EQ(midi[9], 1) << "format";
    EXPECT_EQ(midi[11], 2) << "a conductor track and the part's track";
}

}  // namespace
}  // namespace ostinel
