#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <string>

#include "musicxml/timeline.h"

namespace ostinel::musicxml {

namespace {

constexpr std::uint8_t kDefaultVelocity = 80;  // mezzo forte until the score says otherwise
// The most notes the unfolded score may hold, ornaments played out: real
// scores hold a few ten thousand; more is a damaged file.
constexpr std::size_t kMaxNotes = std::size_t{1} << 21;
// Notes of a tie meet exactly, but rounding of odd divisions may leave them
// this far apart.
constexpr std::uint32_t kTieSlackTicks = 2;
// Ornament notes are 32nds, but never slower than eight a second: a trill
// at a slow tempo goes in 64ths, as a player's fingers keep their speed.
constexpr std::uint64_t kLongestOrnamentNoteUs = 125'000;
// How many of a staff's latest notes a grace note looks at for the one it
// takes its time from (a chord of all voices is far fewer).
constexpr std::size_t kGraceLookBack = 32;

struct PlayedNote {
    std::uint32_t on = 0;
    std::uint32_t off = 0;
    std::uint32_t principal = 0;  // a grace note's principal onset
    std::uint8_t key = 0;
    std::uint8_t velocity = 0;
    bool grace = false;
};

std::string StaffName(const PartInfo& part, int staff, int partNumber) {
    const std::string name = part.name.empty() ? "Part " + std::to_string(partNumber) : part.name;
    if (part.staves == 1) return name;
    if (part.staves == 2) return name + (staff == 0 ? " RH" : " LH");
    return name + " " + std::to_string(staff + 1);
}

// How late each note of `notes` (in onset order) starts: the notes of a
// rolled chord one `step` after another from the bottom (from the top when
// rolled downwards), each at most half its length late.
std::vector<std::uint32_t> RollDelays(const std::vector<const ScoreNote*>& notes,
                                      std::uint32_t step) {
    std::vector<std::uint32_t> delays(notes.size(), 0);
    std::vector<std::size_t> rolled;
    for (std::size_t first = 0, last = 0; first < notes.size(); first = last) {
        rolled.clear();
        for (last = first; last < notes.size() && notes[last]->onset == notes[first]->onset;
             ++last) {
            if (notes[last]->arpeggio != 0 && notes[last]->graceSteps == 0) rolled.push_back(last);
        }
        if (rolled.empty()) continue;
        const bool down = notes[rolled.front()]->arpeggio == 2;
        std::stable_sort(
            rolled.begin(), rolled.end(), [&notes, down](std::size_t a, std::size_t b) {
                return down ? notes[a]->key > notes[b]->key : notes[a]->key < notes[b]->key;
            });
        for (std::size_t rank = 0; rank < rolled.size(); ++rank) {
            const auto half = static_cast<std::uint32_t>(notes[rolled[rank]]->duration / 2);
            delays[rolled[rank]] = std::min(static_cast<std::uint32_t>(rank) * step, half);
        }
    }
    return delays;
}

// Joins ties and places grace notes for one part, staff by staff.
class PartNotes {
  public:
    // At most `budget` notes are taken; Exhausted() says when more were asked
    // for. `tempos`: microseconds per quarter note by tick, as TempoChanges.
    PartNotes(const PartInfo& part, std::uint32_t division, std::uint32_t graceTicks,
              const std::map<std::uint32_t, std::uint32_t>& tempos, std::size_t budget)
        : part_(part),
          division_(division),
          graceTicks_(graceTicks),
          tempos_(tempos),
          staves_(static_cast<std::size_t>(part.staves)),
          budget_(budget) {}

    void AddMeasure(const PlayedMeasure& played) {
        const auto index = static_cast<std::size_t>(played.index);
        if (index >= part_.measures.size()) return;
        const MeasureNotes& measure = part_.measures[index];
        std::vector<const ScoreNote*> notes;
        for (const ScoreNote& note : measure.notes)
            notes.push_back(&note);
        // Voices come one after another in the file; ties and loudness go by time.
        std::stable_sort(notes.begin(), notes.end(), [](const ScoreNote* a, const ScoreNote* b) {
            return a->onset < b->onset;
        });
        std::vector<TimedValue> dynamics = measure.dynamics;
        std::stable_sort(
            dynamics.begin(), dynamics.end(),
            [](const TimedValue& a, const TimedValue& b) { return a.offset < b.offset; });
        const std::vector<std::uint32_t> delays = RollDelays(notes, graceTicks_);
        std::size_t nextDynamic = 0;
        for (std::size_t i = 0; i < notes.size(); ++i) {
            const ScoreNote& note = *notes[i];
            while (nextDynamic < dynamics.size() && dynamics[nextDynamic].offset <= note.onset)
                velocity_ = static_cast<std::uint8_t>(dynamics[nextDynamic++].value);
            Add(note, played.start, delays[i]);
        }
        while (nextDynamic < dynamics.size())
            velocity_ = static_cast<std::uint8_t>(dynamics[nextDynamic++].value);
    }

