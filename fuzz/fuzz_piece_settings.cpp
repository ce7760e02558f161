// Feeds arbitrary bytes, as a MIDI file, to the reader of the piece settings
// stored inside it. Besides crashes, hangs and leaks, it stops on an entry
// read back with a value out of range, and on a store that does not survive
// being written into the file and read again.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "settings/piece_settings_file.h"
#include "settings/settings_ranges.h"

namespace {

using namespace ostinel;

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckEntry(const PieceSettingsEntry& entry) {
    PieceSettings settings = entry.settings;
    KeepPieceSettingsInRange(settings);
    Require(settings == entry.settings);
    for (const TrackSettingsBlock& track : entry.tracks) {
        TrackSettingsBlock kept = track;
        KeepTrackSettingsBlockInRange(kept);
        Require(kept == track);
        Require(track.name.size() <= kMaxStoredNameLength);
    }
    Require(entry.displayName.size() <= kMaxStoredNameLength);
    for (const auto* markers : {&entry.markers.rehearsalPoints, &entry.markers.waitForSoloist,
                                &entry.markers.waitForSignal, &entry.markers.restoreTempo})
        for (const ScorePosition marker : *markers)
            Require(marker >= ScorePosition{});
    for (const ScoreRange& range : entry.markers.ignoreSoloist)
        Require(range.start >= ScorePosition{} && range.start <= range.end);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const std::optional<PieceSettingsStore> store = FindPieceSettingsStore(file);
    if (!store) return 0;
    for (int slot = 0; slot < 5; ++slot) {
        if (const auto entry = ReadPieceSettingsEntry(*store, slot)) CheckEntry(*entry);
    }
    const auto rewritten = ReplacePieceSettingsEvent(file, *store);
    Require(rewritten.has_value());
    const auto again = FindPieceSettingsStore(*rewritten);
    Require(again.has_value());
    const auto before = store->Bytes();
    const auto after = again->Bytes();
    Require(std::equal(before.begin(), before.end(), after.begin(), after.end()));
    return 0;
}
