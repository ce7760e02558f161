#include "dialogs/save_settings_dialog.h"

#include <QLabel>

namespace ostinel::dialogs {

SaveSettingsDialog::SaveSettingsDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Save Settings")), name_(new QLineEdit) {
    auto* prompt = new QLabel(
        QStringLiteral("Please enter a name for these settings using no more than 31 characters:"));
    prompt->setBuddy(name_);
    name_->setObjectName(QStringLiteral("name"));
    Body()->addWidget(prompt);
    Body()->addWidget(name_);
    connect(name_, &QLineEdit::textChanged, this, &SaveSettingsDialog::Revalidate);
    InitDialogCommon();
    SetOkState(OkState::Incomplete);
}

void SaveSettingsDialog::Revalidate() {
    const qsizetype length = name_->text().size();
    if (length == 0) {
        SetOkState(OkState::Incomplete);
    } else if (length <= kMaxNameChars) {
        SetOkState(OkState::Valid);
    } else {
        SetOkState(OkState::Invalid);
    }
}

void SaveSettingsDialog::Store() {
    chosen_ = name_->text().left(kMaxNameChars).toStdString();
}

std::optional<std::string> AskSettingsName(DialogContext& context) {
    SaveSettingsDialog dialog(context);
    dialog.exec();
    return dialog.ChosenName();
}

}  // namespace ostinel::dialogs
