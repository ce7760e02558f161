#include <QComboBox>
#include <algorithm>

#include "app/command_ids.h"
#include "dialog_fixture.h"
#include "dialogs/dialog_launcher.h"
#include "dialogs/midi_ports_dialog.h"
#include "dialogs/midi_sync_setup_dialog.h"

namespace ostinel::testing {
namespace {

// A studio with three keyboards and three sound sources and no piece open:
// both dialogs set up the program, not a piece.
class PortsDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(engine_.OpenInputPorts());
        ASSERT_TRUE(engine_.OpenOutputPorts());
    }

    // Picks the device named `name` in a port's list, as a click would.
    static void Choose(QComboBox* list, const char* name) {
        const int index = list->findText(QString::fromUtf8(name));
        ASSERT_GE(index, 0) << name;
        list->setCurrentIndex(index);
    }

    platform::ManualClock clock_{platform::ClockMs{0}};
    platform::ManualTimerService timers_{clock_};
    platform::ManualMidiSystem midi_{
        clock_, {"Keys", "Pads", "Wind"}, {"Synth", "Piano", "Strings"}};
    SilentUi ui_;
    Engine engine_{clock_, timers_, midi_, ui_};
    CountingBeeper beeper_;
    dialogs::DialogContext context_{engine_, beeper_, nullptr, {}, std::nullopt, false};
};

TEST_F(PortsDialogTest, BothDialogsOpenFromTheirCommandsWithoutAPiece) {
    ASSERT_EQ(engine_.CurrentPiece(), nullptr);
    EXPECT_TRUE(dialogs::IsDialogCommand(command::kMidiPortsAndDevices));
    EXPECT_TRUE(dialogs::IsDialogCommand(command::kMidiAndSyncSetup));
    dialogs::MidiPortsDialog ports(context_);
    dialogs::MidiSyncSetupDialog sync(context_);
    EXPECT_EQ(ports.HelpTopic(), 14);
    EXPECT_EQ(sync.HelpTopic(), 13);
}

TEST_F(PortsDialogTest, ListsNameEveryDeviceAndSelectEachPortsOwn) {
    engine_.Ports().SetInputDevice(2, 1);
    engine_.Ports().SetOutputDevice(7, 2);
    dialogs::MidiPortsDialog dialog(context_);
    const char* const labels[] = {"&A--", "&B--", "&C--", "&D--", "&E--", "&F--", "&G--", "&H--"};
    for (int port = 0; port < kPortCount; ++port) {
        EXPECT_EQ(dialog.PortLabel(port)->text().toStdString(), labels[port]);
        EXPECT_EQ(dialog.PortLabel(port)->buddy(), dialog.InputList(port));
        ASSERT_EQ(dialog.InputList(port)->count(), 3);
        ASSERT_EQ(dialog.OutputList(port)->count(), 3);
        EXPECT_EQ(dialog.InputList(port)->itemText(1).toStdString(), "Pads");
        EXPECT_EQ(dialog.OutputList(port)->itemText(2).toStdString(), "Strings");
    }
    EXPECT_EQ(dialog.InputList(0)->currentText().toStdString(), "Keys");
    EXPECT_EQ(dialog.InputList(2)->currentText().toStdString(), "Pads");
    EXPECT_EQ(dialog.OutputList(7)->currentText().toStdString(), "Strings");
}

TEST_F(PortsDialogTest, OkOpensTheChosenDevicesAndKeepsTheSettingsRecord) {
    dialogs::MidiPortsDialog dialog(context_);
    dialog.show();
    Choose(dialog.InputList(1), "Pads");
    Choose(dialog.OutputList(0), "Piano");
    Choose(dialog.OutputList(3), "Strings");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    const PortMap& ports = engine_.Ports();
    EXPECT_EQ(ports.InputDevice(1), 1);
    EXPECT_EQ(ports.OutputDevice(0), 1);
    EXPECT_EQ(ports.OutputDevice(3), 2);
    EXPECT_EQ(ports.OutputDevice(1), 0);
    EXPECT_TRUE(midi_.InputIsOpen(1));
    EXPECT_TRUE(midi_.OutputIsOpen(1));
    EXPECT_TRUE(midi_.OutputIsOpen(2));
    // Ports B-H still use the synth: it is open, now on behalf of port B.
    EXPECT_TRUE(midi_.OutputIsOpen(0));
    EXPECT_EQ(ports.OutputDeviceOwner(0), 1);
    EXPECT_EQ(engine_.SystemRecord().inputDevice[1], 1);
    EXPECT_EQ(engine_.SystemRecord().outputDevice[0], 1);
    EXPECT_EQ(engine_.SystemRecord().outputDevice[3], 2);
    EXPECT_EQ(ports.OutputPortName(3), "&D--Strings");
    EXPECT_TRUE(ui_.shown.empty());
}

