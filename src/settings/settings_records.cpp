#include "settings/settings_records.h"

#include <algorithm>

#include "settings/byte_fields.h"

namespace ostinel {

namespace {

using namespace settings_bytes;

enum class ByteOrder { Little, Big };

// Puts fields into a stored record; the field lists below drive both this and
// FieldReader, so that encoding and decoding cannot drift apart.
class FieldWriter {
  public:
    FieldWriter(std::span<std::uint8_t> out, ByteOrder order) : out_(out), order_(order) {}

    void U8(std::size_t at, std::uint8_t value) { out_[at] = value; }
    void U16(std::size_t at, std::uint16_t value) {
        order_ == ByteOrder::Big ? PutBe16(out_, at, value) : PutLe16(out_, at, value);
    }
    void U16Le(std::size_t at, std::uint16_t value) { PutLe16(out_, at, value); }
    void I16(std::size_t at, std::int16_t value) { U16(at, AsUnsigned(value)); }
    void U32(std::size_t at, std::uint32_t value) {
        order_ == ByteOrder::Big ? PutBe32(out_, at, value) : PutLe32(out_, at, value);
    }

  private:
    std::span<std::uint8_t> out_;
    ByteOrder order_;
};

class FieldReader {
  public:
    FieldReader(std::span<const std::uint8_t> in, ByteOrder order) : in_(in), order_(order) {}

    void U8(std::size_t at, std::uint8_t& value) const { value = in_[at]; }
    void U16(std::size_t at, std::uint16_t& value) const {
        value = order_ == ByteOrder::Big ? GetBe16(in_, at) : GetLe16(in_, at);
    }
    void U16Le(std::size_t at, std::uint16_t& value) const { value = GetLe16(in_, at); }
    void I16(std::size_t at, std::int16_t& value) const {
        std::uint16_t raw = 0;
        U16(at, raw);
        value = AsSigned(raw);
    }
    void U32(std::size_t at, std::uint32_t& value) const {
        value = order_ == ByteOrder::Big ? GetBe32(in_, at) : GetLe32(in_, at);
    }

