#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "intake_test_rig.h"

namespace ostinel {
namespace {

using testing::IntakeRig;
using testing::Word;

class RemoteControlTest : public ::testing::Test {
  protected:
    void Bind(TransportRequest request, std::int16_t binding) {
        RemoteTable table = rig.remote.Table();
        table[static_cast<std::size_t>(request)] = binding;
        rig.remote.SetTable(table);
    }
    void Press(std::uint8_t key, std::uint8_t status = 0x90) {
        rig.Send(Word(status, key, 100));
        rig.midi.clock.Advance(100);
    }
    void Release(std::uint8_t key, std::uint8_t status = 0x80) {
        rig.Send(Word(status, key, 0));
        rig.midi.clock.Advance(100);
    }

    IntakeRig rig;
};

TEST_F(RemoteControlTest, NoBindingByDefault) {
    EXPECT_EQ(DefaultRemoteTable(),
              (RemoteTable{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(rig.remote.Table(), DefaultRemoteTable());
    EXPECT_EQ(rig.remote.SpecialSignal(), kNoBinding);
}

TEST_F(RemoteControlTest, BoundKeyActsOnReleaseAndGoesNoFurther) {
    Bind(TransportRequest::Stop, NoteBinding(36));
    rig.Follow(FollowingOptions{});
    Press(36);
    EXPECT_TRUE(rig.Requests().empty());
    Release(36);
    EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{5}));
    EXPECT_TRUE(rig.receiver.Notes().empty());
    EXPECT_TRUE(rig.Recorded().empty());
}

TEST_F(RemoteControlTest, BoundKeyOnAnyChannel) {
    Bind(TransportRequest::JumpAhead, NoteBinding(48));
    Press(48, 0x9C);
    Release(48, 0x8C);
    EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{7}));
}

TEST_F(RemoteControlTest, PedalActsWhenBackAtRestAndStopsWhatItStarted) {
    Bind(TransportRequest::PlayAndFollow, ControllerBinding(64));
    rig.Send(Word(0xB0, 64, 127));
    rig.Send(Word(0xB0, 64, 30));
    EXPECT_TRUE(rig.Requests().empty());
    rig.Send(Word(0xB0, 64, 0));
    EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{0}));
    rig.transport.following = true;
    rig.Send(Word(0xB0, 64, 127));
    rig.Send(Word(0xB0, 64, 0));
    EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{5}));
    EXPECT_TRUE(rig.receiver.Notes().empty());
}

TEST_F(RemoteControlTest, RunningCommandsStopInsteadOfStartingAgain) {
    struct Case {
        TransportRequest request;
        std::atomic<bool> testing::FakeTransportStatus::*running;
    };
    const std::vector<Case> cases{
        {TransportRequest::PlayAndFollow, &testing::FakeTransportStatus::following},
        {TransportRequest::PlayFile, &testing::FakeTransportStatus::playingFile},
        {TransportRequest::PlayPerformance, &testing::FakeTransportStatus::playingPerformance},
        {TransportRequest::FastForward, &testing::FakeTransportStatus::fastForward},
        {TransportRequest::Rewind, &testing::FakeTransportStatus::rewinding},
    };
    for (const Case& c : cases) {
        rig.remote.SetTable(DefaultRemoteTable());
        Bind(c.request, ControllerBinding(20));
        (rig.transport.*c.running) = true;
        rig.Send(Word(0xB0, 20, 0));
        (rig.transport.*c.running) = false;
        rig.Send(Word(0xB0, 20, 0));
        EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{5, TransportRequestCode(c.request)}));
    }
}

TEST_F(RemoteControlTest, OtherCommandsPostTheirCodeEvenWhilePlaying) {
    rig.transport.following = true;
    rig.transport.playingFile = true;
    for (int code = 5; code < kRemoteCommandCount; ++code) {
        RemoteTable table = DefaultRemoteTable();
        table[static_cast<std::size_t>(code)] = NoteBinding(code + 40);
        rig.remote.SetTable(table);
        rig.Send(Word(0x80, static_cast<std::uint8_t>(code + 40), 0));
        rig.midi.clock.Advance(100);
    }
    EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(RemoteControlTest, FirstBoundEntryWins) {
    RemoteTable table = DefaultRemoteTable();
    table[3] = NoteBinding(50);
    table[8] = NoteBinding(50);
    rig.remote.SetTable(table);
    Release(50);
    EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{3}));
}

