#include "app/score_roll.h"

#include <algorithm>
#include <array>

#include "music/midi_message.h"

namespace ostinel {
namespace {

// A note never ended by its note-off sounds this long.
constexpr std::int32_t kUnendedNoteMs = 500;

void AddTrackNotes(const Track& track, bool following, std::vector<RollNote>& notes) {
    // Per key, where the sounding note began (-1: silent); a repeated
    // note-on ends the one before it.
    std::array<std::int64_t, 128> begun{};
    begun.fill(-1);
    const auto close = [&](std::uint8_t key, std::uint32_t time) {
        const std::int64_t start = begun[key];
        if (start < 0) return;
        const auto length = static_cast<std::int32_t>(std::max<std::int64_t>(1, time - start));
        notes.push_back(RollNote{static_cast<ScorePosition>(start), length, key, following});
        begun[key] = -1;
    };
    for (int i = 0; i < track.count && i < static_cast<int>(track.events.size()); ++i) {
        const TrackEvent& e = track.events[static_cast<std::size_t>(i)];
        const std::uint8_t kind = e.kind & 0xF0;
        const auto key = static_cast<std::uint8_t>(e.data1 & 0x7F);
        if (kind == kNoteOn && e.data2 > 0) {
            close(key, e.time);
            begun[key] = e.time;
        } else if (kind == kNoteOff || kind == kNoteOn) {
            close(key, e.time);
        }
    }
    for (std::size_t key = 0; key < begun.size(); ++key) {
        if (begun[key] >= 0)
            close(static_cast<std::uint8_t>(key),
                  static_cast<std::uint32_t>(begun[key] + kUnendedNoteMs));
    }
}

}  // namespace

void ScoreRoll::Build(const Piece& piece, int followTrack1, int followTrack2,
                      const SpecialMarkers& markers) {
    notes_.clear();
    beats_.clear();
    markers_ = markers;
    for (int t = 0; t < piece.TrackCount(); ++t) {
        const bool following = t == followTrack1 || t == followTrack2;
        AddTrackNotes(piece.tracks[static_cast<std::size_t>(t)], following, notes_);
    }
    // Following notes after accompaniment notes of the same start, so that
    // they are drawn over them.
    std::sort(notes_.begin(), notes_.end(), [](const RollNote& a, const RollNote& b) {
        if (a.start != b.start) return a.start < b.start;
        if (a.following != b.following) return !a.following;
        return a.key < b.key;
    });
    longest_ = 1;
    lowestKey_ = 127;
    highestKey_ = 0;
    for (const RollNote& note : notes_) {
        longest_ = std::max(longest_, note.length);
        lowestKey_ = std::min<int>(lowestKey_, note.key);
        highestKey_ = std::max<int>(highestKey_, note.key);
    }
    if (notes_.empty()) {
        lowestKey_ = 60;
        highestKey_ = 72;
    }
    for (const BeatRecord& beat : piece.beatMap)
        beats_.push_back(
            RollBeat{static_cast<ScorePosition>(beat.time), beat.measure, beat.beat == 1});
    end_ = static_cast<ScorePosition>(piece.length);
}

ScoreRoll::IndexRange ScoreRoll::Candidates(ScorePosition from, ScorePosition to) const {
    const auto byStart = [](const RollNote& note, ScorePosition t) { return note.start < t; };
    const auto first = std::lower_bound(notes_.begin(), notes_.end(), from - longest_ + 1, byStart);
    const auto last = std::lower_bound(first, notes_.end(), to, byStart);
    return {static_cast<std::size_t>(first - notes_.begin()),
            static_cast<std::size_t>(last - notes_.begin())};
}

ScoreRoll::IndexRange ScoreRoll::BeatsBetween(ScorePosition from, ScorePosition to) const {
    const auto byTime = [](const RollBeat& beat, ScorePosition t) { return beat.time < t; };
    const auto first = std::lower_bound(beats_.begin(), beats_.end(), from, byTime);
    const auto last = std::lower_bound(first, beats_.end(), to, byTime);
    return {static_cast<std::size_t>(first - beats_.begin()),
            static_cast<std::size_t>(last - beats_.begin())};
}

std::size_t ScoreRoll::FirstStartingAt(ScorePosition position) const {
    return static_cast<std::size_t>(
        std::lower_bound(notes_.begin(), notes_.end(), position,
                         [](const RollNote& note, ScorePosition t) { return note.start < t; }) -
        notes_.begin());
}

std::ptrdiff_t ScoreRoll::FollowingNoteNear(std::uint8_t key, ScorePosition position,
                                            std::int32_t tolerance) const {
    std::ptrdiff_t best = -1;
    std::int32_t bestDistance = tolerance + 1;
    for (std::size_t i = FirstStartingAt(position - tolerance);
         i < notes_.size() && notes_[i].start <= position + tolerance; ++i) {
        const RollNote& note = notes_[i];
        if (!note.following || note.key != key) continue;
        const std::int32_t distance =
            note.start > position ? note.start - position : position - note.start;
        if (distance < bestDistance) {
            best = static_cast<std::ptrdiff_t>(i);
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace ostinel
