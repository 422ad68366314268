#include <gtest/gtest.h>

#include <cmath>

#include "stage_fixture.h"
#include "world/compounds.h"
#include "world/game.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/things.h"

namespace {

// The statics in the order they were created on an empty table (slots are taken downward).
int NthStatic(int n) { return MAX_STATICS - 1 - n; }

// ---- Stage 4 -------------------------------------------------------------------------------------

TEST(Stage4, TickZeroSetsOnlyTheDesertSkyAndGround) {
  BeginStage(4);
  RunTick(0);
  EXPECT_EQ(backdrop_mesh, &mesh_sky_desert_01);
  EXPECT_EQ(scroll_speed, 4);
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(floor_x1, -140.0f);
  EXPECT_EQ(fog_end_target, 120.0f);
}

TEST(Stage4, StrewsARockThenATreeOneFrameInSixtyFour) {
  BeginStage(4);
  SeedRandom(99);
  // Each position draws its depth before its x; the rock draws its turn once placed.
  const int rock_z = Rand() % 200, rock_x = Rand() % 140, rock_ry = Rand() % 360;
  const int tree_z = Rand() % 200, tree_x = Rand() % 140;
  SeedRandom(99);
  phase_64 = 0;
  RunTick(1599);
  ASSERT_EQ(static_count, 2);
  const int rock = NthStatic(0), tree = NthStatic(1);
  EXPECT_EQ(static_type[rock], STATIC_ROCK_1);
  EXPECT_EQ(static_x[rock], 280.0f + rock_x);
  EXPECT_EQ(static_y[rock], 95.0f + world_shift);
  EXPECT_EQ(static_z[rock], 20.0f + rock_z);
  EXPECT_EQ(static_ry[rock], static_cast<float>(rock_ry));
  EXPECT_EQ(static_type[tree], STATIC_TREE);
  EXPECT_EQ(static_x[tree], 280.0f + tree_x);
  EXPECT_EQ(static_z[tree], 20.0f + tree_z);

  RunTick(1600);  // the strewing stops here
  phase_64 = 5;
  RunTick(1000);  // and comes on no other phase
  EXPECT_EQ(static_count, 2);
}

TEST(Stage4, TheGroundRisesIntoViewAtTickThirty) {
  BeginStage(4);
  world_shift = 40;
  RunTick(30);
  EXPECT_EQ(key_light_target.r, 0.65f);
  EXPECT_EQ(key_light_target.g, 0.62f);
  EXPECT_EQ(fill_light_target.r, 0.25f);
  EXPECT_EQ(sky_color_target.b, 0.5f);
  EXPECT_EQ(horizon_color_target.g, 0.45f);
  EXPECT_EQ(stars_color_target.r, 0.0f);
  EXPECT_EQ(fog_end_target, 300.0f);
  EXPECT_EQ(world_shift_target, 0);
  EXPECT_EQ(floor_x0, -140.0f);
  EXPECT_EQ(floor_x1, 2165.0f);
  EXPECT_EQ(ceiling_x1, -140.0f);
  ASSERT_EQ(thing_type[58], THING_TREE_TRUNK);
  EXPECT_EQ(thing_x[58], 105.0f);
  EXPECT_EQ(thing_y[58], 135.0f);  // on the ground of the shifted world
}

TEST(Stage4, StructuresSlideLeftOverTheFloor) {
  for (int tick : {450, 750, 1050, 1350}) {
    BeginStage(4);
    RunTick(tick);
    ASSERT_GE(thing_count, 1) << tick;
    EXPECT_EQ(thing_x[58], 165.0f) << tick;
    EXPECT_EQ(thing_y[58], 83.0f) << tick;
    EXPECT_EQ(thing_vx[58], -1) << tick;
    EXPECT_EQ(thing_timer[58], 0) << tick;
  }
}

TEST(Stage4, HoldsForItsBossAndKeepsTheFloorUnderIt) {
  BeginStage(4);
  world_shift = 0;
  RunTick(1650);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_8));
  EXPECT_EQ(thing_y[script_handle], 88.0f);
  EXPECT_EQ(thing_vx[script_handle], -1);
  floor_x1 = 20.0f;
  EXPECT_EQ(RunTick(1760), 0);
  EXPECT_EQ(stage_tick, 1660);
  EXPECT_EQ(floor_x1, 365.0f);
  floor_x1 = 20.0f;
  thing_type[script_handle] = THING_EXPLOSION;
  EXPECT_EQ(RunTick(1760), 0);
  EXPECT_EQ(stage_tick, 1760);
  EXPECT_EQ(floor_x1, 20.0f);
}

