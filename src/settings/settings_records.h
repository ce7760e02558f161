#pragma once

// The user's settings as records with named fields, and their stored forms:
// each Encode puts every field at its fixed offset in the stored byte order,
// each Decode reads them back and refuses a value of the wrong size.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "follower/remote_table.h"
#include "music/score_range.h"

namespace ostinel {

inline constexpr int kSettingsPortCount = 8;
inline constexpr int kSettingsChannelCount = 16;
inline constexpr int kViewCount = 8;

inline constexpr std::size_t kSystemSettingsBytes = 236;
inline constexpr std::size_t kRemoteTableBytes = 28;
inline constexpr std::size_t kPieceSettingsBytes = 80;
inline constexpr std::size_t kTrackSettingsBlockBytes = 524;
inline constexpr std::size_t kProgramTableBytes = 256;
inline constexpr std::size_t kMaxStoredNameLength = 255;

// What applies to every piece. Stored little-endian.
struct SystemSettings {
    std::uint32_t autoStopDelayMs = 5000;
    std::uint16_t followSource = 0;
    std::uint16_t timingFollowLevel = 4;
    std::uint16_t volumeFollowLevel = 2;
    std::uint16_t tapSource = 0;
    std::uint16_t loopRestartDelaySec = 3;
    std::uint16_t reserved14 = 0;
    std::int16_t thruChannel = -3;
    std::uint16_t sysexMode = 0;
    std::array<std::uint16_t, kSettingsPortCount> inputDevice{};
    std::array<std::uint16_t, kSettingsPortCount> outputDevice{};
    std::uint16_t metronomePort = 0;
    std::int16_t thruPort = -2;
    std::int16_t sysexPort = -2;
    std::int16_t syncPort = -2;
    std::uint16_t syncType = 0;
    std::uint16_t frameRate = 3;
    std::uint16_t performancePlayMode = 0;
    std::uint16_t tempoBeforePerformed = 0;
    std::uint16_t tempoAfterPerformed = 1;
    std::uint16_t tempoDuringPerformed = 1;
    std::int16_t reserved72 = -2;
    std::int16_t reserved74 = -2;
    std::uint8_t metronomeChannel = 9;
    std::uint8_t metronomePatch = 255;
    std::uint8_t metronomeDownbeatNote = 75;
    std::uint8_t metronomeDownbeatVelocity = 127;
    std::uint8_t metronomeOtherNote = 75;
    std::uint8_t metronomeOtherVelocity = 100;
    std::uint8_t rememberViewLocations = 1;
    std::uint8_t previewBeforeStarting = 0;
    std::uint8_t waitForSoloToStart = 0;
    std::uint8_t transmitSysex = 1;
    std::uint8_t restartLoopAutomatically = 1;
    std::uint8_t setLoopPointsAutomatically = 0;
    std::uint8_t metronomeOn = 0;
    std::uint8_t loopOn = 0;
    std::uint8_t thruOn = 0;
    std::uint8_t jumpEnabled = 1;
    std::uint8_t soundHeldNotes = 1;
    std::uint8_t startAutomatically = 1;
    std::uint8_t stopAutomatically = 0;
    std::uint8_t tapNote = 255;
    std::uint8_t tapController = 255;
    // port x 16 + channel, 1 = accepted
    std::array<std::uint8_t, kSettingsPortCount* kSettingsChannelCount> channelEnabled = [] {
        std::array<std::uint8_t, kSettingsPortCount * kSettingsChannelCount> all{};
        all.fill(1);
        return all;
    }();
    std::uint8_t requireShiftDrag = 1;
    std::uint8_t transmitExternalSync = 0;
    std::uint8_t reserved227 = 0;
    std::uint8_t playTappedNotes = 0;
    std::uint8_t thruProcessFirst = 0;
    std::uint8_t jumpSeveralBeatsOnly = 0;
    std::uint8_t allowViewsToMove = 1;
    std::array<std::uint8_t, 4> reserved232{};

    friend bool operator==(const SystemSettings&, const SystemSettings&) = default;
};

// Where a view stands against the centre of the main window's client area.
struct ViewPlace {
    std::int16_t dy = 0;
    std::int16_t dx = 0;

    friend bool operator==(const ViewPlace&, const ViewPlace&) = default;
};

// What belongs to one MIDI file. Stored big-endian except `viewOrder`.
struct PieceSettings {
    std::uint32_t loopBeginMs = 0;
    std::uint32_t loopEndMs = 0;
    std::uint16_t masterVolume = 256;
    std::uint16_t tempoScale = 4096;
    std::int16_t masterTranspose = 0;
    std::int16_t followTrack1 = 0;
    std::int16_t followTrack2 = 0;
    std::array<std::uint8_t, 2> reserved18{};
    std::array<std::uint16_t, kViewCount> viewOrder{0, 1, 2, 3, 4, 5, 6, 7};
    std::array<ViewPlace, kViewCount> viewPlace{};
    std::array<std::uint8_t, kViewCount> viewShown{1, 1, 1, 1, 1, 1, 1, 1};
    std::uint8_t twoFollowTracks = 0;
    std::uint8_t performanceUsesPort = 0;
    std::array<std::uint8_t, 2> reserved78{};

