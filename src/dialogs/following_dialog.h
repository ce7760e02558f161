#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <array>
#include <vector>

#include "dialogs/midi_learn.h"
#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// What the accompaniment follows and how closely: the soloist's playing on
// one or two tracks or tapped beats, automatic jumping, starting and
// stopping, and the sensitivity to timing and volume. A tap note or
// controller can be learnt from the keyboard.
class FollowingDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 2;
    static constexpr int kMaxStopSeconds = 60;

    explicit FollowingDialog(DialogContext& context);

    QRadioButton* SoloistButton() const { return soloist_; }
    QRadioButton* TappedButton() const { return tapped_; }
    QRadioButton* OneTrackButton() const { return oneTrack_; }
    QRadioButton* TwoTracksButton() const { return twoTracks_; }
    QComboBox* FirstTrackList() const { return firstTrack_; }
    QComboBox* SecondTrackList() const { return secondTrack_; }
    // Space bar, right mouse button, note, any note, controller, any controller.
    QRadioButton* TapSourceButton(TapSource source) const {
        return tapSources_[static_cast<std::size_t>(source)];
    }
    QLineEdit* TapNoteField() const { return tapNote_; }
    QLineEdit* TapControllerField() const { return tapController_; }
    QCheckBox* LearnBox() const { return learnBox_; }
    QRadioButton* JumpOffButton() const { return jumpOff_; }
    QRadioButton* JumpSeveralBeatsButton() const { return jumpSeveral_; }
    QRadioButton* JumpAnywhereButton() const { return jumpAnywhere_; }
    QCheckBox* WaitBox() const { return wait_; }
    QCheckBox* PreviewBox() const { return preview_; }
    QCheckBox* StartAutomaticallyBox() const { return startAuto_; }
    QCheckBox* StopAutomaticallyBox() const { return stopAuto_; }
    QLineEdit* StopSecondsField() const { return stopSeconds_; }
    QComboBox* TimingList() const { return timing_; }
    QComboBox* VolumeList() const { return volume_; }
    // Matching, Probability: how the soloist's place is found.
    QComboBox* MethodList() const { return method_; }
    QLabel* MethodHelp() const { return methodHelp_; }
    MidiLearn& Learn() { return learn_; }

    void done(int result) override;

  protected:
    void Store() override;

  private:
    TapSource ChosenTapSource() const;
    void Update();
    void Revalidate();
    void Learned(std::uint32_t word);

    MidiLearn learn_;
    QRadioButton* soloist_;
    QRadioButton* tapped_;
    QRadioButton* oneTrack_;
    QRadioButton* twoTracks_;
    QComboBox* firstTrack_;
    QComboBox* secondTrack_;
    std::array<QRadioButton*, 6> tapSources_{};
    QLineEdit* tapNote_;
    QLineEdit* tapController_;
    QCheckBox* learnBox_;
    QRadioButton* jumpOff_;
    QRadioButton* jumpSeveral_;
    QRadioButton* jumpAnywhere_;
    QCheckBox* wait_;
    QCheckBox* preview_;
    QCheckBox* startAuto_;
    QCheckBox* stopAuto_;
    QLineEdit* stopSeconds_;
    QComboBox* timing_;
    QComboBox* volume_;
    QComboBox* method_;
    QLabel* methodHelp_;
    // What is enabled together with a control.
    QLabel* tracksLabel_ = nullptr;
    QLabel* firstTrackLabel_ = nullptr;
    QLabel* secondTrackLabel_ = nullptr;
    QLabel* volumeLabel_ = nullptr;
    QLabel* methodLabel_ = nullptr;
    QLabel* afterLabel_ = nullptr;
    QLabel* secondsLabel_ = nullptr;
    // The last key and controller learnt; a repeat is not taken again.
    int lastLearnedKey_ = -1;
    int lastLearnedController_ = -1;
};

}  // namespace ostinel::dialogs
