#include "views/score_picture.h"

#include <QGuiApplication>
#include <QString>
#include <memory>

#include "views/palette.h"
#include "views/score_painter.h"

namespace ostinel::views {

bool WriteScorePicture(const ScoreRoll& roll, const PlayedTrace* trace,
                       const ScoreViewport& viewport, double scale, const std::string& path) {
    // Text needs a Qt application; the command line has none, and no
    // display either, so it gets one on the offscreen platform for the picture.
    int argc = 3;
    char program[] = "ostinel-cli";
    char platformOption[] = "-platform";
    char platform[] = "offscreen";
    char* argv[] = {program, platformOption, platform, nullptr};
    std::unique_ptr<QGuiApplication> app;
    QtMessageHandler before = nullptr;
    if (QCoreApplication::instance() == nullptr) {
        // Qt's complaints about the missing session (no runtime folder) mean
        // nothing for a picture: keep them off the command line's output.
        before =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    ScoreFrame frame;
    ComposeScoreFrame(roll, trace, viewport, frame);
    const QImage image = RenderScoreImage(frame, scale, CurrentPalette());
    const bool saved = image.save(QString::fromStdString(path), "PNG");
    if (app != nullptr) {
        app.reset();
        qInstallMessageHandler(before);
    }
    return saved;
}

}  // namespace ostinel::views
