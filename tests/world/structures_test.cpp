#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "draws.h"
#include "fake_engine.h"
#include "scenario.h"
#include "support/temp_dir.h"
#include "world/collisions.h"
#include "world/game.h"
#include "world/progression.h"
#include "world/projectiles.h"
#include "world/records.h"
#include "world/stage_script.h"
#include "world/structures.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

// Where the motion pass would put a free thing: its anchor.
void Settle(int t) {
  thing_x[t] = thing_anchor_x[t];
  thing_y[t] = thing_anchor_y[t];
}

// The sound plays and stops recorded since the last reset, as "play name" and "stop name".
std::vector<std::string> SoundEvents() {
  std::vector<std::string> events;
  for (const EngineCall& c : engine_calls) {
    if (c.kind == CALL_PLAY_SOUND) events.push_back("play " + c.text);
    if (c.kind == CALL_STOP_SOUND) events.push_back("stop " + c.text);
  }
  return events;
}

// ---- Beam guns ---------------------------------------------------------------------------------

// A beam gun on a core whose trigger period is 90 (core 7), at (105, 50).
struct BeamRig {
  int core, gun;
};
BeamRig MakeBeamRig() {
  BeamRig rig;
  rig.core = MakeThing(THING_CORE_7, 120.0f, 50.0f);
  rig.gun = CreateThing(THING_BEAM_GUN, rig.core, -15.0f, 0.0f);
  thing_param[rig.gun] = rig.core;
  return rig;
}

TEST(BeamGun, OneCycleFrameByFrame) {
  ResetScenarioInGame();
  BeamRig rig = MakeBeamRig();
  ASSERT_EQ(thing_fire_interval[rig.core], 90);
  std::vector<std::string> trace;
  for (int frame = 0; frame < 125; frame++) {
    thing_fire_timer[rig.core] = frame == 0 ? 0 : 120;  // the core triggers on frame 0 only
    ResetFakeEngine();
    UpdateBeamGun(rig.gun);
    for (const std::string& e : SoundEvents()) trace.push_back(std::to_string(frame) + " " + e);
    bool burns = frame >= 21 && frame <= 109;  // beam timer 89 down to 1
    EXPECT_EQ(BeamGunFiring(rig.gun), burns) << frame;
    EXPECT_EQ(thing_fire_timer[rig.gun], 110 - frame) << frame;  // and on below 0
  }
  EXPECT_EQ(trace, (std::vector<std::string>{
                       "0 play snd_beam_gun_01",   // the charge, timer 110
                       "20 play snd_beam_gun_02",  // the loops start at 90
                       "20 play snd_beam_gun_03",
                       "97 play snd_beam_gun_04",  // the end at 13
                       "99 stop snd_beam_gun_02",  // the loops stop at 11
                       "99 stop snd_beam_gun_03",
                   }));
}

TEST(BeamGun, SoundsHaveNoPlaceAndStopOnlyWhatIsLoaded) {
  ResetScenarioInGame();
  BeamRig rig = MakeBeamRig();
  thing_fire_timer[rig.core] = 0;
  UpdateBeamGun(rig.gun);
  const EngineCall& charge = engine_calls.back();
  EXPECT_EQ(charge.i, 0);
  EXPECT_FLOAT_EQ(charge.f[0], 0.0f);
  EXPECT_FLOAT_EQ(charge.f[1], 0.0f);

  snd_beam_gun_02.loaded = false;
  thing_fire_timer[rig.core] = 5;
  thing_fire_timer[rig.gun] = 12;
  ResetFakeEngine();
  UpdateBeamGun(rig.gun);
  snd_beam_gun_02.loaded = true;
  EXPECT_EQ(SoundEvents(), (std::vector<std::string>{"stop snd_beam_gun_03"}));
}

TEST(BeamGun, CutOffItBurnsOutWhatIsLeft) {
  for (int link : {-1, MAX_THINGS, 500}) {
    ResetScenarioInGame();
    int gun = MakeThing(THING_BEAM_GUN, 105.0f, 50.0f);
    thing_param[gun] = link;
    thing_fire_timer[gun] = 3;
    std::vector<bool> burning;
    for (int i = 0; i < 4; i++) {
      UpdateBeamGun(gun);
      burning.push_back(BeamGunFiring(gun));
    }
    EXPECT_EQ(burning, (std::vector<bool>{true, true, false, false})) << link;
    EXPECT_EQ(thing_fire_timer[gun], 0) << link;  // it stops at 0
  }
}

TEST(BeamGun, BurnsThePlayerOncePerEntry) {
  ResetScenarioInGame();
  forward_level = 3;
  int ship = MakeShip(50.0f, 52.0f);
  BeamRig rig = MakeBeamRig();
  thing_fire_interval[rig.core] = 90;
  thing_fire_timer[rig.core] = 5;
  thing_fire_timer[rig.gun] = 60;
  action_up = action_down = 1;
  UpdateBeamGun(rig.gun);
  EXPECT_FLOAT_EQ(thing_anchor_y[ship], 55.0f);  // 5 below the beam line
  EXPECT_EQ(action_down, 0);
  EXPECT_EQ(action_up, 1);
  EXPECT_EQ(thing_hp[ship], 4);
  EXPECT_EQ(thing_timer[ship], 3);
  EXPECT_EQ(thing_vy[ship], 0);
  EXPECT_EQ(forward_level, 2);
  ASSERT_EQ(CountCalls(CALL_PLAY_SOUND, "snd_burn_01"), 1);
  EXPECT_EQ(engine_calls.back().i, 0);
  EXPECT_FLOAT_EQ(engine_calls.back().f[0], 50.0f);
  EXPECT_FLOAT_EQ(engine_calls.back().f[1], 52.0f);

  // Pushed out of the band, it is not burnt again until it comes back.
  Settle(ship);
  UpdateBeamGun(rig.gun);
  EXPECT_EQ(thing_hp[ship], 4);
  thing_y[ship] = thing_anchor_y[ship] = 47.0f;  // back in, from above
  UpdateBeamGun(rig.gun);
  EXPECT_EQ(thing_hp[ship], 3);
  EXPECT_FLOAT_EQ(thing_anchor_y[ship], 45.0f);
  EXPECT_EQ(action_up, 0);
  EXPECT_EQ(forward_level, 1);
  thing_y[ship] = thing_anchor_y[ship] = 50.0f;
  UpdateBeamGun(rig.gun);
  EXPECT_EQ(forward_level, 1);  // level 1 stays
}

