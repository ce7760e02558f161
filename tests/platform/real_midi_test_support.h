#pragma once

// Helpers shared by the tests of the real MIDI devices: private temporary
// folders, the installed SoundFont, and reading back the WAV files we write.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/real/synth/sound_font_search.h"

namespace ostinel::platform::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ostinel-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Writes `contents` to `relative`, making the folders on the way.
    std::filesystem::path Write(const std::string& relative, const std::string& contents = "x") {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << contents;
        return file;
    }

  private:
    std::filesystem::path path_;
};

// The General MIDI SoundFont of this machine, or empty when none is installed.
inline std::filesystem::path InstalledSoundFont() {
    return FindSoundFont("", kSystemSoundsFolder).path;
}

struct WavContents {
    std::string riff;  // "RIFF" and "WAVE" when the header is right
    std::string wave;
    std::uint32_t riffSize = 0;
    std::uint16_t format = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t dataSize = 0;
    std::uint64_t fileSize = 0;
    std::vector<std::int16_t> samples;  // left and right alternating

    std::size_t Frames() const { return samples.size() / 2; }
    std::int16_t Left(std::size_t frame) const { return samples[2 * frame]; }
};

// Reads a little-endian PCM WAV file chunk by chunk, as a player would.
inline WavContents ReadWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    WavContents wav;
    wav.fileSize = bytes.size();
    if (bytes.size() < 12) return wav;
    auto u16 = [&](std::size_t at) {
        return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    };
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(u16(at) |
                                          (static_cast<std::uint32_t>(u16(at + 2)) << 16));
    };
    wav.riff.assign(bytes.begin(), bytes.begin() + 4);
    wav.riffSize = u32(4);
    wav.wave.assign(bytes.begin() + 8, bytes.begin() + 12);
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
        const std::uint32_t size = u32(at + 4);
        const std::size_t body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            wav.format = u16(body);
            wav.channels = u16(body + 2);
            wav.sampleRate = u32(body + 4);
            wav.byteRate = u32(body + 8);
            wav.blockAlign = u16(body + 12);
            wav.bitsPerSample = u16(body + 14);
        } else if (id == "data") {
            wav.dataSize = size;
            for (std::size_t i = body; i + 1 < bytes.size() && i < body + size; i += 2) {
                wav.samples.push_back(static_cast<std::int16_t>(u16(i)));
            }
        }
        at = body + size + (size & 1);
    }
    return wav;
}

}  // namespace ostinel::platform::testing
