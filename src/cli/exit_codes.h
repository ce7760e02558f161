#pragma once

namespace ostinel::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 2;
// An output file could not be written.
inline constexpr int kExitOutputFailed = 3;
// Nothing the ports use can be heard (no audio device, no MIDI device).
inline constexpr int kExitNothingAudible = 4;
// A piece that cannot be read exits with this plus its load result (1-6).
inline constexpr int kExitLoadFailureBase = 10;

}  // namespace ostinel::cli
