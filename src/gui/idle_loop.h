#pragma once

#include <QObject>
#include <functional>

#include "app/engine.h"

class QSocketNotifier;
class QTimer;

namespace ostinel::gui {

// Runs the engine's idle pass from Qt's event loop: every few milliseconds
// while something plays or is pending, and at once when another thread posts
// a transport request. Between those the program sleeps in the event loop.
//
// The wake-up from the timer and input threads is one write to an eventfd:
// no lock, no allocation, no Qt call on those threads.
class IdleLoop : public QObject {
    Q_OBJECT

  public:
    static constexpr int kPassIntervalMs = 5;
    // While the soloist's first note may start following by itself, the
    // follower's request needs looking for now and then.
    static constexpr int kListeningIntervalMs = 40;

    explicit IdleLoop(Engine& engine, QObject* parent = nullptr);
    ~IdleLoop() override;

    // main thread: after anything changed the engine: runs the pass soon if
    // the engine needs it.
    void Kick();
    // main thread: one pass now, then the timer as the engine needs it.
    void RunPass();
    // Whether the pass timer runs (the program is not asleep).
    bool Running() const;
    // Called after every pass, to bring the window up to date.
    void SetAfterPass(std::function<void()> afterPass) { afterPass_ = std::move(afterPass); }

  private:
    // any thread
    static void Wake(void* self);
    void OnWake();
    bool Listening() const;

    Engine& engine_;
    int wakeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* timer_ = nullptr;
    std::function<void()> afterPass_;
    bool inPass_ = false;
};

}  // namespace ostinel::gui
