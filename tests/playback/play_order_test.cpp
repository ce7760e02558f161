#include "playback/play_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace ostinel {
namespace {

PlayOrderKey Beat(ScorePosition due) {
    return PlayOrderKey{due, true, 0, 0};
}
PlayOrderKey Message(ScorePosition due, std::uint8_t status, std::uint8_t data2 = 0) {
    return PlayOrderKey{due, false, status, data2};
}

struct PairCase {
    PlayOrderKey a;
    PlayOrderKey b;
    bool aFirst;
};

TEST(PlayOrder, PairTable) {
    const std::vector<PairCase> cases = {
        // Earlier due time decides alone.
        {Message(ScorePosition{10}, 0x90, 64), Beat(ScorePosition{11}), true},
        {Beat(ScorePosition{11}), Message(ScorePosition{10}, 0x90, 64), false},
        // At one instant the beat first.
        {Beat(ScorePosition{10}), Message(ScorePosition{10}, 0x80), true},
        {Message(ScorePosition{10}, 0x80), Beat(ScorePosition{10}), false},
        // Then note-offs, either form, with or without a channel.
        {Message(ScorePosition{10}, 0x80, 40), Message(ScorePosition{10}, 0xB0, 7), true},
        {Message(ScorePosition{10}, 0x90, 0), Message(ScorePosition{10}, 0xB0, 7), true},
        {Message(ScorePosition{10}, 0x93, 0), Message(ScorePosition{10}, 0xC0), true},
        {Message(ScorePosition{10}, 0xB0, 7), Message(ScorePosition{10}, 0x80, 40), false},
        {Message(ScorePosition{10}, 0x90, 64), Message(ScorePosition{10}, 0x80), false},
        {Message(ScorePosition{10}, 0x80), Message(ScorePosition{10}, 0x90, 64), true},
        // Then anything that is not a note, before note-ons.
        {Message(ScorePosition{10}, 0xA0, 30), Message(ScorePosition{10}, 0x90, 64), true},
        {Message(ScorePosition{10}, 0xF0), Message(ScorePosition{10}, 0x90, 64), true},
        {Message(ScorePosition{10}, 0x90, 64), Message(ScorePosition{10}, 0xE0, 64), false},
        // Ties: two note-ons leave a behind; two of the other kinds put a first.
        {Message(ScorePosition{10}, 0x90, 64), Message(ScorePosition{10}, 0x90, 80), false},
        {Message(ScorePosition{10}, 0xB0, 1), Message(ScorePosition{10}, 0xC0), true},
        {Message(ScorePosition{10}, 0x80), Message(ScorePosition{10}, 0x90, 0), true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(GoesFirst(cases[i].a, cases[i].b), cases[i].aFirst) << "case " << i;
    }
}

// The category a sorted entry should be in: its due time, then beat (0),
// note-off (1), other message (2), note-on (3).
int Category(const PlayOrderKey& key) {
    if (key.isBeat) return 0;
    const int kind = key.status & 0xF0;
    if (kind == 0x80 || (kind == 0x90 && key.data2 == 0)) return 1;
    return kind == 0x90 ? 3 : 2;
}

// The list is built by inserting each entry before the first entry it goes
// first of.
std::vector<PlayOrderKey> InsertAll(const std::vector<PlayOrderKey>& entries) {
    std::vector<PlayOrderKey> list;
    for (const PlayOrderKey& entry : entries) {
        auto place = std::find_if(list.begin(), list.end(), [&](const PlayOrderKey& other) {
            return GoesFirst(entry, other);
        });
        list.insert(place, entry);
    }
    return list;
}

TEST(PlayOrder, OneInstantInAnyArrivalOrder) {
    std::vector<PlayOrderKey> entries = {
        Message(ScorePosition{500}, 0x90, 64), Message(ScorePosition{500}, 0xB0, 7),
        Message(ScorePosition{500}, 0x80, 0),  Beat(ScorePosition{500}),
        Message(ScorePosition{500}, 0xC0),     Message(ScorePosition{500}, 0xF0),
        Message(ScorePosition{500}, 0x90, 0),  Message(ScorePosition{500}, 0xE0, 64),
        Message(ScorePosition{500}, 0xA0, 20), Message(ScorePosition{500}, 0xD0),
        Message(ScorePosition{500}, 0x90, 90), Message(ScorePosition{400}, 0x90, 50),
        Message(ScorePosition{600}, 0x80, 0),
    };
    std::mt19937 random(2024);
    for (int round = 0; round < 200; ++round) {
        std::shuffle(entries.begin(), entries.end(), random);
        const std::vector<PlayOrderKey> list = InsertAll(entries);
        ASSERT_EQ(list.size(), entries.size());
        std::string order;
        for (const PlayOrderKey& key : list) {
            order += std::to_string(key.due.Ms()) + ":" + std::to_string(Category(key)) + " ";
        }
        EXPECT_EQ(order,
                  "400:3 500:0 500:1 500:1 500:2 500:2 500:2 500:2 500:2 500:2 500:3 500:3 600:1 ");
    }
}

TEST(PlayOrder, ANoteOffIsReleasedBeforeTheSameKeySoundsAgain) {
    const std::vector<PlayOrderKey> list =
        InsertAll({Message(ScorePosition{100}, 0x90, 64), Message(ScorePosition{100}, 0x90, 0)});
    EXPECT_EQ(list[0].data2, 0);
    EXPECT_EQ(list[1].data2, 64);
}

}  // namespace
}  // namespace ostinel
