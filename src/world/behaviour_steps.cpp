#include "world/behaviour_steps.h"

#include "world/behaviours.h"
#include "world/game.h"
#include "world/random.h"
#include "world/tables.h"

bool CountDown(int& timer, int reload) {
  if (timer > 0) {
    timer -= 1;
    return false;
  }
  timer = reload;
  return true;
}

bool CountDownDrawn(int& timer, int base, int spread) {
  if (timer > 0) {
    timer -= 1;
    return false;
  }
  timer = base + Rand() % spread;
  return true;
}

bool CountUp(int& timer, int limit) {
  if (timer < limit) {
    timer += 1;
    return false;
  }
  timer = 0;
  return true;
}

bool EnemyFireAllowed() { return projectile_count < ENEMY_FIRE_LIMIT; }

bool IsThingSlot(int slot) { return slot >= 0 && slot < MAX_THINGS; }

bool PlayerPosition(float& px, float& py) {
  int player = PlayerSlot();
  if (player < 0) return false;
  px = thing_x[player];
  py = thing_y[player];
  return true;
}
