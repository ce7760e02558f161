#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "platform/clock.h"
#include "platform/midi_devices.h"

namespace ostinel::platform {

// One message as it reached a recording device.
struct RecordedMessage {
    std::vector<std::uint8_t> bytes;
    ClockMs time{};       // the clock when the send arrived
    bool isLong = false;  // came through SendLong

    friend bool operator==(const RecordedMessage&, const RecordedMessage&) = default;
};

// An output device for tests and offline runs: it keeps every message it
// accepts with the clock time it arrived, and can be told to refuse sends so
// that the output path's retry can be watched. Sends may come from several
// threads at once; a mutex keeps the log whole. Unlike a real device it
// allocates while sending, which is acceptable only because it is a test tool.
class RecordingOutputDevice final : public MidiOutputDevice {
  public:
    explicit RecordingOutputDevice(const Clock& clock) : clock_(clock) {}

    // any thread
    MidiSendResult SendShort(std::span<const std::uint8_t> message) override;
    MidiSendResult SendLong(std::span<const std::uint8_t> message) override;

    // any thread. The next `count` sends answer Refused and are not recorded.
    void RefuseNext(int count);
    // any thread. While set, every send answers `answer` (Refused or Failed)
    // and is not recorded; Sent goes back to accepting.
    void AnswerAlways(MidiSendResult answer);

    // any thread: a copy of what was accepted so far, in arrival order.
    std::vector<RecordedMessage> Messages() const;
    // any thread: only the bytes, for comparisons that ignore time.
    std::vector<std::vector<std::uint8_t>> Bytes() const;
    std::size_t MessageCount() const;
    // any thread: sends that were answered with something other than Sent.
    std::size_t RejectedCount() const;
    // any thread: every send, accepted or not.
    std::size_t AttemptCount() const;
    void Clear();

  private:
    MidiSendResult Take(std::span<const std::uint8_t> message, bool isLong);

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> messages_;
    int refuseCount_ = 0;
    MidiSendResult standingAnswer_ = MidiSendResult::Sent;
    std::size_t rejected_ = 0;
    std::size_t attempts_ = 0;
};

}  // namespace ostinel::platform
