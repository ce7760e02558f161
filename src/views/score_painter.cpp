#include "views/score_painter.h"

#include <QFont>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <algorithm>
#include <cmath>

#include "views/panel_art.h"

namespace ostinel::views {
namespace {

QRectF ToQRect(const FrameRect& r) {
    return QRectF(r.x, r.y, r.w, r.h);
}

QColor WithAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

QFont SmallFont(double pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, static_cast<int>(pixels + 0.5)));
    font.setWeight(QFont::DemiBold);
    return font;
}

void PaintKeyboardAndRows(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    const QRectF roll = ToQRect(frame.roll);
    const QRectF keyboard = ToQRect(frame.keyboard);
    p.fillRect(roll, palette.wellFill);
    p.fillRect(keyboard, palette.thumbBottom);
    for (const FrameKey& key : frame.keys) {
        const QRectF row(roll.left(), key.y, roll.width(), key.h);
        if (key.black) p.fillRect(row, palette.slotFill);
        const QRectF keyRect(keyboard.left(), key.y, keyboard.width(), key.h);
        if (key.black) {
            p.fillRect(
                QRectF(keyRect.left(), keyRect.top(), keyRect.width() * 0.62, keyRect.height()),
                palette.keyRim);
        } else {
            p.fillRect(keyRect.adjusted(0, 0, 0, -0.25), palette.thumbTop);
        }
        if (key.octaveLine) {
            p.setPen(QPen(palette.captionDim, 0.6));
            p.drawLine(QPointF(keyboard.left(), row.bottom()), QPointF(roll.right(), row.bottom()));
            if (key.h >= 4.5) {
                QFont font = SmallFont(std::min(key.h + 1.5, 7.0));
                p.setFont(font);
                p.setPen(palette.keyRim);
                p.drawText(keyRect.adjusted(0, -2, -1, 2), int(Qt::AlignRight | Qt::AlignVCenter),
                           QStringLiteral("C%1").arg(key.key / 12 - 1));
            }
        }
    }
}

void PaintBeats(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    const QRectF roll = ToQRect(frame.roll);
    const QRectF timeline = ToQRect(frame.timeline);
    const QPen beatPen(WithAlpha(palette.caption, 40), 0.5);
    const QPen measurePen(WithAlpha(palette.caption, 110), 0.8);
    p.setFont(SmallFont(7));
    for (const FrameBeatLine& beat : frame.beats) {
        p.setPen(beat.downbeat ? measurePen : beatPen);
        p.drawLine(QPointF(beat.x, roll.top()),
                   QPointF(beat.x, beat.downbeat ? timeline.bottom() : roll.bottom()));
        if (beat.downbeat) {
            p.setPen(palette.caption);
            p.drawText(QRectF(beat.x + 1.5, timeline.top() + 4, 40, timeline.height() - 4),
                       int(Qt::AlignLeft | Qt::AlignVCenter), QString::number(beat.measure));
        }
    }
}

void PaintBars(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    const QColor accompaniment = WithAlpha(palette.caption, 70);
    const QColor following = palette.ledOn;
    const QColor followingEdge = palette.ledOn.darker(200);
    const QPen missedPen(WithAlpha(palette.ledOn, 170), 0.7, Qt::DashLine);
    for (const FrameBar& bar : frame.bars) {
        const QRectF r = ToQRect(bar.rect);
        switch (bar.kind) {
            case BarKind::Accompaniment:
                p.fillRect(r, accompaniment);
                break;
            case BarKind::Following:
                p.fillRect(r, following);
                p.fillRect(QRectF(r.left(), r.bottom() - 0.6, r.width(), 0.6), followingEdge);
                break;
            case BarKind::Missed:
                p.setPen(missedPen);
                p.setBrush(Qt::NoBrush);
                p.drawRect(r.adjusted(0.35, 0.35, -0.35, -0.35));
                break;
            case BarKind::PlayedMatched:
                p.fillRect(r, palette.lampPlayOn);
                break;
            case BarKind::PlayedWrong:
                p.fillRect(r, palette.recordRed);
                break;
        }
    }
}

