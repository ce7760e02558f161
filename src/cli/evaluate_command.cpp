#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli/evaluation_plot.h"
#include "cli/exit_codes.h"
#include "cli/follow_run.h"
#include "cli/number_argument.h"
#include "cli/performance_file.h"
#include "cli/skipped_performance.h"
#include "sequence/piece.h"

namespace ostinel::cli {
namespace {

// The case's follow: its options by their command-line names.
// What the command line sets for every case, over the cases' own settings.
struct EvaluateOptions {
    std::vector<std::string_view> folders;
    std::vector<std::pair<std::string_view, std::string_view>> overrides;
    int skipBeats = 0;
    std::string plotDirectory;
};

bool ParseEvaluateArguments(std::span<const std::string_view> args, EvaluateOptions& options,
                            std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("--")) {
            options.folders.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "the option '" + std::string(arg) + "' needs a value";
            return false;
        }
        const std::string_view value = args[++i];
        if (arg == "--method") {
            if (!FollowingMethodNamed(value)) {
                error = "--method takes matching or probability";
                return false;
            }
            options.overrides.emplace_back(arg.substr(2), value);
        } else if (arg == "--skip") {
            if (!ReadNumberArgument(value, -10000, 10000, options.skipBeats)) {
                error = "--skip takes a number of beats, negative to go back";
                return false;
            }
        } else if (arg == "--plot") {
            options.plotDirectory = std::string(value);
        } else {
            error = "unknown evaluate option '" + std::string(arg) + "'";
            return false;
        }
    }
    return true;
}

bool CaseRunOptions(const EvaluationCase& evaluationCase, const EvaluateOptions& evaluate,
                    FollowRunOptions& options, std::string& error) {
    options.piecePath = evaluationCase.piecePath;
    options.soloistPath = evaluationCase.performancePath;
    options.track = evaluationCase.track;
    options.track2 = evaluationCase.track2;
    for (const auto& [key, value] : evaluationCase.options) {
        if (!ApplyFollowOption(key, value, options, error)) return false;
    }
    for (const auto& [key, value] : evaluate.overrides) {
        if (!ApplyFollowOption(key, value, options, error)) return false;
    }
    return true;
}

// Taps carry no pitch, so a skip in a tapped take cannot be heard by any
// method: such a case is measured as it was played.
bool TappedTake(const FollowRunOptions& options) {
    return options.following.followSource == FollowSource::TappedBeats;
}

// The case's take with the soloist's skip spliced in; the truth follows it
// and the reference accompanist, who never skipped, no longer applies.
bool SkipInCase(int beats, EvaluationCase& evaluationCase, FollowRunOptions& options,
                std::string& error) {
    Piece piece;
    if (OpenPiece(evaluationCase.piecePath, piece) != LoadResult::Loaded) {
        error = "piece.mid cannot be read";
        return false;
    }
    std::vector<std::uint32_t> beatTimes;
    for (const BeatRecord& beat : piece.beatMap)
        beatTimes.push_back(beat.time);
    std::vector<PlayedMessage> messages;
    if (!ReadPerformanceFile(options.soloistPath, options.soloistTrack, messages, error))
        return false;
    if (!SpliceSkip(beatTimes, beats, messages, evaluationCase.truth, error)) return false;
    options.soloist = std::move(messages);
    evaluationCase.accompanimentTruth.clear();
    return true;
}

bool WritePlot(const std::string& path, const std::string& svg) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(svg.data(), 1, svg.size(), file) == svg.size();
    return std::fclose(file) == 0 && written;
}

std::vector<FollowerSample> SamplesOf(const FollowRunResult& result, std::size_t rows) {
    std::vector<FollowerSample> samples;
    for (std::size_t i = 0; i < rows; ++i) {
        if (i < result.notes.size()) {
            samples.push_back(FollowerSample{static_cast<double>(result.notes[i].position.Ms()),
                                             result.notes[i].jumpRequested});
        } else {
            samples.push_back(FollowerSample{std::nullopt, false});
        }
    }
    return samples;
}

