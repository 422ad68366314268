#include <gtest/gtest.h>

#include <string>
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

constexpr int CHECK_TICKS[] = {300, 400, 500, 600, 700, 800, 900, 1000, 1100, 1200, 1300, 1400, 1500, 1600, 1700};

// A player's ship with `hp` lives in slot 59.
int PlacePlayer(int hp) {
  player_thing = PlaceThing(59, THING_PLAYER, 10, 50);
  thing_hp[59] = hp;
  return 59;
}

void FreeEveryThing() {
  for (int i = 0; i < MAX_THINGS; i++) FreeThing(i);
}

TEST(Stage17, TickZeroPicksTheFirstFightersHeight) {
  for (int parity : {0, 1}) {
    BeginStage(17);
    std::uint32_t seed = 1;
    while (SeedRandom(seed), PeekDraws(1)[0] % 2 != parity) seed++;
    RunTick(0);
    EXPECT_EQ(script_handle, parity == 0 ? 25 : 75);
    EXPECT_EQ(script_var_2, -1);
    EXPECT_EQ(script_var_3, -1);
    EXPECT_EQ(world_shift, 0);
    EXPECT_EQ(world_shift_target, 0);
    EXPECT_EQ(fog_end_target, 300.0f);
    EXPECT_EQ(backdrop_mesh, nullptr);
    EXPECT_EQ(scroll_speed, 4);
    EXPECT_EQ(missile_drop_count, 5);
    EXPECT_EQ(floor_x1, -140.0f);  // no barriers until 505

    const int y = script_handle;
    RunTick(1);
    ASSERT_TRUE(RegisterIs(script_handle, THING_FIGHTER_2));
    EXPECT_EQ(thing_x[script_handle], 165.0f);
    EXPECT_EQ(thing_y[script_handle], static_cast<float>(y));
  }
}

TEST(Stage17, EveryBossOnceInItsTurn) {
  BeginStage(17);
  std::vector<int> cores;
  while (stage_tick < 1730) {
    const int tick = stage_tick;
    if (RunScriptFrame()) break;
    if (stage_tick == tick) {  // a check held: the stage comes back to it on the next frame
      cores.push_back(thing_type[script_handle]);
      FreeEveryThing();
    }
  }
  EXPECT_EQ(stage_tick, 1730);
  const std::vector<int> expected = {THING_CORE_3, THING_CORE_7,  THING_CORE_6,  THING_CORE_8, THING_CORE_9,
                                     THING_CORE_10, THING_CORE_4, THING_CORE_2,  THING_CORE_5, THING_CORE_13,
                                     THING_CORE_12, THING_CORE_1, THING_CORE_0,  THING_CORE_11, THING_CORE_15};
  EXPECT_EQ(cores, expected);
}

TEST(Stage17, BossesComeWithTheirFields) {
  const struct {
    int tick, core;
    float x, y;
    int vx, vy, param, fire_timer;  // -99: as the compound makes it
  } rows[] = {
      {350, THING_CORE_7, 185, 50, -99, -99, -99, 200}, {550, THING_CORE_8, 195, 88, -1, -99, -99, -99},
      {850, THING_CORE_4, 215, 50, -2, -99, -99, -99},  {1050, THING_CORE_5, 145, 140, -99, -2, 1, -99},
      {1250, THING_CORE_12, 130, -50, -99, 4, 1, -99},  {1650, THING_CORE_15, -30, 84, 3, -99, -99, -99},
  };
  for (const auto& row : rows) {
    BeginStage(17);
    RunTick(row.tick);
    ASSERT_TRUE(RegisterIs(script_handle, row.core)) << row.tick;
    const int boss = script_handle;
    EXPECT_EQ(thing_x[boss], row.x) << row.tick;
    EXPECT_EQ(thing_y[boss], row.y) << row.tick;
    if (row.vx != -99) {
      EXPECT_EQ(thing_vx[boss], row.vx) << row.tick;
    }
    if (row.vy != -99) {
      EXPECT_EQ(thing_vy[boss], row.vy) << row.tick;
    }
    if (row.param != -99) {
      EXPECT_EQ(thing_param[boss], row.param) << row.tick;
    }
    if (row.fire_timer != -99) {
      EXPECT_EQ(thing_fire_timer[boss], row.fire_timer) << row.tick;
    }
  }
}

TEST(Stage17, TheCheckWaitsOnItsTickWhileTheCoreLives) {
  for (int tick : CHECK_TICKS) {
    BeginStage(17);
    script_handle = PlaceThing(30, THING_CORE_0 + tick / 100 % 16, 100, 50);
    EXPECT_EQ(RunTick(tick), 0);
    EXPECT_EQ(stage_tick, tick - 1) << tick;
    EXPECT_EQ(message_alpha, 0.0f);
  }
}

