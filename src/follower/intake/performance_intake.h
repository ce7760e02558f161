#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

#include "follower/following_options.h"
#include "follower/intake/input_mode.h"
#include "follower/intake/intake_settings.h"
#include "follower/intake/performance_recording.h"
#include "follower/intake/soloist_receiver.h"
#include "follower/intake/transport_status.h"
#include "follower/remote_control.h"
#include "midi/midi_output.h"
#include "midi/port_map.h"
#include "platform/clock.h"
#include "platform/key_state.h"
#include "platform/one_shot_timer.h"
#include "platform/timer_service.h"

namespace ostinel {

// Where a dialog that learns a note or controller hears each message: called
// on the input thread with the message word, it must not block, lock or
// allocate (it hands the word on to its own thread).
using LearnCallback = void (*)(void* context, std::uint32_t word);

// Every short message from an open input port passes through here: echoed
// to thru, filtered by channel, cleaned of re-struck keys, offered to a
// learning dialog and to remote control, recorded while following and handed
// to the follower as a note or a tap. Taps from the space bar or the right
// mouse button come in through a 2 ms poll on the timer thread.
//
// A message word is byte 0 status, byte 1 and 2 the data bytes, byte 3 zero;
// the steps edit it in place and each consumer sees it as the earlier steps
// left it.
//
// Threads: HandleMidiInput on the input threads (one per open device, so
// possibly several at once), PollTapKey on the timer thread; neither
// allocates, locks or blocks. Settings change on the main thread while the
// transport is stopped; the mode, the transpose and the flags from any
// thread. The timer service must be stopped before this is destroyed.
class PerformanceIntake {
  public:
    static constexpr std::uint32_t kRestrikeMs = 50;  // a key struck again sooner is ignored
    static constexpr std::uint32_t kTapPollMs = 2;
    static constexpr int kTapControllerCount = 122;        // controllers 122-127 never tap
    static constexpr std::uint8_t kPedalPressAbove = 72;   // a pedal taps when it rises past this
    static constexpr std::uint8_t kPedalRestBelow = 56;    // and re-arms when it falls below this
    static constexpr Fixed16 kStrengthPerVelocity = 1024;  // velocity 64 taps at strength 1.0
    static constexpr std::uint32_t kLeadInEvents = 256;    // kept while listening for a start
    static constexpr std::uint32_t kLeadInPauseMs = 3000;  // a longer silence ends the phrase

    PerformanceIntake(const platform::Clock& clock, platform::TimerService& timers,
                      const PortMap& ports, MidiOutput& output, RemoteControl& remote,
                      SoloistReceiver& receiver, const TransportStatus& transport,
                      const platform::KeyState& keys);
    PerformanceIntake(const PerformanceIntake&) = delete;
    PerformanceIntake& operator=(const PerformanceIntake&) = delete;

    // input thread: the callback to open input ports with, `context` this
    // intake. Short messages go to HandleMidiInput; system exclusive is ignored.
    static void InputCallback(void* context, int port, std::span<const std::uint8_t> message,
                              platform::ClockMs time);

    // input thread: one message word received on input port `port` (0-7) at `time`.
    void HandleMidiInput(std::uint32_t word, platform::ClockMs time, int port);
    // timer thread: the tap poll; re-arms itself for 2 ms later while the
    // mode is InputTapKey.
    void PollTapKey();

    // main thread, while stopped
    void SetSettings(const IntakeSettings& settings);
    // any thread
    IntakeSettings Settings() const;

    // any thread
    void SetInputMode(InputMode mode) { mode_.store(mode, std::memory_order_release); }
    InputMode Mode() const { return mode_.load(std::memory_order_acquire); }
    void SetMasterTranspose(std::int16_t halfSteps) {
        masterTranspose_.store(halfSteps, std::memory_order_release);
    }
    // main thread: set while a piece loads; only the thru before processing happens.
    void SetInputBlocked(bool blocked) { inputBlocked_.store(blocked, std::memory_order_release); }
    // main thread: set while the Following, Remote Control or Metronome dialog is
    // open, so that no input triggers commands, is recorded or is followed.
    void SetInputDialogOpen(bool open) { dialogOpen_.store(open, std::memory_order_release); }
    bool InputDialogOpen() const { return dialogOpen_.load(std::memory_order_acquire); }

