#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "stage_fixture.h"
#include "world/compounds.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/things.h"

namespace {

TEST(StageScript, AStageOutsideTheScriptDoesNothing) {
  for (int stage : {-1, 20, INT_MIN, INT_MAX}) {
    BeginStage(stage);
    phase_16 = 0;
    const std::uint32_t seed = random_state;
    for (int tick : {0, 10, 600}) {
      stage_tick = tick;
      EXPECT_EQ(RunStageScript(), 0) << stage;
      EXPECT_EQ(stage_tick, tick);
    }
    EXPECT_EQ(thing_count, 0);
    EXPECT_EQ(projectile_count, 0);
    EXPECT_EQ(random_state, seed);
  }
}

TEST(StageScript, DriftDebrisComesOneFrameInSixteen) {
  BeginStage(0);
  scroll_speed = 4;
  SeedRandom(1234);
  for (int phase = 1; phase < 16; phase++) {
    phase_16 = phase;
    SpawnDriftDebris();
  }
  EXPECT_EQ(projectile_count, 0);
  EXPECT_EQ(random_state, 1234u);  // no draw on the other frames

  phase_16 = 0;
  SpawnDriftDebris();
  SeedRandom(1234);
  const float y = static_cast<float>(Rand() % 100);
  ASSERT_EQ(CountProjectiles(PROJ_DEBRIS), 1);
  const int slot = projectile_last;
  EXPECT_EQ(projectile_owner[slot], -1);
  EXPECT_EQ(projectile_x[slot], 190.0f);
  EXPECT_EQ(projectile_y[slot], y);
  EXPECT_EQ(projectile_life[slot], 0);  // drifting level with the ground, it lives until it leaves
  EXPECT_EQ(projectile_vx[slot], -4.0f);
  EXPECT_EQ(projectile_vy[slot], 0.0f);
}

TEST(StageScript, DriftDebrisYCoversTheFieldHeight) {
  BeginStage(0);
  phase_16 = 0;
  for (int i = 0; i < 200; i++) SpawnDriftDebris();
  for (int i = 0; i < MAX_PROJECTILES; i++) {
    if (projectile_type[i] != PROJ_DEBRIS) continue;
    EXPECT_GE(projectile_y[i], 0.0f);
    EXPECT_LE(projectile_y[i], 99.0f);
  }
}

TEST(StageHelpers, SpawnWritesOnlyTheGivenFields) {
  BeginStage(0);
  const int slot = Spawn(THING_FIGHTER, 165, 50, {.vy = 2, .param = 1, .fuse = 85});
  ASSERT_GE(slot, 0);
  EXPECT_EQ(thing_vy[slot], 2);
  EXPECT_EQ(thing_param[slot], 1);
  EXPECT_EQ(thing_fuse[slot], 85);
  const int vx = thing_vx[slot];
  SetThing(slot, {.vx_by = 1, .vy_by = -3});
  EXPECT_EQ(thing_vx[slot], vx + 1);
  EXPECT_EQ(thing_vy[slot], -1);
}

TEST(StageHelpers, AThingHangsOnlyOnAnotherSlotOfTheTable) {
  BeginStage(0);
  const int bar = Spawn(THING_PART_HORZ_X2, 165, 30);
  const int platform = Spawn(THING_WIDE_PLATFORM, 0, -6, {.parent = bar});
  EXPECT_EQ(thing_parent[platform], bar);
  for (int parent : {platform, -1, 60, 4000}) {
    SetThing(platform, {.parent = parent});
    EXPECT_EQ(thing_parent[platform], -1) << parent;
  }
}

TEST(StageHelpers, ASpawnIntoAFullTableWritesNothing) {
  BeginStage(0);
  for (int i = 0; i < MAX_THINGS; i++) {
    thing_type[i] = THING_FIGHTER;
    thing_vx[i] = 3;
    thing_param[i] = 9;
  }
  thing_count = MAX_THINGS;
  EXPECT_EQ(Spawn(THING_FIGHTER, 165, 50, {.vx = -5, .param = 1}), -1);
  EXPECT_EQ(Spawn(COMPOUND_BOSS_7, 165, 50, {.vx = -5, .param = 1}), -1);
  for (int i = 0; i < MAX_THINGS; i++) {
    EXPECT_EQ(thing_vx[i], 3);
    EXPECT_EQ(thing_param[i], 9);
  }
}

TEST(StageHelpers, RegistersOutsideTheTableMatchNothingAndWriteNothing) {
  BeginStage(0);
  for (int i = 0; i < MAX_THINGS; i++) {
    thing_type[i] = THING_CARRIER;
    thing_vx[i] = 3;
  }
  for (int reg : {-1, 60, 61, 1000, INT_MIN, INT_MAX}) {
    EXPECT_EQ(ThingSlot(reg), -1) << reg;
    EXPECT_EQ(ThingOfType(reg, THING_CARRIER), -1) << reg;
    EXPECT_FALSE(RegisterIs(reg, THING_CARRIER)) << reg;
    EXPECT_FALSE(RegisterOccupied(reg)) << reg;
    SetThing(reg, {.vx = -6});
    CutLoose(reg);
  }
  for (int i = 0; i < MAX_THINGS; i++) EXPECT_EQ(thing_vx[i], 3);
  EXPECT_TRUE(RegisterIs(0, THING_CARRIER));
  EXPECT_TRUE(RegisterIs(59, THING_CARRIER));
}

TEST(StageHelpers, RegisterTestsLookOnlyAtTheTypeInTheSlot) {
  BeginStage(0);
  thing_type[30] = THING_EXPLOSION;
  EXPECT_FALSE(RegisterIs(30, THING_CORE_7));
  EXPECT_TRUE(RegisterOccupied(30));  // the core's explosion still occupies it
  thing_type[30] = THING_CORE_7;      // freed and taken again by the same type: a match
  EXPECT_TRUE(RegisterIs(30, THING_CORE_7));
  thing_type[30] = 0;
  EXPECT_FALSE(RegisterOccupied(30));
}

TEST(StageHelpers, AnyBossCoreCountsCoresOnly) {
  struct Case {
    int type;
    bool core;
  } cases[] = {{THING_EXPLOSION, false}, {THING_CARRIER, false}, {499, false}, {THING_CORE_0, true},
               {THING_CORE_15, true},    {599, true},           {THING_POW_FORWARD, false},
               {THING_POW_MISSILE, false}};
  for (const Case& c : cases) {
    BeginStage(0);
    thing_type[12] = c.type;
    EXPECT_EQ(AnyBossCore(), c.core) << c.type;
    EXPECT_TRUE(AnyThingOf(c.type));
    EXPECT_FALSE(AnyThingOf(c.type + 1000));
  }
}

TEST(StageHelpers, RegisterIsBossCoreLooksAtTheOneSlot) {
  BeginStage(0);
  thing_type[20] = THING_CORE_12;
  thing_type[21] = THING_POW_MISSILE;
  EXPECT_TRUE(RegisterIsBossCore(20));
  EXPECT_FALSE(RegisterIsBossCore(21));
  EXPECT_FALSE(RegisterIsBossCore(22));
  for (int reg : {-1, 60, INT_MAX}) EXPECT_FALSE(RegisterIsBossCore(reg)) << reg;
}

TEST(StageHelpers, FirstThingOfSearchesUpwardFromSlotZero) {
  BeginStage(0);
  EXPECT_EQ(FirstThingOf(THING_TURRET), -1);
  thing_type[40] = THING_TURRET;
  thing_type[7] = THING_TURRET;
  EXPECT_EQ(FirstThingOf(THING_TURRET), 7);
}

TEST(StageHelpers, StartGeneratorGivesTheSlotItTookOrMinusOne) {
  BeginStage(0);
  const int slot = StartGenerator(STATIC_METAL_SURFACE, 25, 32000, 15, 95, 0);
  ASSERT_GE(slot, 0);
  EXPECT_EQ(generator_type[slot], STATIC_METAL_SURFACE);
  EXPECT_EQ(generator_remaining[slot], 32000);
  EXPECT_EQ(generator_y[slot], 95.0f);

  for (int i = 0; i < MAX_GENERATORS; i++) generator_type[i] = STATIC_TREE;
  generator_count = MAX_GENERATORS;
  EXPECT_EQ(StartGenerator(STATIC_METAL_SURFACE, 25, 32000, 15, 5, 0), -1);
  EXPECT_EQ(ConsoleLines().back(), "Generators Expired");
}

TEST(StageHelpers, StopGeneratorFreesOnlyALiveSlotAndForgetsIt) {
  BeginStage(0);
  int reg = StartGenerator(STATIC_METAL_SURFACE, 25, 10, 15, 5, 0);
  const int slot = reg;
  ASSERT_EQ(generator_count, 1);
  StopGenerator(reg);
  EXPECT_EQ(generator_type[slot], 0);
  EXPECT_EQ(generator_count, 0);
  EXPECT_EQ(reg, -1);

  StartGenerator(STATIC_METAL_SURFACE, 25, 10, 15, 95, 0);
  for (int stale : {-1, 15, INT_MIN, slot == 0 ? 1 : 0}) {
    int r = stale;
    StopGenerator(r);
    EXPECT_EQ(generator_count, 1) << stale;
    EXPECT_EQ(r, -1);
  }
}

TEST(StageHelpers, PlaceStaticWritesTheGivenFields) {
  BeginStage(0);
  const int slot = PlaceStatic(STATIC_METAL_SURFACE, 215, 50, 30, {.rx = 90, .spin_y = -0.25f, .spin_x = 0.25f});
  ASSERT_GE(slot, 0);
  EXPECT_EQ(static_rx[slot], 90.0f);
  EXPECT_EQ(static_rz[slot], 0.0f);
  EXPECT_EQ(static_spin_y[slot], -0.25f);
  EXPECT_EQ(static_spin_x[slot], 0.25f);
  EXPECT_EQ(static_spin_z[slot], 0.0f);

  for (int i = 0; i < MAX_STATICS; i++) static_type[i] = STATIC_TREE;
  static_count = MAX_STATICS;
  EXPECT_EQ(PlaceStatic(STATIC_METAL_SURFACE, 215, 50, 30, {.rz = 45}), -1);
  for (int reg : {-1, 100, INT_MAX}) {
    EXPECT_EQ(StaticSlot(reg), -1);
    SetStatic(reg, {.rz = 45});
  }
  for (int i = 0; i < MAX_STATICS; i++) EXPECT_NE(static_rz[i], 45.0f);
}

TEST(StageHelpers, StaticsFoundByTypeFromTheTopAndRemovedWithTheDrawOrder) {
  BeginStage(0);
  const int low = PlaceStatic(STATIC_ARK_RING_PAD, 300, 50, 100);
  const int tree = PlaceStatic(STATIC_TREE, 300, 95, 20);
  const int high = PlaceStatic(STATIC_ARK_RING_PAD, 300, 50, 150);
  ASSERT_GT(low, high);  // slots are taken downward
  EXPECT_EQ(LastStaticOf(STATIC_ARK_RING_PAD), low);
  EXPECT_EQ(LastStaticOf(STATIC_ARK_BASE), -1);

  int seen = 0;
  ForEveryStatic({STATIC_ARK_RING_PAD, STATIC_ARK_BASE}, [&](int slot) {
    EXPECT_EQ(slot, seen == 0 ? low : high);
    seen++;
  });
  EXPECT_EQ(seen, 2);

  RemoveStatic(low);
  EXPECT_EQ(static_count, 2);
  EXPECT_EQ(LastStaticOf(STATIC_ARK_RING_PAD), high);
  for (int i = 0; i < static_count; i++) EXPECT_NE(static_draw_order[i], low);
  for (int slot : {low, -1, MAX_STATICS, INT_MAX}) RemoveStatic(slot);  // gone already, or no slot
  EXPECT_EQ(static_count, 2);
  EXPECT_EQ(static_type[tree], STATIC_TREE);
}

TEST(StageHelpers, SpinsAreSetOrAddedTo) {
  BeginStage(0);
  const int slot = PlaceStatic(STATIC_ARK_BASE, 300, 50, 150, {.ry = 45, .spin_z = 0.5f});
  SetStatic(slot, {.spin_y_by = 0.25f, .spin_z_by = -0.125f});
  EXPECT_EQ(static_ry[slot], 45.0f);
  EXPECT_EQ(static_spin_y[slot], 0.25f);
  EXPECT_EQ(static_spin_z[slot], 0.375f);
  EXPECT_EQ(static_spin_x[slot], 0.0f);
}

TEST(StageHelpers, HoldsAndRuns) {
  stage_tick = 600;
  EXPECT_TRUE(HoldWhile(true, 580));
  EXPECT_EQ(stage_tick, 580);
  stage_tick = 600;
  EXPECT_FALSE(HoldWhile(false, 580));
  EXPECT_EQ(stage_tick, 600);

  std::string hits;
  for (stage_tick = 190; stage_tick <= 260; stage_tick++) {
    if (EveryTicks(15, 200, 245)) hits += std::to_string(stage_tick) + " ";
  }
  EXPECT_EQ(hits, "200 215 230 245 ");
}

TEST(StageScript, MessagesAreCutToFit) {
  message_alpha = 0.0f;
  PostHudMessage("%i:0%i", 9, 5);
  EXPECT_STREQ(message_text, "9:05");
  EXPECT_EQ(message_alpha, 2.0f);

  const std::string long_text(300, 'x');
  PostHudMessage("%s", long_text.c_str());
  EXPECT_EQ(std::strlen(message_text), sizeof(message_text) - 1);
  EXPECT_EQ(std::string(message_text), long_text.substr(0, sizeof(message_text) - 1));
}

}  // namespace
