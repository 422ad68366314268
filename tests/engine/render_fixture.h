// Shared by the renderer tests: the game's own meshes and the six fonts on the recording device at
// 640 x 480, the world at rest, and the recorded calls read back as what a frame drew (clears,
// views, texts, models, presents).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/frontend.h"
#include "engine/lights.h"
#include "engine/meshes.h"
#include "engine/render.h"
#include "engine/world_render.h"
#include "engine_state.h"
#include "platform/gfx_font.h"
#include "platform/gfx_mesh.h"
#include "support/temp_dir.h"
#include "support/test_device.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/records.h"
#include "world/stage_script.h"
#include "world/tables.h"
#include "world/things.h"

// One text draw as recorded.
struct DrawnText {
  std::string text;
  int font;  // FONT_ index, -1 when none of the six
  RECT rect;
  DWORD format;
  D3DCOLOR color;
  RECT box;  // where the line landed
};

// One model draw: the mesh file of its slot and where the world matrix puts its origin, in
// playfield coordinates (device y negated back).
struct DrawnMesh {
  std::string mesh;
  float x, y, z;
  D3DMATRIX world;
};

inline const char* FontName(int font) {
  static const char* const names[FONT_COUNT] = {"console", "text", "number", "banner", "title", "menu"};
  return font >= 0 && font < FONT_COUNT ? names[font] : "?";
}

class RenderTest : public InstallDirTest {
 protected:
  void SetUp() override {
    InstallDirTest::SetUp();
    if (IsSkipped()) return;
    ResetEngineState();  // the frame ends with the console band: only this test's lines may be on it
    test_device.Open(GFX_BACKEND_RECORD);
    ASSERT_NE(test_device.device, nullptr);
    device = test_device.device;
    direct3d = test_device.direct3d;
    ComputeLayout();
    CreateFonts();
    for (ID3DXFont* font : fonts) ASSERT_NE(font, nullptr) << "no font for Arial here";
    LoadMeshTable();
    InitLights();
    AtRest();
    GfxClearCalls();
  }
  void TearDown() override {
    ReleaseGraphics();  // the device and the Direct3D object too
    test_device.device = nullptr;
    test_device.direct3d = nullptr;
    test_device.Close();
    ResetEngineState();
    InstallDirTest::TearDown();
  }

  // The world and the settings the renderers read, as the title scene leaves them with nothing
  // going on.
  static void AtRest() {
    ClearThings();
    static_count = projectile_count = generator_count = 0;
    for (int i = 0; i < MAX_PROJECTILES; i++) projectile_type[i] = 0;
    for (int i = 0; i < MAX_STATICS; i++) static_type[i] = 0;
    for (int i = 0; i < MAX_GENERATORS; i++) generator_type[i] = 0;
    sky_color = horizon_color = stars_color = {0, 0, 0};
    backdrop_mesh = nullptr;
    world_shift = world_shift_target = 0;
    last_hit_x = last_hit_y = 0;
    game_state = STATE_MAIN_MENU;
    game_mode = MODE_CAST;
    in_game = 0;
    menu_cursor = 0;
    player_thing = -2;
    current_stage = 19;
    stage_tick = 0;
    score = 0;
    forward_level = 1;
    missile_kind = PROJ_BOMB;
    missile_ammo = 0;
    message_alpha = 0;
    message_text[0] = 0;
    random_index = 0;
    play_minutes = play_seconds = 0;
    god_mode = 0;
    const int unlocked[SCORED_MODES] = {1, 1, 1, 1};
    std::memcpy(mode_unlocked, unlocked, sizeof mode_unlocked);
    show_counts = show_fps = show_input = show_location = show_ground_ceiling = 0;
    camera_view = VIEW_CLASSIC;
    fill_mode = 3;
    gradient_detail = 8;
    spin_angle = 0;
    blink = 0;
    text_rect = {};
    script_var_3 = 0;
    ark_radius = 35;
    title_lift_angle = 10;
    title_sling_x = -3;
    title_ring_spin = title_outer_ring_spin = 0;
  }

  // A player's ship in slot 5 with these lives.
  static void PlayerShip(int lives) {
    thing_type[5] = THING_PLAYER;
    thing_parent[5] = -1;
    thing_x[5] = thing_anchor_x[5] = 10;
    thing_y[5] = thing_anchor_y[5] = 50;
    thing_hp[5] = lives;
    thing_timer[5] = thing_timer2[5] = 0;
    player_thing = 5;
  }


