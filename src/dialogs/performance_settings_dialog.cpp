#include "dialogs/performance_settings_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>

#include "strings/string_ids.h"

namespace ostinel::dialogs {

namespace {

QComboBox* ChoiceList(int firstStringId, int count, int chosen) {
    auto* list = new QComboBox;
    for (int i = 0; i < count; ++i) {
        list->addItem(Text(firstStringId + i));
    }
    list->setCurrentIndex(chosen);
    return list;
}

QLabel* BuddyLabel(const QString& caption, QWidget* buddy) {
    auto* label = new QLabel(caption);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

PerformanceSettingsDialog::PerformanceSettingsDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Performance Settings")),
      play_(nullptr),
      playTappedNotes_(new QCheckBox(QStringLiteral("&Play Notes Recorded when Tapping Beats"))),
      useFollowingTrack_(new QRadioButton(
          QStringLiteral("Use the Following Track's MIDI Output and Program Setting"))),
      usePort_(new QRadioButton(QStringLiteral("Use MIDI Port:"))),
      port_(new QComboBox),
      channelLabel_(nullptr),
      channel_(new QComboBox),
      editor_(new PatchEditor(this)),
      before_(nullptr),
      during_(nullptr),
      after_(nullptr) {
    const PerformanceSettings& settings = GetEngine().GetTransport().Performance();
    play_ =
        ChoiceList(string_id::kFirstPerformancePlayMode, 4, static_cast<int>(settings.playMode));
    before_ = ChoiceList(string_id::kFirstTempoBeforePerformed, 2,
                         static_cast<int>(settings.tempos.before));
    during_ = ChoiceList(string_id::kFirstTempoDuringPerformed, 2,
                         static_cast<int>(settings.tempos.during));
    after_ = ChoiceList(string_id::kFirstTempoAfterPerformed, 3,
                        static_cast<int>(settings.tempos.after));
    playTappedNotes_->setChecked(settings.playTappedNotes);
    (settings.useFollowingTrackSound ? useFollowingTrack_ : usePort_)->setChecked(true);
    auto* soundGroup = new QButtonGroup(this);
    soundGroup->addButton(useFollowingTrack_);
    soundGroup->addButton(usePort_);
    FillPortList(port_, GetEngine().Ports());
    FillChannelList(channel_);
    const Track& performance = GetEngine().CurrentPiece()->PerformanceTrack();
    port_->setCurrentIndex(performance.port);
    channel_->setCurrentIndex(performance.channel);
    editor_->ShowPatch(performance.patches.entries[0].substitute);
    channelLabel_ = BuddyLabel(QStringLiteral("Channel:"), channel_);

    auto* playRow = new QHBoxLayout;
    playRow->addWidget(BuddyLabel(QStringLiteral("Play:"), play_));
    playRow->addWidget(play_, 1);
    Body()->addLayout(playRow);
    Body()->addWidget(playTappedNotes_);

    auto* sound = new QGridLayout;
    sound->addWidget(useFollowingTrack_, 0, 0, 1, 3);
    sound->addWidget(usePort_, 1, 0);
    sound->addWidget(port_, 1, 1, 1, 2);
    sound->addWidget(channelLabel_, 2, 0, Qt::AlignRight);
    sound->addWidget(channel_, 2, 1, 1, 2);
    sound->addWidget(editor_->KindList(), 3, 1, 1, 2);
    auto* values = new QHBoxLayout;
    for (int i = 0; i < kPatchValueFields; ++i) {
        values->addWidget(editor_->ValueField(i));
    }
    values->addStretch();
    sound->addLayout(values, 4, 1, 1, 2);
    Body()->addLayout(sound);

    auto* tempos = new QGridLayout;
    tempos->addWidget(BuddyLabel(QStringLiteral("Before Performed Section:"), before_), 0, 0);
    tempos->addWidget(before_, 0, 1);
    tempos->addWidget(BuddyLabel(QStringLiteral("During Performed Section:"), during_), 1, 0);
    tempos->addWidget(during_, 1, 1);
    tempos->addWidget(BuddyLabel(QStringLiteral("After Performed Section:"), after_), 2, 0);
    tempos->addWidget(after_, 2, 1);
    tempos->setColumnStretch(1, 1);
    Body()->addLayout(tempos);

    setTabOrder(play_, playTappedNotes_);
    setTabOrder(playTappedNotes_, useFollowingTrack_);
    setTabOrder(useFollowingTrack_, usePort_);
    setTabOrder(usePort_, port_);
    setTabOrder(port_, channel_);
    setTabOrder(channel_, editor_->KindList());
    setTabOrder(editor_->KindList(), editor_->ValueField(0));
    setTabOrder(editor_->ValueField(0), editor_->ValueField(1));
    setTabOrder(editor_->ValueField(1), editor_->ValueField(2));
    setTabOrder(editor_->ValueField(2), before_);
    setTabOrder(before_, during_);
    setTabOrder(during_, after_);

    connect(usePort_, &QRadioButton::toggled, this, &PerformanceSettingsDialog::Update);
    connect(editor_, &PatchEditor::Edited, this, &PerformanceSettingsDialog::Update);
    InitDialogCommon();
    Update();
}

void PerformanceSettingsDialog::Update() {
    const bool ownSound = usePort_->isChecked();
    port_->setEnabled(ownSound);
    channelLabel_->setEnabled(ownSound);
    channel_->setEnabled(ownSound);
    editor_->SetEnabled(ownSound);
    // The patch counts even while the following track's sound is chosen.
    if (ReadPatch(*editor_, false)) {
        SetOkState(OkState::Valid);
    } else if (ReadPatch(*editor_, true)) {
        SetOkState(OkState::Incomplete);
    } else {
        SetOkState(OkState::Invalid);
    }
}

void PerformanceSettingsDialog::Store() {
    PerformanceSettings settings = GetEngine().GetTransport().Performance();
    settings.playMode = static_cast<PerformancePlayMode>(play_->currentIndex());
    settings.playTappedNotes = playTappedNotes_->isChecked();
    settings.useFollowingTrackSound = useFollowingTrack_->isChecked();
    settings.tempos.before = static_cast<TempoBeforePerformed>(before_->currentIndex());
    settings.tempos.during = static_cast<TempoDuringPerformed>(during_->currentIndex());
    settings.tempos.after = static_cast<TempoAfterPerformed>(after_->currentIndex());
    GetEngine().SetPerformanceSettings(settings);
    Track& performance = GetEngine().CurrentPiece()->PerformanceTrack();
    performance.port = static_cast<std::int16_t>(port_->currentIndex());
    performance.channel = static_cast<std::int16_t>(channel_->currentIndex());
    if (const std::optional<Patch> patch = ReadPatch(*editor_, false)) {
        performance.patches.entries[0].substitute = *patch;
    }
}

}  // namespace ostinel::dialogs
