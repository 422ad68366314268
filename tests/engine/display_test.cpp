// The display on the recording device: mode list, creation and its failures, fixed states,
// layout, projection, fonts and release.
#include "engine/display.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/main_loop.h"
#include "engine_state.h"
#include "platform/script.h"
#include "platform/win.h"
#include "support/temp_dir.h"
#include "test_window.h"
#include "world/game.h"

namespace {

// True when a line of the console ring holds the text (messages printed while a device exists).
bool ConsoleSaid(const char* text) {
  for (const ConsoleLine& line : console_lines) {
    if (std::string(line.text).find(text) != std::string::npos) return true;
  }
  return false;
}

// In a folder of its own: the messages of a start reach "console.log" there.
class DisplayTest : public WorkingDirTest {
 protected:
  void SetUp() override {
    WorkingDirTest::SetUp();
    ResetEngineState();
    ASSERT_NE(MakeTestWindow("DisplayTest"), nullptr);
  }
  void TearDown() override {
    ResetEngineState();
    WorkingDirTest::TearDown();
  }
  // Starts a display as the main loop does, keeping what went to standard error.
  int Start() {
    testing::internal::CaptureStderr();
    int made = InitDirect3D();
    if (made) {
      ComputeLayout();
      SetProjection();
      CreateFonts();
    }
    err = testing::internal::GetCapturedStderr();
    return made;
  }
  static void Modes(std::initializer_list<D3DDISPLAYMODE> modes) {
    gfx_headless.mode_count = 0;
    for (const D3DDISPLAYMODE& m : modes) gfx_headless.modes[gfx_headless.mode_count++] = m;
  }
  static const GfxCall* LastCreate() {
    const GfxCall* found = nullptr;
    for (int i = 0; i < GfxCallCount(); i++) {
      if (GfxCallAt(i)->op == GFX_OP_CREATE_DEVICE) found = GfxCallAt(i);
    }
    return found;
  }
  std::string err;
};

constexpr D3DFORMAT X8 = D3DFMT_X8R8G8B8;
constexpr D3DFORMAT R565 = D3DFMT_R5G6B5;

TEST_F(DisplayTest, ModeListKeepsFourByThreeModesOnceEach) {
  Modes({{640, 480, 60, X8}, {640, 480, 70, X8}, {640, 480, 75, X8}, {640, 480, 85, X8},
         {640, 480, 60, R565}, {720, 480, 60, X8}, {800, 600, 60, X8}, {1152, 864, 60, X8},
         {1280, 960, 60, X8}, {1280, 1024, 60, X8}});
  ASSERT_EQ(Start(), 1);
  ASSERT_EQ(display_mode_count, 4);
  EXPECT_EQ(display_mode_last, 3);
  const int want[4][3] = {{640, 480, X8}, {640, 480, R565}, {800, 600, X8}, {1152, 864, X8}};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(display_mode_width[i], want[i][0]) << i;
    EXPECT_EQ(display_mode_height[i], want[i][1]) << i;
    EXPECT_EQ(display_mode_format[i], want[i][2]) << i;
  }
}

TEST_F(DisplayTest, StandardAdapterListsTheFourExtraModes) {
  ASSERT_EQ(Start(), 1);
  ASSERT_EQ(display_mode_count, 4);
  EXPECT_EQ(display_mode_width[3], 1152);
  EXPECT_EQ(display_mode_height[3], 864);
}

TEST_F(DisplayTest, ASizeOfEqualSidesIsAModeIndex) {
  Modes({{640, 480, 60, X8}, {800, 600, 60, R565}, {1024, 768, 60, X8}});
  struct Case {
    float index;
    int width, height, format, selected;
  };
  const Case cases[] = {
      {2, 1024, 768, X8, 2},
      {0, 640, 480, X8, 0},
      {1, 800, 600, R565, 1},
      {3, 640, 480, X8, 0},   // past the list: the first entry
      {-4, 640, 480, X8, 0},
  };
  for (const Case& c : cases) {
    for (float window : {0.0f, 1.0f}) {
      SCOPED_TRACE(testing::Message() << c.index << (window != 0 ? " in a window" : " full screen"));
      ReleaseGraphics();
      windowed = window;
      display_width = display_height = c.index;
      display_mode_index = -1;
      ASSERT_EQ(Start(), 1) << err;
      EXPECT_EQ(display_width, c.width);
      EXPECT_EQ(display_height, c.height);
      EXPECT_EQ(display_format, c.format);
      EXPECT_EQ(display_mode_index, c.selected);
      // A window first placed at the index's tiny size is placed again at the mode's.
      EXPECT_EQ(client_rect.right, c.width);
      EXPECT_EQ(client_rect.bottom, c.height);
    }
  }
}

