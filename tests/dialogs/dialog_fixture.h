#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <string>
#include <vector>

#include "app/engine.h"
#include "dialogs/dialog_context.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"

namespace ostinel::testing {

class CountingBeeper final : public dialogs::Beeper {
  public:
    void Beep() override { ++beeps; }
    int beeps = 0;
};

class SilentUi final : public TransportUi {
  public:
    void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
    bool ConfirmMessage(std::string_view) override { return true; }
    std::vector<std::string> shown;
};

// An engine on the demo piece, on the manual clock and devices, with a
// beeper that counts.
class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engine_.OpenOutputPorts();
        ASSERT_EQ(engine_.OpenPiece(std::string(OSTINEL_SOURCE_DIR) + "/examples/demo.mid"),
                  LoadResult::Loaded);
    }

    // Replaces a field's text the way a user does: select all, then type
    // over the selection.
    static void Retype(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    Piece& GetPiece() { return *engine_.CurrentPiece(); }

    platform::ManualClock clock_{platform::ClockMs{0}};
    platform::ManualTimerService timers_{clock_};
    platform::ManualMidiSystem midi_{clock_, {"Keys"}, {"Synth"}};
    SilentUi ui_;
    Engine engine_{clock_, timers_, midi_, ui_};
    CountingBeeper beeper_;
    dialogs::DialogContext context_{engine_, beeper_, nullptr, {}, std::nullopt, false};
};

}  // namespace ostinel::testing
