#include <gtest/gtest.h>

#include "draws.h"
#include "fake_engine.h"
#include "scenario.h"
#include "world/collisions.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

TEST(Barriers, SparksHitsAndTheFloorOnlyAtTheShiftTarget) {
  struct Case {
    const char* what;
    float y;
    int shift;
    bool sparks, hit;
    float pushed_y;
  } cases[] = {
      {"ceiling, close", 8.0f, 50, true, false, 8.0f},
      {"ceiling, touching", 6.5f, 50, false, true, 8.5f},
      {"ceiling, clear", 9.0f, 50, false, false, 9.0f},
      {"ceiling ignores the shift", 6.5f, 40, false, true, 8.5f},
      {"floor, close", 92.0f, 50, true, false, 92.0f},
      {"floor, touching", 93.5f, 50, false, true, 91.5f},
      {"floor, clear", 91.0f, 50, false, false, 91.0f},
      {"floor while shifting", 93.5f, 40, false, false, 93.5f},
      {"floor sparks while shifting", 92.0f, 40, false, false, 92.0f},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    ceiling_x1 = floor_x1 = 200.0f;
    world_shift = c.shift;
    forward_level = 3;
    int ship = MakeShip(50.0f, c.y);
    action_up = action_down = 1;
    CheckPlayerCollisions();
    EXPECT_EQ(CountProjectiles(PROJ_SPARKS), c.sparks ? 1 : 0) << c.what;
    EXPECT_EQ(thing_hp[ship], c.hit ? 4 : 5) << c.what;
    EXPECT_FLOAT_EQ(thing_anchor_y[ship], c.pushed_y) << c.what;
    EXPECT_EQ(forward_level, c.hit ? 2 : 3) << c.what;
    EXPECT_EQ(thing_timer[ship], c.hit ? 3 : 0) << c.what;
    EXPECT_EQ(thing_roll_time[ship], c.hit ? 20 : 0) << c.what;
    bool ceiling = c.y < 50.0f;
    EXPECT_EQ(action_up, c.hit && ceiling ? 0 : 1) << c.what;
    EXPECT_EQ(action_down, c.hit && !ceiling ? 0 : 1) << c.what;
    if (c.sparks) {
      int p = FindProjectile(PROJ_SPARKS);
      EXPECT_FLOAT_EQ(projectile_x[p], 45.0f);  // the ship's left edge
      EXPECT_FLOAT_EQ(projectile_y[p], ceiling ? 5.0f : 95.0f);
      EXPECT_FLOAT_EQ(projectile_vx[p], -2.0f);
      EXPECT_EQ(projectile_owner[p], -1);
    }
    if (c.hit) {
      const EngineCall* hit = LastPlay("snd_hit_player_01");
      ASSERT_NE(hit, nullptr) << c.what;
      EXPECT_EQ(hit->i, 4 * 2048 + 30000);
      EXPECT_FLOAT_EQ(hit->f[1], c.pushed_y);
    }
  }
}

TEST(Barriers, OnlyWhereTheBarrierReaches) {
  ResetScenarioInGame();
  ceiling_x0 = 60.0f;
  ceiling_x1 = 100.0f;
  int ship = MakeShip(50.0f, 6.5f);  // spans 45..56: clear of x 60
  CheckPlayerCollisions();
  EXPECT_EQ(thing_hp[ship], 5);
  thing_x[ship] = 54.5f;  // right edge 60.5
  CheckPlayerCollisions();
  EXPECT_EQ(thing_hp[ship], 4);
}

TEST(Barriers, TheLastLifeExplodesWithoutAHitSound) {
  ResetScenarioInGame();
  ceiling_x1 = 200.0f;
  int ship = MakeShip(50.0f, 6.0f);
  thing_hp[ship] = 1;
  int pickup = CreateThing(THING_POW_FORWARD, -1, 50.0f, 6.0f);
  CheckPlayerCollisions();
  EXPECT_EQ(thing_type[ship], THING_EXPLOSION);
  EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_hit_player_01"), 0);
  EXPECT_EQ(thing_type[pickup], THING_POW_FORWARD);  // an exploding ship collects nothing
}

