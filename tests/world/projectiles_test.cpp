#include <gtest/gtest.h>

#include "draws.h"
#include "fake_engine.h"
#include "scenario.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/tables.h"

namespace {

TEST(Projectiles, CommonSetUp) {
  ResetScenarioInGame();
  int p = CreateProjectile(PROJ_ROUND, 12, 30.0f, 40.0f, 5.0f, -4.0f, 1.0f);
  ASSERT_EQ(p, 298);
  EXPECT_EQ(projectile_type[p], PROJ_ROUND);
  EXPECT_EQ(projectile_owner[p], 12);
  EXPECT_EQ(projectile_accel_time[p], 3);
  EXPECT_EQ(projectile_life[p], 0);
  EXPECT_FLOAT_EQ(projectile_z[p], 5.0f);
  EXPECT_FLOAT_EQ(projectile_vx[p], -4.0f);
  EXPECT_FLOAT_EQ(projectile_vz[p], 0.0f);
  EXPECT_EQ(random_state, 1u);  // enemy rounds draw nothing
  EXPECT_TRUE(engine_calls.empty());
}

TEST(Projectiles, FiringSounds) {
  struct Case {
    int type, level;
    const char* sound;
    int frequency;
  } cases[] = {
      {PROJ_SHOT_1, 1, "snd_fire_forward_01", 31808}, {PROJ_SHOT_2, 2, "snd_fire_forward_01", 23616},
      {PROJ_SHOT_3, 3, "snd_fire_forward_01", 15424}, {PROJ_BOMB, 1, "snd_fire_bomb_01", 0},
      {PROJ_HAWK, 1, "snd_fire_hawk_01", 0},          {PROJ_DRUM, 1, "snd_fire_drum_01", 0},
      {PROJ_CROW, 1, "snd_fire_crow_01", 0},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    forward_level = c.level;
    CreateProjectile(c.type, 58, 17.0f, 50.0f, 0.0f, 6.0f, 0.0f);
    ASSERT_EQ(engine_calls.size(), 1u) << c.type;
    EXPECT_EQ(engine_calls[0].text, c.sound);
    EXPECT_EQ(engine_calls[0].i, c.frequency);
    EXPECT_FLOAT_EQ(engine_calls[0].f[0], 17.0f);
    EXPECT_FLOAT_EQ(engine_calls[0].f[1], 50.0f);
  }
  ResetScenarioInGame();
  int p = CreateProjectile(PROJ_BOMB, 58, 10.0f, 53.0f, 0.0f, 2.0f, 3.0f);
  EXPECT_FLOAT_EQ(projectile_rz[p], 90.0f);
  EXPECT_FLOAT_EQ(projectile_spin_z[p], -2.0f);
  p = CreateProjectile(PROJ_CANNON_BALL, 3, 10.0f, 53.0f, 0.0f, -6.0f, -4.0f);
  EXPECT_FLOAT_EQ(projectile_spin_z[p], 2.0f);
}

TEST(Projectiles, AFullTableRefusesWithoutASound) {
  ResetScenarioInGame();
  for (int i = 0; i < MAX_PROJECTILES; i++) projectile_type[i] = PROJ_SMOKE;
  projectile_count = MAX_PROJECTILES;
  EXPECT_EQ(CreateProjectile(PROJ_SHOT_1, 58, 0.0f, 0.0f, 0.0f, 6.0f, 0.0f), -1);
  EXPECT_EQ(CountCalls(CALL_PLAY_SOUND), 0);
  EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"Projectiles Expired"});
}

float Spread(int draw, int modulo, float divisor = 1.0f) {
  return static_cast<float>(draw % modulo - modulo / 2) / divisor;
}

TEST(Projectiles, TumblingEffectsDrawInRowOrder) {
  struct Case {
    int type, life, life_random, vz_modulo, spin_modulo;
  } cases[] = {
      {PROJ_FRAGMENT_GREY, 10, 10, 16, 16},
      {PROJ_FRAGMENT_RED, 10, 10, 16, 16},
      {PROJ_LEAF, 40, 20, 8, 8},
      {PROJ_SPLINTER, 10, 10, 16, 32},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    random_state = 12345;
    std::vector<int> d = PeekDraws(8);
    std::uint32_t after = StateAfter(8);
    int p = CreateProjectile(c.type, -1, 50.0f, 50.0f, 0.0f, 3.0f, -3.0f);
    EXPECT_EQ(projectile_life[p], c.life + d[0] % c.life_random) << c.type;
    EXPECT_FLOAT_EQ(projectile_vz[p], Spread(d[1], c.vz_modulo));
    EXPECT_FLOAT_EQ(projectile_ry[p], static_cast<float>(d[2] % 360));
    EXPECT_FLOAT_EQ(projectile_rx[p], static_cast<float>(d[3] % 360));
    EXPECT_FLOAT_EQ(projectile_rz[p], static_cast<float>(d[4] % 360));
    EXPECT_FLOAT_EQ(projectile_spin_y[p], Spread(d[5], c.spin_modulo));
    EXPECT_FLOAT_EQ(projectile_spin_x[p], Spread(d[6], c.spin_modulo));
    EXPECT_FLOAT_EQ(projectile_spin_z[p], Spread(d[7], c.spin_modulo));
    EXPECT_EQ(random_state, after);
  }
}

