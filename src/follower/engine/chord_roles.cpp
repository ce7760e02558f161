#include <algorithm>

#include "follower/engine/follower.h"
#include "follower/engine/score_chords.h"

namespace ostinel {
namespace {

// Walks the beat list alongside the chords, counting measures and beats.
class BeatWalk {
  public:
    explicit BeatWalk(std::span<const std::uint32_t> beats) : beats_(beats) {}

    // Moves to the last beat at or before `time` (or stays on the first beat).
    void MoveTo(ScorePosition time) {
        while (pointer_ + 1 < beats_.size() && Time(pointer_ + 1) <= time) {
            ++pointer_;
            if (IsDownbeat(pointer_)) {
                ++measure_;
                beatInMeasure_ = 1;
            } else {
                ++beatInMeasure_;
            }
        }
    }

    ScorePosition Time(std::size_t beat) const {
        return static_cast<ScorePosition>(beats_[beat] & ~kDownbeatFlag);
    }
    // The first entry counts as a downbeat whatever its flag says.
    bool IsDownbeat(std::size_t beat) const {
        return beat == 0 || (beats_[beat] & kDownbeatFlag) != 0;
    }
    bool HasNext() const { return pointer_ + 1 < beats_.size(); }
    std::size_t Pointer() const { return pointer_; }
    int Measure() const { return measure_; }
    // 0x14 on beat 2, 0x15 on beat 3, 0x16 on beat 4 and later.
    std::uint8_t BeatRole() const {
        return static_cast<std::uint8_t>(kRoleSecondBeat + std::clamp(beatInMeasure_ - 2, 0, 2));
    }

  private:
    std::span<const std::uint32_t> beats_;
    std::size_t pointer_ = 0;
    int measure_ = 1;
    int beatInMeasure_ = 1;
};

}  // namespace

void AssignChordRoles(ScoreChords& score, std::span<const std::uint32_t> beats,
                      std::int32_t halfBeatTolerance, std::int32_t longBeat) {
    score.roleChordCount = 0;
    BeatWalk walk(beats);
    int lastOnBeatMeasure = 0;
    std::size_t lastOnBeatPointer = 0;
    // 0 until a downbeat role chord: an off-beat chord after a later downbeat then measures.
    int lastDownbeatMeasure = 0;
    bool previousWasHalfBeat = false;
    for (std::size_t i = 0; i < score.chords.size(); ++i) {
        ScoreChord& chord = score.chords[i];
        if (beats.empty()) {
            // Without beats only the first chord can place the soloist.
            chord.role = i == 0 ? kRoleStartOfPhrase : 0;
        } else {
            walk.MoveTo(chord.time);
            const std::size_t pointer = walk.Pointer();
            const ScorePosition beatTime = walk.Time(pointer);
            const bool onBeat = beatTime == chord.time;
            const bool downbeat = walk.IsDownbeat(pointer);
            std::uint8_t role = 0;
            bool halfBeat = false;
            if (i == 0 || walk.Measure() > lastOnBeatMeasure + 1) {
                role = kRoleStartOfPhrase;
                lastOnBeatMeasure = walk.Measure();
                lastOnBeatPointer = pointer;
                if (downbeat) lastDownbeatMeasure = walk.Measure();
            } else if (onBeat && downbeat) {
                role = kRoleDownbeat;
                lastDownbeatMeasure = walk.Measure();
                lastOnBeatMeasure = walk.Measure();
                lastOnBeatPointer = pointer;
            } else if (onBeat) {
                role = walk.BeatRole();
                lastOnBeatMeasure = walk.Measure();
                lastOnBeatPointer = pointer;
            } else if (!downbeat && pointer >= lastOnBeatPointer + 2) {
                role = walk.BeatRole();
            } else if (downbeat && walk.Measure() > lastDownbeatMeasure + 1) {
                role = kRoleDownbeat;
            } else if (walk.HasNext() && !previousWasHalfBeat) {
                const std::int32_t length = walk.Time(pointer + 1) - beatTime;
                const ScorePosition middle = beatTime + (length >> 1);
                if (length > longBeat && chord.time > middle - halfBeatTolerance &&
                    chord.time < middle + halfBeatTolerance) {
                    role = kRoleHalfBeat;
                    halfBeat = true;
                }
            }
            chord.role = role;
            if (role != 0) previousWasHalfBeat = halfBeat;
        }
        if (chord.role != 0) ++score.roleChordCount;
    }
}

}  // namespace ostinel