void PaintMarkers(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    const QRectF roll = ToQRect(frame.roll);
    const QRectF line = ToQRect(frame.timeline);
    const double top = line.top() + 0.5;
    p.setPen(Qt::NoPen);
    for (const FrameMarker& marker : frame.markers) {
        const double x = marker.x;
        switch (marker.kind) {
            case MarkerKind::Ignored:
                p.fillRect(QRectF(x, roll.top(), marker.x2 - x, roll.height()),
                           QBrush(WithAlpha(palette.caption, 45), Qt::BDiagPattern));
                p.fillRect(QRectF(x, top, marker.x2 - x, 3), WithAlpha(palette.caption, 120));
                break;
            case MarkerKind::WaitForSoloist:  // the accompaniment waits: a triangle pointing down
                p.setBrush(palette.ledOn);
                p.drawPolygon(
                    QPolygonF({QPointF(x - 3, top), QPointF(x + 3, top), QPointF(x, top + 4.5)}));
                break;
            case MarkerKind::WaitForSignal:
                p.setBrush(palette.ledOn);
                p.drawPolygon(QPolygonF({QPointF(x, top), QPointF(x + 2.5, top + 2.5),
                                         QPointF(x, top + 5), QPointF(x - 2.5, top + 2.5)}));
                break;
            case MarkerKind::RestoreTempo:
                p.setBrush(palette.lampPlayOn);
                p.drawEllipse(QPointF(x, top + 2.5), 2.2, 2.2);
                break;
            case MarkerKind::Rehearsal:
                p.setBrush(palette.litIcon);
                p.drawRect(QRectF(x, top, 0.8, 7));
                p.drawPolygon(QPolygonF({QPointF(x + 0.8, top), QPointF(x + 5, top + 1.7),
                                         QPointF(x + 0.8, top + 3.4)}));
                break;
        }
    }
}

