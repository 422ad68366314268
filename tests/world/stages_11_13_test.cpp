#include <gtest/gtest.h>

#include <vector>

#include "draws.h"
#include "fake_engine.h"
#include "stage_fixture.h"
#include "world/collisions.h"
#include "world/compounds.h"
#include "world/game.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/things.h"

namespace {

// The slot of the static created last (the table fills from the top down).
int LastStatic() { return static_last; }

// ---- Stage 11 ------------------------------------------------------------------------------------

TEST(Stage11, TickZeroSetsTheSkyTheCavesAndTheGround) {
  BeginStage(11);
  RunTick(0);
  EXPECT_EQ(backdrop_mesh, &mesh_sky_cloudy_02);
  EXPECT_EQ(scroll_speed, 4);
  ASSERT_EQ(static_count, 2);
  EXPECT_EQ(static_type[99], STATIC_CAVE_1);
  EXPECT_EQ(static_x[99], 820.0f);
  EXPECT_EQ(static_y[99], 145.0f);  // on the ground of the world at shift 50
  EXPECT_EQ(static_z[99], 370.0f);
  EXPECT_EQ(static_type[98], STATIC_CAVE_2);
  EXPECT_EQ(static_x[98], 2150.0f);
  EXPECT_EQ(static_z[98], 0.0f);
  EXPECT_EQ(floor_x1, -140.0f);
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(thing_count, 0);
}

TEST(Stage11, BackgroundScenery) {
  const struct {
    int tick, phase_32, phase_64;
    int type;  // 0: none
    float y;
    int z_base, z_range;
  } rows[] = {
      {1, 0, 1, STATIC_TREE, 145, 10, 150},   {474, 0, 1, STATIC_TREE, 145, 10, 150},
      {474, 1, 15, 0, 0, 0, 0},               {475, 0, 1, 0, 0, 0, 0},
      {1501, 0, 1, STATIC_TREE, 95, 5, 50},   {1799, 0, 1, STATIC_TREE, 95, 5, 50},
      {1701, 1, 15, STATIC_ROCK_2, 90, 5, 50}, {2599, 1, 15, STATIC_ROCK_2, 90, 5, 50},
      {2600, 1, 15, 0, 0, 0, 0},              {1700, 1, 15, 0, 0, 0, 0},
  };
  for (const auto& row : rows) {
    BeginStage(11);
    phase_32 = row.phase_32;
    phase_64 = row.phase_64;
    const int draw = PeekDraws(1)[0];
    RunTick(row.tick);
    if (row.type == 0) {
      EXPECT_EQ(static_count, 0) << row.tick;
      continue;
    }
    ASSERT_EQ(static_count, 1) << row.tick;
    const int s = LastStatic();
    EXPECT_EQ(static_type[s], row.type) << row.tick;
    EXPECT_EQ(static_x[s], 280.0f) << row.tick;
    EXPECT_EQ(static_y[s], row.y) << row.tick;
    EXPECT_EQ(static_z[s], static_cast<float>(row.z_base + draw % row.z_range)) << row.tick;
  }
}

TEST(Stage11, TheForestComesUpWithTheWorld) {
  BeginStage(11);
  RunTick(150);
  EXPECT_EQ(world_shift_target, 0);
  EXPECT_EQ(floor_x0, -140.0f);
  EXPECT_EQ(floor_x1, 2665.0f);
  EXPECT_EQ(stars_color_target.r, 0.0f);
  EXPECT_EQ(key_light_target.g, 0.7f);
  EXPECT_EQ(CountThings(THING_TREE_TOP_PLATFORM), 2);
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] != 0 && thing_parent[i] == -1) {
      EXPECT_EQ(thing_y[i], 145.0f) << i;
    }
  }
}

