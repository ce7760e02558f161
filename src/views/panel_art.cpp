#include "views/panel_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cstdint>

namespace ostinel::views::art {

namespace {

// Bits a..g of the seven segments for '0'..'9'.
constexpr std::array<std::uint8_t, 10> kSegmentsOfDigit{0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                        0x6D, 0x7D, 0x07, 0x7F, 0x6F};

// A segment as a long hexagon from `from` to `to`, `t` thick, its pointed
// ends a hair short of the corners so neighbours never touch.
QPolygonF Segment(QPointF from, QPointF to, double t) {
    const double h = t / 2;
    const double gap = t * 0.22;
    if (from.y() == to.y()) {
        const double a = from.x() + gap, b = to.x() - gap, y = from.y();
        return QPolygonF({QPointF(a, y), QPointF(a + h, y - h), QPointF(b - h, y - h),
                          QPointF(b, y), QPointF(b - h, y + h), QPointF(a + h, y + h)});
    }
    const double a = from.y() + gap, b = to.y() - gap, x = from.x();
    return QPolygonF({QPointF(x, a), QPointF(x + h, a + h), QPointF(x + h, b - h), QPointF(x, b),
                      QPointF(x - h, b - h), QPointF(x - h, a + h)});
}

QPolygonF Triangle(const QRectF& r, bool pointsRight) {
    if (pointsRight)
        return QPolygonF({r.topLeft(), QPointF(r.right(), r.center().y()), r.bottomLeft()});
    return QPolygonF({r.topRight(), QPointF(r.left(), r.center().y()), r.bottomRight()});
}

}  // namespace

QRectF ToRect(const Box& box) {
    return QRectF(box.left, box.top, box.Width(), box.Height());
}

void DrawBackground(QPainter& p, const QRectF& area, const Palette& palette) {
    p.fillRect(area, palette.background);
    // A woven grain: faint diagonal lines every 4 pixels, like a brushed plate.
    p.save();
    p.setClipRect(area);
    QPen grain(palette.backgroundGrain, 0.6);
    p.setPen(grain);
    const double span = area.width() + area.height();
    for (double d = 0; d < span; d += 4)
        p.drawLine(QPointF(area.left() + d, area.top()),
                   QPointF(area.left() + d - area.height(), area.bottom()));
    p.restore();
}

void DrawPanel(QPainter& p, const QRectF& frame, const Palette& palette) {
    QLinearGradient face(frame.topLeft(), frame.bottomLeft());
    face.setColorAt(0, palette.panelTop);
    face.setColorAt(1, palette.panelBottom);
    p.fillRect(frame, face);
    p.setPen(QPen(palette.bevelDark, 1));
    p.drawLine(QPointF(frame.left() + 0.5, frame.bottom() - 0.5),
               QPointF(frame.right() - 0.5, frame.bottom() - 0.5));
    p.drawLine(QPointF(frame.right() - 0.5, frame.top() + 0.5),
               QPointF(frame.right() - 0.5, frame.bottom() - 0.5));
    p.setPen(QPen(palette.bevelLight, 1));
    p.drawLine(QPointF(frame.left() + 0.5, frame.top() + 0.5),
               QPointF(frame.right() - 1.5, frame.top() + 0.5));
    p.drawLine(QPointF(frame.left() + 0.5, frame.top() + 0.5),
               QPointF(frame.left() + 0.5, frame.bottom() - 1.5));
    // Four small screws in the corners of the plate.
    if (frame.width() > 40 && frame.height() > 30) {
        p.setPen(Qt::NoPen);
        for (const QPointF c : {QPointF(frame.left() + 4, frame.top() + 4),
                                QPointF(frame.right() - 4, frame.top() + 4),
                                QPointF(frame.left() + 4, frame.bottom() - 4),
                                QPointF(frame.right() - 4, frame.bottom() - 4)}) {
            p.setBrush(palette.bevelDark);
            p.drawEllipse(c, 1.6, 1.6);
            p.setBrush(palette.screw);
            p.drawEllipse(c - QPointF(0.3, 0.3), 1.1, 1.1);
        }
    }
}

void DrawCaption(QPainter& p, const QRectF& area, const QString& text, Qt::Alignment align,
                 const Palette& palette, double size, bool dim) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(size);
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::PercentageSpacing, 108);
    p.setFont(font);
    p.setPen(dim ? palette.captionDim : palette.caption);
    p.drawText(area, int(align | Qt::TextSingleLine), text);
}

