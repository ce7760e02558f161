#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/midi_devices.h"
#include "platform/real/synth/synth_engine.h"
#include "platform/real/synth/synth_inbox.h"

typedef struct _fluid_audio_driver_t fluid_audio_driver_t;  // as FluidSynth declares it

namespace ostinel::platform {

struct LiveSynthOptions {
    SynthOptions synth;
    // FluidSynth audio drivers, tried in this order until one starts.
    std::vector<std::string> audioDrivers{"pulseaudio", "alsa", "jack"};
    // The owner calls ProcessAudio from its own audio thread (a host's audio
    // callback, or a test standing in for one) and no driver is started.
    bool ownerPullsAudio = false;
};

// The built-in synth as it plays live. Senders on any thread hand messages
// to the inbox; the audio thread plays them on the synth at the start of each
// audio block, then renders the block. So no sender ever waits for the synth.
// When nothing pulls audio (no driver started), messages are taken and
// dropped: the synth exists but cannot be heard.
class LiveSynth {
  public:
    // main thread. Never null: a synth that cannot start stays silent and
    // says why in Problems().
    static std::unique_ptr<LiveSynth> Create(const LiveSynthOptions& options);
    ~LiveSynth();
    LiveSynth(const LiveSynth&) = delete;
    LiveSynth& operator=(const LiveSynth&) = delete;

    // Messages reach a synth that some audio thread renders.
    bool Audible() const { return audible_; }
    // The FluidSynth driver that plays it ("pulseaudio", ...), or empty.
    const std::string& AudioDriverName() const { return driverName_; }
    // What keeps it from sounding, in plain words for musicians.
    const std::vector<std::string>& Problems() const { return problems_; }

    // any thread. Never allocates, locks or blocks.
    MidiSendResult PostShort(std::span<const std::uint8_t> message);
    MidiSendResult PostSysEx(std::span<const std::uint8_t> message);

    // audio thread: plays the waiting messages, then fills `frames` frames.
    int ProcessAudio(int frames, int nfx, float* fx[], int nout, float* out[]);
    // audio thread: a controller's value as the synth holds it, or -1.
    int ControllerValue(int channel, int controller) const;

    // main thread. One output device at a time may own the synth.
    bool TryClaim() { return !claimed_.exchange(true, std::memory_order_acq_rel); }
    void Release() { claimed_.store(false, std::memory_order_release); }

  private:
    LiveSynth() = default;
    static int AudioCallback(void* self, int frames, int nfx, float* fx[], int nout, float* out[]);
    void StartAudio(const LiveSynthOptions& options);

    std::unique_ptr<SynthEngine> engine_;
    std::unique_ptr<SynthInbox> inbox_;
    fluid_audio_driver_t* driver_ = nullptr;
    std::string driverName_;
    bool audible_ = false;  // set before any audio thread starts, read-only after
    std::vector<std::string> problems_;
    std::atomic<bool> claimed_{false};
};

}  // namespace ostinel::platform
