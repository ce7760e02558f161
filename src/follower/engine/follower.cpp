#include "follower/engine/follower.h"
#include "music/midi_message.h"

#include <algorithm>
#include <new>

namespace ostinel {
namespace {

constexpr std::int16_t kControllerTriggerBase = 256;

}  // namespace

Follower::BusySection::BusySection(Follower& follower) : follower_(follower) {
    follower_.queue_.Enter();
}

Follower::BusySection::~BusySection() {
    follower_.DrainQueue();
}

void Follower::MarkerList::PlaceAt(ScorePosition position) {
    cursor = static_cast<int>(std::lower_bound(positions.begin(), positions.end(), position) -
                              positions.begin());
}

Follower::~Follower() = default;

bool Follower::Create(FollowerCallback& callback, int queueSize, std::int32_t scale) {
    if (queueSize <= 0 || scale <= 0) return false;
    if (!queue_.Allocate(queueSize)) return false;
    queue_.Enter();
    callback_ = &callback;
    lengths_ = FollowerLengths::FromScale(scale);
    score_ = ScoreChords{};
    beats_.clear();
    waitMarkers_ = MarkerList{};
    signalMarkers_ = MarkerList{};
    restoreMarkers_ = MarkerList{};
    ignoreRanges_.clear();
    ignoreCursor_ = 0;
    options_ = FollowerOptions{};
    timingLevel_.store(options_.timingLevel);
    startAutomatically_.store(options_.startAutomatically);
    signalTrigger_.store(-1);
    scoreMode_.store(false);
    beatMode_.store(false);
    running_.store(false);
    jumpPending_.store(false);
    played_.Clear();
    candidates_.clear();
    matchLength_ = 0;
    recordCount_ = 0;
    anchor_ = AnchorState{};
    restingPosition_.store(ScorePosition{});
    DrainQueue();
    return true;
}

void Follower::Destroy() {
    queue_.Enter();
    running_.store(false);
    scoreMode_.store(false);
    beatMode_.store(false);
    score_ = ScoreChords{};
    beats_ = {};
    waitMarkers_ = MarkerList{};
    signalMarkers_ = MarkerList{};
    restoreMarkers_ = MarkerList{};
    ignoreRanges_ = {};
    candidates_ = {};
    records_ = {};
    recordCount_ = 0;
    queue_.Free();
    queue_.LeaveWithoutDraining();
}

void Follower::DrainQueue() {
    published_.Publish(anchor_);
    queue_.DrainAndLeave(
        [this](FollowerInputKind kind, std::uint32_t word) { HandleInput(kind, word); });
}

void Follower::HandleInput(FollowerInputKind kind, std::uint32_t word) {
    // An entry queued before the mode changed is dropped, not misread.
    if (kind == FollowerInputKind::Note && scoreMode_.load(std::memory_order_relaxed)) {
        HandleNote(word);
    } else if (kind == FollowerInputKind::Tap && beatMode_.load(std::memory_order_relaxed)) {
        HandleTap(static_cast<Fixed16>(word));
    }
    published_.Publish(anchor_);
}

bool Follower::Submit(FollowerInputKind kind, std::uint32_t word) {
    if (!queue_.Push(kind, word)) return false;
    if (queue_.TryEnter()) DrainQueue();
    return true;
}

bool Follower::NoteIn(std::uint32_t word, ScorePosition songPosition) {
    const bool running = running_.load(std::memory_order_acquire);
    if (!running) restingPosition_.store(songPosition, std::memory_order_relaxed);
    if (!scoreMode_.load(std::memory_order_acquire) ||
        (!running && !startAutomatically_.load(std::memory_order_relaxed))) {
        return true;
    }
    const std::uint32_t status = word & kKindMask;
    const std::uint32_t key = (word >> 8) & 0xFF;
    const std::uint32_t value = (word >> 16) & 0xFF;
    const std::int16_t trigger = signalTrigger_.load(std::memory_order_relaxed);
    if (status == kNoteOn && value != 0) return Submit(FollowerInputKind::Note, word);
    if (status == kControlChange &&
        static_cast<std::int32_t>(key) + kControllerTriggerBase == trigger) {
        return Submit(FollowerInputKind::Note,
                      kNoteOn | (std::uint32_t{kSignalKey} << 8) | (value << 16));
    }
    return true;
}

bool Follower::TapIn(Fixed16 strength) {
    if (!beatMode_.load(std::memory_order_acquire) || !running_.load(std::memory_order_acquire) ||
        Level() == 0) {
        return true;
    }
    return Submit(FollowerInputKind::Tap, static_cast<std::uint32_t>(strength));
}

bool Follower::Start(ScorePosition position, Fixed16 tempo) {
    BusySection busy(*this);
    return StartFollowing(position, tempo);
}

bool Follower::StartFollowing(ScorePosition position, Fixed16 tempo) {
    const bool scoreMode = scoreMode_.load();
    if (running_.load() || (!scoreMode && !beatMode_.load())) return false;
    // The probability method keeps a record at every chord it reaches, matching
    // at the chords with a role, and twice that leaves room for a chord placed
    // again later and the signals; past that the records thin out.
    const int chordRecords = Probable() ? score_.Count() : score_.roleChordCount;
    const int capacity =
        1 + (scoreMode ? 2 * chordRecords + static_cast<int>(signalMarkers_.positions.size())
                       : static_cast<int>(beats_.size()));
    try {
        records_.assign(static_cast<std::size_t>(capacity), AnchorRecord{});
    } catch (const std::bad_alloc&) {
        return false;
    }
    recordCount_ = 0;
    queryCursor_ = 0;
    lastQuery_.reset();
    const bool resuming = jumpPending_.load();

    anchor_.position = position;
    anchor_.time = callback_->ReportNow();
    anchor_.tempo = tempo;
    AppendAnchorRecord();
    dynamicsRatio_ = kFixedOne;
    lastGoodTempo_ = tempo;
    PlaceCursors(position);
    startWait_ = kNoLimit;
    if (options_.waitForSolo && !resuming && Level() != 0) {
        if (scoreMode) {
            const int chord = score_.FirstAtOrAfter(position);
            if (chord < ChordCount()) startWait_ = ChordTime(chord);
        } else {
            const int beat = FirstBeatAtOrAfter(position);
            if (beat < static_cast<int>(beats_.size()))
                startWait_ = beats_[static_cast<std::size_t>(beat)];
        }
    }
    if (Level() != 0) ComputeWaitLimit();
    if (!resuming) baseTempo_ = tempo;
    lastTappedBeat_ = -1;
    tempoAnchorTime_.reset();
    lastMatchTime_.reset();
    lastMatchedChord_ = -1;
    missCount_ = 0;
    if (scoreMode && Probable()) {
        listening_ = false;
        farChord_ = -1;
        PlaceProbability(position);
        tempoFilter_.Reset(static_cast<double>(tempo) / 65536.0);
    }
    callback_->ReportDynamics(kFixedOne);
    // A fresh start is re-anchored when playback first asks, after its own start-up work.
    if (!resuming) anchor_.time = callback_->ReportNow();
    reanchorOnFirstQuery_.store(!resuming, std::memory_order_relaxed);
    published_.Publish(anchor_);
    restingPosition_.store(position, std::memory_order_relaxed);
    running_.store(true, std::memory_order_release);
    jumpPending_.store(false, std::memory_order_release);
    return true;
}

void Follower::PlaceCursors(ScorePosition position) {
    chordCursor_ = score_.FirstAtOrAfter(position);
    beatCursor_ = FirstBeatAtOrAfter(position);
    waitMarkers_.PlaceAt(position);
    signalMarkers_.PlaceAt(position);
    restoreMarkers_.PlaceAt(position);
    // A range containing the position counts; one that ends at it (end exclusive) is behind.
    ignoreCursor_ =
        static_cast<int>(std::partition_point(ignoreRanges_.begin(), ignoreRanges_.end(),
                                              [position](const ScoreRange& range) {
                                                  return range.end <= position;
                                              }) -
                         ignoreRanges_.begin());
}

int Follower::LastChordAtOrBefore(ScorePosition position) const {
    const auto next = std::partition_point(
        score_.chords.begin(), score_.chords.end(),
        [position](const ScoreChord& chord) { return chord.time <= position; });
    return static_cast<int>(next - score_.chords.begin()) - 1;
}

int Follower::FirstBeatAtOrAfter(ScorePosition position) const {
    return static_cast<int>(std::lower_bound(beats_.begin(), beats_.end(), position) -
                            beats_.begin());
}

void Follower::Stop() {
    BusySection busy(*this);
    if (!running_.load()) return;
    const platform::ClockMs now = callback_->ReportNow();
    anchor_.position = EstimateAt(anchor_, now);
    anchor_.time = now;
    restingPosition_.store(anchor_.position, std::memory_order_relaxed);
    running_.store(false, std::memory_order_release);
    listening_ = false;
    AppendAnchorRecord();
    FinishTake();
    ClearMatches();
    if (!jumpPending_.load()) {
        played_.Clear();
        candidates_.clear();
        matchLength_ = 0;
    }
    anchor_.waitLimit = kNoLimit;
    anchor_.dueLimit = kNoLimit;
}

void Follower::ClearMatches() {
    for (ScoreNote& note : score_.notes)
        note.pitch &= static_cast<std::uint8_t>(~kMatchedFlag);
    for (ScoreChord& chord : score_.chords) {
        chord.matchedCount = 0;
        chord.complete = 0;
    }
}

bool Follower::Resume(Fixed16 baseTempo) {
    BusySection busy(*this);
    if (!jumpPending_.load()) return false;
    baseTempo_ = baseTempo;
    const auto ratio = static_cast<Fixed16>(jumpRatio_);
    const Fixed16 rate = Level() >= 3 ? ratio : baseTempo;
    const platform::ClockMs now = callback_->ReportNow();
    // The time since the decision is always converted at the jump's own tempo.
    return StartFollowing(jumpTarget_ + fixmul16(ClockDifference(now, jumpTime_), ratio), rate);
}

bool Follower::Running() const {
    return running_.load(std::memory_order_acquire);
}

bool Follower::JumpPending() const {
    return jumpPending_.load(std::memory_order_acquire);
}

ScorePosition Follower::LastEventAtOrBefore(ScorePosition position) const {
    if (scoreMode_.load()) {
        const int chord = LastChordAtOrBefore(position);
        return chord >= 0 ? ChordTime(chord) : ScorePosition{-1};
    }
    if (beatMode_.load()) {
        const auto next = std::upper_bound(beats_.begin(), beats_.end(), position);
        return next != beats_.begin() ? *(next - 1) : ScorePosition{-1};
    }
    return ScorePosition{-1};
}

}  // namespace ostinel