TEST(BeamGun, BurnsOnlyToItsLeftInsideTheBand) {
  struct Case {
    float px, py;
    bool burnt;
  } cases[] = {{50.0f, 46.0f, false}, {50.0f, 46.5f, true}, {50.0f, 53.5f, true},
               {50.0f, 54.0f, false}, {104.5f, 50.0f, true}, {105.0f, 50.0f, false}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int ship = MakeShip(c.px, c.py);
    BeamRig rig = MakeBeamRig();
    thing_fire_timer[rig.core] = 5;
    thing_fire_timer[rig.gun] = 60;
    UpdateBeamGun(rig.gun);
    EXPECT_EQ(thing_hp[ship], c.burnt ? 4 : 5) << c.px << " " << c.py;
  }
  // Not while it charges.
  ResetScenarioInGame();
  int ship = MakeShip(50.0f, 50.0f);
  BeamRig rig = MakeBeamRig();
  thing_fire_timer[rig.core] = 5;
  thing_fire_timer[rig.gun] = 100;
  UpdateBeamGun(rig.gun);
  EXPECT_EQ(thing_hp[ship], 5);
}

TEST(BeamGun, TheLastLifeExplodesAndAnExplodingShipIsNotBurnt) {
  ResetScenarioInGame();
  int ship = MakeShip(50.0f, 50.0f);
  thing_hp[ship] = 1;
  BeamRig rig = MakeBeamRig();
  thing_fire_timer[rig.core] = 5;
  thing_fire_timer[rig.gun] = 60;
  UpdateBeamGun(rig.gun);
  EXPECT_EQ(thing_type[ship], THING_EXPLOSION);
  EXPECT_EQ(thing_hp[ship], 0);
  EXPECT_EQ(SoundEvents().back(), "play snd_burn_01");

  // The explosion drifts back into the beam: it is not destroyed again.
  int timer = thing_timer[ship];
  thing_y[ship] = 50.0f;
  ResetFakeEngine();
  UpdateBeamGun(rig.gun);
  EXPECT_EQ(thing_timer[ship], timer);
  EXPECT_EQ(thing_hp[ship], 0);
  EXPECT_TRUE(SoundEvents().empty());
}

TEST(BeamGun, SmokesWhenDamaged) {
  ResetScenarioInGame();
  int gun = MakeThing(THING_BEAM_GUN, 105.0f, 50.0f);
  thing_hp[gun] = 5;
  UpdateBeamGun(gun);
  EXPECT_EQ(CountProjectiles(PROJ_SMOKE), 1);
}

// ---- Platforms ---------------------------------------------------------------------------------

TEST(Platform, RisesToRestUnderTheCeilingWhereItReaches) {
  ResetScenarioInGame();
  ceiling_x1 = 200.0f;
  int p = MakeThing(THING_CEILING_PLATFORM, 60.0f, 10.0f);
  EXPECT_EQ(thing_vy[p], -4);
  thing_vx[p] = 0;
  thing_y[p] = 5.5f;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vy[p], -4);  // not up yet
  thing_y[p] = 5.0f;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vy[p], 0);
  EXPECT_EQ(thing_vx[p], 2);
  EXPECT_FLOAT_EQ(thing_anchor_y[p], 8.0f);  // its top edge on the line
  EXPECT_EQ(thing_parent[p], -1);

  // Past the ceiling's end it rises on.
  ResetScenarioInGame();
  ceiling_x1 = 50.0f;
  p = MakeThing(THING_CEILING_PLATFORM, 60.0f, 4.0f);
  UpdatePlatform(p);
  EXPECT_EQ(thing_vy[p], -4);
  EXPECT_EQ(thing_vx[p], -2);
}

TEST(Platform, SinksToRestOnTheShiftedFloorUnlessOverAGap) {
  ResetScenarioInGame();
  floor_x1 = 200.0f;
  world_shift = 50;  // the floor line lies at 145
  int p = MakeThing(THING_FLOOR_PLATFORM, 60.0f, 141.0f);
  UpdatePlatform(p);
  EXPECT_EQ(thing_vy[p], 4);
  thing_y[p] = 142.0f;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vy[p], 0);
  EXPECT_EQ(thing_vx[p], -2);  // it was moving already
  EXPECT_FLOAT_EQ(thing_anchor_y[p], 142.0f);

  ResetScenarioInGame();
  floor_x0 = 70.0f;
  floor_x1 = 200.0f;
  p = MakeThing(THING_FLOOR_PLATFORM, 60.0f, 150.0f);
  UpdatePlatform(p);
  EXPECT_EQ(thing_vy[p], 4);
}

TEST(Platform, PatrolsBetween20And120) {
  ResetScenarioInGame();
  int p = MakeThing(THING_FLOOR_PLATFORM, 60.0f, 50.0f);
  ASSERT_EQ(thing_timer[p], 4);   // stops left
  ASSERT_EQ(thing_timer2[p], 20);  // the first pause
  thing_vy[p] = 0;
  thing_vx[p] = 0;
  for (int i = 0; i < 20; i++) UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], 0);
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], -2);  // right of 50: goes left
  EXPECT_EQ(thing_timer2[p], 20);

  thing_x[p] = 25.0f;  // left edge 20: not yet
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], -2);
  thing_x[p] = 24.9f;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], 0);
  EXPECT_EQ(thing_timer[p], 3);
  for (int i = 0; i < 21; i++) UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], 3);  // left of 50: goes right

  thing_x[p] = 115.0f;  // right edge 120: not past it
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], 3);
  thing_x[p] = 115.5f;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], 0);
  EXPECT_EQ(thing_timer[p], 3);  // the right end costs no stop

  // With no stops left it leaves at the left end.
  thing_timer[p] = 0;
  thing_vx[p] = -2;
  thing_x[p] = 10.0f;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], -2);
}

