#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace ostinel::platform {

// What a device answered to one send.
enum class MidiSendResult {
    Sent,
    Refused,  // busy or full: the caller may retry once
    Failed,   // the device is gone; retrying will not help
};

// An open MIDI output device. Sends may come from the main thread, the timer
// thread and the input thread; each implementation serialises its own device
// calls without blocking for long (the real ones hand bytes to the driver).
class MidiOutputDevice {
  public:
    virtual ~MidiOutputDevice() = default;

    // any thread; never allocates. A channel or system message of 1-3 bytes.
    virtual MidiSendResult SendShort(std::span<const std::uint8_t> message) = 0;
    // any thread. A whole system-exclusive message, F0 through F7.
    virtual MidiSendResult SendLong(std::span<const std::uint8_t> message) = 0;
};

// Receives every incoming message of an open input device, on the device's
// input thread, stamped with the engine clock. `port` is the value given at
// opening (the input port index).
using MidiInputCallback = void (*)(void* context, int port, std::span<const std::uint8_t> message,
                                   ClockMs time);

// An open MIDI input device; messages flow to the callback between Start and
// Stop, and never after destruction returns.
class MidiInputDevice {
  public:
    virtual ~MidiInputDevice() = default;

    // main thread
    virtual bool Start() = 0;
    // main thread
    virtual void Stop() = 0;
};

// The numbered MIDI devices of this machine. Output device 0 is the built-in
// synth; the rest follow in the platform's order. Numbers stay fixed for the
// life of the object.
class MidiSystem {
  public:
    virtual ~MidiSystem() = default;

    // main thread
    virtual int InputDeviceCount() const = 0;
    virtual int OutputDeviceCount() const = 0;
    // The product name, or empty when the platform cannot report it.
    virtual std::string InputDeviceName(int device) const = 0;
    virtual std::string OutputDeviceName(int device) const = 0;

    // main thread. Null when the device cannot be opened (in use, gone).
    virtual std::unique_ptr<MidiOutputDevice> OpenOutput(int device) = 0;
    virtual std::unique_ptr<MidiInputDevice> OpenInput(int device, MidiInputCallback callback,
                                                       void* context, int port) = 0;

    // What this machine lacks (no sequencer, no audio device), in plain
    // words, for the program to say once at start-up; empty when all is there.
    virtual std::vector<std::string> MissingServices() const = 0;
};

}  // namespace ostinel::platform