    std::size_t Count() const { return count_; }
    bool Exhausted() const { return exhausted_; }

    const std::vector<PlayedNote>& Staff(int staff) const {
        return staves_[static_cast<std::size_t>(staff)];
    }

  private:
    // `delay`: how late a note of a rolled chord starts.
    void Add(const ScoreNote& note, std::uint32_t measureStart, std::uint32_t delay) {
        std::vector<PlayedNote>& staff = staves_[static_cast<std::size_t>(note.staff)];
        const std::uint32_t written = measureStart + static_cast<std::uint32_t>(note.onset);
        if (note.graceSteps > 0) {
            AddGrace(note, written, staff);
            return;
        }
        if (note.duration <= 0) return;
        const std::uint32_t onset = written + delay;
        const std::uint32_t end = written + static_cast<std::uint32_t>(note.duration);
        // A trill goes on over the tied note beneath its line.
        if (note.tieStop && note.ornament != Ornament::Trill && JoinTie(note, onset, end)) return;
        const std::uint8_t velocity = VelocityOf(note);
        if (note.ornament != Ornament::None && note.ornament != Ornament::Trill) {
            AddFigure(note, onset, end, velocity, staff);
        } else if (note.ornament == Ornament::Trill || note.strokeTicks > 0) {
            AddRepeated(note, onset, end, velocity, staff);
        } else {
            Push(staff, {onset, end, onset, note.key, velocity, false});
        }
        if (note.tieStart && !staff.empty() && staff.back().key == note.key) {
            openTies_[note.key] = {note.staff, staff.size() - 1};
        }
    }

    // A trill alternates the note with its upper neighbour in 32nd notes,
    // starting on the note; a tremolo repeats it at its strokes.
    void AddRepeated(const ScoreNote& note, std::uint32_t onset, std::uint32_t end,
                     std::uint8_t velocity, std::vector<PlayedNote>& staff) {
        const bool trill = note.ornament == Ornament::Trill;
        const std::uint32_t step =
            trill ? OrnamentTicks(onset) : static_cast<std::uint32_t>(note.strokeTicks);
        std::uint32_t index = 0;
        for (std::uint32_t on = onset; on < end; on += step, ++index) {
            const std::uint8_t key = trill && index % 2 == 1 ? note.upperKey : note.key;
            // A last stroke shorter than half a step joins the one before.
            const bool last = on + step + step / 2 > end;
            if (!Push(staff, {on, last ? end : on + step, on, key, velocity, false}) || last) break;
        }
    }

    // A mordent or a turn: its notes in 32nds (faster in a short note), the
    // last one held to the note's end.
    void AddFigure(const ScoreNote& note, std::uint32_t onset, std::uint32_t end,
                   std::uint8_t velocity, std::vector<PlayedNote>& staff) {
        const std::uint8_t main = note.key;
        const std::uint8_t up = note.upperKey;
        const std::uint8_t down = note.lowerKey;
        std::array<std::uint8_t, 4> keys{};
        std::size_t count = 4;
        switch (note.ornament) {
            case Ornament::Mordent:
                keys = {main, down, main, 0};
                count = 3;
                break;
            case Ornament::InvertedMordent:
                keys = {main, up, main, 0};
                count = 3;
                break;
            case Ornament::Turn:
                keys = {up, main, down, main};
                break;
            default:
                keys = {down, main, up, main};
                break;
        }
        const std::uint32_t step = std::min<std::uint32_t>(
            OrnamentTicks(onset), (end - onset) / static_cast<std::uint32_t>(count));
        if (step == 0) {
            Push(staff, {onset, end, onset, main, velocity, false});
            return;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t on = onset + static_cast<std::uint32_t>(i) * step;
            const std::uint32_t off = i + 1 == count ? end : on + step;
            if (!Push(staff, {on, off, on, keys[i], velocity, false})) return;
        }
    }

    // The length of an ornament's notes at `tick`: a 32nd, halved while the
    // tempo there makes it longer than kLongestOrnamentNoteUs.
    std::uint32_t OrnamentTicks(std::uint32_t tick) const {
        std::uint64_t quarterUs = kDefaultQuarterUs;
        if (auto after = tempos_.upper_bound(tick); after != tempos_.begin()) {
            quarterUs = std::prev(after)->second;
        }
        std::uint32_t ticks = graceTicks_;
        while (ticks > 1 && std::uint64_t{ticks} * quarterUs > kLongestOrnamentNoteUs * division_)
            ticks /= 2;
        return ticks;
    }

