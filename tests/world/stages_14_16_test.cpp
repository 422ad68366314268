#include <gtest/gtest.h>

#include <vector>

#include "draws.h"
#include "fake_engine.h"
#include "stage_fixture.h"
#include "world/compounds.h"
#include "world/game.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/things.h"

namespace {

// The types in the thing table, slot by slot.
std::vector<int> ThingTypes() { return std::vector<int>(thing_type, thing_type + MAX_THINGS); }

// Seeds the generator so that its next draw is `parity` modulo 2.
void SeedForParity(int parity) {
  std::uint32_t seed = 1;
  for (;; seed++) {
    SeedRandom(seed);
    if (PeekDraws(1)[0] % 2 == parity) return;
  }
}

// ---- Stage 14 ------------------------------------------------------------------------------------

TEST(Stage14, TickZeroSetsAGreenSkyWithoutBarriers) {
  BeginStage(14);
  RunTick(0);
  EXPECT_EQ(scroll_speed, 4);
  EXPECT_EQ(backdrop_mesh, &mesh_sky_cloudy_02);
  EXPECT_EQ(fog_end_target, 500.0f);
  EXPECT_EQ(stars_color_target.g, 0.0f);
  EXPECT_EQ(key_light_target.r, 0.8f);
  EXPECT_EQ(fill_light_target.r, 0.0f);
  EXPECT_EQ(sky_color_target.r, 0.0f);
  EXPECT_EQ(sky_color_target.g, 0.7f);
  EXPECT_EQ(sky_color_target.b, 0.0f);
  EXPECT_EQ(horizon_color_target.g, 0.25f);
  EXPECT_EQ(floor_x1, -140.0f);
  EXPECT_EQ(world_shift_target, 50);
}

TEST(Stage14, TickTwentyPlantsTheFirstTreesOnTheLowGround) {
  BeginStage(14);
  RunTick(0);
  RunTick(20);
  EXPECT_EQ(sky_color_target.r, 0.6f);
  EXPECT_EQ(sky_color_target.g, 0.7f);
  EXPECT_EQ(sky_color_target.b, 0.6f);
  EXPECT_EQ(floor_x0, -140.0f);
  EXPECT_EQ(floor_x1, 1665.0f);
  EXPECT_EQ(world_shift_target, 0);
  std::vector<float> xs;
  for (int i = MAX_THINGS - 1; i >= 0; i--) {
    if (thing_type[i] == THING_TREE_TRUNK && thing_parent[i] == -1) {
      xs.push_back(thing_x[i]);
      EXPECT_EQ(thing_y[i], 145.0f);  // 95 + the shift of 50
    }
  }
  EXPECT_EQ(xs, (std::vector<float>{75, 105, 125, 190}));
}

TEST(Stage14, BackgroundTrees) {
  const struct {
    int tick, phase_16, phase_32;
    std::vector<float> xs;  // of the trees, in creation order
  } rows[] = {
      {10, 0, 16, {280}}, {10, 3, 3, {}}, {301, 0, 0, {280, 560}}, {999, 0, 0, {280, 560}},
      {1000, 0, 0, {280}}, {300, 0, 0, {280}}, {500, 0, 16, {280}},
  };
  for (const auto& row : rows) {
    BeginStage(14);
    phase_16 = row.phase_16;
    phase_32 = row.phase_32;
    const std::vector<int> draws = PeekDraws(2);
    RunTick(row.tick);
    ASSERT_EQ(static_count, static_cast<int>(row.xs.size())) << row.tick;
    for (std::size_t k = 0; k < row.xs.size(); k++) {
      const int s = MAX_STATICS - 1 - static_cast<int>(k);
      EXPECT_EQ(static_type[s], STATIC_TREE);
      EXPECT_EQ(static_x[s], row.xs[k]) << row.tick;
      EXPECT_EQ(static_y[s], 145.0f);
      EXPECT_EQ(static_z[s], static_cast<float>((k == 0 ? 10 : 215) + draws[k] % 200)) << row.tick;
    }
  }
}

TEST(Stage14, TheRandomTreeIsTheFirstOrTheSecond) {
  for (int parity : {0, 1}) {
    BeginStage(14);
    SeedForParity(parity);
    RunTick(950);
    const std::vector<int> made = ThingTypes();
    BeginStage(14);
    Spawn(COMPOUND_TREE_1 + parity, 165, 95);
    EXPECT_EQ(made, ThingTypes()) << parity;
  }
}

TEST(Stage14, HoldsAt1025WhileAnyTurret2Lives) {
  BeginStage(14);
  PlaceThing(3, THING_TURRET_2, 100, 50);
  EXPECT_EQ(RunTick(1025), 0);
  EXPECT_EQ(stage_tick, 835);
  EXPECT_EQ(floor_x1, 1165.0f);
  floor_x1 = 500;
  thing_type[3] = THING_TURRET;
  RunTick(1025);
  EXPECT_EQ(stage_tick, 1025);
  EXPECT_EQ(floor_x1, 1165.0f);
}

TEST(Stage14, ThePlatformOfTick1281TurnsFourTimes) {
  BeginStage(14);
  RunTick(1281);
  ASSERT_TRUE(RegisterIs(script_handle, THING_FLOOR_PLATFORM));
  EXPECT_EQ(thing_y[script_handle], 60.0f);
  EXPECT_EQ(thing_timer[script_handle], 1);
  RunTick(1350);
  EXPECT_EQ(thing_timer[script_handle], 4);

  thing_type[script_handle] = THING_CEILING_PLATFORM;
  thing_timer[script_handle] = 1;
  RunTick(1350);
  EXPECT_EQ(thing_timer[script_handle], 1);
}

TEST(Stage14, HoldsAt1800AddingATrunkEveryTime) {
  for (int holder : {THING_CORE_9, THING_CARRIER}) {
    BeginStage(14);
    PlaceThing(3, holder, 100, 50);
    for (int pass = 1; pass <= 3; pass++) {
      EXPECT_EQ(RunTick(1800), 0);
      EXPECT_EQ(stage_tick, 1705);
      EXPECT_EQ(CountThings(THING_TREE_TRUNK), pass);
    }
    EXPECT_EQ(floor_x1, 365.0f);
    thing_type[3] = THING_EXPLOSION;
    RunTick(1800);
    EXPECT_EQ(stage_tick, 1800);
    EXPECT_EQ(CountThings(THING_TREE_TRUNK), 3);
  }
}

TEST(Stage14, TheGroundRisesAndSinks) {
  BeginStage(14);
  const struct {
    int tick, target;
  } rows[] = {{20, 0}, {1070, 25}, {1460, 0}, {1850, 50}};
  for (const auto& row : rows) {
    RunTick(row.tick);
    EXPECT_EQ(world_shift_target, row.target) << row.tick;
  }
  EXPECT_EQ(fog_end_target, 80.0f);
}

TEST(Stage14, EndsAt2000WithTheSceneryCleared) {
  BeginStage(14);
  phase_16 = 0;
  RunTick(1999);
  ASSERT_EQ(static_count, 1);
  EXPECT_EQ(RunTick(2000), 1);
  EXPECT_EQ(static_count, 0);
}

// ---- Stage 15 ------------------------------------------------------------------------------------

TEST(Stage15, TickZeroLiftsTheCorridorAtOnce) {
  BeginStage(15);
  RunTick(0);
  EXPECT_EQ(world_shift, 0);
  EXPECT_EQ(world_shift_target, 0);
  EXPECT_EQ(scroll_speed, 4);
  EXPECT_EQ(fog_end_target, 400.0f);
  ASSERT_EQ(generator_count, 2);
  for (int g : {14, 13}) {
    EXPECT_EQ(generator_type[g], STATIC_BRACE_2);
    EXPECT_EQ(generator_remaining[g], 16);
    EXPECT_EQ(generator_x[g], 110.0f);
  }
  EXPECT_EQ(generator_z[14], 0.0f);
  EXPECT_EQ(generator_z[13], 65.0f);
}

TEST(Stage15, OnlyFightersStillThereSpeedUp) {
  BeginStage(15);
  RunTick(150);
  const int top = script_handle, bottom = script_var_2;
  ASSERT_TRUE(RegisterIs(top, THING_FIGHTER));
  EXPECT_EQ(thing_y[top], 9.0f);
  EXPECT_EQ(thing_vx[top], -4);
  EXPECT_EQ(thing_param[bottom], 1);
  thing_type[bottom] = THING_EXPLOSION;
  thing_vx[bottom] = 0;
  RunTick(180);
  EXPECT_EQ(thing_vx[top], -5);
  EXPECT_EQ(thing_vx[bottom], 0);
}

TEST(Stage15, WritesThroughARegisterOnlyOnItsType) {
  const struct {
    int tick;
    int* reg;
    int type;
  } rows[] = {{470, &script_var_3, THING_CARRIER},
              {475, &script_var_2, THING_WIDE_PLATFORM},
              {530, &script_handle, THING_CEILING_PLATFORM}};
  for (const auto& row : rows) {
    for (bool match : {true, false}) {
      BeginStage(15);
      *row.reg = PlaceThing(20, match ? row.type : THING_FIGHTER, 100, 50);
      thing_vx[20] = 1;
      RunTick(row.tick);
      EXPECT_EQ(thing_vx[20], match ? -4 : 1) << row.tick;
    }
  }
}

TEST(Stage15, Tick235AddsTheMiddlePostsOfTick170) {
  BeginStage(15);
  RunTick(235);
  std::vector<float> ys;
  for (int i = MAX_THINGS - 1; i >= 0; i--) {
    if (thing_type[i] == THING_PART_VERT_2) ys.push_back(thing_y[i]);
  }
  EXPECT_EQ(ys, (std::vector<float>{12, 88, 42, 58}));
}

TEST(Stage15, ThePostsAndTheTurretShareOneRandomCode) {
  for (int parity : {0, 1}) {
    BeginStage(15);
    SeedForParity(parity);
    RunTick(505);
    const int code = parity == 0 ? -4 : 4;
    EXPECT_EQ(script_var_2, code);
    int roots = 0;
    for (int i = 0; i < MAX_THINGS; i++) {
      if (thing_type[i] == 0 || thing_parent[i] != -1) continue;
      roots++;
      EXPECT_EQ(thing_vy[i], code) << i;
    }
    EXPECT_EQ(roots, 3);
  }
}

TEST(Stage15, ThePostsOf655CloseInAndStop) {
  BeginStage(15);
  RunTick(655);
  ASSERT_TRUE(RegisterIs(script_handle, THING_PART_HORZ_X2));
  ASSERT_TRUE(RegisterIs(script_var_2, THING_PART_HORZ_X2));
  RunTick(750);
  EXPECT_EQ(thing_vy[script_handle], 4);
  EXPECT_EQ(thing_vy[script_var_2], -4);
  RunTick(780);
  EXPECT_EQ(thing_vy[script_handle], 0);
  EXPECT_EQ(thing_vy[script_var_2], 0);
}

TEST(Stage15, ShelvesWithWiderBoxes) {
  BeginStage(15);
  RunTick(704);
  EXPECT_EQ(thing_type[58], THING_PART_HORZ);
  EXPECT_EQ(thing_box_y0[58], -10);
  EXPECT_EQ(thing_type[57], THING_PART_HORZ);
  EXPECT_EQ(thing_box_y1[57], 10);
}

TEST(Stage15, Tick920LengthensTheBarriersFromWhereTheyAre) {
  BeginStage(15);
  ceiling_x1 = 123;
  floor_x1 = -140;
  RunTick(920);
  EXPECT_EQ(ceiling_x1, 323.0f);
  EXPECT_EQ(floor_x1, 60.0f);
  EXPECT_EQ(CountThings(THING_METAL_BLOCK), 1);
}

TEST(Stage15, HoldsWhileTheBossSlotIsOccupied) {
  BeginStage(15);
  RunTick(1100);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_11));
  thing_type[script_handle] = THING_EXPLOSION;
  EXPECT_EQ(RunTick(1350), 0);
  EXPECT_EQ(stage_tick, 1150);
  thing_type[script_handle] = 0;
  RunTick(1350);
  EXPECT_EQ(stage_tick, 1350);
}

