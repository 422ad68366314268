#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "fake_engine.h"
#include "world/compounds.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

void EmptyTable() {
  ClearThings();
  thing_last = MAX_THINGS - 1;
  scroll_speed = 2;
  ResetFakeEngine();
}

// Fills the fields a compound may write with values no compound uses, so that a write shows.
void FillWithJunk(int slot) {
  thing_param[slot] = 777;
  thing_timer[slot] = 777;
  thing_fire_timer[slot] = 777;
  thing_fire_interval[slot] = 777;
  thing_hp[slot] = 777;
  thing_detach_mode[slot] = 77;
  thing_aim_x[slot] = 77.0f;
  thing_aim_y[slot] = 77.0f;
}

struct Shape {
  int id;
  int root;
  int parts;
};

// Root and part count of every compound.
const Shape shapes[] = {
    {COMPOUND_TUG_SPAWNER, THING_TUG, 1},
    {COMPOUND_TUG_GUNS, THING_TUG, 3},
    {COMPOUND_CEILING_TURRET, THING_CEILING_PLATFORM, 1},
    {COMPOUND_CEILING_TURRETS, THING_CEILING_PLATFORM, 2},
    {COMPOUND_FLOOR_TURRET, THING_FLOOR_PLATFORM, 1},
    {COMPOUND_FLOOR_TURRETS, THING_FLOOR_PLATFORM, 2},
    {COMPOUND_CEILING_SPAWNER, THING_CEILING_PLATFORM, 1},
    {COMPOUND_FLOOR_SPAWNER, THING_FLOOR_PLATFORM, 1},
    {COMPOUND_WIDE_TURRET, THING_WIDE_PLATFORM, 1},
    {COMPOUND_WIDE_TURRETS, THING_WIDE_PLATFORM, 2},
    {COMPOUND_WIDE_TURRET_CANNON, THING_WIDE_PLATFORM, 2},
    {COMPOUND_WIDE_LAUNCHER_CANNON, THING_WIDE_PLATFORM, 2},
    {COMPOUND_WIDE_SPAWNER_TURRET, THING_WIDE_PLATFORM, 2},
    {COMPOUND_FIGHTER_TURRET, THING_FIGHTER, 1},
    {COMPOUND_CARRIER_MISSILES, THING_CARRIER, 2},
    {COMPOUND_CARRIER_LAUNCHERS, THING_CARRIER, 2},
    {COMPOUND_CARRIER_LASERS, THING_CARRIER, 2},
    {COMPOUND_CARRIER_LASERS_4, THING_CARRIER, 4},
    {COMPOUND_CARRIER_TURRETS, THING_CARRIER, 2},
    {COMPOUND_TREE_1, THING_TREE_TRUNK, 1},
    {COMPOUND_TREE_2, THING_TREE_TRUNK, 2},
    {COMPOUND_TREE_3, THING_TREE_TRUNK, 3},
    {COMPOUND_TREE_4, THING_TREE_TRUNK, 4},
    {COMPOUND_TREE_5, THING_TREE_TRUNK, 5},
    {COMPOUND_PLATFORM_TREE_1, THING_TREE_TRUNK, 1},
    {COMPOUND_PLATFORM_TREE_2, THING_TREE_TRUNK, 2},
    {COMPOUND_PLATFORM_TREE_3, THING_TREE_TRUNK, 3},
    {COMPOUND_BAR_POST_ABOVE, THING_PART_HORZ_X2, 1},
    {COMPOUND_BAR_POST_BELOW, THING_PART_HORZ_X2, 1},
    {COMPOUND_BOSS_0, THING_CORE_0, 20},
    {COMPOUND_BOSS_1, THING_CORE_1, 16},
    {COMPOUND_BOSS_2, THING_CORE_2, 16},
    {COMPOUND_BOSS_3, THING_CORE_3, 14},
    {COMPOUND_BOSS_4, THING_CORE_4, 15},
    {COMPOUND_BOSS_5, THING_CORE_5, 18},
    {COMPOUND_BOSS_6, THING_CORE_6, 16},
    {COMPOUND_BOSS_7, THING_CORE_7, 10},
    {COMPOUND_BOSS_8, THING_CORE_8, 6},
    {COMPOUND_BOSS_9, THING_CORE_9, 8},
    {COMPOUND_BOSS_10, THING_CORE_10, 16},
    {COMPOUND_BOSS_11, THING_CORE_11, 17},
    {COMPOUND_BOSS_12, THING_CORE_12, 12},
    {COMPOUND_BOSS_13, THING_CORE_13, 22},
    {COMPOUND_BOSS_15, THING_CORE_15, 16},
};
static_assert(sizeof(shapes) / sizeof(shapes[0]) == COMPOUND_COUNT);

