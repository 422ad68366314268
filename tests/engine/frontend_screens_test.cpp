#include "engine/frontend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frontend_fixture.h"
#include "world/progression.h"

namespace {

// ---- After a game -------------------------------------------------------------------------------

// A Cast Mode game whose ship was just lost at `node`, as the ship's end leaves it.
void ShipLostAt(int node) {
  StartGame(MODE_CAST);
  current_stage = node;
  SetGameState(STATE_FINAL_RESULTS);
  menu_cursor = 0;
  thing_timer[0] = 20;
}

// A game of `mode` over on `stage` with the ship alive: the results are up, their lock over.
void ResultsShownAt(int mode, int stage) {
  StartGame(mode);
  current_stage = stage;
  SetGameState(STATE_FINAL_RESULTS);
  menu_cursor = 1;
  input_lock = 0;
}

// With no key at all the continue comes 20 passes after the ship's end, by itself.
TEST_F(ProgramTest, TheContinueComesByItselfAfterTwentyPasses) {
  StartToMenu();
  ShipLostAt(5);
  int passes = 0;
  while (game_state == STATE_FINAL_RESULTS && passes < 40) {
    RunPass();
    passes++;
  }
  EXPECT_EQ(passes, 20);
  EXPECT_EQ(game_state, STATE_PLAYING);
  EXPECT_EQ(current_stage, 1);
  EXPECT_GE(PlayerSlot(), 0);
}

TEST_F(FrontEndTest, AContinueWithBackOpensTheMap) {
  ShipLostAt(5);
  input_lock = 0;
  SetFlags("B");
  RunHandler();
  EXPECT_EQ(game_state, STATE_CURRENT_MAP);
  EXPECT_EQ(current_stage, 1);
  EXPECT_EQ(Heard(), "out");
}

// A loss that ends the game shows the results; a key there (once the lock is over) ends it.
TEST_F(FrontEndTest, ALossThatEndsTheGameShowsTheResults) {
  ShipLostAt(2);
  input_lock = 0;
  SetFlags("F");
  RunHandler();
  EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
  EXPECT_EQ(menu_cursor, 1);
  EXPECT_EQ(input_lock, 12);
  RunHandler();  // the lock holds
  EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
  input_lock = 0;
  SetFlags("");
  RunHandler();
  EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
  SetFlags("M");
  RunHandler();
  // 0 points beats the empty row 0.
  EXPECT_EQ(game_state, STATE_HIGH_SCORE_ENTRY);
  EXPECT_EQ(menu_cursor, 0);
}

// Ending Cast Mode alive: the results, the unlock of Random Mode, the name entry, the table.
TEST_F(FrontEndTest, EndingCastModeUnlocksRandomModeThenTakesTheInitials) {
  ResultsShownAt(MODE_CAST, 16);
  score = 4000;
  SetFlags("F");
  RunHandler();
  EXPECT_EQ(game_state, STATE_FEATURE_UNLOCKED);
  EXPECT_EQ(menu_cursor, 2);
  EXPECT_EQ(Heard(), "reward1");

  SetFlags("");
  RunHandler();
  EXPECT_EQ(game_state, STATE_FEATURE_UNLOCKED);
  SetFlags("B");
  RunHandler();  // arms the screen, silently
  EXPECT_EQ(name_pos, 1);
  EXPECT_EQ(game_state, STATE_FEATURE_UNLOCKED);
  EXPECT_EQ(Heard(), "");
  SetFlags("");
  RunHandler();  // the pass after: stored and ranked
  EXPECT_EQ(mode_unlocked[MODE_RANDOM], 1);
  EXPECT_EQ(Text("record(-1).dat"), "1\r\r\n0\r\r\n1\r\r\n0\r\r\nAAA\r\r\n");
  EXPECT_EQ(game_state, STATE_HIGH_SCORE_ENTRY);
  EXPECT_EQ(menu_cursor, 0);
  EXPECT_EQ(Heard(), "reward2");
  EXPECT_STREQ(name_entry, "AAA");

  // "K" typed, "B" stepped to with up, fire to the last letter, "S" typed.
  input_lock = 0;
  key_state[37] = 0x80;
  RunHandler();
  key_state[37] = 0;
  EXPECT_EQ(input_lock, 3);
  input_lock = 0;
  SetFlags("U");
  RunHandler();
  SetFlags("F");
  RunHandler();
  SetFlags("");
  key_state[31] = 0x80;
  RunHandler();
  key_state[31] = 0;
  EXPECT_STREQ(name_entry, "KBS");
  EXPECT_EQ(name_pos, 3);
  EXPECT_EQ(game_state, STATE_HIGH_SCORE_ENTRY);
  EXPECT_EQ(Heard(), "");  // letters are entered silently
  RunHandler();
  EXPECT_EQ(game_state, STATE_HIGH_SCORES);
  EXPECT_EQ(name_pos, 0);  // the new row blinks
  EXPECT_EQ(menu_cursor, MODE_CAST);
  EXPECT_STREQ(high_score_name[MODE_CAST][0], "KBS");
  EXPECT_EQ(high_score_minor[MODE_CAST][0], 4000);
  EXPECT_EQ(Text("record(0).dat").substr(0, 17), "KBS\r\r\n0\r\r\n4000\r\r\n");
  EXPECT_STREQ(last_name, "KBS");
}

// Surviving Survival shows the Dev Mode hint, which unlocks nothing, then ranks the game.
TEST_F(FrontEndTest, TheDevModeHintStoresNoUnlock) {
  ResultsShownAt(MODE_SURVIVAL, 17);
  SetFlags("F");
  RunHandler();
  EXPECT_EQ(game_state, STATE_FEATURE_UNLOCKED);
  EXPECT_EQ(menu_cursor, 4);
  RunHandler();
  SetFlags("");
  RunHandler();
  const int locked[SCORED_MODES] = {1, 0, 0, 0};
  EXPECT_EQ(std::memcmp(mode_unlocked, locked, sizeof locked), 0);
  EXPECT_EQ(game_state, STATE_HIGH_SCORE_ENTRY);
}

// One pass of the name entry: the letters and position before, the key held and the flags the
// poll set, and what follows.
struct NameCase {
  const char* label;
  const char* name;
  int pos;
  int lock;
  int key;  // scan code held, -1 none
  const char* flags;
  const char* want_name;
  int want_pos;
  int want_lock;
};

// clang-format off
const NameCase name_cases[] = {
    // label                           name   pos lock key   flags  -> name   pos lock
    {"a letter is typed",              "AAA",  0, 0,  37,   "",     "KAA",  1,  3},
    {"the last letter is typed",       "AAA",  2, 0,  44,   "",     "AAZ",  3,  3},
    {"a digit",                        "AAA",  1, 0,   4,   "",     "A3A",  2,  3},
    {"the Spacebar types a blank",     "AAA",  0, 0,  57,   "F",    " AA",  1,  3},
    {"an arrow steps the letter",      "AAA",  0, 0, 200,   "U",    "BAA",  0,  3},
    {"Enter moves on as missile",      "AAA",  1, 0,  28,   "M",    "AAA",  2,  3},
    {"the lock holds the scan",        "AAA",  0, 2,  37,   "",     "AAA",  0,  2},
    {"up on ^ wraps to !",             "^AA",  0, 0,  -1,   "U",    "!AA",  0,  0},
    {"down on ! wraps to ^",           "!AA",  0, 0,  -1,   "D",    "^AA",  0,  0},
    {"down on a blank wraps to ^",     " AA",  0, 0,  -1,   "D",    "^AA",  0,  0},
    {"up on a blank gives !",          " AA",  0, 0,  -1,   "U",    "!AA",  0,  0},
    {"down on | steps back by one",    "|AA",  0, 0,  -1,   "D",    "{AA",  0,  0},
    {"up on ~ gives !",                "~AA",  0, 0,  -1,   "U",    "!AA",  0,  0},
    {"down steps back",                "KAA",  0, 0,  -1,   "D",    "JAA",  0,  0},
    {"W types and does not step on",   "AAA",  0, 0,  17,   "U",    "WAA",  1,  3},
    {"back on the first letter",       "AAA",  0, 0,  -1,   "B",    "AAA",  0,  0},
    {"left to the letter before",      "AAA",  2, 0,  -1,   "L",    "AAA",  1,  0},
    {"fire on the last letter",        "AAA",  2, 0,  -1,   "F",    "AAA",  3,  0},
    {"right moves on",                 "AAA",  0, 0,  -1,   "R",    "AAA",  1,  0},
    {"A types and does not go back",   "AAA",  1, 0,  30,   "L",    "AAA",  2,  3},
};
// clang-format on

TEST_F(FrontEndTest, NameEntryPasses) {
  for (const NameCase& c : name_cases) {
    SCOPED_TRACE(c.label);
    ResetFrontEnd();
    game_state = STATE_HIGH_SCORE_ENTRY;
    std::memcpy(name_entry, c.name, 4);
    name_pos = c.pos;
    input_lock = c.lock;
    if (c.key >= 0) key_state[c.key] = 0x80;
    SetFlags(c.flags);
    RunHandler();
    EXPECT_STREQ(name_entry, c.want_name);
    EXPECT_EQ(name_pos, c.want_pos);
    EXPECT_EQ(input_lock, c.want_lock);
    EXPECT_EQ(game_state, STATE_HIGH_SCORE_ENTRY);
    EXPECT_EQ(Heard(), "");
  }
}

// ---- The sound options --------------------------------------------------------------------------

TEST_F(FrontEndTest, EffectsVolumeStepsWithinItsRange) {
  struct Step {
    float before;
    const char* flags;
    float after;
  };
  const Step steps[] = {{0, "L", -500}, {-9800, "L", -10000}, {-10000, "L", -10000},
                        {-300, "R", 0}, {0, "F", 0},          {-5000, "M", -4500}};
  for (const Step& s : steps) {
    SCOPED_TRACE(std::string(s.flags) + " from " + std::to_string(s.before));
    game_state = STATE_SOUND_OPTIONS;
    menu_cursor = 0;
    volume_effects = s.before;
    SetFlags(s.flags);
    RunHandler();
    EXPECT_EQ(volume_effects, s.after);
    EXPECT_EQ(volume_music, 0);
    EXPECT_EQ(Heard(), "move");
    EXPECT_EQ(action_left | action_right | action_fire | action_missile, 0);
  }
}

// The music row plays the music slot, which nothing fills: the missing sound is reported.
TEST_F(FrontEndTest, MusicVolumeIsHeardInTheEmptyMusicSlot) {
  game_state = STATE_SOUND_OPTIONS;
  menu_cursor = 1;
  volume_music = -1000;
  SetFlags("R");
  RunHandler();
  EXPECT_EQ(volume_music, -500);
  EXPECT_EQ(volume_effects, 0);
  EXPECT_EQ(Heard(), "");
  EXPECT_NE(ConsoleLog().find("Undefined snd or snd.buffer"), std::string::npos);
}

TEST_F(FrontEndTest, SoundOptionsBackAndWrap) {
  game_state = STATE_SOUND_OPTIONS;
  menu_cursor = 0;
  SetFlags("U");
  RunHandler();
  EXPECT_EQ(menu_cursor, 1);
  SetFlags("D");
  RunHandler();
  EXPECT_EQ(menu_cursor, 0);
  Heard();
  SetFlags("B");
  RunHandler();
  EXPECT_EQ(game_state, STATE_OPTIONS);
  EXPECT_EQ(menu_cursor, 0);
  EXPECT_EQ(Heard(), "out");
}

// ---- The display options ------------------------------------------------------------------------

// Runs the display options' handler on `row` with the flags n times and gives the setting after
// each pass.
std::string StepRow(int row, const char* flags, int n, const float& setting) {
  std::string seen;
  for (int i = 0; i < n; i++) {
    game_state = STATE_DISPLAY_OPTIONS;
    menu_cursor = row;
    SetFlags(flags);
    state_handlers[STATE_DISPLAY_OPTIONS]();
    if (!seen.empty()) seen += " ";
    seen += std::to_string(static_cast<int>(setting));
  }
  return seen;
}

TEST_F(ProgramTest, DisplayOptionRowsChangeTheSettings) {
  StartToMenu();
  EXPECT_EQ(StepRow(0, "L", 2, windowed), "0 1");
  EXPECT_EQ(StepRow(2, "F", 3, vsync), "0 1 0");
  EXPECT_EQ(settings_changed, 1);
  EXPECT_EQ(Heard(), "move");
  // The 4:3 modes of the adapter: 640, 800, 1024 and 1152 wide.
  ASSERT_EQ(display_mode_last, 3);
  EXPECT_EQ(StepRow(1, "R", 5, display_width), "640 800 1024 1152 640");
  EXPECT_EQ(StepRow(1, "L", 2, display_height), "864 768");
  EXPECT_EQ(display_format, 22);
  EXPECT_EQ(StepRow(3, "M", 17, antialias), "2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 0 2");
  antialias = 16;
  EXPECT_EQ(StepRow(3, "L", 17, antialias), "15 14 13 12 11 10 9 8 7 6 5 4 3 2 0 16 15");
  // Every row clears the flags it used.
  EXPECT_EQ(action_left | action_right | action_fire | action_missile, 0);
}

// A list rebuilt shorter than the selected entry brings the index back into it.
TEST_F(ProgramTest, AModeIndexPastTheListComesBackIntoIt) {
  StartToMenu();
  display_mode_index = 9;
  StepRow(1, "L", 1, display_width);
  EXPECT_EQ(display_mode_index, 3);
  display_mode_index = 9;
  StepRow(1, "R", 1, display_width);
  EXPECT_EQ(display_mode_index, 0);
}

TEST_F(ProgramTest, LeavingTheDisplayOptionsUnchangedOnlyPlaysOut) {
  StartToMenu();
  IDirect3DDevice8* before = device;
  game_state = STATE_DISPLAY_OPTIONS;
  menu_cursor = 2;
  SetFlags("B");
  RunHandler();
  EXPECT_EQ(game_state, STATE_OPTIONS);
  EXPECT_EQ(menu_cursor, 1);
  EXPECT_EQ(Heard(), "out");
  EXPECT_EQ(device, before);
}

TEST_F(ProgramTest, ChangedDisplaySettingsMakeTheDisplayAnew) {
  StartToMenu();
  StepRow(2, "F", 1, vsync);
  Heard();
  GfxClearCalls();
  SetFlags("B");
  RunHandler();
  EXPECT_EQ(game_state, STATE_OPTIONS);
  EXPECT_EQ(menu_cursor, 1);
  EXPECT_EQ(Heard(), "out");
  EXPECT_NE(device, nullptr);
  EXPECT_EQ(settings_changed, 0);
  EXPECT_EQ(quit_flag, 0);
  int released = 0, created = 0;
  for (int i = 0; i < GfxCallCount(); i++) {
    released += GfxCallAt(i)->op == GFX_OP_RELEASE_DEVICE;
    created += GfxCallAt(i)->op == GFX_OP_CREATE_DEVICE;
  }
  EXPECT_EQ(released, 1);
  EXPECT_EQ(created, 1);
}

// Leaving the display options. Each check runs only on a setting that changed since the display
// was made, so a screen left as it was can always be left; a display that cannot be made with the
// new settings is made again with the old ones, and only when that fails too does the program end,
// without saving.
struct DisplaySetting {
  float windowed, width, height, antialias;
};
TEST_F(ProgramTest, LeavingTheDisplayOptions) {
  enum Outcome { LEFT, REFUSED, RESTORED, QUIT };
  struct Case {
    const char* label;
    DisplaySetting made;     // what the display runs with as the screen opens
    DisplaySetting chosen;   // what the rows leave when back is pressed
    int failed_creates;      // device creations that fail from then on
    Outcome outcome;
    const char* message;     // on the console (or in a box once no display is left)
  };
  const char* too_large = "Selected Window Resolution is Larger then Screen.";
  const char* unsupported = "Selected Antialiasing Level is Unsupported";
  const char* not_applied = "Unable to apply new settings. The changes will Not be saved.";
  // The desktop is 1920 x 1080; the adapter takes up to 4 samples.
  const Case cases[] = {
      {"a desktop-sized window, untouched", {1, 1920, 1080, 0}, {1, 1920, 1080, 0}, 0, LEFT, nullptr},
      {"one sample, untouched", {1, 640, 480, 1}, {1, 640, 480, 1}, 0, LEFT, nullptr},
      {"too many samples, untouched", {1, 640, 480, 8}, {1, 640, 480, 8}, 0, LEFT, nullptr},
      {"a window made wider than the desktop", {1, 640, 480, 0}, {1, 1920, 1000, 0}, 0, REFUSED, too_large},
      {"a window made as high as the desktop", {1, 640, 480, 0}, {1, 800, 1080, 0}, 0, REFUSED, too_large},
      {"a large full screen made a window", {0, 1920, 1080, 0}, {1, 1920, 1080, 0}, 0, REFUSED, too_large},
      {"a window made full screen", {1, 640, 480, 0}, {0, 800, 600, 0}, 0, LEFT, nullptr},
      {"more samples than the adapter", {1, 640, 480, 0}, {1, 640, 480, 8}, 0, REFUSED, unsupported},
      {"one sample chosen", {1, 640, 480, 0}, {1, 640, 480, 1}, 0, REFUSED, unsupported},
      {"too many samples kept for full screen", {1, 640, 480, 8}, {0, 640, 480, 8}, 0, REFUSED, unsupported},
      {"a display that cannot be made", {1, 640, 480, 0}, {0, 800, 600, 0}, 1, RESTORED, not_applied},
      {"neither display can be made", {1, 640, 480, 0}, {0, 800, 600, 0}, 2, QUIT, not_applied},  // the last
  };
  StartToMenu();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    FileRemove("console.log");
    // The display as made with the first settings; the screen opens on them.
    windowed = c.made.windowed, display_width = c.made.width, display_height = c.made.height;
    antialias = c.made.antialias;
    settings_changed = 0;
    game_state = STATE_DISPLAY_OPTIONS;
    menu_cursor = 2;
    SetFlags("");
    RunHandler();
    windowed = c.chosen.windowed, display_width = c.chosen.width, display_height = c.chosen.height;
    antialias = c.chosen.antialias;
    settings_changed = std::memcmp(&c.made, &c.chosen, sizeof c.made) != 0;
    for (int i = 0; i < c.failed_creates; i++) gfx_headless.create_results[i] = E_FAIL;
    gfx_headless.create_result_count = c.failed_creates;
    IDirect3DDevice8* before = device;
    Heard();
    SetFlags("B");
    RunHandler();

    EXPECT_EQ(Heard(), c.outcome == LEFT ? "out" : "denied");
    EXPECT_EQ(game_state, c.outcome == REFUSED ? STATE_DISPLAY_OPTIONS : STATE_OPTIONS);
    for (const char* message : {too_large, unsupported, not_applied})
      EXPECT_EQ(ConsoleLog().find(message) != std::string::npos, message == c.message) << message;
    EXPECT_EQ(quit_flag, c.outcome == QUIT);
    EXPECT_EQ(quit_code, c.outcome == QUIT ? EXIT_DISPLAY_FAILED : 0);
    if (c.outcome == REFUSED) {
      EXPECT_EQ(device, before);
    }
    if (c.outcome == RESTORED) {
      EXPECT_NE(device, nullptr);
      EXPECT_EQ(settings_changed, 0);
      const DisplaySetting now = {windowed, display_width, display_height, antialias};
      EXPECT_EQ(std::memcmp(&now, &c.made, sizeof now), 0) << windowed << " " << display_width;
      EXPECT_EQ(full_screen_active, 0);
    }
    EXPECT_FALSE(FileExists("prefs.cfg"));  // nothing is saved on the way
  }
}

