#include "dialogs/ignore_soloist_range_dialog.h"

#include <QGridLayout>
#include <QLabel>

#include "dialogs/beat_lookup.h"

namespace ostinel::dialogs {

IgnoreSoloistRangeDialog::IgnoreSoloistRangeDialog(DialogContext& context, BeatRange proposed)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Specify the Range")),
      beginMeasure_(NumberField(proposed.begin.measure, 5)),
      beginBeat_(NumberField(proposed.begin.beat, 3)),
      endMeasure_(NumberField(proposed.end.measure, 5)),
      endBeat_(NumberField(proposed.end.beat, 3)) {
    auto* grid = new QGridLayout;
    const auto addPlace = [grid](int row, const QString& caption, QLineEdit* measure,
                                 QLineEdit* beat) {
        auto* label = new QLabel(caption);
        label->setBuddy(measure);
        grid->addWidget(label, row, 0);
        grid->addWidget(measure, row, 1);
        grid->addWidget(new QLabel(QStringLiteral(":")), row, 2);
        grid->addWidget(beat, row, 3);
    };
    addPlace(0, QStringLiteral("Begin:"), beginMeasure_, beginBeat_);
    addPlace(1, QStringLiteral("End:"), endMeasure_, endBeat_);
    grid->setColumnStretch(4, 1);
    Body()->addLayout(grid);
    for (QLineEdit* field : {beginMeasure_, beginBeat_, endMeasure_, endBeat_}) {
        connect(field, &QLineEdit::textChanged, this, &IgnoreSoloistRangeDialog::Revalidate);
    }
    InitDialogCommon();
    Revalidate();
}

std::optional<BeatRange> IgnoreSoloistRangeDialog::Typed() const {
    const Piece* piece = GetEngine().CurrentPiece();
    if (piece == nullptr) {
        return std::nullopt;
    }
    const auto place = [this, piece](const QLineEdit* measureField, const QLineEdit* beatField)
        -> std::optional<std::pair<MeasureBeat, ScorePosition>> {
        const ParsedNumber measure = ReadIntegerField(measureField, false, false);
        const ParsedNumber beat = ReadIntegerField(beatField, false, false);
        if (!measure.valid || !beat.valid) {
            return std::nullopt;
        }
        const std::optional<ScorePosition> position =
            BeatPosition(piece->beatMap, measure.value, beat.value);
        if (!position) {
            return std::nullopt;
        }
        return std::pair{MeasureBeat{measure.value, beat.value}, *position};
    };
    const auto begin = place(beginMeasure_, beginBeat_);
    const auto end = place(endMeasure_, endBeat_);
    if (!begin || !end || begin->second >= end->second) {
        return std::nullopt;
    }
    return BeatRange{begin->first, end->first};
}

void IgnoreSoloistRangeDialog::Revalidate() {
    // Like the Location dialog: a range not yet right only keeps OK unavailable.
    SetOkState(Typed() ? OkState::Valid : OkState::Incomplete);
}

void IgnoreSoloistRangeDialog::Store() {
    chosen_ = Typed();
}

std::optional<BeatRange> ShowIgnoreSoloistRangeDialog(DialogContext& context, BeatRange proposed) {
    IgnoreSoloistRangeDialog dialog(context, proposed);
    dialog.exec();
    return dialog.Chosen();
}

}  // namespace ostinel::dialogs
