#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QString>
#include <string>
#include <vector>

#include "app/engine.h"
#include "gui/desktop_ui.h"
#include "gui/main_window.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"

namespace ostinel::testing {

// Keeps what would have been shown; confirmations answer as told.
class RecordingPresenter final : public gui::MessagePresenter {
  public:
    void Show(QWidget*, const QString& caption, const QString& text) override {
        captions.push_back(caption);
        shown.push_back(text);
    }
    void ShowError(QWidget* owner, const QString& caption, const QString& text) override {
        errors.push_back(text);
        Show(owner, caption, text);
    }
    bool Confirm(QWidget*, const QString& caption, const QString& text) override {
        captions.push_back(caption);
        asked.push_back(text);
        return confirm;
    }

    std::vector<QString> captions;
    std::vector<QString> shown;
    std::vector<QString> asked;
    std::vector<QString> errors;  // shown with the error icon
    bool confirm = false;
};

// The main window on the demo piece, on the manual clock and devices, in a
// 700 x 460 client area at 100 %.
class DesktopTest : public ::testing::Test {
  protected:
    static constexpr int kClientWidth = 700;
    static constexpr int kClientHeight = 460;

    void SetUp() override {
        // A dialog says its name instead of waiting modally for a user.
        window_.SetDialogOpener(
            [this](int id) { presenter_.shown.push_back(gui::DialogTitle(id)); });
        engine_.OpenOutputPorts();
        window_.Area().setFixedSize(kClientWidth, kClientHeight);
        window_.show();
        QApplication::processEvents();
        ASSERT_EQ(window_.OpenFile(std::string(OSTINEL_SOURCE_DIR) + "/examples/demo.mid"),
                  LoadResult::Loaded);
        Area().RemoveTitlePicture();
        QApplication::processEvents();
    }

    views::ViewArea& Area() { return window_.Area(); }
    Transport& GetTransport() { return engine_.GetTransport(); }

    // Plays on for `ms` of the manual clock, with the idle pass.
    void RunFor(std::uint32_t ms) {
        for (std::uint32_t done = 0; done < ms; done += 5) {
            timers_.Advance(5);
            engine_.IdlePass();
        }
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), Area().mapToGlobal(QPointF(at)), button, buttons,
                          modifiers);
        QApplication::sendEvent(&Area(), &event);
    }
    void Press(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, modifiers);
    }
    void DoubleClick(QPoint at) {
        Press(at);
        Release(at);
        Mouse(QEvent::MouseButtonDblClick, at, Qt::LeftButton);
        Release(at);
    }
    void MoveTo(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::LeftButton); }
    void Release(QPoint at) { Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton); }
    void Click(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        Press(at, modifiers);
        Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton, modifiers);
    }

    platform::ManualClock clock_{platform::ClockMs{0}};
    platform::ManualTimerService timers_{clock_};
    platform::ManualMidiSystem midi_{clock_, {"Keys"}, {"Synth"}};
    RecordingPresenter presenter_;
    gui::DesktopUi ui_{presenter_};
    Engine engine_{clock_, timers_, midi_, ui_};
    gui::MainWindow window_{engine_, ui_};
};

}  // namespace ostinel::testing
