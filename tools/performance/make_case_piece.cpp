// Writes the short scores of the benchmark's evaluation cases (bench/cases).
// Usage: make-case-piece melody|duet OUTPUT.mid
//   melody: conductor, Solo (track 1), Accompaniment (track 2); 16 bars of 4/4 at 100 BPM.
//   duet:   conductor, Solo (track 1), Second (track 2), Accompaniment (track 3); 16 bars of
//           3/4 at 92 BPM.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "smf_builder.h"

namespace {

constexpr int kTicksPerQuarter = 480;
constexpr int kTicksPerEighth = kTicksPerQuarter / 2;
constexpr int kBars = 16;

struct Note {
    std::uint32_t tick;
    std::uint32_t length;
    int key;
    int velocity;
};

// Raw engine draws: the standard distributions differ between libraries.
class Random {
  public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}
    int Below(int count) {
        return static_cast<int>(
            static_cast<std::uint64_t>(engine_()) * static_cast<std::uint64_t>(count) >> 32);
    }

  private:
    std::mt19937 engine_;
};

// C major degrees as keys above C4, and the chords of a four-bar round I vi IV V.
constexpr std::array<int, 7> kScale = {0, 2, 4, 5, 7, 9, 11};
constexpr std::array<std::array<int, 3>, 4> kChords = {
    {{0, 4, 7}, {9, 12, 16}, {5, 9, 12}, {7, 11, 14}}};

int ScaleKey(int degree) {
    const int octave = degree >= 0 ? degree / 7 : (degree - 6) / 7;
    return 60 + 12 * octave + kScale[static_cast<std::size_t>(degree - 7 * octave)];
}

bool InChord(int key, const std::array<int, 3>& chord) {
    return std::any_of(chord.begin(), chord.end(),
                       [&](int tone) { return (key - tone) % 12 == 0; });
}

const std::array<int, 3>& ChordOfBar(int bar) {
    return kChords[static_cast<std::size_t>(bar % 4)];
}

// A singable line: steps and small leaps, chord tones where each bar begins.
std::vector<Note> Melody(Random& random, int beatsPerBar, int lowDegree, int highDegree,
                         int velocity) {
    // Rhythms of one bar in eighths; a bar of three beats takes the first six eighths' worth.
    static constexpr std::array<std::array<int, 6>, 5> kRhythms4 = {{{2, 2, 2, 2, 0, 0},
                                                                     {1, 1, 2, 2, 2, 0},
                                                                     {3, 1, 2, 2, 0, 0},
                                                                     {2, 2, 4, 0, 0, 0},
                                                                     {1, 1, 1, 1, 2, 2}}};
    static constexpr std::array<std::array<int, 6>, 4> kRhythms3 = {
        {{2, 2, 2, 0, 0, 0}, {1, 1, 2, 2, 0, 0}, {4, 2, 0, 0, 0, 0}, {3, 1, 2, 0, 0, 0}}};
    std::vector<Note> notes;
    int degree = (lowDegree + highDegree) / 2;
    for (int bar = 0; bar < kBars; ++bar) {
        const std::uint32_t barTick =
            static_cast<std::uint32_t>(bar * beatsPerBar * kTicksPerQuarter);
        if (bar == kBars - 1) {
            notes.push_back({barTick,
                             static_cast<std::uint32_t>(beatsPerBar * kTicksPerQuarter - 60),
                             ScaleKey(7 * ((lowDegree + highDegree) / 14)), velocity});
            break;
        }
        const auto& rhythm = beatsPerBar == 4
                                 ? kRhythms4[static_cast<std::size_t>(random.Below(5))]
                                 : kRhythms3[static_cast<std::size_t>(random.Below(4))];
        std::uint32_t tick = barTick;
        for (std::size_t i = 0; i < rhythm.size() && rhythm[i] > 0; ++i) {
            int step = random.Below(5) - 2;
            if (step == 0) step = random.Below(2) == 0 ? -1 : 1;
            degree = std::clamp(degree + step, lowDegree, highDegree);
            if (i == 0) {
                // Nudge the downbeat onto a chord tone.
                for (int nudge : {0, 1, -1, 2, -2}) {
                    const int candidate = std::clamp(degree + nudge, lowDegree, highDegree);
                    if (InChord(ScaleKey(candidate), ChordOfBar(bar))) {
                        degree = candidate;
                        break;
                    }
                }
            }
            const auto length = static_cast<std::uint32_t>(rhythm[i] * kTicksPerEighth);
            const int accent = i == 0 ? 12 : 0;
            notes.push_back({tick, length - 30, ScaleKey(degree), velocity + accent});
            tick += length;
        }
    }
    return notes;
}

