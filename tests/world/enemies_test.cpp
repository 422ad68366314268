#include <gtest/gtest.h>

#include "draws.h"
#include "fake_engine.h"
#include "scenario.h"
#include "world/behaviours.h"
#include "world/enemies.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

// Fills the lowest projectile slots with smoke until `live` projectiles are live.
void FillProjectiles(int live) {
  for (int p = 0; projectile_count < live; p++) PlaceProjectile(p, PROJ_SMOKE, -1, 0.0f, 0.0f);
}

struct Shot {
  float x, y, vx, vy;
  int owner;
};

// The live projectiles of a type, from the highest slot down (the order of their creation).
std::vector<Shot> Shots(int type) {
  std::vector<Shot> shots;
  for (int p = MAX_PROJECTILES - 1; p >= 0; p--)
    if (projectile_type[p] == type)
      shots.push_back({projectile_x[p], projectile_y[p], projectile_vx[p], projectile_vy[p], projectile_owner[p]});
  return shots;
}

// ---- TurnAim ---------------------------------------------------------------------------------

struct AimPoint {
  float x, y;
};
// Index 1 to 16 round the circle, clockwise on the screen (y grows downward).
const AimPoint circle[17] = {{0, 0},  {-4, 0}, {-3, -1}, {-2, -2}, {-1, -3}, {0, -4}, {1, -3}, {2, -2}, {3, -1},
                             {4, 0},  {3, 1},  {2, 2},   {1, 3},   {0, 4},   {-1, 3}, {-2, 2}, {-3, 1}};

int AimedTurret(int type, int index) {
  int t = MakeThing(type, 100.0f, 50.0f);
  thing_param[t] = index;
  thing_aim_x[t] = circle[index].x;
  thing_aim_y[t] = circle[index].y;
  return t;
}

TEST(TurnAim, StepsRoundTheCircleBothWays) {
  for (int index = 1; index <= 16; index++) {
    ResetScenarioInGame();
    int t = AimedTurret(THING_TURRET, index);
    int next = index == 16 ? 1 : index + 1;
    TurnAim(t, 1);
    EXPECT_EQ(thing_param[t], next) << index;
    EXPECT_FLOAT_EQ(thing_aim_x[t], circle[next].x) << index;
    EXPECT_FLOAT_EQ(thing_aim_y[t], circle[next].y) << index;
    TurnAim(t, 0);
    EXPECT_EQ(thing_param[t], index) << index;
    EXPECT_FLOAT_EQ(thing_aim_x[t], circle[index].x) << index;
    EXPECT_FLOAT_EQ(thing_aim_y[t], circle[index].y) << index;
    TurnAim(t, -3);  // any direction but 0 turns clockwise
    EXPECT_EQ(thing_param[t], next) << index;
  }
}

TEST(TurnAim, TheUpperTurretStopsAtBothSides) {
  struct Case {
    int index, direction, index_after;
  } cases[] = {{1, 0, 1}, {1, 1, 2}, {9, 1, 9}, {9, 0, 8}, {5, 0, 4}, {5, 1, 6}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int t = AimedTurret(THING_TURRET_2, c.index);
    TurnAim(t, c.direction);
    EXPECT_EQ(thing_param[t], c.index_after) << c.index << " " << c.direction;
    EXPECT_FLOAT_EQ(thing_aim_x[t], circle[c.index_after].x);
    EXPECT_FLOAT_EQ(thing_aim_y[t], circle[c.index_after].y);
  }
  // The plain turret goes on past both.
  ResetScenarioInGame();
  int t = AimedTurret(THING_TURRET, 1);
  TurnAim(t, 0);
  EXPECT_EQ(thing_param[t], 16);
}

TEST(TurnAim, AZeroAimStaysButItsIndexTurns) {
  ResetScenarioInGame();
  int t = MakeThing(THING_TURRET, 100.0f, 50.0f);
  thing_aim_x[t] = thing_aim_y[t] = 0.0f;
  thing_param[t] = 16;
  TurnAim(t, 1);
  EXPECT_EQ(thing_param[t], 1);
  EXPECT_FLOAT_EQ(thing_aim_x[t], 0.0f);
  EXPECT_FLOAT_EQ(thing_aim_y[t], 0.0f);
  TurnAim(-1, 1);  // no slot: nothing
  TurnAim(MAX_THINGS, 1);
}

// ---- Turrets -----------------------------------------------------------------------------------

