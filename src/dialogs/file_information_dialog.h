#pragma once

#include <QLineEdit>
#include <QPushButton>

#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// The piece's name as the title shows it, and what the file says of itself.
class FileInformationDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 1;

    explicit FileInformationDialog(DialogContext& context);

    QLineEdit* DisplayNameField() const { return displayName_; }
    QPushButton* ResetButton() const { return reset_; }

  protected:
    void Store() override;

  private:
    void Revalidate();

    QString fileName_;
    QLineEdit* displayName_;
    QPushButton* reset_;
};

}  // namespace ostinel::dialogs
