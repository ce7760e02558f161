#include "humanise.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <random>

namespace ostinel::performance {

namespace {

constexpr std::uint32_t kTicksPerQuarter = 500;
constexpr std::uint32_t kMicrosecondsPerQuarter = 500000;  // with 500 ticks: 1 tick = 1 ms
constexpr int kProtectedFirstNotes =
    4;  // faults stay clear of the opening, where a follower locks on
constexpr int kProtectedLastNotes = 2;
constexpr double kLongestRitardandoMs = 4000;
constexpr std::uint32_t kTapLengthMs = 80;
constexpr std::uint32_t kShortestNoteMs = 30;
constexpr std::uint32_t kRepeatedKeyGapMs = 5;  // release before the same key sounds again

// Draws from std::mt19937 by hand: the standard distributions differ between
// libraries, the engine's output does not.
class Random {
  public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}

    double Uniform() { return static_cast<double>(engine_()) / 4294967296.0; }  // [0, 1)
    double Uniform(double low, double high) { return low + (high - low) * Uniform(); }
    int Below(int count) {
        return std::min(count - 1, static_cast<int>(Uniform() * static_cast<double>(count)));
    }
    double Normal() {
        const double u1 = 1.0 - Uniform();  // (0, 1]: the logarithm stays finite
        const double u2 = Uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }

  private:
    std::mt19937 engine_;
};

// A stretch of the score played without a break, in score ms.
struct Segment {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;  // exclusive; the last segment runs on to the end of the piece
    double progress = 0;    // score ms played before it
};

// A score note (or beat) to be played, before timing is applied.
struct SourceNote {
    std::uint32_t scoreMs = 0;
    std::uint32_t lengthMs = 0;
    int channel = 0;
    int key = 0;
    int velocity = 0;
};

std::optional<std::uint32_t> BarStart(const Piece& piece, int bar) {
    for (const BeatRecord& beat : piece.beatMap) {
        if (beat.measure == bar && beat.beat == 1) return beat.time;
    }
    return std::nullopt;
}

int LastBar(const Piece& piece) {
    if (piece.beatMap.empty()) return 0;
    const BeatRecord& last = piece.beatMap.back();
    return last.beat == 1 && last.measure > 1 ? last.measure - 1 : last.measure;
}

bool IsNoteOn(const TrackEvent& event) {
    return event.kind == kNoteOn && event.data2 > 0;
}

bool IsNoteOff(const TrackEvent& event) {
    return event.kind == kNoteOff || (event.kind == kNoteOn && event.data2 == 0);
}

// Note-ons with the time until their release.
std::vector<SourceNote> TrackNotes(const Track& track) {
    std::vector<SourceNote> notes;
    for (std::size_t i = 0; i < track.events.size(); ++i) {
        const TrackEvent& on = track.events[i];
        if (!IsNoteOn(on)) continue;
        std::uint32_t end = on.time + 250;  // a note never released sounds briefly
        for (std::size_t j = i + 1; j < track.events.size(); ++j) {
            const TrackEvent& off = track.events[j];
            if (off.data1 == on.data1 && (IsNoteOff(off) || IsNoteOn(off))) {
                end = off.time;
                break;
            }
        }
        notes.push_back({on.time, std::max<std::uint32_t>(end - on.time, 1), track.fileChannel,
                         on.data1, on.data2});
    }
    return notes;
}

// The performed time of each ms of score progress, from the tempo curve.
class TempoCurve {
  public:
    TempoCurve(const HumaniseOptions& options, double firstOnsetProgress, double totalProgress,
               double lastOnsetProgress, Random& random)
        : leadInMs_(options.leadInMs) {
        const double slowPeriod = random.Uniform(14000, 22000);
        const double fastPeriod = random.Uniform(5000, 9000);
        const double slowPhase = random.Uniform(0, 2 * std::numbers::pi);
        const double fastPhase = random.Uniform(0, 2 * std::numbers::pi);
        const double ritardandoLength = std::min(kLongestRitardandoMs, lastOnsetProgress / 4);
        const double ritardandoStart = lastOnsetProgress - ritardandoLength;
        auto speedAt = [&](double u) {
            const double wave = 0.65 * std::sin(2 * std::numbers::pi * u / slowPeriod + slowPhase) +
                                0.35 * std::sin(2 * std::numbers::pi * u / fastPeriod + fastPhase);
            double slowing = 0;
            if (ritardandoLength > 0 && u > ritardandoStart)
                slowing = std::min(1.0, (u - ritardandoStart) / ritardandoLength);
            return options.speed * (1 + options.drift * wave) * (1 - options.ritardando * slowing);
        };
        const auto steps = static_cast<std::size_t>(std::ceil(totalProgress)) + 1;
        elapsed_.resize(steps + 1);
        elapsed_[0] = 0;
        for (std::size_t i = 1; i < elapsed_.size(); ++i) {
            const double speed = std::max(0.05, speedAt(static_cast<double>(i) - 0.5));
            elapsed_[i] = elapsed_[i - 1] + 1.0 / speed;
        }
        // The first note comes after the lead-in, whatever the score has before it.
        leadInMs_ -= Elapsed(firstOnsetProgress);
    }

