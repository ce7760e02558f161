#include "cli/system_settings_fields.h"

#include <type_traits>

namespace ostinel::cli {

namespace {

constexpr std::int64_t kU8 = 255;
constexpr std::int64_t kU16 = 65535;
constexpr std::int64_t kU32 = 4294967295;

std::string PortLetter(std::size_t port) {
    return std::string(1, static_cast<char>('A' + port));
}

}  // namespace

std::int64_t GetField(const FieldRef& ref) {
    return std::visit([](auto* value) { return static_cast<std::int64_t>(*value); }, ref);
}

void SetField(const FieldRef& ref, std::int64_t number) {
    std::visit(
        [number](auto* value) {
            *value = static_cast<std::remove_pointer_t<decltype(value)>>(number);
        },
        ref);
}

// Index lists (levels, modes, ports) take only the values their lists have;
// reserved and plain numbers take what their width holds.
std::vector<Field> FieldsOf(SystemSettings& s) {
    std::vector<Field> fields;
    const auto one = [&fields](std::string name, FieldRef ref, std::int64_t min, std::int64_t max) {
        fields.push_back({std::move(name), {ref}, min, max});
    };
    const auto flag = [&one](std::string name, std::uint8_t& value) {
        one(std::move(name), &value, 0, 1);
    };
    one("autoStopDelayMs", &s.autoStopDelayMs, 0, kU32);
    one("followSource", &s.followSource, 0, 1);
    one("timingFollowLevel", &s.timingFollowLevel, 0, 4);
    one("volumeFollowLevel", &s.volumeFollowLevel, 0, 3);
    one("tapSource", &s.tapSource, 0, 5);
    one("loopRestartDelaySec", &s.loopRestartDelaySec, 0, kU16);
    one("reserved14", &s.reserved14, 0, kU16);
    one("thruChannel", &s.thruChannel, -3, 15);
    one("sysexMode", &s.sysexMode, 0, 2);
    Field inputs{"inputDevice", {}, 0, 15};
    Field outputs{"outputDevice", {}, 0, 15};
    for (std::size_t port = 0; port < kSettingsPortCount; ++port) {
        inputs.values.emplace_back(&s.inputDevice[port]);
        outputs.values.emplace_back(&s.outputDevice[port]);
    }
    fields.push_back(std::move(inputs));
    fields.push_back(std::move(outputs));
    one("metronomePort", &s.metronomePort, 0, 7);
    one("thruPort", &s.thruPort, -2, 7);
    one("sysexPort", &s.sysexPort, -2, 7);
    one("syncPort", &s.syncPort, -2, 7);
    one("syncType", &s.syncType, 0, 1);
    one("frameRate", &s.frameRate, 0, 3);
    one("performancePlayMode", &s.performancePlayMode, 0, 3);
    one("tempoBeforePerformed", &s.tempoBeforePerformed, 0, 1);
    one("tempoAfterPerformed", &s.tempoAfterPerformed, 0, 2);
    one("tempoDuringPerformed", &s.tempoDuringPerformed, 0, 1);
    one("reserved72", &s.reserved72, -32768, 32767);
    one("reserved74", &s.reserved74, -32768, 32767);
    one("metronomeChannel", &s.metronomeChannel, 0, 15);
    one("metronomePatch", &s.metronomePatch, 0, kU8);
    one("metronomeDownbeatNote", &s.metronomeDownbeatNote, 0, kU8);
    one("metronomeDownbeatVelocity", &s.metronomeDownbeatVelocity, 0, 127);
    one("metronomeOtherNote", &s.metronomeOtherNote, 0, kU8);
    one("metronomeOtherVelocity", &s.metronomeOtherVelocity, 0, 127);
    flag("rememberViewLocations", s.rememberViewLocations);
    flag("previewBeforeStarting", s.previewBeforeStarting);
    flag("waitForSoloToStart", s.waitForSoloToStart);
    flag("transmitSysex", s.transmitSysex);
    flag("restartLoopAutomatically", s.restartLoopAutomatically);
    flag("setLoopPointsAutomatically", s.setLoopPointsAutomatically);
    flag("metronomeOn", s.metronomeOn);
    flag("loopOn", s.loopOn);
    flag("thruOn", s.thruOn);
    flag("jumpEnabled", s.jumpEnabled);
    flag("soundHeldNotes", s.soundHeldNotes);
    flag("startAutomatically", s.startAutomatically);
    flag("stopAutomatically", s.stopAutomatically);
    one("tapNote", &s.tapNote, 0, kU8);
    one("tapController", &s.tapController, 0, kU8);
    for (std::size_t port = 0; port < kSettingsPortCount; ++port) {
        Field channels{"channelEnabled." + PortLetter(port), {}, 0, 1};
        for (std::size_t channel = 0; channel < kSettingsChannelCount; ++channel) {
            channels.values.emplace_back(&s.channelEnabled[port * kSettingsChannelCount + channel]);
        }
        fields.push_back(std::move(channels));
    }
    flag("requireShiftDrag", s.requireShiftDrag);
    flag("transmitExternalSync", s.transmitExternalSync);
    one("reserved227", &s.reserved227, 0, kU8);
    flag("playTappedNotes", s.playTappedNotes);
    flag("thruProcessFirst", s.thruProcessFirst);
    flag("jumpSeveralBeatsOnly", s.jumpSeveralBeatsOnly);
    flag("allowViewsToMove", s.allowViewsToMove);
    Field reserved{"reserved232", {}, 0, kU8};
    for (std::uint8_t& byte : s.reserved232)
        reserved.values.emplace_back(&byte);
    fields.push_back(std::move(reserved));
    return fields;
}

}  // namespace ostinel::cli
