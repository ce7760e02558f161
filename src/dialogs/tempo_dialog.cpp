#include "dialogs/tempo_dialog.h"

#include <QLabel>
#include <QSignalBlocker>

#include "dialogs/beat_lookup.h"

namespace ostinel::dialogs {

namespace {
constexpr int kMaxPercent = 200;
// 60000 ms per minute x 4096 / 100 %: turns percent over beat length into BPM.
constexpr std::int64_t kPercentToBeatsPerMinute = 2457600;
}  // namespace

TempoDialog::TempoDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Tempo")),
      percent_(new QLineEdit),
      beatsPerMinute_(new QLineEdit),
      reset_(new QPushButton(QStringLiteral("Reset to Original Tempo"))) {
    Transport& transport = GetEngine().GetTransport();
    if (const Piece* piece = GetEngine().CurrentPiece(); piece != nullptr) {
        beatLength_ =
            static_cast<std::int64_t>(BeatLengthAt(piece->beatMap, transport.Position())) * 4096;
    }
    const int percent = static_cast<int>((transport.Master().speed.Raw() * 100 + 2048) >> 12);
    percent_->setText(QString::number(percent));
    const int shownTempo = transport.Display().tempo;
    if (shownTempo > 0) {
        beatsPerMinute_->setText(QString::number(shownTempo));
    }
    SetNumberFieldWidth(percent_, 3);
    SetNumberFieldWidth(beatsPerMinute_, 3);
    reset_->setAutoDefault(false);

    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("Set the tempo to:"));
    caption->setBuddy(percent_);
    row->addWidget(caption);
    row->addWidget(percent_);
    row->addWidget(new QLabel(QStringLiteral("%  or")));
    row->addWidget(beatsPerMinute_);
    row->addWidget(new QLabel(QStringLiteral("beats per minute")));
    row->addStretch();
    Body()->addLayout(row);
    AddButtonRow(reset_);

    connect(percent_, &QLineEdit::textChanged, this, &TempoDialog::PercentEdited);
    connect(beatsPerMinute_, &QLineEdit::textChanged, this, &TempoDialog::BeatsPerMinuteEdited);
    connect(reset_, &QPushButton::clicked, this,
            [this] { percent_->setText(QStringLiteral("100")); });
    InitDialogCommon();
    Revalidate();
}

void TempoDialog::PercentEdited() {
    const ParsedNumber percent = ReadIntegerField(percent_, false, false);
    // The link must not fire back from the field it fills.
    const QSignalBlocker blocker(beatsPerMinute_);
    if (!percent.valid || beatLength_ == 0) {
        beatsPerMinute_->clear();
    } else {
        const std::int64_t bpm =
            (percent.value * kPercentToBeatsPerMinute + beatLength_ / 2) / beatLength_;
        beatsPerMinute_->setText(QString::number(bpm));
    }
    Revalidate();
}

void TempoDialog::BeatsPerMinuteEdited() {
    const ParsedNumber bpm = ReadIntegerField(beatsPerMinute_, false, false);
    {
        const QSignalBlocker blocker(percent_);
        if (!bpm.valid || beatLength_ == 0) {
            percent_->clear();
        } else {
            const std::int64_t percent =
                (bpm.value * beatLength_ + kPercentToBeatsPerMinute / 2) / kPercentToBeatsPerMinute;
            percent_->setText(QString::number(percent));
        }
    }
    Revalidate();
}

void TempoDialog::Revalidate() {
    const ParsedNumber percent = ReadIntegerField(percent_, false, true);
    if (!percent.valid || percent.value > kMaxPercent) {
        SetOkState(OkState::Invalid);
    } else if (percent.value == 0) {
        SetOkState(OkState::Incomplete);
    } else {
        SetOkState(OkState::Valid);
    }
    reset_->setEnabled(!(percent.valid && percent.value == 100));
}

void TempoDialog::Store() {
    const ParsedNumber read = ReadIntegerField(percent_, false, true);
    const int percent = percent_->text().trimmed().isEmpty() ? 100 : read.value;
    Transport& transport = GetEngine().GetTransport();
    MasterSettings master = transport.Master();
    master.speed = static_cast<SpeedFactor>((percent * 4096 + 50) / 100);
    transport.SetMasterSettings(master);
    GetEngine().Ui().PositionChanged();
    GetEngine().GetSettingsUi().PieceSettingsChanged();
}

}  // namespace ostinel::dialogs
