#pragma once

// How well the follower kept its place and the accompaniment its time over
// one evaluation case (bench/README.md describes the case folder). Pure
// computations and a reader for the case's text files; `ostinel-cli
// evaluate` runs the follower and hands its results here. Any thread.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ostinel::cli {

inline constexpr std::int64_t kNotInScore = -1;  // score_ms of a wrong or extra note

// A row of truth.tsv: one performed note-on.
struct TruthRow {
    std::int64_t perfMs = 0;  // when it was played, ms from the start of performance.mid
    int pitch = 0;
    std::int64_t scoreMs = kNotInScore;  // the score time it stands for
};

// A row of accomp_truth.tsv: where a reference accompanist played a score onset.
struct AccompanimentTruthRow {
    std::int64_t scoreMs = 0;
    std::int64_t perfMs = 0;
};

struct EvaluationCase {
    std::string directory;
    std::string piecePath;        // directory/piece.mid
    std::string performancePath;  // directory/performance.mid
    int track = 0;                // the following track, numbered from 1 as `info` numbers them
    int track2 = 0;               // a second following track; 0 = none
    // The other case.txt settings (follow options by their command-line
    // names), in file order.
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<TruthRow> truth;                            // in performed order
    std::vector<AccompanimentTruthRow> accompanimentTruth;  // empty when the file is absent
};

// Reads case.txt, truth.tsv and the optional accomp_truth.tsv of the case
// folder `directory`, and checks that piece.mid and performance.mid are
// there. False with `error` in plain words (file and line) otherwise.
// A truth.tsv file on its own (perf_ms, pitch, score_ms).
bool ReadTruthFile(const std::string& path, std::vector<TruthRow>& truth, std::string& error);

bool ReadEvaluationCase(const std::string& directory, EvaluationCase& evaluationCase,
                        std::string& error);

// The follower right after one performed note.
struct FollowerSample {
    std::optional<double> positionMs;  // score ms; none while it has no position yet
    bool jumpRequested = false;        // the note made it ask to restart elsewhere
};

// A note the accompaniment sent.
struct SentOnset {
    std::int64_t scoreMs = 0;  // the note's time in the score
    std::int64_t sentMs = 0;   // on the performance's clock (ms from its start)
};

// A note of the soloist's written part: its following tracks' note-ons.
struct WrittenNote {
    std::int64_t scoreMs = 0;
    int pitch = 0;
};

struct EvaluationInput {
    std::span<const TruthRow> truth;
    // One per truth row, in the same order; rows past the end count as having no position.
    std::span<const FollowerSample> follower;
    std::span<const SentOnset> sent;
    // The reference times of the accompaniment; when empty, the soloist's
    // performed time interpolated at each onset's score time.
    std::span<const AccompanimentTruthRow> accompanimentTruth;
    // Sorted by time; empty when no twin passage is to be recognised.
    std::span<const WrittenNote> writtenPart;
};

// Scores past this distance from the truth (score ms) are a jump gone wrong,
// and consecutive truth rows this far apart a discontinuity.
inline constexpr double kJumpDistanceMs = 2000;
// A discontinuity is over when the error stays within this many score ms ...
inline constexpr double kRelockErrorMs = 250;
// ... for this many notes in a row.
inline constexpr int kRelockNotes = 4;
// Written notes this close in time stand at the same place of two passages.
inline constexpr double kTwinToleranceMs = 20;

// Not applicable values are NaN; a follower that never finds its place again
// after a discontinuity makes relockMs infinite.
struct EvaluationResult {
    int notes = 0;        // truth rows with a score time: the notes position error is measured on
    double within50 = 0;  // shares of those notes with |position - score_ms| <= 50, 100, 250
    double within100 = 0;
    double within250 = 0;
    double errorMedianMs = 0;  // of |position - score_ms|; a note without a position is infinite
    double errorP95Ms = 0;
    double asyncMedianMs = 0;     // of (sent - reference): positive = the accompaniment is late
    double asyncAbsMedianMs = 0;  // of |sent - reference|: to set against human duos
    double asyncP95Ms = 0;        // of |sent - reference|
    int asyncOnsets = 0;          // sent onsets that had a reference
    int jumps = 0;                // notes after which a jump was requested
    int falseJumps = 0;       // of those, how many left the follower over 2000 ms from the truth
    int discontinuities = 0;  // score-time steps over 2000 ms between consecutive scored rows
    double relockMs = 0;  // mean performed ms from the first note after a discontinuity until the
                          // first of four consecutive notes within 250 ms
    double relockMaxMs = 0;
    // As relockMs, but standing on a twin passage counts as found: a place
    // where every note played since the discontinuity is written too, the
    // same keys at the same distances. No follower can tell two such places
    // apart from what was played.
    double relockTwinMs = 0;
};

// The `q` quantile (0-1) of `values`, interpolated linearly between the two
// nearest ranks; NaN for no values.
double Quantile(std::vector<double> values, double q);

EvaluationResult Evaluate(const EvaluationInput& input);

// Whether `position`, the follower's place after truth row scored[j], stands
// on a twin of the truth: a place over 250 ms from it where every note
// played from scored[begin] to scored[j] is written, with the same key at the
// same distance.
bool AtTwinPlace(std::span<const WrittenNote> part, std::span<const TruthRow> truth,
                 std::span<const std::size_t> scored, std::size_t begin, std::size_t j,
                 double position);

// The TSV header and a row of results, each ending in a newline. With a
// non-empty case name the first column is "case". The columns: notes,
// within_50, within_100, within_250, err_median_ms, err_p95_ms,
// async_median_ms, async_abs_median_ms, async_p95_ms, jumps, false_jumps, relock_ms,
// relock_twin_ms.
std::string EvaluationTsvHeader(bool withCaseName);
std::string EvaluationTsvRow(const EvaluationResult& result, std::string_view caseName = {});

}  // namespace ostinel::cli