TEST(Platform, SwitchedOffOrCarryingNothingKnown) {
  ResetScenarioInGame();
  int p = MakeThing(THING_FLOOR_PLATFORM, 60.0f, 50.0f);
  thing_vy[p] = 0;
  thing_vx[p] = 0;
  thing_timer2[p] = 0;
  thing_param[p] = -1;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], 0);
  EXPECT_EQ(thing_timer2[p], 0);

  // A slot outside the table: it moves itself.
  thing_param[p] = MAX_THINGS;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], -2);
}

// A hull at (62, 58) and a sinking floor platform at (60, 50) in the slot above it.
struct HookRig {
  int platform, hull;
};
HookRig MakeHookRig(int type, float platform_y, float hull_y) {
  HookRig rig;
  rig.platform = MakeThing(type, 60.0f, platform_y);
  rig.hull = MakeThing(THING_HULL, 62.0f, hull_y);
  return rig;
}

TEST(Platform, HooksOntoAStructureFoundInItsQuarterOfTheTable) {
  ResetScenarioInGame();
  HookRig rig = MakeHookRig(THING_FLOOR_PLATFORM, 50.0f, 58.0f);
  int p = rig.platform, hull = rig.hull;
  ASSERT_EQ(hull, 57);
  phase_4 = 0;  // slots 59, 55, 51, ...: the hull is not looked at
  UpdatePlatform(p);
  EXPECT_EQ(thing_parent[p], -1);
  phase_4 = 2;  // 57, 53, ...
  UpdatePlatform(p);
  EXPECT_EQ(thing_parent[p], hull);
  EXPECT_EQ(thing_vy[p], 0);
  EXPECT_FLOAT_EQ(thing_anchor_x[p], -2.0f);
  EXPECT_EQ(thing_vx[p], -4);                  // its own code and the hull's
  EXPECT_FLOAT_EQ(thing_anchor_y[p], -7.0f);  // its bottom edge on the hull's top

  ResetScenarioInGame();
  rig = MakeHookRig(THING_CEILING_PLATFORM, 70.0f, 60.0f);
  phase_4 = 2;
  UpdatePlatform(rig.platform);
  EXPECT_EQ(thing_parent[rig.platform], rig.hull);
  EXPECT_FLOAT_EQ(thing_anchor_y[rig.platform], 7.0f);  // its top edge under the hull's bottom
}

TEST(Platform, SlidesToTheEndsThenDropsOff) {
  ResetScenarioInGame();
  HookRig rig = MakeHookRig(THING_FLOOR_PLATFORM, 50.0f, 58.0f);
  int p = rig.platform, hull = rig.hull;
  thing_parent[p] = hull;
  thing_vy[p] = 0;
  thing_vx[p] = -4;
  thing_timer[p] = 1;
  thing_anchor_x[p] = -10.0f;  // at the end, not past it
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], -4);
  thing_anchor_x[p] = -10.5f;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[p], 4);
  EXPECT_EQ(thing_timer[p], 0);
  thing_anchor_x[p] = 10.5f;
  thing_x[p] = 72.5f;
  phase_4 = 0;
  UpdatePlatform(p);
  EXPECT_EQ(thing_parent[p], -1);
  EXPECT_FLOAT_EQ(thing_anchor_x[p], 72.5f);
  EXPECT_FLOAT_EQ(thing_anchor_y[p], 50.0f);
  EXPECT_EQ(thing_vx[p], 6);  // 4 less the hull's -2
  EXPECT_EQ(thing_vy[p], 4);  // sinking again

  // A ceiling platform rises off.
  ResetScenarioInGame();
  rig = MakeHookRig(THING_CEILING_PLATFORM, 50.0f, 40.0f);
  thing_parent[rig.platform] = rig.hull;
  thing_vy[rig.platform] = 0;
  thing_vx[rig.platform] = 1;
  thing_timer[rig.platform] = 0;
  thing_anchor_x[rig.platform] = 11.0f;
  UpdatePlatform(rig.platform);
  EXPECT_EQ(thing_vy[rig.platform], -4);
  EXPECT_EQ(thing_vx[rig.platform], 3);
}

TEST(Platform, MovesWhatItCarriesAndNeverHooksItOntoItsOwnParts) {
  ResetScenarioInGame();
  int core = MakeThing(THING_CORE_8, 60.0f, 50.0f);                        // 58, the mover
  int p = CreateThing(THING_WIDE_PLATFORM, core, 0.0f, 12.0f);       // 57, at y 62
  int own = CreateThing(THING_HULL, core, 0.0f, 19.0f);              // 56, meets y 69
  int other = MakeThing(THING_HULL, 58.0f, 69.0f);                        // 55
  thing_param[p] = core;
  thing_vy[core] = 4;
  phase_4 = 3;  // 56, 52, ...
  UpdatePlatform(p);
  EXPECT_EQ(thing_parent[core], -1);
  EXPECT_EQ(thing_vy[core], 4);
  phase_4 = 0;  // 59, 55, ...
  UpdatePlatform(p);
  EXPECT_EQ(thing_parent[core], other);
  EXPECT_EQ(thing_vy[core], 0);
  // The platform's bottom edge stands on the hull's top: 69 - 4 - 3, then back up to the core.
  EXPECT_FLOAT_EQ(thing_anchor_y[core], -4.0f - 12.0f - 3.0f);
  EXPECT_EQ(thing_parent[own], core);

  // Resting free, the mover patrols; the platform keeps the pause.
  thing_parent[core] = -1;
  thing_vy[core] = 0;
  thing_vx[core] = 0;
  thing_timer2[p] = 0;
  UpdatePlatform(p);
  EXPECT_EQ(thing_vx[core], -2);
  EXPECT_EQ(thing_timer2[p], 20);
}

