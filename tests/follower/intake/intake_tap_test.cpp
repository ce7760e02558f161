#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "intake_test_rig.h"

namespace ostinel {
namespace {

using testing::IntakeRig;
using testing::TapOptions;
using testing::Word;

class IntakeTapTest : public ::testing::Test {
  protected:
    std::size_t Taps() const { return rig.receiver.TapCount(); }

    IntakeRig rig;
};

// ---- taps from MIDI -------------------------------------------------------

TEST_F(IntakeTapTest, PlayAndFollowSetsTheModeForTheSource) {
    struct Case {
        FollowingOptions options;
        InputMode mode;
    };
    const std::vector<Case> cases{
        {FollowingOptions{}, InputMode::InputFollowPlaying},
        {TapOptions(TapSource::SpaceBar), InputMode::InputTapKey},
        {TapOptions(TapSource::RightMouseButton), InputMode::InputTapKey},
        {TapOptions(TapSource::Note, 60), InputMode::InputTapMidi},
        {TapOptions(TapSource::AnyNote), InputMode::InputTapMidi},
        {TapOptions(TapSource::Controller, kNoTapValue, 64), InputMode::InputTapMidi},
        {TapOptions(TapSource::AnyController), InputMode::InputTapMidi},
    };
    for (const Case& c : cases) {
        rig.intake.SetInputMode(InputMode::InputIdle);
        rig.Follow(c.options);
        EXPECT_EQ(rig.intake.Mode(), c.mode) << static_cast<int>(c.options.tapSource);
        rig.intake.LeaveFollowing(c.options);
    }
}

TEST_F(IntakeTapTest, ControllersFrom122OnNeverTap) {
    rig.Follow(TapOptions(TapSource::AnyController));
    for (std::uint8_t controller = 122; controller < 128; ++controller)
        rig.Send(Word(0xB0, controller, 127));
    EXPECT_EQ(Taps(), 0u);
    rig.Send(Word(0xB0, 121, 127));
    EXPECT_EQ(Taps(), 1u);
}

TEST_F(IntakeTapTest, PedalTapsAbove72AndRearmsBelow56) {
    rig.Follow(TapOptions(TapSource::AnyController));
    rig.Send(Word(0xB0, 64, 72));
    EXPECT_EQ(Taps(), 0u);
    rig.Send(Word(0xB0, 64, 73));
    EXPECT_EQ(Taps(), 1u);
    rig.Send(Word(0xB0, 64, 127));
    rig.Send(Word(0xB0, 64, 56));  // not yet at rest
    rig.Send(Word(0xB0, 64, 100));
    EXPECT_EQ(Taps(), 1u);
    rig.Send(Word(0xB0, 64, 55));
    rig.Send(Word(0xB0, 64, 73));
    EXPECT_EQ(rig.receiver.Taps(), (std::vector<Fixed16>{0, 0}));
}

TEST_F(IntakeTapTest, EachControllerHasItsOwnLatch) {
    rig.Follow(TapOptions(TapSource::AnyController));
    rig.Send(Word(0xB0, 64, 127));
    rig.Send(Word(0xB0, 67, 127));
    EXPECT_EQ(Taps(), 2u);
}

TEST_F(IntakeTapTest, GivenControllerOnlyTapsWithThatController) {
    rig.Follow(TapOptions(TapSource::Controller, kNoTapValue, 67));
    rig.Send(Word(0xB3, 64, 127));
    EXPECT_EQ(Taps(), 0u);
    rig.Send(Word(0xB3, 67, 127));
    EXPECT_EQ(Taps(), 1u);
    EXPECT_TRUE(rig.receiver.Notes().empty());  // taps never reach the follower as notes
}

TEST_F(IntakeTapTest, PlayAndFollowClearsALatchLeftSet) {
    const FollowingOptions options = TapOptions(TapSource::Controller, kNoTapValue, 64);
    rig.Follow(options);
    rig.Send(Word(0xB0, 64, 127));
    rig.intake.LeaveFollowing(options);
    rig.Follow(options);  // the pedal is still down, but the latch starts clear
    rig.Send(Word(0xB0, 64, 127));
    EXPECT_EQ(Taps(), 2u);
}

TEST_F(IntakeTapTest, NoteTapsCarryTheVelocityAsStrength) {
    rig.Follow(TapOptions(TapSource::Note, 60));
    rig.Send(Word(0x90, 61, 100));
    rig.Send(Word(0x90, 60, 64));
    rig.Send(Word(0x90, 60, 0));
    rig.midi.clock.Advance(100);
    rig.Send(Word(0x90, 60, 127));
    EXPECT_EQ(rig.receiver.Taps(), (std::vector<Fixed16>{0x10000, 127 * 1024}));
}

TEST_F(IntakeTapTest, AnyNoteTaps) {
    rig.Follow(TapOptions(TapSource::AnyNote));
    rig.Send(Word(0x90, 30, 10));
    rig.Send(Word(0x9F, 90, 20));
    rig.Send(Word(0xB0, 64, 127));
    EXPECT_EQ(rig.receiver.Taps(), (std::vector<Fixed16>{10 * 1024, 20 * 1024}));
}

// ---- taps from the keys ---------------------------------------------------

TEST_F(IntakeTapTest, SpaceBarTapsOncePerPress) {
    rig.Follow(TapOptions(TapSource::SpaceBar));
    rig.midi.timers.Advance(10);
    EXPECT_EQ(Taps(), 0u);
    rig.keys.SetSpaceBarDown(true);
    rig.midi.timers.Advance(2);
    EXPECT_EQ(Taps(), 1u);
    rig.midi.timers.Advance(50);  // held
    EXPECT_EQ(Taps(), 1u);
    rig.keys.SetSpaceBarDown(false);
    rig.midi.timers.Advance(2);
    rig.keys.SetSpaceBarDown(true);
    rig.midi.timers.Advance(2);
    EXPECT_EQ(rig.receiver.Taps(), (std::vector<Fixed16>{0, 0}));
}

TEST_F(IntakeTapTest, KeyHeldWhenFollowingStartsDoesNotTap) {
    rig.keys.SetSpaceBarDown(true);
    rig.Follow(TapOptions(TapSource::SpaceBar));
    rig.midi.timers.Advance(20);
    EXPECT_EQ(Taps(), 0u);
    rig.keys.SetSpaceBarDown(false);
    rig.midi.timers.Advance(2);
    rig.keys.SetSpaceBarDown(true);
    rig.midi.timers.Advance(2);
    EXPECT_EQ(Taps(), 1u);
}

TEST_F(IntakeTapTest, RightMouseButtonSourceIgnoresTheSpaceBar) {
    rig.Follow(TapOptions(TapSource::RightMouseButton));
    rig.keys.SetSpaceBarDown(true);
    rig.midi.timers.Advance(10);
    EXPECT_EQ(Taps(), 0u);
    rig.keys.SetRightButtonDown(true);
    rig.midi.timers.Advance(2);
    EXPECT_EQ(Taps(), 1u);
}

TEST_F(IntakeTapTest, PollerRunsEvery2MsUntilFollowingStops) {
    const FollowingOptions options = TapOptions(TapSource::SpaceBar);
    rig.Follow(options);
    rig.midi.timers.Advance(2);  // the first poll finds the key up and arms the latch
    rig.midi.timers.Advance(1);
    rig.keys.SetSpaceBarDown(true);
    rig.midi.timers.Advance(1);  // the second poll, 4 ms after the start
    EXPECT_EQ(Taps(), 1u);
    rig.intake.LeaveFollowing(options);
    EXPECT_EQ(rig.intake.Mode(), InputMode::InputIdle);
    rig.keys.SetSpaceBarDown(false);
    rig.midi.timers.Advance(10);
    rig.keys.SetSpaceBarDown(true);
    rig.midi.timers.Advance(10);
    EXPECT_EQ(Taps(), 1u);
    EXPECT_EQ(rig.midi.timers.PendingCount(), 0u);
}

TEST_F(IntakeTapTest, PollerEndsWhenTheModeLeavesKeyTapping) {
    rig.Follow(TapOptions(TapSource::SpaceBar));
    rig.midi.timers.Advance(4);
    rig.intake.SetInputMode(InputMode::InputAwaitStart);  // as a follower's jump sets it
    rig.keys.SetSpaceBarDown(true);
    rig.midi.timers.Advance(10);
    EXPECT_EQ(Taps(), 0u);
    EXPECT_EQ(rig.midi.timers.PendingCount(), 0u);
}

TEST_F(IntakeTapTest, MidiDoesNotTapWhileTheKeysTap) {
    rig.Follow(TapOptions(TapSource::SpaceBar));
    rig.Send(Word(0x90, 60, 100));
    rig.Send(Word(0xB0, 64, 127));
    EXPECT_EQ(Taps(), 0u);
}

}  // namespace
}  // namespace ostinel
