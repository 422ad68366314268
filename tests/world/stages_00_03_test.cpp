#include <gtest/gtest.h>

#include <vector>

#include "fake_engine.h"
#include "stage_fixture.h"
#include "world/collisions.h"
#include "world/compounds.h"
#include "world/game.h"
#include "world/stage_helpers.h"
#include "world/projectiles.h"
#include "world/scenery.h"
#include "world/things.h"

namespace {

struct Spawned {
  int type;
  float x, y;
};

// The free-standing things of `type`, highest slot first: in creation order on a table filled
// from the top.
std::vector<Spawned> FreeThingsOf(int type) {
  std::vector<Spawned> found;
  for (int i = MAX_THINGS - 1; i >= 0; i--) {
    if (thing_type[i] == type && thing_parent[i] == -1) found.push_back({type, thing_x[i], thing_y[i]});
  }
  return found;
}

// Marks the thing table full, so that every spawn fails.
void FillThingTable() {
  for (int i = 0; i < MAX_THINGS; i++) thing_type[i] = THING_GLOW_BUG;
  thing_count = MAX_THINGS;
}

void ExpectGenerator(int slot, int interval, int count, float x, float y) {
  EXPECT_EQ(generator_type[slot], STATIC_METAL_SURFACE) << slot;
  EXPECT_EQ(generator_interval[slot], interval) << slot;
  EXPECT_EQ(generator_remaining[slot], count) << slot;
  EXPECT_EQ(generator_x[slot], x) << slot;
  EXPECT_EQ(generator_y[slot], y) << slot;
  EXPECT_EQ(generator_z[slot], 0.0f) << slot;
}

// The two generators a corridor starts with, ceiling first, in the last two generator slots taken.
void ExpectCorridorGenerators(int count) {
  EXPECT_EQ(generator_count, 2);
  int slots[2], n = 0;
  for (int i = MAX_GENERATORS - 1; i >= 0 && n < 2; i--) {
    if (generator_type[i] != 0 && generator_remaining[i] == count) slots[n++] = i;
  }
  ASSERT_EQ(n, 2);
  // The ceiling one was created first, so it holds the slot searched first.
  const int ceiling = generator_y[slots[0]] == 5.0f ? slots[0] : slots[1];
  const int floor = ceiling == slots[0] ? slots[1] : slots[0];
  ExpectGenerator(ceiling, 25, count, 15.0f, 5.0f);
  ExpectGenerator(floor, 25, count, 15.0f, 95.0f);
}

// ---- Shared by all four --------------------------------------------------------------------------

TEST(Stages0To3, EveryFrameDropsDebrisOneFrameInSixteen) {
  for (int stage = 0; stage <= 3; stage++) {
    BeginStage(stage);
    for (int frame = 0; frame < 32; frame++) {
      phase_16 = frame % 16;
      EXPECT_EQ(RunTick(1), 0);  // a tick without a case
    }
    int debris = 0;
    for (int i = 0; i < MAX_PROJECTILES; i++) debris += projectile_type[i] == PROJ_DEBRIS;
    EXPECT_EQ(debris, 2) << stage;
    EXPECT_EQ(thing_count, 0) << stage;
  }
}

TEST(Stages0To3, TickZeroSetsTheGroundAndBackdrop) {
  const int scroll[] = {2, 2, 4, 4};
  for (int stage = 0; stage <= 3; stage++) {
    BeginStage(stage);
    backdrop_mesh = &mesh_sky_clear_01;
    scroll_speed = 6;
    EXPECT_EQ(RunTick(0), 0);
    EXPECT_EQ(backdrop_mesh, nullptr) << stage;
    EXPECT_EQ(scroll_speed, scroll[stage]) << stage;
  }
}

TEST(Stages0To3, OpenSkyStagesSetNothingElseAtTickZero) {
  for (int stage : {0, 1}) {
    BeginStage(stage);
    RunTick(0);
    EXPECT_EQ(ceiling_x0, -140.0f);
    EXPECT_EQ(floor_x1, -140.0f);
    EXPECT_EQ(world_shift_target, 50);
    EXPECT_EQ(fog_end_target, 120.0f);
    EXPECT_EQ(generator_count, 0);
    EXPECT_EQ(thing_count, 0);
  }
}

// ---- Stage 0 -------------------------------------------------------------------------------------

TEST(Stage0, FightersOfTheOpening) {
  BeginStage(0);
  RunTick(100);
  ASSERT_EQ(thing_count, 3);
  EXPECT_EQ(thing_x[58], 165.0f);
  EXPECT_EQ(thing_vy[58], 0);
  EXPECT_EQ(thing_x[57], 180.0f);
  EXPECT_EQ(thing_vy[57], -2);
  EXPECT_EQ(thing_x[56], 195.0f);
  EXPECT_EQ(thing_y[56], 50.0f);
  EXPECT_EQ(thing_vy[56], 2);
}

TEST(Stages0To3, FighterRunsComeOnTheirTicksOnly) {
  const struct {
    int stage, from, to;
    std::vector<float> ys;  // of the fighters in the order they came
  } runs[] = {
      {0, 190, 320, {80, 80, 80, 80, 10, 10, 10, 10}},          // every 15 from 200 to 245, 260 to 305
      {2, 640, 770, {-10, 110, -10, 110, -10, 110, -10, 110}},  // every 30 from 650 to 740, 665 to 755
  };
  for (const auto& run : runs) {
    BeginStage(run.stage);
    stage_tick = run.from;
    RunUntilTick(run.to);
    std::vector<float> ys;
    for (const Spawned& fighter : FreeThingsOf(THING_FIGHTER)) ys.push_back(fighter.y);
    EXPECT_EQ(ys, run.ys) << run.stage;
  }
}

TEST(Stage0, TheSecondHeavyFighterIsFaster) {
  BeginStage(0);
  RunTick(375);
  ASSERT_EQ(CountThings(THING_FIGHTER_2), 2);
  EXPECT_EQ(thing_y[58], 20.0f);
  EXPECT_EQ(thing_y[57], 70.0f);
  EXPECT_EQ(thing_vx[57], thing_vx[58] + 1);
}

TEST(Stage0, HoldsWhileTheCarrierLives) {
  BeginStage(0);
  RunTick(560);
  ASSERT_EQ(script_handle, 58);
  EXPECT_EQ(thing_type[script_handle], THING_CARRIER);
  EXPECT_EQ(CountThings(THING_LASER), 4);

  EXPECT_EQ(RunTick(600), 0);
  EXPECT_EQ(stage_tick, 580);
  thing_type[script_handle] = THING_EXPLOSION;
  EXPECT_EQ(RunTick(600), 1);
  EXPECT_EQ(stage_tick, 600);
}

TEST(Stage0, ACarrierThatCouldNotBeSpawnedIsNotWaitedFor) {
  BeginStage(0);
  FillThingTable();
  RunTick(560);
  EXPECT_EQ(script_handle, -1);
  EXPECT_EQ(RunTick(600), 1);
}

// ---- Stage 1 -------------------------------------------------------------------------------------

TEST(Stage1, SixSlowFightersInOrder) {
  BeginStage(1);
  RunTick(90);
  const float expected[6][2] = {{165, 5}, {185, 20}, {190, 35}, {190, 65}, {185, 80}, {165, 95}};
  ASSERT_EQ(thing_count, 6);
  for (int k = 0; k < 6; k++) {
    const int slot = 58 - k;
    EXPECT_EQ(thing_type[slot], THING_FIGHTER);
    EXPECT_EQ(thing_x[slot], expected[k][0]) << k;
    EXPECT_EQ(thing_y[slot], expected[k][1]) << k;
    EXPECT_EQ(thing_vx[slot], -2) << k;
    EXPECT_EQ(thing_param[slot], 1) << k;
  }
}

TEST(Stage1, FighterTurretsAlternateUpAndDown) {
  const struct {
    int tick, vy;
  } rows[] = {{300, -4}, {315, 4}, {330, -4}, {345, 4}, {360, -4}, {375, 4}};
  for (const auto& row : rows) {
    BeginStage(1);
    RunTick(row.tick);
    ASSERT_EQ(thing_type[58], THING_FIGHTER) << row.tick;
    EXPECT_EQ(thing_vy[58], row.vy) << row.tick;
    EXPECT_EQ(thing_type[57], THING_TURRET) << row.tick;
  }
}

TEST(Stage1, TheBossWaitsForTheCarriers) {
  BeginStage(1);
  RunTick(500);
  EXPECT_EQ(CountThings(THING_CARRIER), 1);
  EXPECT_EQ(RunTick(709), 0);
  EXPECT_EQ(stage_tick, 701);
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] == THING_CARRIER) thing_type[i] = THING_EXPLOSION;
  }
  EXPECT_EQ(RunTick(709), 0);
  EXPECT_EQ(stage_tick, 709);
  RunTick(710);
  EXPECT_EQ(CountThings(THING_CORE_6), 1);
}

