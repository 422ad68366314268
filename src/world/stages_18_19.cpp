// Stage 18, the test stage: an endless loop of a laser carrier and a tree trunk over a forest.
// Stage 19, the title scene behind the menus: five turning ark rings, a camera flight past them,
// the rings opening to let a ship out and sliding away, then the ground running for ever. It
// animates the title values the title renderer draws from and places the camera itself.
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

constexpr int TITLE_SECOND_PHASE = 550;  // the camera starts to orbit the middle ring
constexpr int TITLE_THIRD_PHASE = 1100;  // the ship is out; the camera settles over the ground
// Where the rings stop sliding: reached as the camera settles (tick 1200), with the last row then
// some 480 units left of where the settled camera looks and so off any screen. Sliding on would
// only run the offset toward an overflow on a long idle.
constexpr int TITLE_SLIDE_END = -600;

// One static of a ring row, turning about x at the rings' rate. script_var_2 keeps each one
// while it is set up.
void RingStatic(int type, float x) {
  script_var_2 = PlaceStatic(type, x, 50, 0, {.spin_x = title_ring_spin_rate});
}

// Tick 0 of the title scene: a dim, still world with its colours set at once, the title values,
// and the ark: a base and five rows of a pad and a hull, the middle row's pad kept in
// script_handle.
void BuildTitleScene() {
  backdrop_mesh = nullptr;
  scroll_speed = 0;

  key_light_color = {0.1f, 0.1f, 0.1f};
  key_light_target = {0.3f, 0.3f, 0.3f};
  fill_light_color = {0.0f, 0.0f, 0.0f};
  fill_light_target = {0.1f, 0.1f, 0.1f};
  sky_color = sky_color_target = {0.0f, 0.0f, 0.0f};
  horizon_color = horizon_color_target = {0.0f, 0.0f, 0.0f};
  stars_color = stars_color_target = {1.0f, 1.0f, 1.0f};
  fog_end = fog_end_target = 300.0f;

  SetLightColor(LIGHT_KEY, key_light_color.r, key_light_color.g, key_light_color.b);
  SetLightColor(LIGHT_FILL, fill_light_color.r, fill_light_color.g, fill_light_color.b);
  SetFogColor(PackDeviceColor(sky_color.r, sky_color.g, sky_color.b));
  SetFogEnd(fog_end);

  script_var_3 = 0;
  ark_radius = 35.0f;
  title_lift_angle = 10.0f;
  title_camera_a = 110.0f;
  title_camera_b = 60.0f;
  title_ring_spin = 0.0f;
  title_ring_spin_rate = 0.2f;
  title_sling_x = -3.0f;
  title_outer_ring_spin = 0.0f;

  float x = 14.0f;
  CreateStatic(STATIC_ARK_BASE, x, 50, 0);
  for (; static_cast<int>(x) < 40; x += 44) {
    RingStatic(STATIC_ARK_RING_PAD, x);
    RingStatic(STATIC_ARK_RING_HULL, x);
  }
  // The middle pad's spin follows the slowing rate every frame.
  script_handle = CreateStatic(STATIC_ARK_RING_PAD, x, 50, 0);
  RingStatic(STATIC_ARK_RING_HULL, x);
  for (x += 44; x < 200.0f; x += 44) {
    RingStatic(STATIC_ARK_RING_PAD, x);
    RingStatic(STATIC_ARK_RING_HULL, x);
  }
}

// Before tick 550: the camera drifts left and tilts down past the rings while the middle ring
// slows.
void TitleFlyPast() {
  SetCameraLook(title_camera_a, 79, -10, 55, title_camera_b, 0);
  SetStatic(StaticSlot(script_handle), {.spin_x = title_ring_spin_rate});
  title_camera_a -= 0.1f;
  title_camera_b += 0.04f;
  title_ring_spin += title_ring_spin_rate;
  if (title_ring_spin_rate > 0.0f) title_ring_spin_rate -= 0.0002f;
}

