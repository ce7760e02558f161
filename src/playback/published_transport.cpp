#include "playback/published_transport.h"

#include <array>

namespace ostinel {

void PublishedTransport::Publish(ScorePosition position, const TransportMode& mode) {
    position_.store(position);
    const std::array<bool, 7> flags{
        mode.playing,     mode.following, mode.playingFile, mode.playingPerformance,
        mode.fastForward, mode.rewinding, mode.previewing};
    std::uint16_t bits = 0;
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i]) bits = static_cast<std::uint16_t>(bits | (1u << i));
    modeBits_.store(bits);
}

TransportMode PublishedTransport::Mode() const {
    const std::uint16_t bits = modeBits_.load();
    const auto bit = [bits](unsigned i) { return (bits & (1u << i)) != 0; };
    TransportMode mode;
    mode.playing = bit(0);
    mode.following = bit(1);
    mode.playingFile = bit(2);
    mode.playingPerformance = bit(3);
    mode.fastForward = bit(4);
    mode.rewinding = bit(5);
    mode.previewing = bit(6);
    return mode;
}

}  // namespace ostinel
