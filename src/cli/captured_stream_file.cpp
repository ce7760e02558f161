#include "cli/captured_stream_file.h"

#include <array>
#include <utility>

#include "music/midi_message.h"
#include "sequence/midi_file_writer.h"

namespace ostinel::cli {

namespace {

constexpr int kPorts = 8;
constexpr int kChannels = 16;
// 500 ticks a quarter at 500 000 µs a quarter: one tick is one millisecond.
constexpr std::uint16_t kDivision = 500;
constexpr std::uint32_t kTempo = 500000;

// Channel tracks come first, port by port and channel by channel, then the
// system tracks port by port: the order of the buckets is the order of the tracks.
constexpr std::size_t kFirstSystemBucket = kPorts * kChannels;
constexpr std::size_t kBuckets = kFirstSystemBucket + kPorts;

std::size_t BucketOf(const PortMessage& message) {
    const auto port = static_cast<std::size_t>(message.port);
    if (IsChannelMessage(message.bytes[0])) return port * kChannels + (message.bytes[0] & 0x0F);
    return kFirstSystemBucket + port;
}

std::uint8_t PortOf(std::size_t bucket) {
    return static_cast<std::uint8_t>(bucket < kFirstSystemBucket ? bucket / kChannels
                                                                 : bucket - kFirstSystemBucket);
}

std::string TrackName(std::size_t bucket) {
    std::string name = "Port ";
    name += static_cast<char>('A' + PortOf(bucket));
    if (bucket >= kFirstSystemBucket) return name + ", system";
    return name + ", channel " + std::to_string(bucket % kChannels + 1);
}

}  // namespace

std::vector<std::uint8_t> EncodeCapturedStream(const std::vector<PortMessage>& messages,
                                               const std::string& title) {
    std::array<std::vector<const PortMessage*>, kBuckets> buckets;
    MidiFileTrack soloist;
    soloist.AddTrackName(0, "Soloist");
    bool soloistPlayed = false;
    for (const PortMessage& message : messages) {
        if (message.port == kSoloistPort && !message.bytes.empty()) {
            soloistPlayed = soloist.AddMessage(message.timeMs, message.bytes) || soloistPlayed;
            continue;
        }
        if (message.port < 0 || message.port >= kPorts || message.bytes.empty()) continue;
        buckets[BucketOf(message)].push_back(&message);
    }

    MidiFileTrack conductor;
    conductor.AddTrackName(0, title);
    conductor.AddTimeSignature(0, 4, 2);
    conductor.AddTempo(0, kTempo);
    std::vector<MidiFileTrack> tracks;
    tracks.push_back(std::move(conductor));
    if (soloistPlayed) tracks.push_back(std::move(soloist));
    for (std::size_t bucket = 0; bucket < kBuckets; ++bucket) {
        if (buckets[bucket].empty()) continue;
        MidiFileTrack track;
        // The port comes first so that a reader knows it before any message.
        track.AddPort(0, PortOf(bucket));
        track.AddTrackName(0, TrackName(bucket));
        // A bucket whose every message was malformed gets no track.
        bool holdsMessages = false;
        for (const PortMessage* message : buckets[bucket])
            holdsMessages = track.AddMessage(message->timeMs, message->bytes) || holdsMessages;
        if (holdsMessages) tracks.push_back(std::move(track));
    }
    return EncodeMidiFile(1, kDivision, tracks);
}

bool WriteCapturedStream(const std::vector<PortMessage>& messages, const std::string& title,
                         const std::string& path, std::string& error) {
    return WriteMidiFile(path, EncodeCapturedStream(messages, title), error);
}

}  // namespace ostinel::cli
