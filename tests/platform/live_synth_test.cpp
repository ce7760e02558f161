#include "platform/real/synth/live_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "real_midi_test_support.h"

namespace ostinel::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kGeneralMidiOn{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

// Our own audio thread in place of a driver's: the test pulls the audio.
std::unique_ptr<LiveSynth> PulledSynth() {
    LiveSynthOptions options;
    options.ownerPullsAudio = true;
    return LiveSynth::Create(options);
}

// Pulls one block as a driver would, with zeroed buffers and no effect buffers.
float PullPeak(LiveSynth& synth, int frames = 1024) {
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
    std::array<float*, 2> out{left.data(), right.data()};
    synth.ProcessAudio(frames, 0, nullptr, 2, out.data());
    float peak = 0;
    for (float s : left)
        peak = std::max(peak, std::abs(s));
    return peak;
}

TEST(LiveSynth, PlaysWhatWasSentInTheNextAudioBlock) {
    if (testing::InstalledSoundFont().empty()) GTEST_SKIP() << "no SoundFont is installed";
    const auto synth = PulledSynth();
    ASSERT_TRUE(synth->Audible());
    EXPECT_LT(PullPeak(*synth), 1e-4f);  // the reverb's guard against denormals, no more
    EXPECT_EQ(synth->PostShort(Bytes{0xC0, 0}), MidiSendResult::Sent);
    EXPECT_EQ(synth->PostShort(Bytes{0x90, 60, 100}), MidiSendResult::Sent);
    EXPECT_GT(PullPeak(*synth), 0.01f);
}

TEST(LiveSynth, SysExKeepsItsPlaceAmongShortMessages) {
    // General MIDI On resets the volume to 100; whichever came last wins.
    const auto synth = PulledSynth();
    synth->PostSysEx(kGeneralMidiOn);
    synth->PostShort(Bytes{0xB0, 7, 50});
    PullPeak(*synth, 64);
    EXPECT_EQ(synth->ControllerValue(0, 7), 50);

    synth->PostShort(Bytes{0xB0, 7, 30});
    synth->PostSysEx(kGeneralMidiOn);
    PullPeak(*synth, 64);
    EXPECT_EQ(synth->ControllerValue(0, 7), 100);
}

TEST(LiveSynth, FullQueueRefusesUntilTheAudioThreadCatchesUp) {
    const auto synth = PulledSynth();
    for (std::size_t i = 0; i < SynthInbox::kQueueCapacity; ++i) {
        ASSERT_EQ(synth->PostShort(Bytes{0xB1, 7, static_cast<std::uint8_t>(i % 128)}),
                  MidiSendResult::Sent);
    }
    EXPECT_EQ(synth->PostShort(Bytes{0xB1, 7, 1}), MidiSendResult::Refused);
    EXPECT_EQ(synth->PostSysEx(kGeneralMidiOn), MidiSendResult::Refused);
    PullPeak(*synth, 64);
    EXPECT_EQ(synth->ControllerValue(1, 7), (SynthInbox::kQueueCapacity - 1) % 128);
    EXPECT_EQ(synth->PostShort(Bytes{0xB1, 7, 1}), MidiSendResult::Sent);
}

TEST(LiveSynth, SysExWaitingBeyondThePoolIsRefused) {
    const auto synth = PulledSynth();
    for (std::size_t i = 0; i < SynthInbox::kSysExSlots; ++i) {
        ASSERT_EQ(synth->PostSysEx(kGeneralMidiOn), MidiSendResult::Sent);
    }
    EXPECT_EQ(synth->PostSysEx(kGeneralMidiOn), MidiSendResult::Refused);
    EXPECT_EQ(synth->PostShort(Bytes{0x90, 60, 100}), MidiSendResult::Sent);
    PullPeak(*synth, 64);
    EXPECT_EQ(synth->PostSysEx(kGeneralMidiOn), MidiSendResult::Sent);
}

TEST(LiveSynth, MalformedMessagesFail) {
    const auto synth = PulledSynth();
    EXPECT_EQ(synth->PostShort(Bytes{}), MidiSendResult::Failed);
    EXPECT_EQ(synth->PostShort(Bytes{60, 100}), MidiSendResult::Failed);  // running status
    EXPECT_EQ(synth->PostShort(Bytes{0x90, 60, 100, 0}), MidiSendResult::Failed);
    EXPECT_EQ(synth->PostSysEx(Bytes{0xF0, 0x7E, 0x7F}), MidiSendResult::Failed);
    EXPECT_EQ(synth->PostSysEx(Bytes{0x90, 60, 0xF7}), MidiSendResult::Failed);
}

TEST(LiveSynth, WithoutAudioMessagesAreTakenAndTheUserIsTold) {
    if (testing::InstalledSoundFont().empty()) GTEST_SKIP() << "no SoundFont is installed";
    LiveSynthOptions options;
    options.audioDrivers = {"no-such-driver"};
    const auto synth = LiveSynth::Create(options);
    EXPECT_FALSE(synth->Audible());
    EXPECT_EQ(synth->AudioDriverName(), "");
    for (std::size_t i = 0; i < 2 * SynthInbox::kQueueCapacity; ++i) {
        ASSERT_EQ(synth->PostShort(Bytes{0x90, 60, 100}), MidiSendResult::Sent);
    }
    EXPECT_EQ(synth->Problems(),
              std::vector<std::string>{"No audio output was found, so the built-in synth cannot be "
                                       "heard; pieces can still be rendered to a WAV file."});
}

TEST(LiveSynth, WithoutSoundFontItIsSilentAndSaysWhatToDo) {
    testing::TempFolder emptySounds;
    LiveSynthOptions options;
    options.synth.soundsRoot = emptySounds.Path();
    const auto synth = LiveSynth::Create(options);
    EXPECT_FALSE(synth->Audible());
    EXPECT_EQ(synth->PostShort(Bytes{0x90, 60, 100}), MidiSendResult::Sent);
    EXPECT_EQ(synth->Problems(),
              std::vector<std::string>{"No General MIDI SoundFont was found under " +
                                       emptySounds.Path().string() +
                                       ", so the built-in synth is silent; name a SoundFont file "
                                       "or install one (for example the timgm6mb-soundfont "
                                       "package)."});
}

}  // namespace
}  // namespace ostinel::platform
