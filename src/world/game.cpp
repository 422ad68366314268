#include "world/game.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "world/behaviours.h"
#include "world/collisions.h"
#include "world/compounds.h"
#include "world/engine_services.h"
#include "world/motion.h"
#include "world/progression.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/records.h"
#include "world/scenery.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

int game_state = STATE_BOOT;
int game_mode = MODE_CAST;
const char* const mode_names[MODE_COUNT] = {"Cast Mode", "Survival", "Random Mode", "Boss Battle", "Dev Mode"};

int in_game = 0;
int menu_cursor = 0;
int current_stage = -1;
int stage_tick = 0;
int score = 0;
int player_thing = -2;
int forward_level = 1;
int missile_kind = PROJ_BOMB;
int missile_ammo = 20;
int random_order[17];
int random_index = 0;
int god_mode = 0;
char message_text[128];
float message_alpha = 0.0f;
int forward_drop_count = 0, missile_drop_count = 0;
float last_hit_x = 0.0f, last_hit_y = 0.0f;
int clock_frames = 0, play_seconds = 0, play_minutes = 0;
int world_shift = 50, world_shift_target = 50;
int phase_2, phase_4, phase_8, phase_16, phase_32, phase_64, phase_59;

Color3 key_light_color, key_light_target;
Color3 fill_light_color, fill_light_target;
Color3 sky_color, sky_color_target;
Color3 horizon_color, horizon_color_target;
Color3 stars_color, stars_color_target;
float fog_end = 200.0f;
float fog_end_target = fog_end;  // the fog holds still until a stage asks for another end

namespace {

constexpr float KEY_LIGHT_STEP = 0.002f;
constexpr float FILL_LIGHT_STEP = 0.002f;
constexpr float SKY_STEP = 0.003f;
constexpr float HORIZON_STEP = 0.01f;
constexpr float STARS_STEP = 0.05f;

constexpr Color3 BLACK = {0.0f, 0.0f, 0.0f};
constexpr Color3 DEFAULT_KEY_LIGHT = {0.8f, 0.8f, 0.8f};
constexpr Color3 DEFAULT_STARS = {1.0f, 1.0f, 1.0f};

// The play clock's second is as many frames as the pacer measured; before the first measure
// (or with a broken one) a second is the nominal 20 frames, not one frame.
constexpr int NOMINAL_FPS = 20;

// What a game start gives each scored mode; Random Mode's first stage comes from its order.
struct ModeStart {
  const char* label;
  int stage;
  int lives;
};
constexpr ModeStart mode_starts[] = {
    {.label = "Cast Mode", .stage = 5, .lives = 5},
    {.label = "Survival", .stage = 0, .lives = 1},
    {.label = "Random Mode", .stage = -1, .lives = 8},
    {.label = "Boss Battle", .stage = 17, .lives = 8},
};
static_assert(sizeof mode_starts / sizeof mode_starts[0] == MODE_DEV);

void Advance(int& counter, int period) { counter = counter >= period - 1 ? 0 : counter + 1; }

// One fade step on every channel; true when any channel moved.
bool FadeColor(Color3& color, const Color3& target, float step) {
  bool changed = false;
  float* value[3] = {&color.r, &color.g, &color.b};
  const float goal[3] = {target.r, target.g, target.b};
  for (int i = 0; i < 3; i++) {
    if (*value[i] < goal[i] - step) {
      *value[i] += step;
      changed = true;
    } else if (*value[i] > goal[i]) {
      *value[i] -= step;
      changed = true;
    }
  }
  return changed;
}

void ShiftWorld(int direction) {
  world_shift += direction;
  const float dy = static_cast<float>(direction);
  for (int i = MAX_THINGS - 1; i >= 0; i--) {
    if (thing_type[i] >= 1 && thing_type[i] < THING_POW_FORWARD && thing_parent[i] < 0 && i != player_thing)
      thing_anchor_y[i] += dy;
  }
  for (int i = MAX_PROJECTILES - 1; i >= 0; i--) {
    if (projectile_type[i] != 0 && projectile_owner[i] != player_thing) projectile_y[i] += dy;
  }
  for (int i = MAX_GENERATORS - 1; i >= 0; i--) {
    if (generator_type[i] != 0) generator_y[i] += dy;
  }
}

void StepFades() {
  if (FadeColor(key_light_color, key_light_target, KEY_LIGHT_STEP))
    SetLightColor(LIGHT_KEY, key_light_color.r, key_light_color.g, key_light_color.b);
  if (FadeColor(fill_light_color, fill_light_target, FILL_LIGHT_STEP))
    SetLightColor(LIGHT_FILL, fill_light_color.r, fill_light_color.g, fill_light_color.b);
  if (FadeColor(sky_color, sky_color_target, SKY_STEP)) SetFogColor(PackDeviceColor(sky_color.r, sky_color.g, sky_color.b));
  FadeColor(horizon_color, horizon_color_target, HORIZON_STEP);
  FadeColor(stars_color, stars_color_target, STARS_STEP);

  float before = fog_end;
  if (fog_end < fog_end_target - 1.0f)
    fog_end += 0.5f;
  else if (fog_end > fog_end_target)
    fog_end -= world_shift_target == 0 ? 0.5f : 1.0f;
  if (fog_end != before) SetFogEnd(fog_end);
}

void SetStartLights() {
  key_light_color = DEFAULT_KEY_LIGHT;
  SetLightColor(LIGHT_KEY, key_light_color.r, key_light_color.g, key_light_color.b);
  fill_light_color = BLACK;
  SetLightColor(LIGHT_FILL, 0.0f, 0.0f, 0.0f);
}

// Random Mode's order: each position draws until the stage is not taken yet.
void DrawRandomOrder() {
  for (int i = 0; i < 17; i++) {
    int stage;
    bool taken;
    do {
      stage = Rand() % 17;
      taken = false;
      for (int j = 0; j < i; j++) taken = taken || random_order[j] == stage;
    } while (taken);
    random_order[i] = stage;
  }
  random_index = 0;
}

}  // namespace

