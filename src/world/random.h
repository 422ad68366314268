// The game's one random generator, shared by the world and the engine. It is the classic
// linear congruential generator, so that a seed gives the same stage as it always has.
#pragma once

#include <cstdint>

extern std::uint32_t random_state;  // 1 when the program starts; seeded once with the calendar time

// The next draw: state = state * 214013 + 2531011, result (state >> 16) & 0x7FFF.
int Rand();
void SeedRandom(std::uint32_t seed);