TEST(Stage17, TheClockMessage) {
  const struct {
    int minutes, seconds;
    const char* text;
  } rows[] = {{9, 5, "9:05"}, {10, 12, "10:12"}, {0, 0, "0:00"}, {0, 9, "0:09"}, {0, 10, "0:10"}, {1, 59, "1:59"}};
  for (const auto& row : rows) {
    BeginStage(17);
    play_minutes = row.minutes;
    play_seconds = row.seconds;
    script_handle = -1;
    RunTick(800);
    EXPECT_STREQ(message_text, row.text);
    EXPECT_EQ(message_alpha, 2.0f);
  }
}

TEST(Stage17, TheCheckPassesOnceTheSlotHoldsNoCore) {
  for (int holder : {0, int{THING_EXPLOSION}, int{THING_TURRET}, int{THING_POW_FORWARD}}) {
    BeginStage(17);
    script_handle = 30;
    if (holder) PlaceThing(30, holder, 100, 50);
    PlaceThing(20, THING_CORE_3, 100, 50);  // another core elsewhere does not count
    EXPECT_EQ(RunTick(300), 0);
    EXPECT_EQ(stage_tick, 300) << holder;
    EXPECT_EQ(message_alpha, 2.0f) << holder;
  }
}

TEST(Stage17, TheLastCheckGivesALifeButNoClock) {
  BeginStage(17);
  PlacePlayer(3);
  script_handle = -1;
  RunTick(1700);
  EXPECT_EQ(thing_hp[59], 4);
  EXPECT_EQ(message_alpha, 0.0f);
}

TEST(Stage17, ALifeAfterEachBossUpToEight) {
  const struct {
    int before, after;
  } rows[] = {{1, 2}, {7, 8}, {8, 8}, {0, 0}, {-1, -1}, {11, 8}};  // lives gathered beyond 8 are cut back
  for (const auto& row : rows) {
    BeginStage(17);
    PlacePlayer(row.before);
    script_handle = -1;
    RunTick(400);
    EXPECT_EQ(thing_hp[59], row.after) << row.before;
  }
  BeginStage(17);
  script_handle = -1;
  player_thing = -2;  // no ship at all
  RunTick(400);
  EXPECT_EQ(message_alpha, 2.0f);
}

TEST(Stage17, WallsKeepTheSlotsOfTheirGenerators) {
  BeginStage(17);
  RunTick(0);
  RunTick(505);
  EXPECT_EQ(floor_x0, 165.0f);
  EXPECT_EQ(floor_x1, 32165.0f);
  EXPECT_EQ(ceiling_x1, -140.0f);
  ASSERT_GE(script_var_3, 0);
  EXPECT_EQ(generator_type[script_var_3], STATIC_METAL_SURFACE);
  EXPECT_EQ(generator_remaining[script_var_3], 32000);
  EXPECT_EQ(generator_y[script_var_3], 95.0f);
  RunTick(705);
  EXPECT_EQ(ceiling_x0, 165.0f);
  EXPECT_EQ(ceiling_x1, 32165.0f);
  ASSERT_GE(script_var_2, 0);
  EXPECT_NE(script_var_2, script_var_3);
  EXPECT_EQ(generator_y[script_var_2], 5.0f);
}

TEST(Stage17, AWallWithoutRoomForItsGeneratorKeepsMinusOne) {
  BeginStage(17);
  RunTick(0);
  for (int i = 0; i < MAX_GENERATORS; i++) generator_type[i] = STATIC_TREE;
  generator_count = MAX_GENERATORS;
  RunTick(505);
  EXPECT_EQ(script_var_3, -1);
  RunTick(905);  // frees nothing it does not hold
  EXPECT_EQ(generator_count, MAX_GENERATORS);
  EXPECT_EQ(CountGenerators(), MAX_GENERATORS);
}

// Plates of both walls, some on the field and some still to come.
void LayPlates() {
  for (float x : {100.0f, 160.0f, 161.0f, 300.0f}) {
    CreateStatic(STATIC_METAL_SURFACE, x, 5, 0);
    CreateStatic(STATIC_METAL_SURFACE, x, 95, 0);
  }
}

TEST(Stage17, TheFirstRemovalTakesBothWallsAway) {
  BeginStage(17);
  RunTick(0);
  RunTick(505);
  RunTick(705);
  LayPlates();
  RunTick(905);
  EXPECT_EQ(ceiling_x1, 165.0f);
  EXPECT_EQ(floor_x1, 165.0f);
  EXPECT_EQ(generator_count, 0);
  EXPECT_EQ(CountGenerators(), 0);
  ASSERT_EQ(static_count, 4);
  for (int k = 0; k < static_count; k++) EXPECT_LE(static_x[static_draw_order[k]], 160.0f);
}