TEST(Projectiles, SmokeAndSparksFaceTheCameraOutsideTheClassicView) {
  for (int view : {static_cast<int>(VIEW_CLASSIC), static_cast<int>(VIEW_TRACK_PLAYER), 7}) {
    ResetScenarioInGame();
    camera_view = view;
    float face = view == VIEW_CLASSIC ? 0.0f : 45.0f;

    std::vector<int> d = PeekDraws(4);
    int p = CreateProjectile(PROJ_SMOKE, -1, 50.0f, 50.0f, 0.0f, -2.0f, 0.0f);
    EXPECT_EQ(projectile_life[p], 20 + d[0] % 25);
    EXPECT_FLOAT_EQ(projectile_vz[p], Spread(d[1], 40, 10.0f));
    EXPECT_FLOAT_EQ(projectile_ry[p], face);
    EXPECT_FLOAT_EQ(projectile_rz[p], static_cast<float>(d[2] % 360));
    EXPECT_FLOAT_EQ(projectile_spin_z[p], Spread(d[3], 8));

    d = PeekDraws(4);
    p = CreateProjectile(PROJ_SMOKE_2, -1, 50.0f, 50.0f, 3.0f, 0.0f, 0.0f);
    EXPECT_EQ(projectile_life[p], 20 + d[0] % 50);
    EXPECT_FLOAT_EQ(projectile_z[p], 3.0f - static_cast<float>(d[1] % 5));
    EXPECT_FLOAT_EQ(projectile_ry[p], face);
    EXPECT_FLOAT_EQ(projectile_rz[p], static_cast<float>(d[2] % 360));
    EXPECT_FLOAT_EQ(projectile_spin_z[p], Spread(d[3], 4, 2.0f));

    d = PeekDraws(2);
    p = CreateProjectile(PROJ_SPARKS, -1, 50.0f, 5.0f, 0.0f, -2.0f, 0.0f);
    EXPECT_EQ(projectile_life[p], 10);
    EXPECT_FLOAT_EQ(projectile_ry[p], face);
    EXPECT_FLOAT_EQ(projectile_rz[p], static_cast<float>(d[0] % 360));
    EXPECT_FLOAT_EQ(projectile_spin_z[p], Spread(d[1], 8));
  }
}

TEST(Projectiles, Debris) {
  struct Case {
    float vx, vy;
    float final_vx;
    bool lives;
  } cases[] = {
      {-2.0f, 0.0f, -2.0f, false},  // drifting with the ground: until it leaves the field
      {0.0f, 0.0f, -2.0f, false},  {0.0f, -3.0f, -2.0f, true}, {3.0f, 0.0f, 3.0f, true}, {-4.0f, 2.0f, -4.0f, true},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    std::vector<int> d = PeekDraws(3);
    int p = CreateProjectile(PROJ_DEBRIS, -1, 50.0f, 50.0f, 99.0f, c.vx, c.vy);
    EXPECT_FLOAT_EQ(projectile_vx[p], c.final_vx);
    int k = 0;
    if (c.lives) {
      EXPECT_EQ(projectile_life[p], 10 + d[k++] % 10);
    } else {
      EXPECT_EQ(projectile_life[p], 0);
    }
    EXPECT_FLOAT_EQ(projectile_z[p], static_cast<float>(d[k++] % 60 - 40));
    EXPECT_FLOAT_EQ(projectile_rz[p], static_cast<float>(d[k++] % 360));
  }
}

TEST(Projectiles, VelocitiesMoveByTheirTruncatedCode) {
  struct Case {
    float v, step;
  } cases[] = {{6.0f, 3.0f},   {5.9f, 2.0f}, {0.9f, 0.0f}, {-0.9f, 0.0f}, {-1.5f, -0.25f}, {2.0f, 0.33f},
               {-6.0f, -3.0f}, {7.0f, 0.0f}, {7.2f, 0.0f}, {8.0f, 0.0f},  {-7.0f, 0.0f}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int p = CreateProjectile(PROJ_ROUND, 3, 50.0f, 50.0f, 0.0f, c.v, 0.0f);
    int q = CreateProjectile(PROJ_ROUND, 3, 50.0f, 50.0f, 0.0f, 0.0f, c.v);
    projectile_vz[q] = c.v;
    UpdateProjectiles();
    EXPECT_FLOAT_EQ(projectile_x[p], 50.0f + c.step) << c.v;
    EXPECT_FLOAT_EQ(projectile_y[q], 50.0f + c.step) << c.v;
    EXPECT_FLOAT_EQ(projectile_z[q], c.step) << c.v;
  }
}

