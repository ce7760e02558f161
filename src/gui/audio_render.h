#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <string>
#include <thread>

#include "app/piece_rendering.h"

class QWidget;

namespace ostinel::gui {

// One Render to Audio File in progress: the render runs on a thread of its
// own while a progress dialog over `owner` shows how far it got and offers
// Cancel; the window stays responsive meanwhile.
//
// Threads: main thread (the render's own thread is internal).
class AudioRenderJob final : public QObject {
    Q_OBJECT

  public:
    AudioRenderJob(const std::string& piecePath, const std::string& wavPath, QWidget* owner);
    // Cancels a render still running and waits for its thread.
    ~AudioRenderJob() override;
    AudioRenderJob(const AudioRenderJob&) = delete;
    AudioRenderJob& operator=(const AudioRenderJob&) = delete;

    void Start();
    // As the progress dialog's Cancel: the render stops and its file is removed.
    void Cancel();
    const std::string& WavPath() const { return render_.WavPath(); }
    const std::string& PiecePath() const { return render_.PiecePath(); }
    QProgressDialog* ProgressDialog() const { return dialog_; }

  signals:
    // The thread has ended; `result` says how.
    void finished(ostinel::AudioFileRender::Result result, ostinel::LoadResult load);

  private:
    void Poll();

    AudioFileRender render_;
    std::thread thread_;
    std::atomic<bool> done_{false};
    AudioFileRender::Result result_ = AudioFileRender::Result::Cancelled;
    QTimer poll_;
    QPointer<QProgressDialog> dialog_;  // the window may delete it first
};

// The string-table message for a render that failed; 0 for one that was
// written or cancelled.
int AudioRenderMessage(AudioFileRender::Result result, LoadResult load);

}  // namespace ostinel::gui
