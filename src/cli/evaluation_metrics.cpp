#include "cli/evaluation_metrics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace ostinel::cli {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNotApplicable = std::numeric_limits<double>::quiet_NaN();
// Score times from different roundings of one tempo map may differ by this much.
constexpr std::int64_t kScoreMatchMs = 1;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ParseInteger(std::string_view text, std::int64_t& value) {
    text = Trim(text);
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, value);
    return !text.empty() && problem == std::errc() && stop == end;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    while (true) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return fields;
        line.remove_prefix(tab + 1);
    }
}

bool ReadLines(const std::filesystem::path& path, std::vector<std::string>& lines,
               std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path.string();
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return true;
}

// Rows of integers under an exact header; blank lines are skipped.
bool ReadTable(const std::filesystem::path& path, std::string_view header,
               std::vector<std::vector<std::int64_t>>& rows, std::string& error) {
    std::vector<std::string> lines;
    if (!ReadLines(path, lines, error)) return false;
    const std::string name = path.filename().string();
    const std::size_t columns = SplitTabs(header).size();
    bool headerSeen = false;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string where = name + " line " + std::to_string(n + 1) + ": ";
        if (Trim(lines[n]).empty()) continue;
        if (!headerSeen) {
            if (lines[n] != header) {
                error = where + "the header must be \"" + std::string(header) + "\"";
                return false;
            }
            headerSeen = true;
            continue;
        }
        const std::vector<std::string_view> fields = SplitTabs(lines[n]);
        std::vector<std::int64_t> row(columns);
        if (fields.size() != columns) {
            error = where + "expected " + std::to_string(columns) + " tab-separated columns";
            return false;
        }
        for (std::size_t c = 0; c < columns; ++c) {
            if (!ParseInteger(fields[c], row[c])) {
                error = where + "\"" + std::string(fields[c]) + "\" is not a whole number";
                return false;
            }
        }
        rows.push_back(std::move(row));
    }
    if (!headerSeen) {
        error = name + " is empty";
        return false;
    }
    return true;
}

bool ReadCaseText(const std::filesystem::path& path, EvaluationCase& evaluationCase,
                  std::string& error) {
    std::vector<std::string> lines;
    if (!ReadLines(path, lines, error)) return false;
    bool trackSeen = false;
    bool track2Seen = false;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string where = "case.txt line " + std::to_string(n + 1) + ": ";
        const std::string_view line = Trim(lines[n]);
        if (line.empty() || line.front() == '#') continue;
        const auto equals = line.find('=');
        const std::string_view key =
            equals == std::string_view::npos ? "" : Trim(line.substr(0, equals));
        if (key.empty()) {
            error = where + "expected KEY = VALUE";
            return false;
        }
        const std::string_view value = Trim(line.substr(equals + 1));
        const bool seen = (key == "track" && trackSeen) || (key == "track2" && track2Seen) ||
                          std::any_of(evaluationCase.options.begin(), evaluationCase.options.end(),
                                      [&](const auto& option) { return option.first == key; });
        if (seen) {
            error = where + std::string(key) + " is given twice";
            return false;
        }
        if (key == "track" || key == "track2") {
            std::int64_t number = 0;
            if (!ParseInteger(value, number) || number < 1 || number > 0xFFFF) {
                error = where + std::string(key) + " must be a track number from 1";
                return false;
            }
            (key == "track" ? evaluationCase.track : evaluationCase.track2) =
                static_cast<int>(number);
            (key == "track" ? trackSeen : track2Seen) = true;
        } else {
            evaluationCase.options.emplace_back(std::string(key), std::string(value));
        }
    }
    if (!trackSeen) {
        error = "case.txt does not name the track to follow (track = N)";
        return false;
    }
    if (evaluationCase.track2 == evaluationCase.track) {
        error = "case.txt: track2 must differ from track";
        return false;
    }
    return true;
}

bool ReadTruth(const std::filesystem::path& path, std::vector<TruthRow>& truth,
               std::string& error) {
    std::vector<std::vector<std::int64_t>> rows;
    if (!ReadTable(path, "perf_ms\tpitch\tscore_ms", rows, error)) return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::int64_t perf = rows[i][0];
        const std::int64_t pitch = rows[i][1];
        const std::int64_t score = rows[i][2];
        const std::string where = "truth.tsv row " + std::to_string(i + 1) + ": ";
        if (perf < 0 || pitch < 0 || pitch > 127 || score < kNotInScore) {
            error = where + "a value is out of range";
            return false;
        }
        if (!truth.empty() && perf < truth.back().perfMs) {
            error = where + "the rows are not in performed order";
            return false;
        }
        truth.push_back({perf, static_cast<int>(pitch), score});
    }
    return true;
}

