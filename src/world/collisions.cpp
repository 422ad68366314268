#include "world/collisions.h"

#include "world/compounds.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/tables.h"
#include "world/things.h"

int explosion_turn = 0;

namespace {

// What a projectile that hits a damageable thing does. Types not listed do no damage and fly on.
struct HitRow {
  int type;
  int damage;
  int becomes;  // 0: freed; otherwise it flies on as this type
  SoundSlot* sound;
};

// clang-format off
const HitRow hit_rows[] = {
  // type                  damage        becomes               own hit sound
  {.type = PROJ_SHOT_1,      .damage = 1,  .becomes = 0,           .sound = nullptr},
  {.type = PROJ_SHOT_2,      .damage = 2,  .becomes = 0,           .sound = nullptr},
  {.type = PROJ_SHOT_3,      .damage = 2,  .becomes = PROJ_SHOT_1, .sound = nullptr},
  {.type = PROJ_BOMB,        .damage = 4,  .becomes = 0,           .sound = &snd_hit_bomb_01},
  {.type = PROJ_HAWK,        .damage = 3,  .becomes = 0,           .sound = &snd_hit_hawk_01},
  {.type = PROJ_DRUM,        .damage = 10, .becomes = 0,           .sound = &snd_hit_drum_01},
  {.type = PROJ_CROW,        .damage = 8,  .becomes = 0,           .sound = &snd_hit_crow_01},
  {.type = PROJ_ROUND,       .damage = 1,  .becomes = 0,           .sound = nullptr},
  {.type = PROJ_ROUND_2,     .damage = 1,  .becomes = 0,           .sound = nullptr},
  {.type = PROJ_CANNON_BALL, .damage = 1,  .becomes = 0,           .sound = nullptr},
  {.type = PROJ_MISSILE,     .damage = 1,  .becomes = 0,           .sound = nullptr},
};
// clang-format on
static_assert(sizeof(hit_rows) / sizeof(hit_rows[0]) == 11, "every projectile that does damage");

SoundSlot* const explosion_sounds[] = {&snd_explosion_01, &snd_explosion_02, &snd_explosion_03, &snd_explosion_04,
                                       &snd_explosion_05};

bool IsWooden(int t) { return thing_debris_type[t] == PROJ_SPLINTER || thing_debris_type[t] == PROJ_LEAF; }

bool IsPlayerMissile(int type) { return type >= PROJ_BOMB && type <= PROJ_CROW; }

// A draw modulo n; a box of no width gives 0 instead of dividing by zero, but still takes its
// draw, so the sequence holds.
int RandomBelow(int n) {
  int draw = Rand();
  return n != 0 ? draw % n : 0;
}

// Hits of every kind rock the thing: a wobble that lasts `frames`, its rate kicked by `kick`.
void Rock(int t, int frames, float kick) {
  thing_roll_time[t] = frames;
  thing_roll_rate[t] += kick;
  thing_roll_spring[t] = 1.0f;
}

void PlayShipHit(int ship, float x, float y) {
  PlaySoundSlot(&snd_hit_player_01, thing_hp[ship] * 2048 + 30000, x, y, 0.0f);
}

// The ship loses a life and a gun level, and explodes when none is left.
void DamageShip(int ship) {
  thing_timer[ship] = 3;
  if (forward_level > 1) forward_level -= 1;
  if (thing_hp[ship] < 1) {
    DestroyThing(ship);
  } else {
    PlayShipHit(ship, thing_anchor_x[ship], thing_anchor_y[ship]);
  }
}

void BarrierHit(int ship, float push, int* action) {
  thing_hp[ship] -= 1;
  thing_vy[ship] = 0;
  thing_anchor_y[ship] += push;
  *action = 0;
  DamageShip(ship);
  Rock(ship, 20, static_cast<float>(Rand() % 30 - 15));
}

void BarrierSparks(float x, float y) {
  CreateProjectile(PROJ_SPARKS, -1, x, y, 0.0f, static_cast<float>(-scroll_speed), 0.0f);
}

// The ship as a horizontal line at its centre height against the two barriers.
void CheckBarriers(int ship, float left, float right, float y) {
  if (y < ceiling_y + 4.0f && right > ceiling_x0 && left < ceiling_x1) {
    if (y >= ceiling_y + 2.0f) {
      BarrierSparks(left, ceiling_y);
    } else {
      BarrierHit(ship, 2.0f, &action_up);
    }
  } else if (world_shift == world_shift_target && y > floor_y - 4.0f && right > floor_x0 && left < floor_x1) {
    if (y <= floor_y - 2.0f) {
      BarrierSparks(left, floor_y);
    } else {
      BarrierHit(ship, -2.0f, &action_down);
    }
  }
}

void CollectForwardPickup(int ship, int t) {
  PlaySoundSlot(&snd_pow_01, 0, 0.0f, 0.0f, 0.0f);
  if (forward_level < 3) {
    forward_level += 1;
    PlaySoundSlot(&snd_pow_forward_01, 0, 0.0f, 0.0f, 0.0f);
  } else {
    thing_hp[ship] += 1;
    PlaySoundSlot(&snd_pow_armor_01, 0, 0.0f, 0.0f, 0.0f);
  }
  score += 30;
  FreeThing(t);
}

void CollectMissilePickup(int t) {
  PlaySoundSlot(&snd_pow_01, 0, 0.0f, 0.0f, 0.0f);
  int kind = thing_param[t];
  switch (kind) {
    case PROJ_BOMB: PlaySoundSlot(&snd_pow_bomb_01, 0, 0.0f, 0.0f, 0.0f); break;
    case PROJ_HAWK: PlaySoundSlot(&snd_pow_hawk_01, 0, 0.0f, 0.0f, 0.0f); break;
    case PROJ_DRUM: PlaySoundSlot(&snd_pow_drum_01, 0, 0.0f, 0.0f, 0.0f); break;
    case PROJ_CROW: PlaySoundSlot(&snd_pow_crow_01, 0, 0.0f, 0.0f, 0.0f); break;
    default: break;
  }
  if (missile_kind == kind) {
    int old_ammo = missile_ammo;
    SetMissileAmmo();
    missile_ammo += old_ammo;
    if (missile_ammo > 99) missile_ammo = 99;
  } else {
    missile_kind = kind;
    SetMissileAmmo();
  }
  score += 50;
  FreeThing(t);
}

// Anything but a pickup rams the ship: both take damage, a survivor pushes the ship back, and
// pieces of the thing fly from where they met.
void Ram(int ship, int t) {
  thing_hp[ship] -= 1;
  DamageShip(ship);
  if (thing_hp[t] < 1000) {
    thing_hp[t] -= 10;
    if (thing_hp[t] < 1) {
      if (forward_level == 0) {
        thing_hp[t] = 1;
      } else {
        DestroyThing(t);
      }
    }
  }
  if (thing_hp[t] >= 1) {
    thing_x[ship] -= static_cast<float>(thing_vx[ship]);
    thing_y[ship] -= static_cast<float>(thing_vy[ship]);
    thing_anchor_x[ship] = thing_x[ship];
    thing_anchor_y[ship] = thing_y[ship];
    thing_vx[ship] = 0;
    thing_vy[ship] = 0;
  }
  float mid_x = (thing_x[ship] + thing_x[t]) / 2.0f;
  float mid_y = (thing_y[ship] + thing_y[t]) / 2.0f;
  for (int i = 0; i < 5; i++) {
    int vy = Rand() % 8 - 4;
    int vx = Rand() % 8 - 4;
    CreateProjectile(thing_debris_type[t], -1, mid_x, mid_y, 0.0f, static_cast<float>(vx), static_cast<float>(vy));
  }
  Rock(ship, 50, static_cast<float>(Rand() % 30 - 15));
}

// The first thing (from the top slot down) that the ship's line touches.
int FindContact(int ship, float left, float right, float y) {
  for (int t = MAX_THINGS - 1; t >= 0; t--) {
    if (t == ship || thing_type[t] <= 4) continue;
    if (static_cast<float>(thing_box_y0[t]) + thing_y[t] < y && y < static_cast<float>(thing_box_y1[t]) + thing_y[t] &&
        static_cast<float>(thing_box_x0[t]) + thing_x[t] < right &&
        static_cast<float>(thing_box_x1[t]) + thing_x[t] > left)
      return t;
  }
  return -1;
}

void CheckShip() {
  int ship = PlayerSlot();
  // An exploding ship scrapes, collects and rams nothing.
  if (ship < 0 || thing_type[ship] != THING_PLAYER) return;
  float left = thing_x[ship] + static_cast<float>(thing_box_x0[ship]);
  float right = thing_x[ship] + static_cast<float>(thing_box_x1[ship]);
  float y = thing_y[ship];
  CheckBarriers(ship, left, right, y);
  if (thing_type[ship] != THING_PLAYER) return;

  int t = FindContact(ship, left, right, y);
  if (t < 0) return;
  if (thing_type[t] == THING_POW_FORWARD) {
    CollectForwardPickup(ship, t);
  } else if (thing_type[t] == THING_POW_MISSILE) {
    CollectMissilePickup(t);
  } else {
    Ram(ship, t);
  }
}

// Fighters skimming a barrier are set back inside, rocking.
void BounceFighters() {
  for (int t = 0; t < MAX_THINGS; t++) {
    if (thing_type[t] != THING_FIGHTER && thing_type[t] != THING_FIGHTER_2) continue;
    float x = thing_x[t], y = thing_y[t];
    bool ceiling = y < ceiling_y + 3.0f && thing_vy[t] < 0 && ceiling_x0 < x && x < ceiling_x1;
    bool floor = world_shift == world_shift_target && y > floor_y - 3.0f && thing_vy[t] > 0 && floor_x0 < x &&
                 x < floor_x1;
    if (!ceiling && !floor) continue;
    thing_anchor_y[t] = y >= static_cast<float>(playfield_half_height) ? floor_y - 5.0f : ceiling_y + 5.0f;
    thing_vy[t] = 0;
    Rock(t, 20, static_cast<float>(Rand() % 30 - 15));
  }
}

const HitRow* FindHitRow(int type) {
  for (const HitRow& row : hit_rows)
    if (row.type == type) return &row;
  return nullptr;
}

// A damageable thing hit by projectile p.
void Damage(int t, int p) {
  float px = projectile_x[p], py = projectile_y[p], pz = projectile_z[p];
  int type = projectile_type[p];
  if (type > PROJ_SHOT_3) {
    for (int i = 0; i < 4; i++) {
      int vy = Rand() % 10 - 5;
      int vx = Rand() % 10 - 5;
      CreateProjectile(PROJ_DEBRIS, -1, px, py, pz, static_cast<float>(vx), static_cast<float>(vy));
    }
    CreateProjectile(PROJ_SMOKE_2, -1, px, py, pz, 0.0f, 0.0f);
  }
  if (const HitRow* row = FindHitRow(type)) {
    thing_hp[t] -= row->damage;
    if (row->becomes == 0) {
      FreeProjectile(p);
    } else {
      projectile_type[p] = row->becomes;
    }
    if (row->sound) PlaySoundSlot(row->sound, 0, px, py, pz);
  }
  thing_roll_time[t] = 30;
  thing_roll_rate[t] = static_cast<float>(Rand() % 10 - 5);
  thing_roll_spring[t] = 1.0f;
  if (thing_hp[t] < 1) {
    DestroyThing(t);
  } else if (t == player_thing) {
    thing_timer[t] = 3;
    PlayShipHit(t, px, py);
    if (forward_level > 1) forward_level -= 1;
  } else if (IsWooden(t)) {
    PlaySoundSlot(&snd_hit_wood_01, thing_hp[t] * 2048 + 15000, px, py, 0.0f);
  } else {
    PlaySoundSlot(&snd_hit_metal_01, thing_hp[t] * 1024 + 30000, px, py, 0.0f);
  }
  last_hit_x = px;
  last_hit_y = py;
}

// An indestructible thing swallows the shot; the player's missiles fizzle on it.
void Absorb(int p) {
  float px = projectile_x[p], py = projectile_y[p], pz = projectile_z[p];
  if (IsPlayerMissile(projectile_type[p])) {
    PlaySoundSlot(&snd_miss_01, 0, px, py, pz);
    CreateProjectile(PROJ_SMOKE, -1, px, py, 0.0f, static_cast<float>(-scroll_speed), 0.0f);
  }
  FreeProjectile(p);
}

// The player's fire hits everything but the ship; everyone else's only the ship and the
// indestructible things.
bool Hits(int p, int t, int ship, float left, float top, float right, float bottom) {
  int type = projectile_type[p];
  if (type < 1 || type > 29) return false;
  float x = projectile_x[p], y = projectile_y[p];
  if (!(left < x && x < right && top < y && y < bottom)) return false;
  int owner = projectile_owner[p];
  if (owner == t) return false;
  return (ship >= 0 && owner == ship) || t == player_thing || thing_hp[t] > 500;
}

}  // namespace

