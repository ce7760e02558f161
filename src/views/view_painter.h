#pragma once

#include <QPainter>

#include "views/palette.h"
#include "views/view_layout.h"
#include "views/view_scene.h"

namespace ostinel::views {

// Draws one view into a painter whose origin is the view's top-left corner,
// in design pixels: the panel, its elements in their states and the scene's
// values. The hard shadow is the caller's.
void PaintView(QPainter& p, int view, const ViewLayout& layout, const ViewScene& scene,
               const Palette& palette);

// What the Measure:Beat view's digits show: the measure in four places
// right-aligned, ':', the beat in two left-aligned ("  12:3 "); blanks
// when there is no beat to show. A score's pickup shows as measure 0.
QString MeasureBeatText(const ViewScene& scene);

// The title picture shown at start-up and by About, `size` design pixels.
void PaintTitlePicture(QPainter& p, const QRectF& area, const Palette& palette);

// The version the title picture shows: the one --version prints.
QString TitlePictureVersion();

// A title shortened with "..." until it fits `maxWidth` at the title font.
QString FitTitle(const QString& title, double maxWidth);
// A name shortened by replacing characters from its end with "...".
QString FitName(const QString& name, const QFont& font, double maxWidth);

}  // namespace ostinel::views
