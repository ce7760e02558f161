// MusicXML scores as pieces of the engine: opening them, refusing damaged
// ones, and keeping their settings in a MIDI file made from them.

#include <gtest/gtest.h>

#include "support/file_bytes.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/named_settings.h"
#include "app/piece_settings_application.h"
#include "settings/piece_settings_file.h"
#include "settings_test_rig.h"
#include "strings/string_ids.h"

namespace ostinel {
namespace {

using testing::EngineWithSettings;
using testing::Message;

constexpr char kScore[] =
    R"(<?xml version="1.0" encoding="UTF-8"?><score-partwise version="3.1">)"
    R"(<part-list><score-part id="P1"><part-name>Piano</part-name></score-part></part-list>)"
    R"(<part id="P1"><measure number="1"><attributes><divisions>1</divisions><staves>2</staves>)"
    R"(</attributes><note><pitch><step>E</step><octave>5</octave></pitch><duration>4</duration>)"
    R"(<staff>1</staff></note><backup><duration>4</duration></backup><note><pitch><step>C</step>)"
    R"(<octave>3</octave></pitch><duration>4</duration><staff>2</staff></note></measure></part>)"
    R"(</score-partwise>)";

using testing::Bytes;
using testing::ReadAll;

class ScorePiecesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        named_.StartUp(false);
        scorePath_ = folder_.Write("waltz.musicxml", Bytes(kScore));
    }

    testing::TestFolder folder_{"ostinel-score-pieces"};
    platform::MemorySettingsStore store_;
    EngineWithSettings rig_{store_};
    Engine& engine_ = rig_.engine;
    NamedSettings named_{engine_};
    std::string scorePath_;
};

TEST_F(ScorePiecesTest, AScoreOpensWithATrackForEachHand) {
    ASSERT_EQ(named_.OpenPiece(scorePath_), LoadResult::Loaded);
    const Piece* piece = engine_.CurrentPiece();
    ASSERT_NE(piece, nullptr);
    EXPECT_EQ(piece->title, "waltz");
    ASSERT_EQ(piece->TrackCount(), 2);
    EXPECT_EQ(piece->tracks[0].name, "Piano RH");
    EXPECT_EQ(piece->tracks[1].name, "Piano LH");
}

TEST_F(ScorePiecesTest, ADamagedScoreLeavesTheOpenPieceAsItWas) {
    ASSERT_EQ(engine_.OpenPiece(scorePath_), LoadResult::Loaded);
    const Piece* before = engine_.CurrentPiece();
    const std::string damaged = folder_.Write("damaged.musicxml", Bytes("<score-partwise><part"));
    EXPECT_EQ(engine_.OpenPiece(damaged), LoadResult::NotXml);
    EXPECT_EQ(engine_.CurrentPiece(), before);
    EXPECT_EQ(engine_.CurrentPiece()->path, scorePath_);
}

TEST_F(ScorePiecesTest, SavingSettingsOffersAMidiFileAndKeepsThemThere) {
    ASSERT_EQ(named_.OpenPiece(scorePath_), LoadResult::Loaded);
    const std::string midiPath = (folder_ / "waltz.mid").string();
    rig_.window.nextMidiFile = midiPath;
    rig_.window.nextName = "Slow practice";
    ASSERT_TRUE(named_.DispatchSettingsCommand(settings_command::kSavePieceAs));

    ASSERT_EQ(rig_.ui.asked.size(), 1u);
    EXPECT_EQ(rig_.ui.asked[0], Message(string_id::kSaveScoreAsMidiFirst));
    EXPECT_EQ(rig_.window.suggestedMidiFile, midiPath);
    EXPECT_EQ(engine_.CurrentPiece()->path, midiPath);
    EXPECT_EQ(ReadAll(scorePath_), Bytes(kScore)) << "the score itself is untouched";
    const std::optional<PieceSettingsStore> stored = ReadPieceSettingsStore(midiPath);
    ASSERT_TRUE(stored.has_value());
    EXPECT_TRUE(stored->SlotUsed(1));
    EXPECT_EQ(stored->SlotName(1), "Slow practice");
    // The file is the piece: opened again it gives the same two tracks.
    ASSERT_EQ(named_.OpenPiece(midiPath), LoadResult::Loaded);
    EXPECT_EQ(engine_.CurrentPiece()->TrackCount(), 2);
}

TEST_F(ScorePiecesTest, DecliningTheMidiFileSavesNothing) {
    ASSERT_EQ(named_.OpenPiece(scorePath_), LoadResult::Loaded);
    rig_.ui.confirm = false;
    rig_.window.nextMidiFile = (folder_ / "waltz.mid").string();
    rig_.window.nextName = "Never";
    ASSERT_TRUE(named_.DispatchSettingsCommand(settings_command::kSavePieceAs));
    EXPECT_FALSE(std::filesystem::exists(folder_ / "waltz.mid"));
    EXPECT_EQ(engine_.CurrentPiece()->path, scorePath_);
    EXPECT_TRUE(rig_.ui.shown.empty());
}

}  // namespace
}  // namespace ostinel