// A turret at (100, 50) whose aim step and reload have run out, so this frame aims.
int ReadyTurret(int type, int index) {
  int t = AimedTurret(type, index);
  thing_timer[t] = 0;
  thing_fire_timer[t] = 0;
  return t;
}

TEST(Turret, AimBands) {
  struct Case {
    const char* what;
    int index;
    float px, py;
    bool fires;
    int index_after;
  } cases[] = {
      {"left, level: fires", 1, 60.0f, 54.0f, true, 1},
      {"left, band edge included", 1, 60.0f, 55.0f, true, 1},
      {"left and 20 above: turns up", 1, 60.0f, 30.0f, false, 2},
      {"left and 20 below: turns down", 1, 60.0f, 70.0f, false, 16},
      {"up, 60 right and 5 above: turns right", 5, 160.0f, 45.0f, false, 6},
      {"up, far right and 50 above: beyond the top band", 5, 170.0f, 0.0f, false, 5},
      {"left, beyond the bottom band", 13, 40.0f, 100.0f, false, 13},
      {"as far to the side as above: the x bands", 5, 110.0f, 40.0f, true, 5},
      {"up, 15 to the side: the next band over", 5, 115.0f, 0.0f, false, 6},
      {"down-left diagonal hits its band", 15, 75.0f, 70.0f, true, 15},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    MakeShip(c.px, c.py);
    int t = ReadyTurret(THING_TURRET, c.index);
    std::vector<int> draws = PeekDraws(1);
    UpdateTurret(t);
    EXPECT_EQ(thing_param[t], c.index_after) << c.what;
    ASSERT_EQ(CountProjectiles(PROJ_ROUND), c.fires ? 1 : 0) << c.what;
    EXPECT_EQ(thing_timer[t], 20) << c.what;
    if (c.fires) {
      EXPECT_EQ(thing_fire_timer[t], 50 + draws[0] % 20) << c.what;
      Shot s = Shots(PROJ_ROUND)[0];
      EXPECT_FLOAT_EQ(s.x, 100.0f + circle[c.index].x / 2.0f) << c.what;
      EXPECT_FLOAT_EQ(s.y, 50.0f + circle[c.index].y / 2.0f) << c.what;
      EXPECT_FLOAT_EQ(s.vx, circle[c.index].x) << c.what;
      EXPECT_FLOAT_EQ(s.vy, circle[c.index].y) << c.what;
      EXPECT_EQ(s.owner, t);
    } else {
      EXPECT_EQ(thing_fire_timer[t], 0) << c.what;
    }
  }
}

TEST(Turret, AimsOnceIn21FramesAndHoldsWhileReloading) {
  ResetScenarioInGame();
  int ship = MakeShip(50.0f, 10.0f);  // 40 above and 50 to the left: the aim must climb
  int t = ReadyTurret(THING_TURRET, 1);
  UpdateTurret(t);
  EXPECT_EQ(thing_param[t], 2);
  for (int i = 0; i < 20; i++) UpdateTurret(t);
  EXPECT_EQ(thing_param[t], 2);
  UpdateTurret(t);
  EXPECT_EQ(thing_param[t], 3);

  // On target but still reloading: no shot, and the reload keeps falling.
  thing_y[ship] = 50.0f;
  thing_param[t] = 1;
  thing_aim_x[t] = -4.0f;
  thing_aim_y[t] = 0.0f;
  thing_timer[t] = 0;
  thing_fire_timer[t] = 5;
  UpdateTurret(t);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND), 0);
  EXPECT_EQ(thing_fire_timer[t], 4);
}

TEST(Turret, HoldsItsFireAtTheLimitAndBeyondTheRightEdge) {
  ResetScenarioInGame();
  MakeShip(60.0f, 50.0f);
  FillProjectiles(ENEMY_FIRE_LIMIT);
  int t = ReadyTurret(THING_TURRET, 1);
  UpdateTurret(t);
  EXPECT_EQ(projectile_count, ENEMY_FIRE_LIMIT);
  EXPECT_EQ(thing_fire_timer[t], 0);

  ResetScenarioInGame();
  MakeShip(60.0f, 50.0f);
  t = ReadyTurret(THING_TURRET, 1);
  thing_x[t] = 140.0f;
  UpdateTurret(t);
  EXPECT_EQ(projectile_count, 0);
}

