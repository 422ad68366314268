#include "world/records.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "fake_engine.h"
#include "scenario.h"
#include "support/temp_dir.h"
#include "world/game.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

class Records : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    ResetScenario();
  }
  static void PutText(const char* name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
  static void SetRow(int mode, int row, const char* name, int major, int minor) {
    std::strcpy(high_score_name[mode][row], name);
    high_score_major[mode][row] = major;
    high_score_minor[mode][row] = minor;
  }
  static void ExpectRow(int mode, int row, const char* name, int major, int minor) {
    SCOPED_TRACE(testing::Message() << "mode " << mode << " row " << row);
    EXPECT_STREQ(high_score_name[mode][row], name);
    EXPECT_EQ(high_score_major[mode][row], major);
    EXPECT_EQ(high_score_minor[mode][row], minor);
  }
  // A ship in the player's slot with the given lives.
  static void PutPlayer(int hp) {
    player_thing = 40;
    thing_type[40] = THING_PLAYER;
    thing_hp[40] = hp;
  }
};

TEST_F(Records, UnlockFileOfDefaultsByteForByte) {
  std::strcpy(last_name, "AAA");
  SaveRecord(RECORD_UNLOCKS);
  EXPECT_EQ(Text("record(-1).dat"), "1\r\r\n0\r\r\n0\r\r\n0\r\r\nAAA\r\r\n");
  EXPECT_TRUE(ConsoleLines().empty());
}

TEST_F(Records, EmptyTableByteForByte) {
  SaveRecord(1);
  std::string row = "---\r\r\n-1\r\r\n-1\r\r\n";
  EXPECT_EQ(Text("record(1).dat"), row + row + row + row + row);
}

TEST_F(Records, FullTableIsFifteenLinesAndReadsBackTheSame) {
  const char* names[] = {"KES", "A|~", "[9]", "   ", "Z-Z"};
  for (int r = 0; r < HIGH_SCORE_ROWS; r++) SetRow(MODE_RANDOM, r, names[r], 0, 5000 - 1000 * r);
  SaveRecord(MODE_RANDOM);
  std::string expected;
  for (int r = 0; r < HIGH_SCORE_ROWS; r++)
    expected += std::string(names[r]) + "\r\r\n0\r\r\n" + std::to_string(5000 - 1000 * r) + "\r\r\n";
  EXPECT_EQ(Text("record(2).dat"), expected);

  for (int r = 0; r < HIGH_SCORE_ROWS; r++) SetRow(MODE_RANDOM, r, "???", 7, 7);
  LoadRecord(MODE_RANDOM);
  for (int r = 0; r < HIGH_SCORE_ROWS; r++) ExpectRow(MODE_RANDOM, r, names[r], 0, 5000 - 1000 * r);
}

TEST_F(Records, UnlocksAndInitialsReadBack) {
  mode_unlocked[MODE_RANDOM] = mode_unlocked[MODE_SURVIVAL] = 1;
  std::strcpy(last_name, "JRK");
  SaveRecord(RECORD_UNLOCKS);
  EXPECT_EQ(Text("record(-1).dat"), "1\r\r\n1\r\r\n1\r\r\n0\r\r\nJRK\r\r\n");
  ResetScenario();
  LoadRecord(RECORD_UNLOCKS);
  EXPECT_EQ(mode_unlocked[MODE_SURVIVAL], 1);
  EXPECT_EQ(mode_unlocked[MODE_RANDOM], 1);
  EXPECT_EQ(mode_unlocked[MODE_BOSS_BATTLE], 0);
  EXPECT_STREQ(last_name, "JRK");
}

TEST_F(Records, NoRecordFilesAtAll) {
  for (int n = -1; n <= 3; n++) LoadRecord(n);
  EXPECT_EQ(mode_unlocked[MODE_CAST], 1);
  EXPECT_EQ(mode_unlocked[MODE_SURVIVAL] + mode_unlocked[MODE_RANDOM] + mode_unlocked[MODE_BOSS_BATTLE], 0);
  EXPECT_STREQ(last_name, "AAA");
  for (int m = 0; m < SCORED_MODES; m++)
    for (int r = 0; r < HIGH_SCORE_ROWS; r++) ExpectRow(m, r, "---", -1, -1);
  EXPECT_TRUE(ConsoleLines().empty());  // a missing file is no error
}