bool ReadAccompanimentTruth(const std::filesystem::path& path,
                            std::vector<AccompanimentTruthRow>& truth, std::string& error) {
    std::vector<std::vector<std::int64_t>> rows;
    if (!ReadTable(path, "score_ms\tperf_ms", rows, error)) return false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i][0] < 0 || rows[i][1] < 0) {
            error = "accomp_truth.tsv row " + std::to_string(i + 1) + ": a value is negative";
            return false;
        }
        truth.push_back({rows[i][0], rows[i][1]});
    }
    return true;
}

// The soloist's performed time at a score time: one point per run of rows at
// the same score time (a chord), taken at their mean.
struct Anchor {
    double scoreMs;
    double perfMs;
};

std::vector<Anchor> SoloistAnchors(std::span<const TruthRow> truth) {
    std::vector<Anchor> anchors;
    std::int64_t runScore = kNotInScore;
    double runSum = 0;
    int runCount = 0;
    auto close = [&] {
        if (runCount > 0) anchors.push_back({static_cast<double>(runScore), runSum / runCount});
    };
    for (const TruthRow& row : truth) {
        if (row.scoreMs == kNotInScore) continue;
        if (runCount > 0 && row.scoreMs == runScore) {
            runSum += static_cast<double>(row.perfMs);
            ++runCount;
            continue;
        }
        close();
        runScore = row.scoreMs;
        runSum = static_cast<double>(row.perfMs);
        runCount = 1;
    }
    close();
    return anchors;
}

// Of the reference times the onset could stand for (a repeat plays a score
// time twice), the one nearest to when it was sent; none when nothing fits.
std::optional<double> ReferenceTime(const SentOnset& onset, const EvaluationInput& input,
                                    const std::vector<Anchor>& anchors) {
    std::optional<double> best;
    auto consider = [&](double perfMs) {
        const double sent = static_cast<double>(onset.sentMs);
        if (!best || std::abs(perfMs - sent) < std::abs(*best - sent)) best = perfMs;
    };
    if (!input.accompanimentTruth.empty()) {
        for (const AccompanimentTruthRow& row : input.accompanimentTruth) {
            if (std::llabs(row.scoreMs - onset.scoreMs) <= kScoreMatchMs)
                consider(static_cast<double>(row.perfMs));
        }
        return best;
    }
    const auto score = static_cast<double>(onset.scoreMs);
    for (std::size_t i = 0; i < anchors.size(); ++i) {
        const Anchor& a = anchors[i];
        if (std::abs(a.scoreMs - score) <= static_cast<double>(kScoreMatchMs)) {
            consider(a.perfMs);
            continue;
        }
        if (i + 1 == anchors.size()) break;
        const Anchor& b = anchors[i + 1];
        // Only between neighbours the soloist played in order, not across a jump.
        if (a.scoreMs < score && score < b.scoreMs && b.scoreMs - a.scoreMs <= kJumpDistanceMs) {
            const double fraction = (score - a.scoreMs) / (b.scoreMs - a.scoreMs);
            consider(a.perfMs + fraction * (b.perfMs - a.perfMs));
        }
    }
    return best;
}

// The score time the soloist was at when note `index` was played: its own,
// or for a note not in the score the nearest scored note's before it, else after it.
std::optional<std::int64_t> SoloistPlaceAt(std::span<const TruthRow> truth, std::size_t index) {
    for (std::size_t i = index + 1; i-- > 0;) {
        if (truth[i].scoreMs != kNotInScore) return truth[i].scoreMs;
    }
    for (std::size_t i = index + 1; i < truth.size(); ++i) {
        if (truth[i].scoreMs != kNotInScore) return truth[i].scoreMs;
    }
    return std::nullopt;
}

std::string FormatNumber(double value, int decimals) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

}  // namespace

bool ReadTruthFile(const std::string& path, std::vector<TruthRow>& truth, std::string& error) {
    return ReadTruth(path, truth, error);
}

bool ReadEvaluationCase(const std::string& directory, EvaluationCase& evaluationCase,
                        std::string& error) {
    evaluationCase = {};
    const std::filesystem::path folder(directory);
    evaluationCase.directory = directory;
    evaluationCase.piecePath = (folder / "piece.mid").string();
    evaluationCase.performancePath = (folder / "performance.mid").string();
    std::error_code code;
    for (const std::string* path : {&evaluationCase.piecePath, &evaluationCase.performancePath}) {
        if (!std::filesystem::is_regular_file(*path, code)) {
            error = "missing " + *path;
            return false;
        }
    }
    if (!ReadCaseText(folder / "case.txt", evaluationCase, error)) return false;
    if (!ReadTruth(folder / "truth.tsv", evaluationCase.truth, error)) return false;
    const std::filesystem::path accompaniment = folder / "accomp_truth.tsv";
    if (std::filesystem::exists(accompaniment, code) &&
        !ReadAccompanimentTruth(accompaniment, evaluationCase.accompanimentTruth, error)) {
        return false;
    }
    return true;
}

