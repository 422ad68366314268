#include "engine/world_render.h"

#include <initializer_list>

#include "engine/console.h"
#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/frontend.h"
#include "engine/lights.h"
#include "engine/render.h"
#include "world/game.h"
#include "world/player.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_script.h"
#include "world/structures.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

// ---- Statics ------------------------------------------------------------------------------------

struct StaticModel {
  int type;
  MeshSlot* mesh;
};

// type                                  mesh
const StaticModel static_models[] = {
    {STATIC_TREE,                 &mesh_static_tree_01},
    {STATIC_ROCK_1,               &mesh_rock_01},
    {STATIC_ROCK_2,               &mesh_rock_02},
    {STATIC_ROCK_3,               &mesh_rock_03},
    {STATIC_METAL_SURFACE,        &mesh_surface_metal_01},
    {STATIC_METAL_SURFACE_TURNED, &mesh_surface_metal_01},
    {STATIC_BRACE_1,              &mesh_part_brace_01},
    {STATIC_BRACE_2,              &mesh_part_brace_02},
    {STATIC_CAVE_SURFACE_1,       &mesh_surface_cave_01},
    {STATIC_CAVE_SURFACE_2,       &mesh_surface_cave_02},
    {STATIC_CAVE_1,               &mesh_cave_01},
    {STATIC_CAVE_2,               &mesh_cave_02},
    {STATIC_ARK_BASE,             &mesh_ark_base_01},
    {STATIC_ARK_RING_HULL,        &mesh_ark_ring_hull_01},
    {STATIC_ARK_RING_PAD,         &mesh_ark_ring_pad_01},
    {STATIC_ARK_LIFT_1,           &mesh_ark_lift_01},
    {STATIC_ARK_LIFT_2,           &mesh_ark_lift_02},
    {STATIC_ARK_SLING_1,          &mesh_ark_sling_01},
    {STATIC_ARK_SLING_2,          &mesh_ark_sling_02},
    {STATIC_ARK_PART_PAD,         &mesh_ark_part_pad_01},
    {STATIC_TREE_BRANCH,          &mesh_tree_horz_04},
};

MeshSlot* StaticMesh(int type) {
  for (const StaticModel& m : static_models)
    if (m.type == type) return m.mesh;
  return &mesh_default;
}

// ---- Things --------------------------------------------------------------------------------------

void At(MeshSlot* mesh, float x, float y, float yaw = 0, float pitch = 0, float roll = 0, float z = 0) {
  DrawMesh(mesh, x, y, z, yaw, pitch, roll);
}

// A beam gun is drawn firing exactly while it burns.
bool BeamFiring(int slot) { return BeamGunFiring(slot); }

