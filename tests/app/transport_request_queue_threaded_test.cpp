#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "platform/drop_oldest_ring.h"
#include "playback/transport_request_queue.h"

namespace ostinel {
namespace {

// The timer thread, the MIDI input thread and the window all post at once.
constexpr int kProducers = 4;
constexpr std::uint32_t kPushesEach = 100000;

constexpr std::uint32_t Tag(int producer, std::uint32_t sequence) {
    return (static_cast<std::uint32_t>(producer) << 24) | sequence;
}

// Producers start together so that they really contend for the ring.
class StartLine {
  public:
    void Wait() const {
        while (!open_.load(std::memory_order_acquire))
            std::this_thread::yield();
    }
    void Open() { open_.store(true, std::memory_order_release); }

  private:
    std::atomic<bool> open_{false};
};

// Checks what the consumer sees from each producer: only values that were
// pushed, each once, in the order its producer pushed them.
class ArrivalCheck {
  public:
    void Take(std::uint32_t value) {
        const auto producer = static_cast<int>(value >> 24);
        const std::uint32_t sequence = value & 0xFFFFFFU;
        ASSERT_LT(producer, kProducers) << "a value no producer pushed: " << value;
        ASSERT_LT(sequence, kPushesEach) << "a value no producer pushed: " << value;
        std::optional<std::uint32_t>& last = last_[static_cast<std::size_t>(producer)];
        if (last) {
            ASSERT_GT(sequence, *last) << "producer " << producer << " out of order or repeated";
        }
        last = sequence;
        ++received_;
    }
    std::uint64_t Received() const { return received_; }

  private:
    std::array<std::optional<std::uint32_t>, kProducers> last_{};
    std::uint64_t received_ = 0;
};

TEST(DropOldestRequestRingThreads, EveryValueIsTakenOnceOrDroppedOnce) {
    DropOldestRing<32> ring;
    StartLine start;
    std::atomic<std::uint64_t> dropped{0};
    std::atomic<int> running{kProducers};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            start.Wait();
            std::uint64_t mine = 0;
            for (std::uint32_t i = 0; i < kPushesEach; ++i)
                mine += ring.Push(Tag(p, i));
            dropped.fetch_add(mine);
            running.fetch_sub(1);
        });
    }
    start.Open();
    ArrivalCheck check;
    while (running.load() > 0) {
        if (const std::optional<std::uint32_t> value = ring.Take()) {
            check.Take(*value);
            if (testing::Test::HasFatalFailure()) break;
        } else {
            std::this_thread::yield();
        }
    }
    for (std::thread& t : producers)
        t.join();
    while (const std::optional<std::uint32_t> value = ring.Take()) {
        check.Take(*value);
        if (testing::Test::HasFatalFailure()) return;
    }
    EXPECT_EQ(check.Received() + dropped.load(), std::uint64_t{kProducers} * kPushesEach);
}

TEST(DropOldestRequestRingThreads, FloodWithoutConsumerKeepsTheNewestOfEachProducer) {
    DropOldestRing<32> ring;
    StartLine start;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            start.Wait();
            for (std::uint32_t i = 0; i < kPushesEach / 4; ++i)
                ring.Push(Tag(p, i));
        });
    }
    start.Open();
    for (std::thread& t : producers)
        t.join();

    // The survivors are the last 32 pushes overall, so each producer's share
    // is an unbroken run of its own last pushes.
    std::array<std::vector<std::uint32_t>, kProducers> kept;
    int total = 0;
    while (const std::optional<std::uint32_t> value = ring.Take()) {
        const auto producer = static_cast<std::size_t>(*value >> 24);
        ASSERT_LT(producer, kept.size());
        kept[producer].push_back(*value & 0xFFFFFFU);
        ++total;
    }
    EXPECT_EQ(total, 32);
    for (std::size_t p = 0; p < kept.size(); ++p) {
        for (std::size_t i = 0; i < kept[p].size(); ++i) {
            const std::uint32_t fromEnd = static_cast<std::uint32_t>(kept[p].size() - i);
            EXPECT_EQ(kept[p][i], kPushesEach / 4 - fromEnd) << "producer " << p;
        }
    }
}

TEST(TransportRequestQueueThreads, ConcurrentPostsArriveWholeAndInOrder) {
    // Producer p posts codes 3p, then 3p + 1, then 3p + 2, a third of its
    // posts each, so its codes may only ever rise; 12 is never posted.
    constexpr int kPostsEach = 30000;
    TransportRequestQueue queue;
    StartLine start;
    std::atomic<int> running{kProducers};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            start.Wait();
            for (int i = 0; i < kPostsEach; ++i) {
                queue.PostRequest(static_cast<std::int16_t>(3 * p + i * 3 / kPostsEach));
            }
            running.fetch_sub(1);
        });
    }
    start.Open();
    std::array<int, 13> taken{};
    std::array<int, kProducers> lastCode{};
    auto check = [&](std::int16_t code) {
        ASSERT_GE(code, 0);
        ASSERT_LT(code, 12) << "a code nobody posted";
        const int producer = code / 3;
        ASSERT_GE(code, lastCode[static_cast<std::size_t>(producer)]) << "out of order";
        lastCode[static_cast<std::size_t>(producer)] = code;
        ++taken[static_cast<std::size_t>(code)];
    };
    while (running.load() > 0) {
        const std::int16_t code = queue.TakeRequest();
        if (code == -1) {
            std::this_thread::yield();
            continue;
        }
        check(code);
        if (testing::Test::HasFatalFailure()) break;
    }
    for (std::thread& t : producers)
        t.join();
    for (std::int16_t code = queue.TakeRequest(); code != -1; code = queue.TakeRequest()) {
        check(code);
        if (testing::Test::HasFatalFailure()) return;
    }
    int total = 0;
    for (int code = 0; code < 12; ++code) {
        EXPECT_LE(taken[static_cast<std::size_t>(code)], kPostsEach / 3)
            << "repeated code " << code;
        total += taken[static_cast<std::size_t>(code)];
    }
    // However many were pushed out, the newest 32 were still there to take.
    EXPECT_GE(total, 32);
}

}  // namespace
}  // namespace ostinel
