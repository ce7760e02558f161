#pragma once

#include <QLineEdit>
#include <QPushButton>

#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// The master tempo, typed as a percentage of the piece's own tempo or as
// beats per minute at the current beat; each field follows the other.
class TempoDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 12;

    explicit TempoDialog(DialogContext& context);

    QLineEdit* PercentField() const { return percent_; }
    QLineEdit* BeatsPerMinuteField() const { return beatsPerMinute_; }
    QPushButton* ResetButton() const { return reset_; }

  protected:
    void Store() override;

  private:
    void PercentEdited();
    void BeatsPerMinuteEdited();
    void Revalidate();

    // The current beat in score milliseconds x 4096; 0 when there is none.
    std::int64_t beatLength_ = 0;
    QLineEdit* percent_;
    QLineEdit* beatsPerMinute_;
    QPushButton* reset_;
};

}  // namespace ostinel::dialogs
