// Stage 17, the boss battle: after a fighter and a carrier, every boss once, each sent 50 ticks
// before its check and each check waiting for its core. After each boss the play clock is shown
// and the player gets a life back. Metal walls are laid along the barriers and taken away again
// between bosses.
#include "world/compounds.h"
#include "world/game.h"
#include "world/progression.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

constexpr int MAX_BOSS_BATTLE_LIVES = 8;
constexpr int LAST_BOSS_CHECK = 1700;

// The next boss (or the fighter and carrier before them) comes in; the checks test it.
void SendBoss(int id, float x, float y, const ThingFields& fields = {}) { script_handle = Spawn(id, x, y, fields); }

// The play clock on the HUD, with a zero before a single-digit second.
void ShowPlayClock() {
  if (play_seconds < 10)
    PostHudMessage("%i:0%i", play_minutes, play_seconds);
  else
    PostHudMessage("%i:%i", play_minutes, play_seconds);
}

// The check at every hundredth tick: the stage waits here while the last boss's core lives;
// once it is gone, the clock (not after the last boss) and a life.
void BossCheck() {
  if (HoldWhile(RegisterIsBossCore(script_handle), stage_tick - 1)) return;
  if (stage_tick < LAST_BOSS_CHECK) ShowPlayClock();
  AddLives(1, MAX_BOSS_BATTLE_LIVES);
}

// Walls of metal plates along a barrier running far out to the right.
void LayCeilingWall() {
  ceiling_x0 = 165;
  ceiling_x1 = 32165;
  script_var_2 = StartGenerator(STATIC_METAL_SURFACE, 25, 32000, 15, 5, 0);
}

void LayFloorWall() {
  floor_x0 = 165;
  floor_x1 = 32165;
  script_var_3 = StartGenerator(STATIC_METAL_SURFACE, 25, 32000, 15, 95, 0);
}

// Takes a wall away at the spawn line: the barrier ends there, the plates not yet on the field
// (right of x 160) vanish, and its generator stops. Plates already in view scroll on.
void RemoveWalls(bool floor_too) {
  ceiling_x1 = 165;
  if (floor_too) floor_x1 = 165;
  for (int s = 0; s < MAX_STATICS; s++) {
    if (static_type[s] == 0 || !(static_x[s] > 160.0f)) continue;
    if (!floor_too && static_y[s] != 5.0f) continue;
    FreeStatic(s);
  }
  StopGenerator(script_var_2);
  if (floor_too) StopGenerator(script_var_3);
  SortStatics();
}

}  // namespace

// Stage 17. script_handle: at tick 0 the first fighter's y, then the last fighter, carrier or
// boss sent; script_var_2 and script_var_3: the ceiling and floor wall generators, -1 while none.
int RunStage17() {
  SpawnDriftDebris();
  switch (stage_tick) {
    case 0:
      SetWorldShiftNow(0);
      fog_end_target = 300.0f;
      backdrop_mesh = nullptr;
      scroll_speed = 4;
      missile_drop_count = 5;
      script_var_2 = script_var_3 = -1;
      script_handle = Rand() % 2 == 0 ? 25 : 75;  // a y, not a slot, until tick 1
      break;
    case 1: SendBoss(THING_FIGHTER_2, 165, static_cast<float>(script_handle)); break;
    case 75: SendBoss(COMPOUND_CARRIER_LAUNCHERS, 175, 50); break;
    case 250: SendBoss(COMPOUND_BOSS_3, 175, 50); break;
    default:
      if (EveryTicks(100, 300, LAST_BOSS_CHECK)) BossCheck();
      break;
    case 350: SendBoss(COMPOUND_BOSS_7, 185, 50, {.fire_timer = 200}); break;
    case 450: SendBoss(COMPOUND_BOSS_6, 180, 50); break;
    case 505: LayFloorWall(); break;
    case 550: SendBoss(COMPOUND_BOSS_8, 195, 88, {.vx = -1}); break;
    case 650: SendBoss(COMPOUND_BOSS_9, 195, 81); break;
    case 705: LayCeilingWall(); break;
    case 750: SendBoss(COMPOUND_BOSS_10, 195, 50); break;
    case 810: case 910: case 1610:
      SetEveryThing({THING_CEILING_PLATFORM, THING_FLOOR_PLATFORM}, {.vx = -4, .timer = 0});
      break;
    case 850: SendBoss(COMPOUND_BOSS_4, 215, 50, {.vx = -2}); break;
    case 905: RemoveWalls(true); break;
    case 950: SendBoss(COMPOUND_BOSS_2, 190, 50); break;
    case 1050: SendBoss(COMPOUND_BOSS_5, 145, 140, {.vy = -2, .param = 1}); break;
    case 1150: SendBoss(COMPOUND_BOSS_13, 200, 50); break;
    case 1250: SendBoss(COMPOUND_BOSS_12, 130, -50, {.vy = 4, .param = 1}); break;
    case 1350: SendBoss(COMPOUND_BOSS_1, 225, 50); break;
    case 1405:
      LayCeilingWall();
      LayFloorWall();  // never taken away: the stage end frees its generator
      break;
    case 1450: SendBoss(COMPOUND_BOSS_0, 235, 50); break;
    case 1550: SendBoss(COMPOUND_BOSS_11, 195, 50); break;
    case 1605: RemoveWalls(false); break;
    case 1650: SendBoss(COMPOUND_BOSS_15, -30, 84, {.vx = 3}); break;  // in from the left edge
    case 1730: return STAGE_OVER;
  }
  return STAGE_GOES_ON;
}