void DrawWell(QPainter& p, const QRectF& area, const Palette& palette) {
    p.setPen(Qt::NoPen);
    p.setBrush(palette.bevelLight);
    p.drawRoundedRect(area.adjusted(-1, -1, 1, 1.2), 2.5, 2.5);
    p.setBrush(palette.wellEdge);
    p.drawRoundedRect(area.adjusted(-1, -1, 1, 0.4), 2.5, 2.5);
    QLinearGradient fill(area.topLeft(), area.bottomLeft());
    fill.setColorAt(0, palette.wellFill.darker(130));
    fill.setColorAt(1, palette.wellFill);
    p.setBrush(fill);
    p.drawRoundedRect(area, 2, 2);
}

void DrawDigit(QPainter& p, const QRectF& cell, char digit, const Palette& palette) {
    std::uint8_t lit = 0;
    if (digit >= '0' && digit <= '9') lit = kSegmentsOfDigit[static_cast<std::size_t>(digit - '0')];
    const double w = cell.width();
    const double h = cell.height();
    if (digit == ':') {
        p.setPen(Qt::NoPen);
        p.setBrush(palette.ledOn);
        const double r = w * 0.16;
        p.drawEllipse(QPointF(cell.center().x(), cell.top() + h * 0.35), r, r);
        p.drawEllipse(QPointF(cell.center().x(), cell.top() + h * 0.68), r, r);
        return;
    }
    const double t = w * 0.17;
    const double mx = w * 0.2;
    const double my = h * 0.1;
    const double x0 = cell.left() + mx, x1 = cell.right() - mx;
    const double y0 = cell.top() + my, y2 = cell.bottom() - my, y1 = (y0 + y2) / 2;
    const std::array<QPolygonF, 7> segments{
        Segment({x0, y0}, {x1, y0}, t), Segment({x1, y0}, {x1, y1}, t),
        Segment({x1, y1}, {x1, y2}, t), Segment({x0, y2}, {x1, y2}, t),
        Segment({x0, y1}, {x0, y2}, t), Segment({x0, y0}, {x0, y1}, t),
        Segment({x0, y1}, {x1, y1}, t)};
    p.save();
    // A slight forward lean, as on a real LED display.
    p.translate(cell.center());
    p.shear(-0.05, 0);
    p.translate(-cell.center());
    p.setPen(Qt::NoPen);
    for (std::size_t s = 0; s < segments.size(); ++s) {
        const bool on = (lit >> s) & 1u;
        if (on) {
            p.setBrush(palette.ledGlow);
            p.drawPolygon(segments[s].translated(0, 0.0));
            p.setBrush(palette.ledOn);
        } else {
            p.setBrush(palette.ledOff);
        }
        p.drawPolygon(segments[s]);
    }
    p.restore();
}