double Quantile(std::vector<double> values, double q) {
    if (values.empty()) return kNotApplicable;
    std::sort(values.begin(), values.end());
    const double rank = std::clamp(q, 0.0, 1.0) * static_cast<double>(values.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(rank));
    const std::size_t above = std::min(below + 1, values.size() - 1);
    const double fraction = rank - static_cast<double>(below);
    const double low = values[below];
    const double high = values[above];
    // Infinite values stay infinite rather than turning into inf - inf.
    if (fraction == 0 || low == high) return low;
    return low + fraction * (high - low);
}

namespace {

double MeanOfAll(const std::vector<double>& values) {
    double sum = 0;
    for (const double value : values)
        sum += value;
    return sum / static_cast<double>(values.size());
}

// Whether `pitch` is written within the twin tolerance of `time`.
bool Written(std::span<const WrittenNote> part, int pitch, std::int64_t time) {
    const auto tolerance = static_cast<std::int64_t>(kTwinToleranceMs);
    auto note = std::lower_bound(
        part.begin(), part.end(), time - tolerance,
        [](const WrittenNote& written, std::int64_t t) { return written.scoreMs < t; });
    for (; note != part.end() && note->scoreMs <= time + tolerance; ++note)
        if (note->pitch == pitch) return true;
    return false;
}

}  // namespace

bool AtTwinPlace(std::span<const WrittenNote> part, std::span<const TruthRow> truth,
                 std::span<const std::size_t> scored, std::size_t begin, std::size_t j,
                 double position) {
    const TruthRow& now = truth[scored[j]];
    const auto low = static_cast<std::int64_t>(std::floor(position - kRelockErrorMs));
    auto candidate = std::lower_bound(
        part.begin(), part.end(), low,
        [](const WrittenNote& written, std::int64_t t) { return written.scoreMs < t; });
    for (; candidate != part.end() &&
           static_cast<double>(candidate->scoreMs) <= position + kRelockErrorMs;
         ++candidate) {
        if (candidate->pitch != now.pitch) continue;
        const std::int64_t shift = candidate->scoreMs - now.scoreMs;
        if (std::abs(static_cast<double>(shift)) <= kRelockErrorMs) continue;
        bool twin = true;
        for (std::size_t k = begin; k <= j && twin; ++k) {
            const TruthRow& played = truth[scored[k]];
            twin = Written(part, played.pitch, played.scoreMs + shift);
        }
        if (twin) return true;
    }
    return false;
}