// A level read from the file with a fraction steps from its whole part, to the levels the row
// offers; with no mode from the adapter the resolution row has nothing to step to.
TEST_F(ProgramTest, FractionalAntialiasStepsFromItsWholePart) {
  struct Case {
    float from;
    const char* flags;
    float want;
  };
  const Case cases[] = {
      {2.5f, "L", 0}, {2.5f, "R", 3}, {1.5f, "L", 0}, {1.5f, "R", 2},   {0.5f, "L", 16},
      {0.5f, "R", 2}, {16.5f, "R", 0}, {15.5f, "R", 16}, {-0.5f, "L", 16}, {7.9f, "L", 6},
  };
  StartToMenu();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " " + c.flags);
    antialias = c.from;
    StepRow(3, c.flags, 1, antialias);
    EXPECT_EQ(antialias, c.want);
  }
}

TEST_F(ProgramTest, WithoutModesTheResolutionRowRefuses) {
  gfx_headless.mode_count = 0;
  StartToMenu();
  ASSERT_EQ(display_mode_count, 0);
  Heard();
  for (const char* flags : {"L", "R", "F"}) {
    SCOPED_TRACE(flags);
    StepRow(1, flags, 1, display_width);
    EXPECT_EQ(Heard(), "denied");
    EXPECT_EQ(display_width, 640);
    EXPECT_EQ(display_height, 480);
    EXPECT_EQ(display_mode_index, -1);
    EXPECT_EQ(settings_changed, 0);
    EXPECT_EQ(action_left | action_right | action_fire, 0);
  }
}

