// The Current Map panel on the recording device: the marker of every Cast Mode node and Survival
// stage, the course models and shadow by mode, the ship or the explosion, and the texts by state
// and mode.
#include "engine/map.h"

#include "render_fixture.h"

namespace {

class MapTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (IsSkipped()) return;
    in_game = 1;
    game_state = STATE_CURRENT_MAP;
    PlayerShip(3);
  }
  static void Panel() {
    GfxClearCalls();
    DrawMapPanel();
  }
};

TEST_F(MapTest, EveryCastNodeHasItsMarker) {
  struct Case {
    int node;
    float x, z;
  };
  const Case cases[] = {
      {0, 0, -25},  {1, -15, -17}, {2, 15, -21}, {3, 15, -13}, {4, 15, 4},  {5, -25, 0},
      {6, 0, -8},   {7, 0, 8},     {8, 40, -22}, {9, -15, 17}, {10, 15, -4}, {11, 15, 13},
      {12, 15, 21}, {13, 40, 0},   {14, 0, 25},  {15, 15, 30}, {16, 40, 22},
      {-1, 0, 0},   {17, 0, 0},  // outside the graph: the origin
  };
  game_mode = MODE_CAST;
  for (const Case& c : cases) {
    current_stage = c.node;
    Panel();
    std::vector<DrawnMesh> ship = MeshesOf("ship_as_01.x");
    ASSERT_EQ(ship.size(), 1u) << "node " << c.node;
    EXPECT_FLOAT_EQ(ship[0].x, c.x) << "node " << c.node;
    EXPECT_FLOAT_EQ(ship[0].y, -6) << "node " << c.node;  // 6 units above the map
    EXPECT_FLOAT_EQ(ship[0].z, c.z) << "node " << c.node;
    for (const DrawnMesh& shadow : MeshesOf("shadow_as_01.x")) {
      EXPECT_FLOAT_EQ(shadow.x, c.x);
      EXPECT_FLOAT_EQ(shadow.y, 0);
      EXPECT_FLOAT_EQ(shadow.z, c.z);
    }
  }
}

TEST_F(MapTest, SurvivalMarksTheStageAlongItsLine) {
  game_mode = MODE_SURVIVAL;
  struct Case {
    int stage;
    float x, z;
  };
  for (const Case& c : {Case{0, -37, -32}, Case{16, 25.4f, 30.4f}, Case{5, -17.5f, -12.5f}}) {
    current_stage = c.stage;
    MapPoint p = MapMarker();
    EXPECT_NEAR(p.x, c.x, 1e-4) << "stage " << c.stage;
    EXPECT_NEAR(p.z, c.z, 1e-4) << "stage " << c.stage;
  }
}

TEST_F(MapTest, ModelsByModeAndLife) {
  const std::string shadows = [] {
    std::string s;
    for (int i = 0; i < 9; i++) s += "shadow_as_01.x@-25,0,0 ";
    return s;
  }();
  struct Case {
    const char* what;
    int mode, state, hp;
    std::string models;
  };
  const Case cases[] = {
      {"cast, alive", MODE_CAST, STATE_CURRENT_MAP, 3,
       "map_floor_01.x@0,0,0 " + shadows + "map_cast_01.x@0,0,0 map_cast_01.x@0,-3,0 ship_as_01.x@-25,-6,0"},
      {"cast, lost: no shadow, the explosion", MODE_CAST, STATE_FINAL_RESULTS, 0,
       "map_floor_01.x@0,0,0 map_cast_01.x@0,0,0 map_cast_01.x@0,-3,0 explosion_01.x@-25,-6,0"},
      {"the pause menu's map always shows the ship", MODE_CAST, STATE_CURRENT_MAP, 0,
       "map_floor_01.x@0,0,0 " + shadows + "map_cast_01.x@0,0,0 map_cast_01.x@0,-3,0 ship_as_01.x@-25,-6,0"},
      {"random: no course, no shadow, at the origin", MODE_RANDOM, STATE_FINAL_RESULTS, 2,
       "map_floor_01.x@0,0,0 ship_as_01.x@0,-6,0"},
      {"boss battle, lost", MODE_BOSS_BATTLE, STATE_HIGH_SCORE_ENTRY, -4,
       "map_floor_01.x@0,0,0 explosion_01.x@0,-6,0"},
  };
  current_stage = 5;
  for (const Case& c : cases) {
    game_mode = c.mode;
    game_state = c.state;
    thing_hp[5] = c.hp;
    Panel();
    EXPECT_EQ(MeshList(Meshes()), c.models) << c.what;
  }
}

