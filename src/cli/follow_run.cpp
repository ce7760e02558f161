#include "cli/follow_run.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

#include "app/engine.h"
#include "app/performance_saving.h"
#include "cli/console_ui.h"
#include "cli/exit_codes.h"
#include "cli/load_failure.h"
#include "cli/number_argument.h"
#include "cli/performance_file.h"
#include "platform/manual/manual_clock.h"
#include "platform/manual/manual_midi_system.h"
#include "platform/manual/manual_timer_service.h"
#include "playback/master_tempo.h"
#include "playback/performance_writer.h"
#include "strings/string_table.h"

namespace ostinel::cli {
namespace {

constexpr std::uint32_t kIdleStepMs = 10;
// After the soloist's last note the accompaniment may play on this long.
constexpr std::uint32_t kTailMs = 3000;
// Between the follow and the take played again.
constexpr std::uint32_t kPauseBeforePlayingMs = 1000;
// A take played at the slowest master tempo still ends well within this.
constexpr std::uint32_t kLongestPlayingMs = 4 * 3600 * 1000;
// A sent note is taken for the score note of its key nearest where the
// soloist was, within this distance.
constexpr std::int32_t kOnsetMatchMs = 600;

bool ReadYesNo(std::string_view text, bool& value) {
    if (text == "yes" || text == "on" || text == "1") {
        value = true;
        return true;
    }
    if (text == "no" || text == "off" || text == "0") {
        value = false;
        return true;
    }
    return false;
}

// Remembers what the follower reported, for the report and the figures.
class ReportLog final : public FollowerCallback {
  public:
    platform::ClockMs ReportNow() override { return platform::ClockMs{}; }
    void ReportJump(ScorePosition, platform::ClockMs, std::int32_t) override { ++jumps; }
    void ReportDynamics(std::int32_t) override {}
    void ReportPosition(ScorePosition, platform::ClockMs, std::int32_t) override {}
    void ReportEvent(platform::ClockMs, ScorePosition position, std::uint32_t) override {
        lastMatched = position;
        ++events;
    }

    int jumps = 0;
    int events = 0;
    ScorePosition lastMatched{-1};
};

// Where the accompaniment stood at each idle pass, so that a note it sent
// can be told apart from the same key elsewhere in the piece. Kept as the
// run goes: after a jump the follower no longer knows where it was before.
class PositionTimeline {
  public:
    void Sample(platform::ClockMs time, ScorePosition position) {
        samples_.push_back({time, position});
    }
    // The position at the last sample at or before `time` (the first sample
    // for earlier times); 0 before any sample.
    ScorePosition At(platform::ClockMs time) const {
        const auto after = std::upper_bound(
            samples_.begin(), samples_.end(), time,
            [](platform::ClockMs t, const std::pair<platform::ClockMs, ScorePosition>& sample) {
                // The run's clock starts at 0 and never comes near its wrap.
                return t.Ms() < sample.first.Ms();
            });
        if (after == samples_.begin())
            return samples_.empty() ? ScorePosition{} : samples_.front().second;
        return std::prev(after)->second;
    }

