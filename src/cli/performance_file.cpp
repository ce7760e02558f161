#include "cli/performance_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace ostinel::cli {
namespace {

constexpr std::uint32_t kDefaultTempo = 500000;  // µs per quarter note

struct RawEvent {
    std::uint64_t tick = 0;
    std::uint32_t word = 0;
    std::uint32_t tempo = 0;  // a tempo change when not 0
    int track = 0;
};

class ChunkReader {
  public:
    ChunkReader(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t end)
        : bytes_(bytes), at_(at), end_(end) {}

    bool AtEnd() const { return at_ >= end_; }
    bool Byte(std::uint8_t& value) {
        if (at_ >= end_) return false;
        value = bytes_[at_++];
        return true;
    }
    bool Variable(std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t byte = 0;
            if (!Byte(byte)) return false;
            value = (value << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0) return true;
        }
        return false;
    }
    bool Skip(std::uint32_t count) {
        if (end_ - at_ < count) return false;
        at_ += count;
        return true;
    }
    std::size_t At() const { return at_; }

  private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_;
    std::size_t end_;
};

std::uint32_t BigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    return value;
}

int DataBytesOf(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

bool ReadTrack(ChunkReader reader, int track, std::vector<RawEvent>& events) {
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (!reader.AtEnd()) {
        std::uint32_t delta = 0;
        if (!reader.Variable(delta)) return false;
        tick += delta;
        std::uint8_t first = 0;
        if (!reader.Byte(first)) return false;
        if (first == 0xFF) {
            std::uint8_t type = 0;
            std::uint32_t length = 0;
            if (!reader.Byte(type) || !reader.Variable(length)) return false;
            if (type == 0x51 && length == 3) {
                std::uint8_t b0 = 0, b1 = 0, b2 = 0;
                if (!reader.Byte(b0) || !reader.Byte(b1) || !reader.Byte(b2)) return false;
                events.push_back(
                    RawEvent{tick, 0, (std::uint32_t{b0} << 16) | (b1 << 8) | b2, track});
            } else if (type == 0x2F) {
                return true;
            } else if (!reader.Skip(length)) {
                return false;
            }
            continue;
        }
        if (first == 0xF0 || first == 0xF7) {
            std::uint32_t length = 0;
            if (!reader.Variable(length) || !reader.Skip(length)) return false;
            continue;
        }
        std::uint8_t status = first;
        std::uint8_t data1 = 0;
        if (first < 0x80) {
            if (running == 0) return false;
            status = running;
            data1 = first;
        } else {
            running = status;
            if (!reader.Byte(data1)) return false;
        }
        std::uint8_t data2 = 0;
        if (DataBytesOf(status) == 2 && !reader.Byte(data2)) return false;
        events.push_back(RawEvent{
            tick, status | (std::uint32_t{data1} << 8) | (std::uint32_t{data2} << 16), 0, track});
    }
    return true;
}

}  // namespace

bool ReadPerformanceFile(const std::string& path, int onlyTrack,
                         std::vector<PlayedMessage>& messages, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "The performance " + path + " could not be opened.";
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    if (bytes.size() < 14 || BigEndian(bytes, 0, 4) != 0x4D546864) {
        error = "The performance " + path + " is not a MIDI file.";
        return false;
    }
    const std::uint32_t division = BigEndian(bytes, 12, 2);
    if (division == 0 || (division & 0x8000) != 0) {
        error = "The performance " + path + " does not count its time in beats.";
        return false;
    }
    std::vector<RawEvent> events;
    std::size_t at = 8 + BigEndian(bytes, 4, 4);
    int track = 0;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t tag = BigEndian(bytes, at, 4);
        const std::size_t end =
            std::min<std::size_t>(at + 8 + BigEndian(bytes, at + 4, 4), bytes.size());
        if (tag == 0x4D54726B) {
            ++track;
            if (!ReadTrack(ChunkReader(bytes, at + 8, end), track, events)) {
                error = "The performance " + path + " is damaged in track " +
                        std::to_string(track) + ".";
                return false;
            }
        }
        at = end;
    }
    // Tempo changes of any track apply to all, in tick order.
    std::stable_sort(events.begin(), events.end(),
                     [](const RawEvent& a, const RawEvent& b) { return a.tick < b.tick; });
    std::uint64_t tempo = kDefaultTempo;
    std::uint64_t lastTick = 0;
    std::uint64_t scaledUs = 0;  // microseconds × division, so no rounding adds up
    messages.clear();
    for (const RawEvent& event : events) {
        scaledUs += (event.tick - lastTick) * tempo;
        lastTick = event.tick;
        if (event.tempo != 0) {
            tempo = event.tempo;
            continue;
        }
        if (onlyTrack != 0 && event.track != onlyTrack) continue;
        const std::uint64_t microseconds = scaledUs / division;
        messages.push_back(PlayedMessage{static_cast<std::uint32_t>((microseconds + 500) / 1000),
                                         event.word, event.track});
    }
    return true;
}

}  // namespace ostinel::cli
