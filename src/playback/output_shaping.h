#pragma once

#include <cstdint>
#include <optional>

// What the per-track and master settings do to each message on its way out.
// Volumes are 256 = 100 % (signed 16 as stored); transpositions are in
// half-steps.

namespace ostinel {

// `FollowVolume` while the soloist's dynamics are not followed: 256 leaves
// velocities as they are.
inline constexpr std::int16_t kUnchangedFollowVolume = 256;

// The velocity a note-on of the piece goes out with, or nothing when the
// track or the master volume is 0 (the note is not sent at all). Fast
// forward halves it, rounding up. Always 1-127 when sent.
// any thread
std::optional<std::uint8_t> ShapeNoteOnVelocity(std::int16_t trackVolume, std::uint8_t velocity,
                                                std::int16_t masterVolume,
                                                std::int16_t followVolume, bool fastForward);

// The velocity a held note is sounded with when playback starts in its middle
// (from the velocity kept for it); `quiet` during fast forward and preview
// quarters it, rounding to nearest. `FollowVolume` does not apply. 1-127.
// any thread
std::uint8_t ShapeChasedVelocity(std::int16_t trackVolume, std::int16_t storedVelocity,
                                 std::int16_t masterVolume, bool quiet);

// The key that sounds for a note-on, note-off or polyphonic pressure, or
// nothing when the transposition takes it outside 0-127 (the message is
// dropped).
// any thread
std::optional<std::uint8_t> SoundingKey(std::uint8_t key, std::int16_t trackTranspose,
                                        std::int16_t masterTranspose);

// `FollowVolume` after a dynamics report of the follower. `loudness` is the
// soloist's loudness relative to the expected, 16.16 (65536 = as expected);
// `level` 1-3 is how strongly it is followed (3 the most). Level 0 (volume
// following off) or any other level leaves `current` as it is. 0-512.
// any thread
std::int16_t FollowVolumeAfterReport(std::int16_t current, std::int32_t loudness, int level);

}  // namespace ostinel
