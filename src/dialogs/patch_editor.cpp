#include "dialogs/patch_editor.h"

#include "dialogs/settings_dialog.h"
#include "strings/string_ids.h"

namespace ostinel::dialogs {

PatchEditor::PatchEditor(QObject* parent)
    : QObject(parent), kind_(new QComboBox), values_{new QLineEdit, new QLineEdit, new QLineEdit} {
    for (int kind = 0; kind < kPatchKindCount; ++kind) {
        kind_->addItem(Text(string_id::kFirstPatchKind + kind));
    }
    for (QLineEdit* field : values_) {
        SetNumberFieldWidth(field, 3);
        connect(field, &QLineEdit::textChanged, this, [this] {
            if (!showing_) {
                emit Edited();
            }
        });
    }
    connect(kind_, &QComboBox::currentIndexChanged, this, &PatchEditor::ChooseKind);
    ShowFieldsFor(Kind());
}

int PatchEditor::ShownFieldCount() const {
    int count = 0;
    for (const QLineEdit* field : values_) {
        count += field->isHidden() ? 0 : 1;
    }
    return count;
}

void PatchEditor::ShowPatch(const Patch& patch) {
    showing_ = true;
    const int kind =
        static_cast<int>(patch.kind) < kPatchKindCount ? static_cast<int>(patch.kind) : 0;
    kind_->setCurrentIndex(kind);
    const int count = PatchValueCount(kind);
    for (int i = 0; i < kPatchValueFields; ++i) {
        const auto at = static_cast<std::size_t>(i);
        values_[at]->setText(i < count ? QString::number(patch.values[at]) : QString());
    }
    ShowFieldsFor(kind);
    showing_ = false;
}

void PatchEditor::SetEnabled(bool enabled) {
    kind_->setEnabled(enabled);
    for (QLineEdit* field : values_) {
        field->setEnabled(enabled);
    }
}

void PatchEditor::ChooseKind(int kind) {
    if (showing_) {
        return;
    }
    // Values typed for another kind mean something else in this one.
    showing_ = true;
    for (QLineEdit* field : values_) {
        field->clear();
    }
    showing_ = false;
    ShowFieldsFor(kind);
    emit KindChosen(kind);
    emit Edited();
}

void PatchEditor::ShowFieldsFor(int kind) {
    const int count = PatchValueCount(kind);
    for (int i = 0; i < kPatchValueFields; ++i) {
        values_[static_cast<std::size_t>(i)]->setHidden(i >= count);
    }
}

std::optional<Patch> ReadPatch(const PatchEditor& editor, bool allowEmpty) {
    std::array<std::string, kPatchValueFields> texts;
    for (int i = 0; i < kPatchValueFields; ++i) {
        texts[static_cast<std::size_t>(i)] = FieldText(editor.ValueField(i));
    }
    return ReadPatchValues(editor.Kind(), texts, allowEmpty);
}

}  // namespace ostinel::dialogs
