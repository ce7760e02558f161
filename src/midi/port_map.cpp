#include "midi/port_map.h"

#include <thread>

#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel {
namespace {

constexpr std::uint16_t kAllChannels = 0xFFFF;

bool ValidPort(int port) {
    return port >= 0 && port < kPortCount;
}
bool ValidChannel(int channel) {
    return channel >= 0 && channel < kChannelCount;
}
bool ValidSlot(int device) {
    return device >= 0 && device < kDeviceSlotCount;
}

std::uint16_t ChannelBit(int channel) {
    return static_cast<std::uint16_t>(1u << channel);
}

std::size_t Index(int i) {
    return static_cast<std::size_t>(i);
}

}  // namespace

PortMap::PortMap(platform::MidiSystem& system) : system_(system) {
    for (auto& filter : channelEnabled_)
        filter.store(kAllChannels, std::memory_order_relaxed);
    inputOwner_.fill(kDeviceClosed);
    outputOwner_.fill(kDeviceClosed);
}

PortMap::~PortMap() {
    CloseAllDevices();
}

int PortMap::InputDevice(int port) const {
    return ValidPort(port) ? inputDevice_[Index(port)] : kDeviceClosed;
}

void PortMap::SetInputDevice(int port, int device) {
    if (ValidPort(port)) inputDevice_[Index(port)] = static_cast<std::int16_t>(device);
}

int PortMap::OutputDevice(int port) const {
    return ValidPort(port) ? outputDevice_[Index(port)].load(std::memory_order_acquire)
                           : kDeviceClosed;
}

void PortMap::SetOutputDevice(int port, int device) {
    if (ValidPort(port)) {
        outputDevice_[Index(port)].store(static_cast<std::int16_t>(device),
                                         std::memory_order_release);
    }
}

bool PortMap::ChannelEnabled(int port, int channel) const {
    if (!ValidPort(port) || !ValidChannel(channel)) return false;
    return (channelEnabled_[Index(port)].load(std::memory_order_acquire) & ChannelBit(channel)) !=
           0;
}

void PortMap::SetChannelEnabled(int port, int channel, bool enabled) {
    if (!ValidPort(port) || !ValidChannel(channel)) return;
    auto& filter = channelEnabled_[Index(port)];
    const std::uint16_t bit = ChannelBit(channel);
    if (enabled) {
        filter.fetch_or(bit, std::memory_order_acq_rel);
    } else {
        filter.fetch_and(static_cast<std::uint16_t>(~bit), std::memory_order_acq_rel);
    }
}

void PortMap::ToggleInputChannel(int port, int channel) {
    if (!ValidPort(port) || !ValidChannel(channel)) return;
    const bool enabled = !ChannelEnabled(port, channel);
    const std::int16_t device = inputDevice_[Index(port)];
    for (int other = 0; other < kPortCount; ++other) {
        if (inputDevice_[Index(other)] == device) SetChannelEnabled(other, channel, enabled);
    }
}

bool PortMap::OpenInputPorts(MidiUi& ui, platform::MidiInputCallback callback, void* context) {
    for (int device = 0; device < kDeviceSlotCount; ++device) {
        const int owner = inputOwner_[Index(device)];
        if (owner >= 0 && inputDevice_[Index(owner)] != device) CloseInputDevice(device);
    }

    bool allOpened = true;
    for (int port = 0; port < kPortCount; ++port) {
        const int device = inputDevice_[Index(port)];
        // A number this machine does not have is no device at all: start-up
        // has already said once what is missing, so it is not a failure.
        if (!InputDeviceExists(device) || inputOwner_[Index(device)] != kDeviceClosed) continue;
        std::unique_ptr<platform::MidiInputDevice> handle =
            system_.OpenInput(device, callback, context, port);
        if (handle != nullptr && handle->Start()) {
            inputHandle_[Index(device)] = std::move(handle);
            inputOwner_[Index(device)] = static_cast<std::int16_t>(port);
            continue;
        }
        // Closed at once when it opened but would not start.
        handle.reset();
        inputOwner_[Index(device)] = kDeviceOpenFailed;
        ui.ShowMessage(DeviceInUseMessage(string_id::kInputDeviceInUsePrefix,
                                          system_.InputDeviceName(device)));
        allOpened = false;
    }

    for (auto& owner : inputOwner_) {
        if (owner == kDeviceOpenFailed) owner = kDeviceClosed;
    }
    JoinSharedFilters();
    return allOpened;
}

