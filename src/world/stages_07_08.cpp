// Stages 7 and 8: the flight through smoke toward the turning ark, which breaks apart after its
// boss has come, and a short stage of a fighter column and a boss.
#include <cmath>

#include "world/compounds.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

static_assert(int{PROJ_FIGHTER} == int{THING_FIGHTER} && int{PROJ_FIGHTER_2} == int{THING_FIGHTER_2},
              "a background fighter is the projectile of its fighter's type");

// One puff of the smoke the stage opens in; the front recedes as the ticks go on.
void SmokePuff() {
  const int r = Rand() % 200;
  const int y = Rand() % 100;
  CreateProjectile(PROJ_SMOKE_2, -1, 265 + r - stage_tick, y, 100 - r, -scroll_speed, 0);
}

// A fighter, and its twin passing far behind the playfield, just in front of the ark.
void SpawnWithTwin(int type, float x, float y, const ThingFields& fields) {
  const int slot = Spawn(type, x, y, fields);
  if (slot < 0) return;
  CreateProjectile(thing_type[slot], -1, thing_anchor_x[slot] + 725, thing_anchor_y[slot], ark_radius - 55, -4, 0);
}

// The ark far ahead: its base, then four pairs of ring pad and hull, each pair nearer and
// further right, all turning slowly.
void BuildArk() {
  PlaceStatic(STATIC_ARK_BASE, 315, 50, ark_radius, {.ry = 45});
  for (int d = 0; d < 100; d += 31) {
    PlaceStatic(STATIC_ARK_RING_PAD, 315 + d, 50, ark_radius - d, {.ry = 45, .spin_x = 0.2f});
    PlaceStatic(STATIC_ARK_RING_HULL, 315 + d, 50, ark_radius - d, {.ry = 45, .spin_x = 0.2f});
  }
}

constexpr std::initializer_list<int> ARK_STATICS = {STATIC_ARK_BASE, STATIC_ARK_RING_HULL, STATIC_ARK_RING_PAD};

// The explosion jolts every live ark piece and sets it tumbling a little.
void ShakeArk() {
  ForEveryStatic(ARK_STATICS, [](int slot) {
    const int dx = Rand() % 4 - 2;
    const int dy = Rand() % 4 - 2;
    static_x[slot] += dx;
    static_y[slot] += dy;
    const int spin_y = Rand() % 4 - 2;
    const int spin_x = Rand() % 4 - 2;
    const int spin_z = Rand() % 4 - 2;
    SetStatic(slot, {.spin_y_by = spin_y / 80.0f, .spin_x_by = spin_x / 80.0f, .spin_z_by = spin_z / 80.0f});
  });
}

// The ring pad in the highest slot bursts into a ring of grey fragments and eight tumbling pad
// parts. With no pad left nothing happens.
void BreakUpRingPad() {
  const int pad = LastStaticOf(STATIC_ARK_RING_PAD);
  if (pad < 0) return;
  const float x = static_x[pad], y = static_y[pad], z = static_z[pad];
  // The angle is summed in single precision: 51 fragments, the last just below 6.
  for (float a = 0.0f; a < 6.0f; a += 0.12f) {
    const int vy = Rand() % 6 - 3;  // drawn before vx
    const int vx = Rand() % 6 - 3;
    CreateProjectile(PROJ_FRAGMENT_GREY, -1, x + 40 * std::cos(double{a}), y + 40 * std::sin(double{a}), z, vx, vy);
  }
  for (float a = 0.0f; a <= 5.25f; a += 0.75f) {
    PlaceStatic(STATIC_ARK_PART_PAD, x + 40 * std::cos(double{a}) + 10, y + 40 * std::sin(double{a}), z - 20, {.ry = 45, .rx = 60 * a});
  }
  RemoveStatic(pad);
}

}  // namespace

// Stage 7: no registers; the ark is found again by its static types.
int RunStage7() {
  if (stage_tick < 700) {
    if (stage_tick < 400) SpawnDriftDebris();
    SmokePuff();
  }
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      fog_end_target = 500.0f;
      scroll_speed = 2;
      sky_color_target = {0.15f, 0.05f, 0.05f};
      ark_radius = 150.0f;
      BuildArk();
      break;
    case 1: case 125: case 225: case 325: SpawnWithTwin(THING_FIGHTER, 165, 80, {.param = 1}); break;
    case 50: case 100: case 150: case 200: case 250: case 300: case 350:
      SpawnWithTwin(THING_FIGHTER, 165, 50, {.param = 1});
      break;
    case 75: case 175: case 275: case 375: SpawnWithTwin(THING_FIGHTER, 165, 20, {.param = 1}); break;
    case 80: Spawn(COMPOUND_CARRIER_MISSILES, 165, 35); break;
    case 180: Spawn(COMPOUND_CARRIER_MISSILES, 165, 65); break;
    case 280: SpawnWithTwin(THING_FIGHTER_2, 165, 35, {.param = 1}); break;
    case 380: SpawnWithTwin(THING_FIGHTER_2, 165, 65, {.param = 1}); break;
    case 500: ForEveryStatic(ARK_STATICS, [](int slot) { SetStatic(slot, {.spin_x_by = -0.02f}); }); break;
    case 550: Spawn(COMPOUND_BOSS_2, 190, 50); break;
    case 600:
      // A flash that the fades carry back to the targets.
      sky_color = {0.3f, 0.0f, 0.0f};
      fill_light_color = {0.8f, 0.7f, 0.0f};
      PlaySoundSlot(&snd_explosion_05, 0, 0, 0, 0);
      ShakeArk();
      break;
    case 710: case 730: case 750: case 770: case 790:
      PlaySoundSlot(&snd_explosion_04, 0, 0, 0, 0);
      BreakUpRingPad();
      break;
    case 825:
      if (HoldWhile(AnyBossCore(), 800)) break;
      fog_end_target = 50.0f;
      sky_color_target = COLOR_BLACK;
      break;
    case 925: return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 8. script_handle: the fighter spawned last; script_var_2: the boss of tick 110.
int RunStage8() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      scroll_speed = 4;
      fog_end_target = 300.0f;
      break;
    default:
      if (EveryTicks(15, 1, 91)) script_handle = Spawn(THING_FIGHTER, 150, 50);
      break;
    // The column's fighters of ticks 16, 46, 76 and 91 turn one frame after they appear.
    case 17: case 77: SetThing(ThingSlot(script_handle), {.vy = -2}); break;
    case 47: case 92: SetThing(ThingSlot(script_handle), {.vy = 2}); break;
    case 110: script_var_2 = Spawn(COMPOUND_BOSS_1, 200, 50); break;
    case 150: HoldWhile(RegisterIs(script_var_2, THING_CORE_1), 115); break;
    case 250: return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}
