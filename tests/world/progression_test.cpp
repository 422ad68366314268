#include "world/progression.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "fake_engine.h"
#include "scenario.h"
#include "support/temp_dir.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/records.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

class Progression : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    ResetScenario();
  }
  // A running game of the mode on the stage, its ship with the given lives.
  static void Playing(int mode, int stage, int lives) {
    StartGame(mode == MODE_DEV ? MODE_CAST : mode);
    game_mode = mode;
    current_stage = stage;
    ASSERT_GE(PlayerSlot(), 0);
    thing_hp[PlayerSlot()] = lives;
    ResetFakeEngine();
  }
  // The ship has exploded: its slot holds the explosion with the lives it was left.
  static void ShipLost(int lives) {
    thing_type[PlayerSlot()] = THING_EXPLOSION;
    thing_hp[player_thing] = lives;
    menu_cursor = 0;
    SetGameState(STATE_FINAL_RESULTS);
  }
  static int PutThing(int slot, int type, float x, float y, int x0, int y0, int x1, int y1) {
    PlaceThing(slot, type, x, y);
    thing_box_x0[slot] = x0;
    thing_box_y0[slot] = y0;
    thing_box_x1[slot] = x1;
    thing_box_y1[slot] = y1;
    return slot;
  }
  static int PutProjectile(int slot, float x, float y) { return PlaceProjectile(slot, PROJ_ROUND, -1, x, y); }
};

// The graph as the game's stages are laid out: passes lead to harder nodes, losses to easier.
struct Edge {
  int node, pass, loss;  // -1: an ending / the game is over
} const graph_edges[] = {
    {0, 2, -1},   {1, 6, 0},    {2, 8, -1},   {3, 8, -1},   {4, 8, -1},   {5, 9, 1},
    {6, 10, 3},   {7, 11, 4},   {8, -1, -1},  {9, 14, 7},   {10, 13, 8},  {11, 13, 8},
    {12, 13, 8},  {13, -1, -1}, {14, 15, 12}, {15, 16, 13}, {16, -1, -1},
};

TEST_F(Progression, CastGraphEdges) {
  static_assert(sizeof graph_edges / sizeof graph_edges[0] == CAST_NODE_COUNT);
  for (const Edge& e : graph_edges) {
    EXPECT_EQ(cast_graph[e.node].pass, e.pass) << cast_graph[e.node].label;
    EXPECT_EQ(cast_graph[e.node].loss, e.loss) << cast_graph[e.node].label;
  }
  EXPECT_EQ(CAST_START_NODE, 5);
}

TEST_F(Progression, PassingACastNode) {
  for (const Edge& e : graph_edges) {
    ResetScenario();
    Playing(MODE_CAST, e.node, 3);
    score = 1000;
    stage_tick = 600;
    EndStage();
    SCOPED_TRACE(e.node);
    EXPECT_EQ(score, 1000 + 25 * (e.node + 1));
    EXPECT_STREQ(message_text, "Difficulty Up");
    EXPECT_EQ(thing_hp[player_thing], 5);
    EXPECT_EQ(stage_tick, 0);  // the stage was reset either way
    if (e.pass < 0) {
      EXPECT_EQ(current_stage, e.node);
      EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
      EXPECT_EQ(menu_cursor, 1);
    } else {
      EXPECT_EQ(current_stage, e.pass);
      EXPECT_EQ(game_state, STATE_PLAYING);
    }
  }
}

TEST_F(Progression, NodeFiveScores150AndNodeSixteenEnds) {
  Playing(MODE_CAST, 5, 5);
  EndStage();
  EXPECT_EQ(score, 150);
  EXPECT_EQ(current_stage, 9);
  Playing(MODE_CAST, 16, 5);
  EndStage();
  EXPECT_EQ(score, 425);
  EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
}

TEST_F(Progression, PassesHealUpToTheModesMost) {
  struct Case {
    int mode, lives, after;
  } cases[] = {
      {MODE_CAST, 1, 3}, {MODE_CAST, 4, 5}, {MODE_CAST, 5, 5},
      {MODE_CAST, 7, 5},  // lives from pickups beyond the most are held to it
      {MODE_RANDOM, 5, 7}, {MODE_RANDOM, 7, 8}, {MODE_RANDOM, 8, 8}, {MODE_RANDOM, 10, 8},
      {MODE_SURVIVAL, 1, 1}, {MODE_BOSS_BATTLE, 3, 3},
  };
  for (const Case& c : cases) {
    ResetScenario();
    Playing(c.mode, 1, c.lives);
    EndStage();
    EXPECT_EQ(thing_hp[player_thing], c.after) << c.mode << " " << c.lives;
  }
}

