#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/captured_stream_file.h"
#include "cli/evaluation_metrics.h"
#include "cli/performance_file.h"
#include "follower/following_options.h"
#include "follower/special_markers.h"
#include "music/score_position.h"
#include "playback/performance_settings.h"
#include "playback/played_event.h"

namespace ostinel::cli {

// A follow of a recorded performance on the manual clock.
struct FollowRunOptions {
    std::string piecePath;
    int track = 1;   // the following track, numbered from 1 as `info` shows them
    int track2 = 0;  // a second following track, or 0
    std::string soloistPath;
    int soloistTrack = 0;  // the performance's track chunk to play (from 1), or 0 for all
    // The performance's messages, when given here instead of read from soloistPath.
    std::optional<std::vector<PlayedMessage>> soloist;
    FollowingOptions following = NewFollowingOptions();
    SpecialMarkers markers;           // score positions in ms
    std::string savePerformancePath;  // Save Performance As after the take, when set
    PerformanceSettings performance;  // how the take is saved and played again
    // Play Performance from where following started, once the take is kept;
    // what it sends follows the follow in the captured stream.
    bool playPerformance = false;
};

// What happened at one note (or tap) the soloist played.
struct SoloistNote {
    std::uint32_t timeMs = 0;
    int pitch = 0;
    ScorePosition matched{-1};      // the chord (or beat) it matched, or -1
    ScorePosition position;         // the follower's position right after it
    std::int32_t tempoPercent = 0;  // the accompaniment's tempo after it, % of the piece's
    bool jumpRequested = false;     // the follower asked to restart elsewhere on it
};

struct FollowRunResult {
    std::vector<PortMessage> stream;       // the ports' messages and the soloist's (kSoloistPort)
    std::vector<SoloistNote> notes;        // note-ons (or taps) in the order played
    std::vector<SentOnset> sentOnsets;     // the accompaniment's note-ons with their score times
    std::vector<WrittenNote> writtenPart;  // the following tracks' note-ons, by time
    int jumps = 0;                         // restarts the follower asked for
    bool performanceSaved = false;         // the take was written to savePerformancePath
    bool performancePlayed = false;        // Play Performance followed the take
    std::uint32_t lengthMs = 0;
    // What the follower heard, as the Score view shows it, and where it stood
    // when the performance ended.
    std::vector<PlayedEvent> played;
    ScorePosition endPosition;
};

// Applies "key = value" follow options (by their command-line names, without
// the dashes) to `options`. False with `error` for an unknown key or value.
bool ApplyFollowOption(std::string_view key, std::string_view value, FollowRunOptions& options,
                       std::string& error);

// Loads the piece and the performance, feeds the performance through the
// intake at its own times with the engine on a manual clock (the soloist's
// first note starts following, as with Start Automatically; otherwise Play
// and Follow is pressed at that note), and captures what the ports sent.
// False with `error` (and `exitCode`) when something cannot be read.
bool RunFollow(const FollowRunOptions& options, FollowRunResult& result, std::string& error,
               int& exitCode);

// The follow command's arguments.
struct FollowCommandOptions {
    FollowRunOptions run;
    std::vector<std::string> outputs;  // .mid and .wav files
    std::string reportPath;
    std::string truthPath;
    std::string scoreViewPath;  // a PNG of the Score view over the follow's last seconds
    int scoreViewPercent = 100;
    std::string soundFont;
    int inputDevice = -1;   // live: the MIDI input device the soloist plays
    bool realtime = false;  // the performance is played to the real devices at its own pace
};

bool ParseFollowCommand(std::span<const std::string_view> args, FollowCommandOptions& options,
                        std::string& error);

// Whether the arguments ask for a follow in real time (--input or --realtime).
bool IsLiveFollow(std::span<const std::string_view> args);

// `follow ... --input N` or `--soloist PERF.mid --realtime`: the engine on
// the real clock and devices, a live status line, Ctrl-C or the end stops.
int RunLiveFollowCommand(std::span<const std::string_view> args, std::FILE* out, std::FILE* err);

// `follow PIECE.mid --track N [--track2 M] --soloist PERF.mid [options]`.
int RunFollowCommand(std::span<const std::string_view> args, std::string& out, std::string& err);

// `evaluate CASE_DIR...`: one TSV row per case and a summary row.
int RunEvaluateCommand(std::span<const std::string_view> args, std::string& out, std::string& err);

}  // namespace ostinel::cli
