// The front-end states after a game (final results, feature unlocked, name entry) and the option
// screens (sound, display, controls and its key capture).
#include "engine/frontend.h"

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/input.h"
#include "engine/main_loop.h"
#include "world/progression.h"
#include "world/records.h"
#include "world/tables.h"

namespace {

constexpr int NAME_LENGTH = 3;
constexpr char NAME_FIRST_STEP = '!';  // the characters up and down step through
constexpr char NAME_LAST_STEP = '^';
constexpr int NAME_TYPE_LOCK = 3;      // passes without input after a key in the name entry
constexpr int AWAIT_KEY_LOCK = 12;     // lets the select key go before a key is taken
constexpr int KEY_SCAN_LAST = 254;

constexpr float VOLUME_STEP = 500.0f;  // hundredths of a decibel
constexpr float VOLUME_SILENT = -10000.0f;
constexpr float VOLUME_FULL = 0.0f;

constexpr int ANTIALIAS_MAX = 16;

// Display options rows.
enum {
  DISPLAY_FULLSCREEN = 0,
  DISPLAY_RESOLUTION = 1,
  DISPLAY_VSYNC = 2,
  DISPLAY_ANTIALIAS = 3,
  DISPLAY_LAST = DISPLAY_ANTIALIAS,
};

// Sound options rows.
enum {
  SOUND_EFFECTS = 0,
  SOUND_MUSIC = 1,
  SOUND_LAST = SOUND_MUSIC,
};

// The options rows the option screens return to.
constexpr int OPTIONS_DISPLAY_ROW = 1;
constexpr int OPTIONS_CONTROLS_ROW = 2;

// The controls screen: two columns of seven rows, the first and the second key of each action.
constexpr int CONTROLS_COLUMN = ACTION_COUNT;
constexpr int CONTROLS_LAST = KEY_BINDING_COUNT - 1;

// The lowest scan code held down this pass, or -1.
int KeyScan() {
  for (int k = 0; k <= KEY_SCAN_LAST; k++)
    if (key_state[k]) return k;
  return -1;
}

// A binding of the controls screen that names a key the poll can see.
int ActionHasKey(int action) {
  int first = key_bindings[action], second = key_bindings[CONTROLS_COLUMN + action];
  return (first >= 1 && first < KEY_STATE_SIZE) || (second >= 1 && second < KEY_STATE_SIZE);
}

void ToggleSetting(float& value) { value = value != 0.0f ? 0.0f : 1.0f; }

// Left and right on a row of the option screens; each clears the flags it used, select counting
// as right.
int TakeLeft() {
  if (!action_left) return 0;
  action_left = 0;
  return 1;
}
int TakeRightOrSelect() {
  if (!action_right && !Selected()) return 0;
  action_right = action_fire = action_missile = 0;
  return 1;
}

// One volume row: left lowers, right or select raises, each heard in the slot it sets.
void StepVolume(float& volume, SoundSlot* heard) {
  if (TakeLeft()) {
    volume = volume - VOLUME_STEP < VOLUME_SILENT ? VOLUME_SILENT : volume - VOLUME_STEP;
    PlayMenuSound(heard);
  }
  if (TakeRightOrSelect()) {
    volume = volume + VOLUME_STEP > VOLUME_FULL ? VOLUME_FULL : volume + VOLUME_STEP;
    PlayMenuSound(heard);
  }
}

// The display settings the device was last made with: what leaving the screen compares against,
// and what a display that cannot be made with the new settings falls back to.
struct DisplaySettings {
  float windowed, width, height, format, vsync, antialias;
  int mode_index;
};
DisplaySettings applied_display;

DisplaySettings CurrentDisplaySettings() {
  return {.windowed = windowed,
          .width = display_width,
          .height = display_height,
          .format = display_format,
          .vsync = vsync,
          .antialias = antialias,
          .mode_index = display_mode_index};
}

void RestoreDisplaySettings(const DisplaySettings& s) {
  windowed = s.windowed;
  display_width = s.width;
  display_height = s.height;
  display_format = s.format;
  vsync = s.vsync;
  antialias = s.antialias;
  display_mode_index = s.mode_index;
}

// The mode list entry one step on, wrapping at both ends; an index the list no longer reaches (the
// list is rebuilt with every display) comes back into it.
void StepDisplayMode(int direction) {
  settings_changed = 1;
  if (direction < 0)
    display_mode_index = display_mode_index <= 0 || display_mode_index > display_mode_last ? display_mode_last
                                                                                            : display_mode_index - 1;
  else
    display_mode_index = display_mode_index >= display_mode_last || display_mode_index < -1 ? 0
                                                                                             : display_mode_index + 1;
  display_width = static_cast<float>(display_mode_width[display_mode_index]);
  display_height = static_cast<float>(display_mode_height[display_mode_index]);
  display_format = static_cast<float>(display_mode_format[display_mode_index]);
}

// The resolution row: with no mode from the adapter there is nothing to choose from.
void ResolutionRow() {
  int left = TakeLeft();
  int right = TakeRightOrSelect();
  if (!left && !right) return;
  if (display_mode_count == 0) {
    PlayMenuSound(&snd_tick_denied_01);
    return;
  }
  PlayMenuSound(&snd_tick_move_01);
  if (left) StepDisplayMode(-1);
  if (right) StepDisplayMode(1);
}

// 0 and 2 to 16: one sample is no multisampling type. A value from the file steps from its whole
// part, so that the row only ever offers the levels it shows.
void StepAntialias(int direction) {
  settings_changed = 1;
  int level = ConfigInt(antialias);
  if (direction < 0) {
    level = level <= 0 ? ANTIALIAS_MAX : level - 1;
    if (level == 1) level = 0;
  } else {
    level = level >= ANTIALIAS_MAX ? 0 : level + 1;
    if (level == 1) level = 2;
  }
  antialias = static_cast<float>(level);
}

// A row that only toggles: left, right or select, each cleared.
void ToggleRow(float& value) {
  int left = TakeLeft();
  int right = TakeRightOrSelect();
  if (!left && !right) return;
  PlayMenuSound(&snd_tick_move_01);
  settings_changed = 1;
  ToggleSetting(value);
}

// The window must fit inside the desktop; checked only when the window or its size changed, so
// that a screen left as it was can always be left.
int WindowFits() {
  int changed = windowed != applied_display.windowed || display_width != applied_display.width ||
                display_height != applied_display.height;
  if (!changed || windowed == 0.0f) return 1;
  return display_width < static_cast<float>(desktop_mode.dmPelsWidth) &&
         display_height < static_cast<float>(desktop_mode.dmPelsHeight);
}

// The multisample level must suit the adapter; checked only when the level or what it is checked
// for (the format, the window) changed.
int AntialiasSupported() {
  int changed = antialias != applied_display.antialias || display_format != applied_display.format ||
                windowed != applied_display.windowed;
  if (!changed) return 1;
  if (!direct3d) return 0;
  HRESULT multisample = CheckDeviceMultiSampleType(direct3d, D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL,
                                                   static_cast<D3DFORMAT>(ConfigInt(display_format)),
                                                   static_cast<BOOL>(ConfigInt(windowed)),
                                                   static_cast<D3DMULTISAMPLE_TYPE>(ConfigInt(antialias)));
  return SUCCEEDED(multisample);
}

// Back on the display options: the settings are checked, then applied by making the display
// anew. A display that cannot be made with them is made again with the settings it had; only when
// that fails too does the program end, without saving either.
void ApplyDisplaySettings() {
  if (!WindowFits()) {
    ConsolePrint("Selected Window Resolution is Larger then Screen.");
    PlayMenuSound(&snd_tick_denied_01);
    return;
  }
  if (!AntialiasSupported()) {
    ConsolePrint("Selected Antialiasing Level is Unsupported");
    PlayMenuSound(&snd_tick_denied_01);
    return;
  }
  SetGameState(STATE_OPTIONS);
  menu_cursor = OPTIONS_DISPLAY_ROW;
  if (!settings_changed) {
    PlayMenuSound(&snd_tick_out_01);
    return;
  }
  ReleaseGraphics();
  if (StartDisplay()) {
    PlayMenuSound(&snd_tick_out_01);
    return;
  }
  PlayMenuSound(&snd_tick_denied_01);
  RestoreDisplaySettings(applied_display);
  ReleaseGraphics();
  int restarted = StartDisplay();
  // Printed once a display is back, so that it reaches the console rather than a box.
  ConsolePrint("Unable to apply new settings. The changes will Not be saved.");
  if (!restarted) QuitStep(EXIT_DISPLAY_FAILED);
}

// The name entry's up and down: through '!' to '^', wrapping. A typed character above that run
// ('|', '~') steps down one at a time, and up from it starts the run again.
void StepNameCharacter(char& c) {
  if (action_down) c = c <= NAME_FIRST_STEP ? NAME_LAST_STEP : static_cast<char>(c - 1);
  if (action_up) c = c < NAME_LAST_STEP ? static_cast<char>(c + 1) : NAME_FIRST_STEP;
}

}  // namespace

