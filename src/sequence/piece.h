#pragma once

// The piece in memory: one Standard MIDI File with every event time already
// converted to milliseconds of the piece at its own tempo map.
//
// Threads: built and replaced on the main thread while nothing plays; read
// without locks by the timer and input threads while it is loaded.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "music/midi_message.h"

namespace ostinel {

// One channel event. The channel belongs to the track, not to the event.
struct TrackEvent {
    std::uint32_t time = 0;  // ms from the start of the piece
    std::uint8_t kind = 0;   // a channel message kind (music/midi_message.h)
    // First data byte; for a program change the index of the track's patch entry.
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;  // 0 for program change and channel pressure
    std::uint8_t mark = 0;   // 0 when loaded; the follower and the recorder use it
};
static_assert(sizeof(TrackEvent) == 8);

// A bank and program selection as the Banks & Programs dialog offers it.
enum class PatchKind : std::uint8_t {
    None = 0,                    // no selection
    Program = 1,                 // program
    Bank0Program = 2,            // controller 0 value, program
    Bank32Program = 3,           // controller 32 value, program
    Bank0Bank32Program = 4,      // controller 0 value, controller 32 value, program
    HighProgramThenProgram = 5,  // first program (100-127), second program
};

struct Patch {
    PatchKind kind = PatchKind::None;
    std::array<std::uint8_t, 3> values{};  // unused values are 0

    friend bool operator==(const Patch&, const Patch&) = default;
};
static_assert(sizeof(Patch) == 4);

struct PatchEntry {
    Patch file;        // as found in the file
    Patch substitute;  // set by the user, sent instead when the track's substitute flag is 1
};

inline constexpr int kMaxPatchEntries = 32;

// The distinct patch selections of one track, in order of first use.
struct PatchTable {
    std::array<PatchEntry, kMaxPatchEntries> entries{};
    std::int16_t count = 0;
};

inline constexpr std::uint8_t kNone = 255;  // a byte value that means "none"

// What the playback tick keeps per track to chase notes and controllers.
struct ChaseState {
    std::array<std::int16_t, 128> noteCounters{};  // sounding notes per key
    std::array<std::uint8_t, 128> controllerValues = FilledWithNone();
    std::uint8_t pitchBendLsb = kNone;
    std::uint8_t pitchBendMsb = kNone;
    std::uint8_t programIndex = kNone;  // patch entry index of the last program change

  private:
    static constexpr std::array<std::uint8_t, 128> FilledWithNone() {
        std::array<std::uint8_t, 128> values{};
        values.fill(kNone);
        return values;
    }
};

struct Track {
    std::vector<TrackEvent> events;
    // The playback cursor (index of the next event to play); while following,
    // the number of events recorded into the performance track.
    std::int32_t nextIndex = 0;
    std::int32_t count = 0;               // number of events
    std::string name;                     // from the file, "Track n", or "(Performance Track)"
    std::optional<std::string> userName;  // a name the user gave; none = use name
    std::int16_t volume = 256;            // 256 = 100 %
    std::int16_t channel = 0;             // output channel 0-15
    // 0-15: in format 0 and 2 files the channel the track was made from; in
    // format 1 files the channel of its first channel event.
    std::int16_t fileChannel = 0;
    std::int16_t port = 0;       // output port 0-7
    std::int16_t filePort = 0;   // 0-7: which of the file's port names this track used
    std::int16_t transpose = 0;  // half-steps
    PatchTable patches;
    ChaseState chase;
    std::uint8_t playFlag = 1;        // 1 = play, 0 = mute
    std::uint8_t substituteFlag = 0;  // 1 = send the patch substitutes
};

inline constexpr std::int32_t kEndTick = 0x7FFFFFFF;  // tick of the closing records

// A tempo change. The tempo map holds them in ascending tick order and ends
// with a record at kEndTick. The time is 64-bit: 32 bits of microseconds last
// only 71 minutes.
struct TempoRecord {
    std::int32_t tick = 0;
    std::uint64_t timeUs = 0;  // from the start of the piece to the change
    std::uint32_t tempo = 0;   // microseconds per quarter note from here on
};
inline constexpr std::uint64_t kEndTimeUs = UINT64_MAX;
using TempoMap = std::vector<TempoRecord>;

// A time signature. The meter list is in ascending tick order and ends with a
// record at kEndTick.
struct MeterRecord {
    std::int32_t tick = 0;
    std::uint8_t numerator = 4;
    std::uint8_t denominatorPower = 2;  // denominator = 2 to this power
    std::uint8_t clocksPerClick = 24;
    std::uint8_t thirtySecondsPerQuarter = 8;
};
static_assert(sizeof(MeterRecord) == 8);

struct Meter {
    std::uint8_t numerator = 4;
    std::uint32_t denominator = 4;
};

// One beat of the piece, for measure:beat display and positioning.
struct BeatRecord {
    std::uint32_t time = 0;  // ms
    std::uint16_t measure = 1;
    std::uint16_t beat = 1;
    std::uint32_t sixteenths = 0;  // tick × 4 ÷ division
};
static_assert(sizeof(BeatRecord) == 12);

// A system-exclusive message to send before or after the piece.
struct SysExRecord {
    std::uint32_t time = 0;  // ms (ticks only while the first track is being read)
    std::uint8_t status = 0xF0;
    std::uint8_t reserved = 0;
    std::uint16_t bufferIndex = 0;  // into Piece::sysExBuffers
};
static_assert(sizeof(SysExRecord) == 8);

struct Piece {
    std::int16_t format = 0;  // as the file's header says
    // Ticks per quarter note; a time-code header value is taken as a plain
    // 16-bit count.
    std::uint16_t division = 0;
    // The file tracks that were kept, then the performance track.
    std::vector<Track> tracks;
    std::string path;
    std::string title;  // file name without folder and extension