TEST(Turret, TheUpperTurretFiresABurstOfThree) {
  ResetScenarioInGame();
  MakeShip(100.0f, 20.0f);  // straight above
  int t = ReadyTurret(THING_TURRET_2, 5);
  UpdateTurret(t);
  EXPECT_EQ(thing_timer2[t], 2);
  EXPECT_EQ(thing_fire_timer[t], 100);
  ASSERT_EQ(CountProjectiles(PROJ_ROUND_2), 1);
  Shot s = Shots(PROJ_ROUND_2)[0];
  EXPECT_FLOAT_EQ(s.x, 100.0f);
  EXPECT_FLOAT_EQ(s.y, 50.0f - 8.0f - 3.0f);
  EXPECT_FLOAT_EQ(s.vy, -4.0f);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND), 0);

  // The aim holds during the burst, whatever the player does.
  thing_x[player_thing] = 10.0f;
  for (int i = 0; i < 21; i++) UpdateTurret(t);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND_2), 2);
  EXPECT_EQ(thing_param[t], 5);
  for (int i = 0; i < 21; i++) UpdateTurret(t);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND_2), 3);
  EXPECT_EQ(thing_timer2[t], 0);
  EXPECT_EQ(thing_param[t], 5);
  // The next step aims again (toward the player far to the left) and has no shot to fire.
  for (int i = 0; i < 21; i++) UpdateTurret(t);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND_2), 3);
  EXPECT_EQ(thing_param[t], 4);
}

TEST(Turret, ABurstRoundAtTheLimitIsLost) {
  ResetScenarioInGame();
  MakeShip(100.0f, 20.0f);
  int t = ReadyTurret(THING_TURRET_2, 5);
  thing_timer2[t] = 2;  // a burst running
  FillProjectiles(ENEMY_FIRE_LIMIT);
  UpdateTurret(t);
  EXPECT_EQ(projectile_count, ENEMY_FIRE_LIMIT);
  EXPECT_EQ(thing_timer2[t], 1);
  EXPECT_EQ(thing_fire_timer[t], 100);
}

TEST(Turret, TheUpperTurretSmokesWhenDamaged) {
  ResetScenarioInGame();
  int t = MakeThing(THING_TURRET_2, 100.0f, 50.0f);
  thing_hp[t] = 4;
  UpdateTurret(t);
  ASSERT_EQ(CountProjectiles(PROJ_SMOKE), 1);
  EXPECT_FLOAT_EQ(Shots(PROJ_SMOKE)[0].vy, -3.0f);
  thing_hp[t] = 5;
  UpdateTurret(t);
  EXPECT_EQ(CountProjectiles(PROJ_SMOKE), 1);
}

// ---- Fighters ----------------------------------------------------------------------------------

TEST(Fighter, Decisions) {
  struct Case {
    const char* what;
    int param, vy;
    float py;
    bool fires;
    int vy_after;
  } cases[] = {
      {"exactly 7 above: fires", 0, 0, 43.0f, true, 0},
      {"exactly 7 below: fires", 0, 2, 57.0f, true, 2},
      {"8 above: climbs", 0, 0, 42.0f, false, -2},
      {"8 above, already climbing hard", 0, -4, 42.0f, false, -4},
      {"8 above, climbing a little", 0, -3, 42.0f, false, -5},
      {"8 below: dives", 0, 0, 58.0f, false, 2},
      {"keeps its course: fires within 15", 1, 3, 64.0f, true, 3},
      {"keeps its course: 15 off is too far", 1, 3, 65.0f, false, 3},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    MakeShip(20.0f, c.py);
    int f = MakeThing(THING_FIGHTER, 100.0f, 50.0f);
    thing_param[f] = c.param;
    thing_vy[f] = c.vy;
    thing_timer[f] = 0;
    UpdateFighter(f);
    EXPECT_EQ(thing_vy[f], c.vy_after) << c.what;
    EXPECT_EQ(thing_timer[f], 20) << c.what;
    ASSERT_EQ(CountProjectiles(PROJ_ROUND), c.fires ? 1 : 0) << c.what;
    if (c.fires) {
      Shot s = Shots(PROJ_ROUND)[0];
      EXPECT_FLOAT_EQ(s.x, 94.0f);
      EXPECT_FLOAT_EQ(s.y, 50.0f);
      EXPECT_FLOAT_EQ(s.vx, -6.0f);
      EXPECT_FLOAT_EQ(s.vy, 0.0f);
      EXPECT_EQ(s.owner, f);
    }
  }
}

