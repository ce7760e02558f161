#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "dialogs/midi_learn.h"
#include "dialogs/settings_dialog.h"
#include "follower/remote_control.h"

namespace ostinel::dialogs {

// The note or controller that drives each transport command from the
// instrument, and the special signal; each can be learnt from the keyboard
// into the row last clicked.
class RemoteControlDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 4;
    static constexpr int kRows = kRemoteEntryCount;

    explicit RemoteControlDialog(DialogContext& context);

    QRadioButton* NoteButton(int row) const { return rows_[Index(row)].noteButton; }
    QLineEdit* NoteField(int row) const { return rows_[Index(row)].noteField; }
    QRadioButton* ControllerButton(int row) const { return rows_[Index(row)].controllerButton; }
    QLineEdit* ControllerField(int row) const { return rows_[Index(row)].controllerField; }
    QCheckBox* LearnBox() const { return learnBox_; }
    QPushButton* ClearAllButton() const { return clearAll_; }
    int CurrentRow() const { return currentRow_; }
    MidiLearn& Learn() { return learn_; }

    void done(int result) override;

  protected:
    void Store() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Row {
        QRadioButton* noteButton = nullptr;
        QLineEdit* noteField = nullptr;
        QRadioButton* controllerButton = nullptr;
        QLineEdit* controllerField = nullptr;
    };
    static std::size_t Index(int row) { return static_cast<std::size_t>(row); }

    // The row's binding as its radio and field say, kNoBinding when the
    // field is empty; nullopt when the field does not hold a valid value.
    std::optional<std::int16_t> Binding(int row) const;
    void Revalidate();
    void ClearAll();
    void Learned(std::uint32_t word);

    MidiLearn learn_;
    std::array<Row, kRows> rows_;
    QCheckBox* learnBox_;
    QPushButton* clearAll_;
    int currentRow_ = 0;
    // The last binding learnt and the row it went to; the same again is not taken.
    int lastLearnedRow_ = -1;
    std::int16_t lastLearned_ = kNoBinding;
};

}  // namespace ostinel::dialogs
