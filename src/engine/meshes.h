// The mesh table and the texture cache: the 95 models the game draws, loaded with every display
// device from the asset folder, and the textures their materials name, shared between them.
#pragma once

#include "platform/gfx.h"
#include "platform/gfx_mesh.h"
#include "world/engine_services.h"

// One loaded model. Not loaded while material_count is below 1 (the default model is drawn).
struct MeshSlot {
  ID3DXMesh* mesh = nullptr;
  D3DMATERIAL8* materials = nullptr;      // one per subset, owned by the slot
  IDirect3DTexture8** textures = nullptr; // one per subset, null for none; owned by the cache
  int material_count = 0;
  int depth_test = 1;                     // 0 draws with the depth test off
};

// The 95 slots, in table order.
extern MeshSlot mesh_default, mesh_company_logo_01, mesh_pow_01, mesh_round_01;
extern MeshSlot mesh_cannon_ball_01, mesh_lock_01, mesh_hit_spark_01, mesh_turret_01;
extern MeshSlot mesh_turret_02, mesh_spawn_01, mesh_ship_as_01, mesh_ship_as_02;
extern MeshSlot mesh_shadow_as_01, mesh_shot_01, mesh_shot_02, mesh_shot_03;
extern MeshSlot mesh_bomb_01, mesh_drum_01, mesh_hawk_01, mesh_crow_01;
extern MeshSlot mesh_ship_fighter_01, mesh_ship_fighter_02, mesh_ship_carrier_01, mesh_static_tree_01;
extern MeshSlot mesh_rock_01, mesh_rock_02, mesh_rock_03, mesh_tug_01;
extern MeshSlot mesh_launcher_01, mesh_afterburn_01, mesh_missle_left_01, mesh_tree_top_01;
extern MeshSlot mesh_tree_top_plat_01, mesh_tree_trunk_01, mesh_tree_horz_03, mesh_tree_horz_04;
extern MeshSlot mesh_part_turret_02, mesh_part_box_01, mesh_part_box_02, mesh_part_joint_01;
extern MeshSlot mesh_part_hull_01, mesh_part_vert_01, mesh_part_vert_02, mesh_part_horz_03;
extern MeshSlot mesh_part_bridge_01, mesh_part_mount_01, mesh_part_brace_01, mesh_part_brace_02;
extern MeshSlot mesh_part_step_01, mesh_core_01, mesh_core_02, mesh_core_bar_01;
extern MeshSlot mesh_plat_01, mesh_plat_02, mesh_laser_01, mesh_cannon_01;
extern MeshSlot mesh_cannon_02, mesh_beam_gun_01, mesh_beam_01, mesh_beam_02;
extern MeshSlot mesh_hp_tick_01, mesh_explosion_01, mesh_map_cast_01, mesh_map_survival_01;
extern MeshSlot mesh_map_floor_01, mesh_hud_01, mesh_hud_02, mesh_debris_01;
extern MeshSlot mesh_fragment_grey_01, mesh_fragment_red_01, mesh_smoke_01, mesh_smoke_02;
extern MeshSlot mesh_sparks_01, mesh_leaf_01, mesh_splinter_01, mesh_surface_cave_01;
extern MeshSlot mesh_surface_cave_02, mesh_surface_metal_01, mesh_cave_01, mesh_cave_02;
extern MeshSlot mesh_glow_bug_01, mesh_ark_base_01, mesh_ark_ring_hull_01, mesh_ark_ring_pad_01;
extern MeshSlot mesh_ark_part_pad_01, mesh_ark_lift_01, mesh_ark_lift_02, mesh_ark_sling_01;
extern MeshSlot mesh_ark_sling_02, mesh_sky_cloudy_01, mesh_sky_cloudy_02, mesh_sky_clear_01;
extern MeshSlot mesh_sky_desert_01, mesh_sky_sunset_01, mesh_stars_01;

constexpr int MESH_COUNT = 95;
struct MeshFile {
  MeshSlot* slot;
  const char* file;  // in the asset folder
  int depth_test;
};
extern const MeshFile mesh_table[MESH_COUNT];

// The texture cache: one device's textures, shared by every mesh slot naming the same file. An
// entry is free when its texture is null, whatever its name.
constexpr int TEXTURE_CACHE_SIZE = 128;
constexpr int TEXTURE_NAME_SIZE = 64;
extern char texture_cache_name[TEXTURE_CACHE_SIZE][TEXTURE_NAME_SIZE];
extern IDirect3DTexture8* texture_cache_texture[TEXTURE_CACHE_SIZE];

// Loads the 95 mesh slots in order; failures go to the console.
void LoadMeshTable();
// Loads one slot from "..\res\<file>"; a slot already loaded is released first.
void LoadMesh(MeshSlot* slot, int depth_test, const char* file);
// Frees what the slot owns; it then counts as not loaded.
void ReleaseMesh(MeshSlot* slot);
// ReleaseMesh on each of the 95 slots, so that every slot counts as not loaded.
void ReleaseMeshTable();