TEST(Stage4, EndsInTheDarkWithTheSceneryCleared) {
  BeginStage(4);
  CreateStatic(STATIC_TREE, 200, 95, 20);
  CreateGenerator(STATIC_TREE, 10, 5, 0, 95, 0);
  RunTick(1900);
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(floor_x1, 0.0f);
  EXPECT_EQ(fog_end_target, 80.0f);
  EXPECT_EQ(RunTick(1949), 0);
  EXPECT_EQ(RunTick(1950), 1);
  EXPECT_EQ(static_count, 0);
  EXPECT_EQ(generator_count, 0);
}

// ---- Stage 5 -------------------------------------------------------------------------------------

TEST(Stage5, OpensWithAnArcOfSixteenTumblingRocks) {
  BeginStage(5);
  SeedRandom(3);
  struct Rock {
    float x, y, z, spin_y, spin_x, spin_z;
  } expected[16];
  int k = 0;
  for (float a = -1.0f; a < 3.0f; a += 0.25f, k++) {
    const int dz = Rand() % 9, dy = Rand() % 9, dx = Rand() % 9;  // last coordinate first
    Rand(), Rand(), Rand();  // the rock's own turn
    const int sy = Rand() % 3, sx = Rand() % 3, sz = Rand() % 3;
    // The arc's sine and cosine are taken in double precision.
    expected[k] = {420.0f + dx, static_cast<float>(100 * std::sin(double{a}) - 75 + dy),
                   static_cast<float>(100 * std::cos(double{a}) + 120 + dz),
                   sy - 1.5f, sx - 1.5f, sz - 1.5f};
  }
  ASSERT_EQ(k, 16);
  SeedRandom(3);
  RunTick(0);
  EXPECT_EQ(scroll_speed, 2);
  EXPECT_EQ(fog_end_target, 800.0f);
  ASSERT_EQ(static_count, 16);
  for (int n = 0; n < 16; n++) {
    const int s = NthStatic(n);
    EXPECT_EQ(static_type[s], n % 2 == 0 ? STATIC_ROCK_3 : STATIC_ROCK_2) << n;
    EXPECT_EQ(static_x[s], expected[n].x) << n;
    EXPECT_EQ(static_y[s], expected[n].y) << n;
    EXPECT_EQ(static_z[s], expected[n].z) << n;
    EXPECT_EQ(static_spin_y[s], expected[n].spin_y) << n;
    EXPECT_EQ(static_spin_x[s], expected[n].spin_x) << n;
    EXPECT_EQ(static_spin_z[s], expected[n].spin_z) << n;
  }
}

TEST(Stage5, AnEveryFrameRockDrawsItsPlaceLastCoordinateFirstThenItsSpins) {
  BeginStage(5);
  SeedRandom(77);
  const int z = Rand() % 150, y = Rand() % 100, x = Rand() % 70;
  Rand(), Rand(), Rand();  // the rock's own turn
  const int sy = Rand() % 3, sx = Rand() % 3, sz = Rand() % 3;
  SeedRandom(77);
  phase_64 = 0;
  RunTick(10);
  ASSERT_EQ(static_count, 1);
  const int s = NthStatic(0);
  EXPECT_EQ(static_type[s], STATIC_ROCK_3);
  EXPECT_EQ(static_x[s], 280.0f + x);
  EXPECT_EQ(static_y[s], static_cast<float>(y));
  EXPECT_EQ(static_z[s], 50.0f + z);
  EXPECT_EQ(static_spin_y[s], sy - 1.5f);
  EXPECT_EQ(static_spin_x[s], sx - 1.5f);
  EXPECT_EQ(static_spin_z[s], sz - 1.5f);
}

TEST(Stage5, EveryFrameRocksAlternateFromTheSmallerOne) {
  BeginStage(5);
  for (int n = 0; n < 4; n++) {
    phase_64 = 0;
    RunTick(10 + n);
    phase_64 = 1;
    RunTick(20 + n);  // off phase: no rock
  }
  ASSERT_EQ(static_count, 4);
  for (int n = 0; n < 4; n++) {
    const int s = NthStatic(n);
    EXPECT_EQ(static_type[s], n % 2 == 0 ? STATIC_ROCK_3 : STATIC_ROCK_2) << n;
    EXPECT_GE(static_x[s], 280.0f);
    EXPECT_LE(static_x[s], 349.0f);
    EXPECT_GE(static_y[s], 0.0f);
    EXPECT_LE(static_y[s], 99.0f);
    EXPECT_GE(static_z[s], 50.0f);
    EXPECT_LE(static_z[s], 199.0f);
    for (float spin : {static_spin_y[s], static_spin_x[s], static_spin_z[s]}) {
      EXPECT_TRUE(spin == -1.5f || spin == -0.5f || spin == 0.5f) << spin;
    }
  }
  EXPECT_EQ(script_var_2, 0);
}

