#include "dialogs/following_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "strings/string_ids.h"

namespace ostinel::dialogs {

namespace {

constexpr int kTimingLevels = 5;  // Highest .. None
constexpr int kVolumeLevels = 4;  // High .. None
constexpr int kMediumTiming = 2;
constexpr int kTapControllerLimit = 122;

// The following methods in the order of FollowingMethod, each with its line of help.
constexpr std::pair<const char*, const char*> kMethodChoices[] = {
    {"Matching",
     "Matches each note in a window around the expected place; steady on clear, even playing."},
    {"Probability",
     "Weighs every place in the piece at each note, with a tempo estimate; keeps its place "
     "in fast, dense or uneven playing and finds it again after a skip."},
};

QButtonGroup* Group(QObject* owner, std::initializer_list<QRadioButton*> buttons) {
    auto* group = new QButtonGroup(owner);
    for (QRadioButton* button : buttons) {
        group->addButton(button);
    }
    return group;
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

FollowingDialog::FollowingDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Following")),
      learn_(context.engine, [this](std::uint32_t word) { Learned(word); }),
      soloist_(new QRadioButton(QStringLiteral("&Soloist's Playing"))),
      tapped_(new QRadioButton(QStringLiteral("&Tapped beats"))),
      oneTrack_(new QRadioButton(QStringLiteral("&One"))),
      twoTracks_(new QRadioButton(QStringLiteral("T&wo"))),
      firstTrack_(new QComboBox),
      secondTrack_(new QComboBox),
      tapNote_(new QLineEdit),
      tapController_(new QLineEdit),
      learnBox_(new QCheckBox(QStringLiteral("Allow MIDI &Input for These Values"))),
      jumpOff_(new QRadioButton(QStringLiteral("O&ff"))),
      jumpSeveral_(new QRadioButton(QStringLiteral("Jump Several &Beats"))),
      jumpAnywhere_(new QRadioButton(QStringLiteral("Jump Anyw&here in Piece"))),
      wait_(new QCheckBox(QStringLiteral("Wait fo&r Solo/Tap to Start"))),
      preview_(new QCheckBox(QStringLiteral("Pre&view before Starting"))),
      startAuto_(new QCheckBox(QStringLiteral("Start A&utomatically"))),
      stopAuto_(new QCheckBox(QStringLiteral("Stop Automatica&lly"))),
      stopSeconds_(new QLineEdit),
      timing_(new QComboBox),
      volume_(new QComboBox),
      method_(new QComboBox),
      methodHelp_(new QLabel) {
    const char* const tapCaptions[] = {"S&pace Bar", "Right &Mouse Button", "&Note:",
                                       "&Any Note",  "&Controller:",        "An&y Controller"};
    for (std::size_t i = 0; i < tapSources_.size(); ++i) {
        tapSources_[i] = new QRadioButton(QString::fromLatin1(tapCaptions[i]));
    }
    SetNumberFieldWidth(tapNote_, 4);
    SetNumberFieldWidth(tapController_, 3);
    SetNumberFieldWidth(stopSeconds_, 2);

    // The stored options.
    const FollowingOptions& options = GetEngine().Following();
    if (const Piece* piece = GetEngine().CurrentPiece(); piece != nullptr) {
        FillTrackList(firstTrack_, *piece, false);
        FillTrackList(secondTrack_, *piece, false);
    }
    firstTrack_->setCurrentIndex(options.followTrack1);
    secondTrack_->setCurrentIndex(options.followTrack2);
    (options.followSource == FollowSource::TappedBeats ? tapped_ : soloist_)->setChecked(true);
    (options.twoFollowTracks ? twoTracks_ : oneTrack_)->setChecked(true);
    TapSourceButton(options.tapSource)->setChecked(true);
    if (options.tapNote != kNoTapValue) {
        SetNoteField(tapNote_, options.tapNote);
    }
    if (options.tapController != kNoTapValue) {
        tapController_->setText(QString::number(options.tapController));
    }
    (!options.jumpEnabled           ? jumpOff_
     : options.jumpSeveralBeatsOnly ? jumpSeveral_
                                    : jumpAnywhere_)
        ->setChecked(true);
    wait_->setChecked(options.waitForSoloToStart);
    preview_->setChecked(options.previewBeforeStarting);
    startAuto_->setChecked(options.startAutomatically);
    stopAuto_->setChecked(options.stopAutomatically);
    stopSeconds_->setText(QString::number((options.autoStopDelayMs + 500) / 1000));
    for (int i = 0; i < kTimingLevels; ++i) {
        timing_->addItem(Text(string_id::kFirstTimingLevel + i));
    }
    for (int i = 0; i < kVolumeLevels; ++i) {
        volume_->addItem(Text(string_id::kFirstVolumeLevel + i));
    }
    timing_->setCurrentIndex(kTimingLevels - 1 - options.timingFollowLevel);
    volume_->setCurrentIndex(kVolumeLevels - 1 - options.volumeFollowLevel);
    for (const auto& [name, help] : kMethodChoices) {
        method_->addItem(QString::fromLatin1(name));
        method_->setItemData(method_->count() - 1, QString::fromLatin1(help), Qt::ToolTipRole);
    }
    method_->setCurrentIndex(static_cast<int>(options.method));
    methodHelp_->setWordWrap(true);

    // Source to Follow: the soloist's tracks on the left, the taps on the right.
    auto* source = new QGroupBox(QStringLiteral("Source to Follow"));
    auto* sourceGrid = new QGridLayout(source);
    tracksLabel_ = new QLabel(QStringLiteral("Tracks to Follow:"));
    firstTrackLabel_ = BuddyLabel(QStringLiteral("First Track:"), firstTrack_);
    secondTrackLabel_ = BuddyLabel(QStringLiteral("Second Track:"), secondTrack_);
    auto* trackCount = new QHBoxLayout;
    trackCount->addWidget(tracksLabel_);
    trackCount->addWidget(oneTrack_);
    trackCount->addWidget(twoTracks_);
    trackCount->addStretch();
    sourceGrid->addWidget(soloist_, 0, 0, 1, 2);
    sourceGrid->addLayout(trackCount, 1, 0, 1, 2);
    sourceGrid->addWidget(firstTrackLabel_, 2, 0);
    sourceGrid->addWidget(firstTrack_, 2, 1);
    sourceGrid->addWidget(secondTrackLabel_, 3, 0);
    sourceGrid->addWidget(secondTrack_, 3, 1);
    sourceGrid->addWidget(tapped_, 0, 2, 1, 2);
    sourceGrid->addWidget(tapSources_[0], 1, 2, 1, 2);
    sourceGrid->addWidget(tapSources_[1], 2, 2, 1, 2);
    sourceGrid->addWidget(tapSources_[2], 3, 2);
    sourceGrid->addWidget(tapNote_, 3, 3);
    sourceGrid->addWidget(tapSources_[3], 4, 2, 1, 2);
    sourceGrid->addWidget(tapSources_[4], 5, 2);
    sourceGrid->addWidget(tapController_, 5, 3);
    sourceGrid->addWidget(tapSources_[5], 6, 2, 1, 2);
    sourceGrid->addWidget(learnBox_, 7, 2, 1, 2);
    sourceGrid->setColumnStretch(1, 1);
    Body()->addWidget(source);

    auto* jumping = new QGroupBox(QStringLiteral("Automatic Jumping"));
    auto* jumpRow = new QHBoxLayout(jumping);
    jumpRow->addWidget(jumpOff_);
    jumpRow->addWidget(jumpSeveral_);
    jumpRow->addWidget(jumpAnywhere_);
    jumpRow->addStretch();
    Body()->addWidget(jumping);

    auto* starting = new QGroupBox(QStringLiteral("Starting and Stopping"));
    auto* startGrid = new QGridLayout(starting);
    afterLabel_ = BuddyLabel(QStringLiteral("after"), stopSeconds_);
    secondsLabel_ = new QLabel(QStringLiteral("seconds"));
    auto* stopRow = new QHBoxLayout;
    stopRow->addWidget(stopAuto_);
    stopRow->addWidget(afterLabel_);
    stopRow->addWidget(stopSeconds_);
    stopRow->addWidget(secondsLabel_);
    stopRow->addStretch();
    startGrid->addWidget(wait_, 0, 0);
    startGrid->addWidget(preview_, 1, 0);
    startGrid->addWidget(startAuto_, 2, 0);
    startGrid->addLayout(stopRow, 3, 0);
    Body()->addWidget(starting);

    auto* sensitivity = new QGroupBox(QStringLiteral("Accompaniment Sensitivity"));
    auto* levels = new QHBoxLayout;
    volumeLabel_ = BuddyLabel(QStringLiteral("Volume:"), volume_);
    levels->addWidget(BuddyLabel(QStringLiteral("Timing:"), timing_));
    levels->addWidget(timing_);
    levels->addSpacing(12);
    levels->addWidget(volumeLabel_);
    levels->addWidget(volume_);
    levels->addStretch();
    auto* methodRow = new QHBoxLayout;
    methodLabel_ = BuddyLabel(QStringLiteral("Metho&d:"), method_);
    methodRow->addWidget(methodLabel_);
    methodRow->addWidget(method_);
    methodRow->addStretch();
    auto* sensitivityRows = new QVBoxLayout;
    sensitivityRows->addLayout(levels);
    sensitivityRows->addLayout(methodRow);
    sensitivityRows->addWidget(methodHelp_);
    sensitivity->setLayout(sensitivityRows);
    Body()->addWidget(sensitivity);

    Group(this, {soloist_, tapped_});
    Group(this, {oneTrack_, twoTracks_});
    Group(this, {tapSources_[0], tapSources_[1], tapSources_[2], tapSources_[3], tapSources_[4],
                 tapSources_[5]});
    Group(this, {jumpOff_, jumpSeveral_, jumpAnywhere_});

    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             soloist_, tapped_, oneTrack_, twoTracks_, tapSources_[0], tapSources_[1],
             tapSources_[2], tapSources_[3], tapSources_[4], tapSources_[5], learnBox_,
             stopAuto_}) {
        connect(button, &QAbstractButton::toggled, this, &FollowingDialog::Update);
    }
    for (QComboBox* list : {firstTrack_, secondTrack_, timing_, volume_, method_}) {
        connect(list, &QComboBox::currentIndexChanged, this, &FollowingDialog::Update);
    }
    for (QLineEdit* field : {tapNote_, tapController_, stopSeconds_}) {
        connect(field, &QLineEdit::textChanged, this, &FollowingDialog::Update);
    }
    InitDialogCommon();
    Update();
}

TapSource FollowingDialog::ChosenTapSource() const {
    for (std::size_t i = 0; i < tapSources_.size(); ++i) {
        if (tapSources_[i]->isChecked()) {
            return static_cast<TapSource>(i);
        }
    }
    return TapSource::SpaceBar;
}

void FollowingDialog::Update() {
    const bool soloist = soloist_->isChecked();
    const bool tapped = tapped_->isChecked();
    const TapSource tap = ChosenTapSource();
    const int timingLevel = kTimingLevels - 1 - timing_->currentIndex();
    const bool mediumOrHigher = timingLevel >= kMediumTiming;

    for (QWidget* widget : std::initializer_list<QWidget*>{
             tracksLabel_, oneTrack_, twoTracks_, firstTrackLabel_, firstTrack_, startAuto_}) {
        widget->setEnabled(soloist);
    }
    secondTrackLabel_->setEnabled(soloist && twoTracks_->isChecked());
    secondTrack_->setEnabled(soloist && twoTracks_->isChecked());
    for (QRadioButton* button : tapSources_) {
        button->setEnabled(tapped);
    }
    learnBox_->setEnabled(tapped);
    tapNote_->setEnabled(tapped && tap == TapSource::Note);
    tapController_->setEnabled(tapped && tap == TapSource::Controller);

    // Only the playing and note taps carry a loudness to follow.
    const bool loudness = soloist || tap == TapSource::Note || tap == TapSource::AnyNote;
    volume_->setEnabled(timingLevel > 0 && loudness);
    volumeLabel_->setEnabled(volume_->isEnabled());
    // Taps are placed on the beats by one rule: the method is for the playing.
    method_->setEnabled(soloist && timingLevel > 0);
    methodLabel_->setEnabled(method_->isEnabled());
    methodHelp_->setText(method_->currentData(Qt::ToolTipRole).toString());
    methodHelp_->setEnabled(method_->isEnabled());
    wait_->setEnabled(timingLevel > 0);
    stopAuto_->setEnabled(mediumOrHigher);
    const bool stopping = mediumOrHigher && stopAuto_->isChecked();
    for (QWidget* widget :
         std::initializer_list<QWidget*>{afterLabel_, stopSeconds_, secondsLabel_}) {
        widget->setEnabled(stopping);
    }
    for (QRadioButton* button : {jumpOff_, jumpSeveral_, jumpAnywhere_}) {
        button->setEnabled(soloist && mediumOrHigher);
    }

    learn_.SetLearning(learnBox_->isChecked() && tapped);
    Revalidate();
}

void FollowingDialog::Revalidate() {
    const ParsedNumber note = ReadNoteField(tapNote_, true);
    const ParsedNumber controller = ReadIntegerField(tapController_, false, true);
    const ParsedNumber seconds = ReadIntegerField(stopSeconds_, false, true);
    if (!note.valid || !controller.valid || controller.value >= kTapControllerLimit ||
        !seconds.valid || seconds.value > kMaxStopSeconds) {
        SetOkState(OkState::Invalid);
        return;
    }
    const auto missing = [](const QLineEdit* field) {
        return field->isEnabled() && field->text().trimmed().isEmpty();
    };
    const bool complete = !missing(tapNote_) && !missing(tapController_) && !missing(stopSeconds_);
    SetOkState(complete ? OkState::Valid : OkState::Incomplete);
}

void FollowingDialog::Learned(std::uint32_t word) {
    const std::uint8_t status = LearnedStatus(word);
    const int value = LearnedData1(word);
    if (status == kNoteOn || status == kNoteOff) {
        if (value == lastLearnedKey_) {
            return;
        }
        lastLearnedKey_ = value;
        SetNoteField(tapNote_, value);
        TapSourceButton(TapSource::Note)->setChecked(true);
    } else if (status == kControlChange) {
        if (value == lastLearnedController_) {
            return;
        }
        lastLearnedController_ = value;
        tapController_->setText(QString::number(value));
        TapSourceButton(TapSource::Controller)->setChecked(true);
    }
}

void FollowingDialog::Store() {
    Engine& engine = GetEngine();
    const FollowingOptions& before = engine.Following();
    FollowingOptions options = before;
    options.followSource =
        tapped_->isChecked() ? FollowSource::TappedBeats : FollowSource::SoloistsPlaying;
    options.twoFollowTracks = twoTracks_->isChecked();
    options.followTrack1 = static_cast<std::int16_t>(std::max(firstTrack_->currentIndex(), 0));
    options.followTrack2 = static_cast<std::int16_t>(std::max(secondTrack_->currentIndex(), 0));
    if (!FollowSameScore(options, before)) {
        engine.GetTransport().DiscardPerformance();
    }
    options.tapSource = ChosenTapSource();
    const ParsedNumber note = ReadNoteField(tapNote_, false);
    options.tapNote = note.valid ? static_cast<std::uint8_t>(note.value) : kNoTapValue;
    const ParsedNumber controller = ReadIntegerField(tapController_, false, false);
    options.tapController = controller.valid && controller.value < kTapControllerLimit
                                ? static_cast<std::uint8_t>(controller.value)
                                : kNoTapValue;
    options.jumpEnabled = !jumpOff_->isChecked();
    options.jumpSeveralBeatsOnly = jumpSeveral_->isChecked();
    options.waitForSoloToStart = wait_->isChecked();
    options.previewBeforeStarting = preview_->isChecked();
    options.startAutomatically = startAuto_->isChecked();
    options.stopAutomatically = stopAuto_->isChecked();
    options.autoStopDelayMs =
        static_cast<std::uint32_t>(ReadIntegerField(stopSeconds_, false, true).value) * 1000;
    options.timingFollowLevel =
        static_cast<std::uint16_t>(kTimingLevels - 1 - timing_->currentIndex());
    options.volumeFollowLevel =
        static_cast<std::uint16_t>(kVolumeLevels - 1 - volume_->currentIndex());
    options.method = static_cast<FollowingMethod>(std::max(method_->currentIndex(), 0));
    // Closing first gives the intake back; the options then set the idle mode.
    learn_.Close();
    engine.SetFollowingOptions(options);
}

void FollowingDialog::done(int result) {
    learn_.Close();
    SettingsDialog::done(result);
}

}  // namespace ostinel::dialogs
