#include "views/view_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "strings/version.h"
#include "views/panel_art.h"
#include "views/slider_values.h"

namespace ostinel::views {

namespace {

using art::Icon;

QFont TitleFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    font.setBold(true);
    return font;
}

QFont StripFont(double pixels) {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(int(pixels));
    return font;
}

// The value's decimal digits into `count` positions from element `first`.
// Right-aligned: leading positions blank (or '0' with zeroPad). Left-aligned:
// from the first position, the rest blank.
void DrawNumber(QPainter& p, const ViewLayout& layout, int first, int count, int value,
                bool rightAligned, bool zeroPad, const Palette& palette) {
    // The decimal digits, least significant first.
    std::array<char, 12> digits{};
    int length = 0;
    unsigned rest = unsigned(std::max(value, 0));
    do {
        digits[std::size_t(length++)] = char('0' + rest % 10);
        rest /= 10;
    } while (rest != 0 && length < count);
    const int lead = rightAligned ? count - length : 0;
    for (int i = 0; i < count; ++i) {
        char c = ' ';
        const int at = i - lead;
        if (at >= 0 && at < length)
            c = digits[std::size_t(length - 1 - at)];
        else if (rightAligned && zeroPad)
            c = '0';
        art::DrawDigit(p, art::ToRect(layout.Element(first + i)), c, palette);
    }
}

void DrawDigitGroup(QPainter& p, const ViewLayout& layout, int first, int last,
                    const Palette& palette) {
    const QRectF well =
        art::ToRect(layout.Element(first)).united(art::ToRect(layout.Element(last)));
    art::DrawWell(p, well.adjusted(-2, -1, 2, 1), palette);
}

QRectF KeyRect(const ViewLayout& layout, int element) {
    // Keys leave 2 pixels at the right and bottom for their drop shadow.
    return art::ToRect(layout.Element(element)).adjusted(0, 0, -2, -2);
}

void PaintTitle(QPainter& p, const ViewLayout& layout, const ViewScene& scene,
                const Palette& palette) {
    const Box frame = layout.Frame(kTitleView);
    const Box area = layout.Element(element::kTitleText);
    art::DrawCaption(p, QRectF(12, 0, 140, frame.Height()), QStringLiteral("OSTINEL"),
                     Qt::AlignLeft | Qt::AlignVCenter, palette, 7.5);
    // A thin amber rule under the brand, like a maker's badge.
    p.fillRect(QRectF(12, frame.Height() - 7, 26, 1.2), palette.ledOn);
    p.setFont(TitleFont());
    p.setPen(palette.titleText);
    const QString text = FitTitle(QString::fromStdString(scene.title), area.Width());
    const double width = QFontMetricsF(TitleFont()).horizontalAdvance(text);
    const double x = std::max(frame.Width() / 2.0 - width / 2, double(area.left));
    p.drawText(QRectF(x, area.top - 2, area.right - x + 20, area.Height() + 4),
               Qt::AlignLeft | Qt::AlignVCenter, text);
}

void PaintMainTransport(QPainter& p, const ViewLayout& layout, const ViewScene& scene,
                        const Palette& palette) {
    struct Key {
        int element;
        Icon icon;
        bool enabled;
    };
    const Key keys[] = {
        {element::kRewind, Icon::Rewind, scene.rewindEnabled},
        {element::kStop, Icon::Stop, scene.stopEnabled},
        {element::kPlayAndFollow, Icon::PlayAndFollow, scene.playAndFollowEnabled},
        {element::kPlayFile, Icon::PlayFile, scene.playFileEnabled},
        {element::kPlayPerformance, Icon::PlayPerformance, scene.playPerformanceEnabled},
        {element::kPreview, Icon::Preview, scene.previewEnabled},
        {element::kFastForward, Icon::FastForward, scene.fastForwardEnabled},
    };
    for (const Key& key : keys)
        art::DrawKey(p, KeyRect(layout, key.element), layout.State(key.element), key.icon, palette,
                     key.enabled);
    // The two small keys carry their names beneath, the rest speak by icon.
    art::DrawCaption(p, QRectF(176, 47, 36, 10), QStringLiteral("FILE"), Qt::AlignCenter, palette,
                     5);
    art::DrawCaption(p, QRectF(211, 47, 36, 10), QStringLiteral("PERF"), Qt::AlignCenter, palette,
                     5);
    art::DrawCaption(p, QRectF(176, 4, 71, 12), QStringLiteral("PLAY"), Qt::AlignCenter, palette,
                     5.5);
}

void PaintSongPosition(QPainter& p, const ViewLayout& layout, const ViewScene& scene,
                       const Palette& palette) {
    art::DrawHorizontalSlider(p, art::ToRect(layout.Element(element::kPositionBar)),
                              art::ToRect(layout.Element(element::kPositionThumb)), palette,
                              scene.focusThumb == element::kPositionThumb);
    art::DrawKey(p, KeyRect(layout, element::kHoldRewind), layout.State(element::kHoldRewind),
                 Icon::HoldRewind, palette);
    art::DrawKey(p, KeyRect(layout, element::kHoldFastForward),
                 layout.State(element::kHoldFastForward), Icon::HoldFastForward, palette);
    art::DrawKey(p, KeyRect(layout, element::kLoopBeginButton),
                 layout.State(element::kLoopBeginButton), Icon::LoopBegin, palette);
    art::DrawKey(p, KeyRect(layout, element::kLoopEndButton), layout.State(element::kLoopEndButton),
                 Icon::LoopEnd, palette);
    art::DrawKey(p, KeyRect(layout, element::kLoopButton), layout.State(element::kLoopButton),
                 Icon::Loop, palette);

    art::DrawCaption(p, QRectF(54, 38, 95, 12), QStringLiteral("LOOP BEGIN"), Qt::AlignCenter,
                     palette, 5.5);
    art::DrawCaption(p, QRectF(216, 38, 95, 12), QStringLiteral("LOOP END"), Qt::AlignCenter,
                     palette, 5.5);
    DrawDigitGroup(p, layout, element::kLoopBeginMeasure, element::kLoopBeginBeat + 1, palette);
    DrawDigitGroup(p, layout, element::kLoopEndMeasure, element::kLoopEndBeatLast, palette);
    DrawNumber(p, layout, element::kLoopBeginMeasure, 4, scene.loopBeginMeasure, true, false,
               palette);
    art::DrawDigit(p, art::ToRect(layout.Element(element::kLoopBeginSeparator)), ':', palette);
    DrawNumber(p, layout, element::kLoopBeginBeat, 2, scene.loopBeginBeat, false, false, palette);
    DrawNumber(p, layout, element::kLoopEndMeasure, 4, scene.loopEndMeasure, true, false, palette);
    art::DrawDigit(p, art::ToRect(layout.Element(element::kLoopEndSeparator)), ':', palette);
    DrawNumber(p, layout, element::kLoopEndBeat, 2, scene.loopEndBeat, false, false, palette);
}

void PaintCurrentTempo(QPainter& p, const ViewLayout& layout, const ViewScene& scene,
                       const Palette& palette) {
    art::DrawCaption(p, QRectF(8, 5, 110, 14), QStringLiteral("TEMPO"),
                     Qt::AlignLeft | Qt::AlignVCenter, palette);
    art::DrawCaption(p, QRectF(59, 5, 53, 14), QStringLiteral("BPM"),
                     Qt::AlignRight | Qt::AlignVCenter, palette, 6, true);
    art::DrawKey(p, KeyRect(layout, element::kMetronomeButton),
                 layout.State(element::kMetronomeButton), Icon::Metronome, palette);
    DrawDigitGroup(p, layout, element::kTempoDigits, element::kTempoDigits + 2, palette);
    DrawNumber(p, layout, element::kTempoDigits, 3, std::min(scene.tempo, 999), true, false,
               palette);
}

void PaintVerticalSliderView(QPainter& p, const ViewLayout& layout, const ViewScene& scene,
                             const Palette& palette, const QString& caption, int bar, int thumb,
                             int digits, int percent) {
    art::DrawCaption(p, QRectF(8, 5, 110, 14), caption, Qt::AlignLeft | Qt::AlignVCenter, palette);
    art::DrawVerticalFader(p, art::ToRect(layout.Element(bar)), art::ToRect(layout.Element(thumb)),
                           palette, scene.focusThumb == thumb);
    DrawDigitGroup(p, layout, digits, digits + 2, palette);
    DrawNumber(p, layout, digits, 3, percent, true, false, palette);
    art::DrawCaption(p, QRectF(48, 30, 53, 14), QStringLiteral("PERCENT"), Qt::AlignCenter, palette,
                     5.5, true);
    art::DrawCaption(p, QRectF(101, 60, 20, 14), QStringLiteral("%"), Qt::AlignCenter, palette, 7);
}

void PaintMeasureBeat(QPainter& p, const ViewLayout& layout, const ViewScene& scene,
                      const Palette& palette) {
    art::DrawCaption(p, QRectF(8, 5, 75, 14), QStringLiteral("MEASURE"),
                     Qt::AlignLeft | Qt::AlignVCenter, palette);
    art::DrawCaption(p, QRectF(80, 5, 40, 14), QStringLiteral("BEAT"),
                     Qt::AlignRight | Qt::AlignVCenter, palette);
    DrawDigitGroup(p, layout, element::kMeasureDigits, element::kBeatDigits + 1, palette);
    const QString text = MeasureBeatText(scene);
    for (int i = 0; i < 4; ++i) {
        art::DrawDigit(p, art::ToRect(layout.Element(element::kMeasureDigits + i)),
                       text[i].toLatin1(), palette);
    }
    art::DrawDigit(p, art::ToRect(layout.Element(element::kMeasureSeparator)), ':', palette);
    for (int i = 0; i < 2; ++i) {
        art::DrawDigit(p, art::ToRect(layout.Element(element::kBeatDigits + i)),
                       text[5 + i].toLatin1(), palette);
    }
}

void PaintTrackColumn(QPainter& p, const ViewLayout& layout, const TrackColumnScene& column,
                      int columnIndex, const Palette& palette) {
    const int left = layout.ColumnLeft(columnIndex);
    const Box strip = layout.Element(element::kTrackColumn);
    p.save();
    p.translate(left, 0);
    // A channel strip: a recessed face with a hairline between neighbours.
    QLinearGradient face(0, 0, 0, strip.Height());
    face.setColorAt(0, palette.panelTop.lighter(106));
    face.setColorAt(1, palette.panelBottom);
    p.fillRect(
        QRectF(0.5, 1, kDesignElements[element::kTrackColumn].Width() - 1, strip.Height() - 2),
        face);
    p.setPen(QPen(palette.stripLine, 1));
    p.drawLine(QPointF(0.5, 1), QPointF(0.5, strip.Height() - 1));

    const QFont small = StripFont(8);
    p.setFont(small);
    p.setPen(palette.stripText);
    const auto row = [&](int element) {
        const Box b = kDesignElements[std::size_t(element)];
        return QRectF(b.left, b.top - 1, b.Width(), b.Height() + 2);
    };
    const QString portChannel =
        QString(QChar('A' + column.port)) + QString::number(column.channel + 1);
    p.drawText(row(element::kPortChannelRow), Qt::AlignCenter, portChannel);
    art::DrawLamp(p, art::ToRect(kDesignElements[element::kPlayLamp]).adjusted(0, 0, 0, 0),
                  column.plays, palette.lampPlayOn, palette);
    art::DrawLamp(p, art::ToRect(kDesignElements[element::kFollowLamp]), column.follows,
                  palette.lampFollowOn, palette);
    if (column.playLampState == kStatePressed || column.followLampState == kStatePressed) {
        const int lamp =
            column.playLampState == kStatePressed ? element::kPlayLamp : element::kFollowLamp;
        p.setPen(QPen(palette.focus, 0.8));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(art::ToRect(kDesignElements[std::size_t(lamp)]).adjusted(0.5, 0, -0.5, 0),
                          4, 4);
    }
    p.setPen(palette.stripText);
    p.setFont(small);
    const QString transpose = column.transpose > 0 ? QStringLiteral("+%1").arg(column.transpose)
                                                   : QString::number(column.transpose);
    p.drawText(row(element::kTransposeRow), Qt::AlignCenter, transpose);
    p.drawText(row(element::kVolumeRow), Qt::AlignCenter,
               QStringLiteral("%1%").arg(VolumePercent(column.volume)));

    const Box travel = kDesignElements[element::kTrackVolumeTravel];
    Box thumb = kDesignElements[element::kTrackVolumeThumb];
    const int rise = TrackVolumeThumbRise(thumb.top - travel.top, column.volume);
    thumb = thumb.Moved(0, -rise);
    art::DrawVerticalFader(p, art::ToRect(kDesignElements[element::kTrackVolumeBar]),
                           art::ToRect(thumb), palette);

    // The name over two rows, shortened to fit.
    const QFont nameFont = StripFont(8);
    p.setFont(nameFont);
    p.setPen(palette.stripText);
    const QString name = QString::fromStdString(column.name);
    const QFontMetricsF metrics(nameFont);
    const double rowWidth = row(element::kNameRow).width() - 2;
    QString first = name;
    QString second;
    if (metrics.horizontalAdvance(name) > rowWidth) {
        // Break at the last blank that fits, else where the row ends.
        int cut = int(name.size());
        while (cut > 1 && metrics.horizontalAdvance(name.left(cut)) > rowWidth)
            --cut;
        const int blank = int(name.left(cut + 1).lastIndexOf(QChar(' ')));
        if (blank > 0) cut = blank;
        first = name.left(cut);
        second = FitName(name.mid(cut).trimmed(), nameFont, rowWidth);
    }
    p.drawText(row(element::kNameRow).adjusted(1, 0, -1, 0), Qt::AlignCenter, first);
    p.drawText(row(element::kSecondNameRow).adjusted(1, 0, -1, 0), Qt::AlignCenter, second);
    p.restore();
}

void PaintTracks(QPainter& p, const ViewLayout& layout, const ViewScene& scene,
                 const Palette& palette) {
    // The left part names the rows.
    const auto label = [&](int element, const QString& text) {
        const Box b = kDesignElements[std::size_t(element)];
        // Readable at 100 %: the engraved caption size, each label in its row.
        art::DrawCaption(p, QRectF(3, b.top - 1, 37, b.Height() + 2), text,
                         Qt::AlignLeft | Qt::AlignVCenter, palette, 5.5);
    };
    label(element::kPortChannelRow, QStringLiteral("OUT"));
    label(element::kPlayLamp, QStringLiteral("PLAY"));
    label(element::kFollowLamp, QStringLiteral("FOLLOW"));
    label(element::kTransposeRow, QStringLiteral("TRANSP"));
    label(element::kVolumeRow, QStringLiteral("VOL"));
    label(element::kNameRow, QStringLiteral("NAME"));
    if (layout.Scrolls()) {
        // Each key in its own place with its own arrow, pressed while held and
        // greyed (state 200) where it cannot scroll further.
        for (const auto& [key, icon] : {std::pair{element::kScrollLeft, Icon::ScrollLeft},
                                        std::pair{element::kScrollRight, Icon::ScrollRight}}) {
            const std::uint16_t state = layout.State(key);
            art::DrawKey(p, art::ToRect(layout.Element(key)).adjusted(0, 0, -1, -1),
                         state == kStatePressed ? kStatePressed : kStateNormal, icon, palette,
                         state != kStateLit);
        }
    }
    for (std::size_t i = 0; i < scene.columns.size(); ++i)
        PaintTrackColumn(p, layout, scene.columns[i], int(i), palette);
    const Box right = layout.Element(element::kTracksRightPart);
    p.setPen(QPen(palette.stripLine, 1));
    p.drawLine(QPointF(right.left + 0.5, 1), QPointF(right.left + 0.5, right.bottom - 1));
}

}  // namespace

