#include "settings/piece_settings_store.h"

#include <algorithm>
#include <utility>

#include "settings/byte_fields.h"
#include "settings/settings_ranges.h"

namespace ostinel {

namespace {

using namespace settings_bytes;

constexpr std::size_t kVersionAt = 0;
constexpr std::size_t kSizeAt = 4;
constexpr std::size_t kEntriesAt = 8;
constexpr std::size_t kNameLengthAt = 0;
constexpr std::size_t kNameAt = 1;
constexpr std::size_t kSettingsAt = 32;
constexpr std::size_t kBlocksAt = 112;

static_assert(kSettingsAt + kPieceSettingsBytes == kBlocksAt);
static_assert(kBlocksAt + 8 * kPieceBlockCount == kPieceSettingsEntryBytes);
static_assert(kPieceSettingsHeaderBytes == 848);

std::size_t BlockIndex(PieceBlock block) {
    return static_cast<std::size_t>(block);
}

}  // namespace

PieceSettingsStore::PieceSettingsStore() : bytes_(kPieceSettingsHeaderBytes, 0) {
    PutBe32(bytes_, kVersionAt, kPieceSettingsStoreVersion);
    SetSize(bytes_.size());
}

std::optional<PieceSettingsStore> PieceSettingsStore::FromBytes(std::vector<std::uint8_t> bytes) {
    if (bytes.size() < kPieceSettingsHeaderBytes || bytes.size() > kMaxPieceSettingsStoreBytes) {
        return std::nullopt;
    }
    if (GetBe32(bytes, kVersionAt) != kPieceSettingsStoreVersion) return std::nullopt;
    if (GetBe32(bytes, kSizeAt) != bytes.size()) return std::nullopt;
    return PieceSettingsStore(std::move(bytes));
}

std::size_t PieceSettingsStore::EntryAt(int slot) const {
    return kEntriesAt + static_cast<std::size_t>(slot) * kPieceSettingsEntryBytes;
}

std::string PieceSettingsStore::SlotName(int slot) const {
    const std::size_t at = EntryAt(slot);
    const std::size_t length =
        std::min<std::size_t>(bytes_[at + kNameLengthAt], kMaxSlotNameLength);
    const auto name = std::span<const std::uint8_t>(bytes_).subspan(at + kNameAt, length);
    return std::string(name.begin(), name.end());
}

bool PieceSettingsStore::SlotUsed(int slot) const {
    return bytes_[EntryAt(slot) + kNameLengthAt] != 0;
}

void PieceSettingsStore::SetSlotName(int slot, std::string_view name) {
    name = name.substr(0, std::min(name.size(), kMaxSlotNameLength));
    const std::size_t at = EntryAt(slot);
    std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at + kNameAt), kMaxSlotNameLength, 0);
    bytes_[at + kNameLengthAt] = static_cast<std::uint8_t>(name.size());
    std::copy(name.begin(), name.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at + kNameAt));
}

PieceSettings PieceSettingsStore::Settings(int slot) const {
    const auto record = std::span<const std::uint8_t>(bytes_).subspan(EntryAt(slot) + kSettingsAt,
                                                                      kPieceSettingsBytes);
    return *DecodePieceSettings(record);
}

void PieceSettingsStore::SetSettings(int slot, const PieceSettings& settings) {
    const PieceSettingsBytes record = EncodePieceSettings(settings);
    std::copy(record.begin(), record.end(),
              bytes_.begin() + static_cast<std::ptrdiff_t>(EntryAt(slot) + kSettingsAt));
}

PieceBlockRef PieceSettingsStore::Block(int slot, PieceBlock block) const {
    const std::size_t at = EntryAt(slot) + kBlocksAt + 8 * BlockIndex(block);
    return {GetBe32(bytes_, at), GetBe32(bytes_, at + 4)};
}

void PieceSettingsStore::SetBlock(int slot, PieceBlock block, PieceBlockRef ref) {
    const std::size_t at = EntryAt(slot) + kBlocksAt + 8 * BlockIndex(block);
    PutBe32(bytes_, at, ref.offset);
    PutBe32(bytes_, at + 4, ref.length);
}

void PieceSettingsStore::SetSize(std::size_t size) {
    PutBe32(bytes_, kSizeAt, static_cast<std::uint32_t>(size));
}

