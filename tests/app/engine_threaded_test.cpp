#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <string>
#include <thread>

#include "app/engine.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/real/steady_clock.h"
#include "platform/real/timer_thread.h"
#include "smf_builder.h"
#include "support/both_methods.h"
#include "support/test_folder.h"

namespace ostinel {
namespace {

class QuietUi final : public TransportUi {
  public:
    void ShowMessage(std::string_view /*text*/) override {}
    bool ConfirmMessage(std::string_view /*text*/) override { return true; }
};

// A dense piece: four tracks, a note every 5 ms on each, overlapping.
Piece DensePiece() {
    Piece piece;
    for (int t = 0; t <= 4; ++t) {
        Track track;
        track.channel = static_cast<std::int16_t>(t);
        if (t < 4) {
            for (std::uint32_t time = 0; time < 4000; time += 5) {
                const auto key = static_cast<std::uint8_t>(48 + (time / 5 + t * 7) % 24);
                track.events.push_back(TrackEvent{time, kNoteOn, key, 90, 0});
                track.events.push_back(TrackEvent{time + 12, kNoteOff, key, 64, 0});
            }
            std::stable_sort(
                track.events.begin(), track.events.end(),
                [](const TrackEvent& a, const TrackEvent& b) { return a.time < b.time; });
        }
        track.count = static_cast<std::int32_t>(track.events.size());
        piece.tracks.push_back(std::move(track));
    }
    piece.firstEventTime = 0;
    piece.lastEventTime = 4011;
    piece.length = 4012;
    piece.loaded = true;
    return piece;
}

std::map<std::pair<int, int>, int> Sounding(const std::vector<std::vector<std::uint8_t>>& sent) {
    std::map<std::pair<int, int>, int> sounding;
    for (const auto& m : sent) {
        if (m.size() != 3) continue;
        const std::pair<int, int> note{m[0] & 0x0F, m[1]};
        if ((m[0] & 0xF0) == 0x90 && m[2] > 0) {
            ++sounding[note];
        } else if ((m[0] & 0xF0) == 0x80 && sounding.count(note) != 0 && --sounding[note] == 0) {
            sounding.erase(note);
        }
    }
    return sounding;
}

// The tick runs on the timer thread while the main thread stops, mutes,
// unmutes and changes the tempo: nothing may be left sounding, and the
// sanitizer watches the hand-over.
TEST(EngineOnTheTimerThread, StopsMutesAndTempoChangesWhilePlayingLeaveNothingSounding) {
    platform::SteadyClock clock;
    platform::TimerThread timers(clock);
    platform::ManualMidiSystem midi(clock, {}, {"Recorder"});
    QuietUi ui;
    std::mt19937 random(11);
    {
        Engine engine(clock, timers, midi, ui);
        engine.OpenOutputPorts();
        Piece piece = DensePiece();
        for (int round = 0; round < 6; ++round) {
            engine.GetTransport().UsePiece(&piece);
            engine.GetTransport().PlayFile();
            for (int step = 0; step < 8; ++step) {
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
                engine.IdlePass();
                const int track = static_cast<int>(random() % 4);
                engine.GetTransport().SetTrackPlaying(track, false);
                engine.GetTransport().SetTrackPlaying(track, true);
                MasterSettings master;
                master.speed = static_cast<SpeedFactor>(2048 + random() % 6144);
                engine.GetTransport().SetMasterSettings(master);
            }
            engine.GetTransport().Stop();
            EXPECT_TRUE(Sounding(midi.Output(0).Bytes()).empty()) << "round " << round;
        }
        engine.GetTransport().UsePiece(nullptr);
    }
}

// A melody for the soloist (track 1) in eighths and a busy accompaniment (track 2).
smf::Bytes DuetForThreads() {
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 500000).TimeSignature(0, 4, 2).EndOfTrack();
    auto& melody = file.AddTrack();
    for (int i = 0; i < 32; ++i) {
        const int key = 60 + (i * 5) % 12;
        melody.NoteOn(i == 0 ? 0 : 120, 0, key, 80).NoteOff(120, 0, key);
    }
    melody.EndOfTrack();
    auto& accompaniment = file.AddTrack();
    for (int i = 0; i < 128; ++i) {
        const int key = 40 + i % 12;
        accompaniment.NoteOn(i == 0 ? 0 : 30, 1, key, 70).NoteOff(30, 1, key);
    }
    accompaniment.EndOfTrack();
    return file.Build();
}

// The soloist's notes arrive on their own thread and steer the tick, which
// runs on the timer thread, while the main thread runs the idle pass; with
// either following method.
class EngineFollowingOnThreads : public ::testing::TestWithParam<FollowingMethod> {};

TEST_P(EngineFollowingOnThreads, NotesFromTheInputThreadSteerTheTickAndLeaveNothingSounding) {
    platform::SteadyClock clock;
    platform::TimerThread timers(clock);
    platform::ManualMidiSystem midi(clock, {"Keys"}, {"Recorder"});
    QuietUi ui;
    testing::TestFolder folder("ostinel-threaded-follow");
    {
        Engine engine(clock, timers, midi, ui);
        engine.Ports().SetInputDevice(0, 0);
        engine.OpenOutputPorts();
        engine.OpenInputPorts();
        ASSERT_EQ(engine.OpenPiece(folder.Write("duet.mid", DuetForThreads())), LoadResult::Loaded);
        FollowingOptions options;
        options.startAutomatically = false;
        options.method = GetParam();
        ASSERT_TRUE(engine.SetFollowingOptions(options));
        engine.GetTransport().PlayAndFollow();
        ASSERT_TRUE(engine.GetTransport().Mode().following);

        std::atomic<bool> done{false};
        std::thread soloist([&] {
            // A little faster than written: 200 ms for each 250 ms eighth.
            for (int i = 0; i < 16; ++i) {
                const auto key = static_cast<std::uint8_t>(60 + (i * 5) % 12);
                midi.Input(0).Inject(std::vector<std::uint8_t>{0x90, key, 90}, clock.Now());
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                midi.Input(0).Inject(std::vector<std::uint8_t>{0x80, key, 0}, clock.Now());
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            done.store(true);
        });
        while (!done.load()) {
            engine.IdlePass();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        soloist.join();
        engine.GetTransport().Stop();
        const auto sent = midi.Output(0).Bytes();
        EXPECT_GT(sent.size(), 20u);
        EXPECT_TRUE(Sounding(sent).empty());
        EXPECT_GT(engine.CurrentPiece()->PerformanceTrack().count, 20);

        // The take again in Punch-In: the tick steers the tempo and hands the
        // following track over on the timer thread while the main thread
        // reads the position and changes the master tempo.
        Transport& transport = engine.GetTransport();
        ASSERT_TRUE(PerformanceExists(transport.PerformanceTempos()));
        PerformanceSettings performance;
        performance.playMode = PerformancePlayMode::PunchIn;
        transport.SetPerformanceSettings(performance);
        transport.JumpTo(ScorePosition{0});
        midi.Output(0).Clear();
        transport.PlayPerformance();
        ASSERT_TRUE(transport.Mode().playingPerformance);
        ScorePosition last;
        for (int step = 0; step < 60 && transport.Mode().playing; ++step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            engine.IdlePass();
            const ScorePosition now = transport.Position();
            EXPECT_GE(now, last);
            last = now;
            if (step == 30) {
                MasterSettings master = transport.Master();
                master.speed = SpeedFactor{kOwnTempoSpeed.Raw() * 3 / 2};
                transport.SetMasterSettings(master);
            }
        }
        transport.Stop();
        EXPECT_GT(last, ScorePosition{});
        EXPECT_TRUE(Sounding(midi.Output(0).Bytes()).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(BothMethods, EngineFollowingOnThreads, ostinel::testing::kBothMethods,
                         ostinel::testing::MethodName);

}  // namespace
}  // namespace ostinel
