#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "intake_test_rig.h"

namespace ostinel {
namespace {

using testing::IntakeRig;
using testing::TapOptions;
using testing::Word;

class IntakeRecordTest : public ::testing::Test {
  protected:
    std::vector<std::uint8_t> RecordedKeys() {
        std::vector<std::uint8_t> keys;
        for (const TrackEvent& e : rig.Recorded())
            keys.push_back(e.data1);
        return keys;
    }

    IntakeRig rig;
};

TEST_F(IntakeRecordTest, FollowingThePlayingRecordsEachMessageWithItsClockTime) {
    rig.Follow(FollowingOptions{});
    rig.intake.HandleMidiInput(Word(0x92, 60, 100), platform::ClockMs{5000}, 0);
    rig.intake.HandleMidiInput(Word(0xE2, 0, 64), platform::ClockMs{5010}, 0);
    const std::vector<TrackEvent> events = rig.Recorded();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].time, 5000u);
    EXPECT_EQ(events[0].kind, 0x90);
    EXPECT_EQ(events[0].data1, 60);
    EXPECT_EQ(events[0].data2, 100);
    EXPECT_EQ(events[0].mark, 1);
    EXPECT_EQ(events[1].kind, 0xE0);
}

TEST_F(IntakeRecordTest, IdleModesRecordNothing) {
    for (InputMode mode : {InputMode::InputIdle, InputMode::InputAwaitStart}) {
        rig.Follow(FollowingOptions{});
        rig.intake.SetInputMode(mode);
        rig.Send(Word(0xB0, 1, 1));
        EXPECT_TRUE(rig.Recorded().empty()) << static_cast<int>(mode);
    }
}

TEST_F(IntakeRecordTest, KeyTappingRecordsOnlyWhenTappedNotesPlay) {
    rig.Follow(TapOptions(TapSource::SpaceBar), false);
    rig.Send(Word(0x90, 60, 100));
    EXPECT_TRUE(rig.Recorded().empty());
    rig.Follow(TapOptions(TapSource::SpaceBar), true);
    rig.Send(Word(0x90, 62, 100));
    EXPECT_EQ(RecordedKeys(), (std::vector<std::uint8_t>{62}));
}

TEST_F(IntakeRecordTest, MidiTappingRecordsEverythingButTheTaps) {
    rig.Follow(TapOptions(TapSource::Note, 60), true);
    rig.Send(Word(0x90, 60, 100));  // the tap
    rig.Send(Word(0x90, 62, 100));
    rig.Send(Word(0x80, 60, 0));  // a release is no tap
    rig.Send(Word(0xB0, 64, 127));
    EXPECT_EQ(RecordedKeys(), (std::vector<std::uint8_t>{62, 60, 64}));

    rig.Follow(TapOptions(TapSource::AnyController), true);
    rig.Send(Word(0xB0, 64, 0));
    rig.Send(Word(0xB0, 123, 0));  // not a tapping controller
    rig.Send(Word(0x90, 40, 100));
    EXPECT_EQ(RecordedKeys(), (std::vector<std::uint8_t>{123, 40}));
}

TEST_F(IntakeRecordTest, MidiTappingWithoutTappedNotesRecordsNothing) {
    rig.Follow(TapOptions(TapSource::Note, 60), false);
    rig.Send(Word(0x90, 62, 100));
    EXPECT_TRUE(rig.Recorded().empty());
}

TEST_F(IntakeRecordTest, FullRecordingDropsOnlyTheRecording) {
    rig.Follow(FollowingOptions{});
    for (int i = 0; i <= PerformanceRecording::kStartCapacity; ++i)
        rig.Send(Word(0xB0, static_cast<std::uint8_t>(i & 0x7F), 1));
    EXPECT_EQ(rig.intake.Recording().Count(), PerformanceRecording::kStartCapacity);
    EXPECT_EQ(rig.receiver.Notes().size(),
              static_cast<std::size_t>(PerformanceRecording::kStartCapacity + 1));
}

