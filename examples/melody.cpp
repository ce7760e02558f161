#include "arrangement.h"

namespace ostinel::demo {

namespace {

constexpr int kA4 = 69;
constexpr int kD5 = 74;
constexpr int kE5 = 76;
constexpr int kFs5 = 78;
constexpr int kG5 = 79;
constexpr int kA5 = 81;

// A gap before the next note keeps repeated notes (F# F#, D D) distinct.
constexpr std::uint32_t kBreathTicks = 40;

struct Tone {
    int key;
    int eighths;
};

// The theme in the plain form that is usually sung (without the syncopated entry of the
// orchestral score), one bar a row. Each bar holds eight eighths.
const std::vector<std::vector<Tone>> kTheme{
    {{kFs5, 2}, {kFs5, 2}, {kG5, 2}, {kA5, 2}},
    {{kA5, 2}, {kG5, 2}, {kFs5, 2}, {kE5, 2}},
    {{kD5, 2}, {kD5, 2}, {kE5, 2}, {kFs5, 2}},
    {{kFs5, 3}, {kE5, 1}, {kE5, 4}},
    {{kFs5, 2}, {kFs5, 2}, {kG5, 2}, {kA5, 2}},
    {{kA5, 2}, {kG5, 2}, {kFs5, 2}, {kE5, 2}},
    {{kD5, 2}, {kD5, 2}, {kE5, 2}, {kFs5, 2}},
    {{kE5, 3}, {kD5, 1}, {kD5, 4}},
    {{kE5, 2}, {kE5, 2}, {kFs5, 2}, {kD5, 2}},
    {{kE5, 2}, {kFs5, 1}, {kG5, 1}, {kFs5, 2}, {kD5, 2}},
    {{kE5, 2}, {kFs5, 1}, {kG5, 1}, {kFs5, 2}, {kE5, 2}},
    {{kD5, 2}, {kE5, 2}, {kA4, 4}},
    {{kFs5, 2}, {kFs5, 2}, {kG5, 2}, {kA5, 2}},
    {{kA5, 2}, {kG5, 2}, {kFs5, 2}, {kE5, 2}},
    {{kD5, 2}, {kD5, 2}, {kE5, 2}, {kFs5, 2}},
    {{kE5, 3}, {kD5, 1}, {kD5, 4}},
};

// mf the first time, f the second; each four-bar phrase rises to its third bar and relaxes
// at the cadence, the middle phrase stays quieter, and the last phrase broadens.
int SoloVelocity(Section section, int barNumber, int eighth) {
    constexpr std::array<int, 4> kPhraseArc{0, 4, 7, -2};
    int velocity = section == Section::kVerse1 ? 72 : 86;
    velocity += kPhraseArc[static_cast<std::size_t>((barNumber - 1) % 4)];
    if (barNumber >= 9 && barNumber <= 12) velocity -= 5;
    if (section == Section::kVerse2 && barNumber >= 13) velocity += 6;
    if (eighth == 0) velocity += 6;
    if (eighth == 4) velocity += 3;
    return ClampVelocity(velocity);
}

}  // namespace

void WriteSolo(const std::vector<Bar>& bars, Part& solo) {
    const std::uint32_t endTick = EndTick(bars);
    for (const Bar& bar : bars) {
        if (bar.section != Section::kVerse1 && bar.section != Section::kVerse2) continue;
        const auto& tones = kTheme[static_cast<std::size_t>(bar.number - 1)];
        int eighth = 0;
        for (std::size_t i = 0; i < tones.size(); ++i) {
            const Tone& tone = tones[i];
            const std::uint32_t start =
                bar.start + static_cast<std::uint32_t>(eighth) * kEighthTicks;
            std::uint32_t length = static_cast<std::uint32_t>(tone.eighths) * kEighthTicks;
            const bool finalNote = bar.section == Section::kVerse2 &&
                                   bar.number == static_cast<int>(kTheme.size()) &&
                                   i + 1 == tones.size();
            // The last D is held through the final chord.
            length = finalNote ? endTick - start : length - kBreathTicks;
            solo.Note(start, tone.key, SoloVelocity(bar.section, bar.number, eighth), length);
            eighth += tone.eighths;
        }
    }
}

}  // namespace ostinel::demo
