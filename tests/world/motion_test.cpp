#include <gtest/gtest.h>

#include "draws.h"
#include "fake_engine.h"
#include "scenario.h"
#include "world/collisions.h"
#include "world/engine_services.h"
#include "world/game.h"
#include "world/motion.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

int ExplosionSounds() {
  int n = 0;
  for (const EngineCall& c : engine_calls) n += c.kind == CALL_PLAY_SOUND && c.text.rfind("snd_explosion_", 0) == 0;
  return n;
}

TEST(Motion, SpeedCodesMoveTheAnchor) {
  struct Case {
    int vx, vy;
    float dx, dy;
  } cases[] = {{-6, -5, -3.0f, -2.0f}, {-4, -3, -1.0f, -0.5f}, {-2, -1, -0.33f, -0.25f}, {0, 0, 0.0f, 0.0f},
               {2, 2, 0.33f, 0.33f},   {6, 5, 3.0f, 2.0f},     {7, 6, 0.0f, 0.0f},       {-7, -6, 0.0f, 0.0f}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int t = CreateThing(THING_HULL, -1, 50.0f, 50.0f);
    thing_vx[t] = c.vx;
    thing_vy[t] = c.vy;
    MoveThings();
    EXPECT_FLOAT_EQ(thing_anchor_x[t], 50.0f + c.dx) << c.vx;
    EXPECT_FLOAT_EQ(thing_anchor_y[t], 50.0f + c.dy) << c.vy;
    EXPECT_FLOAT_EQ(thing_x[t], thing_anchor_x[t]);
    EXPECT_FLOAT_EQ(thing_y[t], thing_anchor_y[t]);
  }
}

TEST(Motion, AttachedThingsFollowTheirParents) {
  ResetScenarioInGame();
  int root = CreateThing(THING_HULL, -1, 100.0f, 50.0f);  // 58
  int part = CreateThing(THING_PART_BOX, root, 10.0f, -5.0f);
  int tip = CreateThing(THING_PART_BOX, part, 0.0f, -8.0f);
  thing_vx[root] = -4;
  thing_vy[part] = 4;  // slides along its parent
  MoveThings();
  EXPECT_FLOAT_EQ(thing_x[root], 99.0f);
  EXPECT_FLOAT_EQ(thing_x[part], 109.0f);
  EXPECT_FLOAT_EQ(thing_y[part], 46.0f);
  EXPECT_FLOAT_EQ(thing_anchor_y[part], -4.0f);
  EXPECT_FLOAT_EQ(thing_y[tip], 38.0f);

  // A part in a higher slot than its parent follows one frame late.
  thing_last = 0;  // the search wraps to the top slot
  int late = CreateThing(THING_PART_BOX, root, 0.0f, 10.0f);
  ASSERT_EQ(late, 59);
  MoveThings();
  EXPECT_FLOAT_EQ(thing_x[root], 98.0f);
  EXPECT_FLOAT_EQ(thing_x[late], 99.0f);
}

TEST(Motion, LeftEdge) {
  ResetScenarioInGame();
  int resting = CreateThing(THING_HULL, -1, -500.0f, 50.0f);
  thing_vx[resting] = 0;
  int leaving = CreateThing(THING_PART_BOX, -1, -29.75f, 50.0f);
  thing_box_x1[leaving] = 5;
  thing_vx[leaving] = -1;
  MoveThings();
  EXPECT_FLOAT_EQ(thing_x[leaving], -30.0f);
  EXPECT_EQ(thing_type[leaving], THING_PART_BOX);
  MoveThings();
  EXPECT_EQ(thing_type[leaving], 0);
  EXPECT_EQ(thing_type[resting], THING_HULL);
  EXPECT_EQ(thing_count, 1);
  EXPECT_EQ(score, 0);
  EXPECT_TRUE(engine_calls.empty());
}

