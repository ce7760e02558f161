#include "app/piece_settings_application.h"

#include <algorithm>

#include "app/system_settings_application.h"
#include "settings/piece_settings_file.h"
#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel {

namespace {

constexpr std::size_t kSubstituteAt = 4;

void PutPatch(std::span<std::uint8_t> out, const Patch& patch) {
    out[0] = static_cast<std::uint8_t>(patch.kind);
    std::copy(patch.values.begin(), patch.values.end(), out.begin() + 1);
}

Patch GetPatch(std::span<const std::uint8_t> in) {
    Patch patch;
    // A kind this program does not know stays "no selection".
    if (in[0] <= static_cast<std::uint8_t>(PatchKind::HighProgramThenProgram))
        patch.kind = static_cast<PatchKind>(in[0]);
    std::copy_n(in.begin() + 1, patch.values.size(), patch.values.begin());
    return patch;
}

TrackSettingsBlock CaptureTrack(const Track& track) {
    TrackSettingsBlock block;
    block.volume = static_cast<std::uint16_t>(track.volume);
    block.channel = static_cast<std::uint16_t>(track.channel & 0x0F);
    block.transpose = track.transpose;
    block.port = static_cast<std::uint16_t>(track.port);
    block.play = track.playFlag;
    block.substitute = track.substituteFlag;
    std::span<std::uint8_t> table(block.programTable);
    for (std::size_t i = 0; i < kMaxPatchEntries; ++i) {
        const PatchEntry& entry = track.patches.entries[i];
        const auto bytes = table.subspan(i * kProgramEntryBytes, kProgramEntryBytes);
        PutPatch(bytes.first(kSubstituteAt), entry.file);
        PutPatch(bytes.subspan(kSubstituteAt), entry.substitute);
    }
    if (track.userName) block.name = *track.userName;
    return block;
}

void RestoreTrack(Engine& engine, int index, Track& track, const TrackSettingsBlock& block) {
    track.volume = static_cast<std::int16_t>(block.volume);
    track.channel = static_cast<std::int16_t>(block.channel & 0x0F);
    track.transpose = block.transpose;
    track.port = static_cast<std::int16_t>(block.port);
    if (index < engine.CurrentPiece()->TrackCount()) {
        engine.GetTransport().SetTrackPlaying(index, block.play != 0);
    } else {
        track.playFlag = block.play != 0 ? 1 : 0;
    }
    track.substituteFlag = block.substitute;
    const std::span<const std::uint8_t> table(block.programTable);
    // Entry 0 always; the later ones as far as the piece itself uses them.
    for (std::size_t i = 0; i < kMaxPatchEntries; ++i) {
        if (i > 0 && static_cast<std::int16_t>(i) >= track.patches.count) break;
        track.patches.entries[i].substitute =
            GetPatch(table.subspan(i * kProgramEntryBytes + kSubstituteAt, kSubstituteAt));
    }
    if (block.name.empty()) {
        track.userName.reset();
    } else {
        track.userName = block.name;
    }
}

void DefaultTrack(Engine& engine, int index, Track& track) {
    track.volume = 256;
    track.channel = track.fileChannel;
    track.port = track.filePort;
    track.transpose = 0;
    if (index < engine.CurrentPiece()->TrackCount()) {
        engine.GetTransport().SetTrackPlaying(index, true);
    } else {
        track.playFlag = 1;
    }
    track.substituteFlag = 0;
    for (PatchEntry& entry : track.patches.entries)
        entry.substitute = Patch{};
    track.userName.reset();
}

bool IsViewOrder(const std::array<std::uint16_t, kViewCount>& order) {
    std::array<bool, kViewCount> seen{};
    for (std::uint16_t view : order) {
        if (view >= kViewCount || seen[view]) return false;
        seen[view] = true;
    }
    return true;
}

// The record's share that lives outside the views: loop points, master
// settings, following tracks, the performance's port; then the follower
// gets the score or beats for them and the window redraws.
void TakePieceRecord(Engine& engine, const PieceSettings& s) {
    engine.PieceRecord() = s;
    Transport& transport = engine.GetTransport();
    LoopSettings loop = transport.Loop();
    loop.begin = static_cast<ScorePosition>(s.loopBeginMs);
    loop.end = static_cast<ScorePosition>(s.loopEndMs);
    transport.SetLoopSettings(loop);
    SettingsUi& ui = engine.GetSettingsUi();
    ui.ViewsShownChanged(s.viewShown);
    ui.ViewOrderChanged(s.viewOrder);
    transport.SetMasterSettings(MasterSettings{
        SpeedFactor{s.tempoScale}, static_cast<std::int16_t>(s.masterVolume), s.masterTranspose});
    PerformanceSettings performance = transport.Performance();
    performance.useFollowingTrackSound = s.performanceUsesPort == 0;
    engine.SetPerformanceSettings(performance);
    FollowingOptions following = engine.Following();
    following.followTrack1 = s.followTrack1;
    following.followTrack2 = s.followTrack2;
    following.twoFollowTracks = s.twoFollowTracks != 0;
    engine.SetFollowingOptions(following);
    ui.TracksChanged();
    ui.PieceSettingsChanged();
}

void KeepRevertPoint(Engine& engine) {
    if (!StorePieceSettings(engine, 0, std::nullopt))
        engine.Ui().ShowMessage(StringTable().Get(string_id::kCannotKeepRevertPoint));
}

}  // namespace

