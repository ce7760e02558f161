#include "platform/real/alsa/alsa_input.h"

#include <RtMidi.h>

#include "platform/real/alsa/alsa_ports.h"

namespace ostinel::platform {
namespace {

constexpr const char* kConnectionPortName = "Ostinel Input Connection";

void NoteError(RtMidiError::Type type, const std::string& /*text*/, void* self) {
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING) return;
    static_cast<std::atomic<bool>*>(self)->store(true, std::memory_order_relaxed);
}

}  // namespace

AlsaInput::AlsaInput(std::unique_ptr<RtMidiIn> port, Delivery delivery)
    : port_(std::move(port)), delivery_(delivery) {}

AlsaInput::~AlsaInput() {
    running_.store(false, std::memory_order_release);
    // Closes the port and joins RtMidi's thread while our members still live.
    port_.reset();
}

std::unique_ptr<AlsaInput> AlsaInput::Prepare(Delivery delivery) {
    if (delivery.clock == nullptr || delivery.callback == nullptr) return nullptr;
    std::unique_ptr<RtMidiIn> midi = MakeAlsaIn();
    if (midi == nullptr) return nullptr;
    std::unique_ptr<AlsaInput> input(new AlsaInput(std::move(midi), delivery));
    input->port_->setErrorCallback(&NoteError, &input->failed_);
    // Set before the port opens so that no message lands in RtMidi's own
    // queue, which is not safe to read from another thread. System-exclusive
    // messages come through; clock, time code and active sensing do not.
    input->port_->setCallback(&AlsaInput::OnMessage, input.get());
    input->port_->ignoreTypes(false, true, true);
    return input;
}

std::unique_ptr<AlsaInput> AlsaInput::OpenPort(const std::string& rtMidiName, Delivery delivery) {
    std::unique_ptr<AlsaInput> input = Prepare(delivery);
    if (input == nullptr) return nullptr;
    const int index = FindPort(*input->port_, rtMidiName);
    if (index < 0) return nullptr;
    try {
        input->port_->openPort(static_cast<unsigned int>(index), kConnectionPortName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    if (input->failed_.load(std::memory_order_relaxed) || !input->port_->isPortOpen()) {
        return nullptr;
    }
    return input;
}

std::unique_ptr<AlsaInput> AlsaInput::OpenVirtual(const std::string& portName, Delivery delivery) {
    std::unique_ptr<AlsaInput> input = Prepare(delivery);
    if (input == nullptr) return nullptr;
    try {
        input->port_->openVirtualPort(portName);
    } catch (const RtMidiError&) {
        return nullptr;
    }
    if (input->failed_.load(std::memory_order_relaxed)) return nullptr;
    return input;
}

bool AlsaInput::Start() {
    running_.store(true, std::memory_order_release);
    return true;
}

void AlsaInput::Stop() {
    running_.store(false, std::memory_order_release);
}

void AlsaInput::OnMessage(double /*deltaSeconds*/, std::vector<unsigned char>* message,
                          void* self) {
    auto* input = static_cast<AlsaInput*>(self);
    if (message == nullptr || message->empty()) return;
    if (!input->running_.load(std::memory_order_acquire)) return;
    const Delivery& d = input->delivery_;
    d.callback(d.context, d.port, std::span<const std::uint8_t>(message->data(), message->size()),
               d.clock->Now());
}

}  // namespace ostinel::platform
