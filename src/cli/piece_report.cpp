#include "cli/piece_report.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "cli/general_midi_names.h"
#include "cli/json_writer.h"
#include "sequence/conductor_meta.h"

namespace ostinel::cli {

namespace {

constexpr int kDrumChannel = 9;

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

std::string MinutesSeconds(std::uint32_t ms) {
    const std::uint32_t seconds = (ms + 500) / 1000;
    return Format("%u:%02u", seconds / 60, seconds % 60);
}

std::string Bpm(std::uint32_t microsecondsPerQuarter) {
    if (microsecondsPerQuarter == 0) return "?";
    std::string text = Format("%.2f", 60'000'000.0 / microsecondsPerQuarter);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
}

// The measure and beat at a tick, from the beat map.
std::string BarBeatAt(const Piece& piece, std::int32_t tick) {
    if (piece.beatMap.empty() || piece.division == 0) return "?";
    const std::uint64_t sixteenths = static_cast<std::uint64_t>(tick) * 4 / piece.division;
    auto after = std::upper_bound(
        piece.beatMap.begin(), piece.beatMap.end(), sixteenths,
        [](std::uint64_t s, const BeatRecord& beat) { return s < beat.sixteenths; });
    const BeatRecord& beat = after == piece.beatMap.begin() ? piece.beatMap.front() : *(after - 1);
    return Format("%u:%u", beat.measure, beat.beat);
}

// The meter in force at a tick: 4/4 before the first one.
MeterRecord MeterAt(const Piece& piece, std::int32_t tick) {
    MeterRecord found;
    for (const MeterRecord& meter : piece.meters) {
        if (meter.tick == kEndTick || meter.tick > tick) break;
        found = meter;
    }
    return found;
}

int NoteCount(const Track& track) {
    return static_cast<int>(std::count_if(track.events.begin(), track.events.end(), [](auto& e) {
        return e.kind == kNoteOn && e.data2 > 0;
    }));
}

std::string ProgramName(int program, int fileChannel) {
    if (fileChannel == kDrumChannel) return Format("kit %d", program + 1);
    return Format("%d %s", program + 1, std::string(GeneralMidiProgramName(program)).c_str());
}

// A patch as a musician reads it: "74 Flute", "bank 0/1 49 String Ensemble 1".
std::string PatchName(const Patch& patch, int fileChannel) {
    const auto& v = patch.values;
    switch (patch.kind) {
        case PatchKind::Program:
            return ProgramName(v[0], fileChannel);
        case PatchKind::Bank0Program:
            return Format("bank %d/- ", v[0]) + ProgramName(v[1], fileChannel);
        case PatchKind::Bank32Program:
            return Format("bank -/%d ", v[0]) + ProgramName(v[1], fileChannel);
        case PatchKind::Bank0Bank32Program:
            return Format("bank %d/%d ", v[0], v[1]) + ProgramName(v[2], fileChannel);
        case PatchKind::HighProgramThenProgram:
            return Format("%d then ", v[0] + 1) + ProgramName(v[1], fileChannel);
        case PatchKind::None:
            break;
    }
    return {};
}

std::string ProgramsUsed(const Track& track) {
    std::string text;
    for (int i = 0; i < track.patches.count; ++i) {
        const std::string name =
            PatchName(track.patches.entries[static_cast<std::size_t>(i)].file, track.fileChannel);
        if (name.empty()) continue;
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text.empty() ? "-" : text;
}

// Bytes of a system-exclusive message as sent: F0 through its first F7.
std::size_t SysExLength(const std::vector<std::uint8_t>& buffer) {
    const auto end = std::find(buffer.begin() + (buffer.empty() ? 0 : 1), buffer.end(), 0xF7);
    return static_cast<std::size_t>(end - buffer.begin()) + (end == buffer.end() ? 0 : 1);
}

// The beat map runs to the first beat at or after the end; when that beat
// opens a new measure, the piece ends with the measure before it.
std::uint16_t BarCount(const Piece& piece) {
    if (piece.beatMap.empty()) return 0;
    const BeatRecord& last = piece.beatMap.back();
    return last.beat == 1 && last.measure > 1 ? last.measure - 1 : last.measure;
}

// The conductor track's first sequence name, which is usually the title.
std::string SequenceName(const Piece& piece) {
    ConductorMetaReader reader(piece.conductorMeta);
    ConductorMetaEvent event;
    while (reader.Next(event)) {
        if (event.type == 0x03) return std::string(event.data.begin(), event.data.end());
    }
    return {};
}

}  // namespace

std::string KeyName(int initialKey) {
    static constexpr std::array<std::string_view, 15> kMajor = {
        "Cb", "Gb", "Db", "Ab", "Eb", "Bb", "F", "C", "G", "D", "A", "E", "B", "F#", "C#"};
    static constexpr std::array<std::string_view, 15> kMinor = {
        "Ab", "Eb", "Bb", "F", "C", "G", "D", "A", "E", "B", "F#", "C#", "G#", "D#", "A#"};
    if (initialKey < 0 || initialKey > 29) return {};
    if (initialKey < 15)
        return std::string(kMajor[static_cast<std::size_t>(initialKey)]) + " major";
    return std::string(kMinor[static_cast<std::size_t>(initialKey - 15)]) + " minor";
}

std::string DescribePiece(const Piece& piece) {
    std::string out;
    const std::string name = SequenceName(piece);
    out += piece.title + (name.empty() || name == piece.title ? "" : " (" + name + ")") + "\n";
    out += Format("  Format %d, %u ticks per quarter note\n", piece.format, piece.division);
    out += "  Length " + MinutesSeconds(piece.length) + Format(" (%u bars)\n", BarCount(piece));
    const std::string key = KeyName(piece.initialKey);
    out += "  Key " + (key.empty() ? std::string("not given") : key) + "\n";
    out += Format("  System-exclusive messages: %zu\n", piece.sysExList.size());

    out += "\nTempo\n";
    const TempoRecord* first = piece.tempoMap.empty() ? nullptr : &piece.tempoMap.front();
    if (first == nullptr || first->tick == kEndTick || first->tick != 0) {
        // Until the first tempo event a tick lasts 1042 microseconds.
        out += "  1:1     " + Bpm(piece.division * 1042u) + " BPM (no tempo given)\n";
    }
    for (const TempoRecord& record : piece.tempoMap) {
        if (record.tick == kEndTick) break;
        // Beside the quarter notes a minute, the meter's own beats a minute,
        // as the Current Tempo view counts them.
        const MeterRecord meter = MeterAt(piece, record.tick);
        const int denominator = 1 << meter.denominatorPower;
        const std::uint32_t perBeat = static_cast<std::uint32_t>(std::uint64_t{record.tempo} * 4 /
                                                                 std::uint64_t(denominator));
        out += Format("  %-7s %s BPM  %s beats/min in %u/%d  at %s\n",
                      BarBeatAt(piece, record.tick).c_str(), Bpm(record.tempo).c_str(),
                      Bpm(perBeat).c_str(), meter.numerator, denominator,
                      MinutesSeconds(static_cast<std::uint32_t>(record.timeUs / 1000)).c_str());
    }

    out += "\nMeter\n";
    if (piece.meters.empty() || piece.meters.front().tick != 0)
        out += "  1:1     4/4 (not given)\n";
    for (const MeterRecord& meter : piece.meters) {
        if (meter.tick == kEndTick) break;
        out += Format("  %-7s %u/%u\n", BarBeatAt(piece, meter.tick).c_str(), meter.numerator,
                      1u << std::min<unsigned>(meter.denominatorPower, 31));
    }

    out += "\nTracks\n";
    out += "   #  Name                      Ch  Port  Events  Notes  Programs\n";
    for (std::size_t i = 0; i + 1 < piece.tracks.size(); ++i) {
        const Track& track = piece.tracks[i];
        out += Format("  %2zu  %-24.24s  %2d  %c     %6d  %5d  ", i + 1, track.name.c_str(),
                      track.fileChannel + 1, 'A' + track.filePort, track.count, NoteCount(track));
        out += ProgramsUsed(track) + "\n";
    }
    return out;
}

std::string DescribePieceAsJson(const Piece& piece) {
    std::string out;
    JsonWriter json(out);
    json.BeginObject();
    json.Key("result").Number(0);
    json.Key("format").Number(piece.format);
    json.Key("division").Number(piece.division);
    json.Key("title").String(piece.title);
    json.Key("sequence_name").String(SequenceName(piece));
    json.Key("length_ms").Number(piece.length);
    json.Key("bars").Number(BarCount(piece));
    json.Key("first_event_ms").Number(piece.firstEventTime);
    json.Key("last_event_ms").Number(piece.lastEventTime);
    json.Key("initial_key").Number(piece.initialKey);
    json.Key("key_name");
    if (piece.initialKey < 0) {
        json.Null();
    } else {
        json.String(KeyName(piece.initialKey));
    }
    json.Key("key_has_flats").Bool(piece.initialKeyHasFlats);

    json.Key("tracks").BeginArray();
    for (std::size_t i = 0; i + 1 < piece.tracks.size(); ++i) {
        const Track& track = piece.tracks[i];
        json.BeginObject();
        json.Key("number").Number(static_cast<std::int64_t>(i + 1));
        json.Key("name").String(track.name);
        json.Key("file_channel").Number(track.fileChannel);
        json.Key("file_port").Number(track.filePort);
        json.Key("notes").Number(NoteCount(track));
        json.Key("patches").BeginArray();
        for (int p = 0; p < track.patches.count; ++p) {
            const Patch& patch = track.patches.entries[static_cast<std::size_t>(p)].file;
            json.Row({static_cast<std::int64_t>(patch.kind), patch.values[0], patch.values[1],
                      patch.values[2]});
        }
        json.EndArray();
        json.Key("events").BeginArray();
        for (const TrackEvent& e : track.events)
            json.Row({e.time, e.kind, e.data1, e.data2});
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();

    json.Key("tempo_map").BeginArray();
    for (const TempoRecord& r : piece.tempoMap) {
        if (r.tick == kEndTick) break;
        json.Row({r.tick, static_cast<std::int64_t>(r.timeUs), r.tempo});
    }
    json.EndArray();
    json.Key("meters").BeginArray();
    for (const MeterRecord& m : piece.meters) {
        if (m.tick == kEndTick) break;
        json.Row({m.tick, m.numerator, m.denominatorPower});
    }
    json.EndArray();
    json.Key("beats").BeginArray();
    for (const BeatRecord& b : piece.beatMap)
        json.Row({b.time, b.measure, b.beat, b.sixteenths});
    json.EndArray();
    json.Key("sysex").BeginArray();
    for (const SysExRecord& s : piece.sysExList) {
        const auto length = s.bufferIndex < piece.sysExBuffers.size()
                                ? SysExLength(piece.sysExBuffers[s.bufferIndex])
                                : 0;
        json.Row({s.time, static_cast<std::int64_t>(length)});
    }
    json.EndArray();
    json.EndObject();
    out += '\n';
    return out;
}

}  // namespace ostinel::cli