struct PartExpectation {
  int type;
  int on;  // 0 the root, k part k
  float x, y;
};

struct Layout {
  int id;
  std::vector<PartExpectation> parts;
};

// Part by part, for a representative set.
const Layout layouts[] = {
    {COMPOUND_TUG_GUNS,
     {{THING_BEAM_GUN, 0, -15, 0}, {THING_LASER_UP, 1, -5, -7}, {THING_LASER_DOWN, 1, -5, 7}}},
    {COMPOUND_WIDE_SPAWNER_TURRET, {{THING_TURRET_2, 0, -5, -3}, {THING_SPAWNER, 0, 5, -9}}},
    {COMPOUND_CARRIER_LASERS_4,
     {{THING_LASER, 0, 6, -6}, {THING_LASER, 1, 0, -6}, {THING_LASER, 0, 6, 6}, {THING_LASER, 3, 0, 6}}},
    {COMPOUND_TREE_5,
     {{THING_TREE_TRUNK, 0, 0, -9},
      {THING_TREE_TRUNK, 1, 0, -9},
      {THING_TREE_TRUNK, 2, 0, -9},
      {THING_TREE_TRUNK, 3, 0, -9},
      {THING_TREE_TOP, 4, 0, -18}}},
    {COMPOUND_PLATFORM_TREE_2, {{THING_TREE_TRUNK, 0, 0, -9}, {THING_TREE_TOP_PLATFORM, 1, -4, -14}}},
    {COMPOUND_BAR_POST_BELOW, {{THING_PART_VERT_2X2, 0, -10, 19}}},
    {COMPOUND_BOSS_9,
     {{THING_PART_MOUNT, 0, -10, 6},
      {THING_WIDE_PLATFORM, 1, -12, 5},
      {THING_WIDE_PLATFORM, 1, 12, 5},
      {THING_PART_STEP, 0, 6, -1},
      {THING_CANNON_2, 4, -10, -5},
      {THING_CANNON, 2, -1, -11},
      {THING_CANNON_2, 6, 9, -6},
      {THING_TURRET, 7, -7, -1}}},
    {COMPOUND_BOSS_11,
     {{THING_LAUNCHER, 0, -20, 0},
      {THING_CORE_11, 0, -2, -25},
      {THING_PART_JOINT, 2, -10, 25},
      {THING_SPAWNER, 2, -4, -9},
      {THING_LAUNCHER, 2, -19, -1},
      {THING_PART_HORZ, 2, -11, 6},
      {THING_TURRET, 6, -15, 0},
      {THING_CORE_11, 0, -2, 25},
      {THING_PART_JOINT, 8, -10, -25},
      {THING_SPAWNER, 8, -4, 9},
      {THING_LAUNCHER, 8, -19, 1},
      {THING_PART_HORZ, 8, -11, -6},
      {THING_TURRET, 12, -15, 0},
      {THING_HULL_FLIPPED, 0, -10, -8},
      {THING_TURRET, 14, -12, -1},
      {THING_HULL, 0, -10, 8},
      {THING_TURRET, 16, -12, 1}}},
    {COMPOUND_BOSS_13,
     {{THING_SPAWNER, 0, 8, 0},         {THING_HULL_FLIPPED, 0, 1, -10}, {THING_LASER_DOWN, 2, -13, 1},
      {THING_PART_VERT_2, 2, 6, -12},   {THING_LASER, 4, -6, -5},        {THING_LASER, 4, -6, 5},
      {THING_HULL, 0, 1, 10},           {THING_LASER_UP, 7, -13, -1},    {THING_PART_VERT_2, 7, 6, 12},
      {THING_LASER, 9, -6, 5},          {THING_LASER, 9, -6, -5},        {THING_CORE_14, 0, -15, 0},
      {THING_PART_BOX, 12, 10, 0},      {THING_LAUNCHER, 12, -15, 0},    {THING_PART_HORZ, 12, -9, -7},
      {THING_LASER, 15, -15, 0},        {THING_PART_HORZ, 12, -9, 7},    {THING_LASER, 17, -15, 0},
      {THING_PART_VERT_2, 12, 14, -22}, {THING_LASER, 19, -6, 0},        {THING_PART_VERT_2, 12, 14, 22},
      {THING_LASER, 21, -6, 0}}},
};

