#include "musicxml/ornaments.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

namespace ostinel::musicxml {

namespace {

constexpr int kMaxTremoloStrokes = 6;

// Half steps from each step of the C major scale to the next one up and down.
constexpr int kStepUp[7] = {2, 2, 1, 2, 2, 2, 1};    // C D E F G A B
constexpr int kStepDown[7] = {1, 2, 2, 1, 2, 2, 2};  // C D E F G A B
// Pitch classes of the scale's steps.
constexpr int kStepKeys[7] = {0, 2, 4, 5, 7, 9, 11};

int StepIndex(std::string_view step) {
    constexpr std::string_view kSteps = "CDEFGAB";
    if (step.size() != 1) return -1;
    const std::size_t at = kSteps.find(step[0]);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// The key signature's alteration of a step: sharps come in the order
// F C G D A E B, flats in the reverse order.
int KeyAlteration(int step, int fifths) {
    constexpr int kSharpOrder[7] = {3, 0, 4, 1, 5, 2, 6};  // F C G D A E B
    for (int i = 0; i < std::min(fifths, 7); ++i) {
        if (kSharpOrder[i] == step) return 1;
    }
    for (int i = 0; i < std::min(-fifths, 7); ++i) {
        if (kSharpOrder[6 - i] == step) return -1;
    }
    return 0;
}

int MarkAlteration(std::string_view mark, int fallback) {
    if (mark == "sharp") return 1;
    if (mark == "flat") return -1;
    if (mark == "natural") return 0;
    if (mark == "double-sharp" || mark == "sharp-sharp") return 2;
    if (mark == "flat-flat") return -2;
    return fallback;
}

// The keys of the steps above and below `step`, the note at `writtenKey`:
// from the note's own key back to its natural step, then to the natural
// neighbours, then their alterations.
OrnamentReading Neighbours(int step, int writtenKey, int upperAlteration, int lowerAlteration) {
    OrnamentReading reading;
    const int natural = writtenKey - (((writtenKey % 12) - kStepKeys[step] + 18) % 12 - 6);
    reading.upperKey = natural + kStepUp[step] + upperAlteration;
    reading.lowerKey = natural - kStepDown[step] + lowerAlteration;
    return reading;
}

}  // namespace

OrnamentReading ScaleNeighbours(pugi::xml_node pitch, int writtenKey, int fifths) {
    const int step = StepIndex(pitch.child_value("step"));
    if (step < 0) return {};
    return Neighbours(step, writtenKey, KeyAlteration((step + 1) % 7, fifths),
                      KeyAlteration((step + 6) % 7, fifths));
}

OrnamentReading ReadOrnament(pugi::xml_node note, int writtenKey, int fifths) {
    const pugi::xml_node ornaments = note.child("notations").child("ornaments");
    if (!ornaments) return {};
    constexpr std::pair<std::string_view, Ornament> kKinds[] = {
        {"trill-mark", Ornament::Trill},
        {"mordent", Ornament::Mordent},
        {"inverted-mordent", Ornament::InvertedMordent},
        {"turn", Ornament::Turn},
        {"inverted-turn", Ornament::InvertedTurn},
    };
    Ornament ornament = Ornament::None;
    for (const auto& [name, kind] : kKinds) {
        if (ornaments.child(name.data())) ornament = kind;
    }
    const int step = StepIndex(note.child("pitch").child_value("step"));
    if (ornament == Ornament::None || step < 0) return {};
    int upperAlteration = KeyAlteration((step + 1) % 7, fifths);
    int lowerAlteration = KeyAlteration((step + 6) % 7, fifths);
    // A mark below the sign, or the only mark of a mordent, is the lower note's.
    for (pugi::xml_node mark : ornaments.children("accidental-mark")) {
        const std::string_view placement = mark.attribute("placement").as_string();
        const bool lower =
            placement == "below" || (placement.empty() && ornament == Ornament::Mordent);
        int& alteration = lower ? lowerAlteration : upperAlteration;
        alteration = MarkAlteration(mark.text().as_string(), alteration);
    }
    OrnamentReading reading = Neighbours(step, writtenKey, upperAlteration, lowerAlteration);
    reading.ornament = ornament;
    return reading;
}

std::int32_t TremoloTicks(pugi::xml_node note, std::int32_t division) {
    const pugi::xml_node tremolo = note.child("notations").child("ornaments").child("tremolo");
    if (!tremolo) return 0;
    const std::string_view type = tremolo.attribute("type").as_string();
    if (!type.empty() && type != "single") return 0;
    const int strokes = std::clamp(tremolo.text().as_int(3), 1, kMaxTremoloStrokes);
    double ticks = static_cast<double>(division) / 2.0 / static_cast<double>(1 << (strokes - 1));
    const pugi::xml_node tuplet = note.child("time-modification");
    const double actual = tuplet.child("actual-notes").text().as_double(1.0);
    const double normal = tuplet.child("normal-notes").text().as_double(1.0);
    if (std::isfinite(actual) && std::isfinite(normal) && actual > 0.0 && normal > 0.0) {
        ticks = ticks * normal / actual;
    }
    return ticks >= 1.0 ? static_cast<std::int32_t>(std::lround(ticks)) : 0;
}

}  // namespace ostinel::musicxml
