#pragma once

// What the views' mouse handling shares: the menu commands that double
// clicks open.
namespace ostinel::views::board {

inline constexpr int kFileInformationCommand = 12;
inline constexpr int kJumpToCommand = 127;
inline constexpr int kFollowingCommand = 150;
inline constexpr int kMetronomeCommand = 154;
inline constexpr int kLoopModeCommand = 155;
inline constexpr int kTempoCommand = 160;

}  // namespace ostinel::views::board
