// Stand-ins for engine operations whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include <cstdio>

#include "world/engine_services.h"

// Sound (sound table module)
struct SoundSlot {
  int unused;
};
SoundSlot snd_tick_denied_01, snd_tick_in_01, snd_tick_out_01, snd_tick_move_01, snd_tick_select_01;
SoundSlot snd_explosion_01, snd_explosion_02, snd_explosion_03, snd_explosion_04, snd_explosion_05;
SoundSlot snd_wood_breakage_01, snd_hit_wood_01, snd_hit_metal_01, snd_hit_player_01, snd_burn_01;
SoundSlot snd_pow_01, snd_pow_armor_01, snd_pow_bomb_01, snd_pow_crow_01, snd_pow_drum_01;
SoundSlot snd_pow_forward_01, snd_pow_hawk_01;
SoundSlot snd_fire_bomb_01, snd_fire_crow_01, snd_fire_drum_01, snd_fire_forward_01, snd_fire_hawk_01;
SoundSlot snd_hit_bomb_01, snd_hit_crow_01, snd_hit_drum_01, snd_hit_hawk_01, snd_miss_01;
SoundSlot snd_beam_gun_01, snd_beam_gun_02, snd_beam_gun_03, snd_beam_gun_04;
SoundSlot snd_reward_01, snd_reward_02;
void PlaySoundSlot(SoundSlot*, int, float, float, float) {}
void StopSoundSlot(SoundSlot*) {}

// Console (console module)
void ConsolePrint(const char* text) { std::fprintf(stderr, "%s\n", text); }

// Lights and views (mesh drawing module)
void SetLightColor(int, float, float, float) {}
void SetCameraLook(float, float, float, float, float, float) {}
void SetCameraOrbit(float, float, float, float, float, float) {}

// Fog render states (display module)
void SetFogColor(unsigned int) {}
void SetFogEnd(float) {}

// View of the game frame (front-end states)
int camera_view = VIEW_CLASSIC;

// Input (input module)
int action_back, action_fire, action_missile, action_up, action_left, action_down, action_right;
int input_lock;

// Configuration (configuration module)
float auto_fire;

// Frame pace (main loop)
int fps = 20;

// Layout (display module)
int playfield_width = 140, playfield_height = 100;
int playfield_half_width = 70, playfield_half_height = 50;
float ceiling_y = 5.0f, floor_y = 95.0f;
float spawn_line_x = 165.0f;

// Mesh slots (mesh table module)
struct MeshSlot {
  int unused;
};
MeshSlot mesh_sky_cloudy_01, mesh_sky_cloudy_02, mesh_sky_clear_01, mesh_sky_desert_01, mesh_sky_sunset_01;