TEST_F(RemoteControlTest, NoteAndControllerOfTheSameNumberAreDifferentBindings) {
    Bind(TransportRequest::Preview, NoteBinding(60));
    Bind(TransportRequest::Rewind, ControllerBinding(60));
    rig.Send(Word(0xB0, 60, 0));
    Release(60);
    EXPECT_EQ(rig.Requests(), (std::vector<std::int16_t>{4, 6}));
}

TEST_F(RemoteControlTest, SpecialSignalIsNoCommand) {
    RemoteTable table = DefaultRemoteTable();
    table[kSpecialSignalEntry] = NoteBinding(70);
    rig.remote.SetTable(table);
    EXPECT_EQ(rig.remote.SpecialSignal(), 70);
    rig.intake.SetInputMode(InputMode::InputAwaitStart);
    Press(70);
    Release(70);
    EXPECT_TRUE(rig.Requests().empty());
    EXPECT_EQ(rig.receiver.Notes().size(), 1u);
}

TEST_F(RemoteControlTest, NothingTriggersWhileADialogIsOpen) {
    Bind(TransportRequest::Stop, NoteBinding(36));
    rig.Follow(FollowingOptions{});
    rig.intake.SetInputDialogOpen(true);
    Press(36);
    Release(36);
    Press(40);
    EXPECT_TRUE(rig.Requests().empty());
    EXPECT_TRUE(rig.receiver.Notes().empty());
    EXPECT_TRUE(rig.Recorded().empty());
}

// ---- learning -------------------------------------------------------------

struct Learner {
    static void Hear(void* context, std::uint32_t word) {
        static_cast<Learner*>(context)->words.push_back(word);
    }
    std::vector<std::uint32_t> words;
};

TEST_F(RemoteControlTest, LearningDialogHearsThePlayedNoteAndNothingElseDoes) {
    Bind(TransportRequest::Stop, NoteBinding(36));
    Learner learner;
    rig.intake.SetInputDialogOpen(true);
    rig.intake.SetInputMode(InputMode::InputLearn);
    rig.intake.SetLearnCallback(&Learner::Hear, &learner);
    Press(36, 0x93);
    Release(36, 0x93);  // a velocity-0 note-on, heard as a note-off
    rig.Send(Word(0xB5, 64, 127));
    EXPECT_EQ(learner.words, (std::vector<std::uint32_t>{Word(0x90, 36, 100), Word(0x80, 36, 0),
                                                         Word(0xB0, 64, 127)}));
    EXPECT_TRUE(rig.Requests().empty());
    EXPECT_TRUE(rig.receiver.Notes().empty());
}

TEST_F(RemoteControlTest, LearningNeedsTheModeAndACallback) {
    Learner learner;
    rig.intake.SetInputDialogOpen(true);
    rig.intake.SetLearnCallback(&Learner::Hear, &learner);
    rig.intake.SetInputMode(InputMode::InputIdle);
    Press(60);
    rig.intake.SetInputMode(InputMode::InputLearn);
    Press(61);
    rig.intake.ClearLearnCallback();
    Press(62);
    EXPECT_EQ(learner.words, (std::vector<std::uint32_t>{Word(0x90, 61, 100)}));
}

TEST_F(RemoteControlTest, LearningSkipsFilteredMessages) {
    Learner learner;
    rig.intake.SetInputDialogOpen(true);
    rig.intake.SetInputMode(InputMode::InputLearn);
    rig.intake.SetLearnCallback(&Learner::Hear, &learner);
    rig.midi.ports.SetChannelEnabled(0, 2, false);
    rig.Send(Word(0x92, 60, 100));
    rig.Send(Word(0xF8));
    EXPECT_TRUE(learner.words.empty());
}

}  // namespace
}  // namespace ostinel
