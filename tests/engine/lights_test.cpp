// Drawing a model, the lights and the views, on the recording device.
#include "engine/lights.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/render.h"
#include "engine_state.h"
#include "support/temp_dir.h"
#include "support/test_device.h"
#include "world/game.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

class DrawingTest : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    ResetEngineState();
    test_device.Open(GFX_BACKEND_RECORD);
    device = test_device.device;
    GfxClearCalls();
  }
  void TearDown() override {
    ReleaseMesh(&model);
    ReleaseMesh(&mesh_default);
    test_device.Close();
    device = nullptr;
    ResetEngineState();
    WorkingDirTest::TearDown();
  }
  // A loaded slot of two subsets, from a file in res/ seen from bin/.
  void LoadTwoSubsets(MeshSlot* slot, int depth_test) {
    std::filesystem::create_directories(dir / "res");
    std::filesystem::create_directories(dir / "bin");
    std::ofstream(dir / "res" / "two.x") << "xof 0302txt 0032\nMesh { 4; 0;0;0;, 0;1;0;, 1;0;0;, 1;1;0;; 2; 3;0,1,2;, "
                                            "3;1,3,2;; MeshMaterialList { 2; 2; 0, 1; Material { 1;0;0;1;; 0; 0;0;0;; "
                                            "0;0;0;; } Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } } }\n";
    std::filesystem::current_path(dir / "bin");
    LoadMesh(slot, depth_test, "two.x");
    std::filesystem::current_path(dir);
    ASSERT_EQ(slot->material_count, 2);
  }
  std::vector<GfxCall> Calls(GfxOp op) {
    std::vector<GfxCall> calls;
    for (int i = 0; i < GfxCallCount(); i++)
      if (GfxCallAt(i)->op == op) calls.push_back(*GfxCallAt(i));
    return calls;
  }
  static std::vector<std::string> Logged() {
    std::ifstream in("console.log");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
    return lines;
  }
  TestDevice test_device;
  MeshSlot model;
};

// The sequence of state changes and draws, as short words.
std::string Trace() {
  std::string out;
  for (int i = 0; i < GfxCallCount(); i++) {
    const GfxCall* c = GfxCallAt(i);
    if (c->op == GFX_OP_SET_RENDER_STATE && c->a == D3DRS_ZENABLE) out += c->b ? "Z+ " : "Z- ";
    if (c->op == GFX_OP_DRAW_MESH) out += "draw ";
    if (c->op == GFX_OP_SET_MATERIAL) out += "mat ";
  }
  return out;
}

TEST_F(DrawingTest, DepthTestOffForItsSlotThenOnAndTheDefaultModelForAnUnloadedOne) {
  LoadTwoSubsets(&model, 0);
  BeginScene(device);
  SetRenderState(device, D3DRS_ZENABLE, D3DZB_FALSE);
  GfxClearCalls();
  DrawMesh(&model, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(Trace(), "Z- mat draw mat draw Z+ ");
  // Unloaded: mesh_default in its place, the depth test left alone whatever either slot says.
  MeshSlot unloaded;
  unloaded.depth_test = 0;
  LoadTwoSubsets(&mesh_default, 0);
  GfxClearCalls();
  DrawMesh(&unloaded, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(Trace(), "mat draw mat draw ");
  ReleaseMesh(&mesh_default);
  GfxClearCalls();
  DrawMesh(&unloaded, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(Trace(), "");
  EndScene(device);
}

TEST_F(DrawingTest, TheWorldMatrixTurnsThenOffsetsThenTurnsAboutThePositionThenPlaces) {
  LoadTwoSubsets(&model, 1);
  GfxClearCalls();
  // Yaw 90 turns +x toward -z; the offset (1, 0, 0) then roll 90 about the position moves it to +y.
  DrawMesh(&model, 10, 20, 5, 90, 0, 0, 1, 0, 0, 0, 0, 90);
  std::vector<GfxCall> set = Calls(GFX_OP_SET_TRANSFORM);
  ASSERT_FALSE(set.empty());
  const D3DMATRIX& m = set[0].matrix;
  auto apply = [&](float x, float y, float z) {
    return D3DXVECTOR3{x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0],
                       x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1],
                       x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2]};
  };
  D3DXVECTOR3 origin = apply(0, 0, 0);
  EXPECT_NEAR(origin.x, 10, 1e-4);
  EXPECT_NEAR(origin.y, -19, 1e-4);  // playfield y 20 is device -20; the offset ends up one unit up
  EXPECT_NEAR(origin.z, 5, 1e-4);
  D3DXVECTOR3 ahead = apply(1, 0, 0);  // yaw 90: +x becomes -z
  EXPECT_NEAR(ahead.z - origin.z, -1, 1e-4);
}