QString MeasureBeatText(const ViewScene& scene) {
    // Beats count from 1: beat 0 is no beat, whatever the measure.
    if (scene.beat <= 0) return QStringLiteral("    :  ");
    // Only the lowest digits fit, as on a counter.
    const QString measure = QString::number(std::max(scene.measure, 0) % 10000);
    const QString beat = QString::number(scene.beat % 100);
    return measure.rightJustified(4, QLatin1Char(' ')) + QLatin1Char(':') +
           beat.leftJustified(2, QLatin1Char(' '));
}

void PaintView(QPainter& p, int view, const ViewLayout& layout, const ViewScene& scene,
               const Palette& palette) {
    const Box frame = layout.Frame(view);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    art::DrawPanel(p, QRectF(0, 0, frame.Width(), frame.Height()), palette);
    switch (view) {
        case kTitleView:
            PaintTitle(p, layout, scene, palette);
            break;
        case kMainTransportView:
            PaintMainTransport(p, layout, scene, palette);
            break;
        case kSongPositionView:
            PaintSongPosition(p, layout, scene, palette);
            break;
        case kCurrentTempoView:
            PaintCurrentTempo(p, layout, scene, palette);
            break;
        case kMasterTempoView:
            PaintVerticalSliderView(p, layout, scene, palette, QStringLiteral("MASTER TEMPO"),
                                    element::kMasterTempoBar, element::kMasterTempoThumb,
                                    element::kMasterTempoDigits, TempoPercent(scene.tempoScale));
            break;
        case kMeasureBeatView:
            PaintMeasureBeat(p, layout, scene, palette);
            break;
        case kMasterVolumeView:
            PaintVerticalSliderView(p, layout, scene, palette, QStringLiteral("MASTER VOLUME"),
                                    element::kMasterVolumeBar, element::kMasterVolumeThumb,
                                    element::kMasterVolumeDigits,
                                    VolumePercent(scene.masterVolume));
            break;
        case kTracksView:
            PaintTracks(p, layout, scene, palette);
            break;
        default:
            break;
    }
    p.restore();
}

