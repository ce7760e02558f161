#include "views/score_picture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <array>

#include "views/palette.h"
#include "views/score_painter.h"

namespace ostinel::views {

struct OffscreenDrawing::State {
    // The application keeps a reference to its argument count.
    int argc = 3;
    std::array<char, 8> program{"ostinel"};
    std::array<char, 10> platformOption{"-platform"};
    std::array<char, 10> platform{"offscreen"};
    std::array<char*, 4> argv{program.data(), platformOption.data(), platform.data(), nullptr};
    QtMessageHandler before = nullptr;
    std::unique_ptr<QGuiApplication> app;
};

OffscreenDrawing::OffscreenDrawing() {
    if (QCoreApplication::instance() != nullptr) return;
    state_ = std::make_unique<State>();
    // Qt's complaints about the missing session (no runtime folder) mean
    // nothing for a picture: keep them off the program's output.
    state_->before =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    state_->app = std::make_unique<QGuiApplication>(state_->argc, state_->argv.data());
}

OffscreenDrawing::~OffscreenDrawing() {
    if (state_ == nullptr) return;
    state_->app.reset();
    qInstallMessageHandler(state_->before);
}

struct ScoreCanvas::Image {
    QImage image;
    ScoreBackdrop backdrop;
    double scale = 1;
};

ScoreCanvas::ScoreCanvas(double width, double height, double scale)
    : image_(std::make_unique<Image>()) {
    image_->scale = scale;
    image_->image = QImage(static_cast<int>(width * scale), static_cast<int>(height * scale),
                           QImage::Format_ARGB32_Premultiplied);
}

ScoreCanvas::~ScoreCanvas() = default;

void ScoreCanvas::Draw(const ScoreFrame& frame) {
    QPainter p(&image_->image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(image_->scale, image_->scale);
    image_->backdrop.Draw(p, frame, CurrentPalette());
    PaintScoreMotion(p, frame, CurrentPalette());
}

unsigned ScoreCanvas::FirstPixel() const {
    return image_->image.pixel(0, 0);
}

bool WriteScorePicture(const ScoreRoll& roll, const PlayedTrace* trace,
                       const ScoreViewport& viewport, double scale, const std::string& path) {
    const OffscreenDrawing drawing;
    ScoreFrame frame;
    ComposeScoreFrame(roll, trace, viewport, frame);
    const QImage image = RenderScoreImage(frame, scale, CurrentPalette());
    return image.save(QString::fromStdString(path), "PNG");
}

}  // namespace ostinel::views