TEST(Barriers, AnExplodingShipIsNotChecked) {
  ResetScenarioInGame();
  ceiling_x1 = 200.0f;
  int ship = MakeShip(50.0f, 8.0f);
  thing_type[ship] = THING_EXPLOSION;
  CreateThing(THING_HULL, -1, 50.0f, 8.0f);
  CheckPlayerCollisions();
  EXPECT_EQ(projectile_count, 0);
  EXPECT_EQ(thing_hp[ship], 5);

  player_thing = -2;  // no ship at all
  CheckPlayerCollisions();
  EXPECT_EQ(projectile_count, 0);
}

TEST(Pickups, ForwardPickup) {
  struct Case {
    int level, level_after, hp_after;
    const char* sound;
  } cases[] = {{1, 2, 5, "snd_pow_forward_01"}, {2, 3, 5, "snd_pow_forward_01"}, {3, 3, 6, "snd_pow_armor_01"}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    forward_level = c.level;
    int ship = MakeShip(50.0f, 50.0f);
    int pickup = CreateThing(THING_POW_FORWARD, -1, 55.0f, 52.0f);
    CheckPlayerCollisions();
    EXPECT_EQ(thing_type[pickup], 0);
    EXPECT_EQ(thing_count, 1);
    EXPECT_EQ(forward_level, c.level_after);
    EXPECT_EQ(thing_hp[ship], c.hp_after);
    EXPECT_EQ(score, 30);
    EXPECT_EQ(SoundsPlayed(), (std::vector<std::string>{"snd_pow_01", c.sound}));
    EXPECT_EQ(engine_calls[1].i, 0);
  }
}

TEST(Pickups, MissilePickup) {
  struct Case {
    int kind, ammo, pickup_kind;
    const char* sound;
    int kind_after, ammo_after;
  } cases[] = {
      {PROJ_BOMB, 90, PROJ_BOMB, "snd_pow_bomb_01", PROJ_BOMB, 99},
      {PROJ_BOMB, 3, PROJ_BOMB, "snd_pow_bomb_01", PROJ_BOMB, 23},
      {PROJ_BOMB, 30, PROJ_HAWK, "snd_pow_hawk_01", PROJ_HAWK, 15},
      {PROJ_HAWK, 1, PROJ_DRUM, "snd_pow_drum_01", PROJ_DRUM, 10},
      {PROJ_CROW, 4, PROJ_CROW, "snd_pow_crow_01", PROJ_CROW, 9},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    missile_kind = c.kind;
    missile_ammo = c.ammo;
    MakeShip(50.0f, 50.0f);
    int pickup = CreateThing(THING_POW_MISSILE, -1, 50.0f, 50.0f);
    thing_param[pickup] = c.pickup_kind;
    CheckPlayerCollisions();
    EXPECT_EQ(thing_type[pickup], 0);
    EXPECT_EQ(missile_kind, c.kind_after);
    EXPECT_EQ(missile_ammo, c.ammo_after);
    EXPECT_EQ(score, 50);
    EXPECT_EQ(SoundsPlayed(), (std::vector<std::string>{"snd_pow_01", c.sound}));
  }
}

TEST(Pickups, OnlyTheThingInTheHigherSlotIsHandled) {
  ResetScenarioInGame();
  MakeShip(50.0f, 50.0f);
  int pickup = CreateThing(THING_POW_FORWARD, -1, 52.0f, 50.0f);  // 57
  int turret = CreateThing(THING_TURRET, -1, 52.0f, 50.0f);       // 56
  CheckPlayerCollisions();
  EXPECT_EQ(thing_type[pickup], 0);
  EXPECT_EQ(thing_hp[turret], 8);
}

