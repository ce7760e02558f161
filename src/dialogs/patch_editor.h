#pragma once

// The patch editor of Banks & Programs and Performance Settings: a list of
// the six patch kinds and three value fields, as many of them shown as the
// kind needs.

#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <array>
#include <optional>

#include "dialogs/patch_rules.h"

namespace ostinel::dialogs {

class PatchEditor final : public QObject {
    Q_OBJECT

  public:
    // The controls go wherever the dialog lays them out; it owns them then.
    explicit PatchEditor(QObject* parent);

    QComboBox* KindList() const { return kind_; }
    QLineEdit* ValueField(int index) const { return values_[static_cast<std::size_t>(index)]; }
    int Kind() const { return kind_->currentIndex(); }
    // The value fields not hidden by the kind.
    int ShownFieldCount() const;

    // The patch's kind and the values it uses; the other fields empty.
    void ShowPatch(const Patch& patch);
    void SetEnabled(bool enabled);

  signals:
    // A kind was chosen or a value typed.
    void Edited();
    // A kind was chosen (after the fields were emptied and shown for it).
    void KindChosen(int kind);

  private:
    void ChooseKind(int kind);
    void ShowFieldsFor(int kind);

    QComboBox* kind_;
    std::array<QLineEdit*, kPatchValueFields> values_;
    // Filling the controls with a patch is not typing.
    bool showing_ = false;
};

// The patch in the editor; none when its fields do not give one. Empty
// fields count as 0 when allowed.
std::optional<Patch> ReadPatch(const PatchEditor& editor, bool allowEmpty);

}  // namespace ostinel::dialogs