void DrawPlayer(int s) { At(CountDownHitFlash(s) ? &mesh_ship_as_02 : &mesh_ship_as_01, thing_x[s], thing_y[s], 0, thing_roll[s]); }
void DrawGlowBug(int s) { At(&mesh_glow_bug_01, thing_x[s], thing_y[s], 0, 0, 0, -10); }
void DrawExplosion(int s) { At(&mesh_explosion_01, thing_x[s], thing_y[s], 0, 0, static_cast<float>(thing_param[s])); }
void DrawFighter(int s) { At(&mesh_ship_fighter_01, thing_x[s], thing_y[s], 0, thing_roll[s]); }
void DrawFighter2(int s) { At(&mesh_ship_fighter_02, thing_x[s], thing_y[s], 0, thing_roll[s]); }
void DrawTurret(int s) { At(&mesh_turret_01, thing_x[s], thing_y[s], 0, 0, (thing_param[s] - 1) * -22.5f); }
void DrawTurret2(int s) {
  At(&mesh_part_turret_02, thing_x[s], thing_y[s]);
  At(&mesh_turret_02, thing_x[s], thing_y[s] - 3, 0, 0, (thing_param[s] - 1) * -22.5f);
}
void DrawBeamGun(int s) {
  At(&mesh_beam_gun_01, thing_x[s], thing_y[s]);
  if (!BeamFiring(s)) return;
  At(&mesh_beam_01, thing_x[s], thing_y[s]);
  At(&mesh_beam_02, thing_x[s] - 10, thing_y[s], 0, 0, static_cast<float>(Rand() % 360));
}
void DrawVert2x2(int s) {
  At(&mesh_part_vert_02, thing_x[s], thing_y[s] - 8);
  At(&mesh_part_vert_02, thing_x[s], thing_y[s] + 8);
}
void DrawVert2x3(int s) {
  for (float dy : {-8.0f, 0.0f, 8.0f}) At(&mesh_part_vert_02, thing_x[s], thing_y[s] + dy);
}
void DrawHorzX2(int s) {
  At(&mesh_part_horz_03, thing_x[s], thing_y[s]);
  At(&mesh_part_horz_03, thing_x[s] + 24, thing_y[s]);
}
// The six faces of a 20-unit cube centred on (x + 10, y, 0).
void DrawMetalBlock(int s) {
  float x = thing_x[s], y = thing_y[s];
  At(&mesh_surface_metal_01, x + 10, y - 10);
  At(&mesh_surface_metal_01, x + 10, y + 10);
  At(&mesh_surface_metal_01, x, y, 0, 0, 90);
  At(&mesh_surface_metal_01, x + 20, y, 0, 0, 90);
  At(&mesh_surface_metal_01, x + 10, y, 0, 90, 0, 10);
  At(&mesh_surface_metal_01, x + 10, y, 0, 90, 0, -10);
}
void DrawPowForward(int s) {
  At(&mesh_pow_01, thing_x[s], thing_y[s]);
  MeshSlot* level = forward_level == 1 ? &mesh_shot_02 : forward_level == 2 ? &mesh_shot_03 : &mesh_hp_tick_01;
  At(level, thing_x[s], thing_y[s]);
}
void DrawPowMissile(int s) {
  float x = thing_x[s], y = thing_y[s];
  At(&mesh_pow_01, x, y);
  switch (thing_param[s]) {
    case PROJ_BOMB:
      At(&mesh_bomb_01, x, y);
      break;
    case PROJ_HAWK:
      At(&mesh_hawk_01, x + 2, y - 2);
      At(&mesh_hawk_01, x + 2, y + 2);
      break;
    case PROJ_DRUM:
      At(&mesh_drum_01, x, y);
      break;
    case PROJ_CROW:
      At(&mesh_crow_01, x + 3, y);
      break;
  }
}
// Everything without a model of its own is drawn as a boss core with its health bars.
void DrawCore(int s) {
  float x = thing_x[s], y = thing_y[s];
  At(thing_hp[s] > 8 ? &mesh_core_01 : &mesh_core_02, x - 5, y, spin_angle, thing_roll[s]);
  float bar_x = x - 11;
  for (float t = 32; static_cast<float>(thing_hp[s]) >= t; t += 16, bar_x -= 5) At(&mesh_core_bar_01, bar_x, y);
}

struct ThingModel {
  int type;
  MeshSlot* mesh;     // one model at the thing's position, when draw is null
  float pitch, roll;  // its turn
  void (*draw)(int slot);
};

