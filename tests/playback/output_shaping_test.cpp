#include "playback/output_shaping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace ostinel {
namespace {

struct NoteOnCase {
    std::int16_t trackVolume;
    std::uint8_t velocity;
    std::int16_t masterVolume;
    std::int16_t followVolume;
    bool fastForward;
    std::optional<std::uint8_t> expected;
};

TEST(NoteOnVelocity, Table) {
    const std::vector<NoteOnCase> cases = {
        {256, 100, 256, 256, false, 100},
        {256, 100, 128, 256, false, 50},
        {128, 100, 256, 256, false, 50},
        {300, 64, 200, 256, false, 59},  // 58.59 + 0.5, truncated
        {256, 100, 256, 128, false, 50},
        {256, 100, 256, 384, false, 127},  // 150
        {512, 100, 256, 256, false, 127},  // 200
        {512, 127, 512, 512, false, 127},
        {1, 100, 256, 256, false, 1},    // 0 after scaling
        {256, 100, 256, 0, false, 1},    // follow volume 0
        {256, 100, 256, 256, true, 50},  // fast forward halves
        {256, 99, 256, 256, true, 50},   // 49.5, rounded up
        {256, 1, 256, 256, true, 1},
        {256, 127, 256, 256, true, 64},
        {512, 127, 512, 256, true, 127},
        // Stored volumes reach 32767: the product is past 32 bits.
        {32767, 127, 32767, 256, false, 127},
        {32767, 1, 32767, 512, true, 127},
        // Silent volumes send no note at all.
        {0, 100, 256, 256, false, std::nullopt},
        {256, 100, 0, 256, false, std::nullopt},
        {0, 100, 0, 512, true, std::nullopt},
    };
    for (const NoteOnCase& c : cases) {
        EXPECT_EQ(ShapeNoteOnVelocity(c.trackVolume, c.velocity, c.masterVolume, c.followVolume,
                                      c.fastForward),
                  c.expected)
            << c.trackVolume << " " << int{c.velocity} << " " << c.masterVolume << " "
            << c.followVolume << (c.fastForward ? " ff" : "");
    }
}

TEST(NoteOnVelocity, UnchangedAtFullVolumes) {
    for (int velocity = 1; velocity <= 127; ++velocity) {
        EXPECT_EQ(ShapeNoteOnVelocity(256, static_cast<std::uint8_t>(velocity), 256,
                                      kUnchangedFollowVolume, false),
                  velocity);
        EXPECT_EQ(ShapeNoteOnVelocity(256, static_cast<std::uint8_t>(velocity), 256,
                                      kUnchangedFollowVolume, true),
                  (velocity + 1) / 2);
    }
}

struct ChasedCase {
    std::int16_t trackVolume;
    std::int16_t stored;
    std::int16_t masterVolume;
    bool quiet;
    std::uint8_t expected;
};

TEST(ChasedVelocity, Table) {
    const std::vector<ChasedCase> cases = {
        {256, 100, 256, false, 100}, {256, 100, 256, true, 25},
        {256, 101, 256, true, 25},  // 25.25
        {256, 102, 256, true, 26},  // 25.5, rounded up
        {256, 1, 256, true, 1},     // 0.25 → 0 → 1
        {256, 100, 128, false, 50},  {512, 100, 256, false, 127},
        {256, 127, 512, true, 64},  // 254 quartered
        {0, 100, 256, false, 1},     {32767, 127, 32767, false, 127},
    };
    for (const ChasedCase& c : cases) {
        EXPECT_EQ(ShapeChasedVelocity(c.trackVolume, c.stored, c.masterVolume, c.quiet), c.expected)
            << c.trackVolume << " " << c.stored << " " << c.masterVolume;
    }
}

struct KeyCase {
    std::uint8_t key;
    std::int16_t track;
    std::int16_t master;
    std::optional<std::uint8_t> expected;
};

TEST(SoundingKey, Table) {
    const std::vector<KeyCase> cases = {
        {100, 12, 12, 124},
        {110, 12, 12, std::nullopt},
        {103, 12, 12, 127},
        {104, 12, 12, std::nullopt},
        {60, 0, 0, 60},
        {0, 0, 0, 0},
        {127, 0, 0, 127},
        {5, -5, 0, 0},
        {5, -6, 0, std::nullopt},
        {5, 0, -6, std::nullopt},
        {60, -127, 127, 60},
        {60, 127, 127, std::nullopt},
        {0, -127, -127, std::nullopt},
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(SoundingKey(c.key, c.track, c.master), c.expected)
            << int{c.key} << " " << c.track << " " << c.master;
    }
}

struct DynamicsCase {
    std::int32_t loudness;
    int level;
    std::int16_t expected;
};

TEST(FollowVolume, FromADynamicsReport) {
    const std::vector<DynamicsCase> cases = {
        {65536, 1, 256},
        {65536, 2, 256},
        {65536, 3, 256},
        {131072, 1, 384},
        {131072, 2, 512},
        {131072, 3, 512},  // 768 clamped
        {32768, 1, 192},
        {32768, 2, 128},
        {32768, 3, 0},
        {0, 1, 128},
        {0, 3, 0},
        {-65536, 3, 0},
        {98304, 3, 512},
        {81920, 3, 384},
        // One unit below as expected: -1 shifts to -1, not 0.
        {65535, 1, 255},
        {65535, 3, 255},
        {65536 + 128, 3, 257},
        {65536 + 127, 3, 256},
        {std::numeric_limits<std::int32_t>::max(), 1, 512},
    };
    for (const DynamicsCase& c : cases) {
        EXPECT_EQ(FollowVolumeAfterReport(300, c.loudness, c.level), c.expected)
            << c.loudness << " level " << c.level;
    }
}

TEST(FollowVolume, LevelZeroLeavesItAsItIs) {
    EXPECT_EQ(FollowVolumeAfterReport(300, 131072, 0), 300);
    EXPECT_EQ(FollowVolumeAfterReport(256, 0, 0), 256);
    EXPECT_EQ(FollowVolumeAfterReport(300, 131072, 4), 300);
}

}  // namespace
}  // namespace ostinel
