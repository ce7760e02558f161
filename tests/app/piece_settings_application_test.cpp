#include "app/piece_settings_application.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/named_settings.h"
#include "settings/piece_settings_file.h"
#include "settings_test_rig.h"
#include "strings/string_ids.h"

namespace ostinel {
namespace {

using testing::EngineWithSettings;
using testing::Ensemble;
using testing::Message;

bool SameMarkers(const SpecialMarkers& a, const SpecialMarkers& b) {
    const auto sameRanges = [](const std::vector<ScoreRange>& x, const std::vector<ScoreRange>& y) {
        return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                          [](const ScoreRange& p, const ScoreRange& q) {
                              return p.start == q.start && p.end == q.end;
                          });
    };
    return a.rehearsalPoints == b.rehearsalPoints && a.waitForSoloist == b.waitForSoloist &&
           a.waitForSignal == b.waitForSignal && a.restoreTempo == b.restoreTempo &&
           sameRanges(a.ignoreSoloist, b.ignoreSoloist);
}

bool SameTracks(const std::vector<TrackSettingsBlock>& a,
                const std::vector<TrackSettingsBlock>& b) {
    return a == b;
}

class PieceSettingsApplication : public ::testing::Test {
  protected:
    void SetUp() override {
        named_.StartUp(false);
        path_ = folder_.Write("trio.mid", Ensemble(3));
        ASSERT_EQ(named_.OpenPiece(path_), LoadResult::Loaded);
    }

    Piece& ThePiece() { return *engine_.CurrentPiece(); }

    // Changes everything piece settings keep.
    void ChangeEverything() {
        Transport& transport = engine_.GetTransport();
        transport.SetMasterSettings({SpeedFactor{5000}, 128, 3});
        LoopSettings loop = transport.Loop();
        loop.begin = ScorePosition{500};
        loop.end = ScorePosition{1500};
        transport.SetLoopSettings(loop);
        FollowingOptions following = engine_.Following();
        following.followTrack1 = 2;
        following.followTrack2 = 1;
        following.twoFollowTracks = true;
        ASSERT_TRUE(engine_.SetFollowingOptions(following));
        PerformanceSettings performance = transport.Performance();
        performance.useFollowingTrackSound = false;
        engine_.SetPerformanceSettings(performance);
        Track& track = ThePiece().tracks[1];
        track.volume = 100;
        track.channel = 7;
        track.transpose = -5;
        track.port = 3;
        track.substituteFlag = 1;
        track.patches.entries[1].substitute = Patch{PatchKind::Bank0Program, {1, 2, 0}};
        track.userName = "Strings";
        transport.SetTrackPlaying(2, false);
        ThePiece().PerformanceTrack().volume = 300;
        engine_.DisplayName() = "Evening Song";
        SpecialMarkers markers;
        markers.rehearsalPoints = {ScorePosition{1000}};
        markers.waitForSoloist = {ScorePosition{1500}};
        markers.waitForSignal = {ScorePosition{2000}};
        markers.restoreTempo = {ScorePosition{2500}};
        markers.ignoreSoloist = {{ScorePosition{3000}, ScorePosition{3500}}};
        ASSERT_TRUE(engine_.SetSpecialMarkers(markers));
        PieceSettings& record = engine_.PieceRecord();
        record.viewOrder = {7, 6, 5, 4, 3, 2, 1, 0};
        record.viewPlace[3] = {-40, 25};
        record.viewShown[5] = 0;
    }

