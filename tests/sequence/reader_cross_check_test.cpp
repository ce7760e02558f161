// Checks the reader event by event against a second, deliberately plain
// decoder written here: whole-file parsing by chunk length, absolute ticks,
// and the millisecond rule applied delta by delta. The files imitate what
// sequencers and notation programs write: format 0 with running status and a
// reset message, format 1 with a conductor track full of markers, lyrics and
// tempo changes, note-offs written as note-ons with velocity 0.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "piece_loading.h"
#include "sequence/piece.h"
#include "smf_builder.h"

namespace ostinel {
namespace {

struct ReferenceEvent {
    std::uint32_t time;
    std::uint8_t kind;
    std::uint8_t data1;  // the program number itself for program changes
    std::uint8_t data2;
};

struct ReferenceTempo {
    std::int64_t tick;
    std::uint64_t timeUs;
    std::uint32_t tempo;
};

struct ReferencePiece {
    int format = 0;
    int division = 0;
    std::vector<ReferenceTempo> tempos;
    std::vector<std::vector<ReferenceEvent>> tracks;  // kept tracks only
};

struct RawEvent {
    std::uint32_t delta;
    std::uint8_t status;  // 0xFF for meta, 0xF0/0xF7 for system exclusive
    std::uint8_t metaType;
    std::vector<std::uint8_t> data;
};

std::uint32_t ReadNumber(const smf::Bytes& b, std::size_t& at, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | b.at(at++);
    return value;
}

std::uint32_t ReadVariable(const smf::Bytes& b, std::size_t& at) {
    std::uint32_t value = 0;
    std::uint8_t byte = 0;
    do {
        byte = b.at(at++);
        value = (value << 7) | (byte & 0x7F);
    } while (byte & 0x80);
    return value;
}

std::vector<RawEvent> DecodeChunk(const smf::Bytes& b, std::size_t begin, std::size_t end) {
    std::vector<RawEvent> events;
    std::uint8_t running = 0;
    std::size_t at = begin;
    while (at < end) {
        RawEvent e{ReadVariable(b, at), 0, 0, {}};
        std::uint8_t status = b.at(at);
        if (status < 0x80) {
            status = running;
        } else {
            ++at;
        }
        e.status = status;
        if (status == 0xFF) {
            e.metaType = b.at(at++);
            const std::uint32_t length = ReadVariable(b, at);
            e.data.assign(b.begin() + static_cast<long>(at),
                          b.begin() + static_cast<long>(at + length));
            at += length;
            events.push_back(e);
            if (e.metaType == 0x2F) break;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            const std::uint32_t length = ReadVariable(b, at);
            at += length;
            events.push_back(e);
            continue;
        }
        running = status;
        const int dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        for (int i = 0; i < dataBytes; ++i)
            e.data.push_back(b.at(at++));
        events.push_back(e);
    }
    return events;
}

ReferencePiece DecodeReference(const smf::Bytes& b) {
    ReferencePiece piece;
    std::size_t at = 8;
    piece.format = static_cast<int>(ReadNumber(b, at, 2));
    const int chunks = static_cast<int>(ReadNumber(b, at, 2));
    piece.division = static_cast<int>(ReadNumber(b, at, 2));
    std::vector<std::vector<RawEvent>> decoded;
    for (int c = 0; c < chunks; ++c) {
        at += 4;
        const std::uint32_t length = ReadNumber(b, at, 4);
        decoded.push_back(DecodeChunk(b, at, at + length));
        at += length;
    }
    const auto division = static_cast<std::uint64_t>(piece.division);

    // Tempo changes come from the first chunk only.
    std::int64_t tick = 0;
    for (const RawEvent& e : decoded.at(0)) {
        tick += e.delta;
        if (e.status != 0xFF || e.metaType != 0x51) continue;
        std::uint32_t tempo = 0;
        for (std::uint8_t byte : e.data)
            tempo = (tempo << 8) | byte;
        std::uint64_t timeUs = static_cast<std::uint64_t>(tick) * 1042;
        if (!piece.tempos.empty()) {
            const ReferenceTempo& p = piece.tempos.back();
            timeUs = p.timeUs + (static_cast<std::uint64_t>(p.tempo) *
                                     static_cast<std::uint64_t>(tick - p.tick) +
                                 division / 2) /
                                    division;
        }
        piece.tempos.push_back({tick, timeUs, tempo});
    }

    // Which chunks carry the tracks, and how events are assigned to tracks.
    std::vector<const std::vector<RawEvent>*> sources;
    if (piece.format == 1) {
        for (std::size_t c = 1; c < decoded.size(); ++c)
            sources.push_back(&decoded[c]);
    } else {
        sources.push_back(&decoded.at(piece.format == 0 ? 0 : 1));
    }
    const bool byChannel = piece.format != 1;
    std::map<int, std::vector<ReferenceEvent>> tracks;
    for (std::size_t s = 0; s < sources.size(); ++s) {
        // The running conversion: U starts at 500 µs so that ÷ 1000 rounds.
        std::int64_t t = 0;
        std::uint64_t u = 500;
        std::size_t next = 0;
        std::uint64_t tempo = !piece.tempos.empty() && piece.tempos[0].tick == 0
                                  ? piece.tempos[0].tempo
                                  : division * 1042;
        for (const RawEvent& e : *sources[s]) {
            std::int64_t d = e.delta;
            while (next < piece.tempos.size() && piece.tempos[next].tick <= t + d) {
                d -= piece.tempos[next].tick - t;
                u = piece.tempos[next].timeUs + 500;
                tempo = piece.tempos[next].tempo;
                t = piece.tempos[next].tick;
                ++next;
            }
            t += d;
            u += (tempo * static_cast<std::uint64_t>(d) + division / 2) / division;
            if (e.status < 0x80 || e.status >= 0xF0) continue;
            const int key = byChannel ? (e.status & 0x0F) : static_cast<int>(s);
            const std::uint8_t kind = e.status & 0xF0;
            const std::uint8_t data2 = e.data.size() > 1 ? e.data[1] : 0;
            tracks[key].push_back({static_cast<std::uint32_t>(u / 1000), kind, e.data[0], data2});
        }
    }
    for (auto& [key, events] : tracks)
        piece.tracks.push_back(events);
    return piece;
}

// The program a program change selects: the last value of its patch entry.
std::uint8_t ProgramOf(const Track& track, std::uint8_t entryIndex) {
    const Patch& patch = track.patches.entries.at(entryIndex).file;
    switch (patch.kind) {
        case PatchKind::Program:
            return patch.values[0];
        case PatchKind::Bank0Program:
        case PatchKind::Bank32Program:
            return patch.values[1];
        default:
            return patch.values[2];
    }
}

void ExpectSameAsReference(const smf::Bytes& bytes) {
    const ReferencePiece expected = DecodeReference(bytes);
    Piece piece;
    ASSERT_EQ(testing::LoadBytes(bytes, piece), LoadResult::Loaded);
    ASSERT_EQ(piece.TrackCount(), static_cast<int>(expected.tracks.size()));
    for (std::size_t i = 0; i < expected.tracks.size(); ++i) {
        const Track& track = piece.tracks[i];
        const auto& want = expected.tracks[i];
        EXPECT_EQ(track.channel, track.fileChannel) << "track " << i + 1;
        ASSERT_EQ(track.events.size(), want.size()) << "track " << i + 1;
        for (std::size_t k = 0; k < want.size(); ++k) {
            const TrackEvent& got = track.events[k];
            const std::uint8_t data1 =
                got.kind == kProgramChange ? ProgramOf(track, got.data1) : got.data1;
            ASSERT_EQ(got.time, want[k].time) << "track " << i + 1 << " event " << k;
            ASSERT_EQ(got.kind, want[k].kind) << "track " << i + 1 << " event " << k;
            ASSERT_EQ(data1, want[k].data1) << "track " << i + 1 << " event " << k;
            ASSERT_EQ(got.data2, want[k].data2) << "track " << i + 1 << " event " << k;
        }
    }
    std::size_t records = 0;
    for (const TempoRecord& record : piece.tempoMap) {
        if (record.tick == kEndTick) break;
        ASSERT_LT(records, expected.tempos.size());
        EXPECT_EQ(record.tick, expected.tempos[records].tick);
        EXPECT_EQ(record.timeUs, expected.tempos[records].timeUs);
        EXPECT_EQ(record.tempo, expected.tempos[records].tempo);
        ++records;
    }
    EXPECT_EQ(records, expected.tempos.size());
}

// Random but plausible channel data on `channels`, with running status the
// way sequencers write it: the status byte only when it changes.
void AddPerformance(smf::TrackBuilder& track, std::mt19937& random, std::vector<int> channels,
                    int events, bool metaInBetween) {
    std::uniform_int_distribution<int> delta(0, 240);
    std::uniform_int_distribution<int> byte(0, 127);
    std::uniform_int_distribution<int> choice(0, 99);
    int lastStatus = -1;
    for (int i = 0; i < events; ++i) {
        const int channel = channels[static_cast<std::size_t>(i) % channels.size()];
        const int pick = choice(random);
        const auto d = static_cast<std::uint32_t>(choice(random) < 40 ? 0 : delta(random));
        if (metaInBetween && pick < 4) {
            track.Text(d, pick < 2 ? 0x05 : 0x06, pick < 2 ? "la" : "Verse");
            continue;  // meta events keep the running status in files written this way
        }
        const auto value = [&] { return static_cast<std::uint8_t>(byte(random)); };
        int status = 0;
        smf::Bytes data;
        if (pick < 60) {
            status = 0x90 | channel;  // note on, or a note-off written as velocity 0
            data = {value(), pick < 30 ? std::uint8_t{0} : value()};
        } else if (pick < 75) {
            // Bank selects stay out: with random banks a track would use more
            // patches than its table holds.
            const std::uint8_t number = value();
            status = 0xB0 | channel;
            data = {number == 0 || number == 32 ? std::uint8_t{7} : number, value()};
        } else if (pick < 80) {
            status = 0xC0 | channel;
            data = {static_cast<std::uint8_t>(value() % 12)};
        } else if (pick < 88) {
            status = 0xE0 | channel;
            data = {value(), value()};
        } else if (pick < 94) {
            status = 0xD0 | channel;
            data = {value()};
        } else {
            status = 0x80 | channel;
            data = {value(), 64};
        }
        if (status != lastStatus) data.insert(data.begin(), static_cast<std::uint8_t>(status));
        track.Raw(d, data);
        lastStatus = status;
    }
}

TEST(ReaderCrossCheck, FormatZeroFromASequencer) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        smf::FileBuilder file(0, seed % 2 ? 96 : 480);
        auto& track = file.AddTrack();
        track.TrackName(0, "Sequence")
            .Text(0, 0x02, "(c) nobody")
            .SysEx(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
            .TimeSignature(0, 4, 2)
            .KeySignature(0, -2, false)
            .Tempo(0, 500000);
        AddPerformance(track, random, {0, 1, 9}, 400, true);
        track.Tempo(7, 428571).Text(0, 0x06, "Chorus");
        AddPerformance(track, random, {1, 9, 0, 3}, 400, true);
        track.Tempo(0, 612000);
        AddPerformance(track, random, {3}, 200, false);
        track.EndOfTrack(480);
        SCOPED_TRACE(seed);
        ExpectSameAsReference(file.Build());
    }
}

TEST(ReaderCrossCheck, FormatOneFromANotationProgram) {
    for (unsigned seed = 100; seed < 115; ++seed) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> tempo(300000, 1200000);
        smf::FileBuilder file(1, seed % 3 == 0 ? 1024 : 960);
        auto& conductor = file.AddTrack();
        conductor.TrackName(0, "Score").Text(0, 0x01, "arranged").TimeSignature(0, 6, 3);
        // A tempo map that starts late: the first 1000 ticks run at 1042 µs.
        for (int change = 0; change < 12; ++change) {
            conductor.Tempo(change == 0 ? 1000 : 777, static_cast<std::uint32_t>(tempo(random)));
            if (change % 4 == 1) conductor.Text(0, 0x06, "Rehearsal");
        }
        conductor.EndOfTrack();
        const int parts = 1 + static_cast<int>(seed % 5);
        for (int p = 0; p < parts; ++p) {
            auto& track = file.AddTrack();
            track.TrackName(0, "Part").Port(0, p % 2 ? "Port 2" : "Port 1");
            track.Controller(0, p, 0, 1).ProgramChange(0, p, 40 + p);
            AddPerformance(track, random, {p}, 300 + 50 * p, true);
            track.Tempo(10, 250000);  // outside the first chunk: must be ignored
            AddPerformance(track, random, {p}, 100, false);
            track.EndOfTrack();
        }
        SCOPED_TRACE(seed);
        ExpectSameAsReference(file.Build());
    }
}

