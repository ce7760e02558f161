#include "platform/real/synth/synth_engine.h"

#include <fluidsynth.h>

#include "platform/real/synth/fluid_log.h"
#include "platform/real/synth/synth_messages.h"

namespace ostinel::platform {
namespace {

// The device number that GS and XG messages in files nearly always address;
// FluidSynth obeys those only when its own number matches exactly. Universal
// messages (General MIDI On, tuning) address every device and pass anyway.
constexpr int kSysExDeviceId = 0x10;

void Configure(fluid_settings_t* settings, double gain) {
    fluid_settings_setnum(settings, "synth.sample-rate", kSynthSampleRate);
    fluid_settings_setnum(settings, "synth.gain", gain);
    fluid_settings_setint(settings, "synth.device-id", kSysExDeviceId);
    // One thread at a time uses the synth (see SynthEngine), so its mutex
    // would only cost time on the audio thread.
    fluid_settings_setint(settings, "synth.threadsafe-api", 0);
}

}  // namespace

std::unique_ptr<SynthEngine> SynthEngine::Create(const SynthOptions& options) {
    FluidLogCapture log;
    std::unique_ptr<SynthEngine> engine(new SynthEngine());
    engine->settings_ = new_fluid_settings();
    if (engine->settings_ == nullptr) return nullptr;
    Configure(engine->settings_, options.gain);
    engine->synth_ = new_fluid_synth(engine->settings_);
    if (engine->synth_ == nullptr) return nullptr;
    engine->LoadSoundFont(options);
    return engine;
}

SynthEngine::~SynthEngine() {
    if (synth_ != nullptr) delete_fluid_synth(synth_);
    if (settings_ != nullptr) delete_fluid_settings(settings_);
}

void SynthEngine::LoadSoundFont(const SynthOptions& options) {
    FluidLogCapture log;
    const SoundFontChoice choice = FindSoundFont(options.soundFont, options.soundsRoot);
    soundFontNotice_ = choice.notice;
    soundFont_ = choice.path;
    if (soundFont_.empty()) {
        soundFontProblem_ =
            "No General MIDI SoundFont was found under " + options.soundsRoot.string();
        return;
    }
    const std::string path = soundFont_.string();
    // Checked first so that a stray file never reaches the SoundFont parser,
    // whose complaints about it would land on the terminal.
    if (!fluid_is_soundfont(path.c_str())) {
        soundFontProblem_ = "The file " + path + " is not a SoundFont";
        return;
    }
    const std::size_t before = log.MessageCount();
    if (fluid_synth_sfload(synth_, path.c_str(), 1) == FLUID_FAILED) {
        soundFontProblem_ = "The SoundFont " + path + " could not be loaded";
        const std::string reason = log.FirstProblemSince(before);
        if (!reason.empty()) soundFontProblem_ += " (" + reason + ")";
        return;
    }
    soundFontLoaded_ = true;
}

void SynthEngine::Play(std::span<const std::uint8_t> message) {
    PlayOnSynth(synth_, message);
}

void SynthEngine::Render(int frames, float* left, float* right) {
    fluid_synth_write_float(synth_, frames, left, 0, 1, right, 0, 1);
}

int SynthEngine::Process(int frames, int nfx, float* fx[], int nout, float* out[]) {
    if (nfx == 0 && nout >= 2) {
        // Drivers without effect buffers get reverb and chorus mixed into
        // the dry pair, as FluidSynth's own examples do.
        float* effects[4] = {out[0], out[1], out[0], out[1]};
        return fluid_synth_process(synth_, frames, 4, effects, nout, out);
    }
    return fluid_synth_process(synth_, frames, nfx, fx, nout, out);
}

int SynthEngine::ControllerValue(int channel, int controller) const {
    int value = -1;
    if (fluid_synth_get_cc(synth_, channel, controller, &value) != FLUID_OK) return -1;
    return value;
}

}  // namespace ostinel::platform