TEST(Rams, SmallThingsAreDestroyedWallsPushBack) {
  ResetScenarioInGame();
  forward_level = 2;
  int ship = MakeShip(50.0f, 50.0f);
  int turret = CreateThing(THING_TURRET, -1, 58.0f, 50.0f);
  CheckPlayerCollisions();
  EXPECT_EQ(thing_hp[ship], 4);
  EXPECT_EQ(forward_level, 1);
  EXPECT_EQ(thing_timer[ship], 3);
  EXPECT_EQ(thing_type[turret], THING_EXPLOSION);
  EXPECT_EQ(score, 10);
  EXPECT_EQ(thing_roll_time[ship], 50);
  EXPECT_EQ(LastPlay("snd_hit_player_01")->i, 4 * 2048 + 30000);

  ResetScenarioInGame();
  ship = MakeShip(50.0f, 50.0f);
  thing_vx[ship] = 4;
  thing_vy[ship] = -4;
  int wall = CreateThing(THING_HULL, -1, 60.0f, 50.0f);
  std::vector<int> d = PeekDraws(2);
  CheckPlayerCollisions();
  EXPECT_EQ(thing_hp[ship], 4);
  EXPECT_EQ(thing_hp[wall], 1000);
  EXPECT_FLOAT_EQ(thing_x[ship], 46.0f);
  EXPECT_FLOAT_EQ(thing_y[ship], 54.0f);
  EXPECT_FLOAT_EQ(thing_anchor_x[ship], 46.0f);
  EXPECT_FLOAT_EQ(thing_anchor_y[ship], 54.0f);
  EXPECT_EQ(thing_vx[ship], 0);
  EXPECT_EQ(thing_vy[ship], 0);
  EXPECT_EQ(CountProjectiles(PROJ_FRAGMENT_RED), 5);
  int first = 298;
  EXPECT_FLOAT_EQ(projectile_x[first], 53.0f);  // between the pushed ship and the wall
  EXPECT_FLOAT_EQ(projectile_y[first], 52.0f);
  EXPECT_FLOAT_EQ(projectile_vy[first], static_cast<float>(d[0] % 8 - 4));
  EXPECT_FLOAT_EQ(projectile_vx[first], static_cast<float>(d[1] % 8 - 4));
}

TEST(Rams, WithoutAGunAThingIsLeftWithOneHitPoint) {
  ResetScenarioInGame();
  forward_level = 0;
  int ship = MakeShip(50.0f, 50.0f);
  thing_vx[ship] = 4;
  int turret = CreateThing(THING_TURRET, -1, 58.0f, 50.0f);
  CheckPlayerCollisions();
  EXPECT_EQ(thing_type[turret], THING_TURRET);
  EXPECT_EQ(thing_hp[turret], 1);
  EXPECT_FLOAT_EQ(thing_x[ship], 46.0f);
}

TEST(Rams, FightersBounceOnTheOtherFrames) {
  ResetScenarioInGame();
  ceiling_x1 = floor_x1 = 200.0f;
  int up = CreateThing(THING_FIGHTER, -1, 80.0f, 7.0f);
  thing_vy[up] = -3;
  int down = CreateThing(THING_FIGHTER_2, -1, 80.0f, 93.0f);
  thing_vy[down] = 2;
  int level = CreateThing(THING_FIGHTER, -1, 80.0f, 7.0f);
  phase_2 = 0;
  CheckPlayerCollisions();
  EXPECT_EQ(thing_vy[up], -3);
  phase_2 = 1;
  CheckPlayerCollisions();
  EXPECT_FLOAT_EQ(thing_anchor_y[up], 10.0f);
  EXPECT_EQ(thing_vy[up], 0);
  EXPECT_EQ(thing_roll_time[up], 20);
  EXPECT_FLOAT_EQ(thing_anchor_y[down], 90.0f);
  EXPECT_FLOAT_EQ(thing_anchor_y[level], 7.0f);

  thing_anchor_y[down] = 93.0f;
  thing_vy[down] = 2;
  world_shift = 10;
  CheckPlayerCollisions();
  EXPECT_FLOAT_EQ(thing_anchor_y[down], 93.0f);
}

