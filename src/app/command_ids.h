#pragma once

// The menu and accelerator commands of the main window, by number.
namespace ostinel::command {

inline constexpr int kOpen = 10;
inline constexpr int kSavePerformanceAs = 11;
inline constexpr int kGetFileInfo = 12;
inline constexpr int kExit = 13;
inline constexpr int kRenderToAudioFile = 14;

inline constexpr int kSystemRevert = 22;
inline constexpr int kSystemDefault = 23;
inline constexpr int kSystemLoadFirst = 30;  // 30-33
inline constexpr int kSystemSaveAs = 40;
inline constexpr int kSystemSaveFirst = 41;    // 41-44
inline constexpr int kSystemRemoveFirst = 50;  // 50-53
inline constexpr int kPieceRevert = 62;
inline constexpr int kPieceDefault = 63;
inline constexpr int kPieceLoadFirst = 70;  // 70-73
inline constexpr int kPieceSaveAs = 80;
inline constexpr int kPieceSaveFirst = 81;    // 81-84
inline constexpr int kPieceRemoveFirst = 90;  // 90-93
inline constexpr int kSettingsSlots = 4;

inline constexpr int kFirstView = 100;  // 100-107: view 0-7
inline constexpr int kShowAllViews = 108;
inline constexpr int kHideAllViews = 109;
inline constexpr int kCenterAllViews = 110;
inline constexpr int kScoreView = 111;  // the Score view, beside the eight

inline constexpr int kPlayAndFollow = 120;
inline constexpr int kPlayFile = 121;
inline constexpr int kPlayPerformance = 122;
inline constexpr int kFastForward = 123;
inline constexpr int kRewind = 124;
inline constexpr int kStop = 125;
inline constexpr int kPreview = 126;
inline constexpr int kJumpTo = 127;
inline constexpr int kJumpAhead = 128;
inline constexpr int kJumpBack = 129;
inline constexpr int kJumpAgain = 130;
inline constexpr int kResetVolume = 131;
inline constexpr int kAllNotesOff = 132;
inline constexpr int kMidiReset = 133;
inline constexpr int kChangeAllTracksFirst = 140;  // 140-147: port A-H

inline constexpr int kFollowing = 150;
inline constexpr int kPerformances = 151;
inline constexpr int kSpecialMarkers = 152;
inline constexpr int kRemoteControl = 153;
inline constexpr int kMidiMetronome = 154;
inline constexpr int kLoopMode = 155;
inline constexpr int kDisplayPreferences = 156;
inline constexpr int kTracks = 157;
inline constexpr int kBanksAndPrograms = 158;
inline constexpr int kMasterTranspose = 159;
inline constexpr int kTempo = 160;
inline constexpr int kMidiAndSyncSetup = 161;
inline constexpr int kMidiPortsAndDevices = 162;

inline constexpr int kIncomingMidiFirst = 200;  // 200 + 20 x port + ...
inline constexpr int kIncomingMidiLast = 200 + 20 * 7 + 17;

inline constexpr int kHelpTopics = 360;
inline constexpr int kHelpContents = 361;
inline constexpr int kHelpSearch = 362;
inline constexpr int kHowToUseHelp = 363;
inline constexpr int kAbout = 364;

}  // namespace ostinel::command
