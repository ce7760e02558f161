#include "musicxml/part_reader.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>
#include <utility>

#include "musicxml/directions.h"
#include "musicxml/ornaments.h"

namespace ostinel::musicxml {

namespace {

constexpr int kMaxStaves = 16;
// Wavy lines are numbered 1-16 like every other line of a staff.
constexpr int kMaxLineNumber = 16;
// Real scores hold a few trill lines in a measure; a damaged one might hold
// one for every note, and every note is checked against every line.
constexpr std::size_t kMaxTrillLinesInMeasure = 64;

// The key of a written step in octave -1, before accidentals.
int StepKey(std::string_view step) {
    constexpr std::string_view kSteps = "C D EF G A B";
    if (step.size() != 1) return -1;
    const std::size_t at = kSteps.find(step[0]);
    return at == std::string_view::npos || step[0] == ' ' ? -1 : static_cast<int>(at);
}

int PitchKey(pugi::xml_node pitch, std::string_view stepName, std::string_view octaveName) {
    const int step = StepKey(pitch.child_value(stepName.data()));
    if (step < 0) return -1;
    const double alter = pitch.child("alter").text().as_double(0.0);
    const int octave = pitch.child(octaveName.data()).text().as_int(4);
    if (octave < -1 || octave > 9 || !std::isfinite(alter)) return -1;
    return (octave + 1) * 12 + step + static_cast<int>(std::lround(std::clamp(alter, -3.0, 3.0)));
}

std::uint8_t PowerOfTwoAtLeast(int value) {
    std::uint8_t power = 0;
    while (power < 6 && (1 << power) < value)
        ++power;
    return power;
}

// The sum of a "3+2" style count.
int SumOfCount(const char* text) {
    int sum = 0;
    while (*text != 0) {
        char* end = nullptr;
        const long part = std::strtol(text, &end, 10);
        if (end == text) {
            ++text;
            continue;
        }
        sum += static_cast<int>(std::clamp(part, 0L, 255L));
        text = end;
    }
    return sum;
}

// The wavy line of a trill over part of a staff, in ticks of one measure.
struct TrillLine {
    std::int16_t staff = 0;
    std::int16_t voice = 0;
    // A trill mark on a note that is not printed is read over the printed
    // notes beneath its line, in any voice: that is where a player sees it.
    bool overPrintedNotes = false;
    std::int64_t start = 0;
    std::int64_t end = 0;
};

class PartReader {
  public:
    PartReader(const PartSound& sound, std::int32_t division, const ReadingRules& rules,
               PartInfo& part)
        : sound_(sound), division_(division), rules_(rules), part_(part) {}

    LoadResult ReadMeasure(pugi::xml_node measure, MeasureMarks& marks) {
        marks.number = measure.attribute("number").as_string();
        marks.implicit = std::string_view(measure.attribute("implicit").as_string()) == "yes";
        marks.beats = beats_;
        marks.beatTypePower = beatTypePower_;
        marks.fifths = fifths_;
        marks.minor = minor_;
        notes_ = &part_.measures.emplace_back();
        cursor_ = 0;
        furthest_ = 0;
        lastOnset_ = 0;
        pendingGraces_.clear();
        for (pugi::xml_node child : measure.children()) {
            const std::string_view name = child.name();
            LoadResult result = LoadResult::Loaded;
            if (name == "note") {
                result = ReadNote(child);
            } else if (name == "backup" || name == "forward") {
                result = Move(child, name == "backup" ? -1 : 1);
            } else if (name == "attributes") {
                ReadAttributes(child, marks);
            } else if (name == "direction") {
                Take(ReadDirection(child, marks), child.child("offset"));
            } else if (name == "sound") {
                Take(ReadSound(child, marks), {});
            } else if (name == "barline") {
                ReadBarline(child, marks);
            }
            if (result != LoadResult::Loaded) return result;
        }
        PlaceGraces(cursor_);
        notes_->length = static_cast<std::int32_t>(furthest_);
        // A line still open goes on over the next measure from its start.
        for (auto& [id, line] : openLines_) {
            trillLines_.push_back({line.staff, line.voice, line.overPrintedNotes, line.start,
                                   std::max(furthest_, line.start)});
            line.start = 0;
        }
        ApplyTrillLines();
        return LoadResult::Loaded;
    }

