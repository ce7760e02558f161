#pragma once

#include <cstdint>
#include <vector>

#include "app/played_trace.h"
#include "app/score_roll.h"
#include "music/score_position.h"

namespace ostinel {

// Where the Score view looks: its size in design pixels, the score position
// under the "now" line, and how much score a pixel holds.
struct ScoreViewport {
    double width = 360;
    double height = 200;
    ScorePosition now;
    double pixelsPerSecond = 80;  // of score time
    // Where the now line stands across the roll, 0 its left edge, 1 its right.
    double nowFraction = 0.7;
};

struct FrameRect {
    double x = 0;
    double y = 0;
    double w = 0;
    double h = 0;
    double Right() const { return x + w; }
    double Bottom() const { return y + h; }
};

// What a bar in the roll is, which decides how it is drawn, back to front.
enum class BarKind : std::uint8_t {
    Accompaniment,  // faint, behind the rest
    Following,      // a note the soloist is to play
    Missed,         // a following note left out: drawn as a gap
    PlayedMatched,  // green
    PlayedWrong,    // red
};

struct FrameBar {
    FrameRect rect;
    BarKind kind = BarKind::Following;
};

// One row of the pitch axis, with its key on the small keyboard.
struct FrameKey {
    double y = 0;
    double h = 0;
    int key = 0;
    bool black = false;
    bool octaveLine = false;  // a C: the octave line runs below it
};

struct FrameBeatLine {
    double x = 0;
    std::int32_t measure = 0;
    bool downbeat = false;
};

enum class MarkerKind : std::uint8_t {
    WaitForSoloist,
    WaitForSignal,
    RestoreTempo,
    Rehearsal,
    Ignored
};

struct FrameMarker {
    double x = 0;
    double x2 = 0;  // the end of an ignored range; x otherwise
    MarkerKind kind = MarkerKind::Rehearsal;
};

// A jump: the break is drawn where the follower landed, the departure where it left.
struct FrameJump {
    double x = 0;  // landing
    bool landingShown = false;
    double fromX = 0;
    bool departureShown = false;
};

// Everything the Score view draws, in design pixels from its top-left
// corner, composed without pixels so that what it shows can be checked
// apart from how it is painted. Reused from frame to frame: its lists keep
// their room.
struct ScoreFrame {
    FrameRect header;    // caption and tempo
    FrameRect keyboard;  // the small keyboard at the left edge
    FrameRect roll;      // the notes
    FrameRect timeline;  // measure numbers and markers
    ScorePosition from;  // the score at the roll's left edge
    ScorePosition to;    // and at its right edge
    double nowX = 0;
    std::vector<FrameKey> keys;
    std::vector<FrameBar> bars;  // in drawing order
    std::vector<FrameBeatLine> beats;
    std::vector<FrameMarker> markers;
    std::vector<FrameJump> jumps;
    bool showsTempo = false;
    int beatsPerMinute = 0;  // the follower's tempo at the now line
    TempoTrend trend = TempoTrend::Steady;
};

// The score position at x, and x of a position, for `frame`.
double FrameX(const ScoreFrame& frame, ScorePosition position);

// Fills `frame` with what the viewport shows of `roll` and, when given,
// of the soloist's `trace`.
// main thread
void ComposeScoreFrame(const ScoreRoll& roll, const PlayedTrace* trace,
                       const ScoreViewport& viewport, ScoreFrame& frame);

}  // namespace ostinel
