// The HUD on the recording device: the logo without a game; the panel with the lives, the gun level
// and the missiles during one; the fading message; the lights and the view it leaves.
#include "engine/hud.h"

#include "render_fixture.h"

namespace {

class HudTest : public SceneTest {
 protected:
  // A game with the ship in slot 5.
  static void Game(int lives, int level, int ammo, int kind, int reload) {
    in_game = 1;
    PlayerShip(lives);
    forward_level = level;
    missile_ammo = ammo;
    missile_kind = kind;
    thing_timer2[5] = reload;
  }
  static std::vector<DrawnMesh> Drawn() {
    GfxClearCalls();
    DrawHud();
    return Meshes();
  }
};

TEST_F(HudTest, WithoutAGameOnlyTheLogoWithoutMipLevels) {
  in_game = 0;
  PlayerShip(3);
  missile_ammo = 5;
  EXPECT_EQ(MeshList(Drawn()), "company_logo_01.x@39,75,-47");
  EXPECT_TRUE(Texts().empty());
  std::vector<DWORD> mip;
  for (const GfxCall& c : Calls())
    if (c.op == GFX_OP_SET_TEXTURE_STAGE_STATE && c.a == D3DTSS_MIPFILTER) mip.push_back(c.b);
  EXPECT_EQ(mip, (std::vector<DWORD>{D3DTEXF_NONE, D3DTEXF_LINEAR}));
}

TEST_F(HudTest, ThePanelShowsLivesLevelAndMissiles) {
  struct Case {
    const char* what;
    int lives, level, ammo, kind, reload;
    const char* models;
    const char* texts;
  };
  const Case cases[] = {
      {"three lives, level 1, bombs", 3, 1, 5, PROJ_BOMB, 0,
       "hud_01.x@70,77,-47 hp_tick_01.x@33,75,-47 hp_tick_01.x@35,75,-47 hp_tick_01.x@37,75,-47 "
       "shot_01.x@68,74,-51 hud_02.x@88,78,-49 bomb_01.x@93,74,-51",
       "L-1|x5"},
      {"no lives, level 0: no ticks, no shot model", 0, 0, 1, PROJ_DRUM, 0,
       "hud_01.x@70,77,-47 hud_02.x@88,78,-49 drum_01.x@93,74,-51", "L-0|x1"},
      {"level 2, hawks in a pair, reload 20", 1, 2, 9, PROJ_HAWK, 20,
       "hud_01.x@70,77,-47 hp_tick_01.x@33,75,-47 shot_02.x@68,74,-51 hud_02.x@98,78,-49 "
       "hawk_01.x@95,72.5,-51 hawk_01.x@95,75.5,-51",
       "L-2|x9"},
      {"level 3, crows, an odd reload halved down", 1, 3, 2, PROJ_CROW, 7,
       "hud_01.x@70,77,-47 hp_tick_01.x@33,75,-47 shot_03.x@67,74,-51 hud_02.x@91,78,-49 crow_01.x@97,74,-51",
       "L-3|x2"},
      {"no missiles: no count, bar or model", 1, 1, 0, PROJ_BOMB, 20,
       "hud_01.x@70,77,-47 hp_tick_01.x@33,75,-47 shot_01.x@68,74,-51", "L-1"},
      {"no kind chosen yet: count and bar, no model", 1, 4, 3, 0, 0,
       "hud_01.x@70,77,-47 hp_tick_01.x@33,75,-47 hud_02.x@88,78,-49", "L-4|x3"},
  };
  for (const Case& c : cases) {
    Game(c.lives, c.level, c.ammo, c.kind, c.reload);
    EXPECT_EQ(MeshList(Drawn()), c.models) << c.what;
    std::string texts;
    for (const DrawnText& t : Texts()) texts += (texts.empty() ? "" : "|") + t.text;
    EXPECT_EQ(texts, c.texts) << c.what;
  }
}

TEST_F(HudTest, EightLivesStandFrom33To47) {
  Game(8, 1, 0, PROJ_BOMB, 0);
  std::vector<DrawnMesh> ticks;
  for (const DrawnMesh& m : Drawn())
    if (m.mesh == "hp_tick_01.x") ticks.push_back(m);
  ASSERT_EQ(ticks.size(), 8u);
  EXPECT_EQ(ticks.front().x, 33);
  EXPECT_EQ(ticks.back().x, 47);
}

TEST_F(HudTest, TheCountersStandAtTheBottomOfTheHudTextRectangle) {
  Game(3, 2, 12, PROJ_BOMB, 0);
  DrawHud();
  DrawnText level = TextOf("L-2"), ammo = TextOf("x12");
  for (const DrawnText* t : {&level, &ammo}) {
    EXPECT_EQ(t->font, FONT_TEXT);
    EXPECT_EQ(t->color, 0xFFFFFFFFu);
    EXPECT_EQ(t->rect.left, 370);
    EXPECT_EQ(t->rect.top, 408);
    EXPECT_EQ(t->rect.right, 633);
    EXPECT_EQ(t->rect.bottom, 465);
  }
  EXPECT_EQ(level.format, DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(ammo.format, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP);
}

TEST_F(HudTest, AGameWithoutAShipInItsSlotShowsNoLivesAndAnEmptyBar) {
  Game(3, 1, 4, PROJ_BOMB, 30);
  thing_type[5] = 0;  // the slot was freed
  EXPECT_EQ(MeshList(Drawn()), "hud_01.x@70,77,-47 shot_01.x@68,74,-51 hud_02.x@88,78,-49 bomb_01.x@93,74,-51");
  player_thing = -2;
  EXPECT_EQ(MeshList(Drawn()), "hud_01.x@70,77,-47 shot_01.x@68,74,-51 hud_02.x@88,78,-49 bomb_01.x@93,74,-51");
}

TEST_F(HudTest, TheTurningModelsFollowTheSpinAngle) {
  Game(1, 2, 3, PROJ_DRUM, 0);
  spin_angle = 90;
  std::vector<DrawnMesh> drawn = Drawn();
  // Pitch -90 for the level-2 shot: the model's +y turns to device +z (playfield -z).
  const std::vector<DrawnMesh> shot = MeshesOf("shot_02.x");
  ASSERT_FALSE(shot.empty());
  EXPECT_NEAR(shot[0].world.m[1][2], -1, 1e-5);
  // Yaw 90 for the drum: +x turns to device -z.
  const std::vector<DrawnMesh> drum = MeshesOf("drum_01.x");
  ASSERT_FALSE(drum.empty());
  EXPECT_NEAR(drum[0].world.m[0][2], -1, 1e-5);
}

TEST_F(HudTest, TheMessageFadesOverFortyOneHuds) {
  in_game = 0;
  PostHudMessage("%s", "Difficulty Up");
  int drawn = 0;
  std::vector<int> alphas;
  for (int i = 0; i < 60; i++) {
    GfxClearCalls();
    DrawHud();
    for (const DrawnText& t : Texts()) {
      drawn++;
      alphas.push_back(AlphaOf(t.color));
      EXPECT_EQ(t.text, "Difficulty Up");
    }
  }
  EXPECT_EQ(drawn, 41);
  ASSERT_EQ(alphas.size(), 41u);
  EXPECT_EQ(alphas[0], 255);
  EXPECT_EQ(alphas[20], 255);  // alpha 1.0 or more is opaque
  EXPECT_LT(alphas[21], 255);
  EXPECT_EQ(alphas[40], 0);
  EXPECT_LE(message_alpha, 0.0f);
}

TEST_F(HudTest, TheMessageIsCentredOnTheClientAreaFromTheHudTextTop) {
  in_game = 1;
  PlayerShip(3);
  PostHudMessage("%s", "Paused");
  text_rect = {1, 2, 3, 4};
  DrawHud();
  DrawnText message = TextOf("Paused");
  EXPECT_EQ(message.font, FONT_TEXT);
  EXPECT_EQ(message.format, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(message.rect.left, 0);
  EXPECT_EQ(message.rect.top, 408);
  EXPECT_EQ(message.rect.right, 640);
  EXPECT_EQ(message.rect.bottom, 480);
  EXPECT_EQ((message.box.left + message.box.right) / 2, 320);
  EXPECT_EQ(text_rect.top, 408);  // the working rectangle keeps what the message left
}

TEST_F(HudTest, ItLeavesTheHudViewWithOnlyTheHudLightOfTheThree) {
  LightEnable(device, LIGHT_KEY, TRUE);
  LightEnable(device, LIGHT_FILL, TRUE);
  LightEnable(device, LIGHT_HUD, FALSE);
  LightEnable(device, LIGHT_MAP, TRUE);
  Game(2, 1, 1, PROJ_BOMB, 0);
  GfxClearCalls();
  DrawHud();
  EXPECT_TRUE(LightOn(LIGHT_HUD));
  EXPECT_FALSE(LightOn(LIGHT_KEY));
  EXPECT_FALSE(LightOn(LIGHT_FILL));
  EXPECT_TRUE(LightOn(LIGHT_MAP));
  std::vector<GfxCall> calls = Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].op, GFX_OP_SET_TRANSFORM);
  EXPECT_EQ(ViewName(calls[0].matrix), "hud");
  // The depth and stencil clear comes before the first model; the colour stays.
  bool cleared = false;
  for (const GfxCall& c : calls) {
    if (c.op == GFX_OP_DRAW_MESH) break;
    if (c.op == GFX_OP_CLEAR && c.b == (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL) && c.z == 1.0f) cleared = true;
  }
  EXPECT_TRUE(cleared);
}

}  // namespace