PieceSettingsEntry CapturePieceSettings(Engine& engine) {
    PieceSettingsEntry entry;
    PieceSettings& s = entry.settings;
    s = engine.PieceRecord();
    engine.GetSettingsUi().FillViewState(s);
    const Transport& transport = engine.GetTransport();
    s.loopBeginMs = static_cast<std::uint32_t>(transport.Loop().begin.Ms());
    s.loopEndMs = static_cast<std::uint32_t>(transport.Loop().end.Ms());
    s.masterVolume = static_cast<std::uint16_t>(transport.Master().volume);
    s.tempoScale = transport.Master().speed.Raw();
    s.masterTranspose = transport.Master().transpose;
    const FollowingOptions& following = engine.Following();
    s.followTrack1 = following.followTrack1;
    s.followTrack2 = following.followTrack2;
    s.twoFollowTracks = following.twoFollowTracks ? 1 : 0;
    s.performanceUsesPort = transport.Performance().useFollowingTrackSound ? 0 : 1;
    if (const Piece* piece = engine.CurrentPiece()) {
        entry.tracks.reserve(piece->tracks.size());
        for (const Track& track : piece->tracks)
            entry.tracks.push_back(CaptureTrack(track));
    }
    entry.displayName = engine.DisplayName();
    entry.markers = engine.Markers();
    return entry;
}

std::optional<PieceSettingsStore> ReadPieceSettings(Engine& engine) {
    const Piece* piece = engine.CurrentPiece();
    if (piece == nullptr) return std::nullopt;
    return ReadPieceSettingsStore(piece->path);
}

bool StorePieceSettings(Engine& engine, int slot, std::optional<std::string_view> name) {
    const Piece* piece = engine.CurrentPiece();
    if (piece == nullptr) return true;
    return StorePieceSettings(piece->path, slot, name, CapturePieceSettings(engine));
}

bool ApplyPieceSettings(Engine& engine, int slot, bool keepRevertPoint) {
    if (keepRevertPoint) KeepRevertPoint(engine);
    const std::optional<PieceSettingsStore> store = ReadPieceSettings(engine);
    if (!store) return false;
    std::optional<PieceSettingsEntry> entry = ReadPieceSettingsEntry(*store, slot);
    if (!entry) return false;
    Piece& piece = *engine.CurrentPiece();

    const std::size_t restored = std::min(piece.tracks.size(), entry->tracks.size());
    for (std::size_t index = 0; index < restored; ++index) {
        RestoreTrack(engine, static_cast<int>(index), piece.tracks[index], entry->tracks[index]);
    }
    engine.DisplayName() = std::move(entry->displayName);
    engine.SetSpecialMarkers(entry->markers);

    PieceSettings& s = entry->settings;
    const auto track = [&piece](std::int16_t index) {
        return index < 0 || index >= piece.TrackCount() ? std::int16_t{0} : index;
    };
    // Loop points that do not lie in this piece, in order, become its defaults.
    if (s.loopEndMs > piece.length || s.loopBeginMs > s.loopEndMs) {
        s.loopBeginMs = 0;
        s.loopEndMs = piece.length;
    }
    s.followTrack1 = track(s.followTrack1);
    s.followTrack2 = track(s.followTrack2);
    if (!IsViewOrder(s.viewOrder)) s.viewOrder = PieceSettings{}.viewOrder;
    if (engine.SystemRecord().rememberViewLocations != 0)
        engine.GetSettingsUi().PlaceViews(s.viewPlace);
    TakePieceRecord(engine, s);
    return true;
}

void DefaultPieceSettings(Engine& engine, bool keepRevertPoint) {
    if (keepRevertPoint) KeepRevertPoint(engine);
    Piece* piece = engine.CurrentPiece();
    const PieceSettings defaults = DefaultPieceSettings(piece ? piece->length : 0);
    SettingsUi& ui = engine.GetSettingsUi();
    ui.MoveViewsHome();
    if (piece != nullptr) {
        for (std::size_t index = 0; index < piece->tracks.size(); ++index)
            DefaultTrack(engine, static_cast<int>(index), piece->tracks[index]);
    }
    engine.DisplayName().clear();
    engine.SetSpecialMarkers(SpecialMarkers{});
    TakePieceRecord(engine, defaults);
}

LoadResult OpenPieceWithSettings(Engine& engine, const std::string& path) {
    // The file being left keeps what was done with it, for Revert next time.
    StorePieceSettings(engine, 0, std::nullopt);
    const LoadResult result = engine.OpenPiece(path);
    if (result != LoadResult::Loaded) return result;
    if (!ApplyPieceSettings(engine, 0, false)) DefaultPieceSettings(engine, false);
    engine.SetSettingsStorable(true);
    return result;
}

void StoreSettingsAtShutdown(Engine& engine) {
    if (!engine.SettingsStorable()) return;
    StorePieceSettings(engine, 0, std::nullopt);
    StoreSystemSettings(engine, kRevertSettingsName);
}

}  // namespace ostinel
