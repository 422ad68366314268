// How a game goes on: the stage end of each mode, the Cast Mode graph, the continue after a
// lost ship, the end of a game with its unlocks, and storing an unlock.
#pragma once

// One node of the Cast Mode graph: the stage after a pass and after a loss.
struct CastNode {
  const char* label;
  int pass;  // next node after passing it; CAST_ENDING at the three endings
  int loss;  // next node after losing the ship there; CAST_GAME_OVER where a loss ends the game
};
constexpr int CAST_NODE_COUNT = 17;
constexpr int CAST_START_NODE = 5;
constexpr int CAST_ENDING = -1;
constexpr int CAST_GAME_OVER = -1;
extern const CastNode cast_graph[CAST_NODE_COUNT];

// Losing the ship at this Cast Mode node leads on to another node (else the game is over there).
bool CastLossLeadsOn(int node);

// Features the end of a game can announce (the value it puts in menu_cursor): the mode it opens,
// or the Dev Mode hint, which opens nothing.
enum Feature {
  FEATURE_SURVIVAL = 1,
  FEATURE_RANDOM = 2,
  FEATURE_BOSS_BATTLE = 3,
  FEATURE_DEV_HINT = 4,
};

// A living ship gets lives, its count then held to most, so that lives gained from gun pickups
// beyond it do not carry on; a ship that is gone or exploding gets none.
void AddLives(int lives, int most);
// The stage is over (the script reported its last tick): sweep the field and go on by the mode.
void EndStage();
// The final results leave their first phase: at a Cast Mode node whose loss leads on, play goes on
// there with a new ship; otherwise the results are shown (menu_cursor 1).
void ContinueGame();
// The game is over: announce an unlock, or rank the game for the high-score table.
void EndGame();
// The feature-unlocked screen was confirmed: store the unlock, save it, rank the game.
void StoreUnlock();
