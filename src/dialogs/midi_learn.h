#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "app/engine.h"
#include "music/midi_message.h"
#include "platform/lock_free_queue.h"

namespace ostinel::dialogs {

// The bridge between the MIDI input and a dialog that learns a note or a
// controller from it. While the dialog is open the intake keeps input from
// triggering commands, being recorded or followed; while learning is on the
// intake's mode is InputLearn and every message it lets through reaches the
// dialog on the main thread. Switching learning off, and closing, put back
// the mode the engine had when the dialog opened.
//
// Threads: everything on the main thread, except OnInput, which the intake
// calls on the input threads (one per open device, so possibly several at
// once): it only pushes the word into a multi-producer lock-free ring.
class MidiLearn final : public QObject {
    Q_OBJECT

  public:
    static constexpr int kDrainIntervalMs = 10;
    // Words heard in one drain interval beyond this are dropped.
    static constexpr std::size_t kQueueCapacity = 64;

    using Listener = std::function<void(std::uint32_t word)>;

    // main thread: remembers the engine's input mode and marks the dialog open.
    MidiLearn(Engine& engine, Listener listener, QObject* parent = nullptr);
    ~MidiLearn() override;
    MidiLearn(const MidiLearn&) = delete;
    MidiLearn& operator=(const MidiLearn&) = delete;

    // main thread. On: InputLearn with this bridge as the learner; off: the
    // remembered mode again, and words not yet delivered are forgotten.
    void SetLearning(bool on);
    bool Learning() const { return learning_; }
    // main thread: hands each word heard so far to the listener, in order.
    // The drain timer calls it; tests call it to deliver deterministically.
    void Deliver();
    // main thread, the dialog closes (OK or Cancel): learning off, the
    // remembered mode back, the dialog no longer open for the intake. Only
    // the first call acts.
    void Close();

    InputMode SavedMode() const { return savedMode_; }

  private:
    // input thread
    static void OnInput(void* self, std::uint32_t word);
    void Forget();

    Engine& engine_;
    Listener listener_;
    InputMode savedMode_;
    bool learning_ = false;
    bool open_ = true;
    QTimer drainTimer_;
    platform::LockFreeQueue<std::uint32_t, kQueueCapacity> words_;
};

// The parts of a message word as the intake delivers it (channel cleared).
constexpr std::uint8_t LearnedStatus(std::uint32_t word) {
    return static_cast<std::uint8_t>(word & 0xF0u);
}
constexpr int LearnedData1(std::uint32_t word) {
    return static_cast<int>((word >> 8) & 0x7Fu);
}
constexpr int LearnedData2(std::uint32_t word) {
    return static_cast<int>((word >> 16) & 0x7Fu);
}

}  // namespace ostinel::dialogs
