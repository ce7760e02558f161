#pragma once

#include <cstdint>
#include <vector>

#include "dialog_fixture.h"

namespace ostinel::testing {

// The dialog fixture with the keyboard "Keys" open on input port A, so that
// a test plays into a learning dialog as the user would.
class LearnDialogTest : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        // Well clear of time 0, which the re-strike filter takes for a release.
        clock_.Set(platform::ClockMs{1000});
        engine_.Ports().SetInputDevice(0, 0);
        ASSERT_TRUE(engine_.OpenInputPorts());
    }

    // Empties a field the way a user does.
    static void Erase(QLineEdit* field) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
    }

    // One message from the keyboard now; the next comes 100 ms later.
    void Send(std::vector<std::uint8_t> message) {
        midi_.Input(0).Inject(message, clock_.Now());
        clock_.Advance(100);
    }
    // A key struck and released on channel 1.
    void PlayKey(std::uint8_t key, std::uint8_t velocity = 90) {
        Send({0x90, key, velocity});
        Send({0x80, key, 0});
    }
    void MoveController(std::uint8_t controller, std::uint8_t value) {
        Send({0xB0, controller, value});
    }
};

}  // namespace ostinel::testing
