// Scenery: statics (background meshes that drift with the ground) and the generators that emit them.
#pragma once

enum StaticType {
  STATIC_TREE = 1,
  STATIC_ROCK_1 = 2,
  STATIC_ROCK_2 = 3,
  STATIC_ROCK_3 = 4,
  STATIC_METAL_SURFACE = 10,
  STATIC_METAL_SURFACE_TURNED = 11,
  STATIC_BRACE_1 = 12,
  STATIC_BRACE_2 = 13,
  STATIC_CAVE_SURFACE_1 = 15,
  STATIC_CAVE_SURFACE_2 = 16,
  STATIC_CAVE_1 = 17,
  STATIC_CAVE_2 = 18,
  STATIC_ARK_BASE = 19,
  STATIC_ARK_RING_HULL = 20,
  STATIC_ARK_RING_PAD = 21,
  STATIC_ARK_LIFT_1 = 22,
  STATIC_ARK_LIFT_2 = 23,
  STATIC_ARK_SLING_1 = 24,
  STATIC_ARK_SLING_2 = 25,
  STATIC_ARK_PART_PAD = 38,
  STATIC_TREE_BRANCH = 254,
};

// A new static; an x of exactly 0.0 means the spawn line. Returns the slot, or -1 when full.
int CreateStatic(int type, float x, float y, float z);
void UpdateStatics();
// Rebuilds static_draw_order, far to near.
void SortStatics();
// Starts a generator emitting `count` statics of `type` every `interval` frames at
// (spawn_line_x + x, y, z). Prints "Generators Expired" and starts nothing when the table is full.
void CreateGenerator(int type, int interval, int count, float x, float y, float z);
void UpdateGenerators();
