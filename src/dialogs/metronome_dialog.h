#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <vector>

#include "dialogs/midi_learn.h"
#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// Where the metronome clicks and with what sounds. The notes, volumes and
// patch can be played in from the keyboard; each note played is heard at
// once on the chosen port and channel.
class MetronomeDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 6;
    static constexpr std::uint32_t kAuditionMs = 50;

    explicit MetronomeDialog(DialogContext& context);
    ~MetronomeDialog() override;

    QComboBox* PortList() const { return port_; }
    QComboBox* ChannelList() const { return channel_; }
    QRadioButton* OnButton() const { return on_; }
    QRadioButton* OffButton() const { return off_; }
    QLineEdit* PatchField() const { return patch_; }
    QLineEdit* DownbeatNoteField() const { return downbeatNote_; }
    QLineEdit* DownbeatVolumeField() const { return downbeatVolume_; }
    QLineEdit* OtherNoteField() const { return otherNote_; }
    QLineEdit* OtherVolumeField() const { return otherVolume_; }
    QCheckBox* LearnBox() const { return learnBox_; }
    MidiLearn& Learn() { return learn_; }

    void done(int result) override;

  protected:
    void Store() override;

  private:
    void Update();
    void Revalidate();
    void Learned(std::uint32_t word);
    void Audition(int note, int velocity);
    void SetLearning(bool on);

    MidiLearn learn_;
    QComboBox* port_;
    QComboBox* channel_;
    QRadioButton* on_;
    QRadioButton* off_;
    QLineEdit* patch_;
    QLineEdit* downbeatNote_;
    QLineEdit* downbeatVolume_;
    QLineEdit* otherNote_;
    QLineEdit* otherVolume_;
    QCheckBox* learnBox_;
    // Everything but On and Off: available only while the metronome is on.
    std::vector<QWidget*> onlyWhenOn_;
    // Where a learnt note goes: the row whose fields were edited last.
    bool downbeatRowLast_ = true;
};

}  // namespace ostinel::dialogs
