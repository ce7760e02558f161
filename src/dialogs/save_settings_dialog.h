#pragma once

#include <QLineEdit>
#include <optional>
#include <string>

#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// Asks a name for a named set of settings: 1 to 31 characters.
class SaveSettingsDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 19;
    static constexpr int kMaxNameChars = 31;

    explicit SaveSettingsDialog(DialogContext& context);

    QLineEdit* NameField() const { return name_; }
    // The name OK handed over; none after Cancel.
    const std::optional<std::string>& ChosenName() const { return chosen_; }

  protected:
    void Store() override;

  private:
    void Revalidate();

    QLineEdit* name_;
    std::optional<std::string> chosen_;
};

// main thread: the dialog as a whole, for SettingsUi::AskSettingsName.
std::optional<std::string> AskSettingsName(DialogContext& context);

}  // namespace ostinel::dialogs
