#include <gtest/gtest.h>

#include "draws.h"
#include "fake_engine.h"
#include "scenario.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

const int catalogue_types[] = {THING_GLOW_BUG,      THING_SPAWNER,           THING_PLAYER,
                               THING_LAUNCHER,      THING_CEILING_PLATFORM,  THING_FLOOR_PLATFORM,
                               THING_WIDE_PLATFORM, THING_MISSILE,           THING_FIGHTER,
                               THING_FIGHTER_2,     THING_CARRIER,           THING_TUG,
                               THING_TURRET,        THING_TURRET_2,          THING_BEAM_GUN,
                               THING_CANNON,        THING_CANNON_2,          THING_LASER,
                               THING_LASER_DOWN,    THING_LASER_UP,          THING_HULL,
                               THING_HULL_FLIPPED,  THING_PART_VERT,         THING_PART_VERT_2,
                               THING_PART_VERT_2X2, THING_PART_VERT_2X3,     THING_PART_HORZ,
                               THING_PART_HORZ_X2,  THING_PART_BRIDGE,       THING_METAL_BLOCK,
                               THING_PART_STEP,     THING_PART_STEP_FLIPPED, THING_PART_BOX,
                               THING_PART_BOX_2,    THING_PART_MOUNT,        THING_PART_JOINT,
                               THING_TREE_TRUNK,    THING_TREE_TOP,          THING_TREE_TOP_PLATFORM,
                               THING_TREE_BRANCH,   THING_POW_FORWARD,       THING_POW_MISSILE};

TEST(ThingCatalogue, EveryTypeIsKnownAndHasAProperBox) {
  for (int type : catalogue_types) {
    ResetScenarioInGame();
    int slot = CreateThing(type, -1, 60.0f, 50.0f);
    ASSERT_EQ(slot, 58);
    EXPECT_EQ(thing_type[slot], type);
    EXPECT_TRUE(ConsoleLines().empty()) << type;  // no "Generic Thing"
    EXPECT_LT(thing_box_x0[slot], thing_box_x1[slot]) << type;
    EXPECT_LT(thing_box_y0[slot], thing_box_y1[slot]) << type;
    EXPECT_GT(thing_hp[slot], 0) << type;
  }
  for (int type = THING_CORE_0; type <= THING_CORE_15; type++) {
    ResetScenarioInGame();
    int slot = CreateThing(type, -1, 60.0f, 50.0f);
    EXPECT_TRUE(ConsoleLines().empty()) << type;
    EXPECT_LT(thing_box_x0[slot], thing_box_x1[slot]) << type;
    EXPECT_EQ(thing_box_x1[slot], 0);
    EXPECT_EQ(thing_box_y0[slot], -6);
    EXPECT_EQ(thing_box_y1[slot], 6);
    EXPECT_EQ(thing_debris_type[slot], PROJ_FRAGMENT_RED);
  }
}

// A column a row fills with a random draw (checked by the draw-order tests below).
constexpr int DRAWN = -999;

