#include "cli/evaluation_metrics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

namespace ostinel::cli {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

FollowerSample At(double position, bool jump = false) {
    return {position, jump};
}

TEST(Quantile, InterpolatesBetweenTheNearestRanks) {
    EXPECT_DOUBLE_EQ(Quantile({4, 1, 3, 2}, 0.5), 2.5);
    EXPECT_DOUBLE_EQ(Quantile({0, 10, 20, 30, 40, 50, 60, 70, 80, 90}, 0.95), 85.5);
    EXPECT_DOUBLE_EQ(Quantile({7}, 0.95), 7);
    EXPECT_TRUE(std::isnan(Quantile({}, 0.5)));
    EXPECT_EQ(Quantile({1, kInf}, 0.5), kInf);
    EXPECT_EQ(Quantile({kInf, kInf}, 0.95), kInf);
}

TEST(Evaluate, PositionErrorsCountOnlyNotesTheScoreHas) {
    const std::vector<TruthRow> truth = {{1000, 60, 0},    {1500, 62, 500},  {2000, 64, 1000},
                                         {2200, 65, -1},   {2500, 65, 1500}, {3000, 67, 2000},
                                         {3500, 69, 2500}, {4000, 71, 3000}};
    // Errors: 10, 60, 200, (not scored), 300, 0, 40, 1000.
    const std::vector<FollowerSample> follower = {At(10),   At(560),  At(1200), At(1100),
                                                  At(1800), At(2000), At(2460), At(4000)};
    const EvaluationResult result = Evaluate({truth, follower, {}, {}, {}});
    EXPECT_EQ(result.notes, 7);
    EXPECT_DOUBLE_EQ(result.within50, 3.0 / 7);
    EXPECT_DOUBLE_EQ(result.within100, 4.0 / 7);
    EXPECT_DOUBLE_EQ(result.within250, 5.0 / 7);
    // Sorted: 0 10 40 60 200 300 1000.
    EXPECT_DOUBLE_EQ(result.errorMedianMs, 60);
    // Rank 0.95 × 6 = 5.7: 300 + 0.7 × 700.
    EXPECT_DOUBLE_EQ(result.errorP95Ms, 790);
    EXPECT_EQ(result.jumps, 0);
    EXPECT_EQ(result.discontinuities, 0);
    EXPECT_TRUE(std::isnan(result.relockMs));
    EXPECT_TRUE(std::isnan(result.asyncMedianMs));
}

TEST(Evaluate, ANoteWithoutAPositionIsAMissOfInfiniteError) {
    const std::vector<TruthRow> truth = {{1000, 60, 0}, {1500, 62, 500}, {2000, 64, 1000}};
    const std::vector<FollowerSample> follower = {{std::nullopt, false}, At(500)};  // one short
    const EvaluationResult result = Evaluate({truth, follower, {}, {}, {}});
    EXPECT_EQ(result.notes, 3);
    EXPECT_DOUBLE_EQ(result.within50, 1.0 / 3);
    EXPECT_EQ(result.errorMedianMs, kInf);
}

TEST(Evaluate, AsynchronyAgainstTheReferenceAccompanistPicksTheNearestRepeat) {
    const std::vector<TruthRow> truth = {{1000, 60, 0}};
    const std::vector<AccompanimentTruthRow> reference = {{500, 1500}, {1000, 2000}, {500, 9000}};
    const std::vector<SentOnset> sent = {
        {500, 1520},   // 20 late
        {1000, 1990},  // 10 early
        {501, 9050},   // the second time round, 1 ms of rounding apart: 50 late
        {700, 3000},   // the reference never played it: left out
    };
    const EvaluationResult result = Evaluate({truth, {}, sent, reference, {}});
    EXPECT_EQ(result.asyncOnsets, 3);
    EXPECT_DOUBLE_EQ(result.asyncMedianMs, 20);
    // |sent - reference| sorted 10 20 50: the early one counts by its size.
    EXPECT_DOUBLE_EQ(result.asyncAbsMedianMs, 20);
    // Rank 1.9: 20 + 0.9 × 30.
    EXPECT_DOUBLE_EQ(result.asyncP95Ms, 47);
}

TEST(Evaluate, AsynchronyWithoutAReferenceFollowsTheSoloist) {
    const std::vector<TruthRow> truth = {
        {1000, 60, 0},   {1010, 64, 0},  // a chord: the soloist is there at 1005
        {1500, 62, 500}, {1700, 61, -1}, {2005, 64, 1000}, {3000, 72, 5000},  // a jump forward
    };
    const std::vector<SentOnset> sent = {
        {250, 1300},   // halfway from 1005 to 1500: 1252.5, so 47.5 late
        {1000, 2000},  // 5 early
        {3000, 2600},  // inside the jump: no reference
        {5000, 3010},  // 10 late
        {9000, 5000},  // past the soloist's last note: no reference
    };
    const EvaluationResult result = Evaluate({truth, {}, sent, {}, {}});
    EXPECT_EQ(result.asyncOnsets, 3);
    EXPECT_DOUBLE_EQ(result.asyncMedianMs, 10);
    // Sorted 5 10 47.5; rank 1.9: 10 + 0.9 × 37.5.
    EXPECT_DOUBLE_EQ(result.asyncP95Ms, 43.75);
}

TEST(Evaluate, AJumpThatLandsFarFromTheSoloistIsFalse) {
    const std::vector<TruthRow> truth = {
        {1000, 60, 0}, {1500, 62, 500}, {2000, 64, 8000}, {2300, 66, -1}, {2500, 65, 8500},
    };
    const std::vector<FollowerSample> follower = {
        At(0),
        At(500),
        At(7900, true),   // lands next to the soloist
        At(14000, true),  // a wrong note sends it 6000 past the soloist, still at 8000
        {std::nullopt, true},
    };
    const EvaluationResult result = Evaluate({truth, follower, {}, {}, {}});
    EXPECT_EQ(result.jumps, 3);
    EXPECT_EQ(result.falseJumps, 2);
}

TEST(Evaluate, RelockTimeRunsUntilFourNotesInARowAreClose) {
    // A jump forward after the third note, then the follower needs three notes.
    const std::vector<TruthRow> truth = {
        {1000, 60, 0},    {1500, 62, 500},  {2000, 64, 1000}, {4000, 65, 6000},
        {4500, 67, 6500}, {4700, 50, -1},   {5000, 69, 7000}, {5500, 71, 7500},
        {6000, 72, 8000}, {6500, 74, 8500}, {7000, 76, 9000},
    };
    const std::vector<FollowerSample> follower = {
        At(0),    At(500),  At(1000), At(1500),  // 4500 off
        At(6300),                                // 200: close, but the next is not
        At(3000),                                // not scored: does not break a run
        At(7400),                                // 400 off
        At(7500), At(8000), At(8500), At(9000),
    };
    const EvaluationResult result = Evaluate({truth, follower, {}, {}, {}});
    EXPECT_EQ(result.discontinuities, 1);
    EXPECT_DOUBLE_EQ(result.relockMs, 5500 - 4000);
    EXPECT_DOUBLE_EQ(result.relockMaxMs, 1500);
}

TEST(Evaluate, RelockMeanOverDiscontinuitiesAndInfiniteWhenNeverFound) {
    // Back from 3000 to 0, then forward from 1500 to 9000, near the end.
    const std::vector<TruthRow> truth = {
        {1000, 60, 2000}, {1500, 60, 2500},  {2000, 60, 3000},  {2500, 60, 0},
        {3000, 60, 500},  {3500, 60, 1000},  {4000, 60, 1500},  {4500, 60, 9000},
        {5000, 60, 9500}, {5500, 60, 10000}, {6000, 60, 10500},
    };
    const std::vector<FollowerSample> follower = {
        At(2000), At(2500), At(3000), At(0),     At(500),   At(1000),
        At(1500), At(9010), At(9500), At(10000), At(10500),  // found at once
    };
    EvaluationResult result = Evaluate({truth, follower, {}, {}, {}});
    EXPECT_EQ(result.discontinuities, 2);
    EXPECT_DOUBLE_EQ(result.relockMs, 0);

    std::vector<FollowerSample> lost = follower;
    lost[10] = At(2000);
    result = Evaluate({truth, lost, {}, {}, {}});
    EXPECT_EQ(result.relockMs, kInf);
    EXPECT_EQ(result.relockMaxMs, kInf);

    std::vector<FollowerSample> late = follower;
    late[3] = At(3500);  // finds the repeat one note later: 500 ms
    result = Evaluate({truth, late, {}, {}, {}});
    EXPECT_DOUBLE_EQ(result.relockMs, 250);
    EXPECT_DOUBLE_EQ(result.relockMaxMs, 500);
}

TEST(Evaluate, ATwinPassageCountsAsFoundOnlyWhileEveryPlayedNoteIsWrittenThereToo) {
    // The phrase 60 62 64 65 is written at 0 and again at 10000; after it the
    // passages part (69 at 2000, 71 at 12000). The soloist jumps from 6500
    // back to 0; the follower carries on in the twin at 10000 until 69 tells.
    std::vector<WrittenNote> part = {
        {0, 60},     {500, 62},   {1000, 64},  {1500, 65},  {2000, 69},
        {2500, 72},  {3000, 74},  {3500, 76},  {6000, 50},  {6500, 52},
        {10000, 60}, {10500, 62}, {11000, 64}, {11500, 65}, {12000, 71},
    };
    const std::vector<TruthRow> truth = {
        {1000, 50, 6000}, {1500, 52, 6500}, {2000, 60, 0},    {2500, 62, 500},  {3000, 64, 1000},
        {3500, 65, 1500}, {4000, 69, 2000}, {4500, 72, 2500}, {5000, 74, 3000}, {5500, 76, 3500},
    };
    const std::vector<FollowerSample> follower = {
        At(6000),  At(6500),  At(10000), At(10500), At(11000),
        At(11500), At(12000), At(2500),  At(3000),  At(3500),
    };
    EvaluationResult result = Evaluate({truth, follower, {}, {}, part});
    EXPECT_DOUBLE_EQ(result.relockMs, 4500 - 2000);
    EXPECT_DOUBLE_EQ(result.relockTwinMs, 0);

    // One key differs at 11000: from there the played notes tell the places apart.
    part[11].pitch = 63;
    result = Evaluate({truth, follower, {}, {}, part});
    EXPECT_DOUBLE_EQ(result.relockTwinMs, 4500 - 2000);
    // Without the written part no place is a twin.
    part[11].pitch = 64;
    result = Evaluate({truth, follower, {}, {}, {}});
    EXPECT_DOUBLE_EQ(result.relockTwinMs, 4500 - 2000);
}

TEST(Evaluate, AStretchTooShortToShowALockIsNoDiscontinuity) {
    // One note of the truth stands 3000 ms back; the follower rightly stays on the line.
    const std::vector<TruthRow> truth = {
        {1000, 60, 0},     {1500, 62, 500},  {2000, 64, 1000}, {2500, 65, 1500},
        {3000, 67, -1500}, {3500, 69, 2000}, {4000, 71, 2500}, {4500, 72, 3000},
    };
    const std::vector<FollowerSample> follower = {
        At(0), At(500), At(1000), At(1500), At(1600), At(2000), At(2500), At(3000),
    };
    const EvaluationResult result = Evaluate({truth, follower, {}, {}, {}});
    EXPECT_EQ(result.discontinuities, 0);
    EXPECT_TRUE(std::isnan(result.relockMs));
}

TEST(EvaluationTsv, HeaderAndRow) {
    EXPECT_EQ(EvaluationTsvHeader(false),
              "notes\twithin_50\twithin_100\twithin_250\terr_median_ms\terr_p95_ms\t"
              "async_median_ms\tasync_abs_median_ms\tasync_p95_ms\tjumps\tfalse_jumps\trelock_ms\t"
              "relock_twin_ms\n");
    EXPECT_EQ(EvaluationTsvHeader(true).rfind("case\tnotes\t", 0), 0u);
    EvaluationResult result;
    result.notes = 7;
    result.within50 = 3.0 / 7;
    result.within100 = 0.5;
    result.within250 = 1;
    result.errorMedianMs = 60;
    result.errorP95Ms = 790.26;
    result.asyncMedianMs = -12.5;
    result.asyncAbsMedianMs = 20;
    result.asyncP95Ms = kInf;
    result.jumps = 2;
    result.falseJumps = 1;
    result.relockMs = std::numeric_limits<double>::quiet_NaN();
    result.relockTwinMs = 125;
    EXPECT_EQ(EvaluationTsvRow(result),
              "7\t0.429\t0.500\t1.000\t60.0\t790.3\t-12.5\t20.0\tinf\t2\t1\tnan\t125.0\n");
    EXPECT_EQ(EvaluationTsvRow(result, "rubato").rfind("rubato\t7\t", 0), 0u);
}

class ReadEvaluationCaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        directory_ = std::filesystem::temp_directory_path() /
                     ("ostinel-evaluation-case-" +
                      std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(directory_);
        std::filesystem::create_directories(directory_);
        Write("piece.mid", "MThd");
        Write("performance.mid", "MThd");
        Write("case.txt", "# rubato\ntrack = 2\r\ntrack2=3\n\nfollow = taps\njumping = anywhere\n");
        Write("truth.tsv", "perf_ms\tpitch\tscore_ms\n1000\t60\t0\n1500\t61\t-1\n1500\t62\t500\n");
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(directory_ / name, std::ios::binary) << text;
    }
    std::string Read(EvaluationCase& evaluationCase) {
        std::string error;
        const bool read = ReadEvaluationCase(directory_.string(), evaluationCase, error);
        EXPECT_EQ(read, error.empty());
        return error;
    }

