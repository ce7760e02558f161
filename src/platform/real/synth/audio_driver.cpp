#include "platform/real/synth/audio_driver.h"

#include <fluidsynth.h>

#include "platform/real/alsa/quiet_alsa_library.h"
#include "platform/real/synth/fluid_log.h"

namespace ostinel::platform {

StartedAudio StartAudioDriver(fluid_settings_t* settings, const std::vector<std::string>& drivers,
                              AudioCallback callback, void* data) {
    FluidLogCapture log;
    QuietAlsaLibrary quiet;
    StartedAudio started;
    for (const std::string& name : drivers) {
        if (fluid_settings_setstr(settings, "audio.driver", name.c_str()) != FLUID_OK) continue;
        started.driver = new_fluid_audio_driver2(settings, callback, data);
        if (started.driver != nullptr) {
            started.name = name;
            break;
        }
    }
    return started;
}

}  // namespace ostinel::platform