TEST(Platform, TheWidePlatformSmokes) {
  ResetScenarioInGame();
  int p = MakeThing(THING_WIDE_PLATFORM, 60.0f, 50.0f);
  thing_hp[p] = 4;
  thing_param[p] = -1;  // smokes even switched off
  UpdatePlatform(p);
  EXPECT_EQ(CountProjectiles(PROJ_SMOKE), 1);
}

// ---- Structure parts and trees -----------------------------------------------------------------

TEST(PartVert2, SlidesAcrossItsParentEvery201Frames) {
  ResetScenarioInGame();
  int hull = MakeThing(THING_HULL, 60.0f, 50.0f);
  int post = CreateThing(THING_PART_VERT_2, hull, 0.0f, 0.0f);
  thing_param[post] = 1;
  for (int i = 0; i < 200; i++) UpdatePartVert2(post);
  EXPECT_EQ(thing_vx[post], 0);
  UpdatePartVert2(post);
  EXPECT_FLOAT_EQ(thing_anchor_x[post], 9.0f);
  EXPECT_EQ(thing_vx[post], -1);
  thing_anchor_x[post] = -9.0f;  // at the end: goes on
  UpdatePartVert2(post);
  EXPECT_EQ(thing_vx[post], -1);
  thing_anchor_x[post] = -9.25f;  // just past it: stops
  UpdatePartVert2(post);
  EXPECT_EQ(thing_vx[post], 0);
  thing_timer[post] = 200;
  UpdatePartVert2(post);
  EXPECT_FLOAT_EQ(thing_anchor_x[post], -9.0f);
  EXPECT_EQ(thing_vx[post], 1);

  thing_parent[post] = -1;  // free: nothing
  thing_timer[post] = 200;
  UpdatePartVert2(post);
  EXPECT_EQ(thing_timer[post], 200);
}

TEST(PartHorzX2, TurnsItsBobEvery31Frames) {
  ResetScenarioInGame();
  int bar = MakeThing(THING_PART_HORZ_X2, 60.0f, 50.0f);
  thing_param[bar] = 1;
  thing_vy[bar] = 4;
  std::vector<int> turns;
  for (int frame = 1; frame <= 80; frame++) {
    int before = thing_vy[bar];
    UpdatePartHorzX2(bar);
    if (thing_vy[bar] != before) turns.push_back(frame);
  }
  EXPECT_EQ(turns, (std::vector<int>{16, 47, 78}));
  thing_param[bar] = 0;
  thing_timer[bar] = 15;
  UpdatePartHorzX2(bar);
  EXPECT_EQ(thing_timer[bar], 15);
}

TEST(PartJoint, BobsAroundItsRestOffset) {
  ResetScenarioInGame();
  int hull = MakeThing(THING_HULL, 60.0f, 50.0f);
  int joint = CreateThing(THING_PART_JOINT, hull, 0.0f, 5.0f);
  thing_param[joint] = 1;
  thing_vy[joint] = 2;
  thing_anchor_y[joint] = 9.0f;
  UpdatePartJoint(joint);
  EXPECT_EQ(thing_vy[joint], 2);
  thing_anchor_y[joint] = 9.1f;
  UpdatePartJoint(joint);
  EXPECT_EQ(thing_vy[joint], -2);
  thing_anchor_y[joint] = 0.9f;
  UpdatePartJoint(joint);
  EXPECT_EQ(thing_vy[joint], 2);
}

TEST(PartJoint, SteppingPatterns) {
  struct Case {
    int param;
    std::vector<int> codes;  // thing_vy after steps 1, 2, 3, 4, 0
  } cases[] = {{2, {-2, 2, -2, 2, -2}}, {0, {-2, 2, 2, -2, 2}}, {3, {-2, 2, 2, -2, 2}}};
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int hull = MakeThing(THING_HULL, 60.0f, 50.0f);
    int joint = CreateThing(THING_PART_JOINT, hull, 0.0f, 0.0f);
    thing_param[joint] = c.param;
    std::vector<int> codes;
    for (int i = 0; i < 5; i++) {
      thing_timer[joint] = 0;
      UpdatePartJoint(joint);
      codes.push_back(thing_vy[joint]);
      EXPECT_EQ(thing_timer[joint], 100);
    }
    EXPECT_EQ(codes, c.codes) << c.param;
  }
}

TEST(PartJoint, StopsAtFourEitherSide) {
  ResetScenarioInGame();
  int hull = MakeThing(THING_HULL, 60.0f, 50.0f);
  int joint = CreateThing(THING_PART_JOINT, hull, 0.0f, 0.0f);
  thing_param[joint] = 2;
  thing_timer[joint] = 50;
  thing_vy[joint] = -2;
  thing_anchor_y[joint] = -3.9f;
  UpdatePartJoint(joint);
  EXPECT_EQ(thing_vy[joint], -2);
  thing_anchor_y[joint] = -4.2f;
  UpdatePartJoint(joint);
  EXPECT_EQ(thing_vy[joint], 0);
  // A step up at -4 already leaves it still; a step down moves it.
  thing_timer[joint] = 0;
  thing_timer2[joint] = 0;  // next step 1: up
  UpdatePartJoint(joint);
  EXPECT_EQ(thing_vy[joint], 0);
  thing_timer[joint] = 0;  // step 2: down
  UpdatePartJoint(joint);
  EXPECT_EQ(thing_vy[joint], 2);
  // Free: nothing.
  thing_parent[joint] = -1;
  thing_timer[joint] = 0;
  UpdatePartJoint(joint);
  EXPECT_EQ(thing_timer[joint], 0);
}

