#include "cli/info_command.h"

#include "app/load_result_messages.h"
#include "app/piece_file.h"
#include "cli/exit_codes.h"
#include "cli/json_writer.h"
#include "cli/load_failure.h"
#include "cli/piece_report.h"
#include "sequence/piece.h"
#include "strings/string_table.h"

namespace ostinel::cli {

namespace {

constexpr std::string_view kInfoUsage =
    "Usage: ostinel-cli info [--json] PIECE\n"
    "Describes a piece, a Standard MIDI File or a MusicXML score (.musicxml, .xml, .mxl):\n"
    "tracks, tempo map, meters, key, length.\n"
    "  --json   one JSON object with every event, for programs\n";

}  // namespace

int RunInfoCommand(std::span<const std::string_view> args, std::string& out, std::string& err) {
    bool asJson = false;
    std::string_view path;
    for (std::string_view arg : args) {
        if (arg == "--json") {
            asJson = true;
        } else if (arg == "-h" || arg == "--help") {
            out += kInfoUsage;
            return kExitSuccess;
        } else if (arg.starts_with("-") && arg.size() > 1) {
            err += "ostinel-cli info: unknown option '" + std::string(arg) + "'\n";
            err += kInfoUsage;
            return kExitUsage;
        } else if (path.empty()) {
            path = arg;
        } else {
            err += "ostinel-cli info: give one file\n";
            err += kInfoUsage;
            return kExitUsage;
        }
    }
    if (path.empty()) {
        err += kInfoUsage;
        return kExitUsage;
    }

    Piece piece;
    const LoadResult result = OpenPieceFile(std::string(path), piece);
    if (result != LoadResult::Loaded) {
        const std::string_view message = StringTable().Get(StartupLoadMessage(result));
        if (asJson) {
            JsonWriter json(out);
            json.BeginObject();
            json.Key("result").Number(static_cast<int>(result));
            json.Key("message").String(message);
            json.EndObject();
            out += '\n';
        }
        err += LoadFailureLine(path, result);
        return LoadFailureExit(result);
    }
    out += asJson ? DescribePieceAsJson(piece) : DescribePiece(piece);
    return kExitSuccess;
}

}  // namespace ostinel::cli