EvaluationResult Evaluate(const EvaluationInput& input) {
    EvaluationResult result;
    const std::span<const TruthRow> truth = input.truth;
    auto positionAfter = [&](std::size_t index) -> std::optional<double> {
        return index < input.follower.size() ? input.follower[index].positionMs : std::nullopt;
    };
    auto errorAfter = [&](std::size_t index) {
        const std::optional<double> position = positionAfter(index);
        return position ? std::abs(*position - static_cast<double>(truth[index].scoreMs))
                        : kInfinity;
    };

    // Position error after each scored note.
    std::vector<std::size_t> scored;
    std::vector<double> errors;
    for (std::size_t i = 0; i < truth.size(); ++i) {
        if (truth[i].scoreMs == kNotInScore) continue;
        scored.push_back(i);
        errors.push_back(errorAfter(i));
    }
    result.notes = static_cast<int>(scored.size());
    auto share = [&](double limit) {
        if (errors.empty()) return kNotApplicable;
        const auto count = std::count_if(errors.begin(), errors.end(),
                                         [&](double error) { return error <= limit; });
        return static_cast<double>(count) / static_cast<double>(errors.size());
    };
    result.within50 = share(50);
    result.within100 = share(100);
    result.within250 = share(250);
    result.errorMedianMs = Quantile(errors, 0.5);
    result.errorP95Ms = Quantile(errors, 0.95);

    // Accompaniment asynchrony.
    const std::vector<Anchor> anchors = SoloistAnchors(truth);
    std::vector<double> lateness;
    std::vector<double> asynchrony;
    for (const SentOnset& onset : input.sent) {
        const std::optional<double> reference = ReferenceTime(onset, input, anchors);
        if (!reference) continue;
        lateness.push_back(static_cast<double>(onset.sentMs) - *reference);
        asynchrony.push_back(std::abs(lateness.back()));
    }
    result.asyncOnsets = static_cast<int>(lateness.size());
    result.asyncMedianMs = Quantile(lateness, 0.5);
    result.asyncAbsMedianMs = Quantile(asynchrony, 0.5);
    result.asyncP95Ms = Quantile(asynchrony, 0.95);

    // Jumps.
    for (std::size_t i = 0; i < truth.size() && i < input.follower.size(); ++i) {
        if (!input.follower[i].jumpRequested) continue;
        ++result.jumps;
        const std::optional<std::int64_t> place = SoloistPlaceAt(truth, i);
        const std::optional<double> position = positionAfter(i);
        if (!place) continue;
        if (!position || std::abs(*position - static_cast<double>(*place)) > kJumpDistanceMs)
            ++result.falseJumps;
    }

    // Re-locking after each discontinuity, within the stretch up to the next one.
    std::vector<std::size_t> steps;
    for (std::size_t k = 1; k < scored.size(); ++k) {
        const std::int64_t step = truth[scored[k]].scoreMs - truth[scored[k - 1]].scoreMs;
        if (std::llabs(step) > static_cast<std::int64_t>(kJumpDistanceMs)) steps.push_back(k);
    }
    // A stretch shorter than a lock's run (one stray note in the truth, or a
    // cut landing just before another) shows nothing to find: it is no discontinuity.
    std::vector<std::size_t> starts;
    for (std::size_t d = 0; d < steps.size(); ++d) {
        const std::size_t next = d + 1 < steps.size() ? steps[d + 1] : scored.size();
        if (next - steps[d] >= static_cast<std::size_t>(kRelockNotes)) starts.push_back(steps[d]);
    }
    result.discontinuities = static_cast<int>(starts.size());
    // Time from the first note after each discontinuity to the first of
    // kRelockNotes notes in a row that `found` accepts.
    auto relockTimes = [&](auto found) {
        std::vector<double> relocks;
        for (std::size_t d = 0; d < starts.size(); ++d) {
            const std::size_t begin = starts[d];
            const std::size_t end = d + 1 < starts.size() ? starts[d + 1] : scored.size();
            double relock = kInfinity;
            std::size_t run = 0;
            for (std::size_t j = begin; j < end; ++j) {
                run = found(begin, j) ? run + 1 : 0;
                // Four notes in a row, or all that are left before the next discontinuity.
                const std::size_t first = j + 1 - run;
                if (run > 0 && (run == static_cast<std::size_t>(kRelockNotes) || j + 1 == end)) {
                    relock = static_cast<double>(truth[scored[first]].perfMs -
                                                 truth[scored[begin]].perfMs);
                    break;
                }
            }
            relocks.push_back(relock);
        }
        return relocks;
    };
    const std::vector<double> relocks =
        relockTimes([&](std::size_t, std::size_t j) { return errors[j] <= kRelockErrorMs; });
    const std::vector<double> twinRelocks = relockTimes([&](std::size_t begin, std::size_t j) {
        if (errors[j] <= kRelockErrorMs) return true;
        const std::optional<double> position = positionAfter(scored[j]);
        return position && AtTwinPlace(input.writtenPart, truth, scored, begin, j, *position);
    });
    if (relocks.empty()) {
        result.relockMs = kNotApplicable;
        result.relockMaxMs = kNotApplicable;
        result.relockTwinMs = kNotApplicable;
    } else {
        result.relockMs = MeanOfAll(relocks);
        result.relockMaxMs = *std::max_element(relocks.begin(), relocks.end());
        result.relockTwinMs = MeanOfAll(twinRelocks);
    }
    return result;
}

std::string EvaluationTsvHeader(bool withCaseName) {
    return std::string(withCaseName ? "case\t" : "") +
           "notes\twithin_50\twithin_100\twithin_250\terr_median_ms\terr_p95_ms\t"
           "async_median_ms\tasync_abs_median_ms\tasync_p95_ms\tjumps\tfalse_jumps\trelock_ms\t"
           "relock_twin_ms\n";
}

std::string EvaluationTsvRow(const EvaluationResult& result, std::string_view caseName) {
    std::ostringstream out;
    if (!caseName.empty()) out << caseName << '\t';
    out << result.notes << '\t' << FormatNumber(result.within50, 3) << '\t'
        << FormatNumber(result.within100, 3) << '\t' << FormatNumber(result.within250, 3) << '\t'
        << FormatNumber(result.errorMedianMs, 1) << '\t' << FormatNumber(result.errorP95Ms, 1)
        << '\t' << FormatNumber(result.asyncMedianMs, 1) << '\t'
        << FormatNumber(result.asyncAbsMedianMs, 1) << '\t' << FormatNumber(result.asyncP95Ms, 1)
        << '\t' << result.jumps << '\t' << result.falseJumps << '\t'
        << FormatNumber(result.relockMs, 1) << '\t' << FormatNumber(result.relockTwinMs, 1) << '\n';
    return out.str();
}

}  // namespace ostinel::cli