// type                       mesh                      pitch  roll  draw
const ThingModel thing_models[] = {
    {THING_GLOW_BUG,          nullptr,                  0,     0,    DrawGlowBug},
    {THING_EXPLOSION,         nullptr,                  0,     0,    DrawExplosion},
    {THING_SPAWNER,           &mesh_spawn_01,           0,     0,    nullptr},
    {THING_PLAYER,            nullptr,                  0,     0,    DrawPlayer},
    {THING_LAUNCHER,          &mesh_launcher_01,        0,     0,    nullptr},
    {THING_CEILING_PLATFORM,  &mesh_plat_01,            0,     180,  nullptr},
    {THING_FLOOR_PLATFORM,    &mesh_plat_01,            0,     0,    nullptr},
    {THING_WIDE_PLATFORM,     &mesh_plat_02,            0,     0,    nullptr},
    {THING_MISSILE,           &mesh_missle_left_01,     0,     0,    nullptr},
    {THING_FIGHTER,           nullptr,                  0,     0,    DrawFighter},
    {THING_FIGHTER_2,         nullptr,                  0,     0,    DrawFighter2},
    {THING_CARRIER,           &mesh_ship_carrier_01,    0,     0,    nullptr},
    {THING_TUG,               &mesh_tug_01,             0,     0,    nullptr},
    {THING_TURRET,            nullptr,                  0,     0,    DrawTurret},
    {THING_TURRET_2,          nullptr,                  0,     0,    DrawTurret2},
    {THING_BEAM_GUN,          nullptr,                  0,     0,    DrawBeamGun},
    {THING_CANNON,            &mesh_cannon_01,          0,     0,    nullptr},
    {THING_CANNON_2,          &mesh_cannon_02,          0,     0,    nullptr},
    {THING_LASER,             &mesh_laser_01,           0,     0,    nullptr},
    {THING_LASER_DOWN,        &mesh_laser_01,           0,     45,   nullptr},
    {THING_LASER_UP,          &mesh_laser_01,           0,     -45,  nullptr},
    {THING_HULL,              &mesh_part_hull_01,       0,     0,    nullptr},
    {THING_HULL_FLIPPED,      &mesh_part_hull_01,       180,   0,    nullptr},
    {THING_PART_VERT,         &mesh_part_vert_01,       0,     0,    nullptr},
    {THING_PART_VERT_2,       &mesh_part_vert_02,       0,     0,    nullptr},
    {THING_PART_VERT_2X2,     nullptr,                  0,     0,    DrawVert2x2},
    {THING_PART_VERT_2X3,     nullptr,                  0,     0,    DrawVert2x3},
    {THING_PART_HORZ,         &mesh_part_horz_03,       0,     0,    nullptr},
    {THING_PART_HORZ_X2,      nullptr,                  0,     0,    DrawHorzX2},
    {THING_PART_BRIDGE,       &mesh_part_bridge_01,     0,     0,    nullptr},
    {THING_METAL_BLOCK,       nullptr,                  0,     0,    DrawMetalBlock},
    {THING_PART_STEP,         &mesh_part_step_01,       0,     0,    nullptr},
    {THING_PART_STEP_FLIPPED, &mesh_part_step_01,       180,   0,    nullptr},
    {THING_PART_BOX,          &mesh_part_box_01,        0,     0,    nullptr},
    {THING_PART_BOX_2,        &mesh_part_box_02,        0,     0,    nullptr},
    {THING_PART_MOUNT,        &mesh_part_mount_01,      0,     0,    nullptr},
    {THING_PART_JOINT,        &mesh_part_joint_01,      0,     0,    nullptr},
    {THING_TREE_TRUNK,        &mesh_tree_trunk_01,      0,     0,    nullptr},
    {THING_TREE_TOP,          &mesh_tree_top_01,        0,     0,    nullptr},
    {THING_TREE_TOP_PLATFORM, &mesh_tree_top_plat_01,   0,     0,    nullptr},
    {THING_TREE_BRANCH,       &mesh_tree_horz_03,       0,     0,    nullptr},
    {THING_POW_FORWARD,       nullptr,                  0,     0,    DrawPowForward},
    {THING_POW_MISSILE,       nullptr,                  0,     0,    DrawPowMissile},
};

void DrawThing(int s) {
  int type = thing_type[s];
  if (type == 0) return;
  for (const ThingModel& m : thing_models) {
    if (m.type != type) continue;
    if (m.draw)
      m.draw(s);
    else
      At(m.mesh, thing_x[s], thing_y[s], 0, m.pitch, m.roll);
    return;
  }
  DrawCore(s);
}

// ---- Projectiles ---------------------------------------------------------------------------------

// The afterburn flames stand at depth 0, not at the projectile's.
void CrowFlame(int p) {
  if (projectile_vx[p] > 0.0f) At(&mesh_afterburn_01, projectile_x[p] - 9, projectile_y[p], 0, 0, 180);
}
void MissileFlame(int p) {
  if (projectile_vx[p] == -6.0f) At(&mesh_afterburn_01, projectile_x[p] + 9, projectile_y[p]);
}
// Background fighters are fogged, and so is every projectile drawn after one in the same pass.
void FogOn(int) { SetRenderState(device, D3DRS_FOGENABLE, TRUE); }