TEST(Stage1, EndsOnceNoBossCoreIsLeft) {
  BeginStage(1);
  RunTick(710);
  EXPECT_EQ(RunTick(750), 0);
  EXPECT_EQ(stage_tick, 715);
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] == THING_CORE_6) thing_type[i] = THING_EXPLOSION;
  }
  thing_type[0] = THING_POW_FORWARD;  // a pickup is no core
  EXPECT_EQ(RunTick(750), 1);
  EXPECT_EQ(stage_tick, 750);
}

// ---- Stage 2 -------------------------------------------------------------------------------------

TEST(Stage2, ACorridorLiftedIntoViewAtOnce) {
  BeginStage(2);
  RunTick(0);
  ExpectCorridorGenerators(22);
  EXPECT_EQ(ceiling_x0, 165.0f);
  EXPECT_EQ(floor_x0, 165.0f);
  EXPECT_EQ(ceiling_x1, 705.0f);
  EXPECT_EQ(floor_x1, 705.0f);
  EXPECT_EQ(world_shift, 0);
  EXPECT_EQ(world_shift_target, 0);
  EXPECT_EQ(fog_end_target, 300.0f);
}

TEST(Stage2, FightersMoveWithTheGround) {
  BeginStage(2);
  RunTick(0);
  RunTick(120);
  EXPECT_EQ(thing_type[58], THING_FIGHTER_2);
  EXPECT_EQ(thing_vx[58], -4);
  EXPECT_EQ(thing_param[58], 1);
  RunTick(215);
  EXPECT_EQ(thing_type[57], THING_FIGHTER);
  EXPECT_EQ(thing_y[57], 120.0f);
  EXPECT_EQ(thing_vx[57], -4);
  EXPECT_EQ(thing_param[57], 1);
}

