// The version a user reads: `ostinel --version` and the title picture, both
// held to the project's one version number.

#include <gtest/gtest.h>

#include <QPaintDevice>
#include <QPaintEngine>
#include <QProcess>
#include <QStringList>

#include "desktop_fixture.h"

namespace ostinel::testing {
namespace {

// Keeps the text of every string drawn through it and draws nothing else.
class TextRecordingEngine final : public QPaintEngine {
  public:
    TextRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice* /*device*/) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState& /*state*/) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {
    }
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawRects(const QRectF*, int) override {}
    void drawLines(const QLineF*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawPoints(const QPointF*, int) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}
    void drawTextItem(const QPointF& /*at*/, const QTextItem& item) override {
        texts << item.text();
    }
    Type type() const override { return QPaintEngine::User; }

    QStringList texts;
};

class TextRecordingDevice final : public QPaintDevice {
  public:
    explicit TextRecordingDevice(QSize size) : size_(size) {}
    QPaintEngine* paintEngine() const override { return &engine_; }
    const QStringList& Texts() const { return engine_.texts; }

  protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
                return size_.width();
            case PdmHeight:
                return size_.height();
            case PdmWidthMM:
                return size_.width() * 254 / 960;
            case PdmHeightMM:
                return size_.height() * 254 / 960;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDepth:
                return 32;
            case PdmNumColors:
                return 0x7fffffff;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return int(devicePixelRatioFScale());
        }
        return 0;
    }

  private:
    QSize size_;
    mutable TextRecordingEngine engine_;
};

const QString kProjectVersion = QStringLiteral(OSTINEL_PROJECT_VERSION);

using VersionTest = DesktopTest;

TEST_F(VersionTest, TheTitlePictureAndVersionOptionShowTheProjectsVersion) {
    ASSERT_FALSE(kProjectVersion.isEmpty());

    QProcess program;
    program.start(QStringLiteral(OSTINEL_DESKTOP_PROGRAM), {QStringLiteral("--version")});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(program.readAllStandardOutput()),
              QStringLiteral("ostinel %1\n").arg(kProjectVersion));

    Area().ShowTitlePicture(0);
    TextRecordingDevice device(Area().size());
    Area().render(&device);
    const QStringList& drawn = device.Texts();
    const qsizetype label = drawn.indexOf(QStringLiteral("Version"));
    ASSERT_GE(label, 0) << drawn.join(QChar('|')).toStdString();
    ASSERT_LT(label + 1, drawn.size());
    EXPECT_EQ(drawn[label + 1], kProjectVersion) << drawn.join(QChar('|')).toStdString();
}

}  // namespace
}  // namespace ostinel::testing
