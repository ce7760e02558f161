#include "platform/real/synth/synth_renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "real_midi_test_support.h"

namespace ostinel::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadWav;
using testing::TempFolder;
using testing::WavContents;

constexpr std::uint8_t kDrawbarOrgan = 16;  // GM program 17, sustains while held

TimedMessage At(std::uint32_t ms, std::vector<std::uint8_t> bytes) {
    return {ms, std::move(bytes)};
}

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Root-mean-square level of the left channel over [fromMs, toMs).
double Level(const WavContents& wav, std::uint32_t fromMs, std::uint32_t toMs) {
    const std::size_t from = std::size_t{fromMs} * 441 / 10;
    const std::size_t to = std::min(wav.Frames(), std::size_t{toMs} * 441 / 10);
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += double(wav.Left(i)) * wav.Left(i);
    }
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

class SynthRendererTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (testing::InstalledSoundFont().empty()) {
            GTEST_SKIP() << "no General MIDI SoundFont is installed";
        }
    }

    WavContents Render(const std::vector<TimedMessage>& messages) {
        const fs::path wavPath = folder_.Path() / "out.wav";
        std::string error;
        EXPECT_TRUE(RenderToWav(messages, wavPath.string(), "", error)) << error;
        return ReadWav(wavPath);
    }

    // An organ chord on channel 1 held for three seconds, with `message` after one.
    WavContents RenderHeldOrganWith(std::vector<std::uint8_t> message) {
        return Render({At(0, {0xC0, kDrawbarOrgan}), At(0, {0x90, 60, 100}), At(0, {0x90, 64, 100}),
                       At(1000, std::move(message)), At(3000, {0x80, 60, 0}),
                       At(3000, {0x80, 64, 0})});
    }

    TempFolder folder_;
};

TEST_F(SynthRendererTest, WritesCdQualityStereoWavLastingToTheLastMessagePlusTheTail) {
    const WavContents wav =
        Render({At(0, {0xC0, 0}), At(500, {0x90, 60, 100}), At(1500, {0x80, 60, 0})});
    EXPECT_EQ(wav.riff, "RIFF");
    EXPECT_EQ(wav.wave, "WAVE");
    EXPECT_EQ(wav.format, 1);  // PCM
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 44100u);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.blockAlign, 4);
    EXPECT_EQ(wav.byteRate, 176400u);
    // 1500 ms to the note-off and a 2000 ms tail: 3.5 s at 44.1 kHz.
    EXPECT_EQ(wav.Frames(), 154350u);
    EXPECT_EQ(wav.dataSize, 154350u * 4);
    EXPECT_EQ(wav.riffSize, wav.fileSize - 8);
}

TEST_F(SynthRendererTest, PianoSoundsFromTheFrameOfItsNoteOn) {
    const WavContents wav =
        Render({At(0, {0xC0, 0}), At(500, {0x90, 60, 100}), At(1500, {0x80, 60, 0})});
    ASSERT_EQ(wav.Frames(), 154350u);
    const std::size_t noteFrame = 22050;  // 500 ms
    const auto first =
        std::find_if(wav.samples.begin(), wav.samples.end(), [](std::int16_t s) { return s != 0; });
    ASSERT_NE(first, wav.samples.end());
    const auto firstFrame = static_cast<std::size_t>(first - wav.samples.begin()) / 2;
    EXPECT_GE(firstFrame, noteFrame);
    EXPECT_LT(firstFrame, noteFrame + 64);  // FluidSynth's block
    EXPECT_GT(Level(wav, 500, 1000), 300.0);
}

TEST_F(SynthRendererTest, TheTailLetsTheReleaseDieAway) {
    const WavContents wav =
        Render({At(0, {0xC0, kDrawbarOrgan}), At(0, {0x90, 60, 100}), At(1000, {0x80, 60, 0})});
    const double held = Level(wav, 500, 1000);
    EXPECT_GT(held, 1000.0);
    EXPECT_LT(Level(wav, 2900, 3000), held / 100);
}

TEST_F(SynthRendererTest, MessagesOfOneTimeKeepTheirListOrder) {
    // Off then on at 1000 re-strikes the chord; the other way round ends it.
    const WavContents restruck =
        Render({At(0, {0xC0, kDrawbarOrgan}), At(0, {0x90, 60, 100}), At(1000, {0x80, 60, 0}),
                At(1000, {0x90, 60, 100}), At(2500, {0x80, 60, 0})});
    const WavContents ended =
        Render({At(0, {0xC0, kDrawbarOrgan}), At(0, {0x90, 60, 100}), At(1000, {0x90, 60, 100}),
                At(1000, {0x80, 60, 0}), At(2500, {0x80, 60, 0})});
    EXPECT_GT(Level(restruck, 1500, 2000), 1000.0);
    EXPECT_LT(Level(ended, 1500, 2000), Level(restruck, 1500, 2000) / 100);
}

