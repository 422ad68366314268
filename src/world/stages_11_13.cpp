// Stages 11 to 13: a long forest and cave stage with a day and night cycle, then two fast metal
// corridors, the first with a boss escorted by walls of posts, the second breaking up into
// wreckage once its boss is gone.
#include "world/collisions.h"
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

// ---- Stage 11 ------------------------------------------------------------------------------------

// Daylight: grey light, a blue-grey sky over a green horizon; the glow bug dims.
void Daylight() {
  key_light_target = {0.6f, 0.6f, 0.6f};
  fill_light_target = {0.3f, 0.3f, 0.3f};
  sky_color_target = {0.45f, 0.45f, 0.6f};
  fog_end_target = 300.0f;
  horizon_color_target = {0.25f, 0.5f, 0.25f};
  SetThing(ThingOfType(script_var_6, THING_GLOW_BUG), {.param = 0});
}

// Night in the cave, lit by a new glow bug.
void Night() {
  key_light_target = {0.2f, 0.35f, 0.3f};
  fill_light_target = {0.1f, 0.2f, 0.8f};
  sky_color_target = {0.1f, 0.1f, 0.4f};
  script_var_6 = Spawn(THING_GLOW_BUG, 365, 95);
}

// A branch to shoot, with its picture in the scenery behind it.
void Branch(float y) {
  Spawn(THING_TREE_BRANCH, 215, y);
  CreateStatic(STATIC_TREE_BRANCH, 215, y, 0);
}

// ---- Stages 12 and 13 ----------------------------------------------------------------------------

// The metal corridor: plates under the ceiling, turned plates and braces along the middle
// depth, plates on the floor.
void CorridorGenerators(int plates, int braces) {
  CreateGenerator(STATIC_METAL_SURFACE, 8, plates, 20, 5, 0);
  CreateGenerator(STATIC_METAL_SURFACE_TURNED, 8, plates, 20, 50, 35);
  CreateGenerator(STATIC_BRACE_1, 40, braces, 20, 50, 35);
  CreateGenerator(STATIC_METAL_SURFACE, 8, plates, 20, 95, 0);
}

// A post under the ceiling and one over the floor.
void CorridorPosts() {
  Spawn(THING_PART_VERT_2, 165, 13);
  Spawn(THING_PART_VERT_2, 165, 87);
}

// Stage 12's boss is the thing in script_handle.
int Boss12() { return ThingSlot(script_handle); }

// A fuse that lets a post entering at the spawn line live until it has passed the boss.
int FuseToBoss(int boss, int extra) { return static_cast<int>((165.0f - thing_x[boss]) / 4.0f) + extra; }

// The wall of posts that escorts stage 12's boss, built around its height. Without a slot in the
// register there is no boss to build it around.
void Boss12Wall() {
  const int boss = Boss12();
  if (boss < 0) return;
  const float by = thing_y[boss];
  Spawn(THING_PART_VERT_2X2, 165, by - 37);
  Spawn(THING_PART_VERT_2, 165, by - 15, {.fuse = FuseToBoss(boss, 7)});
  Spawn(THING_PART_VERT_2, 165, by + 15, {.fuse = FuseToBoss(boss, 6)});
  Spawn(THING_PART_VERT_2X2, 165, by + 38);
}

// Stage 12's three-way end check: a living boss gets its wall (from tick 1200 a post before it
// too); a dead one ends the stage, or, while the floor still reaches past the spawn line, cuts
// both barriers there and skips to the run-out at 1551.
int Boss12EndCheck() {
  if (RegisterIs(script_handle, THING_CORE_12)) {
    if (stage_tick >= 1200) {
      const int boss = Boss12();
      Spawn(THING_PART_VERT_2, 165, thing_y[boss], {.fuse = FuseToBoss(boss, 3)});
      Boss12Wall();
    }
    return STAGE_GOES_ON;
  }
  if (floor_x1 > 165.0f) {
    stage_tick = 1550;
    floor_x1 = ceiling_x1 = 165;
    return STAGE_GOES_ON;
  }
  return STAGE_OVER;
}

// A wreck piece's spins about y, then x: (-2..1) / `divisor` degrees a frame each. A piece that
// found no room gets no spins, and nothing is drawn for them.
void Tumble(int piece, float divisor) {
  if (StaticSlot(piece) < 0) return;
  const float spin_y = static_cast<float>(Rand() % 4 - 2) / divisor;
  const float spin_x = static_cast<float>(Rand() % 4 - 2) / divisor;
  SetStatic(piece, {.spin_y = spin_y, .spin_x = spin_x});
}

