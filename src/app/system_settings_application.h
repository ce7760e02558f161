#pragma once

// The system settings between the records and the live engine: what the
// engine runs with captured as a record, a record pushed into every
// subsystem, and the loads, stores and defaults built on both.

#include <optional>
#include <string>
#include <string_view>

#include "app/engine.h"
#include "settings/settings_persistence.h"

namespace ostinel {

// main thread. The devices by number, as the port table numbers them.
MidiDeviceNames DeviceNamesOf(platform::MidiSystem& midi);

// main thread. The system settings, the remote-command table and the open
// file's path as the engine runs with them now.
SystemSettingsState CaptureSystemSettings(Engine& engine);

// main thread. The system record catches up with what a dialog changed in the
// subsystems, so that the record reads as the engine runs.
void CaptureIntoSystemRecord(Engine& engine);

// main thread. Takes `state` as the live settings: the ports' devices and
// channel filters (devices re-opened; a failure opens the ports dialog),
// output, following, loop, metronome and performance settings, the remote
// table, the intake's mode, the view buttons and the follower's options,
// score and signal.
void ApplySystemSettings(Engine& engine, const SystemSettingsState& state);

// main thread. Loads settings `name` from the engine's store and applies
// them; with `keepRevertPoint` the current ones are first stored as "."
// (message 2016 when that fails). What cannot be read becomes the defaults.
// The result names the last open file when `wantFileToOpen` (start-up with
// no file named) and the store holds one.
SystemSettingsLoad LoadSystemSettings(Engine& engine, std::string_view name, bool keepRevertPoint,
                                      bool wantFileToOpen = false);

// main thread. Stores the current settings as `name`; false when the store
// is missing or refuses a value.
bool StoreSystemSettings(Engine& engine, std::string_view name);

// main thread. "Default Settings": with `keepRevertPoint` the current
// settings are first stored as "." (message 2016 on failure); then every
// default, all input channels accepted, no remote command bound.
void DefaultSystemSettings(Engine& engine, bool keepRevertPoint);

}  // namespace ostinel
