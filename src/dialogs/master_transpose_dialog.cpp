#include "dialogs/master_transpose_dialog.h"

#include <QLabel>

namespace ostinel::dialogs {

namespace {
constexpr int kMaxTranspose = 127;
}

MasterTransposeDialog::MasterTransposeDialog(DialogContext& context)
    : SettingsDialog(context, kHelpTopic, QStringLiteral("Master Transpose")),
      transpose_(new QLineEdit),
      reset_(new QPushButton(QStringLiteral("Reset to Normal"))) {
    const int transpose = GetEngine().GetTransport().Master().transpose;
    transpose_->setText(QString::fromStdString(FormatSignedHalfSteps(transpose)));
    SetNumberFieldWidth(transpose_, 4);
    reset_->setAutoDefault(false);
    reset_->setEnabled(transpose != 0);

    auto* row = new QHBoxLayout;
    auto* before = new QLabel(QStringLiteral("Transpose everything by"));
    before->setBuddy(transpose_);
    row->addWidget(before);
    row->addWidget(transpose_);
    row->addWidget(new QLabel(QStringLiteral("half-steps")));
    row->addStretch();
    Body()->addLayout(row);
    AddButtonRow(reset_);

    connect(transpose_, &QLineEdit::textEdited, this, &MasterTransposeDialog::Revalidate);
    connect(reset_, &QPushButton::clicked, this, [this] {
        transpose_->clear();
        SetOkState(OkState::Valid);
        reset_->setEnabled(false);
        transpose_->setFocus();
    });
    InitDialogCommon();
}

void MasterTransposeDialog::Revalidate() {
    const ParsedNumber transpose = ReadIntegerField(transpose_, true, true);
    const bool valid =
        transpose.valid && transpose.value >= -kMaxTranspose && transpose.value <= kMaxTranspose;
    SetOkState(valid ? OkState::Valid : OkState::Invalid);
    reset_->setEnabled(!(transpose.valid && transpose.value == 0));
}

void MasterTransposeDialog::Store() {
    Transport& transport = GetEngine().GetTransport();
    MasterSettings master = transport.Master();
    master.transpose = static_cast<std::int16_t>(ReadIntegerField(transpose_, true, true).value);
    transport.SetMasterSettings(master);
}

}  // namespace ostinel::dialogs
