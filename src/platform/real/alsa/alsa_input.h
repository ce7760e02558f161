#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/midi_devices.h"

class RtMidiIn;

namespace ostinel::platform {

// An ALSA sequencer port we listen to: another program's port, or our own
// virtual port that other programs write to. RtMidi's input thread calls
// back with each whole message, system-exclusive ones included; we stamp it
// with the engine clock on arrival.
class AlsaInput final : public MidiInputDevice {
  public:
    struct Delivery {
        const Clock* clock = nullptr;
        MidiInputCallback callback = nullptr;
        void* context = nullptr;
        int port = 0;
    };

    // main thread. Connects to the port RtMidi names `rtMidiName`; null when
    // it is gone or cannot be opened.
    static std::unique_ptr<AlsaInput> OpenPort(const std::string& rtMidiName, Delivery delivery);
    // main thread. Makes the virtual port `portName` under our client.
    static std::unique_ptr<AlsaInput> OpenVirtual(const std::string& portName, Delivery delivery);
    // main thread. Returns after RtMidi's thread has ended: no call after it.
    ~AlsaInput() override;
    AlsaInput(const AlsaInput&) = delete;
    AlsaInput& operator=(const AlsaInput&) = delete;

    bool Start() override;
    void Stop() override;

  private:
    AlsaInput(std::unique_ptr<RtMidiIn> port, Delivery delivery);
    static std::unique_ptr<AlsaInput> Prepare(Delivery delivery);
    // input thread
    static void OnMessage(double deltaSeconds, std::vector<unsigned char>* message, void* self);

    std::unique_ptr<RtMidiIn> port_;
    const Delivery delivery_;
    std::atomic<bool> running_{false};
    std::atomic<bool> failed_{false};
};

}  // namespace ostinel::platform
