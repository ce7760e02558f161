#include <cstdio>
#include <fstream>

#include "cli/exit_codes.h"
#include "cli/follow_run.h"
#include "cli/follow_score_view.h"
#include "cli/number_argument.h"
#include "cli/render_command.h"
#include "midi/port_map.h"
#include "platform/real/synth/synth_renderer.h"

namespace ostinel::cli {
namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

bool ParseFollowCommand(std::span<const std::string_view> args, FollowCommandOptions& options,
                        std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("-")) {
            if (!options.run.piecePath.empty()) {
                error = "only one piece can be followed";
                return false;
            }
            options.run.piecePath = std::string(arg);
            continue;
        }
        if (arg == "--taps") {
            options.run.following.followSource = FollowSource::TappedBeats;
            options.run.following.tapSource = TapSource::AnyNote;
            continue;
        }
        if (arg == "--no-auto-start") {
            options.run.following.startAutomatically = false;
            continue;
        }
        if (arg == "--realtime") {
            options.realtime = true;
            continue;
        }
        if (arg == "--play-performance") {
            options.run.playPerformance = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "the option '" + std::string(arg) + "' needs a value";
            return false;
        }
        const std::string_view value = args[++i];
        if (arg == "--soloist") {
            options.run.soloistPath = std::string(value);
        } else if (arg == "--input") {
            if (!ReadNumberArgument(value, 0, kDeviceSlotCount - 1, options.inputDevice)) {
                error = "--input takes an input device number as `devices` lists them";
                return false;
            }
        } else if (arg == "-o") {
            if (!EndsWith(value, ".mid") && !EndsWith(value, ".wav")) {
                error = "-o takes a .mid or a .wav file";
                return false;
            }
            options.outputs.emplace_back(value);
        } else if (arg == "--save-performance") {
            options.run.savePerformancePath = std::string(value);
        } else if (arg == "--report") {
            options.reportPath = std::string(value);
        } else if (arg == "--score-view") {
            if (!EndsWith(value, ".png")) {
                error = "--score-view takes a .png file";
                return false;
            }
            options.scoreViewPath = std::string(value);
        } else if (arg == "--score-view-scale") {
            if (value != "100" && value != "150" && value != "200") {
                error = "--score-view-scale takes 100, 150 or 200";
                return false;
            }
            options.scoreViewPercent = value == "100" ? 100 : value == "150" ? 150 : 200;
        } else if (arg == "--truth") {
            options.truthPath = std::string(value);
        } else if (arg == "--soundfont") {
            options.soundFont = std::string(value);
        } else if (!ApplyFollowOption(arg.substr(2), value, options.run, error)) {
            return false;
        }
    }
    if (options.run.piecePath.empty() ||
        (options.run.soloistPath.empty() && options.inputDevice < 0)) {
        error =
            "name the piece and the soloist: a performance (--soloist PERF.mid) or a MIDI "
            "input device (--input N)";
        return false;
    }
    return true;
}

namespace {

// The figures of a follow. Without a truth file the soloist's own matches
// stand in for it, which still gives the accompaniment's asynchrony.
EvaluationResult Figures(const FollowRunResult& result, const std::vector<TruthRow>& truth) {
    std::vector<TruthRow> rows = truth;
    if (rows.empty()) {
        for (const SoloistNote& note : result.notes)
            rows.push_back(TruthRow{note.timeMs, note.pitch, note.matched.Ms()});
    }
    std::vector<FollowerSample> samples;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i < result.notes.size()) {
            samples.push_back(FollowerSample{static_cast<double>(result.notes[i].position.Ms()),
                                             result.notes[i].jumpRequested});
        } else {
            samples.push_back(FollowerSample{std::nullopt, false});
        }
    }
    return Evaluate(EvaluationInput{rows, samples, result.sentOnsets, {}, result.writtenPart});
}

std::string ReportTsv(const FollowRunResult& result) {
    std::string text = "perf_ms\tpitch\tmatched_ms\tposition_ms\ttempo_percent\tjump\n";
    for (const SoloistNote& note : result.notes) {
        text += std::to_string(note.timeMs) + "\t" + std::to_string(note.pitch) + "\t" +
                std::to_string(note.matched.Ms()) + "\t" + std::to_string(note.position.Ms()) +
                "\t" + std::to_string(note.tempoPercent) + "\t" + (note.jumpRequested ? "1" : "0") +
                "\n";
    }
    return text;
}

