// The per-track patch table that program changes are entered into.

#include <gtest/gtest.h>

#include <vector>

#include "piece_loading.h"

namespace ostinel {
namespace {

Track LoadTrack(const smf::TrackBuilder& track) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().EndOfTrack();
    file.AddTrack().RawBytes(track.Events());
    Piece piece;
    EXPECT_EQ(testing::LoadFile(file, piece), LoadResult::Loaded);
    return piece.tracks.empty() ? Track{} : piece.tracks[0];
}

std::vector<int> ProgramIndexes(const Track& track) {
    std::vector<int> indexes;
    for (const TrackEvent& event : track.events) {
        if (event.kind == kProgramChange) indexes.push_back(event.data1);
    }
    return indexes;
}

Patch FilePatch(const Track& track, int index) {
    return track.patches.entries.at(static_cast<std::size_t>(index)).file;
}

TEST(PiecePatchTable, SameProgramTwiceUsesOneEntry) {
    smf::TrackBuilder track;
    track.ProgramChange(0, 0, 40).ProgramChange(0, 0, 41).NoteOn(0, 0, 60, 1);
    track.ProgramChange(0, 0, 40).EndOfTrack();
    const Track loaded = LoadTrack(track);
    ASSERT_EQ(loaded.patches.count, 2);
    EXPECT_EQ(FilePatch(loaded, 0), (Patch{PatchKind::Program, {40, 0, 0}}));
    EXPECT_EQ(FilePatch(loaded, 1), (Patch{PatchKind::Program, {41, 0, 0}}));
    EXPECT_EQ(ProgramIndexes(loaded), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(loaded.patches.entries[0].substitute.kind, PatchKind::None);
}

TEST(PiecePatchTable, BankControllersSeenBeforeChooseTheKind) {
    smf::TrackBuilder track;
    track.Controller(0, 0, 0, 3)
        .ProgramChange(0, 0, 5)
        .Controller(0, 0, 32, 9)
        .ProgramChange(0, 0, 5)
        .Controller(0, 0, 0, 4)
        .ProgramChange(0, 0, 6)
        .EndOfTrack();
    const Track loaded = LoadTrack(track);
    ASSERT_EQ(loaded.patches.count, 3);
    EXPECT_EQ(FilePatch(loaded, 0), (Patch{PatchKind::Bank0Program, {3, 5, 0}}));
    EXPECT_EQ(FilePatch(loaded, 1), (Patch{PatchKind::Bank0Bank32Program, {3, 9, 5}}));
    EXPECT_EQ(FilePatch(loaded, 2), (Patch{PatchKind::Bank0Bank32Program, {4, 9, 6}}));
    EXPECT_EQ(loaded.events.size(), 6u) << "bank controllers stay events of their own";
}

TEST(PiecePatchTable, OnlyController32GivesKindThree) {
    smf::TrackBuilder track;
    track.Controller(0, 0, 32, 2).ProgramChange(0, 0, 17).EndOfTrack();
    const Track loaded = LoadTrack(track);
    EXPECT_EQ(FilePatch(loaded, 0), (Patch{PatchKind::Bank32Program, {2, 17, 0}}));
}

TEST(PiecePatchTable, BankValuesBelongToTheirChannelInASplitFile) {
    smf::FileBuilder file(0, 480);
    file.AddTrack()
        .Controller(0, 1, 0, 8)
        .ProgramChange(0, 0, 5)
        .ProgramChange(0, 1, 5)
        .EndOfTrack();
    Piece piece;
    ASSERT_EQ(testing::LoadFile(file, piece), LoadResult::Loaded);
    EXPECT_EQ(FilePatch(piece.tracks[0], 0), (Patch{PatchKind::Program, {5, 0, 0}}));
    EXPECT_EQ(FilePatch(piece.tracks[1], 0), (Patch{PatchKind::Bank0Program, {8, 5, 0}}));
}

TEST(PiecePatchTable, HighProgramFollowedAtOnceByALowOneIsOneSelection) {
    smf::TrackBuilder track;
    track.ProgramChange(0, 0, 110).ProgramChange(0, 0, 5).NoteOn(0, 0, 60, 1).EndOfTrack();
    const Track loaded = LoadTrack(track);
    ASSERT_EQ(loaded.patches.count, 1);
    EXPECT_EQ(FilePatch(loaded, 0), (Patch{PatchKind::HighProgramThenProgram, {110, 5, 0}}));
    EXPECT_EQ(ProgramIndexes(loaded), (std::vector<int>{0, 0}));
}

TEST(PiecePatchTable, PairIsNotJoinedAcrossAnotherEventOrWithBanks) {
    smf::TrackBuilder separated;
    separated.ProgramChange(0, 0, 110).NoteOn(0, 0, 60, 1).ProgramChange(0, 0, 5).EndOfTrack();
    EXPECT_EQ(LoadTrack(separated).patches.count, 2);

    smf::TrackBuilder banked;
    banked.Controller(0, 0, 0, 1).ProgramChange(0, 0, 110).ProgramChange(0, 0, 5).EndOfTrack();
    EXPECT_EQ(LoadTrack(banked).patches.count, 2);

    smf::TrackBuilder twoHigh;
    twoHigh.ProgramChange(0, 0, 110).ProgramChange(0, 0, 120).EndOfTrack();
    EXPECT_EQ(LoadTrack(twoHigh).patches.count, 2);
}

TEST(PiecePatchTable, RepeatedPairReusesItsEntry) {
    smf::TrackBuilder track;
    track.ProgramChange(0, 0, 110).ProgramChange(0, 0, 5).NoteOn(0, 0, 60, 1);
    track.ProgramChange(0, 0, 110).ProgramChange(0, 0, 5).EndOfTrack();
    const Track loaded = LoadTrack(track);
    ASSERT_EQ(loaded.patches.count, 1);
    EXPECT_EQ(ProgramIndexes(loaded), (std::vector<int>{0, 0, 0, 0}));
}

TEST(PiecePatchTable, EarlierSelectionsOfAJoinedEntryFollowItIntoThePair) {
    // The high program is selected on its own first; when it is later joined
    // into a pair that the table already holds, its earlier selections must
    // not be left pointing past the table.
    smf::TrackBuilder track;
    track.ProgramChange(0, 0, 110).ProgramChange(0, 0, 5).NoteOn(0, 0, 60, 1);
    track.ProgramChange(0, 0, 110).NoteOn(0, 0, 60, 1);
    track.ProgramChange(0, 0, 110).ProgramChange(0, 0, 5).EndOfTrack();
    const Track loaded = LoadTrack(track);
    ASSERT_EQ(loaded.patches.count, 1);
    EXPECT_EQ(ProgramIndexes(loaded), (std::vector<int>{0, 0, 0, 0, 0}));
}

TEST(PiecePatchTable, PairTakesTheRemovedEntrysPlace) {
    smf::TrackBuilder track;
    track.ProgramChange(0, 0, 1).ProgramChange(0, 0, 2).ProgramChange(0, 0, 100).ProgramChange(0, 0,
                                                                                               3);
    track.ProgramChange(0, 0, 4).EndOfTrack();
    const Track loaded = LoadTrack(track);
    ASSERT_EQ(loaded.patches.count, 4);
    EXPECT_EQ(FilePatch(loaded, 2), (Patch{PatchKind::HighProgramThenProgram, {100, 3, 0}}));
    EXPECT_EQ(FilePatch(loaded, 3), (Patch{PatchKind::Program, {4, 0, 0}}));
    EXPECT_EQ(ProgramIndexes(loaded), (std::vector<int>{0, 1, 2, 2, 3}));
}

TEST(PiecePatchTable, SelectionsBeyondThirtyTwoPatchesAreLeftOut) {
    smf::TrackBuilder track;
    for (int program = 0; program < 40; ++program) {
        track.ProgramChange(0, 0, program).NoteOn(0, 0, 60, 1);
    }
    track.ProgramChange(0, 0, 3).EndOfTrack();
    const Track loaded = LoadTrack(track);
    ASSERT_EQ(loaded.patches.count, kMaxPatchEntries);
    EXPECT_EQ(FilePatch(loaded, 31), (Patch{PatchKind::Program, {31, 0, 0}}));
    const std::vector<int> indexes = ProgramIndexes(loaded);
    ASSERT_EQ(indexes.size(), 33u);
    EXPECT_EQ(indexes.back(), 3) << "a known patch is still selected after the table is full";
    EXPECT_EQ(loaded.events.size(), 40u + 33u) << "every note is kept";
}

}  // namespace
}  // namespace ostinel