TEST(Stage17, TheSecondRemovalTakesOnlyTheCeilingWall) {
  BeginStage(17);
  RunTick(0);
  RunTick(1405);
  const int floor_generator = script_var_3;
  LayPlates();
  RunTick(1605);
  EXPECT_EQ(ceiling_x1, 165.0f);
  EXPECT_EQ(floor_x1, 32165.0f);
  EXPECT_EQ(generator_count, 1);
  EXPECT_EQ(generator_type[floor_generator], STATIC_METAL_SURFACE);
  EXPECT_EQ(generator_y[floor_generator], 95.0f);
  ASSERT_EQ(static_count, 6);
  for (int k = 0; k < static_count; k++) {
    const int s = static_draw_order[k];
    EXPECT_TRUE(static_y[s] == 95.0f || static_x[s] <= 160.0f) << s;
  }
}

TEST(Stage17, ARemovalFreesOnlyGeneratorsItHolds) {
  BeginStage(17);
  RunTick(0);
  CreateGenerator(STATIC_TREE, 25, 5, 0, 95, 0);  // someone else's
  RunTick(905);  // both registers still -1
  EXPECT_EQ(generator_count, 1);
  RunTick(705);
  const int ceiling = script_var_2;
  RunTick(1605);
  EXPECT_EQ(generator_type[ceiling], 0);
  EXPECT_EQ(generator_count, 1);
  RunTick(1605);  // the register no longer names it
  EXPECT_EQ(generator_count, 1);
}

// The rows of stages 11, 15 and 17 that set the platforms going with the ground: stage 11 its
// ceiling platforms at the ground's speed, stages 15 and 17 both kinds at code -4.
TEST(Stage17, PlatformsJoinTheGround) {
  const struct {
    int stage, tick;
    bool floor_too;
    int vx;
  } rows[] = {{11, 1590, false, -3}, {11, 2445, false, -3}, {15, 654, true, -4}, {15, 1090, true, -4},
              {15, 1370, true, -4},  {17, 810, true, -4},   {17, 910, true, -4},  {17, 1610, true, -4}};
  for (const auto& row : rows) {
    BeginStage(row.stage);
    scroll_speed = 3;
    PlaceThing(10, THING_CEILING_PLATFORM, 100, 10);
    PlaceThing(11, THING_FLOOR_PLATFORM, 100, 90);
    PlaceThing(12, THING_WIDE_PLATFORM, 100, 90);
    for (int i = 10; i <= 12; i++) thing_timer[i] = thing_vx[i] = 2;
    RunTick(row.tick);
    EXPECT_EQ(thing_vx[10], row.vx) << row.tick;
    EXPECT_EQ(thing_timer[10], 0) << row.tick;
    EXPECT_EQ(thing_vx[11], row.floor_too ? row.vx : 2) << row.tick;
    EXPECT_EQ(thing_timer[11], row.floor_too ? 0 : 2) << row.tick;
    EXPECT_EQ(thing_vx[12], 2) << row.tick;
  }
}

TEST(Stage17, EndsAt1730) {
  BeginStage(17);
  EXPECT_EQ(RunTick(1729), 0);
  EXPECT_EQ(RunTick(1730), 1);
}

// ---- Whole stage, frame by frame -------------------------------------------------------------------

TEST(StageScenario, Stage17SendsEveryBossAndShowsTheClockAfterEach) {
  PlayStage(17);
  std::vector<std::string> messages;
  std::vector<int> cores;
  for (int check : CHECK_TICKS) {
    PlayUntilTick(check);
    ASSERT_TRUE(Playing());
    if (RegisterIsBossCore(script_handle)) {
      cores.push_back(thing_type[script_handle]);
      DestroyThing(script_handle);
    }
    message_alpha = 0.0f;
    RunGameFrame();
    EXPECT_EQ(stage_tick, check + 1);
    if (message_alpha == 2.0f) messages.push_back(message_text);
  }
  EXPECT_EQ(cores.size(), 15u);
  ASSERT_EQ(messages.size(), 14u);
  EXPECT_EQ(messages.front(), "0:15");  // 301 frames at 20 a second
  EXPECT_EQ(messages.back(), "1:20");   // tick 1600
  EXPECT_EQ(PlayUntil([] { return !Playing(); }), 1730 - 1701 + 1);
  EXPECT_EQ(game_state, STATE_MAIN_MENU);  // a Dev Mode stage ends in the menu
  EXPECT_FALSE(ATableRanFull());
}

}  // namespace