// From tick 550: the launch spoke opens and swings its sling, and later the rings slide away
// until they are out of sight.
void TitleOpenRings() {
  if (stage_tick <= 749) {
    ark_radius -= 0.03f;
    title_lift_angle += 0.15f;
  }
  if (stage_tick >= 750 && stage_tick <= 889) title_sling_x += 0.1f;
  if (stage_tick > 1000 && script_var_3 > TITLE_SLIDE_END) script_var_3 -= 3;
}

// Ticks 550 to 1099: the camera orbits the middle ring, faster once the ground moves.
void TitleOrbit() {
  SetCameraOrbit(title_camera_a, 0, 15, 55, 76, 0);
  title_camera_a += stage_tick < 1000 ? 0.5f : 2.0f;
}

// From tick 1100: the camera swings in 100 frames from above and behind to low in front,
// looking along the depth at the field's middle, and stays there.
void TitleSettle() {
  const float v = static_cast<float>(script_var_6);
  SetCameraLook(70 + v, 54 - v, 2 * v - 100, 70 - v, 54, 0);
  if (script_var_6 > 0) script_var_6 -= 1;
}

}  // namespace

// Stage 18: no registers. It never ends.
int RunStage18() {
  if (phase_32 == 0) CreateStatic(STATIC_TREE, 280, GroundY(), static_cast<float>(10 + Rand() % 300));

  switch (stage_tick) {
    case 0:
      backdrop_mesh = &mesh_sky_clear_01;
      key_light_target = {0.6f, 0.6f, 0.6f};
      fill_light_target = {0.4f, 0.4f, 0.4f};
      sky_color_target = {0.5f, 0.5f, 0.8f};
      horizon_color_target = {0.3f, 0.6f, 0.1f};
      fog_end_target = 400.0f;
      stars_color_target = {0.0f, 0.0f, 0.0f};
      scroll_speed = 4;
      floor_x0 = -140;
      floor_x1 = 365;
      world_shift_target = 0;
      break;
    case 10: Spawn(COMPOUND_CARRIER_LASERS_4, 165, static_cast<float>(20 + Rand() % 55)); break;
    case 50: Spawn(THING_TREE_TRUNK, static_cast<float>(165 + Rand() % 50), GroundY()); break;
    case 125: HoldWhile(true, 0); break;  // round again, without tick 0's environment
  }
  return STAGE_GOES_ON;
}

// Stage 19, the title scene. script_handle: the middle ring pad static; script_var_3: the x
// offset of the ring rows; script_var_6: the last camera move's countdown. It never ends.
int RunStage19() {
  if (stage_tick > 800) SpawnDriftDebris();

  switch (stage_tick) {
    case 0: BuildTitleScene(); break;
    case TITLE_SECOND_PHASE:
      SetStatic(StaticSlot(script_handle), {.rx = 0, .spin_x = 0});  // the middle pad stops upright
      title_camera_a = 70;                                             // from now the orbit angle
      title_ring_spin = 90;
      break;
    case 1000:
      scroll_speed = 6;
      key_light_target = {0.8f, 0.8f, 0.8f};
      fill_light_target = {0.0f, 0.0f, 0.0f};
      break;
    case TITLE_THIRD_PHASE:
      // The ship that takes over from the launch ship the title renderer draws; not the player's.
      Spawn(THING_PLAYER, 10, 50);
      script_var_6 = 100;
      break;
    case 8000: HoldWhile(true, 7000); break;  // idles on ticks 7001 to 8000 for ever
  }

  title_outer_ring_spin += 0.2f;
  if (stage_tick < TITLE_SECOND_PHASE) {
    TitleFlyPast();
    return STAGE_GOES_ON;
  }
  TitleOpenRings();
  if (stage_tick < TITLE_THIRD_PHASE)
    TitleOrbit();
  else
    TitleSettle();
  return STAGE_GOES_ON;
}
