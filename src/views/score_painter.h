#pragma once

#include <QImage>
#include <QPainter>
#include <cstddef>

#include "app/score_frame.h"
#include "views/palette.h"

namespace ostinel::views {

// Draws the Score view's frame in design pixels into a painter whose origin
// is the view's top-left corner: the panel, the keyboard and rows, the
// beats, the score's bars, the soloist's notes, the markers, the jumps, the
// now line and the tempo beside it. The desktop view and the picture that
// `ostinel-cli follow --score-view` writes both draw through this.
void PaintScoreView(QPainter& p, const ScoreFrame& frame, const Palette& palette);
// The two halves of it: what stays while the music moves (the panel, the
// keyboard and rows, the caption) and what moves with it.
void PaintScoreBackdrop(QPainter& p, const ScoreFrame& frame, const Palette& palette);
void PaintScoreMotion(QPainter& p, const ScoreFrame& frame, const Palette& palette);

// The backdrop kept as a picture between frames, drawn anew only when the
// view's size, the scale or the keys change: a frame then costs only the motion.
class ScoreBackdrop {
  public:
    void Draw(QPainter& p, const ScoreFrame& frame, const Palette& palette);

  private:
    struct Key {
        double scale = 0;
        double width = 0;
        double height = 0;
        int highestKey = 0;
        std::size_t keys = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };
    QImage image_;
    Key key_;
};

}  // namespace ostinel::views

#include <QImage>

namespace ostinel::views {

// The frame drawn into a picture of its size times `scale` (1, 1.5 or 2),
// with the panel's hard shadow, on the window's background.
QImage RenderScoreImage(const ScoreFrame& frame, double scale, const Palette& palette);

}  // namespace ostinel::views
