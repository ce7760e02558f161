#pragma once

// An engine on the manual clock with a settings store and a window that
// records what loading and saving settings asked of it.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/settings_ui.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"
#include "platform/manual/memory_settings_store.h"
#include "smf_builder.h"
#include "strings/string_table.h"
#include "support/test_folder.h"

namespace ostinel::testing {

class AnsweringUi final : public TransportUi {
  public:
    void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
    bool ConfirmMessage(std::string_view text) override {
        asked.emplace_back(text);
        return confirm;
    }
    std::vector<std::string> shown;
    std::vector<std::string> asked;
    bool confirm = true;
};

class WindowRecorder final : public SettingsUi {
  public:
    void LoopAndMetronomeButtonsChanged(bool loopOn, bool metronomeOn) override {
        buttons = {loopOn, metronomeOn};
    }
    void MoveViewsHome() override { ++movedHome; }
    void PlaceViews(const std::array<ViewPlace, kViewCount>& places) override { placed = places; }
    void ViewOrderChanged(const std::array<std::uint16_t, kViewCount>& order) override {
        viewOrder = order;
    }
    void OpenPortsDialog() override { ++portsDialogs; }
    std::optional<std::string> AskSettingsName() override { return nextName; }
    std::optional<std::string> AskMidiFileForScore(const std::string& suggested) override {
        suggestedMidiFile = suggested;
        return nextMidiFile;
    }

    std::pair<bool, bool> buttons{false, false};
    int movedHome = 0;
    std::optional<std::array<ViewPlace, kViewCount>> placed;
    std::array<std::uint16_t, kViewCount> viewOrder{};
    int portsDialogs = 0;
    std::optional<std::string> nextName;
    std::optional<std::string> nextMidiFile;
    std::string suggestedMidiFile;
};

// Eight inputs, so that every port can have a device (and a channel filter) of its own.
inline std::vector<std::string> EightInputs() {
    std::vector<std::string> names;
    for (int i = 1; i <= 8; ++i)
        names.push_back("Keyboard " + std::to_string(i));
    return names;
}

class EngineWithSettings {
  public:
    explicit EngineWithSettings(platform::SettingsStore& store) {
        engine.UseSettingsStore(store);
        engine.UseSettingsUi(window);
    }

    platform::ManualClock clock{platform::ClockMs{0}};
    platform::ManualTimerService timers{clock};
    platform::ManualMidiSystem midi{clock, EightInputs(), {"Synth", "Module", "Expander"}};
    AnsweringUi ui;
    WindowRecorder window;
    Engine engine{clock, timers, midi, ui};
};

// `tracks` file tracks on channels 0, 1, ...; each starts with two program changes.
inline smf::Bytes Ensemble(int tracks) {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).TimeSignature(0, 4, 2).EndOfTrack();
    for (int t = 0; t < tracks; ++t) {
        auto& track = file.AddTrack();
        track.ProgramChange(0, t, 10 + t).ProgramChange(0, t, 40 + t);
        for (int i = 0; i < 8; ++i)
            track.NoteOn(i == 0 ? 0 : 240, t, 60 + t, 80).NoteOff(240, t, 60 + t);
        track.EndOfTrack();
    }
    return file.Build();
}

inline std::string Message(int id) {
    return std::string(StringTable().Get(id));
}

}  // namespace ostinel::testing
