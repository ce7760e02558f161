// The take's AnchorRecords and what is read from them after it: performed
// time mapped to score time, and the tempo list.

#include <algorithm>

#include "follower/engine/follower.h"

namespace ostinel {

void Follower::AppendAnchorRecord() {
    // The position column never decreases: a step back replaces what it passed.
    while (recordCount_ > 0 &&
           records_[static_cast<std::size_t>(recordCount_ - 1)].position >= anchor_.position) {
        --recordCount_;
    }
    if (recordCount_ == static_cast<int>(records_.size())) ThinAnchorRecords();
    if (recordCount_ < static_cast<int>(records_.size())) {
        records_[static_cast<std::size_t>(recordCount_++)] =
            AnchorRecord{anchor_.time, anchor_.position, anchor_.tempo};
    }
}

void Follower::ThinAnchorRecords() {
    // Every other record after the first goes: the take keeps all of its
    // stretch at half the detail rather than losing its end.
    int kept = 1;
    for (int i = 2; i < recordCount_; i += 2)
        records_[static_cast<std::size_t>(kept++)] = records_[static_cast<std::size_t>(i)];
    recordCount_ = std::min(kept, recordCount_);
}

void Follower::DropSingleAnchorRecord() {
    if (recordCount_ == 1) recordCount_ = 0;
}

void Follower::FinishTake() {
    records_.resize(static_cast<std::size_t>(recordCount_));
    for (int i = 0; i < recordCount_; ++i) {
        AnchorRecord& record = records_[static_cast<std::size_t>(i)];
        record.tempo = anchor_.tempo;
        if (i + 1 == recordCount_) break;
        const AnchorRecord& next = records_[static_cast<std::size_t>(i + 1)];
        const std::int32_t clockSpan = ClockDifference(next.time, record.time);
        // Two records at one instant have no tempo between them: the current one stands.
        if (clockSpan > 0) {
            record.tempo = static_cast<Fixed16>(
                fixdiv16(static_cast<std::uint32_t>(next.position - record.position),
                         static_cast<std::uint32_t>(clockSpan)));
        }
    }
}

ScorePosition Follower::PerformedToScore(platform::ClockMs time) {
    if (running_.load(std::memory_order_acquire) || recordCount_ == 0) return ScorePosition{-1};
    const auto record = [this](int i) -> const AnchorRecord& {
        return records_[static_cast<std::size_t>(i)];
    };
    if (ClockDifference(time, record(0).time) < 0) time = record(0).time;
    if (lastQuery_ && ClockDifference(time, *lastQuery_) < 0) queryCursor_ = 0;
    lastQuery_ = time;
    while (queryCursor_ < recordCount_ && ClockDifference(record(queryCursor_).time, time) < 0) {
        ++queryCursor_;
    }
    if (queryCursor_ < recordCount_ && ClockDifference(record(queryCursor_).time, time) == 1) {
        time = record(queryCursor_).time;
    }
    if (queryCursor_ == 0) return record(0).position;
    if (queryCursor_ == recordCount_) {
        const AnchorRecord& last = record(recordCount_ - 1);
        return last.position + fixmul16(ClockDifference(time, last.time), last.tempo);
    }
    const AnchorRecord& at = record(queryCursor_);
    return at.position - fixmul16(ClockDifference(at.time, time), record(queryCursor_ - 1).tempo);
}

std::vector<TempoPoint> Follower::TempoList() const {
    std::vector<TempoPoint> list;
    if (running_.load(std::memory_order_acquire) || recordCount_ == 0) return list;
    list.reserve(static_cast<std::size_t>(recordCount_) + 1);
    if (records_.front().position > ScorePosition{})
        list.push_back(TempoPoint{ScorePosition{0}, baseTempo_});
    for (int i = 0; i + 1 < recordCount_; ++i) {
        const AnchorRecord& record = records_[static_cast<std::size_t>(i)];
        list.push_back(TempoPoint{record.position, record.tempo});
    }
    list.push_back(
        TempoPoint{records_[static_cast<std::size_t>(recordCount_ - 1)].position, baseTempo_});
    return list;
}

}  // namespace ostinel