struct ProjectileModel {
  int type;
  MeshSlot* mesh;
  void (*extra)(int slot);  // drawn before the main model
};

// type                 mesh                     extra
const ProjectileModel projectile_models[] = {
    {PROJ_SHOT_1,        &mesh_shot_01,           nullptr},
    {PROJ_SHOT_2,        &mesh_shot_02,           nullptr},
    {PROJ_SHOT_3,        &mesh_shot_03,           nullptr},
    {PROJ_BOMB,          &mesh_bomb_01,           nullptr},
    {PROJ_HAWK,          &mesh_hawk_01,           nullptr},
    {PROJ_DRUM,          &mesh_drum_01,           nullptr},
    {PROJ_CROW,          &mesh_crow_01,           CrowFlame},
    {PROJ_ROUND,         &mesh_round_01,          nullptr},
    {PROJ_ROUND_2,       &mesh_round_01,          nullptr},
    {PROJ_CANNON_BALL,   &mesh_cannon_ball_01,    nullptr},
    {PROJ_MISSILE,       &mesh_missle_left_01,    MissileFlame},
    {PROJ_DEBRIS,        &mesh_debris_01,         nullptr},
    {PROJ_FRAGMENT_GREY, &mesh_fragment_grey_01,  nullptr},
    {PROJ_FRAGMENT_RED,  &mesh_fragment_red_01,   nullptr},
    {PROJ_SMOKE,         &mesh_smoke_01,          nullptr},
    {PROJ_SMOKE_2,       &mesh_smoke_02,          nullptr},
    {PROJ_SPARKS,        &mesh_sparks_01,         nullptr},
    {PROJ_LEAF,          &mesh_leaf_01,           nullptr},
    {PROJ_SPLINTER,      &mesh_splinter_01,       nullptr},
    {PROJ_FIGHTER,       &mesh_ship_fighter_01,   FogOn},
    {PROJ_FIGHTER_2,     &mesh_ship_fighter_02,   FogOn},
};

void DrawProjectile(int p) {
  int type = projectile_type[p];
  if (type == 0) return;
  MeshSlot* mesh = &mesh_default;
  for (const ProjectileModel& m : projectile_models) {
    if (m.type != type) continue;
    if (m.extra) m.extra(p);
    mesh = m.mesh;
    break;
  }
  DrawMesh(mesh, projectile_x[p], projectile_y[p], projectile_z[p], projectile_ry[p], projectile_rx[p],
           projectile_rz[p]);
}

// ---- Lights, shadow, spark -----------------------------------------------------------------------

void AddLights() {
  for (int p = MAX_PROJECTILES - 1; p >= 1; p--) {
    float x = projectile_x[p], y = projectile_y[p];
    switch (projectile_type[p]) {
      case PROJ_HAWK:
        AddPointLight(x - 5, y, 0, 0.5f, 0.5f, 0.5f, 25);
        break;
      case PROJ_CROW:
        if (projectile_vx[p] > 0.0f) AddPointLight(x - 8, y, -2, 0.8f, 0.3f, 0.3f, 30);
        break;
      case PROJ_MISSILE:
        if (projectile_vx[p] == -6.0f) AddPointLight(x + 9, y, -2, 0.8f, 0.4f, 0.0f, 25);
        break;
    }
  }
  for (int s = MAX_THINGS - 1; s >= 1; s--) {
    float x = thing_x[s], y = thing_y[s];
    switch (thing_type[s]) {
      case THING_GLOW_BUG:
        AddPointLight(x - 10, y, -15, 0.7f, 0.8f, 0.2f, 100);
        break;
      case THING_EXPLOSION:
        AddPointLight(x, y, -10, 0.8f, 0.5f, 0.3f, 50);
        break;
      case THING_BEAM_GUN:
        if (BeamFiring(s)) AddPointLight(x - 10, y, -5, 0.3f, 0.5f, 0.8f, 30);
        break;
    }
  }
  if (last_hit_x > 0.0f) AddPointLight(last_hit_x, last_hit_y, -5, 0.5f, 0.2f, 0.2f, 15);
}

