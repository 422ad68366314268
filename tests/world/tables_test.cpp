#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fake_engine.h"
#include "world/projectiles.h"
#include "world/scenery.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

void EmptyTables() {
  ClearThings();
  thing_last = 59;
  projectile_last = 299;
  ResetFakeEngine();
}

TEST(Tables, SearchRunsDownwardFromBelowTheCursorAndWraps) {
  EmptyTables();
  EXPECT_EQ(FindFreeThing(), 58);
  EXPECT_EQ(FindFreeThing(), 57);
  EXPECT_EQ(thing_count, 2);
  thing_last = 0;
  thing_type[58] = thing_type[57] = 1;
  EXPECT_EQ(FindFreeThing(), 59);  // wraps from 0 to the top
}

TEST(Tables, OnlyTheCursorsOwnSlotFreeIsTakenLast) {
  EmptyTables();
  for (int i = 0; i < MAX_PROJECTILES; i++) projectile_type[i] = 1;
  projectile_count = MAX_PROJECTILES - 1;
  projectile_last = 120;
  projectile_type[120] = 0;
  EXPECT_EQ(FindFreeProjectile(), 120);
  EXPECT_EQ(projectile_count, MAX_PROJECTILES);
  EXPECT_TRUE(ConsoleLines().empty());
}

TEST(Tables, FullTablesPrintTheirMessageAndChangeNothing) {
  struct Case {
    int* type;
    int size;
    int* cursor;
    int* count;
    int (*find)();
    const char* message;
  } cases[] = {
      {thing_type, MAX_THINGS, &thing_last, &thing_count, FindFreeThing, "Things Expired"},
      {projectile_type, MAX_PROJECTILES, &projectile_last, &projectile_count, FindFreeProjectile,
       "Projectiles Expired"},
      {static_type, MAX_STATICS, &static_last, &static_count, FindFreeStatic, "Static Expired"},
      {generator_type, MAX_GENERATORS, &generator_last, &generator_count, FindFreeGenerator, "Generators Expired"},
  };
  for (const Case& c : cases) {
    EmptyTables();
    for (int i = 0; i < c.size; i++) c.type[i] = 3;
    *c.count = c.size;
    *c.cursor = 7;
    EXPECT_EQ(c.find(), -1) << c.message;
    EXPECT_EQ(*c.cursor, 7);
    EXPECT_EQ(*c.count, c.size);
    ASSERT_EQ(ConsoleLines().size(), 1u);
    EXPECT_EQ(ConsoleLines()[0], c.message);
  }
  ClearThings();
}

TEST(Tables, ClearingKeepsCursorsAndFreeingTwiceCountsOnce) {
  EmptyTables();
  int a = FindFreeThing();
  thing_type[a] = 5;
  ClearThings();
  EXPECT_EQ(thing_count, 0);
  EXPECT_EQ(thing_parent[a], -1);
  EXPECT_EQ(FindFreeThing(), a - 1);  // next below the old cursor
  thing_type[a - 1] = 5;
  FreeThing(a - 1);
  FreeThing(a - 1);
  FreeThing(-1);
  FreeThing(MAX_THINGS);
  EXPECT_EQ(thing_count, 0);
}

TEST(Tables, CreatingAFreeOrNegativeTypeTakesNoSlot) {
  // Such a slot would read as free (or as a live type nothing knows) while counted live.
  for (int type : {0, -1, -600}) {
    EmptyTables();
    const int statics = static_count, generators = generator_count;
    const int static_cursor = static_last, generator_cursor = generator_last;
    EXPECT_EQ(CreateThing(type, -1, 50.0f, 50.0f), -1) << type;
    EXPECT_EQ(CreateProjectile(type, -1, 50.0f, 50.0f, 0.0f, 1.0f, 0.0f), -1) << type;
    EXPECT_EQ(CreateStatic(type, 200.0f, 50.0f, 10.0f), -1) << type;
    CreateGenerator(type, 5, 3, 0.0f, 95.0f, 10.0f);
    EXPECT_EQ(thing_count + projectile_count, 0) << type;
    EXPECT_EQ(thing_last, 59) << type;
    EXPECT_EQ(projectile_last, 299) << type;
    EXPECT_EQ(static_count, statics) << type;
    EXPECT_EQ(static_last, static_cursor) << type;
    EXPECT_EQ(generator_count, generators) << type;
    EXPECT_EQ(generator_last, generator_cursor) << type;
  }
  EXPECT_EQ(CreateThing(THING_FIGHTER, -1, 50.0f, 50.0f), 58);  // a known type still goes in
  ClearThings();
}

TEST(Tables, SpeedCodesAndVelocityTruncation) {
  struct Case {
    float velocity;
    float step;
  } cases[] = {{5.9f, 2.0f},  {-1.5f, -0.25f}, {7.2f, 0.0f}, {0.9f, 0.0f}, {-0.9f, 0.0f},
               {6.0f, 3.0f},  {-6.5f, -3.0f},  {2.0f, 0.33f}, {-7.0f, 0.0f},
               {std::numeric_limits<float>::quiet_NaN(), 0.0f}, {1e30f, 0.0f}};
  for (const Case& c : cases) EXPECT_FLOAT_EQ(VelocityStep(c.velocity), c.step) << c.velocity;
  EXPECT_FLOAT_EQ(SpeedStep(6), 3.0f);
  EXPECT_FLOAT_EQ(SpeedStep(-7), 0.0f);
  EXPECT_FLOAT_EQ(SpeedStep(2), 0.33f);
  scroll_speed = 0;
  EXPECT_FLOAT_EQ(ScrollStep(), 0.0f);
  scroll_speed = 7;
  EXPECT_FLOAT_EQ(ScrollStep(), 0.0f);
  scroll_speed = 3;
  EXPECT_FLOAT_EQ(ScrollStep(), 0.5f);
  scroll_speed = 2;
}

}  // namespace
