#include "scenario.h"

#include <cstring>

#include "fake_engine.h"
#include "world/behaviours.h"
#include "world/collisions.h"
#include "world/game.h"
#include "world/motion.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/records.h"
#include "world/scenery.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

template <typename T, int N>
void Fill(T (&array)[N], T value) {
  for (T& v : array) v = value;
}

void ResetTables() {
  Fill(thing_type, 0);
  Fill(thing_parent, -1);
  Fill(thing_anchor_x, 0.0f); Fill(thing_anchor_y, 0.0f); Fill(thing_x, 0.0f); Fill(thing_y, 0.0f);
  Fill(thing_vx, 0); Fill(thing_vy, 0); Fill(thing_hp, 0);
  Fill(thing_box_x0, 0); Fill(thing_box_y0, 0); Fill(thing_box_x1, 0); Fill(thing_box_y1, 0);
  Fill(thing_score, 0); Fill(thing_debris_type, 0); Fill(thing_detach_mode, 0); Fill(thing_fuse, 0);
  Fill(thing_param, 0); Fill(thing_fire_timer, 0); Fill(thing_fire_interval, 0);
  Fill(thing_timer, 0); Fill(thing_timer2, 0); Fill(thing_aim_x, 0.0f); Fill(thing_aim_y, 0.0f);
  Fill(thing_roll, 0.0f); Fill(thing_roll_rate, 0.0f); Fill(thing_roll_spring, 0.0f); Fill(thing_roll_time, 0);

  Fill(projectile_type, 0);
  Fill(projectile_owner, -1);
  Fill(projectile_x, 0.0f); Fill(projectile_y, 0.0f); Fill(projectile_z, 0.0f);
  Fill(projectile_vx, 0.0f); Fill(projectile_vy, 0.0f); Fill(projectile_vz, 0.0f);
  Fill(projectile_ry, 0.0f); Fill(projectile_rx, 0.0f); Fill(projectile_rz, 0.0f);
  Fill(projectile_spin_y, 0.0f); Fill(projectile_spin_x, 0.0f); Fill(projectile_spin_z, 0.0f);
  Fill(projectile_accel_time, 0); Fill(projectile_life, 0);

  Fill(static_type, 0);
  Fill(static_x, 0.0f); Fill(static_y, 0.0f); Fill(static_z, 0.0f);
  Fill(static_ry, 0.0f); Fill(static_rx, 0.0f); Fill(static_rz, 0.0f);
  Fill(static_spin_y, 0.0f); Fill(static_spin_x, 0.0f); Fill(static_spin_z, 0.0f);
  Fill(static_draw_order, 0); Fill(static_listed, 0);

  Fill(generator_type, 0); Fill(generator_interval, 0); Fill(generator_remaining, 0);
  Fill(generator_x, 0.0f); Fill(generator_y, 0.0f); Fill(generator_z, 0.0f); Fill(generator_timer, 0);

  thing_count = thing_last = projectile_count = projectile_last = 0;
  static_count = static_last = generator_count = generator_last = 0;
  ceiling_x0 = ceiling_x1 = floor_x0 = floor_x1 = 0.0f;
  scroll_speed = 2;
}

void ResetProgress() {
  game_state = STATE_BOOT;
  game_mode = MODE_CAST;
  in_game = 0;
  menu_cursor = 0;
  current_stage = -1;
  stage_tick = 0;
  score = 0;
  player_thing = -2;
  forward_level = 1;
  missile_kind = PROJ_BOMB;
  missile_ammo = 20;
  Fill(random_order, 0);
  random_index = 0;
  god_mode = 0;
  message_text[0] = '\0';
  message_alpha = 0.0f;
  forward_drop_count = missile_drop_count = 0;
  last_hit_x = last_hit_y = 0.0f;
  clock_frames = play_seconds = play_minutes = 0;
  world_shift = world_shift_target = 50;
  phase_2 = phase_4 = phase_8 = phase_16 = phase_32 = phase_64 = phase_59 = 0;
  explosion_turn = 0;

  const Color3 black = {0.0f, 0.0f, 0.0f};
  key_light_color = key_light_target = fill_light_color = fill_light_target = black;
  sky_color = sky_color_target = horizon_color = horizon_color_target = black;
  stars_color = stars_color_target = black;
  fog_end = fog_end_target = 200.0f;
}

