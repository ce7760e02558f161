#include "app/score_frame.h"

#include <algorithm>
#include <cmath>

namespace ostinel {
namespace {

constexpr double kEdge = 5;             // the panel's bevel and margin
constexpr double kHeaderHeight = 14;    // caption and tempo
constexpr double kTimelineHeight = 14;  // measure numbers and markers
constexpr double kKeyboardWidth = 20;
constexpr int kFewestKeys = 13;
// A played note's bar is this much of its row, so the score's bar shows around it.
constexpr double kPlayedShare = 0.6;
constexpr double kDefaultBeatMs = 500;

bool IsBlack(int key) {
    const int pitchClass = key % 12;
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 ||
           pitchClass == 10;
}

struct KeyAxis {
    int low = 60;
    int high = 72;
    double top = 0;
    double rowHeight = 1;
    double Y(int key) const { return top + (high - key) * rowHeight; }
};

KeyAxis MakeKeyAxis(const ScoreRoll& roll, const FrameRect& area) {
    KeyAxis axis;
    axis.low = std::max(0, roll.LowestKey() - 1);
    axis.high = std::min(127, roll.HighestKey() + 1);
    while (axis.high - axis.low + 1 < kFewestKeys) {
        if (axis.high < 127) ++axis.high;
        if (axis.high - axis.low + 1 < kFewestKeys && axis.low > 0) --axis.low;
    }
    axis.top = area.y;
    axis.rowHeight = area.h / (axis.high - axis.low + 1);
    return axis;
}

// The bar from `start` for `length` ms on `key`'s row, cut to the roll; false
// when nothing of it shows.
bool BarRect(const ScoreFrame& frame, const KeyAxis& axis, ScorePosition start, std::int32_t length,
             int key, double share, FrameRect& rect) {
    if (key < axis.low || key > axis.high) return false;
    const double left = std::max(FrameX(frame, start), frame.roll.x);
    const double right = std::min(FrameX(frame, start + length), frame.roll.Right());
    if (right <= left) return false;
    const double inset = axis.rowHeight * (1 - share) / 2;
    rect = FrameRect{left, axis.Y(key) + inset, std::max(1.0, right - left),
                     axis.rowHeight - 2 * inset};
    return true;
}

void AddMarkers(const std::vector<ScorePosition>& places, MarkerKind kind, ScoreFrame& frame) {
    for (const ScorePosition place : places) {
        if (place < frame.from || place >= frame.to) continue;
        const double x = FrameX(frame, place);
        frame.markers.push_back(FrameMarker{x, x, kind});
    }
}

int BeatsPerMinuteAt(const ScoreRoll& roll, ScorePosition now, SpeedFactor speed) {
    const auto beats = roll.Beats();
    const auto after =
        std::upper_bound(beats.begin(), beats.end(), now,
                         [](ScorePosition t, const RollBeat& beat) { return t < beat.time; });
    double beatMs = kDefaultBeatMs;
    if (after != beats.begin() && after != beats.end())
        beatMs = std::max(1, after->time - (after - 1)->time);
    else if (beats.size() >= 2)
        beatMs = std::max(1, beats[1].time - beats[0].time);
    return static_cast<int>(std::lround(60000.0 / beatMs * speed.Raw() / kOwnTempoSpeed.Raw()));
}

}  // namespace

double FrameX(const ScoreFrame& frame, ScorePosition position) {
    if (frame.to == frame.from) return frame.nowX;
    return frame.roll.x + (static_cast<double>(position.Ms()) - frame.from.Ms()) * frame.roll.w /
                              (static_cast<double>(frame.to.Ms()) - frame.from.Ms());
}

void ComposeScoreFrame(const ScoreRoll& roll, const PlayedTrace* trace,
                       const ScoreViewport& viewport, ScoreFrame& frame) {
    frame.keys.clear();
    frame.bars.clear();
    frame.beats.clear();
    frame.markers.clear();
    frame.jumps.clear();

    const double width = std::max(viewport.width, 4 * kEdge + kKeyboardWidth + 10);
    const double height =
        std::max(viewport.height, 2 * kEdge + kHeaderHeight + kTimelineHeight + 20);
    frame.header = FrameRect{kEdge, kEdge, width - 2 * kEdge, kHeaderHeight};
    const double rollTop = frame.header.Bottom() + 1;
    const double timelineTop = height - kEdge - kTimelineHeight;
    frame.keyboard = FrameRect{kEdge, rollTop, kKeyboardWidth, timelineTop - rollTop};
    frame.roll = FrameRect{frame.keyboard.Right(), rollTop, width - kEdge - frame.keyboard.Right(),
                           timelineTop - rollTop};
    frame.timeline = FrameRect{frame.roll.x, timelineTop, frame.roll.w, kTimelineHeight};

    const double msPerPixel = 1000.0 / std::max(1.0, viewport.pixelsPerSecond);
    const double nowOffset = std::clamp(viewport.nowFraction, 0.0, 1.0) * frame.roll.w;
    frame.nowX = frame.roll.x + nowOffset;
    frame.from = viewport.now - static_cast<std::int32_t>(std::lround(nowOffset * msPerPixel));
    frame.to = frame.from + static_cast<std::int32_t>(std::lround(frame.roll.w * msPerPixel));

    const KeyAxis axis = MakeKeyAxis(roll, frame.roll);
    for (int key = axis.high; key >= axis.low; --key)
        frame.keys.push_back(
            FrameKey{axis.Y(key), axis.rowHeight, key, IsBlack(key), key % 12 == 0});

    const auto range = roll.Candidates(frame.from, frame.to);
    const auto notes = roll.Notes();
    FrameRect rect;
    // Accompaniment behind, the following tracks over it.
    for (std::size_t i = range.first; i < range.last; ++i) {
        const RollNote& note = notes[i];
        if (!note.following && BarRect(frame, axis, note.start, note.length, note.key, 1.0, rect))
            frame.bars.push_back(FrameBar{rect, BarKind::Accompaniment});
    }
    for (std::size_t i = range.first; i < range.last; ++i) {
        const RollNote& note = notes[i];
        if (!note.following || !BarRect(frame, axis, note.start, note.length, note.key, 1.0, rect))
            continue;
        const bool missed = trace != nullptr && trace->Outcome(i) == NoteOutcome::Missed;
        frame.bars.push_back(FrameBar{rect, missed ? BarKind::Missed : BarKind::Following});
    }

    for (const auto& beat : roll.Beats().subspan(roll.BeatsBetween(frame.from, frame.to).first)) {
        if (beat.time >= frame.to) break;
        frame.beats.push_back(FrameBeatLine{FrameX(frame, beat.time), beat.measure, beat.downbeat});
    }

    const SpecialMarkers& markers = roll.Markers();
    AddMarkers(markers.waitForSoloist, MarkerKind::WaitForSoloist, frame);
    AddMarkers(markers.waitForSignal, MarkerKind::WaitForSignal, frame);
    AddMarkers(markers.restoreTempo, MarkerKind::RestoreTempo, frame);
    AddMarkers(markers.rehearsalPoints, MarkerKind::Rehearsal, frame);
    for (const ScoreRange& range2 : markers.ignoreSoloist) {
        if (range2.end <= frame.from || range2.start >= frame.to) continue;
        frame.markers.push_back(FrameMarker{std::max(FrameX(frame, range2.start), frame.roll.x),
                                            std::min(FrameX(frame, range2.end), frame.roll.Right()),
                                            MarkerKind::Ignored});
    }

    frame.showsTempo = false;
    if (trace == nullptr) return;
    const auto marks = trace->Marks();
    const auto shown = trace->MarksBetween(frame.from, frame.to);
    for (std::size_t i = shown.first; i < shown.last; ++i) {
        const PlayedMark& mark = marks[i];
        if (mark.tap) {
            const double x = FrameX(frame, mark.place);
            if (x >= frame.roll.x && x <= frame.roll.Right())
                frame.bars.push_back(
                    FrameBar{FrameRect{x - 1, frame.timeline.y, 2, 5},
                             mark.matched ? BarKind::PlayedMatched : BarKind::PlayedWrong});
            continue;
        }
        if (BarRect(frame, axis, mark.place, mark.length, mark.key, kPlayedShare, rect))
            frame.bars.push_back(
                FrameBar{rect, mark.matched ? BarKind::PlayedMatched : BarKind::PlayedWrong});
    }
    for (const JumpMark& jump : trace->Jumps()) {
        FrameJump shownJump;
        shownJump.x = FrameX(frame, jump.to);
        shownJump.landingShown = jump.to >= frame.from && jump.to < frame.to;
        shownJump.fromX = FrameX(frame, jump.from);
        shownJump.departureShown = jump.from >= frame.from && jump.from < frame.to;
        if (shownJump.landingShown || shownJump.departureShown) frame.jumps.push_back(shownJump);
    }
    if (trace->HasTempo()) {
        frame.showsTempo = true;
        frame.beatsPerMinute = BeatsPerMinuteAt(roll, viewport.now, trace->Speed());
        frame.trend = trace->Trend();
    }
}

}  // namespace ostinel