TEST(Stage11, DaylightDimsOnlyTheGlowBug) {
  for (int tick : {125, 1600, 2750}) {
    BeginStage(11);
    script_var_6 = PlaceThing(20, THING_GLOW_BUG, 100, 90);
    thing_param[20] = 1;
    PlaceThing(21, THING_FIGHTER, 100, 50);
    thing_param[21] = 1;
    RunTick(tick);
    EXPECT_EQ(thing_param[20], 0) << tick;
    EXPECT_EQ(key_light_target.r, 0.6f);
    EXPECT_EQ(fill_light_target.b, 0.3f);
    EXPECT_EQ(sky_color_target.b, 0.6f);
    EXPECT_EQ(horizon_color_target.g, 0.5f);
    EXPECT_EQ(fog_end_target, 300.0f);

    script_var_6 = 21;  // the slot now holds something else
    RunTick(tick);
    EXPECT_EQ(thing_param[21], 1) << tick;
  }
}

TEST(Stage11, NightBringsAGlowBugAndTheLaterRowClearsWhateverHoldsItsSlot) {
  BeginStage(11);
  RunTick(725);
  ASSERT_GE(script_var_6, 0);
  EXPECT_EQ(thing_type[script_var_6], THING_GLOW_BUG);
  EXPECT_EQ(thing_x[script_var_6], 365.0f);
  EXPECT_EQ(fill_light_target.b, 0.8f);

  thing_type[script_var_6] = THING_FIGHTER;
  thing_param[script_var_6] = 4;
  RunTick(2655);
  EXPECT_EQ(thing_param[script_var_6], 0);
  EXPECT_EQ(ceiling_x1, 265.0f);
  EXPECT_EQ(static_type[LastStatic()], STATIC_CAVE_1);

  script_var_6 = -1;  // a glow bug that could not be spawned
  RunTick(2655);
}

TEST(Stage11, BranchesComeWithTheirPicture) {
  const struct {
    int tick;
    float y;
  } rows[] = {{750, 30}, {830, 40}, {865, 25}, {950, 60}, {1250, 50}, {1290, 50}, {1330, 50}, {1950, 65}};
  for (const auto& row : rows) {
    BeginStage(11);
    RunTick(row.tick);
    ASSERT_EQ(thing_type[58], THING_TREE_BRANCH) << row.tick;
    EXPECT_EQ(thing_x[58], 215.0f);
    EXPECT_EQ(thing_y[58], row.y) << row.tick;
    const int s = LastStatic();
    EXPECT_EQ(static_type[s], STATIC_TREE_BRANCH) << row.tick;
    EXPECT_EQ(static_x[s], 215.0f);
    EXPECT_EQ(static_y[s], row.y) << row.tick;
  }
}

TEST(Stage11, TheSpawnerRidesTheCrownOfItsTree) {
  BeginStage(11);
  thing_type[40] = THING_FIGHTER;  // the tree's parts go around it
  thing_count = 1;
  RunTick(2005);
  int crown = -1, spawner = -1;
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] == THING_TREE_TOP_PLATFORM) crown = i;
    if (thing_type[i] == THING_SPAWNER) spawner = i;
  }
  ASSERT_GE(crown, 0);
  ASSERT_GE(spawner, 0);
  EXPECT_EQ(thing_parent[spawner], crown);
  EXPECT_EQ(thing_anchor_x[spawner], -3.0f);
  EXPECT_EQ(thing_anchor_y[spawner], -10.0f);
  EXPECT_EQ(thing_fire_interval[spawner], 20);
  EXPECT_EQ(thing_aim_y[spawner], -4.0f);
  EXPECT_EQ(thing_vx[spawner], 0);
  EXPECT_EQ(thing_param[spawner], COMPOUND_CEILING_TURRET);
}

TEST(Stage11, HoldsForTheBossLayingMoreCaveEveryTime) {
  BeginStage(11);
  RunTick(2390);
  ASSERT_EQ(CountThings(THING_CORE_4), 1);
  stage_tick = 2451;
  RunUntilTick(2650);
  const int caves = CountGenerators(STATIC_CAVE_SURFACE_1);
  EXPECT_EQ(caves, 1);
  EXPECT_EQ(RunScriptFrame(), 0);
  EXPECT_EQ(stage_tick, 2451);
  RunUntilTick(2650);
  EXPECT_EQ(CountGenerators(STATIC_CAVE_SURFACE_1), 2);
  EXPECT_EQ(CountGenerators(STATIC_CAVE_SURFACE_2), 2);
  EXPECT_EQ(ceiling_x1, 465.0f);
  EXPECT_EQ(floor_x1, 1165.0f);

  DestroyBossCores();
  thing_type[FirstThingOf(THING_EXPLOSION)] = THING_POW_MISSILE;  // a pickup is no core
  EXPECT_EQ(RunScriptFrame(), 0);
  EXPECT_EQ(stage_tick, 2651);
}