TEST(Compounds, EveryCompoundBuildsItsTreeBelowTheRoot) {
  for (const Shape& shape : shapes) {
    EmptyTable();
    const int root = SpawnThing(shape.id, 120.0f, 50.0f);
    ASSERT_EQ(root, MAX_THINGS - 2) << shape.id;  // the search starts below slot 59
    EXPECT_EQ(thing_type[root], shape.root) << shape.id;
    EXPECT_EQ(thing_parent[root], -1) << shape.id;
    EXPECT_EQ(thing_x[root], 120.0f) << shape.id;
    EXPECT_EQ(thing_y[root], 50.0f) << shape.id;
    EXPECT_EQ(thing_count, 1 + shape.parts) << shape.id;
    for (int k = 1; k <= shape.parts; k++) {
      const int slot = root - k;
      ASSERT_GT(thing_type[slot], 0) << shape.id << " part " << k;
      const int parent = thing_parent[slot];
      EXPECT_GT(parent, slot) << shape.id << " part " << k;  // parents move first
      EXPECT_LE(parent, root) << shape.id << " part " << k;
      EXPECT_EQ(thing_x[slot], thing_x[parent] + thing_anchor_x[slot]) << shape.id << " part " << k;
      EXPECT_EQ(thing_y[slot], thing_y[parent] + thing_anchor_y[slot]) << shape.id << " part " << k;
    }
    EXPECT_TRUE(ConsoleLines().empty()) << shape.id;
  }
}

TEST(Compounds, PartsStandAtTheirOffsetsOnTheirParents) {
  for (const Layout& layout : layouts) {
    EmptyTable();
    const int root = SpawnThing(layout.id, 140.0f, 40.0f);
    ASSERT_EQ(root, 58);
    ASSERT_EQ(thing_count, 1 + static_cast<int>(layout.parts.size())) << layout.id;
    for (std::size_t k = 1; k <= layout.parts.size(); k++) {
      const PartExpectation& part = layout.parts[k - 1];
      const int slot = root - static_cast<int>(k);
      const int parent = root - part.on;
      EXPECT_EQ(thing_type[slot], part.type) << layout.id << " part " << k;
      EXPECT_EQ(thing_parent[slot], parent) << layout.id << " part " << k;
      EXPECT_EQ(thing_anchor_x[slot], part.x) << layout.id << " part " << k;
      EXPECT_EQ(thing_anchor_y[slot], part.y) << layout.id << " part " << k;
      EXPECT_EQ(thing_x[slot], thing_x[parent] + part.x) << layout.id << " part " << k;
      EXPECT_EQ(thing_y[slot], thing_y[parent] + part.y) << layout.id << " part " << k;
    }
  }
}

TEST(Compounds, TreeFiveIsAColumnOfTrunksUnderItsCrown) {
  EmptyTable();
  const int root = SpawnThing(COMPOUND_TREE_5, 165.0f, 95.0f);
  for (int k = 1; k <= 4; k++) EXPECT_EQ(thing_y[root - k], 95.0f - 9.0f * k);
  EXPECT_EQ(thing_y[root - 5], 95.0f - 36.0f - 18.0f);
}

TEST(Compounds, PlainTypesMakeOneFreeThingAndKeepTheCursor) {
  for (int type : {static_cast<int>(THING_FIGHTER), 68, 314}) {
    EmptyTable();
    thing_last = 30;
    const int slot = SpawnThing(type, 165.0f, 20.0f);
    EXPECT_EQ(slot, 29) << type;
    EXPECT_EQ(thing_type[slot], type);
    EXPECT_EQ(thing_parent[slot], -1);
    EXPECT_EQ(thing_count, 1);
    const std::vector<std::string> expected = type == THING_FIGHTER ? std::vector<std::string>{}
                                                                    : std::vector<std::string>{"Generic Thing"};
    EXPECT_EQ(ConsoleLines(), expected) << type;
  }
}

TEST(Compounds, ACompoundAfterThePlayerStartsBelowIt) {
  EmptyTable();
  EXPECT_EQ(SpawnThing(THING_PLAYER, 10.0f, 50.0f), 58);
  EXPECT_EQ(SpawnThing(COMPOUND_CARRIER_LASERS, 165.0f, 50.0f), 57);
  EXPECT_EQ(thing_type[56], THING_LASER);
  EXPECT_EQ(thing_type[55], THING_LASER);
  // A later compound starts from the top again and fills the free slots left above.
  thing_type[58] = 0;
  thing_count--;
  EXPECT_EQ(SpawnThing(COMPOUND_FLOOR_TURRET, 165.0f, 95.0f), 58);
  EXPECT_EQ(thing_type[54], THING_TURRET);
}

