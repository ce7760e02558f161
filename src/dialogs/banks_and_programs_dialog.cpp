#include "dialogs/banks_and_programs_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHeaderView>
#include <QSignalBlocker>

namespace ostinel::dialogs {

namespace {

constexpr int kFileColumn = 0;
constexpr int kSubstituteColumn = 1;
// Wide enough for "C0: 127;  C32: 127;  P: 127" in each column.
constexpr int kPatchTextChars = 26;
constexpr int kVisibleLines = 8;

}  // namespace

BanksAndProgramsDialog::BanksAndProgramsDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Banks & Programs")),
      piece_(*context.engine.CurrentPiece()),
      copy_(MakeWorkingCopy(piece_)),
      track_(new QComboBox),
      useFiles_(new QRadioButton(QStringLiteral("Use the File's:"))),
      substitute_(new QRadioButton(QStringLiteral("Substitute:"))),
      patches_(new QTreeWidget),
      editor_(new PatchEditor(this)),
      valueLabel_(new QLabel),
      setNew_(new QPushButton(QStringLiteral("Set New"))) {
    FillTrackList(track_, piece_, false);
    auto* flagGroup = new QButtonGroup(this);
    flagGroup->addButton(useFiles_);
    flagGroup->addButton(substitute_);
    setNew_->setAutoDefault(false);

    patches_->setColumnCount(2);
    patches_->setHeaderHidden(true);
    patches_->setRootIsDecorated(false);
    patches_->setItemsExpandable(false);
    patches_->setSelectionMode(QAbstractItemView::SingleSelection);
    patches_->setAllColumnsShowFocus(true);
    const QFontMetrics metrics(patches_->font());
    const int columnWidth = metrics.horizontalAdvance(QString(kPatchTextChars, QLatin1Char('0')));
    patches_->setColumnWidth(kFileColumn, columnWidth);
    patches_->setMinimumWidth(2 * columnWidth + metrics.height());
    patches_->setMinimumHeight(kVisibleLines * (metrics.height() + 4));

    auto* trackLabel = new QLabel(QStringLiteral("Substitute New Changes for Track:"));
    trackLabel->setBuddy(track_);
    auto* grid = new QGridLayout;
    grid->addWidget(trackLabel, 0, 0);
    grid->addWidget(track_, 0, 1);
    grid->addWidget(useFiles_, 1, 0);
    grid->addWidget(substitute_, 1, 1);
    grid->addWidget(patches_, 2, 0, 1, 2);
    Body()->addLayout(grid);

    auto* newChangeLabel = new QLabel(QStringLiteral("New Change:"));
    newChangeLabel->setBuddy(editor_->KindList());
    valueLabel_->setBuddy(editor_->ValueField(0));
    auto* newRow = new QHBoxLayout;
    newRow->addWidget(newChangeLabel);
    newRow->addWidget(editor_->KindList());
    newRow->addStretch();
    Body()->addLayout(newRow);
    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(valueLabel_);
    for (int i = 0; i < kPatchValueFields; ++i) {
        valueRow->addWidget(editor_->ValueField(i));
    }
    valueRow->addStretch();
    valueRow->addWidget(setNew_);
    Body()->addLayout(valueRow);
    setTabOrder(track_, useFiles_);
    setTabOrder(useFiles_, substitute_);
    setTabOrder(substitute_, patches_);
    setTabOrder(patches_, editor_->KindList());
    setTabOrder(editor_->KindList(), editor_->ValueField(0));
    setTabOrder(editor_->ValueField(0), editor_->ValueField(1));
    setTabOrder(editor_->ValueField(1), editor_->ValueField(2));
    setTabOrder(editor_->ValueField(2), setNew_);

    connect(track_, &QComboBox::currentIndexChanged, this, &BanksAndProgramsDialog::ChooseTrack);
    connect(patches_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { ShowLine(patches_->indexOfTopLevelItem(item)); });
    connect(editor_, &PatchEditor::KindChosen, this, &BanksAndProgramsDialog::UpdateValueLabel);
    connect(setNew_, &QPushButton::clicked, this, &BanksAndProgramsDialog::SetNew);

    {
        const QSignalBlocker blocker(track_);
        track_->setCurrentIndex(0);
    }
    ShowTrack(0);
    InitDialogCommon();
}

QString BanksAndProgramsDialog::PatchLine(int row) const {
    const QTreeWidgetItem* item = patches_->topLevelItem(row);
    if (item == nullptr) {
        return {};
    }
    return item->text(kFileColumn) + QLatin1Char('\t') + item->text(kSubstituteColumn);
}

void BanksAndProgramsDialog::ShowTrack(int index) {
    shown_ = index;
    if (index < 0 || index >= static_cast<int>(copy_.size())) {
        return;
    }
    (Shown().substituteFlag != 0 ? substitute_ : useFiles_)->setChecked(true);
    const QSignalBlocker blocker(patches_);
    patches_->clear();
    const int count = ShownPatchEntryCount(piece_.tracks[static_cast<std::size_t>(index)].patches);
    for (int row = 0; row < count; ++row) {
        patches_->addTopLevelItem(new QTreeWidgetItem);
        FillLine(row);
    }
    patches_->setCurrentItem(patches_->topLevelItem(0));
    ShowLine(0);
}

void BanksAndProgramsDialog::FillLine(int row) {
    const auto at = static_cast<std::size_t>(row);
    const PatchEntry entry{piece_.tracks[static_cast<std::size_t>(shown_)].patches.entries[at].file,
                           Shown().substitutes[at]};
    const std::string line = FormatPatchLine(entry);
    const std::size_t tab = line.find('\t');
    QTreeWidgetItem* item = patches_->topLevelItem(row);
    item->setText(kFileColumn, QString::fromStdString(line.substr(0, tab)));
    item->setText(kSubstituteColumn, QString::fromStdString(line.substr(tab + 1)));
}

void BanksAndProgramsDialog::ShowLine(int row) {
    if (row < 0 || row >= patches_->topLevelItemCount()) {
        return;
    }
    editor_->ShowPatch(Shown().substitutes[static_cast<std::size_t>(row)]);
    UpdateValueLabel();
}

void BanksAndProgramsDialog::UpdateValueLabel() {
    const int count = PatchValueCount(editor_->Kind());
    valueLabel_->setText(count > 1 ? QStringLiteral("New Values:") : QStringLiteral("New Value:"));
    valueLabel_->setHidden(count == 0);
}

void BanksAndProgramsDialog::SetNew() {
    const int row = patches_->indexOfTopLevelItem(patches_->currentItem());
    const std::optional<Patch> patch = ReadPatch(*editor_, false);
    if (row < 0 || !patch) {
        return;
    }
    Shown().substitutes[static_cast<std::size_t>(row)] = *patch;
    FillLine(row);
    patches_->setCurrentItem(patches_->topLevelItem(row));
}

void BanksAndProgramsDialog::ChooseTrack(int index) {
    StoreSubstituteFlag();
    ShowTrack(index);
}

void BanksAndProgramsDialog::StoreSubstituteFlag() {
    if (shown_ >= 0 && shown_ < static_cast<int>(copy_.size())) {
        Shown().substituteFlag = substitute_->isChecked() ? 1 : 0;
    }
}

void BanksAndProgramsDialog::Store() {
    StoreSubstituteFlag();
    for (std::size_t i = 0; i < copy_.size(); ++i) {
        CopyEditBack(copy_[i], piece_.tracks[i]);
    }
}

}  // namespace ostinel::dialogs