  private:
    std::span<const std::uint8_t> in_;
    ByteOrder order_;
};

template <typename Settings, typename Io>
void SystemFields(Settings& s, Io& io) {
    io.U32(0, s.autoStopDelayMs);
    io.U16(4, s.followSource);
    io.U16(6, s.timingFollowLevel);
    io.U16(8, s.volumeFollowLevel);
    io.U16(10, s.tapSource);
    io.U16(12, s.loopRestartDelaySec);
    io.U16(14, s.reserved14);
    io.I16(16, s.thruChannel);
    io.U16(18, s.sysexMode);
    for (std::size_t port = 0; port < kSettingsPortCount; ++port) {
        io.U16(20 + 2 * port, s.inputDevice[port]);
        io.U16(36 + 2 * port, s.outputDevice[port]);
    }
    io.U16(52, s.metronomePort);
    io.I16(54, s.thruPort);
    io.I16(56, s.sysexPort);
    io.I16(58, s.syncPort);
    io.U16(60, s.syncType);
    io.U16(62, s.frameRate);
    io.U16(64, s.performancePlayMode);
    io.U16(66, s.tempoBeforePerformed);
    io.U16(68, s.tempoAfterPerformed);
    io.U16(70, s.tempoDuringPerformed);
    io.I16(72, s.reserved72);
    io.I16(74, s.reserved74);
    io.U8(76, s.metronomeChannel);
    io.U8(77, s.metronomePatch);
    io.U8(78, s.metronomeDownbeatNote);
    io.U8(79, s.metronomeDownbeatVelocity);
    io.U8(80, s.metronomeOtherNote);
    io.U8(81, s.metronomeOtherVelocity);
    io.U8(82, s.rememberViewLocations);
    io.U8(83, s.previewBeforeStarting);
    io.U8(84, s.waitForSoloToStart);
    io.U8(85, s.transmitSysex);
    io.U8(86, s.restartLoopAutomatically);
    io.U8(87, s.setLoopPointsAutomatically);
    io.U8(88, s.metronomeOn);
    io.U8(89, s.loopOn);
    io.U8(90, s.thruOn);
    io.U8(91, s.jumpEnabled);
    io.U8(92, s.soundHeldNotes);
    io.U8(93, s.startAutomatically);
    io.U8(94, s.stopAutomatically);
    io.U8(95, s.tapNote);
    io.U8(96, s.tapController);
    for (std::size_t i = 0; i < s.channelEnabled.size(); ++i)
        io.U8(97 + i, s.channelEnabled[i]);
    io.U8(225, s.requireShiftDrag);
    io.U8(226, s.transmitExternalSync);
    io.U8(227, s.reserved227);
    io.U8(228, s.playTappedNotes);
    io.U8(229, s.thruProcessFirst);
    io.U8(230, s.jumpSeveralBeatsOnly);
    io.U8(231, s.allowViewsToMove);
    for (std::size_t i = 0; i < s.reserved232.size(); ++i)
        io.U8(232 + i, s.reserved232[i]);
}

template <typename Settings, typename Io>
void PieceFields(Settings& s, Io& io) {
    io.U32(0, s.loopBeginMs);
    io.U32(4, s.loopEndMs);
    io.U16(8, s.masterVolume);
    io.U16(10, s.tempoScale);
    io.I16(12, s.masterTranspose);
    io.I16(14, s.followTrack1);
    io.I16(16, s.followTrack2);
    io.U8(18, s.reserved18[0]);
    io.U8(19, s.reserved18[1]);
    for (std::size_t view = 0; view < kViewCount; ++view) {
        io.U16Le(20 + 2 * view, s.viewOrder[view]);
        io.I16(36 + 4 * view, s.viewPlace[view].dy);
        io.I16(38 + 4 * view, s.viewPlace[view].dx);
        io.U8(68 + view, s.viewShown[view]);
    }
    io.U8(76, s.twoFollowTracks);
    io.U8(77, s.performanceUsesPort);
    io.U8(78, s.reserved78[0]);
    io.U8(79, s.reserved78[1]);
}

constexpr std::size_t kTrackNameLengthAt = 268;
constexpr std::size_t kTrackNameAt = 269;
constexpr std::size_t kTrackProgramTableAt = 12;

template <typename Block, typename Io>
void TrackFields(Block& b, Io& io) {
    io.U16(0, b.volume);
    io.U16(2, b.channel);
    io.I16(4, b.transpose);
    io.U16(6, b.port);
    io.U16(8, b.reserved8);
    io.U8(10, b.play);
    io.U8(11, b.substitute);
}

static_assert(kTrackNameAt + kMaxStoredNameLength == kTrackSettingsBlockBytes);
static_assert(kTrackProgramTableAt + kProgramTableBytes == kTrackNameLengthAt);

std::string_view CutName(std::string_view name) {
    return name.substr(0, std::min(name.size(), kMaxStoredNameLength));
}

}  // namespace

SystemSettings DefaultSystemSettings() {
    return SystemSettings{};
}

void FillSystemSettingsDefaults(SystemSettings& settings) {
    SystemSettings defaults;
    defaults.reserved14 = settings.reserved14;
    defaults.reserved227 = settings.reserved227;
    defaults.reserved232 = settings.reserved232;
    settings = defaults;
}

PieceSettings DefaultPieceSettings(std::uint32_t pieceEndMs) {
    PieceSettings settings;
    settings.loopEndMs = pieceEndMs;
    return settings;
}

SystemSettingsBytes EncodeSystemSettings(const SystemSettings& settings) {
    SystemSettingsBytes bytes{};
    FieldWriter writer(bytes, ByteOrder::Little);
    SystemFields(settings, writer);
    return bytes;
}

std::optional<SystemSettings> DecodeSystemSettings(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kSystemSettingsBytes) return std::nullopt;
    SystemSettings settings;
    const FieldReader reader(bytes, ByteOrder::Little);
    SystemFields(settings, reader);
    return settings;
}

RemoteTableBytes EncodeRemoteTable(const RemoteTable& table) {
    RemoteTableBytes bytes{};
    for (std::size_t i = 0; i < table.size(); ++i)
        PutLe16(bytes, 2 * i, AsUnsigned(table[i]));
    return bytes;
}

std::optional<RemoteTable> DecodeRemoteTable(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kRemoteTableBytes) return std::nullopt;
    RemoteTable table{};
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = AsSigned(GetLe16(bytes, 2 * i));
    return table;
}

PieceSettingsBytes EncodePieceSettings(const PieceSettings& settings) {
    PieceSettingsBytes bytes{};
    FieldWriter writer(bytes, ByteOrder::Big);
    PieceFields(settings, writer);
    return bytes;
}

std::optional<PieceSettings> DecodePieceSettings(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kPieceSettingsBytes) return std::nullopt;
    PieceSettings settings;
    const FieldReader reader(bytes, ByteOrder::Big);
    PieceFields(settings, reader);
    return settings;
}