TEST_F(Progression, SurvivalCountsStagesPassed) {
  Playing(MODE_SURVIVAL, 0, 1);
  EndStage();
  EXPECT_EQ(current_stage, 1);
  EXPECT_EQ(score, 50);
  EXPECT_STREQ(message_text, "Stage 1 Passed");
  EXPECT_EQ(game_state, STATE_PLAYING);

  Playing(MODE_SURVIVAL, 16, 1);
  message_text[0] = '\0';
  score = 0;
  EndStage();
  EXPECT_EQ(current_stage, 17);
  EXPECT_EQ(score, 450);
  EXPECT_STREQ(message_text, "");  // the final results instead
  EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
  EXPECT_EQ(menu_cursor, 1);
}

TEST_F(Progression, RandomModeWalksItsOrder) {
  Playing(MODE_RANDOM, random_order[0], 8);
  const int first = current_stage;
  EndStage();
  EXPECT_EQ(score, 25 * (first + 1));
  EXPECT_STREQ(message_text, "Stage Passed");
  EXPECT_EQ(random_index, 1);
  EXPECT_EQ(current_stage, random_order[1]);
  EXPECT_EQ(game_state, STATE_PLAYING);

  random_index = 16;
  current_stage = random_order[16];
  stage_tick = 1234;
  EndStage();
  EXPECT_EQ(random_index, 17);
  EXPECT_EQ(current_stage, random_order[16]);
  EXPECT_EQ(stage_tick, 1234);  // no stage follows: nothing is reset
  EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
  EXPECT_EQ(menu_cursor, 1);
}

TEST_F(Progression, BossBattleEndsWithoutPoints) {
  Playing(MODE_BOSS_BATTLE, 17, 8);
  EndStage();
  EXPECT_EQ(score, 0);
  EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
  EXPECT_EQ(menu_cursor, 1);
}

TEST_F(Progression, ADevModeStageReturnsToTheMainMenu) {
  Playing(MODE_DEV, 3, 5);
  EndStage();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(menu_cursor, 0);
  EXPECT_EQ(current_stage, 19);
}

