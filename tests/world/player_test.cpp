#include <gtest/gtest.h>

#include <cmath>

#include "fake_engine.h"
#include "scenario.h"
#include "world/behaviours.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/motion.h"
#include "world/player.h"
#include "world/projectiles.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

int FreshShip(float x = 50.0f, float y = 50.0f) {
  ResetScenarioInGame();
  player_thing = CreateThing(THING_PLAYER, -1, x, y);
  return player_thing;
}

// The frames (from 1) on which a frame of behaviour created a projectile of `type`.
std::vector<int> FiringFrames(int frames, int type) {
  std::vector<int> fired;
  for (int f = 1; f <= frames; f++) {
    int before = CountProjectiles(type);
    UpdateThings();
    if (CountProjectiles(type) > before) fired.push_back(f);
  }
  return fired;
}

TEST(Ship, Steering) {
  struct Case {
    Actions keys;
    float x, y;
    int vx, vy;
  } cases[] = {
      {{}, 50.0f, 50.0f, 0, 0},
      {{.up = 1}, 50.0f, 50.0f, 0, -4},
      {{.up = 1, .down = 1}, 50.0f, 50.0f, 0, 4},
      {{.left = 1, .right = 1}, 50.0f, 50.0f, 4, 0},
      {{.up = 1}, 50.0f, 5.0f, 0, 0},
      {{.up = 1}, 50.0f, 5.5f, 0, -4},
      {{.down = 1}, 50.0f, 95.0f, 0, 0},
      {{.down = 1}, 50.0f, 94.9f, 0, 4},
      {{.left = 1}, 5.0f, 50.0f, 0, 0},
      {{.right = 1}, 130.0f, 50.0f, 0, 0},
      {{.right = 1}, 129.0f, 50.0f, 4, 0},
  };
  for (const Case& c : cases) {
    int ship = FreshShip(c.x, c.y);
    thing_vx[ship] = thing_vy[ship] = 3;
    SetActions(c.keys);
    UpdateThings();
    EXPECT_EQ(thing_vx[ship], c.vx) << c.x << "," << c.y;
    EXPECT_EQ(thing_vy[ship], c.vy) << c.x << "," << c.y;
  }
}

TEST(Ship, HoldingUpStopsAtTheTopWithinOneStep) {
  int ship = FreshShip(50.0f, 50.0f);
  for (int i = 0; i < 60; i++) RunGameFrame({.up = 1});
  EXPECT_FLOAT_EQ(thing_y[ship], 5.0f);
  thing_anchor_y[ship] = thing_y[ship] = 5.5f;
  RunGameFrames(3, {.up = 1});
  EXPECT_FLOAT_EQ(thing_y[ship], 4.5f);
}

TEST(Ship, GunFiresEverySevenFramesAtItsLevelsPitch) {
  struct Case {
    int level, type, frequency;
  } cases[] = {{1, PROJ_SHOT_1, 31808}, {2, PROJ_SHOT_2, 23616}, {3, PROJ_SHOT_3, 15424}};
  for (const Case& c : cases) {
    int ship = FreshShip(50.0f, 40.0f);
    forward_level = c.level;
    SetActions({.fire = 1});
    EXPECT_EQ(FiringFrames(22, c.type), (std::vector<int>{1, 8, 15, 22})) << c.level;
    int p = 298;
    EXPECT_EQ(projectile_owner[p], ship);
    EXPECT_FLOAT_EQ(projectile_x[p], 57.0f);
    EXPECT_FLOAT_EQ(projectile_y[p], 40.0f);
    EXPECT_FLOAT_EQ(projectile_vx[p], 6.0f);
    EXPECT_EQ(engine_calls.front().text, "snd_fire_forward_01");
    EXPECT_EQ(engine_calls.front().i, c.frequency);
  }
}

