#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "follower/chord_probability/chord_probability.h"
#include "follower/chord_probability/tempo_filter.h"
#include "follower/engine/anchor_state.h"
#include "follower/engine/follower_callback.h"
#include "follower/engine/follower_input_queue.h"
#include "follower/engine/follower_lengths.h"
#include "follower/engine/played_history.h"
#include "follower/engine/score_chords.h"
#include "music/fixed_point.h"
#include "music/following_method.h"
#include "music/score_position.h"
#include "music/score_range.h"
#include "music/tempo_point.h"
#include "music/timing_level.h"
#include "platform/clock.h"
#include "sequence/piece.h"

namespace ostinel {

// A beat list entry: the score position, with this bit set on the first beat
// of a measure.
inline constexpr std::uint32_t kDownbeatFlag = 0x80000000u;

inline constexpr ScorePosition kNoLimit = ScorePosition::Max();

// The follower engine's share of the FollowingOptions: only what matching and
// estimation read, handed over while the follower is not running.
struct FollowerOptions {
    TimingLevel timingLevel = TimingLevel::Highest;
    bool startAutomatically = true;
    bool jumping = true;
    bool severalBeatsOnly = false;
    bool waitForSolo = false;
    FollowingMethod method = FollowingMethod::Matching;
};

// The score-following engine: the soloist's part reduced to chords (or the
// beat list when the soloist taps), the played notes and taps it is given,
// and where in the score the soloist is and how fast they go, reported
// through the FollowerCallback. One per engine.
//
// Threads: notes and taps arrive on the input and timer threads, every other
// operation on the main thread; a busy flag (an atomic exchange) and the
// input queue let only one thread work inside at a time. The playback tick
// calls Position and TimeUntil from the timer thread at any time.
class Follower {
  public:
    Follower() = default;
    ~Follower();
    Follower(const Follower&) = delete;
    Follower& operator=(const Follower&) = delete;

    // main thread. Allocates the input queue of `queueSize` entries and
    // derives the lengths from the time scale (1000: one second of score).
    // False when a value is not positive or memory ran out.
    bool Create(FollowerCallback& callback, int queueSize, std::int32_t scale);
    void Destroy();

    // main thread, while not running (false and no change otherwise). The
    // beats are score positions with kDownbeatFlag on downbeats.
    bool SetScore(std::span<const TrackEvent> first, std::span<const TrackEvent> second,
                  std::span<const std::uint32_t> beats);
    bool SetBeats(std::span<const std::uint32_t> beats);
    bool SetOptions(const FollowerOptions& options);
    // Any time: a note 0-127, a controller + 256, or -1 for none.
    void SetSignal(std::int16_t trigger);
    bool SetWaitMarkers(std::span<const ScorePosition> positions);
    bool SetSignalMarkers(std::span<const ScorePosition> positions);
    bool SetRestoreMarkers(std::span<const ScorePosition> positions);
    bool SetIgnoreRanges(std::span<const ScoreRange> ranges);

    // main thread (or the thread answering a jump, for Resume).
    bool Start(ScorePosition position, Fixed16 tempo);
    bool Resume(Fixed16 baseTempo);
    void Stop();

    // input or timer thread. False when the queue is full (the input is lost).
    bool NoteIn(std::uint32_t word, ScorePosition songPosition);
    bool TapIn(Fixed16 strength);

    // any thread
    ScorePosition Position() const;
    // any thread: where the soloist is due now. Past Position() only while the
    // accompaniment holds at the soloist's next entry (the probability
    // method's hold); the waits at the markers and the start hold both.
    ScorePosition DuePosition() const;
    // Clock ms until `position` is due; 0 when due; -1 when not running or
    // held by the wait limit.
    std::int32_t TimeUntil(ScorePosition position);
    bool Running() const;
    bool JumpPending() const;

    // main thread, after a take.
    ScorePosition PerformedToScore(platform::ClockMs time);
    std::vector<TempoPoint> TempoList() const;
    ScorePosition LastEventAtOrBefore(ScorePosition position) const;

  private:
    // A new score or beat list: nothing played so far, back at the start.
    void ForgetPlace();

    // A list of special markers with the cursor on the next one to honour.
    struct MarkerList {
        std::vector<ScorePosition> positions;
        int cursor = 0;

        bool Pending() const { return cursor < static_cast<int>(positions.size()); }
        ScorePosition Next() const { return positions[static_cast<std::size_t>(cursor)]; }
        void PlaceAt(ScorePosition position);
    };
    struct JumpCandidate {
        std::int32_t chord = 0;
        std::uint32_t ratio = 0;  // score ms per clock ms over the agreeing chords, 16.16
    };
    struct AnchorRecord {
        platform::ClockMs time;
        ScorePosition position;
        Fixed16 tempo = kFixedOne;
    };
    // Holds the busy flag for a main-thread operation and handles the input
    // that queued meanwhile when it ends.
    class BusySection {
      public:
        explicit BusySection(Follower& follower);
        ~BusySection();
        BusySection(const BusySection&) = delete;
        BusySection& operator=(const BusySection&) = delete;

      private:
        Follower& follower_;
    };

    static constexpr std::size_t kMaxCandidates = 500;
    static constexpr std::uint8_t kSignalKey = 0xFF;

    // follower.cpp and follower_lists.cpp: the queue, lifecycle and lists.
    bool Submit(FollowerInputKind kind, std::uint32_t word);
    void DrainQueue();
    void HandleInput(FollowerInputKind kind, std::uint32_t word);
    bool StartFollowing(ScorePosition position, Fixed16 tempo);
    void PlaceCursors(ScorePosition position);
    void ClearMatches();
    int Level() const { return static_cast<int>(timingLevel_.load(std::memory_order_relaxed)); }
    ScorePosition ChordTime(int chord) const { return score_.Time(chord); }
    int ChordCount() const { return score_.Count(); }
    int FirstBeatAtOrAfter(ScorePosition position) const;
    int LastChordAtOrBefore(ScorePosition position) const;

