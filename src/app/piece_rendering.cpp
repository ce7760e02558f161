#include "app/piece_rendering.h"

#include <algorithm>

#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"

namespace ostinel {
namespace {

// The idle pass runs at least this often while playing, as in the program.
constexpr std::uint32_t kIdleStepMs = 10;
// A render that has not stopped after this much music is not going to.
constexpr std::uint32_t kLongestRenderMs = 48u * 3600u * 1000u;

// Nobody is there to answer: messages are kept, confirmations say Cancel.
class NoticeUi final : public TransportUi {
  public:
    explicit NoticeUi(std::string& notices) : notices_(notices) {}
    void ShowMessage(std::string_view text) override {
        notices_ += text;
        notices_ += '\n';
    }
    bool ConfirmMessage(std::string_view /*text*/) override { return false; }

  private:
    std::string& notices_;
};

std::vector<std::string> PortDeviceNames() {
    std::vector<std::string> names;
    for (int port = 0; port < kPortCount; ++port)
        names.push_back(std::string("Port ") + static_cast<char>('A' + port));
    return names;
}

// Runs the engine's clock from deadline to deadline, with an idle pass after
// each, until nothing plays or is pending.
void RunUntilStopped(Engine& engine, platform::ManualClock& clock,
                     platform::ManualTimerService& timers) {
    const platform::ClockMs began = clock.Now();
    while (engine.NeedsIdlePass() &&
           platform::ClockElapsed(clock.Now(), began) < kLongestRenderMs) {
        const auto next = timers.NextDeadline();
        const platform::ClockMs step = clock.Now() + kIdleStepMs;
        timers.AdvanceTo(next && platform::ClockDifference(step, *next) > 0 ? *next : step);
        engine.IdlePass();
    }
    // Delayed sends (retries) still armed go out too.
    timers.RunUntilIdle(1000);
}

AudioFileRender::Result FromWavResult(platform::WavRenderResult result) {
    using W = platform::WavRenderResult;
    using R = AudioFileRender::Result;
    switch (result) {
        case W::Written:
            return R::Written;
        case W::NoSynth:
        case W::NoSoundFont:
            return R::NoSoundFont;
        case W::CannotCreate:
            return R::CannotCreate;
        case W::DiskFull:
            return R::DiskFull;
        case W::TooLong:
            return R::TooLong;
        case W::Cancelled:
            return R::Cancelled;
        case W::WriteFailed:
            break;
    }
    return R::WriteFailed;
}

}  // namespace

PlaybackRenderResult RenderPlayback(const std::string& piecePath,
                                    const std::function<bool(Engine&)>& prepare,
                                    RenderedStream& rendered, LoadResult& load,
                                    std::string& notices) {
    platform::ManualClock clock;
    platform::ManualTimerService timers{clock};
    platform::ManualMidiSystem midi{clock, {}, PortDeviceNames()};
    NoticeUi ui(notices);
    {
        Engine engine(clock, timers, midi, ui);
        for (int port = 0; port < kPortCount; ++port)
            engine.Ports().SetOutputDevice(port, port);
        engine.OpenOutputPorts();
        load = engine.OpenPiece(piecePath);
        if (load != LoadResult::Loaded) return PlaybackRenderResult::NotLoaded;
        if (prepare && !prepare(engine)) return PlaybackRenderResult::NotPrepared;
        // The piece's leading system exclusive went out at the opening: it is
        // part of what the ports received, at time 0.
        engine.GetTransport().PlayFile();
        RunUntilStopped(engine, clock, timers);
        rendered.lengthMs = clock.Now().Ms();
    }
    timers.RunUntilIdle(1000);
    for (int port = 0; port < kPortCount; ++port) {
        for (const auto& message : midi.Output(port).Messages())
            rendered.messages.push_back(PortMessage{port, message.time.Ms(), message.bytes});
    }
    std::stable_sort(
        rendered.messages.begin(), rendered.messages.end(),
        [](const PortMessage& a, const PortMessage& b) { return a.timeMs < b.timeMs; });
    return PlaybackRenderResult::Rendered;
}

std::vector<platform::TimedMessage> SynthStream(const std::vector<PortMessage>& messages) {
    std::vector<platform::TimedMessage> timed;
    timed.reserve(messages.size());
    for (const PortMessage& message : messages)
        timed.push_back(platform::TimedMessage{message.timeMs, message.bytes});
    std::stable_sort(timed.begin(), timed.end(),
                     [](const auto& a, const auto& b) { return a.timeMs < b.timeMs; });
    return timed;
}

AudioFileRender::Result AudioFileRender::Run(const std::string& soundFont) {
    RenderedStream rendered;
    std::string notices;
    if (RenderPlayback(piecePath_, {}, rendered, load_, notices) !=
        PlaybackRenderResult::Rendered) {
        return Result::PieceNotLoaded;
    }
    platform::RenderOptions options;
    options.synth.soundFont = soundFont;
    options.keepGoing = [this](std::uint64_t done, std::uint64_t frames) {
        if (frames > 0)
            progress_.store(static_cast<int>(done * 1000 / frames), std::memory_order_release);
        return !cancelled_.load(std::memory_order_acquire);
    };
    return FromWavResult(
        platform::RenderWav(SynthStream(rendered.messages), wavPath_, options, error_));
}

}  // namespace ostinel
