#include "app/command_line.h"

#include <cstddef>

#include "strings/string_ids.h"

namespace ostinel {
namespace {

// MIDI files, and MusicXML scores plain and compressed.
constexpr std::string_view kPieceExtensions[] = {".mid", ".musicxml", ".xml", ".mxl"};

constexpr char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Byte-wise and ASCII-only, so a name in any encoding compares the same way.
bool EndsWithIgnoringCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    const std::string_view tail = text.substr(text.size() - ending.size());
    for (std::size_t i = 0; i < ending.size(); ++i) {
        if (LowerAscii(tail[i]) != LowerAscii(ending[i])) return false;
    }
    return true;
}

}  // namespace

bool NamesPieceFile(std::string_view path) {
    for (std::string_view extension : kPieceExtensions) {
        if (EndsWithIgnoringCase(path, extension)) return true;
    }
    return false;
}

CommandLineReading ReadCommandLine(std::string_view text) {
    if (text.empty()) return {CommandLineOutcome::Nothing, 0, {}};
    if (text.find(' ') != std::string_view::npos) {
        return {CommandLineOutcome::HasBlank, string_id::kOneFileAtATime, {}};
    }
    if (NamesPieceFile(text)) return {CommandLineOutcome::StartFile, 0, text};
    return {CommandLineOutcome::Ignored, 0, {}};
}

}  // namespace ostinel