    std::filesystem::path directory_;
};

TEST_F(ReadEvaluationCaseTest, ReadsTheSettingsAndTheTruth) {
    EvaluationCase evaluationCase;
    EXPECT_EQ(Read(evaluationCase), "");
    EXPECT_EQ(evaluationCase.piecePath, (directory_ / "piece.mid").string());
    EXPECT_EQ(evaluationCase.performancePath, (directory_ / "performance.mid").string());
    EXPECT_EQ(evaluationCase.track, 2);
    EXPECT_EQ(evaluationCase.track2, 3);
    ASSERT_EQ(evaluationCase.options.size(), 2u);
    EXPECT_EQ(evaluationCase.options[0],
              std::make_pair(std::string("follow"), std::string("taps")));
    EXPECT_EQ(evaluationCase.options[1].second, "anywhere");
    ASSERT_EQ(evaluationCase.truth.size(), 3u);
    EXPECT_EQ(evaluationCase.truth[1].scoreMs, kNotInScore);
    EXPECT_EQ(evaluationCase.truth[2].perfMs, 1500);
    EXPECT_EQ(evaluationCase.truth[2].pitch, 62);
    EXPECT_TRUE(evaluationCase.accompanimentTruth.empty());
}

TEST_F(ReadEvaluationCaseTest, ReadsTheAccompanimentTruth) {
    Write("accomp_truth.tsv", "score_ms\tperf_ms\n500\t1520\n1000\t2010\n");
    EvaluationCase evaluationCase;
    EXPECT_EQ(Read(evaluationCase), "");
    ASSERT_EQ(evaluationCase.accompanimentTruth.size(), 2u);
    EXPECT_EQ(evaluationCase.accompanimentTruth[1].scoreMs, 1000);
    EXPECT_EQ(evaluationCase.accompanimentTruth[1].perfMs, 2010);
}

