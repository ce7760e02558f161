#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "part.h"

// The demo piece: Beethoven's "Ode to Joy", the theme of the finale of his Ninth Symphony
// (1824; Beethoven died in 1827, so the melody is in the public domain), in D major, arranged
// for flute with bass, piano, strings and drums.

namespace ostinel::demo {

constexpr int kTicksPerQuarter = 480;
constexpr std::uint32_t kQuarterTicks = 480;
constexpr std::uint32_t kEighthTicks = kQuarterTicks / 2;
constexpr std::uint32_t kSixteenthTicks = kQuarterTicks / 4;

// One harmony, with the notes each accompanying part takes from it.
struct Chord {
    int bassRoot;                // D2..B2, the bass's home octave
    std::array<int, 3> piano;    // close position between G3 and G4, under the flute
    std::array<int, 3> strings;  // open position: root, fifth or seventh, tenth
};

enum class Section { kIntro, kVerse1, kTurnaround, kVerse2, kCoda };

struct Bar {
    std::uint32_t start;
    int beats;  // quarter notes: 4, or 2 in the turnaround
    Section section;
    int number;  // counted from 1 within its section
    // Chords of the first and second half; a 2/4 bar has only the first.
    std::array<const Chord*, 2> harmony;

    std::uint32_t Length() const { return static_cast<std::uint32_t>(beats) * kQuarterTicks; }
    std::uint32_t Beat(int beatFromOne) const {
        return start + static_cast<std::uint32_t>(beatFromOne - 1) * kQuarterTicks;
    }
};

// A stretch of one chord within a bar: a half bar, or the whole bar when both halves agree.
struct Span {
    std::uint32_t start;
    std::uint32_t length;
    const Chord* chord;
    const Bar* bar;
};

std::vector<Bar> LayOutBars();
std::vector<Span> HarmonySpans(const std::vector<Bar>& bars);
std::uint32_t EndTick(const std::vector<Bar>& bars);

void WriteConductor(const std::vector<Bar>& bars, Part& conductor);
void WriteSolo(const std::vector<Bar>& bars, Part& solo);
void WriteBass(const std::vector<Bar>& bars, const std::vector<Span>& spans, Part& bass);
void WriteChords(const std::vector<Span>& spans, Part& chords);
void WriteStrings(const std::vector<Span>& spans, Part& strings);
void WriteDrums(const std::vector<Bar>& bars, Part& drums);

inline int ClampVelocity(int velocity) {
    return std::clamp(velocity, 1, 127);
}

// Small repeatable velocity variations, so that the demo is the same on every rebuild but
// the accompaniment does not sound like a machine.
class Humanizer {
  public:
    explicit Humanizer(std::uint32_t seed) : state_(seed) {}
    int Vary(int velocity, int spread) {
        state_ = state_ * 1664525u + 1013904223u;
        const int span = 2 * spread + 1;
        return ClampVelocity(velocity + static_cast<int>((state_ >> 16) % span) - spread);
    }

  private:
    std::uint32_t state_;
};

}  // namespace ostinel::demo