TEST(TreeSegment, LandsOnTheFloorLineAndBreaksUp) {
  struct Case {
    int type;
    float y;
    int parent_vy;  // 0: free and falling; 1: attached; 2: free, not falling
    bool lands;
    float rest_y;
  } cases[] = {
      {THING_TREE_TRUNK, 95.2f, 0, true, 95.0f},      {THING_TREE_TRUNK, 94.9f, 0, false, 0.0f},
      {THING_TREE_TOP, 85.0f, 0, true, 85.0f},        {THING_TREE_TOP_PLATFORM, 89.0f, 0, true, 89.0f},
      {THING_TREE_TRUNK, 96.0f, 1, false, 0.0f},      {THING_TREE_TRUNK, 96.0f, 2, false, 0.0f},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    scroll_speed = 3;
    int base = MakeThing(THING_HULL, 0.0f, 0.0f);
    int t = MakeThing(c.type, 60.0f, c.y);
    thing_vy[t] = c.parent_vy == 2 ? 0 : 4;
    if (c.parent_vy == 1) thing_parent[t] = base;
    UpdateTreeSegment(t);
    EXPECT_EQ(thing_fuse[t], c.lands ? 8 : 0) << c.type << " " << c.y;
    if (c.lands) {
      EXPECT_FLOAT_EQ(thing_anchor_y[t], c.rest_y);
      EXPECT_EQ(thing_vx[t], -3);
      EXPECT_EQ(thing_vy[t], 0);
    }
  }
}

// ---- Boss cores --------------------------------------------------------------------------------

TEST(Core, SteeringRules) {
  struct Case {
    const char* what;
    int type;
    float x, y;
    int vx, vy, timer, timer2, fire_timer, param;
    int vx_after, vy_after;
  } cases[] = {
      {"1: speeds up left of 90, climbs below 40", THING_CORE_1, 80, 30, -2, 1, 8, 0, 0, 0, -1, 2},
      {"1: above 50 at -2 already", THING_CORE_1, 95, 55, -2, -2, 8, 0, 0, 0, -2, -2},
      {"1: between counts", THING_CORE_1, 80, 30, -2, 1, 3, 0, 0, 0, -2, 1},
      {"2: at 2 already; pulled up above 50", THING_CORE_2, 60, 60, 2, 0, 0, 0, 0, 0, 2, -2},
      {"6: right of 90 turns; below 40 to 5", THING_CORE_6, 95, 30, 0, 3, 0, 0, 0, 0, -1, 5},
      {"3: left of 87; the dash ends at 30", THING_CORE_3, 80, 30, 0, 4, 0, 0, 31, 0, 1, 0},
      {"3: a new dash from the upper half", THING_CORE_3, 90, 40, 0, 0, 5, 0, -5, 0, 0, 4},
      {"3: a new dash from the lower half", THING_CORE_3, 90, 50, 0, 0, 5, 0, -5, 0, 0, -4},
      {"4: at the right turns back; halts at 50", THING_CORE_4, 132, 40, 0, 2, 51, 100, 0, 0, -1, 0},
      {"4: stops left of 125", THING_CORE_4, 124, 40, -1, 2, 20, 5, 0, 0, 0, 2},
      {"4: a new vertical swing", THING_CORE_4, 130, 60, 0, 0, 0, 5, 0, 0, 0, -2},
      {"5: still without its go", THING_CORE_5, 120, 30, 0, 0, 8, 0, 0, 0, 0, 0},
      {"5: moving in", THING_CORE_5, 120, 30, 0, 0, 8, 0, 0, 1, 1, 2},
      {"5: past 135", THING_CORE_5, 136, 55, 0, 0, 8, 0, 0, 1, -1, -2},
      {"7: at -2 already; at 3 already", THING_CORE_7, 95, 30, -2, 3, 0, 0, 5, 0, -2, 3},
      {"10: slows left of 130", THING_CORE_10, 120, 45, -2, 0, 8, 0, 0, 0, -1, 0},
      {"13: right of 120 turns; lower half rises", THING_CORE_13, 125, 60, 0, 0, 0, 0, 0, 0, -1, -2},
      {"13: at -2 already", THING_CORE_13, 125, 40, -2, 4, 0, 0, 0, 0, -2, 4},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int s = MakeThing(c.type, c.x, c.y);
    thing_vx[s] = c.vx;
    thing_vy[s] = c.vy;
    thing_timer[s] = c.timer;
    thing_timer2[s] = c.timer2;
    thing_fire_timer[s] = c.fire_timer;
    thing_param[s] = c.param;
    UpdateCore(s);
    EXPECT_EQ(thing_vx[s], c.vx_after) << c.what;
    EXPECT_EQ(thing_vy[s], c.vy_after) << c.what;
  }
}

TEST(Core, DrawnReloads) {
  struct Case {
    const char* what;
    int type;
    int* (*timer)(int slot);
    int base, spread;
  } cases[] = {
      {"2: vertical steps", THING_CORE_2, [](int s) { return &thing_timer2[s]; }, 10, 25},
      {"6: vertical steps", THING_CORE_6, [](int s) { return &thing_timer2[s]; }, 10, 25},
      {"7: vertical steps", THING_CORE_7, [](int s) { return &thing_timer2[s]; }, 10, 25},
      {"13: vertical steps", THING_CORE_13, [](int s) { return &thing_timer2[s]; }, 10, 10},
      {"4: vertical swings", THING_CORE_4, [](int s) { return &thing_timer[s]; }, 60, 20},
      {"3: dashes", THING_CORE_3, [](int s) { return &thing_fire_timer[s]; }, 40, 20},
  };
  for (const Case& c : cases) {
    ResetScenarioInGame();
    int s = MakeThing(c.type, 100.0f, 45.0f);
    thing_timer[s] = thing_timer2[s] = thing_fire_timer[s] = 5;  // every other timer mid-count
    *c.timer(s) = c.type == THING_CORE_3 ? -5 : 0;
    std::vector<int> draws = PeekDraws(1);
    std::uint32_t after = StateAfter(1);
    UpdateCore(s);
    EXPECT_EQ(*c.timer(s), c.base + draws[0] % c.spread) << c.what;
    EXPECT_EQ(random_state, after) << c.what;  // one draw, and only when it reloads
  }
}

