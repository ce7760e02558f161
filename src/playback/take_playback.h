#pragma once

#include "music/score_position.h"
#include "playback/performance_settings.h"
#include "playback/play_list.h"
#include "playback/playback_tick.h"
#include "playback/recorded_take.h"
#include "sequence/piece.h"

namespace ostinel {

struct FollowingOptions;

// Play Performance: the last take played again at its performed tempos,
// beside or instead of the following tracks, as the Performance Settings say.
class TakePlayback {
  public:
    // Both are the transport's and outlive this.
    TakePlayback(RecordedTake& take, const FollowingOptions& follow)
        : take_(take), follow_(follow) {}
    TakePlayback(const TakePlayback&) = delete;
    TakePlayback& operator=(const TakePlayback&) = delete;

    // main thread, while stopped
    void SetSettings(const PerformanceSettings& settings) { settings_ = settings; }
    const PerformanceSettings& Settings() const { return settings_; }

    // main thread, before a span starts at `position`: whether Punch-In starts
    // inside the punch section, and the take borrows the following track's
    // sound when the settings ask for it.
    void Begin(Piece& piece, ScorePosition position);
    // main thread: the span's share of the take: how the tick steers its
    // tempos and the speed it starts at, and which of the take and the
    // following tracks play.
    void PrepareStart(const Piece& piece, ScorePosition position, SpeedFactor masterTempo,
                      PlaybackStart& start, PlayListOptions& tracks) const;
    // main thread: whether chasing at the start sounds `index`, a source of
    // the span (the take is the track after the file's): in Punch-In the
    // following tracks only outside the punch section, the take only inside.
    bool ChasedAtStart(const Piece& piece, int index) const;
    // main thread: Overwrite: the take replaces the following tracks, which
    // stay muted for the span.
    bool ReplacesFollowingTracks() const;
    // main thread, when the span ended or could not start: the take's own sound back.
    void End(Piece& piece);

  private:
    bool PunchIn() const;
    // The tick's share, with the tempo ratio the span starts with.
    PerformancePlayback Steering(ScorePosition position, std::uint32_t startRatio,
                                 SpeedFactor masterTempo) const;
    // Whether the take's notes sound in this span at all.
    bool TakeSounds(const Piece& piece) const;

    RecordedTake& take_;  // its punch section says whether the span started inside
    const FollowingOptions& follow_;
    PerformanceSettings settings_;
    // The take's own sound, while it borrows the following track's.
    struct TrackSound {
        std::int16_t channel = 0;
        std::int16_t port = 0;
        PatchEntry firstPatch;
    };
    TrackSound savedSound_;
};

}  // namespace ostinel
