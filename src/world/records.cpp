#include "world/records.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "world/engine_services.h"
#include "world/game.h"

char high_score_name[SCORED_MODES][HIGH_SCORE_ROWS][4] = {
    {"---", "---", "---", "---", "---"},
    {"---", "---", "---", "---", "---"},
    {"---", "---", "---", "---", "---"},
    {"---", "---", "---", "---", "---"},
};
int high_score_major[SCORED_MODES][HIGH_SCORE_ROWS] = {
    {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}};
int high_score_minor[SCORED_MODES][HIGH_SCORE_ROWS] = {
    {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}};

int mode_unlocked[SCORED_MODES] = {1, 0, 0, 0};
char last_name[4] = "";
char name_entry[4] = "";
int name_pos = 0;

namespace {

constexpr int LINE_LIMIT = 255;  // as the game has always read: at most 254 characters a line
const char* const EMPTY_NAME = "---";
const char* const DEFAULT_INITIALS = "AAA";

bool IsRecordNumber(int n) { return n >= RECORD_UNLOCKS && n < SCORED_MODES; }

void FormatRecordName(char* name, int size, int n) { std::snprintf(name, size, "record(%i).dat", n); }

// atoi's reading (leading blanks, a sign, digits up to the first other character; no digits
// give 0), held to the int range instead of overflowing.
int ParseNumber(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) text++;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') text++;
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; text++) {
    value = value * 10 + (*text - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

// One line per field. A line the file lacks leaves `missing`; so does an unreadable file.
int ReadNumber(TextFile* file, int missing) {
  char line[256];
  if (!file || !ReadTextLine(file, line, LINE_LIMIT)) return missing;
  return ParseNumber(line);
}

// A name is the line's first three characters, kept only when all three are initials the name
// entry could have made; anything else (a short line, damage) takes `fallback`.
void ReadName(TextFile* file, char* name, const char* fallback) {
  char line[256];
  bool valid = file && ReadTextLine(file, line, LINE_LIMIT) && IsNameCharacter(line[0]) &&
               IsNameCharacter(line[1]) && IsNameCharacter(line[2]);
  std::snprintf(name, 4, "%.3s", valid ? line : fallback);
}

// Whether the game just ended beats row r of its mode's table (a tie does not).
bool BeatsRow(int mode, int r) {
  const int major = high_score_major[mode][r];
  const int minor = high_score_minor[mode][r];
  switch (mode) {
    case MODE_SURVIVAL:
      return current_stage > major || (current_stage == major && score > minor);
    case MODE_BOSS_BATTLE:  // a lower time is better
      return major < 0 || play_minutes < major || (play_minutes == major && play_seconds < minor);
    default:
      return score > minor;
  }
}

}  // namespace

// Stepping down from a typed '|' or '~' passes through the lower-case letters and '_' to '{',
// so every printable character can stand in a name.
bool IsNameCharacter(char c) { return c >= ' ' && c <= '~'; }

void SaveRecord(int n) {
  char name[32];
  FormatRecordName(name, sizeof name, n);
  TextFile* file = IsRecordNumber(n) ? CreateTextFile(name) : nullptr;
  if (file) {
    char line[32];
    bool written = true;
    auto write = [&](const char* format, auto value) {
      std::snprintf(line, sizeof line, format, value);
      written = written && WriteText(file, line);
    };
    if (n == RECORD_UNLOCKS) {
      for (int m = 0; m < SCORED_MODES; m++) write("%i\r\n", mode_unlocked[m]);
      write("%.3s\r\n", last_name);
    } else {
      for (int r = 0; r < HIGH_SCORE_ROWS; r++) {
        write("%.3s\r\n", high_score_name[n][r]);
        write("%i\r\n", high_score_major[n][r]);
        write("%i\r\n", high_score_minor[n][r]);
      }
    }
    if (CommitTextFile(file) && written) return;
  }
  char message[64];
  std::snprintf(message, sizeof message, "Error Writing Record (%i)", n);
  ConsolePrint(message);
}

void LoadRecord(int n) {
  if (!IsRecordNumber(n)) return;
  char name[32];
  FormatRecordName(name, sizeof name, n);
  TextFile* file = OpenTextFile(name);
  if (n == RECORD_UNLOCKS) {
    for (int m = 0; m < SCORED_MODES; m++) mode_unlocked[m] = ReadNumber(file, mode_unlocked[m]) != 0 ? 1 : 0;
    mode_unlocked[MODE_CAST] = 1;  // the first mode is always open
    ReadName(file, last_name, DEFAULT_INITIALS);
  } else {
    for (int r = 0; r < HIGH_SCORE_ROWS; r++) {
      ReadName(file, high_score_name[n][r], EMPTY_NAME);
      high_score_major[n][r] = ReadNumber(file, -1);
      high_score_minor[n][r] = ReadNumber(file, -1);
    }
  }
  if (file) CloseTextFile(file);
}

void InsertHighScore() {
  const int mode = game_mode;
  int row = -1;
  if (mode >= 0 && mode < SCORED_MODES) {
    for (int r = 0; r < HIGH_SCORE_ROWS && row < 0; r++)
      if (BeatsRow(mode, r)) row = r;
    if (mode == MODE_BOSS_BATTLE && !PlayerAlive()) row = -1;
  }
  if (row < 0) {
    SetGameState(STATE_MAIN_MENU);
    menu_cursor = game_mode;
    return;
  }

  PlaySoundSlot(&snd_reward_02, 0, 0.0f, 0.0f, 0.0f);
  for (int i = HIGH_SCORE_ROWS - 1; i > row; i--) {
    std::memcpy(high_score_name[mode][i], high_score_name[mode][i - 1], 4);
    high_score_major[mode][i] = high_score_major[mode][i - 1];
    high_score_minor[mode][i] = high_score_minor[mode][i - 1];
  }
  switch (mode) {
    case MODE_SURVIVAL:
      high_score_major[mode][row] = current_stage;
      high_score_minor[mode][row] = score;
      break;
    case MODE_BOSS_BATTLE:
      high_score_major[mode][row] = play_minutes;
      high_score_minor[mode][row] = play_seconds;
      break;
    default:
      high_score_major[mode][row] = 0;
      high_score_minor[mode][row] = score;
      break;
  }
  menu_cursor = row;
  SetGameState(STATE_HIGH_SCORE_ENTRY);
}

void StoreInitials() {
  const int mode = game_mode;
  const int row = menu_cursor;
  if (mode >= 0 && mode < SCORED_MODES && row >= 0 && row < HIGH_SCORE_ROWS) {
    std::snprintf(high_score_name[mode][row], 4, "%.3s", name_entry);
    std::memcpy(last_name, high_score_name[mode][row], 4);
  } else {
    std::snprintf(last_name, sizeof last_name, "%.3s", name_entry);
  }
  SaveRecord(RECORD_UNLOCKS);
  if (mode >= 0 && mode < SCORED_MODES) SaveRecord(mode);
  name_pos = row;
  menu_cursor = mode;
  SetGameState(STATE_HIGH_SCORES);
}