TEST(Stage11, EndsAtTick3250WithTheSceneryCleared) {
  BeginStage(11);
  RunTick(0);
  RunTick(150);
  RunTick(2750);  // daylight
  RunTick(3150);  // the run-out
  EXPECT_EQ(world_shift_target, 50);
  EXPECT_EQ(sky_color_target.b, 0.0f);
  EXPECT_EQ(horizon_color_target.g, 0.0f);
  EXPECT_EQ(fog_end_target, 80.0f);
  CreateGenerator(STATIC_CAVE_SURFACE_1, 25, 8, 50, 5, 0);
  EXPECT_EQ(RunTick(3249), 0);
  EXPECT_EQ(RunTick(3250), 1);
  EXPECT_EQ(static_count, 0);
  EXPECT_EQ(generator_count, 0);
}

// ---- Stage 12 ------------------------------------------------------------------------------------

TEST(Stage12, TickZeroSetsTheCorridorAndSendsThePairOfFighters) {
  BeginStage(12);
  RunTick(0);
  EXPECT_EQ(backdrop_mesh, nullptr);
  EXPECT_EQ(scroll_speed, 6);
  EXPECT_EQ(floor_x0, 465.0f);
  EXPECT_EQ(ceiling_x0, 465.0f);
  EXPECT_EQ(floor_x1, 1565.0f);
  EXPECT_EQ(ceiling_x1, 1565.0f);
  EXPECT_EQ(fog_end_target, 200.0f);
  EXPECT_EQ(world_shift_target, 50);
  for (int tick : {0, 30, 60}) {
    if (tick) RunTick(tick);
    EXPECT_EQ(CountThings(THING_FIGHTER), 2 * (tick / 30 + 1));
  }
  EXPECT_EQ(thing_x[58], 55.0f);
  EXPECT_EQ(thing_vy[58], 2);
  EXPECT_EQ(thing_fuse[58], 450);
  EXPECT_EQ(thing_y[57], 105.0f);
  EXPECT_EQ(thing_vy[57], -2);
}

TEST(Stage12, PostsUnderTheCeilingAndOverTheFloor) {
  const struct {
    int tick;
    bool posts;
  } rows[] = {{150, true}, {300, true}, {450, true}, {755, true}, {780, true}, {805, true},
              {175, false}, {475, false}, {730, false}};
  for (const auto& row : rows) {
    BeginStage(12);
    RunTick(row.tick);
    if (!row.posts) {
      EXPECT_EQ(thing_count, 0) << row.tick;
      continue;
    }
    ASSERT_EQ(thing_count, 2) << row.tick;
    EXPECT_EQ(thing_type[58], THING_PART_VERT_2) << row.tick;
    EXPECT_EQ(thing_y[58], 13.0f) << row.tick;
    EXPECT_EQ(thing_type[57], THING_PART_VERT_2) << row.tick;
    EXPECT_EQ(thing_y[57], 87.0f) << row.tick;
  }
}

TEST(Stage12, CorridorGeneratorsByTick) {
  const struct {
    int tick, plates, braces;
  } rows[] = {{95, 46, 10}, {700, 91, 18}, {1428, 13, 2}};
  for (const auto& row : rows) {
    BeginStage(12);
    RunTick(row.tick);
    ASSERT_EQ(generator_count, 4);
    // The table fills from the top: ceiling plates, turned plates, braces, floor plates.
    const int types[4] = {STATIC_METAL_SURFACE, STATIC_METAL_SURFACE_TURNED, STATIC_BRACE_1, STATIC_METAL_SURFACE};
    const float ys[4] = {5, 50, 50, 95}, zs[4] = {0, 35, 35, 0};
    for (int k = 0; k < 4; k++) {
      const int g = MAX_GENERATORS - 1 - k;
      EXPECT_EQ(generator_type[g], types[k]) << row.tick;
      EXPECT_EQ(generator_remaining[g], k == 2 ? row.braces : row.plates) << row.tick;
      EXPECT_EQ(generator_interval[g], k == 2 ? 40 : 8);
      EXPECT_EQ(generator_x[g], 20.0f);
      EXPECT_EQ(generator_y[g], ys[k]);
      EXPECT_EQ(generator_z[g], zs[k]);
    }
  }
}

