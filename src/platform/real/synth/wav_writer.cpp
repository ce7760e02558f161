#include "platform/real/synth/wav_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

namespace ostinel::platform {
namespace {

constexpr int kChannels = 2;
constexpr int kBytesPerSample = 2;
constexpr int kBytesPerFrame = kChannels * kBytesPerSample;
constexpr std::uint64_t kHeaderBytes = 44;

// RIFF sizes are little-endian whatever the machine.
void PutU32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void PutU16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

// RIFF header, "fmt " chunk for PCM, then the "data" chunk's header.
std::array<std::uint8_t, kHeaderBytes> Header(std::uint32_t dataBytes, int sampleRate) {
    std::array<std::uint8_t, kHeaderBytes> h{};
    std::memcpy(&h[0], "RIFF", 4);
    PutU32(&h[4], static_cast<std::uint32_t>(kHeaderBytes - 8) + dataBytes);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    PutU32(&h[16], 16);  // fmt chunk size
    PutU16(&h[20], 1);   // PCM
    PutU16(&h[22], kChannels);
    PutU32(&h[24], static_cast<std::uint32_t>(sampleRate));
    PutU32(&h[28], static_cast<std::uint32_t>(sampleRate * kBytesPerFrame));
    PutU16(&h[32], kBytesPerFrame);
    PutU16(&h[34], 8 * kBytesPerSample);
    std::memcpy(&h[36], "data", 4);
    PutU32(&h[40], dataBytes);
    return h;
}

}  // namespace

WavWriter::~WavWriter() {
    if (file_ == nullptr) return;
    std::fclose(file_);
    std::remove(path_.c_str());
}

bool WavWriter::Open(const std::string& path, std::uint64_t frames, int sampleRate,
                     std::string& error) {
    const std::uint64_t dataBytes = frames * kBytesPerFrame;
    if (dataBytes > std::numeric_limits<std::uint32_t>::max() - kHeaderBytes) {
        error = "The piece is too long for a WAV file (about 6 hours at most).";
        errorNumber_ = EFBIG;
        return false;
    }
    path_ = path;
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) {
        openFailed_ = true;
        return Failed(error, errno);
    }
    const auto header = Header(static_cast<std::uint32_t>(dataBytes), sampleRate);
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        return Failed(error, errno);
    }
    framesLeft_ = frames;
    return true;
}

bool WavWriter::Write(std::span<const std::int16_t> interleaved, std::string& error) {
    const std::size_t frames = interleaved.size() / kChannels;
    if (file_ == nullptr || frames > framesLeft_) return Failed(error, 0);
    std::array<std::uint8_t, 4096> bytes;
    std::size_t done = 0;
    while (done < interleaved.size()) {
        const std::size_t count = std::min(interleaved.size() - done, bytes.size() / 2);
        for (std::size_t i = 0; i < count; ++i) {
            PutU16(&bytes[2 * i], static_cast<std::uint16_t>(interleaved[done + i]));
        }
        if (std::fwrite(bytes.data(), 2, count, file_) != count) return Failed(error, errno);
        done += count;
    }
    framesLeft_ -= frames;
    return true;
}

bool WavWriter::Finish(std::string& error) {
    if (file_ == nullptr || framesLeft_ != 0) return Failed(error, 0);
    int problem = std::fflush(file_) == 0 ? 0 : errno;
    if (std::fclose(file_) != 0 && problem == 0) problem = errno;
    file_ = nullptr;
    if (problem == 0) return true;
    std::remove(path_.c_str());
    return Failed(error, problem);
}

bool WavWriter::Failed(std::string& error, int errorNumber) {
    errorNumber_ = errorNumber;
    error = "The WAV file " + path_ + " could not be written";
    if (errorNumber != 0) error += std::string(" (") + std::strerror(errorNumber) + ")";
    error += ".";
    return false;
}

}  // namespace ostinel::platform
