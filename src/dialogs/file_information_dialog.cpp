#include "dialogs/file_information_dialog.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>

#include "strings/string_ids.h"

namespace ostinel::dialogs {

namespace {

constexpr int kMaxDisplayNameChars = 259;

QString LengthText(const Piece& piece) {
    const std::size_t count = piece.beatMap.size();
    const int bars = count >= 2 ? piece.beatMap[count - 2].measure : 0;
    return QString::number(bars) + QStringLiteral(" bars");
}

QString KeyText(const Piece& piece) {
    return Text(piece.initialKey < 0 ? string_id::kNoKeySignature
                                     : string_id::kFirstKeyName + piece.initialKey);
}

}  // namespace

FileInformationDialog::FileInformationDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("File Information")),
      displayName_(new QLineEdit),
      reset_(new QPushButton(QStringLiteral("Reset to File Name"))) {
    const Piece* piece = GetEngine().CurrentPiece();
    if (piece != nullptr) {
        fileName_ = QFileInfo(QString::fromStdString(piece->path)).fileName();
    }
    const QString displayName = QString::fromStdString(GetEngine().DisplayName());
    displayName_->setText(displayName.isEmpty() ? fileName_ : displayName);
    displayName_->setObjectName(QStringLiteral("displayName"));
    displayName_->setMinimumWidth(260);

    auto* form = new QFormLayout;
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(displayName_, 1);
    nameRow->addWidget(reset_);
    form->addRow(QStringLiteral("Display Name:"), nameRow);
    form->addRow(QStringLiteral("File Name:"), new QLabel(fileName_));
    if (piece != nullptr) {
        form->addRow(QStringLiteral("Length:"), new QLabel(LengthText(*piece)));
        form->addRow(QStringLiteral("Initial Key Sgnature:"), new QLabel(KeyText(*piece)));
        form->addRow(QStringLiteral("Initial Time Signature:"),
                     new QLabel(QStringLiteral("%1/%2")
                                    .arg(piece->initialMeter.numerator)
                                    .arg(piece->initialMeter.denominator)));
    }
    Body()->addLayout(form);

    reset_->setEnabled(!displayName.isEmpty());
    reset_->setAutoDefault(false);
    connect(displayName_, &QLineEdit::textEdited, this, &FileInformationDialog::Revalidate);
    connect(reset_, &QPushButton::clicked, this, [this] {
        displayName_->setText(fileName_);
        SetOkState(OkState::Valid);
        reset_->setEnabled(false);
        displayName_->setFocus();
    });
    InitDialogCommon();
}

void FileInformationDialog::Revalidate() {
    const QString text = displayName_->text();
    SetOkState(text.isEmpty() ? OkState::Incomplete : OkState::Valid);
    reset_->setEnabled(text != fileName_);
}

void FileInformationDialog::Store() {
    const QString text = displayName_->text().left(kMaxDisplayNameChars);
    GetEngine().DisplayName() = text == fileName_ ? std::string() : text.toStdString();
    GetEngine().GetSettingsUi().PieceSettingsChanged();
}

}  // namespace ostinel::dialogs