TEST(Hits, DamageTable) {
  struct Case {
    int type, damage, after;
    const char* sound;
  } cases[] = {
      {PROJ_SHOT_1, 1, 0, nullptr},
      {PROJ_SHOT_2, 2, 0, nullptr},
      {PROJ_SHOT_3, 2, PROJ_SHOT_1, nullptr},
      {PROJ_BOMB, 4, 0, "snd_hit_bomb_01"},
      {PROJ_HAWK, 3, 0, "snd_hit_hawk_01"},
      {PROJ_DRUM, 10, 0, "snd_hit_drum_01"},
      {PROJ_CROW, 8, 0, "snd_hit_crow_01"},
      {PROJ_ROUND, 1, 0, nullptr},
      {PROJ_ROUND_2, 1, 0, nullptr},
      {PROJ_CANNON_BALL, 1, 0, nullptr},
      {PROJ_MISSILE, 1, 0, nullptr},
      {5, 0, 5, nullptr},
      {29, 0, 29, nullptr},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int ship = MakeShip(10.0f, 50.0f);
    int target = CreateThing(THING_TURRET_2, -1, 80.0f, 50.0f);  // 20 hit points
    int p = CreateProjectile(c.type, ship, 80.0f, 47.0f, 0.0f, 6.0f, 0.0f);
    engine_calls.clear();
    CheckProjectileHits();
    EXPECT_EQ(thing_hp[target], 20 - c.damage) << c.type;
    EXPECT_EQ(projectile_type[p], c.after) << c.type;
    EXPECT_EQ(thing_roll_time[target], 30) << c.type;
    EXPECT_FLOAT_EQ(last_hit_x, 80.0f);
    EXPECT_FLOAT_EQ(last_hit_y, 47.0f);
    if (c.sound) {
      EXPECT_EQ(SoundsPlayed(), (std::vector<std::string>{c.sound, "snd_hit_metal_01"})) << c.type;
    } else {
      EXPECT_EQ(SoundsPlayed(), std::vector<std::string>{"snd_hit_metal_01"}) << c.type;
    }
    EXPECT_EQ(LastPlay("snd_hit_metal_01")->i, (20 - c.damage) * 1024 + 30000);
    // Missiles and enemy fire throw debris and smoke; the gun's shots do not.
    bool debris = c.type > PROJ_SHOT_3;
    EXPECT_EQ(CountProjectiles(PROJ_DEBRIS), debris ? 4 : 0) << c.type;
    EXPECT_EQ(CountProjectiles(PROJ_SMOKE_2), debris ? 1 : 0) << c.type;
  }
}

TEST(Hits, ShotThreeGoesOnAsShotOne) {
  ResetScenarioInGame();
  int ship = MakeShip(10.0f, 50.0f);
  int first = CreateThing(THING_TURRET_2, -1, 80.0f, 50.0f);
  int p = CreateProjectile(PROJ_SHOT_3, ship, 80.0f, 47.0f, 0.0f, 6.0f, 0.0f);
  CheckProjectileHits();
  EXPECT_EQ(thing_hp[first], 18);
  EXPECT_EQ(projectile_type[p], PROJ_SHOT_1);
  int second = CreateThing(THING_TURRET_2, -1, 100.0f, 50.0f);
  projectile_x[p] = 100.0f;
  CheckProjectileHits();
  EXPECT_EQ(thing_hp[second], 19);
  EXPECT_EQ(projectile_type[p], 0);
}