void PaintJumps(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    const QRectF roll = ToQRect(frame.roll);
    const double bottom = frame.timeline.Bottom();
    for (const FrameJump& jump : frame.jumps) {
        if (jump.departureShown) {
            p.setPen(QPen(WithAlpha(palette.recordRed, 160), 0.8, Qt::DotLine));
            p.drawLine(QPointF(jump.fromX, roll.top()), QPointF(jump.fromX, bottom));
        }
        if (!jump.landingShown) continue;
        // A torn edge: the line breaks here, the music before it was not played.
        QPainterPath zigzag;
        zigzag.moveTo(jump.x, roll.top());
        bool left = true;
        for (double y = roll.top() + 3; y < bottom; y += 3, left = !left)
            zigzag.lineTo(jump.x + (left ? -1.6 : 1.6), y);
        p.setPen(QPen(palette.recordRed, 1.1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(zigzag);
        p.fillRect(QRectF(jump.x - 2, frame.timeline.y, 4, frame.timeline.h), palette.recordRed);
    }
}

void PaintNowLineAndTempo(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    const double top = frame.roll.y;
    const double bottom = frame.timeline.Bottom();
    p.setPen(QPen(palette.ledGlow, 3));
    p.drawLine(QPointF(frame.nowX, top), QPointF(frame.nowX, bottom));
    p.setPen(QPen(palette.ledOn, 1));
    p.drawLine(QPointF(frame.nowX, top), QPointF(frame.nowX, bottom));
    const QRectF header = ToQRect(frame.header);
    if (!frame.showsTempo) return;
    // The follower's tempo sits at the top of the line, its trend beside it.
    const double x = std::min(frame.nowX + 4, header.right() - 50);
    p.setFont(SmallFont(9));
    p.setPen(palette.ledOn);
    const QRectF text(x, header.top(), 34, header.height());
    p.drawText(text, int(Qt::AlignLeft | Qt::AlignVCenter), QString::number(frame.beatsPerMinute));
    p.setFont(SmallFont(6.5));
    p.setPen(palette.caption);
    const double arrowX = x + 24;
    const double mid = header.center().y();
    p.drawText(QRectF(arrowX + 7, header.top(), 20, header.height()),
               int(Qt::AlignLeft | Qt::AlignVCenter), QStringLiteral("BPM"));
    p.setPen(Qt::NoPen);
    switch (frame.trend) {
        case TempoTrend::Faster:
            p.setBrush(palette.lampPlayOn);
            p.drawPolygon(QPolygonF({QPointF(arrowX, mid + 3), QPointF(arrowX + 5, mid + 3),
                                     QPointF(arrowX + 2.5, mid - 3)}));
            break;
        case TempoTrend::Slower:
            p.setBrush(palette.recordRed);
            p.drawPolygon(QPolygonF({QPointF(arrowX, mid - 3), QPointF(arrowX + 5, mid - 3),
                                     QPointF(arrowX + 2.5, mid + 3)}));
            break;
        case TempoTrend::Steady:
            p.setBrush(palette.lampFollowOn);
            p.drawEllipse(QPointF(arrowX + 2.5, mid), 2, 2);
            break;
    }
}

void PaintResizeGrip(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    const double right = frame.timeline.Right() + 4;
    const double bottom = frame.timeline.Bottom() + 4;
    p.setPen(QPen(palette.bevelLight, 0.8));
    for (double d : {3.0, 6.0})
        p.drawLine(QPointF(right - d, bottom - 0.5), QPointF(right - 0.5, bottom - d));
}

QSizeF PanelSize(const ScoreFrame& frame) {
    return QSizeF(frame.roll.Right() + 5, frame.timeline.Bottom() + 5);
}

}  // namespace

void PaintScoreBackdrop(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    art::DrawPanel(p, QRectF(QPointF(0, 0), PanelSize(frame)), palette);
    p.save();
    // Rows and keys are upright rectangles: smoothing their edges costs
    // much of a frame and shows nothing at these scales.
    p.setRenderHint(QPainter::Antialiasing, false);
    PaintKeyboardAndRows(p, frame, palette);
    p.fillRect(ToQRect(frame.timeline), palette.slotFill);
    p.restore();
    const QRectF header = ToQRect(frame.header);
    art::DrawCaption(p, QRectF(header.left() + 4, header.top(), 60, header.height()),
                     QStringLiteral("SCORE"), Qt::AlignLeft | Qt::AlignVCenter, palette);
    PaintResizeGrip(p, frame, palette);
}

void PaintScoreMotion(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setClipRect(
        QRectF(frame.roll.x, frame.roll.y, frame.roll.w, frame.timeline.Bottom() - frame.roll.y));
    PaintBeats(p, frame, palette);
    PaintBars(p, frame, palette);
    p.setRenderHint(QPainter::Antialiasing, true);
    PaintMarkers(p, frame, palette);
    PaintJumps(p, frame, palette);
    p.restore();
    PaintNowLineAndTempo(p, frame, palette);
}

void PaintScoreView(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    PaintScoreBackdrop(p, frame, palette);
    PaintScoreMotion(p, frame, palette);
}

void ScoreBackdrop::Draw(QPainter& p, const ScoreFrame& frame, const Palette& palette) {
    const double scale = p.worldTransform().m11() * p.device()->devicePixelRatioF();
    const QSizeF size = PanelSize(frame);
    const Key key{scale, size.width(), size.height(),
                  frame.keys.empty() ? 0 : frame.keys.front().key, frame.keys.size()};
    if (image_.isNull() || !(key == key_)) {
        image_ = QImage(static_cast<int>(std::ceil(size.width() * scale)),
                        static_cast<int>(std::ceil(size.height() * scale)), QImage::Format_RGB32);
        image_.setDevicePixelRatio(scale);
        image_.fill(palette.panelBottom);
        QPainter backdrop(&image_);
        backdrop.setRenderHint(QPainter::Antialiasing);
        PaintScoreBackdrop(backdrop, frame, palette);
        key_ = key;
    }
    // Pixel for pixel: without the scale, the copy is a plain blit.
    const QTransform world = p.worldTransform();
    p.setWorldTransform(QTransform::fromTranslate(world.dx(), world.dy()));
    image_.setDevicePixelRatio(p.device()->devicePixelRatioF());
    p.drawImage(QPointF(0, 0), image_);
    image_.setDevicePixelRatio(scale);
    p.setWorldTransform(world);
}

}  // namespace ostinel::views

namespace ostinel::views {

QImage RenderScoreImage(const ScoreFrame& frame, double scale, const Palette& palette) {
    const double width = frame.roll.Right() + 5 + 2;
    const double height = frame.timeline.Bottom() + 5 + 2;
    QImage image(static_cast<int>(std::ceil(width * scale)),
                 static_cast<int>(std::ceil(height * scale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(palette.background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(2, 2, width - 2, height - 2), palette.shadow);
    PaintScoreView(p, frame, palette);
    return image;
}

}  // namespace ostinel::views
