#pragma once

#include <QLineEdit>
#include <optional>

#include "dialogs/marker_texts.h"
#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// The begin and end of a stretch where the soloist is not listened to.
class IgnoreSoloistRangeDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 8;

    IgnoreSoloistRangeDialog(DialogContext& context, BeatRange proposed);

    QLineEdit* BeginMeasureField() const { return beginMeasure_; }
    QLineEdit* BeginBeatField() const { return beginBeat_; }
    QLineEdit* EndMeasureField() const { return endMeasure_; }
    QLineEdit* EndBeatField() const { return endBeat_; }
    // Set by OK.
    const std::optional<BeatRange>& Chosen() const { return chosen_; }

  protected:
    void Store() override;

  private:
    void Revalidate();
    std::optional<BeatRange> Typed() const;

    QLineEdit* beginMeasure_;
    QLineEdit* beginBeat_;
    QLineEdit* endMeasure_;
    QLineEdit* endBeat_;
    std::optional<BeatRange> chosen_;
};

// main thread: the dialog as a whole; the range on OK, none on Cancel.
std::optional<BeatRange> ShowIgnoreSoloistRangeDialog(DialogContext& context, BeatRange proposed);

}  // namespace ostinel::dialogs
