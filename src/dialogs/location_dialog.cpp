#include "dialogs/location_dialog.h"

#include <QLabel>

#include "dialogs/beat_lookup.h"

namespace ostinel::dialogs {

LocationDialog::LocationDialog(DialogContext& context, int measure, int beat)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Specify the Location")),
      measure_(new QLineEdit(QString::number(measure))),
      beat_(new QLineEdit(QString::number(beat))) {
    SetNumberFieldWidth(measure_, 5);
    SetNumberFieldWidth(beat_, 3);
    auto* row = new QHBoxLayout;
    auto* measureLabel = new QLabel(QStringLiteral("Measure:"));
    measureLabel->setBuddy(measure_);
    auto* beatLabel = new QLabel(QStringLiteral("Beat:"));
    beatLabel->setBuddy(beat_);
    row->addWidget(measureLabel);
    row->addWidget(measure_);
    row->addSpacing(12);
    row->addWidget(beatLabel);
    row->addWidget(beat_);
    row->addStretch();
    Body()->addLayout(row);
    connect(measure_, &QLineEdit::textChanged, this, &LocationDialog::Revalidate);
    connect(beat_, &QLineEdit::textChanged, this, &LocationDialog::Revalidate);
    InitDialogCommon();
    Revalidate();
}

std::optional<Location> LocationDialog::Typed() const {
    // An empty measure is not measure 0, a score's pickup.
    const ParsedNumber measure = ReadIntegerField(measure_, false, false);
    const ParsedNumber beat = ReadIntegerField(beat_, false, true);
    const Piece* piece = GetEngine().CurrentPiece();
    if (!measure.valid || !beat.valid || piece == nullptr) {
        return std::nullopt;
    }
    const std::optional<ScorePosition> position =
        BeatPosition(piece->beatMap, measure.value, beat.value);
    if (!position) {
        return std::nullopt;
    }
    return Location{measure.value, beat.value, *position};
}

void LocationDialog::Revalidate() {
    // This dialog never beeps: an unknown place only keeps OK unavailable.
    OkButton()->setEnabled(Typed().has_value());
}

void LocationDialog::Store() {
    chosen_ = Typed();
}

std::optional<Location> ShowLocationDialog(DialogContext& context, int measure, int beat) {
    LocationDialog dialog(context, measure, beat);
    dialog.exec();
    return dialog.Chosen();
}

}  // namespace ostinel::dialogs
