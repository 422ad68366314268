// The thing catalogue: thing types, detach modes, CreateThing and the boss cores' hit-box rule.
#pragma once

enum ThingType {
  THING_GLOW_BUG = 1,
  THING_EXPLOSION = 2,  // what a destroyed thing becomes; never created through CreateThing
  THING_SPAWNER = 5,
  THING_PLAYER = 6,
  THING_LAUNCHER = 7,
  THING_CEILING_PLATFORM = 10,
  THING_FLOOR_PLATFORM = 11,
  THING_WIDE_PLATFORM = 12,
  THING_MISSILE = 23,
  THING_FIGHTER = 50,
  THING_FIGHTER_2 = 51,
  THING_CARRIER = 55,
  THING_TUG = 65,
  THING_TURRET = 90,
  THING_TURRET_2 = 91,
  THING_BEAM_GUN = 92,
  THING_CANNON = 93,
  THING_CANNON_2 = 94,
  THING_LASER = 97,
  THING_LASER_DOWN = 98,
  THING_LASER_UP = 99,
  THING_HULL = 211,
  THING_HULL_FLIPPED = 212,
  THING_PART_VERT = 221,
  THING_PART_VERT_2 = 222,
  THING_PART_VERT_2X2 = 223,
  THING_PART_VERT_2X3 = 224,
  THING_PART_HORZ = 230,
  THING_PART_HORZ_X2 = 231,
  THING_PART_BRIDGE = 232,
  THING_METAL_BLOCK = 233,
  THING_PART_STEP = 241,
  THING_PART_STEP_FLIPPED = 242,
  THING_PART_BOX = 245,
  THING_PART_BOX_2 = 246,
  THING_PART_MOUNT = 247,
  THING_PART_JOINT = 248,
  THING_TREE_TRUNK = 250,
  THING_TREE_TOP = 251,
  THING_TREE_TOP_PLATFORM = 252,
  THING_TREE_BRANCH = 253,
  THING_CORE_0 = 500,  // core n is type 500 + n
  THING_CORE_1, THING_CORE_2, THING_CORE_3, THING_CORE_4, THING_CORE_5, THING_CORE_6, THING_CORE_7,
  THING_CORE_8, THING_CORE_9, THING_CORE_10, THING_CORE_11, THING_CORE_12, THING_CORE_13, THING_CORE_14,
  THING_CORE_15,
  THING_POW_FORWARD = 600,
  THING_POW_MISSILE = 601,
};
static_assert(THING_CORE_15 == 515);

// What a thing does when its parent is gone.
enum DetachMode {
  DETACH_BREAK = 0,
  DETACH_TUMBLE = 1,
  DETACH_SLIDE = 2,
  DETACH_FLOAT = 5,
  DETACH_FALL = 6,
  DETACH_PLATFORM = 7,
  DETACH_BEAM_GUN = 8,
  DETACH_FLEE = 9,
};

// A new thing of `type`: free-standing at (x, y) with parent -1, else attached to `parent` at offset
// (x, y). Returns the slot, or -1 when the table is full or the parent is no slot (not -1, 0..59).
int CreateThing(int type, int parent, float x, float y);
// Sizes a boss core's hit box by its current hit points.
void SetCoreWidth(int slot);
