// The one door from the game world into the engine. The world includes no other engine or
// platform header: everything it needs of sound, console, lights, camera, fog, input and the
// screen layout is declared here and defined by the engine (or, in the world tests, by a
// recording fake that keeps every call).
#pragma once

// ---- Sound -------------------------------------------------------------------------------------
// A loaded sound; its layout belongs to the engine.
struct SoundSlot;

// The 38 sound slots, in table order.
extern SoundSlot snd_tick_denied_01, snd_tick_in_01, snd_tick_out_01, snd_tick_move_01, snd_tick_select_01;
extern SoundSlot snd_explosion_01, snd_explosion_02, snd_explosion_03, snd_explosion_04, snd_explosion_05;
extern SoundSlot snd_wood_breakage_01, snd_hit_wood_01, snd_hit_metal_01, snd_hit_player_01, snd_burn_01;
extern SoundSlot snd_pow_01, snd_pow_armor_01, snd_pow_bomb_01, snd_pow_crow_01, snd_pow_drum_01;
extern SoundSlot snd_pow_forward_01, snd_pow_hawk_01;
extern SoundSlot snd_fire_bomb_01, snd_fire_crow_01, snd_fire_drum_01, snd_fire_forward_01, snd_fire_hawk_01;
extern SoundSlot snd_hit_bomb_01, snd_hit_crow_01, snd_hit_drum_01, snd_hit_hawk_01, snd_miss_01;
extern SoundSlot snd_beam_gun_01, snd_beam_gun_02, snd_beam_gun_03, snd_beam_gun_04;
extern SoundSlot snd_reward_01, snd_reward_02;

// Plays a slot. frequency in samples per second, 0 keeps the buffer's last frequency; the source
// position (playfield units) gives the pan, all three 0 for a sound without a place.
void PlaySoundSlot(SoundSlot* snd, int frequency, float x, float y, float z);
// Stops a slot's buffer; does nothing when the slot holds no buffer (the looping beam sounds).
void StopSoundSlot(SoundSlot* snd);

// ---- Console -----------------------------------------------------------------------------------
// One finished message to the on-screen ring (or a message box while no display exists) and the log.
void ConsolePrint(const char* text);

// ---- Lights, camera, fog -----------------------------------------------------------------------
enum {
  LIGHT_AMBIENT = -1,
  LIGHT_KEY = 8,
  LIGHT_FILL = 9,
  LIGHT_HUD = 10,
  LIGHT_MAP = 11,
};
void SetLightColor(int id, float r, float g, float b);
void SetCameraLook(float eye_x, float eye_y, float eye_z, float at_x, float at_y, float at_z);
void SetCameraOrbit(float angle, float height, float distance, float at_x, float at_y, float at_z);
// The display's fog colour (a packed device colour) and linear fog end; nothing is set while no
// display device exists.
void SetFogColor(unsigned int color);
void SetFogEnd(float fog_end);

// ---- View of the game frame -------------------------------------------------------------------
enum {
  VIEW_MAP = -4,
  VIEW_TRACK_PLAYER = -3,
  VIEW_CLASSIC = -2,  // the default side view
  VIEW_HUD = -1,
};
extern int camera_view;  // a view above, or 0..59 for a camera riding on that thing slot

// ---- Input -------------------------------------------------------------------------------------
// The seven action flags of this pass, set by the input poll (the world clears up/down on a push).
extern int action_back, action_fire, action_missile, action_up, action_left, action_down, action_right;
// Frames during which the input poll sets no action.
extern int input_lock;

// ---- Configuration and frame pace --------------------------------------------------------------
extern float auto_fire;  // configuration variable; nonzero fires the gun without the key
extern int fps;          // frames the pacer counted in its last measured second

// ---- Playfield layout (set by the display layout, only read by the world) ---------------------
extern int playfield_width, playfield_height;             // 140, 100
extern int playfield_half_width, playfield_half_height;   // 70, 50
extern float ceiling_y, floor_y;                          // 5.0, 95.0: the barrier lines
extern float spawn_line_x;                                // 165.0: where new scenery enters

// ---- Meshes the stage script names as the sky backdrop -----------------------------------------
struct MeshSlot;
extern MeshSlot mesh_sky_cloudy_01, mesh_sky_cloudy_02, mesh_sky_clear_01, mesh_sky_desert_01,
    mesh_sky_sunset_01;

// ---- Text files --------------------------------------------------------------------------------
// Text files in the runtime's text mode, relative to the working folder: "\n" is written as
// CR LF and CR LF is read back as "\n", so a line the game ends with "\r\n" is stored as CR CR LF.
// A file the game rewrites is written beside its name and put in place only when complete, so a
// crash or a full disk never leaves it cut short. The layout of a TextFile belongs to the engine.
struct TextFile;
// Opens an existing file for reading; null when it cannot be opened.
TextFile* OpenTextFile(const char* name);
// Starts writing a new version of `name` (created or replaced when committed); null when it
// cannot. Until CommitTextFile the old file stays as it was.
TextFile* CreateTextFile(const char* name);
// Reads one line with its line end, at most size - 1 characters (as fgets); null at the end.
char* ReadTextLine(TextFile* file, char* buffer, int size);
// Writes a text; 1 when all of it was taken, else 0.
int WriteText(TextFile* file, const char* text);
// Closes a file opened for reading.
void CloseTextFile(TextFile* file);
// Closes a file being written and, when every write and the close succeeded, puts it in place of
// its name: 1. Otherwise the new version is dropped, the old file stays, and the result is 0.
int CommitTextFile(TextFile* file);
