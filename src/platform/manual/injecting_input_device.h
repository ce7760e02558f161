#pragma once

#include <cstdint>
#include <mutex>
#include <span>

#include "platform/clock.h"
#include "platform/midi_devices.h"

namespace ostinel::platform {

// An input device for tests and offline runs: the test pushes messages with
// their time stamps and the device hands each to its callback synchronously,
// on the pushing thread, as a real device's input thread would. Messages
// pushed while the device is stopped or has no callback are dropped, as a
// real device drops what arrives before Start.
class InjectingInputDevice final : public MidiInputDevice {
  public:
    InjectingInputDevice() = default;
    InjectingInputDevice(MidiInputCallback callback, void* context, int port);

    // main thread
    bool Start() override;
    // main thread. Returns after any callback in progress has ended.
    void Stop() override;

    // main thread: the callback an opening gives, and its removal at closing.
    void Connect(MidiInputCallback callback, void* context, int port);
    void Disconnect();

    // any thread (it stands for the input thread). True when the callback ran.
    bool Inject(std::span<const std::uint8_t> message, ClockMs time);

    bool Started() const;

  private:
    // Held across the callback, so that Stop cannot return while one runs.
    mutable std::mutex mutex_;
    MidiInputCallback callback_ = nullptr;
    void* context_ = nullptr;
    int port_ = 0;
    bool started_ = false;
};

}  // namespace ostinel::platform