TEST(Stage12, TheBossRisesFromBelow) {
  BeginStage(12);
  RunTick(500);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_12));
  EXPECT_EQ(thing_x[script_handle], 60.0f);
  EXPECT_EQ(thing_y[script_handle], 130.0f);
  EXPECT_EQ(thing_vx[script_handle], -1);
  EXPECT_EQ(thing_vy[script_handle], -2);
  EXPECT_EQ(key_light_target.g, 0.4f);

  RunTick(725);
  EXPECT_EQ(thing_vx[script_handle], 0);
  RunTick(785);
  EXPECT_EQ(thing_vy[script_handle], 1);
  RunTick(1045);
  RunTick(1100);
  EXPECT_EQ(thing_vx[script_handle], 2);
  RunTick(1310);
  EXPECT_EQ(thing_param[script_handle], 1);
}

// Puts stage 12's boss core at (bx, by) in slot 30.
void PlaceBoss12(float bx, float by) {
  script_handle = PlaceThing(30, THING_CORE_12, bx, by);
}

TEST(Stage12, TheWallIsBuiltAroundTheBoss) {
  BeginStage(12);
  PlaceBoss12(60, 50);
  RunTick(830);
  const struct {
    int type;
    float y;
    int fuse;
  } parts[] = {{THING_PART_VERT_2X2, 13, 0}, {THING_PART_VERT_2, 35, 33}, {THING_PART_VERT_2, 65, 32},
               {THING_PART_VERT_2X2, 88, 0}};
  for (int k = 0; k < 4; k++) {
    const int slot = 58 - k;
    EXPECT_EQ(thing_type[slot], parts[k].type) << k;
    EXPECT_EQ(thing_x[slot], 165.0f);
    EXPECT_EQ(thing_y[slot], parts[k].y) << k;
    if (parts[k].fuse) {  // (165 - 60) / 4 = 26
      EXPECT_EQ(thing_fuse[slot], parts[k].fuse) << k;
    }
  }
}

TEST(Stage12, TheWallsFuseTruncatesTowardZero) {
  BeginStage(12);
  PlaceBoss12(170, 50);  // (165 - 170) / 4 = -1.25, truncated to -1
  RunTick(855);
  EXPECT_EQ(thing_fuse[57], 6);
  EXPECT_EQ(thing_fuse[56], 5);
}

TEST(Stage12, NoBossSlotNoWall) {
  for (int reg : {-1, 60}) {
    BeginStage(12);
    script_handle = reg;
    RunTick(830);
    EXPECT_EQ(thing_count, 0) << reg;
  }
}

TEST(Stage12, TheEndCheckHasThreeWays) {
  const struct {
    int tick;
    bool boss;
    float floor_x1;
    int result, tick_after, things;  // things: the boss's slot included
  } rows[] = {
      {695, true, 1000, 0, 695, 1},    // the boss alone
      {695, false, 165, 1, 695, 1},    // the floor has scrolled past: the end
      {695, false, 200, 0, 1550, 1},   // the floor still reaches beyond the spawn line
      {1200, true, 1000, 0, 1200, 6},  // a post before the boss, then the wall
      {1325, false, 900, 0, 1550, 1},
      {1250, false, 165, 1, 1250, 1},
  };
  for (const auto& row : rows) {
    BeginStage(12);
    PlaceBoss12(60, 50);
    if (!row.boss) thing_type[30] = THING_EXPLOSION;
    floor_x1 = ceiling_x1 = row.floor_x1;
    EXPECT_EQ(RunTick(row.tick), row.result) << row.tick;
    EXPECT_EQ(stage_tick, row.tick_after) << row.tick;
    EXPECT_EQ(thing_count, row.things) << row.tick;
    if (row.tick_after == 1550) {
      EXPECT_EQ(floor_x1, 165.0f);
      EXPECT_EQ(ceiling_x1, 165.0f);
    }
  }
}

