#include "world/player.h"

#include "world/behaviours.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/tables.h"

namespace {

// One projectile of a missile firing: offset from the ship and the velocity handed over.
struct MissileShot {
  float dx, dy, vx, vy;
};

struct MissileRow {
  int kind;
  int reload;  // into thing_timer2
  int shots;
  MissileShot shot[2];
};

// clang-format off
const MissileRow missile_rows[] = {
  // kind               reload        shots       offset and velocity of each
  {.kind = PROJ_BOMB, .reload = 10, .shots = 1, .shot = {{0.0f, 3.0f, 2.0f, 3.0f}}},
  {.kind = PROJ_HAWK, .reload = 20, .shots = 2, .shot = {{0.0f, -3.0f, -5.0f, -2.0f}, {0.0f, 3.0f, -5.0f, 2.0f}}},
  {.kind = PROJ_DRUM, .reload = 25, .shots = 1, .shot = {{0.0f, 3.0f, 0.0f, 2.0f}}},
  {.kind = PROJ_CROW, .reload = 30, .shots = 1, .shot = {{3.0f, 1.0f, 0.0f, 0.0f}}},
};
// clang-format on
static_assert(sizeof(missile_rows) / sizeof(missile_rows[0]) == PROJ_CROW - PROJ_BOMB + 1);

// The codes of this frame from the keys, each limit tested on the anchor before the move. Down
// wins over up and right over left when both are held.
void Steer(int ship) {
  thing_vx[ship] = 0;
  thing_vy[ship] = 0;
  float x = thing_anchor_x[ship], y = thing_anchor_y[ship];
  if (action_up && y > 5.0f) thing_vy[ship] = -4;
  if (action_down && y < static_cast<float>(playfield_height - 5)) thing_vy[ship] = 4;
  if (action_left && x > 5.0f) thing_vx[ship] = -4;
  if (action_right && x < static_cast<float>(playfield_width - 10)) thing_vx[ship] = 4;
}

// The missile key silences the gun, also under auto fire.
void FireGun(int ship) {
  if (thing_fire_timer[ship] > 0) {
    thing_fire_timer[ship] -= 1;
    return;
  }
  if ((action_fire || auto_fire != 0.0f) && forward_level != 0 && !action_missile) {
    thing_fire_timer[ship] = thing_fire_interval[ship];
    CreateProjectile(forward_level, ship, thing_x[ship] + 7.0f, thing_y[ship], 0.0f, 6.0f, 0.0f);
  }
}

// A missile fired into a full projectile table is used and lost all the same.
void FireMissiles(int ship) {
  if (thing_timer2[ship] > 0) {
    thing_timer2[ship] -= 1;
    return;
  }
  if (!action_missile || missile_ammo <= 0) return;
  missile_ammo -= 1;
  for (const MissileRow& row : missile_rows) {
    if (row.kind != missile_kind) continue;
    thing_timer2[ship] = row.reload;
    for (int i = 0; i < row.shots; i++) {
      const MissileShot& s = row.shot[i];
      CreateProjectile(row.kind, ship, thing_x[ship] + s.dx, thing_y[ship] + s.dy, 0.0f, s.vx, s.vy);
    }
  }
}

}  // namespace

void UpdatePlayerShip(int slot) {
  Steer(slot);
  if (thing_timer[slot] > 0) DamageSmoke(slot, 0.0f, 0.0f);
  FireGun(slot);
  FireMissiles(slot);
}

int CountDownHitFlash(int slot) {
  if (slot < 0 || slot >= MAX_THINGS || thing_timer[slot] <= 0) return 0;
  thing_timer[slot] -= 1;
  return 1;
}