// Two phases by the cursor: 0 the continue countdown (the last game frame stays on screen), else
// the results.
void HandleFinalResults() {
  if (menu_cursor == 0) {
    // No key within the countdown continues as fire would.
    thing_timer[0] -= 1;
    if (thing_timer[0] == 0) action_fire = 1;
    if (AnyKey()) ContinueGame();
  } else if (input_lock == 0 && AnyKey()) {
    EndGame();
  }
}

// One key arms the screen; the unlock is stored on the pass after it.
void HandleFeatureUnlocked() {
  if (name_pos == 0) {
    if (AnyKey()) name_pos = 1;
  } else {
    StoreUnlock();
  }
}

// The three initials of row menu_cursor: typed, or stepped with up and down; left and right move
// between them. No sound while letters are entered.
void HandleHighScoreEntry() {
  if (name_pos >= NAME_LENGTH) {
    StoreInitials();
    return;
  }
  int typed = 0;
  if (input_lock == 0) {
    int key = KeyScan();
    if (key >= 0) {
      int c = GetKeyName(-1, key);
      if (c != '?') {
        name_entry[name_pos] = static_cast<char>(c);
        name_pos++;
        typed = 1;
      }
      input_lock = NAME_TYPE_LOCK;
    }
  }
  // A typed key acts only as its character: the action it may be bound to (W is up) would
  // otherwise step the letter after it.
  if (!typed && name_pos < NAME_LENGTH) StepNameCharacter(name_entry[name_pos]);
  if ((action_left || action_back) && !typed && name_pos > 0) name_pos--;
  if ((action_right || Selected()) && !typed && name_pos < NAME_LENGTH) name_pos++;
}