TEST(ReaderCrossCheck, FormatTwoReadsOneTrackChunkByChannel) {
    std::mt19937 random(7);
    smf::FileBuilder file(2, 192);
    file.AddTrack().Tempo(0, 700000).EndOfTrack();
    auto& sequence = file.AddTrack();
    AddPerformance(sequence, random, {2, 5}, 300, false);
    sequence.EndOfTrack();
    // A further pattern is not read: only one chunk after the first counts.
    file.AddTrack().NoteOn(0, 7, 60, 100).NoteOff(10, 7, 60).EndOfTrack();
    ExpectSameAsReference(file.Build());
}

TEST(ReaderCrossCheck, LongPieceCrossesThe32BitMicrosecondSum) {
    // 80 minutes at one quarter a second: the microsecond sum passes 2^32.
    smf::FileBuilder file(1, 480);
    file.AddTrack().Tempo(0, 1000000).EndOfTrack();
    auto& track = file.AddTrack();
    for (int beat = 0; beat < 80 * 60; ++beat) {
        track.NoteOn(beat == 0 ? 0 : 240, 0, 60, 90).NoteOff(240, 0, 60);
    }
    track.EndOfTrack();
    const smf::Bytes bytes = file.Build();
    ExpectSameAsReference(bytes);
    Piece piece;
    ASSERT_EQ(testing::LoadBytes(bytes, piece), LoadResult::Loaded);
    EXPECT_EQ(piece.tracks[0].events.back().time, 80u * 60 * 1000 - 500);
}

}  // namespace
}  // namespace ostinel
