#include <initializer_list>

#include "arrangement.h"

namespace ostinel::demo {

namespace {

// General MIDI percussion keys (channel 10).
constexpr int kKick = 36;
constexpr int kSnare = 38;
constexpr int kClosedHat = 42;
constexpr int kOpenHat = 46;
constexpr int kCrash = 49;
constexpr int kFloorTom = 41;
constexpr int kLowTom = 45;
constexpr int kMidTom = 48;
constexpr int kHighTom = 50;

// Drum sounds ring by themselves; the release only has to come before the next stroke.
constexpr std::uint32_t kHitTicks = 60;

struct Groove {
    int hatOnBeat;
    int hatOffBeat;
    int kick;
    int snare;
    bool pushedKick;  // an extra kick on the "and" of two
};

constexpr Groove kIntroGroove{48, 36, 76, 52, false};
constexpr Groove kVerse1Groove{56, 42, 84, 64, false};
constexpr Groove kVerse2Groove{72, 56, 98, 90, true};

class Kit {
  public:
    explicit Kit(Part& drums) : drums_(drums), human_(17) {}

    void Hit(std::uint32_t tick, int key, int velocity) {
        drums_.Note(tick, key, human_.Vary(velocity, 3), kHitTicks);
    }

    // Kick on one and three, snare on two and four, eighth-note hi-hat, for `beats` beats;
    // a crash replaces the first hi-hat when the bar opens a section.
    void Play(const Bar& bar, const Groove& groove, int beats, bool crash = false,
              bool openHatAtEnd = false) {
        for (int eighth = 0; eighth < 2 * beats; ++eighth) {
            const std::uint32_t tick =
                bar.start + static_cast<std::uint32_t>(eighth) * kEighthTicks;
            const bool onBeat = eighth % 2 == 0;
            if (eighth == 0 && crash) {
                Hit(tick, kCrash, groove.kick + 4);
            } else if (eighth == 2 * bar.beats - 1 && openHatAtEnd) {
                Hit(tick, kOpenHat, groove.hatOnBeat);
            } else {
                Hit(tick, kClosedHat, onBeat ? groove.hatOnBeat : groove.hatOffBeat);
            }
            if (eighth == 0 || eighth == 4) Hit(tick, kKick, groove.kick - (eighth == 4 ? 8 : 0));
            if (eighth == 3 && groove.pushedKick) Hit(tick, kKick, groove.kick - 16);
            if (eighth == 2 || eighth == 6) Hit(tick, kSnare, groove.snare);
        }
    }

    // Strokes `step` apart from `start`, growing from one velocity to another.
    void Fill(std::uint32_t start, std::uint32_t step, std::initializer_list<int> keys,
              int fromVelocity, int toVelocity) {
        const int last = static_cast<int>(keys.size()) - 1;
        int i = 0;
        for (int key : keys) {
            const int velocity =
                last > 0 ? fromVelocity + (toVelocity - fromVelocity) * i / last : toVelocity;
            Hit(start + static_cast<std::uint32_t>(i) * step, key, velocity);
            ++i;
        }
    }

  private:
    Part& drums_;
    Humanizer human_;
};

void Intro(const Bar& bar, Kit& kit) {
    if (bar.number == 1) {
        kit.Play(bar, kIntroGroove, 4);
        return;
    }
    kit.Play(bar, kIntroGroove, 3);
    kit.Fill(bar.Beat(4), kSixteenthTicks, {kSnare, kSnare, kSnare, kSnare}, 50, 72);
}

void Verse1(const Bar& bar, Kit& kit) {
    const bool phraseEnd = bar.number % 4 == 0;
    kit.Play(bar, kVerse1Groove, phraseEnd ? 3 : 4, bar.number == 1);
    if (bar.number == 16) {
        kit.Fill(bar.Beat(4), kSixteenthTicks, {kSnare, kSnare, kSnare, kSnare}, 58, 78);
    } else if (phraseEnd) {
        kit.Fill(bar.Beat(4), kEighthTicks, {kSnare, kSnare}, 60, 70);
    }
}

// The 2/4 bar: a fill around the toms that lands on the crash of the second statement.
void Turnaround(const Bar& bar, Kit& kit) {
    kit.Hit(bar.start, kKick, 84);
    kit.Fill(bar.start, kSixteenthTicks,
             {kSnare, kSnare, kHighTom, kHighTom, kMidTom, kMidTom, kLowTom, kFloorTom}, 70, 100);
}

void Verse2(const Bar& bar, Kit& kit) {
    switch (bar.number) {
        case 8:  // the end of the first half
            kit.Play(bar, kVerse2Groove, 2);
            kit.Hit(bar.Beat(3), kKick, 92);
            kit.Fill(bar.Beat(3), kSixteenthTicks,
                     {kSnare, kSnare, kSnare, kSnare, kHighTom, kHighTom, kLowTom, kLowTom}, 70,
                     100);
            break;
        case 16:  // under the last held D, into the final chord
            kit.Play(bar, kVerse2Groove, 2);
            kit.Hit(bar.Beat(3), kKick, 92);
            kit.Fill(bar.Beat(3), kSixteenthTicks,
                     {kHighTom, kHighTom, kMidTom, kMidTom, kLowTom, kLowTom, kFloorTom, kFloorTom},
                     76, 108);
            break;
        default:
            kit.Play(bar, kVerse2Groove, 4, bar.number == 1 || bar.number == 9,
                     bar.number == 4 || bar.number == 12);
            break;
    }
}

}  // namespace

void WriteDrums(const std::vector<Bar>& bars, Part& drums) {
    Kit kit(drums);
    for (const Bar& bar : bars) {
        switch (bar.section) {
            case Section::kIntro:
                Intro(bar, kit);
                break;
            case Section::kVerse1:
                Verse1(bar, kit);
                break;
            case Section::kTurnaround:
                Turnaround(bar, kit);
                break;
            case Section::kVerse2:
                Verse2(bar, kit);
                break;
            case Section::kCoda:
                kit.Hit(bar.start, kCrash, 110);
                kit.Hit(bar.start, kKick, 104);
                break;
        }
    }
}

}  // namespace ostinel::demo