TEST(Hits, WhoseFireHitsWhom) {
  ResetScenarioInGame();
  int ship = MakeShip(10.0f, 50.0f);
  int turret = CreateThing(THING_TURRET, -1, 80.0f, 50.0f);
  int hull = CreateThing(THING_HULL, -1, 110.0f, 50.0f);
  int pickup = CreateThing(THING_POW_FORWARD, -1, 130.0f, 50.0f);
  int through_enemy = CreateProjectile(PROJ_ROUND, turret, 80.0f, 50.0f, 0.0f, -4.0f, 0.0f);
  int other_enemy = CreateProjectile(PROJ_ROUND, hull, 80.0f, 50.0f, 0.0f, -4.0f, 0.0f);
  int own_shot = CreateProjectile(PROJ_SHOT_1, turret, 80.0f, 50.0f, 0.0f, -4.0f, 0.0f);
  int round_in_hull = CreateProjectile(PROJ_ROUND, turret, 110.0f, 50.0f, 0.0f, -4.0f, 0.0f);
  int drum_in_hull = CreateProjectile(PROJ_DRUM, ship, 110.0f, 51.0f, 0.0f, 0.0f, 2.0f);
  int shot_in_pickup = CreateProjectile(PROJ_SHOT_1, ship, 130.0f, 50.0f, 0.0f, 6.0f, 0.0f);
  int round_at_ship = CreateProjectile(PROJ_ROUND, turret, 10.0f, 50.0f, 0.0f, -4.0f, 0.0f);
  int effect_at_ship = CreateProjectile(PROJ_DEBRIS, -1, 10.0f, 50.0f, 0.0f, -4.0f, 0.0f);
  int shot_at_ship = CreateProjectile(PROJ_SHOT_1, ship, 10.0f, 50.0f, 0.0f, 6.0f, 0.0f);
  engine_calls.clear();
  CheckProjectileHits();
  EXPECT_EQ(thing_hp[turret], 8);
  EXPECT_EQ(projectile_type[through_enemy], PROJ_ROUND);
  EXPECT_EQ(projectile_type[other_enemy], PROJ_ROUND);  // enemy fire passes through enemies
  EXPECT_EQ(projectile_type[own_shot], PROJ_SHOT_1);
  EXPECT_EQ(projectile_type[round_in_hull], 0);  // absorbed
  EXPECT_EQ(projectile_type[drum_in_hull], 0);
  EXPECT_EQ(thing_hp[hull], 1000);
  EXPECT_EQ(projectile_type[shot_in_pickup], PROJ_SHOT_1);  // pickups let every shot pass
  EXPECT_EQ(thing_type[pickup], THING_POW_FORWARD);
  EXPECT_EQ(projectile_type[round_at_ship], 0);
  EXPECT_EQ(projectile_type[effect_at_ship], PROJ_DEBRIS);
  EXPECT_EQ(projectile_type[shot_at_ship], PROJ_SHOT_1);
  EXPECT_EQ(thing_hp[ship], 4);
  EXPECT_EQ(thing_timer[ship], 3);
  EXPECT_EQ(LastPlay("snd_hit_player_01")->i, 4 * 2048 + 30000);
  // Only the drum fizzles: one miss sound and one smoke puff at the hull.
  EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_miss_01"), 1);
  int smoke = FindProjectile(PROJ_SMOKE);
  ASSERT_GE(smoke, 0);
  EXPECT_EQ(CountProjectiles(PROJ_SMOKE), 1);
  EXPECT_FLOAT_EQ(projectile_x[smoke], 110.0f);
  EXPECT_FLOAT_EQ(projectile_y[smoke], 51.0f);
  EXPECT_FLOAT_EQ(projectile_vx[smoke], -2.0f);
}

TEST(Hits, EdgesAreStrict) {
  ResetScenarioInGame();
  int ship = MakeShip(10.0f, 50.0f);
  int turret = CreateThing(THING_TURRET, -1, 80.0f, 50.0f);  // box -5..5, -4..4
  CreateProjectile(PROJ_SHOT_1, ship, 75.0f, 50.0f, 0.0f, 6.0f, 0.0f);
  CreateProjectile(PROJ_SHOT_1, ship, 80.0f, 54.0f, 0.0f, 6.0f, 0.0f);
  CheckProjectileHits();
  EXPECT_EQ(thing_hp[turret], 8);
}

TEST(Hits, ADeadThingTakesNoFurtherShots) {
  ResetScenarioInGame();
  int ship = MakeShip(10.0f, 50.0f);
  int fighter = CreateThing(THING_FIGHTER, -1, 80.0f, 50.0f);
  int a = CreateProjectile(PROJ_SHOT_1, ship, 80.0f, 50.0f, 0.0f, 6.0f, 0.0f);
  int b = CreateProjectile(PROJ_SHOT_1, ship, 81.0f, 50.0f, 0.0f, 6.0f, 0.0f);
  CheckProjectileHits();
  EXPECT_EQ(thing_type[fighter], THING_EXPLOSION);
  EXPECT_EQ(projectile_type[a], 0);
  EXPECT_EQ(projectile_type[b], PROJ_SHOT_1);
  EXPECT_EQ(score, 3);
  EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_explosion_02"), 1);
}

TEST(Hits, HitSoundsByMaterial) {
  struct Case {
    int type;
    const char* sound;
    int frequency;
  } cases[] = {
      {THING_TREE_TOP, "snd_hit_wood_01", 5 * 2048 + 15000},
      {THING_TREE_TRUNK, "snd_hit_wood_01", 2 * 2048 + 15000},
      {THING_LAUNCHER, "snd_hit_metal_01", 9 * 1024 + 30000},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int ship = MakeShip(10.0f, 50.0f);
    int t = CreateThing(c.type, -1, 80.0f, 50.0f);
    CreateProjectile(PROJ_SHOT_1, ship, 80.0f, 49.0f, 0.0f, 6.0f, 0.0f);
    engine_calls.clear();
    CheckProjectileHits();
    EXPECT_EQ(thing_hp[t] >= 1, true);
    ASSERT_NE(LastPlay(c.sound), nullptr) << c.type;
    EXPECT_EQ(LastPlay(c.sound)->i, c.frequency) << c.type;
  }
  // Any number of lives gives its frequency; the sound device judges its range.
  ResetScenarioInGame();
  int ship = MakeShip(10.0f, 50.0f);
  thing_hp[ship] = 101;
  CreateProjectile(PROJ_ROUND, 40, 10.0f, 50.0f, 0.0f, -4.0f, 0.0f);
  CheckProjectileHits();
  EXPECT_EQ(LastPlay("snd_hit_player_01")->i, 100 * 2048 + 30000);
}

