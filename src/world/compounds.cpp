#include "world/compounds.h"

#include <span>

#include "world/engine_services.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

// A field written into a part right after it is created, over what the catalogue gave it.
enum PartField {
  FIELD_NONE = 0,
  FIELD_PARAM,          // thing_param = value
  FIELD_PARAM_ROOT,     // thing_param = the root's slot (the core that times it)
  FIELD_ROOT_PARAM,     // the root's thing_param = this part's slot
  FIELD_AIM_X,          // thing_aim_x = value
  FIELD_AIM_Y,          // thing_aim_y = value
  FIELD_FIRE_INTERVAL,  // thing_fire_interval = value
  FIELD_FIRE_TIMER,     // thing_fire_timer = value
  FIELD_TIMER,          // thing_timer = value
  FIELD_VX,             // thing_vx = value
  FIELD_VX_GROUND,      // thing_vx = -scroll_speed: it rests on the scrolling ground
  FIELD_VY,             // thing_vy = value
  FIELD_HP,             // thing_hp = value
  FIELD_DETACH,         // thing_detach_mode = value
};

struct FieldWrite {
  PartField field = FIELD_NONE;
  float value = 0.0f;
};

constexpr int MAX_PART_WRITES = 5;
constexpr int MAX_COMPOUND_PARTS = 22;

// One part of a compound. `on` is the thing it is attached to: 0 the root, k the k-th part
// (always an earlier row), so the row order fixes both the slots and the catalogue's random draws.
struct CompoundPart {
  int type;
  int on;
  float x, y;  // offset from that thing
  FieldWrite set[MAX_PART_WRITES] = {};
};

struct Compound {
  int id;
  int root;             // thing type of the free-standing root
  FieldWrite root_set = {};  // written right after the root is created
  std::span<const CompoundPart> parts;
};

// ---- Small structures --------------------------------------------------------------------------
//                                          type                   on   x     y      set after creation
constexpr CompoundPart tug_spawner_parts[] = {
    {.type = THING_SPAWNER,    .on = 0, .x = -10, .y = 0,
     .set = {{FIELD_PARAM, COMPOUND_FLOOR_TURRET}, {FIELD_AIM_Y, 4.0f}, {FIELD_FIRE_INTERVAL, 150}}},
};
constexpr CompoundPart tug_guns_parts[] = {
    {.type = THING_BEAM_GUN,   .on = 0, .x = -15, .y = 0},
    {.type = THING_LASER_UP,   .on = 1, .x = -5,  .y = -7},
    {.type = THING_LASER_DOWN, .on = 1, .x = -5,  .y = 7},
};
constexpr CompoundPart ceiling_turret_parts[] = {
    {.type = THING_TURRET,     .on = 0, .x = 0,   .y = 4},
};
constexpr CompoundPart ceiling_turrets_parts[] = {
    {.type = THING_TURRET,     .on = 0, .x = -5,  .y = 4},
    {.type = THING_TURRET,     .on = 0, .x = 5,   .y = 4},
};
constexpr CompoundPart floor_turret_parts[] = {
    {.type = THING_TURRET,     .on = 0, .x = 0,   .y = -4},
};
constexpr CompoundPart floor_turrets_parts[] = {
    {.type = THING_TURRET,     .on = 0, .x = -5,  .y = -4},
    {.type = THING_TURRET,     .on = 0, .x = 5,   .y = -4},
};
constexpr CompoundPart ceiling_spawner_parts[] = {
    {.type = THING_SPAWNER,    .on = 0, .x = 0,   .y = 7},
};
constexpr CompoundPart floor_spawner_parts[] = {
    {.type = THING_SPAWNER,    .on = 0, .x = 0,   .y = -7},
};
constexpr CompoundPart wide_turret_parts[] = {
    {.type = THING_TURRET_2,   .on = 0, .x = 0,   .y = -3},
};
constexpr CompoundPart wide_turrets_parts[] = {
    {.type = THING_TURRET_2,   .on = 0, .x = -5,  .y = -3},
    {.type = THING_TURRET_2,   .on = 0, .x = 5,   .y = -3},
};
constexpr CompoundPart wide_turret_cannon_parts[] = {
    {.type = THING_TURRET_2,   .on = 0, .x = -5,  .y = -3},
    {.type = THING_CANNON_2,   .on = 0, .x = 5,   .y = -5},
};
constexpr CompoundPart wide_launcher_cannon_parts[] = {
    {.type = THING_LAUNCHER,   .on = 0, .x = -5,  .y = -7},
    {.type = THING_CANNON_2,   .on = 0, .x = 5,   .y = -5},
};
constexpr CompoundPart wide_spawner_turret_parts[] = {
    {.type = THING_TURRET_2,   .on = 0, .x = -5,  .y = -3},
    {.type = THING_SPAWNER,    .on = 0, .x = 5,   .y = -9},
};
constexpr CompoundPart fighter_turret_parts[] = {
    {.type = THING_TURRET,     .on = 0, .x = 6,   .y = 0},
};

// ---- Carriers ----------------------------------------------------------------------------------
constexpr CompoundPart carrier_missiles_parts[] = {
    {.type = THING_MISSILE,    .on = 0, .x = 4,   .y = -5},
    {.type = THING_MISSILE,    .on = 0, .x = 4,   .y = 5},
};
constexpr CompoundPart carrier_launchers_parts[] = {
    {.type = THING_LAUNCHER,   .on = 0, .x = 6,   .y = -9},
    {.type = THING_LAUNCHER,   .on = 0, .x = 6,   .y = 9},
};
constexpr CompoundPart carrier_lasers_parts[] = {
    {.type = THING_LASER,      .on = 0, .x = 6,   .y = -6},
    {.type = THING_LASER,      .on = 0, .x = 6,   .y = 6},
};
// The outer laser on each side hangs on the inner one and goes with it.
constexpr CompoundPart carrier_lasers_4_parts[] = {
    {.type = THING_LASER,      .on = 0, .x = 6,   .y = -6},
    {.type = THING_LASER,      .on = 1, .x = 0,   .y = -6},
    {.type = THING_LASER,      .on = 0, .x = 6,   .y = 6},
    {.type = THING_LASER,      .on = 3, .x = 0,   .y = 6},
};
constexpr CompoundPart carrier_turrets_parts[] = {
    {.type = THING_TURRET,     .on = 0, .x = 8,   .y = -6},
    {.type = THING_TURRET,     .on = 0, .x = 8,   .y = 6},
};