TEST(Fighter, DecidesOnceIn21FramesOnlyNearTheField) {
  ResetScenarioInGame();
  MakeShip(20.0f, 50.0f);
  int f = MakeThing(THING_FIGHTER, 100.0f, 50.0f);
  thing_timer[f] = 0;
  for (int i = 0; i < 21; i++) UpdateFighter(f);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND), 1);
  UpdateFighter(f);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND), 2);

  thing_x[f] = 150.0f;  // not yet below playfield_width + 10
  thing_timer[f] = 0;
  UpdateFighter(f);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND), 2);
  EXPECT_EQ(thing_timer[f], 20);

  FillProjectiles(ENEMY_FIRE_LIMIT);
  thing_x[f] = 100.0f;
  thing_timer[f] = 0;
  UpdateFighter(f);
  EXPECT_EQ(projectile_count, ENEMY_FIRE_LIMIT);
}

TEST(Fighter, FiresInAWholeFrame) {
  ResetScenarioInGame();
  MakeShip(20.0f, 50.0f);
  int f = MakeThing(THING_FIGHTER, 100.0f, 50.0f);
  thing_timer[f] = 0;
  RunGameFrame();
  ASSERT_EQ(CountProjectiles(PROJ_ROUND), 1);
  EXPECT_EQ(projectile_owner[FindProjectile(PROJ_ROUND)], f);
}

TEST(Fighter, WithoutAShipItFliesOn) {
  ResetScenarioInGame();
  int f = MakeThing(THING_FIGHTER, 100.0f, 50.0f);
  thing_timer[f] = 0;
  UpdateFighter(f);
  EXPECT_EQ(projectile_count, 0);
  EXPECT_EQ(thing_vy[f], 0);
  EXPECT_EQ(thing_timer[f], 20);
}

TEST(Fighter2, Decisions) {
  struct Case {
    const char* what;
    int param, vy;
    float py;
    bool fires;
    int vy_after;
  } cases[] = {
      {"level: fires and halves -3 to -1", 0, -3, 50.0f, true, -1},
      {"10 below, ends included", 0, 3, 60.0f, true, 1},
      {"11 below: dives", 0, 3, 61.0f, false, 4},
      {"11 below, at 4 already", 0, 4, 61.0f, false, 4},
      {"11 above: climbs", 0, 0, 39.0f, false, -1},
      {"course kept: no steering", 1, 0, 39.0f, false, 0},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    MakeShip(20.0f, c.py);
    int f = MakeThing(THING_FIGHTER_2, 100.0f, 50.0f);
    thing_param[f] = c.param;
    thing_vy[f] = c.vy;
    UpdateFighter2(f);
    EXPECT_EQ(thing_vy[f], c.vy_after) << c.what;
    EXPECT_EQ(thing_timer[f], 19) << c.what;
    ASSERT_EQ(CountProjectiles(PROJ_ROUND), c.fires ? 2 : 0) << c.what;
    if (c.fires) {
      std::vector<Shot> s = Shots(PROJ_ROUND);
      EXPECT_FLOAT_EQ(s[0].y, 46.0f);
      EXPECT_FLOAT_EQ(s[0].vx, -5.0f);
      EXPECT_FLOAT_EQ(s[0].vy, 1.0f);
      EXPECT_FLOAT_EQ(s[1].y, 54.0f);
      EXPECT_FLOAT_EQ(s[1].vy, -1.0f);
    }
  }
}

TEST(Fighter2, HalvesItsClimbEvenWhenItMayNotFire) {
  ResetScenarioInGame();
  MakeShip(20.0f, 50.0f);
  int f = MakeThing(THING_FIGHTER_2, 100.0f, 50.0f);
  thing_vy[f] = 5;
  thing_hp[f] = 1;
  FillProjectiles(ENEMY_FIRE_LIMIT);
  UpdateFighter2(f);
  EXPECT_EQ(thing_vy[f], 2);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND), 0);
  EXPECT_EQ(CountProjectiles(PROJ_SMOKE), ENEMY_FIRE_LIMIT + 1);  // smoke is not enemy fire

  // Nothing is decided beyond the right edge.
  thing_x[f] = 140.0f;
  thing_timer[f] = 0;
  thing_vy[f] = 4;
  UpdateFighter2(f);
  EXPECT_EQ(thing_vy[f], 4);
}

