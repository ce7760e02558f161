#include "follower/chord_probability/tempo_filter.h"

#include <algorithm>

namespace ostinel {
namespace {

constexpr double kMinTempo = 0.25;
constexpr double kMaxTempo = 4.0;
constexpr double kStartVariance = 0.04;  // a fifth of the tempo, as a standard deviation
constexpr double kDriftPerMs = 0.15 * 0.15 / 1000.0;  // the tempo wanders ~15 % a second
constexpr double kOnsetNoiseMs = 25.0;                // a human onset's scatter
constexpr std::int32_t kShortestSpanMs = 150;
constexpr std::int32_t kLongestSpanMs = 3000;

}  // namespace

void TempoFilter::Reset(double tempo) {
    tempo_ = std::clamp(tempo, kMinTempo, kMaxTempo);
    variance_ = kStartVariance;
    count_ = 0;
    first_ = 0;
}

void TempoFilter::Observe(ScorePosition position, platform::ClockMs time, double trust) {
    if (count_ > 0) {
        const Onset& newest = onsets_[static_cast<std::size_t>((first_ + count_ - 1) % kOnsets)];
        const auto sinceNewest = platform::ClockDifference(time, newest.time);
        if (position <= newest.position || sinceNewest < 0) {
            Break();
        } else {
            variance_ += kDriftPerMs * sinceNewest;
            // The oldest onset of the last few seconds gives the longest, steadiest span.
            for (int i = 0; i < count_; ++i) {
                const Onset& from = onsets_[static_cast<std::size_t>((first_ + i) % kOnsets)];
                const auto span = platform::ClockDifference(time, from.time);
                if (span > kLongestSpanMs) continue;
                if (span < kShortestSpanMs) break;
                const double measured = static_cast<double>(position - from.position) / span;
                const double spread = kOnsetNoiseMs * 1.4142 / span * tempo_;
                const double noise = spread * spread / std::max(trust, 0.05);
                const double gain = variance_ / (variance_ + noise);
                tempo_ = std::clamp(tempo_ + gain * (measured - tempo_), kMinTempo, kMaxTempo);
                variance_ *= 1 - gain;
                break;
            }
        }
    }
    if (count_ == kOnsets) {
        first_ = (first_ + 1) % kOnsets;
        --count_;
    }
    onsets_[static_cast<std::size_t>((first_ + count_) % kOnsets)] = Onset{position, time};
    ++count_;
}

}  // namespace ostinel
