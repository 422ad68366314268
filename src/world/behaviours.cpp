#include "world/behaviours.h"

#include "world/enemies.h"
#include "world/player.h"
#include "world/projectiles.h"
#include "world/structures.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

using BehaviourFn = void (*)(int slot);

// The behaviour of each range of thing types. Types in no row (hull plates, posts, bars, steps,
// boxes, the mount, branches, cores 8, 9 and 14, free slots) only smoke and wobble.
struct BehaviourRow {
  int first, last;  // thing types, inclusive
  BehaviourFn update;
};

// clang-format off
const BehaviourRow behaviour_rows[] = {
  // first                   last                     behaviour
  {THING_GLOW_BUG,           THING_GLOW_BUG,           UpdateGlowBug},
  {THING_EXPLOSION,          THING_EXPLOSION,          UpdateExplosion},
  {THING_SPAWNER,            THING_SPAWNER,            UpdateSpawner},
  {THING_PLAYER,             THING_PLAYER,             UpdatePlayerShip},
  {THING_LAUNCHER,           THING_LAUNCHER,           UpdateLauncher},
  {THING_CEILING_PLATFORM,   THING_WIDE_PLATFORM,      UpdatePlatform},
  {THING_MISSILE,            THING_MISSILE,            UpdateParkedMissile},
  {THING_FIGHTER,            THING_FIGHTER,            UpdateFighter},
  {THING_FIGHTER_2,          THING_FIGHTER_2,          UpdateFighter2},
  {THING_CARRIER,            THING_CARRIER,            UpdateCarrier},
  {THING_TUG,                THING_TUG,                UpdateTug},
  {THING_TURRET,             THING_TURRET_2,           UpdateTurret},
  {THING_BEAM_GUN,           THING_BEAM_GUN,           UpdateBeamGun},
  {THING_CANNON,             THING_CANNON,             UpdateCannon},
  {THING_CANNON_2,           THING_CANNON_2,           UpdateCannon2},
  {THING_LASER,              THING_LASER_UP,           UpdateLaser},
  {THING_PART_VERT,          THING_PART_VERT,          UpdatePartVert},
  {THING_PART_VERT_2,        THING_PART_VERT_2,        UpdatePartVert2},
  {THING_PART_HORZ_X2,       THING_PART_HORZ_X2,       UpdatePartHorzX2},
  {THING_PART_JOINT,         THING_PART_JOINT,         UpdatePartJoint},
  {THING_TREE_TRUNK,         THING_TREE_TOP_PLATFORM,  UpdateTreeSegment},
  {THING_CORE_0,             THING_CORE_7,             UpdateCore},
  {THING_CORE_10,            THING_CORE_13,            UpdateCore},
  {THING_CORE_15,            THING_CORE_15,            UpdateCore},
  {THING_POW_FORWARD,        THING_POW_MISSILE,        UpdatePickup},
};
// clang-format on
static_assert(sizeof(behaviour_rows) / sizeof(behaviour_rows[0]) == 25);

BehaviourFn FindBehaviour(int type) {
  for (const BehaviourRow& row : behaviour_rows)
    if (type >= row.first && type <= row.last) return row.update;
  return nullptr;
}

}  // namespace

void UpdateThings() {
  for (int t = MAX_THINGS - 1; t >= 0; t--) {
    // Only the cores can be this damaged among the types from 500 up; the pickups have 1000.
    if (thing_type[t] >= THING_CORE_0 && thing_hp[t] < 4) DamageSmoke(t, -5.0f, 0.0f);
    StepWobble(t);
    if (BehaviourFn update = FindBehaviour(thing_type[t])) update(t);
  }
}

void DamageSmoke(int slot, float dx, float vy) {
  CreateProjectile(PROJ_SMOKE, slot, thing_x[slot] + dx, thing_y[slot], 0.0f, static_cast<float>(-scroll_speed), vy);
}

void StepWobble(int slot) {
  if (thing_roll_time[slot] != 0) {
    thing_roll_time[slot] -= 1;
    thing_roll[slot] += thing_roll_rate[slot];
    // The pull acts only beyond a degree either way, so the angle swings back and forth.
    if (thing_roll[slot] < -1.0f) thing_roll_rate[slot] += thing_roll_spring[slot];
    if (thing_roll[slot] > 1.0f) thing_roll_rate[slot] -= thing_roll_spring[slot];
  } else if (thing_roll[slot] != 0.0f) {
    thing_roll[slot] = static_cast<float>(thing_roll[slot] / 1.1);
    if (static_cast<int>(thing_roll[slot]) == 0) thing_roll[slot] = 0.0f;
  }
}
