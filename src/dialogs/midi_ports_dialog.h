#pragma once

#include <QComboBox>
#include <QLabel>
#include <array>

#include "dialogs/settings_dialog.h"
#include "midi/port_map.h"

namespace ostinel::dialogs {

// The device of each of the eight input and eight output ports. OK opens the
// chosen devices; while one of them cannot be opened the dialog stays, so
// that another can be chosen.
class MidiPortsDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 14;

    explicit MidiPortsDialog(DialogContext& context);

    QComboBox* InputList(int port) const { return inputs_[static_cast<std::size_t>(port)]; }
    QComboBox* OutputList(int port) const { return outputs_[static_cast<std::size_t>(port)]; }
    QLabel* PortLabel(int port) const { return labels_[static_cast<std::size_t>(port)]; }

    // Takes the choices and opens the devices; closes only when all opened.
    void accept() override;
    // Puts back the devices the dialog opened with when an OK that failed
    // had already taken other ones.
    void reject() override;

  protected:
    void Store() override;

  private:
    struct Devices {
        std::array<int, kPortCount> input{};
        std::array<int, kPortCount> output{};
    };

    Devices Chosen() const;
    // Gives the ports these devices and runs the open passes, the output
    // pass only when the input one succeeded.
    bool OpenDevices(const Devices& devices);

    std::array<QComboBox*, kPortCount> inputs_{};
    std::array<QComboBox*, kPortCount> outputs_{};
    std::array<QLabel*, kPortCount> labels_{};
    Devices original_;
    bool changedByOk_ = false;
    bool opened_ = false;
};

}  // namespace ostinel::dialogs
