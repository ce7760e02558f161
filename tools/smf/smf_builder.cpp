#include "smf_builder.h"

#include <cmath>
#include <fstream>

namespace ostinel::smf {

namespace {

void AppendBigEndian(Bytes& out, std::uint32_t value, int width) {
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint8_t DataByte(int value) {
    return static_cast<std::uint8_t>(value & 0x7F);
}

}  // namespace

void AppendVariableLength(Bytes& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

TrackBuilder& TrackBuilder::Channel(std::uint32_t delta, std::uint8_t status, int channel,
                                    std::initializer_list<int> data) {
    AppendVariableLength(events_, delta);
    events_.push_back(static_cast<std::uint8_t>(status | (channel & 0x0F)));
    for (int d : data)
        events_.push_back(DataByte(d));
    return *this;
}

TrackBuilder& TrackBuilder::NoteOn(std::uint32_t delta, int channel, int key, int velocity) {
    return Channel(delta, 0x90, channel, {key, velocity});
}
TrackBuilder& TrackBuilder::NoteOff(std::uint32_t delta, int channel, int key, int velocity) {
    return Channel(delta, 0x80, channel, {key, velocity});
}
TrackBuilder& TrackBuilder::Controller(std::uint32_t delta, int channel, int number, int value) {
    return Channel(delta, 0xB0, channel, {number, value});
}
TrackBuilder& TrackBuilder::ProgramChange(std::uint32_t delta, int channel, int program) {
    return Channel(delta, 0xC0, channel, {program});
}
TrackBuilder& TrackBuilder::ChannelPressure(std::uint32_t delta, int channel, int value) {
    return Channel(delta, 0xD0, channel, {value});
}
TrackBuilder& TrackBuilder::KeyPressure(std::uint32_t delta, int channel, int key, int value) {
    return Channel(delta, 0xA0, channel, {key, value});
}
TrackBuilder& TrackBuilder::PitchWheel(std::uint32_t delta, int channel, int value14) {
    return Channel(delta, 0xE0, channel, {value14 & 0x7F, (value14 >> 7) & 0x7F});
}

TrackBuilder& TrackBuilder::Running(std::uint32_t delta, std::initializer_list<std::uint8_t> data) {
    AppendVariableLength(events_, delta);
    events_.insert(events_.end(), data.begin(), data.end());
    return *this;
}

TrackBuilder& TrackBuilder::Meta(std::uint32_t delta, std::uint8_t type, const Bytes& data) {
    AppendVariableLength(events_, delta);
    events_.push_back(0xFF);
    events_.push_back(type);
    AppendVariableLength(events_, static_cast<std::uint32_t>(data.size()));
    events_.insert(events_.end(), data.begin(), data.end());
    return *this;
}

TrackBuilder& TrackBuilder::Text(std::uint32_t delta, std::uint8_t type, std::string_view text) {
    return Meta(delta, type, Bytes(text.begin(), text.end()));
}

TrackBuilder& TrackBuilder::Tempo(std::uint32_t delta, std::uint32_t microsecondsPerQuarter) {
    Bytes data;
    AppendBigEndian(data, microsecondsPerQuarter, 3);
    return Meta(delta, 0x51, data);
}

TrackBuilder& TrackBuilder::Bpm(std::uint32_t delta, double beatsPerMinute) {
    return Tempo(delta, static_cast<std::uint32_t>(std::lround(60'000'000.0 / beatsPerMinute)));
}

TrackBuilder& TrackBuilder::TimeSignature(std::uint32_t delta, int numerator, int denominatorPower,
                                          int clocksPerClick, int thirtySecondsPerQuarter) {
    return Meta(delta, 0x58,
                {static_cast<std::uint8_t>(numerator), static_cast<std::uint8_t>(denominatorPower),
                 static_cast<std::uint8_t>(clocksPerClick),
                 static_cast<std::uint8_t>(thirtySecondsPerQuarter)});
}

TrackBuilder& TrackBuilder::KeySignature(std::uint32_t delta, int sharpsOrFlats, bool minor) {
    return Meta(delta, 0x59,
                {static_cast<std::uint8_t>(static_cast<std::int8_t>(sharpsOrFlats)),
                 static_cast<std::uint8_t>(minor ? 1 : 0)});
}

TrackBuilder& TrackBuilder::Port(std::uint32_t delta, std::string_view portText) {
    return Text(delta, 0x21, portText);
}

TrackBuilder& TrackBuilder::SysEx(std::uint32_t delta, const Bytes& data) {
    AppendVariableLength(events_, delta);
    events_.push_back(0xF0);
    AppendVariableLength(events_, static_cast<std::uint32_t>(data.size()));
    events_.insert(events_.end(), data.begin(), data.end());
    return *this;
}

TrackBuilder& TrackBuilder::SysExContinuation(std::uint32_t delta, const Bytes& data) {
    AppendVariableLength(events_, delta);
    events_.push_back(0xF7);
    AppendVariableLength(events_, static_cast<std::uint32_t>(data.size()));
    events_.insert(events_.end(), data.begin(), data.end());
    return *this;
}

TrackBuilder& TrackBuilder::EndOfTrack(std::uint32_t delta) {
    return Meta(delta, 0x2F, {});
}

TrackBuilder& TrackBuilder::Raw(std::uint32_t delta, const Bytes& bytes) {
    AppendVariableLength(events_, delta);
    return RawBytes(bytes);
}

TrackBuilder& TrackBuilder::RawBytes(const Bytes& bytes) {
    events_.insert(events_.end(), bytes.begin(), bytes.end());
    return *this;
}

TrackBuilder& FileBuilder::AddTrack() {
    tracks_.emplace_back();
    chunks_.push_back({"MTrk", {}, static_cast<int>(tracks_.size()) - 1});
    return tracks_.back();
}

void FileBuilder::AddChunk(std::string_view tag, const Bytes& body) {
    chunks_.push_back({std::string(tag), body, -1});
}

Bytes FileBuilder::Build() const {
    Bytes out{'M', 'T', 'h', 'd'};
    AppendBigEndian(out, 6, 4);
    AppendBigEndian(out, static_cast<std::uint32_t>(format_), 2);
    const int declared = declaredTracks_ >= 0 ? declaredTracks_ : static_cast<int>(chunks_.size());
    AppendBigEndian(out, static_cast<std::uint32_t>(declared), 2);
    AppendBigEndian(out, static_cast<std::uint32_t>(division_), 2);
    for (const Chunk& chunk : chunks_) {
        const Bytes& body =
            chunk.track >= 0 ? tracks_[static_cast<std::size_t>(chunk.track)].Events() : chunk.body;
        out.insert(out.end(), chunk.tag.begin(), chunk.tag.end());
        AppendBigEndian(out, static_cast<std::uint32_t>(body.size()), 4);
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

bool FileBuilder::WriteFile(const std::string& path) const {
    const Bytes bytes = Build();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

}  // namespace ostinel::smf
