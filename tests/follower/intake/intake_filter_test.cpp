#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "intake_test_rig.h"

namespace ostinel {
namespace {

using testing::Bytes;
using testing::IntakeRig;
using testing::Word;

class IntakeFilterTest : public ::testing::Test {
  protected:
    void SetUp() override { rig.Follow(FollowingOptions{}); }

    // Recorded events as (kind, key, velocity).
    std::vector<std::array<std::uint8_t, 3>> RecordedMessages() {
        std::vector<std::array<std::uint8_t, 3>> messages;
        for (const TrackEvent& e : rig.Recorded())
            messages.push_back({e.kind, e.data1, e.data2});
        return messages;
    }

    void At(platform::ClockMs t, std::uint32_t word, int port = 0) {
        rig.midi.clock.Set(t);
        rig.Send(word, port);
    }

    IntakeRig rig;
};

// ---- re-strike filter -----------------------------------------------------

TEST_F(IntakeFilterTest, KeyStruckAgain49MsAfterReleaseIsDroppedWithItsRelease) {
    At(platform::ClockMs{1000}, Word(0x90, 60, 100));
    At(platform::ClockMs{1100}, Word(0x80, 60, 0));
    At(platform::ClockMs{1149}, Word(0x90, 60, 90));
    At(platform::ClockMs{1180}, Word(0x80, 60, 0));
    EXPECT_EQ(RecordedMessages(),
              (std::vector<std::array<std::uint8_t, 3>>{{0x90, 60, 100}, {0x80, 60, 0}}));
    EXPECT_EQ(rig.receiver.Notes().size(), 1u);
}

TEST_F(IntakeFilterTest, KeyStruckAgain50MsAfterReleasePassesWithItsRelease) {
    At(platform::ClockMs{1000}, Word(0x90, 60, 100));
    At(platform::ClockMs{1100}, Word(0x80, 60, 0));
    At(platform::ClockMs{1150}, Word(0x90, 60, 90));
    At(platform::ClockMs{1180}, Word(0x80, 60, 0));
    EXPECT_EQ(RecordedMessages(),
              (std::vector<std::array<std::uint8_t, 3>>{
                  {0x90, 60, 100}, {0x80, 60, 0}, {0x90, 60, 90}, {0x80, 60, 0}}));
    EXPECT_EQ(rig.receiver.Notes().size(), 2u);
}

TEST_F(IntakeFilterTest, AKeyNeverReleasedIsTakenInTheClocksFirstMilliseconds) {
    At(platform::ClockMs{10}, Word(0x90, 60, 100));
    At(platform::ClockMs{30}, Word(0x90, 62, 100));
    EXPECT_EQ(RecordedMessages(),
              (std::vector<std::array<std::uint8_t, 3>>{{0x90, 60, 100}, {0x90, 62, 100}}));
    EXPECT_EQ(rig.receiver.Notes().size(), 2u);
}

TEST_F(IntakeFilterTest, SecondReleaseWithoutAStrikeBetweenIsDropped) {
    At(platform::ClockMs{1000}, Word(0x80, 64, 0));
    At(platform::ClockMs{1300}, Word(0x80, 64, 0));
    EXPECT_EQ(RecordedMessages(), (std::vector<std::array<std::uint8_t, 3>>{{0x80, 64, 0}}));
}

TEST_F(IntakeFilterTest, ReleaseTimesAreKeptPerPortChannelAndKey) {
    At(platform::ClockMs{1000}, Word(0x80, 60, 0));
    At(platform::ClockMs{1010}, Word(0x90, 60, 100));     // 10 ms after the release: dropped
    At(platform::ClockMs{1010}, Word(0x91, 60, 100));     // another channel
    At(platform::ClockMs{1010}, Word(0x90, 60, 100), 1);  // another port
    At(platform::ClockMs{1010}, Word(0x90, 61, 100));     // another key
    const std::vector<testing::RecordingReceiver::Note> notes = rig.receiver.Notes();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[2].word, Word(0x90, 61, 100));
}

// ---- velocity 0 -----------------------------------------------------------

TEST_F(IntakeFilterTest, NoteOnWithVelocityZeroIsANoteOffEverywhere) {
    rig.remote.SetTable([] {
        RemoteTable table = DefaultRemoteTable();
        table[static_cast<std::size_t>(TransportRequest::Stop)] = NoteBinding(36);
        return table;
    }());
    OutputSettings output;
    output.thruOn = true;
    output.thruProcessFirst = true;
    rig.Follow(FollowingOptions{}, false, output);
    At(platform::ClockMs{1000}, Word(0x93, 60, 100));
    At(platform::ClockMs{1200}, Word(0x93, 60, 0));
    At(platform::ClockMs{1300},
       Word(0x93, 60, 0));  // a second release: the filter drops it like a note-off
    At(platform::ClockMs{1400}, Word(0x90, 36, 100));
    At(platform::ClockMs{1500}, Word(0x90, 36, 0));  // releases the remote key
    EXPECT_EQ(RecordedMessages(),
              (std::vector<std::array<std::uint8_t, 3>>{{0x90, 60, 100}, {0x80, 60, 0}}));
    EXPECT_EQ(rig.receiver.Notes().size(), 1u);
    EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{5}));
    EXPECT_EQ(rig.Thru(),
              (std::vector<Bytes>{
                  {0x90, 60, 100}, {0x80, 60, 0}, {0x80, 60, 0}, {0x90, 36, 100}, {0x80, 36, 0}}));
}

