#include <algorithm>
#include <thread>

#include "dialogs/midi_learn.h"
#include "learn_fixture.h"

namespace ostinel::testing {
namespace {

using dialogs::MidiLearn;

class MidiLearnTest : public LearnDialogTest {
  protected:
    std::vector<std::uint32_t> heard_;
    MidiLearn::Listener Listen() {
        return [this](std::uint32_t word) { heard_.push_back(word); };
    }
};

TEST_F(MidiLearnTest, HearsOnlyWhileLearningAndGivesTheModeBack) {
    engine_.Intake().SetInputMode(InputMode::InputIdle);
    {
        MidiLearn learn(engine_, Listen());
        EXPECT_TRUE(engine_.Intake().InputDialogOpen());
        PlayKey(60);
        learn.Deliver();
        EXPECT_TRUE(heard_.empty());
        learn.SetLearning(true);
        EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputLearn);
        Send({0x93, 61, 50});  // the channel is cleared on the way
        learn.Deliver();
        EXPECT_EQ(heard_, (std::vector<std::uint32_t>{0x90 | 61u << 8 | 50u << 16}));
        // Words not yet delivered are forgotten when learning stops.
        Send({0xB0, 7, 1});
        learn.SetLearning(false);
        EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputIdle);
        learn.SetLearning(true);
        learn.Deliver();
        EXPECT_EQ(heard_.size(), 1u);
        engine_.Intake().SetInputMode(InputMode::InputLearn);
    }
    // Closing while learning puts back the mode it found.
    EXPECT_EQ(engine_.Intake().Mode(), InputMode::InputIdle);
    EXPECT_FALSE(engine_.Intake().InputDialogOpen());
}

TEST_F(MidiLearnTest, TakesWordsFromSeveralInputThreadsAtOnce) {
    MidiLearn learn(engine_, Listen());
    learn.SetLearning(true);
    constexpr int kPerThread = 30;
    // Two threads stand for two input devices, each on its own controllers.
    const auto play = [this](int firstController) {
        for (int i = 0; i < kPerThread; ++i) {
            engine_.Intake().HandleMidiInput(
                0xB0u | static_cast<std::uint32_t>(firstController + i) << 8 | 1u << 16,
                platform::ClockMs{5000}, 0);
        }
    };
    std::thread first(play, 0);
    std::thread second(play, kPerThread);
    first.join();
    second.join();
    learn.Deliver();
    ASSERT_EQ(heard_.size(), 2u * kPerThread);
    std::vector<bool> seen(2 * kPerThread, false);
    for (std::uint32_t word : heard_) {
        seen[(word >> 8) & 0x7F] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 2 * kPerThread);
}

TEST_F(MidiLearnTest, TheDrainTimerDeliversOnTheEventLoop) {
    MidiLearn learn(engine_, Listen());
    learn.SetLearning(true);
    PlayKey(64);
    for (int pass = 0; pass < 100 && heard_.size() < 2; ++pass) {
        QTest::qWait(MidiLearn::kDrainIntervalMs);
    }
    EXPECT_EQ(heard_.size(), 2u);
}

}  // namespace
}  // namespace ostinel::testing
