#pragma once

#include <QLineEdit>
#include <optional>

#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

struct Location {
    int measure = 1;
    int beat = 1;
    ScorePosition position;
};

// A measure and beat of the piece, typed.
class LocationDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 15;

    LocationDialog(DialogContext& context, int measure, int beat);

    QLineEdit* MeasureField() const { return measure_; }
    QLineEdit* BeatField() const { return beat_; }
    // Set by OK.
    const std::optional<Location>& Chosen() const { return chosen_; }

  protected:
    void Store() override;

  private:
    void Revalidate();
    std::optional<Location> Typed() const;

    QLineEdit* measure_;
    QLineEdit* beat_;
    std::optional<Location> chosen_;
};

// main thread: the dialog as a whole; the place on OK, none on Cancel.
std::optional<Location> ShowLocationDialog(DialogContext& context, int measure, int beat);

}  // namespace ostinel::dialogs
