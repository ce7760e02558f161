#pragma once

// The conventions every settings dialog shares: modal over the main window
// and centred on it, OK / Cancel / Help, the close box acting as Cancel, OK
// available only for valid input with a beep on the change into the invalid
// state, and the zoom out of the mouse point when a view opened it.

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/dialog_context.h"
#include "dialogs/field_rules.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace ostinel::dialogs {

enum class OkState { Valid = 0, Incomplete = 1, Invalid = 2 };

class SettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // main thread
    SettingsDialog(DialogContext& context, int helpTopic, const QString& title);
    ~SettingsDialog() override;

    void SetOkState(OkState state);
    OkState CurrentOkState() const { return okState_; }
    QPushButton* OkButton() const { return buttons_->button(QDialogButtonBox::Ok); }
    QPushButton* CancelButton() const { return buttons_->button(QDialogButtonBox::Cancel); }
    QPushButton* HelpButton() const { return buttons_->button(QDialogButtonBox::Help); }
    int HelpTopic() const { return helpTopic_; }

    // Ends the dialog the way OK does, when OK is available.
    void accept() override;
    void done(int result) override;

  protected:
    // Where each dialog puts its controls, above the buttons.
    QVBoxLayout* Body() const { return body_; }
    // A row of the body holding one button at its left.
    void AddButtonRow(QPushButton* button);
    // A row of the body holding an On / Off pair, one of them always chosen.
    void AddOnOffRow(QRadioButton* on, QRadioButton* off);
    // The last step of building a dialog: centre it and start the zoom.
    void InitDialogCommon();
    // OK: read the controls and store them.
    virtual void Store() = 0;

    ParsedNumber ReadIntegerField(const QLineEdit* field, bool allowSign, bool allowEmpty) const;
    ParsedNumber ReadNoteField(const QLineEdit* field, bool allowEmpty) const;
    void SetNoteField(QLineEdit* field, int note) const;

    DialogContext& Context() const { return context_; }
    Engine& GetEngine() const { return context_.engine; }

    void showEvent(QShowEvent* event) override;

  private:
    void CentreOnMainWindow();
    void Zoom(bool opening);

    DialogContext& context_;
    int helpTopic_;
    QVBoxLayout* body_;
    QDialogButtonBox* buttons_;
    OkState okState_ = OkState::Valid;
    std::optional<QPoint> zoomFrom_;
    bool centred_ = false;
};

// What a field holds, as far as the fields are read.
std::string FieldText(const QLineEdit* field);

// The fields' width for a number of a few digits.
void SetNumberFieldWidth(QLineEdit* field, int digits);
// A field showing `value`, as wide as `digits` digits.
QLineEdit* NumberField(int value, int digits);

// "Channel 1" .. "Channel 16".
void FillChannelList(QComboBox* list);
// The output ports' names, "A--" and the device, without the accelerator mark.
void FillPortList(QComboBox* list, const PortMap& ports);
// The tracks' names (the user's, else the file's), the performance track
// last when asked for.
void FillTrackList(QComboBox* list, const Piece& piece, bool withPerformanceTrack);
QString TrackDisplayName(const Track& track);
// A program string by id.
QString Text(int stringId);

}  // namespace ostinel::dialogs
