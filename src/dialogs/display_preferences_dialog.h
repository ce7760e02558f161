#pragma once

#include <QCheckBox>
#include <QRadioButton>

#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// Whether and how the views may be moved, and whether their places last.
class DisplayPreferencesDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 17;

    explicit DisplayPreferencesDialog(DialogContext& context);

    QRadioButton* FreezeButton() const { return freeze_; }
    QRadioButton* AllowMoveButton() const { return allowMove_; }
    QCheckBox* ShiftDragBox() const { return shiftDrag_; }
    QCheckBox* RememberBox() const { return remember_; }

  protected:
    void Store() override;

  private:
    void UpdateAvailability();

    QRadioButton* freeze_;
    QRadioButton* allowMove_;
    QCheckBox* shiftDrag_;
    QCheckBox* remember_;
};

}  // namespace ostinel::dialogs