// ---- Trees and bars: columns of trunks 9 units apart; shooting one away drops what stands on it --
constexpr CompoundPart tree_1_parts[] = {
    {.type = THING_TREE_TOP,   .on = 0, .x = 0,   .y = -18},
};
constexpr CompoundPart tree_2_parts[] = {
    {.type = THING_TREE_TRUNK, .on = 0, .x = 0,   .y = -9},
    {.type = THING_TREE_TOP,   .on = 1, .x = 0,   .y = -18},
};
constexpr CompoundPart tree_3_parts[] = {
    {.type = THING_TREE_TRUNK, .on = 0, .x = 0,   .y = -9},
    {.type = THING_TREE_TRUNK, .on = 1, .x = 0,   .y = -9},
    {.type = THING_TREE_TOP,   .on = 2, .x = 0,   .y = -18},
};
constexpr CompoundPart tree_4_parts[] = {
    {.type = THING_TREE_TRUNK, .on = 0, .x = 0,   .y = -9},
    {.type = THING_TREE_TRUNK, .on = 1, .x = 0,   .y = -9},
    {.type = THING_TREE_TRUNK, .on = 2, .x = 0,   .y = -9},
    {.type = THING_TREE_TOP,   .on = 3, .x = 0,   .y = -18},
};
constexpr CompoundPart tree_5_parts[] = {
    {.type = THING_TREE_TRUNK, .on = 0, .x = 0,   .y = -9},
    {.type = THING_TREE_TRUNK, .on = 1, .x = 0,   .y = -9},
    {.type = THING_TREE_TRUNK, .on = 2, .x = 0,   .y = -9},
    {.type = THING_TREE_TRUNK, .on = 3, .x = 0,   .y = -9},
    {.type = THING_TREE_TOP,   .on = 4, .x = 0,   .y = -18},
};
constexpr CompoundPart platform_tree_1_parts[] = {
    {.type = THING_TREE_TOP_PLATFORM, .on = 0, .x = -4, .y = -14},
};
constexpr CompoundPart platform_tree_2_parts[] = {
    {.type = THING_TREE_TRUNK,        .on = 0, .x = 0,  .y = -9},
    {.type = THING_TREE_TOP_PLATFORM, .on = 1, .x = -4, .y = -14},
};
constexpr CompoundPart platform_tree_3_parts[] = {
    {.type = THING_TREE_TRUNK,        .on = 0, .x = 0,  .y = -9},
    {.type = THING_TREE_TRUNK,        .on = 1, .x = 0,  .y = -9},
    {.type = THING_TREE_TOP_PLATFORM, .on = 2, .x = -4, .y = -14},
};
constexpr CompoundPart bar_post_above_parts[] = {
    {.type = THING_PART_VERT_2X2, .on = 0, .x = -10, .y = -19, .set = {{FIELD_DETACH, DETACH_BREAK}}},
};
constexpr CompoundPart bar_post_below_parts[] = {
    {.type = THING_PART_VERT_2X2, .on = 0, .x = -10, .y = 19, .set = {{FIELD_DETACH, DETACH_BREAK}}},
};

