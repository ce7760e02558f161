#pragma once

#include <cstdint>

#include "follower/following_options.h"
#include "midi/output_settings.h"

namespace ostinel {

// The intake's share of the FollowingOptions, the thru of the output settings
// and the performance settings: what the input and timer threads read, handed
// over as one set by PerformanceIntake::SetSettings on the main thread.
struct IntakeSettings {
    bool thruOn = false;
    bool thruProcessFirst = false;
    FollowSource followSource = FollowSource::SoloistsPlaying;
    TapSource tapSource = TapSource::SpaceBar;
    std::uint8_t tapNote = kNoTapValue;
    std::uint8_t tapController = kNoTapValue;
    bool playTappedNotes = false;
    bool startAutomatically = true;

    friend bool operator==(const IntakeSettings&, const IntakeSettings&) = default;
};

// The intake's share of the following options, the output settings (thru)
// and the performance settings (playTappedNotes).
IntakeSettings MakeIntakeSettings(const FollowingOptions& following, const OutputSettings& output,
                                  bool playTappedNotes);

}  // namespace ostinel
