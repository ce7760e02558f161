// What the follower is handed while it is stopped: the score or the beat
// list, the options and the special-marker lists.

#include <algorithm>
#include <new>

#include "follower/engine/follower.h"

namespace ostinel {

bool Follower::SetScore(std::span<const TrackEvent> first, std::span<const TrackEvent> second,
                        std::span<const std::uint32_t> beats) {
    BusySection busy(*this);
    if (running_.load()) return false;
    try {
        ScoreChords built = BuildScoreChords(first, second, lengths_.chordSpan);
        AssignChordRoles(built, beats, lengths_.halfBeatTolerance, lengths_.longBeat);
        candidates_.reserve(kMaxCandidates);
        if (!probability_.Prepare(built)) return false;
        score_ = std::move(built);
    } catch (const std::bad_alloc&) {
        return false;
    }
    beats_ = {};
    beatCursor_ = 0;
    scoreMode_.store(true, std::memory_order_release);
    beatMode_.store(false, std::memory_order_release);
    ForgetPlace();
    return true;
}

void Follower::ForgetPlace() {
    listening_ = false;
    played_.Clear();
    candidates_.clear();
    matchLength_ = 0;
    chordCursor_ = 0;
    lastMatchedChord_ = -1;
    anchor_.position = ScorePosition{};
    restingPosition_.store(ScorePosition{});
}

bool Follower::SetBeats(std::span<const std::uint32_t> beats) {
    BusySection busy(*this);
    if (running_.load()) return false;
    try {
        std::vector<ScorePosition> copied(beats.size());
        std::transform(beats.begin(), beats.end(), copied.begin(), [](std::uint32_t beat) {
            return static_cast<ScorePosition>(beat & ~kDownbeatFlag);
        });
        beats_ = std::move(copied);
    } catch (const std::bad_alloc&) {
        return false;
    }
    beatCursor_ = 0;
    score_ = ScoreChords{};
    scoreMode_.store(false, std::memory_order_release);
    beatMode_.store(true, std::memory_order_release);
    ForgetPlace();
    return true;
}

bool Follower::SetOptions(const FollowerOptions& options) {
    BusySection busy(*this);
    if (running_.load()) return false;
    const TimingLevel level = options.timingLevel;
    const bool levelValid = level >= TimingLevel::None && level <= TimingLevel::Highest;
    const TimingLevel kept = levelValid ? level : options_.timingLevel;
    options_ = options;
    options_.timingLevel = kept;
    timingLevel_.store(kept, std::memory_order_relaxed);
    startAutomatically_.store(options.startAutomatically, std::memory_order_relaxed);
    return true;
}

void Follower::SetSignal(std::int16_t trigger) {
    signalTrigger_.store(trigger, std::memory_order_relaxed);
}

namespace {

bool CopyPositions(std::span<const ScorePosition> positions, std::vector<ScorePosition>& into) {
    try {
        into.assign(positions.begin(), positions.end());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

bool Follower::SetWaitMarkers(std::span<const ScorePosition> positions) {
    BusySection busy(*this);
    if (running_.load() || !CopyPositions(positions, waitMarkers_.positions)) return false;
    waitMarkers_.cursor = 0;
    return true;
}

bool Follower::SetSignalMarkers(std::span<const ScorePosition> positions) {
    BusySection busy(*this);
    if (running_.load() || !CopyPositions(positions, signalMarkers_.positions)) return false;
    signalMarkers_.cursor = 0;
    return true;
}

bool Follower::SetRestoreMarkers(std::span<const ScorePosition> positions) {
    BusySection busy(*this);
    if (running_.load() || !CopyPositions(positions, restoreMarkers_.positions)) return false;
    restoreMarkers_.cursor = 0;
    return true;
}

bool Follower::SetIgnoreRanges(std::span<const ScoreRange> ranges) {
    BusySection busy(*this);
    if (running_.load()) return false;
    try {
        ignoreRanges_.assign(ranges.begin(), ranges.end());
    } catch (const std::bad_alloc&) {
        return false;
    }
    ignoreCursor_ = 0;
    return true;
}

}  // namespace ostinel
