#pragma once

// The piece's stored settings: a blob of five named slots (slot 0 holds the
// current settings that Revert brings back) and the data blocks they refer
// to. The blob is held in its file byte order throughout, big-endian except
// where a record says otherwise, so what is read is what is written back.
//
//   0    u32 version 0x00040000
//   4    u32 blob size, header included
//   8    five entries of 168 bytes:
//          0  u8 name length (0 = empty slot), 1  31 name bytes,
//          32 PieceSettings (80 bytes),
//          112 seven (u32 offset, u32 length) pairs, one per PieceBlock
//   848  data blocks, each referred to by offset from the blob's start

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "follower/special_markers.h"
#include "settings/settings_records.h"

namespace ostinel {

inline constexpr std::uint32_t kPieceSettingsStoreVersion = 0x00040000;
inline constexpr int kPieceSettingsSlotCount = 5;
inline constexpr std::size_t kPieceSettingsEntryBytes = 168;
inline constexpr std::size_t kPieceSettingsHeaderBytes = 8 + 5 * kPieceSettingsEntryBytes;
inline constexpr std::size_t kMaxSlotNameLength = 31;
// A blob must fit a four-byte length quantity together with the five bytes before it.
inline constexpr std::size_t kMaxPieceSettingsStoreBytes = 0x0FFFFFFF - 5;

// The data blocks of an entry, in the order of their (offset, length) pairs.
enum class PieceBlock {
    Tracks,           // one TrackSettingsBlock per track
    DisplayName,      // length byte and characters; absent when there is none
    RehearsalPoints,  // u32 each
    WaitForSoloist,
    WaitForSignal,
    RestoreTempo,
    IgnoreSoloist,  // (u32 start, u32 end) each
};
inline constexpr int kPieceBlockCount = 7;

// One slot's contents with named fields.
struct PieceSettingsEntry {
    PieceSettings settings;
    std::vector<TrackSettingsBlock> tracks;
    std::string displayName;
    SpecialMarkers markers;
};

struct PieceBlockRef {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

class PieceSettingsStore {
  public:
    // Version, size 848, five empty slots, no blocks.
    PieceSettingsStore();

    // None unless the version is ours, the size field equals the byte count
    // and the five entries fit.
    static std::optional<PieceSettingsStore> FromBytes(std::vector<std::uint8_t> bytes);

    std::span<const std::uint8_t> Bytes() const { return bytes_; }

    // Slots 0-4; an empty name means an empty slot.
    std::string SlotName(int slot) const;
    bool SlotUsed(int slot) const;
    // Cut to 31 characters.
    void SetSlotName(int slot, std::string_view name);

    PieceSettings Settings(int slot) const;
    void SetSettings(int slot, const PieceSettings& settings);

    PieceBlockRef Block(int slot, PieceBlock block) const;
    // The block's bytes; none when it reaches outside the blob.
    std::optional<std::span<const std::uint8_t>> BlockBytes(int slot, PieceBlock block) const;

    // Drops the block: every later block moves down over it, every offset
    // behind it in all five entries follows, and the entry's reference
    // becomes (0, 0). A reference outside the blob is only cleared.
    void RemoveBlock(int slot, PieceBlock block);
    // RemoveBlock, then `data` appended at the end as the slot's block (none
    // when empty). False, and nothing changed, when the blob would grow too long.
    bool ReplaceBlock(int slot, PieceBlock block, std::span<const std::uint8_t> data);

    // Empties the slot and moves the slots after it down one place, so the
    // last slot comes out empty.
    void RemoveSlot(int slot);

  private:
    explicit PieceSettingsStore(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::size_t EntryAt(int slot) const;
    void SetBlock(int slot, PieceBlock block, PieceBlockRef ref);
    void SetSize(std::size_t size);

    std::vector<std::uint8_t> bytes_;
};

// The slot's contents; none when the slot is empty or one of its blocks is
// damaged (outside the blob, or not a whole number of records).
std::optional<PieceSettingsEntry> ReadPieceSettingsEntry(const PieceSettingsStore& store, int slot);

// Fills slot `slot` with `entry`: slot 0 is always named " ", another slot
// takes `name` when one is given and keeps its name otherwise. False, and
// the store unchanged, when the blob would grow too long.
bool WritePieceSettingsEntry(PieceSettingsStore& store, int slot,
                             std::optional<std::string_view> name, const PieceSettingsEntry& entry);

}  // namespace ostinel
