#include "desktop/Random.h"

#include "desktop/Delay.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace {

constexpr uint32_t kMultiplier = 214013;
constexpr uint32_t kIncrement = 2531011;
constexpr int kDrawShift = 16;
constexpr uint32_t kDrawMask = 0x7FFF;
constexpr uint32_t kSeedStepMask = 0xFF;
constexpr uint32_t kSeedStepBase = 100;

std::atomic<uint32_t> seedAccumulator{0};
thread_local uint32_t generatorState = 1;

}  // namespace

void SeedRandom() {
    const uint32_t tick = TickCount();
    uint32_t accumulator = seedAccumulator.load();
    uint32_t seed;
    // Reading and advancing the accumulator is one step, so concurrent callers never share a value.
    do {
        seed = tick + accumulator;
    } while (!seedAccumulator.compare_exchange_weak(accumulator, accumulator + (seed & kSeedStepMask) + kSeedStepBase));
    generatorState = seed;
}

int RandomInt(int low, int high) {
    low = std::max(low, 0);
    high = std::max(high, 0);
    const int min = std::min(low, high);
    const int max = std::max(low, high);
    if (min == max)
        return min;
    generatorState = generatorState * kMultiplier + kIncrement;
    const uint32_t draw = (generatorState >> kDrawShift) & kDrawMask;
    // Unsigned: the span of 0 to INT_MAX does not fit an int.
    const uint32_t span = static_cast<uint32_t>(max - min) + 1;
    return min + static_cast<int>(draw % span);
}