void HandleSoundOptions() {
  if (!in_game) UpdateIdleWorld();
  if (action_back) {
    SetGameState(STATE_OPTIONS);
    PlayMenuSound(&snd_tick_out_01);
  }
  // The sounds heard from then on play at the new volume; nothing fills the music slot.
  if (menu_cursor == SOUND_EFFECTS) StepVolume(volume_effects, &snd_tick_move_01);
  if (menu_cursor == SOUND_MUSIC) StepVolume(volume_music, music_slot);
  if (action_up) {
    menu_cursor = WrapUp(menu_cursor, SOUND_LAST);
    action_up = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
  if (action_down) {
    menu_cursor = WrapDown(menu_cursor, SOUND_LAST);
    action_down = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
}

void HandleDisplayOptions() {
  // Until something changes, the settings are the ones the device was made with.
  if (!settings_changed) applied_display = CurrentDisplaySettings();
  if (!in_game) UpdateIdleWorld();
  if (action_back) ApplyDisplaySettings();
  switch (menu_cursor) {
    case DISPLAY_FULLSCREEN: ToggleRow(windowed); break;
    case DISPLAY_RESOLUTION: ResolutionRow(); break;
    case DISPLAY_VSYNC: ToggleRow(vsync); break;
    case DISPLAY_ANTIALIAS:
      if (TakeLeft()) {
        PlayMenuSound(&snd_tick_move_01);
        StepAntialias(-1);
      }
      if (TakeRightOrSelect()) {
        PlayMenuSound(&snd_tick_move_01);
        StepAntialias(1);
      }
      break;
    default: break;
  }
  if (action_up) {
    menu_cursor = WrapUp(menu_cursor, DISPLAY_LAST);
    action_up = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
  if (action_down) {
    menu_cursor = WrapDown(menu_cursor, DISPLAY_LAST);
    action_down = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
}

// The cursor stops at the first and last row and column; every move sounds, also one that stops.
void HandleControlsOptions() {
  if (!in_game) UpdateIdleWorld();
  if (action_back && (!ActionHasKey(ACTION_BACK) || !ActionHasKey(ACTION_FIRE))) {
    // Without a key for back or fire the menus could not be left or chosen from any more.
    PlayMenuSound(&snd_tick_denied_01);
  } else if (action_back) {
    SetGameState(STATE_OPTIONS);
    PlayMenuSound(&snd_tick_out_01);
    menu_cursor = OPTIONS_CONTROLS_ROW;
    SyncBindings(1);  // the edited keys take effect from here on
  }
  if (Selected()) {
    input_lock = AWAIT_KEY_LOCK;
    SetGameState(STATE_AWAIT_KEY);
    PlayMenuSound(&snd_tick_move_01);
  }
  if (action_left) {
    if (menu_cursor > CONTROLS_COLUMN - 1) menu_cursor -= CONTROLS_COLUMN;
    action_left = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
  if (action_right) {
    if (menu_cursor < CONTROLS_COLUMN) menu_cursor += CONTROLS_COLUMN;
    action_right = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
  if (action_up) {
    if (menu_cursor > 0) menu_cursor--;
    action_up = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
  if (action_down) {
    if (menu_cursor < CONTROLS_LAST) menu_cursor++;
    action_down = 0;
    PlayMenuSound(&snd_tick_move_01);
  }
}

// The next key pressed takes the binding under the cursor, and leaves every other binding that
// held it: a key serves one binding only. Any key can be bound, back's too.
void HandleAwaitKey() {
  if (!in_game) UpdateIdleWorld();
  if (input_lock != 0) return;
  int key = KeyScan();
  if (key < 0) return;
  for (int i = 0; i < KEY_BINDING_COUNT; i++)
    if (i != menu_cursor && key_bindings[i] == key) key_bindings[i] = 0;
  if (menu_cursor >= 0 && menu_cursor < KEY_BINDING_COUNT) key_bindings[menu_cursor] = key;
  SetGameState(STATE_CONTROLS_OPTIONS);
  PlayMenuSound(&snd_tick_select_01);
}
