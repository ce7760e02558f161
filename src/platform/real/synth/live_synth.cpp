#include "platform/real/synth/live_synth.h"

#include <fluidsynth.h>

#include "platform/real/synth/audio_driver.h"

namespace ostinel::platform {

std::unique_ptr<LiveSynth> LiveSynth::Create(const LiveSynthOptions& options) {
    std::unique_ptr<LiveSynth> live(new LiveSynth());
    live->engine_ = SynthEngine::Create(options.synth);
    if (live->engine_ == nullptr) {
        live->problems_.push_back("The built-in synth could not be started, so it stays silent.");
        return live;
    }
    live->inbox_ = std::make_unique<SynthInbox>();
    if (!live->engine_->SoundFontNotice().empty()) {
        live->problems_.push_back(live->engine_->SoundFontNotice());
    }
    if (!live->engine_->HasSoundFont()) {
        live->problems_.push_back(live->engine_->SoundFontProblem() +
                                  ", so the built-in synth is silent; name a SoundFont file or "
                                  "install one (for example the timgm6mb-soundfont package).");
    }
    live->StartAudio(options);
    return live;
}

void LiveSynth::StartAudio(const LiveSynthOptions& options) {
    if (options.ownerPullsAudio) {
        audible_ = true;
        return;
    }
    // Without a SoundFont there is nothing to hear; no audio thread is spent on it.
    if (!engine_->HasSoundFont()) return;
    const StartedAudio started = StartAudioDriver(engine_->Settings(), options.audioDrivers,
                                                  &LiveSynth::AudioCallback, this);
    if (started.driver == nullptr) {
        problems_.push_back(
            "No audio output was found, so the built-in synth cannot be heard; pieces can still "
            "be rendered to a WAV file.");
        return;
    }
    driver_ = started.driver;
    driverName_ = started.name;
    audible_ = true;
}

LiveSynth::~LiveSynth() {
    // Stops the audio thread before the synth it plays goes away.
    if (driver_ != nullptr) delete_fluid_audio_driver(driver_);
}

MidiSendResult LiveSynth::PostShort(std::span<const std::uint8_t> message) {
    if (!SynthInbox::IsShortMessage(message)) return MidiSendResult::Failed;
    if (!audible_) return MidiSendResult::Sent;
    return inbox_->PostShort(message);
}

MidiSendResult LiveSynth::PostSysEx(std::span<const std::uint8_t> message) {
    if (!SynthInbox::IsSysEx(message)) return MidiSendResult::Failed;
    if (!audible_) return MidiSendResult::Sent;
    return inbox_->PostSysEx(message);
}

int LiveSynth::ProcessAudio(int frames, int nfx, float* fx[], int nout, float* out[]) {
    if (engine_ == nullptr) return FLUID_OK;
    inbox_->Drain([this](std::span<const std::uint8_t> message) { engine_->Play(message); });
    return engine_->Process(frames, nfx, fx, nout, out);
}

int LiveSynth::ControllerValue(int channel, int controller) const {
    return engine_ == nullptr ? -1 : engine_->ControllerValue(channel, controller);
}

int LiveSynth::AudioCallback(void* self, int frames, int nfx, float* fx[], int nout, float* out[]) {
    return static_cast<LiveSynth*>(self)->ProcessAudio(frames, nfx, fx, nout, out);
}

}  // namespace ostinel::platform