TEST(Stage2, TheCorridorNarrowsAfterTheCarrier) {
  BeginStage(2);
  RunTick(795);
  EXPECT_EQ(CountThings(THING_CARRIER), 1);
  EXPECT_EQ(CountThings(THING_LAUNCHER), 2);
  RunTick(800);
  ExpectCorridorGenerators(7);
  EXPECT_EQ(ceiling_x1, 340.0f);
  EXPECT_EQ(floor_x1, 340.0f);
}

TEST(Stage2, EndsWithTheWorldDroppedBackAtOnce) {
  BeginStage(2);
  RunTick(0);
  EXPECT_EQ(RunTick(1249), 0);
  EXPECT_EQ(RunTick(1250), 1);
  EXPECT_EQ(world_shift, 50);
  EXPECT_EQ(world_shift_target, 50);
}

// ---- Stage 3 -------------------------------------------------------------------------------------

TEST(Stage3, TickZeroCorridorAndFighters) {
  BeginStage(3);
  RunTick(0);
  EXPECT_EQ(fog_end_target, 400.0f);
  ExpectCorridorGenerators(7);
  EXPECT_EQ(ceiling_x1, 340.0f);
  EXPECT_EQ(floor_x0, 165.0f);
  EXPECT_EQ(world_shift, 0);
  const float positions[3][2] = {{185, 55}, {165, 70}, {185, 85}};
  for (int k = 0; k < 3; k++) {
    EXPECT_EQ(thing_type[58 - k], THING_FIGHTER);
    EXPECT_EQ(thing_x[58 - k], positions[k][0]);
    EXPECT_EQ(thing_y[58 - k], positions[k][1]);
    EXPECT_EQ(thing_vx[58 - k], -5);
    EXPECT_EQ(thing_vy[58 - k], -2);
  }
}

