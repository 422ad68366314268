#include <gtest/gtest.h>

#include "world/random.h"

TEST(Random, FirstValuesFromStateOne) {
  SeedRandom(1);
  EXPECT_EQ(Rand(), 41);
  EXPECT_EQ(Rand(), 18467);
  EXPECT_EQ(Rand(), 6334);
  EXPECT_EQ(Rand(), 26500);
}
