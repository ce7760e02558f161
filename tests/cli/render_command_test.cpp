#include "cli/render_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "cli/exit_codes.h"
#include "platform/real/synth/sound_font_search.h"
#include "sequence/piece.h"
#include "smf_builder.h"
#include "support/pickup_score.h"
#include "support/test_folder.h"

namespace ostinel::cli {
namespace {

namespace fs = std::filesystem;

class RenderCommand : public ::testing::Test {
  protected:
    std::string Write(const smf::Bytes& bytes) {
        const std::string path = (dir_ / "piece.mid").string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::string Out() const { return (dir_ / "out").string(); }

    int Run(std::vector<std::string_view> args) {
        out_.clear();
        err_.clear();
        return RunRenderCommand(args, out_, err_);
    }

    // The rendered file's note-on times (ms) per track name.
    std::map<std::string, std::vector<std::uint32_t>> NoteOnTimes(Piece& rendered) {
        std::map<std::string, std::vector<std::uint32_t>> times;
        EXPECT_EQ(OpenPiece(Out() + ".mid", rendered), LoadResult::Loaded);
        for (int i = 0; i < rendered.TrackCount(); ++i) {
            const Track& track = rendered.tracks[static_cast<std::size_t>(i)];
            auto& list = times[track.name];
            for (const TrackEvent& event : track.events)
                if ((event.kind & 0xF0) == kNoteOn && event.data2 > 0) list.push_back(event.time);
        }
        return times;
    }

    testing::TestFolder folder_{"ostinel-render"};
    const fs::path& dir_ = folder_.Path();
    std::string out_;
    std::string err_;
};

// Two tracks at 120 then 240 beats per minute from measure 2; the second
// strikes one key again before releasing it.
smf::Bytes TwoTracksWithATempoChange() {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).TimeSignature(0, 4, 2).Tempo(1920, 250000).EndOfTrack(1920);
    auto& melody = file.AddTrack();
    melody.TrackName(0, "Melody");
    for (int note = 0; note < 8; ++note)
        melody.NoteOn(note == 0 ? 0 : 240, 0, 60 + note, 90).NoteOff(240, 0, 60 + note);
    melody.EndOfTrack();
    file.AddTrack()
        .TrackName(0, "Bass")
        .ProgramChange(0, 1, 33)
        .NoteOn(0, 1, 36, 100)
        .NoteOn(960, 1, 36, 100)
        .NoteOff(960, 1, 36)
        .NoteOff(960, 1, 36)
        .EndOfTrack();
    return file.Build();
}

TEST_F(RenderCommand, EveryNoteArrivesAtItsMillisecondOnItsChannelsTrack) {
    const std::string piece = Write(TwoTracksWithATempoChange());
    ASSERT_EQ(Run({piece, "-o", Out(), "--no-wav"}), kExitSuccess) << err_;
    EXPECT_FALSE(fs::exists(Out() + ".wav"));
    Piece rendered;
    const auto times = NoteOnTimes(rendered);
    // 480 ticks a beat: 500 ms up to tick 1920 (2000 ms), 250 ms after.
    EXPECT_EQ(times.at("Port A, channel 1"),
              (std::vector<std::uint32_t>{0, 500, 1000, 1500, 2000, 2250, 2500, 2750}));
    EXPECT_EQ(times.at("Port A, channel 2"), (std::vector<std::uint32_t>{0, 1000}));
    // Every note-on is released: the overlapping strikes of one key included.
    for (int i = 0; i < rendered.TrackCount(); ++i) {
        std::map<int, int> sounding;
        for (const TrackEvent& event : rendered.tracks[static_cast<std::size_t>(i)].events) {
            const int kind = event.kind & 0xF0;
            if (kind == kNoteOn && event.data2 > 0) ++sounding[event.data1];
            if (kind == kNoteOff || (kind == kNoteOn && event.data2 == 0)) --sounding[event.data1];
        }
        for (const auto& [key, count] : sounding)
            EXPECT_EQ(count, 0) << "key " << key;
    }
    EXPECT_NE(out_.find("out.mid"), std::string::npos);
}

// As sequencers write them: format 0, every channel in one track, running
// status, note-ons of velocity 0 as releases, controllers and a bend between.
smf::Bytes SequencerStyleFormatZero(std::map<int, std::vector<std::uint32_t>>& expected) {
    smf::FileBuilder file(0, 96);
    auto& track = file.AddTrack();
    track.Tempo(0, 600000).TimeSignature(0, 3, 2);
    std::uint32_t tick = 0;
    std::uint32_t pending = 0;
    for (int step = 0; step < 48; ++step) {
        const int channel = step % 3 == 2 ? 9 : step % 3;
        const int key = 40 + (step * 7) % 30;
        track.NoteOn(pending, channel, key, 64 + step)
            .Running(24, {static_cast<std::uint8_t>(key), 0});
        if (step % 5 == 0)
            track.Controller(0, channel, 11, 100 - step).PitchWheel(0, channel, 8192 + step);
        // 96 ticks at 600 000 µs a quarter: 6.25 ticks per 39 ms; whole ms every 16 ticks.
        expected[channel].push_back(tick * 600000 / 96 / 1000);
        tick += 24 + 8;
        pending = 8;
    }
    track.EndOfTrack();
    return file.Build();
}

TEST_F(RenderCommand, AnOutputNamedWithItsExtensionIsWrittenUnderThatName) {
    const std::string piece = Write(TwoTracksWithATempoChange());
    ASSERT_EQ(Run({piece, "-o", Out() + ".mid", "--no-wav"}), kExitSuccess) << err_;
    EXPECT_TRUE(fs::exists(Out() + ".mid"));
    EXPECT_FALSE(fs::exists(Out() + ".mid.mid"));
    fs::remove(Out() + ".mid");
    ASSERT_EQ(Run({piece, "-o", Out() + ".WAV", "--no-wav"}), kExitSuccess) << err_;
    EXPECT_TRUE(fs::exists(Out() + ".mid"));
    EXPECT_FALSE(fs::exists(Out() + ".WAV.mid"));
    EXPECT_NE(out_.find("wrote " + Out() + ".mid"), std::string::npos);
}

TEST_F(RenderCommand, ASequencerStyleFileKeepsEveryNoteOfEveryChannel) {
    std::map<int, std::vector<std::uint32_t>> expected;
    const std::string piece = Write(SequencerStyleFormatZero(expected));
    ASSERT_EQ(Run({piece, "-o", Out(), "--no-wav"}), kExitSuccess) << err_;
    Piece rendered;
    const auto times = NoteOnTimes(rendered);
    for (const auto& [channel, onsets] : expected) {
        const std::string name = "Port A, channel " + std::to_string(channel + 1);
        ASSERT_EQ(times.count(name), 1u) << name;
        EXPECT_EQ(times.at(name), onsets) << name;
    }
}

TEST_F(RenderCommand, StartTempoAndMutesShapeTheSpan) {
    const std::string piece = Write(TwoTracksWithATempoChange());
    ASSERT_EQ(Run({piece, "-o", Out(), "--no-wav", "--start", "2:1", "--tempo", "50", "--mute", "2",
                   "--transpose", "12"}),
              kExitSuccess)
        << err_;
    Piece rendered;
    const auto times = NoteOnTimes(rendered);
    EXPECT_EQ(times.at("Port A, channel 1"), (std::vector<std::uint32_t>{0, 500, 1000, 1500}));
    // The muted track only hears the stop's sound-off.
    EXPECT_TRUE(times.at("Port A, channel 2").empty());
    const Track& melody = rendered.tracks[0];
    EXPECT_EQ(melody.events[0].data1, 64 + 12);
}

TEST_F(RenderCommand, ALoopPlaysItsBeatsOnceAndTheMetronomeClicksEachBeat) {
    const std::string piece = Write(TwoTracksWithATempoChange());
    ASSERT_EQ(Run({piece, "-o", Out(), "--no-wav", "--loop", "1:2-1:4", "--metronome"}),
              kExitSuccess)
        << err_;
    Piece rendered;
    const auto times = NoteOnTimes(rendered);
    // Beats 2 to 4 of measure 1 (500 ms a beat): the note on the loop's last
    // beat plays, the next beat's does not.
    EXPECT_EQ(times.at("Port A, channel 1"), (std::vector<std::uint32_t>{0, 500, 1000}));
    // Channel 10: the downbeat-less clicks of beats 2, 3 and 4, other-beat note 77.
    ASSERT_EQ(times.count("Port A, channel 10"), 1u);
    EXPECT_EQ(times.at("Port A, channel 10"), (std::vector<std::uint32_t>{0, 500, 1000}));
    for (const Track& track : rendered.tracks) {
        if (track.name != "Port A, channel 10") continue;
        for (const TrackEvent& event : track.events) {
            if ((event.kind & 0xF0) == kNoteOn && event.data2 > 0) {
                EXPECT_EQ(event.data1, 77);
            }
        }
    }
}

TEST_F(RenderCommand, BadArgumentsAndBadFilesAreRefusedWithTheirCodes) {
    const std::string piece = Write(TwoTracksWithATempoChange());
    EXPECT_EQ(Run({piece}), kExitUsage);
    EXPECT_NE(err_.find("-o OUT"), std::string::npos);
    EXPECT_EQ(Run({piece, "-o", Out(), "--tempo", "0"}), kExitUsage);
    EXPECT_EQ(Run({piece, "-o", Out(), "--loud"}), kExitUsage);
    EXPECT_EQ(Run({piece, "-o", Out(), "--start", "9:1"}), kExitUsage);
    EXPECT_NE(err_.find("no beat 1 in measure 9"), std::string::npos);
    EXPECT_EQ(Run({piece, "-o", Out(), "--mute", "3"}), kExitUsage);
    EXPECT_EQ(Run({piece, "-o", Out(), "--loop", "1:3-1:2"}), kExitUsage);
    EXPECT_NE(err_.find("end after it begins"), std::string::npos);
    EXPECT_EQ(Run({piece, "-o", Out(), "--loop", "1:1-7:1"}), kExitUsage);
    EXPECT_NE(err_.find("no beat 1 in measure 7"), std::string::npos);
    EXPECT_EQ(Run({piece, "-o", Out(), "--loop", "1:1"}), kExitUsage);
    EXPECT_EQ(Run({piece, "-o", Out(), "--restart-after", "2"}), kExitUsage);
    EXPECT_EQ(Run({(dir_ / "missing.mid").string(), "-o", Out()}),
              kExitLoadFailureBase + static_cast<int>(LoadResult::NotFound));
    EXPECT_EQ(Run({piece, "-o", (dir_ / "no" / "such" / "dir" / "out").string(), "--no-wav"}),
              kExitOutputFailed);
    EXPECT_FALSE(fs::exists(Out() + ".mid"));
}

TEST_F(RenderCommand, AScoresPickupIsMeasureZeroAndAMidiFileHasNone) {
    const std::string text = testing::kPickupScore;
    const std::string score =
        folder_.Write("pickup.musicxml", std::vector<std::uint8_t>(text.begin(), text.end()));
    ASSERT_EQ(Run({score, "-o", Out(), "--no-wav", "--start", "0"}), kExitSuccess) << err_;
    Piece rendered;
    EXPECT_EQ(NoteOnTimes(rendered).at("Port A, channel 1"),
              (std::vector<std::uint32_t>{0, 1000, 5000}));
    ASSERT_EQ(Run({score, "-o", Out(), "--no-wav", "--start", "1:1"}), kExitSuccess) << err_;
    EXPECT_EQ(NoteOnTimes(rendered).at("Port A, channel 1"), (std::vector<std::uint32_t>{0, 4000}));
    EXPECT_EQ(Run({Write(TwoTracksWithATempoChange()), "-o", Out(), "--no-wav", "--start", "0"}),
              kExitUsage);
    EXPECT_NE(err_.find("no beat 1 in measure 0"), std::string::npos);
}

TEST_F(RenderCommand, TheWavHoldsTheSpanAndItsTail) {
    if (platform::FindSoundFont("", platform::kSystemSoundsFolder).path.empty())
        GTEST_SKIP() << "no SoundFont on this machine";
    const std::string piece = Write(TwoTracksWithATempoChange());
    ASSERT_EQ(Run({piece, "-o", Out()}), kExitSuccess) << err_;
    // 16-bit stereo at 44.1 kHz: about three seconds of music and two of tail.
    const auto bytes = fs::file_size(Out() + ".wav");
    EXPECT_GT(bytes, 44u + 4u * 44100u * 4u);
    EXPECT_LT(bytes, 44u + 4u * 44100u * 7u);
}

}  // namespace
}  // namespace ostinel::cli
