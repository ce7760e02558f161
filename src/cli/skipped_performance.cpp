#include "cli/skipped_performance.h"

#include <algorithm>
#include <set>

namespace ostinel::cli {
namespace {

constexpr double kCutShare = 0.4;
constexpr std::int64_t kResumeAfterMs = 300;

bool IsNoteOn(std::uint32_t word) {
    return (word & 0xF0) == 0x90 && ((word >> 16) & 0x7F) != 0;
}

// The score time `beats` beats from `time`, keeping its place inside the beat.
bool ShiftByBeats(std::span<const std::uint32_t> beatTimes, std::int64_t time, int beats,
                  std::int64_t& shifted) {
    if (beatTimes.size() < 2) return false;
    const auto after =
        std::upper_bound(beatTimes.begin(), beatTimes.end(),
                         static_cast<std::uint32_t>(std::max<std::int64_t>(time, 0)));
    const std::int64_t beat = std::max<std::int64_t>(after - beatTimes.begin() - 1, 0);
    const std::int64_t target = beat + beats;
    if (target < 0 || target + 1 >= static_cast<std::int64_t>(beatTimes.size())) return false;
    const auto at = [&](std::int64_t b) {
        return std::int64_t{beatTimes[static_cast<std::size_t>(b)]};
    };
    const std::int64_t beatLength = std::max<std::int64_t>(at(beat + 1) - at(beat), 1);
    const std::int64_t targetLength = at(target + 1) - at(target);
    shifted = at(target) + (time - at(beat)) * targetLength / beatLength;
    return true;
}

}  // namespace

bool SpliceSkip(std::span<const std::uint32_t> beatTimes, int beats,
                std::vector<PlayedMessage>& messages, std::vector<TruthRow>& truth,
                std::string& error) {
    std::set<std::int64_t> onsets;
    for (const TruthRow& row : truth) {
        if (row.scoreMs != kNotInScore) onsets.insert(row.scoreMs);
    }
    if (onsets.size() < 4) {
        error = "too few notes to skip in";
        return false;
    }
    const std::int64_t cut =
        *std::next(onsets.begin(), static_cast<std::ptrdiff_t>(kCutShare * onsets.size()));
    std::int64_t target = 0;
    if (!ShiftByBeats(beatTimes, cut, beats, target)) {
        error = "the skip leads outside the piece";
        return false;
    }
    const auto first = [&](std::size_t from, std::int64_t at) {
        std::size_t i = from;
        while (i < truth.size() && (truth[i].scoreMs == kNotInScore || truth[i].scoreMs < at))
            ++i;
        return i;
    };
    const std::size_t cutRow = first(0, cut);
    const std::size_t resumeRow = first(beats > 0 ? cutRow : 0, target);
    if (cutRow == 0 || resumeRow >= truth.size()) {
        error = "the skip leads outside the performance";
        return false;
    }
    const std::int64_t resumeAt = truth[cutRow - 1].perfMs + kResumeAfterMs;
    const std::int64_t shift = resumeAt - truth[resumeRow].perfMs;

    // Note-ons pair with truth rows by their order.
    std::vector<PlayedMessage> spliced;
    std::vector<PlayedMessage> resumed;
    std::size_t noteOn = 0;
    const std::int64_t cutTime = truth[cutRow].perfMs;
    const std::int64_t resumeTime = truth[resumeRow].perfMs;
    for (const PlayedMessage& message : messages) {
        const bool on = IsNoteOn(message.word);
        const std::size_t index = on ? noteOn++ : noteOn;
        if (on ? index < cutRow : message.timeMs < cutTime) spliced.push_back(message);
        if (on ? index >= resumeRow : message.timeMs >= resumeTime) {
            PlayedMessage moved = message;
            moved.timeMs = static_cast<std::uint32_t>(message.timeMs + shift);
            resumed.push_back(moved);
        }
    }
    spliced.insert(spliced.end(), resumed.begin(), resumed.end());
    std::stable_sort(
        spliced.begin(), spliced.end(),
        [](const PlayedMessage& a, const PlayedMessage& b) { return a.timeMs < b.timeMs; });
    messages = std::move(spliced);

    std::vector<TruthRow> rows(truth.begin(), truth.begin() + static_cast<std::ptrdiff_t>(cutRow));
    for (std::size_t i = resumeRow; i < truth.size(); ++i) {
        TruthRow row = truth[i];
        row.perfMs += shift;
        rows.push_back(row);
    }
    truth = std::move(rows);
    return true;
}

}  // namespace ostinel::cli
