// The world render on the recording device with the game's own meshes: which models are drawn
// where, the lights they bring, and the two values the render writes.
#include "engine/world_render.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/display.h"
#include "engine/frontend.h"
#include "engine/lights.h"
#include "engine/meshes.h"
#include "support/temp_dir.h"
#include "support/test_device.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

struct Drawn {
  std::string mesh;
  float x, y, z;  // playfield position (the world matrix's translation, y negated back)
};

class WorldRender : public InstallDirTest {
 protected:
  void SetUp() override {
    InstallDirTest::SetUp();
    if (IsSkipped()) return;
    test_device.Open(GFX_BACKEND_RECORD);
    device = test_device.device;
    light_budget = 8;
    LoadMeshTable();
    InitLights();
    ClearThings();
    static_count = 0;
    sky_color = stars_color = {0, 0, 0};
    backdrop_mesh = nullptr;
    world_shift = world_shift_target = 50;
    ceiling_x0 = ceiling_x1 = floor_x0 = floor_x1 = -140;
    last_hit_x = last_hit_y = 0;
    in_game = 0;
    player_thing = -2;
    show_ground_ceiling = 0;
  }
  void TearDown() override {
    ReleaseMeshTable();
    for (int i = 0; i < TEXTURE_CACHE_SIZE; i++) {
      Release(texture_cache_texture[i]);
      texture_cache_texture[i] = nullptr;
      texture_cache_name[i][0] = 0;
    }
    test_device.Close();
    device = nullptr;
    ClearThings();
    InstallDirTest::TearDown();
  }
  // Draws one frame and lists the models drawn, in order.
  std::vector<Drawn> Frame() {
    GfxClearCalls();
    BeginScene(device);
    DrawWorld();
    EndScene(device);
    std::vector<Drawn> drawn;
    D3DMATRIX world{};
    const void* last = nullptr;
    for (int i = 0; i < GfxCallCount(); i++) {
      const GfxCall* c = GfxCallAt(i);
      if (c->op == GFX_OP_SET_TRANSFORM && c->a == D3DTS_WORLD) {
        world = c->matrix;
        last = nullptr;
      }
      if (c->op != GFX_OP_DRAW_MESH || c->object == last) continue;  // one entry per model, not per subset
      last = c->object;
      for (const MeshFile& entry : mesh_table)
        if (MeshBuffer(entry.slot->mesh) == c->object)
          drawn.push_back({entry.file, world.m[3][0], -world.m[3][1], world.m[3][2]});
    }
    return drawn;
  }
  static int Count(const std::vector<Drawn>& drawn, const std::string& mesh) {
    int n = 0;
    for (const Drawn& d : drawn) n += d.mesh == mesh;
    return n;
  }
  int Thing(int slot, int type, float x, float y) {
    thing_type[slot] = type;
    thing_x[slot] = thing_anchor_x[slot] = x;
    thing_y[slot] = thing_anchor_y[slot] = y;
    thing_parent[slot] = -1;
    thing_timer[slot] = thing_param[slot] = thing_roll[slot] = 0;
    thing_hp[slot] = 1;
    return slot;
  }
  void Projectile(int slot, int type, float x, float y) {
    projectile_type[slot] = type;
    projectile_x[slot] = x;
    projectile_y[slot] = y;
    projectile_z[slot] = projectile_vx[slot] = 0;
    projectile_ry[slot] = projectile_rx[slot] = projectile_rz[slot] = 0;
  }
  TestDevice test_device;
};

TEST_F(WorldRender, BackdropAndStarsFollowTheirColours) {
  backdrop_mesh = &mesh_sky_clear_01;
  EXPECT_EQ(Count(Frame(), "sky_clear_01.x"), 0);  // black sky: no backdrop
  sky_color = {0.2f, 0, 0};
  std::vector<Drawn> drawn = Frame();
  ASSERT_EQ(Count(drawn, "sky_clear_01.x"), 1);
  EXPECT_FLOAT_EQ(drawn[0].y, 300.0f);  // playfield height + 4 x shift 50
  world_shift = 0;
  EXPECT_FLOAT_EQ(Frame()[0].y, 100.0f);
  backdrop_mesh = nullptr;
  EXPECT_EQ(Count(Frame(), "sky_clear_01.x"), 0);
  stars_color = {0.1f, 0.1f, 0.1f};
  EXPECT_EQ(Count(Frame(), "stars_01.x"), 0);
  stars_color = {0.11f, 0, 0};
  EXPECT_EQ(Count(Frame(), "stars_01.x"), 1);
}