TEST(Projectiles, TurnsBySpin) {
  ResetScenarioInGame();
  int p = CreateProjectile(PROJ_ROUND, 3, 50.0f, 50.0f, 0.0f, 0.0f, 0.0f);
  projectile_spin_y[p] = 1.0f;
  projectile_spin_x[p] = -2.0f;
  projectile_spin_z[p] = 0.5f;
  UpdateProjectiles();
  UpdateProjectiles();
  EXPECT_FLOAT_EQ(projectile_ry[p], 2.0f);
  EXPECT_FLOAT_EQ(projectile_rx[p], -4.0f);
  EXPECT_FLOAT_EQ(projectile_rz[p], 1.0f);
}

TEST(Projectiles, RemovalAtEachEdge) {
  struct Case {
    const char* what;
    float x, y, z, vx, vy;
    float ceiling_x1, floor_x1;
    int shift;
    bool removed;
  } cases[] = {
      {"left edge", -10.5f, 50.0f, 0.0f, -2.0f, 0.0f, -140.0f, -140.0f, 50, true},
      {"left edge, at it", -10.0f, 50.0f, 0.0f, -2.0f, 0.0f, -140.0f, -140.0f, 50, false},
      {"left edge, deep", -59.0f, 50.0f, 50.0f, -2.0f, 0.0f, -140.0f, -140.0f, 50, false},
      {"left edge, deep past", -60.5f, 50.0f, 50.0f, -2.0f, 0.0f, -140.0f, -140.0f, 50, true},
      // -10.0 - 0.1f is -10.1000000015 in double; in float it would round to -10.1f itself.
      {"left edge, a fraction deep", -10.1f, 50.0f, 0.1f, -2.0f, 0.0f, -140.0f, -140.0f, 50, true},
      {"right edge moving right", 141.0f, 50.0f, 0.0f, 6.0f, 0.0f, -140.0f, -140.0f, 50, true},
      {"right of the field moving left", 150.0f, 50.0f, 0.0f, -2.0f, 0.0f, -140.0f, -140.0f, 50, false},
      {"top moving up", 50.0f, -0.5f, 0.0f, 0.0f, -1.0f, -140.0f, -140.0f, 50, true},
      {"top moving level", 50.0f, -0.5f, 0.0f, 0.0f, 0.0f, -140.0f, -140.0f, 50, false},
      {"ceiling barrier", 50.0f, 4.0f, 0.0f, 0.0f, -1.0f, 100.0f, -140.0f, 50, true},
      {"ceiling barrier ends", 110.0f, 4.0f, 0.0f, 0.0f, -1.0f, 100.0f, -140.0f, 50, false},
      {"bottom moving down", 50.0f, 159.5f, 0.0f, 0.0f, 1.0f, -140.0f, -140.0f, 50, true},
      {"floor barrier lies world_shift below", 50.0f, 144.0f, 0.0f, 0.0f, 1.0f, -140.0f, 100.0f, 50, false},
      {"floor barrier with shift 50", 50.0f, 145.5f, 0.0f, 0.0f, 1.0f, -140.0f, 100.0f, 50, true},
      {"floor barrier with shift 0", 50.0f, 96.0f, 0.0f, 0.0f, 1.0f, -140.0f, 100.0f, 0, true},
      {"floor barrier with shift 0, above", 50.0f, 94.0f, 0.0f, 0.0f, 1.0f, -140.0f, 100.0f, 0, false},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    ceiling_x1 = c.ceiling_x1;
    floor_x1 = c.floor_x1;
    world_shift = world_shift_target = c.shift;
    int p = CreateProjectile(PROJ_ROUND, -1, c.x, c.y, c.z, c.vx, c.vy);
    UpdateProjectiles();
    EXPECT_EQ(projectile_type[p] == 0, c.removed) << c.what;
    EXPECT_EQ(projectile_count, c.removed ? 0 : 1) << c.what;
  }
}

