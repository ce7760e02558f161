#include "app/system_settings_application.h"

#include "strings/string_ids.h"
#include "strings/string_table.h"

namespace ostinel {

namespace {

FollowingOptions FollowingFrom(const SystemSettings& s, FollowingOptions options) {
    options.autoStopDelayMs = s.autoStopDelayMs;
    options.followSource = static_cast<FollowSource>(s.followSource);
    options.timingFollowLevel = s.timingFollowLevel;
    options.volumeFollowLevel = s.volumeFollowLevel;
    options.tapSource = static_cast<TapSource>(s.tapSource);
    options.tapNote = s.tapNote;
    options.tapController = s.tapController;
    options.jumpEnabled = s.jumpEnabled != 0;
    options.jumpSeveralBeatsOnly = s.jumpSeveralBeatsOnly != 0;
    options.waitForSoloToStart = s.waitForSoloToStart != 0;
    options.previewBeforeStarting = s.previewBeforeStarting != 0;
    options.startAutomatically = s.startAutomatically != 0;
    options.stopAutomatically = s.stopAutomatically != 0;
    return options;
}

OutputSettings OutputFrom(const SystemSettings& s) {
    OutputSettings output;
    output.transmitExternalSync = s.transmitExternalSync != 0;
    output.syncPort = s.syncPort;
    output.syncType = s.syncType;
    output.frameRate = s.frameRate;
    output.thruOn = s.thruOn != 0;
    output.thruPort = s.thruPort;
    output.thruChannel = s.thruChannel;
    output.thruProcessFirst = s.thruProcessFirst != 0;
    output.transmitSysex = s.transmitSysex != 0;
    output.sysexPort = s.sysexPort;
    output.sysexMode = s.sysexMode;
    output.soundHeldNotes = s.soundHeldNotes != 0;
    return output;
}

LoopSettings LoopFrom(const SystemSettings& s, LoopSettings loop) {
    loop.on = s.loopOn != 0;
    loop.restartAutomatically = s.restartLoopAutomatically != 0;
    loop.restartDelaySec = s.loopRestartDelaySec;
    loop.setPointsAutomatically = s.setLoopPointsAutomatically != 0;
    return loop;
}

MetronomeSettings MetronomeFrom(const SystemSettings& s) {
    MetronomeSettings metronome;
    metronome.on = s.metronomeOn != 0;
    metronome.port = static_cast<std::int16_t>(s.metronomePort);
    metronome.channel = s.metronomeChannel;
    metronome.patch = s.metronomePatch;
    metronome.downbeatNote = s.metronomeDownbeatNote;
    metronome.downbeatVelocity = s.metronomeDownbeatVelocity;
    metronome.otherNote = s.metronomeOtherNote;
    metronome.otherVelocity = s.metronomeOtherVelocity;
    return metronome;
}

PerformanceSettings PerformanceFrom(const SystemSettings& s, PerformanceSettings performance) {
    performance.playMode = static_cast<PerformancePlayMode>(s.performancePlayMode);
    performance.playTappedNotes = s.playTappedNotes != 0;
    performance.tempos.before = static_cast<TempoBeforePerformed>(s.tempoBeforePerformed);
    performance.tempos.during = static_cast<TempoDuringPerformed>(s.tempoDuringPerformed);
    performance.tempos.after = static_cast<TempoAfterPerformed>(s.tempoAfterPerformed);
    return performance;
}

std::uint8_t Flag(bool on) {
    return on ? 1 : 0;
}

void CaptureFollowing(const FollowingOptions& f, SystemSettings& s) {
    s.autoStopDelayMs = f.autoStopDelayMs;
    s.followSource = static_cast<std::uint16_t>(f.followSource);
    s.timingFollowLevel = f.timingFollowLevel;
    s.volumeFollowLevel = f.volumeFollowLevel;
    s.tapSource = static_cast<std::uint16_t>(f.tapSource);
    s.tapNote = f.tapNote;
    s.tapController = f.tapController;
    s.jumpEnabled = Flag(f.jumpEnabled);
    s.jumpSeveralBeatsOnly = Flag(f.jumpSeveralBeatsOnly);
    s.waitForSoloToStart = Flag(f.waitForSoloToStart);
    s.previewBeforeStarting = Flag(f.previewBeforeStarting);
    s.startAutomatically = Flag(f.startAutomatically);
    s.stopAutomatically = Flag(f.stopAutomatically);
}

void CaptureOutput(const OutputSettings& o, SystemSettings& s) {
    s.transmitExternalSync = Flag(o.transmitExternalSync);
    s.syncPort = o.syncPort;
    s.syncType = o.syncType;
    s.frameRate = o.frameRate;
    s.thruOn = Flag(o.thruOn);
    s.thruPort = o.thruPort;
    s.thruChannel = o.thruChannel;
    s.thruProcessFirst = Flag(o.thruProcessFirst);
    s.transmitSysex = Flag(o.transmitSysex);
    s.sysexPort = o.sysexPort;
    s.sysexMode = o.sysexMode;
    s.soundHeldNotes = Flag(o.soundHeldNotes);
}

void CaptureTransport(const Transport& transport, SystemSettings& s) {
    const LoopSettings& loop = transport.Loop();
    s.loopOn = Flag(loop.on);
    s.restartLoopAutomatically = Flag(loop.restartAutomatically);
    s.loopRestartDelaySec = static_cast<std::uint16_t>(loop.restartDelaySec);
    s.setLoopPointsAutomatically = Flag(loop.setPointsAutomatically);
    const MetronomeSettings& metronome = transport.Metronome();
    s.metronomeOn = Flag(metronome.on);
    s.metronomePort = static_cast<std::uint16_t>(metronome.port);
    s.metronomeChannel = metronome.channel;
    s.metronomePatch = metronome.patch;
    s.metronomeDownbeatNote = metronome.downbeatNote;
    s.metronomeDownbeatVelocity = metronome.downbeatVelocity;
    s.metronomeOtherNote = metronome.otherNote;
    s.metronomeOtherVelocity = metronome.otherVelocity;
    const PerformanceSettings& performance = transport.Performance();
    s.performancePlayMode = static_cast<std::uint16_t>(performance.playMode);
    s.playTappedNotes = Flag(performance.playTappedNotes);
    s.tempoBeforePerformed = static_cast<std::uint16_t>(performance.tempos.before);
    s.tempoDuringPerformed = static_cast<std::uint16_t>(performance.tempos.during);
    s.tempoAfterPerformed = static_cast<std::uint16_t>(performance.tempos.after);
}

void CapturePorts(const PortMap& ports, SystemSettings& s) {
    for (int port = 0; port < kSettingsPortCount; ++port) {
        const auto at = static_cast<std::size_t>(port);
        s.inputDevice[at] = static_cast<std::uint16_t>(ports.InputDevice(port));
        s.outputDevice[at] = static_cast<std::uint16_t>(ports.OutputDevice(port));
        for (int channel = 0; channel < kSettingsChannelCount; ++channel) {
            s.channelEnabled[at * kSettingsChannelCount + static_cast<std::size_t>(channel)] =
                Flag(ports.ChannelEnabled(port, channel));
        }
    }
}

void ApplyPorts(Engine& engine, const SystemSettings& s) {
    PortMap& ports = engine.Ports();
    for (int port = 0; port < kSettingsPortCount; ++port) {
        const auto at = static_cast<std::size_t>(port);
        ports.SetInputDevice(port, s.inputDevice[at]);
        ports.SetOutputDevice(port, s.outputDevice[at]);
        for (int channel = 0; channel < kSettingsChannelCount; ++channel) {
            ports.SetChannelEnabled(
                port, channel,
                s.channelEnabled[at * kSettingsChannelCount + static_cast<std::size_t>(channel)] !=
                    0);
        }
    }
    // The outputs open even when a keyboard is missing, so that the piece
    // can still be heard while the ports dialog offers another input.
    const bool inputsOpen = engine.OpenInputPorts();
    const bool outputsOpen = engine.OpenOutputPorts();
    if (!inputsOpen || !outputsOpen) engine.GetSettingsUi().OpenPortsDialog();
}

void ShowError(Engine& engine, int id) {
    engine.Ui().ShowMessage(StringTable().Get(id));
}

}  // namespace

MidiDeviceNames DeviceNamesOf(platform::MidiSystem& midi) {
    MidiDeviceNames names;
    for (int device = 0; device < midi.InputDeviceCount(); ++device)
        names.inputs.push_back(midi.InputDeviceName(device));
    for (int device = 0; device < midi.OutputDeviceCount(); ++device)
        names.outputs.push_back(midi.OutputDeviceName(device));
    return names;
}

SystemSettingsState CaptureSystemSettings(Engine& engine) {
    SystemSettingsState state;
    state.settings = engine.SystemRecord();
    CaptureFollowing(engine.Following(), state.settings);
    CaptureOutput(engine.Output().Settings(), state.settings);
    CaptureTransport(engine.GetTransport(), state.settings);
    CapturePorts(engine.Ports(), state.settings);
    state.remote = engine.Remote().Table();
    state.method = engine.Following().method;
    if (const Piece* piece = engine.CurrentPiece()) state.filePath = piece->path;
    return state;
}

void CaptureIntoSystemRecord(Engine& engine) {
    engine.SystemRecord() = CaptureSystemSettings(engine).settings;
}

void ApplySystemSettings(Engine& engine, const SystemSettingsState& state) {
    const SystemSettings& s = state.settings;
    engine.SystemRecord() = s;
    ApplyPorts(engine, s);
    engine.SetOutputSettings(OutputFrom(s));
    Transport& transport = engine.GetTransport();
    transport.SetLoopSettings(LoopFrom(s, transport.Loop()));
    transport.SetMetronomeSettings(MetronomeFrom(s));
    engine.SetPerformanceSettings(PerformanceFrom(s, transport.Performance()));
    engine.Remote().SetTable(state.remote);
    // Hands the follower its options, the score or the beats and the
    // special signal, and sets the intake's mode.
    FollowingOptions following = FollowingFrom(s, engine.Following());
    following.method = state.method;
    engine.SetFollowingOptions(following);
    SettingsUi& ui = engine.GetSettingsUi();
    ui.LoopAndMetronomeButtonsChanged(s.loopOn != 0, s.metronomeOn != 0);
    ui.TracksChanged();
}

SystemSettingsLoad LoadSystemSettings(Engine& engine, std::string_view name, bool keepRevertPoint,
                                      bool wantFileToOpen) {
    SystemSettingsState live = CaptureSystemSettings(engine);
    SystemSettingsLoad result;
    if (platform::SettingsStore* store = engine.SettingsStoreInUse()) {
        result = LoadSystemSettings(*store, name, keepRevertPoint, wantFileToOpen,
                                    DeviceNamesOf(engine.Midi()), live);
    } else {
        result.revertPointKept = !keepRevertPoint;
        FillSystemSettingsDefaults(live.settings);
        live.remote = DefaultRemoteTable();
    }
    if (!result.revertPointKept) ShowError(engine, string_id::kCannotKeepRevertPoint);
    ApplySystemSettings(engine, live);
    return result;
}

bool StoreSystemSettings(Engine& engine, std::string_view name) {
    platform::SettingsStore* store = engine.SettingsStoreInUse();
    if (store == nullptr) return false;
    return StoreSystemSettings(*store, name, CaptureSystemSettings(engine),
                               DeviceNamesOf(engine.Midi()));
}

void DefaultSystemSettings(Engine& engine, bool keepRevertPoint) {
    if (keepRevertPoint && !StoreSystemSettings(engine, kRevertSettingsName))
        ShowError(engine, string_id::kCannotKeepRevertPoint);
    SystemSettingsState state = CaptureSystemSettings(engine);
    FillSystemSettingsDefaults(state.settings);
    state.remote = DefaultRemoteTable();
    state.method = kDefaultFollowingMethod;
    ApplySystemSettings(engine, state);
    engine.GetSettingsUi().IncomingMidiChanged();
}

}  // namespace ostinel
