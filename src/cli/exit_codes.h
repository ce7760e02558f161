#pragma once

namespace ostinel::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 2;
// A piece that cannot be read exits with this plus its load result (1-6).
inline constexpr int kExitLoadFailureBase = 10;

}  // namespace ostinel::cli
