// Drawing a model, the lights and the views, on the recording device.
#include "engine/lights.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "engine/display.h"
#include "engine/drawing.h"
#include "support/temp_dir.h"
#include "support/test_device.h"
#include "world/game.h"
#include "world/tables.h"

namespace {

class DrawingTest : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    test_device.Open(GFX_BACKEND_RECORD);
    device = test_device.device;
    light_budget = 8;
    up_vector = {0, 1, 0};
    GfxClearCalls();
  }
  void TearDown() override {
    ReleaseMesh(&model);
    ReleaseMesh(&mesh_default);
    test_device.Close();
    device = nullptr;
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

}  // namespace