  private:
    std::vector<std::pair<platform::ClockMs, ScorePosition>> samples_;
};

// Runs the clock to `until`, with an idle pass at least every 10 ms.
void RunClockTo(Engine& engine, platform::ManualClock& clock, platform::ManualTimerService& timers,
                platform::ClockMs until, PositionTimeline* timeline = nullptr) {
    while (platform::ClockDifference(until, clock.Now()) > 0) {
        platform::ClockMs step = clock.Now() + kIdleStepMs;
        if (platform::ClockDifference(step, until) > 0) step = until;
        const auto next = timers.NextDeadline();
        if (next && platform::ClockDifference(step, *next) > 0) step = *next;
        timers.AdvanceTo(step);
        engine.IdlePass();
        if (timeline != nullptr) timeline->Sample(clock.Now(), engine.GetTransport().Position());
    }
}

// Play Performance from where following started, after a pause, to the end
// of the piece. False when there is no take to play.
bool PlayTake(Engine& engine, platform::ManualClock& clock, platform::ManualTimerService& timers,
              const PerformanceSettings& settings) {
    Transport& transport = engine.GetTransport();
    if (!PerformanceExists(transport.PerformanceTempos())) return false;
    RunClockTo(engine, clock, timers, clock.Now() + kPauseBeforePlayingMs);
    transport.SetPerformanceSettings(settings);
    transport.JumpTo(transport.Punch().start);
    transport.PlayPerformance();
    const platform::ClockMs began = clock.Now();
    while (transport.Mode().playing &&
           platform::ClockElapsed(clock.Now(), began) < kLongestPlayingMs)
        RunClockTo(engine, clock, timers, clock.Now() + kIdleStepMs);
    transport.Stop();
    RunClockTo(engine, clock, timers, clock.Now() + kIdleStepMs);
    return true;
}

// "1200" or "1200,3400": score positions in ms.
bool ReadPositions(std::string_view text, std::vector<ScorePosition>& positions) {
    while (!text.empty()) {
        const auto comma = text.find(',');
        int position = 0;
        if (!ReadNumberArgument(text.substr(0, comma), 0, (kNoLimit - 1).Ms(), position))
            return false;
        AddMarker(positions, ScorePosition{position});
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    return true;
}

// "note:60", "any-note", "controller:64", "any-controller", "space", "mouse".
bool ReadTapSource(std::string_view text, FollowingOptions& following) {
    int number = 0;
    if (text == "space") {
        following.tapSource = TapSource::SpaceBar;
    } else if (text == "mouse") {
        following.tapSource = TapSource::RightMouseButton;
    } else if (text == "any-note") {
        following.tapSource = TapSource::AnyNote;
    } else if (text == "any-controller") {
        following.tapSource = TapSource::AnyController;
    } else if (text.starts_with("note:") && ReadNumberArgument(text.substr(5), 0, 127, number)) {
        following.tapSource = TapSource::Note;
        following.tapNote = static_cast<std::uint8_t>(number);
    } else if (text.starts_with("controller:") &&
               ReadNumberArgument(text.substr(11), 0, 121, number)) {
        following.tapSource = TapSource::Controller;
        following.tapController = static_cast<std::uint8_t>(number);
    } else {
        return false;
    }
    return true;
}

bool IsNoteOn(std::uint32_t word) {
    return (word & 0xF0) == 0x90 && ((word >> 16) & 0x7F) != 0;
}

std::vector<std::uint8_t> BytesOf(std::uint32_t word) {
    const std::uint8_t status = word & 0xFF;
    const std::uint8_t kind = status & 0xF0;
    std::vector<std::uint8_t> bytes{status, static_cast<std::uint8_t>((word >> 8) & 0x7F)};
    if (kind != 0xC0 && kind != 0xD0)
        bytes.push_back(static_cast<std::uint8_t>((word >> 16) & 0x7F));
    return bytes;
}

std::vector<WrittenNote> WrittenPart(const Piece& piece, const FollowRunOptions& options) {
    std::vector<WrittenNote> part;
    for (const int track : {options.track, options.track2}) {
        if (track < 1 || track > piece.TrackCount()) continue;
        for (const TrackEvent& event : piece.tracks[static_cast<std::size_t>(track - 1)].events) {
            if ((event.kind & 0xF0) == kNoteOn && event.data2 > 0)
                part.push_back(WrittenNote{event.time, event.data1});
        }
    }
    std::stable_sort(part.begin(), part.end(), [](const WrittenNote& a, const WrittenNote& b) {
        return a.scoreMs != b.scoreMs ? a.scoreMs < b.scoreMs : a.pitch < b.pitch;
    });
    return part;
}

// Each accompaniment note-on the ports received, with the score time of the
// note it played: the same channel and key nearest to where the soloist was.
std::vector<SentOnset> SentOnsets(const Piece& piece, const std::vector<int>& following,
                                  const std::vector<PortMessage>& stream,
                                  const PositionTimeline& timeline) {
    std::map<std::pair<int, int>, std::vector<ScorePosition>> scoreOnsets;
    for (int t = 0; t < piece.TrackCount(); ++t) {
        if (std::find(following.begin(), following.end(), t) != following.end()) continue;
        const Track& track = piece.tracks[static_cast<std::size_t>(t)];
        for (const TrackEvent& event : track.events) {
            if ((event.kind & 0xF0) == kNoteOn && event.data2 > 0)
                scoreOnsets[{track.channel, event.data1}].push_back(
                    static_cast<ScorePosition>(event.time));
        }
    }
    std::vector<SentOnset> sent;
    for (const PortMessage& message : stream) {
        if (message.port == kSoloistPort || message.bytes.size() < 3) continue;
        if ((message.bytes[0] & 0xF0) != 0x90 || message.bytes[2] == 0) continue;
        const auto found = scoreOnsets.find({message.bytes[0] & 0x0F, message.bytes[1]});
        if (found == scoreOnsets.end()) continue;
        const ScorePosition soloist = timeline.At(platform::ClockMs{message.timeMs});
        ScorePosition best{-1};
        for (const ScorePosition onset : found->second) {
            if (best < ScorePosition{} || std::abs(onset - soloist) < std::abs(best - soloist))
                best = onset;
        }
        if (best >= ScorePosition{} && std::abs(best - soloist) <= kOnsetMatchMs)
            sent.push_back(SentOnset{best.Ms(), message.timeMs});
    }
    return sent;
}

}  // namespace

bool ApplyFollowOption(std::string_view key, std::string_view value, FollowRunOptions& options,
                       std::string& error) {
    FollowingOptions& following = options.following;
    int number = 0;
    bool ok = true;
    if (key == "track") {
        ok = ReadNumberArgument(value, 1, 65535, options.track);
    } else if (key == "track2") {
        ok = ReadNumberArgument(value, 0, 65535, options.track2);
    } else if (key == "follow") {
        ok = value == "notes" || value == "taps";
        following.followSource =
            value == "taps" ? FollowSource::TappedBeats : FollowSource::SoloistsPlaying;
        if (value == "taps" && following.tapSource < TapSource::Note)
            following.tapSource = TapSource::AnyNote;
    } else if (key == "timing") {
        ok = ReadNumberArgument(value, 0, 4, number);
        following.timingFollowLevel = static_cast<std::uint16_t>(number);
    } else if (key == "volume") {
        ok = ReadNumberArgument(value, 0, 3, number);
        following.volumeFollowLevel = static_cast<std::uint16_t>(number);
    } else if (key == "jumping") {
        ok = value == "off" || value == "beats" || value == "anywhere";
        following.jumpEnabled = value != "off";
        following.jumpSeveralBeatsOnly = value == "beats";
    } else if (key == "method") {
        const auto method = FollowingMethodNamed(value);
        ok = method.has_value();
        if (ok) following.method = *method;
    } else if (key == "start-automatically") {
        ok = ReadYesNo(value, following.startAutomatically);
    } else if (key == "stop-automatically") {
        ok = ReadYesNo(value, following.stopAutomatically);
    } else if (key == "wait-for-solo") {
        ok = ReadYesNo(value, following.waitForSoloToStart);
    } else if (key == "tap-source") {
        ok = ReadTapSource(value, following);
    } else if (key == "wait-for-soloist") {
        ok = ReadPositions(value, options.markers.waitForSoloist);
    } else if (key == "restore-tempo") {
        ok = ReadPositions(value, options.markers.restoreTempo);
    } else if (key == "rehearsal") {
        ok = ReadPositions(value, options.markers.rehearsalPoints);
    } else if (key == "ignore") {
        const auto dash = value.find('-');
        int start = 0;
        int end = 0;
        ok = dash != std::string_view::npos &&
             ReadNumberArgument(value.substr(0, dash), 0, (kNoLimit - 1).Ms(), start) &&
             ReadNumberArgument(value.substr(dash + 1), 0, (kNoLimit - 1).Ms(), end) && start < end;
        if (ok)
            AddRange(options.markers.ignoreSoloist,
                     ScoreRange{ScorePosition{start}, ScorePosition{end}});
    } else if (key == "play-mode") {
        constexpr std::array<std::string_view, 4> kModes{"punch-in", "sound-on-sound", "overwrite",
                                                         "following-track-only"};
        const auto found = std::find(kModes.begin(), kModes.end(), value);
        ok = found != kModes.end();
        if (ok)
            options.performance.playMode = static_cast<PerformancePlayMode>(found - kModes.begin());
    } else if (key == "tempo-before") {
        ok = value == "file" || value == "average";
        options.performance.tempos.before = value == "average" ? TempoBeforePerformed::AverageTempo
                                                               : TempoBeforePerformed::FileTempo;
    } else if (key == "tempo-during") {
        ok = value == "file" || value == "performed";
        options.performance.tempos.during = value == "performed"
                                                ? TempoDuringPerformed::PerformedTempos
                                                : TempoDuringPerformed::FileTempo;
    } else if (key == "tempo-after") {
        ok = value == "file" || value == "average" || value == "last";
        options.performance.tempos.after = value == "average" ? TempoAfterPerformed::AverageTempo
                                           : value == "last"  ? TempoAfterPerformed::LastTempo
                                                              : TempoAfterPerformed::FileTempo;
    } else if (key == "play-tapped-notes") {
        ok = ReadYesNo(value, options.performance.playTappedNotes);
    } else if (key == "soloist-track") {
        ok = ReadNumberArgument(value, 0, 65535, options.soloistTrack);
    } else {
        error = "unknown follow option '" + std::string(key) + "'";
        return false;
    }
    if (!ok) {
        error =
            "the value '" + std::string(value) + "' of '" + std::string(key) + "' is not allowed";
        return false;
    }
    return true;
}

bool RunFollow(const FollowRunOptions& options, FollowRunResult& result, std::string& error,
               int& exitCode) {
    std::vector<PlayedMessage> played;
    if (options.soloist) {
        played = *options.soloist;
    } else if (!ReadPerformanceFile(options.soloistPath, options.soloistTrack, played, error)) {
        error += "\n";
        exitCode = kExitUsage;
        return false;
    }
    platform::ManualClock clock;
    platform::ManualTimerService timers{clock};
    std::vector<std::string> outputs;
    for (int port = 0; port < kPortCount; ++port)
        outputs.push_back(std::string("Port ") + static_cast<char>('A' + port));
    platform::ManualMidiSystem midi{clock, {"Soloist"}, outputs};
    std::string messages;
    ConsoleUi ui(messages);
    ReportLog log;
    PositionTimeline timeline;
    {
        Engine engine(clock, timers, midi, ui);
        for (int port = 0; port < kPortCount; ++port)
            engine.Ports().SetOutputDevice(port, port);
        engine.Ports().SetInputDevice(0, 0);
        engine.OpenOutputPorts();
        engine.OpenInputPorts();
        const LoadResult loaded = engine.OpenPiece(options.piecePath);
        if (loaded != LoadResult::Loaded) {
            error = LoadFailureLine(options.piecePath, loaded);
            exitCode = LoadFailureExit(loaded);
            return false;
        }
        Piece& piece = *engine.CurrentPiece();
        if (options.track > piece.TrackCount() || options.track2 > piece.TrackCount()) {
            error =
                "ostinel-cli: the piece has " + std::to_string(piece.TrackCount()) + " tracks\n";
            exitCode = kExitUsage;
            return false;
        }
        result.writtenPart = WrittenPart(piece, options);
        FollowingOptions following = options.following;
        following.followTrack1 = static_cast<std::int16_t>(options.track - 1);
        following.twoFollowTracks = options.track2 > 0;
        following.followTrack2 = static_cast<std::int16_t>(std::max(options.track2 - 1, 0));
        engine.SetFollowingOptions(following);
        engine.SetSpecialMarkers(options.markers);
        engine.Reports().SetObserver(&log);
        Transport& transport = engine.GetTransport();
        const bool taps = following.followSource == FollowSource::TappedBeats;

        bool pressed = false;
        for (const PlayedMessage& message : played) {
            RunClockTo(engine, clock, timers, platform::ClockMs{message.timeMs}, &timeline);
            // Without an automatic start (and for taps) the player presses
            // Play and Follow as they begin.
            if (!pressed && IsNoteOn(message.word) && (taps || !following.startAutomatically)) {
                transport.PlayAndFollow();
                pressed = true;
            }
            const int jumpsBefore = log.jumps;
            const int eventsBefore = log.events;
            const auto bytes = BytesOf(message.word);
            midi.Input(0).Inject(bytes, clock.Now());
            for (PlayedEvent event; engine.Reports().TakePlayedEvent(event);)
                result.played.push_back(event);
            result.stream.push_back(PortMessage{kSoloistPort, clock.Now().Ms(), bytes});
            if (!IsNoteOn(message.word)) continue;
            engine.IdlePass();
            SoloistNote note;
            note.timeMs = message.timeMs;
            note.pitch = static_cast<int>((message.word >> 8) & 0x7F);
            note.matched = log.events > eventsBefore ? log.lastMatched : ScorePosition{-1};
            note.position = engine.GetFollower().Position();
            note.tempoPercent = PercentFromSpeed(engine.Reports().Speed());
            note.jumpRequested = log.jumps > jumpsBefore;
            result.notes.push_back(note);
        }
        RunClockTo(engine, clock, timers, clock.Now() + kTailMs, &timeline);
        for (PlayedEvent event; engine.Reports().TakePlayedEvent(event);)
            result.played.push_back(event);
        result.endPosition = transport.Position();
        transport.Stop();
        RunClockTo(engine, clock, timers, clock.Now() + kIdleStepMs);
        result.jumps = log.jumps;
        if (!options.savePerformancePath.empty()) {
            if (!PerformanceExists(transport.PerformanceTempos())) {
                error = "ostinel-cli follow: the take is too short to keep as a performance\n";
                exitCode = kExitOutputFailed;
                return false;
            }
            engine.SetPerformanceSettings(options.performance);
            const PerformanceWriteResult written =
                SavePerformanceAs(engine, options.savePerformancePath);
            if (written != PerformanceWriteResult::Written) {
                error = options.savePerformancePath + ": " +
                        std::string(StringTable().Get(PerformanceWriteMessage(written))) + "\n";
                exitCode = kExitOutputFailed;
                return false;
            }
            result.performanceSaved = true;
        }
        const platform::ClockMs followEnd = clock.Now();
        if (options.playPerformance) {
            if (!PlayTake(engine, clock, timers, options.performance)) {
                error = "ostinel-cli follow: the take is too short to play as a performance\n";
                exitCode = kExitUsage;
                return false;
            }
            result.performancePlayed = true;
        }
        result.lengthMs = clock.Now().Ms();
        engine.Reports().SetObserver(nullptr);

        for (int port = 0; port < kPortCount; ++port) {
            for (const auto& sent : midi.Output(port).Messages())
                result.stream.push_back(PortMessage{port, sent.time.Ms(), sent.bytes});
        }
        std::stable_sort(
            result.stream.begin(), result.stream.end(),
            [](const PortMessage& a, const PortMessage& b) { return a.timeMs < b.timeMs; });
        std::vector<int> followingTracks{options.track - 1};
        if (options.track2 > 0) followingTracks.push_back(options.track2 - 1);
        // The figures are of the follow alone, not of the take played again.
        std::vector<PortMessage> followed;
        for (const PortMessage& message : result.stream)
            if (platform::ClockDifference(platform::ClockMs{message.timeMs}, followEnd) <= 0)
                followed.push_back(message);
        result.sentOnsets = SentOnsets(piece, followingTracks, followed, timeline);
    }
    error += messages;
    exitCode = kExitSuccess;
    return true;
}

}  // namespace ostinel::cli
