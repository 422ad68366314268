#include "world/enemies.h"

#include <cmath>

#include "world/behaviour_steps.h"
#include "world/behaviours.h"
#include "world/compounds.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

float FieldWidth() { return static_cast<float>(playfield_width); }

int EnemyShot(int type, int owner, float x, float y, float vx, float vy) {
  return CreateProjectile(type, owner, x, y, 0.0f, vx, vy);
}

// One band of the turret's aim: the player's y (or x) inside lo..hi, ends included, fires.
struct AimBand {
  float lo, hi;
};

// Bands over the player's y, for a player more to the side than above or below: k is the aim's
// y + 4, 0 (straight up) to 8 (straight down), each band 10 units high.
AimBand HeightBand(float y, int k) {
  float centre = y + 10.0f * static_cast<float>(k - 4);
  return {centre - 5.0f, centre + 5.0f};
}

// Bands over the player's x: k is the aim's x + 4. The middle band is 20 units wide and the
// others 10, so a turret aiming straight up or down covers the 10 units either side of it.
AimBand SideBand(float x, int k) {
  if (k < 4) return {x + 10.0f * static_cast<float>(k - 5), x + 10.0f * static_cast<float>(k - 4)};
  if (k == 4) return {x - 10.0f, x + 10.0f};
  return {x + 10.0f * static_cast<float>(k - 4), x + 10.0f * static_cast<float>(k - 3)};
}

// The turret's aim step: turn toward the band that holds the player; true when the player is
// in the band the aim points at. An aim at an outermost band with the player beyond it holds.
bool AimStep(int slot, float px, float py) {
  float x = thing_x[slot], y = thing_y[slot];
  float dx = std::fabs(px - x), dy = std::fabs(py - y);
  if (dx > dy) {
    int k = static_cast<int>(thing_aim_y[slot]) + 4;
    AimBand band = HeightBand(y, k);
    if (py >= band.lo && py <= band.hi) return true;
    if (py < band.lo) {
      if (k != 0) TurnAim(slot, px >= x ? 0 : 1);
    } else if (k != 8) {
      TurnAim(slot, px >= x ? 1 : 0);
    }
    return false;
  }
  int k = static_cast<int>(thing_aim_x[slot]) + 4;
  AimBand band = SideBand(x, k);
  if (px >= band.lo && px <= band.hi) return true;
  if (px < band.lo) {
    if (k != 0) TurnAim(slot, py <= y ? 0 : 1);
  } else if (k != 8) {
    TurnAim(slot, py <= y ? 1 : 0);
  }
  return false;
}

}  // namespace

void TurnAim(int slot, int direction) {
  if (!IsThingSlot(slot)) return;
  int index = thing_param[slot];
  if (thing_type[slot] == THING_TURRET_2 && ((direction == 0 && index == 1) || (direction != 0 && index == 9)))
    return;
  float& x = thing_aim_x[slot];
  float& y = thing_aim_y[slot];
  if (direction == 0) {
    if (x <= 0.0f && y < 0.0f) {
      x -= 1.0f, y += 1.0f;
    } else if (x < 0.0f && y >= 0.0f) {
      x += 1.0f, y += 1.0f;
    } else if (x >= 0.0f && y > 0.0f) {
      x += 1.0f, y -= 1.0f;
    } else if (x > 0.0f && y <= 0.0f) {
      x -= 1.0f, y -= 1.0f;
    }
    index -= 1;
    if (index == 0) index = 16;
  } else {
    if (x < 0.0f && y <= 0.0f) {
      x += 1.0f, y -= 1.0f;
    } else if (x <= 0.0f && y > 0.0f) {
      x -= 1.0f, y -= 1.0f;
    } else if (x > 0.0f && y >= 0.0f) {
      x -= 1.0f, y += 1.0f;
    } else if (x >= 0.0f && y < 0.0f) {
      x += 1.0f, y += 1.0f;
    }
    index += 1;
    if (index == 17) index = 1;
  }
  thing_param[slot] = index;
}

void UpdateGlowBug(int slot) {
  if (phase_4 == 0 && thing_param[slot] != 0 && thing_x[slot] < 25.0f) {
    thing_vx[slot] = 5;  // a hop up and to the right
    thing_vy[slot] = -5;
  }
  if (thing_y[slot] < floor_y) {
    if (phase_4 == 0 && thing_vy[slot] < 5) thing_vy[slot] += 1;
  } else if (thing_vy[slot] > 0) {
    thing_anchor_y[slot] = floor_y;  // lands and rests on the scrolling ground
    thing_vx[slot] = -scroll_speed;
    thing_vy[slot] = 0;
  }
}

