#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string_view>

#include "strings/string_ids.h"

namespace ostinel {
namespace {

TEST(CommandLine, EmptyAsksForNothing) {
    const CommandLineReading reading = ReadCommandLine("");
    EXPECT_EQ(reading.outcome, CommandLineOutcome::Nothing);
    EXPECT_EQ(reading.errorStringId, 0);
    EXPECT_TRUE(reading.startFile.empty());
}

TEST(CommandLine, BlankRefusesTheWholeLineWithOneFileAtATime) {
    for (const std::string_view text :
         {"/home/me/My Songs/song.mid", "a.mid b.mid", " ", "song.mid ", " song.mid"}) {
        const CommandLineReading reading = ReadCommandLine(text);
        EXPECT_EQ(reading.outcome, CommandLineOutcome::HasBlank) << text;
        EXPECT_EQ(reading.errorStringId, string_id::kOneFileAtATime) << text;
        EXPECT_EQ(reading.errorStringId, 2019) << text;
        EXPECT_TRUE(reading.startFile.empty()) << text;
    }
}

TEST(CommandLine, MidNameInAnyCaseBecomesTheStartFile) {
    for (const std::string_view text :
         {"SONG.MID", "song.mid", "Song.Mid", "/home/me/songs/waltz.mID", "a.mid", ".mid"}) {
        const CommandLineReading reading = ReadCommandLine(text);
        EXPECT_EQ(reading.outcome, CommandLineOutcome::StartFile) << text;
        EXPECT_EQ(reading.startFile, text);
        EXPECT_EQ(reading.errorStringId, 0) << text;
    }
}

TEST(CommandLine, AMusicXmlScoreIsOpened) {
    for (const char* text : {"waltz.musicxml", "/scores/Waltz.XML", "waltz.mxl"}) {
        const CommandLineReading reading = ReadCommandLine(text);
        EXPECT_EQ(reading.outcome, CommandLineOutcome::StartFile) << text;
        EXPECT_EQ(reading.startFile, text);
    }
}

TEST(CommandLine, OtherNamesAreIgnoredWithoutMessage) {
    for (const std::string_view text :
         {"song.smf", ".smf", "song.midi", "song.mid.txt", "mid", "song_mid", "a.mi", "song.kar",
          "score.musicxml.txt", "score.mx"}) {
        const CommandLineReading reading = ReadCommandLine(text);
        EXPECT_EQ(reading.outcome, CommandLineOutcome::Ignored) << text;
        EXPECT_EQ(reading.errorStringId, 0) << text;
        EXPECT_TRUE(reading.startFile.empty()) << text;
    }
}

TEST(CommandLine, OnlyTheSpaceCountsAsBlank) {
    // A tab is a character of the name, not a separator between names.
    EXPECT_EQ(ReadCommandLine("my\tsong.mid").outcome, CommandLineOutcome::StartFile);
}

}  // namespace
}  // namespace ostinel