void PaintTitlePicture(QPainter& p, const QRectF& area, const Palette& palette) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette.shadow, 1));
    QLinearGradient back(area.topLeft(), area.bottomLeft());
    back.setColorAt(0, palette.splashTop);
    back.setColorAt(1, palette.splashBottom);
    p.setBrush(back);
    p.drawRect(area.adjusted(-0.5, -0.5, 0.5, 0.5));
    // A staff of five lines with an amber phrase rising over it.
    p.setPen(QPen(palette.captionDim, 0.8));
    const double staffTop = area.top() + 250;
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(area.left() + 30, staffTop + i * 9),
                   QPointF(area.right() - 30, staffTop + i * 9));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        const double x = area.left() + 60 + i * 34;
        const double y = staffTop + 36 - (i % 5) * 7 - i * 1.5;
        QRadialGradient glow(QPointF(x, y), 14);
        glow.setColorAt(0, palette.ledGlow);
        glow.setColorAt(1, Qt::transparent);
        p.setBrush(glow);
        p.drawEllipse(QPointF(x, y), 14, 14);
        p.setBrush(palette.ledOn);
        p.save();
        p.translate(x, y);
        p.rotate(-20);
        p.drawEllipse(QPointF(0, 0), 5.2, 3.8);
        p.restore();
        p.fillRect(QRectF(x + 4.2, y - 26, 1.4, 26), palette.ledOn);
    }
    QFont big(QStringLiteral("DejaVu Sans"));
    big.setPixelSize(44);
    big.setBold(true);
    big.setLetterSpacing(QFont::PercentageSpacing, 112);
    p.setFont(big);
    p.setPen(palette.titleText);
    p.drawText(QRectF(area.left(), area.top() + 70, area.width(), 56), Qt::AlignCenter,
               QStringLiteral("Ostinel"));
    art::DrawCaption(p, QRectF(area.left(), area.top() + 124, area.width(), 16),
                     QStringLiteral("THE ACCOMPANIST THAT LISTENS"), Qt::AlignCenter, palette, 7);
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(palette.caption);
    const double top = area.bottom() - 142;
    p.drawText(QRectF(area.left() + 3, top, 44, 14), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Version"));
    p.drawText(QRectF(area.left() + 48, top, 60, 14), Qt::AlignLeft | Qt::AlignTop,
               TitlePictureVersion());
    p.restore();
}

QString TitlePictureVersion() {
    return QString::fromUtf8(ProgramVersion().data(), qsizetype(ProgramVersion().size()));
}

QString FitTitle(const QString& title, double maxWidth) {
    const QFontMetricsF metrics(TitleFont());
    QString text = title;
    while (metrics.horizontalAdvance(text) > maxWidth && !text.isEmpty()) {
        if (text.endsWith(QStringLiteral("..."))) {
            if (text.size() <= 3) break;
            text.remove(text.size() - 4, 1);
        } else if (text.size() >= 250) {
            text = text.left(text.size() - 4) + QStringLiteral("...");
        } else {
            text = text.left(text.size() - 1) + QStringLiteral("...");
        }
    }
    return text;
}

QString FitName(const QString& name, const QFont& font, double maxWidth) {
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(name) <= maxWidth) return name;
    QString text = name;
    while (!text.isEmpty() && metrics.horizontalAdvance(text + QStringLiteral("...")) > maxWidth)
        text.chop(1);
    return text + QStringLiteral("...");
}

}  // namespace ostinel::views