    // Performed ms at `progress` score ms into the performance.
    double At(double progress) const { return leadInMs_ + Elapsed(progress); }

  private:
    double Elapsed(double progress) const {
        const double clamped = std::clamp(progress, 0.0, static_cast<double>(elapsed_.size() - 1));
        const auto index = std::min(static_cast<std::size_t>(clamped), elapsed_.size() - 2);
        const double fraction = clamped - static_cast<double>(index);
        return elapsed_[index] + fraction * (elapsed_[index + 1] - elapsed_[index]);
    }

    double leadInMs_;
    std::vector<double> elapsed_;
};

std::uint32_t RoundMs(double ms) {
    return static_cast<std::uint32_t>(std::llround(std::max(0.0, ms)));
}

// Where the player goes: from the start, through the jumps in the order they come.
bool LayOutSegments(const Piece& piece, const HumaniseOptions& options,
                    std::vector<Segment>& segments, std::string& error) {
    const int lastBar = LastBar(piece);
    auto barStart = [&](int bar, const char* what) -> std::optional<std::uint32_t> {
        if (bar < 1 || bar > lastBar + 1) {
            error = std::string(what) + " bar " + std::to_string(bar) + " is not in the piece (1-" +
                    std::to_string(lastBar) + ")";
            return std::nullopt;
        }
        if (bar == lastBar + 1) return piece.length;
        const auto time = BarStart(piece, bar);
        if (!time) error = std::string(what) + " bar " + std::to_string(bar) + " has no first beat";
        return time;
    };

    std::uint32_t position = 0;
    if (options.startBar > 1) {
        const auto start = barStart(options.startBar, "start");
        if (!start) return false;
        position = *start;
    }
    struct Jump {
        std::uint32_t from;
        std::uint32_t to;
        bool taken = false;
    };
    std::vector<Jump> jumps;
    if (options.skipBar > 0) {
        const auto from = barStart(options.skipBar, "skipped");
        if (!from) return false;
        const auto to = barStart(options.skipBar + 1, "skipped");
        if (!to) return false;
        if (*from <= position || options.skipBar >= lastBar) {
            error = "the skipped bar must come after the start and before the last bar";
            return false;
        }
        jumps.push_back({*from, *to});
    }
    if (options.repeatFrom > 0 || options.repeatTo > 0) {
        if (options.repeatTo < 1 || options.repeatTo > options.repeatFrom) {
            error = "a repeat goes back from a bar to the same or an earlier one";
            return false;
        }
        const auto from = barStart(options.repeatFrom + 1, "repeated");
        if (!from) return false;
        const auto to = barStart(options.repeatTo, "repeated");
        if (!to) return false;
        if (*to < position || options.repeatFrom >= lastBar) {
            error = "the repeat must lie after the start and end before the last bar";
            return false;
        }
        jumps.push_back({*from, *to});
    }

    double progress = 0;
    while (true) {
        Jump* next = nullptr;
        for (Jump& jump : jumps) {
            if (!jump.taken && jump.from > position && (next == nullptr || jump.from < next->from))
                next = &jump;
        }
        if (next == nullptr) {
            segments.push_back({position, std::max(position, piece.length) + 1, progress});
            return true;
        }
        segments.push_back({position, next->from, progress});
        progress += next->from - position;
        position = next->to;
        next->taken = true;
    }
}

// Score notes as the player meets them: each with its score progress.
struct Placed {
    SourceNote note;
    double progress = 0;
};

std::vector<Placed> Place(const std::vector<SourceNote>& notes,
                          const std::vector<Segment>& segments) {
    std::vector<Placed> placed;
    for (const Segment& segment : segments) {
        for (const SourceNote& note : notes) {
            if (note.scoreMs >= segment.begin && note.scoreMs < segment.end)
                placed.push_back({note, segment.progress + (note.scoreMs - segment.begin)});
        }
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed& a, const Placed& b) { return a.progress < b.progress; });
    return placed;
}