// ---- Boss structures: core n is the root of boss n ---------------------------------------------
constexpr CompoundPart boss_0_parts[] = {
    /*  1 */ {.type = THING_PART_VERT_2,   .on = 0,  .x = 1,   .y = 0},
    /*  2 */ {.type = THING_LAUNCHER,      .on = 0,  .x = -25, .y = 0},
    /*  3 */ {.type = THING_HULL_FLIPPED,  .on = 0,  .x = -6,  .y = -12},
    /*  4 */ {.type = THING_TURRET,        .on = 3,  .x = -8,  .y = 4},
    /*  5 */ {.type = THING_PART_HORZ,     .on = 3,  .x = -18, .y = -6},
    /*  6 */ {.type = THING_LASER_DOWN,    .on = 5,  .x = 0,   .y = 6},
    /*  7 */ {.type = THING_TURRET,        .on = 5,  .x = -9,  .y = 5},
    /*  8 */ {.type = THING_PART_JOINT,    .on = 5,  .x = -16, .y = -4, .set = {{FIELD_TIMER, 160}, {FIELD_PARAM, 2}}},
    /*  9 */ {.type = THING_PART_JOINT,    .on = 8,  .x = -7,  .y = -4, .set = {{FIELD_TIMER, 180}, {FIELD_PARAM, 2}}},
    /* 10 */ {.type = THING_PART_JOINT,    .on = 9,  .x = -7,  .y = -4, .set = {{FIELD_TIMER, 200}, {FIELD_PARAM, 2}}},
    /* 11 */ {.type = THING_BEAM_GUN,      .on = 10, .x = -15, .y = 0,  .set = {{FIELD_PARAM_ROOT}}},
    /* 12 */ {.type = THING_HULL,          .on = 0,  .x = -6,  .y = 12},
    /* 13 */ {.type = THING_TURRET,        .on = 12, .x = -8,  .y = -4},
    /* 14 */ {.type = THING_PART_HORZ,     .on = 12, .x = -18, .y = 6},
    /* 15 */ {.type = THING_LASER_UP,      .on = 14, .x = 0,   .y = -6},
    /* 16 */ {.type = THING_TURRET,        .on = 14, .x = -9,  .y = -5},
    /* 17 */ {.type = THING_PART_JOINT,    .on = 14, .x = -16, .y = 4,  .set = {{FIELD_TIMER, 160}, {FIELD_PARAM, 3}}},
    /* 18 */ {.type = THING_PART_JOINT,    .on = 17, .x = -7,  .y = 4,  .set = {{FIELD_TIMER, 180}, {FIELD_PARAM, 3}}},
    /* 19 */ {.type = THING_PART_JOINT,    .on = 18, .x = -7,  .y = 4,  .set = {{FIELD_TIMER, 200}, {FIELD_PARAM, 3}}},
    /* 20 */ {.type = THING_BEAM_GUN,      .on = 19, .x = -15, .y = 0,  .set = {{FIELD_PARAM_ROOT}}},
};
constexpr CompoundPart boss_1_parts[] = {
    /*  1 */ {.type = THING_HULL,          .on = 0,  .x = -10, .y = -8},
    /*  2 */ {.type = THING_HULL_FLIPPED,  .on = 0,  .x = -10, .y = 8},
    /*  3 */ {.type = THING_TURRET,        .on = 1,  .x = -12, .y = 1},
    /*  4 */ {.type = THING_TURRET,        .on = 2,  .x = -12, .y = -1},
    /*  5 */ {.type = THING_PART_VERT,     .on = 1,  .x = 5,   .y = -8},
    /*  6 */ {.type = THING_PART_HORZ,     .on = 5,  .x = -7,  .y = -7},
    /*  7 */ {.type = THING_TURRET,        .on = 6,  .x = -15, .y = 0},
    /*  8 */ {.type = THING_PART_VERT_2,   .on = 6,  .x = 9,   .y = -11, .set = {{FIELD_PARAM, 1}}},
    /*  9 */ {.type = THING_PART_HORZ_X2,  .on = 8,  .x = -39, .y = -6},
    /* 10 */ {.type = THING_TURRET,        .on = 9,  .x = -10, .y = 6},
    /* 11 */ {.type = THING_PART_VERT,     .on = 2,  .x = 5,   .y = 8},
    /* 12 */ {.type = THING_PART_HORZ,     .on = 11, .x = -7,  .y = 7},
    /* 13 */ {.type = THING_TURRET,        .on = 12, .x = -15, .y = 0},
    /* 14 */ {.type = THING_PART_VERT_2,   .on = 12, .x = 9,   .y = 11, .set = {{FIELD_PARAM, 1}}},
    /* 15 */ {.type = THING_PART_HORZ_X2,  .on = 14, .x = -39, .y = 6},
    /* 16 */ {.type = THING_TURRET,        .on = 15, .x = -10, .y = -6},
};
constexpr CompoundPart boss_2_parts[] = {
    /*  1 */ {.type = THING_PART_STEP,         .on = 0,  .x = -8,  .y = -9},
    /*  2 */ {.type = THING_PART_STEP_FLIPPED, .on = 0,  .x = -8,  .y = 9},
    /*  3 */ {.type = THING_PART_VERT_2,       .on = 0,  .x = -16, .y = -12},
    /*  4 */ {.type = THING_LASER,             .on = 3,  .x = -6,  .y = -5, .set = {{FIELD_FIRE_INTERVAL, 50}}},
    /*  5 */ {.type = THING_LASER,             .on = 3,  .x = -6,  .y = 5,  .set = {{FIELD_FIRE_INTERVAL, 50}}},
    /*  6 */ {.type = THING_PART_VERT,         .on = 3,  .x = 0,   .y = -12},
    /*  7 */ {.type = THING_HULL_FLIPPED,      .on = 6,  .x = -7,  .y = -7},
    /*  8 */ {.type = THING_LASER_DOWN,        .on = 7,  .x = -6,  .y = 5,  .set = {{FIELD_FIRE_INTERVAL, 50}}},
    /*  9 */ {.type = THING_TURRET,            .on = 7,  .x = -12, .y = -1},
    /* 10 */ {.type = THING_PART_VERT_2,       .on = 0,  .x = -16, .y = 12},
    /* 11 */ {.type = THING_LASER,             .on = 10, .x = -6,  .y = -5, .set = {{FIELD_FIRE_INTERVAL, 50}}},
    /* 12 */ {.type = THING_LASER,             .on = 10, .x = -6,  .y = 5,  .set = {{FIELD_FIRE_INTERVAL, 50}}},
    /* 13 */ {.type = THING_PART_VERT,         .on = 10, .x = 0,   .y = 12},
    /* 14 */ {.type = THING_HULL,              .on = 13, .x = -7,  .y = 7},
    /* 15 */ {.type = THING_LASER_UP,          .on = 14, .x = -6,  .y = -5, .set = {{FIELD_FIRE_INTERVAL, 50}}},
    /* 16 */ {.type = THING_TURRET,            .on = 14, .x = -12, .y = 1},
};
constexpr CompoundPart boss_3_parts[] = {
    /*  1 */ {.type = THING_HULL,          .on = 0,  .x = -9,  .y = -8},
    /*  2 */ {.type = THING_HULL_FLIPPED,  .on = 0,  .x = -9,  .y = 8},
    /*  3 */ {.type = THING_LASER,         .on = 1,  .x = -13, .y = 1,   .set = {{FIELD_PARAM_ROOT}}},
    /*  4 */ {.type = THING_LASER,         .on = 2,  .x = -13, .y = -1,  .set = {{FIELD_PARAM_ROOT}}},
    /*  5 */ {.type = THING_PART_VERT_2,   .on = 1,  .x = 8,   .y = -12},
    /*  6 */ {.type = THING_LASER,         .on = 5,  .x = -6,  .y = -5,  .set = {{FIELD_PARAM_ROOT}}},
    /*  7 */ {.type = THING_LASER,         .on = 5,  .x = -6,  .y = 5,   .set = {{FIELD_PARAM_ROOT}}},
    /*  8 */ {.type = THING_PART_HORZ,     .on = 5,  .x = -3,  .y = -11},
    /*  9 */ {.type = THING_LASER_DOWN,    .on = 8,  .x = -16, .y = 2,   .set = {{FIELD_PARAM_ROOT}}},
    /* 10 */ {.type = THING_PART_VERT_2,   .on = 2,  .x = 8,   .y = 12},
    /* 11 */ {.type = THING_LASER,         .on = 10, .x = -6,  .y = -5,  .set = {{FIELD_PARAM_ROOT}}},
    /* 12 */ {.type = THING_LASER,         .on = 10, .x = -6,  .y = 5,   .set = {{FIELD_PARAM_ROOT}}},
    /* 13 */ {.type = THING_PART_HORZ,     .on = 10, .x = -3,  .y = 11},
    /* 14 */ {.type = THING_LASER_UP,      .on = 13, .x = -16, .y = -2,  .set = {{FIELD_PARAM_ROOT}}},
};
constexpr CompoundPart boss_4_parts[] = {
    /*  1 */ {.type = THING_TURRET,        .on = 0,  .x = -20, .y = 0},
    /*  2 */ {.type = THING_PART_BOX_2,    .on = 0,  .x = -13, .y = -9},
    /*  3 */ {.type = THING_LASER,         .on = 2,  .x = -12, .y = 0},
    /*  4 */ {.type = THING_HULL_FLIPPED,  .on = 2,  .x = -5,  .y = -11},
    /*  5 */ {.type = THING_LASER_DOWN,    .on = 4,  .x = -13, .y = 1},
    /*  6 */ {.type = THING_LAUNCHER,      .on = 4,  .x = -4,  .y = -8},
    /*  7 */ {.type = THING_PART_HORZ,     .on = 6,  .x = 0,   .y = -7},
    /*  8 */ {.type = THING_TURRET,        .on = 7,  .x = -15, .y = 0},
    /*  9 */ {.type = THING_PART_BOX_2,    .on = 0,  .x = -13, .y = 9},
    /* 10 */ {.type = THING_LASER,         .on = 9,  .x = -12, .y = 0},
    /* 11 */ {.type = THING_HULL,          .on = 9,  .x = -5,  .y = 11},
    /* 12 */ {.type = THING_LASER_UP,      .on = 11, .x = -13, .y = -1},
    /* 13 */ {.type = THING_LAUNCHER,      .on = 11, .x = -4,  .y = 8},
    /* 14 */ {.type = THING_PART_HORZ,     .on = 13, .x = 0,   .y = 7},
    /* 15 */ {.type = THING_TURRET,        .on = 14, .x = -15, .y = 0},
};
// The joints swing the chain up and down; the vertical links between them can be shot through.
constexpr CompoundPart boss_5_parts[] = {
    /*  1 */ {.type = THING_PART_STEP,         .on = 0,  .x = -4,  .y = -9},
    /*  2 */ {.type = THING_LASER,             .on = 1,  .x = -10, .y = -5},
    /*  3 */ {.type = THING_PART_STEP_FLIPPED, .on = 0,  .x = -4,  .y = 9},
    /*  4 */ {.type = THING_LASER,             .on = 3,  .x = -10, .y = 5},
    /*  5 */ {.type = THING_PART_JOINT,        .on = 0,  .x = -13, .y = -4,
              .set = {{FIELD_PARAM, 1}, {FIELD_VY, -3}, {FIELD_AIM_Y, 0.0f}}},
    /*  6 */ {.type = THING_PART_VERT,         .on = 5,  .x = -7,  .y = 0,  .set = {{FIELD_HP, 10}}},
    /*  7 */ {.type = THING_LASER_UP,          .on = 6,  .x = -2,  .y = -8},
    /*  8 */ {.type = THING_LASER_DOWN,        .on = 6,  .x = -2,  .y = 8},
    /*  9 */ {.type = THING_PART_JOINT,        .on = 6,  .x = -7,  .y = -2,
              .set = {{FIELD_PARAM, 1}, {FIELD_VY, -3}, {FIELD_AIM_Y, 0.0f}}},
    /* 10 */ {.type = THING_PART_VERT,         .on = 9,  .x = -7,  .y = 0,  .set = {{FIELD_HP, 10}}},
    /* 11 */ {.type = THING_TURRET,            .on = 10, .x = 0,   .y = -7},
    /* 12 */ {.type = THING_TURRET,            .on = 10, .x = 0,   .y = 7},
    /* 13 */ {.type = THING_PART_JOINT,        .on = 10, .x = -7,  .y = 0,
              .set = {{FIELD_PARAM, 1}, {FIELD_VY, -3}, {FIELD_AIM_Y, 0.0f}}},
    /* 14 */ {.type = THING_PART_VERT,         .on = 13, .x = -7,  .y = 0,  .set = {{FIELD_HP, 10}}},
    /* 15 */ {.type = THING_LASER,             .on = 14, .x = -2,  .y = -6},
    /* 16 */ {.type = THING_LASER,             .on = 14, .x = -2,  .y = 6},
    /* 17 */ {.type = THING_PART_JOINT,        .on = 14, .x = -7,  .y = 4,
              .set = {{FIELD_PARAM, 1}, {FIELD_VY, -3}, {FIELD_AIM_Y, 0.0f}}},
    /* 18 */ {.type = THING_TURRET,            .on = 17, .x = -7,  .y = 0},
};
constexpr CompoundPart boss_6_parts[] = {
    /*  1 */ {.type = THING_PART_HORZ,     .on = 0,  .x = -4,  .y = -6},
    /*  2 */ {.type = THING_LASER,         .on = 1,  .x = -16, .y = 0},
    /*  3 */ {.type = THING_PART_VERT,     .on = 1,  .x = 2,   .y = -6},
    /*  4 */ {.type = THING_PART_HORZ,     .on = 3,  .x = 7,   .y = -6},
    /*  5 */ {.type = THING_LASER,         .on = 4,  .x = -16, .y = 0},
    /*  6 */ {.type = THING_PART_VERT,     .on = 4,  .x = -2,  .y = -6},
    /*  7 */ {.type = THING_HULL,          .on = 6,  .x = 5,   .y = -7},
    /*  8 */ {.type = THING_LASER,         .on = 7,  .x = -13, .y = 1},
    /*  9 */ {.type = THING_PART_HORZ,     .on = 0,  .x = -4,  .y = 6},
    /* 10 */ {.type = THING_LASER,         .on = 9,  .x = -16, .y = 0},
    /* 11 */ {.type = THING_PART_VERT,     .on = 9,  .x = 2,   .y = 6},
    /* 12 */ {.type = THING_PART_HORZ,     .on = 11, .x = 7,   .y = 6},
    /* 13 */ {.type = THING_LASER,         .on = 12, .x = -16, .y = 0},
    /* 14 */ {.type = THING_PART_VERT,     .on = 12, .x = -2,  .y = 6},
    /* 15 */ {.type = THING_HULL_FLIPPED,  .on = 14, .x = 5,   .y = 7},
    /* 16 */ {.type = THING_LASER,         .on = 15, .x = -13, .y = -1},
};
constexpr CompoundPart boss_7_parts[] = {
    /*  1 */ {.type = THING_PART_HORZ,     .on = 0,  .x = -4,  .y = -6},
    /*  2 */ {.type = THING_PART_HORZ,     .on = 0,  .x = -4,  .y = 6},
    /*  3 */ {.type = THING_TURRET,        .on = 1,  .x = -15, .y = 0},
    /*  4 */ {.type = THING_TURRET,        .on = 2,  .x = -15, .y = 0},
    /*  5 */ {.type = THING_LASER,         .on = 1,  .x = 0,   .y = -5},
    /*  6 */ {.type = THING_PART_VERT,     .on = 1,  .x = 7,   .y = -6},
    /*  7 */ {.type = THING_BEAM_GUN,      .on = 6,  .x = 2,   .y = -7,  .set = {{FIELD_PARAM_ROOT}}},
    /*  8 */ {.type = THING_LASER,         .on = 2,  .x = 0,   .y = 5},
    /*  9 */ {.type = THING_PART_VERT,     .on = 2,  .x = 7,   .y = 6},
    /* 10 */ {.type = THING_BEAM_GUN,      .on = 9,  .x = 2,   .y = 7,   .set = {{FIELD_PARAM_ROOT}}},
};
constexpr CompoundPart boss_8_parts[] = {
    /*  1 */ {.type = THING_PART_BOX,      .on = 0,  .x = 9,   .y = -8},
    /*  2 */ {.type = THING_LASER,         .on = 1,  .x = -12, .y = 0},
    /*  3 */ {.type = THING_TURRET_2,      .on = 1,  .x = 0,   .y = -7},
    /*  4 */ {.type = THING_WIDE_PLATFORM, .on = 1,  .x = 0,   .y = 12,
              .set = {{FIELD_PARAM_ROOT}, {FIELD_HP, 1000}, {FIELD_DETACH, DETACH_BREAK}, {FIELD_TIMER, 20}}},
    /*  5 */ {.type = THING_WIDE_PLATFORM, .on = 4,  .x = -26, .y = 0},
    /*  6 */ {.type = THING_CANNON,        .on = 5,  .x = -3,  .y = -7},
};
// The core and its mount carry each other's slots.
constexpr CompoundPart boss_9_parts[] = {
    /*  1 */ {.type = THING_PART_MOUNT,    .on = 0,  .x = -10, .y = 6,
              .set = {{FIELD_ROOT_PARAM}, {FIELD_TIMER, 20}}},
    /*  2 */ {.type = THING_WIDE_PLATFORM, .on = 1,  .x = -12, .y = 5,  .set = {{FIELD_PARAM, -1}, {FIELD_HP, 20}}},
    /*  3 */ {.type = THING_WIDE_PLATFORM, .on = 1,  .x = 12,  .y = 5,  .set = {{FIELD_PARAM_ROOT}, {FIELD_HP, 1000}}},
    /*  4 */ {.type = THING_PART_STEP,     .on = 0,  .x = 6,   .y = -1},
    /*  5 */ {.type = THING_CANNON_2,      .on = 4,  .x = -10, .y = -5, .set = {{FIELD_FIRE_INTERVAL, 75}}},
    /*  6 */ {.type = THING_CANNON,        .on = 2,  .x = -1,  .y = -11},
    /*  7 */ {.type = THING_CANNON_2,      .on = 6,  .x = 9,   .y = -6},
    /*  8 */ {.type = THING_TURRET,        .on = 7,  .x = -7,  .y = -1},
};
constexpr CompoundPart boss_10_parts[] = {
    /*  1 */ {.type = THING_PART_HORZ,     .on = 0,  .x = -20, .y = 0},
    /*  2 */ {.type = THING_TURRET,        .on = 1,  .x = -15, .y = 0},
    /*  3 */ {.type = THING_LASER,         .on = 1,  .x = -9,  .y = -5},
    /*  4 */ {.type = THING_LASER,         .on = 1,  .x = -9,  .y = 5},
    /*  5 */ {.type = THING_LASER_UP,      .on = 1,  .x = 8,   .y = -6},
    /*  6 */ {.type = THING_LASER_DOWN,    .on = 1,  .x = 8,   .y = 6},
    /*  7 */ {.type = THING_PART_VERT,     .on = 0,  .x = -4,  .y = -7},
    /*  8 */ {.type = THING_PART_VERT_2,   .on = 7,  .x = 0,   .y = -11},
    /*  9 */ {.type = THING_LASER,         .on = 8,  .x = -5,  .y = 0},
    /* 10 */ {.type = THING_TURRET,        .on = 8,  .x = 0,   .y = -11},
    /* 11 */ {.type = THING_SPAWNER,       .on = 8,  .x = 6,   .y = 0,
              .set = {{FIELD_PARAM, COMPOUND_CEILING_TURRET}, {FIELD_AIM_X, 1.0f}, {FIELD_AIM_Y, -4.0f},
                      {FIELD_FIRE_INTERVAL, 600}, {FIELD_FIRE_TIMER, 600}}},
    /* 12 */ {.type = THING_PART_VERT,     .on = 0,  .x = -4,  .y = 7},
    /* 13 */ {.type = THING_PART_VERT_2,   .on = 12, .x = 0,   .y = 11},
    /* 14 */ {.type = THING_LASER,         .on = 13, .x = -5,  .y = 0},
    /* 15 */ {.type = THING_TURRET,        .on = 13, .x = 0,   .y = 11},
    /* 16 */ {.type = THING_SPAWNER,       .on = 13, .x = 6,   .y = 0,
              .set = {{FIELD_PARAM, COMPOUND_FLOOR_TURRET}, {FIELD_AIM_X, 1.0f}, {FIELD_AIM_Y, 4.0f},
                      {FIELD_FIRE_INTERVAL, 600}, {FIELD_FIRE_TIMER, 300}}},
};
// Two outer cores above and below the root, each pulled back toward it by a joint.
constexpr CompoundPart boss_11_parts[] = {
    /*  1 */ {.type = THING_LAUNCHER,      .on = 0,  .x = -20, .y = 0},
    /*  2 */ {.type = THING_CORE_11,       .on = 0,  .x = -2,  .y = -25},
    /*  3 */ {.type = THING_PART_JOINT,    .on = 2,  .x = -10, .y = 25,  .set = {{FIELD_PARAM, 1}, {FIELD_VY, -4}}},
    /*  4 */ {.type = THING_SPAWNER,       .on = 2,  .x = -4,  .y = -9,
              .set = {{FIELD_PARAM, COMPOUND_CEILING_TURRETS}, {FIELD_FIRE_INTERVAL, 400}, {FIELD_FIRE_TIMER, 220}}},
    /*  5 */ {.type = THING_LAUNCHER,      .on = 2,  .x = -19, .y = -1},
    /*  6 */ {.type = THING_PART_HORZ,     .on = 2,  .x = -11, .y = 6},
    /*  7 */ {.type = THING_TURRET,        .on = 6,  .x = -15, .y = 0},
    /*  8 */ {.type = THING_CORE_11,       .on = 0,  .x = -2,  .y = 25},
    /*  9 */ {.type = THING_PART_JOINT,    .on = 8,  .x = -10, .y = -25, .set = {{FIELD_PARAM, 1}, {FIELD_VY, 4}}},
    /* 10 */ {.type = THING_SPAWNER,       .on = 8,  .x = -4,  .y = 9,
              .set = {{FIELD_PARAM, COMPOUND_FLOOR_TURRETS}, {FIELD_FIRE_INTERVAL, 400}, {FIELD_FIRE_TIMER, 20},
                      {FIELD_AIM_Y, 4.0f}}},
    /* 11 */ {.type = THING_LAUNCHER,      .on = 8,  .x = -19, .y = 1},
    /* 12 */ {.type = THING_PART_HORZ,     .on = 8,  .x = -11, .y = -6},
    /* 13 */ {.type = THING_TURRET,        .on = 12, .x = -15, .y = 0},
    /* 14 */ {.type = THING_HULL_FLIPPED,  .on = 0,  .x = -10, .y = -8},
    /* 15 */ {.type = THING_TURRET,        .on = 14, .x = -12, .y = -1},
    /* 16 */ {.type = THING_HULL,          .on = 0,  .x = -10, .y = 8},
    /* 17 */ {.type = THING_TURRET,        .on = 16, .x = -12, .y = 1},
};
constexpr CompoundPart boss_12_parts[] = {
    /*  1 */ {.type = THING_TURRET,            .on = 0,  .x = 14,  .y = 0},
    /*  2 */ {.type = THING_LASER,             .on = 0,  .x = -12, .y = 0},
    /*  3 */ {.type = THING_PART_STEP,         .on = 0,  .x = 5,   .y = -6},
    /*  4 */ {.type = THING_TURRET,            .on = 3,  .x = 5,   .y = 0},
    /*  5 */ {.type = THING_PART_STEP_FLIPPED, .on = 0,  .x = 5,   .y = 6},
    /*  6 */ {.type = THING_TURRET,            .on = 5,  .x = 5,   .y = 0},
    /*  7 */ {.type = THING_PART_VERT,         .on = 0,  .x = -4,  .y = -8},
    /*  8 */ {.type = THING_BEAM_GUN,          .on = 7,  .x = 2,   .y = -7, .set = {{FIELD_PARAM_ROOT}}},
    /*  9 */ {.type = THING_LASER,             .on = 7,  .x = -6,  .y = 0},
    /* 10 */ {.type = THING_PART_VERT,         .on = 0,  .x = -4,  .y = 8},
    /* 11 */ {.type = THING_BEAM_GUN,          .on = 10, .x = 2,   .y = 7,  .set = {{FIELD_PARAM_ROOT}}},
    /* 12 */ {.type = THING_LASER,             .on = 10, .x = -6,  .y = 0},
};
// Core 14 rides in front of boss 13 as a second core.
constexpr CompoundPart boss_13_parts[] = {
    /*  1 */ {.type = THING_SPAWNER,       .on = 0,  .x = 8,   .y = 0,
              .set = {{FIELD_FIRE_INTERVAL, 150}, {FIELD_AIM_X, -4.0f}, {FIELD_AIM_Y, 0.0f}}},
    /*  2 */ {.type = THING_HULL_FLIPPED,  .on = 0,  .x = 1,   .y = -10},
    /*  3 */ {.type = THING_LASER_DOWN,    .on = 2,  .x = -13, .y = 1},
    /*  4 */ {.type = THING_PART_VERT_2,   .on = 2,  .x = 6,   .y = -12},
    /*  5 */ {.type = THING_LASER,         .on = 4,  .x = -6,  .y = -5},
    /*  6 */ {.type = THING_LASER,         .on = 4,  .x = -6,  .y = 5},
    /*  7 */ {.type = THING_HULL,          .on = 0,  .x = 1,   .y = 10},
    /*  8 */ {.type = THING_LASER_UP,      .on = 7,  .x = -13, .y = -1},
    /*  9 */ {.type = THING_PART_VERT_2,   .on = 7,  .x = 6,   .y = 12},
    /* 10 */ {.type = THING_LASER,         .on = 9,  .x = -6,  .y = 5},
    /* 11 */ {.type = THING_LASER,         .on = 9,  .x = -6,  .y = -5},
    /* 12 */ {.type = THING_CORE_14,       .on = 0,  .x = -15, .y = 0},
    /* 13 */ {.type = THING_PART_BOX,      .on = 12, .x = 10,  .y = 0},
    /* 14 */ {.type = THING_LAUNCHER,      .on = 12, .x = -15, .y = 0},
    /* 15 */ {.type = THING_PART_HORZ,     .on = 12, .x = -9,  .y = -7},
    /* 16 */ {.type = THING_LASER,         .on = 15, .x = -15, .y = 0},
    /* 17 */ {.type = THING_PART_HORZ,     .on = 12, .x = -9,  .y = 7},
    /* 18 */ {.type = THING_LASER,         .on = 17, .x = -15, .y = 0},
    /* 19 */ {.type = THING_PART_VERT_2,   .on = 12, .x = 14,  .y = -22},
    /* 20 */ {.type = THING_LASER,         .on = 19, .x = -6,  .y = 0},
    /* 21 */ {.type = THING_PART_VERT_2,   .on = 12, .x = 14,  .y = 22},
    /* 22 */ {.type = THING_LASER,         .on = 21, .x = -6,  .y = 0},
};
constexpr CompoundPart boss_15_parts[] = {
    /*  1 */ {.type = THING_HULL,          .on = 0,  .x = -9,  .y = -8},
    /*  2 */ {.type = THING_LAUNCHER,      .on = 1,  .x = 6,   .y = -9},
    /*  3 */ {.type = THING_CANNON,        .on = 2,  .x = -3,  .y = -9},
    /*  4 */ {.type = THING_SPAWNER,       .on = 3,  .x = 16,  .y = 0,
              .set = {{FIELD_AIM_X, -4.0f}, {FIELD_AIM_Y, -4.0f}, {FIELD_FIRE_INTERVAL, 100}}},
    /*  5 */ {.type = THING_CANNON_2,      .on = 3,  .x = 5,   .y = -6},
    /*  6 */ {.type = THING_TURRET,        .on = 1,  .x = -5,  .y = -4},
    /*  7 */ {.type = THING_TURRET,        .on = 1,  .x = -11, .y = 1},
    /*  8 */ {.type = THING_PART_STEP,     .on = 1,  .x = 15,  .y = 6},
    /*  9 */ {.type = THING_WIDE_PLATFORM, .on = 8,  .x = 5,   .y = 10, .set = {{FIELD_HP, 1000}}},
    /* 10 */ {.type = THING_WIDE_PLATFORM, .on = 9,  .x = -25, .y = 0},
    /* 11 */ {.type = THING_LASER_UP,      .on = 10, .x = -4,  .y = -8},
    /* 12 */ {.type = THING_CORE_15,       .on = 0,  .x = -39, .y = 0},
    /* 13 */ {.type = THING_WIDE_PLATFORM, .on = 12, .x = -9,  .y = 8},
    /* 14 */ {.type = THING_LASER,         .on = 12, .x = -12, .y = 0},
    /* 15 */ {.type = THING_CANNON_2,      .on = 12, .x = -4,  .y = -6},
    /* 16 */ {.type = THING_PART_BOX,      .on = 12, .x = 8,   .y = 3},
};

