#include "world/things.h"

#include "world/engine_services.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/tables.h"

namespace {

// A speed code the row leaves as the common set-up made it.
constexpr int KEEP = -100;

// Set-up that depends on the slot, the position, the game or more than one random draw.
using SetUpFn = void (*)(int slot, float x, float y);

// One type's set-up. Columns left out keep what the common set-up wrote. The random columns
// draw in column order, timer before fire timer, and before the row's set_up runs.
struct ThingRow {
  int type;
  int hp;
  int box_x0, box_y0, box_x1, box_y1;
  int score;
  int interval;  // thing_fire_interval
  int detach = DETACH_BREAK;
  int debris = 0;  // 0: grey below the cores, red from them on
  int param = 0;
  int timer = 0;
  int timer_random = 0;  // > 0: thing_timer += Rand() % timer_random
  int fire_timer = 0;
  int fire_timer_random = 0;
  int timer2 = 0;
  float aim_x = 0.0f, aim_y = 0.0f;
  int vx = KEEP, vy = KEEP;
  SetUpFn set_up = nullptr;
};

// A boss core's set-up: the box is SetCoreWidth's left edge with top -6, right 0, bottom 6.
struct CoreRow {
  int type;
  int hp;
  int score;
  int interval;
  int param = 0;
  int timer = 0;
  int fire_timer = 0;
  int vx = KEEP, vy = KEEP;
  int vy_either = 0;  // > 0: thing_vy = -n when Rand() % 2 is 0, else n
  SetUpFn set_up = nullptr;
};

void LauncherSetUp(int slot, float, float) { thing_fire_timer[slot] = slot % 2 == 0 ? 0 : 12; }

// A platform carries nothing at first (its own slot) and, free-standing, heads for its barrier.
void PlatformSetUp(int slot, float, float) {
  thing_param[slot] = slot;
  if (thing_type[slot] != THING_WIDE_PLATFORM)
    thing_timer[slot] = thing_y[slot] < 20.0f || thing_y[slot] > 69.0f ? 1 : 4;
  if (thing_parent[slot] == -1) thing_vy[slot] = thing_type[slot] == THING_CEILING_PLATFORM ? -4 : 4;
}

void FighterSetUp(int slot, float, float) {
  thing_roll_time[slot] = 1000;
  thing_roll_rate[slot] = static_cast<float>(Rand() % 6) - 3.0f;
  thing_roll_spring[slot] = 0.2f;
}

// Carriers and tugs keep their speed attached too.
void CarrierSetUp(int slot, float, float) { thing_vx[slot] = -scroll_speed; }
void TugSetUp(int slot, float x, float) { thing_vx[slot] = x >= 0.0f ? -1 : 1; }

void JointSetUp(int slot, float x, float y) {
  thing_aim_x[slot] = x;  // the rest offset it springs back to
  thing_aim_y[slot] = y;
}

void MissilePickupSetUp(int slot, float, float) { thing_param[slot] = missile_kind; }

void Core11SetUp(int slot, float, float y) {
  thing_vx[slot] = y == static_cast<float>(playfield_half_height) ? -3 : 0;
}

// clang-format off
constexpr ThingRow thing_rows[] = {
  // type, hit points, hit box (left, top, right, bottom), score, fire interval; then what differs
  {.type = THING_GLOW_BUG,          .hp = 1000, .box_x0 = -5,  .box_y0 = -5,  .box_x1 = 5,  .box_y1 = 5,  .score = 1,  .interval = 0,
   .param = 1},
  {.type = THING_SPAWNER,           .hp = 12,   .box_x0 = -5,  .box_y0 = -5,  .box_x1 = 5,  .box_y1 = 5,  .score = 20, .interval = 50,
   .param = 50, .fire_timer = 20, .aim_x = -1.0f, .aim_y = -2.0f},
  {.type = THING_PLAYER,            .hp = 5,    .box_x0 = -5,  .box_y0 = -4,  .box_x1 = 6,  .box_y1 = 4,  .score = 0,  .interval = 6,
   .timer2 = 10, .vx = 0, .vy = 0},
  {.type = THING_LAUNCHER,          .hp = 10,   .box_x0 = -5,  .box_y0 = -7,  .box_x1 = 5,  .box_y1 = 7,  .score = 25, .interval = 24,
   .detach = DETACH_TUMBLE, .set_up = LauncherSetUp},
  {.type = THING_CEILING_PLATFORM,  .hp = 4,    .box_x0 = -5,  .box_y0 = -3,  .box_x1 = 5,  .box_y1 = 3,  .score = 7,  .interval = 20,
   .detach = DETACH_PLATFORM, .timer2 = 20, .set_up = PlatformSetUp},
  {.type = THING_FLOOR_PLATFORM,    .hp = 4,    .box_x0 = -5,  .box_y0 = -3,  .box_x1 = 5,  .box_y1 = 3,  .score = 7,  .interval = 20,
   .detach = DETACH_PLATFORM, .timer2 = 20, .set_up = PlatformSetUp},
  {.type = THING_WIDE_PLATFORM,     .hp = 12,   .box_x0 = -11, .box_y0 = -4,  .box_x1 = 11, .box_y1 = 3,  .score = 10, .interval = 20,
   .detach = DETACH_PLATFORM, .timer = 2, .timer2 = 20, .set_up = PlatformSetUp},
  {.type = THING_MISSILE,           .hp = 5,    .box_x0 = -5,  .box_y0 = -2,  .box_x1 = 5,  .box_y1 = 2,  .score = 12, .interval = 5,
   .detach = DETACH_TUMBLE, .timer_random = 10},
  {.type = THING_FIGHTER,           .hp = 1,    .box_x0 = -5,  .box_y0 = -5,  .box_x1 = 5,  .box_y1 = 5,  .score = 3,  .interval = 0,
   .timer_random = 20, .fire_timer = 12, .vx = -4, .set_up = FighterSetUp},
  {.type = THING_FIGHTER_2,         .hp = 3,    .box_x0 = -5,  .box_y0 = -5,  .box_x1 = 5,  .box_y1 = 5,  .score = 8,  .interval = 0,
   .debris = PROJ_FRAGMENT_RED, .vx = -3},
  {.type = THING_CARRIER,           .hp = 6,    .box_x0 = -10, .box_y0 = -3,  .box_x1 = 10, .box_y1 = 3,  .score = 6,  .interval = 0,
   .timer_random = 10, .set_up = CarrierSetUp},
  {.type = THING_TUG,               .hp = 10,   .box_x0 = -5,  .box_y0 = -8,  .box_x1 = 5,  .box_y1 = 8,  .score = 15, .interval = 0,
   .set_up = TugSetUp},
  {.type = THING_TURRET,            .hp = 8,    .box_x0 = -5,  .box_y0 = -4,  .box_x1 = 5,  .box_y1 = 4,  .score = 10, .interval = 50,
   .param = 1, .timer = 50, .timer_random = 20, .fire_timer_random = 50, .aim_x = -4.0f, .aim_y = 0.0f},
  {.type = THING_TURRET_2,          .hp = 20,   .box_x0 = -6,  .box_y0 = -9,  .box_x1 = 6,  .box_y1 = 0,  .score = 40, .interval = 100,
   .param = 5, .timer = 50, .timer_random = 10, .fire_timer_random = 100, .aim_x = 0.0f, .aim_y = -4.0f},
  {.type = THING_BEAM_GUN,          .hp = 30,   .box_x0 = -10, .box_y0 = -4,  .box_x1 = 10, .box_y1 = 4,  .score = 20, .interval = 0,
   .detach = DETACH_BEAM_GUN, .param = -1},
  {.type = THING_CANNON,            .hp = 30,   .box_x0 = -10, .box_y0 = -5,  .box_x1 = 10, .box_y1 = 5,  .score = 10, .interval = 120,
   .aim_x = -6.0f, .aim_y = 0.0f},
  {.type = THING_CANNON_2,          .hp = 15,   .box_x0 = -5,  .box_y0 = -4,  .box_x1 = 5,  .box_y1 = 4,  .score = 15, .interval = 100,
   .fire_timer_random = 100, .aim_x = -4.0f, .aim_y = -6.0f},
  {.type = THING_LASER,             .hp = 12,   .box_x0 = -5,  .box_y0 = -5,  .box_x1 = 5,  .box_y1 = 5,  .score = 9,  .interval = 30,
   .param = -1, .fire_timer_random = 100},
  {.type = THING_LASER_DOWN,        .hp = 12,   .box_x0 = -5,  .box_y0 = -5,  .box_x1 = 5,  .box_y1 = 5,  .score = 9,  .interval = 30,
   .param = -1, .fire_timer_random = 100},
  {.type = THING_LASER_UP,          .hp = 12,   .box_x0 = -5,  .box_y0 = -5,  .box_x1 = 5,  .box_y1 = 5,  .score = 9,  .interval = 30,
   .param = -1, .fire_timer_random = 100},
  {.type = THING_HULL,              .hp = 1000, .box_x0 = -10, .box_y0 = -4,  .box_x1 = 10, .box_y1 = 4,  .score = 5,  .interval = 0,
   .debris = PROJ_FRAGMENT_RED},
  {.type = THING_HULL_FLIPPED,      .hp = 1000, .box_x0 = -10, .box_y0 = -4,  .box_x1 = 10, .box_y1 = 4,  .score = 5,  .interval = 0,
   .debris = PROJ_FRAGMENT_RED},
  {.type = THING_PART_VERT,         .hp = 14,   .box_x0 = -4,  .box_y0 = -5,  .box_x1 = 4,  .box_y1 = 5,  .score = 2,  .interval = 0},
  {.type = THING_PART_VERT_2,       .hp = 1000, .box_x0 = -4,  .box_y0 = -9,  .box_x1 = 4,  .box_y1 = 9,  .score = 1,  .interval = 0,
   .detach = DETACH_SLIDE, .debris = PROJ_FRAGMENT_RED},
  {.type = THING_PART_VERT_2X2,     .hp = 1000, .box_x0 = -4,  .box_y0 = -16, .box_x1 = 4,  .box_y1 = 16, .score = 1,  .interval = 0,
   .detach = DETACH_SLIDE, .debris = PROJ_FRAGMENT_RED},
  {.type = THING_PART_VERT_2X3,     .hp = 1000, .box_x0 = -4,  .box_y0 = -25, .box_x1 = 4,  .box_y1 = 25, .score = 1,  .interval = 0,
   .detach = DETACH_SLIDE, .debris = PROJ_FRAGMENT_RED},
  {.type = THING_PART_HORZ,         .hp = 1000, .box_x0 = -12, .box_y0 = -3,  .box_x1 = 12, .box_y1 = 3,  .score = 1,  .interval = 0,
   .detach = DETACH_TUMBLE, .debris = PROJ_FRAGMENT_RED},
  {.type = THING_PART_HORZ_X2,      .hp = 1000, .box_x0 = -12, .box_y0 = -3,  .box_x1 = 36, .box_y1 = 3,  .score = 1,  .interval = 0,
   .detach = DETACH_TUMBLE, .debris = PROJ_FRAGMENT_RED},
  {.type = THING_PART_BRIDGE,       .hp = 1000, .box_x0 = -12, .box_y0 = -3,  .box_x1 = 12, .box_y1 = 3,  .score = 1,  .interval = 0,
   .detach = DETACH_TUMBLE, .debris = PROJ_SPLINTER},
  {.type = THING_METAL_BLOCK,       .hp = 1000, .box_x0 = 0,   .box_y0 = -13, .box_x1 = 25, .box_y1 = 13, .score = 1,  .interval = 0,
   .debris = PROJ_FRAGMENT_RED},
  {.type = THING_PART_STEP,         .hp = 1000, .box_x0 = -6,  .box_y0 = -6,  .box_x1 = 6,  .box_y1 = 6,  .score = 1,  .interval = 0},
  {.type = THING_PART_STEP_FLIPPED, .hp = 1000, .box_x0 = -6,  .box_y0 = -6,  .box_x1 = 6,  .box_y1 = 6,  .score = 1,  .interval = 0},
  {.type = THING_PART_BOX,          .hp = 1000, .box_x0 = -8,  .box_y0 = -8,  .box_x1 = 8,  .box_y1 = 8,  .score = 1,  .interval = 0},
  {.type = THING_PART_BOX_2,        .hp = 1000, .box_x0 = -8,  .box_y0 = -8,  .box_x1 = 8,  .box_y1 = 8,  .score = 1,  .interval = 0},
  {.type = THING_PART_MOUNT,        .hp = 1000, .box_x0 = -13, .box_y0 = -2,  .box_x1 = 13, .box_y1 = 2,  .score = 12, .interval = 0},
  {.type = THING_PART_JOINT,        .hp = 1000, .box_x0 = -3,  .box_y0 = -3,  .box_x1 = 3,  .box_y1 = 3,  .score = 1,  .interval = 0,
   .detach = DETACH_FLEE, .debris = PROJ_FRAGMENT_RED, .set_up = JointSetUp},
  {.type = THING_TREE_TRUNK,        .hp = 3,    .box_x0 = -5,  .box_y0 = -10, .box_x1 = 5,  .box_y1 = 0,  .score = 1,  .interval = 0,
   .detach = DETACH_FALL, .debris = PROJ_SPLINTER},
  {.type = THING_TREE_TOP,          .hp = 6,    .box_x0 = -5,  .box_y0 = -5,  .box_x1 = 5,  .box_y1 = 10, .score = 1,  .interval = 0,
   .detach = DETACH_FALL, .debris = PROJ_LEAF},
  {.type = THING_TREE_TOP_PLATFORM, .hp = 8,    .box_x0 = -12, .box_y0 = -6,  .box_x1 = 12, .box_y1 = 6,  .score = 1,  .interval = 0,
   .detach = DETACH_FALL, .debris = PROJ_LEAF},
  {.type = THING_TREE_BRANCH,       .hp = 1000, .box_x0 = -12, .box_y0 = -3,  .box_x1 = 12, .box_y1 = 3,  .score = 1,  .interval = 0,
   .debris = PROJ_LEAF},
  {.type = THING_POW_FORWARD,       .hp = 1000, .box_x0 = -7,  .box_y0 = -7,  .box_x1 = 7,  .box_y1 = 7,  .score = 0,  .interval = 0,
   .detach = DETACH_FLOAT, .vx = 4},
  {.type = THING_POW_MISSILE,       .hp = 1000, .box_x0 = -7,  .box_y0 = -7,  .box_x1 = 7,  .box_y1 = 7,  .score = 0,  .interval = 25,
   .detach = DETACH_FLOAT, .vx = 4, .set_up = MissilePickupSetUp},
};

constexpr CoreRow core_rows[] = {
  // type, hit points, score, fire interval; then what differs
  {.type = THING_CORE_0,  .hp = 55, .score = 30, .interval = 5000, .fire_timer = 121, .vx = -4},
  {.type = THING_CORE_1,  .hp = 60, .score = 30, .interval = 0,    .vx = -2, .vy = 4},
  {.type = THING_CORE_2,  .hp = 16, .score = 30, .interval = 0,    .vx = -2, .vy_either = 4},
  {.type = THING_CORE_3,  .hp = 30, .score = 30, .interval = 0,    .fire_timer = 125, .vx = -4},
  {.type = THING_CORE_4,  .hp = 16, .score = 30, .interval = 0},
  {.type = THING_CORE_5,  .hp = 16, .score = 30, .interval = 0,    .param = 0, .vx = 0},
  {.type = THING_CORE_6,  .hp = 16, .score = 30, .interval = 0,    .vx = -2, .vy_either = 4},
  {.type = THING_CORE_7,  .hp = 35, .score = 20, .interval = 90,   .fire_timer = 200, .vx = -2, .vy_either = 3},
  {.type = THING_CORE_8,  .hp = 18, .score = 30, .interval = 0},
  {.type = THING_CORE_9,  .hp = 25, .score = 30, .interval = 0,    .vx = -2},
  {.type = THING_CORE_10, .hp = 16, .score = 30, .interval = 0,    .vx = -2, .vy = -2},
  {.type = THING_CORE_11, .hp = 30, .score = 30, .interval = 400,  .param = -1, .timer = 102, .fire_timer = 100,
   .set_up = Core11SetUp},
  {.type = THING_CORE_12, .hp = 20, .score = 30, .interval = 100,  .param = 0, .fire_timer = 100, .vx = 0},
  {.type = THING_CORE_13, .hp = 20, .score = 20, .interval = 0,    .vx = -2, .vy_either = 4},
  {.type = THING_CORE_14, .hp = 16, .score = 15, .interval = 0,    .vx = 0},
  {.type = THING_CORE_15, .hp = 16, .score = 30, .interval = 0},
};
// clang-format on

// Every type of the catalogue but the explosion and the cores, once each.
static_assert(sizeof(thing_rows) / sizeof(thing_rows[0]) == 42);
constexpr bool ThingRowsDistinct() {
  for (const ThingRow& a : thing_rows) {
    if (a.type == THING_EXPLOSION || (a.type >= THING_CORE_0 && a.type <= THING_CORE_15)) return false;
    int n = 0;
    for (const ThingRow& b : thing_rows) n += a.type == b.type;
    if (n != 1) return false;
  }
  return true;
}
static_assert(ThingRowsDistinct(), "one row per type");
static_assert(sizeof(core_rows) / sizeof(core_rows[0]) == THING_CORE_15 - THING_CORE_0 + 1);

constexpr bool CoreRowsInTypeOrder() {
  for (int i = 0; i <= THING_CORE_15 - THING_CORE_0; i++)
    if (core_rows[i].type != THING_CORE_0 + i) return false;
  return true;
}
static_assert(CoreRowsInTypeOrder(), "core_rows is indexed by core number");

void ApplySpeedCodes(int slot, int vx, int vy) {
  if (vx != KEEP) thing_vx[slot] = vx;
  if (vy != KEEP) thing_vy[slot] = vy;
}

void ApplyRow(int slot, const ThingRow& row, float x, float y) {
  thing_hp[slot] = row.hp;
  thing_box_x0[slot] = row.box_x0;
  thing_box_y0[slot] = row.box_y0;
  thing_box_x1[slot] = row.box_x1;
  thing_box_y1[slot] = row.box_y1;
  thing_score[slot] = row.score;
  thing_fire_interval[slot] = row.interval;
  thing_detach_mode[slot] = row.detach;
  if (row.debris != 0) thing_debris_type[slot] = row.debris;
  thing_param[slot] = row.param;
  thing_timer[slot] = row.timer;
  if (row.timer_random > 0) thing_timer[slot] += Rand() % row.timer_random;
  thing_fire_timer[slot] = row.fire_timer;
  if (row.fire_timer_random > 0) thing_fire_timer[slot] += Rand() % row.fire_timer_random;
  thing_timer2[slot] = row.timer2;
  thing_aim_x[slot] = row.aim_x;
  thing_aim_y[slot] = row.aim_y;
  ApplySpeedCodes(slot, row.vx, row.vy);
  if (row.set_up) row.set_up(slot, x, y);
}

void ApplyCoreRow(int slot, const CoreRow& row, float x, float y) {
  thing_hp[slot] = row.hp;
  thing_fire_interval[slot] = row.interval;
  SetCoreWidth(slot);
  thing_box_y0[slot] = -6;
  thing_box_x1[slot] = 0;
  thing_box_y1[slot] = 6;
  thing_score[slot] = row.score;
  thing_param[slot] = row.param;
  thing_timer[slot] = row.timer;
  thing_fire_timer[slot] = row.fire_timer;
  ApplySpeedCodes(slot, row.vx, row.vy);
  if (row.vy_either > 0) thing_vy[slot] = Rand() % 2 == 0 ? -row.vy_either : row.vy_either;
  if (row.set_up) row.set_up(slot, x, y);
}

// A type missing from the catalogue is still made, as a harmless indestructible box.
void ApplyGenericRow(int slot) {
  ConsolePrint("Generic Thing");
  thing_hp[slot] = 1000;
  thing_box_x0[slot] = -5;
  thing_box_y0[slot] = -5;
  thing_box_x1[slot] = 5;
  thing_box_y1[slot] = 5;
  thing_score[slot] = 0;
}

const ThingRow* FindThingRow(int type) {
  for (const ThingRow& row : thing_rows)
    if (row.type == type) return &row;
  return nullptr;
}

}  // namespace