TEST(Core, Core12MovesOnlyWithItsGoOnEighthFrames) {
  ResetScenarioInGame();
  int s = MakeThing(THING_CORE_12, 100.0f, 20.0f);  // above ceiling_y + 25
  thing_fire_timer[s] = 0;
  phase_8 = 0;
  UpdateCore(s);
  EXPECT_EQ(thing_vy[s], 0);
  EXPECT_EQ(thing_fire_timer[s], 0);  // no trigger either
  thing_param[s] = 1;
  UpdateCore(s);
  EXPECT_EQ(thing_vy[s], 1);
  EXPECT_EQ(thing_fire_timer[s], 130);
  thing_anchor_y[s] = 75.0f;
  phase_8 = 1;
  UpdateCore(s);
  EXPECT_EQ(thing_vy[s], 1);
  phase_8 = 0;
  UpdateCore(s);
  EXPECT_EQ(thing_vy[s], 0);
}

TEST(Core, Core0StopsExactlyAt100AndItsTriggerReadsZeroOnce) {
  ResetScenarioInGame();
  int s = MakeThing(THING_CORE_0, 90.0f, 44.0f);
  thing_fire_timer[s] = 1;
  thing_vx[s] = -4;
  UpdateCore(s);
  EXPECT_EQ(thing_vx[s], 1);  // exactly 90
  EXPECT_EQ(thing_fire_timer[s], 0);
  UpdateCore(s);
  EXPECT_EQ(thing_fire_timer[s], -1);
  UpdateCore(s);
  EXPECT_EQ(thing_fire_timer[s], -1);

  thing_x[s] = 100.0f;
  std::vector<int> draws = PeekDraws(1);
  UpdateCore(s);
  EXPECT_EQ(thing_vx[s], 0);
  EXPECT_EQ(thing_vy[s], draws[0] % 2 == 0 ? -1 : 1);
  thing_fire_timer[s] = 7;  // the trigger stands while it does not move sideways
  UpdateCore(s);
  EXPECT_EQ(thing_fire_timer[s], 7);

  // Its vertical rule: still inside 40..48 it stays; outside it turns in, then stops.
  thing_vy[s] = 0;
  thing_timer[s] = 8;
  thing_anchor_y[s] = 38.0f;
  UpdateCore(s);
  EXPECT_EQ(thing_vy[s], 1);
  thing_timer[s] = 8;
  UpdateCore(s);
  EXPECT_EQ(thing_vy[s], 0);
}

TEST(Core, Core7TriggersOnceIn121Frames) {
  ResetScenarioInGame();
  int s = MakeThing(THING_CORE_7, 100.0f, 45.0f);
  thing_fire_timer[s] = 0;
  std::vector<int> zeros;
  for (int frame = 0; frame < 300; frame++) {
    UpdateCore(s);
    if (thing_fire_timer[s] == 0) zeros.push_back(frame);
  }
  EXPECT_EQ(zeros, (std::vector<int>{120, 241}));
}

TEST(Core, WidthRefreshedOnItsPhaseFrame) {
  ResetScenarioInGame();
  int s = MakeThing(THING_CORE_0, 100.0f, 45.0f);
  int fixed = MakeThing(THING_CORE_11, 100.0f, 30.0f);
  thing_hp[s] = thing_hp[fixed] = 40;
  phase_59 = s - 1;
  UpdateCore(s);
  EXPECT_EQ(thing_box_x0[s], -19);  // as made, from 55 hit points
  phase_59 = s;
  UpdateCore(s);
  EXPECT_EQ(thing_box_x0[s], -16);
  phase_59 = fixed;
  int before = thing_box_x0[fixed];
  UpdateCore(fixed);
  EXPECT_EQ(thing_box_x0[fixed], before);
}

TEST(Core, Core15SteersOnlyWhenFree) {
  ResetScenarioInGame();
  int s = MakeThing(THING_CORE_15, 100.0f, 45.0f);
  thing_vx[s] = -1;
  thing_hp[s] = 30;
  phase_59 = s;
  UpdateCore(s);
  EXPECT_EQ(thing_vx[s], 1);
  EXPECT_EQ(thing_box_x0[s], -13);
  thing_x[s] = 125.0f;
  thing_vx[s] = 3;
  UpdateCore(s);
  EXPECT_EQ(thing_vx[s], -1);
  phase_59 = s - 1;
  thing_vx[s] = 3;
  UpdateCore(s);
  EXPECT_EQ(thing_vx[s], 3);

  int hull = MakeThing(THING_HULL, 0.0f, 0.0f);
  thing_parent[s] = hull;
  thing_hp[s] = 16;
  phase_59 = s;
  UpdateCore(s);
  EXPECT_EQ(thing_vx[s], 3);
  EXPECT_EQ(thing_box_x0[s], -13);
}

TEST(Core, Core11LaunchesAndThrowsItsBars) {
  ResetScenarioInGame();
  int s = MakeThing(THING_CORE_11, 100.0f, 40.0f);
  ASSERT_EQ(thing_param[s], -1);
  thing_fire_timer[s] = 0;
  UpdateCore(s);
  int bar = thing_param[s];
  ASSERT_GE(bar, 0);
  EXPECT_EQ(thing_type[bar], THING_PART_HORZ_X2);
  EXPECT_FLOAT_EQ(thing_x[bar], 90.0f);
  EXPECT_FLOAT_EQ(thing_y[bar], 46.0f);
  EXPECT_EQ(thing_vx[bar], 0);
  EXPECT_EQ(thing_vy[bar], 4);
  EXPECT_EQ(thing_fire_timer[s], 400);
  for (int i = 0; i < 4; i++) UpdateCore(s);
  EXPECT_EQ(thing_param[s], bar);
  UpdateCore(s);  // 5 frames after the launch
  EXPECT_EQ(thing_param[s], -1);
  EXPECT_EQ(thing_vx[bar], -4);
  EXPECT_EQ(thing_vy[bar], 0);

  // From the lower half the bar goes up; at exactly 50 none goes.
  thing_anchor_y[s] = thing_y[s] = 60.0f;
  thing_fire_timer[s] = 0;
  UpdateCore(s);
  ASSERT_GE(thing_param[s], 0);
  EXPECT_FLOAT_EQ(thing_y[thing_param[s]], 54.0f);
  EXPECT_EQ(thing_vy[thing_param[s]], -4);
  thing_param[s] = -1;
  thing_y[s] = 50.0f;
  thing_fire_timer[s] = 0;
  int things = thing_count;
  UpdateCore(s);
  EXPECT_EQ(thing_param[s], -1);
  EXPECT_EQ(thing_count, things);
}

