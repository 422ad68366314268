// The world render on the recording device with the game's own meshes: which models are drawn
// where, the lights they bring, and the two values the render writes.
#include "engine/world_render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/display.h"
#include "engine/frontend.h"
#include "engine/lights.h"
#include "engine/meshes.h"
#include "engine_state.h"
#include "render_fixture.h"
#include "support/temp_dir.h"
#include "support/test_device.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/scenery.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

struct Drawn {
  std::string mesh;
  float x, y, z;  // playfield position (the world matrix's translation, y negated back)
  D3DMATRIX world;
};

// A model as the render should place it: playfield position and turn in degrees.
struct Model {
  const char* mesh;
  float x, y, z, yaw, pitch, roll;
};

// The drawn models against the wanted ones, name, position and turn, in order.
void ExpectModels(const std::vector<Drawn>& drawn, const std::vector<Model>& want, const std::string& what) {
  ASSERT_EQ(drawn.size(), want.size()) << what;
  for (std::size_t i = 0; i < want.size(); i++) {
    const Model& m = want[i];
    EXPECT_EQ(drawn[i].mesh, m.mesh) << what << " #" << i;
    D3DXMATRIX turn, place, expected;
    D3DXMatrixRotationYawPitchRoll(&turn, m.yaw * 0.017453292f, m.pitch * 0.017453292f, m.roll * 0.017453292f);
    D3DXMatrixTranslation(&place, m.x, -m.y, m.z);
    D3DXMatrixMultiply(&expected, &turn, &place);
    for (int r = 0; r < 4; r++)
      for (int c = 0; c < 4; c++)
        EXPECT_NEAR(drawn[i].world.m[r][c], expected.m[r][c], 1e-4) << what << " #" << i << " " << m.mesh;
  }
}

