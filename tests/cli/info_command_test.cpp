#include "cli/info_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/piece_report.h"
#include "smf_builder.h"
#include "support/test_folder.h"

namespace ostinel::cli {
namespace {

namespace fs = std::filesystem;

class InfoCommand : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const smf::Bytes& bytes) {
        return folder_.Write(name, bytes);
    }

    int Run(std::vector<std::string_view> args) {
        out_.clear();
        err_.clear();
        return RunInfoCommand(args, out_, err_);
    }

    testing::TestFolder folder_{"ostinel-info"};
    const fs::path& dir_ = folder_.Path();
    std::string out_;
    std::string err_;
};

smf::Bytes SmallSong() {
    smf::FileBuilder file(1, 480);
    file.AddTrack()
        .TrackName(0, "Little Song")
        .Tempo(0, 500000)
        .TimeSignature(0, 3, 2)
        .KeySignature(0, -3, true)
        .Tempo(1440, 600000)
        .EndOfTrack();
    file.AddTrack()
        .TrackName(0, "Flute")
        .ProgramChange(0, 0, 73)
        .NoteOn(0, 0, 72, 100)
        .NoteOff(480, 0, 72)
        .NoteOn(960, 0, 74, 90)
        .NoteOff(480, 0, 74)
        .EndOfTrack();
    return file.Build();
}

TEST_F(InfoCommand, JsonHoldsEveryEventWithItsMillisecondTime) {
    const std::string path = Write("song.mid", SmallSong());
    ASSERT_EQ(Run({"--json", path}), kExitSuccess) << err_;
    EXPECT_NE(out_.find("\"result\": 0"), std::string::npos);
    EXPECT_NE(out_.find("\"format\": 1"), std::string::npos);
    EXPECT_NE(out_.find("\"division\": 480"), std::string::npos);
    EXPECT_NE(out_.find("\"name\": \"Flute\""), std::string::npos);
    // 500 000 µs a quarter for 1440 ticks (1500 ms), then 600 000 µs.
    EXPECT_NE(out_.find("[0, 192, 0, 0]"), std::string::npos);       // program change, entry 0
    EXPECT_NE(out_.find("[0, 144, 72, 100]"), std::string::npos);    // note on at 0 ms
    EXPECT_NE(out_.find("[500, 128, 72, 64]"), std::string::npos);   // note off at 500 ms
    EXPECT_NE(out_.find("[1500, 144, 74, 90]"), std::string::npos);  // at the tempo change
    EXPECT_NE(out_.find("[2100, 128, 74, 64]"), std::string::npos);  // 1500 + 480 ticks at 600 ms
    EXPECT_NE(out_.find("[1440, 1500000, 600000]"), std::string::npos);
    EXPECT_NE(out_.find("\"meters\": [\n    [0, 3, 2]"), std::string::npos);
    EXPECT_NE(out_.find("\"key_name\": \"C minor\""), std::string::npos);
}

TEST_F(InfoCommand, TextNamesTheTracksKeyAndTempo) {
    const std::string path = Write("song.mid", SmallSong());
    ASSERT_EQ(Run({path}), kExitSuccess) << err_;
    EXPECT_NE(out_.find("Key C minor"), std::string::npos) << out_;
    EXPECT_NE(out_.find("Flute"), std::string::npos);
    EXPECT_NE(out_.find("74 Flute"), std::string::npos);
    EXPECT_NE(out_.find("120 BPM"), std::string::npos);
    EXPECT_NE(out_.find("100 BPM"), std::string::npos);
    EXPECT_NE(out_.find("3/4"), std::string::npos);
}

TEST_F(InfoCommand, TheTempoIsGivenInTheMetersBeatsToo) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).TimeSignature(0, 3, 4).EndOfTrack();
    file.AddTrack().NoteOn(0, 0, 60, 90).NoteOff(480, 0, 60).EndOfTrack();
    const std::string path = Write("sixteenths.mid", file.Build());
    ASSERT_EQ(Run({path}), kExitSuccess) << err_;
    // 120 quarter notes a minute are 480 sixteenths.
    EXPECT_NE(out_.find("120 BPM  480 beats/min in 3/16"), std::string::npos) << out_;
}

TEST_F(InfoCommand, LoadFailuresGiveTheirMessageAndExitCode) {
    EXPECT_EQ(Run({(dir_ / "missing.mid").string()}), kExitLoadFailureBase + 5);
    EXPECT_NE(err_.find("The file was not found.  Perhaps"), std::string::npos) << err_;

    const std::string text = Write("notes.mid", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l'});
    EXPECT_EQ(Run({"--json", text}), kExitLoadFailureBase + 3);
    EXPECT_NE(err_.find("This file is in the wrong format or has been damaged."),
              std::string::npos);
    EXPECT_NE(out_.find("\"result\": 3"), std::string::npos);

    const std::string empty = Write("empty.mid", {});
    EXPECT_EQ(Run({empty}), kExitLoadFailureBase + 2);

    smf::FileBuilder conductorOnly(1, 96);
    conductorOnly.AddTrack().Tempo(0, 500000).EndOfTrack();
    EXPECT_EQ(Run({Write("conductor.mid", conductorOnly.Build())}), kExitLoadFailureBase + 6);
    EXPECT_NE(err_.find("no MIDI data except for system messages"), std::string::npos);

    smf::Bytes truncated = SmallSong();
    truncated.resize(truncated.size() - 10);
    EXPECT_EQ(Run({Write("cut.mid", truncated)}), kExitLoadFailureBase + 2);
}

TEST_F(InfoCommand, UsageErrors) {
    EXPECT_EQ(Run({}), kExitUsage);
    EXPECT_EQ(Run({"--loud", "a.mid"}), kExitUsage);
    EXPECT_EQ(Run({"a.mid", "b.mid"}), kExitUsage);
    EXPECT_EQ(Run({"--help"}), kExitSuccess);
    EXPECT_NE(out_.find("Usage: ostinel-cli info [--json] PIECE"), std::string::npos);
    EXPECT_NE(out_.find("MusicXML"), std::string::npos);
}

TEST(KeyName, CoversBothModesAndTheExtremes) {
    EXPECT_EQ(KeyName(-1), "");
    EXPECT_EQ(KeyName(0), "Cb major");
    EXPECT_EQ(KeyName(7), "C major");
    EXPECT_EQ(KeyName(9), "D major");
    EXPECT_EQ(KeyName(14), "C# major");
    EXPECT_EQ(KeyName(15), "Ab minor");
    EXPECT_EQ(KeyName(22), "A minor");
    EXPECT_EQ(KeyName(29), "A# minor");
}

}  // namespace
}  // namespace ostinel::cli
