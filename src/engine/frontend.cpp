#include "engine/frontend.h"

#include <cstdio>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/input.h"
#include "engine/main_loop.h"
#include "world/projectiles.h"
#include "world/records.h"

int show_counts;
int show_fps;
int show_input;
int show_location;
int show_ground_ceiling;
int camera_view = VIEW_CLASSIC;
int dev_start_stage = DEV_LAST_STAGE;

namespace {

// Main menu rows; "Dev Mode" is hidden beside "Options" and reached only by left on it.
enum {
  MAIN_HIGH_SCORES = 4,
  MAIN_OPTIONS = 5,
  MAIN_DEV_MODE = 6,
  MAIN_LAST_SHOWN = MAIN_OPTIONS,
};

// Pause menu rows; "Dev Mode" is hidden beside "Options" as in the main menu.
enum {
  PAUSE_CURRENT_MAP = 0,
  PAUSE_HIDE_MENU = 1,
  PAUSE_OPTIONS = 2,
  PAUSE_QUIT_TO_MAIN = 3,
  PAUSE_DEV_MODE = 4,
  PAUSE_LAST_SHOWN = PAUSE_QUIT_TO_MAIN,
};

// Options rows.
enum {
  OPTIONS_SOUND = 0,
  OPTIONS_DISPLAY = 1,
  OPTIONS_CONTROLS = 2,
  OPTIONS_ABOUT = 3,
  OPTIONS_CREDITS = 4,
  OPTIONS_LAST = OPTIONS_CREDITS,
};

constexpr int HIGH_SCORE_LAST_TABLE = SCORED_MODES - 1;
constexpr int SPEED_STEP_MS = 10;
constexpr int SPEED_SLOWEST_MS = 100;
constexpr int FORWARD_LEVEL_MAX = 3;

void Toggle(int& value) { value = value ? 0 : 1; }

// ---- The Dev Mode rows ------------------------------------------------------------------------

void ToggleCounts() { Toggle(show_counts); }
void ToggleFps() { Toggle(show_fps); }
void ToggleInput() { Toggle(show_input); }
void ToggleLocation() { Toggle(show_location); }
void ToggleGroundCeiling() { Toggle(show_ground_ceiling); }
void ToggleGodMode() { Toggle(god_mode); }

void NextFillMode() {
  fill_mode = fill_mode + 1 > D3DFILL_SOLID ? D3DFILL_POINT : fill_mode + 1;
  if (device) SetRenderState(device, D3DRS_FILLMODE, static_cast<DWORD>(fill_mode));
}

// 50, 40, ..., 0 (as fast as the passes go), then round to the slowest.
void NextSpeed() {
  frame_period_ms -= SPEED_STEP_MS;
  if (frame_period_ms < 0) frame_period_ms = SPEED_SLOWEST_MS;
}

void NextForwardLevel() { forward_level = forward_level + 1 > FORWARD_LEVEL_MAX ? 0 : forward_level + 1; }

// A new kind comes with its full supply.
void NextMissileKind() {
  missile_kind = missile_kind + 1 > PROJ_CROW ? PROJ_BOMB : missile_kind + 1;
  SetMissileAmmo();
}

void StepCamera(int direction) {
  camera_view += direction;
  if (camera_view > CAMERA_VIEW_LAST) camera_view = CAMERA_VIEW_FIRST;
  if (camera_view < CAMERA_VIEW_FIRST) camera_view = CAMERA_VIEW_LAST;
}
void NextCamera() { StepCamera(1); }

void StepStartStage(int direction) {
  dev_start_stage += direction;
  if (dev_start_stage > DEV_LAST_STAGE) dev_start_stage = 0;
  if (dev_start_stage < 0) dev_start_stage = DEV_LAST_STAGE;
}
void StartDevModeStage() { StartDevStage(dev_start_stage); }

struct DevModeRow {
  const char* label;
  void (*select)();
  void (*step)(int direction);  // left -1, right +1; null where left and right do nothing
};

// label               select               left / right
const DevModeRow dev_mode_rows[DEV_MODE_ROWS] = {
    {.label = "Counts", .select = ToggleCounts, .step = nullptr},
    {.label = "FPS", .select = ToggleFps, .step = nullptr},
    {.label = "Fill Mode", .select = NextFillMode, .step = nullptr},
    {.label = "Input", .select = ToggleInput, .step = nullptr},
    {.label = "Location", .select = ToggleLocation, .step = nullptr},
    {.label = "Ground/Ceiling", .select = ToggleGroundCeiling, .step = nullptr},
    {.label = "Speed", .select = NextSpeed, .step = nullptr},
    {.label = "God Mode", .select = ToggleGodMode, .step = nullptr},
    {.label = "Forward", .select = NextForwardLevel, .step = nullptr},
    {.label = "Missle", .select = NextMissileKind, .step = nullptr},
    {.label = "Camera", .select = NextCamera, .step = StepCamera},
    {.label = "Stage", .select = StartDevModeStage, .step = StepStartStage},
};
static_assert(sizeof dev_mode_rows / sizeof dev_mode_rows[0] == DEV_MODE_ROWS);

const DevModeRow* DevModeRowAt(int cursor) {
  return cursor >= 0 && cursor < DEV_MODE_ROWS ? &dev_mode_rows[cursor] : nullptr;
}

// Up and down over rows 0..last, each clearing its flag, with the move sound.
void MoveCursorUpDown(int last) {
  if (action_up) {
    menu_cursor = WrapUp(menu_cursor, last);
    action_up = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
  if (action_down) {
    menu_cursor = WrapDown(menu_cursor, last);
    action_down = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
}

// Left on `shown` opens the hidden row beside it, right on the hidden row closes it; no sound.
void MoveToHiddenRow(int shown, int hidden) {
  if (action_left && menu_cursor == shown) {
    menu_cursor = hidden;
    action_left = 0;
  }
  if (action_right && menu_cursor == hidden) {
    menu_cursor = shown;
    action_right = 0;
  }
}

// About and credits: any key returns to their row of the options.
void HandleTextScreen(int options_row) {
  if (!in_game) UpdateIdleWorld();
  if (AnyKey()) {
    SetGameState(STATE_OPTIONS);
    menu_cursor = options_row;
    PlayMenuSound(&snd_tick_out_01);
  }
}

}  // namespace

// ---- The shared words ---------------------------------------------------------------------------

int Selected() { return action_fire || action_missile; }

int AnyKey() { return action_back || action_fire || action_missile; }

void PlayMenuSound(SoundSlot* snd) { PlaySoundSlot(snd, 0, 0.0f, 0.0f, 0.0f); }

int WrapUp(int cursor, int last) { return cursor < 1 ? last : cursor - 1; }

int WrapDown(int cursor, int last) { return cursor < last ? cursor + 1 : 0; }

// ---- The handlers -------------------------------------------------------------------------------

// The first pass only: the unlocks and initials, then the four tables.
void HandleBoot() {
  for (int n = RECORD_UNLOCKS; n < SCORED_MODES; n++) LoadRecord(n);
  SetGameState(STATE_MAIN_MENU);
}

void HandleMainMenu() {
  UpdateIdleWorld();
  if (action_back) {
    PlayMenuSound(&snd_tick_out_01);
    SaveConfig("prefs.cfg");
    QuitStep(0);
  }
  if (Selected()) {
    switch (menu_cursor) {
      case MODE_CAST:
      case MODE_SURVIVAL:
      case MODE_RANDOM:
      case MODE_BOSS_BATTLE:
        if (!mode_unlocked[menu_cursor]) {
          std::snprintf(text_buffer, sizeof text_buffer, "%s is Locked", mode_names[menu_cursor]);
          ConsolePrint(text_buffer);
        } else {
          StartGame(menu_cursor);
        }
        break;
      case MAIN_HIGH_SCORES:
        // From Dev Mode the cursor is 4, and the screen shows the first table instead.
        name_pos = -1;
        menu_cursor = game_mode;
        SetGameState(STATE_HIGH_SCORES);
        PlayMenuSound(&snd_tick_in_01);
        break;
      case MAIN_OPTIONS:
        SetGameState(STATE_OPTIONS);
        PlayMenuSound(&snd_tick_in_01);
        break;
      case MAIN_DEV_MODE:
        menu_cursor = 0;
        game_mode = MODE_DEV;
        SetGameState(STATE_DEV_MODE);
        PlayMenuSound(&snd_tick_in_01);
        break;
      default:
        break;
    }
  }
  MoveCursorUpDown(MAIN_LAST_SHOWN);
  MoveToHiddenRow(MAIN_OPTIONS, MAIN_DEV_MODE);
}

// The world stands still behind the pause menu.
void HandlePauseMenu() {
  if (action_back) {
    SetGameState(STATE_PLAYING);
    PlayMenuSound(&snd_tick_out_01);
  }
  if (Selected()) {
    switch (menu_cursor) {
      case PAUSE_CURRENT_MAP: SetGameState(STATE_CURRENT_MAP); break;
      case PAUSE_HIDE_MENU: SetGameState(STATE_MENU_HIDDEN); break;
      case PAUSE_OPTIONS: SetGameState(STATE_OPTIONS); break;
      case PAUSE_QUIT_TO_MAIN: SetGameState(STATE_MAIN_MENU); break;  // back to the title scene
      case PAUSE_DEV_MODE:
        // The game behind the menu goes on as a Dev Mode game.
        SetGameState(STATE_DEV_MODE);
        game_mode = MODE_DEV;
        break;
      default: break;
    }
    PlayMenuSound(&snd_tick_in_01);
  }
  MoveToHiddenRow(PAUSE_OPTIONS, PAUSE_DEV_MODE);
  MoveCursorUpDown(PAUSE_LAST_SHOWN);
}

// Entered when the program lost activation during play; regaining the focus resumes as well.
void HandlePaused() {
  if (AnyKey()) SetGameState(STATE_PLAYING);
}

// Holding fire steps the game one frame each time the key repeats.
void HandleMenuHidden() {
  if (action_back) {
    SetGameState(STATE_PLAYING);
    PlayMenuSound(&snd_tick_out_01);
  }
  if (Selected()) UpdateGameFrame();
}

// The pass that pauses still plays its frame.
void HandlePlaying() {
  if (action_back) {
    SetGameState(STATE_PAUSE_MENU);
    PlayMenuSound(&snd_tick_out_01);
  }
  UpdateGameFrame();
}

void HandleOptions() {
  if (!in_game) UpdateIdleWorld();
  if (action_back) {
    if (!in_game) {
      SetGameState(STATE_MAIN_MENU);
      menu_cursor = MAIN_OPTIONS;
    } else {
      SetGameState(STATE_PAUSE_MENU);
      menu_cursor = PAUSE_OPTIONS;
    }
    PlayMenuSound(&snd_tick_out_01);
  }
  if (Selected()) {
    switch (menu_cursor) {
      case OPTIONS_SOUND: SetGameState(STATE_SOUND_OPTIONS); break;
      case OPTIONS_DISPLAY: SetGameState(STATE_DISPLAY_OPTIONS); break;
      case OPTIONS_CONTROLS:
        SetGameState(STATE_CONTROLS_OPTIONS);
        SyncBindings(0);  // the screen edits a copy of the configured keys
        break;
      case OPTIONS_ABOUT: SetGameState(STATE_ABOUT); break;
      case OPTIONS_CREDITS: SetGameState(STATE_CREDITS); break;
      default: break;
    }
    menu_cursor = 0;
    PlayMenuSound(&snd_tick_in_01);
  }
  MoveCursorUpDown(OPTIONS_LAST);
}

void HandleAbout() { HandleTextScreen(OPTIONS_ABOUT); }

void HandleCredits() { HandleTextScreen(OPTIONS_CREDITS); }

// The cursor is the mode whose table is shown. Its flags stay set for the tests after them.
void HandleHighScores() {
  UpdateIdleWorld();
  if (action_back) {
    game_mode = menu_cursor;  // the main menu's entry puts its cursor on that mode
    SetGameState(STATE_MAIN_MENU);
    PlayMenuSound(&snd_tick_out_01);
  }
  if (action_up || action_left) {
    menu_cursor = WrapUp(menu_cursor, HIGH_SCORE_LAST_TABLE);
    PlayMenuSound(&snd_tick_move_01);
  }
  if (action_down || action_right || Selected()) {
    menu_cursor = WrapDown(menu_cursor, HIGH_SCORE_LAST_TABLE);
    PlayMenuSound(&snd_tick_move_01);
  }
}

void HandleDevMode() {
  if (!in_game) UpdateIdleWorld();
  if (action_back) {
    SetGameState(in_game ? STATE_PAUSE_MENU : STATE_MAIN_MENU);
    PlayMenuSound(&snd_tick_out_01);
  }
  if (Selected()) {
    if (const DevModeRow* row = DevModeRowAt(menu_cursor)) row->select();
  }
  // Left and right keep their flags; the row is looked up again after a select.
  if (const DevModeRow* row = DevModeRowAt(menu_cursor); row && row->step) {
    if (action_left) row->step(-1);
    if (action_right) row->step(1);
  }
  MoveCursorUpDown(DEV_MODE_ROWS - 1);
}

// The world stands still behind the map.
void HandleCurrentMap() {
  if (AnyKey()) {
    SetGameState(STATE_PAUSE_MENU);
    PlayMenuSound(&snd_tick_out_01);
  }
}

// By state, in state order.
const StateHandler state_handlers[STATE_COUNT] = {
    HandleBoot,             // STATE_BOOT
    HandleMainMenu,         // STATE_MAIN_MENU
    HandlePauseMenu,        // STATE_PAUSE_MENU
    HandlePaused,           // STATE_PAUSED
    HandleMenuHidden,       // STATE_MENU_HIDDEN
    HandlePlaying,          // STATE_PLAYING
    HandleOptions,          // STATE_OPTIONS
    HandleAbout,            // STATE_ABOUT
    HandleCredits,          // STATE_CREDITS
    HandleFinalResults,     // STATE_FINAL_RESULTS
    HandleHighScores,       // STATE_HIGH_SCORES
    HandleDevMode,          // STATE_DEV_MODE
    HandleCurrentMap,       // STATE_CURRENT_MAP
    HandleFeatureUnlocked,  // STATE_FEATURE_UNLOCKED
    HandleHighScoreEntry,   // STATE_HIGH_SCORE_ENTRY
    HandleSoundOptions,     // STATE_SOUND_OPTIONS
    HandleDisplayOptions,   // STATE_DISPLAY_OPTIONS
    HandleControlsOptions,  // STATE_CONTROLS_OPTIONS
    HandleAwaitKey,         // STATE_AWAIT_KEY
};