  private:
    // A duration in the current divisions as ticks; false when it is not a
    // number or makes no sense as a length.
    bool Ticks(pugi::xml_node duration, std::int64_t& ticks) const {
        const double value = duration.text().as_double(-1.0);
        if (!std::isfinite(value) || value < 0.0) return false;
        const double exact = value * division_ / divisions_;
        if (exact > static_cast<double>(kMaxMeasureQuarters * division_)) return false;
        ticks = std::llround(exact);
        return true;
    }

    bool Advance(std::int64_t ticks) {
        cursor_ += ticks;
        if (cursor_ < 0 || cursor_ > kMaxMeasureQuarters * division_) return false;
        furthest_ = std::max(furthest_, cursor_);
        return true;
    }

    LoadResult Move(pugi::xml_node node, int direction) {
        std::int64_t ticks = 0;
        if (!Ticks(node.child("duration"), ticks)) return LoadResult::MeasureDoesNotAddUp;
        return Advance(direction * ticks) ? LoadResult::Loaded : LoadResult::MeasureDoesNotAddUp;
    }

    void ReadAttributes(pugi::xml_node attributes, MeasureMarks& marks) {
        if (pugi::xml_node divisions = attributes.child("divisions")) {
            const double value = divisions.text().as_double(0.0);
            if (std::isfinite(value) && value > 0.0) divisions_ = value;
        }
        if (pugi::xml_node key = attributes.child("key"); key && key.child("fifths")) {
            fifths_ =
                static_cast<std::int8_t>(std::clamp(key.child("fifths").text().as_int(), -7, 7));
            minor_ = std::string_view(key.child_value("mode")) == "minor";
            marks.fifths = fifths_;
            marks.minor = minor_;
            marks.keyHere = true;
        }
        if (pugi::xml_node time = attributes.child("time"); time && time.child("beats")) {
            const int beats = SumOfCount(time.child_value("beats"));
            const int beatType = time.child("beat-type").text().as_int(4);
            if (beats > 0 && beatType > 0) {
                beats_ = static_cast<std::uint8_t>(std::min(beats, 255));
                beatTypePower_ = PowerOfTwoAtLeast(beatType);
                marks.beats = beats_;
                marks.beatTypePower = beatTypePower_;
                marks.timeSignatureHere = true;
            }
        }
        if (pugi::xml_node staves = attributes.child("staves")) {
            part_.staves = std::clamp(staves.text().as_int(1), part_.staves, kMaxStaves);
        }
        if (pugi::xml_node transpose = attributes.child("transpose");
            transpose && !rules_.concertPitch) {
            const int chromatic =
                std::clamp(transpose.child("chromatic").text().as_int(0), -24, 24);
            const int octaves =
                std::clamp(transpose.child("octave-change").text().as_int(0), -4, 4);
            transpose_ = chromatic + 12 * octaves;
        }
    }

    void Take(const DirectionValues& values, pugi::xml_node offset) {
        double at = static_cast<double>(cursor_);
        // An offset (in divisions, possibly negative) places the direction
        // away from where it is written.
        const double shift = offset.text().as_double(0.0);
        if (std::isfinite(shift)) at += shift * division_ / divisions_;
        const auto ticks = static_cast<std::int32_t>(
            std::llround(std::clamp(at, 0.0, static_cast<double>(FurthestAllowed()))));
        if (values.tempo) notes_->tempos.push_back({ticks, *values.tempo});
        if (values.velocity) notes_->dynamics.push_back({ticks, *values.velocity});
    }

    std::int64_t FurthestAllowed() const { return kMaxMeasureQuarters * division_; }

    int SoundingKey(pugi::xml_node note) const {
        if (pugi::xml_node pitch = note.child("pitch")) {
            const int written = PitchKey(pitch, "step", "octave");
            return written < 0 ? -1 : written + transpose_;
        }
        if (pugi::xml_node unpitched = note.child("unpitched")) {
            const std::string id = note.child("instrument").attribute("id").as_string();
            const auto found = sound_.unpitchedKeys.find(id);
            if (found != sound_.unpitchedKeys.end()) return found->second;
            if (sound_.unpitchedKeys.size() == 1) return sound_.unpitchedKeys.begin()->second;
            return PitchKey(unpitched, "display-step", "display-octave");
        }
        return -1;  // a rest
    }

