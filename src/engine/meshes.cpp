#include "engine/meshes.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "engine/console.h"
#include "engine/display.h"
#include "engine/config.h"

MeshSlot mesh_default, mesh_company_logo_01, mesh_pow_01, mesh_round_01;
MeshSlot mesh_cannon_ball_01, mesh_lock_01, mesh_hit_spark_01, mesh_turret_01;
MeshSlot mesh_turret_02, mesh_spawn_01, mesh_ship_as_01, mesh_ship_as_02;
MeshSlot mesh_shadow_as_01, mesh_shot_01, mesh_shot_02, mesh_shot_03;
MeshSlot mesh_bomb_01, mesh_drum_01, mesh_hawk_01, mesh_crow_01;
MeshSlot mesh_ship_fighter_01, mesh_ship_fighter_02, mesh_ship_carrier_01, mesh_static_tree_01;
MeshSlot mesh_rock_01, mesh_rock_02, mesh_rock_03, mesh_tug_01;
MeshSlot mesh_launcher_01, mesh_afterburn_01, mesh_missle_left_01, mesh_tree_top_01;
MeshSlot mesh_tree_top_plat_01, mesh_tree_trunk_01, mesh_tree_horz_03, mesh_tree_horz_04;
MeshSlot mesh_part_turret_02, mesh_part_box_01, mesh_part_box_02, mesh_part_joint_01;
MeshSlot mesh_part_hull_01, mesh_part_vert_01, mesh_part_vert_02, mesh_part_horz_03;
MeshSlot mesh_part_bridge_01, mesh_part_mount_01, mesh_part_brace_01, mesh_part_brace_02;
MeshSlot mesh_part_step_01, mesh_core_01, mesh_core_02, mesh_core_bar_01;
MeshSlot mesh_plat_01, mesh_plat_02, mesh_laser_01, mesh_cannon_01;
MeshSlot mesh_cannon_02, mesh_beam_gun_01, mesh_beam_01, mesh_beam_02;
MeshSlot mesh_hp_tick_01, mesh_explosion_01, mesh_map_cast_01, mesh_map_survival_01;
MeshSlot mesh_map_floor_01, mesh_hud_01, mesh_hud_02, mesh_debris_01;
MeshSlot mesh_fragment_grey_01, mesh_fragment_red_01, mesh_smoke_01, mesh_smoke_02;
MeshSlot mesh_sparks_01, mesh_leaf_01, mesh_splinter_01, mesh_surface_cave_01;
MeshSlot mesh_surface_cave_02, mesh_surface_metal_01, mesh_cave_01, mesh_cave_02;
MeshSlot mesh_glow_bug_01, mesh_ark_base_01, mesh_ark_ring_hull_01, mesh_ark_ring_pad_01;
MeshSlot mesh_ark_part_pad_01, mesh_ark_lift_01, mesh_ark_lift_02, mesh_ark_sling_01;
MeshSlot mesh_ark_sling_02, mesh_sky_cloudy_01, mesh_sky_cloudy_02, mesh_sky_clear_01;
MeshSlot mesh_sky_desert_01, mesh_sky_sunset_01, mesh_stars_01;

