#include "world/random.h"

std::uint32_t random_state = 1;

int Rand() {
  random_state = random_state * 214013u + 2531011u;
  return static_cast<int>((random_state >> 16) & 0x7FFF);
}

void SeedRandom(std::uint32_t seed) { random_state = seed; }
