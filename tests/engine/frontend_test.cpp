#include "engine/frontend.h"

#include <gtest/gtest.h>

#include <string>

#include "frontend_fixture.h"
#include "world/progression.h"

namespace {

// One pass of a handler: the state, cursor and game flag before, the flags of the pass, and what
// follows.
struct HandlerCase {
  const char* label;
  int state;
  int cursor;
  int in_game;
  const char* flags;
  int want_state;
  int want_cursor;
  const char* want_sound;
  int want_world;
};

// clang-format off
const HandlerCase handler_cases[] = {
    // label                          state                   cur game flags  -> state                  cur  sound    world
    {"main: up from the first row",   STATE_MAIN_MENU,          0, 0, "U",  STATE_MAIN_MENU,          5, "move", WORLD_IDLE},
    {"main: down from Options",       STATE_MAIN_MENU,          5, 0, "D",  STATE_MAIN_MENU,          0, "move", WORLD_IDLE},
    {"main: up from Dev Mode",        STATE_MAIN_MENU,          6, 0, "U",  STATE_MAIN_MENU,          5, "move", WORLD_IDLE},
    {"main: down from Dev Mode",      STATE_MAIN_MENU,          6, 0, "D",  STATE_MAIN_MENU,          0, "move", WORLD_IDLE},
    {"main: left on Options",         STATE_MAIN_MENU,          5, 0, "L",  STATE_MAIN_MENU,          6, "",     WORLD_IDLE},
    {"main: left elsewhere",          STATE_MAIN_MENU,          3, 0, "L",  STATE_MAIN_MENU,          3, "",     WORLD_IDLE},
    {"main: right on Dev Mode",       STATE_MAIN_MENU,          6, 0, "R",  STATE_MAIN_MENU,          5, "",     WORLD_IDLE},
    {"main: right on Options",        STATE_MAIN_MENU,          5, 0, "R",  STATE_MAIN_MENU,          5, "",     WORLD_IDLE},
    {"main: a locked mode",           STATE_MAIN_MENU,          1, 0, "F",  STATE_MAIN_MENU,          1, "",     WORLD_IDLE},
    {"main: High Scores",             STATE_MAIN_MENU,          4, 0, "F",  STATE_HIGH_SCORES,        0, "in",   WORLD_IDLE},
    {"main: Options",                 STATE_MAIN_MENU,          5, 0, "M",  STATE_OPTIONS,            0, "in",   WORLD_IDLE},
    {"main: Dev Mode",                STATE_MAIN_MENU,          6, 0, "F",  STATE_DEV_MODE,           0, "in",   WORLD_IDLE},
    {"main: nothing",                 STATE_MAIN_MENU,          2, 0, "",   STATE_MAIN_MENU,          2, "",     WORLD_IDLE},
    {"pause: back",                   STATE_PAUSE_MENU,         2, 1, "B",  STATE_PLAYING,            2, "out",  WORLD_NONE},
    {"pause: Current Map",            STATE_PAUSE_MENU,         0, 1, "F",  STATE_CURRENT_MAP,        0, "in",   WORLD_NONE},
    {"pause: Hide Menu",              STATE_PAUSE_MENU,         1, 1, "M",  STATE_MENU_HIDDEN,        1, "in",   WORLD_NONE},
    {"pause: Options",                STATE_PAUSE_MENU,         2, 1, "F",  STATE_OPTIONS,            0, "in",   WORLD_NONE},
    {"pause: Dev Mode",               STATE_PAUSE_MENU,         4, 1, "F",  STATE_DEV_MODE,           0, "in",   WORLD_NONE},
    {"pause: left on Options",        STATE_PAUSE_MENU,         2, 1, "L",  STATE_PAUSE_MENU,         4, "",     WORLD_NONE},
    {"pause: left elsewhere",         STATE_PAUSE_MENU,         1, 1, "L",  STATE_PAUSE_MENU,         1, "",     WORLD_NONE},
    {"pause: right on Dev Mode",      STATE_PAUSE_MENU,         4, 1, "R",  STATE_PAUSE_MENU,         2, "",     WORLD_NONE},
    {"pause: up from the first row",  STATE_PAUSE_MENU,         0, 1, "U",  STATE_PAUSE_MENU,         3, "move", WORLD_NONE},
    {"pause: down from the last row", STATE_PAUSE_MENU,         3, 1, "D",  STATE_PAUSE_MENU,         0, "move", WORLD_NONE},
    {"pause: up from Dev Mode",       STATE_PAUSE_MENU,         4, 1, "U",  STATE_PAUSE_MENU,         3, "move", WORLD_NONE},
    {"pause: down from Dev Mode",     STATE_PAUSE_MENU,         4, 1, "D",  STATE_PAUSE_MENU,         0, "move", WORLD_NONE},
    {"paused: fire",                  STATE_PAUSED,             0, 1, "F",  STATE_PLAYING,            0, "",     WORLD_NONE},
    {"paused: back",                  STATE_PAUSED,             0, 1, "B",  STATE_PLAYING,            0, "",     WORLD_NONE},
    {"paused: up",                    STATE_PAUSED,             0, 1, "U",  STATE_PAUSED,             0, "",     WORLD_NONE},
    {"hidden: back",                  STATE_MENU_HIDDEN,        1, 1, "B",  STATE_PLAYING,            1, "out",  WORLD_NONE},
    {"hidden: fire steps a frame",    STATE_MENU_HIDDEN,        1, 1, "F",  STATE_MENU_HIDDEN,        1, "",     WORLD_GAME_FRAME},
    {"hidden: missile steps a frame", STATE_MENU_HIDDEN,        1, 1, "M",  STATE_MENU_HIDDEN,        1, "",     WORLD_GAME_FRAME},
    {"hidden: nothing",               STATE_MENU_HIDDEN,        1, 1, "U",  STATE_MENU_HIDDEN,        1, "",     WORLD_NONE},
    {"play: back pauses, plays on",   STATE_PLAYING,            3, 1, "B",  STATE_PAUSE_MENU,         0, "out",  WORLD_GAME_FRAME},
    {"play: a frame",                 STATE_PLAYING,            3, 1, "",   STATE_PLAYING,            3, "",     WORLD_GAME_FRAME},
    {"options: back to the main menu", STATE_OPTIONS,           3, 0, "B",  STATE_MAIN_MENU,          5, "out",  WORLD_IDLE},
    {"options: back to the pause menu", STATE_OPTIONS,          3, 1, "B",  STATE_PAUSE_MENU,         2, "out",  WORLD_NONE},
    {"options: Sound",                STATE_OPTIONS,            0, 0, "F",  STATE_SOUND_OPTIONS,      0, "in",   WORLD_IDLE},
    {"options: Display",              STATE_OPTIONS,            1, 0, "F",  STATE_DISPLAY_OPTIONS,    0, "in",   WORLD_IDLE},
    {"options: Controls",             STATE_OPTIONS,            2, 1, "M",  STATE_CONTROLS_OPTIONS,   0, "in",   WORLD_NONE},
    {"options: About",                STATE_OPTIONS,            3, 0, "F",  STATE_ABOUT,              0, "in",   WORLD_IDLE},
    {"options: Credits",              STATE_OPTIONS,            4, 0, "F",  STATE_CREDITS,            0, "in",   WORLD_IDLE},
    {"options: up from the first row", STATE_OPTIONS,           0, 0, "U",  STATE_OPTIONS,            4, "move", WORLD_IDLE},
    {"options: down from the last",   STATE_OPTIONS,            4, 1, "D",  STATE_OPTIONS,            0, "move", WORLD_NONE},
    {"about: back",                   STATE_ABOUT,              0, 0, "B",  STATE_OPTIONS,            3, "out",  WORLD_IDLE},
    {"about: in a game",              STATE_ABOUT,              0, 1, "F",  STATE_OPTIONS,            3, "out",  WORLD_NONE},
    {"about: up does nothing",        STATE_ABOUT,              0, 0, "U",  STATE_ABOUT,              0, "",     WORLD_IDLE},
    {"credits: missile",              STATE_CREDITS,            0, 0, "M",  STATE_OPTIONS,            4, "out",  WORLD_IDLE},
    {"scores: back on Boss Battle",   STATE_HIGH_SCORES,        3, 0, "B",  STATE_MAIN_MENU,          3, "out",  WORLD_IDLE},
    {"scores: up from the first",     STATE_HIGH_SCORES,        0, 0, "U",  STATE_HIGH_SCORES,        3, "move", WORLD_IDLE},
    {"scores: left",                  STATE_HIGH_SCORES,        2, 0, "L",  STATE_HIGH_SCORES,        1, "move", WORLD_IDLE},
    {"scores: down from the last",    STATE_HIGH_SCORES,        3, 0, "D",  STATE_HIGH_SCORES,        0, "move", WORLD_IDLE},
    {"scores: right",                 STATE_HIGH_SCORES,        1, 0, "R",  STATE_HIGH_SCORES,        2, "move", WORLD_IDLE},
    {"scores: fire turns the page",   STATE_HIGH_SCORES,        2, 0, "F",  STATE_HIGH_SCORES,        3, "move", WORLD_IDLE},
    {"scores: the Dev Mode cursor",   STATE_HIGH_SCORES,        4, 0, "D",  STATE_HIGH_SCORES,        0, "move", WORLD_IDLE},
    {"dev: back to the main menu",    STATE_DEV_MODE,           3, 0, "B",  STATE_MAIN_MENU,          0, "out",  WORLD_IDLE},
    {"dev: back to the pause menu",   STATE_DEV_MODE,           3, 1, "B",  STATE_PAUSE_MENU,         0, "out",  WORLD_NONE},
    {"dev: up from the first row",    STATE_DEV_MODE,           0, 0, "U",  STATE_DEV_MODE,          11, "move", WORLD_IDLE},
    {"dev: down from the last row",   STATE_DEV_MODE,          11, 1, "D",  STATE_DEV_MODE,           0, "move", WORLD_NONE},
    {"dev: a toggle is silent",       STATE_DEV_MODE,           0, 0, "F",  STATE_DEV_MODE,           0, "",     WORLD_IDLE},
    {"map: any key",                  STATE_CURRENT_MAP,        0, 1, "M",  STATE_PAUSE_MENU,         0, "out",  WORLD_NONE},
    {"map: up does nothing",          STATE_CURRENT_MAP,        0, 1, "U",  STATE_CURRENT_MAP,        0, "",     WORLD_NONE},
};
// clang-format on

TEST_F(FrontEndTest, HandlersMoveStateCursorSoundAndWorld) {
  for (const HandlerCase& c : handler_cases) {
    SCOPED_TRACE(c.label);
    ResetFrontEnd();
    game_state = c.state;
    menu_cursor = c.cursor;
    in_game = c.in_game;
    if (c.in_game) current_stage = 5;  // a game behind the menus
    ArmWorldProbe();
    SetFlags(c.flags);
    RunHandler();
    EXPECT_EQ(game_state, c.want_state);
    EXPECT_EQ(menu_cursor, c.want_cursor);
    EXPECT_EQ(Heard(), c.want_sound);
    EXPECT_EQ(WorldCallSeen(), c.want_world);
    EXPECT_EQ(quit_flag, 0);
  }
}

TEST_F(FrontEndTest, BootLoadsTheRecordsAndOpensTheMainMenu) {
  PutText("record(-1).dat", "1\r\r\n1\r\r\n0\r\r\n0\r\r\nKES\r\r\n");
  game_state = STATE_BOOT;
  game_mode = MODE_SURVIVAL;
  RunHandler();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(mode_unlocked[MODE_SURVIVAL], 1);
  EXPECT_STREQ(last_name, "KES");
  EXPECT_STREQ(high_score_name[MODE_BOSS_BATTLE][4], "---");
  EXPECT_EQ(menu_cursor, MODE_SURVIVAL);
  EXPECT_EQ(input_lock, 6);
}

// Only an unlocked mode starts, silently; a locked one says so and changes nothing.
TEST_F(FrontEndTest, MainMenuStartsOnlyUnlockedModes) {
  const int first_stage[SCORED_MODES] = {5, 0, -1, 17};
  for (int mode = MODE_CAST; mode <= MODE_BOSS_BATTLE; mode++) {
    SCOPED_TRACE(mode_names[mode]);
    for (int unlocked : {0, 1}) {
      ResetFrontEnd();
      mode_unlocked[mode] = unlocked || mode == MODE_CAST;
      menu_cursor = mode;
      SetFlags("F");
      RunHandler();
      EXPECT_EQ(Heard(), "");
      std::string locked = std::string(mode_names[mode]) + " is Locked";
      if (!mode_unlocked[mode]) {
        EXPECT_EQ(game_state, STATE_MAIN_MENU);
        EXPECT_EQ(in_game, 0);
        EXPECT_EQ(current_stage, 19);
        EXPECT_NE(ConsoleLog().find(locked), std::string::npos);
        continue;
      }
      EXPECT_EQ(ConsoleLog().find(locked), std::string::npos);
      EXPECT_EQ(game_state, STATE_PLAYING);
      EXPECT_EQ(game_mode, mode);
      EXPECT_EQ(in_game, 1);
      EXPECT_GE(PlayerSlot(), 0);
      if (mode == MODE_RANDOM)
        EXPECT_EQ(current_stage, random_order[0]);
      else
        EXPECT_EQ(current_stage, first_stage[mode]);
    }
  }
}

TEST_F(FrontEndTest, HighScoresOpenOnTheModeAndNothingBlinks) {
  game_mode = MODE_RANDOM;
  name_pos = 2;
  menu_cursor = 4;
  SetFlags("F");
  RunHandler();
  EXPECT_EQ(game_state, STATE_HIGH_SCORES);
  EXPECT_EQ(menu_cursor, MODE_RANDOM);
  EXPECT_EQ(name_pos, -1);
}

// The hidden row makes a Dev Mode game; back from its screen leaves the main menu on row 4.
TEST_F(FrontEndTest, DevModeFromTheMainMenu) {
  menu_cursor = 5;
  SetFlags("L");
  RunHandler();
  SetFlags("F");
  RunHandler();
  EXPECT_EQ(game_state, STATE_DEV_MODE);
  EXPECT_EQ(game_mode, MODE_DEV);
  SetFlags("B");
  RunHandler();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(menu_cursor, 4);
}

TEST_F(FrontEndTest, BackInTheMainMenuSavesPrefsAndQuits) {
  SetFlags("B");
  RunHandler();
  EXPECT_EQ(quit_flag, 1);
  EXPECT_EQ(quit_code, 0);
  EXPECT_EQ(Heard(), "out");
  EXPECT_TRUE(FileExists("prefs.cfg"));
}

// "Quit To Main" gives the title scene back; Dev Mode from the pause menu keeps the game, which
// goes on as a Dev Mode game.
TEST_F(FrontEndTest, PauseMenuQuitToMainAndDevMode) {
  StartGame(MODE_CAST);
  game_state = STATE_PAUSE_MENU;
  menu_cursor = 3;
  SetFlags("F");
  RunHandler();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(in_game, 0);
  EXPECT_EQ(current_stage, 19);
  EXPECT_EQ(menu_cursor, MODE_CAST);

  StartGame(MODE_CAST);
  int ship = PlayerSlot();
  game_state = STATE_PAUSE_MENU;
  menu_cursor = 4;
  RunHandler();
  EXPECT_EQ(game_state, STATE_DEV_MODE);
  EXPECT_EQ(game_mode, MODE_DEV);
  SetFlags("B");
  RunHandler();
  EXPECT_EQ(game_state, STATE_PAUSE_MENU);
  EXPECT_EQ(in_game, 1);
  EXPECT_EQ(PlayerSlot(), ship);
  EXPECT_EQ(current_stage, 5);
  // Its stage end now leads to the main menu.
  game_state = STATE_PLAYING;
  EndStage();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
}

// Back from a table leaves the main menu on that mode.
TEST_F(FrontEndTest, BackFromATableSetsTheMode) {
  game_state = STATE_HIGH_SCORES;
  menu_cursor = MODE_BOSS_BATTLE;
  SetFlags("B");
  RunHandler();
  EXPECT_EQ(game_mode, MODE_BOSS_BATTLE);
  EXPECT_EQ(menu_cursor, MODE_BOSS_BATTLE);
}

TEST_F(FrontEndTest, ControlsScreenEditsACopyOfTheBindings) {
  button_up_1 = 17;
  key_bindings[10] = 0;
  game_state = STATE_OPTIONS;
  menu_cursor = 2;
  SetFlags("F");
  RunHandler();
  EXPECT_EQ(game_state, STATE_CONTROLS_OPTIONS);
  EXPECT_EQ(key_bindings[10], 17);
}

// ---- Dev Mode rows ------------------------------------------------------------------------------

// Selects row `row` n times on the Dev Mode screen and gives the value after each.
template <typename T>
std::string SelectRow(int row, int n, const T& value, const char* flags = "F") {
  std::string seen;
  for (int i = 0; i < n; i++) {
    game_state = STATE_DEV_MODE;
    menu_cursor = row;
    SetFlags(flags);
    state_handlers[STATE_DEV_MODE]();
    if (!seen.empty()) seen += " ";
    seen += std::to_string(value);
  }
  return seen;
}

TEST_F(FrontEndTest, DevModeTogglesFlipBetweenZeroAndOne) {
  struct Toggle {
    int row;
    int* value;
  };
  const Toggle toggles[] = {{0, &show_counts}, {1, &show_fps}, {3, &show_input},
                            {4, &show_location}, {5, &show_ground_ceiling}, {7, &god_mode}};
  for (const Toggle& t : toggles) {
    SCOPED_TRACE(t.row);
    EXPECT_EQ(SelectRow(t.row, 3, *t.value), "1 0 1");
    EXPECT_EQ(SelectRow(t.row, 1, *t.value, "M"), "0");
  }
  EXPECT_EQ(Heard(), "");
}

TEST_F(FrontEndTest, DevModeSteppedRows) {
  EXPECT_EQ(SelectRow(2, 4, fill_mode), "1 2 3 1");
  EXPECT_EQ(SelectRow(6, 7, frame_period_ms), "40 30 20 10 0 100 90");
  forward_level = 2;
  EXPECT_EQ(SelectRow(8, 3, forward_level), "3 0 1");
  missile_kind = PROJ_DRUM;
  EXPECT_EQ(SelectRow(9, 3, missile_kind), "13 10 11");
  EXPECT_EQ(missile_ammo, 15);  // the new kind's full supply
  camera_view = 57;
  EXPECT_EQ(SelectRow(10, 5, camera_view), "58 59 -3 -2 -1");
  EXPECT_EQ(SelectRow(10, 3, camera_view, "L"), "-2 -3 59");
  EXPECT_EQ(SelectRow(10, 2, camera_view, "R"), "-3 -2");
  EXPECT_EQ(SelectRow(11, 3, dev_start_stage, "R"), "0 1 2");
  EXPECT_EQ(SelectRow(11, 4, dev_start_stage, "L"), "1 0 18 17");
  // Left and right do nothing on the other rows.
  EXPECT_EQ(SelectRow(6, 1, frame_period_ms, "L"), "90");
  EXPECT_EQ(Heard(), "");
}

TEST_F(FrontEndTest, DevModeStageRowStartsTheChosenStage) {
  game_mode = MODE_DEV;
  forward_level = 3;
  missile_kind = PROJ_CROW;
  dev_start_stage = 7;
  SelectRow(11, 1, dev_start_stage);
  EXPECT_EQ(game_state, STATE_PLAYING);
  EXPECT_EQ(game_mode, MODE_DEV);
  EXPECT_EQ(current_stage, 7);
  EXPECT_EQ(forward_level, 3);
  EXPECT_EQ(missile_ammo, 5);
  EXPECT_GE(PlayerSlot(), 0);
}

// ---- The whole program: the input poll's repeat against the handlers ----------------------------

// Holding a key in a menu moves the cursor on its first pass and every third pass after; in play
// a held fire key acts on every pass.
TEST_F(ProgramTest, AHeldMenuKeyRepeatsEveryThirdPass) {
  // Down (208) from pass 10 to 16; the menu's entry lock is over by then.
  StartToMenu("10 key 208 down\n17 key 208 up\n");
  std::string cursors;
  for (int pass = 10; pass <= 18; pass++) {
    RunTo(pass);
    cursors += std::to_string(menu_cursor);
  }
  EXPECT_EQ(cursors, "111222333");
}

TEST_F(ProgramTest, HeldFireInTheHiddenMenuStepsEveryThirdPass) {
  StartToMenu("20 key 57 down\n");
  StartGame(MODE_CAST);
  game_state = STATE_MENU_HIDDEN;
  RunTo(19);
  int tick = stage_tick;
  std::string steps;
  for (int pass = 20; pass <= 26; pass++) {
    RunTo(pass);
    steps += stage_tick != tick ? '1' : '0';
    tick = stage_tick;
  }
  EXPECT_EQ(steps, "1001001");
}

TEST_F(ProgramTest, HeldFireInPlayActsOnEveryPass) {
  StartToMenu("20 key 57 down\n");
  StartGame(MODE_CAST);
  RunTo(19);
  int fired = 0;
  for (int pass = 20; pass <= 40; pass++) {
    RunTo(pass);
    EXPECT_EQ(action_fire, 1);
    for (int p = 0; p < MAX_PROJECTILES; p++) fired += projectile_type[p] == PROJ_SHOT_1;
  }
  EXPECT_GT(fired, 0);
  EXPECT_EQ(game_state, STATE_PLAYING);
}

// Pause with back, resume with back; the pause menu's Dev Mode row and the Current Map.
TEST_F(ProgramTest, PauseAndResumeThroughThePoll) {
  // Fire on Cast Mode at pass 10, back at 20 (pause), back again at 30 (resume).
  StartToMenu("10 key 57 down\n11 key 57 up\n20 key 1 down\n21 key 1 up\n30 key 1 down\n31 key 1 up\n");
  RunTo(10);
  ASSERT_EQ(game_state, STATE_PLAYING);
  RunTo(19);
  int tick = stage_tick;
  RunTo(20);
  EXPECT_EQ(game_state, STATE_PAUSE_MENU);
  EXPECT_EQ(stage_tick, tick + 1);  // the pass that paused played its frame
  RunTo(29);
  EXPECT_EQ(stage_tick, tick + 1);  // the world stands still behind the pause menu
  RunTo(30);
  EXPECT_EQ(game_state, STATE_PLAYING);
  RunTo(35);
  EXPECT_EQ(stage_tick, tick + 6);
}

TEST_F(ProgramTest, DevModeFillModeReachesTheDevice) {
  StartToMenu();
  ASSERT_NE(device, nullptr);
  SelectRow(2, 1, fill_mode);
  DWORD state = 0;
  ASSERT_EQ(GetRenderState(device, D3DRS_FILLMODE, &state), S_OK);
  EXPECT_EQ(state, DWORD(D3DFILL_POINT));
}

}  // namespace
