#pragma once

#include <filesystem>
#include <string>

namespace ostinel::platform {

// Where Debian's SoundFont packages put their files.
inline constexpr const char* kSystemSoundsFolder = "/usr/share/sounds";

struct SoundFontChoice {
    std::filesystem::path path;  // empty when no SoundFont was found
    std::string notice;          // plain words when a named file could not be used
};

// main thread. The file the user named when it exists; otherwise, under
// `soundsRoot`, sf2/default-GM.sf2, then sf3/default-GM.sf3, then the first
// .sf2 or .sf3 file anywhere below it in path order.
SoundFontChoice FindSoundFont(const std::string& named, const std::filesystem::path& soundsRoot);

}  // namespace ostinel::platform
