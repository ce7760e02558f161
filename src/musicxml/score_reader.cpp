#include "musicxml/score_reader.h"

#include <cmath>
#include <numeric>
#include <pugixml.hpp>
#include <string_view>

#include "musicxml/part_list.h"
#include "musicxml/part_reader.h"

namespace ostinel::musicxml {

namespace {

// The tick unit is a multiple of every <divisions> in the score, so that
// durations (triplets included) come out exact, and of this, so that every
// note value down to a 64th and the grace length are whole ticks.
constexpr std::int32_t kBaseDivision = 480;
// A tick unit beyond this would leave long pieces short of ticks; durations
// are then rounded to this one.
constexpr std::int32_t kLargestDivision = 15360;
constexpr std::int32_t kRoundedDivision = 3840;

std::int32_t TickUnit(pugi::xml_node root) {
    std::int64_t unit = kBaseDivision;
    for (pugi::xml_node part : root.children("part")) {
        for (pugi::xml_node measure : part.children("measure")) {
            for (pugi::xml_node attributes : measure.children("attributes")) {
                const double divisions = attributes.child("divisions").text().as_double(0.0);
                if (!std::isfinite(divisions) || divisions < 1.0 || divisions > kLargestDivision ||
                    divisions != std::floor(divisions)) {
                    continue;
                }
                unit = std::lcm(unit, static_cast<std::int64_t>(divisions));
                if (unit > kLargestDivision) return kRoundedDivision;
            }
        }
    }
    return static_cast<std::int32_t>(unit);
}

// MuseScore 2 wrote every small note as a cue note, and plays them: in its
// scores they are written-out ornaments, not another part's cues.
bool CueNotesPlayed(pugi::xml_node root) {
    for (pugi::xml_node software :
         root.child("identification").child("encoding").children("software")) {
        const std::string_view name = software.text().as_string();
        if (name.starts_with("MuseScore 1") || name.starts_with("MuseScore 2")) return true;
    }
    return false;
}

std::string TitleOf(pugi::xml_node root) {
    std::string title = root.child_value("movement-title");
    if (title.empty()) title = root.child("work").child_value("work-title");
    return title;
}

// Jumps may be written in any part; repeats and meters are the first part's.
void TakeJumps(const std::vector<MeasureMarks>& from, std::vector<MeasureMarks>& into) {
    for (std::size_t i = 0; i < from.size() && i < into.size(); ++i) {
        into[i].segno = into[i].segno || from[i].segno;
        into[i].coda = into[i].coda || from[i].coda;
        into[i].toCoda = into[i].toCoda || from[i].toCoda;
        into[i].daCapo = into[i].daCapo || from[i].daCapo;
        into[i].dalSegno = into[i].dalSegno || from[i].dalSegno;
        into[i].fine = into[i].fine || from[i].fine;
    }
}

}  // namespace

LoadResult ReadScore(std::span<const std::uint8_t> xml, Score& score) {
    pugi::xml_document document;
    if (!document.load_buffer(xml.data(), xml.size())) return LoadResult::NotXml;
    const pugi::xml_node root = document.document_element();
    const std::string_view kind = root.name();
    if (kind == "score-timewise") return LoadResult::TimewiseScore;
    if (kind != "score-partwise") return LoadResult::NotMusicXml;

    score = Score{};
    score.title = TitleOf(root);
    score.division = TickUnit(root);
    const std::vector<PartSound> sounds = ReadPartList(root.child("part-list"));
    ReadingRules rules;
    rules.playCueNotes = CueNotesPlayed(root);
    // A concert score shows every part as it sounds; its transpositions
    // only say how a part would be printed for its player.
    rules.concertPitch = static_cast<bool>(root.child("defaults").child("concert-score"));
    bool first = true;
    for (pugi::xml_node partNode : root.children("part")) {
        const std::string_view id = partNode.attribute("id").as_string();
        PartSound unlisted;
        unlisted.id = id;
        unlisted.channel = 0;
        const PartSound* sound = &unlisted;
        for (const PartSound& listed : sounds) {
            if (listed.id == id) sound = &listed;
        }
        PartInfo& part = score.parts.emplace_back();
        std::vector<MeasureMarks> marks;
        if (LoadResult result = ReadPart(partNode, *sound, score.division, rules, part, marks);
            result != LoadResult::Loaded) {
            return result;
        }
        if (first) {
            score.marks = std::move(marks);
            first = false;
        } else {
            TakeJumps(marks, score.marks);
        }
    }
    return LoadResult::Loaded;
}

}  // namespace ostinel::musicxml
