#include "dialogs/display_preferences_dialog.h"

#include <QGroupBox>

namespace ostinel::dialogs {

DisplayPreferencesDialog::DisplayPreferencesDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Display Preferences")),
      freeze_(new QRadioButton(QStringLiteral("Freeze View Positions"))),
      allowMove_(new QRadioButton(QStringLiteral("Allow Views to Move"))),
      shiftDrag_(new QCheckBox(QStringLiteral("Require SHIFT-Drag to Move"))),
      remember_(new QCheckBox(QStringLiteral("Remember View Locations between Sessions"))) {
    auto* group = new QGroupBox;
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(freeze_);
    layout->addWidget(allowMove_);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(20);
    indented->addWidget(shiftDrag_);
    layout->addLayout(indented);
    Body()->addWidget(group);
    Body()->addWidget(remember_);

    const SystemSettings& record = GetEngine().SystemRecord();
    (record.allowViewsToMove != 0 ? allowMove_ : freeze_)->setChecked(true);
    shiftDrag_->setChecked(record.requireShiftDrag != 0);
    remember_->setChecked(record.rememberViewLocations != 0);
    connect(allowMove_, &QRadioButton::toggled, this,
            &DisplayPreferencesDialog::UpdateAvailability);
    UpdateAvailability();
    InitDialogCommon();
}

void DisplayPreferencesDialog::UpdateAvailability() {
    shiftDrag_->setEnabled(allowMove_->isChecked());
}

void DisplayPreferencesDialog::Store() {
    SystemSettings& record = GetEngine().SystemRecord();
    record.allowViewsToMove = allowMove_->isChecked() ? 1 : 0;
    record.requireShiftDrag = shiftDrag_->isChecked() ? 1 : 0;
    record.rememberViewLocations = remember_->isChecked() ? 1 : 0;
}

}  // namespace ostinel::dialogs