// Marks every slot live except `free_slots`.
void FillTableExcept(std::initializer_list<int> free_slots) {
  EmptyTable();
  for (int i = 0; i < MAX_THINGS; i++) {
    thing_type[i] = 3;
    FillWithJunk(i);
  }
  for (int i : free_slots) thing_type[i] = 0;
  thing_count = MAX_THINGS - static_cast<int>(free_slots.size());
}

TEST(Compounds, ANearlyFullTableGetsAPartialTreeAndNoOrphans) {
  FillTableExcept({10, 11, 12, 13, 14});
  const int root = SpawnThing(COMPOUND_BOSS_0, 160.0f, 50.0f);
  EXPECT_EQ(root, 14);
  EXPECT_EQ(thing_count, MAX_THINGS);
  // Root, then parts 1 to 4: the vertical part, the launcher, the upper hull and its turret.
  EXPECT_EQ(thing_type[13], THING_PART_VERT_2);
  EXPECT_EQ(thing_type[12], THING_LAUNCHER);
  EXPECT_EQ(thing_type[11], THING_HULL_FLIPPED);
  EXPECT_EQ(thing_type[10], THING_TURRET);
  EXPECT_EQ(thing_parent[10], 11);
  // Parts 5 to 20 are missed, each with its line; what hangs on a missing part is left out
  // rather than made free-standing.
  EXPECT_EQ(ConsoleLines(), std::vector<std::string>(16, "Things Expired"));
  // No field of a slot that was not created is written; the live slots keep their own.
  for (int i = 0; i < MAX_THINGS; i++) {
    if (i >= 10 && i <= 14) continue;
    EXPECT_EQ(thing_param[i], 777) << i;
    EXPECT_EQ(thing_timer[i], 777) << i;
  }
}

TEST(Compounds, AFullTableCreatesAndWritesNothing) {
  FillTableExcept({});
  EXPECT_EQ(SpawnThing(COMPOUND_BOSS_9, 160.0f, 50.0f), -1);
  EXPECT_EQ(ConsoleLines(), std::vector<std::string>(1 + 8, "Things Expired"));  // the root and each part
  ResetFakeEngine();
  EXPECT_EQ(SpawnThing(COMPOUND_BOSS_11, 160.0f, 50.0f), -1);
  EXPECT_EQ(ConsoleLines(), std::vector<std::string>(1 + 17, "Things Expired"));
  EXPECT_EQ(thing_count, MAX_THINGS);
  EXPECT_EQ(thing_last, MAX_THINGS - 1);
  for (int i = 0; i < MAX_THINGS; i++) {
    EXPECT_EQ(thing_type[i], 3);
    EXPECT_EQ(thing_param[i], 777);
    EXPECT_EQ(thing_hp[i], 777);
  }
}

// Spawns a compound into a table whose every slot holds junk, so that each write shows.
int SpawnOverJunk(int id) {
  EmptyTable();
  for (int i = 0; i < MAX_THINGS; i++) FillWithJunk(i);
  return SpawnThing(id, 150.0f, 50.0f);
}

TEST(Compounds, BossNineAndItsMountCarryEachOthersSlots) {
  const int root = SpawnOverJunk(COMPOUND_BOSS_9);
  const int mount = root - 1, left = root - 2, right = root - 3;
  EXPECT_EQ(thing_param[root], mount);
  EXPECT_EQ(thing_timer[mount], 20);
  EXPECT_EQ(thing_param[left], -1);
  EXPECT_EQ(thing_hp[left], 20);
  EXPECT_EQ(thing_param[right], root);
  EXPECT_EQ(thing_hp[right], 1000);
  EXPECT_EQ(thing_fire_interval[root - 5], 75);
}

TEST(Compounds, RootFixUps) {
  int root = SpawnOverJunk(COMPOUND_BOSS_11);
  EXPECT_EQ(thing_hp[root], 22);
  root = SpawnOverJunk(COMPOUND_BOSS_15);
  EXPECT_EQ(thing_vx[root], -2);
  EXPECT_EQ(thing_hp[root - 9], 1000);
  EXPECT_EQ(thing_aim_x[root - 4], -4.0f);
  EXPECT_EQ(thing_aim_y[root - 4], -4.0f);
  EXPECT_EQ(thing_fire_interval[root - 4], 100);
  for (int id : {COMPOUND_TREE_1, COMPOUND_TREE_3, COMPOUND_PLATFORM_TREE_3}) {
    EmptyTable();
    scroll_speed = 4;
    root = SpawnThing(id, 165.0f, 95.0f);
    EXPECT_EQ(thing_vx[root], -4) << id;
  }
}