TEST(Ship, AutoFireAndTheMissileKey) {
  FreshShip();
  auto_fire = 1.0f;
  SetActions({});
  EXPECT_EQ(FiringFrames(15, PROJ_SHOT_1), (std::vector<int>{1, 8, 15}));

  FreshShip();
  auto_fire = 1.0f;
  missile_ammo = 0;
  SetActions({.fire = 1, .missile = 1});
  EXPECT_TRUE(FiringFrames(15, PROJ_SHOT_1).empty());

  FreshShip();
  forward_level = 0;
  SetActions({.fire = 1});
  EXPECT_TRUE(FiringFrames(15, PROJ_SHOT_1).empty());
  EXPECT_EQ(projectile_count, 0);
}

TEST(Ship, MissileKinds) {
  struct Shot {
    float dx, dy, vx, vy;
  };
  struct Case {
    int kind;
    std::vector<int> frames;
    std::vector<Shot> shots;
  } cases[] = {
      {PROJ_BOMB, {11, 22}, {{0, 3, 2, 3}}},
      {PROJ_HAWK, {11, 32}, {{0, -3, -5, -2}, {0, 3, -5, 2}}},
      {PROJ_DRUM, {11, 37}, {{0, 3, 0, 2}}},
      {PROJ_CROW, {11, 42}, {{3, 1, 0, 0}}},
  };
  for (const Case& c : cases) {
    int ship = FreshShip(40.0f, 60.0f);
    missile_kind = c.kind;
    missile_ammo = 10;
    SetActions({.missile = 1});
    int last = c.frames.back();
    EXPECT_EQ(FiringFrames(last, c.kind), c.frames) << c.kind;
    EXPECT_EQ(missile_ammo, 8) << c.kind;
    EXPECT_EQ(CountProjectiles(c.kind), 2 * static_cast<int>(c.shots.size()));
    for (size_t i = 0; i < c.shots.size(); i++) {
      int p = 298 - static_cast<int>(i);
      EXPECT_EQ(projectile_type[p], c.kind);
      EXPECT_EQ(projectile_owner[p], ship);
      EXPECT_FLOAT_EQ(projectile_x[p], 40.0f + c.shots[i].dx);
      EXPECT_FLOAT_EQ(projectile_y[p], 60.0f + c.shots[i].dy);
      EXPECT_FLOAT_EQ(projectile_vx[p], c.shots[i].vx);
      EXPECT_FLOAT_EQ(projectile_vy[p], c.shots[i].vy);
    }
  }
}

TEST(Ship, MissileSupply) {
  int ship = FreshShip();
  missile_kind = PROJ_HAWK;
  missile_ammo = 1;
  thing_timer2[ship] = 0;
  SetActions({.missile = 1});
  UpdateThings();
  EXPECT_EQ(CountProjectiles(PROJ_HAWK), 2);
  EXPECT_EQ(missile_ammo, 0);

  ship = FreshShip();
  missile_ammo = 0;
  thing_timer2[ship] = 0;
  SetActions({.missile = 1});
  UpdateThings();
  EXPECT_EQ(thing_timer2[ship], 0);
  missile_ammo = 5;  // a pickup: the next frame fires
  UpdateThings();
  EXPECT_EQ(CountProjectiles(PROJ_BOMB), 1);
}

TEST(Ship, FiresIntoAFullishTableAndLosesAMissileToAFullOne) {
  int ship = FreshShip();
  for (int p = 0; p < 295; p++) projectile_type[p] = PROJ_DEBRIS;
  projectile_count = 295;
  SetActions({.fire = 1});
  UpdateThings();
  EXPECT_EQ(projectile_count, 296);

  for (int p = 0; p < MAX_PROJECTILES; p++) projectile_type[p] = PROJ_DEBRIS;
  projectile_count = MAX_PROJECTILES;
  missile_ammo = 3;
  thing_timer2[ship] = 0;
  SetActions({.missile = 1});
  UpdateThings();
  EXPECT_EQ(missile_ammo, 2);
  EXPECT_EQ(thing_timer2[ship], 10);
}