// `count` distinct indices from [first, last), in ascending order.
std::vector<std::size_t> Pick(Random& random, std::size_t first, std::size_t last, int count) {
    std::vector<std::size_t> pool;
    for (std::size_t i = first; i < last; ++i)
        pool.push_back(i);
    std::vector<std::size_t> picked;
    for (int n = 0; n < count && !pool.empty(); ++n) {
        const auto at = static_cast<std::size_t>(random.Below(static_cast<int>(pool.size())));
        picked.push_back(pool[at]);
        pool[at] = pool.back();
        pool.pop_back();
    }
    std::sort(picked.begin(), picked.end());
    return picked;
}

// A key `distance` keys or fewer away from `key` that no note near `timeMs` is playing.
int NeighbourKey(Random& random, const std::vector<PlayedNote>& notes, int key,
                 std::uint32_t timeMs, int distance) {
    auto taken = [&](int candidate) {
        return std::any_of(notes.begin(), notes.end(), [&](const PlayedNote& note) {
            return note.key == candidate && note.onMs <= timeMs + 200 && note.offMs + 200 >= timeMs;
        });
    };
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int step = 1 + random.Below(distance);
        const int candidate = key + (random.Below(2) == 0 ? -step : step);
        if (candidate >= 0 && candidate <= 127 && !taken(candidate)) return candidate;
    }
    return std::clamp(key + distance + 1, 0, 127);
}

void SortByTime(std::vector<PlayedNote>& notes) {
    std::stable_sort(notes.begin(), notes.end(), [](const PlayedNote& a, const PlayedNote& b) {
        return a.onMs != b.onMs ? a.onMs < b.onMs : a.key < b.key;
    });
}

// A key struck again is released first.
void ReleaseBeforeRepeats(std::vector<PlayedNote>& notes) {
    for (std::size_t i = 0; i < notes.size(); ++i) {
        for (std::size_t j = i + 1; j < notes.size(); ++j) {
            if (notes[j].key != notes[i].key || notes[j].channel != notes[i].channel) continue;
            if (notes[i].offMs + kRepeatedKeyGapMs > notes[j].onMs) {
                const std::uint32_t room = notes[j].onMs - notes[i].onMs;
                notes[i].offMs =
                    notes[i].onMs + (room > 2 * kRepeatedKeyGapMs ? room - kRepeatedKeyGapMs
                                                                  : std::max(room / 2, 1u));
            }
            break;
        }
    }
}

}  // namespace