std::string ReportJson(const FollowRunResult& result, const EvaluationResult& figures) {
    std::string text = "{\"notes\":[";
    for (std::size_t i = 0; i < result.notes.size(); ++i) {
        const SoloistNote& note = result.notes[i];
        if (i > 0) text += ",";
        text += "{\"perf_ms\":" + std::to_string(note.timeMs) +
                ",\"pitch\":" + std::to_string(note.pitch) +
                ",\"matched_ms\":" + std::to_string(note.matched.Ms()) +
                ",\"position_ms\":" + std::to_string(note.position.Ms()) +
                ",\"tempo_percent\":" + std::to_string(note.tempoPercent) +
                ",\"jump\":" + (note.jumpRequested ? "true" : "false") + "}";
    }
    text += "],\"summary\":{\"jumps\":" + std::to_string(result.jumps) +
            ",\"async_onsets\":" + std::to_string(figures.asyncOnsets) + "}}\n";
    return text;
}

bool WriteText(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file.flush()) {
        error = "The report " + path + " could not be written.";
        return false;
    }
    return true;
}

}  // namespace

int RunFollowCommand(std::span<const std::string_view> args, std::string& out, std::string& err) {
    FollowCommandOptions options;
    std::string problem;
    if (!ParseFollowCommand(args, options, problem)) {
        err += "ostinel-cli follow: " + problem + "\n";
        return kExitUsage;
    }
    std::vector<TruthRow> truth;
    if (!options.truthPath.empty() && !ReadTruthFile(options.truthPath, truth, problem)) {
        err += "ostinel-cli follow: " + problem + "\n";
        return kExitUsage;
    }
    FollowRunResult result;
    int exitCode = kExitSuccess;
    if (!RunFollow(options.run, result, problem, exitCode)) {
        err += problem;
        return exitCode;
    }
    err += problem;
    const EvaluationResult figures = Figures(result, truth);
    const std::string title =
        options.run.piecePath.substr(options.run.piecePath.find_last_of('/') + 1);
    if (result.performanceSaved) out += "wrote " + options.run.savePerformancePath + "\n";
    if (result.performancePlayed) out += "played the take again after the follow\n";
    for (const std::string& output : options.outputs) {
        const bool written = EndsWith(output, ".mid")
                                 ? WriteCapturedStream(result.stream, title, output, problem)
                                 : platform::RenderToWav(SynthStream(result.stream), output,
                                                         options.soundFont, problem);
        if (!written) {
            err += problem + "\n";
            return kExitOutputFailed;
        }
        out += "wrote " + output + "\n";
    }
    if (!options.scoreViewPath.empty()) {
        if (!WriteFollowScoreView(options.run, result, options.scoreViewPath,
                                  options.scoreViewPercent, problem)) {
            err += "ostinel-cli follow: " + problem + "\n";
            return kExitOutputFailed;
        }
        out += "wrote " + options.scoreViewPath + "\n";
    }
    if (!options.reportPath.empty()) {
        const std::string report =
            EndsWith(options.reportPath, ".json") ? ReportJson(result, figures) : ReportTsv(result);
        if (!WriteText(options.reportPath, report, problem)) {
            err += problem + "\n";
            return kExitOutputFailed;
        }
    }
    int matched = 0;
    for (const SoloistNote& note : result.notes)
        matched += note.matched >= ScorePosition{} ? 1 : 0;
    char summary[256];
    std::snprintf(summary, sizeof summary,
                  "soloist notes %zu, matched %d, jumps %d; accompaniment against the soloist: "
                  "median %+.0f ms, 95%% within %.0f ms (%d onsets)\n",
                  result.notes.size(), matched, result.jumps, figures.asyncMedianMs,
                  figures.asyncP95Ms, figures.asyncOnsets);
    out += summary;
    if (!truth.empty()) {
        std::snprintf(summary, sizeof summary,
                      "position against the truth: %.0f%% within 100 ms, median error %.0f ms\n",
                      figures.within100 * 100.0, figures.errorMedianMs);
        out += summary;
    }
    return kExitSuccess;
}

}  // namespace ostinel::cli