TEST(Projectiles, RemovalInsideTheFieldLeavesSmoke) {
  struct Case {
    int type, owner;
    bool smoke, miss;
  } cases[] = {
      {PROJ_BOMB, 58, true, true},  {PROJ_HAWK, 58, true, true},  {PROJ_DRUM, 58, true, true},
      {PROJ_CROW, 58, true, false}, {PROJ_ROUND, 4, true, false}, {PROJ_BOMB, -1, false, false},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    floor_x1 = 140.0f;
    world_shift = world_shift_target = 0;
    int p = CreateProjectile(c.type, c.owner, 60.0f, 96.0f, 0.0f, 0.0f, 2.0f);
    engine_calls.clear();
    UpdateProjectiles();
    EXPECT_EQ(projectile_type[p], 0);
    int smoke = FindProjectile(PROJ_SMOKE);
    EXPECT_EQ(smoke >= 0, c.smoke) << c.type;
    if (smoke >= 0) {
      EXPECT_EQ(projectile_owner[smoke], -1);
      EXPECT_LT(smoke, p);  // a lower slot: it drifts on the same pass
      EXPECT_FLOAT_EQ(projectile_x[smoke], 60.0f - 0.33f);
      EXPECT_FLOAT_EQ(projectile_vx[smoke], -2.0f);
    }
    EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_miss_01"), c.miss ? 1 : 0) << c.type;
  }
  // Outside the field: no smoke.
  ResetScenarioInGame();
  CreateProjectile(PROJ_BOMB, 58, 60.0f, 160.0f, 0.0f, 0.0f, 2.0f);
  UpdateProjectiles();
  EXPECT_EQ(projectile_count, 0);
}

TEST(Projectiles, AccelerationEveryFourthPass) {
  ResetScenarioInGame();
  int bomb = CreateProjectile(PROJ_BOMB, 58, 50.0f, 10.0f, 0.0f, 0.0f, 0.0f);
  int fast = CreateProjectile(PROJ_BOMB, 58, 80.0f, 10.0f, 0.0f, 0.0f, 4.5f);
  int missile = CreateProjectile(PROJ_MISSILE, 7, 130.0f, 50.0f, 0.0f, 0.0f, 0.0f);
  int hawk = CreateProjectile(PROJ_HAWK, 58, 10.0f, 50.0f, 0.0f, -5.0f, -2.0f);
  int leaf = CreateProjectile(PROJ_LEAF, 3, 10.0f, 5.0f, 0.0f, 0.0f, 0.0f);
  int round = CreateProjectile(PROJ_ROUND, 3, 60.0f, 50.0f, 0.0f, -4.0f, 0.0f);
  for (int i = 0; i < 3; i++) UpdateProjectiles();
  EXPECT_FLOAT_EQ(projectile_vy[bomb], 0.0f);
  UpdateProjectiles();
  EXPECT_FLOAT_EQ(projectile_vy[bomb], 1.0f);
  EXPECT_FLOAT_EQ(projectile_vy[fast], 5.5f);
  EXPECT_FLOAT_EQ(projectile_vx[missile], -2.0f);
  EXPECT_FLOAT_EQ(projectile_vx[hawk], -3.0f);
  EXPECT_FLOAT_EQ(projectile_vy[leaf], 1.0f);
  EXPECT_FLOAT_EQ(projectile_vx[round], -4.0f);
  for (int i = 0; i < 4; i++) UpdateProjectiles();
  EXPECT_FLOAT_EQ(projectile_vy[bomb], 2.0f);
  EXPECT_FLOAT_EQ(projectile_vy[fast], 5.5f);
  for (int i = 0; i < 4; i++) UpdateProjectiles();
  EXPECT_FLOAT_EQ(projectile_vx[missile], -6.0f);
  for (int i = 0; i < 8; i++) UpdateProjectiles();
  EXPECT_FLOAT_EQ(projectile_vx[missile], -6.0f);
  EXPECT_FLOAT_EQ(projectile_vy[bomb], 5.0f);
}

TEST(Projectiles, LifeRunsOut) {
  ResetScenarioInGame();
  int p = CreateProjectile(PROJ_SPARKS, -1, 50.0f, 50.0f, 0.0f, 0.0f, 0.0f);
  for (int i = 0; i < 9; i++) UpdateProjectiles();
  EXPECT_EQ(projectile_type[p], PROJ_SPARKS);
  EXPECT_EQ(projectile_life[p], 1);
  UpdateProjectiles();
  EXPECT_EQ(projectile_type[p], 0);
  EXPECT_EQ(projectile_count, 0);

  int forever = CreateProjectile(PROJ_ROUND, 3, 50.0f, 50.0f, 0.0f, 0.0f, 0.0f);
  for (int i = 0; i < 500; i++) UpdateProjectiles();
  EXPECT_EQ(projectile_type[forever], PROJ_ROUND);
}

}  // namespace
