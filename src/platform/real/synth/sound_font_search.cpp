#include "platform/real/synth/sound_font_search.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

namespace ostinel::platform {
namespace {

namespace fs = std::filesystem;

// Follows symbolic links, so a dangling Debian alternative is not a file.
bool IsFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool HasSoundFontExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".sf2" || extension == ".sf3";
}

fs::path FirstSoundFontBelow(const fs::path& root) {
    std::vector<fs::path> found;
    std::error_code error;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (HasSoundFontExtension(it->path()) && IsFile(it->path())) found.push_back(it->path());
    }
    if (found.empty()) return {};
    return *std::min_element(found.begin(), found.end());
}

fs::path SearchSystem(const fs::path& root) {
    for (const char* known : {"sf2/default-GM.sf2", "sf3/default-GM.sf3"}) {
        if (IsFile(root / known)) return root / known;
    }
    return FirstSoundFontBelow(root);
}

}  // namespace

SoundFontChoice FindSoundFont(const std::string& named, const fs::path& soundsRoot) {
    SoundFontChoice choice;
    if (!named.empty()) {
        if (IsFile(named)) {
            choice.path = named;
            return choice;
        }
        choice.path = SearchSystem(soundsRoot);
        choice.notice = "The SoundFont " + named + " was not found";
        choice.notice +=
            choice.path.empty() ? "." : "; using " + choice.path.string() + " instead.";
        return choice;
    }
    choice.path = SearchSystem(soundsRoot);
    return choice;
}

}  // namespace ostinel::platform