TEST_F(PortsDialogTest, AnOutputInUseKeepsTheDialogOpenUntilAnotherIsChosen) {
    midi_.SetOutputInUse(2, true);
    dialogs::MidiPortsDialog dialog(context_);
    dialog.show();
    Choose(dialog.OutputList(3), "Strings");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_NE(ui_.shown[0].find("The MIDI output device 'Strings' is apparently already in use"),
              std::string::npos);
    EXPECT_FALSE(midi_.OutputIsOpen(2));

    Choose(dialog.OutputList(3), "Piano");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(engine_.Ports().OutputDevice(3), 1);
    EXPECT_TRUE(midi_.OutputIsOpen(1));
}

TEST_F(PortsDialogTest, AnInputInUseStopsBeforeTheOutputsAreOpened) {
    midi_.SetInputInUse(2, true);
    dialogs::MidiPortsDialog dialog(context_);
    dialog.show();
    Choose(dialog.InputList(0), "Wind");
    Choose(dialog.InputList(5), "Wind");
    Choose(dialog.OutputList(4), "Piano");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    // One message for the device, however many ports name it.
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_NE(ui_.shown[0].find("The MIDI input device 'Wind'"), std::string::npos);
    EXPECT_EQ(midi_.OutputOpenCount(1), 0);
    dialog.reject();
}

TEST_F(PortsDialogTest, CancelChangesNothingEvenAfterAFailedOk) {
    {
        dialogs::MidiPortsDialog dialog(context_);
        Choose(dialog.InputList(0), "Pads");
        Choose(dialog.OutputList(0), "Piano");
        dialog.reject();
    }
    EXPECT_EQ(engine_.Ports().InputDevice(0), 0);
    EXPECT_EQ(engine_.Ports().OutputDevice(0), 0);
    EXPECT_EQ(midi_.InputOpenCount(1), 0);
    EXPECT_EQ(midi_.OutputOpenCount(1), 0);

    midi_.SetOutputInUse(2, true);
    dialogs::MidiPortsDialog dialog(context_);
    dialog.show();
    Choose(dialog.OutputList(0), "Piano");
    Choose(dialog.OutputList(1), "Strings");
    QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(engine_.Ports().OutputDevice(0), 1);
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(engine_.Ports().OutputDevice(0), 0);
    EXPECT_EQ(engine_.Ports().OutputDevice(1), 0);
    EXPECT_FALSE(midi_.OutputIsOpen(1));
    EXPECT_TRUE(midi_.OutputIsOpen(0));
    EXPECT_EQ(engine_.SystemRecord().outputDevice[0], 0);
}

// --- MIDI & Sync Setup ------------------------------------------------------

class SyncSetupDialogTest : public DialogTest {
  protected:
    OutputSettings Settings() { return engine_.Output().Settings(); }
};

