// Stages 4 to 6: a desert rising into view, a field of tumbling rocks, and a bridge that falls
// away into a cave of trees and branches.
#include <cmath>

#include "world/compounds.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

// Stage 4's scenery far ahead on the ground: a rock, then a tree, each at its own random place.
// A position's draws run from its last coordinate to its first, depth before x.
void StrewRockAndTree() {
  const int rock_z = Rand() % 200;
  const int rock_x = Rand() % 140;
  CreateStatic(STATIC_ROCK_1, 280 + rock_x, 95 + world_shift, 20 + rock_z);
  const int tree_z = Rand() % 200;
  const int tree_x = Rand() % 140;
  CreateStatic(STATIC_TREE, 280 + tree_x, 95 + world_shift, 20 + tree_z);
}

// A rock turning about all three axes at -1.5, -0.5 or 0.5 degrees per frame each.
void TumblingRock(int type, float x, float y, float z) {
  const int slot = CreateStatic(type, x, y, z);
  if (slot < 0) return;
  const int spin_y = Rand() % 3;
  const int spin_x = Rand() % 3;
  const int spin_z = Rand() % 3;
  SetStatic(slot, {.spin_y = spin_y - 1.5f, .spin_x = spin_x - 1.5f, .spin_z = spin_z - 1.5f});
}

// Stage 5's every-frame rock: the register toggles, so the types alternate from STATIC_ROCK_3.
void NextTumblingRock() {
  script_var_2 = script_var_2 == 0 ? 1 : 0;
  const int z = Rand() % 150;
  const int y = Rand() % 100;
  const int x = Rand() % 70;
  TumblingRock(STATIC_ROCK_2 + script_var_2, 280 + x, y, 50 + z);
}

// Stage 5's opening: 16 rocks on an arc far ahead, alternately STATIC_ROCK_3 and STATIC_ROCK_2.
void RockArc() {
  int type = STATIC_ROCK_3;
  for (float a = -1.0f; a < 3.0f; a += 0.25f) {
    const int dz = Rand() % 9;
    const int dy = Rand() % 9;
    const int dx = Rand() % 9;
    TumblingRock(type, 420 + dx, 100 * std::sin(double{a}) - 75 + dy, 100 * std::cos(double{a}) + 120 + dz);
    type = type == STATIC_ROCK_3 ? STATIC_ROCK_2 : STATIC_ROCK_3;
  }
}

// A bridge piece dropping away; its fuse destroys it once it has fallen out of view.
constexpr ThingFields FALL_AWAY = {.vy = 4, .fuse = 85};

}  // namespace