TEST_F(DisplayTest, WithoutFourByThreeModesTheDefaultsStand) {
  Modes({{1920, 1080, 60, X8}, {1280, 1024, 60, X8}});
  display_width = display_height = 1;
  ASSERT_EQ(Start(), 1) << err;
  EXPECT_EQ(display_mode_count, 0);
  EXPECT_EQ(display_mode_last, 0);
  EXPECT_EQ(display_width, 640);  // never 0 x 0
  EXPECT_EQ(display_height, 480);
  EXPECT_EQ(display_format, 22);
  EXPECT_EQ(display_mode_width[0], 640);
  EXPECT_EQ(display_mode_index, -1);
}

TEST_F(DisplayTest, WindowedDeviceTakesTheClientSizeAndShowsTheCursor) {
  display_width = 800;
  display_height = 600;
  ASSERT_EQ(Start(), 1);
  RECT client;
  GetClientRect(main_window, &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  EXPECT_TRUE(IsWindowVisible(main_window));
  EXPECT_EQ(full_screen_active, 0);
  EXPECT_TRUE(CursorShown());
  ASSERT_NE(LastCreate(), nullptr);
  EXPECT_EQ(LastCreate()->a, 800u);
  EXPECT_EQ(client_rect.right, 800);
  EXPECT_EQ(settings_changed, 0);
}

TEST_F(DisplayTest, FullScreenHidesTheCursor) {
  windowed = 0;
  display_width = 1024;
  display_height = 768;
  ASSERT_EQ(Start(), 1);
  EXPECT_EQ(full_screen_active, 1);
  EXPECT_FALSE(CursorShown());
  EXPECT_EQ(LastCreate()->a, 1024u);
  EXPECT_EQ(client_rect.bottom, 768);
}

TEST_F(DisplayTest, CreationFailuresAndTheirMessages) {
  struct Case {
    const char* label;
    HRESULT first, retry;
    float windowed;
    int made;
    const char* message;
  };
  const Case cases[] = {
      {"out of memory", D3DERR_OUTOFVIDEOMEMORY, S_OK, 1, 0,
       "message box [Error] Memory error while creating Direct3D object."},
      {"invalid, retried in a window", D3DERR_INVALIDCALL, S_OK, 1, 1,
       "message box [Invalid Setting(s)] One or more preferences are not supported by video hardware. Running with "
       "default settings"},
      {"not available, retried full screen", D3DERR_NOTAVAILABLE, S_OK, 0, 1,
       "One or more preferences are not supported by video hardware. Running with default settings"},
      {"retry fails", D3DERR_NOTAVAILABLE, D3DERR_INVALIDCALL, 1, 0,
       "message box [Error] Video hardware not present or locked by another application"},
      {"unknown", E_FAIL, S_OK, 1, 0, "message box [Error Unknown] Unknown error while creating Direct3D object."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ReleaseGraphics();
    windowed = c.windowed;
    gfx_headless.create_results[0] = c.first;
    gfx_headless.create_results[1] = c.retry;
    gfx_headless.create_result_count = 2;
    EXPECT_EQ(Start(), c.made);
    EXPECT_TRUE(err.find(c.message) != std::string::npos || ConsoleSaid(c.message)) << err;
    EXPECT_EQ(device != nullptr, c.made == 1);
    EXPECT_EQ(IsWindowVisible(main_window), c.made == 1);
    if (c.made && !c.windowed) {
      EXPECT_EQ(err.find("message box"), std::string::npos) << err;
    }
    gfx_headless.create_result_count = 0;
  }
}

TEST_F(DisplayTest, TheRetryInAWindowTakesTheFirstModeAndLaysItOut) {
  display_width = 800;
  display_height = 600;
  antialias = 4;
  gfx_headless.max_samples = 2;  // the multisample type is refused
  ASSERT_EQ(Start(), 1);
  EXPECT_NE(err.find("[Invalid Setting(s)]"), std::string::npos) << err;
  EXPECT_EQ(LastCreate()->a, 640u);
  EXPECT_EQ(LastCreate()->b, 480u);
  EXPECT_EQ(antialias, 4);  // the configuration stays as it was
  EXPECT_EQ(display_width, 800);
  RECT client;
  GetClientRect(main_window, &client);
  EXPECT_EQ(client.right, 800);  // the window keeps its size and shows the frame scaled
  EXPECT_EQ(client_rect.right, 640);
  EXPECT_EQ(client_rect.bottom, 480);
  EXPECT_EQ(line_height, 48);
  // A start that is granted its size lays the window out at it again.
  ReleaseGraphics();
  antialias = 0;
  ASSERT_EQ(Start(), 1) << err;
  EXPECT_EQ(client_rect.right, 800);
  EXPECT_EQ(client_rect.bottom, 600);
}

TEST_F(DisplayTest, AFullScreenRetryLaysTheScreenOutAtTheModeItGot) {
  windowed = 0;
  display_width = 1280;  // a size the adapter does not list
  display_height = 960;
  ASSERT_EQ(Start(), 1) << err;
  EXPECT_TRUE(ConsoleSaid("Running with default settings"));
  EXPECT_EQ(LastCreate()->a, 640u);
  EXPECT_EQ(display_width, 1280);  // the configuration stays as it was
  EXPECT_EQ(client_rect.right, 640);
  EXPECT_EQ(client_rect.bottom, 480);
  EXPECT_EQ(line_height, 48);
  // The next start that gets its mode lays it out at the configured size again.
  ReleaseGraphics();
  display_width = 800;
  display_height = 600;
  ASSERT_EQ(Start(), 1) << err;
  EXPECT_EQ(client_rect.right, 800);
  EXPECT_EQ(client_rect.bottom, 600);
}

TEST_F(DisplayTest, NoDirect3DObject) {
  gfx_headless.fail_direct3d_create = TRUE;
  EXPECT_EQ(Start(), 0);
  EXPECT_NE(err.find("Error creating Direct3D Object"), std::string::npos) << err;
}

TEST_F(DisplayTest, LightBudgetOnlyFallsAndMayGoNegative) {
  gfx_headless.max_active_lights = 8;
  ASSERT_EQ(Start(), 1);
  EXPECT_EQ(light_budget, 6);
  ReleaseGraphics();
  gfx_headless.max_active_lights = 10;
  ASSERT_EQ(Start(), 1);
  EXPECT_EQ(light_budget, 6);
  ReleaseGraphics();
  gfx_headless.max_active_lights = 0xFFFFFFFFu;  // no limit to speak of: more than the budget, not fewer
  ASSERT_EQ(Start(), 1);
  EXPECT_EQ(light_budget, 6);
  ReleaseGraphics();
  gfx_headless.max_active_lights = 0;
  ASSERT_EQ(Start(), 1);
  EXPECT_EQ(light_budget, -2);
}

TEST_F(DisplayTest, FixedStatesInOrder) {
  fill_mode = D3DFILL_WIREFRAME;
  sky_color = {0.5f, 1.0f, 0.2f};
  fog_end = 350.0f;
  ASSERT_EQ(Start(), 1);
  int first = -1;
  for (int i = 0; i < GfxCallCount() && first < 0; i++) {
    if (GfxCallAt(i)->op == GFX_OP_SET_RENDER_STATE) first = i;
  }
  ASSERT_GE(first, 0);
  struct Want {
    DWORD state, value;
  };
  const Want want[] = {
      {D3DRS_FILLMODE, D3DFILL_WIREFRAME}, {D3DRS_LIGHTING, 1}, {D3DRS_SPECULARENABLE, 0},
      {D3DRS_DITHERENABLE, 1}, {D3DRS_ZENABLE, 1}, {D3DRS_ALPHABLENDENABLE, 1},
      {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}, {D3DRS_FOGENABLE, 0},
      {D3DRS_FOGCOLOR, 0xFF7FFF33}, {D3DRS_EDGEANTIALIAS, 1}, {D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR},
      {D3DRS_FOGSTART, FloatBits(0.0f)}, {D3DRS_FOGEND, FloatBits(350.0f)},
  };
  for (size_t i = 0; i < std::size(want); i++) {
    const GfxCall* call = GfxCallAt(first + static_cast<int>(i));
    ASSERT_EQ(call->op, GFX_OP_SET_RENDER_STATE) << i;
    EXPECT_EQ(call->a, want[i].state) << i;
    EXPECT_EQ(call->b, want[i].value) << i;
  }
  DWORD value;
  GetTextureStageState(device, 0, D3DTSS_COLORARG2, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTA_DIFFUSE));
  GetTextureStageState(device, 0, D3DTSS_MIPFILTER, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_LINEAR));
}