TEST(Stage5, ARockThatFindsTheTableFullIsSkipped) {
  BeginStage(5);
  for (int i = 0; i < MAX_STATICS; i++) static_type[i] = STATIC_TREE;
  static_count = MAX_STATICS;
  phase_64 = 0;
  EXPECT_EQ(RunTick(0), 0);
  EXPECT_EQ(static_count, MAX_STATICS);
  EXPECT_EQ(scroll_speed, 2);  // the rest of the tick still runs
}

TEST(Stage5, SixFightersInAZigzag) {
  BeginStage(5);
  RunTick(150);
  const float expected[6][2] = {{165, 10}, {175, 80}, {185, 10}, {195, 80}, {205, 10}, {215, 80}};
  ASSERT_EQ(thing_count, 6);
  for (int k = 0; k < 6; k++) {
    EXPECT_EQ(thing_type[58 - k], THING_FIGHTER);
    EXPECT_EQ(thing_x[58 - k], expected[k][0]) << k;
    EXPECT_EQ(thing_y[58 - k], expected[k][1]) << k;
  }
}

TEST(Stage5, HoldsWhileAnyBossCoreLivesAndEndsWithItsRocks) {
  BeginStage(5);
  RunTick(850);
  EXPECT_EQ(CountThings(THING_CORE_3), 1);
  EXPECT_EQ(RunTick(900), 0);
  EXPECT_EQ(stage_tick, 875);
  DestroyBossCores();
  EXPECT_EQ(RunTick(900), 0);
  EXPECT_EQ(stage_tick, 900);
  CreateStatic(STATIC_ROCK_2, 300, 50, 60);
  EXPECT_EQ(RunTick(1025), 1);
  EXPECT_EQ(CountStatics(STATIC_ROCK_2), 1);
}

// ---- Stage 6 -------------------------------------------------------------------------------------

TEST(Stage6, StartsWithTheWorldLoweredAtOnce) {
  BeginStage(6);
  RunTick(0);
  EXPECT_EQ(world_shift, 150);
  EXPECT_EQ(world_shift_target, 150);
  EXPECT_EQ(key_light_target.g, 0.7f);
  EXPECT_EQ(fog_end_target, 60.0f);
  EXPECT_EQ(scroll_speed, 4);
  EXPECT_EQ(projectile_count, 0);  // no drift debris in this stage
}

// Tick 211 of a world shifted to 100, as it is by then.
void BuildTheBridge() {
  BeginStage(6);
  world_shift = world_shift_target = 100;
  RunTick(211);
}

TEST(Stage6, TheBridgeAndItsRegisters) {
  BuildTheBridge();
  const float xs[10] = {165, 190, 215, 240, 265, 290, 315, 342, 367, 392};
  for (int k = 0; k < 10; k++) {
    EXPECT_EQ(thing_type[58 - k], THING_PART_BRIDGE) << k;
    EXPECT_EQ(thing_x[58 - k], xs[k]) << k;
    EXPECT_EQ(thing_y[58 - k], 100.0f) << k;
  }
  EXPECT_EQ(script_handle, 55);
  EXPECT_EQ(script_var_2, 54);
  EXPECT_EQ(script_var_3, 53);
  EXPECT_EQ(script_var_4, 52);
  EXPECT_EQ(script_var_5, 51);
  ASSERT_TRUE(RegisterIs(script_var_6, THING_FLOOR_PLATFORM));
  EXPECT_EQ(thing_vx[script_var_6], -1);
  EXPECT_EQ(thing_param[script_var_6], -1);
  ASSERT_EQ(generator_count, 2);
  int cave_walls = 0;
  for (int g = 0; g < MAX_GENERATORS; g++) {
    if (generator_type[g] == STATIC_CAVE_SURFACE_2) {
      cave_walls++;
      EXPECT_EQ(generator_y[g], 150.0f);
      EXPECT_EQ(generator_z[g], 70.0f);
    } else if (generator_type[g] == STATIC_CAVE_SURFACE_1) {
      cave_walls++;
      EXPECT_EQ(generator_y[g], 195.0f);
    }
    if (generator_type[g] != 0) {
      EXPECT_EQ(generator_remaining[g], 48);
    }
  }
  EXPECT_EQ(cave_walls, 2);
}

