#include <gtest/gtest.h>

#include <vector>

#include "stage_fixture.h"
#include "world/compounds.h"
#include "world/game.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/things.h"

namespace {

void FreeAllThings() {
  for (int i = 0; i < MAX_THINGS; i++) FreeThing(i);
}

// Free-standing things of `type` at (x, y).
int CountThingsAt(int type, float x, float y) {
  int n = 0;
  for (int i = 0; i < MAX_THINGS; i++) {
    n += thing_type[i] == type && thing_parent[i] == -1 && thing_x[i] == x && thing_y[i] == y;
  }
  return n;
}

// ---- Stage 9 -------------------------------------------------------------------------------------

TEST(Stage9, ALongCorridorOfPlatesAndBraces) {
  BeginStage(9);
  RunTick(0);
  const struct {
    int type, interval, count;
    float y, z;
  } generators[4] = {{STATIC_METAL_SURFACE, 75, 15, 5, 0},
                     {STATIC_METAL_SURFACE_TURNED, 75, 15, 50, 35},
                     {STATIC_BRACE_1, 150, 8, 50, 35},
                     {STATIC_METAL_SURFACE, 75, 15, 95, 0}};
  ASSERT_EQ(generator_count, 4);
  for (int k = 0; k < 4; k++) {
    const int g = MAX_GENERATORS - 1 - k;  // taken downward in the order created
    EXPECT_EQ(generator_type[g], generators[k].type) << k;
    EXPECT_EQ(generator_interval[g], generators[k].interval) << k;
    EXPECT_EQ(generator_remaining[g], generators[k].count) << k;
    EXPECT_EQ(generator_x[g], 15.0f) << k;
    EXPECT_EQ(generator_y[g], generators[k].y) << k;
    EXPECT_EQ(generator_z[g], generators[k].z) << k;
  }
  EXPECT_EQ(ceiling_x0, 165.0f);
  EXPECT_EQ(floor_x0, 165.0f);
  EXPECT_EQ(ceiling_x1, 540.0f);
  EXPECT_EQ(floor_x1, 540.0f);
  EXPECT_EQ(world_shift, 0);
  EXPECT_EQ(world_shift_target, 0);
  EXPECT_EQ(scroll_speed, 2);
  EXPECT_EQ(key_light_target.r, 0.65f);
  EXPECT_EQ(fog_end_target, 400.0f);
}

TEST(Stage9, PlatformsOutrunTheGroundUntilTick1055) {
  BeginStage(9);
  RunTick(0);
  RunTick(180);
  ASSERT_EQ(CountThings(THING_CEILING_PLATFORM), 1);
  ASSERT_EQ(CountThings(THING_FLOOR_PLATFORM), 1);
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] == THING_CEILING_PLATFORM || thing_type[i] == THING_FLOOR_PLATFORM) {
      EXPECT_EQ(thing_vx[i], -3);
      EXPECT_EQ(thing_timer[i], 0);
    }
  }
  RunTick(1055);
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] == THING_CEILING_PLATFORM || thing_type[i] == THING_FLOOR_PLATFORM) {
      EXPECT_EQ(thing_vx[i], -2);
    }
  }
}

TEST(Stage9, FightersSpeedUpWithTheGround) {
  BeginStage(9);
  RunTick(0);
  RunTick(725);
  EXPECT_EQ(thing_vx[58], -4);
  EXPECT_EQ(thing_vx[57], -4);
  EXPECT_EQ(thing_y[57], 80.0f);
  RunTick(1200);
  ASSERT_EQ(thing_type[56], THING_CARRIER);
  EXPECT_EQ(thing_vx[56], -2);
}

TEST(Stage9, TheLateFightersAndFighterTurrets) {
  BeginStage(9);
  stage_tick = 1450;
  RunUntilTick(1590);
  EXPECT_EQ(CountThingsAt(THING_FIGHTER, 165, 80), 5);  // every 20 ticks from 1460 to 1540
  int turrets = 0;
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] == THING_FIGHTER && thing_y[i] == 20.0f) {
      turrets++;
      EXPECT_EQ(thing_vy[i], -2);
    }
  }
  EXPECT_EQ(turrets, 5);
  EXPECT_EQ(CountThings(THING_TURRET), 5);
}

TEST(Stage9, HoldsForTheBossThenEndsWithTheWorldDropped) {
  BeginStage(9);
  RunTick(0);
  RunTick(1800);
  ASSERT_EQ(CountThings(THING_CORE_13), 1);
  EXPECT_EQ(RunTick(1875), 0);
  EXPECT_EQ(stage_tick, 1850);
  DestroyBossCores();
  EXPECT_EQ(RunTick(1875), 0);
  EXPECT_EQ(stage_tick, 1875);
  EXPECT_EQ(world_shift, 0);
  EXPECT_EQ(RunTick(1925), 1);
  EXPECT_EQ(world_shift, 50);
  EXPECT_EQ(world_shift_target, 50);
}

