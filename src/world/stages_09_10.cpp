// Stages 9 and 10: a long corridor lined with plates and braces, and a sunset over rows of
// trees with a carrier the script steers.
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

// Stage 10's frame counter in script_handle: 0 once every 20 frames.
void CountTwentyFrames() {
  if (script_handle > 0) {
    script_handle -= 1;
  } else {
    script_handle = 19;
  }
}

// Stage 10's tree rows on the counter's frames: first trees of the two kinds by turns, then a
// row of small trees whose fuses grow shorter one by one.
void TreeRows() {
  if (script_handle != 0) return;
  if (stage_tick >= 450 && stage_tick <= 899) {
    script_var_2 = script_var_2 == COMPOUND_TREE_1 ? COMPOUND_TREE_2 : COMPOUND_TREE_1;
    Spawn(script_var_2, 165, 95);
  }
  if (stage_tick >= 900 && stage_tick <= 1099) {
    Spawn(COMPOUND_TREE_1, 165, 95, {.fuse = script_var_3});
    script_var_3 -= 6;
  }
}

// Stage 10's trees strewn far ahead, one frame in 16.
void StrewTree() {
  const int z = Rand() % 200;
  CreateStatic(STATIC_TREE, 280, 95 + world_shift, 5 + z);
}

}  // namespace