TEST(Motion, FuseDestroysOnTheNextToLastCount) {
  ResetScenarioInGame();
  int t = CreateThing(THING_TURRET, -1, 80.0f, 50.0f);
  thing_vx[t] = 0;
  thing_fuse[t] = 4;
  MoveThings();
  MoveThings();
  EXPECT_EQ(thing_type[t], THING_TURRET);
  MoveThings();
  EXPECT_EQ(thing_type[t], THING_EXPLOSION);
  EXPECT_EQ(score, 10);

  int once = CreateThing(THING_TURRET, -1, 80.0f, 50.0f);
  thing_fuse[once] = 1;
  for (int i = 0; i < 5; i++) MoveThings();
  EXPECT_EQ(thing_type[once], THING_TURRET);
  EXPECT_EQ(thing_fuse[once], 0);
}

TEST(Motion, AThingDestroyedWhileItsFuseCountsIsNotDestroyedAgain) {
  ResetScenarioInGame();
  int t = CreateThing(THING_TURRET, -1, 80.0f, 50.0f);
  thing_fuse[t] = 5;
  MoveThings();
  DestroyThing(t);
  for (int i = 0; i < 10; i++) MoveThings();
  EXPECT_EQ(ExplosionSounds(), 1);
  EXPECT_EQ(score, 10);
}

TEST(Motion, APartOffTheLeftEdgeVanishesWithItsParent) {
  struct Case {
    float part_x;
    bool kept;
  } cases[] = {{-4.0f, false}, {-3.5f, true}};  // box right 4: edge at 0.0 and 0.5
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int root = CreateThing(THING_HULL, -1, 0.0f, 50.0f);
    thing_vx[root] = 0;
    int part = CreateThing(THING_PART_VERT, root, c.part_x, 0.0f);
    thing_type[root] = THING_EXPLOSION;
    MoveThings();
    EXPECT_EQ(thing_type[part] != 0, c.kept) << c.part_x;
    if (c.kept) {
      EXPECT_EQ(thing_parent[part], -1);
      EXPECT_EQ(thing_fuse[part], 3);
    }
    EXPECT_EQ(score, 0);
  }
}

TEST(Motion, DetachBreakExplodesTwoPassesLater) {
  ResetScenarioInGame();
  int root = CreateThing(THING_HULL, -1, 80.0f, 50.0f);
  int part = CreateThing(THING_PART_VERT, root, -6.0f, 0.0f);  // 2 points
  FreeThing(root);
  MoveThings();
  EXPECT_EQ(thing_parent[part], -1);
  EXPECT_EQ(thing_vx[part], -2);
  EXPECT_FLOAT_EQ(thing_anchor_x[part], 74.0f);
  MoveThings();
  EXPECT_EQ(thing_type[part], THING_PART_VERT);
  MoveThings();
  EXPECT_EQ(thing_type[part], THING_EXPLOSION);
  EXPECT_EQ(score, 2);
}

struct DetachCase {
  const char* what;
  int type, mode;
  float part_y;  // the parent sits at y 50
  int fire_timer, param;
  int fuse_base, fuse_random;  // fuse_random 0: fuse_base exactly (-1: unchanged)
  int vx, vy;
};

