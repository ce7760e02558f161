#include "gui/audio_render.h"

#include <QFileInfo>
#include <QProgressDialog>

#include "app/load_result_messages.h"
#include "gui/desktop_ui.h"
#include "strings/string_ids.h"

namespace ostinel::gui {

namespace {

// Often enough for a bar that moves smoothly, seldom enough to cost nothing.
constexpr int kProgressPollMs = 50;

}  // namespace

AudioRenderJob::AudioRenderJob(const std::string& piecePath, const std::string& wavPath,
                               QWidget* owner)
    : render_(piecePath, wavPath) {
    dialog_ = new QProgressDialog(owner);
    dialog_->setWindowTitle(ApplicationTitle());
    dialog_->setLabelText(QStringLiteral("Rendering %1...")
                              .arg(QFileInfo(QString::fromStdString(wavPath)).fileName()));
    dialog_->setRange(0, 1000);
    dialog_->setWindowModality(Qt::WindowModal);
    // The job closes the dialog itself: reaching the end must not reset it.
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    connect(dialog_, &QProgressDialog::canceled, this, &AudioRenderJob::Cancel);
    poll_.setInterval(kProgressPollMs);
    connect(&poll_, &QTimer::timeout, this, &AudioRenderJob::Poll);
}

AudioRenderJob::~AudioRenderJob() {
    render_.Cancel();
    if (thread_.joinable()) thread_.join();
    delete dialog_.data();
}

void AudioRenderJob::Start() {
    dialog_->setValue(0);
    dialog_->show();
    thread_ = std::thread([this] {
        result_ = render_.Run();
        done_.store(true, std::memory_order_release);
    });
    poll_.start();
}

void AudioRenderJob::Cancel() {
    render_.Cancel();
}

void AudioRenderJob::Poll() {
    if (!done_.load(std::memory_order_acquire)) {
        dialog_->setValue(render_.ProgressPermille());
        return;
    }
    poll_.stop();
    thread_.join();
    dialog_->hide();
    emit finished(result_, render_.Load());
}

int AudioRenderMessage(AudioFileRender::Result result, LoadResult load) {
    using R = AudioFileRender::Result;
    switch (result) {
        case R::Written:
        case R::Cancelled:
            return 0;
        case R::PieceNotLoaded:
            return OpenCommandLoadMessage(load);
        case R::NoSoundFont:
            return string_id::kAudioNoSoundFont;
        case R::CannotCreate:
            return string_id::kAudioFolderUnwritable;
        case R::DiskFull:
            return string_id::kAudioDiskFull;
        case R::TooLong:
            return string_id::kAudioTooLong;
        case R::WriteFailed:
            break;
    }
    return string_id::kAudioWriteFailed;
}

}  // namespace ostinel::gui