// ---- Carriers, tugs, glow bugs and spawners ------------------------------------------------------

TEST(Carrier, SteersOnceMovingBetweenHeights) {
  struct Case {
    const char* what;
    float x, y, py;
    int vy, vx_after, vy_after;
  } cases[] = {
      {"still, high: goes down", 100.0f, 29.0f, 90.0f, 0, -1, 2},
      {"still, low: goes up", 100.0f, 61.0f, 10.0f, 0, -1, -2},
      {"still, player below", 100.0f, 50.0f, 51.0f, 0, -1, 1},
      {"still, level: up", 100.0f, 50.0f, 50.0f, 0, -1, -1},
      {"still, far right: waits", 110.0f, 50.0f, 80.0f, 0, -2, 0},
      {"rising above 25: turns", 100.0f, 24.0f, 50.0f, -1, -2, 1},
      {"falling below 75: turns", 100.0f, 76.0f, 50.0f, 1, -2, -1},
      {"at 3 already", 100.0f, 24.0f, 50.0f, 3, -2, 3},
      {"in between: keeps on", 100.0f, 50.0f, 50.0f, -1, -2, -1},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    MakeShip(20.0f, c.py);
    int k = MakeThing(THING_CARRIER, c.x, c.y);
    thing_vy[k] = c.vy;
    thing_timer[k] = 0;
    UpdateCarrier(k);
    EXPECT_EQ(thing_vx[k], c.vx_after) << c.what;
    EXPECT_EQ(thing_vy[k], c.vy_after) << c.what;
    EXPECT_EQ(thing_timer[k], 10) << c.what;
  }
  // A carrier keeping its course does not steer.
  ResetScenarioInGame();
  int k = MakeThing(THING_CARRIER, 100.0f, 20.0f);
  thing_param[k] = 1;
  thing_timer[k] = 0;
  UpdateCarrier(k);
  EXPECT_EQ(thing_vy[k], 0);
}

TEST(Tug, WeavesBetween20And70OnEighthFrames) {
  struct Case {
    float y;
    int vy, phase, vy_after;
  } cases[] = {{19.0f, 0, 0, 1}, {19.0f, 1, 0, 1}, {71.0f, 0, 0, -1}, {71.0f, -1, 0, -1},
               {50.0f, 0, 0, 0}, {19.0f, 0, 3, 0}, {19.0f, -3, 0, -2}};
  for (const auto& c : cases) {
    ResetScenarioInGame();
    int t = MakeThing(THING_TUG, 100.0f, c.y);
    thing_vy[t] = c.vy;
    phase_8 = c.phase;
    UpdateTug(t);
    EXPECT_EQ(thing_vy[t], c.vy_after) << c.y << " " << c.vy << " " << c.phase;
  }
}

TEST(GlowBug, FallsLandsAndHops) {
  ResetScenarioInGame();
  int b = MakeThing(THING_GLOW_BUG, 60.0f, 90.0f);
  phase_4 = 1;
  UpdateGlowBug(b);
  EXPECT_EQ(thing_vy[b], 0);  // speeds up only on quarter frames
  phase_4 = 0;
  for (int i = 0; i < 7; i++) UpdateGlowBug(b);
  EXPECT_EQ(thing_vy[b], 5);

  thing_y[b] = 95.0f;  // on the floor line
  thing_anchor_y[b] = 95.5f;
  scroll_speed = 3;
  UpdateGlowBug(b);
  EXPECT_FLOAT_EQ(thing_anchor_y[b], 95.0f);
  EXPECT_EQ(thing_vx[b], -3);
  EXPECT_EQ(thing_vy[b], 0);

  thing_x[b] = 24.0f;  // carried left of 25: it hops
  UpdateGlowBug(b);
  EXPECT_EQ(thing_vx[b], 5);
  EXPECT_EQ(thing_vy[b], -5);

  thing_param[b] = 0;  // a bug that does not hop
  thing_vx[b] = -3;
  thing_vy[b] = 0;
  UpdateGlowBug(b);
  EXPECT_EQ(thing_vx[b], -3);
}