TEST_F(DisplayTest, FogColourAndEndGoToTheDeviceWhenThereIsOne) {
  SetFogColor(0xFF102030);  // no device: nothing to do
  ASSERT_EQ(Start(), 1);
  SetFogColor(0xFF405060);
  SetFogEnd(120.5f);
  DWORD value;
  GetRenderState(device, D3DRS_FOGCOLOR, &value);
  EXPECT_EQ(value, 0xFF405060u);
  GetRenderState(device, D3DRS_FOGEND, &value);
  EXPECT_EQ(BitsFloat(value), 120.5f);
}

TEST_F(DisplayTest, LayoutValues) {
  struct Case {
    int w, h, line, cx, cy, ex, ey;
    RECT hud;
  };
  const Case cases[] = {
      {640, 480, 48, 320, 240, 80, 60, {370, 408, 633, 465}},
      {800, 600, 60, 400, 300, 100, 75, {462, 510, 791, 582}},
      {1024, 768, 76, 512, 384, 128, 96, {592, 653, 1013, 744}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w);
    for (float window : {1.0f, 0.0f}) {
      ReleaseGraphics();
      windowed = window;
      display_width = static_cast<float>(c.w);
      display_height = static_cast<float>(c.h);
      ASSERT_EQ(Start(), 1) << err;
      EXPECT_EQ(client_rect.right, c.w);
      EXPECT_EQ(screen_width, c.w);
      EXPECT_EQ(screen_height, c.h);
      EXPECT_EQ(line_height, c.line);
      EXPECT_EQ(screen_center_x, c.cx);
      EXPECT_EQ(screen_center_y, c.cy);
      EXPECT_EQ(screen_eighth_x, c.ex);
      EXPECT_EQ(screen_eighth_y, c.ey);
      EXPECT_EQ(hud_text_rect.left, c.hud.left);
      EXPECT_EQ(hud_text_rect.top, c.hud.top);
      EXPECT_EQ(hud_text_rect.right, c.hud.right);
      EXPECT_EQ(hud_text_rect.bottom, c.hud.bottom);
    }
  }
  EXPECT_EQ(playfield_width, 140);
  EXPECT_EQ(playfield_height, 100);
  EXPECT_EQ(playfield_half_width, 70);
  EXPECT_EQ(playfield_half_height, 50);
  EXPECT_EQ(playfield_three_quarter_height, 75);
  EXPECT_EQ(ceiling_y, 5.0f);
  EXPECT_EQ(floor_y, 95.0f);
  EXPECT_EQ(spawn_line_x, 165.0f);
}