void ResetStageScript() {
  backdrop_mesh = nullptr;
  ark_radius = 0.0f;
  script_handle = script_var_2 = script_var_3 = script_var_4 = script_var_5 = script_var_6 = 0;
  title_lift_angle = title_camera_a = title_camera_b = title_ring_spin = 0.0f;
  title_ring_spin_rate = title_sling_x = title_outer_ring_spin = 0.0f;
}

void ResetRecords() {
  for (int m = 0; m < SCORED_MODES; m++) {
    for (int r = 0; r < HIGH_SCORE_ROWS; r++) {
      std::strcpy(high_score_name[m][r], "---");
      high_score_major[m][r] = high_score_minor[m][r] = -1;
    }
    mode_unlocked[m] = m == 0;
  }
  last_name[0] = name_entry[0] = '\0';
  name_pos = 0;
}

}  // namespace

void SetActions(const Actions& a) {
  action_back = a.back;
  action_fire = a.fire;
  action_missile = a.missile;
  action_up = a.up;
  action_left = a.left;
  action_down = a.down;
  action_right = a.right;
}

void ResetScenario() {
  ResetFakeEngine();
  ResetTables();
  ResetProgress();
  ResetStageScript();
  ResetRecords();
  SeedRandom(1);
}

void ResetScenarioInGame() {
  ResetScenario();
  thing_last = MAX_THINGS - 1;
  projectile_last = MAX_PROJECTILES - 1;
  ceiling_x0 = ceiling_x1 = floor_x0 = floor_x1 = -static_cast<float>(playfield_width);
  forward_drop_count = 35;
  missile_drop_count = 10;
  in_game = 1;
  game_state = STATE_PLAYING;
}

int MakeShip(float x, float y) {
  player_thing = CreateThing(THING_PLAYER, -1, x, y);
  return player_thing;
}

int MakeThing(int type, float x, float y) { return CreateThing(type, -1, x, y); }

int PlaceThing(int slot, int type, float x, float y) {
  if (thing_type[slot] == 0) thing_count++;
  thing_type[slot] = type;
  thing_parent[slot] = -1;
  thing_anchor_x[slot] = thing_x[slot] = x;
  thing_anchor_y[slot] = thing_y[slot] = y;
  return slot;
}

int CountProjectiles(int type) {
  int n = 0;
  for (int p = 0; p < MAX_PROJECTILES; p++) n += projectile_type[p] == type;
  return n;
}

int FindProjectile(int type) {
  for (int p = MAX_PROJECTILES - 1; p >= 0; p--)
    if (projectile_type[p] == type) return p;
  return -1;
}

int PlaceProjectile(int slot, int type, int owner, float x, float y) {
  if (projectile_type[slot] == 0) projectile_count++;
  projectile_type[slot] = type;
  projectile_owner[slot] = owner;
  projectile_x[slot] = x;
  projectile_y[slot] = y;
  return slot;
}

void RunGameFrame(const Actions& actions) {
  SetActions(actions);
  UpdateGameFrame();
}

void RunGameFrames(int n, const Actions& actions) {
  for (int i = 0; i < n; i++) RunGameFrame(actions);
}

int RunWhilePlaying(int n, const Actions& actions) {
  int frames = 0;
  while (frames < n && game_state == STATE_PLAYING) {
    RunGameFrame(actions);
    frames++;
  }
  return frames;
}

void RunIdleFrame() {
  SetActions({});
  UpdateIdleWorld();
}