// slot                              file                     depth test
const MeshFile mesh_table[MESH_COUNT] = {
    {.slot = &mesh_default,          .file = "default.x",              .depth_test = 1},
    {.slot = &mesh_company_logo_01,  .file = "company_logo_01.x",      .depth_test = 1},
    {.slot = &mesh_pow_01,           .file = "pow_01.x",               .depth_test = 1},
    {.slot = &mesh_round_01,         .file = "round_01.x",             .depth_test = 1},
    {.slot = &mesh_cannon_ball_01,   .file = "cannon_ball_01.x",       .depth_test = 1},
    {.slot = &mesh_lock_01,          .file = "lock_01.x",              .depth_test = 1},
    {.slot = &mesh_hit_spark_01,     .file = "hit_spark_01.x",         .depth_test = 0},
    {.slot = &mesh_turret_01,        .file = "turret_01.x",            .depth_test = 1},
    {.slot = &mesh_turret_02,        .file = "turret_02.x",            .depth_test = 1},
    {.slot = &mesh_spawn_01,         .file = "spawn_01.x",             .depth_test = 1},
    {.slot = &mesh_ship_as_01,       .file = "ship_as_01.x",           .depth_test = 1},
    {.slot = &mesh_ship_as_02,       .file = "ship_as_02.x",           .depth_test = 1},
    {.slot = &mesh_shadow_as_01,     .file = "shadow_as_01.x",         .depth_test = 0},
    {.slot = &mesh_shot_01,          .file = "shot_01.x",              .depth_test = 1},
    {.slot = &mesh_shot_02,          .file = "shot_02.x",              .depth_test = 1},
    {.slot = &mesh_shot_03,          .file = "shot_03.x",              .depth_test = 1},
    {.slot = &mesh_bomb_01,          .file = "bomb_01.x",              .depth_test = 1},
    {.slot = &mesh_drum_01,          .file = "drum_01.x",              .depth_test = 1},
    {.slot = &mesh_hawk_01,          .file = "hawk_01.x",              .depth_test = 1},
    {.slot = &mesh_crow_01,          .file = "crow_01.x",              .depth_test = 1},
    {.slot = &mesh_ship_fighter_01,  .file = "ship_fighter_01.x",      .depth_test = 1},
    {.slot = &mesh_ship_fighter_02,  .file = "ship_fighter_02.x",      .depth_test = 1},
    {.slot = &mesh_ship_carrier_01,  .file = "ship_carrier_01.x",      .depth_test = 1},
    {.slot = &mesh_static_tree_01,   .file = "static_tree_01.x",       .depth_test = 1},
    {.slot = &mesh_rock_01,          .file = "rock_01.x",              .depth_test = 1},
    {.slot = &mesh_rock_02,          .file = "rock_02.x",              .depth_test = 1},
    {.slot = &mesh_rock_03,          .file = "rock_03.x",              .depth_test = 1},
    {.slot = &mesh_tug_01,           .file = "tug_01.x",               .depth_test = 1},
    {.slot = &mesh_launcher_01,      .file = "launcher_01.x",          .depth_test = 1},
    {.slot = &mesh_afterburn_01,     .file = "afterburn_01.x",         .depth_test = 0},
    {.slot = &mesh_missle_left_01,   .file = "missle_left_01.x",       .depth_test = 1},
    {.slot = &mesh_tree_top_01,      .file = "tree_top_01.x",          .depth_test = 0},
    {.slot = &mesh_tree_top_plat_01, .file = "tree_top_plat_01.x",     .depth_test = 1},
    {.slot = &mesh_tree_trunk_01,    .file = "tree_trunk_01.x",        .depth_test = 1},
    {.slot = &mesh_tree_horz_03,     .file = "tree_horz_03.x",         .depth_test = 1},
    {.slot = &mesh_tree_horz_04,     .file = "tree_horz_04.x",         .depth_test = 1},
    {.slot = &mesh_part_turret_02,   .file = "part_turret_02.x",       .depth_test = 1},
    {.slot = &mesh_part_box_01,      .file = "part_box_01.x",          .depth_test = 1},
    {.slot = &mesh_part_box_02,      .file = "part_box_02.x",          .depth_test = 1},
    {.slot = &mesh_part_joint_01,    .file = "part_joint_01.x",        .depth_test = 1},
    {.slot = &mesh_part_hull_01,     .file = "part_hull_01.x",         .depth_test = 1},
    {.slot = &mesh_part_vert_01,     .file = "part_vert_01.x",         .depth_test = 1},
    {.slot = &mesh_part_vert_02,     .file = "part_vert_02.x",         .depth_test = 1},
    {.slot = &mesh_part_horz_03,     .file = "part_horz_03.x",         .depth_test = 1},
    {.slot = &mesh_part_bridge_01,   .file = "part_bridge_01.x",       .depth_test = 1},
    {.slot = &mesh_part_mount_01,    .file = "part_mount_01.x",        .depth_test = 1},
    {.slot = &mesh_part_brace_01,    .file = "part_brace_01.x",        .depth_test = 1},
    {.slot = &mesh_part_brace_02,    .file = "part_brace_02.x",        .depth_test = 1},
    {.slot = &mesh_part_step_01,     .file = "part_step_01.x",         .depth_test = 1},
    {.slot = &mesh_core_01,          .file = "core_01.x",              .depth_test = 0},
    {.slot = &mesh_core_02,          .file = "core_02.x",              .depth_test = 0},
    {.slot = &mesh_core_bar_01,      .file = "core_bar_01.x",          .depth_test = 1},
    {.slot = &mesh_plat_01,          .file = "plat_01.x",              .depth_test = 1},
    {.slot = &mesh_plat_02,          .file = "plat_02.x",              .depth_test = 1},
    {.slot = &mesh_laser_01,         .file = "laser_01.x",             .depth_test = 1},
    {.slot = &mesh_cannon_01,        .file = "cannon_01.x",            .depth_test = 1},
    {.slot = &mesh_cannon_02,        .file = "cannon_02.x",            .depth_test = 1},
    {.slot = &mesh_beam_gun_01,      .file = "beam_gun_01.x",          .depth_test = 1},
    {.slot = &mesh_beam_01,          .file = "beam_01.x",              .depth_test = 0},
    {.slot = &mesh_beam_02,          .file = "beam_02.x",              .depth_test = 0},
    {.slot = &mesh_hp_tick_01,       .file = "hp_tick_01.x",           .depth_test = 1},
    {.slot = &mesh_explosion_01,     .file = "explosion_01.x",         .depth_test = 0},
    {.slot = &mesh_map_cast_01,      .file = "map_cast_01.x",          .depth_test = 0},
    {.slot = &mesh_map_survival_01,  .file = "map_survival_01.x",      .depth_test = 0},
    {.slot = &mesh_map_floor_01,     .file = "map_floor_01.x",         .depth_test = 0},
    {.slot = &mesh_hud_01,           .file = "hud_01.x",               .depth_test = 0},
    {.slot = &mesh_hud_02,           .file = "hud_02.x",               .depth_test = 1},
    {.slot = &mesh_debris_01,        .file = "debris_01.x",            .depth_test = 1},
    {.slot = &mesh_fragment_grey_01, .file = "fragment_grey_01.x",     .depth_test = 1},
    {.slot = &mesh_fragment_red_01,  .file = "fragment_red_01.x",      .depth_test = 1},
    {.slot = &mesh_smoke_01,         .file = "smoke_01.x",             .depth_test = 0},
    {.slot = &mesh_smoke_02,         .file = "smoke_02.x",             .depth_test = 0},
    {.slot = &mesh_sparks_01,        .file = "sparks_01.x",            .depth_test = 0},
    {.slot = &mesh_leaf_01,          .file = "leaf_01.x",              .depth_test = 1},
    {.slot = &mesh_splinter_01,      .file = "splinter_01.x",          .depth_test = 1},
    {.slot = &mesh_surface_cave_01,  .file = "surface_cave_01.x",      .depth_test = 1},
    {.slot = &mesh_surface_cave_02,  .file = "surface_cave_02.x",      .depth_test = 1},
    {.slot = &mesh_surface_metal_01, .file = "surface_metal_01.x",     .depth_test = 1},
    {.slot = &mesh_cave_01,          .file = "cave_01.x",              .depth_test = 1},
    {.slot = &mesh_cave_02,          .file = "cave_02.x",              .depth_test = 1},
    {.slot = &mesh_glow_bug_01,      .file = "glow_bug_01.x",          .depth_test = 1},
    {.slot = &mesh_ark_base_01,      .file = "ark_base_01.x",          .depth_test = 1},
    {.slot = &mesh_ark_ring_hull_01, .file = "ark_ring_hull_01.x",     .depth_test = 1},
    {.slot = &mesh_ark_ring_pad_01,  .file = "ark_ring_pad_01.x",      .depth_test = 1},
    {.slot = &mesh_ark_part_pad_01,  .file = "ark_part_pad_01.x",      .depth_test = 1},
    {.slot = &mesh_ark_lift_01,      .file = "ark_lift_01.x",          .depth_test = 1},
    {.slot = &mesh_ark_lift_02,      .file = "ark_lift_02.x",          .depth_test = 1},
    {.slot = &mesh_ark_sling_01,     .file = "ark_sling_01.x",         .depth_test = 1},
    {.slot = &mesh_ark_sling_02,     .file = "ark_sling_02.x",         .depth_test = 1},
    {.slot = &mesh_sky_cloudy_01,    .file = "sky_cloudy_01.x",        .depth_test = 0},
    {.slot = &mesh_sky_cloudy_02,    .file = "sky_cloudy_02.x",        .depth_test = 0},
    {.slot = &mesh_sky_clear_01,     .file = "sky_clear_01.x",         .depth_test = 0},
    {.slot = &mesh_sky_desert_01,    .file = "sky_desert_01.x",        .depth_test = 0},
    {.slot = &mesh_sky_sunset_01,    .file = "sky_sunset_01.x",        .depth_test = 0},
    {.slot = &mesh_stars_01,         .file = "stars_01.x",             .depth_test = 0},
};

