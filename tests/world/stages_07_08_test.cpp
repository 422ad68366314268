#include <gtest/gtest.h>

#include <cmath>

#include "stage_fixture.h"
#include "world/compounds.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/things.h"

namespace {

bool IsArk(int type) {
  return type == STATIC_ARK_BASE || type == STATIC_ARK_RING_HULL || type == STATIC_ARK_RING_PAD;
}

void ClearProjectiles() {
  for (int i = 0; i < MAX_PROJECTILES; i++) FreeProjectile(i);
}

// ---- Stage 7 -------------------------------------------------------------------------------------

// Stage 7's tick 0: the ark built on an empty static table.
void BuildTheArk() {
  BeginStage(7);
  RunTick(0);
  ClearProjectiles();  // the tick's smoke
}

TEST(Stage7, TheArkIsABaseAndFourRingPairs) {
  BuildTheArk();
  EXPECT_EQ(scroll_speed, 2);
  EXPECT_EQ(fog_end_target, 500.0f);
  EXPECT_EQ(sky_color_target.r, 0.15f);
  EXPECT_EQ(ark_radius, 150.0f);
  ASSERT_EQ(static_count, 9);
  EXPECT_EQ(static_type[99], STATIC_ARK_BASE);
  EXPECT_EQ(static_x[99], 315.0f);
  EXPECT_EQ(static_z[99], 150.0f);
  EXPECT_EQ(static_ry[99], 45.0f);
  EXPECT_EQ(static_spin_x[99], 0.0f);
  for (int k = 0; k < 4; k++) {
    const int pad = 98 - 2 * k, hull = pad - 1;
    const float d = 31.0f * k;
    EXPECT_EQ(static_type[pad], STATIC_ARK_RING_PAD) << k;
    EXPECT_EQ(static_type[hull], STATIC_ARK_RING_HULL) << k;
    for (int s : {pad, hull}) {
      EXPECT_EQ(static_x[s], 315.0f + d) << k;
      EXPECT_EQ(static_y[s], 50.0f) << k;
      EXPECT_EQ(static_z[s], 150.0f - d) << k;
      EXPECT_EQ(static_ry[s], 45.0f) << k;
      EXPECT_EQ(static_spin_x[s], 0.2f) << k;
    }
  }
}

TEST(Stage7, SmokeOnEveryFrameBelowSevenHundredAndDebrisBelowFourHundred) {
  const struct {
    int tick, smoke, debris;
  } rows[] = {{1, 1, 1}, {399, 1, 1}, {400, 1, 0}, {699, 1, 0}, {700, 0, 0}};
  for (const auto& row : rows) {
    BuildTheArk();
    phase_16 = 0;
    RunTick(row.tick);
    EXPECT_EQ(CountProjectiles(PROJ_SMOKE_2), row.smoke) << row.tick;
    EXPECT_EQ(CountProjectiles(PROJ_DEBRIS), row.debris) << row.tick;
  }
}

TEST(Stage7, OneDrawPlacesThePuffBothAcrossAndInDepth) {
  for (int tick : {2, 251, 699}) {  // ticks without events
    BuildTheArk();
    SeedRandom(11);
    const int r = Rand() % 200, y = Rand() % 100;
    SeedRandom(11);
    RunTick(tick);
    const int puff = projectile_last;
    ASSERT_EQ(projectile_type[puff], PROJ_SMOKE_2);
    EXPECT_EQ(projectile_x[puff], 265.0f + r - tick) << tick;
    EXPECT_EQ(projectile_y[puff], static_cast<float>(y)) << tick;
    EXPECT_LE(projectile_z[puff], 100.0f - r) << tick;  // smoke sinks a little on its own
    EXPECT_GT(projectile_z[puff], 100.0f - r - 5) << tick;
    EXPECT_EQ(projectile_vx[puff], -2.0f);
    EXPECT_EQ(projectile_owner[puff], -1);
  }
}

TEST(Stage7, FightersHaveTwinsFarBehind) {
  const struct {
    int tick, thing, projectile;
    float y;
  } rows[] = {{1, THING_FIGHTER, PROJ_FIGHTER, 80},     {150, THING_FIGHTER, PROJ_FIGHTER, 50},
              {375, THING_FIGHTER, PROJ_FIGHTER, 20},   {280, THING_FIGHTER_2, PROJ_FIGHTER_2, 35},
              {380, THING_FIGHTER_2, PROJ_FIGHTER_2, 65}};
  for (const auto& row : rows) {
    BuildTheArk();
    RunTick(row.tick);
    ASSERT_EQ(thing_type[58], row.thing) << row.tick;
    EXPECT_EQ(thing_y[58], row.y);
    EXPECT_EQ(thing_param[58], 1);
    int twin = -1;
    for (int i = 0; i < MAX_PROJECTILES; i++) {
      if (projectile_type[i] == row.projectile) twin = i;
    }
    ASSERT_GE(twin, 0) << row.tick;
    EXPECT_EQ(projectile_x[twin], 890.0f);
    EXPECT_EQ(projectile_y[twin], row.y);
    EXPECT_EQ(projectile_z[twin], 95.0f);
    EXPECT_EQ(projectile_vx[twin], -4.0f);
    EXPECT_EQ(projectile_owner[twin], -1);
  }
}

TEST(Stage7, NoTwinWithoutItsFighter) {
  BuildTheArk();
  for (int i = 0; i < MAX_THINGS; i++) thing_type[i] = THING_GLOW_BUG;
  thing_count = MAX_THINGS;
  RunTick(50);
  EXPECT_EQ(CountProjectiles(PROJ_FIGHTER), 0);
}

TEST(Stage7, TheArkTurnsSlowerAtFiveHundred) {
  BuildTheArk();
  CreateStatic(STATIC_TREE, 200, 95, 20);
  static_spin_x[90] = 0.2f;
  RunTick(500);
  for (int s = 91; s <= 99; s++) EXPECT_FLOAT_EQ(static_spin_x[s], s == 99 ? -0.02f : 0.18f) << s;
  EXPECT_EQ(static_spin_x[90], 0.2f);
}

TEST(Stage7, AnExplosionFlashesAndShakesTheArk) {
  BuildTheArk();
  CreateStatic(STATIC_TREE, 200, 95, 20);
  float x[MAX_STATICS], y[MAX_STATICS], spin[MAX_STATICS][3];
  for (int s = 0; s < MAX_STATICS; s++) {
    x[s] = static_x[s];
    y[s] = static_y[s];
    spin[s][0] = static_spin_y[s];
    spin[s][1] = static_spin_x[s];
    spin[s][2] = static_spin_z[s];
  }
  RunTick(600);
  EXPECT_EQ(sky_color.r, 0.3f);
  EXPECT_EQ(fill_light_color.r, 0.8f);
  EXPECT_EQ(fill_light_color.g, 0.7f);
  EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_explosion_05"), 1);
  int fractional = 0;
  for (int s = 0; s < MAX_STATICS; s++) {
    if (static_type[s] == 0) continue;
    if (!IsArk(static_type[s])) {
      EXPECT_EQ(static_x[s], x[s]);
      EXPECT_EQ(static_spin_y[s], 0.0f);
      continue;
    }
    const float dx = static_x[s] - x[s], dy = static_y[s] - y[s];
    EXPECT_TRUE(dx >= -2 && dx <= 1 && dx == std::floor(dx)) << s;
    EXPECT_TRUE(dy >= -2 && dy <= 1 && dy == std::floor(dy)) << s;
    const float now[3] = {static_spin_y[s], static_spin_x[s], static_spin_z[s]};
    for (int axis = 0; axis < 3; axis++) {
      const float steps = std::round((now[axis] - spin[s][axis]) * 80.0f);
      EXPECT_GE(steps, -2.0f);
      EXPECT_LE(steps, 1.0f);
      EXPECT_FLOAT_EQ(now[axis], spin[s][axis] + steps / 80.0f);
      fractional += steps != 0.0f;
    }
  }
  EXPECT_GT(fractional, 0);  // the spins change by eightieths, not by whole degrees
}

TEST(Stage7, TheShakeDrawsXYThenTheThreeSpinsForEachPieceFromTheTop) {
  BuildTheArk();
  for (int i = 0; i < MAX_PROJECTILES; i++) projectile_type[i] = PROJ_DEBRIS;  // the tick's smoke finds no room
  projectile_count = MAX_PROJECTILES;
  SeedRandom(19);
  Rand(), Rand();  // the smoke's place, drawn all the same
  struct Shake {
    int slot, dx, dy, sy, sx, sz;
  } shakes[2] = {{99, 0, 0, 0, 0, 0}, {98, 0, 0, 0, 0, 0}};  // the base, then the first ring pad
  for (Shake& k : shakes) {
    k.dx = Rand() % 4 - 2;
    k.dy = Rand() % 4 - 2;
    k.sy = Rand() % 4 - 2;
    k.sx = Rand() % 4 - 2;
    k.sz = Rand() % 4 - 2;
  }
  SeedRandom(19);
  RunTick(600);
  for (const Shake& k : shakes) {
    const float spin_x = k.slot == 99 ? 0.0f : 0.2f;
    EXPECT_EQ(static_x[k.slot], 315.0f + k.dx) << k.slot;
    EXPECT_EQ(static_y[k.slot], 50.0f + k.dy) << k.slot;
    EXPECT_EQ(static_spin_y[k.slot], k.sy / 80.0f) << k.slot;
    EXPECT_EQ(static_spin_x[k.slot], spin_x + k.sx / 80.0f) << k.slot;
    EXPECT_EQ(static_spin_z[k.slot], k.sz / 80.0f) << k.slot;
  }
}

TEST(Stage7, ARingPadBreaksIntoFragmentsAndParts) {
  BuildTheArk();
  RunTick(710);
  EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_explosion_04"), 1);
  EXPECT_EQ(static_type[98], 0);  // the pad in the highest slot, at (315, 50, 150)
  EXPECT_EQ(CountStatics(STATIC_ARK_RING_PAD), 3);
  ASSERT_EQ(CountProjectiles(PROJ_FRAGMENT_GREY), 51);
  ASSERT_EQ(CountStatics(STATIC_ARK_PART_PAD), 8);
  int first_fragment = -1;
  for (int i = 0; i < MAX_PROJECTILES; i++) {
    if (projectile_type[i] != PROJ_FRAGMENT_GREY) continue;
    if (first_fragment < 0 || i > first_fragment) first_fragment = i;
    const float r = std::hypot(projectile_x[i] - 315.0f, projectile_y[i] - 50.0f);
    EXPECT_NEAR(r, 40.0f, 0.001f);
    EXPECT_EQ(projectile_z[i], 150.0f);
    EXPECT_GE(projectile_vx[i], -3.0f);
    EXPECT_LE(projectile_vx[i], 2.0f);
    EXPECT_GE(projectile_vy[i], -3.0f);
    EXPECT_LE(projectile_vy[i], 2.0f);
  }
  EXPECT_EQ(projectile_x[first_fragment], 355.0f);
  EXPECT_EQ(projectile_y[first_fragment], 50.0f);
  int k = 0;
  for (int s = MAX_STATICS - 1; s >= 0; s--) {
    if (static_type[s] != STATIC_ARK_PART_PAD) continue;
    const float a = 0.75f * k++;
    EXPECT_FLOAT_EQ(static_x[s], 315.0f + 40 * std::cos(a) + 10) << k;
    EXPECT_FLOAT_EQ(static_y[s], 50.0f + 40 * std::sin(a)) << k;
    EXPECT_EQ(static_z[s], 130.0f);
    EXPECT_EQ(static_ry[s], 45.0f);
    EXPECT_EQ(static_rx[s], 60 * a);
  }
}

TEST(Stage7, AFragmentDrawsItsVerticalSpeedBeforeItsHorizontal) {
  BuildTheArk();
  SeedRandom(8);
  const int vy = Rand() % 6 - 3, vx = Rand() % 6 - 3;
  ASSERT_NE(vx, vy);  // a seed that tells the two orders apart
  SeedRandom(8);
  RunTick(710);
  int first = -1;  // the fragment at angle 0, in the highest slot taken
  for (int i = MAX_PROJECTILES - 1; i >= 0 && first < 0; i--) {
    if (projectile_type[i] == PROJ_FRAGMENT_GREY) first = i;
  }
  ASSERT_GE(first, 0);
  EXPECT_EQ(projectile_x[first], 355.0f);
  EXPECT_EQ(projectile_vx[first], static_cast<float>(vx));
  EXPECT_EQ(projectile_vy[first], static_cast<float>(vy));
}

TEST(Stage7, FourPadsBreakAndTheFifthBlastOnlySounds) {
  BuildTheArk();
  for (int tick : {710, 730, 750, 770}) RunTick(tick);
  EXPECT_EQ(CountStatics(STATIC_ARK_RING_PAD), 0);
  EXPECT_EQ(CountProjectiles(PROJ_FRAGMENT_GREY), 4 * 51);
  const int statics = static_count;
  RunTick(790);
  EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_explosion_04"), 5);
  EXPECT_EQ(static_count, statics);
  EXPECT_EQ(CountProjectiles(PROJ_FRAGMENT_GREY), 4 * 51);
}

TEST(Stage7, APadThatHasLeftIsNotFound) {
  BuildTheArk();
  FreeStatic(98);
  RunTick(710);
  EXPECT_EQ(static_type[96], 0);  // the next pad down, at (346, 50, 119)
  EXPECT_EQ(CountStatics(STATIC_ARK_RING_PAD), 2);
  for (int i = 0; i < MAX_PROJECTILES; i++) {
    if (projectile_type[i] == PROJ_FRAGMENT_GREY) {
      EXPECT_EQ(projectile_z[i], 119.0f);
    }
  }
}

TEST(Stage7, HoldsForTheBossThenTheFogClosesIn) {
  BuildTheArk();
  RunTick(550);
  ASSERT_EQ(CountThings(THING_CORE_2), 1);
  EXPECT_EQ(RunTick(825), 0);
  EXPECT_EQ(stage_tick, 800);
  EXPECT_EQ(fog_end_target, 500.0f);
  DestroyBossCores();
  EXPECT_EQ(RunTick(825), 0);
  EXPECT_EQ(stage_tick, 825);
  EXPECT_EQ(fog_end_target, 50.0f);
  EXPECT_EQ(sky_color_target.r, 0.0f);
  EXPECT_EQ(RunTick(925), 1);
  EXPECT_GT(CountStatics(STATIC_ARK_BASE), 0);  // the ark drifts on into the next stage
}

// ---- Stage 8 -------------------------------------------------------------------------------------

TEST(Stage8, AColumnOfFightersTurningOneFrameAfterTheyAppear) {
  BeginStage(8);
  RunUntilTick(100);
  EXPECT_EQ(fog_end_target, 300.0f);
  EXPECT_EQ(scroll_speed, 4);
  // Ticks 1, 16, 31, 46, 61, 76 and 91 take slots 58 down to 52.
  const int vy[7] = {0, -2, 0, 2, 0, -2, 2};
  ASSERT_EQ(CountThings(THING_FIGHTER), 7);
  for (int k = 0; k < 7; k++) {
    EXPECT_EQ(thing_x[58 - k], 150.0f) << k;
    EXPECT_EQ(thing_y[58 - k], 50.0f) << k;
    EXPECT_EQ(thing_vy[58 - k], vy[k]) << k;
  }
  EXPECT_EQ(script_handle, 52);
}

TEST(Stage8, HoldsForItsCoreThenEndsAHundredTicksLater) {
  BeginStage(8);
  RunTick(110);
  ASSERT_TRUE(RegisterIs(script_var_2, THING_CORE_1));
  EXPECT_EQ(thing_x[script_var_2], 200.0f);
  EXPECT_EQ(RunTick(150), 0);
  EXPECT_EQ(stage_tick, 115);
  DestroyThing(script_var_2);
  EXPECT_EQ(RunTick(150), 0);
  EXPECT_EQ(stage_tick, 150);
  EXPECT_EQ(RunTick(249), 0);
  EXPECT_EQ(RunTick(250), 1);
}

// ---- Whole stages, frame by frame ------------------------------------------------------------------

TEST(StageScenario, Stage7BreaksUpTheArkAndHoldsForItsBoss) {
  PlayStage(7);
  PlayUntil([] { return stage_tick == 791; });
  EXPECT_EQ(CountStatics(STATIC_ARK_RING_PAD), 0);
  PlayUntil([] { return stage_tick == 825; });
  ASSERT_TRUE(AnyBossCore());
  for (int frame = 0; frame < 60; frame++) {
    RunGameFrame();
    ASSERT_GE(stage_tick, 801);
  }
  DestroyBossCores();
  EXPECT_TRUE(EndsWithin(925 - 800));
}

TEST(StageScenario, Stage8HoldsForItsCoreThenEnds) {
  PlayStage(8);
  PlayUntil([] { return stage_tick == 150; });
  ASSERT_TRUE(RegisterIs(script_var_2, THING_CORE_1));
  for (int frame = 0; frame < 60; frame++) {
    RunGameFrame();
    ASSERT_GE(stage_tick, 116);
  }
  DestroyThing(script_var_2);
  EXPECT_TRUE(EndsWithin(250 - 115));
}

}  // namespace