TEST(Stage15, DropsTheWorldAt1450AndEndsAt1600) {
  BeginStage(15);
  RunTick(0);
  RunTick(1450);
  EXPECT_EQ(world_shift, 50);
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(fog_end_target, 80.0f);
  EXPECT_EQ(CountThings(THING_CARRIER), 1);
  EXPECT_EQ(RunTick(1599), 0);
  EXPECT_EQ(RunTick(1600), 1);
}

// ---- Stage 16 ------------------------------------------------------------------------------------

TEST(Stage16, TheBossStandsOnTheGroundFromTheFirstFrame) {
  BeginStage(16);
  RunTick(0);
  EXPECT_EQ(backdrop_mesh, &mesh_sky_cloudy_01);
  EXPECT_EQ(fill_light_target.r, 0.4f);
  EXPECT_EQ(sky_color_target.g, 0.2f);
  EXPECT_EQ(world_shift_target, 0);
  EXPECT_EQ(floor_x0, -140.0f);
  EXPECT_EQ(floor_x1, 2165.0f);
  EXPECT_EQ(thing_type[58], THING_TREE_TRUNK);
  EXPECT_EQ(thing_x[58], 150.0f);
  EXPECT_EQ(thing_y[58], 145.0f);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_15));
  EXPECT_EQ(thing_x[script_handle], 125.0f);
  EXPECT_EQ(thing_y[script_handle], 134.0f);
  EXPECT_EQ(thing_vx[script_handle], 5);
  int turret_root = -1;
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] == THING_FLOOR_PLATFORM && thing_parent[i] == -1) turret_root = i;
  }
  ASSERT_GE(turret_root, 0);
  EXPECT_EQ(thing_x[turret_root], 115.0f);
  EXPECT_EQ(thing_vx[turret_root], -2);
  EXPECT_EQ(thing_timer[turret_root], 0);
}

