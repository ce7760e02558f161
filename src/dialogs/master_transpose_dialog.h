#pragma once

#include <QLineEdit>
#include <QPushButton>

#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// Half-steps added to every note the accompaniment plays.
class MasterTransposeDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 11;

    explicit MasterTransposeDialog(DialogContext& context);

    QLineEdit* TransposeField() const { return transpose_; }
    QPushButton* ResetButton() const { return reset_; }

  protected:
    void Store() override;

  private:
    void Revalidate();

    QLineEdit* transpose_;
    QPushButton* reset_;
};

}  // namespace ostinel::dialogs
