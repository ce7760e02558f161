#include "cli/follow_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/exit_codes.h"
#include "played_melody.h"
#include "sequence/piece.h"
#include "settings/piece_settings_file.h"
#include "smf_builder.h"
#include "support/both_methods.h"
#include "support/test_folder.h"

namespace ostinel::cli {
namespace {

namespace fs = std::filesystem;

class FollowCommand : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const smf::Bytes& bytes) {
        return folder_.Write(name, bytes);
    }

    testing::TestFolder folder_{"ostinel-follow"};
    const fs::path& dir_ = folder_.Path();
};

// A follow, its take and its performance come out alike with either method.
class FollowEitherMethod : public FollowCommand,
                           public ::testing::WithParamInterface<FollowingMethod> {
  protected:
    std::string_view Method() const { return FollowingMethodName(GetParam()); }
    void UseMethod(FollowRunOptions& options) const {
        std::string error;
        ASSERT_TRUE(ApplyFollowOption("method", Method(), options, error)) << error;
    }
};

constexpr int kNotes = 32;
constexpr int kBeatTicks = 480;  // 500 ms a beat at 120 beats per minute

// A melody of quarter notes and an accompaniment striking with it on another channel.
smf::Bytes MelodyWithAccompaniment() {
    smf::FileBuilder file(1, kBeatTicks);
    file.AddTrack().Tempo(0, 500000).TimeSignature(0, 4, 2).EndOfTrack();
    auto& melody = file.AddTrack();
    auto& accompaniment = file.AddTrack();
    melody.TrackName(0, "Melody");
    accompaniment.TrackName(0, "Accompaniment");
    for (int i = 0; i < kNotes; ++i) {
        const int key = MelodyKey(60, i);
        melody.NoteOn(i == 0 ? 0 : kBeatTicks / 2, 0, key, 80).NoteOff(kBeatTicks / 2, 0, key);
        accompaniment.NoteOn(i == 0 ? 0 : kBeatTicks / 2, 1, 36 + i % 12, 70)
            .NoteOff(kBeatTicks / 2, 1, 36 + i % 12);
    }
    melody.EndOfTrack();
    accompaniment.EndOfTrack();
    return file.Build();
}

smf::Bytes PlayedMelody(double speed, std::vector<std::uint32_t>& onsets) {
    return cli::PlayedMelody(kNotes, 60, speed, onsets);
}

TEST_P(FollowEitherMethod, TheAccompanimentKeepsToASoloistPlayingFasterThanWritten) {
    FollowRunOptions options;
    UseMethod(options);
    options.piecePath = Write("piece.mid", MelodyWithAccompaniment());
    std::vector<std::uint32_t> onsets;
    options.soloistPath = Write("played.mid", PlayedMelody(1.2, onsets));
    options.track = 1;
    FollowRunResult result;
    std::string error;
    int exitCode = -1;
    ASSERT_TRUE(RunFollow(options, result, error, exitCode)) << error;
    ExpectTheAccompanimentKeptWithTheSoloist(result, onsets, kNotes, 120);
}

TEST_P(FollowEitherMethod, TheCommandWritesTheResultAndItsReport) {
    const std::string piece = Write("piece.mid", MelodyWithAccompaniment());
    std::vector<std::uint32_t> onsets;
    const std::string played = Write("played.mid", PlayedMelody(0.9, onsets));
    const std::string midiOut = (dir_ / "out.mid").string();
    const std::string report = (dir_ / "report.tsv").string();
    std::string out;
    std::string err;
    ASSERT_EQ(RunFollowCommand(
                  std::vector<std::string_view>{piece, "--track", "1", "--soloist", played, "-o",
                                                midiOut, "--report", report, "--method", Method()},
                  out, err),
              kExitSuccess)
        << err;
    EXPECT_TRUE(fs::exists(midiOut));
    // The take saved as a piece: the accompaniment and the soloist's notes in
    // place of the following track, at the tempo they were played.
    const std::string take = (dir_ / "take.mid").string();
    ASSERT_EQ(RunFollowCommand(
                  std::vector<std::string_view>{piece, "--track", "1", "--soloist", played,
                                                "--save-performance", take, "--method", Method()},
                  out, err),
              kExitSuccess)
        << err;
    Piece saved;
    ASSERT_EQ(OpenPiece(take, saved), LoadResult::Loaded);
    EXPECT_EQ(saved.TrackCount(), 2);
    ASSERT_GE(saved.tempoMap.size(), 2u);
    // Played at 0.9 times the written pace: the tempo goes down from 500 000 µs a beat.
    EXPECT_GT(saved.tempoMap[1].tempo, 520000u);
    std::ifstream lines(report);
    std::string header;
    std::getline(lines, header);
    EXPECT_EQ(header, "perf_ms\tpitch\tmatched_ms\tposition_ms\ttempo_percent\tjump");
    EXPECT_NE(out.find("soloist notes 32"), std::string::npos);
}