TEST_F(MapTest, TheCourseModelIsDrawnUnlitThenLitAbove) {
  game_mode = MODE_SURVIVAL;
  current_stage = 3;
  Panel();
  // LightEnable of the map light, and the course draws, in order.
  std::string trace;
  for (const GfxCall& c : Calls()) {
    if (c.op == GFX_OP_LIGHT_ENABLE && c.a == LIGHT_MAP) trace += c.b ? "on " : "off ";
    if (c.op == GFX_OP_LIGHT_ENABLE && c.a != LIGHT_MAP && c.b) trace += "other-on ";
    if (c.op == GFX_OP_DRAW_MESH && MeshName(c.object) == "map_survival_01.x") trace += "course ";
  }
  EXPECT_EQ(trace, "on off course on course ");
  EXPECT_TRUE(LightOn(LIGHT_MAP));
  EXPECT_FALSE(LightOn(LIGHT_KEY));
  EXPECT_FALSE(LightOn(LIGHT_FILL));
  EXPECT_FALSE(LightOn(LIGHT_HUD));
}

TEST_F(MapTest, TheExplosionTurnsAgainstTheSpinAngle) {
  game_mode = MODE_CAST;
  game_state = STATE_FINAL_RESULTS;
  current_stage = 8;
  thing_hp[5] = 0;
  spin_angle = 90;
  Panel();
  std::vector<DrawnMesh> explosion = MeshesOf("explosion_01.x");
  ASSERT_EQ(explosion.size(), 1u);
  // Yaw -90 then pitch 40: the model's +x turns to device +z.
  EXPECT_NEAR(explosion[0].world.m[0][2], 1, 1e-5);
  EXPECT_FLOAT_EQ(explosion[0].x, 40);
  DrawnText kia = TextOf("KIA");
  EXPECT_EQ(kia.font, FONT_NUMBER);
  EXPECT_EQ(kia.format, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(kia.color, 0xB2FF0000u);
  EXPECT_EQ(kia.rect.right, 640);
  EXPECT_EQ(kia.rect.bottom, 480);
}

// The panel's texts as "text[font,align]" joined by "|".
std::string TextList() {
  std::string out;
  for (const DrawnText& t : Texts()) {
    DWORD align = t.format & (DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM);
    const char* where = align == (DT_LEFT | DT_BOTTOM)      ? "bottom-left"
                        : align == (DT_RIGHT | DT_BOTTOM)   ? "bottom-right"
                        : align == (DT_CENTER | DT_TOP)     ? "top"
                        : align == (DT_CENTER | DT_VCENTER) ? "middle"
                                                            : "?";
    out += (out.empty() ? "" : "|") + t.text + "[" + FontName(t.font) + "," + where + "]";
  }
  return out;
}

TEST_F(MapTest, TextsByModeAndState) {
  struct Case {
    const char* what;
    int mode, state, hp;
    const char* texts;
  };
  const Case cases[] = {
      {"cast", MODE_CAST, STATE_CURRENT_MAP, 3,
       "SCORE:[number,bottom-left]|1234[number,bottom-right]|Cast Mode[number,top]"},
      {"survival", MODE_SURVIVAL, STATE_FINAL_RESULTS, 3,
       "SCORE:[number,bottom-left]|1234[number,bottom-right]|PASSED:[number,bottom-left]|6[number,bottom-right]|"
       "Survival[number,top]"},
      {"random", MODE_RANDOM, STATE_FINAL_RESULTS, 3,
       "SCORE:[number,bottom-left]|1234[number,bottom-right]|PASSED:[number,bottom-left]|5/17[number,bottom-right]|"
       "Random Mode[number,top]"},
      {"boss battle", MODE_BOSS_BATTLE, STATE_CURRENT_MAP, 3,
       "SCORE:[number,bottom-left]|1234[number,bottom-right]|Boss Battle[number,top]|2:05[banner,middle]"},
      {"dev mode: no mode line", MODE_DEV, STATE_CURRENT_MAP, 3,
       "SCORE:[number,bottom-left]|1234[number,bottom-right]"},
      {"feature unlocked: the score only", MODE_SURVIVAL, STATE_FEATURE_UNLOCKED, 3,
       "SCORE:[number,bottom-left]|1234[number,bottom-right]"},
      {"name entry after a loss: KIA and the score", MODE_RANDOM, STATE_HIGH_SCORE_ENTRY, 0,
       "KIA[number,bottom-right]|SCORE:[number,bottom-left]|1234[number,bottom-right]"},
  };
  score = 1234;
  current_stage = 6;
  random_index = 5;
  play_minutes = 2;
  play_seconds = 5;
  for (const Case& c : cases) {
    game_mode = c.mode;
    game_state = c.state;
    thing_hp[5] = c.hp;
    Panel();
    EXPECT_EQ(TextList(), c.texts) << c.what;
  }
}

TEST_F(MapTest, TheScoreAreaAndTheLineAboveIt) {
  game_mode = MODE_SURVIVAL;
  game_state = STATE_FINAL_RESULTS;
  Panel();
  std::vector<DrawnText> texts = Texts();
  ASSERT_EQ(texts.size(), 5u);
  for (int i = 0; i < 2; i++) {  // the score: the left part of the screen, to its bottom
    EXPECT_EQ(texts[i].rect.left, 0);
    EXPECT_EQ(texts[i].rect.top, 60);
    EXPECT_EQ(texts[i].rect.right, 320 - 96);
    EXPECT_EQ(texts[i].rect.bottom, 480);
    EXPECT_EQ(texts[i].color, 0xB2FFFFFFu);
  }
  for (int i = 2; i < 4; i++) EXPECT_EQ(texts[i].rect.bottom, 456);  // half a line higher
  EXPECT_EQ(texts[4].rect.right, 640);                                 // the mode across the screen
  EXPECT_EQ(texts[4].rect.top, 60);
}

// Cast Mode and Survival centre their names across the screen; Random Mode and Boss Battle keep
// the score area's sides and centre theirs over it.
TEST_F(MapTest, TheModeNameStandsOverItsRectangle) {
  struct Case {
    int mode;
    const char* name;
    LONG right;
  };
  const Case cases[] = {
      {MODE_CAST, "Cast Mode", 640},
      {MODE_SURVIVAL, "Survival", 640},
      {MODE_RANDOM, "Random Mode", 320 - 96},
      {MODE_BOSS_BATTLE, "Boss Battle", 320 - 96},
  };
  game_state = STATE_FINAL_RESULTS;
  for (const Case& c : cases) {
    game_mode = c.mode;
    Panel();
    DrawnText name = TextOf(c.name);
    EXPECT_EQ(name.rect.left, 0) << c.name;
    EXPECT_EQ(name.rect.right, c.right) << c.name;
    EXPECT_EQ(name.rect.top, 60) << c.name;
    EXPECT_EQ(name.format, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOCLIP) << c.name;
  }
}

TEST_F(MapTest, TheBossBattleTimeIsWhileAliveAndRedOnceLost) {
  game_mode = MODE_BOSS_BATTLE;
  game_state = STATE_FINAL_RESULTS;
  struct Case {
    int minutes, seconds, hp;
    const char* time;
    D3DCOLOR color;
  };
  const Case cases[] = {
      {2, 5, 1, "2:05", 0xB2FFFFFFu},
      {2, 15, 1, "2:15", 0xB2FFFFFFu},
      {0, 0, 0, "0:00", 0xB2FF0000u},
  };
  for (const Case& c : cases) {
    play_minutes = c.minutes;
    play_seconds = c.seconds;
    thing_hp[5] = c.hp;
    Panel();
    DrawnText time = TextOf(c.time);
    EXPECT_EQ(time.color, c.color) << c.time;
    EXPECT_EQ(time.rect.right, 640);
    EXPECT_EQ(time.rect.bottom, 480);
  }
}

TEST_F(MapTest, AGameWithoutAShipSlotShowsTheLossExceptOnThePauseMap) {
  game_mode = MODE_CAST;
  current_stage = 5;
  player_thing = -1;  // the ship could not be spawned
  game_state = STATE_FINAL_RESULTS;
  Panel();
  EXPECT_EQ(MeshesOf("explosion_01.x").size(), 1u);
  EXPECT_EQ(CountText("KIA"), 1);
  game_state = STATE_CURRENT_MAP;
  Panel();
  EXPECT_EQ(MeshesOf("ship_as_01.x").size(), 1u);
}

}  // namespace
