#include "platform/lock_free_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace ostinel::platform {
namespace {

TEST(LockFreeQueue, KeepsOrderAndRefusesWhenFull) {
    LockFreeQueue<int, 4> queue;
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(queue.TryPush(i));
    EXPECT_FALSE(queue.TryPush(4));
    int value = -1;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(queue.TryPop(value));
        EXPECT_EQ(value, i);
    }
    EXPECT_FALSE(queue.TryPop(value));
    // The ring wraps: slots are reused for later turns.
    for (int turn = 0; turn < 10; ++turn) {
        EXPECT_TRUE(queue.TryPush(turn));
        ASSERT_TRUE(queue.TryPop(value));
        EXPECT_EQ(value, turn);
    }
}

struct Item {
    int producer;
    int sequence;
};

TEST(LockFreeQueue, ManyProducersOneConsumerLoseNothing) {
    constexpr int kProducers = 4;
    constexpr int kItemsEach = 20000;
    LockFreeQueue<Item, 256> queue;
    std::atomic<bool> go{false};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            while (!go.load())
                std::this_thread::yield();
            for (int i = 0; i < kItemsEach; ++i) {
                while (!queue.TryPush({p, i}))
                    std::this_thread::yield();
            }
        });
    }
    go.store(true);
    std::vector<int> next(kProducers, 0);
    int received = 0;
    while (received < kProducers * kItemsEach) {
        Item item{};
        if (!queue.TryPop(item)) {
            std::this_thread::yield();
            continue;
        }
        // Each producer's items arrive whole and in its own order.
        ASSERT_EQ(item.sequence, next[static_cast<std::size_t>(item.producer)]);
        ++next[static_cast<std::size_t>(item.producer)];
        ++received;
    }
    for (std::thread& t : producers)
        t.join();
    Item extra{};
    EXPECT_FALSE(queue.TryPop(extra));
}

}  // namespace
}  // namespace ostinel::platform
