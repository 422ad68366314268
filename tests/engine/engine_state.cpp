#include "engine_state.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <vector>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/frontend.h"
#include "engine/input.h"
#include "engine/lights.h"
#include "engine/main_loop.h"
#include "engine/meshes.h"
#include "engine/render.h"
#include "engine/sound.h"
#include "platform/dsound.h"
#include "platform/gfx.h"
#include "platform/script.h"
#include "platform/win.h"
#include "world/collisions.h"
#include "world/game.h"
#include "world/random.h"
#include "world/records.h"
#include "world/stage_script.h"
#include "world/tables.h"

namespace {

// One global whose start value is kept: where it lives and how large it is.
struct Kept {
  void* at;
  std::size_t size;
};

template <typename T>
Kept Keep(T& global) {
  static_assert(std::is_trivially_copyable_v<T>, "a kept global is put back byte for byte");
  return {&global, sizeof global};
}

// Every global of the engine and of the world that a test can change, but the mesh and sound
// slots, which are found through their tables (mesh_table, sound_files). kept_globals.sh fails
// the tests when a global of either library is missing here.
const Kept kept[] = {
    // Configuration
    Keep(windowed), Keep(display_width), Keep(display_height), Keep(display_format), Keep(vsync), Keep(antialias),
    Keep(gradient_detail), Keep(volume_effects), Keep(volume_music), Keep(sound_width), Keep(sound_channels),
    Keep(sound_samples), Keep(sound_bits), Keep(auto_fire), Keep(button_back_0), Keep(button_fire_0),
    Keep(button_missle_0), Keep(button_up_0), Keep(button_left_0), Keep(button_down_0), Keep(button_right_0),
    Keep(button_back_1), Keep(button_fire_1), Keep(button_missle_1), Keep(button_up_1), Keep(button_left_1),
    Keep(button_down_1), Keep(button_right_1), Keep(enable_di_devices), Keep(tag_name), Keep(tag_value),
    // Console
    Keep(text_buffer), Keep(console_lines), Keep(console_index), Keep(console_height), Keep(console_hold),
    Keep(console_shrink_phase),
    // Display, layout and fonts
    Keep(direct3d), Keep(device), Keep(display_mode_width), Keep(display_mode_height), Keep(display_mode_format),
    Keep(display_mode_count), Keep(display_mode_last), Keep(display_mode_index), Keep(full_screen_active),
    Keep(settings_changed), Keep(light_budget), Keep(fill_mode), Keep(client_rect), Keep(screen_width),
    Keep(screen_height), Keep(screen_center_x), Keep(screen_center_y), Keep(screen_eighth_x), Keep(screen_eighth_y),
    Keep(line_height), Keep(hud_text_rect), Keep(playfield_three_quarter_height), Keep(playfield_width),
    Keep(playfield_height), Keep(playfield_half_width), Keep(playfield_half_height), Keep(ceiling_y), Keep(floor_y),
    Keep(spawn_line_x), Keep(fonts),
    // Meshes, textures, lights and views
    Keep(texture_cache_name), Keep(texture_cache_texture), Keep(up_vector), Keep(point_lights), Keep(light_count),
    Keep(key_light), Keep(fill_light), Keep(hud_light), Keep(map_light), Keep(camera_view),
    // Frame renderer and front end
    Keep(spin_angle), Keep(blink), Keep(text_rect), Keep(show_counts), Keep(show_fps), Keep(show_input),
    Keep(show_location), Keep(show_ground_ceiling), Keep(dev_start_stage),
    // Input
    Keep(direct_input), Keep(keyboard_device), Keep(controller_devices), Keep(controller_count), Keep(controller_names),
    Keep(controller_states), Keep(key_state), Keep(repeat_back), Keep(repeat_fire), Keep(repeat_missile),
    Keep(repeat_up), Keep(repeat_left), Keep(repeat_down), Keep(repeat_right), Keep(key_bindings), Keep(action_back),
    Keep(action_fire), Keep(action_missile), Keep(action_up), Keep(action_left), Keep(action_down), Keep(action_right),
    Keep(input_lock),
    // Sound
    Keep(direct_sound), Keep(primary_buffer), Keep(music_slot),
    // Main loop
    Keep(quit_flag), Keep(quit_code), Keep(main_window), Keep(desktop_mode), Keep(frame_limiter), Keep(frame_period_ms),
    Keep(frame_clock), Keep(frame_count), Keep(fps_clock), Keep(fps), Keep(exit_question_open), Keep(loop_message),
    // World: progress, fades and the play clock
    Keep(game_state), Keep(game_mode), Keep(in_game), Keep(menu_cursor), Keep(current_stage), Keep(stage_tick),
    Keep(score), Keep(player_thing), Keep(forward_level), Keep(missile_kind), Keep(missile_ammo), Keep(random_order),
    Keep(random_index), Keep(god_mode), Keep(message_text), Keep(message_alpha), Keep(forward_drop_count),
    Keep(missile_drop_count), Keep(last_hit_x), Keep(last_hit_y), Keep(clock_frames), Keep(play_seconds),
    Keep(play_minutes), Keep(world_shift), Keep(world_shift_target), Keep(phase_2), Keep(phase_4), Keep(phase_8),
    Keep(phase_16), Keep(phase_32), Keep(phase_64), Keep(phase_59), Keep(key_light_color), Keep(key_light_target),
    Keep(fill_light_color), Keep(fill_light_target), Keep(sky_color), Keep(sky_color_target), Keep(horizon_color),
    Keep(horizon_color_target), Keep(stars_color), Keep(stars_color_target), Keep(fog_end), Keep(fog_end_target),
    Keep(random_state), Keep(explosion_turn),
    // World: records
    Keep(high_score_name), Keep(high_score_major), Keep(high_score_minor), Keep(mode_unlocked), Keep(last_name),
    Keep(name_entry), Keep(name_pos),
    // World: stage environment and script registers
    Keep(backdrop_mesh), Keep(ark_radius), Keep(script_handle), Keep(script_var_2), Keep(script_var_3),
    Keep(script_var_4), Keep(script_var_5), Keep(script_var_6), Keep(title_lift_angle), Keep(title_camera_a),
    Keep(title_camera_b), Keep(title_ring_spin), Keep(title_ring_spin_rate), Keep(title_sling_x),
    Keep(title_outer_ring_spin),
    // World: the four tables
    Keep(thing_type), Keep(thing_parent), Keep(thing_anchor_x), Keep(thing_anchor_y), Keep(thing_x), Keep(thing_y),
    Keep(thing_vx), Keep(thing_vy), Keep(thing_hp), Keep(thing_box_x0), Keep(thing_box_y0), Keep(thing_box_x1),
    Keep(thing_box_y1), Keep(thing_score), Keep(thing_debris_type), Keep(thing_detach_mode), Keep(thing_fuse),
    Keep(thing_param), Keep(thing_fire_timer), Keep(thing_fire_interval), Keep(thing_timer), Keep(thing_timer2),
    Keep(thing_aim_x), Keep(thing_aim_y), Keep(thing_roll), Keep(thing_roll_rate), Keep(thing_roll_spring),
    Keep(thing_roll_time), Keep(projectile_type), Keep(projectile_owner), Keep(projectile_x), Keep(projectile_y),
    Keep(projectile_z), Keep(projectile_vx), Keep(projectile_vy), Keep(projectile_vz), Keep(projectile_ry),
    Keep(projectile_rx), Keep(projectile_rz), Keep(projectile_spin_y), Keep(projectile_spin_x), Keep(projectile_spin_z),
    Keep(projectile_accel_time), Keep(projectile_life), Keep(static_type), Keep(static_x), Keep(static_y),
    Keep(static_z), Keep(static_ry), Keep(static_rx), Keep(static_rz), Keep(static_spin_y), Keep(static_spin_x),
    Keep(static_spin_z), Keep(static_draw_order), Keep(static_listed), Keep(generator_type), Keep(generator_interval),
    Keep(generator_remaining), Keep(generator_x), Keep(generator_y), Keep(generator_z), Keep(generator_timer),
    Keep(thing_count), Keep(thing_last), Keep(projectile_count), Keep(projectile_last), Keep(static_count),
    Keep(static_last), Keep(generator_count), Keep(generator_last), Keep(ceiling_x0), Keep(ceiling_x1), Keep(floor_x0),
    Keep(floor_x1), Keep(scroll_speed),
    // Platform: what the engine tests ask of its headless layers
    Keep(gfx_backend_request), Keep(headless_sound_create_result), Keep(headless_sound_primary_result)};

std::vector<Kept> globals;          // kept, then the slots
std::vector<unsigned char> starts;  // their bytes when the program started, one after another

// Takes the start values before the first test runs.
class StartValues : public ::testing::Environment {
 public:
  void SetUp() override {
    globals.assign(std::begin(kept), std::end(kept));
    for (const MeshFile& row : mesh_table) globals.push_back(Keep(*row.slot));
    for (const SoundFile& row : sound_files) globals.push_back(Keep(*row.slot));
    for (const Kept& g : globals) {
      const unsigned char* bytes = static_cast<const unsigned char*>(g.at);
      starts.insert(starts.end(), bytes, bytes + g.size);
    }
  }
};

const ::testing::Environment* const start_values = ::testing::AddGlobalTestEnvironment(new StartValues);

}  // namespace

void ResetEngineState() {
  ASSERT_FALSE(starts.empty()) << "no start values taken";
  // What the program releases at its end (display and input), what it keeps until the process
  // ends (the sound device), then the platform's headless state.
  ShutdownDevices();
  ShutdownSound();
  WinResetForTests();
  ScriptClear();
  GfxResetHeadless();
  GfxClearCalls();
  SetVirtualClock(1000000);

  std::size_t at = 0;
  for (const Kept& g : globals) {
    std::memcpy(g.at, &starts[at], g.size);
    at += g.size;
  }
}