bool Humanise(const Piece& piece, const HumaniseOptions& options, Performance& performance,
              std::string& error) {
    performance = {};
    const int trackCount = piece.TrackCount();
    if (options.track < 1 || options.track > trackCount) {
        error = "track " + std::to_string(options.track) + " is not in the piece (1-" +
                std::to_string(trackCount) + ")";
        return false;
    }
    if (options.track2 != 0 &&
        (options.track2 < 1 || options.track2 > trackCount || options.track2 == options.track)) {
        error = "the second track must be another track of the piece";
        return false;
    }
    std::vector<Segment> segments;
    if (!LayOutSegments(piece, options, segments, error)) return false;

    auto following = [&](std::size_t index) {
        const int number = static_cast<int>(index) + 1;
        return number == options.track || number == options.track2;
    };
    std::vector<SourceNote> solo;
    std::vector<SourceNote> others;
    for (std::size_t t = 0; t + 1 < piece.tracks.size(); ++t) {
        const std::vector<SourceNote> notes = TrackNotes(piece.tracks[t]);
        auto& into = following(t) ? solo : others;
        into.insert(into.end(), notes.begin(), notes.end());
    }
    if (options.taps) {
        std::uint32_t lastOnset = 0;
        for (const auto& list : {solo, others}) {
            for (const SourceNote& note : list)
                lastOnset = std::max(lastOnset, note.scoreMs);
        }
        solo.clear();
        for (const BeatRecord& beat : piece.beatMap) {
            if (beat.time <= lastOnset)
                solo.push_back({beat.time, kTapLengthMs, 0, options.tapKey, 90});
        }
    }
    std::stable_sort(solo.begin(), solo.end(), [](const SourceNote& a, const SourceNote& b) {
        return a.scoreMs < b.scoreMs;
    });

    const std::vector<Placed> played = Place(solo, segments);
    if (played.empty()) {
        error = "nothing to play from there";
        return false;
    }
    const std::vector<Placed> accompaniment = Place(others, segments);
    const Segment& last = segments.back();
    double total = last.progress + (piece.length - std::min(piece.length, last.begin));
    total = std::max(total, played.back().progress + played.back().note.lengthMs);

    Random random(options.seed);
    const TempoCurve curve(options, played.front().progress, total, played.back().progress, random);
    const double phrasePeriod = random.Uniform(6000, 10000);

    std::vector<PlayedNote>& notes = performance.notes;
    double chordProgress = -1;
    for (const Placed& p : played) {
        double offset = std::clamp(random.Normal(), -3.0, 3.0) * options.jitterMs;
        const bool inChord = p.progress == chordProgress;
        chordProgress = p.progress;
        if (inChord) offset += random.Uniform(0, options.chordSpreadMs);
        const double on = curve.At(p.progress) + offset;
        const double off = curve.At(p.progress + p.note.lengthMs * options.durationScale) + offset;
        const double swell = 0.08 * std::sin(2 * std::numbers::pi * p.progress / phrasePeriod);
        const double velocity =
            p.note.velocity * (1 + swell) + random.Normal() * options.velocitySpread;
        PlayedNote note;
        note.onMs = RoundMs(on);
        note.offMs = std::max(RoundMs(off), note.onMs + kShortestNoteMs);
        note.channel = p.note.channel;
        note.key = p.note.key;
        note.velocity = std::clamp(static_cast<int>(std::lround(velocity)), 1, 127);
        note.scoreMs = p.note.scoreMs;
        notes.push_back(note);
    }
    SortByTime(notes);

    // Faults, drawn away from the opening and the last notes.
    const std::size_t first = std::min<std::size_t>(kProtectedFirstNotes, notes.size());
    const std::size_t end =
        notes.size() > first + kProtectedLastNotes ? notes.size() - kProtectedLastNotes : first;
    const std::vector<std::size_t> faulty =
        Pick(random, first, end, options.missingNotes + options.wrongNotes + options.extraNotes);
    std::vector<std::size_t> order(faulty.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Which fault each drawn note gets is drawn too, so faults of one kind do not bunch up.
    for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[static_cast<std::size_t>(random.Below(static_cast<int>(i)))]);
    std::vector<bool> missing(notes.size(), false);
    std::vector<PlayedNote> extras;
    for (std::size_t n = 0; n < faulty.size(); ++n) {
        const std::size_t index = faulty[n];
        const auto kind = static_cast<int>(order[n]);
        PlayedNote& note = notes[index];
        if (kind < options.missingNotes) {
            missing[index] = true;
        } else if (kind < options.missingNotes + options.wrongNotes) {
            note.key = NeighbourKey(random, notes, note.key, note.onMs, 2);
            note.scoreMs = -1;
        } else {
            const std::uint32_t gap = notes[index + 1].onMs - note.onMs;
            PlayedNote extra = note;
            extra.onMs = note.onMs + RoundMs(gap * random.Uniform(0.35, 0.6));
            extra.offMs = extra.onMs + std::max(kShortestNoteMs, std::min(gap / 3, 150u));
            extra.key = NeighbourKey(random, notes, note.key, extra.onMs, 3);
            extra.velocity = std::max(1, note.velocity * 3 / 4);
            extra.scoreMs = -1;
            if (gap >= 2 * kShortestNoteMs + 20) extras.push_back(extra);
        }
    }
    std::vector<PlayedNote> kept;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        if (!missing[i]) kept.push_back(notes[i]);
    }
    kept.insert(kept.end(), extras.begin(), extras.end());
    SortByTime(kept);
    ReleaseBeforeRepeats(kept);
    notes = std::move(kept);

    double lastProgress = -1;
    for (const Placed& p : accompaniment) {
        // Before the player's first note nothing tells where the accompaniment belongs.
        if (p.progress == lastProgress || p.progress < played.front().progress) continue;
        lastProgress = p.progress;
        performance.accompaniment.push_back({p.note.scoreMs, RoundMs(curve.At(p.progress))});
    }
    return true;
}

