#pragma once

// Ids of the texts in resources/strings.tsv that code asks for by name. A
// list of choices is named by its first id; the others follow in order.
namespace ostinel::string_id {

inline constexpr int kApplicationTitle = 1001;
inline constexpr int kHelpFileName = 1002;
inline constexpr int kMidiFileFilterName = 1003;
inline constexpr int kMidiFileFilterPattern = 1004;
inline constexpr int kChannelPrefix = 1005;
inline constexpr int kScoreFileFilterName = 1006;
inline constexpr int kScoreFileFilterPattern = 1007;
inline constexpr int kPieceFileFilterName = 1008;  // MIDI files and scores together

// Messages. 2021 or 2022, the device's name and 2023 make one message.
inline constexpr int kHelpFileMissing = 2001;
inline constexpr int kMemoryProblem = 2003;
inline constexpr int kWrongFormat = 2004;
inline constexpr int kLoadFailed = 2005;
inline constexpr int kQuitAfterProblems = 2006;
inline constexpr int kCannotLoadSettings = 2007;
inline constexpr int kCannotSaveSettings = 2008;
inline constexpr int kCannotRevertSettings = 2009;
inline constexpr int kRecordingFull = 2012;
inline constexpr int kNothingToFollow = 2024;
inline constexpr int kFileNotFound = 2013;
inline constexpr int kNoMidiData = 2014;
inline constexpr int kSeriousProblem = 2015;
inline constexpr int kCannotKeepRevertPoint = 2016;
inline constexpr int kCannotSaveFile = 2017;
inline constexpr int kOneFileAtATime = 2019;
inline constexpr int kTooFewColours = 2020;
inline constexpr int kInputDeviceInUsePrefix = 2021;
inline constexpr int kOutputDeviceInUsePrefix = 2022;
inline constexpr int kDeviceInUseSuffix = 2023;
// Scores in MusicXML that cannot be opened.
inline constexpr int kNotXml = 2030;
inline constexpr int kNotMusicXml = 2031;
inline constexpr int kTimewiseScore = 2032;
inline constexpr int kDamagedArchive = 2033;
inline constexpr int kMissingRootFile = 2034;
inline constexpr int kMeasureDoesNotAddUp = 2035;
inline constexpr int kNoteWithoutDuration = 2036;
inline constexpr int kScoreTooLarge = 2037;
// Render to Audio File: why no audio file was written.
inline constexpr int kAudioFolderUnwritable = 2040;
inline constexpr int kAudioDiskFull = 2041;
inline constexpr int kAudioNoSoundFont = 2042;
inline constexpr int kAudioWriteFailed = 2043;
inline constexpr int kAudioTooLong = 2044;

inline constexpr int kHelpTopicsItem = 3001;
inline constexpr int kHelpContentsItem = 3002;
inline constexpr int kHelpSearchItem = 3003;
inline constexpr int kHowToUseHelpItem = 3004;

inline constexpr int kFirstTimingLevel = 5000;  // Highest .. None
inline constexpr int kFirstVolumeLevel = 5010;  // High .. None
inline constexpr int kFirstFrameRate = 5014;    // 24 fps .. 30 fps (no drop frame)
inline constexpr int kSameAsInput = 5018;
inline constexpr int kFirstPatchKind = 5019;  // No Change .. kind 5
inline constexpr int kAllAvailablePorts = 5025;
inline constexpr int kFirstPerformancePlayMode = 5026;   // Punch-In .. Only the Following Track
inline constexpr int kFirstTempoBeforePerformed = 5030;  // two choices
inline constexpr int kFirstTempoDuringPerformed = 5032;  // two choices
inline constexpr int kFirstTempoAfterPerformed = 5034;   // three choices

// Confirmations: prefix, the settings name, then kConfirmSettingsSuffix.
inline constexpr int kConfirmReplaceSettings = 6001;
inline constexpr int kConfirmSettingsSuffix = 6002;
inline constexpr int kConfirmRemoveSettings = 6003;

inline constexpr int kDisplayFontFace = 6006;
inline constexpr int kPlusSign = 6007;
inline constexpr int kTrackNamePrefix = 6008;
inline constexpr int kPerformanceFilePrefix = 6010;
inline constexpr int kConfirmMidiReset = 6012;
inline constexpr int kFirstPortName = 6027;  // "&A--" .. "&H--"
inline constexpr int kPerformanceTrackName = 6035;
inline constexpr int kSaveScoreAsMidiFirst = 6040;

// kNoKeySignature, then the key index (0..29) added to kFirstKeyName.
inline constexpr int kNoKeySignature = 7000;
inline constexpr int kFirstKeyName = 7001;

}  // namespace ostinel::string_id
