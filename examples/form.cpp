#include "arrangement.h"

namespace ostinel::demo {

namespace {

//                 bass   piano         strings
constexpr Chord kD{38, {57, 62, 66}, {50, 57, 66}};
constexpr Chord kA{45, {57, 61, 64}, {45, 52, 61}};
constexpr Chord kA7{45, {55, 61, 64}, {45, 55, 61}};
constexpr Chord kG{43, {59, 62, 67}, {43, 50, 59}};
constexpr Chord kBm{47, {59, 62, 66}, {47, 54, 62}};
constexpr Chord kEm{40, {59, 64, 67}, {52, 59, 67}};
constexpr Chord kE7{40, {56, 62, 64}, {52, 62, 68}};

using Harmony = std::array<const Chord*, 2>;

constexpr std::array<Harmony, 2> kIntro{{{&kD, &kD}, {&kG, &kA7}}};

// The plain harmonisation under the first statement of the theme.
constexpr std::array<Harmony, 16> kVerse1{{
    {&kD, &kD},
    {&kA7, &kA7},
    {&kD, &kD},
    {&kD, &kA},  // F# F# G A | A G F# E | ...
    {&kD, &kD},
    {&kA7, &kA7},
    {&kD, &kD},
    {&kA7, &kD},  // ... | E. D D
    {&kA, &kD},
    {&kA, &kD},
    {&kA, &kD},
    {&kE7, &kA7},  // E E F# D | ... | D E A
    {&kD, &kD},
    {&kA7, &kA7},
    {&kD, &kD},
    {&kA7, &kD},  // as bars 5-8
}};

// The second statement colours the cadences with relative minors and the subdominant.
constexpr std::array<Harmony, 16> kVerse2{{
    {&kD, &kD},
    {&kA7, &kA7},
    {&kD, &kBm},
    {&kD, &kA},
    {&kD, &kD},
    {&kA7, &kA7},
    {&kBm, &kEm},
    {&kA7, &kD},
    {&kA, &kD},
    {&kA, &kD},
    {&kA, &kBm},
    {&kE7, &kA7},
    {&kD, &kD},
    {&kA7, &kA7},
    {&kG, &kEm},
    {&kA7, &kD},
}};

constexpr Harmony kTurnaround{&kA7, nullptr};
constexpr Harmony kCoda{&kD, &kD};

}  // namespace

std::vector<Bar> LayOutBars() {
    std::vector<Bar> bars;
    std::uint32_t tick = 0;
    auto add = [&](Section section, int beats, const Harmony* first, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            bars.push_back({tick, beats, section, static_cast<int>(i) + 1, first[i]});
            tick += bars.back().Length();
        }
    };
    add(Section::kIntro, 4, kIntro.data(), kIntro.size());
    add(Section::kVerse1, 4, kVerse1.data(), kVerse1.size());
    add(Section::kTurnaround, 2, &kTurnaround, 1);
    add(Section::kVerse2, 4, kVerse2.data(), kVerse2.size());
    add(Section::kCoda, 4, &kCoda, 1);
    return bars;
}

std::vector<Span> HarmonySpans(const std::vector<Bar>& bars) {
    std::vector<Span> spans;
    for (const Bar& bar : bars) {
        if (bar.harmony[1] == nullptr || bar.harmony[1] == bar.harmony[0]) {
            spans.push_back({bar.start, bar.Length(), bar.harmony[0], &bar});
        } else {
            const std::uint32_t half = bar.Length() / 2;
            spans.push_back({bar.start, half, bar.harmony[0], &bar});
            spans.push_back({bar.start + half, half, bar.harmony[1], &bar});
        }
    }
    return spans;
}

std::uint32_t EndTick(const std::vector<Bar>& bars) {
    return bars.empty() ? 0 : bars.back().start + bars.back().Length();
}

}  // namespace ostinel::demo