TEST_F(SyncSetupDialogTest, ListsOfferTheSpecialChoiceFirst) {
    dialogs::MidiSyncSetupDialog dialog(context_);
    for (QComboBox* list : {dialog.SyncPortList(), dialog.ThruPortList(), dialog.SysexPortList()}) {
        ASSERT_EQ(list->count(), 1 + kPortCount);
        EXPECT_EQ(list->itemText(0).toStdString(), "All Available Ports");
        EXPECT_EQ(list->itemText(1).toStdString(), "A--Synth");
        EXPECT_EQ(list->itemText(8).toStdString(), "H--Synth");
    }
    ASSERT_EQ(dialog.ThruChannelList()->count(), 17);
    EXPECT_EQ(dialog.ThruChannelList()->itemText(0).toStdString(), "Same as Input");
    EXPECT_EQ(dialog.ThruChannelList()->itemText(16).toStdString(), "Channel 16");
    ASSERT_EQ(dialog.FrameRateList()->count(), 4);
    EXPECT_EQ(dialog.FrameRateList()->itemText(2).toStdString(), "30 fps (drop frame)");
    // The defaults: every port, the input's channel, 30 fps.
    EXPECT_EQ(dialog.SyncPortList()->currentIndex(), 0);
    EXPECT_EQ(dialog.ThruChannelList()->currentIndex(), 0);
    EXPECT_EQ(dialog.FrameRateList()->currentIndex(), 3);
    EXPECT_TRUE(dialog.SysexWhenOpenedButton()->isChecked());
    EXPECT_TRUE(dialog.SoundHeldNotesBox()->isChecked());
}

TEST_F(SyncSetupDialogTest, ChoicesAreAvailableOnlyUnderTheirSwitches) {
    dialogs::MidiSyncSetupDialog dialog(context_);
    ASSERT_FALSE(dialog.TransmitSyncBox()->isChecked());
    EXPECT_FALSE(dialog.SyncPortList()->isEnabled());
    EXPECT_FALSE(dialog.MidiSyncButton()->isEnabled());
    EXPECT_FALSE(dialog.TimeCodeButton()->isEnabled());
    EXPECT_FALSE(dialog.FrameRateList()->isEnabled());
    dialog.TransmitSyncBox()->click();
    EXPECT_TRUE(dialog.SyncPortList()->isEnabled());
    EXPECT_TRUE(dialog.TimeCodeButton()->isEnabled());
    EXPECT_FALSE(dialog.FrameRateList()->isEnabled());
    dialog.TimeCodeButton()->click();
    EXPECT_TRUE(dialog.FrameRateList()->isEnabled());
    // Time code stays chosen, but without sync there is no frame rate to pick.
    dialog.TransmitSyncBox()->click();
    EXPECT_FALSE(dialog.FrameRateList()->isEnabled());
    EXPECT_FALSE(dialog.TimeCodeButton()->isEnabled());

    ASSERT_TRUE(dialog.ThruOffButton()->isChecked());
    EXPECT_FALSE(dialog.ThruPortList()->isEnabled());
    EXPECT_FALSE(dialog.ThruChannelList()->isEnabled());
    EXPECT_FALSE(dialog.ProcessFirstBox()->isEnabled());
    dialog.ThruOnButton()->click();
    EXPECT_TRUE(dialog.ThruPortList()->isEnabled());
    EXPECT_TRUE(dialog.ThruChannelList()->isEnabled());
    EXPECT_TRUE(dialog.ProcessFirstBox()->isEnabled());

    ASSERT_TRUE(dialog.TransmitSysexBox()->isChecked());
    EXPECT_TRUE(dialog.SysexPortList()->isEnabled());
    dialog.TransmitSysexBox()->click();
    for (QWidget* widget : std::initializer_list<QWidget*>{
             dialog.SysexPortList(), dialog.SysexEveryTimeButton(),
             dialog.SysexAsTheyAppearButton(), dialog.SysexWhenOpenedButton()}) {
        EXPECT_FALSE(widget->isEnabled());
    }
    EXPECT_TRUE(dialog.SoundHeldNotesBox()->isEnabled());
    EXPECT_EQ(beeper_.beeps, 0);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
}

