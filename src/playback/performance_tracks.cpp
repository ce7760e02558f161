#include "playback/performance_tracks.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>

#include "music/midi_message.h"
#include "sequence/chunk_events.h"
#include "sequence/conductor_meta.h"
#include "sequence/smf_codec.h"
#include "sequence/time_conversion.h"

namespace ostinel {

namespace {

// A tempo meta event holds three bytes.
constexpr std::uint32_t kLargestTempo = 0xFFFFFF;
constexpr std::uint8_t kReleaseVelocity = 64;
constexpr std::uint8_t kPitchWheelCentre = 64;

// The values the soloist's controllers are returned to where the punched-in
// performance begins and ends (data resource 1001).
constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 24> kControllerDefaults{{
    {64, 0}, {65, 0}, {66, 0}, {67, 0},  {69, 0}, {0, 0},   {32, 0}, {1, 0},
    {33, 0}, {5, 0},  {37, 0}, {7, 100}, {39, 0}, {10, 64}, {42, 0}, {11, 100},
    {43, 0}, {91, 0}, {92, 0}, {93, 0},  {94, 0}, {95, 0},  {96, 0}, {97, 0},
}};

// What follows a message's F0 up to and including its first F7.
std::span<const std::uint8_t> SysExBody(std::span<const std::uint8_t> message) {
    std::span<const std::uint8_t> body = message.empty() ? message : message.subspan(1);
    const auto end = std::find(body.begin(), body.end(), kSysexEnd);
    if (end != body.end()) body = body.first(static_cast<std::size_t>(end - body.begin()) + 1);
    return body;
}

// One entry of the conductor chunk, ordered by tick and then by its group.
struct ConductorItem {
    std::uint32_t tick = 0;
    int group = 0;  // 0 meta event, 1 system exclusive, 2 time signature, 3 tempo
    std::size_t index = 0;
};

// What the events written so far leave sounding and set on a channel.
struct ChannelState {
    std::array<bool, 128> sounding{};
    std::array<std::uint8_t, 128> controllers = Unknown();
    std::uint8_t bendLsb = kNone;
    std::uint8_t bendMsb = kNone;
    std::uint8_t program = kNone;  // the last program change's data byte

    void Take(const TrackEvent& event) {
        const std::size_t key = event.data1 & 0x7F;
        switch (event.kind) {
            case kNoteOn:
                sounding[key] = event.data2 != 0;
                break;
            case kNoteOff:
                sounding[key] = false;
                break;
            case kControlChange:
                controllers[key] = event.data2;
                break;
            case kProgramChange:
                program = event.data1;
                break;
            case kPitchWheel:
                bendLsb = event.data1;
                bendMsb = event.data2;
                break;
            default:
                break;
        }
    }

  private:
    static constexpr std::array<std::uint8_t, 128> Unknown() {
        std::array<std::uint8_t, 128> values{};
        values.fill(kNone);
        return values;
    }
};

class TrackWriter {
  public:
    TrackWriter(std::vector<std::uint8_t>& out, const Piece& piece, const Track& track)
        : chunk_(out, RunningStatus::On),
          piece_(piece),
          track_(track),
          channel_(static_cast<std::uint8_t>(track.fileChannel & 0x0F)) {
        const std::string& name = track.userName ? *track.userName : track.name;
        const std::vector<std::uint8_t> bytes(name.begin(), name.end());
        chunk_.Meta(0, kMetaTrackName, bytes);
    }

    // One of the track's own events; a program change selects its patch.
    void Event(const TrackEvent& event) {
        const std::uint32_t tick = Ticks(event.time);
        if (event.kind == kProgramChange) {
            if (event.data1 >= track_.patches.count) return;
            WritePatch(tick, track_.patches.entries[event.data1].file);
        } else {
            Raw(tick, event);
        }
    }

    // An event as it was recorded: a program change is the program itself.
    void Raw(std::uint32_t tick, const TrackEvent& event) {
        const bool hasData2 = event.kind != kProgramChange && event.kind != kChannelPressure;
        Channel(tick, event.kind, event.data1, event.data2, hasData2);
    }

