#include "cli/convert_command.h"

#include <cstdint>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/load_failure.h"
#include "musicxml/musicxml_import.h"
#include "sequence/midi_file_writer.h"

namespace ostinel::cli {

namespace {

constexpr std::string_view kConvertUsage =
    "Usage: ostinel-cli convert SCORE.musicxml -o OUT.mid\n"
    "Writes a MusicXML score (.musicxml, .xml or .mxl) as a format 1 MIDI file: repeats\n"
    "unfolded, a conductor track, then one track per part and staff.\n";

int UsageError(std::string& err, const std::string& problem) {
    err += "ostinel-cli convert: " + problem + "\n";
    err += kConvertUsage;
    return kExitUsage;
}

}  // namespace

int RunConvertCommand(std::span<const std::string_view> args, std::string& out, std::string& err) {
    std::string_view score;
    std::string_view output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-h" || arg == "--help") {
            out += kConvertUsage;
            return kExitSuccess;
        }
        if (arg == "-o") {
            if (i + 1 >= args.size()) return UsageError(err, "-o needs a file name");
            output = args[++i];
        } else if (arg.starts_with("-") && arg.size() > 1) {
            return UsageError(err, "unknown option '" + std::string(arg) + "'");
        } else if (score.empty()) {
            score = arg;
        } else {
            return UsageError(err, "give one score");
        }
    }
    if (score.empty()) return UsageError(err, "give a score");
    if (output.empty()) return UsageError(err, "give the MIDI file to write with -o");

    std::vector<std::uint8_t> bytes;
    LoadResult result = ReadScoreFile(std::string(score), bytes);
    std::vector<std::uint8_t> midiFile;
    if (result == LoadResult::Loaded) result = ConvertMusicXmlToMidi(bytes, midiFile);
    if (result != LoadResult::Loaded) {
        err += LoadFailureLine(score, result);
        return LoadFailureExit(result);
    }
    std::string error;
    if (!WriteMidiFile(std::string(output), midiFile, error)) {
        err += std::string(output) + ": " + error + "\n";
        return kExitOutputFailed;
    }
    return kExitSuccess;
}

}  // namespace ostinel::cli
