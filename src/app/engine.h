#pragma once

#include <memory>
#include <string>

#include "app/transport_availability.h"
#include "app/transport_request_queue.h"
#include "midi/midi_output.h"
#include "midi/piece_sysex.h"
#include "midi/port_map.h"
#include "platform/clock.h"
#include "platform/midi_devices.h"
#include "platform/timer_service.h"
#include "playback/playback_tick.h"
#include "playback/transport.h"
#include "playback/transport_ui.h"
#include "sequence/piece.h"

namespace ostinel {

// One running program: the piece, the ports, the output, the tick and the
// transport, on one clock and timer service. The desktop program, the
// command line, the tests and the benchmarks each build their own; several
// can run side by side on manual clocks.
//
// Threads: main thread, except what the subsystems say of themselves. The
// timer service serves this engine alone: the engine cancels every armed
// timer when it goes, since ticks and delayed sends point into it.
class Engine {
  public:
    Engine(const platform::Clock& clock, platform::TimerService& timers, platform::MidiSystem& midi,
           TransportUi& ui);
    // Stops the transport, sends the piece's closing messages, cancels the
    // timers and closes every device.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // main thread. Opens the devices the output ports use; the Ui hears once
    // about each that fails. False when some could not be opened.
    bool OpenOutputPorts();

    // main thread. Stops, reads the file and, when it loaded, makes it the
    // piece (the old one's closing and the new one's leading system exclusive
    // go out around it). A file that fails to load leaves the old piece.
    LoadResult OpenPiece(const std::string& path);
    // main thread: the piece playing; nullptr before one loaded.
    Piece* CurrentPiece() { return piece_.get(); }

    // main thread: one pass of the idle work: the transport's timed steps,
    // paced system exclusive, then every queued request that is available.
    void IdlePass();
    // any thread: whether IdlePass has work now. When false the program can
    // sleep until the user or a posted request wakes it.
    bool NeedsIdlePass() const;

    PortMap& Ports() { return ports_; }
    MidiOutput& Output() { return output_; }
    PlaybackTick& Tick() { return tick_; }
    Transport& GetTransport() { return transport_; }
    TransportRequestQueue& Requests() { return requests_; }
    const TransportAvailability& Availability() const { return availability_; }

  private:
    void DrainRequests();

    platform::TimerService& timers_;
    TransportUi& ui_;
    PortMap ports_;
    MidiOutput output_;
    TransportRequestQueue requests_;
    TransportAvailability availability_;
    PlaybackTick tick_;
    Transport transport_;
    PieceSysex pieceSysex_;
    std::unique_ptr<Piece> piece_;
};

}  // namespace ostinel