// ---- The controls screen ------------------------------------------------------------------------

// clang-format off
const struct ControlsCase {
  const char* label;
  int cursor;
  const char* flags;
  int want_state;
  int want_cursor;
} controls_cases[] = {
    // label                        cur flags -> state                    cur
    {"left in the first column",      3, "L",  STATE_CONTROLS_OPTIONS,   3},
    {"left to the first column",      9, "L",  STATE_CONTROLS_OPTIONS,   2},
    {"right to the second column",    2, "R",  STATE_CONTROLS_OPTIONS,   9},
    {"right in the second column",    9, "R",  STATE_CONTROLS_OPTIONS,   9},
    {"up on the first row",           0, "U",  STATE_CONTROLS_OPTIONS,   0},
    {"up across the columns",         7, "U",  STATE_CONTROLS_OPTIONS,   6},
    {"down across the columns",       6, "D",  STATE_CONTROLS_OPTIONS,   7},
    {"down on the last row",         13, "D",  STATE_CONTROLS_OPTIONS,  13},
    {"select waits for a key",        5, "F",  STATE_AWAIT_KEY,          5},
};
// clang-format on

TEST_F(FrontEndTest, ControlsCursorStopsAtTheEdges) {
  for (const ControlsCase& c : controls_cases) {
    SCOPED_TRACE(c.label);
    ResetFrontEnd();
    game_state = STATE_CONTROLS_OPTIONS;
    menu_cursor = c.cursor;
    SetFlags(c.flags);
    RunHandler();
    EXPECT_EQ(game_state, c.want_state);
    EXPECT_EQ(menu_cursor, c.want_cursor);
    EXPECT_EQ(Heard(), "move");  // also where the cursor stays
    if (c.want_state == STATE_AWAIT_KEY) {
      EXPECT_EQ(input_lock, 12);
    }
  }
}