TEST(Stage6, FiveBridgePiecesFallOneAfterAnother) {
  BuildTheBridge();
  const int platform = script_var_6;
  const auto expect_falling = [](int slot) {
    EXPECT_EQ(thing_fuse[slot], 85) << slot;
    EXPECT_EQ(thing_vy[slot], 4) << slot;
  };
  RunTick(350);
  expect_falling(54);
  EXPECT_EQ(thing_vy[platform], 4);  // the platform goes down with the first piece
  RunTick(355);
  ASSERT_TRUE(RegisterIs(script_var_2, THING_FLOOR_PLATFORM));
  EXPECT_EQ(thing_fuse[script_var_2], 115);
  RunTick(360);
  expect_falling(53);
  RunTick(380);
  expect_falling(55);
  RunTick(390);
  expect_falling(52);
  RunTick(430);
  expect_falling(51);
  for (int slot : {58, 57, 56, 50, 49}) {
    EXPECT_EQ(thing_fuse[slot], 0) << slot;
    EXPECT_EQ(thing_vy[slot], 0) << slot;
  }
}

TEST(Stage6, TheFloorPlatformIsLeftAloneOnceItIsGone) {
  BuildTheBridge();
  const int platform = script_var_6;
  thing_type[platform] = THING_EXPLOSION;
  RunTick(350);
  RunTick(400);
  EXPECT_EQ(thing_vy[platform], 0);
  EXPECT_EQ(thing_param[platform], -1);

  BuildTheBridge();
  RunTick(400);
  EXPECT_EQ(thing_param[script_var_6], script_var_6);
}

TEST(Stage6, ATrunkOfThreePiecesHungOnEachOther) {
  BeginStage(6);
  RunTick(550);
  ASSERT_EQ(thing_type[script_handle], THING_TREE_TRUNK);
  EXPECT_EQ(thing_x[script_handle], 220.0f);
  EXPECT_EQ(thing_parent[script_handle], -1);
  ASSERT_EQ(thing_type[script_var_2], THING_TREE_TRUNK);
  EXPECT_EQ(thing_parent[script_var_2], script_handle);
  EXPECT_EQ(thing_anchor_y[script_var_2], -10.0f);
  EXPECT_EQ(thing_vx[script_var_2], 0);
  ASSERT_EQ(thing_type[script_var_3], THING_TREE_TRUNK);
  EXPECT_EQ(thing_parent[script_var_3], script_var_2);
  EXPECT_EQ(thing_vx[script_var_3], 0);
  EXPECT_EQ(CountThings(THING_TREE_BRANCH), 2);
  EXPECT_EQ(CountStatics(STATIC_TREE_BRANCH), 2);
}

TEST(Stage6, TickElevenFortyStopsOnlyAHeavyFighter) {
  BeginStage(6);
  RunTick(1090);
  ASSERT_EQ(thing_type[script_var_2], THING_FIGHTER);
  const int vx = thing_vx[script_var_2];
  ASSERT_NE(vx, 0);
  RunTick(1140);
  EXPECT_EQ(thing_vx[script_var_2], vx);  // the fighter of tick 1090 flies on

  thing_type[script_var_2] = THING_FIGHTER_2;
  RunTick(1140);
  EXPECT_EQ(thing_vx[script_var_2], 0);
}

TEST(Stage6, TheTugTurnsUpOrTheStageSkipsToTheBoss) {
  BeginStage(6);
  RunTick(920);
  ASSERT_TRUE(RegisterIs(script_handle, THING_TUG));
  EXPECT_EQ(RunTick(1225), 0);
  EXPECT_EQ(stage_tick, 1225);
  EXPECT_EQ(thing_vy[script_handle], -2);
  EXPECT_EQ(thing_fuse[script_handle], 270);

  thing_type[script_handle] = THING_EXPLOSION;
  stage_tick = 1225;
  RunScriptFrame();
  EXPECT_EQ(stage_tick, 1326);
}

TEST(Stage6, BeamGunsHoldTheirFire) {
  BeginStage(6);
  PlaceThing(10, THING_BEAM_GUN, 100, 50);
  PlaceThing(11, THING_TURRET, 100, 50);
  thing_fire_timer[10] = thing_fire_timer[11] = 3;
  RunTick(1250);
  EXPECT_EQ(thing_fire_timer[10], 200);
  EXPECT_EQ(thing_fire_timer[11], 3);
}

TEST(Stage6, HoldsForTheBossThenOpensTheCave) {
  BeginStage(6);
  RunTick(1340);
  ASSERT_EQ(CountThings(THING_CORE_10), 1);
  EXPECT_EQ(RunTick(1550), 0);
  EXPECT_EQ(stage_tick, 1350);
  EXPECT_EQ(CountStatics(STATIC_CAVE_1), 0);
  DestroyBossCores();
  EXPECT_EQ(RunTick(1550), 0);
  EXPECT_EQ(stage_tick, 1550);
  ASSERT_EQ(CountStatics(STATIC_CAVE_1), 1);
  EXPECT_EQ(static_x[NthStatic(0)], 245.0f);
  EXPECT_EQ(static_z[NthStatic(0)], 370.0f);
}