class WorldRender : public InstallDirTest {
 protected:
  void SetUp() override {
    InstallDirTest::SetUp();
    if (IsSkipped()) return;
    ResetEngineState();
    test_device.Open(GFX_BACKEND_RECORD);
    device = test_device.device;
    LoadMeshTable();
    InitLights();
    ClearThings();
    ceiling_x0 = ceiling_x1 = floor_x0 = floor_x1 = -140;
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
    ResetEngineState();
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
          drawn.push_back({entry.file, world.m[3][0], -world.m[3][1], world.m[3][2], world});
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

TEST_F(WorldRender, EveryThingTypeDrawsItsModels) {
  struct Case {
    const char* what;
    int type, param, hp, timer, fire_timer;
    std::vector<Model> want;  // the thing stands at (60, 40) with roll 15
  };
  const float r = 15;
  const Case cases[] = {
      {"glow bug", THING_GLOW_BUG, 0, 1, 0, 0, {{"glow_bug_01.x", 60, 40, -10, 0, 0, 0}}},
      {"explosion, its angle", THING_EXPLOSION, 30, 1, 0, 0, {{"explosion_01.x", 60, 40, 0, 0, 0, 30}}},
      {"spawner", THING_SPAWNER, 0, 1, 0, 0, {{"spawn_01.x", 60, 40, 0, 0, 0, 0}}},
      {"player", THING_PLAYER, 0, 3, 0, 0, {{"ship_as_01.x", 60, 40, 0, 0, r, 0}}},
      {"player in a hit flash", THING_PLAYER, 0, 3, 2, 0, {{"ship_as_02.x", 60, 40, 0, 0, r, 0}}},
      {"launcher", THING_LAUNCHER, 0, 1, 0, 0, {{"launcher_01.x", 60, 40, 0, 0, 0, 0}}},
      {"ceiling platform", THING_CEILING_PLATFORM, 0, 1, 0, 0, {{"plat_01.x", 60, 40, 0, 0, 0, 180}}},
      {"floor platform", THING_FLOOR_PLATFORM, 0, 1, 0, 0, {{"plat_01.x", 60, 40, 0, 0, 0, 0}}},
      {"wide platform", THING_WIDE_PLATFORM, 0, 1, 0, 0, {{"plat_02.x", 60, 40, 0, 0, 0, 0}}},
      {"missile", THING_MISSILE, 0, 1, 0, 0, {{"missle_left_01.x", 60, 40, 0, 0, 0, 0}}},
      {"fighter", THING_FIGHTER, 0, 1, 0, 0, {{"ship_fighter_01.x", 60, 40, 0, 0, r, 0}}},
      {"fighter 2", THING_FIGHTER_2, 0, 1, 0, 0, {{"ship_fighter_02.x", 60, 40, 0, 0, r, 0}}},
      {"carrier", THING_CARRIER, 0, 1, 0, 0, {{"ship_carrier_01.x", 60, 40, 0, 0, 0, 0}}},
      {"tug", THING_TUG, 0, 1, 0, 0, {{"tug_01.x", 60, 40, 0, 0, 0, 0}}},
      {"turret aiming 5", THING_TURRET, 5, 1, 0, 0, {{"turret_01.x", 60, 40, 0, 0, 0, -90}}},
      {"turret 2 aiming 3", THING_TURRET_2, 3, 1, 0, 0,
       {{"part_turret_02.x", 60, 40, 0, 0, 0, 0}, {"turret_02.x", 60, 37, 0, 0, 0, -45}}},
      {"idle beam gun", THING_BEAM_GUN, -1, 1, 0, 0, {{"beam_gun_01.x", 60, 40, 0, 0, 0, 0}}},
      {"cannon", THING_CANNON, 0, 1, 0, 0, {{"cannon_01.x", 60, 40, 0, 0, 0, 0}}},
      {"cannon 2", THING_CANNON_2, 0, 1, 0, 0, {{"cannon_02.x", 60, 40, 0, 0, 0, 0}}},
      {"laser", THING_LASER, 0, 1, 0, 0, {{"laser_01.x", 60, 40, 0, 0, 0, 0}}},
      {"laser down", THING_LASER_DOWN, 0, 1, 0, 0, {{"laser_01.x", 60, 40, 0, 0, 0, 45}}},
      {"laser up", THING_LASER_UP, 0, 1, 0, 0, {{"laser_01.x", 60, 40, 0, 0, 0, -45}}},
      {"hull", THING_HULL, 0, 1, 0, 0, {{"part_hull_01.x", 60, 40, 0, 0, 0, 0}}},
      {"hull flipped", THING_HULL_FLIPPED, 0, 1, 0, 0, {{"part_hull_01.x", 60, 40, 0, 0, 180, 0}}},
      {"vertical part", THING_PART_VERT, 0, 1, 0, 0, {{"part_vert_01.x", 60, 40, 0, 0, 0, 0}}},
      {"vertical part 2", THING_PART_VERT_2, 0, 1, 0, 0, {{"part_vert_02.x", 60, 40, 0, 0, 0, 0}}},
      {"two vertical parts", THING_PART_VERT_2X2, 0, 1, 0, 0,
       {{"part_vert_02.x", 60, 32, 0, 0, 0, 0}, {"part_vert_02.x", 60, 48, 0, 0, 0, 0}}},
      {"three vertical parts", THING_PART_VERT_2X3, 0, 1, 0, 0,
       {{"part_vert_02.x", 60, 32, 0, 0, 0, 0}, {"part_vert_02.x", 60, 40, 0, 0, 0, 0},
        {"part_vert_02.x", 60, 48, 0, 0, 0, 0}}},
      {"horizontal part", THING_PART_HORZ, 0, 1, 0, 0, {{"part_horz_03.x", 60, 40, 0, 0, 0, 0}}},
      {"two horizontal parts", THING_PART_HORZ_X2, 0, 1, 0, 0,
       {{"part_horz_03.x", 60, 40, 0, 0, 0, 0}, {"part_horz_03.x", 84, 40, 0, 0, 0, 0}}},
      {"bridge", THING_PART_BRIDGE, 0, 1, 0, 0, {{"part_bridge_01.x", 60, 40, 0, 0, 0, 0}}},
      {"metal block: six faces", THING_METAL_BLOCK, 0, 1, 0, 0,
       {{"surface_metal_01.x", 70, 30, 0, 0, 0, 0}, {"surface_metal_01.x", 70, 50, 0, 0, 0, 0},
        {"surface_metal_01.x", 60, 40, 0, 0, 0, 90}, {"surface_metal_01.x", 80, 40, 0, 0, 0, 90},
        {"surface_metal_01.x", 70, 40, 10, 0, 90, 0}, {"surface_metal_01.x", 70, 40, -10, 0, 90, 0}}},
      {"step", THING_PART_STEP, 0, 1, 0, 0, {{"part_step_01.x", 60, 40, 0, 0, 0, 0}}},
      {"step flipped", THING_PART_STEP_FLIPPED, 0, 1, 0, 0, {{"part_step_01.x", 60, 40, 0, 0, 180, 0}}},
      {"box", THING_PART_BOX, 0, 1, 0, 0, {{"part_box_01.x", 60, 40, 0, 0, 0, 0}}},
      {"box 2", THING_PART_BOX_2, 0, 1, 0, 0, {{"part_box_02.x", 60, 40, 0, 0, 0, 0}}},
      {"mount", THING_PART_MOUNT, 0, 1, 0, 0, {{"part_mount_01.x", 60, 40, 0, 0, 0, 0}}},
      {"joint", THING_PART_JOINT, 0, 1, 0, 0, {{"part_joint_01.x", 60, 40, 0, 0, 0, 0}}},
      {"tree trunk", THING_TREE_TRUNK, 0, 1, 0, 0, {{"tree_trunk_01.x", 60, 40, 0, 0, 0, 0}}},
      {"tree top", THING_TREE_TOP, 0, 1, 0, 0, {{"tree_top_01.x", 60, 40, 0, 0, 0, 0}}},
      {"tree top platform", THING_TREE_TOP_PLATFORM, 0, 1, 0, 0, {{"tree_top_plat_01.x", 60, 40, 0, 0, 0, 0}}},
      {"tree branch", THING_TREE_BRANCH, 0, 1, 0, 0, {{"tree_horz_03.x", 60, 40, 0, 0, 0, 0}}},
      {"missile pickup, bombs", THING_POW_MISSILE, PROJ_BOMB, 1, 0, 0,
       {{"pow_01.x", 60, 40, 0, 0, 0, 0}, {"bomb_01.x", 60, 40, 0, 0, 0, 0}}},
      {"missile pickup, hawks", THING_POW_MISSILE, PROJ_HAWK, 1, 0, 0,
       {{"pow_01.x", 60, 40, 0, 0, 0, 0}, {"hawk_01.x", 62, 38, 0, 0, 0, 0}, {"hawk_01.x", 62, 42, 0, 0, 0, 0}}},
      {"missile pickup, drums", THING_POW_MISSILE, PROJ_DRUM, 1, 0, 0,
       {{"pow_01.x", 60, 40, 0, 0, 0, 0}, {"drum_01.x", 60, 40, 0, 0, 0, 0}}},
      {"missile pickup, crows", THING_POW_MISSILE, PROJ_CROW, 1, 0, 0,
       {{"pow_01.x", 60, 40, 0, 0, 0, 0}, {"crow_01.x", 63, 40, 0, 0, 0, 0}}},
      {"missile pickup, no kind", THING_POW_MISSILE, 0, 1, 0, 0, {{"pow_01.x", 60, 40, 0, 0, 0, 0}}},
      {"core above 8 hit points", THING_CORE_0, 0, 9, 0, 0, {{"core_01.x", 55, 40, 0, 30, r, 0}}},
      {"core at 8", THING_CORE_15, 0, 8, 0, 0, {{"core_02.x", 55, 40, 0, 30, r, 0}}},
      {"a type of no model is a core", 77, 0, 32, 0, 0,
       {{"core_01.x", 55, 40, 0, 30, r, 0}, {"core_bar_01.x", 49, 40, 0, 0, 0, 0}}},
  };
  spin_angle = 30;
  for (const Case& c : cases) {
    ClearThings();
    Thing(10, c.type, 60, 40);
    thing_param[10] = c.param;
    thing_hp[10] = c.hp;
    thing_timer[10] = c.timer;
    thing_fire_timer[10] = c.fire_timer;
    thing_roll[10] = r;
    ExpectModels(Frame(), c.want, c.what);
  }
}

TEST_F(WorldRender, TheForwardPickupShowsTheNextShotOrATick) {
  const struct {
    int level;
    const char* model;
  } cases[] = {{0, "hp_tick_01.x"}, {1, "shot_02.x"}, {2, "shot_03.x"}, {3, "hp_tick_01.x"}};
  Thing(10, THING_POW_FORWARD, 60, 40);
  for (const auto& c : cases) {
    forward_level = c.level;
    ExpectModels(Frame(), {{"pow_01.x", 60, 40, 0, 0, 0, 0}, {c.model, 60, 40, 0, 0, 0, 0}},
                 "level " + std::to_string(c.level));
  }
}

TEST_F(WorldRender, AFiringBeamGunDrawsItsBeamWithOneRandomRoll) {
  Thing(20, THING_CORE_2, 100, 40);
  thing_hp[20] = 1;
  thing_fire_interval[20] = 10;
  Thing(10, THING_BEAM_GUN, 60, 40);
  const struct {
    const char* what;
    int link, fire_timer;
    bool firing;
  } cases[] = {
      {"unlinked, burning", -1, 3, true},   {"unlinked, cold", -1, 0, false},
      {"linked, below the core's interval", 20, 9, true}, {"linked, at the core's interval", 20, 10, false},
  };
  for (const auto& c : cases) {
    thing_param[10] = c.link;
    thing_fire_timer[10] = c.fire_timer;
    random_state = 1234;
    int roll = Rand() % 360;
    std::uint32_t after = random_state;
    random_state = 1234;
    std::vector<Drawn> drawn = Frame();
    std::vector<Drawn> beam(drawn.begin() + 1, drawn.end());  // the core is drawn first
    if (c.firing) {
      ExpectModels(beam, {{"beam_gun_01.x", 60, 40, 0, 0, 0, 0}, {"beam_01.x", 60, 40, 0, 0, 0, 0},
                          {"beam_02.x", 50, 40, 0, 0, 0, static_cast<float>(roll)}},
                   c.what);
      EXPECT_EQ(random_state, after) << c.what;
    } else {
      ExpectModels(beam, {{"beam_gun_01.x", 60, 40, 0, 0, 0, 0}}, c.what);
      EXPECT_EQ(random_state, 1234u) << c.what;
    }
    EXPECT_EQ(light_count, c.firing ? 1 : 0) << c.what;
  }
}

TEST_F(WorldRender, EveryProjectileTypeDrawsItsModelAfterItsExtras) {
  struct Case {
    const char* what;
    int type;
    float vx;
    std::vector<Model> want;  // the projectile stands at (60, 40, 7) turned (10, 20, 30)
  };
  auto main = [](const char* mesh) { return Model{mesh, 60, 40, 7, 10, 20, 30}; };
  const Case cases[] = {
      {"shot 1", PROJ_SHOT_1, 2, {main("shot_01.x")}},
      {"shot 2", PROJ_SHOT_2, 2, {main("shot_02.x")}},
      {"shot 3", PROJ_SHOT_3, 2, {main("shot_03.x")}},
      {"bomb", PROJ_BOMB, 1, {main("bomb_01.x")}},
      {"hawk", PROJ_HAWK, 1, {main("hawk_01.x")}},
      {"drum", PROJ_DRUM, 1, {main("drum_01.x")}},
      {"crow under way: its flame at depth 0", PROJ_CROW, 0.5f,
       {{"afterburn_01.x", 51, 40, 0, 0, 0, 180}, main("crow_01.x")}},
      {"crow standing", PROJ_CROW, 0, {main("crow_01.x")}},
      {"round", PROJ_ROUND, -1, {main("round_01.x")}},
      {"round 2", PROJ_ROUND_2, -1, {main("round_01.x")}},
      {"cannon ball", PROJ_CANNON_BALL, -1, {main("cannon_ball_01.x")}},
      {"missile at full speed", PROJ_MISSILE, -6, {{"afterburn_01.x", 69, 40, 0, 0, 0, 0}, main("missle_left_01.x")}},
      {"missile below full speed", PROJ_MISSILE, -5.5f, {main("missle_left_01.x")}},
      {"debris", PROJ_DEBRIS, 0, {main("debris_01.x")}},
      {"grey fragment", PROJ_FRAGMENT_GREY, 0, {main("fragment_grey_01.x")}},
      {"red fragment", PROJ_FRAGMENT_RED, 0, {main("fragment_red_01.x")}},
      {"smoke", PROJ_SMOKE, 0, {main("smoke_01.x")}},
      {"smoke 2", PROJ_SMOKE_2, 0, {main("smoke_02.x")}},
      {"sparks", PROJ_SPARKS, 0, {main("sparks_01.x")}},
      {"leaf", PROJ_LEAF, 0, {main("leaf_01.x")}},
      {"splinter", PROJ_SPLINTER, 0, {main("splinter_01.x")}},
      {"background fighter", PROJ_FIGHTER, -1, {main("ship_fighter_01.x")}},
      {"background fighter 2", PROJ_FIGHTER_2, -1, {main("ship_fighter_02.x")}},
      {"a type of no model", 44, 0, {main("default.x")}},
  };
  for (const Case& c : cases) {
    ClearThings();
    Projectile(100, c.type, 60, 40);
    projectile_z[100] = 7;
    projectile_vx[100] = c.vx;
    projectile_ry[100] = 10;
    projectile_rx[100] = 20;
    projectile_rz[100] = 30;
    ExpectModels(Frame(), c.want, c.what);
  }
}

TEST_F(WorldRender, StaticsAreDrawnInTheirOrderUnderFogAndAnInactiveOneIsReported) {
  const struct {
    int type;
    const char* mesh;
  } types[] = {
      {STATIC_TREE, "static_tree_01.x"},
      {STATIC_ROCK_1, "rock_01.x"},
      {STATIC_ROCK_2, "rock_02.x"},
      {STATIC_ROCK_3, "rock_03.x"},
      {STATIC_METAL_SURFACE, "surface_metal_01.x"},
      {STATIC_METAL_SURFACE_TURNED, "surface_metal_01.x"},
      {STATIC_BRACE_1, "part_brace_01.x"},
      {STATIC_BRACE_2, "part_brace_02.x"},
      {STATIC_CAVE_SURFACE_1, "surface_cave_01.x"},
      {STATIC_CAVE_SURFACE_2, "surface_cave_02.x"},
      {STATIC_CAVE_1, "cave_01.x"},
      {STATIC_CAVE_2, "cave_02.x"},
      {STATIC_ARK_BASE, "ark_base_01.x"},
      {STATIC_ARK_RING_HULL, "ark_ring_hull_01.x"},
      {STATIC_ARK_RING_PAD, "ark_ring_pad_01.x"},
      {STATIC_ARK_LIFT_1, "ark_lift_01.x"},
      {STATIC_ARK_LIFT_2, "ark_lift_02.x"},
      {STATIC_ARK_SLING_1, "ark_sling_01.x"},
      {STATIC_ARK_SLING_2, "ark_sling_02.x"},
      {STATIC_ARK_PART_PAD, "ark_part_pad_01.x"},
      {STATIC_TREE_BRANCH, "tree_horz_04.x"},
      {5, "default.x"},
  };
  // Each type in its own slot, listed from the highest slot down, with one freed slot among them.
  std::vector<Model> want;
  static_count = 0;
  for (int i = 0; i < static_cast<int>(std::size(types)); i++) {
    int s = 50 + i;
    static_type[s] = types[i].type;
    static_x[s] = 10.0f + i;
    static_y[s] = 20;
    static_z[s] = 30.0f + i;
    static_ry[s] = 5;
    static_rx[s] = 6;
    static_rz[s] = 7.0f + i;
    static_draw_order[static_count++] = s;
    want.push_back({types[i].mesh, 10.0f + i, 20, 30.0f + i, 5, 6, 7.0f + i});
  }
  static_draw_order[static_count++] = 3;  // type 0
  std::reverse(static_draw_order, static_draw_order + static_count);
  std::reverse(want.begin(), want.end());
  std::remove("console.log");
  ExpectModels(Frame(), want, "statics");
  std::ifstream log("console.log");
  std::string line, lines;
  while (std::getline(log, line)) lines += line.substr(0, line.find('\r')) + "|";
  EXPECT_EQ(lines, "Inactive Static in Display List|");
  // Fog is on for exactly the statics.
  std::string fog;
  for (int i = 0; i < GfxCallCount(); i++) {
    const GfxCall* c = GfxCallAt(i);
    if (c->op == GFX_OP_SET_RENDER_STATE && c->a == D3DRS_FOGENABLE) fog += c->b ? "on " : "off ";
    if (c->op == GFX_OP_DRAW_MESH && c->object == MeshBuffer(mesh_rock_01.mesh)) fog += "rock ";
  }
  EXPECT_EQ(fog, "on rock off off ");
}

TEST_F(WorldRender, GlowingThingsAndTheSparkLightWhereTheyShould) {
  struct Case {
    const char* what;
    bool thing;  // a thing, else a projectile, in slot 10 at (60, 40)
    int type;
    float vx;
    bool lit;
    D3DVECTOR at = {};  // device coordinates
    float r = 0, g = 0, b = 0, range = 0;
  };
  const Case cases[] = {
      {"hawk", false, PROJ_HAWK, 1, true, {55, -40, 0}, 0.5f, 0.5f, 0.5f, 25},
      {"crow under way", false, PROJ_CROW, 0.5f, true, {52, -40, -2}, 0.8f, 0.3f, 0.3f, 30},
      {"crow standing", false, PROJ_CROW, 0, false},
      {"missile at full speed", false, PROJ_MISSILE, -6, true, {69, -40, -2}, 0.8f, 0.4f, 0.0f, 25},
      {"missile below it", false, PROJ_MISSILE, -5, false},
      {"bomb", false, PROJ_BOMB, 1, false},
      {"glow bug", true, THING_GLOW_BUG, 0, true, {50, -40, -15}, 0.7f, 0.8f, 0.2f, 100},
      {"explosion", true, THING_EXPLOSION, 0, true, {60, -40, -10}, 0.8f, 0.5f, 0.3f, 50},
      {"fighter", true, THING_FIGHTER, 0, false},
  };
  for (const Case& c : cases) {
    ClearThings();
    if (c.thing)
      Thing(10, c.type, 60, 40);
    else
      Projectile(10, c.type, 60, 40);
    projectile_vx[10] = c.vx;
    Frame();
    ASSERT_EQ(light_count, c.lit ? 1 : 0) << c.what;
    if (!c.lit) continue;
    D3DLIGHT8 light;
    ASSERT_EQ(GetLight(device, 0, &light), S_OK);
    EXPECT_EQ(light.Type, D3DLIGHT_POINT) << c.what;
    EXPECT_FLOAT_EQ(light.Position.x, c.at.x) << c.what;
    EXPECT_FLOAT_EQ(light.Position.y, c.at.y) << c.what;
    EXPECT_FLOAT_EQ(light.Position.z, c.at.z) << c.what;
    EXPECT_FLOAT_EQ(light.Diffuse.r, c.r) << c.what;
    EXPECT_FLOAT_EQ(light.Diffuse.g, c.g) << c.what;
    EXPECT_FLOAT_EQ(light.Diffuse.b, c.b) << c.what;
    EXPECT_FLOAT_EQ(light.Diffuse.a, 0) << c.what;
    EXPECT_FLOAT_EQ(light.Range, c.range) << c.what;
  }
  // After the glowing things, the spark; a glow bug in thing slot 0 gives none.
  ClearThings();
  Thing(0, THING_GLOW_BUG, 60, 40);
  Thing(10, THING_EXPLOSION, 60, 40);
  last_hit_x = 30;
  last_hit_y = 20;
  Frame();
  ASSERT_EQ(light_count, 2);
  D3DLIGHT8 spark;
  GetLight(device, 1, &spark);
  EXPECT_FLOAT_EQ(spark.Position.x, 30);
  EXPECT_FLOAT_EQ(spark.Position.y, -20);
  EXPECT_FLOAT_EQ(spark.Position.z, -5);
  EXPECT_FLOAT_EQ(spark.Diffuse.r, 0.5f);
  EXPECT_FLOAT_EQ(spark.Range, 15);
}

TEST_F(WorldRender, ItLeavesTheWorldsLightsAmbientAndFog) {
  // A light left from before and every fixed light on: the backdrop is lit by the sky alone.
  AddPointLight(1, 1, 1, 1, 1, 1, 10);
  for (DWORD light : {LIGHT_KEY, LIGHT_FILL, LIGHT_HUD, LIGHT_MAP}) LightEnable(device, light, TRUE);
  backdrop_mesh = &mesh_sky_clear_01;
  sky_color = {0.2f, 0.4f, 0.6f};
  stars_color = {0.5f, 0.5f, 0.5f};
  show_ground_ceiling = 1;
  ceiling_x0 = 10, ceiling_x1 = 20, floor_x0 = 30, floor_x1 = 40;
  ceiling_y = 5, floor_y = 95;
  std::vector<Drawn> drawn = Frame();
  ASSERT_EQ(drawn.size(), 6u);
  std::vector<Drawn> marks(drawn.begin() + 2, drawn.end());
  ExpectModels(marks,
               {{"part_vert_02.x", 10, 5, 0, 45, 0, 0}, {"part_vert_02.x", 20, 5, 0, 45, 0, 0},
                {"part_vert_02.x", 30, 95, 0, 45, 0, 0}, {"part_vert_02.x", 40, 95, 0, 45, 0, 0}},
               "barrier marks");
  EXPECT_EQ(light_count, 0);
  BOOL on = TRUE;
  GetLightEnable(device, 0, &on);
  EXPECT_FALSE(on);
  EXPECT_TRUE(LightOn(LIGHT_KEY));
  EXPECT_TRUE(LightOn(LIGHT_FILL));
  EXPECT_FALSE(LightOn(LIGHT_HUD));
  EXPECT_FALSE(LightOn(LIGHT_MAP));
  DWORD state = 0;
  GetRenderState(device, D3DRS_AMBIENT, &state);
  EXPECT_EQ(state, 0xFF3F3F3Fu);
  GetRenderState(device, D3DRS_FOGENABLE, &state);
  EXPECT_EQ(state, DWORD(FALSE));
  // The sky under its own ambient with no light on; the stars flat, unfiltered, under theirs.
  std::string trace;
  bool lit = false;
  for (int i = 0; i < GfxCallCount(); i++) {
    const GfxCall* c = GfxCallAt(i);
    if (c->op == GFX_OP_LIGHT_ENABLE && c->a >= LIGHT_KEY && c->b) lit = true;
    if (c->op == GFX_OP_SET_RENDER_STATE && c->a == D3DRS_AMBIENT) trace += std::to_string(c->b & 0xFF) + " ";
    if (c->op == GFX_OP_SET_RENDER_STATE && c->a == D3DRS_SHADEMODE) trace += c->b == D3DSHADE_FLAT ? "flat " : "smooth ";
    if (c->op == GFX_OP_SET_TEXTURE_STAGE_STATE && c->a == D3DTSS_MIPFILTER) trace += c->b == D3DTEXF_NONE ? "nomip " : "mip ";
    if (c->op == GFX_OP_DRAW_MESH && c->object == MeshBuffer(mesh_sky_clear_01.mesh)) trace += lit ? "LIT-sky " : "sky ";
    if (c->op == GFX_OP_DRAW_MESH && c->object == MeshBuffer(mesh_stars_01.mesh)) trace += lit ? "LIT-stars " : "stars ";
  }
  EXPECT_EQ(trace, "153 sky 127 nomip flat stars mip smooth 63 ");
}

}  // namespace