void DrawIcon(QPainter& p, const QRectF& r, Icon icon, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const QPointF c = r.center();
    const double s = std::min(r.width(), r.height());
    const auto box = [&](double w, double h, double dx = 0, double dy = 0) {
        return QRectF(c.x() - w / 2 + dx, c.y() - h / 2 + dy, w, h);
    };
    switch (icon) {
        case Icon::Rewind:
        case Icon::HoldRewind:
        case Icon::ScrollLeft: {
            const double w = s * 0.28, h = s * 0.36;
            if (icon == Icon::ScrollLeft) {
                p.drawPolygon(Triangle(box(w * 1.1, h * 1.3), false));
                break;
            }
            p.drawPolygon(Triangle(box(w, h, -w / 2), false));
            p.drawPolygon(Triangle(box(w, h, w / 2), false));
            break;
        }
        case Icon::FastForward:
        case Icon::HoldFastForward:
        case Icon::ScrollRight: {
            const double w = s * 0.28, h = s * 0.36;
            if (icon == Icon::ScrollRight) {
                p.drawPolygon(Triangle(box(w * 1.1, h * 1.3), true));
                break;
            }
            p.drawPolygon(Triangle(box(w, h, -w / 2), true));
            p.drawPolygon(Triangle(box(w, h, w / 2), true));
            break;
        }
        case Icon::Stop:
            p.drawRoundedRect(box(s * 0.3, s * 0.3), s * 0.03, s * 0.03);
            break;
        case Icon::PlayFile:
            p.drawPolygon(Triangle(box(s * 0.34, s * 0.4, s * 0.03), true));
            break;
        case Icon::PlayAndFollow: {
            // Play, and beside it the note the soloist leads with.
            p.drawPolygon(Triangle(box(s * 0.26, s * 0.32, -s * 0.1), true));
            const QPointF head(c.x() + s * 0.16, c.y() + s * 0.12);
            p.drawEllipse(head, s * 0.065, s * 0.05);
            p.drawRect(QRectF(head.x() + s * 0.045, c.y() - s * 0.2, s * 0.03, s * 0.32));
            QPainterPath flag;
            flag.moveTo(head.x() + s * 0.06, c.y() - s * 0.2);
            flag.quadTo(head.x() + s * 0.16, c.y() - s * 0.12, head.x() + s * 0.12,
                        c.y() - s * 0.02);
            flag.lineTo(head.x() + s * 0.075, c.y() - s * 0.12);
            flag.closeSubpath();
            p.drawPath(flag);
            break;
        }
        case Icon::PlayPerformance: {
            p.drawPolygon(Triangle(box(s * 0.3, s * 0.36, -s * 0.06), true));
            p.drawEllipse(QPointF(c.x() + s * 0.2, c.y() - s * 0.16), s * 0.08, s * 0.08);
            break;
        }
        case Icon::Preview: {
            // An ear for listening ahead: a small play inside brackets.
            p.drawPolygon(Triangle(box(s * 0.18, s * 0.22), true));
            QPen pen(colour, s * 0.05);
            pen.setCapStyle(Qt::RoundCap);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawArc(box(s * 0.52, s * 0.52), 120 * 16, 120 * 16);
            p.drawArc(box(s * 0.52, s * 0.52), -60 * 16, 120 * 16);
            break;
        }
        case Icon::LoopBegin:
        case Icon::LoopEnd: {
            const bool begin = icon == Icon::LoopBegin;
            QPen pen(colour, s * 0.07);
            pen.setJoinStyle(Qt::MiterJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            const double bx = begin ? c.x() - s * 0.12 : c.x() + s * 0.12;
            const double tick = begin ? s * 0.08 : -s * 0.08;
            p.drawPolyline(
                QPolygonF({QPointF(bx + tick, c.y() - s * 0.2), QPointF(bx, c.y() - s * 0.2),
                           QPointF(bx, c.y() + s * 0.2), QPointF(bx + tick, c.y() + s * 0.2)}));
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPolygon(Triangle(box(s * 0.14, s * 0.2, begin ? s * 0.06 : -s * 0.06), begin));
            break;
        }
        case Icon::Loop: {
            QPen pen(colour, s * 0.07);
            pen.setCapStyle(Qt::FlatCap);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            const QRectF ring = box(s * 0.46, s * 0.34);
            p.drawArc(ring, 20 * 16, 150 * 16);
            p.drawArc(ring, 200 * 16, 150 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            const double a = s * 0.09;
            p.drawPolygon(QPolygonF({QPointF(ring.right() + a, ring.center().y() - a * 0.2),
                                     QPointF(ring.right() - a, ring.center().y() - a * 0.2),
                                     QPointF(ring.right(), ring.center().y() + a * 0.9)}));
            p.drawPolygon(QPolygonF({QPointF(ring.left() - a, ring.center().y() + a * 0.2),
                                     QPointF(ring.left() + a, ring.center().y() + a * 0.2),
                                     QPointF(ring.left(), ring.center().y() - a * 0.9)}));
            break;
        }
        case Icon::Metronome: {
            const double w = s * 0.42, h = s * 0.5;
            QPolygonF body(
                {QPointF(c.x() - w * 0.28, c.y() - h / 2), QPointF(c.x() + w * 0.28, c.y() - h / 2),
                 QPointF(c.x() + w / 2, c.y() + h / 2), QPointF(c.x() - w / 2, c.y() + h / 2)});
            p.drawPolygon(body);
            QPen pen(colour.darker(300), s * 0.04);
            p.setPen(pen);
            p.drawLine(QPointF(c.x(), c.y() + h * 0.35),
                       QPointF(c.x() + w * 0.42, c.y() - h * 0.62));
            break;
        }
    }
    p.restore();
}

void DrawKey(QPainter& p, const QRectF& area, std::uint16_t state, Icon icon,
             const Palette& palette, bool enabled) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const bool pressed = state == kStatePressed;
    const bool lit = state == kStateLit;
    const double radius = std::min(area.width(), area.height()) * 0.16;
    // The well the key sits in, then the key cap, raised unless pressed.
    p.setPen(Qt::NoPen);
    p.setBrush(palette.keyRim);
    p.drawRoundedRect(area, radius + 1, radius + 1);
    const QRectF cap =
        pressed ? area.adjusted(1.5, 2, -1.5, -1) : area.adjusted(1.5, 1, -1.5, -2.5);
    if (lit) {
        QRadialGradient glow(cap.center(), std::max(cap.width(), cap.height()) * 0.75);
        glow.setColorAt(0, palette.litGlow);
        glow.setColorAt(1, Qt::transparent);
        p.setBrush(glow);
        p.drawRoundedRect(area.adjusted(-2, -2, 2, 2), radius + 2, radius + 2);
    }
    QLinearGradient face(cap.topLeft(), cap.bottomLeft());
    face.setColorAt(0, pressed ? palette.keyPressedTop : palette.keyTop);
    face.setColorAt(1, pressed ? palette.keyPressedBottom : palette.keyBottom);
    p.setBrush(face);
    p.drawRoundedRect(cap, radius, radius);
    if (!pressed) {
        p.setPen(QPen(palette.keyHighlight, 0.8));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(cap.left() + radius, cap.top() + 0.6),
                   QPointF(cap.right() - radius, cap.top() + 0.6));
    }
    if (lit) {
        // The lamp strip across the top of a lit key.
        p.setPen(Qt::NoPen);
        p.setBrush(palette.litIcon);
        const double w = cap.width() * 0.36;
        p.drawRoundedRect(QRectF(cap.center().x() - w / 2, cap.top() + 2.5, w, 1.8), 0.9, 0.9);
    }
    const QColor colour = lit ? palette.litIcon : enabled ? palette.icon : palette.iconDisabled;
    DrawIcon(p, cap.translated(0, lit ? 1.2 : 0), icon, colour);
    p.restore();
}