smf::Bytes PerformanceFile(const Performance& performance) {
    struct Event {
        std::uint32_t tick;
        bool on;
        const PlayedNote* note;
    };
    std::vector<Event> events;
    for (const PlayedNote& note : performance.notes) {
        events.push_back({note.onMs, true, &note});
        events.push_back({note.offMs, false, &note});
    }
    // Releases before strikes at one tick, so a repeated key is let go first.
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
    });
    smf::FileBuilder file(1, static_cast<int>(kTicksPerQuarter));
    smf::TrackBuilder& track = file.AddTrack();
    track.Tempo(0, kMicrosecondsPerQuarter);
    std::uint32_t tick = 0;
    for (const Event& event : events) {
        const std::uint32_t delta = event.tick - tick;
        tick = event.tick;
        if (event.on) {
            track.NoteOn(delta, event.note->channel, event.note->key, event.note->velocity);
        } else {
            track.NoteOff(delta, event.note->channel, event.note->key);
        }
    }
    track.EndOfTrack();
    return file.Build();
}

std::string TruthTsv(const Performance& performance) {
    std::string out = "perf_ms\tpitch\tscore_ms\n";
    for (const PlayedNote& note : performance.notes) {
        out += std::to_string(note.onMs) + '\t' + std::to_string(note.key) + '\t' +
               std::to_string(note.scoreMs) + '\n';
    }
    return out;
}

std::string AccompanimentTruthTsv(const Performance& performance) {
    std::vector<AccompanimentOnset> onsets = performance.accompaniment;
    std::stable_sort(onsets.begin(), onsets.end(),
                     [](const auto& a, const auto& b) { return a.perfMs < b.perfMs; });
    std::string out = "score_ms\tperf_ms\n";
    for (const AccompanimentOnset& onset : onsets)
        out += std::to_string(onset.scoreMs) + '\t' + std::to_string(onset.perfMs) + '\n';
    return out;
}

std::string CaseText(const HumaniseOptions& options,
                     const std::vector<std::pair<std::string, std::string>>& settings) {
    std::string out = "track = " + std::to_string(options.track) + '\n';
    if (options.track2 != 0) out += "track2 = " + std::to_string(options.track2) + '\n';
    if (options.taps) out += "follow = taps\n";
    for (const auto& [key, value] : settings)
        out += key + " = " + value + '\n';
    return out;
}

}  // namespace ostinel::performance