TEST(Motion, DetachModes) {
  const DetachCase cases[] = {
      {"break", THING_PART_VERT, DETACH_BREAK, 60.0f, 0, 0, 3, 0, -2, 0},
      {"tumble below", THING_PART_HORZ, DETACH_TUMBLE, 50.0f, 0, 0, 10, 20, -1, 1},
      {"tumble above", THING_PART_HORZ, DETACH_TUMBLE, 40.0f, 0, 0, 10, 20, -1, -1},
      {"slide far below", THING_PART_VERT_2, DETACH_SLIDE, 85.0f, 0, 0, 50, 0, -1, 0},
      {"slide at 80 below", THING_PART_VERT_2, DETACH_SLIDE, 80.0f, 0, 0, 50, 0, -1, 0},
      {"slide below", THING_PART_VERT_2, DETACH_SLIDE, 79.0f, 0, 0, 50, 0, -1, 1},
      {"slide far above", THING_PART_VERT_2, DETACH_SLIDE, 20.0f, 0, 0, 50, 0, -1, 0},
      {"slide above", THING_PART_VERT_2, DETACH_SLIDE, 21.0f, 0, 0, 50, 0, -1, -1},
      {"float", THING_POW_FORWARD, DETACH_FLOAT, 45.0f, 0, 0, -1, 0, -1, -1},
      {"fall", THING_TREE_TOP, DETACH_FALL, 45.0f, 0, 0, -1, 0, -1, 4},
      {"mode 3", THING_HULL, 3, 45.0f, 0, 0, -1, 0, 0, 0},
      {"mode 4", THING_HULL, 4, 45.0f, 0, 0, -1, 0, 0, 0},
      {"beam gun firing", THING_BEAM_GUN, DETACH_BEAM_GUN, 50.0f, 5, 7, 20, 0, 6, 2},
      {"beam gun idle", THING_BEAM_GUN, DETACH_BEAM_GUN, 40.0f, 0, 7, 20, 0, -1, -2},
  };
  for (const DetachCase& c : cases) {
    ResetScenarioInGame();
    int root = CreateThing(THING_HULL, -1, 80.0f, 50.0f);
    int part = CreateThing(c.type, root, -6.0f, c.part_y - 50.0f);
    thing_detach_mode[part] = c.mode;
    thing_fire_timer[part] = c.fire_timer;
    thing_param[part] = c.param;
    thing_fuse[part] = -1;  // marks "unchanged"
    thing_type[root] = THING_EXPLOSION;
    std::vector<int> d = PeekDraws(1);
    MoveThings();
    EXPECT_EQ(thing_parent[part], -1) << c.what;
    EXPECT_FLOAT_EQ(thing_anchor_x[part], 74.0f) << c.what;
    EXPECT_FLOAT_EQ(thing_anchor_y[part], c.part_y) << c.what;
    int fuse = c.fuse_random > 0 ? c.fuse_base + d[0] % c.fuse_random : c.fuse_base;
    EXPECT_EQ(thing_fuse[part], fuse) << c.what;
    EXPECT_EQ(thing_vx[part], c.vx) << c.what;
    EXPECT_EQ(thing_vy[part], c.vy) << c.what;
  }
}

TEST(Motion, DetachFallAndBeamGunDetails) {
  ResetScenarioInGame();
  scroll_speed = 4;
  int root = CreateThing(THING_HULL, -1, 80.0f, 50.0f);
  int top = CreateThing(THING_TREE_TOP, root, 0.0f, -10.0f);
  int firing = CreateThing(THING_BEAM_GUN, root, -15.0f, 0.0f);
  int idle = CreateThing(THING_BEAM_GUN, root, -15.0f, 5.0f);
  thing_fire_timer[firing] = 5;
  thing_param[firing] = thing_param[idle] = root;
  FreeThing(root);
  MoveThings();
  EXPECT_EQ(thing_vx[top], -3);
  EXPECT_EQ(thing_fire_timer[firing], 10);
  EXPECT_EQ(thing_param[firing], root);
  EXPECT_EQ(thing_param[idle], -1);
}

TEST(Motion, DetachPlatform) {
  struct Case {
    int type;
    float x;
    int param;
    int vx, vy;
  } cases[] = {
      {THING_CEILING_PLATFORM, 80.0f, 0, 2, -4},
      {THING_FLOOR_PLATFORM, 79.0f, 0, -2, 4},
      {THING_WIDE_PLATFORM, 90.0f, 0, 2, 4},
      {THING_FLOOR_PLATFORM, 90.0f, -1, 2, 3},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int root = CreateThing(THING_HULL, -1, 80.0f, 50.0f);
    int p = CreateThing(c.type, root, c.x - 80.0f, 10.0f);
    thing_vy[p] = 3;
    if (c.param == -1) thing_param[p] = -1;
    thing_timer[p] = 9;
    std::vector<int> d = PeekDraws(1);
    FreeThing(root);
    MoveThings();
    EXPECT_EQ(thing_vx[p], c.vx) << c.type << " " << c.x;
    EXPECT_EQ(thing_vy[p], c.vy) << c.type << " " << c.x;
    EXPECT_EQ(thing_fuse[p], 20 + d[0] % 20);
    EXPECT_EQ(thing_param[p], p);
    EXPECT_EQ(thing_timer[p], 0);
  }
}

