// Fonts on the recording device: faces, sizes, line metrics and where a text lands.
#include "platform/gfx_font.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class FontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gfx_backend_request = GFX_BACKEND_RECORD;
    GfxResetHeadless();
    direct3d = Direct3DCreate8(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS p = {};
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    ASSERT_EQ(CreateDevice(direct3d, 0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device),
              S_OK);
  }
  void TearDown() override {
    Release(font);
    Release(device);
    Release(direct3d);
    gfx_backend_request = -1;
  }
  static LOGFONTA Arial(int height, int weight) {
    LOGFONTA lf = {};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = PROOF_QUALITY;
    lf.lfPitchAndFamily = FF_MODERN | DEFAULT_PITCH;
    std::strcpy(lf.lfFaceName, "Arial");
    return lf;
  }
  IDirect3D8* direct3d = nullptr;
  IDirect3DDevice8* device = nullptr;
  ID3DXFont* font = nullptr;
};

TEST_F(FontTest, ArialResolvesToLiberationSansByWeight) {
  LOGFONTA lf = Arial(-24, 400);
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), S_OK);
  EXPECT_NE(std::string(GfxFontFile(font)).find("LiberationSans-Regular"), std::string::npos) << GfxFontFile(font);
  Release(font);
  lf = Arial(-24, 1000);
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), S_OK);
  EXPECT_NE(std::string(GfxFontFile(font)).find("LiberationSans-Bold"), std::string::npos) << GfxFontFile(font);
}

TEST_F(FontTest, NegativeHeightIsTheEmAndTheLineIsAscentPlusDescent) {
  LOGFONTA lf = Arial(-48, 800);
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), S_OK);
  EXPECT_EQ(GfxFontEmPixels(font), 48);
  // Arial's Windows ascent and descent are 1854 and 434 units of 2048.
  EXPECT_EQ(GfxFontLineHeight(font), 43 + 10);
  Release(font);
  lf = Arial(53, 400);  // a positive height is the whole line
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), S_OK);
  EXPECT_EQ(GfxFontEmPixels(font), 47);
}

TEST_F(FontTest, BadRequestsMakeNoFont) {
  LOGFONTA lf = Arial(0, 400);
  EXPECT_EQ(D3DXCreateFontIndirect(device, &lf, &font), D3DERR_INVALIDCALL);
  EXPECT_EQ(font, nullptr);
  lf = Arial(-12, 400);
  EXPECT_EQ(D3DXCreateFontIndirect(nullptr, &lf, &font), D3DERR_INVALIDCALL);
  EXPECT_EQ(font, nullptr);
}

TEST_F(FontTest, TextBoxFollowsTheAlignment) {
  LOGFONTA lf = Arial(-20, 400);
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), S_OK);
  const RECT rect = {100, 50, 300, 150};
  RECT fit = rect;
  int height = DrawTextA(font, "Options", -1, &fit, DT_CALCRECT | DT_SINGLELINE, 0xFFFFFFFF);
  int w = fit.right - fit.left, h = fit.bottom - fit.top;
  EXPECT_EQ(height, h);
  EXPECT_EQ(h, GfxFontLineHeight(font));
  EXPECT_GT(w, 40);
  EXPECT_LT(w, 100);
  struct Case {
    DWORD format;
    LONG left, top;
  };
  const Case cases[] = {
      {DT_LEFT | DT_TOP, 100, 50},
      {DT_CENTER | DT_TOP, 100 + (200 - w) / 2, 50},
      {DT_RIGHT | DT_TOP, 300 - w, 50},
      {DT_LEFT | DT_VCENTER, 100, 50 + (100 - h) / 2},
      {DT_CENTER | DT_BOTTOM, 100 + (200 - w) / 2, 150 - h},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    RECT box = GfxTextBox(font, "Options", -1, &rect, c.format | DT_SINGLELINE);
    EXPECT_EQ(box.left, c.left);
    EXPECT_EQ(box.top, c.top);
    EXPECT_EQ(box.right - box.left, w);
  }
  // The count limits the text.
  RECT part = GfxTextBox(font, "Options", 3, &rect, DT_LEFT);
  RECT whole = GfxTextBox(font, "Opt", -1, &rect, DT_LEFT);
  EXPECT_EQ(part.right, whole.right);
}

TEST_F(FontTest, DrawingIsRecordedOnlyInsideAScene) {
  LOGFONTA lf = Arial(-12, 400);
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), S_OK);
  RECT rect = {0, 0, 640, 480};
  EXPECT_EQ(DrawTextA(font, "outside", -1, &rect, DT_SINGLELINE, 0xFFFFFFFF), 0);
  BeginScene(device);
  GfxClearCalls();
  EXPECT_GT(DrawTextA(font, "Score", -1, &rect, DT_CENTER | DT_BOTTOM | DT_SINGLELINE | DT_NOCLIP, 0xB2FF0000), 0);
  EndScene(device);
  ASSERT_GE(GfxCallCount(), 1);
  const GfxCall* call = GfxCallAt(0);
  EXPECT_EQ(call->op, GFX_OP_DRAW_TEXT);
  EXPECT_STREQ(call->text, "Score");
  EXPECT_EQ(call->color, 0xB2FF0000u);
  EXPECT_EQ(call->box.bottom, 480);
}

// The recording device reads each advance when a text first needs it, the GL device all of them
// up front with the glyphs' bitmaps: every text measures the same on both.
TEST_F(FontTest, TheRecordingDeviceMeasuresAsTheGlDeviceDoes) {
  if (!GfxEglAvailable()) GTEST_SKIP() << "no surfaceless EGL display with OpenGL 3.3 core here";
  const LOGFONTA fonts[] = {Arial(-13, 400), Arial(-28, 600), Arial(-40, 1000)};
  const RECT rect = {0, 0, 640, 480};
  std::string all;
  for (int c = 32; c < 256; c++) all += char(c);
  for (const LOGFONTA& lf : fonts) {
    SCOPED_TRACE(lf.lfHeight);
    LONG recorded[256] = {};
    ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), S_OK);
    LONG recorded_all = GfxTextBox(font, all.c_str(), -1, &rect, DT_LEFT).right;
    for (int c = 32; c < 256; c++) recorded[c] = GfxTextBox(font, all.c_str() + (c - 32), 1, &rect, DT_LEFT).right;
    Release(font);
    font = nullptr;

    gfx_backend_request = GFX_BACKEND_EGL;
    IDirect3DDevice8* gl = nullptr;
    D3DPRESENT_PARAMETERS p = {};
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    ASSERT_EQ(CreateDevice(direct3d, 0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &gl), S_OK);
    ID3DXFont* drawn = nullptr;
    ASSERT_EQ(D3DXCreateFontIndirect(gl, &lf, &drawn), S_OK);
    for (int c = 32; c < 256; c++)
      EXPECT_EQ(GfxTextBox(drawn, all.c_str() + (c - 32), 1, &rect, DT_LEFT).right, recorded[c]) << c;
    EXPECT_EQ(GfxTextBox(drawn, all.c_str(), -1, &rect, DT_LEFT).right, recorded_all);
    Release(drawn);
    Release(gl);
    gfx_backend_request = GFX_BACKEND_RECORD;
  }
}

}  // namespace
