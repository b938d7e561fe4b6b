#include "desktop/Random.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// With max - min = 32767 a result is min plus the raw draw.
constexpr int FullRange = 32767;

// Runs work on a thread of its own, whose generator has never been seeded.
template <class Work>
auto OnFreshThread(Work work) {
    decltype(work()) result;
    std::thread([&] { result = work(); }).join();
    return result;
}

std::vector<int> Draws(int low, int high, int count) {
    std::vector<int> draws;
    for (int i = 0; i < count; ++i)
        draws.push_back(RandomInt(low, high));
    return draws;
}

TEST(RandomInt, UnseededThreadStartsFromStateOne) {
    EXPECT_EQ(OnFreshThread([] { return Draws(0, FullRange, 5); }), (std::vector<int>{41, 18467, 6334, 26500, 19169}));
    EXPECT_EQ(OnFreshThread([] { return Draws(0, 48, 5); }), (std::vector<int>{41, 43, 13, 40, 10}));
}

TEST(RandomInt, EqualBoundsDoNotAdvance) {
    const auto draws = OnFreshThread([] {
        return std::vector<int>{RandomInt(5, 5), RandomInt(-7, -2), RandomInt(0, FullRange)};
    });
    EXPECT_EQ(draws, (std::vector<int>{5, 0, 41}));
}

TEST(RandomInt, RangesBeyondTheDrawAddTheRawDraw) {
    const auto draws = OnFreshThread([] { return std::vector<int>{RandomInt(0, INT_MAX), RandomInt(100, INT_MAX)}; });
    EXPECT_EQ(draws, (std::vector<int>{41, 100 + 18467}));
}

TEST(RandomInt, NegativeAndReversedBoundsMeanThePlainRange) {
    const struct {
        const char* name;
        int low, high;
        int plainLow, plainHigh;
    } cases[] = {
        {"reversed", 10, 1, 1, 10},
        {"negative low", -7, 3, 0, 3},
        {"negative and reversed", 3, -7, 0, 3},
    };
    constexpr int Count = 50;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto plain = OnFreshThread([&] { return Draws(c.plainLow, c.plainHigh, Count); });
        EXPECT_EQ(OnFreshThread([&] { return Draws(c.low, c.high, Count); }), plain);
        EXPECT_TRUE(
            std::all_of(plain.begin(), plain.end(), [&](int v) { return v >= c.plainLow && v <= c.plainHigh; }));
    }
}

TEST(RandomInt, ThreadsKeepTheirOwnSequences) {
    constexpr int Count = 5000;
    const auto alone = OnFreshThread([] { return Draws(0, FullRange, Count); });
    Signal start;
    std::vector<int> besideSeeding;
    std::thread drawing([&] {
        start.Wait();
        besideSeeding = Draws(0, FullRange, Count);
    });
    std::thread seeding([&] {
        start.Wait();
        for (int i = 0; i < Count; ++i) {
            SeedRandom();
            RandomInt(0, 48);
        }
    });
    start.Raise();
    drawing.join();
    seeding.join();
    EXPECT_EQ(besideSeeding, alone);
}

constexpr uint32_t Multiplier = 214013;
constexpr uint32_t Increment = 2531011;
// A draw shows bits 16 to 30 of the state, so a recovered seed lacks bit 31.
constexpr uint32_t RecoverableBits = 0x7FFFFFFF;

constexpr uint32_t InverseOf(uint32_t odd) {
    uint32_t inverse = odd;
    for (int i = 0; i < 5; ++i)
        inverse *= 2 - odd * inverse;
    return inverse;
}

// Seeds the calling thread and reads the seed back from the draws that follow.
uint32_t SeedAndRecover() {
    SeedRandom();
    int draws[4];
    for (int& draw : draws)
        draw = RandomInt(0, FullRange);
    for (uint32_t lowBits = 0; lowBits <= 0xFFFF; ++lowBits) {
        const uint32_t first = (static_cast<uint32_t>(draws[0]) << 16) | lowBits;
        uint32_t state = first;
        bool follows = true;
        for (int i = 1; i < 4 && follows; ++i) {
            state = state * Multiplier + Increment;
            follows = static_cast<int>((state >> 16) & 0x7FFF) == draws[i];
        }
        if (follows)
            return ((first - Increment) * InverseOf(Multiplier)) & RecoverableBits;
    }
    ADD_FAILURE() << "the draws after SeedRandom do not follow the generator";
    return 0;
}

uint32_t AccumulatorStep(uint32_t seed) {
    return (seed & 0xFF) + 100;
}

TEST(SeedRandom, SameMillisecondGivesDifferentSequences) {
    FakeTicks ticks(777, FakeTicks::Mode::Frozen);
    SeedRandom();
    const auto first = Draws(0, 48, 10);
    SeedRandom();
    EXPECT_NE(Draws(0, 48, 10), first);
}

TEST(SeedRandom, SeedIsTickPlusAccumulator) {
    constexpr DWORD Tick = 0x12345678;
    constexpr DWORD Later = 5000;
    FakeTicks ticks(Tick, FakeTicks::Mode::Frozen);
    const uint32_t first = SeedAndRecover();
    const uint32_t second = SeedAndRecover();
    EXPECT_EQ((second - first) & RecoverableBits, AccumulatorStep(first));
    ticks.Set(Tick + Later);
    const uint32_t third = SeedAndRecover();
    EXPECT_EQ((third - second) & RecoverableBits, Later + AccumulatorStep(second));
}

TEST(SeedRandom, ConcurrentCallersChainTheAccumulator) {
    constexpr DWORD Tick = 1000;
    constexpr int Threads = 4;
    constexpr int SeedsPerThread = 200;
    FakeTicks ticks(Tick, FakeTicks::Mode::Frozen);
    std::vector<uint32_t> accumulators;
    std::mutex guard;
    Signal start;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([&] {
            start.Wait();
            std::vector<uint32_t> mine;
            for (int i = 0; i < SeedsPerThread; ++i)
                mine.push_back((SeedAndRecover() - Tick) & RecoverableBits);
            std::lock_guard lock(guard);
            accumulators.insert(accumulators.end(), mine.begin(), mine.end());
        });
    }
    start.Raise();
    for (std::thread& thread : threads)
        thread.join();
    // Every call read a value of its own, and each value is the previous one advanced by its step.
    std::sort(accumulators.begin(), accumulators.end());
    int broken = 0;
    for (size_t i = 1; i < accumulators.size(); ++i) {
        if (accumulators[i] - accumulators[i - 1] != AccumulatorStep(Tick + accumulators[i - 1]))
            ++broken;
    }
    EXPECT_EQ(broken, 0);
}

}  // namespace
