// Stand-ins for world functions whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include "world/behaviours.h"
#include "world/collisions.h"
#include "world/compounds.h"
#include "world/projectiles.h"
#include "world/scenery.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

// Compound spawns: a plain free-standing thing; the ship gets its five lives.
int SpawnThing(int id, float x, float y) {
  int slot = FindFreeThing();
  if (slot < 0) return -1;
  thing_type[slot] = id;
  thing_parent[slot] = -1;
  thing_anchor_x[slot] = thing_x[slot] = x;
  thing_anchor_y[slot] = thing_y[slot] = y;
  thing_hp[slot] = id == THING_PLAYER ? 5 : 1;
  return slot;
}

// Thing motion, scenery, projectiles, collisions and behaviours: nothing moves or acts yet.
void MoveThings() {}
void UpdateStatics() {}
void UpdateGenerators() {}
void UpdateProjectiles() {}
void CheckPlayerCollisions() {}
void CheckProjectileHits() {}
void UpdateThings() {}

// Stage script: no stage ever ends.
int RunStageScript() { return 0; }
