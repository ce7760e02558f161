#include "dialogs/loop_mode_dialog.h"

#include <QGridLayout>
#include <QLineEdit>
#include <optional>

#include "dialogs/beat_lookup.h"

namespace ostinel::dialogs {

LoopModeDialog::LoopModeDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Loop Mode")),
      beginMeasure_(nullptr),
      beginBeat_(nullptr),
      endMeasure_(nullptr),
      endBeat_(nullptr),
      delay_(nullptr),
      on_(new QRadioButton(QStringLiteral("On"))),
      off_(new QRadioButton(QStringLiteral("Off"))),
      restart_(new QCheckBox(QStringLiteral("Restart Loop Automatically"))),
      setPoints_(new QCheckBox(QStringLiteral("Set Loop Points Automatically"))) {
    const LoopSettings& loop = GetEngine().GetTransport().Loop();
    BeatRecord begin;
    BeatRecord end;
    if (const Piece* piece = GetEngine().CurrentPiece(); piece != nullptr) {
        begin = BeatAt(piece->beatMap, loop.begin);
        end = BeatAt(piece->beatMap, loop.end);
    }
    beginMeasure_ = NumberField(begin.measure, 5);
    beginBeat_ = NumberField(begin.beat, 3);
    endMeasure_ = NumberField(end.measure, 5);
    endBeat_ = NumberField(end.beat, 3);
    delay_ = NumberField(static_cast<int>(loop.restartDelaySec), 3);
    (loop.on ? on_ : off_)->setChecked(true);
    restart_->setChecked(loop.restartAutomatically);
    setPoints_->setChecked(loop.setPointsAutomatically);
    AddOnOffRow(on_, off_);

    auto* grid = new QGridLayout;
    const auto addPoint = [&](int row, const QString& caption, QLineEdit* measure,
                              QLineEdit* beat) {
        auto* label = new QLabel(caption);
        label->setBuddy(measure);
        auto* colon = new QLabel(QStringLiteral(":"));
        grid->addWidget(label, row, 0);
        grid->addWidget(measure, row, 1);
        grid->addWidget(colon, row, 2);
        grid->addWidget(beat, row, 3);
        pointWidgets_.insert(pointWidgets_.end(), {label, colon});
    };
    addPoint(0, QStringLiteral("Begin:"), beginMeasure_, beginBeat_);
    addPoint(1, QStringLiteral("End:"), endMeasure_, endBeat_);
    grid->setColumnStretch(4, 1);
    Body()->addLayout(grid);

    auto* restartRow = new QHBoxLayout;
    auto* after = new QLabel(QStringLiteral("after"));
    after->setBuddy(delay_);
    auto* seconds = new QLabel(QStringLiteral("seconds"));
    restartRow->addWidget(restart_);
    restartRow->addWidget(after);
    restartRow->addWidget(delay_);
    restartRow->addWidget(seconds);
    restartRow->addStretch();
    Body()->addLayout(restartRow);
    Body()->addWidget(setPoints_);
    pointWidgets_.insert(pointWidgets_.end(), {beginMeasure_, beginBeat_, endMeasure_, endBeat_,
                                               restart_, after, delay_, seconds});

    for (QLineEdit* field : {beginMeasure_, beginBeat_, endMeasure_, endBeat_, delay_}) {
        connect(field, &QLineEdit::textChanged, this, &LoopModeDialog::Revalidate);
    }
    connect(on_, &QRadioButton::toggled, this, &LoopModeDialog::UpdateAvailability);
    UpdateAvailability();
    // Only edits judge the points: a piece without loop points must still
    // take a change of the check boxes.
    InitDialogCommon();
}

void LoopModeDialog::UpdateAvailability() {
    for (QWidget* widget : pointWidgets_) {
        widget->setEnabled(on_->isChecked());
    }
}

void LoopModeDialog::Revalidate() {
    const ParsedNumber beginMeasure = ReadIntegerField(beginMeasure_, false, true);
    const ParsedNumber beginBeat = ReadIntegerField(beginBeat_, false, true);
    const ParsedNumber endMeasure = ReadIntegerField(endMeasure_, false, true);
    const ParsedNumber endBeat = ReadIntegerField(endBeat_, false, true);
    const ParsedNumber delay = ReadIntegerField(delay_, false, true);
    const Piece* piece = GetEngine().CurrentPiece();
    if (!beginMeasure.valid || !beginBeat.valid || !endMeasure.valid || !endBeat.valid ||
        !delay.valid || delay.value > kMaxDelaySec || piece == nullptr) {
        SetOkState(OkState::Invalid);
        return;
    }
    // A pair still being typed (a zero or empty half) is incomplete, not
    // wrong, unless it names a beat of a score's pickup (measure 0).
    const auto lookUp = [piece](const QLineEdit* measureField, ParsedNumber measure,
                                ParsedNumber beat) -> std::optional<std::optional<ScorePosition>> {
        if (measureField->text().trimmed().isEmpty()) {
            return std::optional<ScorePosition>();
        }
        std::optional<ScorePosition> position =
            BeatPosition(piece->beatMap, measure.value, beat.value);
        if (!position && (measure.value == 0 || beat.value == 0)) {
            return std::optional<ScorePosition>();
        }
        if (!position) {
            return std::nullopt;
        }
        return position;
    };
    const auto begin = lookUp(beginMeasure_, beginMeasure, beginBeat);
    const auto end = lookUp(endMeasure_, endMeasure, endBeat);
    if (!begin || !end || (*begin && *end && **begin > **end)) {
        SetOkState(OkState::Invalid);
        return;
    }
    const bool complete = *begin && *end && **begin < **end && !delay_->text().trimmed().isEmpty();
    SetOkState(complete ? OkState::Valid : OkState::Incomplete);
}

void LoopModeDialog::Store() {
    const Piece* piece = GetEngine().CurrentPiece();
    Transport& transport = GetEngine().GetTransport();
    LoopSettings loop = transport.Loop();
    loop.begin = *BeatPosition(piece->beatMap, ReadIntegerField(beginMeasure_, false, true).value,
                               ReadIntegerField(beginBeat_, false, true).value);
    loop.end = *BeatPosition(piece->beatMap, ReadIntegerField(endMeasure_, false, true).value,
                             ReadIntegerField(endBeat_, false, true).value);
    loop.restartDelaySec = static_cast<std::uint32_t>(ReadIntegerField(delay_, false, true).value);
    loop.on = on_->isChecked();
    loop.restartAutomatically = restart_->isChecked();
    loop.setPointsAutomatically = setPoints_->isChecked();
    transport.SetLoopSettings(loop);
    GetEngine().GetSettingsUi().LoopAndMetronomeButtonsChanged(loop.on, transport.Metronome().on);
}

}  // namespace ostinel::dialogs
