#include "dialogs/metronome_dialog.h"
#include "music/midi_message.h"

#include <QGridLayout>
#include <QLabel>
#include <array>

#include "app/system_settings_application.h"

namespace ostinel::dialogs {

namespace {

constexpr int kMidiValueLimit = 128;

QLineEdit* ValueField(std::uint8_t value, int digits) {
    auto* field = new QLineEdit;
    SetNumberFieldWidth(field, digits);
    if (value != kNoMidiValue) {
        field->setText(QString::number(value));
    }
    return field;
}

// An empty field is 255, the settings' "none".
std::uint8_t StoredValue(ParsedNumber value, const QLineEdit* field) {
    if (!value.valid || field->text().trimmed().isEmpty()) {
        return kNoMidiValue;
    }
    return static_cast<std::uint8_t>(value.value);
}

}  // namespace

MetronomeDialog::MetronomeDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("MIDI Metronome")),
      learn_(context.engine, [this](std::uint32_t word) { Learned(word); }),
      port_(new QComboBox),
      channel_(new QComboBox),
      on_(new QRadioButton(QStringLiteral("&On"))),
      off_(new QRadioButton(QStringLiteral("Off"))),
      patch_(nullptr),
      downbeatNote_(new QLineEdit),
      downbeatVolume_(nullptr),
      otherNote_(new QLineEdit),
      otherVolume_(nullptr),
      learnBox_(new QCheckBox(QStringLiteral("&Allow MIDI Input for These Values"))) {
    const MetronomeSettings& metronome = GetEngine().GetTransport().Metronome();
    FillPortList(port_, GetEngine().Ports());
    FillChannelList(channel_);
    port_->setCurrentIndex(metronome.port);
    channel_->setCurrentIndex(metronome.channel == kNoMidiValue ? -1 : metronome.channel);
    (metronome.on ? on_ : off_)->setChecked(true);
    patch_ = ValueField(metronome.patch, 3);
    SetNumberFieldWidth(downbeatNote_, 4);
    SetNumberFieldWidth(otherNote_, 4);
    downbeatVolume_ = ValueField(kNoMidiValue, 3);
    otherVolume_ = ValueField(kNoMidiValue, 3);
    if (metronome.downbeatNote != kNoMidiValue) {
        SetNoteField(downbeatNote_, metronome.downbeatNote);
        downbeatVolume_->setText(QString::number(metronome.downbeatVelocity));
    }
    if (metronome.otherNote != kNoMidiValue) {
        SetNoteField(otherNote_, metronome.otherNote);
        otherVolume_->setText(QString::number(metronome.otherVelocity));
    }
    AddOnOffRow(on_, off_);

    auto* grid = new QGridLayout;
    const auto addLabel = [&](const QString& text, QWidget* buddy, int row, int column) {
        auto* label = new QLabel(text);
        label->setBuddy(buddy);
        grid->addWidget(label, row, column);
        onlyWhenOn_.push_back(label);
    };
    addLabel(QStringLiteral("MIDI Port:"), port_, 0, 0);
    grid->addWidget(port_, 0, 1, 1, 2);
    addLabel(QStringLiteral("Channel:"), channel_, 1, 0);
    grid->addWidget(channel_, 1, 1, 1, 2);
    addLabel(QStringLiteral("Patch:"), patch_, 2, 0);
    grid->addWidget(patch_, 2, 1);
    auto* noteHeading = new QLabel(QStringLiteral("Note"));
    auto* volumeHeading = new QLabel(QStringLiteral("Volume"));
    grid->addWidget(noteHeading, 3, 1);
    grid->addWidget(volumeHeading, 3, 2);
    addLabel(QStringLiteral("Downbeats:"), downbeatNote_, 4, 0);
    grid->addWidget(downbeatNote_, 4, 1);
    grid->addWidget(downbeatVolume_, 4, 2);
    addLabel(QStringLiteral("Other Beats:"), otherNote_, 5, 0);
    grid->addWidget(otherNote_, 5, 1);
    grid->addWidget(otherVolume_, 5, 2);
    grid->setColumnStretch(3, 1);
    Body()->addLayout(grid);
    Body()->addWidget(learnBox_);
    onlyWhenOn_.insert(onlyWhenOn_.end(),
                       {port_, channel_, patch_, noteHeading, volumeHeading, downbeatNote_,
                        downbeatVolume_, otherNote_, otherVolume_, learnBox_});

    for (QLineEdit* field : {patch_, downbeatNote_, downbeatVolume_, otherNote_, otherVolume_}) {
        connect(field, &QLineEdit::textChanged, this, &MetronomeDialog::Revalidate);
    }
    for (QLineEdit* field : {downbeatNote_, downbeatVolume_}) {
        connect(field, &QLineEdit::textEdited, this, [this] { downbeatRowLast_ = true; });
    }
    for (QLineEdit* field : {otherNote_, otherVolume_}) {
        connect(field, &QLineEdit::textEdited, this, [this] { downbeatRowLast_ = false; });
    }
    connect(on_, &QRadioButton::toggled, this, &MetronomeDialog::Update);
    connect(learnBox_, &QCheckBox::toggled, this, &MetronomeDialog::Update);
    InitDialogCommon();
    Update();
    Revalidate();
}

