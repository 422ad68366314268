// Game states and modes, the progress variables of a game, and the world tick.
#pragma once

enum GameState {
  STATE_BOOT = 0,
  STATE_MAIN_MENU = 1,
  STATE_PAUSE_MENU = 2,
  STATE_PAUSED = 3,       // automatic pause on losing activation
  STATE_MENU_HIDDEN = 4,  // pause with the menu hidden
  STATE_PLAYING = 5,
  STATE_OPTIONS = 6,
  STATE_ABOUT = 7,
  STATE_CREDITS = 8,
  STATE_FINAL_RESULTS = 9,
  STATE_HIGH_SCORES = 10,
  STATE_DEV_MODE = 11,
  STATE_CURRENT_MAP = 12,
  STATE_FEATURE_UNLOCKED = 13,
  STATE_HIGH_SCORE_ENTRY = 14,
  STATE_SOUND_OPTIONS = 15,
  STATE_DISPLAY_OPTIONS = 16,
  STATE_CONTROLS_OPTIONS = 17,
  STATE_AWAIT_KEY = 18,
  STATE_COUNT = 19,
};

enum GameMode {
  MODE_CAST = 0,
  MODE_SURVIVAL = 1,
  MODE_RANDOM = 2,
  MODE_BOSS_BATTLE = 3,
  MODE_DEV = 4,
  MODE_COUNT = 5,
};

extern int game_state;  // written only by SetGameState
extern int game_mode;
extern const char* const mode_names[MODE_COUNT];  // "Cast Mode", ...

// ---- Progress of the running game (per game unless said otherwise) ----------------------------
extern int in_game;        // a game waits behind the menus
extern int menu_cursor;    // selected row; also the table or feature a screen shows
extern int current_stage;  // 0..16 playable (Cast Mode: graph node), 17 boss battle, 18 test, 19 title
extern int stage_tick;     // frames since the stage began: the stage script's clock
extern int score;
extern int player_thing;   // slot of the player's ship; -2 while none
extern int forward_level;  // main gun level 0..3
extern int missile_kind;   // PROJ_BOMB, PROJ_HAWK, PROJ_DRUM or PROJ_CROW
extern int missile_ammo;
extern int random_order[17];  // Random Mode's stage order; -1 after ResetGame
extern int random_index;
extern int god_mode;          // Dev Mode: the player cannot die, nothing is recorded
extern char message_text[128];  // the HUD's centred fading message
extern float message_alpha;     // 2.0 when a message is posted
extern int forward_drop_count, missile_drop_count;  // kills until the next pickups
extern float last_hit_x, last_hit_y;                // where the last hit spark is drawn
extern int clock_frames, play_seconds, play_minutes;  // the play clock
extern int world_shift, world_shift_target;           // vertical offset of the world, world units
extern int phase_2, phase_4, phase_8, phase_16, phase_32, phase_64, phase_59;  // 0..period-1

// ---- Fades (per process; ResetStage sets the targets) ----------------------------------------
struct Color3 {
  float r, g, b;
};
extern Color3 key_light_color, key_light_target;
extern Color3 fill_light_color, fill_light_target;
extern Color3 sky_color, sky_color_target;
extern Color3 horizon_color, horizon_color_target;
extern Color3 stars_color, stars_color_target;
extern float fog_end, fog_end_target;

// Stores the state and runs its entry actions (again, when it is the state already held).
void SetGameState(int state);
// Empties the world and returns it to the title scene.
void ResetGame();
// Prepares the environment of a new stage: barriers, shift target, script registers, title
// values, fade targets, fog target, generators. The current colours and fog end fade on.
void ResetStage();
// Fills missile_ammo for missile_kind; an unknown kind becomes the Bomb with no missiles.
void SetMissileAmmo();
// Starts a game in MODE_CAST, MODE_SURVIVAL, MODE_RANDOM or MODE_BOSS_BATTLE (other values
// start nothing). The caller has checked the mode's unlock flag.
void StartGame(int mode);
// Starts a Dev Mode game (game_mode is already MODE_DEV) on stage 0..18; other stages start
// nothing. forward_level and missile_kind stay as the Dev Mode screen left them.
void StartDevStage(int stage);
// The world tick: the last step of every game frame and of every idle frame behind the menus.
void UpdateWorld();
// One frame of play: generators, statics, thing motion, projectiles, the player's collisions,
// projectile hits, behaviours, then the world tick.
void UpdateGameFrame();
// The world behind a menu keeps moving without generators, collisions or behaviour: statics,
// thing motion, projectiles, then the world tick.
void UpdateIdleWorld();

// A new ship for the player at (10, playfield_half_height); player_thing is its slot (or -1).
void SpawnPlayerShip();
// The player's ship slot, checked: player_thing while it is a thing slot holding the ship or
// the explosion that replaced it, else -1. Every read of the player's fields goes through it.
int PlayerSlot();
// The player's slot holds hit points above 0.
bool PlayerAlive();

// Posts the HUD's centred fading message, formatted and cut to fit message_text.
void PostHudMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A display colour: alpha 255 and per channel the channel x 255 truncated, held to 0..255.
unsigned int PackDeviceColor(float r, float g, float b);
