#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/settings_dialog.h"
#include "dialogs/track_working_copy.h"

namespace ostinel::dialogs {

// Name, output, play flag, transpose and volume of each track of the piece.
class TracksDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 18;

    explicit TracksDialog(DialogContext& context);

    QComboBox* TrackList() const { return track_; }
    QLineEdit* NameField() const { return name_; }
    QComboBox* PortList() const { return port_; }
    QComboBox* ChannelList() const { return channel_; }
    QRadioButton* PlayButton() const { return play_; }
    QRadioButton* MuteButton() const { return mute_; }
    QLineEdit* TransposeField() const { return transpose_; }
    QLineEdit* VolumeField() const { return volume_; }
    QPushButton* ResetNameButton() const { return resetName_; }
    QPushButton* ResetTransposeButton() const { return resetTranspose_; }
    QPushButton* ResetVolumeButton() const { return resetVolume_; }
    QPushButton* UndoChangesButton() const { return undo_; }
    QPushButton* ResetTrackButton() const { return resetTrack_; }

  protected:
    void Store() override;

  private:
    const Track& LiveTrack(int index) const;
    void ShowTrack(int index);
    void StoreShownValues();
    void Revalidate();
    void ChooseTrack(int index);

    Piece& piece_;
    std::vector<TrackEdit> copy_;
    int shown_ = 0;
    // Filling the fields of a track is not typing: no checks until all are in.
    bool showing_ = false;
    QComboBox* track_;
    QLineEdit* name_;
    QComboBox* port_;
    QComboBox* channel_;
    QRadioButton* play_;
    QRadioButton* mute_;
    QLineEdit* transpose_;
    QLineEdit* volume_;
    QPushButton* resetName_;
    QPushButton* resetTranspose_;
    QPushButton* resetVolume_;
    QPushButton* undo_;
    QPushButton* resetTrack_;
};

}  // namespace ostinel::dialogs