// ---- Stage 10 ------------------------------------------------------------------------------------

TEST(Stage10, TickZeroSetsTheSunsetAndTheRegisters) {
  BeginStage(10);
  script_handle = 7;
  RunTick(0);
  EXPECT_EQ(backdrop_mesh, &mesh_sky_sunset_01);
  EXPECT_EQ(scroll_speed, 4);
  EXPECT_EQ(script_handle, 0);
  EXPECT_EQ(script_var_2, COMPOUND_TREE_1);
  EXPECT_EQ(script_var_3, 75);
  EXPECT_EQ(fog_end_target, 700.0f);
}

TEST(Stage10, TreeRowsComeEveryTwentyTicks) {
  BeginStage(10);
  struct Tree {
    int tick, id, fuse;
  };
  std::vector<Tree> trees;
  while (stage_tick <= 1100) {
    const int tick = stage_tick;
    RunScriptFrame();
    for (int i = 0; i < MAX_THINGS; i++) {
      if (thing_type[i] == THING_TREE_TRUNK && thing_parent[i] == -1 && thing_x[i] == 165.0f && thing_y[i] == 95.0f) {
        trees.push_back({tick, script_var_2, thing_fuse[i]});
      }
    }
    FreeAllThings();
  }
  ASSERT_EQ(trees.size(), 32u);
  for (int k = 0; k < 22; k++) {
    EXPECT_EQ(trees[k].tick, 460 + 20 * k) << k;
    EXPECT_EQ(trees[k].id, k % 2 == 0 ? COMPOUND_TREE_2 : COMPOUND_TREE_1) << k;
  }
  for (int k = 0; k < 10; k++) {
    EXPECT_EQ(trees[22 + k].tick, 900 + 20 * k) << k;
    EXPECT_EQ(trees[22 + k].fuse, 75 - 6 * k) << k;
  }
  EXPECT_EQ(script_var_3, 15);
}

TEST(Stage10, TreesStrewnFarAheadOneFrameInSixteen) {
  const struct {
    int tick, trees;
  } rows[] = {{400, 0}, {401, 1}, {1299, 1}, {1300, 0}};
  for (const auto& row : rows) {
    BeginStage(10);
    world_shift = 20;
    SeedRandom(5);
    const int z = Rand() % 200;
    SeedRandom(5);
    phase_16 = 0;
    RunTick(row.tick);
    ASSERT_EQ(static_count, row.trees) << row.tick;
    if (row.trees == 0) continue;
    EXPECT_EQ(static_type[99], STATIC_TREE);
    EXPECT_EQ(static_x[99], 280.0f);
    EXPECT_EQ(static_y[99], 115.0f);
    EXPECT_EQ(static_z[99], 5.0f + z);
  }
}

TEST(Stage10, TheFighterFromTheLeftIsSlowedStepByStep) {
  BeginStage(10);
  RunTick(5);
  const int fighter = script_var_4;
  ASSERT_EQ(thing_type[fighter], THING_FIGHTER);
  EXPECT_EQ(thing_x[fighter], -5.0f);
  EXPECT_EQ(thing_y[fighter], 10.0f);
  EXPECT_EQ(thing_vx[fighter], 6);
  const struct {
    int tick, vx;
  } steps[] = {{30, 4}, {40, 3}, {50, 1}, {60, -1}, {70, -2}};
  for (const auto& step : steps) {
    RunTick(step.tick);
    EXPECT_EQ(thing_vx[fighter], step.vx) << step.tick;
  }
}

TEST(Stage10, TwoTicksSpeedUpTheGroundAndSendTheNextFighterToo) {
  const struct {
    int tick, scroll, vx, vy;
    float y;
  } rows[] = {{120, 5, -5, 0, 50}, {130, 4, -5, 0, 50}, {210, 5, -6, -1, 35}, {220, 4, -6, -1, 35}};
  for (const auto& row : rows) {
    BeginStage(10);
    scroll_speed = 4;
    RunTick(row.tick);
    EXPECT_EQ(scroll_speed, row.scroll) << row.tick;
    ASSERT_EQ(CountThings(THING_FIGHTER), 1) << row.tick;
    EXPECT_EQ(thing_y[58], row.y);
    EXPECT_EQ(thing_vx[58], row.vx);
    EXPECT_EQ(thing_vy[58], row.vy);
  }
}