    LoadResult ReadNote(pugi::xml_node note) {
        const bool grace = static_cast<bool>(note.child("grace"));
        const bool chord = static_cast<bool>(note.child("chord"));
        std::int64_t duration = 0;
        if (!grace) {
            const pugi::xml_node length = note.child("duration");
            if (!length) return LoadResult::NoteWithoutDuration;
            if (!Ticks(length, duration)) return LoadResult::MeasureDoesNotAddUp;
        }
        std::int64_t onset = cursor_;
        if (chord && !grace) onset = lastOnset_;
        if (!grace && !chord) {
            lastOnset_ = cursor_;
            if (!Advance(duration)) return LoadResult::MeasureDoesNotAddUp;
        }
        if (!grace) FollowWavyLines(note, onset, duration);
        // Cue notes take their time in the voice but are not played.
        if (note.child("cue") && !rules_.playCueNotes) return LoadResult::Loaded;
        const int key = SoundingKey(note);
        if (!grace && !chord) PlaceGraces(onset);
        if (key < 0 || key > 127) return LoadResult::Loaded;
        ScoreNote stored;
        stored.onset = static_cast<std::int32_t>(onset);
        stored.duration = static_cast<std::int32_t>(duration);
        stored.key = static_cast<std::uint8_t>(key);
        stored.staff = static_cast<std::int16_t>(
            std::clamp(note.child("staff").text().as_int(1), 1, part_.staves) - 1);
        stored.voice = static_cast<std::int16_t>(note.child("voice").text().as_int(1));
        stored.velocity = NoteVelocity(note);
        stored.printed = std::string_view(note.attribute("print-object").as_string()) != "no";
        if (!grace) TakeOrnaments(note, stored);
        // A tremolo is marked once, on the chord's first note, for all of it.
        if (chord && !grace && stored.strokeTicks == 0) stored.strokeTicks = chordStrokeTicks_;
        if (!chord) chordStrokeTicks_ = stored.strokeTicks;
        for (pugi::xml_node tie : note.children("tie")) {
            const std::string_view type = tie.attribute("type").as_string();
            if (type == "start") stored.tieStart = true;
            if (type == "stop") stored.tieStop = true;
        }
        if (grace) {
            // A grace chord shares one step; a new grace note starts the next.
            if (!chord || pendingGraces_.empty()) ++graceStepCount_;
            stored.graceSteps = static_cast<std::uint8_t>(std::min(graceStepCount_, 255));
            pendingGraces_.push_back(notes_->notes.size());
        }
        notes_->notes.push_back(stored);
        return LoadResult::Loaded;
    }

    void TakeOrnaments(pugi::xml_node note, ScoreNote& stored) const {
        stored.strokeTicks = TremoloTicks(note, division_);
        if (pugi::xml_node roll = note.child("notations").child("arpeggiate")) {
            stored.arpeggio =
                std::string_view(roll.attribute("direction").as_string()) == "down" ? 2 : 1;
        }
        const int written = PitchKey(note.child("pitch"), "step", "octave");
        if (written < 0) return;
        OrnamentReading ornament = ReadOrnament(note, written, fifths_);
        // Every note keeps its neighbours for a trill line that may pass over it.
        if (ornament.ornament == Ornament::None) {
            ornament = ScaleNeighbours(note.child("pitch"), written, fifths_);
        }
        if (ornament.upperKey < 0 || ornament.lowerKey < 0) return;
        const int upper = ornament.upperKey + transpose_;
        const int lower = ornament.lowerKey + transpose_;
        if (upper > 127 || lower < 0) return;
        stored.ornament = ornament.ornament;
        stored.upperKey = static_cast<std::uint8_t>(upper);
        stored.lowerKey = static_cast<std::uint8_t>(lower);
    }