void UpdateSpawner(int slot) {
  if (thing_hp[slot] < 5) DamageSmoke(slot, 0.0f, 0.0f);
  if (!CountDown(thing_fire_timer[slot], thing_fire_interval[slot])) return;
  float x = thing_x[slot];
  if (x > FieldWidth() - 90.0f && x < FieldWidth() && thing_count < 25) {
    int spawned = SpawnThing(thing_param[slot], x, thing_y[slot]);
    if (spawned >= 0) {
      thing_vx[spawned] = static_cast<int>(thing_aim_x[slot]);
      thing_vy[spawned] = static_cast<int>(thing_aim_y[slot]);
    }
  }
}

void UpdateLauncher(int slot) {
  if (thing_hp[slot] < 4) DamageSmoke(slot, -6.0f, 0.0f);
  if (!CountDown(thing_fire_timer[slot], thing_fire_interval[slot])) return;
  float x = thing_x[slot], y = thing_y[slot], px, py;
  int parent = thing_parent[slot];
  // A launcher that has lost its structure never launches again.
  if (!IsThingSlot(parent) || !PlayerPosition(px, py)) return;
  if (!(y - 25.0f < py && py < y + 25.0f && EnemyFireAllowed() && px < x && x < FieldWidth())) return;

  int m = EnemyShot(PROJ_MISSILE, slot, x - 7.0f, y + static_cast<float>(thing_timer[slot]), -2.0f, 0.0f);
  // Successive missiles leave at offsets 0, 2, -2, ... above the parent, 0, -2, 2, ... below it.
  int& offset = thing_timer[slot];
  if (thing_anchor_y[slot] < 0.0f) {
    offset += 2;
    if (offset > 2) offset = -2;
  } else {
    offset -= 2;
    if (offset < -2) offset = 2;
  }
  if (m >= 0) projectile_vy[m] = (py - projectile_y[m]) / 8.0f + static_cast<float>(thing_vy[parent] / 4);
}

void UpdateParkedMissile(int slot) {
  if (!CountDown(thing_timer[slot], thing_fire_interval[slot])) return;
  float x = thing_x[slot], y = thing_y[slot], px, py;
  int carrier = thing_parent[slot];
  if (!(x < FieldWidth() && IsThingSlot(carrier) && PlayerPosition(px, py))) return;
  if (!(y - 8.0f < py && py < y + 8.0f && EnemyFireAllowed())) return;
  // The missile leaves its carrier as a projectile the carrier owns, so it cannot hit it.
  FreeThing(slot);
  EnemyShot(PROJ_MISSILE, carrier, x, y, 0.0f, static_cast<float>(thing_vy[carrier]));
}

void UpdateFighter(int slot) {
  if (!CountDown(thing_timer[slot], 20)) return;
  float x = thing_x[slot], y = thing_y[slot], px, py;
  if (!(x < FieldWidth() + 10.0f) || !PlayerPosition(px, py)) return;
  bool fire;
  if (thing_param[slot] == 0) {
    // It keeps its vertical speed while it fires, so it overshoots and turns back.
    fire = false;
    if (py < y - 7.0f) {
      if (thing_vy[slot] > -4) thing_vy[slot] -= 2;
    } else if (py > y + 7.0f) {
      if (thing_vy[slot] < 4) thing_vy[slot] += 2;
    } else {
      fire = true;
    }
  } else {
    fire = y - 15.0f < py && py < y + 15.0f;
  }
  if (fire && EnemyFireAllowed()) EnemyShot(PROJ_ROUND, slot, x - 6.0f, y, -6.0f, 0.0f);
}

void UpdateFighter2(int slot) {
  if (thing_hp[slot] == 1) DamageSmoke(slot, 0.0f, 0.0f);
  if (!CountDown(thing_timer[slot], 19)) return;
  float x = thing_x[slot], y = thing_y[slot], px, py;
  if (!(x < FieldWidth()) || !PlayerPosition(px, py)) return;
  if (y - 10.0f <= py && py <= y + 10.0f) {
    if (EnemyFireAllowed()) {
      EnemyShot(PROJ_ROUND, slot, x, y - 4.0f, -5.0f, 1.0f);  // the two close in on each other
      EnemyShot(PROJ_ROUND, slot, x, y + 4.0f, -5.0f, -1.0f);
    }
    thing_vy[slot] /= 2;
  } else if (py > y + 10.0f) {
    if (thing_vy[slot] < 4 && thing_param[slot] == 0) thing_vy[slot] += 1;
  } else {
    if (thing_vy[slot] > -4 && thing_param[slot] == 0) thing_vy[slot] -= 1;
  }
}

