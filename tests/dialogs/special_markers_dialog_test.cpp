#include "dialogs/special_markers_dialog.h"
#include "dialog_fixture.h"
#include "dialogs/beat_lookup.h"
#include "dialogs/ignore_soloist_range_dialog.h"
#include "dialogs/marker_texts.h"

namespace ostinel::testing {
namespace {

using dialogs::BeatRange;
using dialogs::MarkerList;
using dialogs::MeasureBeat;
using Texts = std::vector<std::string>;

TEST(MarkerTextsTest, PlacesAndRangesAreZeroPaddedAndReadBack) {
    EXPECT_EQ(dialogs::FormatMarker({12, 3}), "0012:03");
    EXPECT_EQ(dialogs::FormatMarkerRange({{3, 1}, {5, 1}}), "0003:01-0005:01");
    EXPECT_EQ(dialogs::ParseMarker("0012:03"), (MeasureBeat{12, 3}));
    EXPECT_EQ(dialogs::ParseMarkerRange("0003:01-0005:01"), (BeatRange{{3, 1}, {5, 1}}));
    EXPECT_EQ(dialogs::ParseMarker(dialogs::FormatMarker({12345, 7})), (MeasureBeat{12345, 7}));
    EXPECT_FALSE(dialogs::ParseMarker("0012"));
    EXPECT_FALSE(dialogs::ParseMarker("0012:"));
    EXPECT_FALSE(dialogs::ParseMarker("00a2:03"));
    EXPECT_FALSE(dialogs::ParseMarkerRange("0003:01"));
    EXPECT_FALSE(dialogs::ParseMarkerRange("0003:01-0005"));
    // Sorting the texts sorts the places.
    EXPECT_LT(dialogs::FormatMarker({9, 4}), dialogs::FormatMarker({10, 1}));
}

class SpecialMarkersTest : public DialogTest {
  protected:
    ScorePosition At(int measure, int beat) {
        const auto position = dialogs::BeatPosition(GetPiece().beatMap, measure, beat);
        EXPECT_TRUE(position.has_value()) << measure << ":" << beat;
        return position.value_or(ScorePosition{});
    }

    // New and Change answer with the queued places and ranges, and note
    // what they were offered.
    void StandIn(dialogs::SpecialMarkersDialog& dialog) {
        dialog.SetPlaceAsker([this](MeasureBeat proposed) -> std::optional<MeasureBeat> {
            offeredPlaces.push_back(proposed);
            if (places.empty()) return std::nullopt;
            const auto next = places.front();
            places.erase(places.begin());
            return next;
        });
        dialog.SetRangeAsker([this](BeatRange proposed) -> std::optional<BeatRange> {
            offeredRanges.push_back(proposed);
            if (ranges.empty()) return std::nullopt;
            const auto next = ranges.front();
            ranges.erase(ranges.begin());
            return next;
        });
    }

