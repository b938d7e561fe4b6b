#pragma once
// The random draws behind the colours and the tail's one-in-ten chance. Each
// thread has its own generator, starting from state 1 until it is seeded.

// Seeds the calling thread's generator from the tick count and a process-wide
// accumulator, so that two seeds in the same millisecond still differ.
void SeedRandom();

// A draw from low to high, both included; negative bounds count as 0 and the
// order of the bounds does not matter. Equal bounds do not advance the generator.
int RandomInt(int low, int high);