TEST_F(SyncSetupDialogTest, OkStoresListPositionsLessOneAndTheSpecialValues) {
    OutputSettings before = Settings();
    before.syncPort = 4;
    before.thruPort = 2;
    before.thruChannel = 9;
    engine_.SetOutputSettings(before);
    {
        dialogs::MidiSyncSetupDialog dialog(context_);
        EXPECT_EQ(dialog.SyncPortList()->currentIndex(), 5);
        EXPECT_EQ(dialog.ThruChannelList()->currentIndex(), 10);
        dialog.TransmitSyncBox()->click();
        dialog.SyncPortList()->setCurrentIndex(0);
        dialog.TimeCodeButton()->click();
        dialog.FrameRateList()->setCurrentIndex(1);
        dialog.ThruOnButton()->click();
        dialog.ThruPortList()->setCurrentIndex(3);
        dialog.ThruChannelList()->setCurrentIndex(0);
        dialog.ProcessFirstBox()->click();
        dialog.SysexPortList()->setCurrentIndex(8);
        dialog.SysexAsTheyAppearButton()->click();
        dialog.SoundHeldNotesBox()->click();
        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    const OutputSettings after = Settings();
    EXPECT_TRUE(after.transmitExternalSync);
    EXPECT_EQ(after.syncPort, kAllPorts);
    EXPECT_EQ(after.syncType, kSyncTypeTimeCode);
    EXPECT_EQ(after.frameRate, 1);
    EXPECT_TRUE(after.thruOn);
    EXPECT_EQ(after.thruPort, 2);
    EXPECT_EQ(after.thruChannel, kThruSameAsInput);
    EXPECT_TRUE(after.thruProcessFirst);
    EXPECT_TRUE(after.transmitSysex);
    EXPECT_EQ(after.sysexPort, 7);
    EXPECT_EQ(after.sysexMode, kSysexAsTheyAppear);
    EXPECT_FALSE(after.soundHeldNotes);
    // The input path reads thru and "process first" from its own settings.
    EXPECT_TRUE(engine_.Intake().Settings().thruOn);
    EXPECT_TRUE(engine_.Intake().Settings().thruProcessFirst);
    const SystemSettings& record = engine_.SystemRecord();
    EXPECT_EQ(record.syncPort, -2);
    EXPECT_EQ(record.thruChannel, -3);
    EXPECT_EQ(record.thruProcessFirst, 1);
    EXPECT_EQ(record.sysexMode, 1);

    // A channel is stored as its list position less one.
    dialogs::MidiSyncSetupDialog dialog(context_);
    dialog.ThruChannelList()->setCurrentIndex(5);
    dialog.accept();
    EXPECT_EQ(Settings().thruChannel, 4);
}

TEST_F(SyncSetupDialogTest, CancelStoresNothingButRelocatesForTheSyncReceiver) {
    OutputSettings before = Settings();
    before.transmitExternalSync = true;
    engine_.SetOutputSettings(before);
    midi_.Output(0).Clear();
    {
        dialogs::MidiSyncSetupDialog dialog(context_);
        dialog.show();
        dialog.TransmitSyncBox()->click();
        dialog.ThruOnButton()->click();
        dialog.SyncPortList()->setCurrentIndex(2);
        dialog.ThruChannelList()->setCurrentIndex(3);
        dialog.SysexWhenOpenedButton()->click();
        dialog.close();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(Settings(), before);
    EXPECT_FALSE(engine_.Intake().Settings().thruOn);
    // The song position pointer of the stopped place, from the settings kept.
    const auto sent = midi_.Output(0).Bytes();
    EXPECT_NE(std::find(sent.begin(), sent.end(), std::vector<std::uint8_t>{0xF2, 0, 0}),
              sent.end());
}

TEST(MidiPortsDialogWithoutDevices, SaysThereAreNoInputDevicesInsteadOfBlankBoxes) {
    platform::ManualClock clock{platform::ClockMs{0}};
    platform::ManualTimerService timers{clock};
    platform::ManualMidiSystem midi{clock, {}, {"Synth"}};
    SilentUi ui;
    Engine engine{clock, timers, midi, ui};
    CountingBeeper beeper;
    dialogs::DialogContext context{engine, beeper, nullptr, {}, std::nullopt, false};
    dialogs::MidiPortsDialog dialog(context);
    for (int port = 0; port < kPortCount; ++port) {
        EXPECT_EQ(dialog.InputList(port)->currentText(), QString());
        EXPECT_EQ(dialog.InputList(port)->placeholderText(),
                  QStringLiteral("(no MIDI input devices)"));
        EXPECT_FALSE(dialog.InputList(port)->isEnabled());
        EXPECT_TRUE(dialog.OutputList(port)->isEnabled());
    }
}

}  // namespace
}  // namespace ostinel::testing