TEST_F(SynthRendererTest, MessagesOutOfTimeOrderAreRenderedInTimeOrder) {
    const WavContents wav =
        Render({At(1000, {0x90, 60, 100}), At(0, {0xC0, kDrawbarOrgan}), At(1500, {0x80, 60, 0})});
    EXPECT_EQ(Level(wav, 0, 990), 0.0);
    EXPECT_GT(Level(wav, 1100, 1400), 1000.0);
}

TEST_F(SynthRendererTest, BankTheSoundFontLacksStillSoundsTheGeneralMidiProgram) {
    // GS files pick variation banks (here 8) that a plain GM SoundFont has not got.
    const WavContents wav =
        Render({At(0, {0xB0, 0, 8}), At(0, {0xB0, 32, 0}), At(0, {0xC0, kDrawbarOrgan}),
                At(100, {0x90, 60, 100}), At(1000, {0x80, 60, 0})});
    EXPECT_GT(Level(wav, 500, 1000), 1000.0);
}

struct Silencer {
    const char* name;
    std::vector<std::uint8_t> bytes;
};

void PrintTo(const Silencer& silencer, std::ostream* out) {
    *out << silencer.name;
}

class SynthResets : public SynthRendererTest, public ::testing::WithParamInterface<Silencer> {};

TEST_P(SynthResets, EndHeldNotes) {
    const WavContents reset = RenderHeldOrganWith(GetParam().bytes);
    const WavContents control = RenderHeldOrganWith({0xB0, 1, 0});  // modulation: harmless
    EXPECT_GT(Level(control, 1500, 2000), 1000.0);
    EXPECT_LT(Level(reset, 1500, 2000), Level(control, 1500, 2000) / 100);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, SynthResets,
    ::testing::Values(Silencer{"SystemReset", {0xFF}},
                      Silencer{"GeneralMidiOn", {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
                      Silencer{"GsReset",
                               {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}},
                      Silencer{"XgReset", {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7}},
                      Silencer{"AllSoundOff", {0xB0, 120, 0}},
                      Silencer{"VolumeZero", {0xB0, 7, 0}}),
    [](const auto& test) { return test.param.name; });

TEST_F(SynthRendererTest, SameMessagesGiveTheSameFile) {
    const std::vector<TimedMessage> messages{At(0, {0xC0, 0}), At(10, {0x90, 60, 90}),
                                             At(700, {0xE0, 0x00, 0x50}), At(900, {0x80, 60, 0})};
    EXPECT_EQ(Render(messages).samples, Render(messages).samples);
}

TEST_F(SynthRendererTest, MissingNamedSoundFontIsNotReplaced) {
    const fs::path wavPath = folder_.Path() / "out.wav";
    std::string error;
    EXPECT_FALSE(
        RenderToWav({At(0, {0x90, 60, 100})}, wavPath.string(), "/no/such/Concert.sf2", error));
    EXPECT_EQ(error, "The SoundFont /no/such/Concert.sf2 was not found, so nothing was rendered.");
    EXPECT_FALSE(fs::exists(wavPath));
}

TEST_F(SynthRendererTest, FileThatIsNotASoundFontIsRefused) {
    const fs::path junk = folder_.Write("notes.sf2", "these are my notes, not samples");
    const fs::path wavPath = folder_.Path() / "out.wav";
    std::string error;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(RenderToWav({At(0, {0x90, 60, 100})}, wavPath.string(), junk.string(), error));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(error, "The file " + junk.string() + " is not a SoundFont, so nothing was rendered.");
    EXPECT_FALSE(fs::exists(wavPath));
}

TEST_F(SynthRendererTest, DamagedSoundFontIsReportedInOurWords) {
    // A SoundFont header with a broken information chunk behind it.
    const std::string damaged("RIFF\x20\x00\x00\x00sfbkLIST\x10\x00\x00\x00INFOjunkjunkjunkjunk",
                              36);
    const fs::path soundFont = folder_.Write("damaged.sf2", damaged);
    std::string error;
    EXPECT_FALSE(RenderToWav({}, (folder_.Path() / "out.wav").string(), soundFont.string(), error));
    EXPECT_EQ(error.rfind("The SoundFont " + soundFont.string() + " could not be loaded (", 0), 0u)
        << error;
}

TEST_F(SynthRendererTest, PieceTooLongForAWavFileIsRefusedBeforeRendering) {
    const fs::path wavPath = folder_.Path() / "out.wav";
    std::string error;
    // Seven hours: past the 4 GB that a WAV file's sizes can count.
    EXPECT_FALSE(RenderToWav({At(7 * 3600 * 1000, {0x90, 60, 100})}, wavPath.string(), "", error));
    EXPECT_EQ(error, "The piece is too long for a WAV file (about 6 hours at most).");
    EXPECT_FALSE(fs::exists(wavPath));
}

TEST_F(SynthRendererTest, UnwritableFileIsReportedAndLeavesNothing) {
    const fs::path wavPath = folder_.Path() / "no-such-folder" / "out.wav";
    std::string error;
    EXPECT_FALSE(RenderToWav({At(0, {0x90, 60, 100})}, wavPath.string(), "", error));
    EXPECT_EQ(error, "The WAV file " + wavPath.string() +
                         " could not be written (No such file or directory).");
}

TEST_F(SynthRendererTest, RendersAFullBandManyTimesFasterThanRealTime) {
    // One minute of a five-part band at 120 BPM: chords, bass, melody,
    // strings and a drum kit, about what an accompaniment sends.
    std::vector<TimedMessage> band{At(0, {0xC0, 0}), At(0, {0xC1, 32}), At(0, {0xC2, 73}),
                                   At(0, {0xC3, 48})};
    const std::uint32_t lengthMs = 60000;
    for (std::uint32_t beat = 0; beat * 500 < lengthMs; ++beat) {
        const std::uint32_t t = beat * 500;
        const auto root = static_cast<std::uint8_t>(48 + (beat / 4 % 4) * 5 % 12);
        for (std::uint8_t step : {0, 4, 7}) {
            band.push_back(At(t, {0x90, static_cast<std::uint8_t>(root + 12 + step), 80}));
            band.push_back(At(t + 450, {0x80, static_cast<std::uint8_t>(root + 12 + step), 0}));
        }
        band.push_back(At(t, {0x91, static_cast<std::uint8_t>(root - 12), 100}));
        band.push_back(At(t + 480, {0x81, static_cast<std::uint8_t>(root - 12), 0}));
        for (std::uint32_t half : {0u, 250u}) {
            const auto note = static_cast<std::uint8_t>(root + 24 + (beat * 2 + half / 250) % 5);
            band.push_back(At(t + half, {0x92, note, 90}));
            band.push_back(At(t + half + 240, {0x82, note, 0}));
        }
        if (beat % 4 == 0) {
            for (std::uint8_t step : {0, 7, 16}) {
                band.push_back(At(t, {0x93, static_cast<std::uint8_t>(root + step), 70}));
                band.push_back(At(t + 1990, {0x83, static_cast<std::uint8_t>(root + step), 0}));
            }
        }
        for (std::uint8_t drum :
             {beat % 2 == 0 ? std::uint8_t{36} : std::uint8_t{38}, std::uint8_t{42}}) {
            band.push_back(At(t, {0x99, drum, 100}));
            band.push_back(At(t + 100, {0x89, drum, 0}));
        }
    }
    const fs::path wavPath = folder_.Path() / "band.wav";
    std::string error;
    // Processor time of this thread, where FluidSynth renders: the other
    // programs on a busy machine do not count against the renderer.
    const double start = ThreadSeconds();
    ASSERT_TRUE(RenderToWav(band, wavPath.string(), "", error)) << error;
    const double seconds = ThreadSeconds() - start;
    const double factor = (lengthMs + kRenderTailMs) / 1000.0 / seconds;
    RecordProperty("times_real_time", std::to_string(factor));
    std::printf("rendered %.1f s of audio in %.3f s of processor time: %.0f times real time\n",
                (lengthMs + kRenderTailMs) / 1000.0, seconds, factor);
    EXPECT_GE(factor, 20.0);
    const WavContents wav = ReadWav(wavPath);
    const auto peak =
        std::max_element(wav.samples.begin(), wav.samples.end(),
                         [](std::int16_t a, std::int16_t b) { return std::abs(a) < std::abs(b); });
    EXPECT_LT(std::abs(*peak), 32767) << "the default gain clips a plain band";
}

}  // namespace
}  // namespace ostinel::platform