// ---- All compounds -----------------------------------------------------------------------------
constexpr FieldWrite ON_GROUND = {FIELD_VX_GROUND};

constexpr Compound compounds[] = {
    //  id                                  root                                       parts
    {.id = COMPOUND_TUG_SPAWNER,           .root = THING_TUG,              .parts = tug_spawner_parts},
    {.id = COMPOUND_TUG_GUNS,              .root = THING_TUG,              .parts = tug_guns_parts},
    {.id = COMPOUND_CEILING_TURRET,        .root = THING_CEILING_PLATFORM, .parts = ceiling_turret_parts},
    {.id = COMPOUND_CEILING_TURRETS,       .root = THING_CEILING_PLATFORM, .parts = ceiling_turrets_parts},
    {.id = COMPOUND_FLOOR_TURRET,          .root = THING_FLOOR_PLATFORM,   .parts = floor_turret_parts},
    {.id = COMPOUND_FLOOR_TURRETS,         .root = THING_FLOOR_PLATFORM,   .parts = floor_turrets_parts},
    {.id = COMPOUND_CEILING_SPAWNER,       .root = THING_CEILING_PLATFORM, .parts = ceiling_spawner_parts},
    {.id = COMPOUND_FLOOR_SPAWNER,         .root = THING_FLOOR_PLATFORM,   .parts = floor_spawner_parts},
    {.id = COMPOUND_WIDE_TURRET,           .root = THING_WIDE_PLATFORM,    .parts = wide_turret_parts},
    {.id = COMPOUND_WIDE_TURRETS,          .root = THING_WIDE_PLATFORM,    .parts = wide_turrets_parts},
    {.id = COMPOUND_WIDE_TURRET_CANNON,    .root = THING_WIDE_PLATFORM,    .parts = wide_turret_cannon_parts},
    {.id = COMPOUND_WIDE_LAUNCHER_CANNON,  .root = THING_WIDE_PLATFORM,    .parts = wide_launcher_cannon_parts},
    {.id = COMPOUND_WIDE_SPAWNER_TURRET,   .root = THING_WIDE_PLATFORM,    .parts = wide_spawner_turret_parts},
    {.id = COMPOUND_FIGHTER_TURRET,        .root = THING_FIGHTER,          .parts = fighter_turret_parts},
    {.id = COMPOUND_CARRIER_MISSILES,      .root = THING_CARRIER,          .parts = carrier_missiles_parts},
    {.id = COMPOUND_CARRIER_LAUNCHERS,     .root = THING_CARRIER,          .parts = carrier_launchers_parts},
    {.id = COMPOUND_CARRIER_LASERS,        .root = THING_CARRIER,          .parts = carrier_lasers_parts},
    {.id = COMPOUND_CARRIER_LASERS_4,      .root = THING_CARRIER,          .parts = carrier_lasers_4_parts},
    {.id = COMPOUND_CARRIER_TURRETS,       .root = THING_CARRIER,          .parts = carrier_turrets_parts},
    {.id = COMPOUND_TREE_1,          .root = THING_TREE_TRUNK, .root_set = ON_GROUND, .parts = tree_1_parts},
    {.id = COMPOUND_TREE_2,          .root = THING_TREE_TRUNK, .root_set = ON_GROUND, .parts = tree_2_parts},
    {.id = COMPOUND_TREE_3,          .root = THING_TREE_TRUNK, .root_set = ON_GROUND, .parts = tree_3_parts},
    {.id = COMPOUND_TREE_4,          .root = THING_TREE_TRUNK, .root_set = ON_GROUND, .parts = tree_4_parts},
    {.id = COMPOUND_TREE_5,          .root = THING_TREE_TRUNK, .root_set = ON_GROUND, .parts = tree_5_parts},
    {.id = COMPOUND_PLATFORM_TREE_1, .root = THING_TREE_TRUNK, .root_set = ON_GROUND, .parts = platform_tree_1_parts},
    {.id = COMPOUND_PLATFORM_TREE_2, .root = THING_TREE_TRUNK, .root_set = ON_GROUND, .parts = platform_tree_2_parts},
    {.id = COMPOUND_PLATFORM_TREE_3, .root = THING_TREE_TRUNK, .root_set = ON_GROUND, .parts = platform_tree_3_parts},
    {.id = COMPOUND_BAR_POST_ABOVE,        .root = THING_PART_HORZ_X2,     .parts = bar_post_above_parts},
    {.id = COMPOUND_BAR_POST_BELOW,        .root = THING_PART_HORZ_X2,     .parts = bar_post_below_parts},
    {.id = COMPOUND_BOSS_0,                .root = THING_CORE_0,           .parts = boss_0_parts},
    {.id = COMPOUND_BOSS_1,                .root = THING_CORE_1,           .parts = boss_1_parts},
    {.id = COMPOUND_BOSS_2,                .root = THING_CORE_2,           .parts = boss_2_parts},
    {.id = COMPOUND_BOSS_3,                .root = THING_CORE_3,           .parts = boss_3_parts},
    {.id = COMPOUND_BOSS_4,                .root = THING_CORE_4,           .parts = boss_4_parts},
    {.id = COMPOUND_BOSS_5,                .root = THING_CORE_5,           .parts = boss_5_parts},
    {.id = COMPOUND_BOSS_6,                .root = THING_CORE_6,           .parts = boss_6_parts},
    {.id = COMPOUND_BOSS_7,                .root = THING_CORE_7,           .parts = boss_7_parts},
    {.id = COMPOUND_BOSS_8,                .root = THING_CORE_8,           .parts = boss_8_parts},
    {.id = COMPOUND_BOSS_9,                .root = THING_CORE_9,           .parts = boss_9_parts},
    {.id = COMPOUND_BOSS_10,               .root = THING_CORE_10,          .parts = boss_10_parts},
    {.id = COMPOUND_BOSS_11, .root = THING_CORE_11, .root_set = {FIELD_HP, 22}, .parts = boss_11_parts},
    {.id = COMPOUND_BOSS_12,               .root = THING_CORE_12,          .parts = boss_12_parts},
    {.id = COMPOUND_BOSS_13,               .root = THING_CORE_13,          .parts = boss_13_parts},
    {.id = COMPOUND_BOSS_15, .root = THING_CORE_15, .root_set = {FIELD_VX, -2},  .parts = boss_15_parts},
};
static_assert(sizeof(compounds) / sizeof(compounds[0]) == COMPOUND_COUNT);

