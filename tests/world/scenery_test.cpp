#include <gtest/gtest.h>

#include <cmath>

#include "draws.h"
#include "fake_engine.h"
#include "scenario.h"
#include "world/game.h"
#include "world/scenery.h"
#include "world/tables.h"

namespace {

void FreshScenery() {
  ResetScenarioInGame();
  for (int i = 0; i < MAX_STATICS; i++) static_draw_order[i] = -7;  // no entry left over
}

std::vector<int> DrawOrder() { return std::vector<int>(static_draw_order, static_draw_order + static_count); }

TEST(Scenery, CreateStaticPlacesAndCountsOnce) {
  FreshScenery();
  int s = CreateStatic(STATIC_TREE, 0.0f, 95.0f, 30.0f);
  EXPECT_EQ(s, 99);
  EXPECT_FLOAT_EQ(static_x[s], 165.0f);
  EXPECT_FLOAT_EQ(static_y[s], 95.0f);
  EXPECT_FLOAT_EQ(static_z[s], 30.0f);
  EXPECT_EQ(static_count, 1);
  EXPECT_EQ(DrawOrder(), std::vector<int>{99});
  s = CreateStatic(STATIC_TREE, 0.01f, 95.0f, 30.0f);
  EXPECT_FLOAT_EQ(static_x[s], 0.01f);
  EXPECT_EQ(static_count, 2);
}

TEST(Scenery, TypeSetUps) {
  FreshScenery();
  std::vector<int> d = PeekDraws(1);
  int s = CreateStatic(STATIC_ROCK_1, 200.0f, 95.0f, 30.0f);
  EXPECT_FLOAT_EQ(static_ry[s], static_cast<float>(d[0] % 360));
  EXPECT_FLOAT_EQ(static_rx[s], 0.0f);

  for (int type : {static_cast<int>(STATIC_ROCK_2), static_cast<int>(STATIC_ROCK_3)}) {
    d = PeekDraws(3);
    s = CreateStatic(type, 200.0f, 95.0f, 30.0f);
    EXPECT_FLOAT_EQ(static_ry[s], static_cast<float>(d[0] % 360));
    EXPECT_FLOAT_EQ(static_rx[s], static_cast<float>(d[1] % 360));
    EXPECT_FLOAT_EQ(static_rz[s], static_cast<float>(d[2] % 360));
  }

  s = CreateStatic(STATIC_METAL_SURFACE_TURNED, 200.0f, 50.0f, 35.0f);
  EXPECT_FLOAT_EQ(static_rx[s], 90.0f);

  d = PeekDraws(3);
  std::uint32_t after = StateAfter(3);
  s = CreateStatic(STATIC_ARK_PART_PAD, 200.0f, 50.0f, 35.0f);
  EXPECT_FLOAT_EQ(static_spin_y[s], static_cast<float>(d[0] % 4 - 2) / 8.0f);
  EXPECT_FLOAT_EQ(static_spin_x[s], static_cast<float>(d[1] % 4 - 2) / 8.0f);
  EXPECT_FLOAT_EQ(static_spin_z[s], static_cast<float>(d[2] % 4 - 2) / 8.0f);
  EXPECT_EQ(random_state, after);
  for (float spin : {static_spin_y[s], static_spin_x[s], static_spin_z[s]})
    EXPECT_TRUE(spin == -0.25f || spin == -0.125f || spin == 0.0f || spin == 0.125f);

  after = StateAfter(0);
  CreateStatic(STATIC_CAVE_1, 200.0f, 95.0f, 370.0f);
  EXPECT_EQ(random_state, after);
}

TEST(Scenery, FullStaticTable) {
  FreshScenery();
  for (int i = 0; i < MAX_STATICS; i++) ASSERT_GE(CreateStatic(STATIC_TREE, 100.0f, 95.0f, 10.0f), 0);
  EXPECT_EQ(CreateStatic(STATIC_TREE, 100.0f, 95.0f, 10.0f), -1);
  EXPECT_EQ(static_count, MAX_STATICS);
  EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"Static Expired"});
}

TEST(Scenery, DrawOrderRunsFarToNearThenBySlot) {
  FreshScenery();
  int a = CreateStatic(STATIC_TREE, 100.0f, 95.0f, 35.0f);   // 99
  int b = CreateStatic(STATIC_TREE, 100.0f, 95.0f, 35.9f);   // 98
  int c = CreateStatic(STATIC_TREE, 100.0f, 95.0f, 500.5f);  // 97
  int d = CreateStatic(STATIC_TREE, 100.0f, 95.0f, -0.5f);   // 96
  int e = CreateStatic(STATIC_TREE, 100.0f, 95.0f, 200.0f);  // 95
  EXPECT_EQ(DrawOrder(), (std::vector<int>{c, e, b, a, d}));
}