int CreateThing(int type, int parent, float x, float y) {
  if (type <= 0) return -1;  // would be counted live in a slot that reads as free
  if (parent != -1 && (parent < 0 || parent >= MAX_THINGS)) return -1;
  int slot = FindFreeThing();
  if (slot < 0) return -1;

  thing_type[slot] = type;
  thing_parent[slot] = parent;
  thing_detach_mode[slot] = DETACH_BREAK;
  thing_anchor_x[slot] = x;
  thing_anchor_y[slot] = y;
  thing_timer[slot] = thing_timer2[slot] = thing_fuse[slot] = thing_param[slot] = 0;
  thing_fire_timer[slot] = thing_fire_interval[slot] = 0;
  thing_roll[slot] = 0.0f;
  thing_roll_rate[slot] = 0.0f;
  thing_roll_spring[slot] = 1.0f;
  thing_debris_type[slot] = type < THING_CORE_0 ? PROJ_FRAGMENT_GREY : PROJ_FRAGMENT_RED;
  // Cleared so that no thing inherits the score, aim or wobble of the slot's last occupant.
  thing_score[slot] = 0;
  thing_aim_x[slot] = thing_aim_y[slot] = 0.0f;
  thing_roll_time[slot] = 0;

  if (parent == -1) {
    thing_x[slot] = x;
    thing_y[slot] = y;
    thing_vx[slot] = -scroll_speed;  // resting on the scrolling ground
  } else {
    thing_x[slot] = thing_x[parent] + x;
    thing_y[slot] = thing_y[parent] + y;
    thing_vx[slot] = 0;
  }
  thing_vy[slot] = 0;

  if (type >= THING_CORE_0 && type <= THING_CORE_15) {
    ApplyCoreRow(slot, core_rows[type - THING_CORE_0], x, y);
  } else if (const ThingRow* row = FindThingRow(type)) {
    ApplyRow(slot, *row, x, y);
  } else {
    ApplyGenericRow(slot);
  }
  return slot;
}

void SetCoreWidth(int slot) {
  if (slot < 0 || slot >= MAX_THINGS) return;
  // The step from -12 at 16 hit points to -10 at 17 is how the cores have always looked.
  thing_box_x0[slot] = thing_hp[slot] <= 16 ? -12 : -10 - ((thing_hp[slot] - 16) >> 2);
}