// Every part hangs on the root or on an earlier part, and the slot list below has room for all.
constexpr bool PartsInOrder() {
  for (const Compound& compound : compounds) {
    if (compound.parts.empty() || compound.parts.size() > MAX_COMPOUND_PARTS) return false;
    for (std::size_t k = 0; k < compound.parts.size(); k++) {
      if (compound.parts[k].on < 0 || compound.parts[k].on > static_cast<int>(k)) return false;
    }
  }
  return true;
}
static_assert(PartsInOrder());

const Compound* FindCompound(int id) {
  for (const Compound& compound : compounds) {
    if (compound.id == id) return &compound;
  }
  return nullptr;
}

void WriteField(int slot, FieldWrite write, int root) {
  switch (write.field) {
    case FIELD_NONE: break;
    case FIELD_PARAM: thing_param[slot] = static_cast<int>(write.value); break;
    case FIELD_PARAM_ROOT: thing_param[slot] = root; break;
    case FIELD_ROOT_PARAM: thing_param[root] = slot; break;
    case FIELD_AIM_X: thing_aim_x[slot] = write.value; break;
    case FIELD_AIM_Y: thing_aim_y[slot] = write.value; break;
    case FIELD_FIRE_INTERVAL: thing_fire_interval[slot] = static_cast<int>(write.value); break;
    case FIELD_FIRE_TIMER: thing_fire_timer[slot] = static_cast<int>(write.value); break;
    case FIELD_TIMER: thing_timer[slot] = static_cast<int>(write.value); break;
    case FIELD_VX: thing_vx[slot] = static_cast<int>(write.value); break;
    case FIELD_VX_GROUND: thing_vx[slot] = -scroll_speed; break;
    case FIELD_VY: thing_vy[slot] = static_cast<int>(write.value); break;
    case FIELD_HP: thing_hp[slot] = static_cast<int>(write.value); break;
    case FIELD_DETACH: thing_detach_mode[slot] = static_cast<int>(write.value); break;
  }
}

}  // namespace