MetronomeDialog::~MetronomeDialog() {
    SetLearning(false);
}

void MetronomeDialog::Update() {
    for (QWidget* widget : onlyWhenOn_) {
        widget->setEnabled(on_->isChecked());
    }
    SetLearning(on_->isChecked() && learnBox_->isChecked());
}

void MetronomeDialog::SetLearning(bool on) {
    learn_.SetLearning(on);
    // The notes played in are heard through the audition alone.
    GetEngine().Output().SetThruSuppressed(on);
}

void MetronomeDialog::Revalidate() {
    const auto value = [this](const QLineEdit* field) {
        const ParsedNumber number = ReadIntegerField(field, false, true);
        return number.valid && number.value < kMidiValueLimit;
    };
    const bool valid = value(patch_) && ReadNoteField(downbeatNote_, true).valid &&
                       value(downbeatVolume_) && ReadNoteField(otherNote_, true).valid &&
                       value(otherVolume_);
    if (!valid) {
        SetOkState(OkState::Invalid);
        return;
    }
    // A note without its volume is not finished; a volume without a note is fine.
    const auto unfinished = [](const QLineEdit* note, const QLineEdit* volume) {
        return !note->text().trimmed().isEmpty() && volume->text().trimmed().isEmpty();
    };
    const bool complete =
        !unfinished(downbeatNote_, downbeatVolume_) && !unfinished(otherNote_, otherVolume_);
    SetOkState(complete ? OkState::Valid : OkState::Incomplete);
}

void MetronomeDialog::Learned(std::uint32_t word) {
    const std::uint8_t status = LearnedStatus(word);
    if (status == kProgramChange) {
        patch_->setText(QString::number(LearnedData1(word)));
        return;
    }
    if (status != kNoteOn) {
        return;
    }
    const int note = LearnedData1(word);
    const int velocity = LearnedData2(word);
    SetNoteField(downbeatRowLast_ ? downbeatNote_ : otherNote_, note);
    (downbeatRowLast_ ? downbeatVolume_ : otherVolume_)->setText(QString::number(velocity));
    Audition(note, velocity);
}

void MetronomeDialog::Audition(int note, int velocity) {
    const int channel = channel_->currentIndex();
    const int port = port_->currentIndex();
    if (channel < 0 || port < 0) {
        return;
    }
    MidiOutput& output = GetEngine().Output();
    const ParsedNumber patch = ReadIntegerField(patch_, false, false);
    if (patch.valid && patch.value < kMidiValueLimit) {
        const std::array<std::uint8_t, 2> program{
            static_cast<std::uint8_t>(kProgramChange | channel),
            static_cast<std::uint8_t>(patch.value)};
        output.SendMidi(program, port);
    }
    const auto status = static_cast<std::uint8_t>(kNoteOn | channel);
    const std::array<std::uint8_t, 3> noteOn{status, static_cast<std::uint8_t>(note),
                                             static_cast<std::uint8_t>(velocity)};
    const std::array<std::uint8_t, 3> release{status, static_cast<std::uint8_t>(note), 0};
    output.SendMidi(noteOn, port);
    output.SendMidi(release, port, kAuditionMs);
}

void MetronomeDialog::Store() {
    Engine& engine = GetEngine();
    Transport& transport = engine.GetTransport();
    MetronomeSettings metronome = transport.Metronome();
    metronome.on = on_->isChecked();
    if (port_->currentIndex() >= 0) {
        metronome.port = static_cast<std::int16_t>(port_->currentIndex());
    }
    if (channel_->currentIndex() >= 0) {
        metronome.channel = static_cast<std::uint8_t>(channel_->currentIndex());
    }
    metronome.patch = StoredValue(ReadIntegerField(patch_, false, true), patch_);
    metronome.downbeatNote = StoredValue(ReadNoteField(downbeatNote_, true), downbeatNote_);
    metronome.downbeatVelocity =
        StoredValue(ReadIntegerField(downbeatVolume_, false, true), downbeatVolume_);
    metronome.otherNote = StoredValue(ReadNoteField(otherNote_, true), otherNote_);
    metronome.otherVelocity =
        StoredValue(ReadIntegerField(otherVolume_, false, true), otherVolume_);
    transport.SetMetronomeSettings(metronome);

    CaptureIntoSystemRecord(engine);
    engine.GetSettingsUi().LoopAndMetronomeButtonsChanged(transport.Loop().on, metronome.on);
}

void MetronomeDialog::done(int result) {
    SetLearning(false);
    learn_.Close();
    SettingsDialog::done(result);
}

}  // namespace ostinel::dialogs