    // matching.cpp
    void HandleNote(std::uint32_t word);
    bool MatchNote(std::uint32_t word, ScorePosition expected, platform::ClockMs now);
    bool MatchChord(int chord, std::uint32_t word, platform::ClockMs now);
    int StartChordNear(ScorePosition expected) const;
    void AdvanceIgnoreCursor(ScorePosition expected);
    bool InIgnoredStretch(ScorePosition position) const;
    bool InIgnoreRange(ScorePosition position) const;
    bool KeyUnmatchedBetween(int firstChord, int endChord, std::uint8_t key) const;

    // jump_search.cpp
    bool ChordsAgree(int played, int chord, std::uint32_t ratio, bool measured, bool backwards,
                     bool allowSubset) const;
    void SearchJump(ScorePosition expected, std::uint32_t word, platform::ClockMs now);
    void FollowCandidates();
    void SearchCandidatesAfresh(ScorePosition expected, std::uint8_t key, std::uint32_t reference);
    int AgreeingRun(int chord, std::uint32_t reference, std::uint32_t& ratio) const;
    void DecideJump(ScorePosition expected, platform::ClockMs now, std::uint32_t reference);

    // estimation.cpp
    ScorePosition CurrentPosition(platform::ClockMs now) const;
    bool UpdateAfterMatch(int chord, int previousCursor, std::uint8_t key, platform::ClockMs now);
    void PerformJump(int chord, platform::ClockMs now, std::uint32_t ratio);
    void ComputeWaitLimit();
    void ReportAnchor();
    void Reanchor(platform::ClockMs now);

    // probable_place.cpp: the probability method's note handler.
    void HandleProbableNote(std::uint32_t word, platform::ClockMs now);
    void ListenForStart(std::uint32_t word, platform::ClockMs now);
    void RequestJump(ScorePosition target, platform::ClockMs now, Fixed16 tempo);
    void PlaceProbability(ScorePosition position);
    ChordProbability::Reach JumpReach(ScorePosition expected) const;
    bool ReleaseWaitsThrough(ScorePosition position);
    void HoldAtEntry(int chord);
    bool Probable() const { return options_.method == FollowingMethod::Probability; }

    // tap_handler.cpp
    void HandleTap(Fixed16 strength);
    std::int32_t BeatLength(int beat) const;

    // take_history.cpp
    void AppendAnchorRecord();
    void DropSingleAnchorRecord();
    // The records are full (a long take that matched many notes of a chord or
    // gave signals): halves them, so the newest still finds room.
    void ThinAnchorRecords();
    void FinishTake();

    FollowerCallback* callback_ = nullptr;
    FollowerLengths lengths_{};
    FollowerInputQueue queue_;

    // Read by any thread.
    PublishedAnchor published_;
    std::atomic<bool> running_{false};
    std::atomic<bool> jumpPending_{false};
    std::atomic<bool> reanchorOnFirstQuery_{false};
    std::atomic<ScorePosition> restingPosition_{};  // the anchor position while not running
    static_assert(std::atomic<ScorePosition>::is_always_lock_free);
    std::atomic<bool> scoreMode_{false};
    std::atomic<bool> beatMode_{false};
    std::atomic<bool> startAutomatically_{true};
    std::atomic<TimingLevel> timingLevel_{TimingLevel::Highest};
    std::atomic<std::int16_t> signalTrigger_{-1};

    // Everything below belongs to the thread holding the busy flag.
    AnchorState anchor_;  // the working copy that published_ mirrors
    FollowerOptions options_;
    ScoreChords score_;
    std::vector<ScorePosition> beats_;
    int beatCursor_ = 0;
    MarkerList waitMarkers_;
    MarkerList signalMarkers_;
    MarkerList restoreMarkers_;
    std::vector<ScoreRange> ignoreRanges_;
    int ignoreCursor_ = 0;

    PlayedHistory played_;
    bool lastNoteStartedChord_ = false;
    std::vector<JumpCandidate> candidates_;
    int matchLength_ = 0;

    std::vector<AnchorRecord> records_;
    int recordCount_ = 0;
    int queryCursor_ = 0;
    std::optional<platform::ClockMs> lastQuery_;

    bool excused_ = false;
    bool jumpWindow_ = false;
    Fixed16 baseTempo_ = kFixedOne;
    Fixed16 lastGoodTempo_ = kFixedOne;
    ScorePosition tempoAnchorPosition_;
    std::optional<platform::ClockMs> tempoAnchorTime_;
    std::optional<platform::ClockMs> lastMatchTime_;
    int lastMatchedChord_ = -1;
    int chordCursor_ = 0;
    int missCount_ = 0;
    int lastTappedBeat_ = -1;
    Fixed16 dynamicsRatio_ = kFixedOne;
    ScorePosition startWait_ = kNoLimit;
    // The probability method.
    ChordProbability probability_;
    TempoFilter tempoFilter_;
    std::optional<platform::ClockMs> lastNoteTime_;
    int probableChord_ = -1;
    bool placedByWrittenKey_ = false;  // the anchor was set by a note the chord holds
    std::array<std::uint64_t, 2> keysHeardInChord_{};  // of probableChord_'s written keys
    int farChord_ = -1;       // a far place seen once: taken when the next note agrees
    bool listening_ = false;  // the probability is spread for an automatic start
    int notesHeard_ = 0;      // since listening began
    std::uint32_t jumpRatio_ = 0;
    platform::ClockMs jumpTime_;
    ScorePosition jumpTarget_;
};

}  // namespace ostinel
