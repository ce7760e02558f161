#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace ostinel::platform {

// Writes a 16-bit stereo PCM WAV file whose length is known before the first
// sample. A file that is not finished is removed, so a failed rendering never
// leaves a truncated file that looks whole.
class WavWriter {
  public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // False with `error` in plain words when the file cannot be made or the
    // length does not fit a WAV file's 32-bit sizes (about 6.7 hours).
    bool Open(const std::string& path, std::uint64_t frames, int sampleRate, std::string& error);
    // Left and right samples alternating.
    bool Write(std::span<const std::int16_t> interleaved, std::string& error);
    bool Finish(std::string& error);
    // The errno of the last failure (0: none, or a length that does not fit).
    int ErrorNumber() const { return errorNumber_; }
    // Whether the file itself could not be made, as against written.
    bool OpenFailed() const { return openFailed_; }

  private:
    // `errorNumber` is the errno of the failing call, or 0 when there is none.
    bool Failed(std::string& error, int errorNumber);

    std::FILE* file_ = nullptr;
    std::string path_;
    std::uint64_t framesLeft_ = 0;
    int errorNumber_ = 0;
    bool openFailed_ = false;
};

}  // namespace ostinel::platform