// A lower voice in longer notes: a chord tone on each strong beat.
std::vector<Note> SecondVoice(Random& random, int beatsPerBar) {
    std::vector<Note> notes;
    for (int bar = 0; bar < kBars; ++bar) {
        const auto& chord = ChordOfBar(bar);
        const std::uint32_t barTick =
            static_cast<std::uint32_t>(bar * beatsPerBar * kTicksPerQuarter);
        const bool split = bar != kBars - 1 && random.Below(2) == 0;
        const int first = 55 + (chord[static_cast<std::size_t>(random.Below(3))] % 12);
        if (split) {
            notes.push_back({barTick, 2 * kTicksPerQuarter - 40, first, 72});
            const int second = 55 + (chord[static_cast<std::size_t>(random.Below(3))] % 12);
            notes.push_back({barTick + 2 * kTicksPerQuarter,
                             static_cast<std::uint32_t>((beatsPerBar - 2) * kTicksPerQuarter - 40),
                             second == first ? second + 1 + (second % 2) : second, 66});
        } else {
            notes.push_back({barTick,
                             static_cast<std::uint32_t>(beatsPerBar * kTicksPerQuarter - 40), first,
                             72});
        }
    }
    return notes;
}

// Bass on the downbeat, chords on the other beats.
std::vector<Note> Accompaniment(int beatsPerBar) {
    std::vector<Note> notes;
    for (int bar = 0; bar < kBars; ++bar) {
        const auto& chord = ChordOfBar(bar);
        const std::uint32_t barTick =
            static_cast<std::uint32_t>(bar * beatsPerBar * kTicksPerQuarter);
        notes.push_back({barTick, static_cast<std::uint32_t>(beatsPerBar * kTicksPerQuarter - 60),
                         36 + chord[0] % 12, 84});
        if (bar == kBars - 1) break;
        for (int beat = 1; beat < beatsPerBar; ++beat) {
            const std::uint32_t tick =
                barTick + static_cast<std::uint32_t>(beat * kTicksPerQuarter);
            for (int tone : chord)
                notes.push_back(
                    {tick, kTicksPerQuarter - 80, 48 + tone % 12 + (tone % 12 < 5 ? 12 : 0), 60});
        }
    }
    return notes;
}

void WriteNotes(ostinel::smf::TrackBuilder& track, std::string_view name, int channel, int program,
                const std::vector<Note>& notes) {
    struct Event {
        std::uint32_t tick;
        bool on;
        int key;
        int velocity;
    };
    std::vector<Event> events;
    for (const Note& note : notes) {
        events.push_back({note.tick, true, note.key, note.velocity});
        events.push_back({note.tick + note.length, false, note.key, 64});
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
    });
    track.TrackName(0, name).ProgramChange(0, channel, program);
    std::uint32_t tick = 0;
    for (const Event& event : events) {
        const std::uint32_t delta = event.tick - tick;
        tick = event.tick;
        if (event.on) {
            track.NoteOn(delta, channel, event.key, event.velocity);
        } else {
            track.NoteOff(delta, channel, event.key);
        }
    }
    track.EndOfTrack(kTicksPerQuarter);
}

bool Write(std::string_view kind, const std::string& path) {
    const bool duet = kind == "duet";
    if (!duet && kind != "melody") return false;
    const int beatsPerBar = duet ? 3 : 4;
    Random random(duet ? 2024u : 1824u);

    ostinel::smf::FileBuilder file(1, kTicksPerQuarter);
    file.AddTrack()
        .TrackName(0, duet ? "Duet" : "Melody")
        .TimeSignature(0, beatsPerBar, 2)
        .Bpm(0, duet ? 92 : 100)
        .EndOfTrack(static_cast<std::uint32_t>(kBars * beatsPerBar * kTicksPerQuarter));
    WriteNotes(file.AddTrack(), "Solo", 0, 73, Melody(random, beatsPerBar, 4, 13, 88));
    if (duet) WriteNotes(file.AddTrack(), "Second", 1, 71, SecondVoice(random, beatsPerBar));
    WriteNotes(file.AddTrack(), "Accompaniment", duet ? 2 : 1, 0, Accompaniment(beatsPerBar));
    return file.WriteFile(path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-case-piece melody|duet OUTPUT.mid\n");
        return 2;
    }
    if (!Write(argv[1], argv[2])) {
        std::fprintf(stderr, "make-case-piece: cannot write %s piece to %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
