#include "platform/manual/injecting_input_device.h"

namespace ostinel::platform {

InjectingInputDevice::InjectingInputDevice(MidiInputCallback callback, void* context, int port)
    : callback_(callback), context_(context), port_(port) {}

bool InjectingInputDevice::Start() {
    std::lock_guard lock(mutex_);
    started_ = true;
    return true;
}

void InjectingInputDevice::Stop() {
    std::lock_guard lock(mutex_);
    started_ = false;
}

void InjectingInputDevice::Connect(MidiInputCallback callback, void* context, int port) {
    std::lock_guard lock(mutex_);
    callback_ = callback;
    context_ = context;
    port_ = port;
}

void InjectingInputDevice::Disconnect() {
    std::lock_guard lock(mutex_);
    started_ = false;
    callback_ = nullptr;
    context_ = nullptr;
}

bool InjectingInputDevice::Inject(std::span<const std::uint8_t> message, ClockMs time) {
    std::lock_guard lock(mutex_);
    if (!started_ || callback_ == nullptr) return false;
    callback_(context_, port_, message, time);
    return true;
}

bool InjectingInputDevice::Started() const {
    std::lock_guard lock(mutex_);
    return started_;
}

}  // namespace ostinel::platform
