#pragma once

#include <string>
#include <vector>

typedef struct _fluid_hashtable_t fluid_settings_t;  // as FluidSynth declares them
typedef struct _fluid_audio_driver_t fluid_audio_driver_t;

namespace ostinel::platform {

// The audio thread's work: fill `frames` frames of the driver's zeroed buffers.
using AudioCallback = int (*)(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);

struct StartedAudio {
    fluid_audio_driver_t* driver = nullptr;  // null when no driver started
    std::string name;                        // the driver that started
};

// main thread. Tries each driver in order; the first that starts calls
// `callback` on its own audio thread until it is deleted. The failures of
// the others are kept off the terminal.
StartedAudio StartAudioDriver(fluid_settings_t* settings, const std::vector<std::string>& drivers,
                              AudioCallback callback, void* data);

}  // namespace ostinel::platform
