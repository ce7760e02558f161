#include "gui/idle_loop.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>

namespace ostinel::gui {

IdleLoop::IdleLoop(Engine& engine, QObject* parent) : QObject(parent), engine_(engine) {
    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &IdleLoop::RunPass);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ >= 0) {
        notifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &IdleLoop::OnWake);
        engine_.Requests().SetPostedListener(&IdleLoop::Wake, this);
        engine_.Reports().SetObserver(&jumpWaker_);
    } else {
        // Without a wake-up the pass keeps looking for requests, slowly.
        timer_->start(kRetryIntervalMs);
    }
}

IdleLoop::~IdleLoop() {
    engine_.Requests().SetPostedListener(nullptr, nullptr);
    engine_.Reports().SetObserver(nullptr);
    if (wakeFd_ >= 0) close(wakeFd_);
}

void IdleLoop::Wake(void* self) {
    const std::uint64_t one = 1;
    // A full counter already means "wake up"; nothing is lost by a failed write.
    [[maybe_unused]] const ssize_t written =
        write(static_cast<IdleLoop*>(self)->wakeFd_, &one, sizeof one);
}

void IdleLoop::OnWake() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = read(wakeFd_, &count, sizeof count);
    RunPass();
}

void IdleLoop::Kick() {
    if (engine_.NeedsIdlePass()) {
        if (!timer_->isActive() || timer_->interval() != kPassIntervalMs)
            timer_->start(kPassIntervalMs);
    } else if (wakeFd_ >= 0) {
        timer_->stop();
    }
}

void IdleLoop::RunPass() {
    // No pass while a message box or dialog is open, nor inside a pass that
    // opened one: look again a little later.
    if (inPass_ || QApplication::activeModalWidget() != nullptr) {
        if (!timer_->isActive()) timer_->start(kRetryIntervalMs);
        return;
    }
    inPass_ = true;
    engine_.IdlePass();
    if (afterPass_) afterPass_();
    inPass_ = false;
    Kick();
}

bool IdleLoop::Running() const {
    return timer_->isActive();
}

}  // namespace ostinel::gui
