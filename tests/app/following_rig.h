#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/engine.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"
#include "smf_builder.h"
#include "support/both_methods.h"
#include "support/test_folder.h"

namespace ostinel::testing {

class QuietUi final : public TransportUi {
  public:
    void ShowMessage(std::string_view /*text*/) override {}
    bool ConfirmMessage(std::string_view /*text*/) override { return true; }
    void TrackChanged(int track) override { changedTracks.push_back(track); }
    std::vector<int> changedTracks;
};

constexpr int kNotes = 24;
constexpr int kSoloistChannel = 0;
constexpr int kAccompanimentChannel = 1;

// The soloist's note `i`: no key comes back within the piece, so that each
// note tells where the soloist is.
constexpr std::uint8_t MelodyKey(int i) {
    return static_cast<std::uint8_t>(60 + (i * 5) % kNotes);
}

// Track 1 the soloist's melody, track 2 an accompaniment, quarter notes at
// 120 beats per minute.
inline smf::Bytes Duet() {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).TimeSignature(0, 4, 2).EndOfTrack();
    auto& melody = file.AddTrack();
    auto& accompaniment = file.AddTrack();
    for (int i = 0; i < kNotes; ++i) {
        const int key = MelodyKey(i);
        melody.NoteOn(i == 0 ? 0 : 240, 0, key, 80).NoteOff(240, 0, key);
        accompaniment.NoteOn(i == 0 ? 0 : 240, 1, 40, 70).NoteOff(240, 1, 40);
    }
    melody.EndOfTrack();
    accompaniment.EndOfTrack();
    return file.Build();
}

// Both following methods must behave alike from outside: each test of the
// rig runs once with each (instantiated with kBothMethods).
class FollowingRig : public ::testing::TestWithParam<FollowingMethod> {
  protected:
    void SetUp() override {
        engine_.Ports().SetInputDevice(0, 0);
        engine_.OpenOutputPorts();
        engine_.OpenInputPorts();
        ASSERT_EQ(engine_.OpenPiece(folder_.Write("duet.mid", Duet())), LoadResult::Loaded);
        FollowingOptions options;
        options.followTrack1 = 0;
        options.startAutomatically = false;
        options.method = GetParam();
        ASSERT_TRUE(engine_.SetFollowingOptions(options));
    }

    void RunTo(platform::ClockMs until) {
        while (platform::ClockDifference(until, clock_.Now()) > 0) {
            const platform::ClockMs step = clock_.Now() + 5;
            timers_.AdvanceTo(platform::ClockDifference(step, until) < 0 ? step : until);
            engine_.IdlePass();
        }
    }

    // The soloist plays note `index` of the melody now.
    void Play(int index, std::uint8_t velocity = 90) {
        midi_.Input(0).Inject(std::vector<std::uint8_t>{0x90, MelodyKey(index), velocity},
                              clock_.Now());
        engine_.IdlePass();
    }
    void Release(int index) {
        midi_.Input(0).Inject(std::vector<std::uint8_t>{0x80, MelodyKey(index), 0}, clock_.Now());
    }
    // The soloist plays notes `first` to `last` - 1, each held `heldMs` with
    // `gapMs` before the next.
    void PlayNotes(int first, int last, std::int32_t heldMs, std::int32_t gapMs) {
        for (int i = first; i < last; ++i) {
            Play(i);
            RunTo(clock_.Now() + heldMs);
            Release(i);
            RunTo(clock_.Now() + gapMs);
        }
    }

    // Clock times of the note-ons sent on `channel`.
    std::vector<platform::ClockMs> NoteOnTimes(int channel) {
        std::vector<platform::ClockMs> times;
        for (const auto& message : midi_.Output(0).Messages()) {
            const auto& bytes = message.bytes;
            if (bytes.size() == 3 && bytes[0] == (0x90 | channel) && bytes[2] > 0)
                times.push_back(message.time);
        }
        return times;
    }

    testing::TestFolder folder_{"ostinel-following"};
    platform::ManualClock clock_{platform::ClockMs{1000}};
    platform::ManualTimerService timers_{clock_};
    platform::ManualMidiSystem midi_{clock_, {"Keys"}, {"Synth"}};
    QuietUi ui_;
    Engine engine_{clock_, timers_, midi_, ui_};
};

}  // namespace ostinel::testing