// Stage 9: no registers.
int RunStage9() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      fog_end_target = 400.0f;
      key_light_target = {0.65f, 0.65f, 0.65f};
      CreateGenerator(STATIC_METAL_SURFACE, 75, 15, 15, 5, 0);
      CreateGenerator(STATIC_METAL_SURFACE_TURNED, 75, 15, 15, 50, 35);
      CreateGenerator(STATIC_BRACE_1, 150, 8, 15, 50, 35);
      CreateGenerator(STATIC_METAL_SURFACE, 75, 15, 15, 95, 0);
      SetBarriers(165, 540);
      SetWorldShiftNow(0);
      scroll_speed = 2;
      break;
    case 5:
      Spawn(THING_FIGHTER, 165, 50, {.vx = -5, .vy = -3});
      Spawn(THING_FIGHTER, 180, 50, {.vx = -5, .vy = 3});
      Spawn(THING_FIGHTER, 195, 50, {.vx = -5});
      break;
    case 10:
      Spawn(THING_TURRET, 165, 23);
      Spawn(THING_PART_VERT_2, 165, 13);
      Spawn(THING_PART_VERT_2, 165, 87);
      Spawn(THING_TURRET, 165, 77);
      break;
    case 30: Spawn(THING_FIGHTER, 165, 50, {.vx = -5}); break;
    case 45: Spawn(THING_FIGHTER, 165, 50, {.vy = 2}); break;
    case 60: Spawn(THING_FIGHTER, 165, 50, {.vy = -2}); break;
    case 150: Spawn(THING_FIGHTER_2, 165, 50); break;
    case 180:
      // Platforms a little faster than the ground, until tick 1055 slows them to it.
      Spawn(COMPOUND_CEILING_TURRET, 165, 5, {.vx = -scroll_speed - 1, .timer = 0});
      Spawn(COMPOUND_FLOOR_TURRET, 165, 95, {.vx = -scroll_speed - 1, .timer = 0});
      break;
    case 195: Spawn(THING_METAL_BLOCK, 165, 50); break;
    case 260:
      Spawn(THING_TURRET, 170, 42);
      Spawn(THING_TURRET, 170, 58);
      break;
    case 300: Spawn(THING_FIGHTER, 165, 25, {.vx = -scroll_speed}); break;
    case 340: Spawn(THING_FIGHTER, 165, 75, {.vx = -scroll_speed}); break;
    case 400:
      Spawn(THING_PART_VERT_2, 165, 13);
      Spawn(THING_PART_VERT_2, 165, 87);
      Spawn(THING_PART_HORZ, 175, 23);
      Spawn(THING_PART_HORZ, 175, 77);
      break;
    case 470:
      Spawn(COMPOUND_CEILING_TURRETS, 165, 5);
      Spawn(COMPOUND_FLOOR_TURRETS, 165, 95);
      break;
    case 600: Spawn(THING_FIGHTER_2, 165, 50); break;
    case 645: Spawn(THING_METAL_BLOCK, 165, 50); break;
    case 725:
      Spawn(THING_FIGHTER, 165, 20, {.vx = -scroll_speed - 2});
      Spawn(THING_FIGHTER, 165, 80, {.vx = -scroll_speed - 2});
      break;
    case 800: Spawn(COMPOUND_CARRIER_MISSILES, 165, 25); break;
    case 850: Spawn(THING_FIGHTER_2, 165, 75); break;
    case 900: Spawn(THING_FIGHTER, 165, 50); break;
    case 1000:
      Spawn(THING_PART_BOX_2, 165, 25);
      Spawn(THING_PART_BOX_2, 165, 50);
      Spawn(THING_PART_BOX_2, 165, 75);
      break;
    case 1055: SetEveryThing({THING_CEILING_PLATFORM, THING_FLOOR_PLATFORM}, {.vx = -scroll_speed}); break;
    case 1060:
      Spawn(THING_PART_HORZ, 165, 25);
      Spawn(THING_PART_HORZ, 165, 50);
      Spawn(THING_PART_HORZ, 165, 75);
      break;
    case 1150: Spawn(THING_FIGHTER_2, 165, 25, {.vx = -scroll_speed}); break;
    case 1170: Spawn(THING_FIGHTER_2, 165, 75, {.vx = -scroll_speed}); break;
    case 1200: Spawn(COMPOUND_CARRIER_MISSILES, 165, 50, {.vx = -scroll_speed}); break;
    case 1400: Spawn(THING_FIGHTER_2, 165, 25, {.vy = 2}); break;
    default:
      if (EveryTicks(20, 1460, 1540)) Spawn(THING_FIGHTER, 165, 80);
      break;
    case 1490: case 1510: case 1530: case 1550: case 1580: Spawn(COMPOUND_FIGHTER_TURRET, 165, 20, {.vy = -2}); break;
    case 1600: Spawn(THING_FIGHTER_2, 165, 65, {.vy = -4}); break;
    case 1615: Spawn(THING_FIGHTER_2, 165, 35, {.vy = 4}); break;
    case 1630: Spawn(THING_FIGHTER_2, 165, 65, {.vy = -2}); break;
    case 1645: Spawn(THING_FIGHTER_2, 165, 35, {.vy = 2}); break;
    case 1800: Spawn(COMPOUND_BOSS_13, 200, 50); break;
    case 1875: HoldWhile(AnyBossCore(), 1850); break;
    case 1925:
      SetWorldShiftNow(50);
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 10. script_handle: the frame counter; script_var_2: the compound id of the next tree
// of the first tree row; script_var_3: the fuse of the next tree of the late row; script_var_4:
// the fighter of tick 5, from tick 301 the carrier; script_var_5: the boss of tick 945.
int RunStage10() {
  if (stage_tick < 300) SpawnDriftDebris();
  CountTwentyFrames();
  TreeRows();
  if (stage_tick >= 401 && stage_tick <= 1299 && phase_16 == 0) StrewTree();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = &mesh_sky_sunset_01;
      scroll_speed = 4;
      script_handle = 0;
      script_var_2 = COMPOUND_TREE_1;
      script_var_3 = 75;
      fog_end_target = 700.0f;
      break;
    case 5: script_var_4 = Spawn(THING_FIGHTER, -5, 10, {.vx = 6}); break;
    // The fighter from the left is slowed step by step until it turns back.
    case 30: SetThing(ThingSlot(script_var_4), {.vx = 4}); break;
    case 40: SetThing(ThingSlot(script_var_4), {.vx = 3}); break;
    case 50: SetThing(ThingSlot(script_var_4), {.vx = 1}); break;
    case 55: case 425: case 475: Spawn(THING_FIGHTER, 165, 20); break;
    case 60: SetThing(ThingSlot(script_var_4), {.vx = -1}); break;
    case 65: case 90: case 450: Spawn(THING_FIGHTER, 165, 40); break;
    case 70: SetThing(ThingSlot(script_var_4), {.vx = -2}); break;
    case 80: Spawn(THING_FIGHTER, 165, 70); break;
    case 120:
      scroll_speed = 5;
      [[fallthrough]];  // with the fighter of tick 130
    case 130: Spawn(THING_FIGHTER, 165, 50, {.vx = -5}); break;
    case 150: Spawn(THING_FIGHTER, 165, 30, {.vx = -5}); break;
    case 160: Spawn(THING_FIGHTER, 165, 70, {.vx = -5}); break;
    case 170: Spawn(THING_FIGHTER, 165, 50, {.vx = -5}); break;
    case 210:
      scroll_speed = 5;
      [[fallthrough]];  // with the fighter of tick 220
    case 220: Spawn(THING_FIGHTER, 165, 35, {.vx = -6, .vy = -1}); break;
    case 230: Spawn(THING_FIGHTER, 165, 55, {.vx = -6, .vy = -1}); break;
    case 240: Spawn(THING_FIGHTER, 165, 75, {.vx = -6, .vy = -2}); break;
    case 252: Spawn(THING_FIGHTER, 165, 55, {.vx = -6, .vy = -2}); break;
    case 262: Spawn(THING_FIGHTER, 165, 75, {.vx = -6, .vy = -3}); break;
    case 272: Spawn(THING_FIGHTER, 165, 95, {.vx = -6, .vy = -3}); break;
    case 278: Spawn(THING_TREE_TOP, 165, 80 + world_shift, {.vy = -2}); break;
    case 301: script_var_4 = Spawn(COMPOUND_CARRIER_TURRETS, 165, 80, {.vy = -1, .param = 1}); break;
    case 311: case 321: case 331: case 341: case 511:
      SetThing(ThingOfType(script_var_4, THING_CARRIER), {.vx_by = 1});
      break;
    case 325:
      stars_color_target = COLOR_BLACK;
      key_light_target = {0.8f, 0.75f, 0.65f};
      fill_light_target = COLOR_BLACK;
      sky_color_target = {0.7f, 0.65f, 0.5f};
      horizon_color_target = {0.25f, 0.3f, 0.2f};
      fog_end_target = 400.0f;
      break;
    case 365: case 1205:
      floor_x0 = -140;
      floor_x1 = 5165;
      break;
    case 370:
      world_shift_target = 0;
      Spawn(COMPOUND_TREE_2, 115, 95 + world_shift);
      Spawn(COMPOUND_TREE_3, 140, 95 + world_shift);
      Spawn(COMPOUND_TREE_2, 215, 95 + world_shift);
      Spawn(COMPOUND_TREE_1, 265, 95 + world_shift);
      break;
    case 500: case 650: case 1395: Spawn(THING_FIGHTER_2, 165, 30); break;
    case 510: case 690: case 870: Spawn(COMPOUND_TREE_4, 165, 95 + world_shift); break;
    case 531: case 541: case 551: case 561:
      SetThing(ThingOfType(script_var_4, THING_CARRIER), {.vy_by = -1});
      break;
    case 575: Spawn(COMPOUND_CARRIER_MISSILES, 165, 55); break;
    case 601: SetThing(ThingOfType(script_var_4, THING_CARRIER), {.vx = -2}); break;
    case 630: case 745: Spawn(COMPOUND_TREE_5, 165, 95 + world_shift); break;
    case 660: Spawn(THING_FIGHTER, 165, 10, {.vx = -5}); break;
    case 680: Spawn(THING_FIGHTER, 165, 40, {.vx = -5}); break;
    case 700:  // dusk
      key_light_target = {0.05f, 0.0f, 0.0f};
      fill_light_target = {0.8f, 0.75f, 0.0f};
      sky_color_target = {0.35f, 0.2f, 0.0f};
      horizon_color_target = {0.1f, 0.25f, 0.05f};
      break;
    case 785: Spawn(THING_FIGHTER, 165, 30, {.vx = -6}); break;
    case 810: Spawn(THING_FIGHTER, 165, 50, {.vx = -6}); break;
    case 830: Spawn(THING_FIGHTER, 165, 30, {.vx = -6}); break;
    case 850: case 900: case 910: case 920: Spawn(THING_FIGHTER, 165, 10, {.vx = -6}); break;
    case 945:
      script_var_5 = Spawn(COMPOUND_BOSS_5, -20, 75, {.vx = 4});
      // Every gun in the field, the boss's own included, holds its fire a while.
      ForEveryThing({THING_TURRET, THING_LASER, THING_LASER_DOWN, THING_LASER_UP}, [](int slot) {
        const int delay = Rand() % 25;
        SetThing(slot, {.fire_timer = 225 + delay});
      });
      break;
    case 1050: SetThing(ThingOfType(script_var_5, THING_CORE_5), {.vy = -2, .param = 1}); break;
    case 1150:
      Spawn(COMPOUND_TREE_1, 165, 95);
      Spawn(COMPOUND_TREE_2, 205, 95);
      break;
    case 1225: Spawn(COMPOUND_TREE_1, 165, 95); break;
    case 1300: HoldWhile(RegisterIs(script_var_5, THING_CORE_5), 1200); break;
    case 1310: case 1330: case 1350: case 1390: Spawn(COMPOUND_TREE_1, 165, 95); break;
    case 1400:
      key_light_target = {0.6f, 0.6f, 0.6f};
      sky_color_target = COLOR_BLACK;
      horizon_color_target = COLOR_BLACK;
      world_shift_target = 50;
      fog_end_target = 80.0f;
      break;
    case 1550:
      ClearStatics();
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}
