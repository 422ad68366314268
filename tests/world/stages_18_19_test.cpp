#include <gtest/gtest.h>

#include <vector>

#include "draws.h"
#include "fake_engine.h"
#include "stage_fixture.h"
#include "world/compounds.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_helpers.h"
#include "world/things.h"

namespace {

// ---- Stage 18 ------------------------------------------------------------------------------------

TEST(Stage18, TickZeroSetsAClearDayOverAForest) {
  BeginStage(18);
  RunTick(0);
  EXPECT_EQ(backdrop_mesh, &mesh_sky_clear_01);
  EXPECT_EQ(key_light_target.r, 0.6f);
  EXPECT_EQ(fill_light_target.g, 0.4f);
  EXPECT_EQ(sky_color_target.b, 0.8f);
  EXPECT_EQ(horizon_color_target.g, 0.6f);
  EXPECT_EQ(fog_end_target, 400.0f);
  EXPECT_EQ(stars_color_target.r, 0.0f);
  EXPECT_EQ(scroll_speed, 4);
  EXPECT_EQ(floor_x0, -140.0f);
  EXPECT_EQ(floor_x1, 365.0f);
  EXPECT_EQ(world_shift_target, 0);
}

TEST(Stage18, TreesOneFrameIn32AtAnyTick) {
  for (int tick : {0, 7, 125, 4000}) {
    BeginStage(18);
    phase_32 = 0;
    const int draw = PeekDraws(1)[0];
    RunTick(tick);
    const int s = static_last;
    ASSERT_EQ(static_type[s], STATIC_TREE) << tick;
    EXPECT_EQ(static_x[s], 280.0f);
    EXPECT_EQ(static_y[s], 145.0f);
    EXPECT_EQ(static_z[s], static_cast<float>(10 + draw % 300)) << tick;
  }
}

TEST(Stage18, ACarrierAndATrunkAtRandomPlaces) {
  BeginStage(18);
  int draw = PeekDraws(1)[0];
  RunTick(10);
  ASSERT_TRUE(RegisterIs(58, THING_CARRIER));
  EXPECT_EQ(thing_x[58], 165.0f);
  EXPECT_EQ(thing_y[58], static_cast<float>(20 + draw % 55));

  BeginStage(18);
  world_shift = 20;
  draw = PeekDraws(1)[0];
  RunTick(50);
  ASSERT_EQ(thing_type[58], THING_TREE_TRUNK);
  EXPECT_EQ(thing_x[58], static_cast<float>(165 + draw % 50));
  EXPECT_EQ(thing_y[58], 115.0f);
}

TEST(Stage18, LoopsEvery125TicksWithoutItsEnvironment) {
  BeginStage(18);
  RunTick(0);
  stage_tick = 1;
  floor_x1 = 200;  // the barrier scrolled on; a new round does not lay it again
  for (int round = 1; round <= 3; round++) {
    for (int frame = 0; frame < 125; frame++) EXPECT_EQ(RunScriptFrame(), 0);
    EXPECT_EQ(stage_tick, 1) << round;
    EXPECT_EQ(CountThings(THING_CARRIER), round);
    EXPECT_EQ(CountThings(THING_TREE_TRUNK), round);
  }
  EXPECT_EQ(floor_x1, 200.0f);
}

TEST(StageScenario, Stage18RunsForEver) {
  PlayStage(18);
  for (int frame = 0; frame < 3000; frame++) {
    RunGameFrame();
    ASSERT_TRUE(Playing()) << frame;
    ASSERT_GE(stage_tick, 1);
    ASSERT_LE(stage_tick, 125);
  }
  EXPECT_FALSE(ATableRanFull());
}

// ---- Stage 19, the title scene ---------------------------------------------------------------------

// The title scene as the menus start it.
void BeginTitle() {
  ResetScenario();
  ResetGame();
  ResetStage();
  ResetFakeEngine();
}

std::vector<EngineCall> CallsOf(EngineCallKind kind) {
  std::vector<EngineCall> calls;
  for (const EngineCall& c : engine_calls) {
    if (c.kind == kind) calls.push_back(c);
  }
  return calls;
}

// The one camera call of the frame just run.
EngineCall FrameCamera() {
  std::vector<EngineCall> calls;
  for (const EngineCall& c : engine_calls) {
    if (c.kind == CALL_CAMERA_LOOK || c.kind == CALL_CAMERA_ORBIT) calls.push_back(c);
  }
  EXPECT_EQ(calls.size(), 1u);
  return calls.empty() ? EngineCall{} : calls.back();
}

// Runs the title's script frames up to and including `tick`; the camera call of that frame is
// the one left in the record.
EngineCall CameraAt(int tick) {
  while (stage_tick < tick) {
    RunScriptFrame();
  }
  ResetFakeEngine();
  RunScriptFrame();
  return FrameCamera();
}

void ExpectCall(const EngineCall& call, EngineCallKind kind, std::vector<float> values) {
  EXPECT_EQ(call.kind, kind);
  for (std::size_t i = 0; i < values.size(); i++) EXPECT_NEAR(call.f[i], values[i], 0.01f) << i;
}

TEST(Stage19, TickZeroBuildsTheSceneWithItsColoursSetAtOnce) {
  BeginTitle();
  ASSERT_EQ(current_stage, 19);
  key_light_color = {0.8f, 0.8f, 0.8f};
  sky_color = {0.5f, 0.5f, 0.5f};
  RunTick(0);
  EXPECT_EQ(backdrop_mesh, nullptr);
  EXPECT_EQ(scroll_speed, 0);
  EXPECT_EQ(key_light_color.r, 0.1f);
  EXPECT_EQ(key_light_target.r, 0.3f);
  EXPECT_EQ(fill_light_color.r, 0.0f);
  EXPECT_EQ(fill_light_target.r, 0.1f);
  EXPECT_EQ(sky_color.r, 0.0f);
  EXPECT_EQ(sky_color_target.g, 0.0f);
  EXPECT_EQ(horizon_color.b, 0.0f);
  EXPECT_EQ(stars_color.r, 1.0f);
  EXPECT_EQ(stars_color_target.b, 1.0f);
  EXPECT_EQ(fog_end, 300.0f);
  EXPECT_EQ(fog_end_target, 300.0f);

  const std::vector<EngineCall> lights = CallsOf(CALL_LIGHT);
  ASSERT_EQ(lights.size(), 2u);
  EXPECT_EQ(lights[0].i, LIGHT_KEY);
  ExpectCall(lights[0], CALL_LIGHT, {0.1f, 0.1f, 0.1f});
  EXPECT_EQ(lights[1].i, LIGHT_FILL);
  ExpectCall(lights[1], CALL_LIGHT, {0.0f, 0.0f, 0.0f});
  ASSERT_EQ(CountCalls(CALL_FOG_COLOR), 1);
  EXPECT_EQ(static_cast<unsigned int>(CallsOf(CALL_FOG_COLOR)[0].i), 0xFF000000u);
  ASSERT_EQ(CountCalls(CALL_FOG_END), 1);
  EXPECT_EQ(CallsOf(CALL_FOG_END)[0].f[0], 300.0f);

  EXPECT_EQ(script_var_3, 0);
  EXPECT_EQ(ark_radius, 35.0f);
  EXPECT_EQ(title_lift_angle, 10.0f);
  EXPECT_FLOAT_EQ(title_ring_spin_rate, 0.2f - 0.0002f);  // the frame's own step has run
  EXPECT_EQ(title_sling_x, -3.0f);
  EXPECT_FLOAT_EQ(title_outer_ring_spin, 0.2f);
}

TEST(Stage19, ElevenStaticsMakeTheArk) {
  BeginTitle();
  RunTick(0);
  ASSERT_EQ(static_count, 11);
  EXPECT_EQ(static_type[99], STATIC_ARK_BASE);
  EXPECT_EQ(static_x[99], 14.0f);
  const float xs[5] = {14, 58, 102, 146, 190};
  for (int row = 0; row < 5; row++) {
    const int pad = 98 - 2 * row, hull = pad - 1;
    EXPECT_EQ(static_type[pad], STATIC_ARK_RING_PAD) << row;
    EXPECT_EQ(static_type[hull], STATIC_ARK_RING_HULL) << row;
    for (int s : {pad, hull}) {
      EXPECT_EQ(static_x[s], xs[row]);
      EXPECT_EQ(static_y[s], 50.0f);
      EXPECT_EQ(static_z[s], 0.0f);
    }
    EXPECT_FLOAT_EQ(static_spin_x[hull], 0.2f);
    if (row != 1) {
      EXPECT_FLOAT_EQ(static_spin_x[pad], 0.2f) << row;
    }
  }
  EXPECT_EQ(script_handle, 96);  // the middle pad
  EXPECT_EQ(script_var_2, 89);   // the last hull set up
}

TEST(Stage19, TheMiddlePadSlowsAndStopsUprightAt550) {
  BeginTitle();
  RunScriptFrame();
  float rate = 0.0f;
  while (stage_tick < 550) {
    rate = title_ring_spin_rate;
    RunScriptFrame();
    EXPECT_FLOAT_EQ(static_spin_x[script_handle], rate);
    EXPECT_FLOAT_EQ(static_spin_x[script_handle - 1], 0.2f);  // its hull keeps turning
  }
  EXPECT_NEAR(title_ring_spin_rate, 0.09f, 0.001f);
  static_rx[script_handle] = 33.0f;
  RunScriptFrame();
  EXPECT_EQ(static_rx[script_handle], 0.0f);
  EXPECT_EQ(static_spin_x[script_handle], 0.0f);
  EXPECT_EQ(title_ring_spin, 90.0f);
  const float left = title_ring_spin_rate;
  RunScriptFrame();
  EXPECT_EQ(title_ring_spin_rate, left);
  EXPECT_EQ(title_ring_spin, 90.0f);
}

TEST(Stage19, TheCameraByPhase) {
  BeginTitle();
  ExpectCall(CameraAt(0), CALL_CAMERA_LOOK, {110, 79, -10, 55, 60, 0});
  ExpectCall(CameraAt(549), CALL_CAMERA_LOOK, {55.1f, 79, -10, 55, 81.96f, 0});
  ExpectCall(CameraAt(550), CALL_CAMERA_ORBIT, {70, 0, 15, 55, 76, 0});
  ExpectCall(CameraAt(1000), CALL_CAMERA_ORBIT, {295, 0, 15, 55, 76, 0});
  ExpectCall(CameraAt(1001), CALL_CAMERA_ORBIT, {297, 0, 15, 55, 76, 0});
  ExpectCall(CameraAt(1099), CALL_CAMERA_ORBIT, {493, 0, 15, 55, 76, 0});
  ExpectCall(CameraAt(1100), CALL_CAMERA_LOOK, {170, -46, 100, -30, 54, 0});
  ExpectCall(CameraAt(1150), CALL_CAMERA_LOOK, {120, 4, 0, 20, 54, 0});
  ExpectCall(CameraAt(1200), CALL_CAMERA_LOOK, {70, 54, -100, 70, 54, 0});
  ExpectCall(CameraAt(5000), CALL_CAMERA_LOOK, {70, 54, -100, 70, 54, 0});
}

TEST(Stage19, TheRingsOpenSwingAndSlideAway) {
  BeginTitle();
  RunUntilTick(550);
  EXPECT_EQ(ark_radius, 35.0f);
  RunUntilTick(750);
  EXPECT_NEAR(ark_radius, 29.0f, 0.001f);
  EXPECT_NEAR(title_lift_angle, 40.0f, 0.001f);
  EXPECT_EQ(title_sling_x, -3.0f);
  RunUntilTick(890);
  EXPECT_NEAR(title_sling_x, 11.0f, 0.001f);
  EXPECT_NEAR(ark_radius, 29.0f, 0.001f);
  RunUntilTick(1001);
  EXPECT_EQ(script_var_3, 0);
  RunScriptFrame();
  EXPECT_EQ(script_var_3, -3);
  RunUntilTick(1100);
  EXPECT_EQ(script_var_3, -3 * 99);
  EXPECT_NEAR(title_outer_ring_spin, 0.2f * 1100, 0.05f);
  // Out of sight once the camera has settled, the rows stop.
  RunUntilTick(1200);
  EXPECT_EQ(script_var_3, -3 * 199);
  RunScriptFrame();
  EXPECT_EQ(script_var_3, -600);
  RunScriptFrame();
  EXPECT_EQ(script_var_3, -600);
}

TEST(Stage19, TheGroundStartsAndTheShipLeaves) {
  BeginTitle();
  RunUntilTick(1000);
  EXPECT_EQ(scroll_speed, 0);
  RunScriptFrame();
  EXPECT_EQ(scroll_speed, 6);
  EXPECT_EQ(key_light_target.r, 0.8f);
  EXPECT_EQ(fill_light_target.r, 0.0f);
  RunUntilTick(1100);
  EXPECT_EQ(thing_count, 0);
  RunScriptFrame();
  ASSERT_EQ(CountThings(THING_PLAYER), 1);
  EXPECT_EQ(thing_x[58], 10.0f);
  EXPECT_EQ(thing_y[58], 50.0f);
  EXPECT_EQ(player_thing, -2);  // not the player's ship of a game
  EXPECT_EQ(script_var_6, 99);
  RunUntilTick(1300);
  EXPECT_EQ(script_var_6, 0);
}

TEST(Stage19, DebrisFromTick801) {
  BeginTitle();
  phase_16 = 15;  // 0 on the next frame
  stage_tick = 784;
  RunUntilTick(801);
  EXPECT_EQ(CountProjectiles(PROJ_DEBRIS), 0);
  phase_16 = 15;
  RunUntilTick(817);
  EXPECT_EQ(CountProjectiles(PROJ_DEBRIS), 1);
}

TEST(Stage19, IdlesOnTicks7001To8000ForEver) {
  BeginTitle();
  RunUntilTick(8000);
  const int things = thing_count, statics = static_count;
  for (int frame = 0; frame < 3000; frame++) {
    EXPECT_EQ(RunScriptFrame(), 0);
    ASSERT_GE(stage_tick, 7001);
    ASSERT_LE(stage_tick, 8000);
  }
  EXPECT_EQ(thing_count, things);
  EXPECT_EQ(static_count, statics);
}

TEST(Stage19, AFullStaticTableLeavesTheMiddlePadUnset) {
  BeginTitle();
  for (int i = 0; i < MAX_STATICS; i++) static_type[i] = STATIC_TREE;
  static_count = MAX_STATICS;
  RunScriptFrame();
  EXPECT_EQ(script_handle, -1);
  EXPECT_EQ(script_var_2, -1);
  RunUntilTick(560);
  for (int i = 0; i < MAX_STATICS; i++) EXPECT_EQ(static_spin_x[i], 0.0f) << i;
}

TEST(StageScenario, TheTitleSceneBehindTheMenus) {
  ResetScenario();
  ResetGame();
  ResetStage();
  SetGameState(STATE_MAIN_MENU);
  ASSERT_EQ(current_stage, 19);
  for (int frame = 0; frame < 9000; frame++) {
    ResetFakeEngine();
    RunIdleFrame();
    ASSERT_EQ(CountCalls(CALL_CAMERA_LOOK) + CountCalls(CALL_CAMERA_ORBIT), 1) << frame;
  }
  EXPECT_GE(stage_tick, 7001);
  EXPECT_LE(stage_tick, 8000);
  EXPECT_EQ(static_count, 11);  // the rings are never removed behind the menus
  EXPECT_EQ(script_var_3, -600);  // stopped once out of sight, however long the menus stay
  EXPECT_FALSE(ATableRanFull());
}

}  // namespace