TEST_F(IntakeFilterTest, NoteOnWithVelocityZeroNeverTaps) {
    rig.Follow(testing::TapOptions(TapSource::AnyNote));
    rig.Send(Word(0x90, 60, 0));
    EXPECT_TRUE(rig.receiver.Taps().empty());
    rig.midi.clock.Advance(100);
    rig.Send(Word(0x90, 60, 64));
    EXPECT_EQ(rig.receiver.Taps(), (std::vector<Fixed16>{64 * 1024}));
}

// ---- channel filter -------------------------------------------------------

TEST_F(IntakeFilterTest, SwitchedOffChannelIsOnlyEchoed) {
    RemoteTable table = DefaultRemoteTable();
    table[0] = NoteBinding(60);
    rig.remote.SetTable(table);
    OutputSettings output;
    output.thruOn = true;
    rig.Follow(FollowingOptions{}, false, output);
    rig.midi.ports.SetChannelEnabled(0, 3, false);
    At(platform::ClockMs{1000}, Word(0x93, 60, 100));
    At(platform::ClockMs{1100}, Word(0x83, 60, 0));
    EXPECT_TRUE(rig.receiver.Notes().empty());
    EXPECT_TRUE(rig.Requests().empty());
    EXPECT_TRUE(RecordedMessages().empty());
    EXPECT_EQ(rig.Thru(), (std::vector<Bytes>{{0x93, 60, 100}, {0x83, 60, 0}}));
}

TEST_F(IntakeFilterTest, SwitchedOffChannelEchoedAsReceivedWhenProcessingFirst) {
    OutputSettings output;
    output.thruOn = true;
    output.thruProcessFirst = true;
    rig.Follow(FollowingOptions{}, false, output);
    rig.midi.ports.SetChannelEnabled(1, 5, false);
    rig.Send(Word(0x95, 62, 0), 1);
    EXPECT_EQ(rig.Thru(), (std::vector<Bytes>{{0x95, 62, 0}}));
    rig.Send(Word(0x95, 62, 0), 0);  // the same channel on another port is accepted
    EXPECT_EQ(rig.Thru().back(), (Bytes{0x80, 62, 0}));
}

// ---- system messages and thru ---------------------------------------------