    std::vector<std::optional<MeasureBeat>> places;
    std::vector<std::optional<BeatRange>> ranges;
    std::vector<MeasureBeat> offeredPlaces;
    std::vector<BeatRange> offeredRanges;
};

TEST_F(SpecialMarkersTest, TextsBackToMarkersMergeOverlappingAndTouchingRanges) {
    dialogs::MarkerTexts texts;
    texts[0] = {"0002:01"};
    texts[4] = {"0003:01-0005:01", "0005:01-0007:01", "0009:01-0010:01"};
    SpecialMarkers markers = dialogs::MarkersOfTexts(texts, GetPiece().beatMap);
    EXPECT_EQ(markers.rehearsalPoints, std::vector<ScorePosition>{At(2, 1)});
    ASSERT_EQ(markers.ignoreSoloist.size(), 2U);
    EXPECT_EQ(markers.ignoreSoloist[0].start, ScorePosition{At(3, 1)});
    EXPECT_EQ(markers.ignoreSoloist[0].end, ScorePosition{At(7, 1)});
    texts[4] = {"0003:01-0008:01", "0004:01-0005:01"};
    markers = dialogs::MarkersOfTexts(texts, GetPiece().beatMap);
    ASSERT_EQ(markers.ignoreSoloist.size(), 1U);
    EXPECT_EQ(markers.ignoreSoloist[0].start, ScorePosition{At(3, 1)});
    EXPECT_EQ(markers.ignoreSoloist[0].end, ScorePosition{At(8, 1)});
    EXPECT_EQ(dialogs::TextsOfMarkers(markers, GetPiece().beatMap)[4], Texts{"0003:01-0008:01"});
}

TEST_F(SpecialMarkersTest, AddingTheSamePlaceTwiceKeepsOneEntry) {
    dialogs::SpecialMarkersDialog dialog(context_);
    StandIn(dialog);
    places = {MeasureBeat{5, 1}, MeasureBeat{5, 1}, MeasureBeat{2, 3}};
    for (int i = 0; i < 3; ++i) {
        QTest::mouseClick(dialog.NewButton(MarkerList::WaitForSoloist), Qt::LeftButton);
    }
    EXPECT_EQ(dialog.Texts(MarkerList::WaitForSoloist), (Texts{"0002:03", "0005:01"}));
    EXPECT_TRUE(dialog.Texts(MarkerList::RehearsalPoints).empty());
    // Cancel in the asked dialog adds nothing.
    QTest::mouseClick(dialog.NewButton(MarkerList::WaitForSoloist), Qt::LeftButton);
    EXPECT_EQ(dialog.Texts(MarkerList::WaitForSoloist).size(), 2U);
    EXPECT_EQ(context_.helpTopic, dialogs::SpecialMarkersDialog::kHelpTopic);
}

TEST_F(SpecialMarkersTest, NewProposesTheBeatAtOrBeforeTheSongPosition) {
    engine_.GetTransport().JumpTo(At(4, 2) + 10);
    ASSERT_EQ(dialogs::BeatAt(GetPiece().beatMap, engine_.GetTransport().Position()).measure, 4);
    dialogs::SpecialMarkersDialog dialog(context_);
    StandIn(dialog);
    QTest::mouseClick(dialog.NewButton(MarkerList::RestoreTempo), Qt::LeftButton);
    QTest::mouseClick(dialog.NewButton(MarkerList::IgnoreSoloist), Qt::LeftButton);
    ASSERT_EQ(offeredPlaces.size(), 1U);
    EXPECT_EQ(offeredPlaces[0], (MeasureBeat{4, 2}));
    ASSERT_EQ(offeredRanges.size(), 1U);
    EXPECT_EQ(offeredRanges[0], (BeatRange{{4, 2}, {4, 2}}));
}

TEST_F(SpecialMarkersTest, ChangeOffersTheSelectedEntryAndReplacesItWithoutDuplicates) {
    SpecialMarkers markers;
    markers.waitForSignal = {At(2, 1), At(3, 1)};
    ASSERT_TRUE(engine_.SetSpecialMarkers(markers));
    dialogs::SpecialMarkersDialog dialog(context_);
    StandIn(dialog);
    QListWidget* list = dialog.List(MarkerList::WaitForSignal);
    EXPECT_FALSE(dialog.ChangeButton(MarkerList::WaitForSignal)->isEnabled());
    list->setCurrentRow(0);
    EXPECT_TRUE(dialog.ChangeButton(MarkerList::WaitForSignal)->isEnabled());
    places = {MeasureBeat{6, 2}};
    QTest::mouseClick(dialog.ChangeButton(MarkerList::WaitForSignal), Qt::LeftButton);
    ASSERT_EQ(offeredPlaces.size(), 1U);
    EXPECT_EQ(offeredPlaces[0], (MeasureBeat{2, 1}));
    EXPECT_EQ(dialog.Texts(MarkerList::WaitForSignal), (Texts{"0003:01", "0006:02"}));
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("0006:02"));
    places = {MeasureBeat{3, 1}};
    QTest::mouseClick(dialog.ChangeButton(MarkerList::WaitForSignal), Qt::LeftButton);
    EXPECT_EQ(dialog.Texts(MarkerList::WaitForSignal), (Texts{"0003:01"}));
}

TEST_F(SpecialMarkersTest, DeleteSelectsTheEntryThatMovedUpElseTheNewLast) {
    SpecialMarkers markers;
    markers.rehearsalPoints = {At(2, 1), At(3, 1), At(4, 1)};
    ASSERT_TRUE(engine_.SetSpecialMarkers(markers));
    dialogs::SpecialMarkersDialog dialog(context_);
    QListWidget* list = dialog.List(MarkerList::RehearsalPoints);
    QPushButton* remove = dialog.DeleteButton(MarkerList::RehearsalPoints);
    EXPECT_FALSE(remove->isEnabled());
    list->setCurrentRow(1);
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(dialog.Texts(MarkerList::RehearsalPoints), (Texts{"0002:01", "0004:01"}));
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("0004:01"));
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(list->currentItem()->text(), QStringLiteral("0002:01"));
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(remove->isEnabled());
}

