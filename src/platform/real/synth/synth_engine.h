#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "platform/real/synth/sound_font_search.h"

typedef struct _fluid_hashtable_t fluid_settings_t;  // as FluidSynth declares them
typedef struct _fluid_synth_t fluid_synth_t;

namespace ostinel::platform {

inline constexpr int kSynthSampleRate = 44100;

// FluidSynth's own gain of 0.2 is far quieter than other players; at this
// gain a five-part band (the demo piece) peaks near -6 dBFS, which leaves
// room for fuller arrangements.
inline constexpr double kSynthGain = 0.6;

struct SynthOptions {
    std::string soundFont;  // a SoundFont file the user named; empty: search for one
    std::filesystem::path soundsRoot = kSystemSoundsFolder;
    double gain = kSynthGain;
};

// FluidSynth with one General MIDI SoundFont. It is used by one thread at a
// time: the thread that made it, until it hands the engine to an audio
// thread for good. Without a SoundFont it still takes every call and is
// silent.
class SynthEngine {
  public:
    // main thread. Null only when FluidSynth itself cannot start.
    static std::unique_ptr<SynthEngine> Create(const SynthOptions& options);
    ~SynthEngine();
    SynthEngine(const SynthEngine&) = delete;
    SynthEngine& operator=(const SynthEngine&) = delete;

    bool HasSoundFont() const { return soundFontLoaded_; }
    const std::filesystem::path& SoundFont() const { return soundFont_; }
    // Why there is no SoundFont, in plain words ending without a full stop;
    // empty when one is loaded.
    const std::string& SoundFontProblem() const { return soundFontProblem_; }
    // Set when the SoundFont the user named was replaced by another.
    const std::string& SoundFontNotice() const { return soundFontNotice_; }

    // For starting an audio driver at the synth's own sample rate.
    fluid_settings_t* Settings() const { return settings_; }

    // The owning thread. Plays one whole MIDI message (see PlayOnSynth).
    void Play(std::span<const std::uint8_t> message);
    // The owning thread. Writes `frames` stereo frames, replacing the buffers.
    void Render(int frames, float* left, float* right);
    // The owning thread. Mixes `frames` into an audio driver's zeroed buffers.
    int Process(int frames, int nfx, float* fx[], int nout, float* out[]);
    // The owning thread. A controller's current value, or -1.
    int ControllerValue(int channel, int controller) const;

  private:
    SynthEngine() = default;
    void LoadSoundFont(const SynthOptions& options);

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    std::filesystem::path soundFont_;
    bool soundFontLoaded_ = false;
    std::string soundFontProblem_;
    std::string soundFontNotice_;
};

}  // namespace ostinel::platform