// Stage 4. script_handle: the boss of tick 1650.
int RunStage4() {
  if (stage_tick < 1600 && phase_64 == 0) StrewRockAndTree();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = &mesh_sky_desert_01;
      scroll_speed = 4;
      break;
    case 15:
      Spawn(COMPOUND_TREE_3, 165, 95 + world_shift);
      Spawn(COMPOUND_TREE_2, 265, 95 + world_shift);
      Spawn(COMPOUND_PLATFORM_TREE_1, 390, 95 + world_shift);
      break;
    case 30:
      key_light_target = {0.65f, 0.62f, 0.6f};
      fill_light_target = {0.25f, 0.2f, 0.0f};
      sky_color_target = {0.55f, 0.5f, 0.5f};
      horizon_color_target = {0.5f, 0.45f, 0.2f};
      fog_end_target = 300.0f;
      world_shift_target = 0;
      stars_color_target = COLOR_BLACK;
      floor_x0 = -140;
      floor_x1 = 2165;
      Spawn(COMPOUND_TREE_1, 105, 95 + world_shift);
      break;
    case 40: case 60: case 80: case 520: case 540: case 560: Spawn(COMPOUND_FIGHTER_TURRET, 165, -15); break;
    case 100: Spawn(COMPOUND_TUG_SPAWNER, 165, 50, {.vx = -1}); break;
    case 130: case 410: case 800: case 1805: Spawn(THING_FIGHTER_2, 135, -15, {.vy = 3}); break;
    case 400: case 625: case 825: case 1025: case 1275: case 1775:
      Spawn(COMPOUND_TREE_1, 165, 95 + world_shift);
      break;
    case 450: Spawn(COMPOUND_WIDE_TURRET, 165, 83, {.vx = -1, .timer = 0}); break;
    case 500: case 775: case 925: case 1400: case 1550: Spawn(THING_TREE_TRUNK, 165, 95 + world_shift); break;
    case 600: case 900: Spawn(THING_FIGHTER_2, 165, 24, {.vx = -1}); break;
    case 750: Spawn(COMPOUND_WIDE_TURRETS, 165, 83, {.vx = -1, .timer = 0}); break;
    case 1050: Spawn(COMPOUND_FLOOR_TURRETS, 165, 83, {.vx = -1, .timer = 0}); break;
    case 1350: Spawn(COMPOUND_WIDE_LAUNCHER_CANNON, 165, 83, {.vx = -1, .timer = 0}); break;
    case 1650: script_handle = Spawn(COMPOUND_BOSS_8, 185, 88 + world_shift, {.vx = -1}); break;
    case 1760:
      // The floor is stretched again on every pass, so it stays under the boss however long it lasts.
      if (HoldWhile(RegisterIs(script_handle, THING_CORE_8), 1660)) floor_x1 = 365;
      break;
    case 1900:
      sky_color_target = COLOR_BLACK;
      world_shift_target = 50;
      floor_x1 = 0;
      fog_end_target = 80.0f;
      break;
    case 1950:
      ClearStatics();
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 5. script_var_2: the toggle of the every-frame rocks.
int RunStage5() {
  SpawnDriftDebris();
  if (phase_64 == 0) NextTumblingRock();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      fog_end_target = 800.0f;
      RockArc();
      scroll_speed = 2;
      break;
    case 5: Spawn(THING_FIGHTER, 165, 20); break;
    case 40: Spawn(THING_FIGHTER, 165, 60); break;
    case 80: Spawn(THING_FIGHTER, 165, 70); break;
    case 120: Spawn(THING_FIGHTER, 165, 40); break;
    case 150:
      Spawn(THING_FIGHTER, 165, 10);
      Spawn(THING_FIGHTER, 175, 80);
      Spawn(THING_FIGHTER, 185, 10);
      Spawn(THING_FIGHTER, 195, 80);
      Spawn(THING_FIGHTER, 205, 10);
      Spawn(THING_FIGHTER, 215, 80);
      break;
    case 275: Spawn(THING_FIGHTER_2, 165, 80); break;
    case 300: Spawn(THING_FIGHTER_2, 165, 20); break;
    case 325: Spawn(THING_FIGHTER_2, 165, 50); break;
    case 350:
      Spawn(THING_FIGHTER, 165, 10, {.vx = -2, .vy = 2});
      Spawn(THING_FIGHTER, 175, 80, {.vx = -2, .vy = -2});
      break;
    case 450:
      Spawn(THING_FIGHTER_2, 165, 10);
      Spawn(THING_FIGHTER_2, 175, 80);
      break;
    case 500:
      Spawn(THING_FIGHTER_2, 165, 30);
      Spawn(THING_FIGHTER_2, 175, 70);
      break;
    case 850: Spawn(COMPOUND_BOSS_3, 175, 50); break;
    case 900: HoldWhile(AnyBossCore(), 875); break;
    case 1025: return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 6. Until tick 350 script_handle and script_var_2..5 keep five bridge pieces of tick 211
// and script_var_6 its floor platform. Then script_var_2 keeps the platform of tick 355; from
// tick 450 script_var_6 the glow bug; from 550 script_handle and script_var_2..3 the three trunk
// pieces; from 920 script_handle the tug; from 1090 script_var_2 the fighter.
int RunStage6() {
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      key_light_target = {0.7f, 0.7f, 0.7f};
      fill_light_target = COLOR_BLACK;
      fog_end_target = 60.0f;
      scroll_speed = 4;
      SetWorldShiftNow(150);  // the world starts lowered by 100
      break;
    case 15: Spawn(THING_FIGHTER, 165, 40); break;
    case 35: Spawn(THING_FIGHTER, 165, 70); break;
    case 55: Spawn(THING_FIGHTER, 165, 30); break;
    case 100:
      world_shift_target = 100;
      floor_x0 = 0;
      floor_x1 = 265;
      stars_color_target = COLOR_BLACK;
      Spawn(COMPOUND_TREE_1, 80, 145);
      Spawn(COMPOUND_TREE_2, 210, 145);
      Spawn(COMPOUND_FLOOR_TURRETS, 65, 145, {.vx = -1, .vy = 0, .param = -1, .timer = 0});
      break;
    case 130: Spawn(THING_FIGHTER_2, 165, -10, {.vy = 4}); break;
    case 211:
      Spawn(THING_PART_BRIDGE, 165, 100);
      Spawn(THING_PART_BRIDGE, 190, 100);
      Spawn(THING_PART_BRIDGE, 215, 100);
      script_handle = Spawn(THING_PART_BRIDGE, 240, 100);
      script_var_2 = Spawn(THING_PART_BRIDGE, 265, 100);
      script_var_3 = Spawn(THING_PART_BRIDGE, 290, 100);
      script_var_4 = Spawn(THING_PART_BRIDGE, 315, 100);
      script_var_5 = Spawn(THING_PART_BRIDGE, 342, 100);
      Spawn(THING_PART_BRIDGE, 367, 100);
      Spawn(THING_PART_BRIDGE, 392, 100);
      script_var_6 = Spawn(COMPOUND_FLOOR_TURRET, 160, 95, {.vx = -1, .vy = 0, .param = -1, .timer = 0});
      CreateGenerator(STATIC_CAVE_SURFACE_2, 25, 48, 50, 50 + world_shift, 70);
      CreateGenerator(STATIC_CAVE_SURFACE_1, 25, 48, 50, 95 + world_shift, 0);
      break;
    case 300:
      CreateStatic(STATIC_CAVE_2, 365, 95 + world_shift, 0);
      fog_end_target = 200.0f;
      break;
    case 350:
      SetThing(ThingSlot(script_var_2), FALL_AWAY);
      SetThing(ThingOfType(script_var_6, THING_FLOOR_PLATFORM), {.vy = 4});
      break;
    case 355: script_var_2 = Spawn(COMPOUND_FLOOR_TURRET, 165, 95 + world_shift, {.fuse = 115}); break;
    case 360: SetThing(ThingSlot(script_var_3), FALL_AWAY); break;
    case 365:
      world_shift_target = 0;
      floor_x0 = 0;
      floor_x1 = 1265;
      stars_color_target = COLOR_BLACK;
      break;
    case 380: SetThing(ThingSlot(script_handle), FALL_AWAY); break;
    case 390: SetThing(ThingSlot(script_var_4), FALL_AWAY); break;
    case 400:
      if (const int platform = ThingOfType(script_var_6, THING_FLOOR_PLATFORM); platform >= 0) {
        SetThing(platform, {.param = platform});
      }
      break;
    case 410: sky_color_target = {0.0f, 0.25f, 0.25f}; break;
    case 430: SetThing(ThingSlot(script_var_5), FALL_AWAY); break;
    case 440: case 470: case 1730: Spawn(THING_FIGHTER, 165, 40); break;
    case 450:
      ceiling_x0 = 165;
      ceiling_x1 = 1165;
      CreateGenerator(STATIC_CAVE_SURFACE_1, 25, 40, 50, 5 + world_shift, 0);
      script_var_6 = Spawn(THING_GLOW_BUG, -10, 95 + world_shift, {.vx = 4, .vy = -3});
      break;
    case 455: case 485: case 1710: Spawn(THING_FIGHTER, 165, 60, {.vx_by = -1}); break;
    case 550:
      Spawn(THING_TREE_BRANCH, 225, 30);
      CreateStatic(STATIC_TREE_BRANCH, 225, 30, 0);
      script_handle = Spawn(THING_TREE_TRUNK, 220, 60);
      script_var_2 = Spawn(THING_TREE_TRUNK, 0, -10, {.vx = 0, .parent = ThingSlot(script_handle)});
      script_var_3 = Spawn(THING_TREE_TRUNK, 0, -10, {.vx = 0, .parent = ThingSlot(script_var_2)});
      Spawn(THING_TREE_BRANCH, 215, 63);
      CreateStatic(STATIC_TREE_BRANCH, 215, 63, 0);
      break;
    case 555: Spawn(COMPOUND_FLOOR_TURRET, 165, 20, {.vx = 1}); break;
    case 675: Spawn(COMPOUND_CARRIER_LASERS, 165, 75); break;
    case 680: Spawn(COMPOUND_CEILING_SPAWNER, 165, 5); break;
    case 700: case 900: case 1100: case 1505: case 1600: case 1725: Spawn(THING_TREE_TRUNK, 165, 95); break;
    case 725: case 875:
      Spawn(THING_TREE_BRANCH, 215, 50);
      CreateStatic(STATIC_TREE_BRANCH, 215, 50, 0);
      break;
    case 730: Spawn(COMPOUND_FLOOR_TURRET, 165, 40, {.vx = 1}); break;
    case 760: Spawn(THING_FIGHTER_2, 165, 25); break;
    case 800: case 1000: case 1200: Spawn(THING_TREE_TRUNK, 165, 15); break;
    case 880: Spawn(COMPOUND_CEILING_TURRET, 165, 50, {.vx = 1}); break;
    case 920: script_handle = Spawn(COMPOUND_TUG_GUNS, -20, 70); break;
    case 1090: script_var_2 = Spawn(THING_FIGHTER, 165, 35); break;
    case 1140:  // the fighter of tick 1090 is a light one, so it flies on: the stage has always played so
      SetThing(ThingOfType(script_var_2, THING_FIGHTER_2), {.vx = 0});
      break;
    case 1225:
      if (const int tug = ThingOfType(script_handle, THING_TUG); tug >= 0) {
        SetThing(tug, {.vy = -2, .fuse = 270});
      } else {
        stage_tick = 1325;  // the tug is gone already: on to the boss
      }
      break;
    case 1250: SetEveryThing({THING_BEAM_GUN}, {.fire_timer = 200}); break;
    case 1340: Spawn(COMPOUND_BOSS_10, 195, 50); break;
    case 1365:
      ceiling_x1 = 465;
      floor_x1 = 1165;
      CreateGenerator(STATIC_CAVE_SURFACE_1, 25, 8, 50, 5, 0);
      CreateGenerator(STATIC_CAVE_SURFACE_2, 25, 8, 50, 50, 70);
      CreateGenerator(STATIC_CAVE_SURFACE_1, 25, 8, 50, 95, 0);
      break;
    case 1550:
      if (HoldWhile(AnyBossCore(), 1350)) break;
      CreateStatic(STATIC_CAVE_1, 245, 95, 370);
      break;
    case 1595: horizon_color_target = {0.0f, 0.3f, 0.0f}; break;
    case 1620:
      SetThing(ThingSlot(script_var_6), {.param = 0});
      ceiling_x1 = 165;
      // Only the platforms standing still on their barriers join the ground.
      ForEveryThing({THING_CEILING_PLATFORM, THING_FLOOR_PLATFORM}, [](int slot) {
        if (thing_vy[slot] != 0) return;
        if (thing_type[slot] == THING_CEILING_PLATFORM) {
          SetThing(slot, {.vx = -scroll_speed, .timer = 0});
        } else {
          SetThing(slot, {.timer = 0});
        }
      });
      break;
    case 1800:
      fog_end_target = 80.0f;
      sky_color_target = COLOR_BLACK;
      break;
    case 1900:
      stars_color_target = {0.1f, 0.1f, 0.1f};
      sky_color_target = COLOR_BLACK;
      horizon_color_target = COLOR_BLACK;
      world_shift_target = 50;
      break;
    case 1950:
      ClearStatics();
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}
