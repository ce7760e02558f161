#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/midi_devices.h"
#include "platform/send_gate.h"

class RtMidiOut;

namespace ostinel::platform {

// An ALSA sequencer port we send to: another program's port, or our own
// virtual port that other programs read from.
class AlsaOutput final : public MidiOutputDevice {
  public:
    // main thread. Connects to the port RtMidi names `rtMidiName`; null when
    // it is gone or cannot be opened.
    static std::unique_ptr<AlsaOutput> OpenPort(const std::string& rtMidiName);
    // main thread. Makes the virtual port `portName` under our client.
    static std::unique_ptr<AlsaOutput> OpenVirtual(const std::string& portName);
    ~AlsaOutput() override;
    AlsaOutput(const AlsaOutput&) = delete;
    AlsaOutput& operator=(const AlsaOutput&) = delete;

    // any thread. RtMidi is not safe to call from two threads at once: a
    // send that finds another one in progress leaves its message for that
    // one to send (SendGate), so contention never refuses a message. Short
    // messages never allocate; a system-exclusive message longer than any
    // before makes RtMidi grow its buffer once.
    MidiSendResult SendShort(std::span<const std::uint8_t> message) override;
    MidiSendResult SendLong(std::span<const std::uint8_t> message) override;

  private:
    explicit AlsaOutput(std::unique_ptr<RtMidiOut> port);
    MidiSendResult Send(std::span<const std::uint8_t> message);
    MidiSendResult SendNow(std::span<const std::uint8_t> message);

    std::unique_ptr<RtMidiOut> port_;
    SendGate<256, 64> gate_;
    std::atomic<bool> failed_{false};
};

}  // namespace ostinel::platform
