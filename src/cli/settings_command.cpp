#include "cli/settings_command.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "cli/exit_codes.h"
#include "cli/load_failure.h"
#include "cli/number_argument.h"
#include "cli/piece_settings_report.h"
#include "cli/settings_text.h"
#include "musicxml/musicxml_import.h"
#include "platform/real/file_settings_store.h"
#include "settings/piece_settings_file.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel::cli {

namespace {

constexpr std::size_t kMaxSettingsTextBytes = 4 * 1024 * 1024;

int UsageError(std::string& err, std::string_view what) {
    err += "ostinel-cli: " + std::string(what) + "\n";
    return kExitUsage;
}

std::string Message(int id) {
    return std::string(StringTable().Get(id));
}

// The piece's stored settings, or the reason it has none as a load failure.
std::optional<PieceSettingsStore> ReadPiece(std::string_view path, std::string& err, int& code) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::string(path), error)) {
        err += LoadFailureLine(path, LoadResult::NotFound);
        code = LoadFailureExit(LoadResult::NotFound);
        return std::nullopt;
    }
    // A score cannot hold settings: it has none, rather than being damaged.
    if (IsMusicXmlFile(std::string(path))) return PieceSettingsStore{};
    auto stored = ReadPieceSettingsStore(std::string(path));
    if (!stored) {
        err += LoadFailureLine(path, LoadResult::WrongFormat);
        code = LoadFailureExit(LoadResult::WrongFormat);
    }
    return stored;
}

int ShowSystemSettings(std::string& out) {
    const std::string path = platform::FileSettingsStore::DefaultPath();
    const platform::FileSettingsStore store(path);
    out += "Settings file: " + (path.empty() ? std::string("(no settings folder is known)") : path);
    if (store.State() == platform::FileSettingsStore::FileState::Missing) out += " (none yet)";
    if (store.State() == platform::FileSettingsStore::FileState::Damaged)
        out += " (damaged: Ostinel starts with the defaults)";
    out += "\n\nSaved sets:\n";
    const std::vector<std::string> names = NamedSystemSettings(store);
    for (std::size_t place = 0; place < kMaxNamedSystemSettings; ++place) {
        out += "  " + std::to_string(place + 1) + "  " +
               (place < names.size() ? names[place] : std::string("(no settings saved)")) + "\n";
    }
    const StoredSystemSettings stored = ReadStoredSystemSettings(store);
    for (const StoredSystemSet& set : stored.sets) {
        if (set.name != kRevertSettingsName) continue;
        out += "\nCurrent settings [.]:\n" + FormatSystemSet(set);
        return kExitSuccess;
    }
    out += "\nNo current settings are stored: Ostinel starts with the defaults.\n";
    return kExitSuccess;
}

int ShowPieceSettings(std::string_view path, std::string& out, std::string& err) {
    int code = kExitSuccess;
    const auto stored = ReadPiece(path, err, code);
    if (!stored) return code;
    out += std::string(path) + ": stored piece settings\n\n" + DescribePieceSettings(*stored);
    return kExitSuccess;
}

int ExportSettings(std::string_view file, std::string& out, std::string& err) {
    const platform::FileSettingsStore store(platform::FileSettingsStore::DefaultPath());
    const StoredSystemSettings stored = ReadStoredSystemSettings(store);
    std::ofstream text(std::string(file), std::ios::binary | std::ios::trunc);
    text << FormatSystemSettingsText(stored);
    text.close();
    if (!text) {
        err += std::string(file) + ": " + Message(string_id::kCannotSaveFile) + "\n";
        return kExitOutputFailed;
    }
    out += "Exported " + std::to_string(stored.sets.size()) + " settings sets to " +
           std::string(file) + "\n";
    return kExitSuccess;
}

int ImportSettings(std::string_view file, std::string& out, std::string& err) {
    std::ifstream in(std::string(file), std::ios::binary);
    if (!in) {
        err += std::string(file) + ": the file cannot be read. Nothing was changed.\n";
        return kExitBadSettingsFile;
    }
    std::string text;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (text.size() > kMaxSettingsTextBytes) {
        err += std::string(file) +
               ": the file is too long for a settings file. Nothing was changed.\n";
        return kExitBadSettingsFile;
    }
    const SettingsTextResult parsed = ParseSystemSettingsText(text);
    if (!parsed.stored) {
        err += std::string(file) + ": " + parsed.error + ". Nothing was changed.\n";
        return kExitBadSettingsFile;
    }
    const std::string path = platform::FileSettingsStore::DefaultPath();
    platform::FileSettingsStore store(path);
    if (path.empty() || !ReplaceStoredSystemSettings(store, *parsed.stored)) {
        err += Message(string_id::kCannotSaveSettings) + "\n";
        return kExitOutputFailed;
    }
    out += "Imported " + std::to_string(parsed.stored->sets.size()) + " settings sets into " +
           path + "\n";
    return kExitSuccess;
}

}  // namespace

int RunSettingsCommand(std::span<const std::string_view> args, std::string& out, std::string& err) {
    if (args.empty()) return UsageError(err, "settings needs show, export FILE or import FILE");
    const std::string_view action = args[0];
    if (action == "show" && args.size() == 1) return ShowSystemSettings(out);
    if (action == "show" && args.size() == 2) return ShowPieceSettings(args[1], out, err);
    if (action == "export" && args.size() == 2) return ExportSettings(args[1], out, err);
    if (action == "import" && args.size() == 2) return ImportSettings(args[1], out, err);
    return UsageError(err, "settings takes: show [PIECE] | export FILE | import FILE");
}

int RunPieceSettingsCommand(std::span<const std::string_view> args, std::string& out,
                            std::string& err) {
    if (args.size() == 2 && args[1] == "list") {
        int code = kExitSuccess;
        const auto stored = ReadPiece(args[0], err, code);
        if (!stored) return code;
        out += std::string(args[0]) + ": saved piece settings\n" + ListPieceSettings(*stored);
        return kExitSuccess;
    }
    if (args.size() != 3 || args[1] != "remove")
        return UsageError(err, "piece-settings takes: PIECE list | PIECE remove N");
    int which = 0;
    if (!ReadNumberArgument(args[2], 1, kPieceSettingsSlotCount - 1, which))
        return UsageError(err, "piece-settings remove takes a set number from 1 to 4");
    int code = kExitSuccess;
    auto stored = ReadPiece(args[0], err, code);
    if (!stored) return code;
    if (!stored->SlotUsed(which)) {
        err += std::string(args[0]) + ": set " + std::to_string(which) +
               " holds no settings. Nothing was changed.\n";
        return kExitBadSettingsFile;
    }
    const std::string name = stored->SlotName(which);
    stored->RemoveSlot(which);
    if (!WritePieceSettingsStore(std::string(args[0]), *stored)) {
        err += std::string(args[0]) + ": " + Message(string_id::kCannotSaveSettings) + "\n";
        return kExitOutputFailed;
    }
    out += std::string(args[0]) + ": removed set " + std::to_string(which) + " \"" + name + "\"\n" +
           ListPieceSettings(*stored);
    return kExitSuccess;
}

}  // namespace ostinel::cli