// The corridor breaks up once stage 13's boss is gone: the wall joints still to come burn out,
// and a brace and fifteen plates tumble in the depth.
void Wreckage13() {
  script_var_2 = 25;
  const int brace = PlaceStatic(STATIC_BRACE_1, 265, 50, 35);
  Tumble(brace, 6.0f);
  SetStatic(brace, {.rz = 45});
  // Each plate's depth is drawn as it is placed, then its two spins.
  for (int i = 0; i < 5; i++) {
    const float x = static_cast<float>(215 + 32 * i);
    Tumble(PlaceStatic(STATIC_METAL_SURFACE, x, 5, static_cast<float>(Rand() % 10)), 4.0f);
    Tumble(PlaceStatic(STATIC_METAL_SURFACE, x, 50, static_cast<float>(25 + Rand() % 20), {.rx = 90}), 4.0f);
    Tumble(PlaceStatic(STATIC_METAL_SURFACE, x, 95, static_cast<float>(Rand() % 10)), 4.0f);
  }
  fog_end_target = 400.0f;
  key_light_target = {0.9f, 0.8f, 0.7f};
}

}  // namespace

// Stage 11. script_var_6: the glow bug of ticks 725 and 1980.
int RunStage11() {
  if (stage_tick >= 1 && stage_tick <= 474 && phase_32 == 0)
    CreateStatic(STATIC_TREE, 280, GroundY(), static_cast<float>(10 + Rand() % 150));
  if (stage_tick >= 1501 && stage_tick <= 1799 && phase_32 == 0)
    CreateStatic(STATIC_TREE, 280, 95, static_cast<float>(5 + Rand() % 50));
  if (stage_tick >= 1701 && stage_tick <= 2599 && phase_64 == 15)
    CreateStatic(STATIC_ROCK_2, 280, 90, static_cast<float>(5 + Rand() % 50));

  switch (stage_tick) {
    case 0:
      backdrop_mesh = &mesh_sky_cloudy_02;
      CreateStatic(STATIC_CAVE_1, 820, GroundY(), 370);
      CreateStatic(STATIC_CAVE_2, 2150, GroundY(), 0);
      scroll_speed = 4;
      break;
    case 5:
      Spawn(THING_FIGHTER, 165, 35, {.param = 1});
      Spawn(THING_FIGHTER, 165, 65, {.param = 1});
      break;
    case 25: case 50: case 75: case 100: Spawn(THING_FIGHTER, 135, 100, {.vy = -3}); break;
    case 125: case 1600: case 2750: Daylight(); break;
    case 150:
      stars_color_target = {0.0f, 0.0f, 0.0f};
      key_light_target = {0.7f, 0.7f, 0.7f};
      Spawn(COMPOUND_PLATFORM_TREE_2, 90, GroundY());
      Spawn(COMPOUND_TREE_3, 135, GroundY());
      Spawn(COMPOUND_PLATFORM_TREE_1, 165, GroundY());
      world_shift_target = 0;
      floor_x0 = -140;
      floor_x1 = 2665;
      break;
    default:
      if (EveryTicks(20, 210, 290)) Spawn(THING_FIGHTER, 165, 10, {.vx = -5});
      break;
    case 225: case 280: case 310: case 375: case 475: case 1150: case 1265: case 1450: case 1625:
      Spawn(THING_TREE_TRUNK, 165, 95);
      break;
    case 245: case 555: case 835: case 1770: Spawn(COMPOUND_TREE_2, 165, 95); break;
    case 300:
      Spawn(THING_FIGHTER_2, 165, 30, {.param = 1});
      Spawn(THING_FIGHTER_2, 165, 60, {.param = 1});
      break;
    case 400: Spawn(COMPOUND_FLOOR_TURRETS, 165, 80, {.timer = 3}); break;
    case 465: case 485: case 505: Spawn(THING_FIGHTER, 165, 20, {.vy = 2}); break;
    case 620: case 1925:
      ceiling_x0 = 165;
      ceiling_x1 = 1165;
      break;
    case 655:
      CreateGenerator(STATIC_CAVE_SURFACE_1, 25, 35, 50, 5, 0);
      CreateGenerator(STATIC_CAVE_SURFACE_2, 25, 73, 50, 50, 70);
      Spawn(COMPOUND_CEILING_TURRETS, 225, 10);
      Spawn(COMPOUND_PLATFORM_TREE_3, 215, 95);
      break;
    case 725: case 1980: Night(); break;
    case 750: Branch(30); break;
    case 830: Branch(40); break;
    case 865: Branch(25); break;
    case 950: Branch(60); break;
    case 1250: case 1290: case 1330: Branch(50); break;
    case 1950: Branch(65); break;
    case 825: case 850: case 875: Spawn(THING_FIGHTER, 165, 50, {.vx = -5}); break;
    case 879: Spawn(COMPOUND_CEILING_TURRETS, 165, 52, {.vx = 1, .timer = 1}); break;
    case 920: Spawn(COMPOUND_CARRIER_LASERS, 165, 70); break;
    case 990: Spawn(COMPOUND_FLOOR_TURRETS, 165, 50, {.vx = 1}); break;
    case 1050: case 1410: Spawn(COMPOUND_PLATFORM_TREE_3, 165, 95); break;
    case 1140: Spawn(COMPOUND_FLOOR_SPAWNER, 165, 80, {.timer = 1}); break;
    case 1160: Spawn(COMPOUND_FLOOR_TURRET, 165, 80, {.timer = 1}); break;
    case 1285: Spawn(COMPOUND_CEILING_TURRET, 165, 65, {.vx = 1}); break;
    case 1305: Spawn(COMPOUND_PLATFORM_TREE_2, 165, 50); break;
    case 1341: Spawn(COMPOUND_FLOOR_TURRET, 165, 37); break;
    case 1375: Spawn(COMPOUND_CEILING_TURRET, 165, 10, {.timer = 0}); break;
    case 1381: Spawn(COMPOUND_FLOOR_TURRET, 165, 35, {.vx = 1, .timer = 1}); break;
    case 1500: backdrop_mesh = &mesh_sky_sunset_01; break;
    case 1525: Spawn(COMPOUND_CARRIER_MISSILES, 165, 25); break;
    case 1590: case 2445: SetEveryThing({THING_CEILING_PLATFORM}, {.vx = -scroll_speed, .timer = 0}); break;
    case 1640:
      Spawn(THING_FIGHTER, 165, 30, {.param = 1});
      Spawn(THING_FIGHTER, 165, 60, {.param = 1});
      break;
    case 1690: Spawn(THING_FIGHTER, 165, 50, {.param = 1}); break;
    case 1745: Spawn(COMPOUND_CARRIER_LASERS, 165, -25); break;
    case 1760: case 1780: case 1800: case 2820: case 2850: case 2880:
      Spawn(THING_FIGHTER, 135, -10, {.vy = 3});
      break;
    case 1785: Spawn(COMPOUND_WIDE_TURRET, 165, 80, {.timer = 1}); break;
    case 1820: Spawn(COMPOUND_TREE_5, 165, 95); break;
    case 1875: Spawn(COMPOUND_TREE_3, 165, 95); break;
    case 1960: CreateGenerator(STATIC_CAVE_SURFACE_1, 25, 21, 50, 5, 0); break;
    case 2005:
      Spawn(COMPOUND_PLATFORM_TREE_2, 165, 70);
      // It rides 3 left of and 10 above the tree's crown, the tree's last part.
      Spawn(THING_SPAWNER, -3, -10,
            {.vx = 0, .param = COMPOUND_CEILING_TURRET, .fire_interval = 20, .parent = thing_last, .aim_y = -4.0f});
      break;
    case 2100: Spawn(COMPOUND_PLATFORM_TREE_3, 165, 95); break;
    case 2150: case 2250: Spawn(THING_FIGHTER, 165, 25, {.vy = 1, .param = 1}); break;
    case 2160: Spawn(COMPOUND_TREE_1, 165, 95); break;
    case 2200: case 2300: Spawn(THING_FIGHTER, 165, 65, {.vy = -1, .param = 1}); break;
    case 2375: case 2900: case 2975: Spawn(THING_FIGHTER_2, 165, 50, {.vx = -4}); break;
    case 2390: Spawn(COMPOUND_BOSS_4, 215, 50); break;
    case 2460: Spawn(THING_TREE_TRUNK, 165, 15); break;
    case 2465:
      ceiling_x1 = 465;
      floor_x1 = 1165;
      CreateGenerator(STATIC_CAVE_SURFACE_1, 25, 8, 50, 5, 0);
      CreateGenerator(STATIC_CAVE_SURFACE_2, 25, 8, 50, 50, 70);
      break;
    case 2560: Spawn(THING_TREE_TRUNK, 165, 95); break;
    case 2650: HoldWhile(AnyBossCore(), 2450); break;
    case 2655:
      SetThing(ThingSlot(script_var_6), {.param = 0});  // whatever holds the slot now
      CreateStatic(STATIC_CAVE_1, 240, 95, 370);
      ceiling_x1 = 265;
      break;
    case 2755:
      backdrop_mesh = &mesh_sky_clear_01;
      sky_color_target = {0.35f, 0.35f, 0.6f};
      break;
    case 2760:
      Spawn(COMPOUND_PLATFORM_TREE_2, 165, 95);
      Spawn(COMPOUND_TREE_2, 205, 95);
      Spawn(COMPOUND_TREE_3, 245, 95);
      Spawn(COMPOUND_TREE_1, 290, 95);
      Spawn(THING_TREE_TRUNK, 495, 95);
      Spawn(COMPOUND_TREE_1, 510, 95);
      break;
    case 3115: case 3130: case 3145: Spawn(THING_FIGHTER, 165, -10, {.vy = -3}); break;
    case 3150: FadeToTheEnd(); break;
    case 3250:
      ClearStatics();
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 12. script_handle: the boss from tick 500.
int RunStage12() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      scroll_speed = 6;
      floor_x0 = ceiling_x0 = 465;
      floor_x1 = ceiling_x1 = 1565;
      fog_end_target = 200.0f;
      [[fallthrough]];  // the first pair of fighters comes with the environment
    case 30: case 60:
      Spawn(THING_FIGHTER, 55, -5, {.vx = 1, .vy = 2, .fuse = 450});
      Spawn(THING_FIGHTER, 85, 105, {.vx = 1, .vy = -2, .fuse = 450});
      break;
    case 95: CorridorGenerators(46, 10); break;
    case 100:
      Spawn(THING_FIGHTER_2, 165, 30);
      Spawn(THING_FIGHTER_2, 205, 70);
      break;
    default:
      if (EveryTicks(50, 150, 450)) CorridorPosts();
      if (EveryTicks(25, 830, 1005)) Boss12Wall();
      if (EveryTicks(25, 1200, 1325)) return Boss12EndCheck();
      break;
    case 755: case 780: case 805: CorridorPosts(); break;
    case 203: case 303: case 403:
      Spawn(THING_SPAWNER, 165, 15, {.fire_interval = 12, .aim_x = 2.0f, .aim_y = 2.0f});
      Spawn(THING_SPAWNER, 165, 85, {.fire_timer = 11, .fire_interval = 12, .aim_x = 2.0f, .aim_y = -2.0f});
      break;
    case 470: case 480: case 490: SetEveryThing({THING_FIGHTER}, {.vx_by = -2}); break;
    case 500:
      script_handle = Spawn(COMPOUND_BOSS_12, 60, 130, {.vx = -1, .vy = -2});
      key_light_target = {0.6f, 0.4f, 0.4f};
      break;
    case 695: return Boss12EndCheck();
    case 700:
      floor_x0 = ceiling_x0 = 190;
      floor_x1 = ceiling_x1 = 1965;
      CorridorGenerators(91, 18);
      break;
    case 725: case 1330: SetThing(Boss12(), {.vx = 0}); break;
    case 775: case 890: case 1030: case 1180: SetThing(Boss12(), {.vy = 0}); break;
    case 785: case 1035: SetThing(Boss12(), {.vy = 1}); break;
    case 900: case 1190: SetThing(Boss12(), {.vy = -1}); break;
    case 1045: case 1100: SetThing(Boss12(), {.vx_by = 1}); break;
    case 1050: Spawn(COMPOUND_BAR_POST_BELOW, 165, 59, {.fuse = 45}); break;
    case 1120: Spawn(COMPOUND_BAR_POST_ABOVE, 165, 41, {.fuse = 37}); break;
    case 1228: case 1259: case 1303:
      if (const int turret = FirstThingOf(THING_TURRET); turret >= 0) DestroyThing(turret);
      break;
    case 1310: SetThing(Boss12(), {.param = 1}); break;
    case 1428:
      floor_x1 = ceiling_x1 = 435;
      CorridorGenerators(13, 2);
      break;
    case 1507: HoldWhile(RegisterOccupied(script_handle), 1403); break;
    case 1600: return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}

// Stage 13. script_handle: the boss from tick 92; script_var_2: the fuse of the wall joints, 0
// until the boss is gone, then 25.
int RunStage13() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      backdrop_mesh = nullptr;
      script_var_2 = 0;
      scroll_speed = 6;
      SetWorldShiftNow(0);
      fog_end_target = 200.0f;
      break;
    case 5: case 45: Spawn(COMPOUND_FIGHTER_TURRET, 150, 30); break;
    case 10: key_light_target = {0.7f, 0.6f, 0.6f}; break;
    case 25: case 65: Spawn(COMPOUND_FIGHTER_TURRET, 150, 70); break;
    case 75: Spawn(THING_FIGHTER_2, 150, 50); break;
    case 92: script_handle = Spawn(COMPOUND_BOSS_0, 235, 50); break;
    case 98:
      floor_x1 = ceiling_x1 = 435;
      CorridorGenerators(13, 2);
      break;
    case 100: case 200: Spawn(THING_PART_VERT, 185, 8, {.fuse = script_var_2}); break;
    case 150: case 250: Spawn(THING_PART_VERT, 185, 92, {.fuse = script_var_2}); break;
    case 197:
      if (HoldWhile(RegisterIs(script_handle, THING_CORE_0), 93)) break;
      Wreckage13();
      break;
    case 240: case 260: case 280:
      PlaySoundSlot(&snd_explosion_04, 30000 + Rand() % 50000, 0, 0, 0);
      break;
    case 400:
      SetWorldShiftNow(50);
      return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}