std::optional<std::span<const std::uint8_t>> PieceSettingsStore::BlockBytes(
    int slot, PieceBlock block) const {
    const PieceBlockRef ref = Block(slot, block);
    if (ref.length == 0) return std::span<const std::uint8_t>();
    if (ref.offset < kPieceSettingsHeaderBytes || ref.offset > bytes_.size() ||
        ref.length > bytes_.size() - ref.offset) {
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(bytes_).subspan(ref.offset, ref.length);
}

void PieceSettingsStore::RemoveBlock(int slot, PieceBlock block) {
    const PieceBlockRef removed = Block(slot, block);
    if (removed.length == 0) return;
    SetBlock(slot, block, {});
    if (removed.offset < kPieceSettingsHeaderBytes || removed.offset > bytes_.size() ||
        removed.length > bytes_.size() - removed.offset) {
        return;
    }
    for (int other = 0; other < kPieceSettingsSlotCount; ++other) {
        for (int index = 0; index < kPieceBlockCount; ++index) {
            const auto each = static_cast<PieceBlock>(index);
            PieceBlockRef ref = Block(other, each);
            if (ref.offset > removed.offset) {
                ref.offset -= removed.length;
                SetBlock(other, each, ref);
            }
        }
    }
    const auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(removed.offset);
    bytes_.erase(first, first + static_cast<std::ptrdiff_t>(removed.length));
    SetSize(bytes_.size());
}

bool PieceSettingsStore::ReplaceBlock(int slot, PieceBlock block,
                                      std::span<const std::uint8_t> data) {
    const PieceBlockRef old = Block(slot, block);
    const std::size_t kept = bytes_.size() - std::min<std::size_t>(old.length, bytes_.size());
    if (data.size() > kMaxPieceSettingsStoreBytes - kept) return false;
    RemoveBlock(slot, block);
    if (data.empty()) return true;
    const std::size_t offset = bytes_.size();
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    SetBlock(slot, block,
             {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(data.size())});
    SetSize(bytes_.size());
    return true;
}

void PieceSettingsStore::RemoveSlot(int slot) {
    for (int index = 0; index < kPieceBlockCount; ++index)
        RemoveBlock(slot, static_cast<PieceBlock>(index));
    const auto entry = [this](int which) {
        return bytes_.begin() + static_cast<std::ptrdiff_t>(EntryAt(which));
    };
    std::copy(entry(slot + 1), entry(kPieceSettingsSlotCount), entry(slot));
    std::fill(entry(kPieceSettingsSlotCount - 1), entry(kPieceSettingsSlotCount), 0);
}

std::optional<PieceSettingsEntry> ReadPieceSettingsEntry(const PieceSettingsStore& store,
                                                         int slot) {
    if (!store.SlotUsed(slot)) return std::nullopt;
    PieceSettingsEntry entry;
    entry.settings = store.Settings(slot);
    const auto block = [&](PieceBlock which) { return store.BlockBytes(slot, which); };
    const auto tracks = block(PieceBlock::Tracks);
    const auto name = block(PieceBlock::DisplayName);
    const auto rehearsal = block(PieceBlock::RehearsalPoints);
    const auto waitSoloist = block(PieceBlock::WaitForSoloist);
    const auto waitSignal = block(PieceBlock::WaitForSignal);
    const auto restore = block(PieceBlock::RestoreTempo);
    const auto ignore = block(PieceBlock::IgnoreSoloist);
    if (!tracks || !name || !rehearsal || !waitSoloist || !waitSignal || !restore || !ignore) {
        return std::nullopt;
    }
    auto trackBlocks = DecodeTrackSettingsBlocks(*tracks);
    auto displayName = DecodeDisplayName(*name);
    auto rehearsalPoints = DecodeMarkerList(*rehearsal);
    auto waitForSoloist = DecodeMarkerList(*waitSoloist);
    auto waitForSignal = DecodeMarkerList(*waitSignal);
    auto restoreTempo = DecodeMarkerList(*restore);
    auto ignoreSoloist = DecodeIgnoreRanges(*ignore);
    if (!trackBlocks || !displayName || !rehearsalPoints || !waitForSoloist || !waitForSignal ||
        !restoreTempo || !ignoreSoloist) {
        return std::nullopt;
    }
    entry.tracks = std::move(*trackBlocks);
    entry.displayName = std::move(*displayName);
    entry.markers.rehearsalPoints = std::move(*rehearsalPoints);
    entry.markers.waitForSoloist = std::move(*waitForSoloist);
    entry.markers.waitForSignal = std::move(*waitForSignal);
    entry.markers.restoreTempo = std::move(*restoreTempo);
    entry.markers.ignoreSoloist = std::move(*ignoreSoloist);
    // The file may hold anything: every value in range before anyone uses it.
    KeepPieceSettingsInRange(entry.settings);
    for (TrackSettingsBlock& track : entry.tracks)
        KeepTrackSettingsBlockInRange(track);
    for (std::vector<ScorePosition>* markers :
         {&entry.markers.rehearsalPoints, &entry.markers.waitForSoloist,
          &entry.markers.waitForSignal, &entry.markers.restoreTempo})
        KeepMarkersInRange(*markers);
    KeepIgnoreRangesInRange(entry.markers.ignoreSoloist);
    return entry;
}

bool WritePieceSettingsEntry(PieceSettingsStore& store, int slot,
                             std::optional<std::string_view> name,
                             const PieceSettingsEntry& entry) {
    PieceSettingsStore next = store;
    if (slot == 0) {
        next.SetSlotName(slot, " ");
    } else if (name) {
        next.SetSlotName(slot, *name);
    }
    next.SetSettings(slot, entry.settings);
    const SpecialMarkers& markers = entry.markers;
    const bool replaced =
        next.ReplaceBlock(slot, PieceBlock::Tracks, EncodeTrackSettingsBlocks(entry.tracks)) &&
        next.ReplaceBlock(slot, PieceBlock::DisplayName, EncodeDisplayName(entry.displayName)) &&
        next.ReplaceBlock(slot, PieceBlock::RehearsalPoints,
                          EncodeMarkerList(markers.rehearsalPoints)) &&
        next.ReplaceBlock(slot, PieceBlock::WaitForSoloist,
                          EncodeMarkerList(markers.waitForSoloist)) &&
        next.ReplaceBlock(slot, PieceBlock::WaitForSignal,
                          EncodeMarkerList(markers.waitForSignal)) &&
        next.ReplaceBlock(slot, PieceBlock::RestoreTempo, EncodeMarkerList(markers.restoreTempo)) &&
        next.ReplaceBlock(slot, PieceBlock::IgnoreSoloist,
                          EncodeIgnoreRanges(markers.ignoreSoloist));
    if (!replaced) return false;
    store = std::move(next);
    return true;
}

}  // namespace ostinel
