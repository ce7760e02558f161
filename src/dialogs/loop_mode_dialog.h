#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <vector>

#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// The passage that loop mode repeats, and how it restarts.
class LoopModeDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 7;
    static constexpr int kMaxDelaySec = 10;

    explicit LoopModeDialog(DialogContext& context);

    QLineEdit* BeginMeasureField() const { return beginMeasure_; }
    QLineEdit* BeginBeatField() const { return beginBeat_; }
    QLineEdit* EndMeasureField() const { return endMeasure_; }
    QLineEdit* EndBeatField() const { return endBeat_; }
    QLineEdit* DelayField() const { return delay_; }
    QRadioButton* OnButton() const { return on_; }
    QRadioButton* OffButton() const { return off_; }
    QCheckBox* RestartBox() const { return restart_; }
    QCheckBox* SetPointsBox() const { return setPoints_; }

  protected:
    void Store() override;

  private:
    void UpdateAvailability();
    void Revalidate();

    QLineEdit* beginMeasure_;
    QLineEdit* beginBeat_;
    QLineEdit* endMeasure_;
    QLineEdit* endBeat_;
    QLineEdit* delay_;
    QRadioButton* on_;
    QRadioButton* off_;
    QCheckBox* restart_;
    QCheckBox* setPoints_;
    // What "Off" makes unavailable besides the fields.
    std::vector<QWidget*> pointWidgets_;
};

}  // namespace ostinel::dialogs