TEST_F(IntakeFilterTest, SystemMessagesGoOnlyToThru) {
    RemoteTable table = DefaultRemoteTable();
    table[5] = NoteBinding(0);  // would match a data byte 0 if system messages were matched
    rig.remote.SetTable(table);
    OutputSettings output;
    output.thruOn = true;
    rig.Follow(FollowingOptions{}, false, output);
    PerformanceIntake::InputCallback(&rig.intake, 0, Bytes{0xF8}, platform::ClockMs{1000});
    PerformanceIntake::InputCallback(&rig.intake, 0, Bytes{0xF2, 0, 0}, platform::ClockMs{1001});
    // System exclusive is no short message: the intake ignores it, thru included.
    PerformanceIntake::InputCallback(&rig.intake, 0, Bytes{0xF0, 0x7E, 0xF7},
                                     platform::ClockMs{1002});
    EXPECT_EQ(rig.Thru(), (std::vector<Bytes>{{0xF8}, {0xF2, 0, 0}}));
    EXPECT_TRUE(rig.receiver.Notes().empty());
    EXPECT_TRUE(rig.Requests().empty());
    EXPECT_TRUE(RecordedMessages().empty());
}

TEST_F(IntakeFilterTest, ThruBeforeProcessingSendsTheWordAsReceived) {
    OutputSettings output;
    output.thruOn = true;
    rig.Follow(FollowingOptions{}, false, output);
    rig.intake.SetMasterTranspose(2);
    PerformanceIntake::InputCallback(&rig.intake, 0, Bytes{0x95, 62, 100}, platform::ClockMs{1000});
    PerformanceIntake::InputCallback(&rig.intake, 0, Bytes{0xC5, 7}, platform::ClockMs{1001});
    EXPECT_EQ(rig.Thru(), (std::vector<Bytes>{{0x95, 62, 100}, {0xC5, 7}}));
    EXPECT_EQ(rig.receiver.Notes().at(0).word, Word(0x90, 60, 100));
}

TEST_F(IntakeFilterTest, ThruAfterProcessingSendsTheEditedWord) {
    OutputSettings output;
    output.thruOn = true;
    output.thruProcessFirst = true;
    rig.Follow(FollowingOptions{}, false, output);
    rig.intake.SetMasterTranspose(2);
    At(platform::ClockMs{1000}, Word(0x95, 62, 100));
    At(platform::ClockMs{1100}, Word(0x95, 62, 0));
    At(platform::ClockMs{1200}, Word(0xB5, 64, 127));
    EXPECT_EQ(rig.Thru(), (std::vector<Bytes>{{0x90, 60, 100}, {0x80, 62, 0}, {0xB0, 64, 127}}));
}

TEST_F(IntakeFilterTest, ThruOffSendsNothing) {
    rig.Send(Word(0x90, 60, 100));
    rig.Send(Word(0xF8, 0, 0));
    EXPECT_TRUE(rig.Thru().empty());
}

TEST_F(IntakeFilterTest, WhileAPieceLoadsOnlyTheThruBeforeProcessingHappens) {
    OutputSettings output;
    output.thruOn = true;
    rig.Follow(FollowingOptions{}, false, output);
    rig.intake.SetInputBlocked(true);
    rig.Send(Word(0x90, 60, 100));
    EXPECT_EQ(rig.Thru(), (std::vector<Bytes>{{0x90, 60, 100}}));
    EXPECT_TRUE(rig.receiver.Notes().empty());

    output.thruProcessFirst = true;
    rig.Follow(FollowingOptions{}, false, output);
    rig.Send(Word(0x91, 61, 100));
    EXPECT_EQ(rig.Thru().size(), 1u);
    EXPECT_TRUE(RecordedMessages().empty());

    rig.intake.SetInputBlocked(false);
    rig.intake.Recording().Begin();
    rig.Send(Word(0x91, 61, 100));
    EXPECT_EQ(rig.receiver.Notes().size(), 1u);
}

}  // namespace
}  // namespace ostinel
