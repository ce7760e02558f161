#include "dialogs/tracks_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace ostinel::dialogs {

namespace {

constexpr int kMaxTranspose = 127;
constexpr int kMaxVolumePercent = 150;

QPushButton* SideButton(const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TracksDialog::TracksDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Tracks")),
      piece_(*context.engine.CurrentPiece()),
      track_(new QComboBox),
      name_(new QLineEdit),
      port_(new QComboBox),
      channel_(new QComboBox),
      play_(new QRadioButton(QStringLiteral("Play Track"))),
      mute_(new QRadioButton(QStringLiteral("Mute Track"))),
      transpose_(new QLineEdit),
      volume_(new QLineEdit),
      resetName_(SideButton(QStringLiteral("Reset to Original Name"))),
      resetTranspose_(SideButton(QStringLiteral("Reset"))),
      resetVolume_(SideButton(QStringLiteral("Reset"))),
      undo_(SideButton(QStringLiteral("Undo Changes"))),
      resetTrack_(SideButton(QStringLiteral("Reset Track"))) {
    copy_ = MakeWorkingCopy(piece_);
    FillTrackList(track_, piece_, false);
    FillPortList(port_, GetEngine().Ports());
    FillChannelList(channel_);
    SetNumberFieldWidth(transpose_, 4);
    SetNumberFieldWidth(volume_, 3);
    auto* playGroup = new QButtonGroup(this);
    playGroup->addButton(play_);
    playGroup->addButton(mute_);

    auto* grid = new QGridLayout;
    const auto label = [](const QString& caption, QWidget* buddy) {
        auto* text = new QLabel(caption);
        text->setBuddy(buddy);
        return text;
    };
    grid->addWidget(label(QStringLiteral("Track:"), track_), 0, 0);
    grid->addWidget(track_, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Name:"), name_), 1, 0);
    grid->addWidget(name_, 1, 1, 1, 2);
    grid->addWidget(resetName_, 1, 3);
    grid->addWidget(label(QStringLiteral("MIDI Port:"), port_), 2, 0);
    grid->addWidget(port_, 2, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Channel:"), channel_), 3, 0);
    grid->addWidget(channel_, 3, 1, 1, 3);
    grid->addWidget(play_, 4, 1);
    grid->addWidget(mute_, 4, 2);
    grid->addWidget(label(QStringLiteral("Transpose:"), transpose_), 5, 0);
    grid->addWidget(transpose_, 5, 1);
    grid->addWidget(resetTranspose_, 5, 2);
    grid->addWidget(label(QStringLiteral("Volume:"), volume_), 6, 0);
    grid->addWidget(volume_, 6, 1);
    grid->addWidget(resetVolume_, 6, 2);
    auto* trackButtons = new QHBoxLayout;
    trackButtons->addStretch();
    trackButtons->addWidget(undo_);
    trackButtons->addWidget(resetTrack_);
    Body()->addLayout(grid);
    Body()->addLayout(trackButtons);

    connect(track_, &QComboBox::currentIndexChanged, this, &TracksDialog::ChooseTrack);
    connect(name_, &QLineEdit::textChanged, this, &TracksDialog::Revalidate);
    connect(transpose_, &QLineEdit::textChanged, this, &TracksDialog::Revalidate);
    connect(volume_, &QLineEdit::textChanged, this, &TracksDialog::Revalidate);
    connect(resetName_, &QPushButton::clicked, this, [this] {
        name_->setText(QString::fromStdString(LiveTrack(shown_).name));
        name_->setFocus();
    });
    connect(resetTranspose_, &QPushButton::clicked, this, [this] {
        transpose_->clear();
        transpose_->setFocus();
    });
    connect(resetVolume_, &QPushButton::clicked, this, [this] {
        volume_->setText(QStringLiteral("100"));
        volume_->setFocus();
    });
    connect(undo_, &QPushButton::clicked, this, [this] {
        copy_[static_cast<std::size_t>(shown_)] = EditOf(LiveTrack(shown_));
        ShowTrack(shown_);
    });
    connect(resetTrack_, &QPushButton::clicked, this, [this] {
        TrackEdit& edit = copy_[static_cast<std::size_t>(shown_)];
        TrackEdit reset;
        reset.port = edit.port;
        reset.substitutes = edit.substitutes;
        edit = reset;
        edit.channel = LiveTrack(shown_).fileChannel;
        ShowTrack(shown_);
    });

    const int first = std::clamp(context.lastTrack, 0, std::max(piece_.TrackCount() - 1, 0));
    {
        const QSignalBlocker blocker(track_);
        track_->setCurrentIndex(first);
    }
    ShowTrack(first);
    InitDialogCommon();
    Revalidate();
}

const Track& TracksDialog::LiveTrack(int index) const {
    return piece_.tracks[static_cast<std::size_t>(index)];
}

void TracksDialog::ShowTrack(int index) {
    shown_ = index;
    if (index < 0 || index >= static_cast<int>(copy_.size())) {
        return;
    }
    const TrackEdit& edit = copy_[static_cast<std::size_t>(index)];
    showing_ = true;
    name_->setText(QString::fromStdString(edit.userName.value_or(LiveTrack(index).name)));
    port_->setCurrentIndex(edit.port);
    channel_->setCurrentIndex(edit.channel);
    (edit.playFlag != 0 ? play_ : mute_)->setChecked(true);
    transpose_->setText(QString::fromStdString(FormatSignedHalfSteps(edit.transpose)));
    volume_->setText(QString::number((edit.volume * 100 + 128) >> 8));
    showing_ = false;
    Revalidate();
}

void TracksDialog::Revalidate() {
    if (showing_) {
        return;
    }
    const ParsedNumber transpose = ReadIntegerField(transpose_, true, true);
    const bool transposeValid =
        transpose.valid && transpose.value >= -kMaxTranspose && transpose.value <= kMaxTranspose;
    resetTranspose_->setEnabled(!transpose_->text().isEmpty() &&
                                !(transpose.valid && transpose.value == 0));
    const ParsedNumber volume = ReadIntegerField(volume_, true, false);
    const bool volumeValid = volume.valid && volume.value >= 0 && volume.value <= kMaxVolumePercent;
    resetVolume_->setEnabled(!(volume.valid && volume.value == 100));
    if (shown_ >= 0 && shown_ < piece_.TrackCount()) {
        resetName_->setEnabled(name_->text().toStdString() != LiveTrack(shown_).name);
    }
    SetOkState(transposeValid && volumeValid ? OkState::Valid : OkState::Invalid);
}

void TracksDialog::ChooseTrack(int index) {
    if (CurrentOkState() != OkState::Valid) {
        Context().beeper.Beep();
        const QSignalBlocker blocker(track_);
        track_->setCurrentIndex(shown_);
        return;
    }
    StoreShownValues();
    Context().lastTrack = index;
    ShowTrack(index);
    Revalidate();
}

void TracksDialog::StoreShownValues() {
    if (shown_ < 0 || shown_ >= static_cast<int>(copy_.size())) {
        return;
    }
    TrackEdit& edit = copy_[static_cast<std::size_t>(shown_)];
    const std::string name = name_->text().toStdString();
    if (name == LiveTrack(shown_).name) {
        edit.userName.reset();
    } else {
        edit.userName = name;
    }
    edit.transpose = static_cast<std::int16_t>(ReadIntegerField(transpose_, true, true).value);
    edit.playFlag = play_->isChecked() ? 1 : 0;
    edit.volume =
        static_cast<std::int16_t>((ReadIntegerField(volume_, true, false).value * 256 + 50) / 100);
    edit.channel = static_cast<std::int16_t>(channel_->currentIndex());
    edit.port = static_cast<std::int16_t>(port_->currentIndex());
    track_->setItemText(shown_,
                        QString::fromStdString(edit.userName.value_or(LiveTrack(shown_).name)));
}

void TracksDialog::Store() {
    StoreShownValues();
    Transport& transport = GetEngine().GetTransport();
    for (std::size_t i = 0; i < copy_.size(); ++i) {
        Track& live = piece_.tracks[i];
        const TrackEdit& edit = copy_[i];
        const bool playChanged = live.playFlag != edit.playFlag;
        CopyEditBack(edit, live);
        if (playChanged) {
            transport.SetTrackPlaying(static_cast<int>(i), edit.playFlag != 0);
        }
        live.playFlag = edit.playFlag;
    }
    GetEngine().GetSettingsUi().TracksChanged();
    GetEngine().Ui().MenuStateChanged();
}

}  // namespace ostinel::dialogs
