#include "playback/transport_request_queue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "music/transport_request.h"
#include "platform/drop_oldest_ring.h"

namespace ostinel {
namespace {

std::vector<std::int16_t> TakeAll(TransportRequestQueue& queue) {
    std::vector<std::int16_t> codes;
    for (std::int16_t code = queue.TakeRequest(); code != -1; code = queue.TakeRequest()) {
        codes.push_back(code);
        if (codes.size() > TransportRequestQueue::kCapacity) break;  // a runaway queue
    }
    return codes;
}

TEST(TransportRequestQueue, EmptyQueueGivesMinusOne) {
    TransportRequestQueue queue;
    EXPECT_EQ(queue.TakeRequest(), -1);
    EXPECT_EQ(queue.TakeRequest(), TransportRequestQueue::kNoRequest);
    ASSERT_TRUE(queue.PostRequest(TransportRequest::Stop));
    EXPECT_EQ(queue.TakeRequest(), 5);
    EXPECT_EQ(queue.TakeRequest(), -1);
}

TEST(TransportRequestQueue, CodesComeOutInTheOrderPosted) {
    TransportRequestQueue queue;
    const std::vector<std::int16_t> posted = {3, 0, 12, 5, 5, 7, 11, 1};
    for (const std::int16_t code : posted)
        ASSERT_TRUE(queue.PostRequest(code));
    EXPECT_EQ(TakeAll(queue), posted);
}

TEST(TransportRequestQueue, HoldsThirtyTwoCodes) {
    TransportRequestQueue queue;
    std::vector<std::int16_t> posted;
    for (int i = 0; i < 32; ++i) {
        posted.push_back(static_cast<std::int16_t>(i % kTransportRequestCount));
        queue.PostRequest(posted.back());
    }
    EXPECT_EQ(TakeAll(queue), posted);
}

TEST(TransportRequestQueue, ThirtyThirdPostPushesOutTheOldest) {
    TransportRequestQueue queue;
    queue.PostRequest(TransportRequest::PlayFile);  // the oldest, to be lost
    for (int i = 1; i < 32; ++i)
        queue.PostRequest(TransportRequest::Metronome);
    queue.PostRequest(TransportRequest::AllNotesOff);

    const std::vector<std::int16_t> taken = TakeAll(queue);
    ASSERT_EQ(taken.size(), 32U);
    EXPECT_EQ(taken.front(), 10);
    EXPECT_EQ(taken.back(), 12);
}

TEST(TransportRequestQueue, KeepsTheNewestThirtyTwoWhenFlooded) {
    TransportRequestQueue queue;
    std::vector<std::int16_t> posted;
    for (int i = 0; i < 100; ++i) {
        posted.push_back(static_cast<std::int16_t>((i * 7) % kTransportRequestCount));
        queue.PostRequest(posted.back());
    }
    const std::vector<std::int16_t> newest(posted.end() - 32, posted.end());
    EXPECT_EQ(TakeAll(queue), newest);
}

TEST(TransportRequestQueue, TakingMakesRoomSoNothingIsDropped) {
    TransportRequestQueue queue;
    for (int i = 0; i < 32; ++i)
        queue.PostRequest(TransportRequest::Rewind);
    EXPECT_EQ(queue.TakeRequest(), 4);
    queue.PostRequest(TransportRequest::Preview);  // fills the freed place
    const std::vector<std::int16_t> taken = TakeAll(queue);
    ASSERT_EQ(taken.size(), 32U);
    EXPECT_EQ(taken.front(), 4);
    EXPECT_EQ(taken.back(), 6);
}

TEST(TransportRequestQueue, StaysFirstInFirstOutAcrossManyLaps) {
    // The ring's slots are reused many times over; interleave posts and takes
    // with a varying fill so every slot sees every kind of turn.
    TransportRequestQueue queue;
    int next = 0;
    int expected = 0;
    for (int round = 0; round < 500; ++round) {
        const int fill = round % 31 + 1;
        for (int i = 0; i < fill; ++i)
            queue.PostRequest(static_cast<std::int16_t>(next++ % 13));
        for (int i = 0; i < fill; ++i) {
            ASSERT_EQ(queue.TakeRequest(), expected++ % 13) << "round " << round;
        }
        ASSERT_EQ(queue.TakeRequest(), -1);
    }
}

TEST(TransportRequestQueue, RefusesCodesThatAreNoRequest) {
    TransportRequestQueue queue;
    EXPECT_FALSE(queue.PostRequest(std::int16_t{-1}));
    EXPECT_FALSE(queue.PostRequest(std::int16_t{13}));
    EXPECT_FALSE(queue.PostRequest(std::int16_t{-32768}));
    EXPECT_TRUE(queue.PostRequest(std::int16_t{0}));
    EXPECT_TRUE(queue.PostRequest(std::int16_t{12}));
    EXPECT_EQ(TakeAll(queue), (std::vector<std::int16_t>{0, 12}));
}

TEST(TransportRequestQueue, QueuesAreIndependent) {
    TransportRequestQueue first;
    TransportRequestQueue second;
    first.PostRequest(TransportRequest::JumpAhead);
    EXPECT_EQ(second.TakeRequest(), -1);
    EXPECT_EQ(first.TakeRequest(), 7);
}

TEST(DropOldestRequestRing, ReportsHowManyOldValuesAPushDropped) {
    DropOldestRing<4> ring;
    for (std::uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(ring.Push(i), 0U);
    EXPECT_EQ(ring.Push(4), 1U);
    EXPECT_EQ(ring.Push(5), 1U);
    for (std::uint32_t expected = 2; expected < 6; ++expected)
        EXPECT_EQ(ring.Take(), expected);
    EXPECT_FALSE(ring.Take().has_value());
}

TEST(DropOldestRequestRing, CarriesFullThirtyTwoBitValues) {
    DropOldestRing<2> ring;
    ring.Push(0xFFFFFFFFU);
    ring.Push(0U);
    EXPECT_EQ(ring.Take(), 0xFFFFFFFFU);
    EXPECT_EQ(ring.Take(), 0U);
}

}  // namespace
}  // namespace ostinel

namespace ostinel {
namespace {

TEST(TransportRequestQueueListener, IsToldOfEveryCodePostedAndNothingElse) {
    TransportRequestQueue queue;
    int told = 0;
    queue.SetPostedListener([](void* count) { ++*static_cast<int*>(count); }, &told);
    queue.PostRequest(TransportRequest::PlayFile);
    queue.PostRequest(std::int16_t{13});  // not a request: refused, nobody woken
    queue.PostRequest(TransportRequest::Stop);
    EXPECT_EQ(told, 2);
    queue.SetPostedListener(nullptr, nullptr);
    queue.PostRequest(TransportRequest::Stop);
    EXPECT_EQ(told, 2);
    EXPECT_EQ(queue.TakeRequest(), TransportRequestCode(TransportRequest::PlayFile));
}

}  // namespace
}  // namespace ostinel
