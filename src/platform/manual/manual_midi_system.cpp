#include "platform/manual/manual_midi_system.h"

#include <utility>

namespace ostinel::platform {
namespace {

// What PortMap holds for an open output: sends go to the lasting recording
// device, and closing is counted.
class OutputHandle final : public MidiOutputDevice {
  public:
    explicit OutputHandle(ManualMidiSystem::OutputEntry& entry) : entry_(entry) {
        entry_.opens.fetch_add(1, std::memory_order_acq_rel);
    }
    ~OutputHandle() override { entry_.closes.fetch_add(1, std::memory_order_acq_rel); }

    MidiSendResult SendShort(std::span<const std::uint8_t> message) override {
        return entry_.device.SendShort(message);
    }
    MidiSendResult SendLong(std::span<const std::uint8_t> message) override {
        return entry_.device.SendLong(message);
    }

  private:
    ManualMidiSystem::OutputEntry& entry_;
};

// What PortMap holds for an open input: it lends its callback to the lasting
// injecting device until it is closed.
class InputHandle final : public MidiInputDevice {
  public:
    InputHandle(ManualMidiSystem::InputEntry& entry, MidiInputCallback callback, void* context,
                int port)
        : entry_(entry) {
        entry_.device.Connect(callback, context, port);
        entry_.opens.fetch_add(1, std::memory_order_acq_rel);
    }
    ~InputHandle() override {
        entry_.device.Disconnect();
        entry_.closes.fetch_add(1, std::memory_order_acq_rel);
    }

    bool Start() override { return entry_.device.Start(); }
    void Stop() override { entry_.device.Stop(); }

  private:
    ManualMidiSystem::InputEntry& entry_;
};

bool Counted(const std::atomic<int>& opens, const std::atomic<int>& closes) {
    return opens.load(std::memory_order_acquire) > closes.load(std::memory_order_acquire);
}

}  // namespace

ManualMidiSystem::ManualMidiSystem(const Clock& clock, std::vector<std::string> inputNames,
                                   std::vector<std::string> outputNames) {
    for (std::string& name : inputNames) {
        inputs_.push_back(std::make_unique<InputEntry>(std::move(name)));
    }
    for (std::string& name : outputNames) {
        outputs_.push_back(std::make_unique<OutputEntry>(std::move(name), clock));
    }
}

ManualMidiSystem::~ManualMidiSystem() = default;

int ManualMidiSystem::InputDeviceCount() const {
    return static_cast<int>(inputs_.size());
}

int ManualMidiSystem::OutputDeviceCount() const {
    return static_cast<int>(outputs_.size());
}

std::string ManualMidiSystem::InputDeviceName(int device) const {
    const InputEntry* entry = FindInput(device);
    return entry != nullptr ? entry->name : std::string();
}

std::string ManualMidiSystem::OutputDeviceName(int device) const {
    const OutputEntry* entry = FindOutput(device);
    return entry != nullptr ? entry->name : std::string();
}

std::unique_ptr<MidiOutputDevice> ManualMidiSystem::OpenOutput(int device) {
    if (FindOutput(device) == nullptr) return nullptr;
    OutputEntry& entry = *outputs_[static_cast<std::size_t>(device)];
    if (entry.inUse) return nullptr;
    return std::make_unique<OutputHandle>(entry);
}

std::unique_ptr<MidiInputDevice> ManualMidiSystem::OpenInput(int device, MidiInputCallback callback,
                                                             void* context, int port) {
    if (FindInput(device) == nullptr) return nullptr;
    InputEntry& entry = *inputs_[static_cast<std::size_t>(device)];
    if (entry.inUse) return nullptr;
    return std::make_unique<InputHandle>(entry, callback, context, port);
}

void ManualMidiSystem::SetOutputInUse(int device, bool inUse) {
    outputs_.at(static_cast<std::size_t>(device))->inUse = inUse;
}

void ManualMidiSystem::SetInputInUse(int device, bool inUse) {
    inputs_.at(static_cast<std::size_t>(device))->inUse = inUse;
}

RecordingOutputDevice& ManualMidiSystem::Output(int device) {
    return outputs_.at(static_cast<std::size_t>(device))->device;
}

InjectingInputDevice& ManualMidiSystem::Input(int device) {
    return inputs_.at(static_cast<std::size_t>(device))->device;
}

int ManualMidiSystem::OutputOpenCount(int device) const {
    return outputs_.at(static_cast<std::size_t>(device))->opens.load(std::memory_order_acquire);
}

int ManualMidiSystem::OutputCloseCount(int device) const {
    return outputs_.at(static_cast<std::size_t>(device))->closes.load(std::memory_order_acquire);
}

bool ManualMidiSystem::OutputIsOpen(int device) const {
    const OutputEntry& entry = *outputs_.at(static_cast<std::size_t>(device));
    return Counted(entry.opens, entry.closes);
}

int ManualMidiSystem::InputOpenCount(int device) const {
    return inputs_.at(static_cast<std::size_t>(device))->opens.load(std::memory_order_acquire);
}

int ManualMidiSystem::InputCloseCount(int device) const {
    return inputs_.at(static_cast<std::size_t>(device))->closes.load(std::memory_order_acquire);
}

bool ManualMidiSystem::InputIsOpen(int device) const {
    const InputEntry& entry = *inputs_.at(static_cast<std::size_t>(device));
    return Counted(entry.opens, entry.closes);
}

const ManualMidiSystem::OutputEntry* ManualMidiSystem::FindOutput(int device) const {
    if (device < 0 || device >= OutputDeviceCount()) return nullptr;
    return outputs_[static_cast<std::size_t>(device)].get();
}

const ManualMidiSystem::InputEntry* ManualMidiSystem::FindInput(int device) const {
    if (device < 0 || device >= InputDeviceCount()) return nullptr;
    return inputs_[static_cast<std::size_t>(device)].get();
}

}  // namespace ostinel::platform
