#include "sequence/midi_file_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numeric>

#include "music/midi_message.h"
#include "sequence/chunk_events.h"

namespace ostinel {

namespace {

constexpr std::size_t kMaxTracks = std::numeric_limits<std::uint16_t>::max();
// Names tried for the temporary file before giving up on finding a free one.
constexpr int kTemporaryNameAttempts = 100;

std::uint32_t ClampTick(std::uint32_t tick) {
    return std::min(tick, kMaxMidiFileTick);
}

void AppendEvent(TrackChunkWriter& chunk, const MidiFileEvent& event) {
    const std::span<const std::uint8_t> bytes(event.bytes);
    if (event.kind == MidiFileEventKind::Meta) {
        chunk.Meta(event.tick, event.metaType, bytes);
    } else if (IsChannelMessage(bytes[0])) {
        chunk.Channel(event.tick, bytes);
    } else if (bytes[0] == kSysexStart) {
        chunk.SysEx(event.tick, bytes.subspan(1));
    } else {
        chunk.Escape(event.tick, bytes);
    }
}

void AppendTrackChunk(std::vector<std::uint8_t>& out, const MidiFileTrack& track) {
    const std::vector<MidiFileEvent>& events = track.Events();
    std::vector<std::size_t> order(events.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&events](std::size_t a, std::size_t b) {
        return events[a].tick < events[b].tick;
    });
    TrackChunkWriter chunk(out, RunningStatus::Off);
    for (const std::size_t index : order)
        AppendEvent(chunk, events[index]);
    chunk.End();
}

bool Failed(const std::string& path, int errorNumber, std::string& error) {
    error = "The MIDI file " + path + " could not be written";
    if (errorNumber != 0) error += std::string(" (") + std::strerror(errorNumber) + ")";
    error += ".";
    return false;
}

// Creates a file that did not exist beside `path`, so that no other file is
// ever overwritten before the rename. Null with errno set when none can be made.
std::FILE* CreateTemporary(const std::string& path, std::string& temporary) {
    for (int attempt = 1; attempt <= kTemporaryNameAttempts; ++attempt) {
        temporary = path + ".part" + std::to_string(attempt);
        errno = 0;
        std::FILE* file = std::fopen(temporary.c_str(), "wbx");
        if (file != nullptr || errno != EEXIST) return file;
    }
    return nullptr;
}

}  // namespace

bool MidiFileTrack::AddMessage(std::uint32_t tick, std::span<const std::uint8_t> bytes) {
    if (bytes.empty() || bytes[0] < 0x80) return false;
    if (IsChannelMessage(bytes[0])) {
        if (bytes.size() != ShortMessageLength(bytes[0])) return false;
        if (std::any_of(bytes.begin() + 1, bytes.end(), [](std::uint8_t b) { return b >= 0x80; })) {
            return false;
        }
    }
    events_.push_back(
        {ClampTick(tick), MidiFileEventKind::Message, 0, {bytes.begin(), bytes.end()}});
    return true;
}

void MidiFileTrack::AddMeta(std::uint32_t tick, std::uint8_t type,
                            std::span<const std::uint8_t> data) {
    events_.push_back({ClampTick(tick), MidiFileEventKind::Meta, type, {data.begin(), data.end()}});
}

void MidiFileTrack::AddTrackName(std::uint32_t tick, std::string_view name) {
    const std::vector<std::uint8_t> data(name.begin(), name.end());
    AddMeta(tick, kMetaTrackName, data);
}

void MidiFileTrack::AddTempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter) {
    const std::uint8_t data[] = {static_cast<std::uint8_t>(microsecondsPerQuarter >> 16),
                                 static_cast<std::uint8_t>(microsecondsPerQuarter >> 8),
                                 static_cast<std::uint8_t>(microsecondsPerQuarter)};
    AddMeta(tick, kMetaTempo, data);
}

void MidiFileTrack::AddTimeSignature(std::uint32_t tick, std::uint8_t numerator,
                                     std::uint8_t denominatorPower, std::uint8_t clocksPerClick,
                                     std::uint8_t thirtySecondsPerQuarter) {
    const std::uint8_t data[] = {numerator, denominatorPower, clocksPerClick,
                                 thirtySecondsPerQuarter};
    AddMeta(tick, kMetaTimeSignature, data);
}

void MidiFileTrack::AddPort(std::uint32_t tick, std::uint8_t port) {
    const std::uint8_t data[] = {port};
    AddMeta(tick, kMetaPort, data);
}

std::vector<std::uint8_t> EncodeMidiFile(std::uint16_t format, std::uint16_t division,
                                         std::span<const MidiFileTrack> tracks) {
    tracks = tracks.first(std::min(tracks.size(), kMaxTracks));
    std::vector<std::uint8_t> out =
        HeaderChunk(format, static_cast<std::uint16_t>(tracks.size()), division);
    for (const MidiFileTrack& track : tracks)
        AppendTrackChunk(out, track);
    return out;
}

bool WriteMidiFile(const std::string& path, std::span<const std::uint8_t> bytes,
                   std::string& error) {
    std::string temporary;
    std::FILE* file = CreateTemporary(path, temporary);
    if (file == nullptr) return Failed(path, errno, error);
    bool written = true;
    int problem = 0;
    // Keeps the first failure's reason; later calls may fail only because of it.
    const auto check = [&](bool ok) {
        if (!ok && written) problem = errno;
        written = written && ok;
    };
    check(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    check(std::fflush(file) == 0);
    // A full disk often shows only when the last buffer is flushed at closing.
    check(std::fclose(file) == 0);
    if (written) check(std::rename(temporary.c_str(), path.c_str()) == 0);
    if (written) return true;
    std::remove(temporary.c_str());
    return Failed(path, problem, error);
}

}  // namespace ostinel
