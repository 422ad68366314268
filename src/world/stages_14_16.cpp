// Stages 14 to 16: a forest over a ground that rises and sinks with the world, a corridor of
// blocks, bars and moving bar posts, and a short stage whose boss stands on the ground from the
// first frame.
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

// Two posts of the corridor's middle.
void MiddlePosts() {
  Spawn(THING_PART_VERT_2, 165, 42);
  Spawn(THING_PART_VERT_2, 165, 58);
}

// Two posts near the barriers.
void OuterPosts() {
  Spawn(THING_PART_VERT_2, 165, 12);
  Spawn(THING_PART_VERT_2, 165, 88);
}

// A background static far out on the ground, its depth drawn before its x.
void FarOnTheGround(int type) {
  const int z = 20 + Rand() % 200;
  const int x = 280 + Rand() % 140;
  CreateStatic(type, static_cast<float>(x), GroundY(), static_cast<float>(z));
}

}  // namespace

// Stage 14. script_handle: the floor platform compound of tick 1281.
int RunStage14() {
  if (phase_16 == 0) CreateStatic(STATIC_TREE, 280, GroundY(), static_cast<float>(10 + Rand() % 200));
  if (stage_tick >= 301 && stage_tick <= 999 && phase_32 == 0)
    CreateStatic(STATIC_TREE, 560, GroundY(), static_cast<float>(215 + Rand() % 200));

  switch (stage_tick) {
    case 0:
      scroll_speed = 4;
      backdrop_mesh = &mesh_sky_cloudy_02;
      fog_end_target = 500.0f;
      stars_color_target = {0.0f, 0.0f, 0.0f};
      key_light_target = {0.8f, 0.8f, 0.8f};
      fill_light_target = {0.0f, 0.0f, 0.0f};
      sky_color_target.g = 0.7f;  // red and blue follow at tick 20
      horizon_color_target = {0.4f, 0.25f, 0.0f};
      break;
    case 20:
      sky_color_target.r = sky_color_target.b = 0.6f;
      floor_x0 = -140;
      floor_x1 = 1665;
      world_shift_target = 0;
      Spawn(COMPOUND_TREE_3, 75, GroundY());
      Spawn(COMPOUND_TREE_1, 105, GroundY());
      Spawn(COMPOUND_TREE_2, 125, GroundY());
      Spawn(COMPOUND_TREE_4, 190, GroundY());
      break;
    case 60: Spawn(COMPOUND_CARRIER_MISSILES, 165, 70); break;
    case 100: case 300: case 410: case 750: case 1500: Spawn(COMPOUND_TREE_1, 165, 95); break;
    case 140: case 380: case 450: case 830: Spawn(COMPOUND_TREE_2, 165, 95); break;
    case 200: Spawn(THING_FIGHTER, 165, 50); break;
    case 220: Spawn(THING_FIGHTER_2, 165, 30); break;
    case 225: case 370: case 635: Spawn(COMPOUND_TREE_3, 165, 95); break;
    case 250: Spawn(THING_FIGHTER, 165, 60); break;
    case 265: Spawn(THING_FIGHTER, 165, 70); break;
    case 280: Spawn(THING_FIGHTER_2, 165, 40); break;
    case 290: case 480: Spawn(COMPOUND_FLOOR_TURRET, 165, 82); break;
    case 330: case 780: Spawn(COMPOUND_TREE_4, 165, 95); break;
    case 400: Spawn(THING_FIGHTER, 165, 40); break;
    case 420: Spawn(THING_FIGHTER, 165, 60); break;
    case 470: Spawn(THING_FIGHTER, 165, 75); break;
    case 500: Spawn(COMPOUND_CARRIER_MISSILES, 165, 50); break;
    case 560: Spawn(THING_FIGHTER_2, 165, 50); break;
    case 650: case 1525: Spawn(COMPOUND_TREE_5, 165, 95); break;
    case 700: Spawn(COMPOUND_WIDE_SPAWNER_TURRET, 165, 95); break;
    case 800: Spawn(COMPOUND_WIDE_TURRET_CANNON, 165, 95); break;
    case 950: Spawn(COMPOUND_TREE_1 + Rand() % 2, 165, 95); break;  // the first or second tree
    case 1025:
      floor_x1 = 1165;
      HoldWhile(AnyThingOf(THING_TURRET_2), 835);
      break;
    case 1030:
      Spawn(COMPOUND_TREE_2, 165, 95);
      Spawn(COMPOUND_PLATFORM_TREE_3, 200, 95);
      Spawn(COMPOUND_TREE_4, 225, 95);
      break;
    case 1070: world_shift_target = 25; break;
    case 1075: Spawn(THING_FIGHTER_2, 165, 45); break;
    case 1100: Spawn(THING_FIGHTER, 165, 45, {.vx = -1}); break;
    case 1135: Spawn(COMPOUND_CARRIER_LASERS, 165, 90); break;
    case 1175: case 1250: Spawn(COMPOUND_TREE_1, 165, 103); break;
    case 1180: Spawn(THING_FIGHTER, 165, 25, {.vy = 2}); break;
    case 1190: Spawn(THING_TREE_TOP, 165, 100); break;
    case 1210: Spawn(THING_FIGHTER, 165, 30, {.vy = 2}); break;
    case 1220: Spawn(COMPOUND_PLATFORM_TREE_1, 165, 103); break;
    case 1221: Spawn(COMPOUND_FLOOR_TURRETS, 165, 80); break;
    case 1280: Spawn(COMPOUND_PLATFORM_TREE_3, 165, 103); break;
    case 1281: script_handle = Spawn(COMPOUND_FLOOR_TURRETS, 165, 60, {.timer = 1}); break;
    case 1335: Spawn(COMPOUND_PLATFORM_TREE_3, 165, 123); break;
    case 1350: SetThing(ThingOfType(script_handle, THING_FLOOR_PLATFORM), {.timer = 4}); break;
    case 1450:
      sky_color_target = {0.25f, 0.25f, 0.5f};
      horizon_color_target = {0.3f, 0.5f, 0.3f};
      fog_end_target = 300.0f;
      break;
    case 1460: world_shift_target = 0; break;
    case 1470: Spawn(COMPOUND_TREE_2, 165, GroundY()); break;
    case 1520: Spawn(THING_FIGHTER_2, 165, 30, {.vy = -2}); break;
    case 1550: Spawn(THING_FIGHTER, 165, 60, {.vy = -2}); break;
    case 1575: Spawn(THING_FIGHTER, 165, 65, {.vy = -2}); break;
    case 1600: Spawn(THING_FIGHTER, 165, 70, {.vy = -2}); break;
    case 1650: Spawn(COMPOUND_CARRIER_LASERS_4, 265, 40, {.vx = -2, .param = 1}); break;
    case 1670: Spawn(COMPOUND_CARRIER_TURRETS, 315, 15, {.vx = -2, .param = 1}); break;
    case 1675: Spawn(COMPOUND_BOSS_9, 195, 81); break;
    case 1800:
      floor_x1 = 365;
      if (HoldWhile(AnyThingOf(THING_CORE_9) || AnyThingOf(THING_CARRIER), 1705)) Spawn(THING_TREE_TRUNK, 165, 95);
      break;
    case 1810:
      Spawn(COMPOUND_TREE_1, 165, 95);
      Spawn(COMPOUND_TREE_2, 185, 95);
      Spawn(COMPOUND_TREE_1, 205, 95);
      Spawn(COMPOUND_TREE_1, 245, 95);
      break;
    case 1850: FadeToTheEnd(); break;
    case 1950: case 1970: case 1990: Spawn(THING_FIGHTER, 165, 25); break;
    case 2000:
      ClearStatics();
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 15. script_handle and script_var_2: the two fighters of tick 150, then the ceiling and
// wide platform compounds of ticks 250 and 255, then the bar posts of tick 655; script_var_2
// also the speed code drawn at tick 505; script_var_3: the carrier of tick 260; script_handle
// from tick 1100 the boss.
int RunStage15() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      scroll_speed = 4;
      SetWorldShiftNow(0);
      fog_end_target = 400.0f;
      CreateGenerator(STATIC_BRACE_2, 25, 16, 110, 50, 0);
      CreateGenerator(STATIC_BRACE_2, 25, 16, 110, 50, 65);
      break;
    case 5: case 35: case 65: Spawn(THING_FIGHTER, 165, 35, {.vy = -2}); break;
    case 20: case 50: case 80: Spawn(THING_FIGHTER, 165, 55, {.vy = 2}); break;
    case 99: case 740: SetBarriers(165, 565); break;
    case 100: case 400:
      Spawn(THING_METAL_BLOCK, 165, 30);
      Spawn(THING_METAL_BLOCK, 165, 70);
      break;
    case 140: case 1360: Spawn(THING_FIGHTER_2, 165, 50, {.vx = -4}); break;
    case 150:
      script_handle = Spawn(THING_FIGHTER, 165, 9, {.vx = -4, .param = 1});
      script_var_2 = Spawn(THING_FIGHTER, 165, 91, {.vx = -4, .param = 1});
      break;
    case 235:
      OuterPosts();
      [[fallthrough]];  // then the middle posts of tick 170
    case 170: MiddlePosts(); break;
    case 180:
      SetThing(ThingOfType(script_handle, THING_FIGHTER), {.vx = -5});
      SetThing(ThingOfType(script_var_2, THING_FIGHTER), {.vx = -5});
      break;
    case 190: case 320: case 555: Spawn(THING_PART_HORZ_X2, 165, 50); break;
    case 200:
      Spawn(COMPOUND_FLOOR_TURRET, 165, 40, {.vx = 2});
      Spawn(COMPOUND_CEILING_TURRET, 165, 60, {.vx = 1});
      break;
    case 240:
      Spawn(THING_FIGHTER, 165, 25, {.vx = -5, .param = 1});
      Spawn(THING_FIGHTER, 165, 75, {.vx = -5, .param = 1});
      break;
    case 250: script_handle = Spawn(COMPOUND_CEILING_TURRETS, 165, 5, {.timer = 1}); break;
    case 255: script_var_2 = Spawn(COMPOUND_WIDE_TURRET, 165, 95, {.timer = 1}); break;
    case 260: script_var_3 = Spawn(COMPOUND_CARRIER_MISSILES, 165, 50, {.vx = -4}); break;
    case 300: case 325: Spawn(THING_FIGHTER, 165, 30); break;
    case 470: SetThing(ThingOfType(script_var_3, THING_CARRIER), {.vx = -4}); break;
    case 475: SetThing(ThingOfType(script_var_2, THING_WIDE_PLATFORM), {.vx = -4}); break;
    case 490: case 1000: OuterPosts(); break;
    case 505:
      script_var_2 = Rand() % 2 == 0 ? -4 : 4;  // one vertical code for all three
      Spawn(COMPOUND_BAR_POST_ABOVE, 165, 30, {.vy = script_var_2, .param = 1});
      Spawn(COMPOUND_BAR_POST_BELOW, 165, 70, {.vy = script_var_2, .param = 1});
      Spawn(COMPOUND_FLOOR_TURRET, 165, 73, {.vx = 1, .vy = script_var_2});
      break;
    case 530: SetThing(ThingOfType(script_handle, THING_CEILING_PLATFORM), {.vx = -4}); break;
    case 630:
      Spawn(THING_PART_HORZ, 165, 5);
      Spawn(THING_PART_HORZ, 165, 35);
      Spawn(THING_PART_HORZ, 165, 65);
      Spawn(THING_PART_HORZ, 165, 95);
      break;
    case 640: case 660: Spawn(THING_FIGHTER, 165, 50); break;
    case 654: case 1090: case 1370:
      SetEveryThing({THING_CEILING_PLATFORM, THING_FLOOR_PLATFORM}, {.vx = -4, .timer = 0});
      break;
    case 655:
      script_handle = Spawn(COMPOUND_BAR_POST_ABOVE, 165, 5);
      script_var_2 = Spawn(COMPOUND_BAR_POST_BELOW, 165, 95);
      Spawn(COMPOUND_CEILING_TURRET, 165, 13, {.vx = 1});
      Spawn(COMPOUND_FLOOR_TURRET, 165, 87, {.vx = 1});
      break;
    case 700: CreateGenerator(STATIC_BRACE_2, 25, 19, 40, 50, 0); break;
    case 704:
      Spawn(THING_PART_HORZ, 165, 35, {.box_y0 = -10});
      Spawn(THING_PART_HORZ, 165, 65, {.box_y1 = 10});
      break;
    case 750:  // the two posts close in
      SetThing(ThingSlot(script_handle), {.vy = 4});
      SetThing(ThingSlot(script_var_2), {.vy = -4});
      break;
    case 780:
      SetThing(ThingSlot(script_handle), {.vy = 0});
      SetThing(ThingSlot(script_var_2), {.vy = 0});
      break;
    case 800:
      Spawn(THING_PART_HORZ, 165, 20);
      Spawn(THING_PART_HORZ, 165, 35);
      Spawn(THING_PART_HORZ, 165, 50);
      Spawn(THING_PART_HORZ, 165, 65);
      Spawn(THING_PART_HORZ, 165, 80);
      break;
    case 830: Spawn(COMPOUND_CARRIER_LASERS_4, 165, 50); break;
    case 920:
      Spawn(THING_METAL_BLOCK, 165, 50);
      ceiling_x1 += 200;
      floor_x1 += 200;
      break;
    case 1100: script_handle = Spawn(COMPOUND_BOSS_11, 195, 50); break;
    case 1165:
      floor_x1 = ceiling_x1 = 465;
      CreateGenerator(STATIC_BRACE_2, 25, 8, 51, 50, 0);
      break;
    case 1350: HoldWhile(RegisterOccupied(script_handle), 1150); break;
    case 1450:
      SetWorldShiftNow(50);
      fog_end_target = 80.0f;
      Spawn(COMPOUND_CARRIER_TURRETS, 165, 50);
      break;
    case 1600: return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 16. script_handle: the boss, on the field from tick 0.
int RunStage16() {
  if (stage_tick < 1600 && phase_64 == 0) {
    FarOnTheGround(STATIC_ROCK_1);
    FarOnTheGround(STATIC_TREE);
  }

  switch (stage_tick) {
    case 0:
      backdrop_mesh = &mesh_sky_cloudy_01;
      key_light_target = {0.7f, 0.7f, 0.7f};
      fill_light_target = {0.4f, 0.0f, 0.0f};
      sky_color_target = {0.6f, 0.2f, 0.0f};
      horizon_color_target = {0.5f, 0.45f, 0.2f};
      fog_end_target = 300.0f;
      world_shift_target = 0;
      stars_color_target = {0.0f, 0.0f, 0.0f};
      scroll_speed = 4;
      floor_x0 = -140;
      floor_x1 = 2165;
      Spawn(THING_TREE_TRUNK, 150, GroundY());
      Spawn(COMPOUND_FLOOR_TURRET, 115, GroundY(), {.vx = -2, .timer = 0});
      script_handle = Spawn(COMPOUND_BOSS_15, 125, 84 + static_cast<float>(world_shift), {.vx = 5});
      break;
    default:
      if (EveryTicks(20, 40, 120)) Spawn(COMPOUND_FIGHTER_TURRET, 165, 25);
      break;
    case 50: Spawn(COMPOUND_FLOOR_TURRETS, 165, 95, {.vx = -2, .timer = 0}); break;
    // From here the boss paces by its own rule until the stage sends it left at 270.
    case 55: SetThing(ThingSlot(script_handle), {.vx = 0}); break;
    case 140: case 220: case 300: Spawn(THING_TREE_TRUNK, 165, 95); break;
    case 270: SetThing(ThingSlot(script_handle), {.vx = -2}); break;
    case 350:
      floor_x1 = 665;
      HoldWhile(RegisterIs(script_handle, THING_CORE_15), 275);
      break;
    case 375: FadeToTheEnd(); break;
    case 500:
      ClearStatics();
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}