TEST(Stage12, ThePostBeforeTheBossComesFirst) {
  BeginStage(12);
  PlaceBoss12(61, 40);
  RunTick(1200);
  EXPECT_EQ(thing_type[58], THING_PART_VERT_2);
  EXPECT_EQ(thing_y[58], 40.0f);
  EXPECT_EQ(thing_fuse[58], 29);  // (165 - 61) / 4 = 26, + 3
  EXPECT_EQ(thing_type[57], THING_PART_VERT_2X2);
  EXPECT_EQ(thing_y[57], 3.0f);
}

TEST(Stage12, TurretsAreBlownUpFromTheLowestSlot) {
  for (int tick : {1228, 1259, 1303}) {
    BeginStage(12);
    Spawn(THING_TURRET, 100, 50);    // 58
    Spawn(THING_TURRET_2, 100, 50);  // 57
    Spawn(THING_TURRET, 100, 50);    // 56
    RunTick(tick);
    EXPECT_EQ(thing_type[56], THING_EXPLOSION) << tick;
    EXPECT_EQ(thing_type[57], THING_TURRET_2);
    EXPECT_EQ(thing_type[58], THING_TURRET);
  }
  BeginStage(12);
  RunTick(1228);
  EXPECT_EQ(thing_count, 0);
}

TEST(Stage12, HoldsWhileTheBossSlotIsOccupiedThenEnds) {
  BeginStage(12);
  PlaceBoss12(60, 50);
  thing_type[30] = THING_EXPLOSION;
  EXPECT_EQ(RunTick(1507), 0);
  EXPECT_EQ(stage_tick, 1403);
  thing_type[30] = 0;
  EXPECT_EQ(RunTick(1507), 0);
  EXPECT_EQ(stage_tick, 1507);
  EXPECT_EQ(RunTick(1599), 0);
  EXPECT_EQ(RunTick(1600), 1);
}

TEST(Stage12, FightersSlowDownOnTheirTicks) {
  BeginStage(12);
  PlaceThing(20, THING_FIGHTER, 100, 50);
  PlaceThing(21, THING_FIGHTER_2, 100, 50);
  thing_vx[20] = thing_vx[21] = -1;
  for (int tick : {470, 480, 490}) RunTick(tick);
  EXPECT_EQ(thing_vx[20], -7);
  EXPECT_EQ(thing_vx[21], -1);
}

// ---- Stage 13 ------------------------------------------------------------------------------------

TEST(Stage13, TickZeroLiftsTheWorldAtOnce) {
  BeginStage(13);
  script_var_2 = 7;
  RunTick(0);
  EXPECT_EQ(world_shift, 0);
  EXPECT_EQ(world_shift_target, 0);
  EXPECT_EQ(script_var_2, 0);
  EXPECT_EQ(scroll_speed, 6);
  EXPECT_EQ(fog_end_target, 200.0f);
  EXPECT_EQ(backdrop_mesh, nullptr);
}

TEST(Stage13, TheBossAndTheNarrowedCorridor) {
  BeginStage(13);
  RunTick(92);
  EXPECT_TRUE(RegisterIs(script_handle, THING_CORE_0));
  EXPECT_EQ(thing_x[script_handle], 235.0f);
  RunTick(98);
  EXPECT_EQ(floor_x1, 435.0f);
  EXPECT_EQ(ceiling_x1, 435.0f);
  EXPECT_EQ(floor_x0, -140.0f);
  EXPECT_EQ(generator_count, 4);
  EXPECT_EQ(generator_remaining[MAX_GENERATORS - 3], 2);  // the braces
}