char texture_cache_name[TEXTURE_CACHE_SIZE][TEXTURE_NAME_SIZE];
IDirect3DTexture8* texture_cache_texture[TEXTURE_CACHE_SIZE];

namespace {

// The console line for a texture that could not be made, or null for none.
const char* TextureFailureFormat(HRESULT result) {
  if (result == D3DERR_NOTAVAILABLE) return "D3DERR_NOTAVAILABLE: %s";
  if (result == E_OUTOFMEMORY || result == D3DERR_OUTOFVIDEOMEMORY) return "Insufficient memory to load: %s";
  if (result == D3DERR_INVALIDCALL) return "D3DERR_INVALIDCALL: %s";
  if (result == D3DXERR_INVALIDDATA) return "D3DXERR_INVALIDDATA: %s";
  return nullptr;
}

// The texture for a material's file: from the cache when an entry's name is a prefix of it,
// otherwise made into the first free entry (which keeps the name even when making it failed).
IDirect3DTexture8* FindTexture(const char* name) {
  if (std::strlen(name) >= TEXTURE_NAME_SIZE) {
    // It would not fit an entry whole, and a cut name would serve other files.
    std::snprintf(text_buffer, sizeof(text_buffer), "Texture name too long: %.200s", name);
    ConsolePrint(text_buffer);
    return nullptr;
  }
  for (int i = 0; i < TEXTURE_CACHE_SIZE; i++)
    if (MatchPrefix(texture_cache_name[i], name, 0, 1) != -1) return texture_cache_texture[i];
  for (int i = 0; i < TEXTURE_CACHE_SIZE; i++) {
    if (texture_cache_texture[i]) continue;
    char path[200];
    std::snprintf(path, sizeof(path), "..\\res\\%s", name);
    HRESULT result = D3DXCreateTextureFromFileExA(device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                  D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR,
                                                  D3DX_FILTER_LINEAR, 0, nullptr, nullptr, &texture_cache_texture[i]);
    if (FAILED(result)) {
      texture_cache_texture[i] = nullptr;
      if (const char* format = TextureFailureFormat(result)) {
        std::snprintf(text_buffer, sizeof(text_buffer), format, path);
        ConsolePrint(text_buffer);
      }
    }
    std::snprintf(texture_cache_name[i], TEXTURE_NAME_SIZE, "%s", name);
    return texture_cache_texture[i];
  }
  ConsolePrint("Textures Expired");
  return nullptr;
}

}  // namespace