// The same shadow drawn once per two units of closeness darkens as the ship nears a barrier.
void DrawShadow() {
  int player = PlayerSlot();
  if (!in_game || player < 0) return;
  float ax = thing_anchor_x[player], ay = thing_anchor_y[player];
  int n = 0;
  float line = 0;
  if (ay < ceiling_y + 20 && ceiling_x0 < ax && ax < ceiling_x1) {
    n = (static_cast<int>(ceiling_y) - static_cast<int>(ay) + 20) >> 1;
    line = ceiling_y;
  } else if (world_shift == world_shift_target && floor_y - 20 < ay && floor_x0 < ax && ax < floor_x1) {
    n = (static_cast<int>(ay) - static_cast<int>(floor_y) + 20) >> 1;
    line = floor_y;
  }
  for (int i = 0; i < n; i++) At(&mesh_shadow_as_01, thing_x[player], line);
}

bool AnyChannel(const Color3& c, float above) { return c.r > above || c.g > above || c.b > above; }

}  // namespace

void DrawWorld() {
  if (!device) return;
  for (DWORD light : {LIGHT_HUD, LIGHT_KEY, LIGHT_FILL, LIGHT_MAP}) LightEnable(device, light, FALSE);
  DisableLights();

  if ((sky_color.r != 0.0f || sky_color.g != 0.0f || sky_color.b != 0.0f) && backdrop_mesh) {
    SetLightColor(LIGHT_AMBIENT, sky_color.r, sky_color.g, sky_color.b);
    DrawMesh(backdrop_mesh, static_cast<float>(playfield_half_width),
             static_cast<float>(playfield_height + 4 * world_shift), 0, 0, 0, 0);
  }
  if (AnyChannel(stars_color, 0.1f)) {
    SetLightColor(LIGHT_AMBIENT, stars_color.r, stars_color.g, stars_color.b);
    SetTextureStageState(device, 0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    SetRenderState(device, D3DRS_SHADEMODE, D3DSHADE_FLAT);
    DrawMesh(&mesh_stars_01, static_cast<float>(playfield_half_width), static_cast<float>(playfield_half_height), 0,
             0, 0, 0);
    SetTextureStageState(device, 0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    SetRenderState(device, D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  }

  LightEnable(device, LIGHT_HUD, FALSE);
  LightEnable(device, LIGHT_KEY, TRUE);
  LightEnable(device, LIGHT_FILL, TRUE);
  LightEnable(device, LIGHT_MAP, FALSE);
  SetLightColor(LIGHT_AMBIENT, 0.25f, 0.25f, 0.25f);
  AddLights();

  SetRenderState(device, D3DRS_FOGENABLE, TRUE);
  for (int i = 0; i < static_count && i < MAX_STATICS; i++) {
    int s = static_draw_order[i];
    if (s < 0 || s >= MAX_STATICS || static_type[s] == 0) {
      ConsolePrint("Inactive Static in Display List");
      continue;
    }
    DrawMesh(StaticMesh(static_type[s]), static_x[s], static_y[s], static_z[s], static_ry[s], static_rx[s],
             static_rz[s]);
  }
  SetRenderState(device, D3DRS_FOGENABLE, FALSE);

  DrawShadow();
  if (last_hit_x != 0.0f) {
    At(&mesh_hit_spark_01, last_hit_x, last_hit_y, 0, 0, static_cast<float>(Rand() % 360));
    last_hit_x = 0.0f;
  }
  for (int s = MAX_THINGS - 1; s >= 0; s--) DrawThing(s);
  for (int p = MAX_PROJECTILES - 1; p >= 0; p--) DrawProjectile(p);
  SetRenderState(device, D3DRS_FOGENABLE, FALSE);

  if (show_ground_ceiling) {
    At(&mesh_part_vert_02, ceiling_x0, ceiling_y, 45);
    At(&mesh_part_vert_02, ceiling_x1, ceiling_y, 45);
    At(&mesh_part_vert_02, floor_x0, floor_y, 45);
    At(&mesh_part_vert_02, floor_x1, floor_y, 45);
  }
}