// The mean of the finite values: a case whose figure is missing counts for nothing.
double MeanOf(const std::vector<double>& values) {
    double sum = 0;
    int count = 0;
    for (const double value : values) {
        if (!std::isfinite(value)) continue;
        sum += value;
        ++count;
    }
    return count == 0 ? std::nan("") : sum / count;
}

}  // namespace

int RunEvaluateCommand(std::span<const std::string_view> args, std::string& out, std::string& err) {
    EvaluateOptions evaluate;
    std::string problem;
    if (!ParseEvaluateArguments(args, evaluate, problem)) {
        err += "ostinel-cli evaluate: " + problem + "\n";
        return kExitUsage;
    }
    if (evaluate.folders.empty()) {
        err += "ostinel-cli evaluate: name one or more case folders\n";
        return kExitUsage;
    }
    out += EvaluationTsvHeader(true);
    std::vector<EvaluationResult> results;
    int failures = 0;
    for (const std::string_view directory : evaluate.folders) {
        EvaluationCase evaluationCase;
        FollowRunOptions options;
        FollowRunResult result;
        int exitCode = kExitSuccess;
        if (!ReadEvaluationCase(std::string(directory), evaluationCase, problem) ||
            !CaseRunOptions(evaluationCase, evaluate, options, problem) ||
            (evaluate.skipBeats != 0 && !TappedTake(options) &&
             !SkipInCase(evaluate.skipBeats, evaluationCase, options, problem)) ||
            !RunFollow(options, result, problem, exitCode)) {
            err += std::string(directory) + ": " + problem + "\n";
            ++failures;
            continue;
        }
        const auto samples = SamplesOf(result, evaluationCase.truth.size());
        const EvaluationInput input{evaluationCase.truth, samples, result.sentOnsets,
                                    evaluationCase.accompanimentTruth, result.writtenPart};
        const EvaluationResult figures = Evaluate(input);
        results.push_back(figures);
        // The folder's own name, with or without a closing slash.
        std::string_view folder = directory;
        while (folder.size() > 1 && folder.back() == '/')
            folder.remove_suffix(1);
        const std::string name(folder.substr(folder.find_last_of('/') + 1));
        out += EvaluationTsvRow(figures, name);
        if (!evaluate.plotDirectory.empty()) {
            const std::string svg = EvaluationPlotSvg(name, input);
            const std::string path = evaluate.plotDirectory + "/" + name + ".svg";
            if (!WritePlot(path, svg)) {
                err += path + ": cannot be written\n";
                ++failures;
            }
        }
    }
    // The summary: note-weighted shares, the mean of the other figures.
    EvaluationResult summary;
    std::vector<double> medians, p95s, asyncMedians, asyncAbsMedians, asyncP95s, relocks,
        twinRelocks;
    for (const EvaluationResult& r : results) {
        summary.notes += r.notes;
        summary.within50 += r.within50 * r.notes;
        summary.within100 += r.within100 * r.notes;
        summary.within250 += r.within250 * r.notes;
        summary.jumps += r.jumps;
        summary.falseJumps += r.falseJumps;
        summary.asyncOnsets += r.asyncOnsets;
        summary.discontinuities += r.discontinuities;
        medians.push_back(r.errorMedianMs);
        p95s.push_back(r.errorP95Ms);
        asyncMedians.push_back(r.asyncMedianMs);
        asyncAbsMedians.push_back(r.asyncAbsMedianMs);
        asyncP95s.push_back(r.asyncP95Ms);
        relocks.push_back(r.relockMs);
        twinRelocks.push_back(r.relockTwinMs);
    }
    if (summary.notes > 0) {
        summary.within50 /= summary.notes;
        summary.within100 /= summary.notes;
        summary.within250 /= summary.notes;
    }
    summary.errorMedianMs = MeanOf(medians);
    summary.errorP95Ms = MeanOf(p95s);
    summary.asyncMedianMs = MeanOf(asyncMedians);
    summary.asyncAbsMedianMs = MeanOf(asyncAbsMedians);
    summary.asyncP95Ms = MeanOf(asyncP95s);
    summary.relockMs = MeanOf(relocks);
    summary.relockTwinMs = MeanOf(twinRelocks);
    out += EvaluationTsvRow(summary, "all");
    return failures == 0 ? kExitSuccess : kExitUsage;
}

}  // namespace ostinel::cli
