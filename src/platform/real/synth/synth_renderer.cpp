#include "platform/real/synth/synth_renderer.h"

#include <algorithm>
#include <cerrno>
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
    FileRenderer(SynthEngine& engine, WavWriter& wav, const RenderOptions& options,
                 std::uint64_t frames)
        : engine_(engine),
          wav_(wav),
          keepGoing_(options.keepGoing),
          frames_(frames),
          left_(kBlockFrames),
          right_(kBlockFrames),
          pcm_(2 * kBlockFrames) {}

    // False when the user stopped it (`cancelled_`) or the file failed.
    bool RenderUntil(std::uint64_t frame, std::string& error) {
        while (cursor_ < frame) {
            if (keepGoing_ && !keepGoing_(cursor_, frames_)) {
                cancelled_ = true;
                error = "The render was cancelled.";
                return false;
            }
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

    bool Cancelled() const { return cancelled_; }

  private:
    static std::int16_t ToPcm(float sample) {
        const float scaled = std::clamp(sample * 32767.0f, -32768.0f, 32767.0f);
        return static_cast<std::int16_t>(std::lrint(scaled));
    }

    SynthEngine& engine_;
    WavWriter& wav_;
    const std::function<bool(std::uint64_t, std::uint64_t)>& keepGoing_;
    std::uint64_t frames_ = 0;
    bool cancelled_ = false;
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

WavRenderResult WritingFailure(const WavWriter& wav) {
    if (wav.ErrorNumber() == EFBIG) return WavRenderResult::TooLong;
    if (wav.OpenFailed()) return WavRenderResult::CannotCreate;
    if (wav.ErrorNumber() == ENOSPC || wav.ErrorNumber() == EDQUOT)
        return WavRenderResult::DiskFull;
    return WavRenderResult::WriteFailed;
}

}  // namespace

WavRenderResult RenderWav(const std::vector<TimedMessage>& messages, const std::string& wavPath,
                          const RenderOptions& options, std::string& error) {
    const std::unique_ptr<SynthEngine> engine = SynthEngine::Create(options.synth);
    if (engine == nullptr) {
        error = "The built-in synth could not be started, so nothing was rendered.";
        return WavRenderResult::NoSynth;
    }
    if (!engine->SoundFontNotice().empty()) {
        error =
            "The SoundFont " + options.synth.soundFont + " was not found, so nothing was rendered.";
        return WavRenderResult::NoSoundFont;
    }
    if (!engine->HasSoundFont()) {
        error = engine->SoundFontProblem() + ", so nothing was rendered.";
        return WavRenderResult::NoSoundFont;
    }
    const std::vector<const TimedMessage*> ordered = InTimeOrder(messages);
    const std::uint64_t lastMs = ordered.empty() ? 0 : ordered.back()->timeMs;
    const std::uint64_t frames = FrameAtMs(lastMs + options.tailMs);
    WavWriter wav;
    if (!wav.Open(wavPath, frames, kSynthSampleRate, error)) return WritingFailure(wav);
    FileRenderer renderer(*engine, wav, options, frames);
    const auto failed = [&] {
        return renderer.Cancelled() ? WavRenderResult::Cancelled : WritingFailure(wav);
    };
    for (const TimedMessage* message : ordered) {
        if (!renderer.RenderUntil(FrameAtMs(message->timeMs), error)) return failed();
        engine->Play(message->bytes);
    }
    if (!renderer.RenderUntil(frames, error)) return failed();
    if (options.keepGoing) options.keepGoing(frames, frames);
    return wav.Finish(error) ? WavRenderResult::Written : WritingFailure(wav);
}

bool RenderToWav(const std::vector<TimedMessage>& messages, const std::string& wavPath,
                 const RenderOptions& options, std::string& error) {
    return RenderWav(messages, wavPath, options, error) == WavRenderResult::Written;
}

bool RenderToWav(const std::vector<TimedMessage>& messages, const std::string& wavPath,
                 const std::string& soundFont, std::string& error) {
    RenderOptions options;
    options.synth.soundFont = soundFont;
    return RenderToWav(messages, wavPath, options, error);
}

}  // namespace ostinel::platform
