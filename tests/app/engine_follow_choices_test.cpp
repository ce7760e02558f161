// The Following dialog's choices of where the soloist may go and what they
// play, with either following method.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "following_rig.h"
#include "smf_builder.h"

namespace ostinel {
namespace {

// The soloist plays six notes as written, leaves out notes 6 to `resumeAt` - 1
// and goes on from there; returns how far the accompaniment stands when
// they play note `resumeAt` + 5.
class JumpingChoice : public testing::FollowingRig {
  protected:
    ScorePosition PositionAfterASkip(bool jumping, bool severalBeatsOnly, int resumeAt) {
        FollowingOptions options = engine_.Following();
        options.jumpEnabled = jumping;
        options.jumpSeveralBeatsOnly = severalBeatsOnly;
        EXPECT_TRUE(engine_.SetFollowingOptions(options));
        Transport& transport = engine_.GetTransport();
        transport.JumpTo(ScorePosition{0});
        transport.PlayAndFollow();
        PlayNotes(0, 6, 200, 300);
        PlayNotes(resumeAt, resumeAt + 5, 200, 300);
        Play(resumeAt + 5);
        RunTo(clock_.Now() + 50);
        EXPECT_TRUE(transport.Mode().following);
        const ScorePosition position = transport.Position();
        transport.Stop();
        return position;
    }
};

TEST_P(JumpingChoice, AnywhereFollowsTheSoloistFarAhead) {
    EXPECT_NEAR(PositionAfterASkip(true, false, 14).Ms(), 19 * 500 + 50, 60);
}

TEST_P(JumpingChoice, SeveralBeatsFollowsTheSoloistOnlyNearby) {
    EXPECT_NEAR(PositionAfterASkip(true, true, 9).Ms(), 14 * 500 + 50, 60);
    EXPECT_LT(PositionAfterASkip(true, true, 14), ScorePosition{19 * 500 - 1000});
}

TEST_P(JumpingChoice, OffFollowsNoSkip) {
    EXPECT_LT(PositionAfterASkip(false, false, 14), ScorePosition{19 * 500 - 1000});
}

// The right hand plays beats 0-3 and 12-23, the left hand beats 4-11 while
// the right rests; an accompaniment on every beat.
constexpr int kLeftHandChannel = 2;

bool LeftHandBeat(int i) {
    return i >= 4 && i < 12;
}

std::uint8_t HandKey(int i) {
    return LeftHandBeat(i) ? static_cast<std::uint8_t>(36 + i) : testing::MelodyKey(i);
}

smf::Bytes TwoHands() {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).TimeSignature(0, 4, 2).EndOfTrack();
    auto& right = file.AddTrack();
    auto& left = file.AddTrack();
    auto& accompaniment = file.AddTrack();
    std::uint32_t rightTick = 0;
    std::uint32_t leftTick = 0;
    for (int i = 0; i < testing::kNotes; ++i) {
        const bool leftHand = LeftHandBeat(i);
        auto& hand = leftHand ? left : right;
        std::uint32_t& handTick = leftHand ? leftTick : rightTick;
        const int channel = leftHand ? kLeftHandChannel : testing::kSoloistChannel;
        const auto beat = static_cast<std::uint32_t>(i) * 480;
        hand.NoteOn(beat - handTick, channel, HandKey(i), 80).NoteOff(240, channel, HandKey(i));
        handTick = beat + 240;
        accompaniment.NoteOn(i == 0 ? 0 : 240, testing::kAccompanimentChannel, 40, 70)
            .NoteOff(240, testing::kAccompanimentChannel, 40);
    }
    right.EndOfTrack();
    left.EndOfTrack();
    accompaniment.EndOfTrack();
    return file.Build();
}

class TwoFollowingTracks : public testing::FollowingRig {
  protected:
    void SetUp() override {
        FollowingRig::SetUp();
        ASSERT_EQ(engine_.OpenPiece(folder_.Write("hands.mid", TwoHands())), LoadResult::Loaded);
        FollowingOptions options = engine_.Following();
        options.twoFollowTracks = true;
        options.followTrack2 = 1;
        ASSERT_TRUE(engine_.SetFollowingOptions(options));
    }

    // The soloist plays beat `i`, held 150 ms.
    void PlayBeat(int i, std::int32_t gapMs) {
        midi_.Input(0).Inject(std::vector<std::uint8_t>{0x90, HandKey(i), 90}, clock_.Now());
        RunTo(clock_.Now() + 150);
        midi_.Input(0).Inject(std::vector<std::uint8_t>{0x80, HandKey(i), 0}, clock_.Now());
        RunTo(clock_.Now() + gapMs);
    }
};

TEST_P(TwoFollowingTracks, TheSoloistIsFollowedThroughBothAndNeitherSounds) {
    Transport& transport = engine_.GetTransport();
    transport.PlayAndFollow();
    ASSERT_TRUE(transport.Mode().following);
    // As written with the right hand, then faster with the left.
    std::vector<platform::ClockMs> played;
    for (int i = 0; i < 12; ++i) {
        played.push_back(clock_.Now());
        PlayBeat(i, i < 4 ? 350 : 200);
    }
    const auto accompaniment = NoteOnTimes(testing::kAccompanimentChannel);
    ASSERT_GE(accompaniment.size(), 12u);
    for (std::size_t i = 8; i < 12; ++i)
        EXPECT_NEAR(static_cast<double>(accompaniment[i].Ms()), played[i].Ms(), 60.0)
            << "beat " << i;
    transport.Stop();
    EXPECT_TRUE(NoteOnTimes(testing::kSoloistChannel).empty());
    EXPECT_TRUE(NoteOnTimes(kLeftHandChannel).empty());
    EXPECT_EQ(engine_.CurrentPiece()->tracks[0].playFlag, 1);
    EXPECT_EQ(engine_.CurrentPiece()->tracks[1].playFlag, 1);
}

INSTANTIATE_TEST_SUITE_P(BothMethods, JumpingChoice, testing::kBothMethods, testing::MethodName);
INSTANTIATE_TEST_SUITE_P(BothMethods, TwoFollowingTracks, testing::kBothMethods,
                         testing::MethodName);

}  // namespace
}  // namespace ostinel