TEST(Spawner, SpawnsInsideTheFieldWithItsSpeedCodes) {
  ResetScenarioInGame();
  int s = MakeThing(THING_SPAWNER, 100.0f, 50.0f);
  thing_fire_timer[s] = 0;
  thing_aim_x[s] = -1.7f;  // truncated toward zero
  thing_aim_y[s] = 2.9f;
  UpdateSpawner(s);
  EXPECT_EQ(thing_fire_timer[s], 50);
  ASSERT_EQ(thing_count, 2);
  int f = thing_last;
  EXPECT_EQ(thing_type[f], THING_FIGHTER);
  EXPECT_FLOAT_EQ(thing_x[f], 100.0f);
  EXPECT_EQ(thing_vx[f], -1);
  EXPECT_EQ(thing_vy[f], 2);

  struct Case {
    float x;
    int things;
  } cases[] = {{50.0f, 1}, {140.0f, 1}, {51.0f, 0}, {100.0f, 24}, {100.0f, 25}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    for (int i = 0; i < c.things - 1; i++) PlaceThing(i, THING_HULL, 0.0f, 0.0f);
    s = MakeThing(THING_SPAWNER, c.x, 50.0f);
    thing_fire_timer[s] = 0;
    int before = thing_count;
    UpdateSpawner(s);
    bool spawns = c.x > 50.0f && c.x < 140.0f && before < 25;
    EXPECT_EQ(thing_count, before + (spawns ? 1 : 0)) << c.x << " " << c.things;
    EXPECT_EQ(thing_fire_timer[s], 50);
  }
}

// ---- Launchers and parked missiles -------------------------------------------------------------

// A launcher on a carrier; the carrier at (100, 50), the launcher `dy` above or below it.
int MountedLauncher(float dy, int* carrier) {
  *carrier = MakeThing(THING_CARRIER, 100.0f, 50.0f);
  int l = CreateThing(THING_LAUNCHER, *carrier, 0.0f, dy);
  thing_fire_timer[l] = 0;
  return l;
}

TEST(Launcher, AimsItsMissilesAndStepsTheOffset) {
  ResetScenarioInGame();
  MakeShip(40.0f, 40.0f);
  int carrier;
  int l = MountedLauncher(-8.0f, &carrier);  // above its parent at y 42
  thing_vy[carrier] = -5;
  std::vector<float> offsets;
  for (int i = 0; i < 4; i++) {
    thing_fire_timer[l] = 0;
    UpdateLauncher(l);
    int m = FindProjectile(PROJ_MISSILE);
    ASSERT_GE(m, 0);
    offsets.push_back(projectile_y[m] - 42.0f);
    EXPECT_FLOAT_EQ(projectile_x[m], 93.0f);
    EXPECT_FLOAT_EQ(projectile_vx[m], -2.0f);
    // (40 - y) / 8 plus -5 / 4 truncated to -1
    EXPECT_FLOAT_EQ(projectile_vy[m], (40.0f - projectile_y[m]) / 8.0f - 1.0f);
    EXPECT_EQ(projectile_owner[m], l);
    projectile_type[m] = 0;
    projectile_count -= 1;
  }
  EXPECT_EQ(offsets, (std::vector<float>{0.0f, 2.0f, -2.0f, 0.0f}));
  EXPECT_EQ(thing_fire_timer[l], 24);

  // Below its parent the offsets run the other way.
  ResetScenarioInGame();
  MakeShip(40.0f, 60.0f);
  l = MountedLauncher(8.0f, &carrier);
  UpdateLauncher(l);
  thing_fire_timer[l] = 0;
  UpdateLauncher(l);
  EXPECT_EQ(thing_timer[l], 2);  // 0, -2, then 2
}

TEST(Launcher, LaunchesOnlyWhenAllHold) {
  struct Case {
    const char* what;
    float px, py, lx;
    int parent;  // -2: keep the carrier
    bool launches;
  } cases[] = {
      {"in range", 40.0f, 60.0f, 100.0f, -2, true},
      {"25 below is out", 40.0f, 75.0f, 100.0f, -2, false},
      {"player right of it", 120.0f, 50.0f, 100.0f, -2, false},
      {"beyond the right edge", 40.0f, 50.0f, 145.0f, -2, false},
      {"lost its parent", 40.0f, 50.0f, 100.0f, -1, false},
      {"a parent outside the table counts as lost", 40.0f, 50.0f, 100.0f, MAX_THINGS, false},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    MakeShip(c.px, c.py);
    int carrier;
    int l = MountedLauncher(0.0f, &carrier);
    thing_x[l] = c.lx;
    if (c.parent != -2) thing_parent[l] = c.parent;
    UpdateLauncher(l);
    EXPECT_EQ(CountProjectiles(PROJ_MISSILE), c.launches ? 1 : 0) << c.what;
    EXPECT_EQ(thing_fire_timer[l], 24) << c.what;  // reloads all the same
  }
}

