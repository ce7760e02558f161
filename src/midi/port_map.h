#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "midi/midi_ui.h"
#include "platform/midi_devices.h"

namespace ostinel {

inline constexpr int kPortCount = 8;         // ports A-H, for input and for output
inline constexpr int kDeviceSlotCount = 16;  // device numbers 0-15 on each side
inline constexpr int kChannelCount = 16;
// A port setting that means "every output device once" ("All Available Ports").
inline constexpr int kAllPorts = -2;

// Device slot owners besides a port index 0-7.
inline constexpr std::int16_t kDeviceClosed = -1;
inline constexpr std::int16_t kDeviceOpenFailed = -2;  // only during an open pass

// The eight input and eight output ports, the device each one uses, the
// channel filter of each input port, and one open handle per device however
// many ports share it.
//
// Threads: the device numbers and the open passes belong to the main thread.
// The output operation reaches the open output devices from any thread
// through UseOutput, and the intake reads the channel filters on the input
// thread; both without locks. Closing an output device waits until the sends
// in progress on it have left it, so a device is never freed under a sender.
class PortMap {
  public:
    explicit PortMap(platform::MidiSystem& system);
    // Closes every open device.
    ~PortMap();
    PortMap(const PortMap&) = delete;
    PortMap& operator=(const PortMap&) = delete;

    // main thread: the devices chosen for the ports (settings `inputDevice`,
    // `outputDevice`). They take effect at the next open pass.
    int InputDevice(int port) const;
    void SetInputDevice(int port, int device);
    // any thread
    int OutputDevice(int port) const;
    // main thread
    void SetOutputDevice(int port, int device);

    // any thread: whether incoming messages on `channel` (0-15) of input port
    // `port` are accepted (settings `channelEnabled`).
    bool ChannelEnabled(int port, int channel) const;
    // main thread: sets this port's filter alone, as loading settings does;
    // the next input pass joins the filters of ports that share a device.
    void SetChannelEnabled(int port, int channel, bool enabled);
    // main thread: the Incoming MIDI channel command. The opposite of the
    // port's current value goes to every port on the same input device.
    void ToggleInputChannel(int port, int channel);

    // main thread. Closes the input devices no port uses any more, opens each
    // device a port needs once (messages flow to `callback` with the opening
    // port as its port), tells `ui` once about each device that could not be
    // opened, and joins the channel filters of ports that share a device.
    // False when some needed device could not be opened.
    bool OpenInputPorts(MidiUi& ui, platform::MidiInputCallback callback, void* context);
    // main thread. The same for output devices, without a callback or filters.
    bool OpenOutputPorts(MidiUi& ui);

    // main thread: stops and closes the device if it is open.
    void CloseInputDevice(int device);
    void CloseOutputDevice(int device);
    void CloseAllDevices();

    // main thread: "&A--" and so on followed by the device's product name;
    // the labels of the Incoming MIDI port popups and of the "Change All
    // Tracks to Output on" items, and the port lists of the dialogs.
    std::string InputPortName(int port) const;
    std::string OutputPortName(int port) const;

    // main thread: kDeviceClosed, or the port whose open pass opened the device.
    int InputDeviceOwner(int device) const;
    int OutputDeviceOwner(int device) const;

    // An open output device held for the length of one send. While any use is
    // alive, closing the device waits; a use never blocks, locks or allocates.
    class OutputUse {
      public:
        OutputUse(const OutputUse&) = delete;
        OutputUse& operator=(const OutputUse&) = delete;
        ~OutputUse();

        platform::MidiOutputDevice* Device() const { return device_; }
        explicit operator bool() const { return device_ != nullptr; }

      private:
        friend class PortMap;
        OutputUse(std::atomic<int>* users, platform::MidiOutputDevice* device)
            : users_(users), device_(device) {}
        std::atomic<int>* users_;
        platform::MidiOutputDevice* device_;
    };

    // any thread: the open device of output port `port` (0-7); empty when the
    // port is out of range or its device is closed.
    OutputUse UseOutput(int port) const;

  private:
    struct OutputSlot {
        std::unique_ptr<platform::MidiOutputDevice> handle;  // main thread
        std::atomic<platform::MidiOutputDevice*> live{nullptr};
        mutable std::atomic<int> users{0};
    };

    bool InputDeviceExists(int device) const;
    bool OutputDeviceExists(int device) const;
    std::string DeviceInUseMessage(int prefixId, const std::string& deviceName) const;
    void JoinSharedFilters();

    platform::MidiSystem& system_;
    std::array<std::int16_t, kPortCount> inputDevice_{};
    std::array<std::atomic<std::int16_t>, kPortCount> outputDevice_{};
    // Bit c set: channel c accepted. One word per port, so that the input
    // thread reads a port's filter whole.
    std::array<std::atomic<std::uint16_t>, kPortCount> channelEnabled_{};

    std::array<std::int16_t, kDeviceSlotCount> inputOwner_{};
    std::array<std::unique_ptr<platform::MidiInputDevice>, kDeviceSlotCount> inputHandle_{};
    std::array<std::int16_t, kDeviceSlotCount> outputOwner_{};
    std::array<OutputSlot, kDeviceSlotCount> outputSlot_{};
};

}  // namespace ostinel
