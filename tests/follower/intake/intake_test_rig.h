#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "follower/following_options.h"
#include "follower/intake/performance_intake.h"
#include "follower/intake/soloist_receiver.h"
#include "follower/intake/transport_status.h"
#include "follower/remote_control.h"
#include "midi/midi_test_rig.h"
#include "platform/key_state.h"
#include "playback/transport_request_queue.h"

namespace ostinel::testing {

constexpr std::uint32_t Word(std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0) {
    return status | (static_cast<std::uint32_t>(data1) << 8) |
           (static_cast<std::uint32_t>(data2) << 16);
}

// A soloist receiver that keeps every note and tap the intake hands on. Safe to feed from several
// threads.
class RecordingReceiver final : public SoloistReceiver {
  public:
    struct Note {
        std::uint32_t word;
        ScorePosition position;
        friend bool operator==(const Note&, const Note&) = default;
    };

    bool NoteIn(std::uint32_t word, ScorePosition songPosition) override {
        std::lock_guard lock(mutex_);
        notes_.push_back({word, songPosition});
        return true;
    }
    bool TapIn(Fixed16 strength) override {
        std::lock_guard lock(mutex_);
        taps_.push_back(strength);
        return true;
    }

    std::vector<Note> Notes() const {
        std::lock_guard lock(mutex_);
        return notes_;
    }
    std::vector<Fixed16> Taps() const {
        std::lock_guard lock(mutex_);
        return taps_;
    }
    std::size_t TapCount() const {
        std::lock_guard lock(mutex_);
        return taps_.size();
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        notes_.clear();
        taps_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<Note> notes_;
    std::vector<Fixed16> taps_;
};

// A transport status that the test sets.
class FakeTransportStatus final : public TransportStatus {
  public:
    ScorePosition SongPosition() const override { return position.load(); }
    RunningCommands Running() const override {
        RunningCommands r;
        r.following = following.load();
        r.playingFile = playingFile.load();
        r.playingPerformance = playingPerformance.load();
        r.fastForward = fastForward.load();
        r.rewinding = rewinding.load();
        return r;
    }

    std::atomic<ScorePosition> position{};
    std::atomic<bool> following{false};
    std::atomic<bool> playingFile{false};
    std::atomic<bool> playingPerformance{false};
    std::atomic<bool> fastForward{false};
    std::atomic<bool> rewinding{false};
};

// One engine's intake on a manual clock: thru goes to output device 1, the
// soloist's notes and taps go to a recorder, the transport is a fake.
struct IntakeRig {
    IntakeRig() {
        midi.RouteOutputs({0, 1, 2, 0, 0, 0, 0, 0});
        OutputSettings output;
        output.thruPort = 1;
        midi.output.SetSettings(output);
    }

    std::vector<Bytes> Thru() { return midi.system.Output(1).Bytes(); }
    std::vector<std::int16_t> Requests() {
        std::vector<std::int16_t> codes;
        for (std::int16_t code = requests.TakeRequest(); code != TransportRequestQueue::kNoRequest;
             code = requests.TakeRequest())
            codes.push_back(code);
        return codes;
    }
    // Ends the recording and returns what it holds.
    std::vector<TrackEvent> Recorded() {
        intake.Recording().Close();
        Track track;
        intake.Recording().MoveInto(track);
        return track.events;
    }
    void Settings(const IntakeSettings& settings) { intake.SetSettings(settings); }
    void Send(std::uint32_t word, int port = 0) {
        intake.HandleMidiInput(word, midi.clock.Now(), port);
    }
    // Play and Follow with these options, the intake's settings taken from them.
    void Follow(const FollowingOptions& options, bool playTappedNotes = false,
                const OutputSettings& output = {}) {
        intake.SetSettings(MakeIntakeSettings(options, output, playTappedNotes));
        intake.PrepareFollowing(options);
    }

    MidiRig midi;
    TransportRequestQueue requests;
    FakeTransportStatus transport;
    RemoteControl remote{requests, transport};
    RecordingReceiver receiver;
    platform::KeyState keys;
    PerformanceIntake intake{midi.clock, midi.timers, midi.ports, midi.output,
                             remote,     receiver,    transport,  keys};
};

inline FollowingOptions TapOptions(TapSource source, std::uint8_t note = kNoTapValue,
                                   std::uint8_t controller = kNoTapValue) {
    FollowingOptions options;
    options.followSource = FollowSource::TappedBeats;
    options.tapSource = source;
    options.tapNote = note;
    options.tapController = controller;
    return options;
}

}  // namespace ostinel::testing