// A key bound takes its binding away from the action that held it; back writes the bindings into
// the configuration.
TEST_F(FrontEndTest, ABoundKeyServesOneBindingOnly) {
  button_up_0 = 200;
  button_up_1 = 17;
  button_back_0 = 1;
  button_fire_0 = 57;
  SyncBindings(0);
  game_state = STATE_AWAIT_KEY;
  menu_cursor = 3;  // up, first key
  input_lock = 1;
  key_state[17] = 0x80;
  RunHandler();  // the lock holds
  EXPECT_EQ(game_state, STATE_AWAIT_KEY);
  input_lock = 0;
  RunHandler();
  EXPECT_EQ(game_state, STATE_CONTROLS_OPTIONS);
  EXPECT_EQ(key_bindings[3], 17);
  EXPECT_EQ(key_bindings[10], 0);
  EXPECT_EQ(Heard(), "select");
  key_state[17] = 0;

  // Esc can be bound too: back then has no key of its own.
  game_state = STATE_AWAIT_KEY;
  menu_cursor = 1;  // fire, first key
  key_state[1] = 0x80;
  RunHandler();
  EXPECT_EQ(key_bindings[1], 1);
  EXPECT_EQ(key_bindings[0], 0);
  key_state[1] = 0;

  EXPECT_EQ(button_up_1, 17);  // the configuration waits for back
  Heard();
  SetFlags("B");
  RunHandler();  // back has no key now: the screen stays
  EXPECT_EQ(game_state, STATE_CONTROLS_OPTIONS);
  EXPECT_EQ(Heard(), "denied");
  EXPECT_EQ(button_back_0, 1);
  key_bindings[7] = 14;  // BackSpace as back's second key
  RunHandler();
  EXPECT_EQ(game_state, STATE_OPTIONS);
  EXPECT_EQ(menu_cursor, 2);
  EXPECT_EQ(button_up_0, 17);
  EXPECT_EQ(button_up_1, 0);
  EXPECT_EQ(button_fire_0, 1);
  EXPECT_EQ(button_back_0, 0);
  EXPECT_EQ(button_back_1, 14);
  // Put back what the other tests expect.
  button_up_0 = 200, button_up_1 = 17, button_back_0 = 1, button_back_1 = 0, button_fire_0 = 57;
}