TEST(Stage13, WhileTheBossLivesTheJointsHaveNoFuse) {
  BeginStage(13);
  RunTick(92);
  RunTick(100);
  RunTick(150);
  int joints = 0;
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] != THING_PART_VERT || thing_parent[i] != -1) continue;
    joints++;
    EXPECT_EQ(thing_x[i], 185.0f);
    EXPECT_TRUE(thing_y[i] == 8.0f || thing_y[i] == 92.0f) << thing_y[i];
    EXPECT_EQ(thing_fuse[i], 0);
  }
  EXPECT_EQ(joints, 2);
  EXPECT_EQ(RunTick(197), 0);
  EXPECT_EQ(stage_tick, 93);
  EXPECT_EQ(static_count, 0);
}

TEST(Stage13, TheWreckage) {
  BeginStage(13);
  script_handle = -1;
  const std::vector<int> draws = PeekDraws(47);
  const std::uint32_t after = StateAfter(47);
  EXPECT_EQ(RunTick(197), 0);
  EXPECT_EQ(stage_tick, 197);
  EXPECT_EQ(script_var_2, 25);
  ASSERT_EQ(static_count, 16);
  EXPECT_EQ(static_type[99], STATIC_BRACE_1);
  EXPECT_EQ(static_x[99], 265.0f);
  EXPECT_EQ(static_z[99], 35.0f);
  EXPECT_EQ(static_rz[99], 45.0f);
  EXPECT_FLOAT_EQ(static_spin_y[99], static_cast<float>(draws[0] % 4 - 2) / 6.0f);
  EXPECT_FLOAT_EQ(static_spin_x[99], static_cast<float>(draws[1] % 4 - 2) / 6.0f);
  for (int i = 0; i < 5; i++) {
    const float x = static_cast<float>(215 + 32 * i);
    const struct {
      float y, z_base;
      int z_range;
      float rx;
    } plates[3] = {{5, 0, 10, 0}, {50, 25, 20, 90}, {95, 0, 10, 0}};
    for (int k = 0; k < 3; k++) {
      const int s = 98 - 3 * i - k;
      const int d = 2 + 9 * i + 3 * k;
      EXPECT_EQ(static_type[s], STATIC_METAL_SURFACE) << s;
      EXPECT_EQ(static_x[s], x) << s;
      EXPECT_EQ(static_y[s], plates[k].y) << s;
      EXPECT_EQ(static_z[s], plates[k].z_base + static_cast<float>(draws[d] % plates[k].z_range)) << s;
      EXPECT_EQ(static_rx[s], plates[k].rx) << s;
      EXPECT_EQ(static_spin_y[s], static_cast<float>(draws[d + 1] % 4 - 2) / 4.0f) << s;
      EXPECT_EQ(static_spin_x[s], static_cast<float>(draws[d + 2] % 4 - 2) / 4.0f) << s;
    }
  }
  EXPECT_EQ(random_state, after);
  EXPECT_EQ(fog_end_target, 400.0f);
  EXPECT_EQ(key_light_target.b, 0.7f);

  RunTick(200);
  EXPECT_EQ(thing_fuse[58], 25);
  RunTick(250);
  EXPECT_EQ(thing_fuse[57], 25);
}

TEST(Stage13, WreckagePiecesThatFindNoRoomGetNoSpinsAndDrawNone) {
  BeginStage(13);
  script_handle = -1;
  for (int i = 0; i < MAX_STATICS - 3; i++) static_type[i] = STATIC_TREE;
  static_count = MAX_STATICS - 3;
  // Room for the brace and two plates: their spins, then only the depths of the thirteen
  // plates that find no slot.
  const std::vector<int> draws = PeekDraws(21);
  const std::uint32_t after = StateAfter(21);
  RunTick(197);
  EXPECT_EQ(static_count, MAX_STATICS);
  EXPECT_EQ(random_state, after);
  EXPECT_EQ(static_type[99], STATIC_BRACE_1);
  EXPECT_FLOAT_EQ(static_spin_x[99], static_cast<float>(draws[1] % 4 - 2) / 6.0f);
  EXPECT_EQ(static_z[97], static_cast<float>(25 + draws[5] % 20));
  EXPECT_EQ(static_spin_x[97], static_cast<float>(draws[7] % 4 - 2) / 4.0f);
  EXPECT_EQ(key_light_target.r, 0.9f);
}

