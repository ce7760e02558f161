#pragma once

// MusicXML written inside the tests: a partwise score around the measures
// that a test gives, and the notes in them.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "musicxml/musicxml_import.h"
#include "sequence/piece.h"

namespace ostinel::testing {

// A quarter note lasts a second at this tempo, so times in ms read as beats.
inline constexpr char kSecondPerQuarter[] = R"(<direction><sound tempo="60"/></direction>)";

// The attributes of a first measure: divisions per quarter, 4/4 unless told.
inline std::string Attributes(int divisions, int beats = 4, int beatType = 4,
                              const std::string& more = "") {
    return "<attributes><divisions>" + std::to_string(divisions) + "</divisions><time><beats>" +
           std::to_string(beats) + "</beats><beat-type>" + std::to_string(beatType) +
           "</beat-type></time>" + more + "</attributes>";
}

// A note of `duration` divisions; `step` such as "C", "F#" or "Bb".
inline std::string Note(const std::string& step, int octave, int duration,
                        const std::string& more = "") {
    std::string pitch = "<step>" + step.substr(0, 1) + "</step>";
    if (step.size() > 1) pitch += step[1] == '#' ? "<alter>1</alter>" : "<alter>-1</alter>";
    pitch += "<octave>" + std::to_string(octave) + "</octave>";
    return "<note>" + more + "<pitch>" + pitch + "</pitch><duration>" + std::to_string(duration) +
           "</duration></note>";
}

inline std::string Rest(int duration) {
    return "<note><rest/><duration>" + std::to_string(duration) + "</duration></note>";
}

inline std::string Measure(int number, const std::string& content,
                           const std::string& attributes = "") {
    return "<measure number=\"" + std::to_string(number) + "\"" + attributes + ">" + content +
           "</measure>";
}

// A score with one part per entry of `parts` (its measures), named and
// listed in order. `scoreParts` replaces the generated part list.
inline std::string Score(const std::vector<std::string>& parts,
                         const std::vector<std::string>& names = {"Piano"},
                         const std::string& scoreParts = "") {
    std::string list = scoreParts;
    std::string body;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string id = "P" + std::to_string(i + 1);
        const std::string name = i < names.size() ? names[i] : "";
        if (scoreParts.empty()) {
            list +=
                "<score-part id=\"" + id + "\"><part-name>" + name + "</part-name></score-part>";
        }
        body += "<part id=\"" + id + "\">" + parts[i] + "</part>";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">"
           "<part-list>" +
           list + "</part-list>" + body + "</score-partwise>";
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

inline LoadResult LoadScore(const std::string& text, Piece& piece) {
    return ReadMusicXmlPiece(Bytes(text), piece);
}

}  // namespace ostinel::testing