bool PortMap::OpenOutputPorts(MidiUi& ui) {
    for (int device = 0; device < kDeviceSlotCount; ++device) {
        const int owner = outputOwner_[Index(device)];
        if (owner >= 0 && OutputDevice(owner) != device) CloseOutputDevice(device);
    }

    bool allOpened = true;
    for (int port = 0; port < kPortCount; ++port) {
        const int device = OutputDevice(port);
        if (!OutputDeviceExists(device) || outputOwner_[Index(device)] != kDeviceClosed) continue;
        std::unique_ptr<platform::MidiOutputDevice> handle = system_.OpenOutput(device);
        if (handle != nullptr) {
            OutputSlot& slot = outputSlot_[Index(device)];
            slot.handle = std::move(handle);
            slot.live.store(slot.handle.get(), std::memory_order_seq_cst);
            outputOwner_[Index(device)] = static_cast<std::int16_t>(port);
            continue;
        }
        outputOwner_[Index(device)] = kDeviceOpenFailed;
        ui.ShowMessage(DeviceInUseMessage(string_id::kOutputDeviceInUsePrefix,
                                          system_.OutputDeviceName(device)));
        allOpened = false;
    }

    for (auto& owner : outputOwner_) {
        if (owner == kDeviceOpenFailed) owner = kDeviceClosed;
    }
    return allOpened;
}

void PortMap::CloseInputDevice(int device) {
    if (!ValidSlot(device)) return;
    std::unique_ptr<platform::MidiInputDevice>& handle = inputHandle_[Index(device)];
    if (handle != nullptr) {
        // Stop first: no message may reach the intake once closing begins.
        handle->Stop();
        handle.reset();
    }
    inputOwner_[Index(device)] = kDeviceClosed;
}

void PortMap::CloseOutputDevice(int device) {
    if (!ValidSlot(device)) return;
    OutputSlot& slot = outputSlot_[Index(device)];
    // Withdraw the device from new sends, then wait for the ones already on it
    // to leave. Both steps are sequentially consistent so that a sender that
    // still saw the device has made its use visible before we look.
    slot.live.store(nullptr, std::memory_order_seq_cst);
    while (slot.users.load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
    slot.handle.reset();
    outputOwner_[Index(device)] = kDeviceClosed;
}

void PortMap::CloseAllDevices() {
    for (int device = 0; device < kDeviceSlotCount; ++device) {
        CloseInputDevice(device);
        CloseOutputDevice(device);
    }
}

std::string PortMap::InputPortName(int port) const {
    if (!ValidPort(port)) return {};
    std::string name(StringTable().Get(string_id::kFirstPortName + port));
    const int device = inputDevice_[Index(port)];
    if (InputDeviceExists(device)) name += system_.InputDeviceName(device);
    return name;
}

std::string PortMap::OutputPortName(int port) const {
    if (!ValidPort(port)) return {};
    std::string name(StringTable().Get(string_id::kFirstPortName + port));
    const int device = OutputDevice(port);
    if (OutputDeviceExists(device)) name += system_.OutputDeviceName(device);
    return name;
}

int PortMap::InputDeviceOwner(int device) const {
    return ValidSlot(device) ? inputOwner_[Index(device)] : kDeviceClosed;
}

int PortMap::OutputDeviceOwner(int device) const {
    return ValidSlot(device) ? outputOwner_[Index(device)] : kDeviceClosed;
}

PortMap::OutputUse PortMap::UseOutput(int port) const {
    const int device = OutputDevice(port);
    if (!ValidSlot(device)) return OutputUse(nullptr, nullptr);
    const OutputSlot& slot = outputSlot_[Index(device)];
    // Announce the use before looking at the device; see CloseOutputDevice.
    slot.users.fetch_add(1, std::memory_order_seq_cst);
    platform::MidiOutputDevice* live = slot.live.load(std::memory_order_seq_cst);
    if (live == nullptr) {
        slot.users.fetch_sub(1, std::memory_order_release);
        return OutputUse(nullptr, nullptr);
    }
    return OutputUse(&slot.users, live);
}

PortMap::OutputUse::~OutputUse() {
    if (users_ != nullptr) users_->fetch_sub(1, std::memory_order_release);
}

bool PortMap::InputDeviceExists(int device) const {
    return ValidSlot(device) && device < system_.InputDeviceCount();
}

bool PortMap::OutputDeviceExists(int device) const {
    return ValidSlot(device) && device < system_.OutputDeviceCount();
}

std::string PortMap::DeviceInUseMessage(int prefixId, const std::string& deviceName) const {
    const StringTable strings;
    std::string text(strings.Get(prefixId));
    text += deviceName;
    text += strings.Get(string_id::kDeviceInUseSuffix);
    return text;
}

void PortMap::JoinSharedFilters() {
    for (int port = 1; port < kPortCount; ++port) {
        for (int lower = 0; lower < port; ++lower) {
            if (inputDevice_[Index(lower)] != inputDevice_[Index(port)]) continue;
            const std::uint16_t joined =
                channelEnabled_[Index(port)].load(std::memory_order_acquire) |
                channelEnabled_[Index(lower)].load(std::memory_order_acquire);
            channelEnabled_[Index(port)].store(joined, std::memory_order_release);
            channelEnabled_[Index(lower)].store(joined, std::memory_order_release);
        }
    }
}

}  // namespace ostinel