TEST(Stage16, RocksAndTreesFarOnTheGroundDrawDepthFirst) {
  BeginStage(16);
  phase_64 = 0;
  // Depth, x, the rock's own turn, then depth and x of the tree.
  const std::vector<int> d = PeekDraws(5);
  RunTick(10);
  ASSERT_EQ(static_count, 2);
  EXPECT_EQ(static_type[99], STATIC_ROCK_1);
  EXPECT_EQ(static_z[99], static_cast<float>(20 + d[0] % 200));
  EXPECT_EQ(static_x[99], static_cast<float>(280 + d[1] % 140));
  EXPECT_EQ(static_ry[99], static_cast<float>(d[2] % 360));
  EXPECT_EQ(static_type[98], STATIC_TREE);
  EXPECT_EQ(static_z[98], static_cast<float>(20 + d[3] % 200));
  EXPECT_EQ(static_x[98], static_cast<float>(280 + d[4] % 140));
  EXPECT_EQ(static_y[98], 145.0f);

  BeginStage(16);
  phase_64 = 0;
  RunTick(1600);
  EXPECT_EQ(static_count, 0);
}

TEST(Stage16, BetweenItsStopAndItsTurnTheBossFollowsItsOwnRule) {
  BeginStage(16);
  RunTick(0);
  const int boss = script_handle;
  RunTick(55);
  EXPECT_EQ(thing_vx[boss], 0);
  // The core paces by itself in this time; the stage does not hold it still.
  stage_tick = 56;
  thing_vx[boss] = -1;
  RunUntilTick(270);
  EXPECT_EQ(thing_vx[boss], -1);
  RunScriptFrame();
  EXPECT_EQ(thing_vx[boss], -2);
}