TEST(Stage6, TheRepeatedStretchRenewsTheCaveWalls) {
  BeginStage(6);
  RunTick(1365);
  EXPECT_EQ(ceiling_x1, 465.0f);
  EXPECT_EQ(floor_x1, 1165.0f);
  EXPECT_EQ(generator_count, 3);
  for (int g = 0; g < MAX_GENERATORS; g++) {
    if (generator_type[g] != 0) {
      EXPECT_EQ(generator_remaining[g], 8);
    }
  }
}

TEST(Stage6, StillPlatformsJoinTheGround) {
  BeginStage(6);
  scroll_speed = 4;
  script_var_6 = PlaceThing(20, THING_GLOW_BUG, 0, 0);
  thing_param[20] = 9;
  PlaceThing(10, THING_CEILING_PLATFORM, 100, 5);
  PlaceThing(11, THING_CEILING_PLATFORM, 100, 5);
  PlaceThing(12, THING_FLOOR_PLATFORM, 100, 95);
  PlaceThing(13, THING_FLOOR_PLATFORM, 100, 95);
  thing_vy[11] = thing_vy[13] = 2;  // on the move: left alone
  for (int i = 10; i <= 13; i++) thing_timer[i] = thing_vx[i] = 7;
  RunTick(1620);
  EXPECT_EQ(thing_param[20], 0);
  EXPECT_EQ(ceiling_x1, 165.0f);
  EXPECT_EQ(thing_vx[10], -4);
  EXPECT_EQ(thing_timer[10], 0);
  EXPECT_EQ(thing_vx[11], 7);
  EXPECT_EQ(thing_timer[11], 7);
  EXPECT_EQ(thing_vx[12], 7);
  EXPECT_EQ(thing_timer[12], 0);
  EXPECT_EQ(thing_timer[13], 7);
}

TEST(Stage6, FadesToAStarlitSkyAndEndsClearingTheScenery) {
  BeginStage(6);
  CreateStatic(STATIC_CAVE_1, 245, 95, 370);
  RunTick(1900);
  EXPECT_EQ(stars_color_target.r, 0.1f);
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(RunTick(1950), 1);
  EXPECT_EQ(static_count, 0);
}

// ---- Whole stages, frame by frame ------------------------------------------------------------------

TEST(StageScenario, Stage4HoldsUnderItsBossThenEnds) {
  PlayStage(4);
  PlayUntil([] { return stage_tick == 1760; });
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_8));
  EXPECT_EQ(world_shift, 0);
  for (int frame = 0; frame < 150; frame++) {
    RunGameFrame();
    ASSERT_GE(stage_tick, 1661);
    ASSERT_LE(stage_tick, 1760);
  }
  EXPECT_GT(floor_x1, 165.0f);  // stretched again on every pass
  DestroyThing(script_handle);
  EXPECT_TRUE(EndsWithin(1950 - 1660));
}

TEST(StageScenario, Stage5HoldsForItsBossThenEnds) {
  PlayStage(5);
  PlayUntil([] { return stage_tick == 900; });
  ASSERT_TRUE(AnyBossCore());
  for (int frame = 0; frame < 60; frame++) RunGameFrame();
  ASSERT_TRUE(Playing());
  EXPECT_GE(stage_tick, 876);
  EXPECT_LE(stage_tick, 900);
  DestroyBossCores();
  EXPECT_TRUE(EndsWithin(1025 - 875));
}

TEST(StageScenario, Stage6SkipsTheTugFightAndHoldsForTheBoss) {
  PlayStage(6);
  PlayUntil([] { return stage_tick == 1000; });
  ASSERT_TRUE(RegisterIs(script_handle, THING_TUG));
  DestroyThing(script_handle);
  PlayUntil([] { return stage_tick == 1225; });
  RunGameFrame();
  EXPECT_EQ(stage_tick, 1326);
  PlayUntil([] { return stage_tick == 1550; });
  ASSERT_TRUE(AnyBossCore());
  for (int frame = 0; frame < 400; frame++) {  // two passes through the repeated stretch
    RunGameFrame();
    ASSERT_GE(stage_tick, 1351);
  }
  DestroyBossCores();
  EXPECT_TRUE(EndsWithin(1950 - 1350));
}

}  // namespace
