#include "world/projectiles.h"

#include "world/engine_services.h"
#include "world/game.h"
#include "world/random.h"
#include "world/tables.h"

namespace {

// A random value centred on 0: (Rand() % modulo - modulo / 2) / divisor; modulo 0 draws nothing.
struct Spread {
  int modulo = 0;
  float divisor = 1.0f;
};

// One type's set-up after the common one. Draws are made in column order: life, depth speed,
// sinking, then either the tumble (three angles of 0..359, then three spins) or the roll and
// its spin.
struct ProjectileRow {
  int type;
  SoundSlot* fire_sound = nullptr;
  bool shot_pitch = false;  // the gun's sound falls with its level
  int life = 0;
  int life_random = 0;        // > 0: life += Rand() % life_random
  Spread depth_speed = {};    // projectile_vz
  int sink_random = 0;        // > 0: z -= Rand() % sink_random
  Spread tumble = {};         // set: ry, rx, rz random, spins from this spread
  bool faces_camera = false;  // turned 45 degrees unless seen from the classic side view
  bool random_roll = false;   // rz random
  Spread roll_spin = {};      // spin z drawn after the roll
  float roll = 0.0f;          // fixed rz and spin z
  float spin = 0.0f;
};

// clang-format off
const ProjectileRow projectile_rows[] = {
  {.type = PROJ_SHOT_1,        .fire_sound = &snd_fire_forward_01, .shot_pitch = true},
  {.type = PROJ_SHOT_2,        .fire_sound = &snd_fire_forward_01, .shot_pitch = true},
  {.type = PROJ_SHOT_3,        .fire_sound = &snd_fire_forward_01, .shot_pitch = true},
  {.type = PROJ_BOMB,          .fire_sound = &snd_fire_bomb_01, .roll = 90.0f, .spin = -2.0f},
  {.type = PROJ_HAWK,          .fire_sound = &snd_fire_hawk_01},
  {.type = PROJ_DRUM,          .fire_sound = &snd_fire_drum_01},
  {.type = PROJ_CROW,          .fire_sound = &snd_fire_crow_01},
  {.type = PROJ_CANNON_BALL,   .spin = 2.0f},
  {.type = PROJ_FRAGMENT_GREY, .life = 10, .life_random = 10, .depth_speed = {16}, .tumble = {16}},
  {.type = PROJ_FRAGMENT_RED,  .life = 10, .life_random = 10, .depth_speed = {16}, .tumble = {16}},
  {.type = PROJ_SMOKE,         .life = 20, .life_random = 25, .depth_speed = {40, 10.0f}, .faces_camera = true,
   .random_roll = true, .roll_spin = {8}},
  {.type = PROJ_SMOKE_2,       .life = 20, .life_random = 50, .sink_random = 5, .faces_camera = true,
   .random_roll = true, .roll_spin = {4, 2.0f}},
  {.type = PROJ_SPARKS,        .life = 10, .faces_camera = true, .random_roll = true, .roll_spin = {8}},
  {.type = PROJ_LEAF,          .life = 40, .life_random = 20, .depth_speed = {8}, .tumble = {8}},
  {.type = PROJ_SPLINTER,      .life = 10, .life_random = 10, .depth_speed = {16}, .tumble = {32}},
};
// clang-format on
static_assert(sizeof(projectile_rows) / sizeof(projectile_rows[0]) == 15, "every type with a set-up of its own");

float Draw(const Spread& s) { return static_cast<float>(Rand() % s.modulo - s.modulo / 2) / s.divisor; }

const ProjectileRow* FindProjectileRow(int type) {
  for (const ProjectileRow& row : projectile_rows)
    if (row.type == type) return &row;
  return nullptr;
}

void ApplyRow(int p, const ProjectileRow& row) {
  if (row.fire_sound) {
    int frequency = row.shot_pitch ? 40000 - 8192 * forward_level : 0;
    PlaySoundSlot(row.fire_sound, frequency, projectile_x[p], projectile_y[p], projectile_z[p]);
  }
  projectile_life[p] = row.life;
  if (row.life_random > 0) projectile_life[p] += Rand() % row.life_random;
  if (row.depth_speed.modulo > 0) projectile_vz[p] = Draw(row.depth_speed);
  if (row.sink_random > 0) projectile_z[p] -= static_cast<float>(Rand() % row.sink_random);
  if (row.tumble.modulo > 0) {
    projectile_ry[p] = static_cast<float>(Rand() % 360);
    projectile_rx[p] = static_cast<float>(Rand() % 360);
    projectile_rz[p] = static_cast<float>(Rand() % 360);
    projectile_spin_y[p] = Draw(row.tumble);
    projectile_spin_x[p] = Draw(row.tumble);
    projectile_spin_z[p] = Draw(row.tumble);
  }
  if (row.faces_camera && camera_view != VIEW_CLASSIC) projectile_ry[p] = 45.0f;
  if (row.roll != 0.0f) projectile_rz[p] = row.roll;
  if (row.spin != 0.0f) projectile_spin_z[p] = row.spin;
  if (row.random_roll) {
    projectile_rz[p] = static_cast<float>(Rand() % 360);
    projectile_spin_z[p] = Draw(row.roll_spin);
  }
}

// Debris drifts left by default; only debris thrown off something gets a life. Its depth is
// its own, whatever the caller gave.
void DebrisSetUp(int p, float vx, float vy) {
  if (vx == 0.0f) projectile_vx[p] = -2.0f;
  if (vx > 0.0f || vy != 0.0f) projectile_life[p] = 10 + Rand() % 10;
  projectile_z[p] = static_cast<float>(Rand() % 60 - 40);
  projectile_rz[p] = static_cast<float>(Rand() % 360);
}

bool LeavesThePlayfield(int p) {
  float x = projectile_x[p], y = projectile_y[p];
  float vx = projectile_vx[p], vy = projectile_vy[p];
  // Deeper ones leave farther left; the edge is worked out in double, as the game always has.
  if (static_cast<double>(x) < -10.0 - static_cast<double>(projectile_z[p])) return true;
  if (x > static_cast<float>(playfield_width) && vx > 0.0f) return true;
  if (vy < 0.0f && (y < 0.0f || (y < ceiling_y && ceiling_x0 < x && x < ceiling_x1))) return true;
  // Falling things meet the floor barrier world_shift units below its line.
  if (vy > 0.0f && (y > 159.0f || (y > floor_y + static_cast<float>(world_shift) && floor_x0 < x && x < floor_x1)))
    return true;
  return false;
}

// A shot that leaves inside the field (at a barrier) puffs where it ended.
void RemoveProjectile(int p) {
  float x = projectile_x[p], y = projectile_y[p], z = projectile_z[p];
  int type = projectile_type[p];
  if (0.0f < x && x < static_cast<float>(playfield_width) && 0.0f < y && y < static_cast<float>(playfield_height) &&
      projectile_owner[p] != -1) {
    CreateProjectile(PROJ_SMOKE, -1, x, y, 0.0f, static_cast<float>(-scroll_speed), 0.0f);
    if (type == PROJ_BOMB || type == PROJ_HAWK || type == PROJ_DRUM) PlaySoundSlot(&snd_miss_01, 0, x, y, z);
  }
  FreeProjectile(p);
}

void Accelerate(int p) {
  switch (projectile_type[p]) {
    case PROJ_BOMB:
    case PROJ_DRUM:
    case PROJ_CANNON_BALL:
    case PROJ_LEAF:
      if (projectile_vy[p] < 5.0f) projectile_vy[p] += 1.0f;
      break;
    case PROJ_HAWK:
    case PROJ_CROW:
      if (projectile_vx[p] < 5.0f) projectile_vx[p] += 2.0f;
      break;
    case PROJ_MISSILE:
      if (projectile_vx[p] > -5.0f) projectile_vx[p] -= 2.0f;
      break;
    default:
      break;
  }
}

}  // namespace

