#include "platform/real/alsa/alsa_output.h"

#include <RtMidi.h>

#include "platform/real/alsa/alsa_ports.h"

namespace ostinel::platform {
namespace {

constexpr const char* kConnectionPortName = "Ostinel Output Connection";

void NoteError(RtMidiError::Type /*type*/, const std::string& /*text*/, void* self) {
    // RtMidi reports on the calling thread, inside the call that failed.
    static_cast<std::atomic<bool>*>(self)->store(true, std::memory_order_relaxed);
}

}  // namespace

AlsaOutput::AlsaOutput(std::unique_ptr<RtMidiOut> port) : port_(std::move(port)) {
    port_->setErrorCallback(&NoteError, &failed_);
}

AlsaOutput::~AlsaOutput() = default;

std::unique_ptr<AlsaOutput> AlsaOutput::OpenPort(const std::string& rtMidiName) {
    std::unique_ptr<RtMidiOut> midi = MakeAlsaOut();
    if (midi == nullptr) return nullptr;
    const int index = FindPort(*midi, rtMidiName);
    if (index < 0) return nullptr;
    std::unique_ptr<AlsaOutput> output(new AlsaOutput(std::move(midi)));
    try {
        output->port_->openPort(static_cast<unsigned int>(index), kConnectionPortName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    if (output->failed_.load(std::memory_order_relaxed) || !output->port_->isPortOpen()) {
        return nullptr;
    }
    return output;
}

std::unique_ptr<AlsaOutput> AlsaOutput::OpenVirtual(const std::string& portName) {
    std::unique_ptr<RtMidiOut> midi = MakeAlsaOut();
    if (midi == nullptr) return nullptr;
    std::unique_ptr<AlsaOutput> output(new AlsaOutput(std::move(midi)));
    try {
        output->port_->openVirtualPort(portName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    if (output->failed_.load(std::memory_order_relaxed)) return nullptr;
    return output;
}

MidiSendResult AlsaOutput::SendShort(std::span<const std::uint8_t> message) {
    if (message.empty() || message.size() > 3 || message[0] < 0x80) return MidiSendResult::Failed;
    return Send(message);
}

MidiSendResult AlsaOutput::SendLong(std::span<const std::uint8_t> message) {
    if (message.size() < 2 || message.front() != 0xF0 || message.back() != 0xF7) {
        return MidiSendResult::Failed;
    }
    return Send(message);
}

MidiSendResult AlsaOutput::Send(std::span<const std::uint8_t> message) {
    return gate_.Send(message, [this](std::span<const std::uint8_t> m) { return SendNow(m); });
}

MidiSendResult AlsaOutput::SendNow(std::span<const std::uint8_t> message) {
    failed_.store(false, std::memory_order_relaxed);
    MidiSendResult result = MidiSendResult::Sent;
    try {
        // RtMidi opens its output handle non-blocking: a full kernel queue
        // comes back as an error report, not a wait.
        port_->sendMessage(message.data(), message.size());
        if (failed_.load(std::memory_order_relaxed)) result = MidiSendResult::Refused;
    } catch (const RtMidiError&) {
        result = MidiSendResult::Failed;
    }
    return result;
}

}  // namespace ostinel::platform