TEST(Launcher, SmokesAndHoldsAtTheLimit) {
  ResetScenarioInGame();
  MakeShip(40.0f, 50.0f);
  int carrier;
  int l = MountedLauncher(0.0f, &carrier);
  thing_hp[l] = 3;
  FillProjectiles(ENEMY_FIRE_LIMIT);
  UpdateLauncher(l);
  EXPECT_EQ(CountProjectiles(PROJ_MISSILE), 0);
  int smoke = FindProjectile(PROJ_SMOKE);
  EXPECT_FLOAT_EQ(projectile_x[smoke], 94.0f);
}

TEST(ParkedMissile, LeavesItsCarrierAsAProjectile) {
  ResetScenarioInGame();
  MakeShip(40.0f, 55.0f);
  int carrier = MakeThing(THING_CARRIER, 100.0f, 50.0f);
  thing_vy[carrier] = 2;
  int m = CreateThing(THING_MISSILE, carrier, 0.0f, 0.0f);
  thing_timer[m] = 1;
  UpdateParkedMissile(m);
  EXPECT_EQ(thing_type[m], THING_MISSILE);  // still counting
  int things = thing_count;
  UpdateParkedMissile(m);
  EXPECT_EQ(thing_type[m], 0);
  EXPECT_EQ(thing_count, things - 1);
  ASSERT_EQ(CountProjectiles(PROJ_MISSILE), 1);
  Shot s = Shots(PROJ_MISSILE)[0];
  EXPECT_FLOAT_EQ(s.x, 100.0f);
  EXPECT_FLOAT_EQ(s.y, 50.0f);
  EXPECT_FLOAT_EQ(s.vx, 0.0f);
  EXPECT_FLOAT_EQ(s.vy, 2.0f);
  EXPECT_EQ(s.owner, carrier);  // so it cannot hit its carrier
}

TEST(ParkedMissile, StaysWhenAnyConditionFails) {
  struct Case {
    const char* what;
    float py, x;
    int parent;  // -2: keep the carrier
    int live;
  } cases[] = {
      {"8 off is too far", 58.0f, 100.0f, -2, 0},
      {"beyond the right edge", 50.0f, 140.0f, -2, 0},
      {"free-standing", 50.0f, 100.0f, -1, 0},
      {"a parent outside the table", 50.0f, 100.0f, 77, 0},
      {"at the limit", 50.0f, 100.0f, -2, ENEMY_FIRE_LIMIT},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    MakeShip(40.0f, c.py);
    int carrier = MakeThing(THING_CARRIER, 100.0f, 50.0f);
    int m = CreateThing(THING_MISSILE, carrier, 0.0f, 0.0f);
    thing_x[m] = c.x;
    if (c.parent != -2) thing_parent[m] = c.parent;
    FillProjectiles(c.live);
    thing_timer[m] = 0;
    UpdateParkedMissile(m);
    EXPECT_EQ(thing_type[m], THING_MISSILE) << c.what;
    EXPECT_EQ(thing_timer[m], 5) << c.what;
    EXPECT_EQ(CountProjectiles(PROJ_MISSILE), 0) << c.what;
  }
}

// ---- Cannons and lasers ------------------------------------------------------------------------

TEST(Cannon, FiresItsBallsFromBeyondTheEdgeToo) {
  ResetScenarioInGame();
  int c = MakeThing(THING_CANNON, 150.0f, 80.0f);
  thing_fire_timer[c] = 0;
  UpdateCannon(c);
  ASSERT_EQ(CountProjectiles(PROJ_CANNON_BALL), 1);
  Shot s = Shots(PROJ_CANNON_BALL)[0];
  EXPECT_FLOAT_EQ(s.x, 140.0f);
  EXPECT_FLOAT_EQ(s.y, 80.0f);
  EXPECT_FLOAT_EQ(s.vx, -6.0f);
  EXPECT_FLOAT_EQ(s.vy, 0.0f);
  EXPECT_EQ(thing_fire_timer[c], 120);
  for (int i = 0; i < 120; i++) UpdateCannon(c);
  EXPECT_EQ(CountProjectiles(PROJ_CANNON_BALL), 1);
  UpdateCannon(c);
  EXPECT_EQ(CountProjectiles(PROJ_CANNON_BALL), 2);
}