TEST(Compounds, BossPartsTimedByTheirCore) {
  int root = SpawnOverJunk(COMPOUND_BOSS_0);
  EXPECT_EQ(thing_timer[root - 8], 160);
  EXPECT_EQ(thing_param[root - 8], 2);
  EXPECT_EQ(thing_timer[root - 10], 200);
  EXPECT_EQ(thing_param[root - 11], root);
  EXPECT_EQ(thing_timer[root - 18], 180);
  EXPECT_EQ(thing_param[root - 18], 3);
  EXPECT_EQ(thing_param[root - 20], root);

  root = SpawnOverJunk(COMPOUND_BOSS_8);
  EXPECT_EQ(thing_param[root - 4], root);
  EXPECT_EQ(thing_hp[root - 4], 1000);
  EXPECT_EQ(thing_detach_mode[root - 4], DETACH_BREAK);
  EXPECT_EQ(thing_timer[root - 4], 20);

  root = SpawnOverJunk(COMPOUND_BOSS_10);
  EXPECT_EQ(thing_param[root - 11], COMPOUND_CEILING_TURRET);
  EXPECT_EQ(thing_aim_x[root - 11], 1.0f);
  EXPECT_EQ(thing_aim_y[root - 11], -4.0f);
  EXPECT_EQ(thing_fire_interval[root - 11], 600);
  EXPECT_EQ(thing_fire_timer[root - 11], 600);
  EXPECT_EQ(thing_param[root - 16], COMPOUND_FLOOR_TURRET);
  EXPECT_EQ(thing_aim_y[root - 16], 4.0f);
  EXPECT_EQ(thing_fire_timer[root - 16], 300);

  root = SpawnOverJunk(COMPOUND_BOSS_5);
  EXPECT_EQ(thing_param[root - 5], 1);
  EXPECT_EQ(thing_vy[root - 5], -3);
  EXPECT_EQ(thing_aim_y[root - 5], 0.0f);
  EXPECT_EQ(thing_hp[root - 6], 10);
  EXPECT_EQ(thing_hp[root - 14], 10);

  root = SpawnOverJunk(COMPOUND_BOSS_11);
  EXPECT_EQ(thing_vy[root - 3], -4);
  EXPECT_EQ(thing_param[root - 4], COMPOUND_CEILING_TURRETS);
  EXPECT_EQ(thing_fire_timer[root - 4], 220);
  EXPECT_EQ(thing_vy[root - 9], 4);
  EXPECT_EQ(thing_param[root - 10], COMPOUND_FLOOR_TURRETS);
  EXPECT_EQ(thing_fire_timer[root - 10], 20);
  EXPECT_EQ(thing_aim_y[root - 10], 4.0f);

  for (int id : {COMPOUND_BOSS_3, COMPOUND_BOSS_7, COMPOUND_BOSS_12}) {
    root = SpawnOverJunk(id);
    int linked = 0;
    for (int i = 0; i < root; i++) linked += thing_type[i] > 0 && thing_param[i] == root;
    EXPECT_EQ(linked, id == COMPOUND_BOSS_3 ? 8 : 2) << id;
  }
}

TEST(Compounds, SmallStructureFixUps) {
  int root = SpawnOverJunk(COMPOUND_TUG_SPAWNER);
  EXPECT_EQ(thing_param[root - 1], COMPOUND_FLOOR_TURRET);
  EXPECT_EQ(thing_aim_y[root - 1], 4.0f);
  EXPECT_EQ(thing_fire_interval[root - 1], 150);
  for (int id : {COMPOUND_BAR_POST_ABOVE, COMPOUND_BAR_POST_BELOW}) {
    root = SpawnOverJunk(id);
    EXPECT_EQ(thing_detach_mode[root - 1], DETACH_BREAK) << id;
  }
  root = SpawnOverJunk(COMPOUND_BOSS_2);
  for (int k : {4, 5, 8, 11, 12, 15}) EXPECT_EQ(thing_fire_interval[root - k], 50) << k;
  root = SpawnOverJunk(COMPOUND_BOSS_13);
  EXPECT_EQ(thing_fire_interval[root - 1], 150);
  EXPECT_EQ(thing_aim_x[root - 1], -4.0f);
  EXPECT_EQ(thing_aim_y[root - 1], 0.0f);
}

}  // namespace
