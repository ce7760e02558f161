#include "dialogs/midi_sync_setup_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

#include "app/system_settings_application.h"
#include "strings/string_ids.h"

namespace ostinel::dialogs {

namespace {

constexpr int kFrameRateCount = 4;

// "All Available Ports" first, then ports A-H.
QComboBox* OutputPortList(const PortMap& ports) {
    auto* list = new QComboBox;
    list->addItem(Text(string_id::kAllAvailablePorts));
    FillPortList(list, ports);
    return list;
}

QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

std::int16_t SettingFromListPosition(int position, std::int16_t special) {
    const int value = position - 1;
    return value < 0 ? special : static_cast<std::int16_t>(value);
}

int ListPositionOfSetting(int value) {
    return value < 0 ? 0 : value + 1;
}

MidiSyncSetupDialog::MidiSyncSetupDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("MIDI & Sync Setup")),
      transmitSync_(new QCheckBox(QStringLiteral("Transmit External Syn&c"))),
      syncPort_(OutputPortList(context.engine.Ports())),
      midiSync_(new QRadioButton(QStringLiteral("MIDI &Sync"))),
      timeCode_(new QRadioButton(QStringLiteral("MIDI &Time Code"))),
      frameRate_(new QComboBox),
      thruOn_(new QRadioButton(QStringLiteral("&On"))),
      thruOff_(new QRadioButton(QStringLiteral("O&ff"))),
      thruPort_(OutputPortList(context.engine.Ports())),
      thruChannel_(new QComboBox),
      processFirst_(new QCheckBox(QStringLiteral("&Process First"))),
      transmitSysex_(new QCheckBox(QStringLiteral("Transmit SysE&x"))),
      sysexPort_(OutputPortList(context.engine.Ports())),
      sysexEveryTime_(new QRadioButton(QStringLiteral("All Messages &Every Time"))),
      sysexAsTheyAppear_(new QRadioButton(QStringLiteral("&As They Appear in the File"))),
      sysexWhenOpened_(new QRadioButton(QStringLiteral("&When the File is Opened"))),
      soundHeldNotes_(new QCheckBox(
          QStringLiteral("Sound &Held Notes When Starting to\nPlay in the Middle of the Piece"))) {
    for (int rate = 0; rate < kFrameRateCount; ++rate) {
        frameRate_->addItem(Text(string_id::kFirstFrameRate + rate));
    }
    thruChannel_->addItem(Text(string_id::kSameAsInput));
    FillChannelList(thruChannel_);
    const auto group = [this](std::initializer_list<QRadioButton*> buttons) {
        auto* buttonGroup = new QButtonGroup(this);
        for (QRadioButton* button : buttons) {
            buttonGroup->addButton(button);
        }
    };
    group({midiSync_, timeCode_});
    group({thruOn_, thruOff_});
    group({sysexEveryTime_, sysexAsTheyAppear_, sysexWhenOpened_});

    auto* sync = new QGroupBox(QStringLiteral("External Sync"));
    auto* syncGrid = new QGridLayout(sync);
    syncGrid->addWidget(transmitSync_, 0, 0, 1, 2);
    syncGrid->addWidget(Caption(QStringLiteral("Port:"), syncPort_), 1, 0);
    syncGrid->addWidget(syncPort_, 1, 1);
    syncGrid->addWidget(midiSync_, 2, 0, 1, 2);
    syncGrid->addWidget(timeCode_, 3, 0);
    syncGrid->addWidget(frameRate_, 3, 1);
    syncGrid->setColumnStretch(1, 1);

    auto* thru = new QGroupBox(QStringLiteral("MIDI Thru"));
    auto* thruGrid = new QGridLayout(thru);
    auto* onOff = new QHBoxLayout;
    onOff->addWidget(thruOn_);
    onOff->addWidget(thruOff_);
    onOff->addStretch();
    thruGrid->addLayout(onOff, 0, 0, 1, 2);
    thruGrid->addWidget(Caption(QStringLiteral("Port:"), thruPort_), 1, 0);
    thruGrid->addWidget(thruPort_, 1, 1);
    thruGrid->addWidget(Caption(QStringLiteral("Channel:"), thruChannel_), 2, 0);
    thruGrid->addWidget(thruChannel_, 2, 1);
    thruGrid->addWidget(processFirst_, 3, 0, 1, 2);
    thruGrid->setColumnStretch(1, 1);

    auto* sysex = new QGroupBox(QStringLiteral("System Exclusive"));
    auto* sysexGrid = new QGridLayout(sysex);
    sysexGrid->addWidget(transmitSysex_, 0, 0, 1, 2);
    sysexGrid->addWidget(Caption(QStringLiteral("Port:"), sysexPort_), 1, 0);
    sysexGrid->addWidget(sysexPort_, 1, 1);
    sysexGrid->addWidget(sysexEveryTime_, 2, 0, 1, 2);
    sysexGrid->addWidget(sysexAsTheyAppear_, 3, 0, 1, 2);
    sysexGrid->addWidget(sysexWhenOpened_, 4, 0, 1, 2);
    sysexGrid->setColumnStretch(1, 1);

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(sync);
    left->addWidget(thru);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(sysex);
    right->addWidget(soundHeldNotes_);
    right->addStretch();
    columns->addLayout(left);
    columns->addLayout(right);
    Body()->addLayout(columns);

    const OutputSettings& settings = GetEngine().Output().Settings();
    transmitSync_->setChecked(settings.transmitExternalSync);
    syncPort_->setCurrentIndex(ListPositionOfSetting(settings.syncPort));
    (settings.syncType == kSyncTypeTimeCode ? timeCode_ : midiSync_)->setChecked(true);
    frameRate_->setCurrentIndex(settings.frameRate < kFrameRateCount ? settings.frameRate : 0);
    (settings.thruOn ? thruOn_ : thruOff_)->setChecked(true);
    thruPort_->setCurrentIndex(ListPositionOfSetting(settings.thruPort));
    thruChannel_->setCurrentIndex(ListPositionOfSetting(settings.thruChannel));
    processFirst_->setChecked(settings.thruProcessFirst);
    transmitSysex_->setChecked(settings.transmitSysex);
    sysexPort_->setCurrentIndex(ListPositionOfSetting(settings.sysexPort));
    switch (settings.sysexMode) {
        case kSysexEveryTime:
            sysexEveryTime_->setChecked(true);
            break;
        case kSysexAsTheyAppear:
            sysexAsTheyAppear_->setChecked(true);
            break;
        default:
            sysexWhenOpened_->setChecked(true);
            break;
    }
    soundHeldNotes_->setChecked(settings.soundHeldNotes);

    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             transmitSync_, timeCode_, thruOn_, transmitSysex_}) {
        connect(button, &QAbstractButton::toggled, this, &MidiSyncSetupDialog::UpdateAvailability);
    }
    UpdateAvailability();
    InitDialogCommon();
}

