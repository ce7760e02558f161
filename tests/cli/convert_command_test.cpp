#include "cli/convert_command.h"

#include <gtest/gtest.h>

#include "support/file_bytes.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/info_command.h"
#include "sequence/piece.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"
#include "support/test_folder.h"

namespace ostinel::cli {
namespace {

constexpr char kPianoScore[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><score-partwise version="3.1">)"
    R"(<part-list><score-part id="P1"><part-name>Piano</part-name></score-part></part-list>)"
    R"(<part id="P1"><measure number="1"><attributes><divisions>1</divisions><staves>2</staves>)"
    R"(</attributes><barline><repeat direction="forward"/></barline>)"
    R"(<note><pitch><step>E</step><octave>5</octave></pitch><duration>4</duration>)"
    R"(<staff>1</staff></note><backup><duration>4</duration></backup><note><pitch><step>C</step>)"
    R"(<octave>3</octave></pitch><duration>4</duration><staff>2</staff></note>)"
    R"(<barline location="right"><repeat direction="backward"/></barline></measure></part>)"
    R"(</score-partwise>)";

using testing::Bytes;
using testing::ReadAll;

class ConvertCommand : public ::testing::Test {
  protected:
    int Run(std::vector<std::string_view> args) {
        out_.clear();
        err_.clear();
        return RunConvertCommand(args, out_, err_);
    }

    testing::TestFolder folder_{"ostinel-convert"};
    std::string out_;
    std::string err_;
};

TEST_F(ConvertCommand, WritesAFormatOneFileWithATrackForEachHand) {
    const std::string score = folder_.Write("piece.musicxml", Bytes(kPianoScore));
    const std::string midi = (folder_ / "piece.mid").string();
    ASSERT_EQ(Run({score, "-o", midi}), kExitSuccess) << err_;
    const std::vector<std::uint8_t> bytes = ReadAll(midi);
    ASSERT_GE(bytes.size(), 14u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "MThd");
    EXPECT_EQ(bytes[9], 1) << "format 1";
    EXPECT_EQ(bytes[11], 3) << "conductor, right hand, left hand";

    // The file reads as the unfolded piece: the repeated measure twice.
    std::string out;
    std::string err;
    const std::string_view args[] = {midi};
    ASSERT_EQ(RunInfoCommand(args, out, err), kExitSuccess) << err;
    EXPECT_NE(out.find("Piano RH"), std::string::npos) << out;
    EXPECT_NE(out.find("Piano LH"), std::string::npos) << out;
    EXPECT_NE(out.find("(2 bars)"), std::string::npos) << out;
}

TEST_F(ConvertCommand, ADamagedScoreIsNamedWithItsMessageAndNothingIsWritten) {
    const std::string score = folder_.Write("broken.musicxml", Bytes("<score-partwise><part"));
    const std::string midi = (folder_ / "broken.mid").string();
    EXPECT_EQ(Run({score, "-o", midi}),
              kExitLoadFailureBase + static_cast<int>(LoadResult::NotXml));
    EXPECT_NE(err_.find(StringTable().Get(string_id::kNotXml)), std::string::npos) << err_;
    EXPECT_FALSE(std::filesystem::exists(midi));
}

TEST_F(ConvertCommand, WithoutAnOutputFileItIsAUsageError) {
    const std::string score = folder_.Write("piece.musicxml", Bytes(kPianoScore));
    EXPECT_EQ(Run({score}), kExitUsage);
    EXPECT_NE(err_.find("-o"), std::string::npos);
}

}  // namespace
}  // namespace ostinel::cli