TEST_F(WorldRender, GlowingProjectilesTakeTheLightBudgetFirst) {
  for (int i = 0; i < 10; i++) Projectile(290 - i, PROJ_HAWK, 20.0f + i, 30);
  Thing(30, THING_GLOW_BUG, 50, 50);
  Projectile(0, PROJ_HAWK, 5, 5);  // slot 0 never lights
  Frame();
  EXPECT_EQ(light_count, 8);
  D3DLIGHT8 light;
  GetLight(device, 0, &light);
  EXPECT_FLOAT_EQ(light.Position.x, 15.0f);  // slot 290's hawk, five units behind it
  GetLight(device, 7, &light);
  EXPECT_FLOAT_EQ(light.Position.x, 22.0f);  // slot 283's
}

TEST_F(WorldRender, TheShipsShadowDarkensNearTheCeiling) {
  in_game = 1;
  player_thing = Thing(58, THING_PLAYER, 40, 5);
  ceiling_x0 = -140;
  ceiling_x1 = 400;
  EXPECT_EQ(Count(Frame(), "shadow_as_01.x"), 10);
  thing_anchor_y[58] = 24;
  EXPECT_EQ(Count(Frame(), "shadow_as_01.x"), 0);
  // Near the floor, only while the world stands at its shift.
  floor_x0 = -140;
  floor_x1 = 400;
  thing_anchor_y[58] = 95;
  EXPECT_EQ(Count(Frame(), "shadow_as_01.x"), 10);
  world_shift = 49;
  EXPECT_EQ(Count(Frame(), "shadow_as_01.x"), 0);
}

TEST_F(WorldRender, TheHitSparkAndTheHitFlashLastTheirFrames) {
  last_hit_x = 30;
  last_hit_y = 40;
  EXPECT_EQ(Count(Frame(), "hit_spark_01.x"), 1);
  EXPECT_EQ(last_hit_x, 0.0f);
  EXPECT_EQ(Count(Frame(), "hit_spark_01.x"), 0);
  last_hit_x = -3;  // drawn and cleared, without a light
  std::vector<Drawn> drawn = Frame();
  EXPECT_EQ(Count(drawn, "hit_spark_01.x"), 1);
  EXPECT_EQ(light_count, 0);
  player_thing = Thing(58, THING_PLAYER, 40, 50);
  thing_timer[58] = 3;
  for (int frame = 0; frame < 3; frame++) EXPECT_EQ(Count(Frame(), "ship_as_02.x"), 1) << frame;
  drawn = Frame();
  EXPECT_EQ(Count(drawn, "ship_as_01.x"), 1);
  EXPECT_EQ(thing_timer[58], 0);
}

TEST_F(WorldRender, CoresShowABarPerSixteenHitPointsFromThirtyTwo) {
  Thing(20, THING_CORE_3, 100, 50);
  thing_hp[20] = 55;
  std::vector<Drawn> drawn = Frame();
  ASSERT_EQ(Count(drawn, "core_01.x"), 1);
  ASSERT_EQ(Count(drawn, "core_bar_01.x"), 2);
  EXPECT_FLOAT_EQ(drawn[1].x, 89.0f);
  EXPECT_FLOAT_EQ(drawn[2].x, 84.0f);
  thing_hp[20] = 8;
  drawn = Frame();
  EXPECT_EQ(Count(drawn, "core_02.x"), 1);
  EXPECT_EQ(Count(drawn, "core_bar_01.x"), 0);
}

TEST_F(WorldRender, ABackgroundFighterFogsEveryProjectileAfterIt) {
  Projectile(200, PROJ_FIGHTER, 100, 30);
  Projectile(100, PROJ_ROUND, 50, 50);
  Frame();
  int fog_on_at = -1, round_at = -1;
  for (int i = 0; i < GfxCallCount(); i++) {
    const GfxCall* c = GfxCallAt(i);
    if (c->op == GFX_OP_SET_RENDER_STATE && c->a == D3DRS_FOGENABLE) fog_on_at = c->b ? i : -1;
    if (c->op == GFX_OP_DRAW_MESH && c->object == MeshBuffer(mesh_round_01.mesh)) round_at = i;
  }
  EXPECT_GT(round_at, 0);
  EXPECT_EQ(fog_on_at, -1);  // and off again at the end
  bool fogged = false;
  for (int i = 0; i < round_at; i++) {
    const GfxCall* c = GfxCallAt(i);
    if (c->op == GFX_OP_SET_RENDER_STATE && c->a == D3DRS_FOGENABLE) fogged = c->b;
  }
  EXPECT_TRUE(fogged);
}

}  // namespace
