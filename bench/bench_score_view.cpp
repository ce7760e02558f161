// What one frame of the Score view costs on a 5 000-note piece: composing
// what shows (finding the visible notes, the soloist's marks, beats and
// markers) and drawing it at 200 % into a picture the size the view takes
// on screen. Each iteration moves the now line on by one 60 Hz frame, as
// playing does. The budget is 2 ms a frame.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/played_trace.h"
#include "app/score_frame.h"
#include "app/score_roll.h"
#include "sequence/piece.h"
#include "smf_builder.h"
#include "views/score_picture.h"

namespace {

using namespace ostinel;

constexpr int kDivision = 480;
constexpr int kMelodyNotes = 2000;  // eighth notes
constexpr int kChords = 1000;       // quarter-note chords of three: 3 000 notes
constexpr int kFrameMs = 16;

smf::FileBuilder FiveThousandNotes() {
    smf::FileBuilder file(1, kDivision);
    file.AddTrack().Tempo(0, 500000).TimeSignature(0, 4, 2).EndOfTrack();
    smf::TrackBuilder& melody = file.AddTrack();
    for (int i = 0; i < kMelodyNotes; ++i) {
        const int key = 60 + (i * 5) % 19;
        melody.NoteOn(i == 0 ? 0 : 20, 0, key, 90).NoteOff(220, 0, key);
    }
    melody.EndOfTrack();
    smf::TrackBuilder& chords = file.AddTrack();
    for (int i = 0; i < kChords; ++i) {
        const int root = 40 + (i * 7) % 12;
        chords.NoteOn(0, 1, root, 70).NoteOn(0, 1, root + 4, 70).NoteOn(0, 1, root + 7, 70);
        chords.NoteOff(kDivision, 1, root).NoteOff(0, 1, root + 4).NoteOff(0, 1, root + 7);
    }
    chords.EndOfTrack();
    return file;
}

struct ScoreFixture {
    Piece piece;
    ScoreRoll roll;
    PlayedTrace trace;
    bool ok = false;

    ScoreFixture() {
        const std::string path =
            (std::filesystem::temp_directory_path() / "ostinel_bench_score_view.mid").string();
        ok = FiveThousandNotes().WriteFile(path) && OpenPiece(path, piece) == LoadResult::Loaded;
        std::remove(path.c_str());
        if (!ok) return;
        roll.Build(piece, 0, -1,
                   SpecialMarkers{{ScorePosition{10000}, ScorePosition{60000}},
                                  {ScorePosition{30000}},
                                  {},
                                  {ScorePosition{45000}},
                                  {{ScorePosition{70000}, ScorePosition{80000}}}});
        trace.Begin(roll, ScorePosition{0});
        // The soloist played the whole melody, every tenth note wrong.
        std::uint32_t time = 0;
        for (const RollNote& note : roll.Notes()) {
            if (!note.following) continue;
            const bool wrong = (time / 250) % 10 == 9;
            trace.Add(roll, PlayedEvent{PlayedEvent::Kind::Note,
                                        static_cast<std::uint8_t>(note.key + (wrong ? 1 : 0)), time,
                                        wrong ? ScorePosition{-1} : note.start, note.start,
                                        kOwnTempoSpeed});
            time += 250;
        }
    }
};

ScoreViewport ViewportOf(double width, double height) {
    ScoreViewport viewport;
    viewport.width = width;
    viewport.height = height;
    viewport.pixelsPerSecond = 80;
    viewport.nowFraction = 0.7;
    return viewport;
}

void ComposeFrame(benchmark::State& state, const ScoreFixture& fixture) {
    ScoreViewport viewport = ViewportOf(static_cast<double>(state.range(0)), 300);
    ScoreFrame frame;
    ScorePosition now;
    for (auto _ : state) {
        viewport.now = now;
        ComposeScoreFrame(fixture.roll, &fixture.trace, viewport, frame);
        benchmark::DoNotOptimize(frame.bars.data());
        now = ScorePosition{(now.Ms() + kFrameMs) % fixture.roll.End().Ms()};
    }
    state.counters["bars"] = static_cast<double>(frame.bars.size());
}

// Composing and drawing, as the desktop view does in a paint event, at 200 %.
void DrawFrameAt200(benchmark::State& state, const ScoreFixture& fixture) {
    constexpr double kScale = 2.0;
    const double width = static_cast<double>(state.range(0));
    const double height = static_cast<double>(state.range(1));
    ScoreViewport viewport = ViewportOf(width, height);
    ScoreFrame frame;
    views::ScoreCanvas canvas(width, height, kScale);
    ScorePosition now;
    for (auto _ : state) {
        viewport.now = now;
        ComposeScoreFrame(fixture.roll, &fixture.trace, viewport, frame);
        canvas.Draw(frame);
        benchmark::DoNotOptimize(canvas.FirstPixel());
        now = ScorePosition{(now.Ms() + kFrameMs) % fixture.roll.End().Ms()};
    }
    state.counters["notes"] = static_cast<double>(fixture.roll.Notes().size());
    state.counters["bars"] = static_cast<double>(frame.bars.size());
}

}  // namespace

int main(int argc, char** argv) {
    const views::OffscreenDrawing drawing;
    const ScoreFixture fixture;
    if (!fixture.ok) {
        std::fprintf(stderr, "cannot build the 5 000-note piece\n");
        return 1;
    }
    benchmark::RegisterBenchmark("ComposeScoreFrame", ComposeFrame, std::cref(fixture))
        ->Arg(622)
        ->Arg(1200)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("DrawScoreViewAt200Percent", DrawFrameAt200, std::cref(fixture))
        ->Args({622, 170})
        ->Args({1200, 400})
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
