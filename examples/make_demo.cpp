// Writes the bundled demo piece, examples/demo.mid: "Ode to Joy" (arrangement.h says more).
// Usage: make-demo OUTPUT.mid

#include <cstdio>
#include <string>

#include "arrangement.h"
#include "smf_builder.h"

namespace ostinel::demo {

namespace {

constexpr int kSoloChannel = 0;
constexpr int kBassChannel = 1;
constexpr int kChordsChannel = 2;
constexpr int kStringsChannel = 3;
constexpr int kDrumsChannel = 9;

// General MIDI programs, counted from 0.
constexpr int kFlute = 73;
constexpr int kAcousticBass = 32;
constexpr int kGrandPiano = 0;
constexpr int kStringEnsemble = 48;
constexpr int kStandardKit = 0;

constexpr double kVerse1Bpm = 100;
constexpr double kVerse2Bpm = 104;
constexpr double kFinalChordBpm = 72;

}  // namespace

// Tempo, meter and key. The second statement moves on a little; its last two bars slow down
// beat by beat into the held final chord.
void WriteConductor(const std::vector<Bar>& bars, Part& conductor) {
    constexpr std::array<double, 8> kRitardando{102, 100, 98, 96, 94, 90, 86, 82};
    conductor.Name("Ode to Joy");
    conductor.Meter(0, 4, 2);
    conductor.Key(0, 2, false);
    conductor.Tempo(0, kVerse1Bpm);
    for (const Bar& bar : bars) {
        if (bar.section == Section::kTurnaround) conductor.Meter(bar.start, 2, 2);
        if (bar.section == Section::kVerse2 && bar.number == 1) {
            conductor.Meter(bar.start, 4, 2);
            conductor.Tempo(bar.start, kVerse2Bpm);
        }
        if (bar.section == Section::kVerse2 && bar.number >= 15) {
            for (int beat = 1; beat <= 4; ++beat) {
                const std::size_t step = static_cast<std::size_t>((bar.number - 15) * 4 + beat - 1);
                conductor.Tempo(bar.Beat(beat), kRitardando[step]);
            }
        }
        if (bar.section == Section::kCoda) conductor.Tempo(bar.start, kFinalChordBpm);
    }
}

namespace {

bool WriteDemo(const std::string& path, std::string& error) {
    const std::vector<Bar> bars = LayOutBars();
    const std::vector<Span> spans = HarmonySpans(bars);
    const std::uint32_t endTick = EndTick(bars);

    Part conductor;
    WriteConductor(bars, conductor);

    Part solo(kSoloChannel);
    solo.Name("Solo");
    solo.Setup(kFlute, 110, 64, 40);
    WriteSolo(bars, solo);

    Part bass(kBassChannel);
    bass.Name("Bass");
    bass.Setup(kAcousticBass, 100, 58, 20);
    WriteBass(bars, spans, bass);

    Part chords(kChordsChannel);
    chords.Name("Chords");
    chords.Setup(kGrandPiano, 88, 44, 40);
    WriteChords(spans, chords);

    Part strings(kStringsChannel);
    strings.Name("Strings");
    strings.Setup(kStringEnsemble, 76, 86, 60);
    WriteStrings(spans, strings);

    Part drums(kDrumsChannel);
    drums.Name("Drums");
    drums.Setup(kStandardKit, 96, 64, 30);
    WriteDrums(bars, drums);

    smf::FileBuilder file(1, kTicksPerQuarter);
    // AddTrack's reference lasts only until the next AddTrack, so each part is written at once.
    for (const Part* part : {&conductor, &solo, &bass, &chords, &strings, &drums}) {
        if (!part->WriteTo(file.AddTrack(), endTick, error)) return false;
    }
    if (!file.WriteFile(path)) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace

}  // namespace ostinel::demo

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-demo OUTPUT.mid\n");
        return 2;
    }
    std::string error;
    if (!ostinel::demo::WriteDemo(argv[1], error)) {
        std::fprintf(stderr, "make-demo: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
