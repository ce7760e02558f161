#pragma once

// Playing a piece offline: the engine on a manual clock, as fast as it goes,
// every output port on its own recording device; then, if asked, that stream
// played by the built-in synth into a WAV file. The command line's `render`
// and the desktop's Render to Audio File share it.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/engine.h"
#include "platform/real/synth/synth_renderer.h"

namespace ostinel {

// The port number of what the soloist played, kept beside the ports' streams.
inline constexpr int kSoloistPort = -1;

// One message that an output port received.
struct PortMessage {
    int port = 0;              // 0-7, ports A-H, or kSoloistPort
    std::uint32_t timeMs = 0;  // from the start of the render
    std::vector<std::uint8_t> bytes;
};

// What a render of the piece's playback produced.
struct RenderedStream {
    std::vector<PortMessage> messages;  // every port's messages in arrival order
    std::uint32_t lengthMs = 0;         // from the start to the stop
};

enum class PlaybackRenderResult {
    Rendered,
    NotLoaded,    // the piece did not open: see the load result
    NotPrepared,  // `prepare` refused
};

// any one thread: the engine it builds is its own. Opens the piece, lets
// `prepare` (when given) set it up, plays it from there until it stops by
// itself and keeps what every port received, sorted by time. The engine's
// messages to the user are added to `notices`, one a line.
PlaybackRenderResult RenderPlayback(const std::string& piecePath,
                                    const std::function<bool(Engine&)>& prepare,
                                    RenderedStream& rendered, LoadResult& load,
                                    std::string& notices);

// The ports' messages in time order, as the built-in synth's renderer takes
// them (all ports reach the one synth). any thread
std::vector<platform::TimedMessage> SynthStream(const std::vector<PortMessage>& messages);

// The whole render of a piece into a WAV file, as it plays from its start
// with its own settings, for a front end that shows progress. Runs on the
// thread that calls Run; the others may read the progress and cancel.
class AudioFileRender {
  public:
    AudioFileRender(std::string piecePath, std::string wavPath)
        : piecePath_(std::move(piecePath)), wavPath_(std::move(wavPath)) {}

    enum class Result {
        Written,
        PieceNotLoaded,  // see Load()
        NoSoundFont,
        CannotCreate,  // the folder cannot take the file
        DiskFull,
        WriteFailed,
        TooLong,
        Cancelled,  // the unfinished file is gone
    };

    // the rendering thread. `soundFont` empty: the usual search.
    Result Run(const std::string& soundFont = {});
    // any thread: finished share of the render, 0-1000.
    int ProgressPermille() const { return progress_.load(std::memory_order_acquire); }
    // any thread: the render stops at its next block and removes its file.
    void Cancel() { cancelled_.store(true, std::memory_order_release); }

    // After Run: why the piece did not load, and the failure in plain words.
    LoadResult Load() const { return load_; }
    const std::string& Error() const { return error_; }
    const std::string& WavPath() const { return wavPath_; }
    const std::string& PiecePath() const { return piecePath_; }

  private:
    std::string piecePath_;
    std::string wavPath_;
    std::atomic<int> progress_{0};
    std::atomic<bool> cancelled_{false};
    LoadResult load_ = LoadResult::Loaded;
    std::string error_;
};

}  // namespace ostinel
