#include "cli/playback_options.h"

#include <cstdio>
#include <optional>

#include "cli/number_argument.h"
#include "playback/master_tempo.h"

namespace ostinel::cli {
namespace {

// "M:B" or "M" (beat 1); a score's pickup is measure 0.
bool ReadMeasureBeat(std::string_view text, int& measure, int& beat) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        beat = 1;
        return ReadNumberArgument(text, 0, 65535, measure);
    }
    return ReadNumberArgument(text.substr(0, colon), 0, 65535, measure) &&
           ReadNumberArgument(text.substr(colon + 1), 1, 65535, beat);
}

// "B=3": port B uses output device 3.
bool ReadPortDevice(std::string_view text, std::array<int, kPortCount>& devices) {
    if (text.size() < 3 || text[1] != '=') return false;
    const char letter = static_cast<char>(text[0] & ~0x20);
    if (letter < 'A' || letter >= 'A' + kPortCount) return false;
    return ReadNumberArgument(text.substr(2), 0, kDeviceSlotCount - 1, devices[letter - 'A']);
}

// "M:B-M:B": the loop's first and last beat.
bool ReadLoop(std::string_view text, PlaybackOptions& options) {
    const auto dash = text.find('-');
    if (dash == std::string_view::npos) return false;
    return ReadMeasureBeat(text.substr(0, dash), options.loopBeginMeasure, options.loopBeginBeat) &&
           ReadMeasureBeat(text.substr(dash + 1), options.loopEndMeasure, options.loopEndBeat);
}

// The time of beat `beat` of measure `measure`, when the piece has it.
std::optional<ScorePosition> BeatTime(const Piece& piece, int measure, int beat) {
    for (const BeatRecord& record : piece.beatMap) {
        if (record.measure == measure && record.beat == beat)
            return static_cast<ScorePosition>(record.time);
    }
    return std::nullopt;
}

std::string NoBeatText(int measure, int beat) {
    return "the piece has no beat " + std::to_string(beat) + " in measure " +
           std::to_string(measure);
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

}  // namespace

bool ParsePlaybackOptions(std::span<const std::string_view> args, bool render,
                          PlaybackOptions& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        const auto value = [&]() { return args[++i]; };
        if (arg == "--no-wav" && render) {
            options.wav = false;
            continue;
        }
        if (arg == "--metronome") {
            options.metronome = true;
            continue;
        }
        if (!arg.starts_with("-")) {
            if (!options.piecePath.empty()) {
                error = "only one piece can be played; " + Quoted(arg) + " is one too many";
                return false;
            }
            options.piecePath = std::string(arg);
            continue;
        }
        if (!hasValue) {
            error = "the option " + Quoted(arg) + " needs a value";
            return false;
        }
        bool ok = true;
        if (arg == "--start") {
            ok = ReadMeasureBeat(value(), options.startMeasure, options.startBeat);
        } else if (arg == "--tempo") {
            ok = ReadNumberArgument(value(), 1, 200, options.tempoPercent);
        } else if (arg == "--transpose") {
            ok = ReadNumberArgument(value(), -127, 127, options.transpose);
        } else if (arg == "--volume") {
            ok = ReadNumberArgument(value(), 0, 200, options.volumePercent);
        } else if (arg == "--mute") {
            int track = 0;
            ok = ReadNumberArgument(value(), 1, 65535, track);
            options.mutedTracks.push_back(track);
        } else if (arg == "--soundfont") {
            options.soundFont = std::string(value());
        } else if (arg == "-o" && render) {
            options.output = std::string(value());
        } else if (arg == "--port" && !render) {
            ok = ReadPortDevice(value(), options.portDevice);
        } else if (arg == "--loop") {
            ok = ReadLoop(value(), options);
        } else if (arg == "--restart-after" && !render) {
            ok = ReadNumberArgument(value(), 0, 10, options.restartAfterSec);
        } else {
            error = "unknown option " + Quoted(arg);
            return false;
        }
        if (!ok) {
            error = "the value " + Quoted(args[i]) + " of " + Quoted(arg) + " is not allowed";
            return false;
        }
    }
    if (options.piecePath.empty()) {
        error = "name the piece to play (a MIDI file or a MusicXML score)";
        return false;
    }
    if (options.restartAfterSec >= 0 && options.loopBeginMeasure < 0) {
        error = "--restart-after restarts a loop: give it with --loop M:B-M:B";
        return false;
    }
    if (render && options.output.empty()) {
        error = "name the output with -o OUT (OUT.mid and OUT.wav are written)";
        return false;
    }
    return true;
}

bool ApplyPlaybackOptions(const PlaybackOptions& options, Engine& engine, std::string& error) {
    Piece& piece = *engine.CurrentPiece();
    for (const int track : options.mutedTracks) {
        if (track > piece.TrackCount()) {
            error = "the piece has no track " + std::to_string(track) + " (it has " +
                    std::to_string(piece.TrackCount()) + ")";
            return false;
        }
        piece.tracks[static_cast<std::size_t>(track - 1)].playFlag = 0;
    }
    Transport& transport = engine.GetTransport();
    MasterSettings master;
    master.speed = SpeedFromPercent(options.tempoPercent);
    master.volume = static_cast<std::int16_t>((options.volumePercent * 256 + 50) / 100);
    master.transpose = static_cast<std::int16_t>(options.transpose);
    transport.SetMasterSettings(master);
    if (options.metronome) {
        MetronomeSettings metronome = transport.Metronome();
        metronome.on = true;
        transport.SetMetronomeSettings(metronome);
    }
    if (options.loopBeginMeasure >= 0) {
        const auto begin = BeatTime(piece, options.loopBeginMeasure, options.loopBeginBeat);
        const auto end = BeatTime(piece, options.loopEndMeasure, options.loopEndBeat);
        if (!begin || !end) {
            error = begin ? NoBeatText(options.loopEndMeasure, options.loopEndBeat)
                          : NoBeatText(options.loopBeginMeasure, options.loopBeginBeat);
            return false;
        }
        if (*begin >= *end) {
            error = "the loop must end after it begins";
            return false;
        }
        LoopSettings loop = transport.Loop();
        loop.on = true;
        loop.begin = *begin;
        loop.end = *end;
        loop.restartAutomatically = options.restartAfterSec >= 0;
        if (loop.restartAutomatically)
            loop.restartDelaySec = static_cast<std::uint32_t>(options.restartAfterSec);
        transport.SetLoopSettings(loop);
    }
    if (options.startMeasure >= 0) {
        const auto start = BeatTime(piece, options.startMeasure, options.startBeat);
        if (!start) {
            error = NoBeatText(options.startMeasure, options.startBeat);
            return false;
        }
        transport.JumpTo(*start);
    }
    return true;
}

std::string MeasureBeatText(const DisplayedBeat& shown) {
    return std::to_string(shown.measure) + ":" + std::to_string(shown.beat);
}

std::string ClockText(std::int64_t ms) {
    if (ms < 0) ms = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms / 100 % 10));
    return text;
}

}  // namespace ostinel::cli
