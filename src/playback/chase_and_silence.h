#pragma once

#include <cstdint>
#include <functional>

#include "midi/midi_output.h"
#include "music/score_position.h"
#include "platform/timer_service.h"
#include "playback/loop_and_metronome.h"
#include "sequence/piece.h"

namespace ostinel {

// What the devices hear at the edges of a span: the piece's state chased
// where it starts, what sounded released where it stops, and the receivers
// of external sync told where the piece stands.
class ChaseAndSilence {
  public:
    // Whether a track (an index of the piece's tracks; the take is the last)
    // is chased at the start or released at the stop.
    using TrackChoice = std::function<bool(int)>;

    // Where and how a span starts.
    struct Start {
        ScorePosition position;
        std::int32_t sysExIndex = 0;  // the system-exclusive messages before it were passed
        std::int16_t masterVolume = 256;
        std::int16_t masterTranspose = 0;
        bool quiet = false;            // fast forward and preview: held notes softly
        bool metronomeClicks = false;  // the metronome's program goes out first
        bool previewing = false;       // external sync hears nothing of a preview
    };

    ChaseAndSilence(platform::TimerService& timers, MidiOutput& output)
        : timers_(timers), output_(output) {}
    ChaseAndSilence(const ChaseAndSilence&) = delete;
    ChaseAndSilence& operator=(const ChaseAndSilence&) = delete;

    // main thread, while no tick runs: the system-exclusive messages the
    // settings send again, each chosen track's controllers, program and bend,
    // a pause for the devices, its held notes, the metronome's program, and
    // the sync receivers' locate and start.
    void ChaseStart(Piece& piece, const Start& start, const MetronomeSettings& metronome,
                    const TrackChoice& chased);
    // main thread, after the tick stopped: sound off on the first `tracks`
    // tracks (unless thru is on), each chosen one released, the messages
    // from `nextSysEx` on where the settings send them every time, and the
    // sync stop.
    void SilenceStop(const Piece& piece, int tracks, std::int32_t nextSysEx,
                     std::int16_t masterTranspose, bool previewing, const TrackChoice& sources);
    // main thread: a full time-code frame, or a song position, for `position`.
    void SendLocateSync(const Piece& piece, ScorePosition position);
    // main thread: the metronome's program change, before it clicks.
    void SendMetronomeProgram(const MetronomeSettings& metronome);

  private:
    void ChaseSysEx(const Piece& piece, ScorePosition position, std::int32_t sysExIndex);

    platform::TimerService& timers_;
    MidiOutput& output_;
};

}  // namespace ostinel
