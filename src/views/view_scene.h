#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ostinel::views {

// One column of the Tracks view.
struct TrackColumnScene {
    int track = 0;
    std::string name;
    int port = 0;     // 0-7, shown as A-H
    int channel = 0;  // 0-15, shown as 1-16
    int transpose = 0;
    int volume = 256;
    bool plays = true;
    bool follows = false;
    std::uint16_t playLampState = 0;  // pressed while the mouse holds it
    std::uint16_t followLampState = 0;
};

// What the views show, read from the engine when they are drawn.
struct ViewScene {
    std::string title;
    int measure = 0;  // a score's pickup is measure 0
    int beat = 0;     // 0: no beat to show
    int tempo = 0;    // beats per minute
    std::int32_t tempoScale = 4096;
    std::int32_t masterVolume = 256;
    int loopBeginMeasure = 0;
    int loopBeginBeat = 0;
    int loopEndMeasure = 0;
    int loopEndBeat = 0;
    bool playing = false;
    // The transport commands that can be given now, for dimming the keys' icons.
    bool rewindEnabled = true;
    bool stopEnabled = true;
    bool playAndFollowEnabled = true;
    bool playFileEnabled = true;
    bool playPerformanceEnabled = true;
    bool previewEnabled = true;
    bool fastForwardEnabled = true;
    std::vector<TrackColumnScene> columns;
    int focusThumb = -1;  // the element whose drag shows a focus rectangle
};

}  // namespace ostinel::views