    testing::TestFolder folder_{"ostinel-piece-settings"};
    platform::MemorySettingsStore store_;
    EngineWithSettings rig_{store_};
    Engine& engine_ = rig_.engine;
    NamedSettings named_{engine_};
    std::string path_;
};

TEST_F(PieceSettingsApplication, APieceWithoutStoredSettingsOpensWithTheDefaults) {
    const PieceSettingsEntry opened = CapturePieceSettings(engine_);
    EXPECT_EQ(opened.settings, DefaultPieceSettings(ThePiece().length));
    EXPECT_EQ(opened.tracks.size(), 4u);
    EXPECT_EQ(opened.tracks[2].channel, 2);
    EXPECT_TRUE(opened.displayName.empty());
}

TEST_F(PieceSettingsApplication, StoredLoopPointsOutsideThePieceOpenAsItsDefaults) {
    PieceSettingsEntry stored = CapturePieceSettings(engine_);
    const auto length = ThePiece().length;
    const std::string beyond = folder_.Write("beyond.mid", Ensemble(3));
    stored.settings.loopBeginMs = 500;
    stored.settings.loopEndMs = length + 1;
    ASSERT_TRUE(StorePieceSettings(beyond, 0, std::nullopt, stored));
    const std::string reversed = folder_.Write("reversed.mid", Ensemble(3));
    stored.settings.loopBeginMs = 1500;
    stored.settings.loopEndMs = 1000;
    ASSERT_TRUE(StorePieceSettings(reversed, 0, std::nullopt, stored));
    for (const std::string& path : {beyond, reversed}) {
        ASSERT_EQ(named_.OpenPiece(path), LoadResult::Loaded);
        EXPECT_EQ(engine_.GetTransport().Loop().begin, ScorePosition{}) << path;
        EXPECT_EQ(engine_.GetTransport().Loop().end, static_cast<ScorePosition>(length)) << path;
    }
}

TEST_F(PieceSettingsApplication, AStoredSlotAppliedGivesBackWhatWasCaptured) {
    ChangeEverything();
    const PieceSettingsEntry changed = CapturePieceSettings(engine_);
    ASSERT_TRUE(StorePieceSettings(engine_, 1, "Concert"));
    DefaultPieceSettings(engine_, false);
    const PieceSettingsEntry defaults = CapturePieceSettings(engine_);
    EXPECT_NE(defaults.settings, changed.settings);
    EXPECT_FALSE(SameTracks(defaults.tracks, changed.tracks));
    EXPECT_EQ(ThePiece().tracks[1].channel, ThePiece().tracks[1].fileChannel);
    EXPECT_FALSE(ThePiece().tracks[1].userName.has_value());
    EXPECT_TRUE(SameMarkers(engine_.Markers(), SpecialMarkers{}));
    EXPECT_EQ(rig_.window.movedHome, 2);  // opening without stored settings, then here

    ASSERT_TRUE(ApplyPieceSettings(engine_, 1, false));
    const PieceSettingsEntry applied = CapturePieceSettings(engine_);
    EXPECT_EQ(applied.settings, changed.settings);
    EXPECT_TRUE(SameTracks(applied.tracks, changed.tracks));
    EXPECT_EQ(applied.displayName, "Evening Song");
    EXPECT_TRUE(SameMarkers(applied.markers, changed.markers));
    EXPECT_EQ(engine_.GetTransport().Master().speed, SpeedFactor{5000});
    EXPECT_EQ(ThePiece().tracks[2].playFlag, 0);
    EXPECT_EQ(rig_.window.viewOrder,
              (std::array<std::uint16_t, kViewCount>{7, 6, 5, 4, 3, 2, 1, 0}));
}

TEST_F(PieceSettingsApplication, RevertAfterDefaultUndoesTheDefaultsAndASecondRevertKeepsThem) {
    ChangeEverything();
    const PieceSettingsEntry changed = CapturePieceSettings(engine_);
    named_.DispatchSettingsCommand(settings_command::kDefaultPiece);
    EXPECT_NE(CapturePieceSettings(engine_).settings, changed.settings);
    named_.DispatchSettingsCommand(settings_command::kRevertPiece);
    EXPECT_EQ(CapturePieceSettings(engine_).settings, changed.settings);
    EXPECT_TRUE(SameTracks(CapturePieceSettings(engine_).tracks, changed.tracks));
    named_.DispatchSettingsCommand(settings_command::kRevertPiece);
    EXPECT_EQ(CapturePieceSettings(engine_).settings, changed.settings);
    EXPECT_TRUE(rig_.ui.shown.empty());
}

TEST_F(PieceSettingsApplication, OnlyTheTracksThatExistBothStoredAndInThePieceAreRestored) {
    // Stored for five tracks (and a performance track): the trio takes four blocks.
    PieceSettingsEntry wide = CapturePieceSettings(engine_);
    wide.tracks.resize(6);
    for (std::size_t t = 0; t < wide.tracks.size(); ++t)
        wide.tracks[t].volume = static_cast<std::uint16_t>(10 + t);
    ASSERT_TRUE(StorePieceSettings(path_, 1, "Wide", wide));
    ASSERT_TRUE(ApplyPieceSettings(engine_, 1, false));
    for (std::size_t t = 0; t < ThePiece().tracks.size(); ++t)
        EXPECT_EQ(ThePiece().tracks[t].volume, static_cast<std::int16_t>(10 + t));

    // Stored for one track: the others keep what they had.
    PieceSettingsEntry narrow = CapturePieceSettings(engine_);
    narrow.tracks.resize(1);
    narrow.tracks[0].volume = 77;
    ASSERT_TRUE(StorePieceSettings(path_, 2, "Narrow", narrow));
    ASSERT_TRUE(ApplyPieceSettings(engine_, 2, false));
    EXPECT_EQ(ThePiece().tracks[0].volume, 77);
    EXPECT_EQ(ThePiece().tracks[1].volume, 11);
    EXPECT_EQ(ThePiece().tracks[3].volume, 13);
}

TEST_F(PieceSettingsApplication, ASubstituteIsRestoredOnlyWhereThePieceHasAProgram) {
    PieceSettingsEntry entry = CapturePieceSettings(engine_);
    ASSERT_EQ(ThePiece().tracks[0].patches.count, 2);
    // Substitutes stored for entries 0, 1 and 2; the piece uses two entries.
    for (std::size_t i = 0; i < 3; ++i)
        entry.tracks[0].programTable[i * kProgramEntryBytes + 4] = 1;
    ASSERT_TRUE(StorePieceSettings(path_, 1, "Programs", entry));
    ASSERT_TRUE(ApplyPieceSettings(engine_, 1, false));
    const auto& entries = ThePiece().tracks[0].patches.entries;
    EXPECT_EQ(entries[0].substitute.kind, PatchKind::Program);
    EXPECT_EQ(entries[1].substitute.kind, PatchKind::Program);
    EXPECT_EQ(entries[2].substitute.kind, PatchKind::None);
}

TEST_F(PieceSettingsApplication, AFollowingTrackPastTheLastTrackAndABrokenViewOrderAreRepaired) {
    PieceSettingsEntry entry = CapturePieceSettings(engine_);
    entry.settings.followTrack1 = 3;  // the trio's track count
    entry.settings.followTrack2 = 2;
    entry.settings.viewOrder = {0, 0, 2, 3, 4, 5, 6, 7};
    ASSERT_TRUE(StorePieceSettings(path_, 1, "Broken", entry));
    ASSERT_TRUE(ApplyPieceSettings(engine_, 1, false));
    EXPECT_EQ(engine_.Following().followTrack1, 0);
    EXPECT_EQ(engine_.Following().followTrack2, 2);
    EXPECT_EQ(engine_.PieceRecord().viewOrder,
              (std::array<std::uint16_t, kViewCount>{0, 1, 2, 3, 4, 5, 6, 7}));

    entry.settings.viewOrder = {0, 1, 2, 3, 4, 5, 6, 8};
    ASSERT_TRUE(StorePieceSettings(path_, 1, std::nullopt, entry));
    ASSERT_TRUE(ApplyPieceSettings(engine_, 1, false));
    EXPECT_EQ(engine_.PieceRecord().viewOrder[7], 7);
}

TEST_F(PieceSettingsApplication, ViewsMoveToTheirStoredPlacesOnlyWhenLocationsAreRemembered) {
    PieceSettingsEntry entry = CapturePieceSettings(engine_);
    entry.settings.viewPlace[2] = {10, -20};
    ASSERT_TRUE(StorePieceSettings(path_, 1, "Places", entry));
    engine_.SystemRecord().rememberViewLocations = 0;
    ASSERT_TRUE(ApplyPieceSettings(engine_, 1, false));
    EXPECT_FALSE(rig_.window.placed.has_value());
    engine_.SystemRecord().rememberViewLocations = 1;
    ASSERT_TRUE(ApplyPieceSettings(engine_, 1, false));
    ASSERT_TRUE(rig_.window.placed.has_value());
    EXPECT_EQ((*rig_.window.placed)[2], (ViewPlace{10, -20}));
}

TEST_F(PieceSettingsApplication, AnEmptySlotFailsAndChangesNothing) {
    ChangeEverything();
    const PieceSettingsEntry before = CapturePieceSettings(engine_);
    EXPECT_FALSE(ApplyPieceSettings(engine_, 3, false));
    EXPECT_EQ(CapturePieceSettings(engine_).settings, before.settings);
    named_.DispatchSettingsCommand(settings_command::kLoadPieceSlot + 2);
    EXPECT_EQ(rig_.ui.shown, std::vector<std::string>{Message(string_id::kCannotLoadSettings)});
}

TEST_F(PieceSettingsApplication, OpeningAnotherFileKeepsTheFirstOnesSettingsForItsNextOpening) {
    ChangeEverything();
    const PieceSettingsEntry changed = CapturePieceSettings(engine_);
    const std::string other = folder_.Write("duo.mid", Ensemble(2));
    ASSERT_EQ(named_.OpenPiece(other), LoadResult::Loaded);
    EXPECT_EQ(CapturePieceSettings(engine_).settings, DefaultPieceSettings(ThePiece().length));
    EXPECT_TRUE(engine_.DisplayName().empty());
    ASSERT_EQ(named_.OpenPiece(path_), LoadResult::Loaded);
    EXPECT_EQ(CapturePieceSettings(engine_).settings, changed.settings);
    EXPECT_TRUE(SameTracks(CapturePieceSettings(engine_).tracks, changed.tracks));
    EXPECT_EQ(engine_.DisplayName(), "Evening Song");
}

TEST_F(PieceSettingsApplication,
       ARevertPointThatCannotBeWrittenIsReportedAndTheDefaultsStillApply) {
    ChangeEverything();
    // The piece stays in memory; its file is gone, so slot 0 cannot be written.
    std::filesystem::remove(path_);
    named_.DispatchSettingsCommand(settings_command::kDefaultPiece);
    EXPECT_EQ(rig_.ui.shown, std::vector<std::string>{Message(string_id::kCannotKeepRevertPoint)});
    EXPECT_EQ(engine_.GetTransport().Master().speed, kOwnTempoSpeed);
    named_.DispatchSettingsCommand(settings_command::kRevertPiece);
    EXPECT_EQ(rig_.ui.shown.back(), Message(string_id::kCannotRevertSettings));
}

}  // namespace
}  // namespace ostinel