TEST_F(DisplayTest, ProjectionUsesTheTrueAspect) {
  ASSERT_EQ(Start(), 1);
  D3DXMATRIX p;
  ASSERT_EQ(GetTransform(device, D3DTS_PROJECTION, &p), S_OK);
  EXPECT_NEAR(p.m[0][0], 1.344443f, 1e-5f);
  EXPECT_NEAR(p.m[1][1], 1.792591f, 1e-5f);
  EXPECT_NEAR(p.m[2][2], 10000.0f / 9999.9f, 1e-6f);
  EXPECT_EQ(p.m[2][3], 1.0f);
  EXPECT_NEAR(p.m[3][2], -0.1f * 10000.0f / 9999.9f, 1e-6f);
}

TEST_F(DisplayTest, ProjectionNeedsADevice) {
  screen_width = 640;
  screen_height = 480;
  SetProjection();  // nothing to do, nothing to crash
  EXPECT_EQ(device, nullptr);
}

TEST_F(DisplayTest, FontHeightsPerSize) {
  const int sizes[FONT_COUNT] = {10, 20, 28, 60, 40, 20};
  const int at_480[FONT_COUNT] = {12, 24, 34, 72, 48, 24};
  const int at_600[FONT_COUNT] = {15, 30, 42, 90, 60, 30};
  for (int i = 0; i < FONT_COUNT; i++) {
    EXPECT_EQ(FontHeight(sizes[i], 480), at_480[i]) << i;
    EXPECT_EQ(FontHeight(sizes[i], 600), at_600[i]) << i;
  }
  display_width = 800;
  display_height = 600;
  ASSERT_EQ(Start(), 1);
  for (int i = 0; i < FONT_COUNT; i++) {
    ASSERT_NE(fonts[i], nullptr) << i;
    EXPECT_EQ(GfxFontEmPixels(fonts[i]), at_600[i]) << i;
  }
  EXPECT_NE(std::string(GfxFontFile(fonts[FONT_BANNER])).find("Bold"), std::string::npos);
  EXPECT_EQ(std::string(GfxFontFile(fonts[FONT_TEXT])).find("Bold"), std::string::npos);
}