    void WritePatch(std::uint32_t tick, const Patch& patch) {
        const std::array<std::uint8_t, 3>& v = patch.values;
        switch (patch.kind) {
            case PatchKind::Program:
                Program(tick, v[0]);
                break;
            case PatchKind::Bank0Program:
                Controller(tick, 0, v[0]);
                Program(tick, v[1]);
                break;
            case PatchKind::Bank32Program:
                Controller(tick, 32, v[0]);
                Program(tick, v[1]);
                break;
            case PatchKind::Bank0Bank32Program:
                Controller(tick, 0, v[0]);
                Controller(tick, 32, v[1]);
                Program(tick, v[2]);
                break;
            case PatchKind::HighProgramThenProgram:
                Program(tick, v[0]);
                Program(tick, v[1]);
                break;
            case PatchKind::None:
                break;
        }
    }

    void Controller(std::uint32_t tick, std::uint8_t controller, std::uint8_t value) {
        Channel(tick, kControlChange, controller, value, true);
    }
    void Program(std::uint32_t tick, std::uint8_t program) {
        Channel(tick, kProgramChange, program, 0, false);
    }
    void Bend(std::uint32_t tick, std::uint8_t lsb, std::uint8_t msb) {
        Channel(tick, kPitchWheel, lsb, msb, true);
    }

    // Releases what `state` leaves sounding and returns its controllers and
    // wheel to their rest values.
    void Reset(std::uint32_t tick, const ChannelState& state) {
        for (std::size_t key = 0; key < state.sounding.size(); ++key) {
            if (state.sounding[key]) {
                Channel(tick, kNoteOff, static_cast<std::uint8_t>(key), kReleaseVelocity, true);
            }
        }
        for (const auto& [controller, value] : kControllerDefaults) {
            if (state.controllers[controller] != kNone) Controller(tick, controller, value);
        }
        if (state.bendMsb != kNone) Bend(tick, 0, kPitchWheelCentre);
    }

    // Sends again the controllers, patch and wheel that `state` holds.
    void Restore(std::uint32_t tick, const ChannelState& state) {
        for (std::size_t controller = 0; controller < state.controllers.size(); ++controller) {
            if (state.controllers[controller] != kNone) {
                Controller(tick, static_cast<std::uint8_t>(controller),
                           state.controllers[controller]);
            }
        }
        if (state.program != kNone && state.program < track_.patches.count) {
            WritePatch(tick, track_.patches.entries[state.program].file);
        }
        if (state.bendMsb != kNone) Bend(tick, state.bendLsb, state.bendMsb);
    }

    std::uint32_t Ticks(std::uint32_t ms) const {
        return MsToTicks(ms, piece_.tempoMap, piece_.division);
    }

    void End() { chunk_.End(); }

  private:
    // `hasData2` is false for program change and channel pressure.
    void Channel(std::uint32_t tick, std::uint8_t kind, std::uint8_t data1, std::uint8_t data2,
                 bool hasData2) {
        const std::array<std::uint8_t, 3> message{
            static_cast<std::uint8_t>((kind & 0xF0) | channel_), data1, data2};
        chunk_.Channel(tick, std::span(message).first(hasData2 ? 3 : 2));
    }