    // A wavy line starts at a note with a trill mark and ends with the note
    // that stops it, in this measure or a later one.
    void FollowWavyLines(pugi::xml_node note, std::int64_t onset, std::int64_t duration) {
        const pugi::xml_node ornaments = note.child("notations").child("ornaments");
        if (!ornaments) return;
        const auto staff = static_cast<std::int16_t>(
            std::clamp(note.child("staff").text().as_int(1), 1, part_.staves) - 1);
        for (pugi::xml_node wavy : ornaments.children("wavy-line")) {
            const std::string_view type = wavy.attribute("type").as_string();
            const std::pair<int, int> id{
                staff, std::clamp(wavy.attribute("number").as_int(1), 1, kMaxLineNumber)};
            if (type == "start" && ornaments.child("trill-mark")) {
                const bool printed =
                    std::string_view(note.attribute("print-object").as_string()) != "no";
                openLines_[id] = {staff,
                                  static_cast<std::int16_t>(note.child("voice").text().as_int(1)),
                                  !printed, onset, onset + duration};
            } else if (type == "stop") {
                const auto open = openLines_.find(id);
                if (open == openLines_.end()) continue;
                TrillLine line = open->second;
                line.end = std::max(onset + duration, line.start);
                if (trillLines_.size() < kMaxTrillLinesInMeasure) trillLines_.push_back(line);
                openLines_.erase(open);
            }
        }
    }

    // The notes that a trill line passes over are trilled to their end.
    void ApplyTrillLines() {
        for (ScoreNote& note : notes_->notes) {
            if (note.graceSteps > 0 || note.duration <= 0 || note.ornament != Ornament::None ||
                note.strokeTicks > 0 || note.upperKey == 0) {
                continue;
            }
            for (const TrillLine& line : trillLines_) {
                const bool beneath = note.staff == line.staff && note.onset < line.end &&
                                     note.onset + note.duration > line.start;
                const bool read = line.overPrintedNotes ? note.printed : note.voice == line.voice;
                if (beneath && read) note.ornament = Ornament::Trill;
            }
        }
        trillLines_.clear();
    }

    // The grace notes read since the last principal note go before the one
    // that starts at `principalOnset`: the first of them furthest before it.
    void PlaceGraces(std::int64_t principalOnset) {
        for (std::size_t index : pendingGraces_) {
            ScoreNote& grace = notes_->notes[index];
            grace.graceSteps = static_cast<std::uint8_t>(graceStepCount_ + 1 - grace.graceSteps);
            grace.onset = static_cast<std::int32_t>(principalOnset);
        }
        pendingGraces_.clear();
        graceStepCount_ = 0;
    }

    const PartSound& sound_;
    const std::int32_t division_;
    const ReadingRules rules_;
    PartInfo& part_;
    MeasureNotes* notes_ = nullptr;
    double divisions_ = 1.0;
    int transpose_ = 0;
    std::uint8_t beats_ = 4;
    std::uint8_t beatTypePower_ = 2;
    std::int8_t fifths_ = 0;
    bool minor_ = false;
    std::int64_t cursor_ = 0;
    std::int64_t furthest_ = 0;
    std::int64_t lastOnset_ = 0;
    std::vector<std::size_t> pendingGraces_;
    int graceStepCount_ = 0;
    std::int32_t chordStrokeTicks_ = 0;
    std::map<std::pair<int, int>, TrillLine> openLines_;  // by staff and line number
    std::vector<TrillLine> trillLines_;                   // over the measure being read
};

}  // namespace

LoadResult ReadPart(pugi::xml_node partNode, const PartSound& sound, std::int32_t division,
                    const ReadingRules& rules, PartInfo& part, std::vector<MeasureMarks>& marks) {
    part.id = sound.id;
    part.name = sound.name;
    part.channel = sound.channel;
    part.program = sound.program;
    PartReader reader(sound, division, rules, part);
    for (pugi::xml_node measure : partNode.children("measure")) {
        if (LoadResult result = reader.ReadMeasure(measure, marks.emplace_back());
            result != LoadResult::Loaded) {
            return result;
        }
    }
    return LoadResult::Loaded;
}

}  // namespace ostinel::musicxml
