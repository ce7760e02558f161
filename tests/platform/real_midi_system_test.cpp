#include "platform/real/real_midi_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/real/steady_clock.h"
#include "real_midi_test_support.h"

namespace ostinel::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const std::string kNoAudio =
    "No audio output was found, so the built-in synth cannot be heard; pieces can still be "
    "rendered to a WAV file.";

void IgnoreInput(void*, int, std::span<const std::uint8_t>, ClockMs) {}

int Occurrences(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// A machine like these: no sequencer device, and audio drivers that all fail.
class BareMachine : public ::testing::Test {
  protected:
    RealMidiOptions Options() const {
        RealMidiOptions options;
        options.sequencerDevice = (folder_.Path() / "snd" / "seq").string();
        options.synth.audioDrivers = {"no-such-driver", "nor-this-one"};
        return options;
    }
    std::string NoSequencer() const {
        return "No MIDI sequencer was found (ALSA " + (folder_.Path() / "snd" / "seq").string() +
               " is missing), so only the built-in synth is available.";
    }

    SteadyClock clock_;
    testing::TempFolder folder_;
};

TEST_F(BareMachine, ListsTheSynthAsTheOnlyDevice) {
    RealMidiSystem system(clock_, Options());
    EXPECT_EQ(system.OutputDeviceCount(), 1);
    EXPECT_EQ(system.OutputDeviceName(0), "Ostinel Synth");
    EXPECT_EQ(system.OutputDeviceName(1), "");
    EXPECT_EQ(system.InputDeviceCount(), 0);
    EXPECT_EQ(system.InputDeviceName(0), "");
}

TEST_F(BareMachine, SaysOnceEachWhatIsMissing) {
    if (testing::InstalledSoundFont().empty()) GTEST_SKIP() << "no SoundFont is installed";
    RealMidiSystem system(clock_, Options());
    const std::vector<std::string> missing = system.MissingServices();
    EXPECT_EQ(missing.size(), 2u);
    EXPECT_EQ(Occurrences(missing, NoSequencer()), 1);
    EXPECT_EQ(Occurrences(missing, kNoAudio), 1);
}

TEST_F(BareMachine, WithoutSoundFontSaysSoInsteadOfTryingAudio) {
    RealMidiOptions options = Options();
    options.synth.synth.soundsRoot = folder_.Path() / "sounds";
    RealMidiSystem system(clock_, options);
    const std::vector<std::string> missing = system.MissingServices();
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0], NoSequencer());
    EXPECT_EQ(missing[1].rfind("No General MIDI SoundFont was found under ", 0), 0u) << missing[1];
}

TEST_F(BareMachine, SynthOpensAndTakesMessagesThoughNobodyHearsThem) {
    RealMidiSystem system(clock_, Options());
    const auto synth = system.OpenOutput(0);
    ASSERT_NE(synth, nullptr);
    EXPECT_EQ(synth->SendShort(Bytes{0xC0, 0}), MidiSendResult::Sent);
    EXPECT_EQ(synth->SendShort(Bytes{0x90, 60, 100}), MidiSendResult::Sent);
    EXPECT_EQ(synth->SendLong(Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}), MidiSendResult::Sent);
    EXPECT_EQ(synth->SendShort(Bytes{0xFF}), MidiSendResult::Sent);
}

TEST_F(BareMachine, SynthOpensOnceAtATime) {
    RealMidiSystem system(clock_, Options());
    auto first = system.OpenOutput(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(system.OpenOutput(0), nullptr);
    first.reset();
    EXPECT_NE(system.OpenOutput(0), nullptr);
}

TEST_F(BareMachine, OpensNothingElse) {
    RealMidiSystem system(clock_, Options());
    EXPECT_EQ(system.OpenOutput(1), nullptr);
    EXPECT_EQ(system.OpenOutput(-1), nullptr);
    EXPECT_EQ(system.OpenInput(0, &IgnoreInput, nullptr, 0), nullptr);
    EXPECT_EQ(system.OpenInput(-1, &IgnoreInput, nullptr, 0), nullptr);
}

TEST_F(BareMachine, SequencerThatRtMidiCannotOpenIsReportedNotThrown) {
    // The device node is there but ALSA's own (default) sequencer is not:
    // RtMidi throws from its constructor, which must end as a plain message.
    if (fs::exists(kAlsaSequencerDevice)) GTEST_SKIP() << "this machine has a sequencer";
    RealMidiOptions options = Options();
    options.sequencerDevice = folder_.Write("seq").string();
    RealMidiSystem system(clock_, options);
    EXPECT_EQ(system.OutputDeviceCount(), 1);
    EXPECT_EQ(system.InputDeviceCount(), 0);
    const std::vector<std::string> missing = system.MissingServices();
    ASSERT_FALSE(missing.empty());
    EXPECT_EQ(missing[0],
              "The MIDI sequencer could not be opened, so only the built-in synth is available.");
}

}  // namespace
}  // namespace ostinel::platform