// Ticks 70 and 71: the bar, and the wide platform hung on it. Returns the platform's slot.
int HangThePlatform() {
  BeginStage(3);
  RunTick(70);
  RunTick(71);
  return script_handle;
}

TEST(Stage3, ThePlatformHangsOnTheBar) {
  const int platform = HangThePlatform();
  ASSERT_GE(platform, 0);
  EXPECT_EQ(thing_type[script_var_2], THING_PART_HORZ_X2);
  EXPECT_EQ(thing_type[platform], THING_WIDE_PLATFORM);
  EXPECT_EQ(thing_parent[platform], script_var_2);
  EXPECT_EQ(thing_anchor_x[platform], 0.0f);
  EXPECT_EQ(thing_anchor_y[platform], -6.0f);
  EXPECT_EQ(thing_vx[platform], -4);
  EXPECT_EQ(thing_vy[platform], 0);
  EXPECT_EQ(thing_timer[platform], 1);
}

TEST(Stage3, ThePlatformTurnsComesFreeSinksAndRises) {
  const int platform = HangThePlatform();
  RunTick(190);
  EXPECT_EQ(thing_vx[platform], 4);
  EXPECT_EQ(thing_timer[platform], 1);
  thing_x[platform] = 120.0f;
  thing_y[platform] = 24.0f;
  RunTick(270);
  EXPECT_EQ(thing_parent[platform], -1);
  EXPECT_EQ(thing_anchor_x[platform], 120.0f);
  EXPECT_EQ(thing_anchor_y[platform], 24.0f);
  EXPECT_EQ(thing_vx[platform], 0);
  EXPECT_EQ(thing_param[platform], -1);
  RunTick(280);
  EXPECT_EQ(thing_vy[platform], 4);
  RunTick(300);
  EXPECT_EQ(thing_vy[platform], -4);
  RunTick(347);
  EXPECT_EQ(thing_vy[platform], 4);
  RunTick(360);
  EXPECT_EQ(thing_param[platform], platform);
}

TEST(Stage3, PlatformEventsDoNothingOnceThePlatformIsGone) {
  const int platform = HangThePlatform();
  thing_type[platform] = THING_EXPLOSION;
  thing_vx[platform] = thing_vy[platform] = 0;
  thing_param[platform] = 7;
  for (int tick : {190, 270, 280, 300, 347, 360}) RunTick(tick);
  EXPECT_EQ(thing_vx[platform], 0);
  EXPECT_EQ(thing_vy[platform], 0);
  EXPECT_EQ(thing_param[platform], 7);
  EXPECT_EQ(thing_parent[platform], script_var_2);
}

TEST(Stage3, APlatformWithoutItsBarStaysFree) {
  for (int bar : {-1, 60, 5000}) {
    BeginStage(3);
    script_var_2 = bar;
    RunTick(71);
    ASSERT_GE(script_handle, 0);
    EXPECT_EQ(thing_parent[script_handle], -1) << bar;
    EXPECT_EQ(thing_vx[script_handle], -4) << bar;
  }
}

TEST(Stage3, TheFloorTurretRidesTheLowBar) {
  BeginStage(3);
  RunTick(261);
  const int bar = script_var_3;
  ASSERT_EQ(thing_type[bar], THING_PART_HORZ_X2);
  EXPECT_EQ(thing_y[bar], -79.0f);
  EXPECT_EQ(thing_vy[bar], 4);
  RunTick(330);
  int turret_platform = -1;
  for (int i = 0; i < MAX_THINGS; i++) {
    if (thing_type[i] == THING_FLOOR_PLATFORM) turret_platform = i;
  }
  ASSERT_GE(turret_platform, 0);
  EXPECT_EQ(thing_parent[turret_platform], bar);
  EXPECT_EQ(thing_anchor_y[turret_platform], -5.0f);
  EXPECT_EQ(thing_vx[turret_platform], 4);
  EXPECT_EQ(thing_timer[turret_platform], 0);
}

