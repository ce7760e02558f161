#include "musicxml/directions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace ostinel::musicxml {

namespace {

constexpr double kMicrosecondsPerMinute = 60'000'000.0;
// Tempos outside this range (quarter notes per minute) are damaged values.
constexpr double kSlowestTempo = 1.0;
constexpr double kFastestTempo = 2000.0;
// MusicXML measures loudness as a percentage of forte, which is velocity 90.
constexpr double kForteVelocity = 90.0;

struct DynamicLevel {
    std::string_view mark;
    std::uint8_t velocity;
};
// The levels a notation program's playback gives the printed marks.
constexpr DynamicLevel kDynamicLevels[] = {
    {"pppppp", 5},  {"ppppp", 10},   {"pppp", 16}, {"ppp", 24},   {"pp", 36},    {"p", 49},
    {"mp", 64},     {"mf", 80},      {"f", 96},    {"ff", 112},   {"fff", 120},  {"ffff", 124},
    {"fffff", 126}, {"ffffff", 127}, {"sf", 112},  {"sfz", 112},  {"fz", 112},   {"rf", 96},
    {"rfz", 96},    {"fp", 96},      {"sfp", 112}, {"sffz", 120}, {"sfpp", 112}, {"pf", 80},
};

std::optional<std::uint32_t> TempoFromQuartersPerMinute(double quarters) {
    if (!std::isfinite(quarters) || quarters < kSlowestTempo || quarters > kFastestTempo) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::lround(kMicrosecondsPerMinute / quarters));
}

std::uint8_t VelocityFromPercent(double percent) {
    if (!std::isfinite(percent)) return 0;
    const double velocity = std::round(percent * kForteVelocity / 100.0);
    return static_cast<std::uint8_t>(std::clamp(velocity, 1.0, 127.0));
}

// Quarter notes in one beat unit ("quarter", "eighth"...), with its dots.
double QuartersPerUnit(std::string_view unit, int dots) {
    constexpr std::pair<std::string_view, double> kUnits[] = {
        {"breve", 8.0},  {"whole", 4.0}, {"half", 2.0},   {"quarter", 1.0},
        {"eighth", 0.5}, {"16th", 0.25}, {"32nd", 0.125}, {"64th", 0.0625},
    };
    for (const auto& [name, quarters] : kUnits) {
        if (name != unit) continue;
        double total = quarters;
        double dot = quarters;
        for (int i = 0; i < dots && i < 4; ++i) {
            dot /= 2;
            total += dot;
        }
        return total;
    }
    return 0.0;
}

// A metronome mark such as "quarter = 120" (the per-minute text may say "c. 120").
std::optional<std::uint32_t> ReadMetronome(pugi::xml_node metronome) {
    const pugi::xml_node unit = metronome.child("beat-unit");
    const pugi::xml_node perMinute = metronome.child("per-minute");
    if (!unit || !perMinute) return std::nullopt;
    const int dots = static_cast<int>(std::distance(metronome.children("beat-unit-dot").begin(),
                                                    metronome.children("beat-unit-dot").end()));
    const double quarters = QuartersPerUnit(unit.text().as_string(), dots);
    const char* text = perMinute.text().as_string();
    while (*text != 0 && std::isdigit(static_cast<unsigned char>(*text)) == 0)
        ++text;
    const double beats = std::strtod(text, nullptr);
    return TempoFromQuartersPerMinute(beats * quarters);
}

std::optional<std::uint8_t> ReadDynamicMark(pugi::xml_node dynamics) {
    for (pugi::xml_node mark : dynamics.children()) {
        for (const DynamicLevel& level : kDynamicLevels) {
            if (level.mark == mark.name()) return level.velocity;
        }
    }
    return std::nullopt;
}

}  // namespace

DirectionValues ReadSound(pugi::xml_node sound, MeasureMarks& marks) {
    DirectionValues values;
    if (pugi::xml_attribute tempo = sound.attribute("tempo")) {
        values.tempo = TempoFromQuartersPerMinute(tempo.as_double());
    }
    if (pugi::xml_attribute dynamics = sound.attribute("dynamics")) {
        const std::uint8_t velocity = VelocityFromPercent(dynamics.as_double());
        if (velocity > 0) values.velocity = velocity;
    }
    if (sound.attribute("segno")) marks.segno = true;
    if (sound.attribute("coda")) marks.coda = true;
    if (sound.attribute("tocoda")) marks.toCoda = true;
    if (sound.attribute("dalsegno")) marks.dalSegno = true;
    if (sound.attribute("fine")) marks.fine = true;
    if (std::string_view(sound.attribute("dacapo").as_string()) == "yes") marks.daCapo = true;
    return values;
}

DirectionValues ReadDirection(pugi::xml_node direction, MeasureMarks& marks) {
    DirectionValues values;
    for (pugi::xml_node type : direction.children("direction-type")) {
        if (pugi::xml_node metronome = type.child("metronome"); metronome && !values.tempo) {
            values.tempo = ReadMetronome(metronome);
        }
        if (pugi::xml_node dynamics = type.child("dynamics"); dynamics && !values.velocity) {
            values.velocity = ReadDynamicMark(dynamics);
        }
    }
    // What the sound says is meant for playback, so it wins over the printed marks.
    if (pugi::xml_node sound = direction.child("sound")) {
        const DirectionValues heard = ReadSound(sound, marks);
        if (heard.tempo) values.tempo = heard.tempo;
        if (heard.velocity) values.velocity = heard.velocity;
    }
    return values;
}

void ReadBarline(pugi::xml_node barline, MeasureMarks& marks) {
    if (pugi::xml_node repeat = barline.child("repeat")) {
        const std::string_view direction = repeat.attribute("direction").as_string();
        if (direction == "forward") marks.forwardRepeat = true;
        if (direction == "backward") {
            marks.backwardRepeat = true;
            marks.repeatTimes = std::clamp(repeat.attribute("times").as_int(2), 2, 16);
        }
    }
    if (pugi::xml_node ending = barline.child("ending")) {
        const std::string_view type = ending.attribute("type").as_string();
        if (type == "start") {
            marks.endings.clear();
            const char* text = ending.attribute("number").as_string();
            while (*text != 0) {
                if (std::isdigit(static_cast<unsigned char>(*text)) == 0) {
                    ++text;
                    continue;
                }
                char* end = nullptr;
                const long number = std::strtol(text, &end, 10);
                if (number > 0 && number < 100) marks.endings.push_back(static_cast<int>(number));
                text = end;
            }
        }
        if (type == "stop" || type == "discontinue") marks.endingStop = true;
    }
}

std::uint8_t NoteVelocity(pugi::xml_node note) {
    const pugi::xml_attribute dynamics = note.attribute("dynamics");
    return dynamics ? VelocityFromPercent(dynamics.as_double()) : 0;
}

}  // namespace ostinel::musicxml
