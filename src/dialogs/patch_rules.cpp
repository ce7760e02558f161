#include "dialogs/patch_rules.h"

#include "dialogs/field_rules.h"

namespace ostinel::dialogs {

namespace {

constexpr int kMaxValue = 127;
// Kind 5 sends two program changes; the first one reaches past 99.
constexpr int kFirstHighProgram = 100;

std::string Number(std::uint8_t value) {
    return FormatInteger(value);
}

}  // namespace

int PatchValueCount(int kind) {
    switch (kind) {
        case 1:
            return 1;
        case 2:
        case 3:
        case 5:
            return 2;
        case 4:
            return 3;
        default:
            return 0;
    }
}

std::optional<Patch> ReadPatchValues(int kind,
                                     const std::array<std::string, kPatchValueFields>& texts,
                                     bool allowEmpty) {
    if (kind < 0 || kind >= kPatchKindCount) {
        return std::nullopt;
    }
    Patch patch;
    patch.kind = static_cast<PatchKind>(kind);
    const int count = PatchValueCount(kind);
    for (int i = 0; i < count; ++i) {
        const ParsedNumber value =
            ParseInteger(texts[static_cast<std::size_t>(i)], false, allowEmpty);
        if (!value.valid || value.value > kMaxValue) {
            return std::nullopt;
        }
        if (i == 0 && patch.kind == PatchKind::HighProgramThenProgram &&
            value.value < kFirstHighProgram && !allowEmpty) {
            return std::nullopt;
        }
        patch.values[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value.value);
    }
    return patch;
}

std::string FormatPatch(const Patch& patch) {
    const auto& v = patch.values;
    switch (patch.kind) {
        case PatchKind::Program:
            return "P: " + Number(v[0]);
        case PatchKind::Bank0Program:
            return "C0: " + Number(v[0]) + ";  P: " + Number(v[1]);
        case PatchKind::Bank32Program:
            return "C32: " + Number(v[0]) + ";  P: " + Number(v[1]);
        case PatchKind::Bank0Bank32Program:
            return "C0: " + Number(v[0]) + ";  C32: " + Number(v[1]) + ";  P: " + Number(v[2]);
        case PatchKind::HighProgramThenProgram:
            return "P: " + Number(v[0]) + ";  P: " + Number(v[1]);
        default:
            return "--no change--";
    }
}

std::string FormatPatchLine(const PatchEntry& entry) {
    return FormatPatch(entry.file) + '\t' + FormatPatch(entry.substitute);
}

int ShownPatchEntryCount(const PatchTable& table) {
    int count = 1;
    while (count < kMaxPatchEntries &&
           table.entries[static_cast<std::size_t>(count)].file.kind != PatchKind::None) {
        ++count;
    }
    return count;
}

}  // namespace ostinel::dialogs