TEST(Stage3, FloorAndWidePlatformsJoinTheGround) {
  BeginStage(3);
  scroll_speed = 4;
  thing_type[10] = THING_FLOOR_PLATFORM;
  thing_type[11] = THING_WIDE_PLATFORM;
  thing_type[12] = THING_CEILING_PLATFORM;
  for (int i = 10; i <= 12; i++) thing_vx[i] = 2;
  RunTick(700);
  EXPECT_EQ(thing_vx[10], -4);
  EXPECT_EQ(thing_vx[11], -4);
  EXPECT_EQ(thing_vx[12], 2);
}

TEST(Stage3, HoldsForTheBossThenEndsWithTheWorldDropped) {
  BeginStage(3);
  RunTick(0);
  RunTick(950);
  ASSERT_GE(script_handle, 0);
  EXPECT_EQ(thing_type[script_handle], THING_CORE_7);
  EXPECT_EQ(RunTick(970), 0);
  EXPECT_EQ(stage_tick, 960);
  EXPECT_EQ(world_shift, 0);
  thing_type[script_handle] = 0;
  EXPECT_EQ(RunTick(970), 1);
  EXPECT_EQ(stage_tick, 970);
  EXPECT_EQ(world_shift, 50);
  EXPECT_EQ(world_shift_target, 50);
}

// ---- Whole stages, frame by frame ------------------------------------------------------------------

TEST(StageScenario, Stage0WaitsForItsCarrierThenEnds) {
  PlayStage(0);
  EXPECT_EQ(PlayUntil([] { return stage_tick == 600; }), 600);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CARRIER));
  for (int frame = 0; frame < 100; frame++) {
    RunGameFrame();
    ASSERT_TRUE(Playing());
    EXPECT_GE(stage_tick, 581);
    EXPECT_LE(stage_tick, 600);
  }
  DestroyThing(script_handle);
  EXPECT_TRUE(EndsWithin(20));  // into the menu, as a Dev Mode stage does
}

TEST(StageScenario, Stage1SendsItsBossOnceTheCarriersAreGone) {
  PlayStage(1);
  PlayUntil([] { return stage_tick == 709; });
  EXPECT_EQ(CountThings(THING_CARRIER), 2);
  for (int frame = 0; frame < 30; frame++) RunGameFrame();
  EXPECT_GE(stage_tick, 702);
  EXPECT_LE(stage_tick, 709);
  EXPECT_FALSE(AnyBossCore());
  DestroyAll(THING_CARRIER);
  EXPECT_LE(PlayUntil([] { return AnyBossCore(); }), 9);
  EXPECT_EQ(CountThings(THING_CORE_6), 1);
  PlayUntil([] { return stage_tick == 750; });
  for (int frame = 0; frame < 50; frame++) RunGameFrame();
  ASSERT_TRUE(Playing());
  EXPECT_GE(stage_tick, 716);
  DestroyAll(THING_CORE_6);
  EXPECT_TRUE(EndsWithin(36));
}

TEST(StageScenario, Stage2RunsStraightThrough) {
  PlayStage(2);
  EXPECT_EQ(PlayUntil([] { return !Playing(); }), 1251);
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_FALSE(ATableRanFull());
}

TEST(StageScenario, Stage3HoldsForItsBossThenEnds) {
  PlayStage(3);
  PlayUntil([] { return stage_tick == 970; });
  EXPECT_EQ(world_shift, 0);
  ASSERT_TRUE(RegisterIs(script_handle, THING_CORE_7));
  for (int frame = 0; frame < 50; frame++) RunGameFrame();
  ASSERT_TRUE(Playing());
  EXPECT_GE(stage_tick, 961);
  DestroyThing(script_handle);
  EXPECT_TRUE(EndsWithin(10));
}

}  // namespace
