#include "world/game.h"

#include "world/projectiles.h"

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
