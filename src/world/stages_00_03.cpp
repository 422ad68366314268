// Stages 0 to 3: two open-sky stages with fighters and carriers, then two corridors between
// metal-plated barriers, the second with platforms hanging from moving bars.
#include "world/compounds.h"
#include "world/game.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

// Stage 0. script_handle: the carrier of tick 560.
int RunStage0() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      scroll_speed = 2;
      break;
    case 10:
      Spawn(THING_FIGHTER, 165, 10);
      Spawn(THING_FIGHTER, 185, 40);
      break;
    case 50:
      Spawn(THING_FIGHTER, 185, 50);
      Spawn(THING_FIGHTER, 165, 80);
      break;
    case 100:
      Spawn(THING_FIGHTER, 165, 50);
      Spawn(THING_FIGHTER, 180, 50, {.vy = -2});
      Spawn(THING_FIGHTER, 195, 50, {.vy = 2});
      break;
    default:
      if (EveryTicks(15, 200, 245)) Spawn(THING_FIGHTER, 165, 80);
      if (EveryTicks(15, 260, 305)) Spawn(THING_FIGHTER, 165, 10);
      break;
    case 375:
      Spawn(THING_FIGHTER_2, 165, 20);
      Spawn(THING_FIGHTER_2, 165, 70, {.vx_by = 1});
      break;
    case 560:
      script_handle = Spawn(COMPOUND_CARRIER_LASERS_4, 165, 50);
      break;
    case 600:
      if (HoldWhile(RegisterIs(script_handle, THING_CARRIER), 580)) break;
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 1: no registers; the boss comes once the carriers are gone.
int RunStage1() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      scroll_speed = 2;
      break;
    case 10: Spawn(THING_FIGHTER, 165, 35, {.vx = -5}); break;
    case 30: Spawn(THING_FIGHTER, 165, 55, {.vx = -5}); break;
    case 50: Spawn(THING_FIGHTER, 165, 20, {.vx = -5}); break;
    case 80: Spawn(THING_FIGHTER, 165, 70, {.vx = -5}); break;
    case 90:
      Spawn(THING_FIGHTER, 165, 5, {.vx = -2, .param = 1});
      Spawn(THING_FIGHTER, 185, 20, {.vx = -2, .param = 1});
      Spawn(THING_FIGHTER, 190, 35, {.vx = -2, .param = 1});
      Spawn(THING_FIGHTER, 190, 65, {.vx = -2, .param = 1});
      Spawn(THING_FIGHTER, 185, 80, {.vx = -2, .param = 1});
      Spawn(THING_FIGHTER, 165, 95, {.vx = -2, .param = 1});
      break;
    case 230: Spawn(THING_FIGHTER, 165, 50, {.vx = -5}); break;
    case 250: Spawn(THING_FIGHTER_2, 165, 50, {.param = 1}); break;
    case 300: case 330: case 360: Spawn(COMPOUND_FIGHTER_TURRET, 165, 50, {.vy = -4}); break;
    case 315: case 345: case 375: Spawn(COMPOUND_FIGHTER_TURRET, 165, 50, {.vy = 4}); break;
    case 475: case 510: case 600: Spawn(THING_FIGHTER_2, 165, 50); break;
    case 500: Spawn(COMPOUND_CARRIER_MISSILES, 165, 10); break;
    case 575: Spawn(COMPOUND_CARRIER_MISSILES, 165, 90); break;
    case 625: case 700: Spawn(THING_FIGHTER, 165, 50, {.vx = -5}); break;
    case 709: HoldWhile(AnyThingOf(THING_CARRIER), 701); break;
    case 710: Spawn(COMPOUND_BOSS_6, 180, 50); break;
    case 750:
      if (HoldWhile(AnyBossCore(), 715)) break;
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 2: no registers; a corridor lifted into view at once, ending after its carrier
// without waiting for it.
int RunStage2() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      CreateGenerator(STATIC_METAL_SURFACE, 25, 22, 15, 5, 0);
      CreateGenerator(STATIC_METAL_SURFACE, 25, 22, 15, 95, 0);
      SetBarriers(165, 705);
      SetWorldShiftNow(0);
      scroll_speed = 4;
      fog_end_target = 300.0f;
      break;
    case 5:
      Spawn(COMPOUND_CEILING_TURRET, 165, 5);
      Spawn(COMPOUND_FLOOR_TURRET, 165, 95);
      break;
    case 100: case 535:
      Spawn(THING_PART_BOX, 165, 35);
      Spawn(THING_PART_BOX, 165, 65);
      break;
    case 120: case 220: Spawn(THING_FIGHTER_2, 165, 50, {.vx = -scroll_speed, .param = 1}); break;
    case 200: case 300: case 400: Spawn(THING_FIGHTER, 165, 50, {.vx = -scroll_speed}); break;
    case 215: case 415: Spawn(THING_FIGHTER, 165, 120, {.vx = -scroll_speed, .param = 1}); break;
    case 235: case 435: Spawn(THING_PART_BOX, 165, 50); break;
    case 305: case 505: Spawn(THING_FIGHTER, 165, 80, {.vx = -scroll_speed, .param = 1}); break;
    case 335:
      Spawn(THING_PART_BOX, 165, 42);
      Spawn(THING_PART_BOX, 165, 58);
      break;
    default:
      if (EveryTicks(30, 650, 740)) Spawn(THING_FIGHTER, 165, -10);
      if (EveryTicks(30, 665, 755)) Spawn(THING_FIGHTER, 165, 110);
      break;
    case 795: Spawn(COMPOUND_CARRIER_LAUNCHERS, 165, 50); break;
    case 800:
      CreateGenerator(STATIC_METAL_SURFACE, 25, 7, 15, 5, 0);
      CreateGenerator(STATIC_METAL_SURFACE, 25, 7, 15, 95, 0);
      SetBarriers(165, 340);
      break;
    case 802: case 975:
      Spawn(THING_PART_VERT_2, 165, 11);
      Spawn(THING_PART_VERT_2, 165, 89);
      break;
    case 1000: Spawn(THING_FIGHTER_2, 165, 50); break;
    case 1200: case 1225: Spawn(THING_FIGHTER, 165, 24); break;
    case 1250:
      SetWorldShiftNow(50);
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 3. script_var_2: the bar of tick 70; script_handle: the wide platform hung on it at
// tick 71, from tick 950 the boss; script_var_3: the bar of tick 261.
int RunStage3() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      fog_end_target = 400.0f;
      CreateGenerator(STATIC_METAL_SURFACE, 25, 7, 15, 5, 0);
      CreateGenerator(STATIC_METAL_SURFACE, 25, 7, 15, 95, 0);
      SetBarriers(165, 340);
      SetWorldShiftNow(0);
      scroll_speed = 4;
      Spawn(THING_FIGHTER, 185, 55, {.vx = -5, .vy = -2});
      Spawn(THING_FIGHTER, 165, 70, {.vx = -5, .vy = -2});
      Spawn(THING_FIGHTER, 185, 85, {.vx = -5, .vy = -2});
      break;
    case 10: Spawn(THING_FIGHTER_2, 165, 70, {.param = 1}); break;
    case 70: script_var_2 = Spawn(THING_PART_HORZ_X2, 165, 30); break;
    case 71:
      // Hung 6 units above the bar's centre line: the spawn position becomes the offset.
      script_handle =
          Spawn(COMPOUND_WIDE_TURRET, 0, -6, {.vx = -4, .vy = 0, .timer = 1, .parent = ThingSlot(script_var_2)});
      break;
    case 140: Spawn(THING_PART_HORZ_X2, 165, 59); break;
    case 190:
      if (const int platform = ThingOfType(script_handle, THING_WIDE_PLATFORM); platform >= 0) {
        SetThing(platform, {.vx = -thing_vx[platform], .timer = 1});
      }
      break;
    case 210:
      Spawn(THING_PART_HORZ_X2, 165, 95, {.vy = -4});
      Spawn(THING_PART_HORZ_X2, 165, 170, {.vy = -4});
      break;
    case 260:
      Spawn(THING_PART_HORZ_X2, 165, -5, {.vy = 4});
      Spawn(COMPOUND_CEILING_TURRET, 165, 2, {.vx = 0, .vy = 4, .timer = 1});
      break;
    case 261: script_var_3 = Spawn(THING_PART_HORZ_X2, 165, -79, {.vy = 4}); break;
    case 270:
      if (const int platform = ThingOfType(script_handle, THING_WIDE_PLATFORM); platform >= 0) {
        SetThing(platform, {.vx = 0, .param = -1});
        CutLoose(platform);
      }
      break;
    case 280: SetThing(ThingOfType(script_handle, THING_WIDE_PLATFORM), {.vy = 4}); break;
    case 295:
      CreateGenerator(STATIC_METAL_SURFACE, 25, 19, 15, 5, 0);
      CreateGenerator(STATIC_METAL_SURFACE, 25, 19, 15, 95, 0);
      break;
    case 300: SetThing(ThingOfType(script_handle, THING_WIDE_PLATFORM), {.vy = -4}); break;
    case 305: SetBarriers(165, 615); break;
    case 330:
      Spawn(COMPOUND_FLOOR_TURRET, 0, -5, {.vx = 4, .vy = 0, .timer = 0, .parent = ThingSlot(script_var_3)});
      break;
    case 347: SetThing(ThingOfType(script_handle, THING_WIDE_PLATFORM), {.vy = 4}); break;
    case 360:  // the platform carries nothing any more
      SetThing(ThingOfType(script_handle, THING_WIDE_PLATFORM), {.param = script_handle});
      break;
    case 430: Spawn(THING_PART_VERT_2X2, 165, 50); break;
    case 450: Spawn(COMPOUND_CARRIER_LASERS, 165, 50); break;
    case 550: Spawn(THING_PART_HORZ, 165, 50); break;
    case 700: SetEveryThing({THING_FLOOR_PLATFORM, THING_WIDE_PLATFORM}, {.vx = -scroll_speed}); break;
    case 775: case 825: case 875: Spawn(THING_FIGHTER, 165, 60); break;
    case 800: case 850: case 900: Spawn(THING_FIGHTER, 165, 30); break;
    case 950: script_handle = Spawn(COMPOUND_BOSS_7, 165, 50); break;
    case 970:
      if (HoldWhile(RegisterIs(script_handle, THING_CORE_7), 960)) break;
      [[fallthrough]];  // the boss is gone: the stage ends here with the events of tick 1000
    case 1000:
      SetWorldShiftNow(50);
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}
