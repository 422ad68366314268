// The title background on the recording device: the world, then five rows of ark rings of eight
// spokes each with the launch spoke drawn from the title values, then the HUD.
#include "engine/title.h"

#include <cmath>
#include <map>

#include "render_fixture.h"

namespace {

class TitleTest : public SceneTest {
 protected:
  // The ring pieces of one title frame (the HUD's logo left out).
  static std::vector<DrawnMesh> Pieces() {
    GfxClearCalls();
    DrawTitleScene();
    std::vector<DrawnMesh> pieces;
    for (const DrawnMesh& m : Meshes())
      if (m.mesh != "company_logo_01.x") pieces.push_back(m);
    return pieces;
  }
  static std::map<std::string, int> Counts(const std::vector<DrawnMesh>& pieces) {
    std::map<std::string, int> counts;
    for (const DrawnMesh& m : pieces) counts[m.mesh]++;
    return counts;
  }
};

// Where a piece d units from the row's axis at the spoke angle a stands.
void ExpectAt(const DrawnMesh& m, float x, float d, float a, const char* what) {
  double r = a * 0.017453292;
  EXPECT_NEAR(m.x, x, 1e-3) << what;
  EXPECT_NEAR(m.y, 50 + d * std::sin(r), 1e-3) << what;
  EXPECT_NEAR(m.z, d * std::cos(r), 1e-3) << what;
}

TEST_F(TitleTest, FiveRowsOfEightSpokesAndTheLaunchSpoke) {
  std::vector<DrawnMesh> pieces = Pieces();
  ASSERT_EQ(pieces.size(), 161u);
  std::map<std::string, int> counts = Counts(pieces);
  EXPECT_EQ(counts["ship_as_01.x"], 40);
  EXPECT_EQ(counts["ark_lift_01.x"], 40);
  EXPECT_EQ(counts["ark_lift_02.x"], 40);
  EXPECT_EQ(counts["ark_sling_01.x"], 40);
  EXPECT_EQ(counts["ark_sling_02.x"], 1);
  // The first spoke of the first row, then its second spoke a quarter of a half turn on.
  ExpectAt(pieces[0], 9, 33, 0, "ship");
  ExpectAt(pieces[1], 15.5f, 37, 0, "first lift");
  ExpectAt(pieces[2], 6.5f, 37, 0, "second lift");
  ExpectAt(pieces[3], 11, 35, 0, "sling");
  ExpectAt(pieces[4], 9, 33, 45, "next spoke's ship");
  // The last row stands at 190.
  ExpectAt(pieces.back(), 187, 35, 315, "last sling");
}

TEST_F(TitleTest, AtItsStartTheLaunchSpokeLooksLikeAnyOther) {
  std::vector<DrawnMesh> pieces = Pieces();
  // Row 58 starts after the 32 pieces of row 14: ship, two lifts, sling, second sling.
  ASSERT_GE(pieces.size(), 37u);
  const char* names[] = {"ship_as_01.x", "ark_lift_01.x", "ark_lift_02.x", "ark_sling_01.x", "ark_sling_02.x"};
  for (int i = 0; i < 5; i++) EXPECT_EQ(pieces[32 + i].mesh, names[i]);
  ExpectAt(pieces[32], 53, 33, 0, "launch ship");
  ExpectAt(pieces[33], 59.5f, 37, 0, "first lift");
  ExpectAt(pieces[34], 50.5f, 37, 0, "second lift");
  ExpectAt(pieces[35], 55, 35, 0, "sling");
  ExpectAt(pieces[36], 55, 35, 0, "second sling, on the first");
  // The lifts' roll: -10 on the first, 10 on the second, as on every spoke.
  for (int i : {33, 34}) {
    const D3DMATRIX& launch = pieces[i].world;
    const D3DMATRIX& plain = pieces[i - 32].world;
    for (int r = 0; r < 3; r++)
      for (int c = 0; c < 3; c++) EXPECT_NEAR(launch.m[r][c], plain.m[r][c], 1e-5) << i;
  }
}

TEST_F(TitleTest, TheRingsSlideAwayAndTheLaunchShipStaysUntilTick1100) {
  script_var_3 = -30;
  ark_radius = 29;
  title_lift_angle = 40;
  title_sling_x = 11;
  stage_tick = 1100;
  std::vector<DrawnMesh> pieces = Pieces();
  ASSERT_EQ(pieces.size(), 161u);
  ExpectAt(pieces[0], 14 - 30 - 5, 33, 0, "first row slid left");
  ExpectAt(pieces[32], 53, 27, 0, "launch ship where it started, 2 nearer than the slings");
  ExpectAt(pieces[35], 58 - 30 - 3, 29, 0, "sling at the ark radius");
  ExpectAt(pieces[36], 58 - 30 + 11, 29, 0, "second sling moved out");
  // The lifts roll by the lift angle, the first one negated; stood up by the pitch of -90, the
  // roll turns their x axis toward +z and -z.
  EXPECT_NEAR(pieces[33].world.m[0][2], std::sin(40 * 0.017453292), 1e-4);
  EXPECT_NEAR(pieces[34].world.m[0][2], -std::sin(40 * 0.017453292), 1e-4);
  stage_tick = 1101;
  pieces = Pieces();
  ASSERT_EQ(pieces.size(), 160u);
  EXPECT_EQ(pieces[32].mesh, "ark_lift_01.x");
}

TEST_F(TitleTest, TheMiddleRowAndTheOthersTurnApart) {
  title_ring_spin = 90;
  title_outer_ring_spin = 10;
  std::vector<DrawnMesh> pieces = Pieces();
  ExpectAt(pieces[0], 9, 33, 10, "outer row");
  ExpectAt(pieces[32], 53, 33, 90, "launch ship");
  ExpectAt(pieces[37], 53, 33, 135, "middle row, second spoke");
  ExpectAt(pieces[32 + 33], 102 - 5, 33, 10, "third row");  // after the 33 pieces of row 58
}

TEST_F(TitleTest, TheWorldFirstThenTheRingsThenTheHud) {
  stars_color = {1, 1, 1};
  GfxClearCalls();
  DrawTitleScene();
  std::vector<DrawnMesh> drawn = Meshes();
  ASSERT_EQ(drawn.size(), 163u);
  EXPECT_EQ(drawn.front().mesh, "stars_01.x");
  EXPECT_EQ(drawn.back().mesh, "company_logo_01.x");
  // No view before the HUD's: the rings are seen through the title stage's camera.
  std::vector<std::string> views;
  for (const GfxCall& c : Calls())
    if (c.op == GFX_OP_SET_TRANSFORM && c.a == D3DTS_VIEW) views.push_back(ViewName(c.matrix));
  EXPECT_EQ(views, std::vector<std::string>{"hud"});
  EXPECT_TRUE(LightOn(LIGHT_HUD));
  EXPECT_FALSE(LightOn(LIGHT_KEY));
  EXPECT_FALSE(LightOn(LIGHT_FILL));
  for (DWORD i = 0; i < 8; i++) EXPECT_FALSE(LightOn(i)) << "point light " << i;
}

}  // namespace
