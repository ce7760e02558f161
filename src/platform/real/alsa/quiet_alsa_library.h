#pragma once

#include <alsa/asoundlib.h>

namespace ostinel::platform {

// ALSA's library prints a screenful on the terminal when there is no sound
// card or sequencer. While we probe for them that says nothing the user needs
// (we tell them in our own words), so it is kept quiet for the lifetime of
// this object and the previous handler comes back afterwards. main thread.
class QuietAlsaLibrary {
  public:
    QuietAlsaLibrary() : previous_(snd_lib_error) { snd_lib_error_set_handler(&Ignore); }
    ~QuietAlsaLibrary() { snd_lib_error_set_handler(previous_); }
    QuietAlsaLibrary(const QuietAlsaLibrary&) = delete;
    QuietAlsaLibrary& operator=(const QuietAlsaLibrary&) = delete;

  private:
    static void Ignore(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                       const char* /*format*/, ...) {}

    snd_lib_error_handler_t previous_;
};

}  // namespace ostinel::platform