int SpawnThing(int id, float x, float y) {
  const Compound* compound = FindCompound(id);
  if (!compound) return CreateThing(id, -1, x, y);

  // Fill the table from the top down, so that every part lies below the thing it hangs on and the
  // motion pass, which walks downward, moves each parent before its parts.
  thing_last = MAX_THINGS - 1;
  int slots[1 + MAX_COMPOUND_PARTS];  // 0 the root, k part k; -1 where it could not be made
  slots[0] = CreateThing(compound->root, -1, x, y);
  if (slots[0] >= 0) WriteField(slots[0], compound->root_set, slots[0]);
  for (std::size_t k = 0; k < compound->parts.size(); k++) {
    const CompoundPart& part = compound->parts[k];
    const int parent = slots[part.on];
    int slot = -1;
    if (parent >= 0) {
      slot = CreateThing(part.type, parent, part.x, part.y);
    } else {
      // What hangs on a missing thing stays out too, rather than standing alone at its offset.
      // Its thing was missed because the table is full, and nothing has been freed since: the
      // console still tells of every part not made.
      ConsolePrint("Things Expired");
    }
    slots[k + 1] = slot;
    if (slot < 0) continue;
    for (const FieldWrite& write : part.set) WriteField(slot, write, slots[0]);
  }
  return slots[0];
}