void SpawnPlayerShip() {
  player_thing = SpawnThing(THING_PLAYER, 10.0f, static_cast<float>(playfield_half_height));
}

int PlayerSlot() {
  if (player_thing < 0 || player_thing >= MAX_THINGS) return -1;
  int type = thing_type[player_thing];
  return type == THING_PLAYER || type == THING_EXPLOSION ? player_thing : -1;
}

bool PlayerAlive() {
  int slot = PlayerSlot();
  return slot >= 0 && thing_hp[slot] > 0;
}

void PostHudMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(message_text, sizeof message_text, format, args);
  va_end(args);
  message_alpha = 2.0f;
}

unsigned int PackDeviceColor(float r, float g, float b) {
  auto channel = [](float value) -> unsigned int {
    float scaled = value * 255.0f;
    if (!(scaled > 0.0f)) return 0;  // NaN too
    if (scaled >= 255.0f) return 255;
    return static_cast<unsigned int>(scaled);
  };
  return 0xFF000000u + (channel(r) << 16) + (channel(g) << 8) + channel(b);
}

void SetGameState(int state) {
  game_state = state;
  StopSoundSlot(&snd_beam_gun_02);
  StopSoundSlot(&snd_beam_gun_03);
  switch (state) {
    case STATE_MAIN_MENU:
      if (current_stage < 19) ResetGame();
      in_game = 0;
      menu_cursor = game_mode;
      god_mode = 0;
      input_lock = 6;
      break;
    case STATE_PAUSE_MENU:
    case STATE_OPTIONS:
    case STATE_DEV_MODE:
    case STATE_SOUND_OPTIONS:
    case STATE_DISPLAY_OPTIONS:
      menu_cursor = 0;
      break;
    case STATE_PAUSED:
    case STATE_MENU_HIDDEN:
      PostHudMessage("Paused");
      break;
    case STATE_PLAYING:
      in_game = 1;
      break;
    case STATE_FINAL_RESULTS:
      input_lock = 12;
      break;
    case STATE_HIGH_SCORES:
      if (current_stage < 19) ResetGame();
      break;
    case STATE_FEATURE_UNLOCKED:
      PlaySoundSlot(&snd_reward_01, 0, 0.0f, 0.0f, 0.0f);
      break;
    case STATE_HIGH_SCORE_ENTRY:
      std::memcpy(name_entry, last_name, sizeof name_entry);
      name_entry[sizeof name_entry - 1] = '\0';
      name_pos = 0;
      input_lock = 6;
      break;
    default:  // boot, about, credits, current map, controls, key capture
      break;
  }
}