TEST(Stage10, TheScriptSteersItsCarrier) {
  BeginStage(10);
  RunTick(301);
  const int carrier = script_var_4;
  ASSERT_TRUE(RegisterIs(carrier, THING_CARRIER));
  EXPECT_EQ(thing_param[carrier], 1);
  EXPECT_EQ(thing_vy[carrier], -1);
  const int vx = thing_vx[carrier];
  for (int tick : {311, 321, 331, 341}) RunTick(tick);
  EXPECT_EQ(thing_vx[carrier], vx + 4);
  for (int tick : {531, 541, 551, 561}) RunTick(tick);
  EXPECT_EQ(thing_vy[carrier], -5);
  RunTick(601);
  EXPECT_EQ(thing_vx[carrier], -2);

  thing_type[carrier] = THING_EXPLOSION;  // once it is gone nothing is steered
  RunTick(511);
  RunTick(531);
  EXPECT_EQ(thing_vx[carrier], -2);
  EXPECT_EQ(thing_vy[carrier], -5);
}

TEST(Stage10, TheBossEntersFromTheLeftAndEveryGunHoldsItsFire) {
  BeginStage(10);
  PlaceThing(3, THING_LASER_UP, 100, 50);
  PlaceThing(4, THING_CANNON, 100, 50);
  RunTick(945);
  ASSERT_TRUE(RegisterIs(script_var_5, THING_CORE_5));
  EXPECT_EQ(thing_x[script_var_5], -20.0f);
  EXPECT_EQ(thing_y[script_var_5], 75.0f);
  EXPECT_EQ(thing_vx[script_var_5], 4);
  int guns = 0;
  for (int i = 0; i < MAX_THINGS; i++) {
    const int t = thing_type[i];
    if (t == THING_TURRET || t == THING_LASER || t == THING_LASER_DOWN || t == THING_LASER_UP) {
      guns++;
      EXPECT_GE(thing_fire_timer[i], 225) << i;
      EXPECT_LE(thing_fire_timer[i], 249) << i;
    }
  }
  EXPECT_GT(guns, 1);  // the boss's own guns and the placed laser
  EXPECT_LT(thing_fire_timer[4], 225);
}

TEST(Stage10, FireDelaysAreDrawnFromTheHighestSlotDown) {
  BeginStage(10);
  for (int i = 0; i < MAX_THINGS; i++) thing_type[i] = THING_GLOW_BUG;  // the boss finds no room
  thing_count = MAX_THINGS;
  const int guns[3] = {40, 22, 7};
  thing_type[40] = THING_TURRET;
  thing_type[22] = THING_LASER;
  thing_type[7] = THING_LASER_DOWN;
  SeedRandom(21);
  int expected[3];
  for (int& delay : expected) delay = 225 + Rand() % 25;
  SeedRandom(21);
  RunTick(945);
  EXPECT_EQ(script_var_5, -1);
  for (int k = 0; k < 3; k++) EXPECT_EQ(thing_fire_timer[guns[k]], expected[k]) << k;
}

TEST(Stage10, TheCoreRisesAtTick1050) {
  BeginStage(10);
  RunTick(945);
  RunTick(1050);
  EXPECT_EQ(thing_param[script_var_5], 1);
  EXPECT_EQ(thing_vy[script_var_5], -2);
}

TEST(Stage10, HoldsForItsCoreThenEndsClearingTheScenery) {
  BeginStage(10);
  RunTick(945);
  EXPECT_EQ(RunTick(1300), 0);
  EXPECT_EQ(stage_tick, 1200);
  DestroyThing(script_var_5);
  EXPECT_EQ(RunTick(1300), 0);
  EXPECT_EQ(stage_tick, 1300);
  RunTick(1400);
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(fog_end_target, 80.0f);
  CreateStatic(STATIC_TREE, 280, 95, 20);
  EXPECT_EQ(RunTick(1550), 1);
  EXPECT_EQ(static_count, 0);
}

// ---- Whole stages, frame by frame ------------------------------------------------------------------

TEST(StageScenario, Stage9HoldsForItsBossThenEnds) {
  PlayStage(9);
  PlayUntil([] { return stage_tick == 1875; });
  ASSERT_TRUE(AnyBossCore());
  EXPECT_EQ(world_shift, 0);
  for (int frame = 0; frame < 60; frame++) {
    RunGameFrame();
    ASSERT_GE(stage_tick, 1851);
  }
  DestroyBossCores();
  EXPECT_TRUE(EndsWithin(1925 - 1850));
}

TEST(StageScenario, Stage10KeepsItsTreesComingWhileItHolds) {
  PlayStage(10);
  PlayUntil([] { return stage_tick == 1300; });
  ASSERT_TRUE(RegisterIs(script_var_5, THING_CORE_5));
  for (int frame = 0; frame < 300; frame++) {  // three passes through ticks 1201 to 1300
    RunGameFrame();
    ASSERT_GE(stage_tick, 1201);
    if (stage_tick == 1206) {
      EXPECT_EQ(floor_x1, 5165.0f);  // the barrier set again on each pass
    }
  }
  DestroyThing(script_var_5);
  EXPECT_TRUE(EndsWithin(1550 - 1200));
}

}  // namespace