    // A tie joins the note that ends where this one starts, on any staff of
    // the part (ties may cross from one hand to the other).
    bool JoinTie(const ScoreNote& note, std::uint32_t onset, std::uint32_t end) {
        const auto open = openTies_.find(note.key);
        if (open == openTies_.end()) return false;
        PlayedNote& tied =
            staves_[static_cast<std::size_t>(open->second.first)][open->second.second];
        const bool meets = tied.off + kTieSlackTicks >= onset && tied.off <= onset + kTieSlackTicks;
        if (!meets) {
            openTies_.erase(open);
            return false;
        }
        tied.off = std::max(tied.off, end);
        if (!note.tieStart) openTies_.erase(open);
        return true;
    }

    // Grace notes sound just before their principal note; the note before
    // them gives up the time.
    void AddGrace(const ScoreNote& note, std::uint32_t principal, std::vector<PlayedNote>& staff) {
        const std::uint32_t before = graceTicks_ * note.graceSteps;
        const std::uint32_t on = principal > before ? principal - before : 0;
        const std::uint32_t off = std::min(on + graceTicks_, principal > on ? principal : on + 1);
        const std::size_t window = std::min(staff.size(), kGraceLookBack);
        for (auto it = staff.rbegin(); it != staff.rbegin() + static_cast<std::ptrdiff_t>(window);
             ++it) {
            if (!it->grace && it->on < on && it->off > on && it->off <= principal) it->off = on;
        }
        Push(staff, {on, off, principal, note.key, VelocityOf(note), true});
    }

    bool Push(std::vector<PlayedNote>& staff, const PlayedNote& note) {
        if (count_ >= budget_) {
            exhausted_ = true;
            return false;
        }
        staff.push_back(note);
        ++count_;
        return true;
    }

    std::uint8_t VelocityOf(const ScoreNote& note) const {
        return note.velocity > 0 ? note.velocity : velocity_;
    }

    const PartInfo& part_;
    const std::uint32_t division_;
    const std::uint32_t graceTicks_;
    const std::map<std::uint32_t, std::uint32_t>& tempos_;
    std::vector<std::vector<PlayedNote>> staves_;
    std::map<std::uint8_t, std::pair<int, std::size_t>> openTies_;  // key: staff, note
    std::uint8_t velocity_ = kDefaultVelocity;
    const std::size_t budget_;
    std::size_t count_ = 0;
    bool exhausted_ = false;
};

MidiFileTrack StaffTrack(const PartInfo& part, int partNumber, int staff,
                         const std::vector<PlayedNote>& notes) {
    MidiFileTrack track;
    track.AddTrackName(0, StaffName(part, staff, partNumber));
    const auto channel = static_cast<std::uint8_t>(part.channel);
    const std::uint8_t program[] = {static_cast<std::uint8_t>(kProgramChange | channel),
                                    static_cast<std::uint8_t>(part.program)};
    track.AddMessage(0, program);
    struct Edge {
        std::uint32_t tick;
        bool on;
        std::uint8_t key;
        std::uint8_t velocity;
    };
    std::vector<Edge> edges;
    edges.reserve(notes.size() * 2);
    for (const PlayedNote& note : notes) {
        edges.push_back({note.on, true, note.key, note.velocity});
        edges.push_back({note.off, false, note.key, 0});
    }
    // At one tick, notes end before others start, so a repeated key sounds again.
    std::stable_sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
        return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
    });
    for (const Edge& edge : edges) {
        const std::uint8_t bytes[] = {
            static_cast<std::uint8_t>((edge.on ? kNoteOn : kNoteOff) | channel), edge.key,
            edge.velocity};
        track.AddMessage(edge.tick, bytes);
    }
    return track;
}

}  // namespace

LoadResult BuildStaffTracks(const Score& score, const std::vector<PlayedMeasure>& played,
                            std::vector<MidiFileTrack>& tracks) {
    // A grace note lasts a 32nd note.
    const auto graceTicks =
        std::max<std::uint32_t>(static_cast<std::uint32_t>(score.division) / 8, 1);
    const std::map<std::uint32_t, std::uint32_t> tempos = TempoChanges(score, played);
    std::size_t total = 0;
    for (std::size_t p = 0; p < score.parts.size(); ++p) {
        const PartInfo& part = score.parts[p];
        PartNotes notes(part, static_cast<std::uint32_t>(score.division), graceTicks, tempos,
                        kMaxNotes - total);
        for (const PlayedMeasure& measure : played) {
            notes.AddMeasure(measure);
            if (notes.Exhausted()) return LoadResult::FileTooLarge;
        }
        total += notes.Count();
        for (int staff = 0; staff < part.staves; ++staff)
            tracks.push_back(StaffTrack(part, static_cast<int>(p) + 1, staff, notes.Staff(staff)));
    }
    return LoadResult::Loaded;
}

}  // namespace ostinel::musicxml