TEST_F(IntakeRecordTest, IdlePassGrowsTheRoomAheadOfNeed) {
    PerformanceRecording& recording = rig.intake.Recording();
    rig.Follow(FollowingOptions{});
    const std::int32_t roomyEnough =
        PerformanceRecording::kStartCapacity - PerformanceRecording::kHeadroom;
    for (int i = 0; i < roomyEnough; ++i)
        rig.Send(Word(0xB0, 7, 1));
    EXPECT_EQ(recording.MakeRoom(), PerformanceRecording::RoomResult::Enough);
    rig.Send(Word(0xB0, 7, 2));
    EXPECT_EQ(recording.MakeRoom(), PerformanceRecording::RoomResult::Grown);
    EXPECT_EQ(recording.Capacity(),
              PerformanceRecording::kStartCapacity + PerformanceRecording::kGrowth);
    for (int i = 0; i < 5000; ++i)
        rig.Send(Word(0xB0, 7, 3));
    const std::vector<TrackEvent> events = rig.Recorded();
    ASSERT_EQ(events.size(), static_cast<std::size_t>(roomyEnough + 1 + 5000));
    EXPECT_EQ(events[static_cast<std::size_t>(roomyEnough)].data2, 2);
    EXPECT_EQ(events.back().data2, 3);
    EXPECT_FALSE(recording.Failed());
}

TEST_F(IntakeRecordTest, StoppingTrimsThePerformanceTrackToTheRecording) {
    const FollowingOptions options;
    rig.Follow(options);
    rig.Send(Word(0x90, 60, 90));
    rig.intake.LeaveFollowing(options);
    EXPECT_EQ(rig.intake.Mode(), InputMode::InputAwaitStart);
    rig.Send(Word(0x90, 61, 90));  // after the stop: not recorded
    Track track;
    track.events.resize(4096);
    ASSERT_TRUE(rig.intake.Recording().MoveInto(track));
    EXPECT_EQ(track.events.size(), 1u);
    EXPECT_EQ(track.count, 1);
    EXPECT_EQ(track.nextIndex, 1);
}

// ---- master transpose -----------------------------------------------------

TEST_F(IntakeRecordTest, MasterTransposeIsUndoneForTheFollowerOnly) {
    rig.Follow(FollowingOptions{});
    rig.intake.SetMasterTranspose(2);
    rig.transport.position = ScorePosition{1234};
    rig.Send(Word(0x90, 62, 100));
    rig.Send(Word(0xB0, 62, 100));  // controllers keep their number
    EXPECT_EQ(rig.receiver.Notes(), (std::vector<testing::RecordingReceiver::Note>{
                                        {Word(0x90, 60, 100), ScorePosition{1234}},
                                        {Word(0xB0, 62, 100), ScorePosition{1234}}}));
    EXPECT_EQ(RecordedKeys(), (std::vector<std::uint8_t>{62, 62}));
}

TEST_F(IntakeRecordTest, RemoteControlMatchesTheKeyAsPlayed) {
    RemoteTable table = DefaultRemoteTable();
    table[static_cast<std::size_t>(TransportRequest::Metronome)] = NoteBinding(62);
    rig.remote.SetTable(table);
    rig.Follow(FollowingOptions{});
    rig.intake.SetMasterTranspose(2);
    rig.Send(Word(0x90, 62, 100));
    rig.midi.clock.Advance(100);
    rig.Send(Word(0x80, 62, 0));
    EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{10}));
    EXPECT_TRUE(rig.receiver.Notes().empty());
}

TEST_F(IntakeRecordTest, TransposeWrapsInEightBits) {
    rig.Follow(FollowingOptions{});
    rig.intake.SetMasterTranspose(2);
    rig.Send(Word(0x90, 1, 100));
    rig.intake.SetMasterTranspose(-1);
    rig.Send(Word(0x90, 127, 100));
    const std::vector<testing::RecordingReceiver::Note> notes = rig.receiver.Notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].word, Word(0x90, 255, 100));
    EXPECT_EQ(notes[1].word, Word(0x90, 128, 100));
}

TEST_F(IntakeRecordTest, NothingReachesTheFollowerWhileAFileOrPerformancePlays) {
    rig.intake.SetInputMode(InputMode::InputAwaitStart);
    rig.transport.playingFile = true;
    rig.Send(Word(0x90, 60, 100));
    rig.transport.playingFile = false;
    rig.transport.playingPerformance = true;
    rig.Send(Word(0x90, 61, 100));
    EXPECT_TRUE(rig.receiver.Notes().empty());
    rig.transport.playingPerformance = false;
    rig.Send(Word(0x90, 62, 100));
    rig.Send(Word(0xA0, 62, 100));  // only notes and controllers are offered
    EXPECT_EQ(rig.receiver.Notes().size(), 1u);
}

}  // namespace
}  // namespace ostinel