TEST(Hits, GodModeShipNeverExplodes) {
  ResetScenarioInGame();
  god_mode = 1;
  int ship = MakeShip(10.0f, 50.0f);
  thing_hp[ship] = 1;
  for (int i = 0; i < 3; i++) {
    CreateProjectile(PROJ_ROUND, 40, 10.0f, 50.0f, 0.0f, -4.0f, 0.0f);
    CheckProjectileHits();
    EXPECT_EQ(thing_type[ship], THING_PLAYER);
    EXPECT_EQ(thing_hp[ship], 0);
  }
  ceiling_x1 = 200.0f;
  forward_level = 3;
  thing_anchor_y[ship] = thing_y[ship] = 6.0f;
  CheckPlayerCollisions();
  EXPECT_EQ(thing_type[ship], THING_PLAYER);
  EXPECT_EQ(thing_hp[ship], 0);
  EXPECT_EQ(thing_timer[ship], 3);
  EXPECT_EQ(forward_level, 2);
}

TEST(Destroy, ExplosionFragmentsAndSmokeInDrawOrder) {
  ResetScenarioInGame();
  int t = CreateThing(THING_TURRET, -1, 80.0f, 40.0f);  // box -5..5 by -4..4, grey debris
  explosion_turn = 1;
  std::vector<int> d = PeekDraws(6);
  DestroyThing(t);
  EXPECT_EQ(thing_type[t], THING_EXPLOSION);
  EXPECT_EQ(thing_timer[t], 2);
  EXPECT_EQ(thing_param[t], d[1] % 360);
  EXPECT_EQ(explosion_turn, 2);
  const EngineCall* boom = LastPlay("snd_explosion_03");
  ASSERT_NE(boom, nullptr);
  EXPECT_EQ(boom->i, 30000 + d[0] % 50000);
  EXPECT_FLOAT_EQ(boom->f[0], 80.0f);
  EXPECT_EQ(CountProjectiles(PROJ_FRAGMENT_GREY), 8);
  EXPECT_EQ(CountProjectiles(PROJ_SMOKE_2), 8);
  int fragment = 298, smoke = 297;
  EXPECT_FLOAT_EQ(projectile_x[fragment], 80.0f - 5.0f + static_cast<float>(d[2] % 10));
  EXPECT_FLOAT_EQ(projectile_y[fragment], 40.0f - 4.0f + static_cast<float>(d[3] % 8));
  EXPECT_FLOAT_EQ(projectile_vy[fragment], static_cast<float>(d[4] % 18 - 9));
  EXPECT_FLOAT_EQ(projectile_vx[fragment], static_cast<float>(d[5] % 18 - 9));
  EXPECT_EQ(projectile_type[smoke], PROJ_SMOKE_2);
  EXPECT_FLOAT_EQ(projectile_x[smoke], projectile_x[fragment]);
  EXPECT_EQ(score, 10);
}

TEST(Destroy, FlatOrInvertedBoxesScatterWithoutDividingByZero) {
  struct Case {
    const char* what;
    int x0, x1, y0, y1;
  } cases[] = {
      {"no width", 3, 3, -4, 4},
      {"no height", -5, 5, 0, 0},
      {"a point", 0, 0, 0, 0},
      {"inverted", 5, -5, -4, 4},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int t = CreateThing(THING_TURRET, -1, 80.0f, 40.0f);
    thing_box_x0[t] = c.x0;
    thing_box_x1[t] = c.x1;
    thing_box_y0[t] = c.y0;
    thing_box_y1[t] = c.y1;
    std::vector<int> d = PeekDraws(6);
    DestroyThing(t);
    EXPECT_EQ(CountProjectiles(PROJ_FRAGMENT_GREY), 8) << c.what;
    int w = c.x1 - c.x0, h = c.y1 - c.y0;
    int fragment = 298;
    EXPECT_FLOAT_EQ(projectile_x[fragment], 80.0f + static_cast<float>(c.x0 + (w != 0 ? d[2] % w : 0))) << c.what;
    EXPECT_FLOAT_EQ(projectile_y[fragment], 40.0f + static_cast<float>(c.y0 + (h != 0 ? d[3] % h : 0))) << c.what;
    // A flat side still takes its draw: the fragment's speed comes from the fifth.
    EXPECT_FLOAT_EQ(projectile_vy[fragment], static_cast<float>(d[4] % 18 - 9)) << c.what;
  }
}

