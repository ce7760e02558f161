#include "dialogs/special_markers_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QStyle>
#include <QVBoxLayout>

#include "dialogs/beat_lookup.h"
#include "dialogs/ignore_soloist_range_dialog.h"
#include "dialogs/location_dialog.h"

namespace ostinel::dialogs {

namespace {

constexpr std::array<const char*, kMarkerListCount> kGroupTitles = {
    "Rehearsal Points", "Wait for Soloist", "Wait for Special Signal", "Restore Tempo",
    "Ignore Soloist"};
constexpr int kGroupColumns = 3;
constexpr int kVisibleLines = 6;

QPushButton* GroupButton(const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

SpecialMarkersDialog::SpecialMarkersDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Special Markers")) {
    askPlace_ = [&context](MeasureBeat proposed) -> std::optional<MeasureBeat> {
        const std::optional<Location> place =
            ShowLocationDialog(context, proposed.measure, proposed.beat);
        if (!place) {
            return std::nullopt;
        }
        return MeasureBeat{place->measure, place->beat};
    };
    askRange_ = [&context](BeatRange proposed) {
        return ShowIgnoreSoloistRangeDialog(context, proposed);
    };

    const Piece& piece = *GetEngine().CurrentPiece();
    const MarkerTexts texts = TextsOfMarkers(GetEngine().Markers(), piece.beatMap);
    auto* grid = new QGridLayout;
    for (int index = 0; index < kMarkerListCount; ++index) {
        const auto at = static_cast<std::size_t>(index);
        const auto list = static_cast<MarkerList>(index);
        MarkerGroup& group = groups_[at];
        group.list = new QListWidget;
        group.create = GroupButton(QStringLiteral("New"));
        group.change = GroupButton(QStringLiteral("Change"));
        group.remove = GroupButton(QStringLiteral("Delete"));
        // Sorted texts are sorted places: the digits are zero-padded.
        group.list->setSortingEnabled(true);
        const QFontMetrics metrics(group.list->font());
        const int frame = 2 * group.list->frameWidth() + 8;
        group.list->setFixedSize(metrics.horizontalAdvance(QStringLiteral("0000:00-0000:00")) +
                                     group.list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                                     frame,
                                 kVisibleLines * metrics.lineSpacing() + frame);
        for (const std::string& text : texts[at]) {
            group.list->addItem(QString::fromStdString(text));
        }

        auto* box = new QGroupBox(QString::fromLatin1(kGroupTitles[at]));
        auto* row = new QHBoxLayout(box);
        row->addWidget(group.list);
        auto* buttons = new QVBoxLayout;
        buttons->addWidget(group.create);
        buttons->addWidget(group.change);
        buttons->addWidget(group.remove);
        buttons->addStretch();
        row->addLayout(buttons);
        grid->addWidget(box, index / kGroupColumns, index % kGroupColumns);

        connect(group.list, &QListWidget::itemSelectionChanged, this,
                &SpecialMarkersDialog::UpdateButtons);
        connect(group.create, &QPushButton::clicked, this, [this, list] { NewEntry(list); });
        connect(group.change, &QPushButton::clicked, this, [this, list] { ChangeEntry(list); });
        connect(group.remove, &QPushButton::clicked, this, [this, list] { DeleteEntry(list); });
    }
    Body()->addLayout(grid);
    UpdateButtons();
    InitDialogCommon();
}

std::vector<std::string> SpecialMarkersDialog::Texts(MarkerList list) const {
    std::vector<std::string> texts;
    const QListWidget* box = Group(list).list;
    for (int row = 0; row < box->count(); ++row) {
        texts.push_back(box->item(row)->text().toStdString());
    }
    return texts;
}

QString SpecialMarkersDialog::Ask(MarkerList list, const std::string& proposed) {
    QString answer;
    if (list == MarkerList::IgnoreSoloist) {
        if (const auto range = ParseMarkerRange(proposed)) {
            if (const auto chosen = askRange_(*range)) {
                answer = QString::fromStdString(FormatMarkerRange(*chosen));
            }
        }
    } else if (const auto place = ParseMarker(proposed)) {
        if (const auto chosen = askPlace_(*place)) {
            answer = QString::fromStdString(FormatMarker(*chosen));
        }
    }
    // The dialog asked has closed; F1 belongs to this one again.
    Context().helpTopic = kHelpTopic;
    return answer;
}

void SpecialMarkersDialog::NewEntry(MarkerList list) {
    const BeatRecord beat =
        BeatAt(GetEngine().CurrentPiece()->beatMap, GetEngine().GetTransport().Position());
    const MeasureBeat here{beat.measure, beat.beat};
    const std::string proposed =
        list == MarkerList::IgnoreSoloist ? FormatMarkerRange({here, here}) : FormatMarker(here);
    const QString text = Ask(list, proposed);
    if (!text.isEmpty()) {
        PutText(list, text);
    }
}

void SpecialMarkersDialog::ChangeEntry(MarkerList list) {
    QListWidget* box = Group(list).list;
    QListWidgetItem* item = box->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    const QString text = Ask(list, item->text().toStdString());
    if (text.isEmpty() || text == item->text()) {
        return;
    }
    delete box->takeItem(box->row(item));
    PutText(list, text);
}

void SpecialMarkersDialog::DeleteEntry(MarkerList list) {
    QListWidget* box = Group(list).list;
    QListWidgetItem* item = box->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    const int row = box->row(item);
    delete box->takeItem(row);
    // The entry that moved up into its place, else the new last one.
    if (box->count() > 0) {
        box->setCurrentRow(std::min(row, box->count() - 1));
    }
    UpdateButtons();
}

void SpecialMarkersDialog::PutText(MarkerList list, const QString& text) {
    QListWidget* box = Group(list).list;
    const QList<QListWidgetItem*> same = box->findItems(text, Qt::MatchExactly);
    QListWidgetItem* item = same.isEmpty() ? new QListWidgetItem(text, box) : same.front();
    box->setCurrentItem(item);
    UpdateButtons();
}

void SpecialMarkersDialog::UpdateButtons() {
    for (const MarkerGroup& group : groups_) {
        const bool selected = !group.list->selectedItems().isEmpty();
        group.change->setEnabled(selected);
        group.remove->setEnabled(selected);
    }
}

void SpecialMarkersDialog::Store() {
    MarkerTexts texts;
    for (int index = 0; index < kMarkerListCount; ++index) {
        texts[static_cast<std::size_t>(index)] = Texts(static_cast<MarkerList>(index));
    }
    GetEngine().SetSpecialMarkers(MarkersOfTexts(texts, GetEngine().CurrentPiece()->beatMap));
    GetEngine().GetSettingsUi().PieceSettingsChanged();
}

}  // namespace ostinel::dialogs