TEST(Core, Core11HoldsOnlyABarInTheTable) {
  ResetScenarioInGame();
  int s = MakeThing(THING_CORE_11, 100.0f, 40.0f);
  thing_param[s] = 75;  // no slot: no bar held, so it launches one
  thing_fire_timer[s] = 0;
  UpdateCore(s);
  EXPECT_GE(thing_param[s], 0);
  EXPECT_LT(thing_param[s], MAX_THINGS);

  // A full table: no bar, and it tries again at the next trigger.
  ResetScenarioInGame();
  for (int i = 0; i < MAX_THINGS - 1; i++) PlaceThing(i, THING_HULL, 0.0f, 0.0f);
  s = MakeThing(THING_CORE_11, 100.0f, 40.0f);
  thing_fire_timer[s] = 0;
  UpdateCore(s);
  EXPECT_EQ(thing_param[s], -1);
  EXPECT_EQ(ConsoleLines().back(), "Things Expired");
  // The release test five frames on reads no slot.
  thing_param[s] = MAX_THINGS + 3;
  thing_fire_timer[s] = 396;
  UpdateCore(s);
  EXPECT_EQ(thing_param[s], MAX_THINGS + 3);
}

TEST(Core, Core11StopsWhenItsTimerRunsOut) {
  ResetScenarioInGame();
  int s = MakeThing(THING_CORE_11, 100.0f, 40.0f);
  thing_vx[s] = -3;
  thing_timer[s] = 1;
  UpdateCore(s);
  EXPECT_EQ(thing_vx[s], -3);
  UpdateCore(s);
  EXPECT_EQ(thing_vx[s], 0);
  thing_vx[s] = -3;
  UpdateCore(s);
  EXPECT_EQ(thing_vx[s], 0);
}

// ---- Pickups -----------------------------------------------------------------------------------

TEST(Pickup, SlowsTurnsAndDriftsLeft) {
  ResetScenarioInGame();
  int pow = MakeThing(THING_POW_FORWARD, 60.0f, 50.0f);
  ASSERT_EQ(thing_vx[pow], 4);
  std::vector<int> codes;
  for (int frame = 0; frame < 80; frame++) {
    phase_8 = frame % 8;
    UpdatePickup(pow);
    if (phase_8 == 0) codes.push_back(thing_vx[pow]);
  }
  EXPECT_EQ(codes, (std::vector<int>{3, 2, 1, 0, -1, -2, -3, -4, -4, -4}));
}

TEST(Pickup, TheMissilePickupCyclesItsKinds) {
  ResetScenarioInGame();
  missile_kind = PROJ_DRUM;
  int pow = MakeThing(THING_POW_MISSILE, 60.0f, 50.0f);
  ASSERT_EQ(thing_param[pow], PROJ_DRUM);
  ASSERT_EQ(thing_fire_interval[pow], 25);
  std::vector<int> kinds;
  for (int frame = 0; frame < 26 * 4; frame++) {
    int before = thing_param[pow];
    UpdatePickup(pow);
    if (thing_param[pow] != before) kinds.push_back(thing_param[pow]);
  }
  EXPECT_EQ(kinds, (std::vector<int>{PROJ_CROW, PROJ_BOMB, PROJ_HAWK, PROJ_DRUM}));

  // The forward pickup keeps its param.
  int forward = MakeThing(THING_POW_FORWARD, 60.0f, 50.0f);
  thing_param[forward] = 13;
  UpdatePickup(forward);
  EXPECT_EQ(thing_param[forward], 13);
}

// ---- Explosions --------------------------------------------------------------------------------

TEST(Explosion, DrawnTwoFramesThenFreed) {
  ResetScenarioInGame();
  scroll_speed = 3;
  int hull = MakeThing(THING_HULL, 60.0f, 50.0f);
  thing_hp[hull] = 1;
  DestroyThing(hull);
  ASSERT_EQ(thing_type[hull], THING_EXPLOSION);
  int things = thing_count;
  UpdateExplosion(hull);
  EXPECT_EQ(thing_timer[hull], 1);
  EXPECT_FLOAT_EQ(thing_anchor_x[hull], 57.0f);  // the scroll code itself, in units
  UpdateExplosion(hull);
  EXPECT_EQ(thing_timer[hull], 0);
  EXPECT_FLOAT_EQ(thing_anchor_x[hull], 54.0f);
  EXPECT_EQ(thing_type[hull], THING_EXPLOSION);
  UpdateExplosion(hull);
  EXPECT_EQ(thing_type[hull], 0);
  EXPECT_EQ(thing_count, things - 1);
  EXPECT_EQ(game_state, STATE_PLAYING);
}

class ShipEnd : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    ResetScenario();
  }
  // A game of the mode on the stage whose ship has just exploded.
  static int Exploded(int mode, int stage) {
    StartGame(mode == MODE_DEV ? MODE_CAST : mode);
    game_mode = mode;
    current_stage = stage;
    int ship = PlayerSlot();
    thing_hp[ship] = 0;
    DestroyThing(ship);
    return ship;
  }
  static void RunOut(int ship) {
    for (int i = 0; i < 3; i++) UpdateExplosion(ship);
  }
};

