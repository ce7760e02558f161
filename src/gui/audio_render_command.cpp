// File > Render to Audio File...: the piece as `ostinel-cli render` plays it,
// into a WAV file the user names.

#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>

#include "gui/audio_render.h"
#include "gui/main_window.h"

namespace ostinel::gui {

namespace {

QString OfferedAudioFile(const std::string& piecePath) {
    const QFileInfo piece(QString::fromStdString(piecePath));
    return piece.absoluteDir().filePath(piece.completeBaseName() + QStringLiteral(".wav"));
}

}  // namespace

void MainWindow::RenderToAudioFileCommand() {
    const Piece* piece = engine_.CurrentPiece();
    if (piece == nullptr || audioRender_ != nullptr) return;
    const QString offered = OfferedAudioFile(piece->path);
    ForceRepaint();
    // The dialog asks before an existing file is replaced.
    QString path = audioFileChooser_
                       ? audioFileChooser_(offered)
                       : QFileDialog::getSaveFileName(this, ApplicationTitle(), offered,
                                                      QStringLiteral("WAV Audio Files (*.wav)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".wav");
    audioRender_ = std::make_unique<AudioRenderJob>(piece->path, path.toStdString(), this);
    connect(audioRender_.get(), &AudioRenderJob::finished, this, &MainWindow::AudioRenderFinished);
    menu_->SetRenderingAudio(true);
    RefreshMenus();
    audioRender_->Start();
}

void MainWindow::AudioRenderFinished(AudioFileRender::Result result, LoadResult load) {
    const std::string named = result == AudioFileRender::Result::PieceNotLoaded
                                  ? audioRender_->PiecePath()
                                  : audioRender_->WavPath();
    // The job is deleted once its signal has returned.
    audioRender_.release()->deleteLater();
    menu_->SetRenderingAudio(false);
    RefreshMenus();
    const int message = AudioRenderMessage(result, load);
    if (message == 0) return;
    // A piece that does not load is named itself; anything else names the audio file.
    ui_.ShowFileError(message, named);
}

}  // namespace ostinel::gui
