#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <vector>

#include "dialogs/patch_editor.h"
#include "dialogs/settings_dialog.h"
#include "dialogs/track_working_copy.h"

namespace ostinel::dialogs {

// Per track, whether its bank and program changes go out as the file has
// them or as substitutes, and the substitute of each of them.
class BanksAndProgramsDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 10;

    explicit BanksAndProgramsDialog(DialogContext& context);

    QComboBox* TrackList() const { return track_; }
    QRadioButton* UseFilesButton() const { return useFiles_; }
    QRadioButton* SubstituteButton() const { return substitute_; }
    // One row per shown entry: the file's patch, then its substitute.
    QTreeWidget* PatchList() const { return patches_; }
    // A row as one line, the two columns joined by a tab.
    QString PatchLine(int row) const;
    PatchEditor& Editor() const { return *editor_; }
    QLabel* ValueLabel() const { return valueLabel_; }
    QPushButton* SetNewButton() const { return setNew_; }

  protected:
    void Store() override;

  private:
    void ShowTrack(int index);
    void ShowLine(int row);
    void FillLine(int row);
    void UpdateValueLabel();
    void SetNew();
    void ChooseTrack(int index);
    void StoreSubstituteFlag();
    TrackEdit& Shown() { return copy_[static_cast<std::size_t>(shown_)]; }

    Piece& piece_;
    std::vector<TrackEdit> copy_;
    int shown_ = 0;
    QComboBox* track_;
    QRadioButton* useFiles_;
    QRadioButton* substitute_;
    QTreeWidget* patches_;
    PatchEditor* editor_;
    QLabel* valueLabel_;
    QPushButton* setNew_;
};

}  // namespace ostinel::dialogs
