#pragma once

namespace ostinel::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 2;
// An output file could not be written.
inline constexpr int kExitOutputFailed = 3;
// Nothing the ports use can be heard (no audio device, no MIDI device).
inline constexpr int kExitNothingAudible = 4;
// A settings file to import has a bad line, or a piece's set to remove is empty.
inline constexpr int kExitBadSettingsFile = 5;
// A piece that cannot be read exits with this plus its load result (1-14).
inline constexpr int kExitLoadFailureBase = 10;

}  // namespace ostinel::cli