    TrackChunkWriter chunk_;
    const Piece& piece_;
    const Track& track_;
    std::uint8_t channel_;
};

}  // namespace

void WriteConductor(std::vector<std::uint8_t>& out, const Piece& piece, const TempoMap& tempos) {
    std::vector<ConductorMetaEvent> metas;
    ConductorMetaReader reader(piece.conductorMeta);
    for (ConductorMetaEvent event; reader.Next(event);)
        metas.push_back(event);

    std::vector<ConductorItem> items;
    for (std::size_t i = 0; i < metas.size(); ++i)
        items.push_back({metas[i].tick, 0, i});
    for (std::size_t i = 0; i < piece.sysExList.size(); ++i) {
        if (piece.sysExList[i].bufferIndex >= piece.sysExBuffers.size()) continue;
        items.push_back({MsToTicks(piece.sysExList[i].time, piece.tempoMap, piece.division), 1, i});
    }
    for (std::size_t i = 0; i < piece.meters.size(); ++i) {
        if (piece.meters[i].tick == kEndTick || piece.meters[i].tick < 0) continue;
        items.push_back({static_cast<std::uint32_t>(piece.meters[i].tick), 2, i});
    }
    std::uint32_t previousTempo = 0;
    for (std::size_t i = 0; i < tempos.size(); ++i) {
        if (tempos[i].tick == kEndTick || tempos[i].tick < 0) continue;
        // A tempo that does not change is not written again.
        if (i > 0 && tempos[i].tempo == previousTempo) continue;
        previousTempo = tempos[i].tempo;
        items.push_back({static_cast<std::uint32_t>(tempos[i].tick), 3, i});
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const ConductorItem& a, const ConductorItem& b) {
                         return a.tick != b.tick ? a.tick < b.tick : a.group < b.group;
                     });

    TrackChunkWriter chunk(out, RunningStatus::On);
    for (const ConductorItem& item : items) {
        switch (item.group) {
            case 0:
                chunk.Meta(item.tick, metas[item.index].type, metas[item.index].data);
                break;
            case 1: {
                const SysExRecord& record = piece.sysExList[item.index];
                chunk.SysEx(item.tick, SysExBody(piece.sysExBuffers[record.bufferIndex]));
                break;
            }
            case 2: {
                const MeterRecord& meter = piece.meters[item.index];
                const std::uint8_t data[] = {meter.numerator, meter.denominatorPower,
                                             meter.clocksPerClick, meter.thirtySecondsPerQuarter};
                chunk.Meta(item.tick, kMetaTimeSignature, data);
                break;
            }
            default: {
                const std::uint32_t tempo = std::min(tempos[item.index].tempo, kLargestTempo);
                const std::uint8_t data[] = {static_cast<std::uint8_t>(tempo >> 16),
                                             static_cast<std::uint8_t>(tempo >> 8),
                                             static_cast<std::uint8_t>(tempo)};
                chunk.Meta(item.tick, kMetaTempo, data);
                break;
            }
        }
    }
    chunk.End();
}

void WriteTrack(std::vector<std::uint8_t>& out, const Piece& piece, const Track& track) {
    TrackWriter writer(out, piece, track);
    for (const TrackEvent& event : track.events)
        writer.Event(event);
    writer.End();
}

void WritePerformanceTrack(std::vector<std::uint8_t>& out, const Piece& piece,
                           const Track& performance) {
    TrackWriter writer(out, piece, performance);
    for (const TrackEvent& event : performance.events)
        writer.Raw(writer.Ticks(event.time), event);
    writer.End();
}

void WritePunchedIn(std::vector<std::uint8_t>& out, const Piece& piece, const Track& following,
                    const Track& performance, const PunchSection& punch) {
    TrackWriter writer(out, piece, following);
    const std::uint32_t start =
        punch.start > ScorePosition{} ? static_cast<std::uint32_t>(punch.start.Ms()) : 0;
    const std::uint32_t end =
        punch.end > ScorePosition{} ? static_cast<std::uint32_t>(punch.end.Ms()) : 0;

    ChannelState followingState;
    std::size_t next = 0;
    for (; next < following.events.size() && following.events[next].time < start; ++next) {
        writer.Event(following.events[next]);
        followingState.Take(following.events[next]);
    }
    writer.Reset(writer.Ticks(start), followingState);

    ChannelState performanceState;
    for (const TrackEvent& event : performance.events) {
        writer.Raw(writer.Ticks(event.time), event);
        performanceState.Take(event);
    }

    for (; next < following.events.size() && following.events[next].time < end; ++next)
        followingState.Take(following.events[next]);
    const std::uint32_t endTick = writer.Ticks(end);
    writer.Reset(endTick, performanceState);
    writer.Restore(endTick, followingState);

    for (; next < following.events.size(); ++next)
        writer.Event(following.events[next]);
    writer.End();
}

}  // namespace ostinel