TEST(Destroy, SoundsByMaterialAndTurn) {
  ResetScenarioInGame();
  int tree = CreateThing(THING_TREE_TOP, -1, 80.0f, 40.0f);
  std::vector<int> d = PeekDraws(1);
  DestroyThing(tree);
  EXPECT_EQ(explosion_turn, 0);
  EXPECT_EQ(LastPlay("snd_wood_breakage_01")->i, 40000 + d[0] % 30000);
  EXPECT_EQ(CountProjectiles(PROJ_LEAF), 8);

  const char* expected[] = {"snd_explosion_02", "snd_explosion_03", "snd_explosion_04",
                            "snd_explosion_05", "snd_explosion_01", "snd_explosion_02"};
  for (const char* name : expected) {
    engine_calls.clear();
    DestroyThing(CreateThing(THING_HULL, -1, 80.0f, 40.0f));
    EXPECT_EQ(SoundsPlayed().front(), name);
  }
  // A turn outside the five starts over at the first sound rather than reading past them.
  for (int turn : {5, 77, -3}) {
    explosion_turn = turn;
    engine_calls.clear();
    DestroyThing(CreateThing(THING_HULL, -1, 80.0f, 40.0f));
    EXPECT_EQ(SoundsPlayed().front(), "snd_explosion_01") << turn;
    EXPECT_EQ(explosion_turn, 0) << turn;
  }
}

TEST(Destroy, IgnoresSlotsOutsideTheTableAndClearsTheFuse) {
  ResetScenarioInGame();
  DestroyThing(-1);
  DestroyThing(60);
  DestroyThing(-2);
  EXPECT_TRUE(engine_calls.empty());
  int t = CreateThing(THING_HULL, -1, 80.0f, 40.0f);
  thing_fuse[t] = 5;
  DestroyThing(t);
  EXPECT_EQ(thing_fuse[t], 0);
}

TEST(Destroy, ReleasesLinks) {
  ResetScenarioInGame();
  int core = CreateThing(THING_CORE_4, -1, 100.0f, 50.0f);
  int platform = CreateThing(THING_FLOOR_PLATFORM, -1, 60.0f, 80.0f);
  int laser = CreateThing(THING_LASER_UP, core, -5.0f, -5.0f);
  int gun = CreateThing(THING_BEAM_GUN, core, -10.0f, 0.0f);
  int turret = CreateThing(THING_TURRET, -1, 40.0f, 40.0f);
  thing_param[platform] = core;
  thing_param[laser] = core;
  thing_param[gun] = core;
  thing_param[turret] = core;
  DestroyThing(core);
  EXPECT_EQ(thing_param[platform], platform);
  EXPECT_EQ(thing_param[laser], -1);
  EXPECT_EQ(thing_param[gun], -1);
  EXPECT_EQ(thing_param[turret], core);
  EXPECT_EQ(thing_parent[laser], core);  // parts detach in the next motion pass
}

TEST(Destroy, BeamSoundsStopWhenNoOtherGunIsFiring) {
  struct Case {
    int other_timer;
    bool stops;
  } cases[] = {{0, true}, {-7, true}, {4, false}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int gun = CreateThing(THING_BEAM_GUN, -1, 80.0f, 40.0f);
    int other = CreateThing(THING_BEAM_GUN, -1, 80.0f, 60.0f);
    thing_fire_timer[gun] = 9;
    thing_fire_timer[other] = c.other_timer;
    DestroyThing(gun);
    EXPECT_EQ(CountCalls(CALL_STOP_SOUND, "snd_beam_gun_02"), c.stops ? 1 : 0) << c.other_timer;
    EXPECT_EQ(CountCalls(CALL_STOP_SOUND, "snd_beam_gun_03"), c.stops ? 1 : 0) << c.other_timer;
  }
  ResetScenarioInGame();
  DestroyThing(CreateThing(THING_TURRET, -1, 80.0f, 40.0f));
  EXPECT_EQ(CountCalls(CALL_STOP_SOUND), 0);
}