TEST_F(Records, AMissingUnlockFileKeepsTheFlagsInMemory) {
  mode_unlocked[MODE_BOSS_BATTLE] = 1;
  LoadRecord(RECORD_UNLOCKS);
  EXPECT_EQ(mode_unlocked[MODE_BOSS_BATTLE], 1);
  EXPECT_STREQ(last_name, "AAA");
}

TEST_F(Records, DamagedUnlockFiles) {
  struct Case {
    const char* label;
    std::string bytes;
    int flags[4];
    const char* name;
  } cases[] = {
      {"empty", "", {1, 0, 1, 0}, "AAA"},
      {"cut after two flags", "1\r\r\n1\r\r\n", {1, 1, 1, 0}, "AAA"},
      {"cut inside the name", "1\r\r\n0\r\r\n0\r\r\n0\r\r\nAB", {1, 0, 0, 0}, "AAA"},
      {"Cast Mode locked", "0\r\r\n0\r\r\n0\r\r\n0\r\r\nBOB\r\r\n", {1, 0, 0, 0}, "BOB"},
      {"flags other than 0 and 1", "7\r\r\n-1\r\r\n2\r\r\nx\r\r\nBOB\r\r\n", {1, 1, 1, 0}, "BOB"},
      {"lower-case name, which the name entry can step to", "1\r\r\n0\r\r\n0\r\r\n0\r\r\nb{_\r\r\n", {1, 0, 0, 0}, "b{_"},
      {"short name line", "1\r\r\n0\r\r\n0\r\r\n0\r\r\nA\r\r\n", {1, 0, 0, 0}, "AAA"},
      {"control bytes", "1\r\r\n0\r\r\n0\r\r\n0\r\r\nA\tB\r\r\n", {1, 0, 0, 0}, "AAA"},
      {"long name line", "1\r\r\n0\r\r\n0\r\r\n0\r\r\nKESTRUNE\r\r\n", {1, 0, 0, 0}, "KES"},
      {"Unix line ends", "1\n1\n1\n1\nABC\n", {1, 1, 1, 1}, "ABC"},
      {"Ctrl-Z ends it", "1\r\r\n1\r\r\n\x1A" "1\r\r\n1\r\r\nABC\r\r\n", {1, 1, 1, 0}, "AAA"},
  };
  for (const Case& c : cases) {
    ResetScenario();
    mode_unlocked[MODE_RANDOM] = 1;  // in memory before the load
    PutText("record(-1).dat", c.bytes);
    LoadRecord(RECORD_UNLOCKS);
    SCOPED_TRACE(c.label);
    for (int m = 0; m < SCORED_MODES; m++) EXPECT_EQ(mode_unlocked[m], c.flags[m]) << m;
    EXPECT_STREQ(last_name, c.name);
  }
}

TEST_F(Records, DamagedTables) {
  PutText("record(0).dat",
          "KES\r\r\n  42xyz\r\r\n99999999999999\r\r\n"   // row 0: blanks and overflow
          "ab\r\r\n-99999999999999\r\r\n+7\r\r\n"        // row 1: a bad name
          "JRK\r\r\nabc\r\r\n\r\r\n"                     // row 2: no numbers
          "XYZ\r\r\n3\r\r\n");                           // row 3 cut short; row 4 missing
  LoadRecord(MODE_CAST);
  ExpectRow(MODE_CAST, 0, "KES", 42, INT_MAX);
  ExpectRow(MODE_CAST, 1, "---", INT_MIN, 7);
  ExpectRow(MODE_CAST, 2, "JRK", 0, 0);
  ExpectRow(MODE_CAST, 3, "XYZ", 3, -1);
  ExpectRow(MODE_CAST, 4, "---", -1, -1);
}

TEST_F(Records, AnOverlongLineIsReadInPiecesAsAlways) {
  // The reader takes at most 254 characters a line; the rest of a longer line is the next field.
  PutText("record(3).dat", std::string(254, '1') + "5\r\r\n9\r\r\n");
  LoadRecord(MODE_BOSS_BATTLE);
  ExpectRow(MODE_BOSS_BATTLE, 0, "111", 5, 9);
}