TEST_F(DisplayTest, AFontThatCannotBeMadeIsReportedAndLeftNull) {
  ASSERT_EQ(Start(), 1);
  screen_height = 0;  // every height comes out 0, which no font can have
  testing::internal::CaptureStderr();
  CreateFonts();
  err = testing::internal::GetCapturedStderr();
  for (ID3DXFont* font : fonts) EXPECT_EQ(font, nullptr);
  EXPECT_TRUE(ConsoleSaid("Error creating font 0")) << "the device exists: the ring has it";
  RECT rect = {0, 0, 100, 100};
  BeginScene(device);
  EXPECT_EQ(DrawTextA(fonts[FONT_MENU], "Play", -1, &rect, DT_CENTER | DT_SINGLELINE | DT_NOCLIP, 0xFFFFFFFF), 0);
  EndScene(device);
}

TEST_F(DisplayTest, BitsPerPixelPerFormat) {
  const int want[][2] = {{22, 32}, {21, 32}, {20, 24}, {23, 16}, {24, 16}, {25, 16}, {26, 16}, {27, 32}, {0, 32}};
  for (const auto& w : want) EXPECT_EQ(GetFormatBitsPerPixel(w[0]), w[1]) << w[0];
}

TEST_F(DisplayTest, ReleaseLeavesNothing) {
  windowed = 0;
  ASSERT_EQ(Start(), 1);
  ReleaseGraphics();
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(direct3d, nullptr);
  for (ID3DXFont* font : fonts) EXPECT_EQ(font, nullptr);
  EXPECT_EQ(full_screen_active, 0);
  // Given back to the desktop, a full-screen window stays there for the player to come back to.
  EXPECT_TRUE(IsWindowVisible(main_window));
  ReleaseGraphics();  // a second release finds nothing to do
  // In a window the window is hidden until the next start places it.
  windowed = 1;
  ASSERT_EQ(Start(), 1);
  ReleaseGraphics();
  EXPECT_FALSE(IsWindowVisible(main_window));
  ASSERT_EQ(Start(), 1);
  EXPECT_TRUE(IsWindowVisible(main_window));
}

}  // namespace
