#include "arrangement.h"

namespace ostinel::demo {

namespace {

// Walking bass under the second statement, a bar a row, in quarter notes; 0 holds the note
// before. Each bar ends a step or a half step from the next chord's root.
constexpr std::array<std::array<int, 4>, 16> kWalk{{
    {38, 42, 45, 44},  // D    D F# A G#
    {45, 43, 42, 40},  // A7   A G F# E
    {38, 37, 35, 37},  // D Bm D C# | B C#
    {38, 42, 45, 40},  // D A  D F# | A E
    {38, 40, 42, 44},  // D    D E F# G#
    {45, 52, 49, 48},  // A7   A E C# C
    {47, 45, 40, 44},  // Bm Em B A | E G#
    {45, 49, 50, 47},  // A7 D A C# | D B
    {45, 40, 38, 44},  // A D  A E | D G#
    {45, 49, 50, 46},  // A D  A C# | D A#
    {45, 49, 47, 42},  // A Bm A C# | B F#
    {40, 44, 45, 49},  // E7 A7 E G# | A C#
    {50, 49, 47, 46},  // D    D C# B A#
    {45, 40, 41, 42},  // A7   A E F F#
    {43, 47, 40, 44},  // G Em G B | E G#
    {45, 37, 38, 0},   // A7 D A C# | D
}};

constexpr std::uint32_t kBassGapTicks = 40;
constexpr std::uint32_t kPianoGapTicks = 30;
constexpr std::uint32_t kStringsGapTicks = 20;
constexpr std::uint32_t kRollTicks = 20;

// Half notes: the root, then the fifth when the chord lasts the whole bar.
void TwoFeel(const Span& span, Part& bass, Humanizer& human) {
    const int root = span.chord->bassRoot;
    const std::uint32_t half = 2 * kQuarterTicks;
    bass.Note(span.start, root, human.Vary(80, 3), half - kBassGapTicks);
    if (span.length > half) {
        bass.Note(span.start + half, root + 7, human.Vary(70, 3), half - kBassGapTicks);
    }
}

void WalkBar(const Bar& bar, Part& bass, Humanizer& human) {
    const auto& line = kWalk[static_cast<std::size_t>(bar.number - 1)];
    for (std::size_t beat = 0; beat < line.size(); ++beat) {
        if (line[beat] == 0) continue;
        std::size_t beats = 1;
        while (beat + beats < line.size() && line[beat + beats] == 0)
            ++beats;
        bass.Note(bar.Beat(static_cast<int>(beat) + 1), line[beat],
                  human.Vary(beat == 0 ? 88 : 80, 3), beats * kQuarterTicks - kBassGapTicks);
    }
}

void Strike(Part& part, std::uint32_t tick, const std::array<int, 3>& keys, int velocity,
            std::uint32_t length, Humanizer& human) {
    for (int key : keys)
        part.Note(tick, key, human.Vary(velocity, 2), length);
}

// Soft half-note chords for the intro and the first statement.
void PadSpan(const Span& span, Part& chords, Humanizer& human) {
    const int quieter =
        span.bar->section == Section::kVerse1 && span.bar->number >= 9 && span.bar->number <= 12
            ? 4
            : 0;
    const std::uint32_t half = 2 * kQuarterTicks;
    for (std::uint32_t at = 0; at < span.length; at += half) {
        const int velocity = (span.start + at == span.bar->start ? 62 : 54) - quieter;
        Strike(chords, span.start + at, span.chord->piano, velocity, half - kPianoGapTicks, human);
    }
}

// Quarter-note comping for the second statement: long on the strong beats, short between.
void CompSpan(const Span& span, Part& chords, Humanizer& human) {
    const int louder = span.bar->number >= 13 ? 4 : 0;
    const bool cadence = span.bar->number == 16 && span.start != span.bar->start;
    if (cadence) {
        // The final tonic of the theme rings under the held D and the ritardando.
        Strike(chords, span.start, span.chord->piano, 70, span.length - kPianoGapTicks, human);
        return;
    }
    for (std::uint32_t at = 0; at < span.length; at += kQuarterTicks) {
        const std::uint32_t tick = span.start + at;
        const bool strong = ((tick - span.bar->start) / kQuarterTicks) % 2 == 0;
        const int velocity = (strong ? (tick == span.bar->start ? 72 : 66) : 56) + louder;
        Strike(chords, tick, span.chord->piano, velocity, strong ? 420 : 200, human);
    }
}

}  // namespace

void WriteBass(const std::vector<Bar>& bars, const std::vector<Span>& spans, Part& bass) {
    Humanizer human(7);
    for (const Span& span : spans) {
        const Section section = span.bar->section;
        if (section == Section::kIntro || section == Section::kVerse1) TwoFeel(span, bass, human);
    }
    for (const Bar& bar : bars) {
        if (bar.section == Section::kVerse2) WalkBar(bar, bass, human);
        if (bar.section == Section::kTurnaround) {
            // A, then C# leading to the D that opens the second statement.
            bass.Note(bar.Beat(1), 45, human.Vary(84, 3), kQuarterTicks - kBassGapTicks);
            bass.Note(bar.Beat(2), 37, human.Vary(80, 3), kQuarterTicks - kBassGapTicks);
        }
        if (bar.section == Section::kCoda) bass.Note(bar.start, 38, 86, bar.Length());
    }
}

void WriteChords(const std::vector<Span>& spans, Part& chords) {
    Humanizer human(11);
    for (const Span& span : spans) {
        switch (span.bar->section) {
            case Section::kIntro:
            case Section::kVerse1:
                PadSpan(span, chords, human);
                break;
            case Section::kTurnaround:
                // One stab, then the drums alone lead back in.
                Strike(chords, span.start, span.chord->piano, 72, kQuarterTicks - 60, human);
                break;
            case Section::kVerse2:
                CompSpan(span, chords, human);
                break;
            case Section::kCoda: {
                // The final chord, rolled from the bottom and held to the end.
                constexpr std::array<int, 5> kFinal{50, 57, 62, 66, 69};
                for (std::size_t i = 0; i < kFinal.size(); ++i) {
                    const std::uint32_t tick =
                        span.start + static_cast<std::uint32_t>(i) * kRollTicks;
                    chords.Note(tick, kFinal[i], 78, span.start + span.length - tick);
                }
                break;
            }
        }
    }
}

// Sustained chords that join from the turnaround on, so the second statement sounds fuller.
void WriteStrings(const std::vector<Span>& spans, Part& strings) {
    Humanizer human(13);
    for (const Span& span : spans) {
        const Bar& bar = *span.bar;
        int velocity = 0;
        std::uint32_t gap = kStringsGapTicks;
        switch (bar.section) {
            case Section::kIntro:
            case Section::kVerse1:
                continue;
            case Section::kTurnaround:
                velocity = 62;
                break;
            case Section::kVerse2:
                velocity = bar.number <= 8 ? 58 : bar.number <= 12 ? 63 : 70;
                break;
            case Section::kCoda:
                velocity = 74;
                gap = 0;
                break;
        }
        Strike(strings, span.start, span.chord->strings, velocity, span.length - gap, human);
    }
}

}  // namespace ostinel::demo
