// The record files ("record(-1).dat": the unlock flags and the last initials; "record(0).dat" to
// "record(3).dat": the high-score table of each scored mode) and the high-score tables.
#pragma once

constexpr int SCORED_MODES = 4;  // MODE_CAST to MODE_BOSS_BATTLE
constexpr int HIGH_SCORE_ROWS = 5;
constexpr int RECORD_UNLOCKS = -1;  // number of the file with the unlock flags

// ---- High-score tables (per process; loaded at boot) ------------------------------------------
// Row 0 is the best. An empty row is "---", -1, -1.
extern char high_score_name[SCORED_MODES][HIGH_SCORE_ROWS][4];  // three initials
extern int high_score_major[SCORED_MODES][HIGH_SCORE_ROWS];  // 0; Survival: stage; Boss Battle: minutes
extern int high_score_minor[SCORED_MODES][HIGH_SCORE_ROWS];  // score; Boss Battle: seconds

// ---- Unlocks and initials (per process) -------------------------------------------------------
extern int mode_unlocked[SCORED_MODES];  // the mode may be started; Cast Mode always
extern char last_name[4];                // initials entered last; "AAA" without a record
extern char name_entry[4];               // initials being entered
extern int name_pos;  // letter 0..3 of the entry; after it the blinking row (-1 none); the
                      // feature-unlocked screen's armed flag

// Writes record file n (-1..3) from the globals; a file that cannot be written prints
// "Error Writing Record (n)" and the old file stays as it was.
void SaveRecord(int n);
// Reads record file n (-1..3) into the globals; what the file lacks takes the defaults.
void LoadRecord(int n);
// Ranks the game just ended: opens the name entry on the row it earned, or the main menu.
void InsertHighScore();
// The name entry is complete: the row takes the initials, the records are saved, the table shown.
void StoreInitials();
// A character the name entry can produce (typed or stepped through).
bool IsNameCharacter(char c);