    // main thread: the dialog that learns from the input while the mode is
    // InputLearn. Clearing returns only when no call to the old one is in progress.
    void SetLearnCallback(LearnCallback callback, void* context);
    void ClearLearnCallback();

    // main thread, Play and Follow: the mode for the source, the tap latches
    // and the tap poll, and a fresh recording. When the follower started it
    // (`keepLeadIn`), the recording opens with the phrase that led into the
    // start, played while the intake listened for it. False when the
    // recording could not get its room (RecordingFailed is set; following
    // goes on).
    bool PrepareFollowing(const FollowingOptions& options, bool keepLeadIn = false);
    // main thread, the stop of following: the idle mode, no more tap polls,
    // and the recording closed for the performance track to take.
    void LeaveFollowing(const FollowingOptions& options);

    PerformanceRecording& Recording() { return recording_; }
    const PerformanceRecording& Recording() const { return recording_; }

  private:
    static constexpr int kNoteOffRows = kPortCount * kChannelCount;

    // A channel message's way after the blocked-input check: channel filter,
    // re-strike filter, learning, remote control, recording, taps, and the
    // note handed to the follower. Returning goes on to the thru after processing.
    void Process(std::uint32_t& word, platform::ClockMs time, int port,
                 const IntakeSettings& settings);
    // The re-strike filter; false drops the message.
    bool PassesRestrikeFilter(std::uint8_t status, std::uint8_t key, platform::ClockMs time,
                              int port, int channel);
    void RecordInput(std::uint32_t word, platform::ClockMs time, const IntakeSettings& settings);
    // What the soloist plays while the follower listens for a start; the
    // start's recording takes its last phrase.
    void RecordLeadIn(const TrackEvent& event);
    void TakeLeadIn(bool keep);
    void TapFromMidi(std::uint32_t word, const IntakeSettings& settings);
    void PassToLearner(std::uint32_t word);
    void SendThru(std::uint32_t word);
    static void OnTapPoll(void* self);

    const PortMap& ports_;
    MidiOutput& output_;
    RemoteControl& remote_;
    SoloistReceiver& receiver_;
    const TransportStatus& transport_;
    const platform::KeyState& keys_;
    OneShotTimer tapPoll_;
    PerformanceRecording recording_;

    std::atomic<std::uint64_t> settings_;  // IntakeSettings packed, read whole
    std::atomic<InputMode> mode_{InputMode::InputAwaitStart};
    std::atomic<std::int16_t> masterTranspose_{0};
    std::atomic<bool> inputBlocked_{false};
    std::atomic<bool> dialogOpen_{false};
    std::atomic<LearnCallback> learnCallback_{nullptr};
    std::atomic<void*> learnContext_{nullptr};
    std::atomic<int> learnCalls_{0};

    // NoteOffTimes: per port × 16 + channel, per key, the clock time of the
    // key's latest note-off since its last accepted note-on; 0 for none.
    std::unique_ptr<std::atomic<std::uint32_t>[]> noteOffTimes_;
    std::array<std::atomic<bool>, kTapControllerCount> controllerTapLatch_{};
    // A ring of the latest events heard in InputAwaitStart; leadInCount_
    // counts every slot ever taken, leadInAppending_ the appends under way.
    std::array<TrackEvent, kLeadInEvents> leadIn_{};
    std::atomic<std::uint32_t> leadInCount_{0};
    std::atomic<int> leadInAppending_{0};
    std::atomic<bool> keyTapLatch_{false};
};

}  // namespace ostinel