TEST_F(DrawingTest, LightColoursAmbientPackingAndInvalidIds) {
  InitLights();
  GfxClearCalls();
  SetLightColor(LIGHT_AMBIENT, 0.25f, 0.25f, 0.25f);
  std::vector<GfxCall> states = Calls(GFX_OP_SET_RENDER_STATE);
  ASSERT_EQ(states.size(), 1u);
  EXPECT_EQ(states[0].a, DWORD(D3DRS_AMBIENT));
  EXPECT_EQ(states[0].b, 0xFF3F3F3Fu);
  SetLightColor(LIGHT_MAP, 0.6f, 0.6f, 0.6f);
  EXPECT_FLOAT_EQ(map_light.Diffuse.a, 1.0f);
  SetLightColor(LIGHT_KEY, 0.5f, 0.4f, 0.3f);
  EXPECT_FLOAT_EQ(key_light.Diffuse.a, 0.0f);
  D3DLIGHT8 sent;
  ASSERT_EQ(GetLight(device, LIGHT_KEY, &sent), S_OK);
  EXPECT_FLOAT_EQ(sent.Diffuse.g, 0.4f);
  GfxClearCalls();
  SetLightColor(3, 1, 1, 1);  // a point light's index is not a fixed light
  SetLightColor(12, 1, 1, 1);
  EXPECT_EQ(Calls(GFX_OP_SET_LIGHT).size(), 0u);
  EXPECT_EQ(Logged(), (std::vector<std::string>{"SetLightColor - Invalid ID", "SetLightColor - Invalid ID"}));
}

TEST_F(DrawingTest, PointLightsStopAtTheBudgetAndGoOffTogether) {
  light_budget = 2;
  InitLights();
  GfxClearCalls();
  for (int i = 0; i < 3; i++) AddPointLight(10.0f * i, 30, -5, 0.5f, 0.2f, 0.1f, 25);
  EXPECT_EQ(light_count, 2);
  std::vector<GfxCall> enables = Calls(GFX_OP_LIGHT_ENABLE);
  ASSERT_EQ(enables.size(), 2u);
  EXPECT_EQ(enables[1].a, 1u);
  D3DLIGHT8 sent;
  ASSERT_EQ(GetLight(device, 1, &sent), S_OK);
  EXPECT_FLOAT_EQ(sent.Position.y, -30.0f);
  EXPECT_FLOAT_EQ(sent.Range, 25.0f);
  EXPECT_EQ(sent.Type, D3DLIGHT_POINT);
  DisableLights();
  EXPECT_EQ(light_count, 0);
  BOOL on = TRUE;
  GetLightEnable(device, 0, &on);
  EXPECT_FALSE(on);
}

TEST_F(DrawingTest, ViewsLookWhereTheyShould) {
  auto view = [&]() {
    D3DMATRIX m;
    GetTransform(device, D3DTS_VIEW, &m);
    return m;
  };
  auto expect_look_at = [&](D3DXVECTOR3 eye, D3DXVECTOR3 at) {
    D3DXMATRIX want;
    D3DXVECTOR3 up = {0, 1, 0};
    D3DXMatrixLookAtLH(&want, &eye, &at, &up);
    D3DMATRIX got = view();
    for (int i = 0; i < 4; i++)
      for (int j = 0; j < 4; j++) EXPECT_NEAR(got.m[i][j], want.m[i][j], 1e-4) << i << "," << j;
  };
  SetView(VIEW_CLASSIC);
  expect_look_at({70, -54, -100}, {70, -54, 0});
  SetView(VIEW_HUD);
  expect_look_at({70, -50, -100}, {70, -50, 0});
  SetCameraLook(1, 2, 3, 4, 5, 6);
  expect_look_at({1, -2, 3}, {4, -5, 6});
  SetCameraOrbit(0, 10, 15, 55, 76, 0);  // angle 0: straight in front of the target
  expect_look_at({55, -86, -15}, {55, -76, 0});
  // A camera riding on thing 7 with roll 0 looks from its centre along +x.
  thing_x[7] = 30;
  thing_y[7] = 40;
  thing_roll[7] = 0;
  SetView(7);
  expect_look_at({30, -40, 0}, {31, -40, 0});
  EXPECT_NEAR(up_vector.y, 1.0f, 1e-6);
}

