#include "desktop/Random.h"

#include "desktop/Delay.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace {

constexpr uint32_t Multiplier = 214013;
constexpr uint32_t Increment = 2531011;
constexpr int DrawShift = 16;
constexpr uint32_t DrawMask = 0x7FFF;
constexpr uint32_t SeedStepMask = 0xFF;
constexpr uint32_t SeedStepBase = 100;

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
    } while (!seedAccumulator.compare_exchange_weak(accumulator, accumulator + (seed & SeedStepMask) + SeedStepBase));
    generatorState = seed;
}

int RandomInt(int low, int high) {
    low = std::max(low, 0);
    high = std::max(high, 0);
    const int min = std::min(low, high);
    const int max = std::max(low, high);
    if (min == max)
        return min;
    generatorState = generatorState * Multiplier + Increment;
    const uint32_t draw = (generatorState >> DrawShift) & DrawMask;
    // Unsigned: the span of 0 to INT_MAX does not fit an int.
    const uint32_t span = static_cast<uint32_t>(max - min) + 1;
    return min + static_cast<int>(draw % span);
}