  TestDevice test_device;
};

// The same with a scene begun, for the parts the frame renderer calls inside its scene.
class SceneTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    if (IsSkipped()) return;
    BeginScene(device);
  }
  void TearDown() override {
    if (device) EndScene(device);
    RenderTest::TearDown();
  }
};

// Everything recorded since the last GfxClearCalls.
inline std::vector<GfxCall> Calls() {
  std::vector<GfxCall> calls;
  for (int i = 0; i < GfxCallCount(); i++) calls.push_back(*GfxCallAt(i));
  return calls;
}
inline std::vector<DrawnText> Texts() {
  std::vector<DrawnText> texts;
  for (const GfxCall& c : Calls()) {
    if (c.op != GFX_OP_DRAW_TEXT) continue;
    int font = -1;
    for (int f = 0; f < FONT_COUNT; f++)
      if (c.object == fonts[f]) font = f;
    texts.push_back({c.text, font, c.rect, c.b, c.color, c.box});
  }
  return texts;
}
// The first text drawn with exactly these characters; fails the test when there is none.
inline DrawnText TextOf(const std::string& text) {
  for (const DrawnText& t : Texts())
    if (t.text == text) return t;
  ADD_FAILURE() << "no text \"" << text << "\" drawn";
  return {};
}
inline int CountText(const std::string& text) {
  int n = 0;
  for (const DrawnText& t : Texts()) n += t.text == text;
  return n;
}
inline std::string MeshName(const void* buffer) {
  for (const MeshFile& entry : mesh_table)
    if (entry.slot->mesh && MeshBuffer(entry.slot->mesh) == buffer) return entry.file;
  return "?";
}
// One entry per model drawn (a model of several subsets is one entry), in order.
inline std::vector<DrawnMesh> Meshes() {
  std::vector<DrawnMesh> drawn;
  D3DMATRIX world{};
  bool placed = false;
  for (const GfxCall& c : Calls()) {
    if (c.op == GFX_OP_SET_TRANSFORM && c.a == D3DTS_WORLD) {
      world = c.matrix;
      placed = true;
    }
    if (c.op != GFX_OP_DRAW_MESH || !placed) continue;
    placed = false;
    // + 0 and 0 - keep -0 out of the printed lists.
    drawn.push_back({MeshName(c.object), world.m[3][0] + 0.0f, 0.0f - world.m[3][1], world.m[3][2] + 0.0f, world});
  }
  return drawn;
}
inline std::vector<DrawnMesh> MeshesOf(const std::string& mesh) {
  std::vector<DrawnMesh> found;
  for (const DrawnMesh& m : Meshes())
    if (m.mesh == mesh) found.push_back(m);
  return found;
}
// The models drawn, in order, as "name@x,y,z" joined by blanks.
inline std::string MeshList(const std::vector<DrawnMesh>& drawn) {
  std::string out;
  char entry[96];
  for (const DrawnMesh& m : drawn) {
    std::snprintf(entry, sizeof entry, "%s%s@%g,%g,%g", out.empty() ? "" : " ", m.mesh.c_str(), m.x, m.y, m.z);
    out += entry;
  }
  return out;
}
// The view transforms set, by the camera they name: "map", "classic", "hud", "thing" or "other".
inline std::string ViewName(const D3DMATRIX& m) {
  auto at = [&](float x, float y, float z) {
    return std::fabs(m.m[3][0] - x) < 1e-3f && std::fabs(m.m[3][1] - y) < 1e-3f && std::fabs(m.m[3][2] - z) < 1e-3f;
  };
  if (at(-70, 54, 100)) return "classic";
  if (at(-70, 50, 100)) return "hud";
  if (std::fabs(m.m[3][2] - 67.08204f) < 1e-3f) return "map";  // the eye 67.08 units from the origin
  return "other";
}
// Whether light `index` is switched on by the last LightEnable recorded for it.
inline bool LightOn(DWORD index) {
  BOOL on = FALSE;
  GetLightEnable(device, index, &on);
  return on != FALSE;
}


// The alpha byte of a packed colour.
inline int AlphaOf(D3DCOLOR color) { return static_cast<int>(color >> 24); }
