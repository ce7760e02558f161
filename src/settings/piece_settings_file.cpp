#include "settings/piece_settings_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "sequence/midi_file_writer.h"
#include "sequence/smf_codec.h"
#include "settings/byte_fields.h"

namespace ostinel {

namespace {

using namespace settings_bytes;

constexpr std::array<std::uint8_t, 3> kEventStart{0x00, 0xFF, 0x7F};
constexpr std::array<std::uint8_t, 5> kEventTag{0x00, 0x6B, 0x3D, 0x04, 0x00};
constexpr std::size_t kChunkHeaderBytes = 8;

bool Matches(std::span<const std::uint8_t> file, std::size_t at,
             std::span<const std::uint8_t> expected) {
    return at <= file.size() && file.size() - at >= expected.size() &&
           std::equal(expected.begin(), expected.end(),
                      file.begin() + static_cast<std::ptrdiff_t>(at));
}

bool MatchesTag(std::span<const std::uint8_t> file, std::size_t at, std::string_view tag) {
    const std::array<std::uint8_t, 4> bytes{
        static_cast<std::uint8_t>(tag[0]), static_cast<std::uint8_t>(tag[1]),
        static_cast<std::uint8_t>(tag[2]), static_cast<std::uint8_t>(tag[3])};
    return Matches(file, at, bytes);
}

struct FirstTrack {
    std::size_t lengthAt = 0;
    std::size_t firstEventAt = 0;
};

std::optional<FirstTrack> FindFirstTrack(std::span<const std::uint8_t> file) {
    if (!MatchesTag(file, 0, "MThd") || file.size() < kChunkHeaderBytes) return std::nullopt;
    const std::uint32_t headerLength = GetBe32(file, 4);
    if (headerLength > file.size() - kChunkHeaderBytes) return std::nullopt;
    const std::size_t trackAt = kChunkHeaderBytes + headerLength;
    if (!MatchesTag(file, trackAt, "MTrk") || file.size() - trackAt < kChunkHeaderBytes) {
        return std::nullopt;
    }
    return FirstTrack{trackAt + 4, trackAt + kChunkHeaderBytes};
}

struct SettingsEvent {
    std::size_t blobAt = 0;
    std::uint32_t blobSize = 0;
};

// The settings event at `at` when its start, tag, version and size all
// match; a blob that runs past the end of the file still counts as found.
std::optional<SettingsEvent> FindSettingsEvent(std::span<const std::uint8_t> file, std::size_t at) {
    if (!Matches(file, at, kEventStart)) return std::nullopt;
    std::size_t p = at + kEventStart.size();
    const std::optional<std::uint32_t> length = DecodeVariableLength(file, p);
    if (!length) return std::nullopt;
    const std::uint32_t quantity = *length;
    if (!Matches(file, p, kEventTag)) return std::nullopt;
    p += kEventTag.size();
    if (file.size() - p < 8 || quantity < kEventTag.size()) return std::nullopt;
    if (GetBe32(file, p) != kPieceSettingsStoreVersion) return std::nullopt;
    const std::uint32_t size = GetBe32(file, p + 4);
    if (size != quantity - kEventTag.size()) return std::nullopt;
    return SettingsEvent{p, size};
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 64 * 1024> buffer;
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        bytes.insert(bytes.end(), buffer.begin(),
                     buffer.begin() + static_cast<std::ptrdiff_t>(got));
        if (bytes.size() > kMaxPieceFileBytes) ok = false;
        if (got < buffer.size() || !ok) break;
    }
    if (std::ferror(file) != 0) ok = false;
    std::fclose(file);
    if (!ok) return std::nullopt;
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> EncodePieceSettingsEvent(const PieceSettingsStore& store) {
    const std::span<const std::uint8_t> blob = store.Bytes();
    std::vector<std::uint8_t> event(kEventStart.begin(), kEventStart.end());
    AppendVariableLength(event, static_cast<std::uint32_t>(blob.size() + kEventTag.size()));
    event.insert(event.end(), kEventTag.begin(), kEventTag.end());
    event.insert(event.end(), blob.begin(), blob.end());
    return event;
}

std::optional<PieceSettingsStore> FindPieceSettingsStore(std::span<const std::uint8_t> file) {
    const auto track = FindFirstTrack(file);
    if (!track) return std::nullopt;
    const auto event = FindSettingsEvent(file, track->firstEventAt);
    if (!event || event->blobSize > file.size() - event->blobAt) return PieceSettingsStore();
    const auto blob = file.subspan(event->blobAt, event->blobSize);
    return PieceSettingsStore::FromBytes({blob.begin(), blob.end()}).value_or(PieceSettingsStore());
}

std::optional<std::vector<std::uint8_t>> ReplacePieceSettingsEvent(
    std::span<const std::uint8_t> file, const PieceSettingsStore& store) {
    const auto track = FindFirstTrack(file);
    if (!track) return std::nullopt;
    std::size_t oldEnd = track->firstEventAt;
    if (const auto event = FindSettingsEvent(file, track->firstEventAt)) {
        // An event cut short by the end of the file is replaced as far as it goes.
        oldEnd =
            event->blobAt + std::min<std::size_t>(event->blobSize, file.size() - event->blobAt);
    }
    const std::vector<std::uint8_t> event = EncodePieceSettingsEvent(store);
    std::vector<std::uint8_t> out;
    out.reserve(file.size() - (oldEnd - track->firstEventAt) + event.size());
    out.insert(out.end(), file.begin(),
               file.begin() + static_cast<std::ptrdiff_t>(track->firstEventAt));
    out.insert(out.end(), event.begin(), event.end());
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(oldEnd), file.end());
    // The track length moves by the difference, wrapping as a u32 field does.
    const std::uint32_t delta = static_cast<std::uint32_t>(event.size()) -
                                static_cast<std::uint32_t>(oldEnd - track->firstEventAt);
    PutBe32(out, track->lengthAt, GetBe32(out, track->lengthAt) + delta);
    return out;
}

std::optional<PieceSettingsStore> ReadPieceSettingsStore(const std::string& path) {
    const auto file = ReadWholeFile(path);
    if (!file) return std::nullopt;
    return FindPieceSettingsStore(*file);
}

bool WritePieceSettingsStore(const std::string& path, const PieceSettingsStore& store) {
    std::error_code error;
    // Through a link, the file it names is the one to change.
    std::filesystem::path target = std::filesystem::canonical(path, error);
    if (error) return false;
    const auto file = ReadWholeFile(target.string());
    if (!file) return false;
    const auto changed = ReplacePieceSettingsEvent(*file, store);
    if (!changed) return false;
    // A file the user cannot write to stays untouched, even in a folder he can write to.
    std::FILE* writable = std::fopen(target.c_str(), "r+b");
    if (writable == nullptr) return false;
    std::fclose(writable);
    const auto permissions = std::filesystem::status(target, error).permissions();
    std::string ignoredReason;
    if (!WriteMidiFile(target.string(), *changed, ignoredReason)) return false;
    if (!error) std::filesystem::permissions(target, permissions, error);
    return true;
}

bool StorePieceSettings(const std::string& path, int slot, std::optional<std::string_view> name,
                        const PieceSettingsEntry& current) {
    if (path.empty()) return true;
    std::optional<PieceSettingsStore> store = ReadPieceSettingsStore(path);
    if (!store) return false;
    if (!WritePieceSettingsEntry(*store, slot, name, current)) return false;
    return WritePieceSettingsStore(path, *store);
}

}  // namespace ostinel