TEST_F(SpecialMarkersTest, OkMergesTheIgnoreRangesAndStoresCancelKeeps) {
    SpecialMarkers old;
    old.restoreTempo = {At(9, 1)};
    ASSERT_TRUE(engine_.SetSpecialMarkers(old));
    const auto addAll = [this](dialogs::SpecialMarkersDialog& dialog) {
        StandIn(dialog);
        ranges = {BeatRange{{3, 1}, {5, 1}}, BeatRange{{5, 1}, {7, 1}}};
        places = {MeasureBeat{2, 1}};
        QTest::mouseClick(dialog.NewButton(MarkerList::IgnoreSoloist), Qt::LeftButton);
        QTest::mouseClick(dialog.NewButton(MarkerList::IgnoreSoloist), Qt::LeftButton);
        QTest::mouseClick(dialog.NewButton(MarkerList::RehearsalPoints), Qt::LeftButton);
    };
    {
        dialogs::SpecialMarkersDialog dialog(context_);
        EXPECT_EQ(dialog.Texts(MarkerList::RestoreTempo), Texts{"0009:01"});
        addAll(dialog);
        EXPECT_EQ(dialog.Texts(MarkerList::IgnoreSoloist),
                  (Texts{"0003:01-0005:01", "0005:01-0007:01"}));
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    }
    EXPECT_EQ(engine_.Markers().restoreTempo, old.restoreTempo);
    EXPECT_TRUE(engine_.Markers().rehearsalPoints.empty());
    EXPECT_TRUE(engine_.Markers().ignoreSoloist.empty());
    {
        dialogs::SpecialMarkersDialog dialog(context_);
        addAll(dialog);
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    }
    const SpecialMarkers& stored = engine_.Markers();
    EXPECT_EQ(stored.rehearsalPoints, std::vector<ScorePosition>{At(2, 1)});
    EXPECT_EQ(stored.restoreTempo, std::vector<ScorePosition>{At(9, 1)});
    ASSERT_EQ(stored.ignoreSoloist.size(), 1U);
    EXPECT_EQ(stored.ignoreSoloist[0].start, ScorePosition{At(3, 1)});
    EXPECT_EQ(stored.ignoreSoloist[0].end, ScorePosition{At(7, 1)});
    dialogs::SpecialMarkersDialog dialog(context_);
    EXPECT_EQ(dialog.Texts(MarkerList::IgnoreSoloist), Texts{"0003:01-0007:01"});
}

TEST_F(SpecialMarkersTest, ARangeNeedsTwoBeatsOfThePieceInOrder) {
    dialogs::IgnoreSoloistRangeDialog dialog(context_, BeatRange{{3, 1}, {3, 1}});
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.EndMeasureField(), QStringLiteral("5"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    Retype(dialog.BeginBeatField(), QStringLiteral("0"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.BeginBeatField(), QStringLiteral("9"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.BeginBeatField()->clear();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.BeginBeatField(), QStringLiteral("2"));
    Retype(dialog.BeginMeasureField(), QStringLiteral("6"));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    Retype(dialog.BeginMeasureField(), QStringLiteral("4"));
    EXPECT_EQ(beeper_.beeps, 0);
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.Chosen(), (BeatRange{{4, 2}, {5, 1}}));
}

}  // namespace
}  // namespace ostinel::testing