TEST_F(ShipEnd, EveryModeGoesToTheFinalResults) {
  for (int mode : {MODE_CAST, MODE_SURVIVAL, MODE_RANDOM, MODE_BOSS_BATTLE, MODE_DEV}) {
    ResetScenario();
    int ship = Exploded(mode, mode == MODE_BOSS_BATTLE ? 17 : 5);
    thing_timer[0] = 3;
    UpdateExplosion(ship);
    UpdateExplosion(ship);
    EXPECT_EQ(game_state, STATE_PLAYING) << mode;
    ResetFakeEngine();
    UpdateExplosion(ship);
    EXPECT_EQ(game_state, STATE_FINAL_RESULTS) << mode;
    EXPECT_EQ(menu_cursor, 0) << mode;
    EXPECT_EQ(thing_timer[0], 20) << mode;  // the continue countdown
    EXPECT_EQ(input_lock, 12) << mode;
    EXPECT_EQ(thing_type[ship], THING_EXPLOSION) << mode;  // it stays
    EXPECT_EQ(PlayerSlot(), ship) << mode;
    EXPECT_EQ(thing_hp[ship], mode == MODE_CAST ? 5 : 0) << mode;
  }
}

TEST_F(ShipEnd, CastModeNodes) {
  for (int node = 0; node < CAST_NODE_COUNT; node++) {
    ResetScenario();
    int ship = Exploded(MODE_CAST, node);
    RunOut(ship);
    bool ends = node == 0 || node == 2 || node == 3 || node == 4 || node == 8 || node == 13 || node == 16;
    EXPECT_EQ(game_state, STATE_FINAL_RESULTS) << node;
    EXPECT_EQ(thing_hp[ship], ends ? 0 : 5) << node;
    EXPECT_EQ(PlayerAlive(), !ends) << node;
  }
}

TEST_F(ShipEnd, LostInTheLastFramesOfAnEndingIsALoss) {
  Exploded(MODE_CAST, 13);
  int ship = PlayerSlot();
  EndStage();  // the stage's last tick comes while the ship explodes
  EXPECT_EQ(game_state, STATE_PLAYING);
  EXPECT_EQ(current_stage, 13);
  RunOut(ship);
  ASSERT_EQ(game_state, STATE_FINAL_RESULTS);
  EndStage();  // the world tick of the same frame still finds the explosion
  EXPECT_EQ(game_state, STATE_FINAL_RESULTS);
  EXPECT_EQ(menu_cursor, 0);

  ContinueGame();  // node 13 leads nowhere on a loss
  EXPECT_EQ(menu_cursor, 1);
  EndGame();
  EXPECT_NE(game_state, STATE_FEATURE_UNLOCKED);
  EXPECT_EQ(mode_unlocked[MODE_RANDOM], 0);
}

TEST_F(ShipEnd, AContinueAfterTheLoss) {
  Exploded(MODE_CAST, 5);
  RunOut(PlayerSlot());
  missile_ammo = 5;
  ContinueGame();
  EXPECT_EQ(game_state, STATE_PLAYING);
  EXPECT_EQ(current_stage, 1);
  EXPECT_EQ(missile_ammo, 2);
  ASSERT_GE(PlayerSlot(), 0);
  EXPECT_EQ(thing_type[PlayerSlot()], THING_PLAYER);
  EXPECT_EQ(thing_hp[PlayerSlot()], 5);
}

}  // namespace

namespace {

// ---- Whole frames ------------------------------------------------------------------------------

// A game of the mode on stage 0 at its last tick (its carrier gone), so that the world tick of
// the next frame ends the stage; the ship has one life left.
int AtTheLastTickOfStage0(int mode) {
  StartGame(mode);
  current_stage = 0;
  stage_tick = 600;
  script_handle = -1;
  int ship = PlayerSlot();
  thing_hp[ship] = 1;
  return ship;
}

TEST_F(ShipEnd, ShotDownOnTheLastFrameOfAStageIsALoss) {
  for (int mode : {MODE_CAST, MODE_SURVIVAL, MODE_RANDOM}) {
    ResetScenario();
    int ship = AtTheLastTickOfStage0(mode);
    PlaceProjectile(0, PROJ_ROUND, -1, thing_x[ship], thing_y[ship]);
    EXPECT_EQ(RunWhilePlaying(10), 3) << mode;  // destroyed, then two frames of explosion
    EXPECT_EQ(game_state, STATE_FINAL_RESULTS) << mode;
    EXPECT_EQ(menu_cursor, 0) << mode;  // the continue phase, not the results of a pass
    EXPECT_EQ(current_stage, 0) << mode;
    EXPECT_EQ(score, 0) << mode;
    EXPECT_FALSE(PlayerAlive()) << mode;
  }
  // Untouched, the same frame passes the stage.
  ResetScenario();
  AtTheLastTickOfStage0(MODE_CAST);
  RunGameFrame();
  EXPECT_EQ(game_state, STATE_PLAYING);
  EXPECT_EQ(current_stage, 2);
  EXPECT_EQ(score, 25);
}

TEST(Platform, RisesFrameByFrameAndStartsPatrolling) {
  ResetScenarioInGame();
  ceiling_x1 = 1000.0f;
  int p = MakeThing(THING_CEILING_PLATFORM, 60.0f, 10.0f);
  thing_vx[p] = 0;
  int frames = 0;
  while (thing_vy[p] != 0 && frames < 20) {
    RunGameFrame();
    frames++;
  }
  EXPECT_EQ(frames, 5);  // from y 10 at 1 unit a frame, resting once at 5.0
  RunGameFrame();
  EXPECT_FLOAT_EQ(thing_y[p], 8.0f);
  EXPECT_EQ(thing_vx[p], 2);
  EXPECT_EQ(thing_vy[p], 0);
  EXPECT_EQ(thing_parent[p], -1);
}

TEST(Explosion, MadeByAHitItIsDrawnOnTwoFramesAndFreedInTheThird) {
  ResetScenarioInGame();
  int hull = MakeThing(THING_FIGHTER, 60.0f, 50.0f);
  thing_vx[hull] = 0;
  PlaceProjectile(0, PROJ_SHOT_1, -1, 60.0f, 50.0f);
  MakeShip(10.0f, 90.0f);
  projectile_owner[0] = player_thing;
  std::vector<int> types;
  for (int i = 0; i < 3; i++) {
    RunGameFrame();
    types.push_back(thing_type[hull]);
  }
  EXPECT_EQ(types, (std::vector<int>{THING_EXPLOSION, THING_EXPLOSION, 0}));
}

}  // namespace