TEST(ThingCatalogue, EveryRow) {
  struct Row {
    int type, hp, x0, y0, x1, y1, score, interval, detach, debris, param, vx, vy, timer, fire_timer, timer2;
    float aim_x, aim_y;
  };
  constexpr int G = PROJ_FRAGMENT_GREY, R = PROJ_FRAGMENT_RED, S = PROJ_SPLINTER, L = PROJ_LEAF;
  constexpr int BREAK = DETACH_BREAK, TUMBLE = DETACH_TUMBLE, SLIDE = DETACH_SLIDE, FALL = DETACH_FALL,
                FLOAT = DETACH_FLOAT, PLATFORM = DETACH_PLATFORM;
  // Free-standing in slot 58 at (60, 50), scroll_speed 2, missile_kind PROJ_HAWK: vx -2 unless
  // the row gives one.
  // clang-format off
  const Row rows[] = {
      // type                  hp    x0   y0   x1  y1  score intv  detach           debris param vx  vy  timer fire tmr2 aim
      {THING_GLOW_BUG,         1000, -5,  -5,  5,  5,  1,  0,    BREAK,           G, 1,   -2, 0,  0,     0,     0,  0, 0},
      {THING_SPAWNER,          12,   -5,  -5,  5,  5,  20, 50,   BREAK,           G, 50,  -2, 0,  0,     20,    0,  -1, -2},
      {THING_PLAYER,           5,    -5,  -4,  6,  4,  0,  6,    BREAK,           G, 0,   0,  0,  0,     0,     10, 0, 0},
      {THING_LAUNCHER,         10,   -5,  -7,  5,  7,  25, 24,   TUMBLE,          G, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_CEILING_PLATFORM, 4,    -5,  -3,  5,  3,  7,  20,   PLATFORM,        G, 58,  -2, -4, 4,     0,     20, 0, 0},
      {THING_FLOOR_PLATFORM,   4,    -5,  -3,  5,  3,  7,  20,   PLATFORM,        G, 58,  -2, 4,  4,     0,     20, 0, 0},
      {THING_WIDE_PLATFORM,    12,   -11, -4,  11, 3,  10, 20,   PLATFORM,        G, 58,  -2, 4,  2,     0,     20, 0, 0},
      {THING_MISSILE,          5,    -5,  -2,  5,  2,  12, 5,    TUMBLE,          G, 0,   -2, 0,  DRAWN, 0,     0,  0, 0},
      {THING_FIGHTER,          1,    -5,  -5,  5,  5,  3,  0,    BREAK,           G, 0,   -4, 0,  DRAWN, 12,    0,  0, 0},
      {THING_FIGHTER_2,        3,    -5,  -5,  5,  5,  8,  0,    BREAK,           R, 0,   -3, 0,  0,     0,     0,  0, 0},
      {THING_CARRIER,          6,    -10, -3,  10, 3,  6,  0,    BREAK,           G, 0,   -2, 0,  DRAWN, 0,     0,  0, 0},
      {THING_TUG,              10,   -5,  -8,  5,  8,  15, 0,    BREAK,           G, 0,   -1, 0,  0,     0,     0,  0, 0},
      {THING_TURRET,           8,    -5,  -4,  5,  4,  10, 50,   BREAK,           G, 1,   -2, 0,  DRAWN, DRAWN, 0,  -4, 0},
      {THING_TURRET_2,         20,   -6,  -9,  6,  0,  40, 100,  BREAK,           G, 5,   -2, 0,  DRAWN, DRAWN, 0,  0, -4},
      {THING_BEAM_GUN,         30,   -10, -4,  10, 4,  20, 0,    DETACH_BEAM_GUN, G, -1,  -2, 0,  0,     0,     0,  0, 0},
      {THING_CANNON,           30,   -10, -5,  10, 5,  10, 120,  BREAK,           G, 0,   -2, 0,  0,     0,     0,  -6, 0},
      {THING_CANNON_2,         15,   -5,  -4,  5,  4,  15, 100,  BREAK,           G, 0,   -2, 0,  0,     DRAWN, 0,  -4, -6},
      {THING_LASER,            12,   -5,  -5,  5,  5,  9,  30,   BREAK,           G, -1,  -2, 0,  0,     DRAWN, 0,  0, 0},
      {THING_LASER_DOWN,       12,   -5,  -5,  5,  5,  9,  30,   BREAK,           G, -1,  -2, 0,  0,     DRAWN, 0,  0, 0},
      {THING_LASER_UP,         12,   -5,  -5,  5,  5,  9,  30,   BREAK,           G, -1,  -2, 0,  0,     DRAWN, 0,  0, 0},
      {THING_HULL,             1000, -10, -4,  10, 4,  5,  0,    BREAK,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_HULL_FLIPPED,     1000, -10, -4,  10, 4,  5,  0,    BREAK,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_VERT,        14,   -4,  -5,  4,  5,  2,  0,    BREAK,           G, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_VERT_2,      1000, -4,  -9,  4,  9,  1,  0,    SLIDE,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_VERT_2X2,    1000, -4,  -16, 4,  16, 1,  0,    SLIDE,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_VERT_2X3,    1000, -4,  -25, 4,  25, 1,  0,    SLIDE,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_HORZ,        1000, -12, -3,  12, 3,  1,  0,    TUMBLE,          R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_HORZ_X2,     1000, -12, -3,  36, 3,  1,  0,    TUMBLE,          R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_BRIDGE,      1000, -12, -3,  12, 3,  1,  0,    TUMBLE,          S, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_METAL_BLOCK,      1000, 0,   -13, 25, 13, 1,  0,    BREAK,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_STEP,        1000, -6,  -6,  6,  6,  1,  0,    BREAK,           G, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_STEP_FLIPPED,1000, -6,  -6,  6,  6,  1,  0,    BREAK,           G, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_BOX,         1000, -8,  -8,  8,  8,  1,  0,    BREAK,           G, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_BOX_2,       1000, -8,  -8,  8,  8,  1,  0,    BREAK,           G, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_MOUNT,       1000, -13, -2,  13, 2,  12, 0,    BREAK,           G, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_PART_JOINT,       1000, -3,  -3,  3,  3,  1,  0,    DETACH_FLEE,     R, 0,   -2, 0,  0,     0,     0,  60, 50},
      {THING_TREE_TRUNK,       3,    -5,  -10, 5,  0,  1,  0,    FALL,            S, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_TREE_TOP,         6,    -5,  -5,  5,  10, 1,  0,    FALL,            L, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_TREE_TOP_PLATFORM,8,    -12, -6,  12, 6,  1,  0,    FALL,            L, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_TREE_BRANCH,      1000, -12, -3,  12, 3,  1,  0,    BREAK,           L, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_POW_FORWARD,      1000, -7,  -7,  7,  7,  0,  0,    FLOAT,           R, 0,   4,  0,  0,     0,     0,  0, 0},
      {THING_POW_MISSILE,      1000, -7,  -7,  7,  7,  0,  25,   FLOAT,           R, PROJ_HAWK, 4, 0, 0, 0,     0,  0, 0},
      // Cores: the box's left edge follows the hit points, the rest is -6, 0, 6.
      {THING_CORE_0,           55,   -19, -6,  0,  6,  30, 5000, BREAK,           R, 0,   -4, 0,  0,     121,   0,  0, 0},
      {THING_CORE_1,           60,   -21, -6,  0,  6,  30, 0,    BREAK,           R, 0,   -2, 4,  0,     0,     0,  0, 0},
      {THING_CORE_2,           16,   -12, -6,  0,  6,  30, 0,    BREAK,           R, 0,   -2, DRAWN, 0,  0,     0,  0, 0},
      {THING_CORE_3,           30,   -13, -6,  0,  6,  30, 0,    BREAK,           R, 0,   -4, 0,  0,     125,   0,  0, 0},
      {THING_CORE_4,           16,   -12, -6,  0,  6,  30, 0,    BREAK,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_CORE_5,           16,   -12, -6,  0,  6,  30, 0,    BREAK,           R, 0,   0,  0,  0,     0,     0,  0, 0},
      {THING_CORE_6,           16,   -12, -6,  0,  6,  30, 0,    BREAK,           R, 0,   -2, DRAWN, 0,  0,     0,  0, 0},
      {THING_CORE_7,           35,   -14, -6,  0,  6,  20, 90,   BREAK,           R, 0,   -2, DRAWN, 0,  200,   0,  0, 0},
      {THING_CORE_8,           18,   -10, -6,  0,  6,  30, 0,    BREAK,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_CORE_9,           25,   -12, -6,  0,  6,  30, 0,    BREAK,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
      {THING_CORE_10,          16,   -12, -6,  0,  6,  30, 0,    BREAK,           R, 0,   -2, -2, 0,     0,     0,  0, 0},
      {THING_CORE_11,          30,   -13, -6,  0,  6,  30, 400,  BREAK,           R, -1,  -3, 0,  102,   100,   0,  0, 0},
      {THING_CORE_12,          20,   -11, -6,  0,  6,  30, 100,  BREAK,           R, 0,   0,  0,  0,     100,   0,  0, 0},
      {THING_CORE_13,          20,   -11, -6,  0,  6,  20, 0,    BREAK,           R, 0,   -2, DRAWN, 0,  0,     0,  0, 0},
      {THING_CORE_14,          16,   -12, -6,  0,  6,  15, 0,    BREAK,           R, 0,   0,  0,  0,     0,     0,  0, 0},
      {THING_CORE_15,          16,   -12, -6,  0,  6,  30, 0,    BREAK,           R, 0,   -2, 0,  0,     0,     0,  0, 0},
  };
  // clang-format on
  static_assert(sizeof(rows) / sizeof(rows[0]) == sizeof(catalogue_types) / sizeof(catalogue_types[0]) + 16);
  for (const Row& r : rows) {
    ResetScenarioInGame();
    missile_kind = PROJ_HAWK;
    int s = CreateThing(r.type, -1, 60.0f, 50.0f);
    ASSERT_EQ(s, 58);
    EXPECT_EQ(thing_hp[s], r.hp) << r.type;
    EXPECT_EQ(thing_box_x0[s], r.x0) << r.type;
    EXPECT_EQ(thing_box_y0[s], r.y0) << r.type;
    EXPECT_EQ(thing_box_x1[s], r.x1) << r.type;
    EXPECT_EQ(thing_box_y1[s], r.y1) << r.type;
    EXPECT_EQ(thing_score[s], r.score) << r.type;
    EXPECT_EQ(thing_fire_interval[s], r.interval) << r.type;
    EXPECT_EQ(thing_detach_mode[s], r.detach) << r.type;
    EXPECT_EQ(thing_debris_type[s], r.debris) << r.type;
    EXPECT_EQ(thing_param[s], r.param) << r.type;
    EXPECT_EQ(thing_vx[s], r.vx) << r.type;
    if (r.vy != DRAWN) {
      EXPECT_EQ(thing_vy[s], r.vy) << r.type;
    }
    if (r.timer != DRAWN) {
      EXPECT_EQ(thing_timer[s], r.timer) << r.type;
    }
    if (r.fire_timer != DRAWN) {
      EXPECT_EQ(thing_fire_timer[s], r.fire_timer) << r.type;
    }
    EXPECT_EQ(thing_timer2[s], r.timer2) << r.type;
    EXPECT_EQ(thing_fuse[s], 0) << r.type;
    EXPECT_EQ(thing_aim_x[s], r.aim_x) << r.type;
    EXPECT_EQ(thing_aim_y[s], r.aim_y) << r.type;
  }
}

TEST(ThingCatalogue, CommonSetUpPlacesFreeAndAttachedThings) {
  ResetScenarioInGame();
  int root = CreateThing(THING_HULL, -1, 100.0f, 40.0f);
  EXPECT_EQ(thing_parent[root], -1);
  EXPECT_FLOAT_EQ(thing_x[root], 100.0f);
  EXPECT_EQ(thing_vx[root], -2);
  EXPECT_FLOAT_EQ(thing_roll_spring[root], 1.0f);
  int part = CreateThing(THING_PART_BOX, root, -8.0f, 3.0f);
  EXPECT_EQ(thing_parent[part], root);
  EXPECT_FLOAT_EQ(thing_anchor_x[part], -8.0f);
  EXPECT_FLOAT_EQ(thing_x[part], 92.0f);
  EXPECT_FLOAT_EQ(thing_y[part], 43.0f);
  EXPECT_EQ(thing_vx[part], 0);
}

TEST(ThingCatalogue, RandomColumnsDrawInRowOrder) {
  ResetScenarioInGame();
  std::vector<int> d = PeekDraws(2);
  std::uint32_t after = StateAfter(2);
  int s = CreateThing(THING_FIGHTER, -1, 160.0f, 30.0f);
  EXPECT_EQ(thing_timer[s], d[0] % 20);
  EXPECT_FLOAT_EQ(thing_roll_rate[s], static_cast<float>(d[1] % 6) - 3.0f);
  EXPECT_EQ(thing_roll_time[s], 1000);
  EXPECT_FLOAT_EQ(thing_roll_spring[s], 0.2f);
  EXPECT_EQ(thing_fire_timer[s], 12);
  EXPECT_EQ(thing_vx[s], -4);
  EXPECT_EQ(random_state, after);

  d = PeekDraws(2);
  s = CreateThing(THING_TURRET, -1, 160.0f, 30.0f);
  EXPECT_EQ(thing_timer[s], d[0] % 20 + 50);
  EXPECT_EQ(thing_fire_timer[s], d[1] % 50);
  EXPECT_FLOAT_EQ(thing_aim_x[s], -4.0f);

  d = PeekDraws(2);
  s = CreateThing(THING_TURRET_2, -1, 160.0f, 30.0f);
  EXPECT_EQ(thing_timer[s], d[0] % 10 + 50);
  EXPECT_EQ(thing_fire_timer[s], d[1] % 100);
  EXPECT_FLOAT_EQ(thing_aim_y[s], -4.0f);

  struct OneDraw {
    int type;
    int* field;
    int modulo, base;
  } one[] = {
      {THING_MISSILE, thing_timer, 10, 0},          {THING_CARRIER, thing_timer, 10, 0},
      {THING_CANNON_2, thing_fire_timer, 100, 0},   {THING_LASER, thing_fire_timer, 100, 0},
      {THING_LASER_DOWN, thing_fire_timer, 100, 0}, {THING_LASER_UP, thing_fire_timer, 100, 0},
  };
  for (const OneDraw& o : one) {
    d = PeekDraws(1);
    after = StateAfter(1);
    s = CreateThing(o.type, -1, 160.0f, 30.0f);
    EXPECT_EQ(o.field[s], d[0] % o.modulo + o.base) << o.type;
    EXPECT_EQ(random_state, after) << o.type;
  }
}

TEST(ThingCatalogue, CoresDrawTheirDirection) {
  struct Case {
    int type, speed;
  } cases[] = {{THING_CORE_2, 4}, {THING_CORE_6, 4}, {THING_CORE_7, 3}, {THING_CORE_13, 4}};
  for (const Case& c : cases) {
    for (std::uint32_t seed : {1u, 2u, 3u, 4u}) {
      ResetScenarioInGame();
      random_state = seed;
      std::vector<int> d = PeekDraws(1);
      std::uint32_t after = StateAfter(1);
      int s = CreateThing(c.type, -1, 150.0f, 50.0f);
      EXPECT_EQ(thing_vy[s], d[0] % 2 == 0 ? -c.speed : c.speed) << c.type;
      EXPECT_EQ(random_state, after) << "one draw only";
    }
  }
  ResetScenarioInGame();
  int s = CreateThing(THING_CORE_7, -1, 150.0f, 50.0f);
  EXPECT_EQ(thing_vx[s], -2);
  EXPECT_EQ(thing_fire_timer[s], 200);
  EXPECT_EQ(thing_fire_interval[s], 90);
}

TEST(ThingCatalogue, PlatformsStartByTheirHeight) {
  struct Case {
    int type;
    float y;
    int timer, vy;
  } cases[] = {
      {THING_FLOOR_PLATFORM, 70.0f, 1, 4}, {THING_FLOOR_PLATFORM, 69.0f, 4, 4},    {THING_FLOOR_PLATFORM, 19.5f, 1, 4},
      {THING_FLOOR_PLATFORM, 20.0f, 4, 4}, {THING_CEILING_PLATFORM, 50.0f, 4, -4}, {THING_WIDE_PLATFORM, 10.0f, 2, 4},
      {THING_WIDE_PLATFORM, 50.0f, 2, 4},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int s = CreateThing(c.type, -1, 100.0f, c.y);
    EXPECT_EQ(thing_timer[s], c.timer) << c.type << " at " << c.y;
    EXPECT_EQ(thing_vy[s], c.vy) << c.type << " at " << c.y;
    EXPECT_EQ(thing_param[s], s);
    EXPECT_EQ(thing_timer2[s], 20);
    EXPECT_EQ(thing_detach_mode[s], DETACH_PLATFORM);
  }
  // Attached: no vertical code, and the timer follows the world y (parent 60 + offset 10).
  ResetScenarioInGame();
  int root = CreateThing(THING_HULL, -1, 100.0f, 60.0f);
  int s = CreateThing(THING_FLOOR_PLATFORM, root, 0.0f, 10.0f);
  EXPECT_EQ(thing_vy[s], 0);
  EXPECT_EQ(thing_timer[s], 1);
}

TEST(ThingCatalogue, PositionAndSlotDependentRows) {
  ResetScenarioInGame();
  thing_last = 59;
  EXPECT_EQ(CreateThing(THING_LAUNCHER, -1, 100.0f, 50.0f), 58);
  EXPECT_EQ(thing_fire_timer[58], 0);
  EXPECT_EQ(CreateThing(THING_LAUNCHER, -1, 100.0f, 50.0f), 57);
  EXPECT_EQ(thing_fire_timer[57], 12);

  int tug = CreateThing(THING_TUG, -1, -0.5f, 50.0f);
  EXPECT_EQ(thing_vx[tug], 1);
  tug = CreateThing(THING_TUG, -1, 0.0f, 50.0f);
  EXPECT_EQ(thing_vx[tug], -1);
  int attached_tug = CreateThing(THING_TUG, tug, -3.0f, 0.0f);
  EXPECT_EQ(thing_vx[attached_tug], 1);

  scroll_speed = 5;
  int carrier = CreateThing(THING_CARRIER, tug, 0.0f, 0.0f);
  EXPECT_EQ(thing_vx[carrier], -5);

  int core = CreateThing(THING_CORE_11, -1, 150.0f, 50.0f);
  EXPECT_EQ(thing_vx[core], -3);
  EXPECT_EQ(thing_param[core], -1);
  EXPECT_EQ(thing_timer[core], 102);
  EXPECT_EQ(thing_fire_timer[core], 100);
  core = CreateThing(THING_CORE_11, -1, 150.0f, 49.0f);
  EXPECT_EQ(thing_vx[core], 0);

  int joint = CreateThing(THING_PART_JOINT, core, -7.0f, 2.5f);
  EXPECT_FLOAT_EQ(thing_aim_x[joint], -7.0f);
  EXPECT_FLOAT_EQ(thing_aim_y[joint], 2.5f);
  EXPECT_EQ(thing_detach_mode[joint], DETACH_FLEE);

  missile_kind = PROJ_CROW;
  int pow = CreateThing(THING_POW_MISSILE, -1, 80.0f, 50.0f);
  EXPECT_EQ(thing_param[pow], PROJ_CROW);
  EXPECT_EQ(thing_vx[pow], 4);
  EXPECT_EQ(thing_fire_interval[pow], 25);
}

TEST(ThingCatalogue, UnknownTypesBecomeGenericThings) {
  for (int type : {static_cast<int>(THING_EXPLOSION), 3, 77, 599, 602}) {
    ResetScenarioInGame();
    int s = CreateThing(type, -1, 50.0f, 50.0f);
    ASSERT_GE(s, 0);
    EXPECT_EQ(thing_type[s], type);
    EXPECT_EQ(thing_hp[s], 1000);
    EXPECT_EQ(thing_score[s], 0);
    EXPECT_EQ(thing_box_x0[s], -5);
    EXPECT_EQ(thing_box_y1[s], 5);
    EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"Generic Thing"});
  }
}

