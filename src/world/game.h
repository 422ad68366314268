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
extern int in_game;     // a game waits behind the menus

// Stores the state and runs its entry actions (again, when it is the state already held).
void SetGameState(int state);
// Empties the world and returns it to the title scene.
void ResetGame();
// Prepares the environment of a new stage.
void ResetStage();
// The world tick: the last step of every game frame and of every idle frame behind the menus.
void UpdateWorld();
