#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "midi/midi_output.h"
#include "midi/midi_ui.h"
#include "midi/port_map.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"
#include "playback/playback_tick.h"
#include "playback/transport_request_queue.h"
#include "sequence/piece.h"

namespace ostinel::testing {

using Bytes = std::vector<std::uint8_t>;

class SilentUi final : public MidiUi {
  public:
    void ShowMessage(std::string_view /*text*/) override {}
    bool ConfirmMessage(std::string_view /*text*/) override { return true; }
};

// A message as it reached the device, with the clock time it arrived at.
struct Arrival {
    Bytes bytes;
    platform::ClockMs time{};
    friend bool operator==(const Arrival&, const Arrival&) = default;
};

// One engine's tick on a manual clock; every output port goes to device 0.
struct TickRig {
    static constexpr platform::ClockMs kStartClock = platform::ClockMs{1000};

    TickRig() {
        for (int port = 0; port < kPortCount; ++port)
            ports.SetOutputDevice(port, 0);
        ports.OpenOutputPorts(ui);
        OutputSettings settings;
        settings.syncPort = 0;
        settings.sysexPort = 0;
        output.SetSettings(settings);
    }

    std::vector<Arrival> Arrivals() {
        std::vector<Arrival> arrivals;
        for (const auto& message : system.Output(0).Messages())
            arrivals.push_back(Arrival{message.bytes, message.time});
        return arrivals;
    }

    std::vector<Bytes> Sent() { return system.Output(0).Bytes(); }

    // Plays from score position `from` with the clock anchored at its current reading.
    bool Play(SpeedFactor speed = kOwnTempoSpeed, PlaybackMotion motion = PlaybackMotion::Playing,
              ScorePosition from = ScorePosition{}) {
        start.clock.anchor = PositionAnchor{from, clock.Now()};
        start.clock.speed = speed;
        start.clock.motion = motion;
        start.clock.end = static_cast<ScorePosition>(piece.lastEventTime);
        return tick.Start(piece, start);
    }

    platform::ManualClock clock{kStartClock};
    platform::ManualTimerService timers{clock};
    platform::ManualMidiSystem system{clock, {"Keys In"}, {"Synth", "Module"}};
    SilentUi ui;
    PortMap ports{system};
    MidiOutput output{ports, timers};
    TransportRequestQueue requests;
    PlaybackTick tick{clock, timers, output, requests};
    Piece piece;
    PlaybackStart start;
};

// A piece of `trackCount` file tracks (channel = index) and an empty
// performance track.
inline Piece PieceOf(std::vector<std::vector<TrackEvent>> tracks) {
    Piece piece;
    piece.firstEventTime = 0x7FFFFFFF;
    for (std::size_t i = 0; i <= tracks.size(); ++i) {
        Track track;
        if (i < tracks.size()) track.events = std::move(tracks[i]);
        track.count = static_cast<std::int32_t>(track.events.size());
        track.channel = static_cast<std::int16_t>(i % 16);
        for (const auto& event : track.events) {
            piece.firstEventTime = std::min(piece.firstEventTime, event.time);
            piece.lastEventTime = std::max(piece.lastEventTime, event.time);
        }
        piece.tracks.push_back(std::move(track));
    }
    piece.loaded = true;
    return piece;
}

inline TrackEvent On(std::uint32_t time, std::uint8_t key, std::uint8_t velocity = 100) {
    return TrackEvent{time, kNoteOn, key, velocity, 0};
}
inline TrackEvent Off(std::uint32_t time, std::uint8_t key) {
    return TrackEvent{time, kNoteOff, key, 64, 0};
}
inline TrackEvent Control(std::uint32_t time, std::uint8_t number, std::uint8_t value) {
    return TrackEvent{time, kControlChange, number, value, 0};
}

}  // namespace ostinel::testing