    friend bool operator==(const PieceSettings&, const PieceSettings&) = default;
};

// One track's settings as the piece's stored settings keep them.
struct TrackSettingsBlock {
    std::uint16_t volume = 256;
    std::uint16_t channel = 0;  // low four bits only
    std::int16_t transpose = 0;
    std::uint16_t port = 0;
    std::uint16_t reserved8 = 0;
    std::uint8_t play = 1;
    std::uint8_t substitute = 0;
    // The track's 32 program entries of 8 bytes, as the patch table holds them.
    std::array<std::uint8_t, kProgramTableBytes> programTable{};
    std::string name;  // empty = no custom name; at most 255 characters are stored

    friend bool operator==(const TrackSettingsBlock&, const TrackSettingsBlock&) = default;
};

using SystemSettingsBytes = std::array<std::uint8_t, kSystemSettingsBytes>;
using RemoteTableBytes = std::array<std::uint8_t, kRemoteTableBytes>;
using PieceSettingsBytes = std::array<std::uint8_t, kPieceSettingsBytes>;
using TrackSettingsBlockBytes = std::array<std::uint8_t, kTrackSettingsBlockBytes>;
static_assert(sizeof(SystemSettingsBytes) == 236);
static_assert(sizeof(RemoteTableBytes) == 28);
static_assert(sizeof(PieceSettingsBytes) == 80);
static_assert(sizeof(TrackSettingsBlockBytes) == 524);

// Every field at its default, reserved bytes zero except the two the defaults write.
SystemSettings DefaultSystemSettings();
// Writes every default but leaves the reserved bytes the defaults never write
// (offsets 14, 227 and 232-235) as they are.
void FillSystemSettingsDefaults(SystemSettings& settings);
// The defaults for a piece that ends at `pieceEndMs`.
PieceSettings DefaultPieceSettings(std::uint32_t pieceEndMs);

SystemSettingsBytes EncodeSystemSettings(const SystemSettings& settings);
// None unless `bytes` is exactly 236 bytes long.
std::optional<SystemSettings> DecodeSystemSettings(std::span<const std::uint8_t> bytes);

RemoteTableBytes EncodeRemoteTable(const RemoteTable& table);
// None unless `bytes` is exactly 28 bytes long.
std::optional<RemoteTable> DecodeRemoteTable(std::span<const std::uint8_t> bytes);

// The file form: big-endian, `viewOrder` little-endian.
PieceSettingsBytes EncodePieceSettings(const PieceSettings& settings);
// None unless `bytes` is exactly 80 bytes long.
std::optional<PieceSettings> DecodePieceSettings(std::span<const std::uint8_t> bytes);

// The file form; a longer name is cut to its first 255 characters.
TrackSettingsBlockBytes EncodeTrackSettingsBlock(const TrackSettingsBlock& block);
// None unless `bytes` is exactly 524 bytes long.
std::optional<TrackSettingsBlock> DecodeTrackSettingsBlock(std::span<const std::uint8_t> bytes);

// All tracks' blocks back to back, and the reverse; none when the length is
// not a whole number of blocks.
std::vector<std::uint8_t> EncodeTrackSettingsBlocks(std::span<const TrackSettingsBlock> blocks);
std::optional<std::vector<TrackSettingsBlock>> DecodeTrackSettingsBlocks(
    std::span<const std::uint8_t> bytes);

// A length byte and the name cut to 255 characters; no bytes for no name.
std::vector<std::uint8_t> EncodeDisplayName(std::string_view name);
// None when the length byte promises more characters than there are.
std::optional<std::string> DecodeDisplayName(std::span<const std::uint8_t> bytes);

// A marker list as big-endian u32 times, and the reverse; none when the
// length is not a whole number of entries.
std::vector<std::uint8_t> EncodeMarkerList(std::span<const ScorePosition> markers);
std::optional<std::vector<ScorePosition>> DecodeMarkerList(std::span<const std::uint8_t> bytes);
// Ignore Soloist ranges: (start, end) pairs of big-endian u32.
std::vector<std::uint8_t> EncodeIgnoreRanges(std::span<const ScoreRange> ranges);
std::optional<std::vector<ScoreRange>> DecodeIgnoreRanges(std::span<const std::uint8_t> bytes);

}  // namespace ostinel
