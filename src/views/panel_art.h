#pragma once

#include <QPainter>
#include <QRectF>
#include <QString>

#include "views/element_table.h"
#include "views/palette.h"

// The instrument-panel artwork, drawn in vector form in design pixels: the
// painter's transform scales it to the design scale and the screen.
namespace ostinel::views::art {

enum class Icon {
    Rewind,
    Stop,
    PlayAndFollow,
    PlayFile,
    PlayPerformance,
    Preview,
    FastForward,
    HoldRewind,
    HoldFastForward,
    LoopBegin,
    LoopEnd,
    Loop,
    Metronome,
    ScrollLeft,
    ScrollRight,
};

QRectF ToRect(const Box& box);

// The window's background, a fine grain over the whole client area.
void DrawBackground(QPainter& p, const QRectF& area, const Palette& palette);
// A charcoal panel with a light bevel, filling `frame` (view coordinates).
void DrawPanel(QPainter& p, const QRectF& frame, const Palette& palette);
// The small engraved label text on a panel.
void DrawCaption(QPainter& p, const QRectF& area, const QString& text, Qt::Alignment align,
                 const Palette& palette, double size = 6.5, bool dim = false);
// A sunken dark well that LED digits sit in.
void DrawWell(QPainter& p, const QRectF& area, const Palette& palette);
// One seven-segment digit ('0'..'9', ':' or ' ' for blank) in `cell`.
void DrawDigit(QPainter& p, const QRectF& cell, char digit, const Palette& palette);
// A rounded key. `state` is kStateNormal, kStatePressed (sunk) or kStateLit (glowing).
void DrawKey(QPainter& p, const QRectF& area, std::uint16_t state, Icon icon,
             const Palette& palette, bool enabled = true);
void DrawIcon(QPainter& p, const QRectF& area, Icon icon, const QColor& colour);
// A fader: its slot (`bar`), the lit part below the thumb, and the thumb.
void DrawVerticalFader(QPainter& p, const QRectF& bar, const QRectF& thumb, const Palette& palette,
                       bool focus = false);
void DrawHorizontalSlider(QPainter& p, const QRectF& bar, const QRectF& thumb,
                          const Palette& palette, bool focus = false);
// A round lamp, lit in `on` or dark.
void DrawLamp(QPainter& p, const QRectF& area, bool lit, const QColor& on, const Palette& palette);

}  // namespace ostinel::views::art