void ResetGame() {
  ClearThings();
  for (int& stage : random_order) stage = -1;
  current_stage = 19;
  score = 0;
  stage_tick = 0;
  thing_last = MAX_THINGS - 1;
  projectile_last = MAX_PROJECTILES - 1;
  world_shift = 50;
  world_shift_target = 50;
  forward_drop_count = 35;
  missile_drop_count = 10;
  phase_2 = 0;
  clock_frames = 0;
  play_seconds = 0;
  play_minutes = 0;
  last_hit_x = 0.0f;
  last_hit_y = 0.0f;
  // The ship went with the things; a stale slot would be read as the player's.
  player_thing = -2;
}

void ResetStage() {
  stage_tick = 0;
  const float none = -static_cast<float>(playfield_width);
  ceiling_x0 = ceiling_x1 = floor_x0 = floor_x1 = none;
  world_shift_target = 50;
  script_handle = script_var_2 = script_var_3 = script_var_4 = script_var_5 = script_var_6 = 0;
  ark_radius = 0.0f;
  title_lift_angle = title_camera_a = title_camera_b = 0.0f;
  title_ring_spin = title_ring_spin_rate = title_sling_x = title_outer_ring_spin = 0.0f;
  key_light_target = DEFAULT_KEY_LIGHT;
  fill_light_target = BLACK;
  sky_color_target = BLACK;
  horizon_color_target = BLACK;
  stars_color_target = DEFAULT_STARS;
  fog_end_target = 120.0f;
  for (int& type : generator_type) type = 0;
  generator_count = 0;
}

void SetMissileAmmo() {
  switch (missile_kind) {
    case PROJ_BOMB: missile_ammo = 20; break;
    case PROJ_HAWK: missile_ammo = 15; break;
    case PROJ_DRUM: missile_ammo = 10; break;
    case PROJ_CROW: missile_ammo = 5; break;
    default:
      missile_kind = PROJ_BOMB;
      missile_ammo = 0;
      break;
  }
}

void StartGame(int mode) {
  if (mode < MODE_CAST || mode > MODE_BOSS_BATTLE) return;
  game_mode = mode;
  SetGameState(STATE_PLAYING);
  ResetGame();
  ResetStage();
  if (mode == MODE_RANDOM) DrawRandomOrder();
  current_stage = mode == MODE_RANDOM ? random_order[0] : mode_starts[mode].stage;
  SpawnPlayerShip();
  int slot = PlayerSlot();
  if (slot >= 0) thing_hp[slot] = mode_starts[mode].lives;
  forward_level = 1;
  missile_kind = mode == MODE_RANDOM ? PROJ_BOMB + Rand() % 4 : 0;
  SetMissileAmmo();
  PostHudMessage("%s", mode_names[mode]);
  SetStartLights();
}

void StartDevStage(int stage) {
  if (stage < 0 || stage > 18) return;
  SetGameState(STATE_PLAYING);
  ResetGame();
  ResetStage();
  current_stage = stage;
  SpawnPlayerShip();
  SetMissileAmmo();
  PostHudMessage("%s %i", "Stage", current_stage);
  SetStartLights();
}

void UpdateWorld() {
  Advance(phase_2, 2);
  Advance(phase_4, 4);
  Advance(phase_8, 8);
  Advance(phase_16, 16);
  Advance(phase_32, 32);
  Advance(phase_64, 64);
  Advance(phase_59, 59);

  clock_frames += 1;
  if (clock_frames >= (fps > 0 ? fps : NOMINAL_FPS)) {
    clock_frames = 0;
    play_seconds += 1;
    if (play_seconds > 59) {
      play_seconds = 0;
      play_minutes += 1;
    }
  }

  if (world_shift < world_shift_target)
    ShiftWorld(1);
  else if (world_shift > world_shift_target)
    ShiftWorld(-1);

  StepFades();

  if (RunStageScript() == 1)
    EndStage();
  else
    stage_tick += 1;
}

void UpdateGameFrame() {
  UpdateGenerators();
  UpdateStatics();
  MoveThings();
  UpdateProjectiles();
  CheckPlayerCollisions();
  CheckProjectileHits();
  UpdateThings();
  UpdateWorld();
}

void UpdateIdleWorld() {
  UpdateStatics();
  MoveThings();
  UpdateProjectiles();
  UpdateWorld();
}
