#include "dialogs/remote_control_dialog.h"
#include "follower/follower_handover.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <set>

namespace ostinel::dialogs {

namespace {

constexpr int kControllerLimit = 122;

constexpr std::array<const char*, RemoteControlDialog::kRows> kRowCaptions = {
    "Play and Follow:", "Play File:",     "Play Performance:", "Fast Forward:",
    "Rewind:",          "Stop:",          "Preview:",          "Jump Ahead:",
    "Jump Back:",       "Jump Again:",    "Metronome:",        "Loop Mode:",
    "All Notes Off:",   "Special Signal:"};

}  // namespace

RemoteControlDialog::RemoteControlDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Remote Control")),
      learn_(context.engine, [this](std::uint32_t word) { Learned(word); }),
      learnBox_(new QCheckBox(QStringLiteral("Allow &MIDI Input For These Values"))),
      clearAll_(new QPushButton(QStringLiteral("Clear All"))) {
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Note")), 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Controller")), 0, 3, 1, 2);
    const RemoteTable table = GetEngine().Remote().Table();
    for (int i = 0; i < kRows; ++i) {
        Row& row = rows_[Index(i)];
        row.noteButton = new QRadioButton;
        row.noteField = new QLineEdit;
        row.controllerButton = new QRadioButton;
        row.controllerField = new QLineEdit;
        SetNumberFieldWidth(row.noteField, 4);
        SetNumberFieldWidth(row.controllerField, 3);
        auto* group = new QButtonGroup(this);
        group->addButton(row.noteButton);
        group->addButton(row.controllerButton);

        const std::int16_t entry = table[Index(i)];
        if (entry >= kControllerBinding) {
            row.controllerButton->setChecked(true);
            row.controllerField->setText(QString::number(entry - kControllerBinding));
        } else {
            row.noteButton->setChecked(true);
            if (entry >= 0) {
                SetNoteField(row.noteField, entry);
            }
        }

        auto* caption = new QLabel(QString::fromLatin1(kRowCaptions[Index(i)]));
        caption->setBuddy(row.noteField);
        grid->addWidget(caption, i + 1, 0);
        grid->addWidget(row.noteButton, i + 1, 1);
        grid->addWidget(row.noteField, i + 1, 2);
        grid->addWidget(row.controllerButton, i + 1, 3);
        grid->addWidget(row.controllerField, i + 1, 4);
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 row.noteButton, row.noteField, row.controllerButton, row.controllerField}) {
            widget->setProperty("remoteRow", i);
            widget->installEventFilter(this);
        }
        connect(row.noteButton, &QRadioButton::toggled, this, &RemoteControlDialog::Revalidate);
        connect(row.noteField, &QLineEdit::textChanged, this, &RemoteControlDialog::Revalidate);
        connect(row.controllerField, &QLineEdit::textChanged, this,
                &RemoteControlDialog::Revalidate);
    }
    grid->setColumnStretch(5, 1);
    Body()->addLayout(grid);
    Body()->addWidget(learnBox_);
    AddButtonRow(clearAll_);

    connect(learnBox_, &QCheckBox::toggled, &learn_, &MidiLearn::SetLearning);
    connect(clearAll_, &QPushButton::clicked, this, &RemoteControlDialog::ClearAll);
    InitDialogCommon();
    Revalidate();
}

bool RemoteControlDialog::eventFilter(QObject* watched, QEvent* event) {
    // Any click on a row, or moving into it by keyboard, makes it the one learning fills.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::FocusIn) {
        const QVariant row = watched->property("remoteRow");
        if (row.isValid()) {
            currentRow_ = row.toInt();
        }
    }
    return SettingsDialog::eventFilter(watched, event);
}

std::optional<std::int16_t> RemoteControlDialog::Binding(int index) const {
    const Row& row = rows_[Index(index)];
    if (row.controllerButton->isChecked()) {
        const ParsedNumber controller = ReadIntegerField(row.controllerField, false, true);
        if (!controller.valid || controller.value >= kControllerLimit) {
            return std::nullopt;
        }
        if (row.controllerField->text().trimmed().isEmpty()) {
            return kNoBinding;
        }
        return ControllerBinding(controller.value);
    }
    const ParsedNumber note = ReadNoteField(row.noteField, true);
    if (!note.valid) {
        return std::nullopt;
    }
    if (row.noteField->text().trimmed().isEmpty()) {
        return kNoBinding;
    }
    return NoteBinding(note.value);
}

void RemoteControlDialog::Revalidate() {
    std::set<std::int16_t> bound;
    for (int i = 0; i < kRows; ++i) {
        const std::optional<std::int16_t> binding = Binding(i);
        if (!binding || (*binding != kNoBinding && !bound.insert(*binding).second)) {
            SetOkState(OkState::Invalid);
            return;
        }
    }
    SetOkState(OkState::Valid);
}

void RemoteControlDialog::ClearAll() {
    for (Row& row : rows_) {
        row.noteField->clear();
        row.controllerField->clear();
    }
}

void RemoteControlDialog::Learned(std::uint32_t word) {
    const std::uint8_t status = LearnedStatus(word);
    const int value = LearnedData1(word);
    std::int16_t binding = kNoBinding;
    if (status == kNoteOn || status == kNoteOff) {
        binding = NoteBinding(value);
    } else if (status == kControlChange) {
        binding = ControllerBinding(value);
    } else {
        return;
    }
    if (currentRow_ == lastLearnedRow_ && binding == lastLearned_) {
        return;
    }
    lastLearnedRow_ = currentRow_;
    lastLearned_ = binding;
    Row& row = rows_[Index(currentRow_)];
    if (binding >= kControllerBinding) {
        row.controllerField->setText(QString::number(value));
        row.controllerButton->setChecked(true);
    } else {
        SetNoteField(row.noteField, value);
        row.noteButton->setChecked(true);
    }
}

void RemoteControlDialog::Store() {
    RemoteTable table = DefaultRemoteTable();
    for (int i = 0; i < kRows; ++i) {
        table[Index(i)] = Binding(i).value_or(kNoBinding);
    }
    Engine& engine = GetEngine();
    engine.Remote().SetTable(table);
    HandSignalToFollower(engine.Remote(), engine.GetFollower());
}

void RemoteControlDialog::done(int result) {
    learn_.Close();
    SettingsDialog::done(result);
}

}  // namespace ostinel::dialogs
