#include "settings/settings_ranges.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace ostinel {
namespace {

constexpr std::uint8_t kNone = 255;
constexpr int kPortCount = 8;
constexpr std::int16_t kAllPorts = -2;
constexpr std::int16_t kSameAsInput = -3;
constexpr std::uint32_t kMaxAutoStopDelayMs = 60000;
constexpr std::uint16_t kMaxLoopRestartDelaySec = 10;
constexpr std::uint16_t kMaxDeviceNumber = 15;
constexpr std::uint16_t kMaxMasterVolume = 512;
constexpr std::uint16_t kMaxTempoScale = 8192;  // 200 %
constexpr std::int16_t kMaxTranspose = 127;
constexpr std::uint16_t kMaxTrackVolume = 384;  // 150 %
constexpr std::uint8_t kMaxPatchKind = 5;

template <typename T>
void InRange(T& value, T low, T high, T fallback) {
    if (value < low || value > high) value = fallback;
}

template <typename T>
void AtMost(T& value, T high, T fallback) {
    if (value > high) value = fallback;
}

void Flag(std::uint8_t& value, std::uint8_t fallback) {
    AtMost<std::uint8_t>(value, 1, fallback);
}

// A MIDI data value, or 255 for none.
void ValueOrNone(std::uint8_t& value, std::uint8_t fallback) {
    if (value > 127 && value != kNone) value = fallback;
}

void PortOrAll(std::int16_t& port, std::int16_t fallback) {
    if (port != kAllPorts && (port < 0 || port >= kPortCount)) port = fallback;
}

constexpr std::array<std::uint8_t SystemSettings::*, 19> kSystemFlags{
    &SystemSettings::rememberViewLocations,
    &SystemSettings::previewBeforeStarting,
    &SystemSettings::waitForSoloToStart,
    &SystemSettings::transmitSysex,
    &SystemSettings::restartLoopAutomatically,
    &SystemSettings::setLoopPointsAutomatically,
    &SystemSettings::metronomeOn,
    &SystemSettings::loopOn,
    &SystemSettings::thruOn,
    &SystemSettings::jumpEnabled,
    &SystemSettings::soundHeldNotes,
    &SystemSettings::startAutomatically,
    &SystemSettings::stopAutomatically,
    &SystemSettings::requireShiftDrag,
    &SystemSettings::transmitExternalSync,
    &SystemSettings::playTappedNotes,
    &SystemSettings::thruProcessFirst,
    &SystemSettings::jumpSeveralBeatsOnly,
    &SystemSettings::allowViewsToMove};

}  // namespace

void KeepSystemSettingsInRange(SystemSettings& s) {
    const SystemSettings d = DefaultSystemSettings();
    AtMost(s.autoStopDelayMs, kMaxAutoStopDelayMs, d.autoStopDelayMs);
    AtMost<std::uint16_t>(s.followSource, 1, d.followSource);
    AtMost<std::uint16_t>(s.timingFollowLevel, 4, d.timingFollowLevel);
    AtMost<std::uint16_t>(s.volumeFollowLevel, 3, d.volumeFollowLevel);
    AtMost<std::uint16_t>(s.tapSource, 5, d.tapSource);
    AtMost(s.loopRestartDelaySec, kMaxLoopRestartDelaySec, d.loopRestartDelaySec);
    if (s.thruChannel != kSameAsInput) InRange<std::int16_t>(s.thruChannel, 0, 15, d.thruChannel);
    AtMost<std::uint16_t>(s.sysexMode, 2, d.sysexMode);
    for (std::size_t port = 0; port < s.inputDevice.size(); ++port) {
        AtMost(s.inputDevice[port], kMaxDeviceNumber, d.inputDevice[port]);
        AtMost(s.outputDevice[port], kMaxDeviceNumber, d.outputDevice[port]);
    }
    AtMost<std::uint16_t>(s.metronomePort, kPortCount - 1, d.metronomePort);
    PortOrAll(s.thruPort, d.thruPort);
    PortOrAll(s.sysexPort, d.sysexPort);
    PortOrAll(s.syncPort, d.syncPort);
    AtMost<std::uint16_t>(s.syncType, 1, d.syncType);
    AtMost<std::uint16_t>(s.frameRate, 3, d.frameRate);
    AtMost<std::uint16_t>(s.performancePlayMode, 3, d.performancePlayMode);
    AtMost<std::uint16_t>(s.tempoBeforePerformed, 1, d.tempoBeforePerformed);
    AtMost<std::uint16_t>(s.tempoAfterPerformed, 2, d.tempoAfterPerformed);
    AtMost<std::uint16_t>(s.tempoDuringPerformed, 1, d.tempoDuringPerformed);
    if (s.metronomeChannel != kNone)
        AtMost<std::uint8_t>(s.metronomeChannel, 15, d.metronomeChannel);
    ValueOrNone(s.metronomePatch, d.metronomePatch);
    ValueOrNone(s.metronomeDownbeatNote, d.metronomeDownbeatNote);
    AtMost<std::uint8_t>(s.metronomeDownbeatVelocity, 127, d.metronomeDownbeatVelocity);
    ValueOrNone(s.metronomeOtherNote, d.metronomeOtherNote);
    AtMost<std::uint8_t>(s.metronomeOtherVelocity, 127, d.metronomeOtherVelocity);
    for (const auto flag : kSystemFlags)
        Flag(s.*flag, d.*flag);
    ValueOrNone(s.tapNote, d.tapNote);
    ValueOrNone(s.tapController, d.tapController);
    for (std::uint8_t& enabled : s.channelEnabled)
        Flag(enabled, 1);
}