TEST_F(ReadEvaluationCaseTest, NamesWhatIsWrong) {
    EvaluationCase evaluationCase;
    Write("case.txt", "follow = taps\n");
    EXPECT_EQ(Read(evaluationCase), "case.txt does not name the track to follow (track = N)");
    Write("case.txt", "track = 1\ntrack\n");
    EXPECT_EQ(Read(evaluationCase), "case.txt line 2: expected KEY = VALUE");
    Write("case.txt", "track = 1\n");
    Write("truth.tsv", "perf\tpitch\tscore\n");
    EXPECT_EQ(Read(evaluationCase),
              "truth.tsv line 1: the header must be \"perf_ms\tpitch\tscore_ms\"");
    Write("truth.tsv", "perf_ms\tpitch\tscore_ms\n1000\t60\t0\n900\t62\t500\n");
    EXPECT_EQ(Read(evaluationCase), "truth.tsv row 2: the rows are not in performed order");
    Write("truth.tsv", "perf_ms\tpitch\tscore_ms\n1000\t60\tx\n");
    EXPECT_EQ(Read(evaluationCase), "truth.tsv line 2: \"x\" is not a whole number");
    std::filesystem::remove(directory_ / "performance.mid");
    EXPECT_EQ(Read(evaluationCase), "missing " + (directory_ / "performance.mid").string());
}

}  // namespace
}  // namespace ostinel::cli