// The controls screen is left only while back and fire each keep a key: without one the menus
// could not be left or chosen from any more.
TEST_F(FrontEndTest, ControlsAreLeftOnlyWithKeysForBackAndFire) {
  struct Binding {
    int entry = -1, code = 0;
  };
  struct Case {
    const char* label;
    Binding edits[4];  // made to the configured bindings
    int leaves;
  };
  const Case cases[] = {
      {"the configured keys", {}, 1},
      {"Space and L Ctrl bound to up", {{3, 57}, {1, 0}, {10, 29}, {8, 0}}, 0},
      {"fire on its second key only", {{1, 0}}, 1},
      {"fire's keys both gone", {{1, 0}, {8, 0}}, 0},
      {"Esc bound to fire", {{1, 1}, {0, 0}}, 0},
      {"back on its second key only", {{0, 0}, {7, 14}}, 1},
      {"back on a code no key has", {{0, 300}}, 0},
      {"back on a negative code", {{0, -1}}, 0},
  };
  SyncBindings(0);
  int configured[KEY_BINDING_COUNT];
  std::memcpy(configured, key_bindings, sizeof configured);
  ASSERT_EQ(configured[0], 1);  // Esc, Space and L Ctrl as set out
  ASSERT_EQ(configured[7], 0);
  ASSERT_EQ(configured[1], 57);
  ASSERT_EQ(configured[8], 29);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ResetFrontEnd();
    std::memcpy(key_bindings, configured, sizeof configured);
    SyncBindings(1);
    for (const Binding& b : c.edits)
      if (b.entry >= 0) key_bindings[b.entry] = b.code;
    game_state = STATE_CONTROLS_OPTIONS;
    menu_cursor = 4;
    SetFlags("B");
    RunHandler();
    EXPECT_EQ(game_state, c.leaves ? STATE_OPTIONS : STATE_CONTROLS_OPTIONS);
    EXPECT_EQ(Heard(), c.leaves ? "out" : "denied");
    EXPECT_EQ(menu_cursor, c.leaves ? 2 : 4);
    // The edits reach the configuration only on leaving.
    EXPECT_EQ(button_fire_0, float(c.leaves ? key_bindings[1] : configured[1]));
    EXPECT_EQ(button_back_0, float(c.leaves ? key_bindings[0] : configured[0]));
  }
  std::memcpy(key_bindings, configured, sizeof configured);
  SyncBindings(1);
}

// The key capture keeps the title scene moving while no game runs.
TEST_F(FrontEndTest, KeyCaptureMovesTheIdleWorld) {
  game_state = STATE_AWAIT_KEY;
  input_lock = 5;
  ArmWorldProbe();
  RunHandler();
  EXPECT_EQ(WorldCallSeen(), WORLD_IDLE);
  in_game = 1;
  ArmWorldProbe();
  RunHandler();
  EXPECT_EQ(WorldCallSeen(), WORLD_NONE);
}

}  // namespace
