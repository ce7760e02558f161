#include "follower/intake/performance_intake.h"

#include <algorithm>
#include <thread>

#include "music/midi_message.h"
#include "sequence/piece.h"

namespace ostinel {
namespace {

// IntakeSettings in one word, so that a message sees one whole set: bits 0-3
// the flags, 8-23 followSource, 24-39 tapSource, 40-47 tapNote, 48-55
// tapController.
std::uint64_t Pack(const IntakeSettings& s) {
    return (s.thruOn ? 1u : 0u) | (s.thruProcessFirst ? 2u : 0u) | (s.playTappedNotes ? 4u : 0u) |
           (s.startAutomatically ? 8u : 0u) | (static_cast<std::uint64_t>(s.followSource) << 8) |
           (static_cast<std::uint64_t>(s.tapSource) << 24) |
           (static_cast<std::uint64_t>(s.tapNote) << 40) |
           (static_cast<std::uint64_t>(s.tapController) << 48);
}

IntakeSettings Unpack(std::uint64_t bits) {
    IntakeSettings s;
    s.thruOn = (bits & 1u) != 0;
    s.thruProcessFirst = (bits & 2u) != 0;
    s.playTappedNotes = (bits & 4u) != 0;
    s.startAutomatically = (bits & 8u) != 0;
    s.followSource = static_cast<FollowSource>((bits >> 8) & 0xFFFF);
    s.tapSource = static_cast<TapSource>((bits >> 24) & 0xFFFF);
    s.tapNote = static_cast<std::uint8_t>(bits >> 40);
    s.tapController = static_cast<std::uint8_t>(bits >> 48);
    return s;
}

bool IsNoteTap(std::uint32_t word, const IntakeSettings& s) {
    return StatusOf(word) == kNoteOn &&
           (s.tapSource == TapSource::AnyNote ||
            (s.tapSource == TapSource::Note && Data1Of(word) == s.tapNote));
}

bool IsControllerTap(std::uint32_t word, const IntakeSettings& s) {
    const std::uint8_t controller = Data1Of(word);
    return StatusOf(word) == kControlChange &&
           controller < PerformanceIntake::kTapControllerCount &&
           (s.tapSource == TapSource::AnyController ||
            (s.tapSource == TapSource::Controller && controller == s.tapController));
}

}  // namespace

IntakeSettings MakeIntakeSettings(const FollowingOptions& following, const OutputSettings& output,
                                  bool playTappedNotes) {
    IntakeSettings settings;
    settings.thruOn = output.thruOn;
    settings.thruProcessFirst = output.thruProcessFirst;
    settings.followSource = following.followSource;
    settings.tapSource = following.tapSource;
    settings.tapNote = following.tapNote;
    settings.tapController = following.tapController;
    settings.playTappedNotes = playTappedNotes;
    settings.startAutomatically = following.startAutomatically;
    return settings;
}

PerformanceIntake::PerformanceIntake(const platform::Clock& clock, platform::TimerService& timers,
                                     const PortMap& ports, MidiOutput& output,
                                     RemoteControl& remote, SoloistReceiver& receiver,
                                     const TransportStatus& transport,
                                     const platform::KeyState& keys)
    : ports_(ports),
      output_(output),
      remote_(remote),
      receiver_(receiver),
      transport_(transport),
      keys_(keys),
      tapPoll_(clock, timers, &PerformanceIntake::OnTapPoll, this, 1),
      settings_(Pack(IntakeSettings{})),
      noteOffTimes_(std::make_unique<std::atomic<std::uint32_t>[]>(kNoteOffRows * 128)) {}

void PerformanceIntake::InputCallback(void* context, int port,
                                      std::span<const std::uint8_t> message,
                                      platform::ClockMs time) {
    if (message.empty() || message.size() > 3 || message[0] == kSysexStart) return;
    std::uint32_t word = message[0];
    if (message.size() > 1) word |= static_cast<std::uint32_t>(message[1]) << 8;
    if (message.size() > 2) word |= static_cast<std::uint32_t>(message[2]) << 16;
    static_cast<PerformanceIntake*>(context)->HandleMidiInput(word, time, port);
}

void PerformanceIntake::HandleMidiInput(std::uint32_t word, platform::ClockMs time, int port) {
    const IntakeSettings settings = Settings();
    if (settings.thruOn && !settings.thruProcessFirst) SendThru(word);
    if (inputBlocked_.load(std::memory_order_acquire)) return;
    Process(word, time, port, settings);
    if (settings.thruOn && settings.thruProcessFirst) SendThru(word);
}

void PerformanceIntake::Process(std::uint32_t& word, platform::ClockMs time, int port,
                                const IntakeSettings& settings) {
    std::uint8_t status = StatusOf(word);
    // System messages, and a stray data byte, are for thru only.
    if (status >= 0xF0 || status < 0x80) return;
    const int channel = status & 0x0F;
    if (!ports_.ChannelEnabled(port, channel)) return;

    status &= 0xF0;
    if (status == kNoteOn && Data2Of(word) == 0) status = kNoteOff;
    word = (word & 0xFFFFFF00u) | status;
    if (!PassesRestrikeFilter(status, Data1Of(word), time, port, channel)) return;

    if (Mode() == InputMode::InputLearn) PassToLearner(word);
    if (dialogOpen_.load(std::memory_order_acquire)) return;
    if (remote_.Match(word)) return;
    RecordInput(word, time, settings);
    if (Mode() == InputMode::InputTapMidi) {
        TapFromMidi(word, settings);
        return;
    }
    if (status != kNoteOn && status != kControlChange) return;
    const RunningCommands running = transport_.Running();
    if (running.playingFile || running.playingPerformance) return;
    if (status == kNoteOn) {
        // The follower knows the written pitches: undo the master transpose, wrapping in 8 bits.
        const auto key = static_cast<std::uint8_t>(
            Data1Of(word) - masterTranspose_.load(std::memory_order_acquire));
        word = (word & 0xFFFF00FFu) | (static_cast<std::uint32_t>(key) << 8);
    }
    receiver_.NoteIn(word, transport_.SongPosition());
}

bool PerformanceIntake::PassesRestrikeFilter(std::uint8_t status, std::uint8_t key,
                                             platform::ClockMs time, int port, int channel) {
    if (status != kNoteOff && status != kNoteOn) return true;
    const auto row = static_cast<std::size_t>(port * kChannelCount + channel);
    std::atomic<std::uint32_t>& slot = noteOffTimes_[row * 128 + (key & 0x7F)];
    if (status == kNoteOff) {
        // Only the first release after an accepted strike goes through.
        return slot.exchange(time.Ms(), std::memory_order_relaxed) == 0;
    }
    // 0: no release since the key's last accepted strike, so nothing to be near.
    const std::uint32_t released = slot.load(std::memory_order_relaxed);
    if (released != 0 && platform::ClockElapsed(time, platform::ClockMs{released}) < kRestrikeMs)
        return false;
    slot.store(0, std::memory_order_relaxed);
    return true;
}

void PerformanceIntake::RecordInput(std::uint32_t word, platform::ClockMs time,
                                    const IntakeSettings& settings) {
    const InputMode mode = Mode();
    if (mode == InputMode::InputAwaitStart) {
        RecordLeadIn(TrackEvent{time.Ms(), StatusOf(word), Data1Of(word), Data2Of(word), 1});
        return;
    }
    const bool wanted = mode == InputMode::InputFollowPlaying ||
                        (settings.playTappedNotes && mode == InputMode::InputTapKey) ||
                        (settings.playTappedNotes && mode == InputMode::InputTapMidi &&
                         !IsNoteTap(word, settings) && !IsControllerTap(word, settings));
    if (!wanted) return;
    // Byte 3 set to 1 marks the event as the soloist's.
    recording_.Append(TrackEvent{time.Ms(), StatusOf(word), Data1Of(word), Data2Of(word), 1});
}

void PerformanceIntake::RecordLeadIn(const TrackEvent& event) {
    leadInAppending_.fetch_add(1, std::memory_order_seq_cst);
    // Paired with TakeLeadIn: either this sees the mode changed, or it sees this appending.
    if (Mode() == InputMode::InputAwaitStart) {
        const std::uint32_t slot = leadInCount_.fetch_add(1, std::memory_order_relaxed);
        leadIn_[slot % kLeadInEvents] = event;
    }
    leadInAppending_.fetch_sub(1, std::memory_order_release);
}

void PerformanceIntake::TakeLeadIn(bool keep) {
    while (leadInAppending_.load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
    const std::uint32_t count = leadInCount_.exchange(0, std::memory_order_acq_rel);
    if (!keep || count == 0) return;
    const std::uint32_t kept = std::min(count, kLeadInEvents);
    // Back from the newest event to the silence before the phrase.
    std::uint32_t first = count - 1;
    while (count - first < kept) {
        const TrackEvent& earlier = leadIn_[(first - 1) % kLeadInEvents];
        const TrackEvent& later = leadIn_[first % kLeadInEvents];
        if (platform::ClockDifference(platform::ClockMs{later.time},
                                      platform::ClockMs{earlier.time}) >
            std::int32_t{kLeadInPauseMs})
            break;
        --first;
    }
    for (std::uint32_t i = first; i < count; ++i)
        recording_.Append(leadIn_[i % kLeadInEvents]);
}

void PerformanceIntake::TapFromMidi(std::uint32_t word, const IntakeSettings& settings) {
    if (IsNoteTap(word, settings)) {
        receiver_.TapIn(static_cast<Fixed16>(Data2Of(word)) * kStrengthPerVelocity);
        return;
    }
    if (!IsControllerTap(word, settings)) return;
    std::atomic<bool>& latch = controllerTapLatch_[Data1Of(word)];
    const std::uint8_t value = Data2Of(word);
    if (latch.load(std::memory_order_acquire)) {
        if (value < kPedalRestBelow) latch.store(false, std::memory_order_release);
    } else if (value > kPedalPressAbove && !latch.exchange(true, std::memory_order_acq_rel)) {
        receiver_.TapIn(0);
    }
}

void PerformanceIntake::PollTapKey() {
    // A poll that was running when following stopped re-arms after the
    // cancel; the mode ends that last link of the chain.
    if (Mode() != InputMode::InputTapKey) return;
    const platform::TapKey key = Settings().tapSource == TapSource::SpaceBar
                                     ? platform::TapKey::SpaceBar
                                     : platform::TapKey::RightMouseButton;
    if (keys_.Down(key)) {
        if (!keyTapLatch_.exchange(true, std::memory_order_acq_rel)) receiver_.TapIn(0);
    } else {
        keyTapLatch_.store(false, std::memory_order_release);
    }
    tapPoll_.ArmAfter(kTapPollMs);
}

void PerformanceIntake::OnTapPoll(void* self) {
    static_cast<PerformanceIntake*>(self)->PollTapKey();
}

void PerformanceIntake::SetSettings(const IntakeSettings& settings) {
    settings_.store(Pack(settings), std::memory_order_release);
}

IntakeSettings PerformanceIntake::Settings() const {
    return Unpack(settings_.load(std::memory_order_acquire));
}

void PerformanceIntake::SetLearnCallback(LearnCallback callback, void* context) {
    ClearLearnCallback();
    learnContext_.store(context, std::memory_order_release);
    learnCallback_.store(callback, std::memory_order_seq_cst);
}

void PerformanceIntake::ClearLearnCallback() {
    learnCallback_.store(nullptr, std::memory_order_seq_cst);
    // Paired with PassToLearner: either it sees no callback, or this sees it calling.
    while (learnCalls_.load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
}

void PerformanceIntake::PassToLearner(std::uint32_t word) {
    learnCalls_.fetch_add(1, std::memory_order_seq_cst);
    const LearnCallback callback = learnCallback_.load(std::memory_order_seq_cst);
    if (callback != nullptr) callback(learnContext_.load(std::memory_order_acquire), word);
    learnCalls_.fetch_sub(1, std::memory_order_release);
}

void PerformanceIntake::SendThru(std::uint32_t word) {
    const std::array<std::uint8_t, 3> bytes{StatusOf(word), Data1Of(word), Data2Of(word)};
    const std::size_t length = ShortMessageLength(bytes[0]);
    if (length == 0) return;
    output_.SendThru(std::span<const std::uint8_t>(bytes.data(), length));
}

bool PerformanceIntake::PrepareFollowing(const FollowingOptions& options, bool keepLeadIn) {
    const bool recording = recording_.Begin();
    if (options.followSource == FollowSource::SoloistsPlaying) {
        SetInputMode(InputMode::InputFollowPlaying);
        // Older than what the new mode records: the stop puts the take in time order.
        TakeLeadIn(keepLeadIn);
        return recording;
    }
    TakeLeadIn(false);
    switch (options.tapSource) {
        case TapSource::SpaceBar:
        case TapSource::RightMouseButton:
            // A key already held at the start is no tap.
            keyTapLatch_.store(true, std::memory_order_release);
            SetInputMode(InputMode::InputTapKey);
            tapPoll_.ArmAfter(kTapPollMs);
            break;
        case TapSource::AnyController:
            for (std::atomic<bool>& latch : controllerTapLatch_)
                latch.store(false, std::memory_order_release);
            SetInputMode(InputMode::InputTapMidi);
            break;
        case TapSource::Controller:
            if (options.tapController < kTapControllerCount)
                controllerTapLatch_[options.tapController].store(false, std::memory_order_release);
            SetInputMode(InputMode::InputTapMidi);
            break;
        case TapSource::Note:
        case TapSource::AnyNote:
            SetInputMode(InputMode::InputTapMidi);
            break;
    }
    return recording;
}

void PerformanceIntake::LeaveFollowing(const FollowingOptions& options) {
    SetInputMode(IdleInputMode(options));
    tapPoll_.Cancel();
    recording_.Close();
}

}  // namespace ostinel
