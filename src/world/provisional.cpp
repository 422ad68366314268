// Stand-ins for world functions whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include "world/game.h"

int game_state = STATE_BOOT;
int game_mode = MODE_CAST;
int in_game = 0;

void SetGameState(int state) { game_state = state; }
void ResetGame() {}
void ResetStage() {}
void UpdateWorld() {}