TEST(Ship, SmokesWhileTheHitFlashLastsAndTheFlashCountsDown) {
  int ship = FreshShip(30.0f, 40.0f);
  thing_timer[ship] = 3;
  SetActions({});
  UpdateThings();
  ASSERT_EQ(CountProjectiles(PROJ_SMOKE), 1);
  int smoke = 298;
  EXPECT_EQ(projectile_owner[smoke], ship);
  EXPECT_FLOAT_EQ(projectile_x[smoke], 30.0f);
  EXPECT_FLOAT_EQ(projectile_vx[smoke], -2.0f);
  EXPECT_EQ(thing_timer[ship], 3);  // only the drawing counts it down

  std::vector<int> shown;
  for (int i = 0; i < 5; i++) shown.push_back(CountDownHitFlash(ship));
  EXPECT_EQ(shown, (std::vector<int>{1, 1, 1, 0, 0}));
  EXPECT_EQ(thing_timer[ship], 0);
  EXPECT_EQ(CountDownHitFlash(-2), 0);
  EXPECT_EQ(CountDownHitFlash(60), 0);
}

TEST(Behaviours, WobbleSwingsThenDiesAway) {
  ResetScenario();
  int t = CreateThing(THING_HULL, -1, 80.0f, 50.0f);
  thing_roll_time[t] = 3;
  thing_roll_rate[t] = 2.0f;
  thing_roll_spring[t] = 1.0f;
  float expected[] = {2.0f, 3.0f, 3.0f};
  float rates[] = {1.0f, 0.0f, -1.0f};
  for (int i = 0; i < 3; i++) {
    StepWobble(t);
    EXPECT_FLOAT_EQ(thing_roll[t], expected[i]);
    EXPECT_FLOAT_EQ(thing_roll_rate[t], rates[i]);
  }
  EXPECT_EQ(thing_roll_time[t], 0);
  float roll = 3.0f;
  while (roll != 0.0f) {
    roll = static_cast<float>(roll / 1.1);
    if (std::fabs(roll) < 1.0f) roll = 0.0f;
    StepWobble(t);
    EXPECT_FLOAT_EQ(thing_roll[t], roll);
  }
  EXPECT_FLOAT_EQ(thing_roll_rate[t], -1.0f);  // the rate is left as it was

  // Within a degree the spring does not pull.
  thing_roll[t] = 0.5f;
  thing_roll_rate[t] = 0.25f;
  thing_roll_time[t] = 1;
  StepWobble(t);
  EXPECT_FLOAT_EQ(thing_roll[t], 0.75f);
  EXPECT_FLOAT_EQ(thing_roll_rate[t], 0.25f);
  thing_roll[t] = -0.5f;
  StepWobble(t);
  EXPECT_FLOAT_EQ(thing_roll[t], 0.0f);
}

TEST(Behaviours, ThePassSmokesDamagedCoresAndWobblesEverySlot) {
  ResetScenarioInGame();
  int core = CreateThing(THING_CORE_9, -1, 100.0f, 50.0f);
  thing_hp[core] = 3;
  CreateThing(THING_CORE_8, -1, 100.0f, 20.0f);      // 18 hit points: no smoke
  CreateThing(THING_POW_FORWARD, -1, 60.0f, 50.0f);  // 1000: no smoke
  thing_roll_time[10] = 2;                           // a free slot still wobbles
  thing_roll_rate[10] = 0.5f;
  UpdateThings();
  EXPECT_EQ(CountProjectiles(PROJ_SMOKE), 1);
  int smoke = 298;
  EXPECT_EQ(projectile_owner[smoke], core);
  EXPECT_FLOAT_EQ(projectile_x[smoke], 95.0f);
  EXPECT_FLOAT_EQ(projectile_y[smoke], 50.0f);
  EXPECT_FLOAT_EQ(thing_roll[10], 0.5f);
  EXPECT_EQ(thing_roll_time[10], 1);
}

TEST(Behaviours, ShipInTheScenarioFiresAndItsShotsFly) {
  int ship = FreshShip(20.0f, 50.0f);
  RunGameFrames(8, {.fire = 1});
  EXPECT_EQ(CountProjectiles(PROJ_SHOT_1), 2);
  EXPECT_FLOAT_EQ(projectile_x[298], 27.0f + 7 * 3.0f);
  EXPECT_EQ(thing_type[ship], THING_PLAYER);
}

}  // namespace