TEST(Stage13, ThreeExplosionsAtTheCentre) {
  BeginStage(13);
  for (int tick : {240, 260, 280}) {
    const int draw = PeekDraws(1)[0];
    RunTick(tick);
    const EngineCall& call = engine_calls.back();
    EXPECT_EQ(call.kind, CALL_PLAY_SOUND);
    EXPECT_EQ(call.text, "snd_explosion_04");
    EXPECT_EQ(call.i, 30000 + draw % 50000);
    EXPECT_EQ(call.f[0], 0.0f);
    EXPECT_EQ(call.f[1], 0.0f);
    EXPECT_EQ(call.f[2], 0.0f);
  }
  EXPECT_EQ(CountCalls(CALL_PLAY_SOUND), 3);
}

TEST(Stage13, EndsWithTheWorldDroppedAtOnce) {
  BeginStage(13);
  RunTick(0);
  EXPECT_EQ(RunTick(399), 0);
  EXPECT_EQ(RunTick(400), 1);
  EXPECT_EQ(world_shift, 50);
  EXPECT_EQ(world_shift_target, 50);
}

// ---- Whole stages, frame by frame ------------------------------------------------------------------

// Destroys the thing in a slot and ends its explosion at once, as its last frame would.
void DestroyAndClear(int slot) {
  DestroyThing(slot);
  FreeThing(slot);
}

TEST(StageScenario, Stage11RunsToItsHoldThenToItsEnd) {
  PlayStage(11);
  EXPECT_EQ(PlayUntilTick(2650), 2650);
  EXPECT_EQ(world_shift, 0);
  DestroyBossCores();
  EXPECT_EQ(PlayUntil([] { return !Playing(); }), 3250 - 2650 + 1);
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_FALSE(ATableRanFull());
}

TEST(StageScenario, Stage12BossGoneEarlyEndsAt695) {
  PlayStage(12);
  PlayUntilTick(600);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_12));
  DestroyAndClear(script_handle);
  EXPECT_EQ(PlayUntil([] { return !Playing(); }), 695 - 600 + 1);
  EXPECT_FALSE(ATableRanFull());
}

TEST(StageScenario, Stage12BossGoneLateSkipsToTheRunOut) {
  PlayStage(12);
  PlayUntilTick(1000);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_12));
  DestroyAndClear(script_handle);
  PlayUntilTick(1200);
  RunGameFrame();  // tick 1200: the floor of tick 700 still reaches past the spawn line
  EXPECT_EQ(stage_tick, 1551);
  EXPECT_EQ(floor_x1, 165.0f);
  EXPECT_EQ(PlayUntil([] { return !Playing(); }), 1600 - 1551 + 1);
  EXPECT_FALSE(ATableRanFull());
}

TEST(StageScenario, Stage12WaitsAt1507WhileTheBossLives) {
  PlayStage(12);
  RemoveShip();
  PlayUntilTick(1507);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_12));
  for (int frame = 0; frame < 200; frame++) RunGameFrame();
  ASSERT_TRUE(Playing());
  EXPECT_GE(stage_tick, 1404);
  DestroyAndClear(script_handle);
  EXPECT_LE(PlayUntil([] { return !Playing(); }), 1600 - 1404 + 1);
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_FALSE(ATableRanFull());
}

TEST(StageScenario, Stage13WreckageAfterItsBoss) {
  PlayStage(13);
  EXPECT_EQ(world_shift, 50);
  PlayUntilTick(197);
  EXPECT_EQ(world_shift, 0);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_0));
  for (int frame = 0; frame < 150; frame++) RunGameFrame();
  EXPECT_GE(stage_tick, 94);
  EXPECT_EQ(script_var_2, 0);
  DestroyThing(script_handle);
  PlayUntil([] { return script_var_2 == 25; }, 110);
  EXPECT_EQ(stage_tick, 198);
  EXPECT_EQ(PlayUntil([] { return !Playing(); }), 400 - 198 + 1);
  EXPECT_EQ(world_shift, 50);
  EXPECT_FALSE(ATableRanFull());
}

}  // namespace