void KeepRemoteTableInRange(RemoteTable& table) {
    for (std::int16_t& entry : table) {
        const bool note = entry >= 0 && entry <= 127;
        const bool controller = entry >= kControllerBinding && entry <= kControllerBinding + 127;
        if (!note && !controller) entry = kNoBinding;
    }
}

void KeepPieceSettingsInRange(PieceSettings& s) {
    const PieceSettings d = DefaultPieceSettings(s.loopEndMs);  // the loop end is kept
    AtMost(s.masterVolume, kMaxMasterVolume, d.masterVolume);
    InRange<std::uint16_t>(s.tempoScale, 1, kMaxTempoScale, d.tempoScale);
    InRange<std::int16_t>(s.masterTranspose, -kMaxTranspose, kMaxTranspose, d.masterTranspose);
    if (s.followTrack1 < 0) s.followTrack1 = d.followTrack1;
    if (s.followTrack2 < 0) s.followTrack2 = d.followTrack2;
    // The stacking order names each view once.
    std::array<bool, kViewCount> seen{};
    bool order = true;
    for (const std::uint16_t view : s.viewOrder) {
        if (view >= kViewCount || seen[view]) {
            order = false;
            break;
        }
        seen[view] = true;
    }
    if (!order) s.viewOrder = d.viewOrder;
    for (std::size_t view = 0; view < s.viewShown.size(); ++view)
        Flag(s.viewShown[view], d.viewShown[view]);
    Flag(s.twoFollowTracks, d.twoFollowTracks);
    Flag(s.performanceUsesPort, d.performanceUsesPort);
}

void KeepTrackSettingsBlockInRange(TrackSettingsBlock& block) {
    const TrackSettingsBlock d;
    AtMost(block.volume, kMaxTrackVolume, d.volume);
    block.channel &= 0x0F;
    InRange<std::int16_t>(block.transpose, -kMaxTranspose, kMaxTranspose, d.transpose);
    AtMost<std::uint16_t>(block.port, kPortCount - 1, d.port);
    Flag(block.play, d.play);
    Flag(block.substitute, d.substitute);
    // Each entry: the file's patch (kind, three values), then the substitute.
    // Only the substitute is applied; one it cannot send becomes "No Change".
    for (std::size_t entry = 0; entry < kProgramTableBytes; entry += 8) {
        const auto substitute = block.programTable.begin() + static_cast<std::ptrdiff_t>(entry + 4);
        const bool sendable =
            substitute[0] <= kMaxPatchKind &&
            std::all_of(substitute + 1, substitute + 4, [](std::uint8_t v) { return v <= 127; });
        if (!sendable) std::fill(substitute, substitute + 4, std::uint8_t{0});
    }
}

void KeepMarkersInRange(std::vector<ScorePosition>& markers) {
    std::erase_if(markers, [](ScorePosition marker) { return marker < ScorePosition{}; });
}

void KeepIgnoreRangesInRange(std::vector<ScoreRange>& ranges) {
    std::erase_if(ranges, [](const ScoreRange& range) {
        return range.start < ScorePosition{} || range.end < ScorePosition{} ||
               range.end < range.start;
    });
}

}  // namespace ostinel
