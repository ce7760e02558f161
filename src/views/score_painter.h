#pragma once

#include <QPainter>

#include "app/score_frame.h"
#include "views/palette.h"

namespace ostinel::views {

// Draws the Score view's frame in design pixels into a painter whose origin
// is the view's top-left corner: the panel, the keyboard and rows, the
// beats, the score's bars, the soloist's notes, the markers, the jumps, the
// now line and the tempo beside it. The desktop view and the picture that
// `ostinel-cli follow --score-view` writes both draw through this.
void PaintScoreView(QPainter& p, const ScoreFrame& frame, const Palette& palette);

}  // namespace ostinel::views

#include <QImage>

namespace ostinel::views {

// The frame drawn into a picture of its size times `scale` (1, 1.5 or 2),
// with the panel's hard shadow, on the window's background.
QImage RenderScoreImage(const ScoreFrame& frame, double scale, const Palette& palette);

}  // namespace ostinel::views