TEST_P(FollowEitherMethod, ASavedTakePlaysTheSoloistsNotesWhenTheyWerePlayed) {
    const std::string piece = Write("piece.mid", MelodyWithAccompaniment());
    std::vector<std::uint32_t> onsets;
    const std::string played = Write("played.mid", PlayedMelody(0.9, onsets));
    const std::string take = (dir_ / "take.mid").string();
    std::string out;
    std::string err;
    ASSERT_EQ(
        RunFollowCommand(std::vector<std::string_view>{piece, "--track", "1", "--soloist", played,
                                                       "--save-performance", take, "--play-mode",
                                                       "overwrite", "--method", Method()},
                         out, err),
        kExitSuccess)
        << err;
    Piece saved;
    ASSERT_EQ(OpenPiece(take, saved), LoadResult::Loaded);
    // The take is the last track; at the saved tempo map its notes fall
    // where the soloist played them, counted from their first note.
    const Track& soloist = saved.tracks[static_cast<std::size_t>(saved.TrackCount() - 1)];
    std::vector<std::uint32_t> times;
    for (const TrackEvent& event : soloist.events)
        if ((event.kind & 0xF0) == kNoteOn && event.data2 > 0) times.push_back(event.time);
    // It carries the settings it was made with as slot 0.
    const auto stored = ReadPieceSettingsStore(take);
    ASSERT_TRUE(stored.has_value());
    const auto entry = ReadPieceSettingsEntry(*stored, 0);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->settings.followTrack1, 0);
    // The piece's two tracks and the performance track.
    EXPECT_EQ(entry->tracks.size(), 3u);
    // An automatic start listens to the first notes before it knows where the
    // soloist is: the take holds them too, as they were played.
    ASSERT_EQ(times.size(), onsets.size());
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_NEAR(static_cast<double>(times[i] - times[0]),
                    static_cast<double>(onsets[i] - onsets[0]), 5.0)
            << "note " << i;
    }
}

TEST_P(FollowEitherMethod, PlayPerformanceAfterTheFollowPlaysTheTakeAtItsTempo) {
    FollowRunOptions options;
    UseMethod(options);
    options.piecePath = Write("piece.mid", MelodyWithAccompaniment());
    std::vector<std::uint32_t> onsets;
    options.soloistPath = Write("played.mid", PlayedMelody(0.9, onsets));
    options.track = 1;
    options.playPerformance = true;
    std::string error;
    ASSERT_TRUE(ApplyFollowOption("play-mode", "overwrite", options, error));
    FollowRunResult result;
    int exitCode = -1;
    ASSERT_TRUE(RunFollow(options, result, error, exitCode)) << error;
    EXPECT_TRUE(result.performancePlayed);
    // The soloist's notes come back after the follow, 556 ms apart as they
    // were played.
    std::vector<std::uint32_t> replayed;
    const std::uint32_t followEnd = onsets.back() + 200;
    for (const PortMessage& message : result.stream) {
        if (message.port == kSoloistPort || message.timeMs <= followEnd) continue;
        if (message.bytes.size() == 3 && message.bytes[0] == 0x90 && message.bytes[2] > 0)
            replayed.push_back(message.timeMs);
    }
    ASSERT_GE(replayed.size(), static_cast<std::size_t>(kNotes / 2));
    for (std::size_t i = 2; i + 2 < replayed.size(); ++i)
        EXPECT_NEAR(static_cast<double>(replayed[i] - replayed[i - 1]), 500.0 / 0.9, 15.0)
            << "note " << i;
}

