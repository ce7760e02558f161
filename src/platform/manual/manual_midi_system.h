#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/manual/injecting_input_device.h"
#include "platform/manual/recording_output_device.h"
#include "platform/midi_devices.h"

namespace ostinel::platform {

// The MIDI devices of a test or an offline run: named input and output
// devices numbered in the order given. Each device number has one lasting
// device object that the test reaches by number: a RecordingOutputDevice
// that keeps what every opening of that output sent, an InjectingInputDevice
// that hands pushed messages to whoever has that input open. Openings can be
// made to fail as if another program held the device, and are counted.
//
// Threads: configure and open on the main thread; the devices themselves
// take sends and injections from any thread. Every handle that OpenOutput and
// OpenInput return must be destroyed before the system.
class ManualMidiSystem final : public MidiSystem {
  public:
    ManualMidiSystem(const Clock& clock, std::vector<std::string> inputNames,
                     std::vector<std::string> outputNames);
    ~ManualMidiSystem() override;
    ManualMidiSystem(const ManualMidiSystem&) = delete;
    ManualMidiSystem& operator=(const ManualMidiSystem&) = delete;

    int InputDeviceCount() const override;
    int OutputDeviceCount() const override;
    std::string InputDeviceName(int device) const override;
    std::string OutputDeviceName(int device) const override;
    std::unique_ptr<MidiOutputDevice> OpenOutput(int device) override;
    std::unique_ptr<MidiInputDevice> OpenInput(int device, MidiInputCallback callback,
                                               void* context, int port) override;
    std::vector<std::string> MissingServices() const override { return missingServices_; }

    // main thread: while set, opening the device fails as if it were in use.
    void SetOutputInUse(int device, bool inUse);
    void SetInputInUse(int device, bool inUse);
    void SetMissingServices(std::vector<std::string> services) {
        missingServices_ = std::move(services);
    }

    // The lasting device behind every opening of this number.
    RecordingOutputDevice& Output(int device);
    InjectingInputDevice& Input(int device);

    // any thread: how often the device was opened and closed so far.
    int OutputOpenCount(int device) const;
    int OutputCloseCount(int device) const;
    bool OutputIsOpen(int device) const;
    int InputOpenCount(int device) const;
    int InputCloseCount(int device) const;
    bool InputIsOpen(int device) const;

    struct OutputEntry;
    struct InputEntry;

  private:
    const OutputEntry* FindOutput(int device) const;
    const InputEntry* FindInput(int device) const;

    std::vector<std::unique_ptr<OutputEntry>> outputs_;
    std::vector<std::unique_ptr<InputEntry>> inputs_;
    std::vector<std::string> missingServices_;
};

struct ManualMidiSystem::OutputEntry {
    OutputEntry(std::string deviceName, const Clock& clock)
        : name(std::move(deviceName)), device(clock) {}

    std::string name;
    RecordingOutputDevice device;
    bool inUse = false;
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
};

struct ManualMidiSystem::InputEntry {
    explicit InputEntry(std::string deviceName) : name(std::move(deviceName)) {}

    std::string name;
    InjectingInputDevice device;
    bool inUse = false;
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
};

}  // namespace ostinel::platform