void LoadMeshTable() {
  for (const MeshFile& entry : mesh_table) LoadMesh(entry.slot, entry.depth_test, entry.file);
}

void LoadMesh(MeshSlot* slot, int depth_test, const char* file) {
  char path[200];
  std::snprintf(path, sizeof(path), "..\\res\\%s", file);
  // A slot loaded again gives back what it held, so nothing leaks across display restarts.
  ReleaseMesh(slot);
  ID3DXBuffer* buffer = nullptr;
  DWORD count = 0;
  ID3DXMesh* mesh = nullptr;
  if (FAILED(D3DXLoadMeshFromX(path, D3DXMESH_SYSTEMMEM, device, nullptr, &buffer, &count, &mesh))) {
    std::snprintf(text_buffer, sizeof(text_buffer), "Failed Loading File - %s", path);
    ConsolePrint(text_buffer);
    return;
  }
  slot->mesh = mesh;
  slot->depth_test = depth_test;
  if (count > 0) {
    slot->materials = new (std::nothrow) D3DMATERIAL8[count];
    slot->textures = new (std::nothrow) IDirect3DTexture8*[count];
    if (!slot->materials || !slot->textures) {
      ReleaseMesh(slot);
      Release(buffer);
      ConsolePrint("Insufficient memory to load mesh");
      return;
    }
  }
  slot->material_count = static_cast<int>(count);
  const D3DXMATERIAL* source = static_cast<const D3DXMATERIAL*>(GetBufferPointer(buffer));
  for (DWORD i = 0; i < count; i++) {
    slot->materials[i] = source[i].MatD3D;
    slot->materials[i].Ambient = slot->materials[i].Diffuse;
    slot->textures[i] = nullptr;
    const char* name = source[i].pTextureFilename;
    if (!name || !name[0]) continue;  // an empty name would load the folder itself
    slot->textures[i] = FindTexture(name);
  }
  Release(buffer);
}

void ReleaseMesh(MeshSlot* slot) {
  delete[] slot->materials;
  delete[] slot->textures;
  if (slot->mesh) Release(slot->mesh);
  slot->materials = nullptr;
  slot->textures = nullptr;
  slot->mesh = nullptr;
  slot->material_count = 0;
}

void ReleaseMeshTable() {
  for (const MeshFile& entry : mesh_table) ReleaseMesh(entry.slot);
}
