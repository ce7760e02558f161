#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

#include "midi/output_settings.h"
#include "midi/port_map.h"
#include "platform/midi_devices.h"
#include "platform/timer_service.h"
#include "sequence/piece.h"

namespace ostinel {

// The one way MIDI leaves the program. Every message goes to one output port
// or to every output device once (port kAllPorts), through the device that
// the PortMap keeps open for the port; a port whose device is closed sends
// nothing.
//
// A device that refuses a message gets it once more 10 ms later, from the
// timer service, unless the last send failed: the sender never waits for the
// retry. One refused system-exclusive message at a time (up to
// kMaxRetriedSysexBytes) is kept for its retry. Nothing is reported to the user.
//
// Threads: the sends run on the main thread, the timer thread (the tick and
// the delayed sends) and the input thread (thru) at once, and never allocate,
// lock or wait. Delayed sends and retries are timers of the timer service
// whose context is this object: stop the service before destroying it.
class MidiOutput {
  public:
    static constexpr std::uint32_t kRetryWaitMs = 10;
    static constexpr std::size_t kMaxRetriedSysexBytes = 1024;

    MidiOutput(const PortMap& ports, platform::TimerService& timers);
    MidiOutput(const MidiOutput&) = delete;
    MidiOutput& operator=(const MidiOutput&) = delete;

    // main thread
    void SetSettings(const OutputSettings& settings);
    const OutputSettings& Settings() const { return settings_; }

    // any thread. `message` is a channel or system message, or a
    // system-exclusive message (F0 up to the first F7 is sent; without an F7
    // nothing is). A short message is its status and as many data bytes as
    // the status calls for, missing ones sent as 0. With `delayMs` above 0 a
    // short message goes out that much later on a one-shot timer, to the
    // device its port uses then; a system-exclusive message cannot be
    // carried by a timer and goes out at once.
    void SendMidi(std::span<const std::uint8_t> message, int port, std::uint32_t delayMs = 0);

    // any thread. The entry's substitute when `useSubstitute`, else the patch
    // as found in the file, as bank and program messages on `channel`, at once.
    void SendPatch(const PatchEntry& entry, int channel, int port, bool useSubstitute);

    // input thread. Forwards an incoming message to the thru port, on the
    // thru channel unless that is "Same as Input"; system messages pass as
    // they are. Whether thru is on is the intake's decision.
    void SendThru(std::span<const std::uint8_t> message);

    // main thread. While the MIDI Metronome dialog takes its values from MIDI
    // input, incoming messages are not forwarded.
    void SetThruSuppressed(bool suppressed);

    // any thread: whether the last send failed, which decides if the next
    // refused one is retried.
    bool LastSendFailed() const { return lastSendFailed_.load(std::memory_order_relaxed); }

  private:
    void SendToPort(std::span<const std::uint8_t> message, int port, std::uint32_t delayMs);
    void Deliver(std::span<const std::uint8_t> message, int port, bool isLong);
    // The refused message goes again kRetryWaitMs later; false when it cannot.
    bool ScheduleRetry(std::span<const std::uint8_t> message, int port, bool isLong);
    void Retry(std::span<const std::uint8_t> message, int port, bool isLong);
    static void SendDelayed(void* self, std::uint32_t packed);
    static void SendRetry(void* self, std::uint32_t packed);
    static void SendRetriedSysex(void* self, std::uint32_t port);

    const PortMap& ports_;
    platform::TimerService& timers_;
    OutputSettings settings_;  // main thread
    // The thru port (low 16 bits) and thru channel (high 16 bits), read whole
    // by the input thread while the dialog may change them.
    std::atomic<std::uint32_t> thruRoute_;
    std::atomic<bool> thruSuppressed_{false};
    // A lost update between threads only changes whether the next refusal
    // waits, so relaxed order is enough.
    std::atomic<bool> lastSendFailed_{false};
    // The refused system-exclusive message waiting for its retry; held while set.
    std::atomic<bool> sysexRetryHeld_{false};
    std::array<std::uint8_t, kMaxRetriedSysexBytes> sysexRetry_{};
    std::size_t sysexRetryLength_ = 0;
};

}  // namespace ostinel
