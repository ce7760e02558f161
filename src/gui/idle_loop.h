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
    // How soon a pass that a message box held back is tried again.
    static constexpr int kRetryIntervalMs = 40;

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
    // The follower's jump (an automatic start or a restart elsewhere) is a
    // flag the pass turns into a request: it wakes the loop like a request.
    class JumpWaker final : public FollowerCallback {
      public:
        explicit JumpWaker(IdleLoop& loop) : loop_(loop) {}
        platform::ClockMs ReportNow() override { return platform::ClockMs{}; }
        // timer or input thread
        void ReportJump(ScorePosition, platform::ClockMs, std::int32_t) override { Wake(&loop_); }
        void ReportDynamics(std::int32_t) override {}
        void ReportPosition(ScorePosition, platform::ClockMs, std::int32_t) override {}
        void ReportEvent(platform::ClockMs, ScorePosition, std::uint32_t) override {}

      private:
        IdleLoop& loop_;
    };

    // any thread
    static void Wake(void* self);
    void OnWake();

    Engine& engine_;
    int wakeFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* timer_ = nullptr;
    std::function<void()> afterPass_;
    bool inPass_ = false;
    JumpWaker jumpWaker_{*this};
};

}  // namespace ostinel::gui
