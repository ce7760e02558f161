#include "platform/real/synth/synth_renderer.h"

#include <algorithm>
#include <cmath>

#include "platform/real/synth/wav_writer.h"

namespace ostinel::platform {
namespace {

constexpr int kBlockFrames = 4096;

// Renders the synth into the file up to given frames, converting FluidSynth's
// float samples to 16 bits with rounding and clipping (no dither, so the same
// messages always give the same file).
class FileRenderer {
  public:
    FileRenderer(SynthEngine& engine, WavWriter& wav)
        : engine_(engine),
          wav_(wav),
          left_(kBlockFrames),
          right_(kBlockFrames),
          pcm_(2 * kBlockFrames) {}

    bool RenderUntil(std::uint64_t frame, std::string& error) {
        while (cursor_ < frame) {
            const int frames =
                static_cast<int>(std::min<std::uint64_t>(kBlockFrames, frame - cursor_));
            engine_.Render(frames, left_.data(), right_.data());
            for (int i = 0; i < frames; ++i) {
                pcm_[2 * static_cast<std::size_t>(i)] = ToPcm(left_[static_cast<std::size_t>(i)]);
                pcm_[2 * static_cast<std::size_t>(i) + 1] =
                    ToPcm(right_[static_cast<std::size_t>(i)]);
            }
            if (!wav_.Write({pcm_.data(), 2 * static_cast<std::size_t>(frames)}, error)) {
                return false;
            }
            cursor_ += static_cast<std::uint64_t>(frames);
        }
        return true;
    }

  private:
    static std::int16_t ToPcm(float sample) {
        const float scaled = std::clamp(sample * 32767.0f, -32768.0f, 32767.0f);
        return static_cast<std::int16_t>(std::lrint(scaled));
    }

    SynthEngine& engine_;
    WavWriter& wav_;
    std::vector<float> left_;
    std::vector<float> right_;
    std::vector<std::int16_t> pcm_;
    std::uint64_t cursor_ = 0;
};

std::vector<const TimedMessage*> InTimeOrder(const std::vector<TimedMessage>& messages) {
    std::vector<const TimedMessage*> ordered;
    ordered.reserve(messages.size());
    for (const TimedMessage& message : messages)
        ordered.push_back(&message);
    std::stable_sort(
        ordered.begin(), ordered.end(),
        [](const TimedMessage* a, const TimedMessage* b) { return a->timeMs < b->timeMs; });
    return ordered;
}

}  // namespace

bool RenderToWav(const std::vector<TimedMessage>& messages, const std::string& wavPath,
                 const RenderOptions& options, std::string& error) {
    const std::unique_ptr<SynthEngine> engine = SynthEngine::Create(options.synth);
    if (engine == nullptr) {
        error = "The built-in synth could not be started, so nothing was rendered.";
        return false;
    }
    if (!engine->SoundFontNotice().empty()) {
        error =
            "The SoundFont " + options.synth.soundFont + " was not found, so nothing was rendered.";
        return false;
    }
    if (!engine->HasSoundFont()) {
        error = engine->SoundFontProblem() + ", so nothing was rendered.";
        return false;
    }
    const std::vector<const TimedMessage*> ordered = InTimeOrder(messages);
    const std::uint64_t lastMs = ordered.empty() ? 0 : ordered.back()->timeMs;
    WavWriter wav;
    if (!wav.Open(wavPath, FrameAtMs(lastMs + options.tailMs), kSynthSampleRate, error)) {
        return false;
    }
    FileRenderer renderer(*engine, wav);
    for (const TimedMessage* message : ordered) {
        if (!renderer.RenderUntil(FrameAtMs(message->timeMs), error)) return false;
        engine->Play(message->bytes);
    }
    if (!renderer.RenderUntil(FrameAtMs(lastMs + options.tailMs), error)) return false;
    return wav.Finish(error);
}

bool RenderToWav(const std::vector<TimedMessage>& messages, const std::string& wavPath,
                 const std::string& soundFont, std::string& error) {
    RenderOptions options;
    options.synth.soundFont = soundFont;
    return RenderToWav(messages, wavPath, options, error);
}

}  // namespace ostinel::platform
