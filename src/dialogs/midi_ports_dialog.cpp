#include "dialogs/midi_ports_dialog.h"

#include <QGridLayout>

#include "app/system_settings_application.h"
#include "strings/string_ids.h"

namespace ostinel::dialogs {

namespace {

std::size_t At(int i) {
    return static_cast<std::size_t>(i);
}

// The devices a side of the machine has, by product name, each item holding
// its device number; a device that cannot name itself is left out.
void FillDeviceList(QComboBox* list, int count, const auto& nameOf, const QString& none) {
    for (int device = 0; device < std::min(count, kDeviceSlotCount); ++device) {
        const std::string name = nameOf(device);
        if (!name.empty()) list->addItem(QString::fromStdString(name), device);
    }
    // A machine without devices (no sequencer) says so instead of a blank box.
    if (list->count() == 0) {
        list->setPlaceholderText(none);
        list->setEnabled(false);
    }
}

void SelectDevice(QComboBox* list, int device) {
    list->setCurrentIndex(list->findData(device));
}

int SelectedDevice(const QComboBox* list, int unchanged) {
    return list->currentIndex() >= 0 ? list->currentData().toInt() : unchanged;
}

}  // namespace

MidiPortsDialog::MidiPortsDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("MIDI Ports & Devices")) {
    platform::MidiSystem& midi = GetEngine().Midi();
    const PortMap& ports = GetEngine().Ports();
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Input")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Output")), 0, 2);
    for (int port = 0; port < kPortCount; ++port) {
        auto* input = new QComboBox;
        auto* output = new QComboBox;
        FillDeviceList(
            input, midi.InputDeviceCount(),
            [&midi](int device) { return midi.InputDeviceName(device); },
            QStringLiteral("(no MIDI input devices)"));
        FillDeviceList(
            output, midi.OutputDeviceCount(),
            [&midi](int device) { return midi.OutputDeviceName(device); },
            QStringLiteral("(no MIDI output devices)"));
        original_.input[At(port)] = ports.InputDevice(port);
        original_.output[At(port)] = ports.OutputDevice(port);
        SelectDevice(input, original_.input[At(port)]);
        SelectDevice(output, original_.output[At(port)]);
        auto* label = new QLabel(Text(string_id::kFirstPortName + port));
        label->setBuddy(input);
        grid->addWidget(label, port + 1, 0);
        grid->addWidget(input, port + 1, 1);
        grid->addWidget(output, port + 1, 2);
        inputs_[At(port)] = input;
        outputs_[At(port)] = output;
        labels_[At(port)] = label;
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    Body()->addLayout(grid);
    // Down the inputs first, then down the outputs.
    QWidget* previous = inputs_[0];
    for (QComboBox* list : inputs_) {
        setTabOrder(previous, list);
        previous = list;
    }
    for (QComboBox* list : outputs_) {
        setTabOrder(previous, list);
        previous = list;
    }
    InitDialogCommon();
}

MidiPortsDialog::Devices MidiPortsDialog::Chosen() const {
    const PortMap& ports = GetEngine().Ports();
    Devices devices;
    for (int port = 0; port < kPortCount; ++port) {
        devices.input[At(port)] = SelectedDevice(inputs_[At(port)], ports.InputDevice(port));
        devices.output[At(port)] = SelectedDevice(outputs_[At(port)], ports.OutputDevice(port));
    }
    return devices;
}

bool MidiPortsDialog::OpenDevices(const Devices& devices) {
    Engine& engine = GetEngine();
    PortMap& ports = engine.Ports();
    for (int port = 0; port < kPortCount; ++port) {
        ports.SetOutputDevice(port, devices.output[At(port)]);
        ports.SetInputDevice(port, devices.input[At(port)]);
    }
    const bool opened = engine.OpenInputPorts() && engine.OpenOutputPorts();
    CaptureIntoSystemRecord(engine);
    engine.GetSettingsUi().IncomingMidiChanged();
    return opened;
}

void MidiPortsDialog::Store() {
    changedByOk_ = true;
    opened_ = OpenDevices(Chosen());
}

void MidiPortsDialog::accept() {
    if (!OkButton()->isEnabled()) {
        return;
    }
    Store();
    if (!opened_) {
        return;
    }
    GetEngine().GetTransport().RefreshStoppedMenuState();
    QDialog::accept();
}

void MidiPortsDialog::reject() {
    if (changedByOk_) {
        OpenDevices(original_);
    }
    SettingsDialog::reject();
}

}  // namespace ostinel::dialogs
