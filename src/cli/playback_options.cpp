#include "cli/playback_options.h"

#include <cstdio>

#include "cli/number_argument.h"
#include "playback/master_tempo.h"

namespace ostinel::cli {
namespace {

// "M:B" or "M" (beat 1).
bool ReadMeasureBeat(std::string_view text, int& measure, int& beat) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        beat = 1;
        return ReadNumberArgument(text, 1, 65535, measure);
    }
    return ReadNumberArgument(text.substr(0, colon), 1, 65535, measure) &&
           ReadNumberArgument(text.substr(colon + 1), 1, 65535, beat);
}

// "B=3": port B uses output device 3.
bool ReadPortDevice(std::string_view text, std::array<int, kPortCount>& devices) {
    if (text.size() < 3 || text[1] != '=') return false;
    const char letter = static_cast<char>(text[0] & ~0x20);
    if (letter < 'A' || letter >= 'A' + kPortCount) return false;
    return ReadNumberArgument(text.substr(2), 0, kDeviceSlotCount - 1, devices[letter - 'A']);
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
        error = "name the MIDI file to play";
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
    if (options.startMeasure > 0) {
        for (const BeatRecord& beat : piece.beatMap) {
            if (beat.measure == options.startMeasure && beat.beat == options.startBeat) {
                transport.JumpTo(static_cast<ScorePosition>(beat.time));
                return true;
            }
        }
        error = "the piece has no beat " + std::to_string(options.startBeat) + " in measure " +
                std::to_string(options.startMeasure);
        return false;
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
