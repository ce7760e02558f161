#pragma once

#include <QListWidget>
#include <QPushButton>
#include <array>
#include <functional>
#include <optional>

#include "dialogs/marker_texts.h"
#include "dialogs/settings_dialog.h"

namespace ostinel::dialogs {

// The five lists of places that steer following or that the jumps go to,
// each with New, Change and Delete.
class SpecialMarkersDialog final : public SettingsDialog {
    Q_OBJECT

  public:
    static constexpr int kHelpTopic = 5;

    // What New and Change ask the user for, starting from a proposal; none
    // on Cancel. By default the Location and Ignore Soloist Range dialogs.
    using AskPlace = std::function<std::optional<MeasureBeat>(MeasureBeat proposed)>;
    using AskRange = std::function<std::optional<BeatRange>(BeatRange proposed)>;

    explicit SpecialMarkersDialog(DialogContext& context);

    void SetPlaceAsker(AskPlace ask) { askPlace_ = std::move(ask); }
    void SetRangeAsker(AskRange ask) { askRange_ = std::move(ask); }

    QListWidget* List(MarkerList list) const { return Group(list).list; }
    QPushButton* NewButton(MarkerList list) const { return Group(list).create; }
    QPushButton* ChangeButton(MarkerList list) const { return Group(list).change; }
    QPushButton* DeleteButton(MarkerList list) const { return Group(list).remove; }
    // The list box's texts, top to bottom.
    std::vector<std::string> Texts(MarkerList list) const;

  protected:
    void Store() override;

  private:
    struct MarkerGroup {
        QListWidget* list = nullptr;
        QPushButton* create = nullptr;
        QPushButton* change = nullptr;
        QPushButton* remove = nullptr;
    };

    const MarkerGroup& Group(MarkerList list) const {
        return groups_[static_cast<std::size_t>(list)];
    }
    // The user's text for a list, starting from `proposed`; empty on Cancel.
    QString Ask(MarkerList list, const std::string& proposed);
    void NewEntry(MarkerList list);
    void ChangeEntry(MarkerList list);
    void DeleteEntry(MarkerList list);
    // Adds the text unless the list has it, and selects it.
    void PutText(MarkerList list, const QString& text);
    void UpdateButtons();

    std::array<MarkerGroup, kMarkerListCount> groups_;
    AskPlace askPlace_;
    AskRange askRange_;
};

}  // namespace ostinel::dialogs
