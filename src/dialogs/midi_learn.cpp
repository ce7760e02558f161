#include "dialogs/midi_learn.h"

#include <utility>

namespace ostinel::dialogs {

MidiLearn::MidiLearn(Engine& engine, Listener listener, QObject* parent)
    : QObject(parent),
      engine_(engine),
      listener_(std::move(listener)),
      savedMode_(engine.Intake().Mode()) {
    engine_.Intake().SetInputDialogOpen(true);
    drainTimer_.setInterval(kDrainIntervalMs);
    connect(&drainTimer_, &QTimer::timeout, this, &MidiLearn::Deliver);
}

MidiLearn::~MidiLearn() {
    Close();
}

void MidiLearn::SetLearning(bool on) {
    if (on == learning_ || (on && !open_)) {
        return;
    }
    PerformanceIntake& intake = engine_.Intake();
    learning_ = on;
    if (on) {
        intake.SetLearnCallback(&MidiLearn::OnInput, this);
        intake.SetInputMode(InputMode::InputLearn);
        drainTimer_.start();
        return;
    }
    drainTimer_.stop();
    // Returns only once no input thread is inside OnInput any more.
    intake.ClearLearnCallback();
    intake.SetInputMode(savedMode_);
    Forget();
}

void MidiLearn::Deliver() {
    std::uint32_t word = 0;
    while (learning_ && words_.TryPop(word)) {
        listener_(word);
    }
}

void MidiLearn::Close() {
    if (!open_) {
        return;
    }
    SetLearning(false);
    open_ = false;
    engine_.Intake().SetInputDialogOpen(false);
}

void MidiLearn::OnInput(void* self, std::uint32_t word) {
    // A full ring drops the word: the user plays the note again.
    static_cast<MidiLearn*>(self)->words_.TryPush(word);
}

void MidiLearn::Forget() {
    std::uint32_t word = 0;
    while (words_.TryPop(word)) {
    }
}

}  // namespace ostinel::dialogs
