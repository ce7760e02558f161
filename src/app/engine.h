#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/settings_ui.h"
#include "follower/engine/follower.h"
#include "follower/following_options.h"
#include "follower/intake/performance_intake.h"
#include "follower/intake/soloist_receiver.h"
#include "follower/intake/transport_status.h"
#include "follower/remote_control.h"
#include "follower/special_markers.h"
#include "midi/midi_output.h"
#include "midi/piece_sysex.h"
#include "midi/port_map.h"
#include "platform/clock.h"
#include "platform/key_state.h"
#include "platform/midi_devices.h"
#include "platform/settings_store.h"
#include "platform/timer_service.h"
#include "playback/follower_reports.h"
#include "playback/playback_tick.h"
#include "playback/soloist_listening.h"
#include "playback/transport.h"
#include "playback/transport_availability.h"
#include "playback/transport_request_queue.h"
#include "playback/transport_ui.h"
#include "sequence/piece.h"
#include "settings/settings_records.h"

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

    // main thread. Opens the devices the output (input) ports use; the Ui
    // hears once about each that fails. False when some could not be opened.
    bool OpenOutputPorts();
    bool OpenInputPorts();

    // main thread, while stopped: what and how Play and Follow follows, and
    // the special markers. They reach the follower, the intake and the
    // transport at once, and again whenever a piece opens. False when the
    // follower could not take them (a track the piece does not have).
    bool SetFollowingOptions(const FollowingOptions& options);
    const FollowingOptions& Following() const { return following_; }
    bool SetSpecialMarkers(const SpecialMarkers& markers);
    const SpecialMarkers& Markers() const { return markers_; }

    // main thread: the output side of the system settings; thru reaches the
    // intake at once.
    void SetOutputSettings(const OutputSettings& settings);
    // main thread, while stopped: how Play Performance plays; the tapped
    // notes choice reaches the intake at once.
    void SetPerformanceSettings(const PerformanceSettings& settings);

    // main thread: where the system settings are kept (none: loads give the
    // defaults, stores fail) and the window's share of applying settings.
    void UseSettingsStore(platform::SettingsStore& store) { settingsStore_ = &store; }
    platform::SettingsStore* SettingsStoreInUse() { return settingsStore_; }
    void UseSettingsUi(SettingsUi& ui) { settingsUi_ = &ui; }
    SettingsUi& GetSettingsUi() { return *settingsUi_; }
    // main thread: the settings records as last applied. The fields that no
    // engine subsystem holds (view behaviour, where the views stand) live only
    // here; capturing the settings overwrites the others from the subsystems.
    SystemSettings& SystemRecord() { return systemRecord_; }
    PieceSettings& PieceRecord() { return pieceRecord_; }
    // main thread: the piece's name from the File Information dialog; empty for none.
    std::string& DisplayName() { return displayName_; }
    // main thread: whether a file open has completed since start-up, so that
    // the settings may be stored at shutdown.
    bool SettingsStorable() const { return settingsStorable_; }
    void SetSettingsStorable(bool storable) { settingsStorable_ = storable; }

    // main thread. Stops, reads the file and, when it loaded, makes it the
    // piece (the old one's closing and the new one's leading system exclusive
    // go out around it). A file that fails to load leaves the old piece.
    LoadResult OpenPiece(const std::string& path);
    // main thread: what reads a file into a piece for OpenPiece; by default
    // the one piece opening of every file kind. Tests put a reader here that
    // fails as the machine would (out of memory, say).
    using PieceReader = std::function<LoadResult(const std::string& path, Piece& piece)>;
    void UsePieceReader(PieceReader reader) { pieceReader_ = std::move(reader); }
    // main thread: the piece playing; nullptr before one loaded.
    Piece* CurrentPiece() { return piece_.get(); }

    // main thread: one pass of the idle work: the transport's timed steps,
    // paced system exclusive, then every queued request that is available.
    void IdlePass();
    // any thread: whether IdlePass has work now. When false the program can
    // sleep until the user or a posted request wakes it.
    bool NeedsIdlePass() const;

    platform::MidiSystem& Midi() { return midi_; }
    TransportUi& Ui() { return ui_; }
    PortMap& Ports() { return ports_; }
    MidiOutput& Output() { return output_; }
    PlaybackTick& Tick() { return tick_; }
    Transport& GetTransport() { return transport_; }
    TransportRequestQueue& Requests() { return requests_; }
    const TransportAvailability& Availability() const { return availability_; }
    Follower& GetFollower() { return follower_; }
    FollowerReports& Reports() { return reports_; }
    PerformanceIntake& Intake() { return intake_; }
    RemoteControl& Remote() { return remote_; }
    // The space bar and right mouse button, fed by the window.
    platform::KeyState& Keys() { return keys_; }

  private:
    // The transport status the input thread reads: the transport's published position and mode.
    class PublishedTransportStatus final : public TransportStatus {
      public:
        explicit PublishedTransportStatus(const Transport& transport) : transport_(transport) {}
        ScorePosition SongPosition() const override;
        RunningCommands Running() const override;

      private:
        const Transport& transport_;
    };
    // The soloist listening that the transport starts and ends: the engine's intake.
    class IntakeListening final : public SoloistListening {
      public:
        explicit IntakeListening(Engine& engine) : engine_(engine) {}
        void BeginFollowing(bool followerStarted) override;
        void EndFollowing(Track& performance) override;
        bool HearsTheSoloist() const override;

      private:
        Engine& engine_;
    };

    void DrainRequests();
    // While previewing: Stop is dropped, the rest wait for the preview's end,
    // as they would behind a preview that held the main thread.
    void HoldRequestsDuringPreview();
    void CarryOutRequest(std::int16_t code);
    // Gives the piece's following tracks (or beats), the options and the
    // markers to the follower and the rest.
    bool HandFollowingOver();
    void StopAutomaticallyIfSilent();
    void MakeRecordingRoom();

    platform::TimerService& timers_;
    platform::MidiSystem& midi_;
    TransportUi& ui_;
    PortMap ports_;
    MidiOutput output_;
    TransportRequestQueue requests_;
    TransportAvailability availability_;
    PlaybackTick tick_;
    Transport transport_;
    PieceSysex pieceSysex_;
    std::unique_ptr<Piece> piece_;
    PieceReader pieceReader_;  // empty: OpenPieceFile

    platform::KeyState keys_;
    Follower follower_;
    FollowerReports reports_;
    FollowerReceiver followerReceiver_{follower_};
    PublishedTransportStatus transportStatus_{transport_};
    RemoteControl remote_;
    PerformanceIntake intake_;
    IntakeListening intakeListening_{*this};
    FollowingOptions following_;
    SpecialMarkers markers_;
    std::vector<ScoreRange> ignoreRanges_;  // the markers' Ignore Soloist ranges, merged
    bool recordingFullShown_ = false;
    std::array<std::int16_t, TransportRequestQueue::kCapacity> heldRequests_{};
    std::size_t heldRequestCount_ = 0;

    platform::SettingsStore* settingsStore_ = nullptr;
    SettingsUi noSettingsUi_;
    SettingsUi* settingsUi_ = &noSettingsUi_;
    SystemSettings systemRecord_;
    PieceSettings pieceRecord_;
    std::string displayName_;
    bool settingsStorable_ = false;
};

}  // namespace ostinel
