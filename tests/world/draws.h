// Looking ahead in the game's generator without moving it, so a test can tell which draw went
// where.
#pragma once

#include <cstdint>
#include <vector>

#include "world/random.h"

// The next n values Rand() will give.
inline std::vector<int> PeekDraws(int n) {
  std::uint32_t saved = random_state;
  std::vector<int> draws;
  for (int i = 0; i < n; i++) draws.push_back(Rand());
  random_state = saved;
  return draws;
}

// The generator's state after n more draws.
inline std::uint32_t StateAfter(int n) {
  std::uint32_t saved = random_state;
  for (int i = 0; i < n; i++) Rand();
  std::uint32_t after = random_state;
  random_state = saved;
  return after;
}