void DrawVerticalFader(QPainter& p, const QRectF& bar, const QRectF& thumb, const Palette& palette,
                       bool focus) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const double slotWidth = std::max(3.0, bar.width() * 0.22);
    const QRectF slot(bar.center().x() - slotWidth / 2, bar.top() + 1, slotWidth, bar.height() - 2);
    p.setPen(Qt::NoPen);
    p.setBrush(palette.slotFill);
    p.drawRoundedRect(slot, slotWidth / 2, slotWidth / 2);
    const QRectF below(slot.left() + 0.8, thumb.center().y(), slot.width() - 1.6,
                       slot.bottom() - thumb.center().y() - 0.8);
    if (below.height() > 0) {
        p.setBrush(palette.slotFilled);
        p.drawRoundedRect(below, slotWidth / 2 - 0.8, slotWidth / 2 - 0.8);
    }
    // Scale ticks beside the slot.
    p.setPen(QPen(palette.captionDim, 0.6));
    for (int i = 0; i <= 4; ++i) {
        const double y = bar.top() + thumb.height() / 2 + (bar.height() - thumb.height()) * i / 4.0;
        p.drawLine(QPointF(bar.left() + 1, y), QPointF(slot.left() - 1.5, y));
        p.drawLine(QPointF(slot.right() + 1.5, y), QPointF(bar.right() - 1, y));
    }
    // The thumb: a ridged cap with a centre line.
    p.setPen(Qt::NoPen);
    p.setBrush(palette.shadow);
    p.drawRoundedRect(thumb.translated(0.6, 0.8), 1.5, 1.5);
    QLinearGradient cap(thumb.topLeft(), thumb.bottomLeft());
    cap.setColorAt(0, palette.thumbTop);
    cap.setColorAt(1, palette.thumbBottom);
    p.setBrush(cap);
    p.drawRoundedRect(thumb, 1.5, 1.5);
    p.setPen(QPen(palette.thumbLine, 1));
    p.drawLine(QPointF(thumb.left() + 1.5, thumb.center().y()),
               QPointF(thumb.right() - 1.5, thumb.center().y()));
    if (focus) {
        p.setPen(QPen(palette.focus, 0.8, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(thumb.adjusted(-1, -1, 1, 1));
    }
    p.restore();
}

void DrawHorizontalSlider(QPainter& p, const QRectF& bar, const QRectF& thumb,
                          const Palette& palette, bool focus) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF groove(bar.left(), bar.center().y() - 2.5, bar.width(), 5);
    p.setPen(Qt::NoPen);
    p.setBrush(palette.slotFill);
    p.drawRoundedRect(groove, 2.5, 2.5);
    const QRectF played(groove.left() + 0.8, groove.top() + 0.8,
                        std::max(0.0, thumb.center().x() - groove.left() - 0.8),
                        groove.height() - 1.6);
    p.setBrush(palette.slotFilled);
    p.drawRoundedRect(played, 1.7, 1.7);
    p.setBrush(palette.shadow);
    p.drawRoundedRect(thumb.adjusted(2, 2, -1, 0).translated(0.6, 0.8), 2, 2);
    QLinearGradient cap(thumb.topLeft(), thumb.bottomLeft());
    cap.setColorAt(0, palette.thumbTop);
    cap.setColorAt(1, palette.thumbBottom);
    p.setBrush(cap);
    const QRectF knob = thumb.adjusted(2, 1, -2, -1);
    p.drawRoundedRect(knob, 2, 2);
    p.setPen(QPen(palette.thumbLine, 1));
    p.drawLine(QPointF(knob.center().x(), knob.top() + 2),
               QPointF(knob.center().x(), knob.bottom() - 2));
    if (focus) {
        p.setPen(QPen(palette.focus, 0.8, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(thumb);
    }
    p.restore();
}

void DrawLamp(QPainter& p, const QRectF& area, bool lit, const QColor& on, const Palette& palette) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF lens = area.adjusted(1, 0.5, -1, -0.5);
    p.setPen(QPen(palette.bevelDark, 1));
    if (lit) {
        QRadialGradient glow(lens.center(), lens.width() * 0.7);
        glow.setColorAt(0, on.lighter(140));
        glow.setColorAt(0.6, on);
        glow.setColorAt(1, on.darker(160));
        p.setBrush(glow);
    } else {
        p.setBrush(palette.lampOff);
    }
    p.drawRoundedRect(lens, lens.height() / 2, lens.height() / 2);
    p.restore();
}

}  // namespace ostinel::views::art