TEST_F(DrawingTest, ANullSlotDrawsNothing) {
  LoadTwoSubsets(&mesh_default, 1);
  GfxClearCalls();
  DrawMesh(nullptr, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(Trace(), "");
}

TEST_F(DrawingTest, EachTurnIsAboutItsOwnAxis) {
  LoadTwoSubsets(&model, 1);
  struct Case {
    const char* what;
    float yaw, pitch, roll;
    D3DXVECTOR3 x, y, z;  // where the model's unit axes end up, device coordinates
  };
  const Case cases[] = {
      {"yaw 90 about the vertical", 90, 0, 0, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
      {"pitch 180 upside down about x", 0, 180, 0, {1, 0, 0}, {0, -1, 0}, {0, 0, -1}},
      {"roll 180 about the axis into the screen", 0, 0, 180, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    GfxClearCalls();
    DrawMesh(&model, 10, 20, 30, c.yaw, c.pitch, c.roll);
    std::vector<GfxCall> set = Calls(GFX_OP_SET_TRANSFORM);
    ASSERT_EQ(set.size(), 1u) << c.what;
    const D3DMATRIX& m = set[0].matrix;
    const D3DXVECTOR3* axes[] = {&c.x, &c.y, &c.z};
    for (int row = 0; row < 3; row++) {
      EXPECT_NEAR(m.m[row][0], axes[row]->x, 1e-5) << c.what << " row " << row;
      EXPECT_NEAR(m.m[row][1], axes[row]->y, 1e-5) << c.what << " row " << row;
      EXPECT_NEAR(m.m[row][2], axes[row]->z, 1e-5) << c.what << " row " << row;
    }
    EXPECT_NEAR(m.m[3][0], 10, 1e-5);
    EXPECT_NEAR(m.m[3][1], -20, 1e-5);
    EXPECT_NEAR(m.m[3][2], 30, 1e-5);
  }
}

TEST_F(DrawingTest, InitLightsBuildsTheFixedLightsWithoutSwitchingAny) {
  key_light_color = {0.9f, 0.8f, 0.7f};
  fill_light_color = {0.3f, 0.2f, 0.1f};
  GfxClearCalls();
  InitLights();
  EXPECT_TRUE(Calls(GFX_OP_LIGHT_ENABLE).empty());
  std::vector<GfxCall> states = Calls(GFX_OP_SET_RENDER_STATE);
  ASSERT_EQ(states.size(), 1u);
  EXPECT_EQ(states[0].b, 0xFF3F3F3Fu);
  struct Case {
    DWORD id;
    D3DLIGHTTYPE type;
    D3DVECTOR place;  // direction, or position for a point light
    float range, specular, r, g, b, a;
  };
  const Case cases[] = {
      {LIGHT_KEY, D3DLIGHT_DIRECTIONAL, {0, -1, 1}, 0, 0.3f, 0.9f, 0.8f, 0.7f, 0},
      {LIGHT_FILL, D3DLIGHT_DIRECTIONAL, {0, -1, -0.8f}, 0, 0.2f, 0.3f, 0.2f, 0.1f, 0},
      {LIGHT_HUD, D3DLIGHT_DIRECTIONAL, {0, -1, 1}, 0, 0.3f, 0.8f, 0.8f, 0.8f, 0},
      {LIGHT_MAP, D3DLIGHT_POINT, {0, 15, 0}, 60, 0.2f, 0.6f, 0.6f, 0.6f, 1},
  };
  for (const Case& c : cases) {
    D3DLIGHT8 l;
    ASSERT_EQ(GetLight(device, c.id, &l), S_OK) << c.id;
    EXPECT_EQ(l.Type, c.type) << c.id;
    const D3DVECTOR& place = c.type == D3DLIGHT_POINT ? l.Position : l.Direction;
    EXPECT_FLOAT_EQ(place.x, c.place.x) << c.id;
    EXPECT_FLOAT_EQ(place.y, c.place.y) << c.id;
    EXPECT_FLOAT_EQ(place.z, c.place.z) << c.id;
    EXPECT_FLOAT_EQ(l.Range, c.range) << c.id;
    EXPECT_FLOAT_EQ(l.Specular.r, c.specular) << c.id;
    EXPECT_FLOAT_EQ(l.Specular.b, c.specular) << c.id;
    EXPECT_FLOAT_EQ(l.Specular.a, 0) << c.id;
    EXPECT_FLOAT_EQ(l.Diffuse.r, c.r) << c.id;
    EXPECT_FLOAT_EQ(l.Diffuse.g, c.g) << c.id;
    EXPECT_FLOAT_EQ(l.Diffuse.b, c.b) << c.id;
    EXPECT_FLOAT_EQ(l.Diffuse.a, c.a) << c.id;
    EXPECT_FLOAT_EQ(l.Ambient.r, 0) << c.id;
    EXPECT_FLOAT_EQ(l.Attenuation0 + l.Attenuation1 + l.Attenuation2 + l.Falloff + l.Theta + l.Phi, 0) << c.id;
  }
  // The point-light records are ready but only the four fixed lights are sent.
  EXPECT_EQ(point_lights[7].Type, D3DLIGHT_POINT);
  EXPECT_FLOAT_EQ(point_lights[7].Specular.g, 0.2f);
  std::vector<DWORD> sent;
  for (const GfxCall& c : Calls(GFX_OP_SET_LIGHT)) sent.push_back(c.a);
  EXPECT_EQ(sent, (std::vector<DWORD>{LIGHT_KEY, LIGHT_FILL, LIGHT_HUD, LIGHT_MAP}));
}

TEST_F(DrawingTest, TheMapTrackAndRidingCamerasAndOrbits) {
  auto view = [&]() {
    D3DXMATRIX m;
    GetTransform(device, D3DTS_VIEW, &m);
    return m;
  };
  auto look_at = [](D3DXVECTOR3 eye, D3DXVECTOR3 at) {
    D3DXMATRIX m;
    D3DXVECTOR3 up = {0, 1, 0};
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    return m;
  };
  auto expect_view = [&](const D3DXMATRIX& want, const char* what) {
    D3DXMATRIX got = view();
    for (int i = 0; i < 4; i++)
      for (int j = 0; j < 4; j++) EXPECT_NEAR(got.m[i][j], want.m[i][j], 1e-4) << what << " " << i << "," << j;
  };
  // The map turns the scene by the spin angle about the vertical, then looks from (0, 30, -60).
  spin_angle = 90;
  SetView(VIEW_MAP);
  D3DXMATRIX turn, map;
  D3DXMatrixRotationY(&turn, 90 * 0.017453292f);
  D3DXMATRIX look = look_at({0, 30, -60}, {0, 0, 0});
  D3DXMatrixMultiply(&map, &turn, &look);
  expect_view(map, "map");
  // The tracking eye stays put and turns to eight units ahead of the ship.
  thing_type[4] = THING_PLAYER;
  thing_x[4] = 40;
  thing_y[4] = 30;
  player_thing = 4;
  SetView(VIEW_TRACK_PLAYER);
  expect_view(look_at({0, -25, -30}, {48, -30, 0}), "track");
  thing_type[4] = 0;
  player_thing = -1;
  // Orbiting a quarter turn puts the eye to the right of the target.
  SetCameraOrbit(90, 10, 15, 55, 76, 2);
  expect_view(look_at({70, -86, 2}, {55, -76, 2}), "orbit 90");
  // A camera riding on a thing rolled 90: the playfield's depth axis, level at roll 0, stands upright.
  thing_x[9] = 30;
  thing_y[9] = 40;
  thing_roll[9] = 90;
  SetView(9);
  D3DXMATRIX ride = view();
  D3DXVECTOR3 depth = {ride.m[2][0], ride.m[2][1], ride.m[2][2]};  // world +z in view space
  EXPECT_NEAR(depth.x, 0, 1e-5);
  EXPECT_NEAR(std::fabs(depth.y), 1, 1e-5);
  D3DXVECTOR3 ahead = {ride.m[0][0], ride.m[0][1], ride.m[0][2]};  // world +x: straight ahead
  EXPECT_NEAR(ahead.z, 1, 1e-5);
  EXPECT_NEAR(up_vector.y, 1, 1e-6);
  // Ids with no camera leave the view as it was.
  SetView(VIEW_CLASSIC);
  D3DXMATRIX classic = view();
  for (int id : {MAX_THINGS, -5, 1000}) {
    SetView(id);
    expect_view(classic, "no camera");
  }
}

}  // namespace
