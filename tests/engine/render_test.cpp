// The frame renderer on the recording device: what each game state's frame is made of, the sky
// gradient of the game frame, the frozen frame, the developer overlays and the two counters.
#include "engine/render.h"

#include "render_fixture.h"

namespace {

// The outline of the frame just drawn: "black" for a black clear of the whole target, "sky" and
// "band" for the gradient's clears, "begin", the views set by name, "end" and "present".
std::string Outline() {
  std::string out;
  auto add = [&](const std::string& word) { out += (out.empty() ? "" : " ") + word; };
  int bands = 0;
  for (const GfxCall& c : Calls()) {
    switch (c.op) {
      case GFX_OP_CLEAR:
        if (c.b == (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) break;  // the HUD's depth clear
        if (c.rect.left == 0 && c.rect.top == 0 && c.rect.right == 640 && c.rect.bottom == 480 &&
            c.color == 0xFF000000u)
          add("black");
        else if (c.rect.top == 0)
          add("sky");
        else
          bands++;
        break;
      case GFX_OP_BEGIN_SCENE:
        if (bands) add(std::to_string(bands) + "bands");
        bands = 0;
        add("begin");
        break;
      case GFX_OP_SET_TRANSFORM:
        if (c.a == D3DTS_VIEW) add(ViewName(c.matrix));
        break;
      case GFX_OP_END_SCENE: add("end"); break;
      case GFX_OP_PRESENT: add("present"); break;
      default: break;
    }
  }
  return out;
}

class FrameTest : public RenderTest {
 protected:
  // A game in play under a sky that runs from orange at the horizon to blue at the top.
  static void StartSkyFrame() {
    game_state = STATE_PLAYING;
    in_game = 1;
    PlayerShip(3);
    sky_color = {0.2f, 0.4f, 0.8f};
    horizon_color = {0.8f, 0.4f, 0.2f};
  }
};

TEST_F(FrameTest, EachStateDrawsItsBackgroundThenEndsAndPresents) {
  struct Case {
    int state;
    int in_game;
    int cursor;
    const char* outline;
  };
  // The title background sets no view of its own: it ends in the HUD's.
  const char* title = "black begin hud end present";
  const char* game = "black begin classic hud end present";
  const char* map = "black begin map end present";
  const char* play = "sky 30bands begin classic hud end present";
  const Case cases[] = {
      {STATE_BOOT, 0, 0, ""},
      {STATE_MAIN_MENU, 0, 0, title},
      {STATE_PAUSE_MENU, 1, 0, game},
      {STATE_PAUSED, 1, 0, play},
      {STATE_MENU_HIDDEN, 1, 0, play},
      {STATE_PLAYING, 1, 0, play},
      {STATE_OPTIONS, 0, 0, title},
      {STATE_OPTIONS, 1, 0, game},
      {STATE_ABOUT, 0, 0, title},
      {STATE_CREDITS, 1, 0, game},
      {STATE_FINAL_RESULTS, 1, 0, ""},
      {STATE_FINAL_RESULTS, 1, 1, map},
      {STATE_HIGH_SCORES, 1, 0, title},
      {STATE_DEV_MODE, 1, 0, game},
      {STATE_CURRENT_MAP, 1, 0, map},
      {STATE_FEATURE_UNLOCKED, 0, 4, map},
      {STATE_HIGH_SCORE_ENTRY, 0, 0, map},
      {STATE_SOUND_OPTIONS, 0, 0, title},
      {STATE_DISPLAY_OPTIONS, 1, 0, game},
      {STATE_CONTROLS_OPTIONS, 0, 0, title},
      {STATE_AWAIT_KEY, 1, 0, game},
      {STATE_COUNT, 0, 0, ""},
  };
  for (const Case& c : cases) {
    AtRest();
    PlayerShip(3);
    game_state = c.state;
    in_game = c.in_game;
    menu_cursor = c.cursor;
    GfxClearCalls();
    RenderFrame();
    EXPECT_EQ(Outline(), c.outline) << "state " << c.state << " in_game " << c.in_game;
  }
}

TEST_F(FrameTest, TheFrozenFrameOnlyAdvancesTheCountersAndKeepsTheMessage) {
  game_state = STATE_FINAL_RESULTS;
  menu_cursor = 0;
  in_game = 1;
  show_counts = show_fps = 1;
  message_alpha = 1.5f;
  RenderFrame();
  EXPECT_EQ(GfxCallCount(), 0);
  EXPECT_EQ(spin_angle, 2);
  EXPECT_EQ(blink, 1);
  EXPECT_EQ(message_alpha, 1.5f);
  EXPECT_EQ(GfxPresentCount(device), 0u);
}

TEST_F(FrameTest, WithoutADeviceNothingIsDrawnButTheCountersMove) {
  IDirect3DDevice8* kept = device;
  device = nullptr;
  game_state = STATE_PLAYING;
  RenderFrame();
  device = kept;
  EXPECT_EQ(GfxCallCount(), 0);
  EXPECT_EQ(spin_angle, 2);
}

TEST_F(FrameTest, TheCountersRunThroughTheirCycles) {
  game_state = STATE_BOOT;  // no frame: only the counters
  std::vector<float> spins;
  for (int i = 0; i < 181; i++) {
    RenderFrame();
    spins.push_back(spin_angle);
    EXPECT_EQ(blink, i % 2 == 0 ? 1.0f : 0.0f) << "call " << i;
  }
  EXPECT_EQ(spins[0], 2);
  EXPECT_EQ(spins[177], 356);
  EXPECT_EQ(spins[178], 358);
  EXPECT_EQ(spins[179], 0);  // 180 steps from 0 back to 0
  EXPECT_EQ(spins[180], 2);
}

// The clears of the game frame before its scene, as (top, bottom, colour).
struct Band {
  int top, bottom;
  D3DCOLOR color;
};
std::vector<Band> GradientClears() {
  std::vector<Band> bands;
  for (const GfxCall& c : Calls()) {
    if (c.op == GFX_OP_BEGIN_SCENE) break;
    if (c.op != GFX_OP_CLEAR) continue;
    EXPECT_EQ(c.b, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL);
    EXPECT_EQ(c.z, 1.0f);
    EXPECT_EQ(c.rect.left, 0);
    EXPECT_EQ(c.rect.right, 640);
    bands.push_back({c.rect.top, c.rect.bottom, c.color});
  }
  return bands;
}

TEST_F(FrameTest, TheGameFrameRisesInBandsFromTheHorizonTowardTheSky) {
  StartSkyFrame();
  RenderFrame();
  std::vector<Band> bands = GradientClears();
  ASSERT_EQ(bands.size(), 31u);
  EXPECT_EQ(bands[0].top, 0);
  EXPECT_EQ(bands[0].bottom, 240);
  EXPECT_EQ(bands[0].color, PackDeviceColor(0.2f, 0.4f, 0.8f));
  EXPECT_EQ(bands[1].top, 472);
  EXPECT_EQ(bands[1].bottom, 480);
  EXPECT_EQ(bands[1].color, PackDeviceColor(0.8f, 0.4f, 0.2f));  // the bottom band is the horizon
  EXPECT_EQ(bands[30].top, 240);
  EXPECT_EQ(bands[30].bottom, 248);
  // The top band is 29 steps of a thirtieth up: one step short of the sky.
  float step_r = (0.2f - 0.8f) / (240.0f / 8.0f), step_b = (0.8f - 0.2f) / (240.0f / 8.0f);
  float r = 0.8f, b = 0.2f;
  for (int i = 0; i < 29; i++) r += step_r, b += step_b;
  EXPECT_EQ(bands[30].color, PackDeviceColor(r, 0.4f, b));
}

TEST_F(FrameTest, GradientEdges) {
  game_state = STATE_PLAYING;
  in_game = 1;
  PlayerShip(3);
  struct Case {
    const char* what;
    Color3 sky, horizon;
    float detail;
    size_t clears;
    D3DCOLOR top_band;
  };
  const Case cases[] = {
      // One colour behind the world when the two are equal.
      {"equal colours", {0.3f, 0.5f, 0.7f}, {0.3f, 0.5f, 0.7f}, 8, 31, PackDeviceColor(0.3f, 0.5f, 0.7f)},
      // A channel stepping below 0 through rounding is drawn as 0.
      {"clamped at 0", {0, 0, 0}, {1e-7f, 0, 0}, 8, 31, 0xFF000000u},
      // A band thinner than a pixel is a pixel: 240 bands, and the loop ends.
      {"detail 0", {0, 0, 0}, {0, 0, 0}, 0, 241, 0xFF000000u},
      {"detail NaN", {0, 0, 0}, {0, 0, 0}, std::nanf(""), 241, 0xFF000000u},
      {"detail 0.5", {0, 0, 0}, {0, 0, 0}, 0.5f, 241, 0xFF000000u},
      // One band taller than the screen covers the lower half at once.
      {"detail 1e9", {0, 0, 0}, {0, 0, 0}, 1e9f, 2, 0xFF000000u},
  };
  for (const Case& c : cases) {
    sky_color = c.sky;
    horizon_color = c.horizon;
    gradient_detail = c.detail;
    GfxClearCalls();
    RenderFrame();
    std::vector<Band> bands = GradientClears();
    ASSERT_EQ(bands.size(), c.clears) << c.what;
    EXPECT_EQ(bands.back().color, c.top_band) << c.what;
    EXPECT_LE(bands.back().top, 240) << c.what;
  }
}

// A fractional or small detail is one whole band height g for the rows, the loop's step and the
// colour's step alike: bands of exactly g rows, each starting where the one below ends, each one
// colour step of (sky - horizon) / (240 / g) above it.
TEST_F(FrameTest, AFractionalDetailIsOneWholeBandHeight) {
  StartSkyFrame();
  struct Case {
    float detail;
    int band;
  };
  for (Case c : {Case{2.5f, 2}, Case{7.9f, 7}, Case{1.5f, 1}, Case{8.0f, 8}, Case{0.99f, 1}}) {
    SCOPED_TRACE(c.detail);
    gradient_detail = c.detail;
    GfxClearCalls();
    RenderFrame();
    std::vector<Band> bands = GradientClears();
    ASSERT_EQ(bands.size(), 1u + (240 + c.band - 1) / c.band);
    float bands_across = 240.0f / static_cast<float>(c.band);
    float step_r = (0.2f - 0.8f) / bands_across, step_b = (0.8f - 0.2f) / bands_across;
    float r = 0.8f, b = 0.2f;
    int bottom = 480;
    for (size_t i = 1; i < bands.size(); i++) {
      ASSERT_EQ(bands[i].bottom, bottom) << "band " << i;
      ASSERT_EQ(bands[i].top, bottom - c.band) << "band " << i;
      ASSERT_EQ(bands[i].color, PackDeviceColor(r, 0.4f, b)) << "band " << i;
      bottom -= c.band;
      r += step_r, b += step_b;
    }
  }
}

TEST_F(FrameTest, OnlyTheGameFrameUsesTheDevModeCamera) {
  PlayerShip(3);
  thing_type[7] = THING_PLAYER;
  thing_x[7] = 40;
  thing_y[7] = 30;
  camera_view = 7;
  in_game = 1;
  game_state = STATE_PLAYING;
  RenderFrame();
  EXPECT_EQ(Outline(), "sky 30bands begin other hud end present");
  for (int state : {STATE_PAUSE_MENU, STATE_OPTIONS, STATE_SOUND_OPTIONS}) {
    game_state = state;
    GfxClearCalls();
    RenderFrame();
    EXPECT_EQ(Outline(), "black begin classic hud end present") << "state " << state;
  }
}

TEST_F(FrameTest, DeveloperOverlaysInTheConsoleFontInWhite) {
  in_game = 1;
  PlayerShip(3);
  game_state = STATE_PLAYING;
  show_counts = show_fps = show_input = show_location = 1;
  thing_count = 4;
  projectile_count = 12;
  generator_count = 1;
  static_count = 0;
  fps = 19;
  action_left = 1;
  action_down = 1;
  current_stage = 7;
  stage_tick = 321;
  RenderFrame();
  action_left = action_down = 0;
  struct Expected {
    const char* text;
    DWORD align;
  };
  // The L field reads the point lights after DisableLights: always 0.
  const Expected expected[] = {
      {"T:4  P:12  G:1  S:0  L:0", DT_LEFT | DT_TOP},
      {"19", DT_CENTER | DT_TOP},
      {"1 0 0 1", DT_CENTER | DT_TOP},  // over the fps text
      {"7:321", DT_CENTER | DT_VCENTER},
  };
  std::vector<DrawnText> texts = Texts();
  ASSERT_GE(texts.size(), 4u);
  for (size_t i = 0; i < 4; i++) {
    const DrawnText& t = texts[texts.size() - 4 + i];
    EXPECT_EQ(t.text, expected[i].text);
    EXPECT_EQ(t.font, FONT_CONSOLE) << t.text;
    EXPECT_EQ(t.format, expected[i].align | DT_SINGLELINE | DT_NOCLIP) << t.text;
    EXPECT_EQ(t.color, 0xFFFFFFFFu) << t.text;
    EXPECT_EQ(t.rect.right, 640) << t.text;
    EXPECT_EQ(t.rect.bottom, 480) << t.text;
  }
  // Both top-centre texts stand at the same place, over each other.
  EXPECT_EQ(texts[texts.size() - 3].box.top, texts[texts.size() - 2].box.top);
}

TEST_F(FrameTest, TextColoursFollowTheTextColourRule) {
  struct Case {
    float r, g, b, a;
    D3DCOLOR packed;
  };
  const Case cases[] = {
      {1, 0, 0, 0.7f, 0xB2FF0000u},      // a screen title: alpha 178
      {1, 1, 1, 0.5f, 0x80FFFFFFu},      // a row not selected: 128
      {2, -1, 0.5f, 1, 0xFFFF0080u},     // clamped; 0.5 gives 128
      {1, 1, 1, -0.05f, 0x00FFFFFFu},    // a faded message
  };
  for (const Case& c : cases) EXPECT_EQ(TextColor(c.r, c.g, c.b, c.a), c.packed);
}

}  // namespace