void UpdateCarrier(int slot) {
  if (thing_hp[slot] < 3) DamageSmoke(slot, 5.0f, 0.0f);
  if (!CountDown(thing_timer[slot], 10) || thing_param[slot] != 0) return;
  int& vy = thing_vy[slot];
  if (vy == 0) {
    float x = thing_x[slot], y = thing_y[slot], px, py;
    if (!(x < FieldWidth() - 30.0f)) return;
    thing_vx[slot] = -1;
    if (y < 30.0f) {
      vy = 2;
    } else if (y > 60.0f) {
      vy = -2;
    } else {
      // Toward the player; a tie, or no ship to steer by, goes up.
      vy = PlayerPosition(px, py) && y < py ? 1 : -1;
    }
    return;
  }
  // Once moving it swings between heights 25 and 75; a swing that reaches 0 starts over.
  float anchor_y = thing_anchor_y[slot];
  if (anchor_y < 25.0f) {
    if (vy < 3) vy += 2;
  } else if (anchor_y > static_cast<float>(playfield_height) - 25.0f) {
    if (vy > -3) vy -= 2;
  }
}

void UpdateTug(int slot) {
  if (thing_hp[slot] < 4) DamageSmoke(slot, 0.0f, 0.0f);
  if (phase_8 != 0) return;
  float anchor_y = thing_anchor_y[slot];
  if (anchor_y < 20.0f) {
    if (thing_vy[slot] < 1) thing_vy[slot] += 1;
  } else if (anchor_y > 70.0f) {
    if (thing_vy[slot] > -1) thing_vy[slot] -= 1;
  }
}

void UpdateTurret(int slot) {
  bool burst_turret = thing_type[slot] == THING_TURRET_2;
  if (burst_turret && thing_hp[slot] < 5) DamageSmoke(slot, 0.0f, -3.0f);
  if (thing_fire_timer[slot] > 0) thing_fire_timer[slot] -= 1;  // reloaded only by firing
  if (!CountDown(thing_timer[slot], 20)) return;

  float x = thing_x[slot], y = thing_y[slot], px, py;
  float& aim_x = thing_aim_x[slot];
  float& aim_y = thing_aim_y[slot];
  if (thing_timer2[slot] == 0 && PlayerPosition(px, py)) {
    bool on_target = AimStep(slot, px, py);
    if (on_target && thing_fire_timer[slot] == 0 && EnemyFireAllowed() && x < FieldWidth()) {
      if (burst_turret) {
        thing_timer2[slot] = 3;
      } else {
        thing_fire_timer[slot] = thing_fire_interval[slot] + Rand() % 20;
        EnemyShot(PROJ_ROUND, slot, x + aim_x / 2.0f, y + aim_y / 2.0f, aim_x, aim_y);
      }
    }
  }
  // A burst: one round per aim step, the first in the step that starts it, the aim held still.
  if (thing_timer2[slot] > 0) {
    thing_fire_timer[slot] = thing_fire_interval[slot];
    thing_timer2[slot] -= 1;
    if (EnemyFireAllowed()) EnemyShot(PROJ_ROUND_2, slot, x + 2.0f * aim_x, y + 2.0f * aim_y - 3.0f, aim_x, aim_y);
  }
}

void UpdateCannon(int slot) {
  if (thing_hp[slot] < 6) DamageSmoke(slot, 0.0f, -2.0f);
  // It fires also from beyond the right edge.
  if (CountDown(thing_fire_timer[slot], thing_fire_interval[slot]) && EnemyFireAllowed())
    EnemyShot(PROJ_CANNON_BALL, slot, thing_x[slot] - 10.0f, thing_y[slot], thing_aim_x[slot], thing_aim_y[slot]);
}

void UpdateCannon2(int slot) {
  if (thing_hp[slot] < 4) DamageSmoke(slot, 0.0f, -2.0f);
  if (!CountDown(thing_fire_timer[slot], thing_fire_interval[slot]) || !EnemyFireAllowed()) return;
  EnemyShot(PROJ_CANNON_BALL, slot, thing_x[slot], thing_y[slot] - 5.0f, thing_aim_x[slot], thing_aim_y[slot]);
  thing_aim_y[slot] = -6.0f + static_cast<float>(Rand() % 2);  // the next ball is lobbed at -6 or -5
}

void UpdateLaser(int slot) {
  int core = thing_param[slot];
  bool shoot;
  if (IsThingSlot(core)) {
    shoot = thing_fire_timer[core] == 0;  // timed by the core it is linked to
  } else if (thing_fire_timer[slot] > 0) {
    thing_fire_timer[slot] -= 1;
    shoot = false;
  } else {
    shoot = true;
    thing_fire_timer[slot] = thing_fire_interval[slot] + Rand() % 20;
  }
  float x = thing_x[slot], y = thing_y[slot];
  if (!shoot || !EnemyFireAllowed() || !(x < FieldWidth())) return;
  switch (thing_type[slot]) {
    case THING_LASER_DOWN: EnemyShot(PROJ_ROUND, slot, x - 2.0f, y + 2.0f, -4.0f, 4.0f); break;
    case THING_LASER_UP: EnemyShot(PROJ_ROUND, slot, x - 2.0f, y - 2.0f, -4.0f, -4.0f); break;
    default: EnemyShot(PROJ_ROUND, slot, x - 2.0f, y, -5.0f, 0.0f); break;
  }
}