TEST(Stage16, HoldsWhileTheBossCoreLivesThenEndsAt500) {
  BeginStage(16);
  RunTick(0);
  EXPECT_EQ(RunTick(350), 0);
  EXPECT_EQ(stage_tick, 275);
  EXPECT_EQ(floor_x1, 665.0f);
  DestroyBossCores();
  EXPECT_EQ(RunTick(350), 0);
  EXPECT_EQ(stage_tick, 350);
  RunTick(375);
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(fog_end_target, 80.0f);
  EXPECT_EQ(RunTick(500), 1);
  EXPECT_EQ(static_count, 0);
}

// ---- Whole stages, frame by frame ------------------------------------------------------------------

TEST(StageScenario, Stage14WaitsForItsTurretsThenForItsBossAndCarriers) {
  PlayStage(14);
  EXPECT_EQ(PlayUntilTick(1025), 1025);
  DestroyAll(THING_TURRET_2);
  PlayUntilTick(1800);
  DestroyAll(THING_CORE_9);
  DestroyAll(THING_CARRIER);
  EXPECT_EQ(PlayUntil([] { return !Playing(); }), 2000 - 1800 + 1);
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_FALSE(ATableRanFull());
}

TEST(StageScenario, Stage15WaitsForItsBossThenEnds) {
  PlayStage(15);
  EXPECT_EQ(world_shift, 50);
  RunGameFrame();
  EXPECT_EQ(world_shift, 0);
  EXPECT_EQ(PlayUntilTick(1350), 1350 - 1);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_11));
  DestroyThing(script_handle);
  FreeThing(script_handle);  // the explosion is over
  EXPECT_EQ(PlayUntil([] { return !Playing(); }), 1600 - 1350 + 1);
  EXPECT_FALSE(ATableRanFull());
}

TEST(StageScenario, Stage16BossPacesByItsOwnRuleAfterItsStop) {
  PlayStage(16);
  RemoveShip();
  PlayUntilTick(56);
  const int boss = script_handle;
  ASSERT_TRUE(RegisterIs(boss, THING_CORE_15));
  EXPECT_EQ(thing_vx[boss], 0);
  EXPECT_GT(thing_x[boss], 120.0f);
  // Right of x 120 and slower than code 5, the free core turns left on its next frame of 59.
  EXPECT_LE(PlayUntil([boss] { return thing_vx[boss] != 0; }), 59);
  EXPECT_LT(stage_tick, 270);
  EXPECT_EQ(thing_vx[boss], -1);
  PlayUntilTick(271);
  EXPECT_EQ(thing_vx[boss], -2);
}

TEST(StageScenario, Stage16WaitsForItsBossThenEnds) {
  PlayStage(16);
  EXPECT_EQ(PlayUntilTick(350), 350);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_15));
  for (int frame = 0; frame < 100; frame++) RunGameFrame();
  ASSERT_TRUE(Playing());
  EXPECT_GE(stage_tick, 276);
  DestroyThing(script_handle);
  EXPECT_LE(PlayUntil([] { return !Playing(); }), 500 - 276 + 1);
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_FALSE(ATableRanFull());
}

}  // namespace