TrackSettingsBlockBytes EncodeTrackSettingsBlock(const TrackSettingsBlock& block) {
    TrackSettingsBlockBytes bytes{};
    TrackSettingsBlock stored = block;
    stored.channel &= 0x0F;
    FieldWriter writer(bytes, ByteOrder::Big);
    TrackFields(stored, writer);
    std::copy(block.programTable.begin(), block.programTable.end(),
              bytes.begin() + kTrackProgramTableAt);
    const std::string_view name = CutName(block.name);
    bytes[kTrackNameLengthAt] = static_cast<std::uint8_t>(name.size());
    std::copy(name.begin(), name.end(), bytes.begin() + kTrackNameAt);
    return bytes;
}

std::optional<TrackSettingsBlock> DecodeTrackSettingsBlock(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kTrackSettingsBlockBytes) return std::nullopt;
    TrackSettingsBlock block;
    const FieldReader reader(bytes, ByteOrder::Big);
    TrackFields(block, reader);
    block.channel &= 0x0F;
    std::copy_n(bytes.begin() + kTrackProgramTableAt, kProgramTableBytes,
                block.programTable.begin());
    const auto name = bytes.subspan(kTrackNameAt, bytes[kTrackNameLengthAt]);
    block.name.assign(name.begin(), name.end());
    return block;
}

std::vector<std::uint8_t> EncodeTrackSettingsBlocks(std::span<const TrackSettingsBlock> blocks) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(blocks.size() * kTrackSettingsBlockBytes);
    for (const TrackSettingsBlock& block : blocks) {
        const TrackSettingsBlockBytes one = EncodeTrackSettingsBlock(block);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    return bytes;
}

std::optional<std::vector<TrackSettingsBlock>> DecodeTrackSettingsBlocks(
    std::span<const std::uint8_t> bytes) {
    if (bytes.size() % kTrackSettingsBlockBytes != 0) return std::nullopt;
    std::vector<TrackSettingsBlock> blocks;
    blocks.reserve(bytes.size() / kTrackSettingsBlockBytes);
    for (std::size_t at = 0; at < bytes.size(); at += kTrackSettingsBlockBytes)
        blocks.push_back(*DecodeTrackSettingsBlock(bytes.subspan(at, kTrackSettingsBlockBytes)));
    return blocks;
}

std::vector<std::uint8_t> EncodeDisplayName(std::string_view name) {
    if (name.empty()) return {};
    name = CutName(name);
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(name.size())};
    bytes.insert(bytes.end(), name.begin(), name.end());
    return bytes;
}

std::optional<std::string> DecodeDisplayName(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return std::string();
    if (bytes.size() < 1u + bytes[0]) return std::nullopt;
    const auto name = bytes.subspan(1, bytes[0]);
    return std::string(name.begin(), name.end());
}

std::vector<std::uint8_t> EncodeMarkerList(std::span<const ScorePosition> markers) {
    std::vector<std::uint8_t> bytes(markers.size() * 4);
    for (std::size_t i = 0; i < markers.size(); ++i)
        PutBe32(bytes, 4 * i, static_cast<std::uint32_t>(markers[i].Ms()));
    return bytes;
}

std::optional<std::vector<ScorePosition>> DecodeMarkerList(std::span<const std::uint8_t> bytes) {
    if (bytes.size() % 4 != 0) return std::nullopt;
    std::vector<ScorePosition> markers(bytes.size() / 4);
    for (std::size_t i = 0; i < markers.size(); ++i)
        markers[i] = static_cast<ScorePosition>(GetBe32(bytes, 4 * i));
    return markers;
}

std::vector<std::uint8_t> EncodeIgnoreRanges(std::span<const ScoreRange> ranges) {
    std::vector<std::uint8_t> bytes(ranges.size() * 8);
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        PutBe32(bytes, 8 * i, static_cast<std::uint32_t>(ranges[i].start.Ms()));
        PutBe32(bytes, 8 * i + 4, static_cast<std::uint32_t>(ranges[i].end.Ms()));
    }
    return bytes;
}

std::optional<std::vector<ScoreRange>> DecodeIgnoreRanges(std::span<const std::uint8_t> bytes) {
    if (bytes.size() % 8 != 0) return std::nullopt;
    std::vector<ScoreRange> ranges(bytes.size() / 8);
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        ranges[i].start = static_cast<ScorePosition>(GetBe32(bytes, 8 * i));
        ranges[i].end = static_cast<ScorePosition>(GetBe32(bytes, 8 * i + 4));
    }
    return ranges;
}

}  // namespace ostinel
