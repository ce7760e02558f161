#include "midi/midi_output.h"

#include <algorithm>
#include <array>

#include "music/midi_message.h"

namespace ostinel {
namespace {

std::uint32_t PackThruRoute(std::int16_t port, std::int16_t channel) {
    return static_cast<std::uint16_t>(port) |
           (static_cast<std::uint32_t>(static_cast<std::uint16_t>(channel)) << 16);
}

std::int16_t ThruPortOf(std::uint32_t route) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(route & 0xFFFF));
}

std::int16_t ThruChannelOf(std::uint32_t route) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(route >> 16));
}

// A delayed message travels as the timer's datum: status in the low byte,
// then the two data bytes, then the port in the top byte.
std::uint32_t PackDelayed(const std::array<std::uint8_t, 3>& bytes, int port) {
    return bytes[0] | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(port)) << 24);
}

std::uint8_t ByteOf(std::uint32_t packed, int index) {
    return static_cast<std::uint8_t>(packed >> (8 * index));
}

bool ValidOutputPort(int port) {
    return port >= 0 && port < kPortCount;
}

std::uint8_t WithChannel(std::uint8_t kind, int channel) {
    return static_cast<std::uint8_t>(kind | (channel & 0x0F));
}

}  // namespace

MidiOutput::MidiOutput(const PortMap& ports, platform::TimerService& timers)
    : ports_(ports),
      timers_(timers),
      thruRoute_(PackThruRoute(settings_.thruPort, settings_.thruChannel)) {}

void MidiOutput::SetSettings(const OutputSettings& settings) {
    settings_ = settings;
    thruRoute_.store(PackThruRoute(settings.thruPort, settings.thruChannel),
                     std::memory_order_release);
}

void MidiOutput::SetThruSuppressed(bool suppressed) {
    thruSuppressed_.store(suppressed, std::memory_order_release);
}

void MidiOutput::SendMidi(std::span<const std::uint8_t> message, int port, std::uint32_t delayMs) {
    if (port != kAllPorts) {
        if (ValidOutputPort(port)) SendToPort(message, port, delayMs);
        return;
    }
    // Each device once: a port is skipped when a lower port uses its device.
    for (int p = 0; p < kPortCount; ++p) {
        const int device = ports_.OutputDevice(p);
        bool sharedWithLower = false;
        for (int lower = 0; lower < p && !sharedWithLower; ++lower) {
            sharedWithLower = ports_.OutputDevice(lower) == device;
        }
        if (!sharedWithLower) SendToPort(message, p, delayMs);
    }
}

void MidiOutput::SendToPort(std::span<const std::uint8_t> message, int port,
                            std::uint32_t delayMs) {
    if (message.empty()) return;
    if (message[0] == kSysexStart) {
        const std::size_t length = SysexLength(message);
        if (length > 0) Deliver(message.first(length), port, true);
        return;
    }
    const std::size_t length = ShortMessageLength(message[0]);
    if (length == 0) return;
    std::array<std::uint8_t, 3> bytes{};
    std::copy_n(message.begin(), std::min(length, message.size()), bytes.begin());
    if (delayMs > 0) {
        // A full timer service drops the message: better than blocking here.
        timers_.ArmOnce(delayMs, &MidiOutput::SendDelayed, this, PackDelayed(bytes, port));
        return;
    }
    Deliver(std::span<const std::uint8_t>(bytes.data(), length), port, false);
}

void MidiOutput::SendDelayed(void* self, std::uint32_t packed) {
    const std::array<std::uint8_t, 3> bytes{ByteOf(packed, 0), ByteOf(packed, 1),
                                            ByteOf(packed, 2)};
    const std::size_t length = ShortMessageLength(bytes[0]);
    static_cast<MidiOutput*>(self)->Deliver(std::span<const std::uint8_t>(bytes.data(), length),
                                            ByteOf(packed, 3), false);
}

void MidiOutput::Deliver(std::span<const std::uint8_t> message, int port, bool isLong) {
    const PortMap::OutputUse use = ports_.UseOutput(port);
    if (!use) return;
    platform::MidiOutputDevice& device = *use.Device();
    const platform::MidiSendResult first =
        isLong ? device.SendLong(message) : device.SendShort(message);
    const bool lastFailed = lastSendFailed_.load(std::memory_order_relaxed);
    if (first == platform::MidiSendResult::Refused && !lastFailed) {
        if (!ScheduleRetry(message, port, isLong))
            lastSendFailed_.store(true, std::memory_order_relaxed);
    } else if (first == platform::MidiSendResult::Sent || lastFailed) {
        lastSendFailed_.store(false, std::memory_order_relaxed);
    } else {
        // A device that is gone: a retry cannot help, so count it as a retry
        // that failed.
        lastSendFailed_.store(true, std::memory_order_relaxed);
    }
}