void MidiSyncSetupDialog::UpdateAvailability() {
    const bool sync = transmitSync_->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*>{syncPort_, midiSync_, timeCode_}) {
        widget->setEnabled(sync);
    }
    frameRate_->setEnabled(sync && timeCode_->isChecked());
    const bool thru = thruOn_->isChecked();
    for (QWidget* widget :
         std::initializer_list<QWidget*>{thruPort_, thruChannel_, processFirst_}) {
        widget->setEnabled(thru);
    }
    const bool sysex = transmitSysex_->isChecked();
    for (QWidget* widget : std::initializer_list<QWidget*>{sysexPort_, sysexEveryTime_,
                                                           sysexAsTheyAppear_, sysexWhenOpened_}) {
        widget->setEnabled(sysex);
    }
}

void MidiSyncSetupDialog::Store() {
    OutputSettings settings;
    settings.transmitExternalSync = transmitSync_->isChecked();
    settings.syncPort = SettingFromListPosition(syncPort_->currentIndex(), kAllPorts);
    settings.syncType = timeCode_->isChecked() ? kSyncTypeTimeCode : kSyncTypeMidiSync;
    settings.frameRate = static_cast<std::uint16_t>(std::max(frameRate_->currentIndex(), 0));
    settings.thruOn = thruOn_->isChecked();
    settings.thruPort = SettingFromListPosition(thruPort_->currentIndex(), kAllPorts);
    settings.thruChannel = SettingFromListPosition(thruChannel_->currentIndex(), kThruSameAsInput);
    settings.thruProcessFirst = processFirst_->isChecked();
    settings.transmitSysex = transmitSysex_->isChecked();
    settings.sysexPort = SettingFromListPosition(sysexPort_->currentIndex(), kAllPorts);
    settings.sysexMode = sysexEveryTime_->isChecked()      ? kSysexEveryTime
                         : sysexAsTheyAppear_->isChecked() ? kSysexAsTheyAppear
                                                           : kSysexWhenFileOpened;
    settings.soundHeldNotes = soundHeldNotes_->isChecked();
    Engine& engine = GetEngine();
    engine.SetOutputSettings(settings);

    CaptureIntoSystemRecord(engine);
}

void MidiSyncSetupDialog::done(int result) {
    GetEngine().GetTransport().Relocate();
    SettingsDialog::done(result);
}

}  // namespace ostinel::dialogs
