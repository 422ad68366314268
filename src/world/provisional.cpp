// Stand-ins for world functions whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include "world/game.h"
#include "world/tables.h"
#include "world/things.h"

void SetGameState(int state) { game_state = state; }
void ResetGame() {}
void ResetStage() {}
void UpdateWorld() {}

// Only the slot, type and placement; the catalogue set-up comes with the things module.
int CreateThing(int type, int parent, float x, float y) {
  const int slot = FindFreeThing();
  if (slot < 0) return -1;
  thing_type[slot] = type;
  thing_parent[slot] = parent;
  thing_anchor_x[slot] = x;
  thing_anchor_y[slot] = y;
  thing_x[slot] = parent < 0 ? x : thing_x[parent] + x;
  thing_y[slot] = parent < 0 ? y : thing_y[parent] + y;
  thing_vx[slot] = parent < 0 ? -scroll_speed : 0;
  thing_vy[slot] = 0;
  thing_param[slot] = 0;
  return slot;
}