TEST(Scenery, DepthsOutsideTheRangeStillGetAPlace) {
  FreshScenery();
  int near = CreateStatic(STATIC_TREE, 100.0f, 95.0f, 10.0f);
  int beyond = CreateStatic(STATIC_TREE, 100.0f, 95.0f, 501.0f);
  int behind = CreateStatic(STATIC_TREE, 100.0f, 95.0f, -1.0f);
  int far = CreateStatic(STATIC_TREE, 100.0f, 95.0f, 300.0f);
  int lost = CreateStatic(STATIC_TREE, 100.0f, 95.0f, NAN);
  EXPECT_EQ(static_count, 5);
  // NaN and 501 both count as the deepest: the lower slot first.
  EXPECT_EQ(DrawOrder(), (std::vector<int>{lost, beyond, far, near, behind}));
  for (int i : DrawOrder()) EXPECT_NE(static_type[i], 0);
}

TEST(Scenery, StaticsDriftTurnAndShift) {
  FreshScenery();
  int s = CreateStatic(STATIC_TREE, 100.0f, 95.0f, 10.0f);
  static_spin_y[s] = 0.5f;
  static_spin_z[s] = -1.0f;
  UpdateStatics();
  EXPECT_FLOAT_EQ(static_x[s], 100.0f - 0.33f);
  EXPECT_FLOAT_EQ(static_ry[s], 0.5f);
  EXPECT_FLOAT_EQ(static_rz[s], -1.0f);
  EXPECT_FLOAT_EQ(static_y[s], 95.0f);

  scroll_speed = 0;
  world_shift = 30;
  world_shift_target = 50;
  UpdateStatics();
  EXPECT_FLOAT_EQ(static_x[s], 100.0f - 0.33f);
  EXPECT_FLOAT_EQ(static_y[s], 96.0f);
  world_shift = 60;
  UpdateStatics();
  EXPECT_FLOAT_EQ(static_y[s], 95.0f);
}

TEST(Scenery, StaticsLeaveAtTheLeftEdgeOnlyInAGame) {
  FreshScenery();
  int kept = CreateStatic(STATIC_TREE, -100.0f, 95.0f, 40.0f);
  int gone = CreateStatic(STATIC_TREE, -110.25f, 95.0f, 40.0f);
  int edge = CreateStatic(STATIC_TREE, -110.0f, 95.0f, 40.0f);
  in_game = 0;
  UpdateStatics();
  EXPECT_EQ(static_count, 3);
  in_game = 1;
  static_x[gone] = -110.25f;
  static_x[edge] = -110.0f;
  UpdateStatics();
  EXPECT_EQ(static_type[gone], 0);
  EXPECT_NE(static_type[edge], 0);
  EXPECT_EQ(static_count, 2);
  EXPECT_EQ(DrawOrder(), (std::vector<int>{edge, kept}));
}

TEST(Scenery, GeneratorEmitsOnItsFirstFrameThenEveryInterval) {
  FreshScenery();
  CreateGenerator(STATIC_METAL_SURFACE, 30, 3, 15.0f, 5.0f, 0.0f);
  EXPECT_EQ(generator_count, 1);
  std::vector<int> frames;
  for (int frame = 1; frame <= 100; frame++) {
    int before = static_count;
    UpdateGenerators();
    if (static_count > before) frames.push_back(frame);
    if (frame == 61) {
      EXPECT_EQ(generator_count, 0);
    }
  }
  EXPECT_EQ(frames, (std::vector<int>{1, 31, 61}));
  EXPECT_FLOAT_EQ(static_x[99], 180.0f);
  EXPECT_FLOAT_EQ(static_y[99], 5.0f);
}

TEST(Scenery, GeneratorEdgeCases) {
  FreshScenery();
  CreateGenerator(STATIC_TREE, 10, 0, 0.0f, 95.0f, 10.0f);  // a count of 0 still emits once
  UpdateGenerators();
  EXPECT_EQ(static_count, 1);
  EXPECT_EQ(generator_count, 0);

  // An emission the full static table refuses still counts.
  FreshScenery();
  for (int i = 0; i < MAX_STATICS; i++) CreateStatic(STATIC_TREE, 100.0f, 95.0f, 10.0f);
  CreateGenerator(STATIC_ROCK_1, 1, 2, 0.0f, 95.0f, 10.0f);
  UpdateGenerators();
  UpdateGenerators();
  EXPECT_EQ(generator_count, 0);
  EXPECT_EQ(static_count, MAX_STATICS);
  EXPECT_EQ(ConsoleLines(), (std::vector<std::string>{"Static Expired", "Static Expired"}));

  FreshScenery();
  for (int i = 0; i < MAX_GENERATORS; i++) CreateGenerator(STATIC_TREE, 10, 5, 0.0f, 95.0f, 10.0f);
  CreateGenerator(STATIC_TREE, 10, 5, 0.0f, 95.0f, 10.0f);
  EXPECT_EQ(generator_count, MAX_GENERATORS);
  EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"Generators Expired"});
}

}  // namespace