TEST(Destroy, DropsAfterEnoughKills) {
  struct Case {
    const char* what;
    int level, ship_hp, mode, missile_count, forward_count;
    float x, y;
    int score;
    int missile_after, forward_after, dropped;
  } cases[] = {
      {"missile drop", 1, 5, MODE_CAST, 1, 5, 80.0f, 40.0f, 10, 30, 5, THING_POW_MISSILE},
      {"forward drop", 1, 5, MODE_CAST, 5, 1, 80.0f, 40.0f, 10, 4, 55, THING_POW_FORWARD},
      {"forward counts", 2, 5, MODE_CAST, 5, 9, 80.0f, 40.0f, 10, 4, 8, 0},
      {"full gun, strong ship", 3, 5, MODE_CAST, 5, 9, 80.0f, 40.0f, 10, 4, 9, 0},
      {"full gun, weak ship", 3, 2, MODE_CAST, 5, 9, 80.0f, 40.0f, 10, 4, 8, 0},
      {"full gun, weak ship, survival", 3, 2, MODE_SURVIVAL, 5, 9, 80.0f, 40.0f, 10, 4, 9, 0},
      {"bottom band", 1, 5, MODE_CAST, 5, 9, 80.0f, 89.0f, 10, 5, 9, 0},
      {"left of the field", 1, 5, MODE_CAST, 5, 9, 0.0f, 40.0f, 10, 5, 9, 0},
      {"above the field", 1, 5, MODE_CAST, 5, 9, 80.0f, 0.0f, 10, 5, 9, 0},
      {"one point", 1, 5, MODE_CAST, 1, 1, 80.0f, 40.0f, 1, 1, 1, 0},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    forward_level = c.level;
    game_mode = c.mode;
    int ship = MakeShip(10.0f, 50.0f);
    thing_hp[ship] = c.ship_hp;
    missile_drop_count = c.missile_count;
    forward_drop_count = c.forward_count;
    int t = CreateThing(THING_HULL, -1, c.x, c.y);
    thing_score[t] = c.score;
    DestroyThing(t);
    EXPECT_EQ(score, c.score) << c.what;
    EXPECT_EQ(missile_drop_count, c.missile_after) << c.what;
    EXPECT_EQ(forward_drop_count, c.forward_after) << c.what;
    int dropped = 0;
    for (int i = 0; i < MAX_THINGS; i++)
      if (thing_type[i] >= THING_POW_FORWARD) dropped = thing_type[i];
    EXPECT_EQ(dropped, c.dropped) << c.what;
  }
}

TEST(Destroy, TheShipScoresNothing) {
  ResetScenarioInGame();
  int ship = MakeShip(50.0f, 50.0f);
  thing_score[ship] = 40;
  DestroyThing(ship);
  EXPECT_EQ(thing_type[ship], THING_EXPLOSION);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(missile_drop_count, 10);
}

TEST(Destroy, CountedKillsDropMissilesThenTheGun) {
  ResetScenarioInGame();  // 10 kills to the missiles, 35 to the gun
  MakeShip(10.0f, 50.0f);
  std::vector<std::pair<int, int>> drops;
  for (int kill = 1; kill <= 40; kill++) {
    int t = CreateThing(THING_TURRET, -1, 80.0f, 40.0f);
    DestroyThing(t);
    FreeThing(t);
    for (int i = 0; i < MAX_THINGS; i++) {
      if (thing_type[i] >= THING_POW_FORWARD) {
        drops.push_back({kill, thing_type[i]});
        FreeThing(i);
      }
    }
  }
  // A kill that drops missiles does not count toward the gun.
  EXPECT_EQ(drops,
            (std::vector<std::pair<int, int>>{{10, THING_POW_MISSILE}, {36, THING_POW_FORWARD}, {40, THING_POW_MISSILE}}));
  EXPECT_EQ(missile_drop_count, 30);
  EXPECT_EQ(forward_drop_count, 52);
  EXPECT_EQ(score, 400);
}

}  // namespace