bool MidiOutput::ScheduleRetry(std::span<const std::uint8_t> message, int port, bool isLong) {
    if (!isLong) {
        std::array<std::uint8_t, 3> bytes{};
        std::copy_n(message.begin(), std::min(message.size(), bytes.size()), bytes.begin());
        return timers_.ArmOnce(kRetryWaitMs, &MidiOutput::SendRetry, this,
                               PackDelayed(bytes, port));
    }
    if (message.size() > sysexRetry_.size() ||
        sysexRetryHeld_.exchange(true, std::memory_order_acquire))
        return false;
    std::copy(message.begin(), message.end(), sysexRetry_.begin());
    sysexRetryLength_ = message.size();
    if (timers_.ArmOnce(kRetryWaitMs, &MidiOutput::SendRetriedSysex, this,
                        static_cast<std::uint32_t>(port)))
        return true;
    sysexRetryHeld_.store(false, std::memory_order_release);
    return false;
}

void MidiOutput::Retry(std::span<const std::uint8_t> message, int port, bool isLong) {
    const PortMap::OutputUse use = ports_.UseOutput(port);
    if (!use) return;
    platform::MidiOutputDevice& device = *use.Device();
    const platform::MidiSendResult again =
        isLong ? device.SendLong(message) : device.SendShort(message);
    lastSendFailed_.store(again != platform::MidiSendResult::Sent, std::memory_order_relaxed);
}

void MidiOutput::SendRetry(void* self, std::uint32_t packed) {
    const std::array<std::uint8_t, 3> bytes{ByteOf(packed, 0), ByteOf(packed, 1),
                                            ByteOf(packed, 2)};
    const std::size_t length = ShortMessageLength(bytes[0]);
    static_cast<MidiOutput*>(self)->Retry(std::span<const std::uint8_t>(bytes.data(), length),
                                          ByteOf(packed, 3), false);
}

void MidiOutput::SendRetriedSysex(void* self, std::uint32_t port) {
    auto& output = *static_cast<MidiOutput*>(self);
    output.Retry(std::span<const std::uint8_t>(output.sysexRetry_.data(), output.sysexRetryLength_),
                 static_cast<int>(port), true);
    output.sysexRetryHeld_.store(false, std::memory_order_release);
}

void MidiOutput::SendPatch(const PatchEntry& entry, int channel, int port, bool useSubstitute) {
    const Patch& patch = useSubstitute ? entry.substitute : entry.file;
    const auto& v = patch.values;
    auto controller = [&](std::uint8_t number, std::uint8_t value) {
        const std::array<std::uint8_t, 3> message{WithChannel(kControlChange, channel), number,
                                                  value};
        SendMidi(message, port);
    };
    auto program = [&](std::uint8_t value) {
        const std::array<std::uint8_t, 2> message{WithChannel(kProgramChange, channel), value};
        SendMidi(message, port);
    };
    constexpr std::uint8_t kBankSelect = 0;
    constexpr std::uint8_t kBankSelectLsb = 32;
    switch (patch.kind) {
        case PatchKind::Program:
            program(v[0]);
            break;
        case PatchKind::Bank0Program:
            controller(kBankSelect, v[0]);
            program(v[1]);
            break;
        case PatchKind::Bank32Program:
            controller(kBankSelectLsb, v[0]);
            program(v[1]);
            break;
        case PatchKind::Bank0Bank32Program:
            controller(kBankSelect, v[0]);
            controller(kBankSelectLsb, v[1]);
            program(v[2]);
            break;
        case PatchKind::HighProgramThenProgram:
            program(v[0]);
            program(v[1]);
            break;
        case PatchKind::None:
        default:
            break;
    }
}

void MidiOutput::SendThru(std::span<const std::uint8_t> message) {
    if (message.empty() || thruSuppressed_.load(std::memory_order_acquire)) return;
    const std::uint32_t route = thruRoute_.load(std::memory_order_acquire);
    const std::int16_t channel = ThruChannelOf(route);
    if (!IsChannelMessage(message[0]) || channel == kThruSameAsInput) {
        SendMidi(message, ThruPortOf(route));
        return;
    }
    std::array<std::uint8_t, 3> bytes{};
    const std::size_t length = std::min(message.size(), bytes.size());
    std::copy_n(message.begin(), length, bytes.begin());
    bytes[0] = WithChannel(static_cast<std::uint8_t>(bytes[0] & 0xF0), channel);
    SendMidi(std::span<const std::uint8_t>(bytes.data(), length), ThruPortOf(route));
}

}  // namespace ostinel
