#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

#include "dialogs/patch_editor.h"
#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// How Play Performance plays the take: beside or instead of the following
// track, with whose sound, and at which tempos around the performed section.
class PerformanceSettingsDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 3;

    explicit PerformanceSettingsDialog(DialogContext& context);

    QComboBox* PlayList() const { return play_; }
    QCheckBox* PlayTappedNotesBox() const { return playTappedNotes_; }
    QRadioButton* UseFollowingTrackButton() const { return useFollowingTrack_; }
    QRadioButton* UsePortButton() const { return usePort_; }
    QComboBox* PortList() const { return port_; }
    QComboBox* ChannelList() const { return channel_; }
    PatchEditor& Editor() const { return *editor_; }
    QComboBox* BeforeList() const { return before_; }
    QComboBox* DuringList() const { return during_; }
    QComboBox* AfterList() const { return after_; }

  protected:
    void Store() override;

  private:
    void Update();

    QComboBox* play_;
    QCheckBox* playTappedNotes_;
    QRadioButton* useFollowingTrack_;
    QRadioButton* usePort_;
    QComboBox* port_;
    QLabel* channelLabel_;
    QComboBox* channel_;
    PatchEditor* editor_;
    QComboBox* before_;
    QComboBox* during_;
    QComboBox* after_;
};

}  // namespace ostinel::dialogs