INSTANTIATE_TEST_SUITE_P(BothMethods, FollowEitherMethod, ostinel::testing::kBothMethods,
                         ostinel::testing::MethodName);

TEST_F(FollowCommand, BadArgumentsAreRefused) {
    const std::string piece = Write("piece.mid", MelodyWithAccompaniment());
    std::string out;
    std::string err;
    EXPECT_EQ(RunFollowCommand(std::vector<std::string_view>{piece, "--track", "1"}, out, err),
              kExitUsage);
    EXPECT_EQ(RunFollowCommand(std::vector<std::string_view>{piece, "--soloist", piece, "--jumping",
                                                             "sometimes"},
                               out, err),
              kExitUsage);
    EXPECT_EQ(RunFollowCommand(
                  std::vector<std::string_view>{piece, "--soloist", (dir_ / "none.mid").string()},
                  out, err),
              kExitUsage);
}

TEST(FollowOptions, NamesAndValuesReachTheSettings) {
    FollowRunOptions options;
    std::string error;
    EXPECT_TRUE(ApplyFollowOption("jumping", "beats", options, error));
    EXPECT_TRUE(options.following.jumpEnabled && options.following.jumpSeveralBeatsOnly);
    EXPECT_TRUE(ApplyFollowOption("jumping", "off", options, error));
    EXPECT_FALSE(options.following.jumpEnabled);
    EXPECT_TRUE(ApplyFollowOption("tap-source", "note:61", options, error));
    EXPECT_EQ(options.following.tapSource, TapSource::Note);
    EXPECT_EQ(options.following.tapNote, 61);
    // Following taps keeps a tap source already chosen from MIDI.
    EXPECT_TRUE(ApplyFollowOption("follow", "taps", options, error));
    EXPECT_EQ(options.following.tapSource, TapSource::Note);
    EXPECT_TRUE(ApplyFollowOption("wait-for-soloist", "3000,1000", options, error));
    EXPECT_EQ(options.markers.waitForSoloist,
              (std::vector<ScorePosition>{ScorePosition{1000}, ScorePosition{3000}}));
    EXPECT_TRUE(ApplyFollowOption("ignore", "5000-6000", options, error));
    ASSERT_EQ(options.markers.ignoreSoloist.size(), 1u);
    EXPECT_EQ(options.markers.ignoreSoloist[0].end, ScorePosition{6000});
    EXPECT_FALSE(ApplyFollowOption("ignore", "6000-5000", options, error));
    EXPECT_FALSE(ApplyFollowOption("timing", "5", options, error));
    EXPECT_FALSE(ApplyFollowOption("tap-source", "note:200", options, error));
    EXPECT_TRUE(ApplyFollowOption("play-mode", "following-track-only", options, error));
    EXPECT_EQ(options.performance.playMode, PerformancePlayMode::FollowingTrackOnly);
    EXPECT_TRUE(ApplyFollowOption("tempo-after", "last", options, error));
    EXPECT_EQ(options.performance.tempos.after, TempoAfterPerformed::LastTempo);
    EXPECT_FALSE(ApplyFollowOption("play-mode", "loud", options, error));
    EXPECT_FALSE(ApplyFollowOption("tempo-before", "last", options, error));
    EXPECT_FALSE(ApplyFollowOption("loudness", "2", options, error));
    EXPECT_NE(error.find("loudness"), std::string::npos);
    EXPECT_TRUE(ApplyFollowOption("method", "probability", options, error));
    EXPECT_EQ(options.following.method, FollowingMethod::Probability);
    EXPECT_TRUE(ApplyFollowOption("method", "matching", options, error));
    EXPECT_EQ(options.following.method, FollowingMethod::Matching);
    EXPECT_FALSE(ApplyFollowOption("method", "guessing", options, error));
}

TEST(EvaluateCommand, TheSteadyTempoCaseIsFollowedClosely) {
    const std::string steady = std::string(OSTINEL_SOURCE_DIR) + "/bench/cases/steady-tempo";
    std::string out;
    std::string err;
    ASSERT_EQ(RunEvaluateCommand(std::vector<std::string_view>{steady}, out, err), kExitSuccess)
        << err;
    // Header, the case, the summary.
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3);
    EXPECT_NE(out.find("steady-tempo\t"), std::string::npos);
}

