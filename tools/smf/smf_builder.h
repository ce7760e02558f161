#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ostinel::smf {

using Bytes = std::vector<std::uint8_t>;

// Appends `value` as a variable-length quantity (7 bits a byte, high bit on
// every byte but the last).
void AppendVariableLength(Bytes& out, std::uint32_t value);

// One track chunk's events. Every event call takes the delta time in ticks
// before it. Status bytes are written in full unless a call says otherwise, so
// running status and damaged data are written deliberately through Raw().
class TrackBuilder {
  public:
    TrackBuilder& NoteOn(std::uint32_t delta, int channel, int key, int velocity);
    TrackBuilder& NoteOff(std::uint32_t delta, int channel, int key, int velocity = 64);
    TrackBuilder& Controller(std::uint32_t delta, int channel, int number, int value);
    TrackBuilder& ProgramChange(std::uint32_t delta, int channel, int program);
    TrackBuilder& ChannelPressure(std::uint32_t delta, int channel, int value);
    TrackBuilder& KeyPressure(std::uint32_t delta, int channel, int key, int value);
    TrackBuilder& PitchWheel(std::uint32_t delta, int channel, int value14);

    // A channel event without its status byte (running status).
    TrackBuilder& Running(std::uint32_t delta, std::initializer_list<std::uint8_t> data);

    TrackBuilder& Meta(std::uint32_t delta, std::uint8_t type, const Bytes& data);
    TrackBuilder& Text(std::uint32_t delta, std::uint8_t type, std::string_view text);
    TrackBuilder& TrackName(std::uint32_t delta, std::string_view name) {
        return Text(delta, 0x03, name);
    }
    TrackBuilder& Tempo(std::uint32_t delta, std::uint32_t microsecondsPerQuarter);
    TrackBuilder& Bpm(std::uint32_t delta, double beatsPerMinute);
    TrackBuilder& TimeSignature(std::uint32_t delta, int numerator, int denominatorPower,
                                int clocksPerClick = 24, int thirtySecondsPerQuarter = 8);
    TrackBuilder& KeySignature(std::uint32_t delta, int sharpsOrFlats, bool minor);
    TrackBuilder& Port(std::uint32_t delta, std::string_view portText);

    // F0, length, data (the data normally ends with F7).
    TrackBuilder& SysEx(std::uint32_t delta, const Bytes& data);
    // F7, length, data: a continuation packet.
    TrackBuilder& SysExContinuation(std::uint32_t delta, const Bytes& data);

    TrackBuilder& EndOfTrack(std::uint32_t delta = 0);

    // Delta time and bytes exactly as given.
    TrackBuilder& Raw(std::uint32_t delta, const Bytes& bytes);
    // Bytes exactly as given, with no delta time.
    TrackBuilder& RawBytes(const Bytes& bytes);

    const Bytes& Events() const { return events_; }

  private:
    TrackBuilder& Channel(std::uint32_t delta, std::uint8_t status, int channel,
                          std::initializer_list<int> data);
    Bytes events_;
};

// A whole file: header chunk and track chunks. Chunk lengths are filled in.
class FileBuilder {
  public:
    FileBuilder(int format, int division) : format_(format), division_(division) {}

    TrackBuilder& AddTrack();
    // A chunk with another tag, for damaged-file tests.
    void AddChunk(std::string_view tag, const Bytes& body);

    // The number of track chunks in the header; defaults to the chunks added.
    void SetDeclaredTrackCount(int count) { declaredTracks_ = count; }

    Bytes Build() const;
    // Returns false when the file cannot be written.
    bool WriteFile(const std::string& path) const;

  private:
    struct Chunk {
        std::string tag;
        Bytes body;
        int track = -1;
    };
    int format_;
    int division_;
    int declaredTracks_ = -1;
    std::deque<TrackBuilder> tracks_;  // AddTrack references stay valid as tracks are added
    std::vector<Chunk> chunks_;
};

}  // namespace ostinel::smf