TEST_F(Progression, AGameTurnedIntoDevModeRecordsNothing) {
  Playing(MODE_CAST, 8, 5);
  game_mode = MODE_DEV;  // from the pause menu's hidden row
  EndStage();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(score, 0);
  Playing(MODE_DEV, 8, 5);
  EndGame();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(mode_unlocked[MODE_RANDOM], 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(Progression, AStageDoesNotEndWhileTheShipExplodes) {
  Playing(MODE_CAST, 8, 1);
  ShipLost(0);
  SetGameState(STATE_PLAYING);  // the explosion's frames still run
  EndStage();
  EXPECT_EQ(score, 0);
  EXPECT_EQ(current_stage, 8);
  EXPECT_EQ(game_state, STATE_PLAYING);
}

TEST_F(Progression, TheSweepFreesWhatHasLeftTheField) {
  Playing(MODE_SURVIVAL, 2, 1);
  // Boxes reaching out by each edge; box -5..5 by -5..5 unless said.
  const int left = PutThing(50, THING_FIGHTER, -6.0f, 50.0f, -5, -5, 5, 5);       // right edge -1
  const int top = PutThing(49, THING_FIGHTER, 70.0f, 4.0f, -5, -5, 5, 5);         // top -1, mostly inside
  const int right = PutThing(48, THING_TURRET, 146.0f, 50.0f, -5, -5, 5, 5);      // left edge 141
  const int bottom = PutThing(47, THING_TURRET, 70.0f, 145.0f, -5, -5, 5, 5);     // bottom 150
  const int inside = PutThing(46, THING_FIGHTER, 70.0f, 144.0f, -5, -5, 5, 5);    // bottom 149: stays
  const int edge = PutThing(45, THING_FIGHTER, -5.0f, 5.0f, -5, -5, 5, 5);        // touching 0: stays
  const int bug = PutThing(44, THING_GLOW_BUG, -50.0f, -50.0f, -1, -1, 1, 1);
  const int blast = PutThing(43, THING_EXPLOSION, -50.0f, 50.0f, -1, -1, 1, 1);
  const int spawner = PutThing(42, THING_SPAWNER, 300.0f, 50.0f, -1, -1, 1, 1);
  const int things_before = thing_count;
  const int out_x = PutProjectile(10, -0.5f, 50.0f);
  const int out_y = PutProjectile(11, 50.0f, 149.5f);
  const int out_top = PutProjectile(12, 50.0f, -0.1f);
  const int far_right = PutProjectile(13, 140.5f, 50.0f);
  const int in = PutProjectile(14, 140.0f, 149.0f);
  const int projectiles_before = projectile_count;

  EndStage();

  for (int slot : {left, top, right, bottom}) EXPECT_EQ(thing_type[slot], 0) << slot;
  for (int slot : {inside, edge, bug, blast, spawner, player_thing}) EXPECT_NE(thing_type[slot], 0) << slot;
  EXPECT_EQ(thing_count, things_before - 4);
  for (int slot : {out_x, out_y, out_top, far_right}) EXPECT_EQ(projectile_type[slot], 0) << slot;
  EXPECT_NE(projectile_type[in], 0);
  EXPECT_EQ(projectile_count, projectiles_before - 4);
}

TEST_F(Progression, LosingTheShipAtACastNode) {
  for (const Edge& e : graph_edges) {
    ResetScenario();
    Playing(MODE_CAST, e.node, 0);
    score = 900;
    forward_level = 2;
    missile_kind = PROJ_HAWK;
    missile_ammo = 5;
    play_seconds = 33;
    PutProjectile(100, 50.0f, 50.0f);
    ShipLost(5);
    ContinueGame();
    SCOPED_TRACE(e.node);
    EXPECT_EQ(input_lock, 12);
    if (e.loss < 0) {
      EXPECT_EQ(menu_cursor, 1);
      EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
      EXPECT_EQ(current_stage, e.node);
      EXPECT_EQ(missile_ammo, 5);
      continue;
    }
    EXPECT_EQ(current_stage, e.loss);
    EXPECT_STREQ(message_text, "Difficulty Down");
    EXPECT_EQ(missile_ammo, 2);
    EXPECT_EQ(projectile_count, 0);
    EXPECT_EQ(thing_count, 1);  // only the new ship
    ASSERT_GE(PlayerSlot(), 0);
    EXPECT_EQ(thing_type[player_thing], THING_PLAYER);
    EXPECT_EQ(thing_hp[player_thing], 5);
    EXPECT_EQ(thing_anchor_x[player_thing], 10.0f);
    EXPECT_EQ(thing_anchor_y[player_thing], 50.0f);
    EXPECT_EQ(score, 900);
    EXPECT_EQ(forward_level, 2);
    EXPECT_EQ(missile_kind, PROJ_HAWK);
    EXPECT_EQ(play_seconds, 33);
    EXPECT_EQ(game_state, STATE_PLAYING);
  }
}

TEST_F(Progression, ContinuingWithBackOpensTheMap) {
  Playing(MODE_CAST, 5, 0);
  ShipLost(5);
  action_back = 1;
  ContinueGame();
  EXPECT_EQ(current_stage, 1);
  EXPECT_EQ(game_state, STATE_CURRENT_MAP);
  EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_tick_out_01"), 1);
}

TEST_F(Progression, OtherModesDoNotContinue) {
  for (int mode : {MODE_SURVIVAL, MODE_RANDOM, MODE_BOSS_BATTLE}) {
    ResetScenario();
    Playing(mode, 5, 0);
    ShipLost(0);
    ContinueGame();
    EXPECT_EQ(menu_cursor, 1) << mode;
    EXPECT_EQ(current_stage, 5) << mode;
    EXPECT_EQ(game_state, STATE_FINAL_RESULTS) << mode;
  }
}

TEST_F(Progression, EndGameUnlocks) {
  struct Case {
    const char* label;
    int mode, stage, lives;
    bool lost;          // the ship exploded
    int unlocked[4];    // flags before
    int index;          // random_index
    int feature;        // 0: none, on to the high scores
  } cases[] = {
      {"cast ending alive", MODE_CAST, 8, 3, false, {1, 0, 0, 0}, 0, FEATURE_RANDOM},
      {"cast ending 13", MODE_CAST, 13, 3, false, {1, 0, 0, 0}, 0, FEATURE_RANDOM},
      {"cast ending 16", MODE_CAST, 16, 3, false, {1, 0, 0, 0}, 0, FEATURE_RANDOM},
      {"cast ending, already open", MODE_CAST, 16, 3, false, {1, 0, 1, 0}, 0, 0},
      {"cast lost at 8", MODE_CAST, 8, 0, true, {1, 0, 0, 0}, 0, 0},
      {"cast lost at 2", MODE_CAST, 2, 0, true, {1, 0, 0, 0}, 0, 0},
      {"survival alive", MODE_SURVIVAL, 17, 1, false, {1, 1, 1, 1}, 0, FEATURE_DEV_HINT},
      {"survival lost", MODE_SURVIVAL, 9, 0, true, {1, 1, 1, 1}, 0, 0},
      {"random all passed", MODE_RANDOM, 3, 4, false, {1, 0, 1, 0}, 17, FEATURE_BOSS_BATTLE},
      {"random lost late", MODE_RANDOM, 3, 0, true, {1, 0, 1, 0}, 16, 0},
      {"random, already open", MODE_RANDOM, 3, 4, false, {1, 0, 1, 1}, 17, 0},
      {"boss alive", MODE_BOSS_BATTLE, 17, 2, false, {1, 0, 1, 1}, 0, FEATURE_SURVIVAL},
      {"boss lost", MODE_BOSS_BATTLE, 17, 0, true, {1, 0, 1, 1}, 0, 0},
      {"boss, already open", MODE_BOSS_BATTLE, 17, 2, false, {1, 1, 1, 1}, 0, 0},
  };
  for (const Case& c : cases) {
    ResetScenario();
    Playing(c.mode, c.stage, c.lives);
    if (c.lost) ShipLost(c.lives);
    std::memcpy(mode_unlocked, c.unlocked, sizeof mode_unlocked);
    random_index = c.index;
    score = 10;
    name_pos = 2;
    menu_cursor = 1;
    EndGame();
    SCOPED_TRACE(c.label);
    EXPECT_EQ(name_pos, 0);
    if (c.feature) {
      EXPECT_EQ(game_state, STATE_FEATURE_UNLOCKED);
      EXPECT_EQ(menu_cursor, c.feature);
      EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_reward_01"), 1);
    } else {
      // An empty table takes any game with points; a lost Boss Battle earns no row.
      bool row = !(c.mode == MODE_BOSS_BATTLE && c.lost);
      EXPECT_EQ(game_state, row ? STATE_HIGH_SCORE_ENTRY : STATE_MAIN_MENU);
    }
    EXPECT_EQ(std::memcmp(mode_unlocked, c.unlocked, sizeof mode_unlocked), 0);  // nothing stored yet
  }
}

TEST_F(Progression, GodModeUnlocksAndRecordsNothing) {
  Playing(MODE_BOSS_BATTLE, 17, 8);
  god_mode = 1;
  EndGame();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(menu_cursor, MODE_BOSS_BATTLE);
  EXPECT_EQ(god_mode, 0);
  for (int r = 0; r < HIGH_SCORE_ROWS; r++) EXPECT_EQ(high_score_major[MODE_BOSS_BATTLE][r], -1);
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(Progression, StoringAnUnlockSavesItAndRanksTheGame) {
  Playing(MODE_CAST, 13, 4);
  score = 2000;
  std::strcpy(last_name, "KES");
  EndGame();
  ASSERT_EQ(menu_cursor, FEATURE_RANDOM);
  StoreUnlock();
  EXPECT_EQ(mode_unlocked[MODE_RANDOM], 1);
  EXPECT_EQ(Text("record(-1).dat"), "1\r\r\n0\r\r\n1\r\r\n0\r\r\nKES\r\r\n");
  EXPECT_EQ(game_state, STATE_HIGH_SCORE_ENTRY);
  EXPECT_EQ(menu_cursor, 0);
  EXPECT_EQ(high_score_minor[MODE_CAST][0], 2000);
}

TEST_F(Progression, TheDevModeHintStoresNoFlag) {
  Playing(MODE_SURVIVAL, 17, 1);
  std::strcpy(last_name, "KES");
  EndGame();
  ASSERT_EQ(menu_cursor, FEATURE_DEV_HINT);
  StoreUnlock();
  EXPECT_EQ(Text("record(-1).dat"), "1\r\r\n0\r\r\n0\r\r\n0\r\r\nKES\r\r\n");
  EXPECT_EQ(game_state, STATE_HIGH_SCORE_ENTRY);
}

}  // namespace
