#include "platform/manual/recording_output_device.h"

namespace ostinel::platform {

MidiSendResult RecordingOutputDevice::SendShort(std::span<const std::uint8_t> message) {
    return Take(message, false);
}

MidiSendResult RecordingOutputDevice::SendLong(std::span<const std::uint8_t> message) {
    return Take(message, true);
}

MidiSendResult RecordingOutputDevice::Take(std::span<const std::uint8_t> message, bool isLong) {
    // Read the clock before the lock so that a send's time is when it arrived,
    // not when it got its turn.
    const ClockMs now = clock_.Now();
    std::lock_guard lock(mutex_);
    ++attempts_;
    if (standingAnswer_ != MidiSendResult::Sent) {
        ++rejected_;
        return standingAnswer_;
    }
    if (refuseCount_ > 0) {
        --refuseCount_;
        ++rejected_;
        return MidiSendResult::Refused;
    }
    messages_.push_back({{message.begin(), message.end()}, now, isLong});
    return MidiSendResult::Sent;
}

void RecordingOutputDevice::RefuseNext(int count) {
    std::lock_guard lock(mutex_);
    refuseCount_ = count;
}

void RecordingOutputDevice::AnswerAlways(MidiSendResult answer) {
    std::lock_guard lock(mutex_);
    standingAnswer_ = answer;
}

std::vector<RecordedMessage> RecordingOutputDevice::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::vector<std::vector<std::uint8_t>> RecordingOutputDevice::Bytes() const {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<std::uint8_t>> bytes;
    bytes.reserve(messages_.size());
    for (const RecordedMessage& m : messages_)
        bytes.push_back(m.bytes);
    return bytes;
}

std::size_t RecordingOutputDevice::MessageCount() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

std::size_t RecordingOutputDevice::RejectedCount() const {
    std::lock_guard lock(mutex_);
    return rejected_;
}

std::size_t RecordingOutputDevice::AttemptCount() const {
    std::lock_guard lock(mutex_);
    return attempts_;
}

void RecordingOutputDevice::Clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
    rejected_ = 0;
    attempts_ = 0;
}

}  // namespace ostinel::platform