    // -1: no key signature; 0-14 major keys from 7 flats to 7 sharps (7 + sf),
    // 15-29 the minor keys (22 + sf).
    std::int8_t initialKey = -1;
    bool initialKeyHasFlats = false;
    Meter initialMeter;

    // Earliest and latest time (ms) of any channel event of any track.
    std::uint32_t firstEventTime = 0x7FFFFFFF;
    std::uint32_t lastEventTime = 0;
    // ms: the first beat at or after the end of the longest track, plus 1.
    std::uint32_t length = 0;

    TempoMap tempoMap;
    std::vector<MeterRecord> meters;
    // The first track's other meta events, one after another: tick (u32,
    // native byte order), meta type (u8), length (variable-length quantity),
    // data. Tempo, time signature, end of track and the program's own
    // settings event are not in it.
    std::vector<std::uint8_t> conductorMeta;
    std::vector<SysExRecord> sysExList;  // sorted by time, file order among equals
    // Per message: F0, the data as stored in the file (with its own F7), F7.
    std::vector<std::vector<std::uint8_t>> sysExBuffers;
    std::vector<BeatRecord> beatMap;
    bool loaded = false;

    // N, the file tracks kept; the performance track is tracks[N].
    int TrackCount() const { return tracks.empty() ? 0 : static_cast<int>(tracks.size()) - 1; }
    Track& PerformanceTrack() { return tracks.back(); }
    const Track& PerformanceTrack() const { return tracks.back(); }
};

enum class LoadResult : std::int16_t {
    Loaded = 0,
    OutOfMemory = 1,
    EndedEarly = 2,
    WrongFormat = 3,
    ReadFailed = 4,  // a read or the close failed
    NotFound = 5,
    NoChannelEvents = 6,  // the kept tracks hold only system and meta events
    // Scores in MusicXML (read by the importer above this folder).
    NotXml = 7,                // a MusicXML file that is not well-formed XML
    NotMusicXml = 8,           // XML, but not a MusicXML score
    TimewiseScore = 9,         // a score written measure by measure
    DamagedArchive = 10,       // a compressed score (.mxl) that cannot be unpacked
    MissingRootFile = 11,      // an .mxl without the score its container names
    MeasureDoesNotAddUp = 12,  // a measure whose notes run before its start or far beyond
    NoteWithoutDuration = 13,
    FileTooLarge = 14,
};

// Reads the Standard MIDI File at `path` into `piece`, replacing what it held.
// After any result but Loaded the piece is empty and not loaded. Sending the
// old piece's closing messages, storing and applying settings and relocating
// playback are the caller's steps around this.
// main thread
LoadResult OpenPiece(const std::string& path, Piece& piece);

}  // namespace ostinel
