#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include "dialogs/settings_dialog.h"
#include "midi/output_settings.h"

namespace ostinel::dialogs {

// External sync, MIDI thru, the piece's system-exclusive messages and the
// held notes of a start in the middle: the output side of the system settings.
class MidiSyncSetupDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 13;

    explicit MidiSyncSetupDialog(DialogContext& context);

    QCheckBox* TransmitSyncBox() const { return transmitSync_; }
    QComboBox* SyncPortList() const { return syncPort_; }
    QRadioButton* MidiSyncButton() const { return midiSync_; }
    QRadioButton* TimeCodeButton() const { return timeCode_; }
    QComboBox* FrameRateList() const { return frameRate_; }
    QRadioButton* ThruOnButton() const { return thruOn_; }
    QRadioButton* ThruOffButton() const { return thruOff_; }
    QComboBox* ThruPortList() const { return thruPort_; }
    QComboBox* ThruChannelList() const { return thruChannel_; }
    QCheckBox* ProcessFirstBox() const { return processFirst_; }
    QCheckBox* TransmitSysexBox() const { return transmitSysex_; }
    QComboBox* SysexPortList() const { return sysexPort_; }
    QRadioButton* SysexEveryTimeButton() const { return sysexEveryTime_; }
    QRadioButton* SysexAsTheyAppearButton() const { return sysexAsTheyAppear_; }
    QRadioButton* SysexWhenOpenedButton() const { return sysexWhenOpened_; }
    QCheckBox* SoundHeldNotesBox() const { return soundHeldNotes_; }

    // Cancel, like OK, leaves the transport located afresh.
    void done(int result) override;

  protected:
    void Store() override;

  private:
    void UpdateAvailability();

    QCheckBox* transmitSync_;
    QComboBox* syncPort_;
    QRadioButton* midiSync_;
    QRadioButton* timeCode_;
    QComboBox* frameRate_;
    QRadioButton* thruOn_;
    QRadioButton* thruOff_;
    QComboBox* thruPort_;
    QComboBox* thruChannel_;
    QCheckBox* processFirst_;
    QCheckBox* transmitSysex_;
    QComboBox* sysexPort_;
    QRadioButton* sysexEveryTime_;
    QRadioButton* sysexAsTheyAppear_;
    QRadioButton* sysexWhenOpened_;
    QCheckBox* soundHeldNotes_;
};

// A list position stored as position - 1; the first item stands for
// `special` (all ports, the input's channel).
std::int16_t SettingFromListPosition(int position, std::int16_t special);
int ListPositionOfSetting(int value);

}  // namespace ostinel::dialogs