TEST(Cannon2, LobsItsNextBallUp) {
  ResetScenarioInGame();
  int c = MakeThing(THING_CANNON_2, 100.0f, 80.0f);
  thing_fire_timer[c] = 0;
  std::vector<int> draws = PeekDraws(1);
  UpdateCannon2(c);
  Shot s = Shots(PROJ_CANNON_BALL)[0];
  EXPECT_FLOAT_EQ(s.x, 100.0f);
  EXPECT_FLOAT_EQ(s.y, 75.0f);
  EXPECT_FLOAT_EQ(s.vx, -4.0f);
  EXPECT_FLOAT_EQ(s.vy, -6.0f);
  EXPECT_FLOAT_EQ(thing_aim_y[c], -6.0f + static_cast<float>(draws[0] % 2));

  // At the limit neither the ball nor the draw.
  FillProjectiles(ENEMY_FIRE_LIMIT);
  thing_fire_timer[c] = 0;
  std::uint32_t state = random_state;
  UpdateCannon2(c);
  EXPECT_EQ(random_state, state);
  EXPECT_EQ(thing_fire_timer[c], 100);
}

TEST(Laser, FreeRunningFiresOnItsOwnReload) {
  struct Case {
    int type;
    float dx, dy, vx, vy;
  } cases[] = {{THING_LASER, -2.0f, 0.0f, -5.0f, 0.0f},
               {THING_LASER_DOWN, -2.0f, 2.0f, -4.0f, 4.0f},
               {THING_LASER_UP, -2.0f, -2.0f, -4.0f, -4.0f}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int l = MakeThing(c.type, 100.0f, 50.0f);
    thing_fire_timer[l] = 1;
    UpdateLaser(l);
    EXPECT_EQ(projectile_count, 0);
    EXPECT_EQ(thing_fire_timer[l], 0);
    std::vector<int> draws = PeekDraws(1);
    UpdateLaser(l);
    EXPECT_EQ(thing_fire_timer[l], 30 + draws[0] % 20);
    ASSERT_EQ(CountProjectiles(PROJ_ROUND), 1);
    Shot s = Shots(PROJ_ROUND)[0];
    EXPECT_FLOAT_EQ(s.x, 100.0f + c.dx);
    EXPECT_FLOAT_EQ(s.y, 50.0f + c.dy);
    EXPECT_FLOAT_EQ(s.vx, c.vx);
    EXPECT_FLOAT_EQ(s.vy, c.vy);
  }
}

TEST(Laser, LinkedFiresWhileItsCoreReadsZero) {
  ResetScenarioInGame();
  int core = MakeThing(THING_CORE_7, 120.0f, 50.0f);
  int l = MakeThing(THING_LASER, 100.0f, 50.0f);
  thing_param[l] = core;
  thing_fire_timer[l] = 0;
  thing_fire_timer[core] = 0;
  for (int i = 0; i < 5; i++) UpdateLaser(l);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND), 5);  // every frame while it stays at 0
  EXPECT_EQ(thing_fire_timer[l], 0);           // its own reload is not used
  thing_fire_timer[core] = 1;
  UpdateLaser(l);
  EXPECT_EQ(CountProjectiles(PROJ_ROUND), 5);
  FillProjectiles(ENEMY_FIRE_LIMIT);
  thing_fire_timer[core] = 0;
  UpdateLaser(l);
  EXPECT_EQ(projectile_count, ENEMY_FIRE_LIMIT);
  // Not beyond the right edge either.
  ResetScenarioInGame();
  l = MakeThing(THING_LASER, 140.0f, 50.0f);
  thing_param[l] = -1;
  thing_fire_timer[l] = 0;
  UpdateLaser(l);
  EXPECT_EQ(projectile_count, 0);
}

TEST(Laser, ALinkOutsideTheTableCountsAsFreeRunning) {
  for (int link : {MAX_THINGS, 1000, -7}) {
    ResetScenarioInGame();
    int l = MakeThing(THING_LASER, 100.0f, 50.0f);
    thing_param[l] = link;
    thing_fire_timer[l] = 3;
    UpdateLaser(l);
    EXPECT_EQ(thing_fire_timer[l], 2) << link;
    EXPECT_EQ(projectile_count, 0) << link;
  }
}

}  // namespace