int CreateProjectile(int type, int owner, float x, float y, float z, float vx, float vy) {
  if (type <= 0) return -1;  // would be counted live in a slot that reads as free
  int p = FindFreeProjectile();
  if (p < 0) return -1;
  projectile_type[p] = type;
  projectile_accel_time[p] = 3;
  projectile_life[p] = 0;
  projectile_owner[p] = owner;
  projectile_x[p] = x;
  projectile_y[p] = y;
  projectile_z[p] = z;
  projectile_vx[p] = vx;
  projectile_vy[p] = vy;
  projectile_vz[p] = 0.0f;
  projectile_ry[p] = projectile_rx[p] = projectile_rz[p] = 0.0f;
  projectile_spin_y[p] = projectile_spin_x[p] = projectile_spin_z[p] = 0.0f;
  if (type == PROJ_DEBRIS) {
    DebrisSetUp(p, vx, vy);
  } else if (const ProjectileRow* row = FindProjectileRow(type)) {
    ApplyRow(p, *row);
  }
  return p;
}

void UpdateProjectiles() {
  for (int p = MAX_PROJECTILES - 1; p >= 0; p--) {
    if (projectile_type[p] == 0) continue;
    if (LeavesThePlayfield(p)) {
      RemoveProjectile(p);
      continue;
    }
    projectile_ry[p] += projectile_spin_y[p];
    projectile_rx[p] += projectile_spin_x[p];
    projectile_rz[p] += projectile_spin_z[p];
    projectile_x[p] += VelocityStep(projectile_vx[p]);
    projectile_y[p] += VelocityStep(projectile_vy[p]);
    projectile_z[p] += VelocityStep(projectile_vz[p]);
    if (projectile_accel_time[p] <= 0) {
      projectile_accel_time[p] = 3;
      Accelerate(p);
    } else {
      projectile_accel_time[p] -= 1;
    }
    if (projectile_life[p] > 0) {
      projectile_life[p] -= 1;
      if (projectile_life[p] == 0) FreeProjectile(p);
    }
  }
}