TEST(EvaluateCommand, ASkipIsSplicedInAndTheFollowerFindsTheSoloistAgain) {
    const std::string steady = std::string(OSTINEL_SOURCE_DIR) + "/bench/cases/steady-tempo";
    const testing::TestFolder folder{"ostinel-plots"};
    const std::string plots = folder.Path().string();
    for (const std::string_view skip : {"16", "-16"}) {
        std::string out;
        std::string err;
        const std::vector<std::string_view> args{"--method", "probability", "--skip", skip,
                                                 "--plot",   plots,         steady};
        ASSERT_EQ(RunEvaluateCommand(args, out, err), kExitSuccess) << err;
        // The header names the new column; the skip is a discontinuity that re-locks.
        EXPECT_NE(out.find("\tasync_abs_median_ms\t"), std::string::npos);
        const std::size_t row = out.find("steady-tempo\t");
        ASSERT_NE(row, std::string::npos);
        const std::string line = out.substr(row, out.find('\n', row) - row);
        EXPECT_EQ(line.substr(line.rfind('\t') + 1).find("inf"), std::string::npos) << line;
        EXPECT_EQ(line.substr(line.rfind('\t') + 1).find("nan"), std::string::npos) << line;
    }
    std::ifstream plot(plots + "/steady-tempo.svg");
    std::string svg((std::istreambuf_iterator<char>(plot)), std::istreambuf_iterator<char>());
    EXPECT_EQ(svg.rfind("<svg", 0), 0u);
    EXPECT_NE(svg.find("<polyline"), std::string::npos);

    std::string out;
    std::string err;
    EXPECT_EQ(
        RunEvaluateCommand(std::vector<std::string_view>{"--method", "guessing", steady}, out, err),
        kExitUsage);
}

// The demo's performance skips a bar and the follower restarts more than once:
// accompaniment notes sent before a restart must still be placed where they
// stood, or the asynchrony figure counts them against the wrong soloist notes.
TEST(FollowFigures, NotesSentBeforeARestartAreMeasuredAtTheirOwnPlace) {
    const std::string examples = std::string(OSTINEL_SOURCE_DIR) + "/examples/";
    std::string out;
    std::string err;
    ASSERT_EQ(RunFollowCommand(
                  std::vector<std::string_view>{examples + "demo.mid", "--track", "1", "--soloist",
                                                examples + "demo-performance.mid", "--truth",
                                                examples + "demo-performance-truth.tsv"},
                  out, err),
              kExitSuccess)
        << err;
    const auto at = out.find("95% within ");
    ASSERT_NE(at, std::string::npos) << out;
    EXPECT_LT(std::stoi(out.substr(at + 11)), 2000) << out;
}

}  // namespace
}  // namespace ostinel::cli

namespace ostinel::cli {
namespace {

TEST(FollowScoreView, TheFollowDrawsTheScoreViewIntoAPictureOfTheAskedSize) {
    testing::TestFolder folder{"ostinel-score-view"};
    const std::string piece = folder.Write("piece.mid", MelodyWithAccompaniment());
    std::vector<std::uint32_t> onsets;
    const std::string played = folder.Write("played.mid", PlayedMelody(0.9, onsets));
    const std::string picture = (folder.Path() / "score.png").string();
    std::string out;
    std::string err;
    const int status = RunFollowCommand(
        std::vector<std::string_view>{piece, "--track", "1", "--soloist", played, "--score-view",
                                      picture, "--score-view-scale", "150"},
        out, err);
#if OSTINEL_BUILT_WITH_DESKTOP
    ASSERT_EQ(status, kExitSuccess) << err;
    std::ifstream file(picture, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    // The width in the header: 640 design pixels and the shadow, at 150 %.
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned width = (byte(16) << 24) | (byte(17) << 16) | (byte(18) << 8) | byte(19);
    EXPECT_EQ(width, 963u);
#else
    EXPECT_EQ(status, kExitOutputFailed);
#endif
    EXPECT_EQ(RunFollowCommand(std::vector<std::string_view>{piece, "--track", "1", "--soloist",
                                                             played, "--score-view", "score.jpg"},
                               out, err),
              kExitUsage);
}

}  // namespace
}  // namespace ostinel::cli