TEST_F(Records, AFailedSaveKeepsTheOldFileAndSaysSo) {
  SetRow(MODE_CAST, 0, "OLD", 0, 100);
  SaveRecord(MODE_CAST);
  const std::string old_bytes = Text("record(0).dat");
  SetRow(MODE_CAST, 0, "NEW", 0, 200);
  fake_fail_commits = 1;
  SaveRecord(MODE_CAST);
  EXPECT_EQ(Text("record(0).dat"), old_bytes);
  EXPECT_FALSE(std::filesystem::exists("record(0).dat.tmp"));
  ASSERT_EQ(ConsoleLines().size(), 1u);
  EXPECT_EQ(ConsoleLines()[0], "Error Writing Record (0)");
  EXPECT_STREQ(high_score_name[MODE_CAST][0], "NEW");  // the game goes on with what it has
}

TEST_F(Records, AFileThatCannotBeMadeSaysSo) {
  std::filesystem::create_directory("record(-1).dat.tmp");
  SaveRecord(RECORD_UNLOCKS);
  ASSERT_EQ(ConsoleLines().size(), 1u);
  EXPECT_EQ(ConsoleLines()[0], "Error Writing Record (-1)");
}

TEST_F(Records, FileNumbersOutsideTheFiveAreRefused) {
  SaveRecord(4);
  SaveRecord(-2);
  LoadRecord(4);
  LoadRecord(-2);
  EXPECT_EQ(ConsoleLines(), (std::vector<std::string>{"Error Writing Record (4)", "Error Writing Record (-2)"}));
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST_F(Records, NameEntryAlphabet) {
  // What the name entry can reach by stepping down from a typed '|' or '~' is kept too.
  for (char c : std::string(" !AZ09^[]|~-+.*<>/;\"a_`{}z"))
    EXPECT_TRUE(IsNameCharacter(c)) << c;
  for (char c : std::string("\t\r\n\x7f\x80", 5)) EXPECT_FALSE(IsNameCharacter(c)) << int(c);
  EXPECT_FALSE(IsNameCharacter('\0'));
}

TEST_F(Records, RankingPerMode) {
  struct Case {
    const char* label;
    int mode;
    int row_major, row_minor;  // row 0 of the table; the others empty
    int stage, points, minutes, seconds, lives;
    int row;  // row earned; -1 none
  } cases[] = {
      {"cast: empty table, no points", MODE_CAST, -1, -1, 5, 0, 0, 0, 5, 0},
      {"cast: a tie goes below", MODE_CAST, 0, 300, 8, 300, 0, 0, 0, 1},
      {"cast: better", MODE_CAST, 0, 300, 8, 301, 0, 0, 0, 0},
      {"random: a tie goes below", MODE_RANDOM, 0, 300, 8, 300, 0, 0, 5, 1},
      {"survival: further on, fewer points", MODE_SURVIVAL, 2, 9000, 3, 10, 0, 0, 0, 0},
      {"survival: same stage, same points", MODE_SURVIVAL, 3, 500, 3, 500, 0, 0, 0, 1},
      {"survival: same stage, more points", MODE_SURVIVAL, 3, 500, 3, 501, 0, 0, 0, 0},
      {"survival: not as far", MODE_SURVIVAL, 3, 0, 2, 9999, 0, 0, 0, 1},
      {"boss: faster by a second", MODE_BOSS_BATTLE, 2, 30, 17, 0, 2, 29, 3, 0},
      {"boss: the same time", MODE_BOSS_BATTLE, 2, 30, 17, 0, 2, 30, 3, 1},
      {"boss: faster by a minute", MODE_BOSS_BATTLE, 2, 30, 17, 0, 1, 59, 3, 0},
      {"boss: slower", MODE_BOSS_BATTLE, 2, 30, 17, 0, 3, 0, 3, 1},
      {"boss: the ship was lost", MODE_BOSS_BATTLE, -1, -1, 17, 0, 0, 10, 0, -1},
  };
  for (const Case& c : cases) {
    ResetScenario();
    std::strcpy(last_name, "LST");
    game_mode = c.mode;
    SetRow(c.mode, 0, "TOP", c.row_major, c.row_minor);
    current_stage = c.stage;
    score = c.points;
    play_minutes = c.minutes;
    play_seconds = c.seconds;
    PutPlayer(c.lives);
    InsertHighScore();
    SCOPED_TRACE(c.label);
    if (c.row < 0) {
      EXPECT_EQ(game_state, STATE_MAIN_MENU);
      EXPECT_EQ(menu_cursor, c.mode);
      EXPECT_EQ(CountCalls(CALL_PLAY_SOUND), 0);
      ExpectRow(c.mode, 0, "TOP", c.row_major, c.row_minor);
      continue;
    }
    EXPECT_EQ(game_state, STATE_HIGH_SCORE_ENTRY);
    EXPECT_EQ(menu_cursor, c.row);
    EXPECT_STREQ(name_entry, "LST");
    EXPECT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_reward_02"), 1);
    const int major = c.mode == MODE_SURVIVAL ? c.stage : c.mode == MODE_BOSS_BATTLE ? c.minutes : 0;
    const int minor = c.mode == MODE_BOSS_BATTLE ? c.seconds : c.points;
    EXPECT_EQ(high_score_major[c.mode][c.row], major);
    EXPECT_EQ(high_score_minor[c.mode][c.row], minor);
    if (c.row == 1) ExpectRow(c.mode, 0, "TOP", c.row_major, c.row_minor);
  }
}

TEST_F(Records, ANewBestRowPushesTheOthersDown) {
  const char* names[] = {"R0A", "R1B", "R2C", "R3D", "R4E"};
  for (int r = 0; r < HIGH_SCORE_ROWS; r++) SetRow(MODE_CAST, r, names[r], 0, 500 - 100 * r);
  game_mode = MODE_CAST;
  score = 1000;
  InsertHighScore();
  EXPECT_EQ(menu_cursor, 0);
  ExpectRow(MODE_CAST, 0, "R0A", 0, 1000);  // keeps its name until the initials are stored
  for (int r = 1; r < HIGH_SCORE_ROWS; r++) ExpectRow(MODE_CAST, r, names[r - 1], 0, 500 - 100 * (r - 1));
}

TEST_F(Records, AGameBelowAFullTableEarnsNothing) {
  for (int r = 0; r < HIGH_SCORE_ROWS; r++) SetRow(MODE_RANDOM, r, "ROW", 0, 100);
  game_mode = MODE_RANDOM;
  score = 100;
  InsertHighScore();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(menu_cursor, MODE_RANDOM);
}

TEST_F(Records, DevModeHasNoTable) {
  game_mode = MODE_DEV;
  score = 1000000;
  InsertHighScore();
  EXPECT_EQ(game_state, STATE_MAIN_MENU);
  EXPECT_EQ(menu_cursor, MODE_DEV);
}

TEST_F(Records, StoringTheInitialsSavesBothFilesAndShowsTheTable) {
  game_mode = MODE_SURVIVAL;
  current_stage = 4;
  score = 777;
  std::strcpy(last_name, "OLD");
  InsertHighScore();
  ASSERT_EQ(game_state, STATE_HIGH_SCORE_ENTRY);
  std::strcpy(name_entry, "NEW");
  name_pos = 3;
  StoreInitials();
  ExpectRow(MODE_SURVIVAL, 0, "NEW", 4, 777);
  EXPECT_STREQ(last_name, "NEW");
  EXPECT_EQ(name_pos, 0);  // the new row blinks
  EXPECT_EQ(menu_cursor, MODE_SURVIVAL);
  EXPECT_EQ(game_state, STATE_HIGH_SCORES);
  EXPECT_EQ(Text("record(-1).dat"), "1\r\r\n0\r\r\n0\r\r\n0\r\r\nNEW\r\r\n");
  EXPECT_EQ(Text("record(1).dat").substr(0, 16), "NEW\r\r\n4\r\r\n777\r\r\n");
  EXPECT_EQ(current_stage, 19);  // the table is shown over the title scene
}

TEST_F(Records, StoringInitialsOutsideATableTouchesNoRow) {
  game_mode = MODE_DEV;
  menu_cursor = 7;
  std::strcpy(name_entry, "DEV");
  StoreInitials();
  EXPECT_STREQ(last_name, "DEV");
  EXPECT_FALSE(std::filesystem::exists("record(4).dat"));
  EXPECT_EQ(game_state, STATE_HIGH_SCORES);
}

}  // namespace