TEST(Motion, DetachFleeLooksAtTheShip) {
  struct Case {
    bool ship;
    float ship_y, joint_y;
    int vy;
  } cases[] = {{true, 30.0f, 40.0f, 1},
               {true, 40.0f, 40.0f, 1},
               {true, 60.0f, 40.0f, -1},
               {false, 0.0f, 50.0f, 1},
               {false, 0.0f, 49.0f, -1}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    if (c.ship) {
      player_thing = CreateThing(THING_PLAYER, -1, 10.0f, c.ship_y);
    } else {
      player_thing = 3;  // stale: slot 3 holds no ship
    }
    int root = CreateThing(THING_CORE_9, -1, 100.0f, 50.0f);
    int joint = CreateThing(THING_PART_JOINT, root, -5.0f, c.joint_y - 50.0f);
    thing_type[root] = 0;
    std::vector<int> d = PeekDraws(1);
    MoveThings();
    EXPECT_EQ(thing_fuse[joint], 10 + d[0] % 10);
    EXPECT_EQ(thing_vx[joint], -1);
    EXPECT_EQ(thing_vy[joint], c.vy) << c.ship << " " << c.joint_y;
  }
}

TEST(Motion, AnExplodedPartOnlyComesLoose) {
  ResetScenarioInGame();
  int root = CreateThing(THING_HULL, -1, 80.0f, 50.0f);
  int platform = CreateThing(THING_FLOOR_PLATFORM, root, 0.0f, 10.0f);
  int part = CreateThing(THING_PART_VERT, root, -5.0f, 0.0f);
  DestroyThing(platform);
  DestroyThing(part);
  int turn = thing_param[platform];
  DestroyThing(root);
  std::uint32_t state = random_state;
  MoveThings();
  EXPECT_EQ(random_state, state);  // no detach draws
  for (int t : {platform, part}) {
    EXPECT_EQ(thing_parent[t], -1);
    EXPECT_EQ(thing_fuse[t], 0);
    EXPECT_EQ(thing_timer[t], 2);
  }
  EXPECT_EQ(thing_param[platform], turn);
  int sounds = ExplosionSounds();
  for (int i = 0; i < 10; i++) MoveThings();
  EXPECT_EQ(ExplosionSounds(), sounds);
}

TEST(Motion, PartsOfAThingDestroyedByItsFuseDetachOnTheSamePass) {
  ResetScenarioInGame();
  int root = CreateThing(THING_TURRET, -1, 80.0f, 50.0f);
  int part = CreateThing(THING_PART_VERT, root, 0.0f, 5.0f);
  thing_fuse[root] = 2;
  MoveThings();
  EXPECT_EQ(thing_type[root], THING_EXPLOSION);
  EXPECT_EQ(thing_parent[part], -1);
}

TEST(Motion, BarrierEndsScrollUntilTheyPassTheLeftEdge) {
  ResetScenarioInGame();
  scroll_speed = 4;
  ceiling_x0 = -139.5f;
  ceiling_x1 = 300.0f;
  floor_x0 = -140.0f;
  floor_x1 = 10.0f;
  MoveThings();
  EXPECT_FLOAT_EQ(ceiling_x0, -140.5f);
  EXPECT_FLOAT_EQ(ceiling_x1, 299.0f);
  EXPECT_FLOAT_EQ(floor_x0, -140.0f);
  EXPECT_FLOAT_EQ(floor_x1, 9.0f);
  MoveThings();
  EXPECT_FLOAT_EQ(ceiling_x0, -140.5f);
  scroll_speed = 0;
  MoveThings();
  EXPECT_FLOAT_EQ(ceiling_x1, 298.0f);
}

}  // namespace