TEST(ThingCatalogue, FullTableAndBadParentsCreateNothing) {
  ResetScenarioInGame();
  for (int i = 0; i < MAX_THINGS; i++) thing_type[i] = THING_HULL;
  thing_count = MAX_THINGS;
  EXPECT_EQ(CreateThing(THING_TURRET, -1, 0.0f, 0.0f), -1);
  EXPECT_EQ(ConsoleLines(), std::vector<std::string>{"Things Expired"});

  for (int parent : {-2, 60, 1000, -1000}) {
    ResetScenarioInGame();
    std::uint32_t state = random_state;
    EXPECT_EQ(CreateThing(THING_TURRET, parent, 0.0f, 0.0f), -1) << parent;
    EXPECT_EQ(thing_count, 0);
    EXPECT_EQ(thing_last, 59);
    EXPECT_EQ(random_state, state);
  }
}

TEST(ThingCatalogue, NoFieldIsInheritedFromTheSlotsLastOccupant) {
  ResetScenarioInGame();
  int s = CreateThing(THING_FIGHTER, -1, 100.0f, 50.0f);
  thing_score[s] = 77;
  thing_aim_x[s] = 9.0f;
  thing_aim_y[s] = -9.0f;
  thing_roll_time[s] = 400;
  FreeThing(s);
  thing_last = s + 1;
  for (int type : {THING_PLAYER, THING_POW_FORWARD, THING_HULL}) {
    ASSERT_EQ(CreateThing(type, -1, 50.0f, 50.0f), s);
    EXPECT_EQ(thing_aim_x[s], 0.0f) << type;
    EXPECT_EQ(thing_aim_y[s], 0.0f) << type;
    EXPECT_EQ(thing_roll_time[s], 0) << type;
    if (type != THING_HULL) {
      EXPECT_EQ(thing_score[s], 0) << type;
    }
    FreeThing(s);
    thing_last = s + 1;
  }
}

TEST(ThingCatalogue, CoreWidthFollowsHitPoints) {
  struct Case {
    int hp, x0;
  } cases[] = {{1, -12},  {16, -12}, {17, -10}, {19, -10}, {20, -11},
               {23, -11}, {24, -12}, {28, -13}, {55, -19}, {60, -21}};
  ResetScenarioInGame();
  int s = CreateThing(THING_CORE_4, -1, 100.0f, 50.0f);
  for (const Case& c : cases) {
    thing_hp[s] = c.hp;
    SetCoreWidth(s);
    EXPECT_EQ(thing_box_x0[s], c.x0) << c.hp;
  }
  SetCoreWidth(-1);  // ignored
  SetCoreWidth(60);
}

}  // namespace