void CheckPlayerCollisions() {
  if (phase_2 == 0) {
    CheckShip();
  } else {
    BounceFighters();
  }
}

void CheckProjectileHits() {
  int ship = PlayerSlot();
  for (int t = MAX_THINGS - 1; t >= 0; t--) {
    if (thing_type[t] <= 4) continue;
    float left = thing_x[t] + static_cast<float>(thing_box_x0[t]);
    float top = thing_y[t] + static_cast<float>(thing_box_y0[t]);
    float right = thing_x[t] + static_cast<float>(thing_box_x1[t]);
    float bottom = thing_y[t] + static_cast<float>(thing_box_y1[t]);
    for (int p = MAX_PROJECTILES - 1; p >= 0 && thing_type[t] > 4; p--) {
      if (!Hits(p, t, ship, left, top, right, bottom)) continue;
      if (thing_hp[t] < 1000) {
        Damage(t, p);
      } else if (thing_type[t] < THING_POW_FORWARD) {
        Absorb(p);
      }
    }
  }
}

void DestroyThing(int slot) {
  if (slot < 0 || slot >= MAX_THINGS) return;
  if (slot == player_thing && god_mode) {
    if (thing_hp[slot] < 0) thing_hp[slot] = 0;
    return;
  }
  float x = thing_x[slot], y = thing_y[slot];

  if (IsWooden(slot)) {
    PlaySoundSlot(&snd_wood_breakage_01, 40000 + Rand() % 30000, x, y, 0.0f);
  } else {
    explosion_turn = explosion_turn >= 0 && explosion_turn < 4 ? explosion_turn + 1 : 0;
    PlaySoundSlot(explosion_sounds[explosion_turn], 30000 + Rand() % 50000, x, y, 0.0f);
  }

  if (thing_type[slot] == THING_BEAM_GUN) {
    bool other_firing = false;
    for (int t = 0; t < MAX_THINGS; t++)
      if (t != slot && thing_type[t] == THING_BEAM_GUN && thing_fire_timer[t] > 0) other_firing = true;
    if (!other_firing) {
      StopSoundSlot(&snd_beam_gun_02);
      StopSoundSlot(&snd_beam_gun_03);
    }
  }

  thing_type[slot] = THING_EXPLOSION;
  thing_timer[slot] = 2;
  thing_param[slot] = Rand() % 360;  // the explosion's turn
  thing_fuse[slot] = 0;              // a fuse still counting must not destroy it twice

  int width = thing_box_x1[slot] - thing_box_x0[slot];
  int height = thing_box_y1[slot] - thing_box_y0[slot];
  for (int i = 0; i < 8; i++) {
    float fx = x + static_cast<float>(thing_box_x0[slot]) + static_cast<float>(RandomBelow(width));
    float fy = y + static_cast<float>(thing_box_y0[slot]) + static_cast<float>(RandomBelow(height));
    int vy = Rand() % 18 - 9;
    int vx = Rand() % 18 - 9;
    CreateProjectile(thing_debris_type[slot], -1, fx, fy, 0.0f, static_cast<float>(vx), static_cast<float>(vy));
    CreateProjectile(PROJ_SMOKE_2, -1, fx, fy, 0.0f, 0.0f, 0.0f);
  }

  for (int t = 0; t < MAX_THINGS; t++) {
    if (thing_param[t] != slot) continue;
    switch (thing_type[t]) {
      case THING_CEILING_PLATFORM:
      case THING_FLOOR_PLATFORM:
      case THING_WIDE_PLATFORM:
        thing_param[t] = t;  // carries nothing now
        break;
      case THING_BEAM_GUN:
      case THING_LASER:
      case THING_LASER_DOWN:
      case THING_LASER_UP:
        thing_param[t] = -1;  // no longer follows a core
        break;
      default:
        break;
    }
  }

  if (slot == player_thing) return;
  score += thing_score[slot];
  if (thing_score[slot] > 1 && x > 0.0f && 0.0f < y && y < 89.0f) {
    missile_drop_count -= 1;
    if (missile_drop_count < 1) {
      missile_drop_count = 30;
      SpawnThing(THING_POW_MISSILE, x, y);
      return;
    }
    int ship = PlayerSlot();
    bool ship_weak = ship >= 0 && thing_hp[ship] < 3 && game_mode != MODE_SURVIVAL;
    if (forward_level < 3 || ship_weak) {
      forward_drop_count -= 1;
      if (forward_drop_count < 1) {
        forward_drop_count = 55;
        SpawnThing(THING_POW_FORWARD, x, y);
      }
    }
  }
}
