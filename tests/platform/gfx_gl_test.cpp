// The GL renderer on a surfaceless EGL context: real frames read back and looked at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>

#include "platform/gfx.h"
#include "platform/gfx_font.h"
#include "platform/gfx_internal.h"
#include "platform/image_decode.h"
#include "platform/script.h"

namespace {


struct Pixel {
  int r, g, b, a;
};

class GlDevice : public ::testing::Test {
 protected:
  UINT kWidth = 64, kHeight = 48;  // the frame; a fixture for texts makes it larger
  void SetUp() override {
    if (!GfxEglAvailable()) GTEST_SKIP() << "no surfaceless EGL display with OpenGL 3.3 core here";
    gfx_backend_request = GFX_BACKEND_EGL;
    GfxResetHeadless();
    gfx_headless.window_width = kWidth;
    gfx_headless.window_height = kHeight;
    direct3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(direct3d, nullptr);
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(CreateDevice(direct3d, 0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device),
              S_OK);
  }
  void TearDown() override {
    Release(quad);
    Release(device);
    Release(direct3d);
    gfx_backend_request = -1;
    GfxResetHeadless();
  }

  void Show() {
    ASSERT_EQ(Present(device, nullptr, nullptr, nullptr, nullptr), S_OK);
    frame.resize(kWidth * kHeight * 4);
    ASSERT_EQ(GfxReadFrame(device, frame.data(), kWidth, kHeight), S_OK);
  }
  Pixel At(int x, int y) const {
    const BYTE* p = &frame[(y * kWidth + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }

  // A rectangle in clip space (identity transforms) at depth z, turning clockwise on screen.
  GfxMeshBuffer* Rect(float x0, float y0, float x1, float y1, float z, bool clockwise = true) {
    const GfxVertex v[4] = {{x0, y1, z, 0, 0, -1, 0, 0},
                            {x1, y1, z, 0, 0, -1, 1, 0},
                            {x1, y0, z, 0, 0, -1, 1, 1},
                            {x0, y0, z, 0, 0, -1, 0, 1}};
    const DWORD cw[6] = {0, 1, 2, 0, 2, 3}, ccw[6] = {0, 2, 1, 0, 3, 2};
    GfxMeshBuffer* mesh = nullptr;
    EXPECT_EQ(CreateMeshBuffer(device, v, 4, clockwise ? cw : ccw, 6, &mesh), S_OK);
    return mesh;
  }
  void DrawQuad(GfxMeshBuffer* mesh) {
    BeginScene(device);
    DrawMeshBuffer(device, mesh, 0, 6);
    EndScene(device);
  }
  void BlackClear() { Clear(device, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0); }

  // Clears of rows across the frame's width, as a frame's background bands make them.
  struct Band {
    LONG top, bottom;
    DWORD flags;
    D3DCOLOR color;
    float z;
  };
  void ClearBands(const std::vector<Band>& bands) {
    for (const Band& b : bands) {
      const D3DRECT r = {0, b.top, static_cast<LONG>(kWidth), b.bottom};
      Clear(device, 1, &r, b.flags, b.color, b.z, 0);
    }
  }
  // Of the frame shown: the white quad over the left half is on the rows [from, to) listed and no
  // others, and the right edge has each listed row's colour.
  void ExpectRows(const std::vector<std::pair<int, int>>& quad_rows, const std::vector<std::pair<int, D3DCOLOR>>& colors);

  IDirect3D8* direct3d = nullptr;
  IDirect3DDevice8* device = nullptr;
  GfxMeshBuffer* quad = nullptr;
  std::vector<BYTE> frame;
};

void ExpectColor(Pixel p, int r, int g, int b, int tolerance = 2) {
  EXPECT_NEAR(p.r, r, tolerance);
  EXPECT_NEAR(p.g, g, tolerance);
  EXPECT_NEAR(p.b, b, tolerance);
}

void GlDevice::ExpectRows(const std::vector<std::pair<int, int>>& quad_rows,
                          const std::vector<std::pair<int, D3DCOLOR>>& colors) {
  for (int y = 0; y < static_cast<int>(kHeight); y++) {
    bool shown = false;
    for (auto [from, to] : quad_rows) shown = shown || (y >= from && y < to);
    EXPECT_EQ(At(5, y).r == 255 && At(5, y).g == 255 && At(5, y).b == 255, shown) << "row " << y;
  }
  for (const auto& [row, color] : colors) {
    SCOPED_TRACE(row);
    ExpectColor(At(kWidth - 1, row), (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF, 0);
  }
}

TEST_F(GlDevice, ClearsTheWholeTargetAndRectanglesFromTheTop) {
  Clear(device, 0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 10, 20, 30), 1.0f, 0);
  const D3DRECT band = {0, 0, static_cast<LONG>(kWidth), 8};
  Clear(device, 1, &band, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 200, 100, 50), 1.0f, 0);
  Show();
  ExpectColor(At(5, 0), 200, 100, 50, 0);
  ExpectColor(At(63, 7), 200, 100, 50, 0);
  ExpectColor(At(5, 8), 10, 20, 30, 0);
  ExpectColor(At(0, 47), 10, 20, 30, 0);
}

// Runs of rectangle clears as a frame's background bands make them, over a target whose depth was
// cleared to 0 before, then a quad at depth 0.5 over the left half, which passes the depth test
// only on rows whose depth was cleared to 1 again. The right half shows each row's clear colour,
// the later clear where they overlap.
TEST_F(GlDevice, RunsOfClearsKeepTheirColoursDepthAndOrder) {
  const DWORD all = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  struct Case {
    const char* what;
    std::vector<Band> steps;
    std::vector<std::pair<int, int>> quad_rows;     // [from, to) where the quad shows
    std::vector<std::pair<int, D3DCOLOR>> cleared;  // a row and its colour on the right
  };
  const Case cases[] = {
      {"bands from the bottom up under a top half",
       {{0, 24, all, 0xFF0A141E, 1}, {40, 48, all, 0xFF010203, 1}, {32, 40, all, 0xFF040506, 1},
        {24, 32, all, 0xFF07FF09, 1}},
       {{0, 48}},
       {{0, 0xFF0A141E}, {23, 0xFF0A141E}, {24, 0xFF07FF09}, {31, 0xFF07FF09}, {32, 0xFF040506},
        {47, 0xFF010203}}},
      {"a band no clear reaches keeps its depth and colour",
       {{0, 24, all, 0xFF0A141E, 1}, {32, 48, all, 0xFF040506, 1}},
       {{0, 24}, {32, 48}},
       {{0, 0xFF0A141E}, {24, 0xFF000000}, {31, 0xFF000000}, {40, 0xFF040506}}},
      {"a depth of 0 over the top rows after a whole clear",
       {{0, 48, all, 0xFF102030, 1}, {0, 16, D3DCLEAR_ZBUFFER, 0, 0}},
       {{16, 48}},
       {{0, 0xFF102030}, {47, 0xFF102030}}},
      {"overlapping bands",
       {{0, 48, all, 0xFF102030, 1}, {8, 24, all, 0xFF405060, 1}, {16, 40, all, 0xFF708090, 1}},
       {{0, 48}},
       {{7, 0xFF102030}, {8, 0xFF405060}, {15, 0xFF405060}, {16, 0xFF708090}, {39, 0xFF708090},
        {40, 0xFF102030}}},
  };
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  quad = Rect(-1, -1, 0, 1, 0.5f);  // white, left half
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Clear(device, 0, nullptr, all, 0xFF000000, 0.0f, 0);
    ClearBands(c.steps);
    DrawQuad(quad);
    Show();
    ExpectRows(c.quad_rows, c.cleared);
  }
}

// The clears a frame holds reach GL as few calls as their parts allow: depth and stencil parts
// alike that together reach every row are one clear, and the colour rectangles after the last
// clear of the whole target are filled by one draw; any other run is cleared as it came. The
// target starts black with depth 0; a white quad at depth 0.5 over the left half shows on the rows
// whose depth was cleared to 1, and the right half shows each row's colour.
TEST_F(GlDevice, HeldClearsReachGlInAsFewCallsAsTheyAllow) {
  const DWORD all = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  const DWORD depth = D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  struct Sent {
    GfxGlOp op;
    DWORD flags;
    LONG top, bottom;  // of a clear
    int count;         // of a fill or a draw
  };
  struct Case {
    const char* what;
    std::vector<Band> steps;
    std::vector<Sent> sent;                         // up to the quad's draw
    std::vector<std::pair<int, int>> quad_rows;     // [from, to) where the quad shows
    std::vector<std::pair<int, D3DCOLOR>> cleared;  // a row and its colour on the right
  };
  const Case cases[] = {
      {"a game frame's sky: the upper half, then bands from the bottom up",
       {{0, 24, all, 0xFF0A141E, 1}, {40, 48, all, 0xFF010203, 1}, {32, 40, all, 0xFF040506, 1},
        {24, 32, all, 0xFF07FF09, 1}},
       {{GFX_GL_CLEAR, depth, 0, 48, 0}, {GFX_GL_FILL, 0, 0, 0, 4}, {GFX_GL_DRAW, 0, 0, 0, 6}},
       {{0, 48}},
       {{0, 0xFF0A141E}, {23, 0xFF0A141E}, {24, 0xFF07FF09}, {31, 0xFF07FF09}, {32, 0xFF040506},
        {47, 0xFF010203}}},
      {"a black clear of the whole target",
       {{0, 48, all, 0xFF000000, 1}},
       {{GFX_GL_CLEAR, all, 0, 48, 0}, {GFX_GL_DRAW, 0, 0, 0, 6}},
       {{0, 48}},
       {{0, 0xFF000000}, {47, 0xFF000000}}},
      {"colour under a later clear of the whole target is painted over",
       {{0, 16, all, 0xFF0A141E, 1}, {0, 48, all, 0xFF102030, 1}, {16, 24, all, 0xFF405060, 1}},
       {{GFX_GL_CLEAR, all, 0, 48, 0}, {GFX_GL_FILL, 0, 0, 0, 1}, {GFX_GL_DRAW, 0, 0, 0, 6}},
       {{0, 48}},
       {{0, 0xFF102030}, {15, 0xFF102030}, {16, 0xFF405060}, {23, 0xFF405060}, {24, 0xFF102030}}},
      {"colour alone is filled, depth kept",
       {{0, 24, D3DCLEAR_TARGET, 0xFF0A141E, 1}, {24, 48, D3DCLEAR_TARGET, 0xFF405060, 1}},
       {{GFX_GL_FILL, 0, 0, 0, 2}, {GFX_GL_DRAW, 0, 0, 0, 6}},
       {},
       {{0, 0xFF0A141E}, {24, 0xFF405060}}},
      {"depths that differ are cleared one by one",
       {{0, 24, all, 0xFF0A141E, 1}, {24, 48, all, 0xFF405060, 0}},
       {{GFX_GL_CLEAR, all, 0, 24, 0}, {GFX_GL_CLEAR, all, 24, 48, 0}, {GFX_GL_DRAW, 0, 0, 0, 6}},
       {{0, 24}},
       {{0, 0xFF0A141E}, {47, 0xFF405060}}},
      {"a band no clear reaches",
       {{0, 24, all, 0xFF0A141E, 1}, {32, 48, all, 0xFF040506, 1}},
       {{GFX_GL_CLEAR, all, 0, 24, 0}, {GFX_GL_CLEAR, all, 32, 48, 0}, {GFX_GL_DRAW, 0, 0, 0, 6}},
       {{0, 24}, {32, 48}},
       {{0, 0xFF0A141E}, {24, 0xFF000000}, {31, 0xFF000000}, {40, 0xFF040506}}},
  };
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  quad = Rect(-1, -1, 0, 1, 0.5f);  // white, left half
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (int i = 0; i < 2; i++) {  // both buffers black, the depth 0
      Clear(device, 0, nullptr, all, 0xFF000000, 0.0f, 0);
      ASSERT_EQ(Present(device, nullptr, nullptr, nullptr, nullptr), S_OK);
    }
    GfxGlClearCalls();
    ClearBands(c.steps);
    DrawQuad(quad);
    ASSERT_EQ(GfxGlCallCount(), static_cast<int>(c.sent.size()));
    for (int i = 0; i < GfxGlCallCount(); i++) {
      SCOPED_TRACE(i);
      const GfxGlCall& got = *GfxGlCallAt(i);
      const Sent& want = c.sent[i];
      EXPECT_EQ(got.op, want.op);
      if (want.op == GFX_GL_CLEAR) {
        EXPECT_EQ(got.flags, want.flags);
        EXPECT_EQ(got.rect.y1, want.top);
        EXPECT_EQ(got.rect.y2, want.bottom);
        EXPECT_EQ(got.rect.x1, 0);
        EXPECT_EQ(got.rect.x2, static_cast<LONG>(kWidth));
      } else {
        EXPECT_EQ(got.count, want.count);
      }
    }
    Show();
    ExpectRows(c.quad_rows, c.cleared);
  }
}

// A frame that starts with clears of every pixel and draws without depth (a sky behind the world)
// gets that backdrop copied while its clears and every state, texture, transform and vertex its
// draws read are as they were; a change of any one draws it again, where the frame's first draws
// match only in part by drawing the part they share again. Each frame is checked against the same
// frame drawn with the depth test on, which keeps the colours and takes no backdrop.
TEST_F(GlDevice, AnUnchangedBackdropIsCopiedAndAnyChangeDrawsItAgain) {
  const DWORD all = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  auto texture_of = [&](DWORD left, DWORD right) {
    IDirect3DTexture8* t = nullptr;
    EXPECT_EQ(CreateTexture(device, 2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), S_OK);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(LockRect(t, 0, &locked, nullptr, 0), S_OK);
    static_cast<DWORD*>(locked.pBits)[0] = left;
    static_cast<DWORD*>(locked.pBits)[1] = right;
    UnlockRect(t, 0);
    return t;
  };
  IDirect3DTexture8* texture = texture_of(0x80FF8000, 0x8000FF80);
  IDirect3DTexture8* other_texture = texture_of(0x800080FF, 0x80FFFF00);
  GfxMeshBuffer* halves[2] = {Rect(-1, -1, 0, 1, 0.5f), Rect(0, -1, 1, 1, 0.5f)};
  GfxMeshBuffer* smaller = Rect(0.25f, -0.5f, 0.75f, 0.5f, 0.5f);
  quad = Rect(-0.25f, -0.25f, 0.25f, 0.25f, 0.5f);  // over both, with the depth test
  D3DCOLOR band = 0xFF204060;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  D3DLIGHT8 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.3f, 0.2f, 0.1f, 0};
  light.Direction = {0, 0, 1};
  SetLight(device, 0, &light);
  SetLight(device, 1, &light);
  struct Change {
    const char* what;
    int draw;  // the draw it is made on, -1 for the frame
    std::function<void()> make, undo;
    bool kept;  // the backdrop stays as it was
    GfxMeshBuffer* mesh = nullptr;  // drawn instead
    UINT indices = 6;
    bool second_left_out = false;
    std::function<void()> base = [] {};  // made on both draws of every frame of the case
  };
  auto move = [&](D3DTRANSFORMSTATETYPE which, float scale, float x) {  // scaled about the centre, then moved
    return [&, which, scale, x] {
      D3DXMATRIX m;
      D3DXMatrixIdentity(&m);
      m.m[0][0] = m.m[1][1] = scale;
      m.m[3][0] = x;
      SetTransform(device, which, &m);
    };
  };
  const std::function<void()> nothing = [] {};
  const Change changes[] = {
      {"a clear's colour", -1, [&] { band = 0xFF602040; }, [&] { band = 0xFF204060; }, false},
      {"the ambient colour", 0, [&] { SetRenderState(device, D3DRS_AMBIENT, 0xFF808080); }, nothing, false},
      {"the material", 1,
       [&] {
         D3DMATERIAL8 m = {};
         m.Diffuse = {1, 1, 1, 1};
         m.Ambient = {0.5f, 1, 0.5f, 1};
         SetMaterial(device, &m);
       },
       nothing, false},
      {"a light switched on", 0, [&] { LightEnable(device, 0, TRUE); }, nothing, false},
      {"the colour of a light that is on", 1,
       [&] {
         D3DLIGHT8 l = light;
         l.Diffuse = {0.1f, 0.4f, 0.6f, 0};
         SetLight(device, 1, &l);
       },
       [&] { SetLight(device, 1, &light); }, false},
      {"a light that is off", 0,
       [&] {
         D3DLIGHT8 l = light;
         l.Diffuse = {1, 1, 1, 0};
         SetLight(device, 0, &l);
       },
       [&] { SetLight(device, 0, &light); }, true},
      {"the texture's texels", -1,
       [&] {
         D3DLOCKED_RECT locked;
         LockRect(texture, 0, &locked, nullptr, 0);
         static_cast<DWORD*>(locked.pBits)[1] = 0x80FF0000;
         UnlockRect(texture, 0);
       },
       [&] {
         D3DLOCKED_RECT locked;
         LockRect(texture, 0, &locked, nullptr, 0);
         static_cast<DWORD*>(locked.pBits)[1] = 0x8000FF80;
         UnlockRect(texture, 0);
       },
       false},
      {"another texture", 1, [&] { SetTexture(device, 0, other_texture); }, nothing, false},
      {"a texture stage state", 0,
       [&] { SetTextureStageState(device, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1); }, nothing, false},
      {"the texture's filtering", 0,
       [&] { SetTextureStageState(device, 0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR); },
       [&] { SetTextureStageState(device, 0, D3DTSS_MAGFILTER, D3DTEXF_POINT); }, false},
      {"a render state", 1, [&] { SetRenderState(device, D3DRS_ALPHABLENDENABLE, FALSE); }, nothing, false},
      {"the world", 1, move(D3DTS_WORLD, 0.5f, 0.1f), nothing, false},
      {"the view", 0, move(D3DTS_VIEW, 1, 0.25f), nothing, false},
      {"the projection", 0, move(D3DTS_PROJECTION, 0.5f, 0), nothing, false},
      {"another mesh", 1, nothing, nothing, false, smaller},
      {"part of the mesh", 0, nothing, nothing, false, nullptr, 3},
      {"the second draw left out", 1, nothing, nothing, false, nullptr, 6, true},
      {"the fog's end, fog off", 0, [&] { SetRenderState(device, D3DRS_FOGEND, FloatBits(0.5f)); }, nothing, true},
      {"the fog's end, fog on", 1, [&] { SetRenderState(device, D3DRS_FOGEND, FloatBits(0.75f)); }, nothing, false,
       nullptr, 6, false,
       [&] {
         SetRenderState(device, D3DRS_FOGENABLE, TRUE);
         SetRenderState(device, D3DRS_FOGCOLOR, 0xFFFFFFFF);
         SetRenderState(device, D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
       }},
  };
  // The frame: the sky, two halves without depth, and a quad over both with the depth test.
  auto draw_frame = [&](bool depth_free, const Change& c, bool changed) {
    const Change* change = changed ? &c : nullptr;
    if (change && change->draw < 0) change->make();
    const D3DRECT top = {0, 0, static_cast<LONG>(kWidth), 24}, bottom = {0, 24, static_cast<LONG>(kWidth), 48};
    Clear(device, 1, &top, all, 0xFF102030, 1.0f, 0);
    Clear(device, 1, &bottom, all, band, 1.0f, 0);
    BeginScene(device);
    for (int d = 0; d < 2; d++) {
      const bool on_this = change && change->draw == d;
      if (on_this && change->second_left_out) break;
      SetRenderState(device, D3DRS_LIGHTING, TRUE);
      SetRenderState(device, D3DRS_AMBIENT, 0xFF404040);
      SetRenderState(device, D3DRS_FOGENABLE, FALSE);
      SetRenderState(device, D3DRS_FOGSTART, FloatBits(0.0f));
      SetRenderState(device, D3DRS_FOGEND, FloatBits(1.0f));
      SetRenderState(device, D3DRS_ALPHABLENDENABLE, TRUE);
      SetRenderState(device, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
      SetRenderState(device, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
      SetTextureStageState(device, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
      SetTextureStageState(device, 0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
      D3DMATERIAL8 m = {};
      m.Diffuse = {1, 1, 1, 1};
      m.Ambient = {1, 1, 1, 1};
      SetMaterial(device, &m);
      SetTexture(device, 0, texture);
      LightEnable(device, 0, FALSE);
      LightEnable(device, 1, TRUE);
      for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) SetTransform(device, t, &identity);
      c.base();
      if (on_this) change->make();
      SetRenderState(device, D3DRS_ZENABLE, depth_free ? D3DZB_FALSE : D3DZB_TRUE);
      GfxMeshBuffer* mesh = on_this && change->mesh ? change->mesh : halves[d];
      DrawMeshBuffer(device, mesh, 0, on_this ? change->indices : 6);
      if (on_this) change->undo();
    }
    SetRenderState(device, D3DRS_ZENABLE, D3DZB_TRUE);
    SetRenderState(device, D3DRS_LIGHTING, FALSE);
    SetRenderState(device, D3DRS_FOGENABLE, FALSE);
    SetTexture(device, 0, nullptr);
    DrawMeshBuffer(device, quad, 0, 6);
    EndScene(device);
    Show();
    if (change && change->draw < 0) change->undo();
    return frame;
  };
  // How many draws reached GL, whether the backdrop was filled anew, whether it was copied.
  struct Sent {
    int draws = 0;
    bool filled = false, copied = false;
  };
  auto sent = [] {
    Sent s;
    for (int i = 0; i < GfxGlCallCount(); i++) {
      s.draws += GfxGlCallAt(i)->op == GFX_GL_DRAW;
      s.filled |= GfxGlCallAt(i)->op == GFX_GL_FILL;
      s.copied |= GfxGlCallAt(i)->op == GFX_GL_COPY;
    }
    return s;
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.what);
    const std::vector<BYTE> unchanged = draw_frame(false, c, false);
    for (int i = 0; i < 3; i++) EXPECT_EQ(draw_frame(true, c, false), unchanged);  // the backdrop stands still
    GfxGlClearCalls();
    EXPECT_EQ(draw_frame(true, c, false), unchanged);
    Sent kept = sent();
    EXPECT_TRUE(kept.copied);
    EXPECT_FALSE(kept.filled);
    EXPECT_EQ(kept.draws, 1);
    const std::vector<BYTE> changed = draw_frame(false, c, true);
    EXPECT_EQ(c.kept, changed == unchanged);
    GfxGlClearCalls();
    EXPECT_EQ(draw_frame(true, c, true), changed);
    Sent again = sent();
    EXPECT_TRUE(again.copied);
    EXPECT_EQ(again.filled, !c.kept);
    EXPECT_EQ(again.draws, c.kept ? 1 : (c.second_left_out ? 2 : 3));
    EXPECT_EQ(draw_frame(true, c, false), unchanged);
  }
  Release(smaller);
  for (GfxMeshBuffer* h : halves) Release(h);
  Release(texture);
  Release(other_texture);
}

// A backdrop that changes frame after frame (a camera in motion) is drawn into the frame itself
// after two changes in a row, with no framebuffer of its own to copy; once a frame's backdrop is
// the last one's, the next is drawn to be kept and the one after copies it.
TEST_F(GlDevice, ABackdropInMotionIsDrawnIntoTheFrame) {
  const DWORD all = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  GfxMeshBuffer* sky = Rect(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
  quad = Rect(-0.25f, -0.25f, 0.25f, 0.25f, 0.25f);
  auto draw_frame = [&](float x, bool depth_free) {
    Clear(device, 0, nullptr, all, 0xFF102030, 1.0f, 0);
    BeginScene(device);
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, x, 0, 0);
    SetTransform(device, D3DTS_WORLD, &world);
    SetRenderState(device, D3DRS_TEXTUREFACTOR, 0xFF804020);
    SetTextureStageState(device, 0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
    SetRenderState(device, D3DRS_ZENABLE, depth_free ? D3DZB_FALSE : D3DZB_TRUE);
    DrawMeshBuffer(device, sky, 0, 6);
    D3DXMatrixIdentity(&world);
    SetTransform(device, D3DTS_WORLD, &world);
    SetTextureStageState(device, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    SetRenderState(device, D3DRS_ZENABLE, D3DZB_TRUE);
    DrawMeshBuffer(device, quad, 0, 6);
    EndScene(device);
    Show();
    return frame;
  };
  const struct {
    float x;
    bool copied;  // the backdrop copied into the frame
    int draws;    // 1: the copy alone, 2: the backdrop drawn too
  } frames[] = {
      {0.0f, true, 2},   {0.1f, true, 2},   // drawn anew, changed twice in a row
      {0.2f, false, 2},  {0.3f, false, 2},  // drawn into the frame
      {0.3f, false, 2},                     // as the last: the next is kept
      {0.3f, true, 2},   {0.3f, true, 1},   // kept, then copied
      {0.4f, true, 2},   {0.3f, true, 2},   {0.5f, false, 2},
  };
  for (const auto& f : frames) {
    SCOPED_TRACE(testing::Message() << "x " << f.x);
    const std::vector<BYTE> want = draw_frame(f.x, false);
    GfxGlClearCalls();
    EXPECT_EQ(draw_frame(f.x, true), want);
    bool copied = false;
    int draws = 0;
    for (int i = 0; i < GfxGlCallCount(); i++) {
      copied |= GfxGlCallAt(i)->op == GFX_GL_COPY;
      draws += GfxGlCallAt(i)->op == GFX_GL_DRAW;
    }
    EXPECT_EQ(copied, f.copied);
    EXPECT_EQ(draws, f.draws);
  }
  Release(sky);
}

TEST_F(GlDevice, PresentShowsTheFrameUntilTheNextPresent) {
  Clear(device, 0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  Show();
  Clear(device, 0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  ASSERT_EQ(GfxReadFrame(device, frame.data(), kWidth, kHeight), S_OK);
  ExpectColor(At(10, 10), 255, 0, 0, 0);
}

TEST_F(GlDevice, UnlitGeometryIsWhiteAndCounterClockwiseFacesAreCulled) {
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  quad = Rect(-1, -1, 0, 1, 0.5f);  // left half
  GfxMeshBuffer* back = Rect(0, -1, 1, 1, 0.5f, false);
  BlackClear();
  DrawQuad(quad);
  DrawQuad(back);
  Show();
  ExpectColor(At(10, 24), 255, 255, 255);
  ExpectColor(At(50, 24), 0, 0, 0);
  SetRenderState(device, D3DRS_CULLMODE, D3DCULL_NONE);
  BlackClear();
  DrawQuad(back);
  Show();
  ExpectColor(At(50, 24), 255, 255, 255);
  Release(back);
}

TEST_F(GlDevice, DepthRunsFromZeroToOne) {
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetRenderState(device, D3DRS_TEXTUREFACTOR, 0xFF0000FF);
  SetTextureStageState(device, 0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  quad = Rect(-1, -1, 1, 1, 0.9f);
  GfxMeshBuffer* near_half = Rect(-1, -1, 0, 1, 0.05f);
  GfxMeshBuffer* far_half = Rect(0, -1, 1, 1, 0.95f);
  BlackClear();
  DrawQuad(near_half);  // blue, in front
  SetRenderState(device, D3DRS_TEXTUREFACTOR, 0xFFFF0000);
  DrawQuad(quad);       // red: hidden on the left, drawn over the far half on the right
  SetRenderState(device, D3DRS_TEXTUREFACTOR, 0xFF00FF00);
  DrawQuad(far_half);   // green, behind the red one
  Show();
  ExpectColor(At(10, 24), 0, 0, 255);
  ExpectColor(At(50, 24), 255, 0, 0);
  // A clear of depth alone, with depth writes off, still clears it.
  SetRenderState(device, D3DRS_ZWRITEENABLE, FALSE);
  Clear(device, 0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  DrawQuad(far_half);
  Show();
  ExpectColor(At(50, 24), 0, 255, 0);
  Release(near_half);
  Release(far_half);
}

TEST_F(GlDevice, DirectionalLightAndMaterial) {
  D3DMATERIAL8 red = {};
  red.Diffuse = {1, 0, 0, 1};
  red.Ambient = {0, 0, 1, 1};
  SetMaterial(device, &red);
  D3DLIGHT8 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse = {0.5f, 0.5f, 0.5f, 0};
  light.Direction = {0, 0, 1};  // straight at the quad's normal (0, 0, -1)
  SetLight(device, 8, &light);
  LightEnable(device, 8, TRUE);
  SetRenderState(device, D3DRS_AMBIENT, D3DCOLOR_ARGB(255, 64, 64, 64));
  quad = Rect(-1, -1, 1, 1, 0.5f);
  BlackClear();
  DrawQuad(quad);
  Show();
  ExpectColor(At(32, 24), 128, 0, 64);
  // Switched off, only the ambient part is left.
  LightEnable(device, 8, FALSE);
  BlackClear();
  DrawQuad(quad);
  Show();
  ExpectColor(At(32, 24), 0, 0, 64);
}

TEST_F(GlDevice, LinearFogByDepth) {
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, 1.0f, 4.0f / 3.0f, 0.1f, 1000.0f);
  SetTransform(device, D3DTS_PROJECTION, &projection);
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetRenderState(device, D3DRS_FOGENABLE, TRUE);
  SetRenderState(device, D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  SetRenderState(device, D3DRS_FOGCOLOR, 0xFF0000FF);
  SetRenderState(device, D3DRS_FOGSTART, FloatBits(0.0f));
  SetRenderState(device, D3DRS_FOGEND, FloatBits(200.0f));
  struct Case {
    float z;
    int white;  // expected red and green channels
  };
  for (Case c : {Case{50.0f, 191}, Case{100.0f, 128}, Case{300.0f, 0}}) {
    SCOPED_TRACE(c.z);
    Release(quad);
    quad = Rect(-1000, -1000, 1000, 1000, c.z);
    BlackClear();
    DrawQuad(quad);
    Show();
    ExpectColor(At(32, 24), c.white, c.white, 255, 3);
  }
}

TEST_F(GlDevice, TextureStageZeroModulatesTheDiffuse) {
  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(CreateTexture(device, 2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), S_OK);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(LockRect(texture, 0, &locked, nullptr, 0), S_OK);
  DWORD* texels = static_cast<DWORD*>(locked.pBits);
  texels[0] = 0xFFFF8000;  // orange
  texels[1] = 0x8000FF00;  // green, half transparent
  UnlockRect(texture, 0);
  SetTexture(device, 0, texture);
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetRenderState(device, D3DRS_ALPHABLENDENABLE, TRUE);
  SetRenderState(device, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  SetRenderState(device, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  quad = Rect(-1, -1, 1, 1, 0.5f);
  Clear(device, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
  DrawQuad(quad);
  Show();
  ExpectColor(At(10, 24), 255, 128, 0);
  ExpectColor(At(50, 24), 0, 128, 127);
  // Without a texture the stage reads white.
  SetTexture(device, 0, nullptr);
  BlackClear();
  DrawQuad(quad);
  Show();
  ExpectColor(At(50, 24), 255, 255, 255);
  Release(texture);
}

// The mip level follows the stage's bias: a checker of single texels drawn a texel a pixel shows
// its texels without a bias, and the average of its next levels with a bias of 1 or more.
TEST_F(GlDevice, TheMipLevelFollowsTheLodBias) {
  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(CreateTexture(device, 16, 16, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture), S_OK);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(LockRect(texture, 0, &locked, nullptr, 0), S_OK);
  for (int y = 0; y < 16; y++) {
    for (int x = 0; x < 16; x++) static_cast<DWORD*>(locked.pBits)[y * 16 + x] = (x + y) % 2 ? 0xFFFF0000 : 0xFF0000FF;
  }
  UnlockRect(texture, 0);
  SetTexture(device, 0, texture);
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetTextureStageState(device, 0, D3DTSS_MIPFILTER, D3DTEXF_POINT);
  quad = Rect(-1, 1 - 16.0f / 24, -0.5f, 1, 0.5f);  // the top left 16 x 16 pixels
  const struct {
    float bias;
    bool averaged;
  } cases[] = {{0, false}, {-1, false}, {1, true}, {2.5f, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bias);
    SetTextureStageState(device, 0, D3DTSS_MIPMAPLODBIAS, FloatBits(c.bias));
    BlackClear();
    DrawQuad(quad);
    Show();
    for (int x : {4, 5}) {
      const Pixel p = At(x, 8);
      if (c.averaged) {
        ExpectColor(p, 128, 0, 128, 1);
      } else {
        ExpectColor(p, (x + 8) % 2 ? 255 : 0, 0, (x + 8) % 2 ? 0 : 255, 0);
      }
    }
  }
  Release(texture);
}

// A texture's lower levels are those the rasteriser's own mipmap generation makes of the same
// texels, level by level down to 1 x 1: for the sizes the assets use and for odd ones.
TEST_F(GlDevice, MipLevelsAreThoseTheRasteriserMakes) {
  const struct {
    UINT width, height;
  } sizes[] = {{256, 256}, {512, 256}, {768, 384}, {12, 6}, {7, 7}, {100, 60}, {1, 5}};
  std::uint32_t seed = 1;
  for (const auto& size : sizes) {
    SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
    std::vector<BYTE> texels(size.width * size.height * 4);
    for (BYTE& b : texels) b = static_cast<BYTE>((seed = seed * 214013 + 2531011) >> 16);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(CreateTexture(device, size.width, size.height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), S_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(LockRect(texture, 0, &locked, nullptr, 0), S_OK);
    std::memcpy(locked.pBits, texels.data(), texels.size());
    UnlockRect(texture, 0);
    GLuint made = 0;
    glGenTextures(1, &made);
    glBindTexture(GL_TEXTURE_2D, made);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size.width, size.height, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    for (int level = 1; (size.width >> (level - 1)) > 1 || (size.height >> (level - 1)) > 1; level++) {
      SCOPED_TRACE(level);
      const size_t bytes = std::max(1u, size.width >> level) * std::max(1u, size.height >> level) * 4;
      std::vector<BYTE> ours(bytes), theirs(bytes);
      glBindTexture(GL_TEXTURE_2D, made);
      glGetTexImage(GL_TEXTURE_2D, level, GL_BGRA, GL_UNSIGNED_BYTE, theirs.data());
      GlReadTextureLevel(texture, level, ours.data());
      const auto differ = std::mismatch(ours.begin(), ours.end(), theirs.begin());
      EXPECT_TRUE(differ.first == ours.end()) << "byte " << differ.first - ours.begin() << ": " << int(*differ.first)
                                              << ", made by GL " << int(*differ.second);
    }
    glDeleteTextures(1, &made);
    Release(texture);
  }
}

// Each set of states draws with its own program: the alpha test's function against a factor alpha
// of 0x80 and a reference of 0x80, and an operation the stage does not know working as SELECTARG1.
TEST_F(GlDevice, AlphaTestFunctionsAndUnknownOperations) {
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetRenderState(device, D3DRS_TEXTUREFACTOR, 0x80FF0000);
  SetTextureStageState(device, 0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  SetTextureStageState(device, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  SetTextureStageState(device, 0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
  SetRenderState(device, D3DRS_ALPHAREF, 0x80);
  quad = Rect(-1, -1, 1, 1, 0.5f);
  struct Case {
    BOOL test;
    DWORD func, color_op;
    bool drawn;
  };
  const Case cases[] = {
      {FALSE, D3DCMP_NEVER, D3DTOP_SELECTARG1, true},  {TRUE, D3DCMP_NEVER, D3DTOP_SELECTARG1, false},
      {TRUE, D3DCMP_LESS, D3DTOP_SELECTARG1, false},   {TRUE, D3DCMP_EQUAL, D3DTOP_SELECTARG1, true},
      {TRUE, D3DCMP_GREATER, D3DTOP_SELECTARG1, false}, {TRUE, D3DCMP_NOTEQUAL, D3DTOP_SELECTARG1, false},
      {TRUE, D3DCMP_GREATEREQUAL, D3DTOP_SELECTARG1, true}, {TRUE, D3DCMP_ALWAYS, D3DTOP_SELECTARG1, true},
      {TRUE, 0, D3DTOP_SELECTARG1, true},  // no such function: passes, as ALWAYS
      {FALSE, 0, 9, true},                 // an operation not known: the first argument
      {FALSE, 0, 24, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "test " << c.test << " func " << c.func << " op " << c.color_op);
    SetRenderState(device, D3DRS_ALPHATESTENABLE, c.test);
    SetRenderState(device, D3DRS_ALPHAFUNC, c.func);
    SetTextureStageState(device, 0, D3DTSS_COLOROP, c.color_op);
    BlackClear();
    DrawQuad(quad);
    Show();
    ExpectColor(At(32, 24), c.drawn ? 255 : 0, 0, 0, 0);
  }
}

// A value given while one program is in use reaches another program that had it before: A red,
// B green, then A green again is green.
TEST_F(GlDevice, EachProgramGetsTheValuesOfItsDraw) {
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetTextureStageState(device, 0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
  quad = Rect(-1, -1, 1, 1, 0.5f);
  struct Step {
    DWORD shade;  // a different program for each shading mode
    D3DCOLOR factor;
  };
  const Step steps[] = {{D3DSHADE_GOURAUD, 0xFFFF0000}, {D3DSHADE_FLAT, 0xFF00FF00}, {D3DSHADE_GOURAUD, 0xFF00FF00},
                        {D3DSHADE_FLAT, 0xFF0000FF}, {D3DSHADE_GOURAUD, 0xFF0000FF}};
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << "shade " << s.shade << " factor " << std::hex << s.factor);
    SetRenderState(device, D3DRS_SHADEMODE, s.shade);
    SetRenderState(device, D3DRS_TEXTUREFACTOR, s.factor);
    BlackClear();
    DrawQuad(quad);
    Show();
    ExpectColor(At(32, 24), (s.factor >> 16) & 0xFF, (s.factor >> 8) & 0xFF, s.factor & 0xFF, 0);
  }
}

// Source-alpha blending where every fragment's alpha is full gives the source exactly; any alpha
// below full, from a texel, the material or their product, still blends with what is there.
TEST_F(GlDevice, SourceAlphaBlendingOfFullAndPartAlpha) {
  SetRenderState(device, D3DRS_ALPHABLENDENABLE, TRUE);
  SetRenderState(device, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  SetRenderState(device, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  SetTextureStageState(device, 0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  SetTextureStageState(device, 0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  D3DMATERIAL8 material = {};
  material.Emissive = {1, 1, 1, 1};  // lit white without lights; the alpha is the diffuse's
  quad = Rect(-1, -1, 1, 1, 0.5f);
  struct Case {
    const char* what;
    D3DFORMAT format;
    DWORD right_texel;  // the left texel is opaque orange
    float material_alpha;
    DWORD alpha_op;
    int alpha;  // of the right half, 0..255
  };
  const Case cases[] = {
      {"opaque texels", D3DFMT_A8R8G8B8, 0xFF00FF00, 1, D3DTOP_SELECTARG1, 255},
      {"a see-through texel", D3DFMT_A8R8G8B8, 0x8000FF00, 1, D3DTOP_SELECTARG1, 128},
      {"a format without alpha", D3DFMT_X8R8G8B8, 0x0000FF00, 1, D3DTOP_SELECTARG1, 255},
      {"opaque texels, the material's alpha", D3DFMT_A8R8G8B8, 0xFF00FF00, 0.5f, D3DTOP_SELECTARG2, 128},
      {"opaque texels times the material's alpha", D3DFMT_A8R8G8B8, 0xFF00FF00, 0.5f, D3DTOP_MODULATE, 128},
      {"a see-through texel, the material's full alpha", D3DFMT_A8R8G8B8, 0x8000FF00, 1, D3DTOP_SELECTARG2, 255},
      {"opaque texels, the stage's alpha off", D3DFMT_A8R8G8B8, 0xFF00FF00, 0.5f, D3DTOP_DISABLE, 128},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    IDirect3DTexture8* texture = nullptr;
    ASSERT_EQ(CreateTexture(device, 2, 1, 1, 0, c.format, D3DPOOL_MANAGED, &texture), S_OK);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(LockRect(texture, 0, &locked, nullptr, 0), S_OK);
    static_cast<DWORD*>(locked.pBits)[0] = 0xFFFF8000;
    static_cast<DWORD*>(locked.pBits)[1] = c.right_texel;
    UnlockRect(texture, 0);
    SetTexture(device, 0, texture);
    material.Diffuse = {1, 1, 1, c.material_alpha};
    SetMaterial(device, &material);
    SetTextureStageState(device, 0, D3DTSS_ALPHAOP, c.alpha_op);
    Clear(device, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    DrawQuad(quad);
    Show();
    const int a = c.alpha;
    ExpectColor(At(50, 24), 0, a, 255 - a);
    // Made see-through after it was drawn opaque, the texture blends again.
    ASSERT_EQ(LockRect(texture, 0, &locked, nullptr, 0), S_OK);
    static_cast<DWORD*>(locked.pBits)[0] = 0x80FF8000;
    UnlockRect(texture, 0);
    Clear(device, 0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    DrawQuad(quad);
    Show();
    const bool from_texel = c.format == D3DFMT_A8R8G8B8 && c.alpha_op != D3DTOP_SELECTARG2 && c.alpha_op != D3DTOP_DISABLE;
    const int left = from_texel ? (c.alpha_op == D3DTOP_MODULATE ? 64 : 128) : a;
    ExpectColor(At(10, 24), left, left * 128 / 255, 255 - left);
    SetTexture(device, 0, nullptr);
    Release(texture);
  }
}

// A mesh wholly outside the view draws nothing; one that reaches into it by any part draws that
// part, wherever its corners lie: across an edge, around the whole view, behind the eye.
TEST_F(GlDevice, MeshesDrawWhatReachesIntoTheView) {
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetRenderState(device, D3DRS_CULLMODE, D3DCULL_NONE);
  quad = Rect(-0.25f, -0.25f, 0.25f, 0.25f, 0.5f);
  GfxMeshBuffer* around = Rect(-3, -3, 3, 3, 0.5f);
  struct Case {
    const char* what;
    GfxMeshBuffer* mesh;
    float x, y, z;  // moved by, in clip space
    int px, py;     // the pixel looked at
    bool drawn;
  };
  const Case cases[] = {
      {"inside", quad, 0, 0, 0, 32, 24, true},
      {"across the right edge", quad, 1.2f, 0, 0, 63, 24, true},
      {"across the top edge", quad, 0, 1.2f, 0, 32, 0, true},
      {"just past the right edge", quad, 1.3f, 0, 0, 63, 24, false},
      {"just past the bottom edge", quad, 0, -1.3f, 0, 32, 47, false},
      {"in front of the near plane", quad, 0, 0, -0.6f, 32, 24, false},
      {"beyond the far plane", quad, 0, 0, 0.6f, 32, 24, false},
      {"corners outside on every side", around, 0, 0, 0, 32, 24, true},
      {"corners outside on every side, moved far right", around, 3.9f, 0, 0, 63, 24, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, c.x, c.y, c.z);
    SetTransform(device, D3DTS_WORLD, &world);
    BlackClear();
    DrawQuad(c.mesh);
    Show();
    const int v = c.drawn ? 255 : 0;
    ExpectColor(At(c.px, c.py), v, v, v, 0);
  }
  // In perspective: a floor running from behind the eye into the distance shows at the bottom.
  D3DXMATRIX identity, projection;
  D3DXMatrixIdentity(&identity);
  SetTransform(device, D3DTS_WORLD, &identity);
  D3DXMatrixPerspectiveFovLH(&projection, 1.5707964f, 64.0f / 48.0f, 0.1f, 100.0f);
  SetTransform(device, D3DTS_PROJECTION, &projection);
  const GfxVertex v[4] = {{-1, -0.5f, -5, 0, 1, 0, 0, 0}, {1, -0.5f, -5, 0, 1, 0, 1, 0},
                          {1, -0.5f, 5, 0, 1, 0, 1, 1}, {-1, -0.5f, 5, 0, 1, 0, 0, 1}};
  const DWORD indices[6] = {0, 1, 2, 0, 2, 3};
  GfxMeshBuffer* floor = nullptr;
  ASSERT_EQ(CreateMeshBuffer(device, v, 4, indices, 6, &floor), S_OK);
  BlackClear();
  DrawQuad(floor);
  Show();
  ExpectColor(At(32, 47), 255, 255, 255, 0);
  ExpectColor(At(32, 10), 0, 0, 0, 0);
  Release(floor);
  Release(around);
}

TEST_F(GlDevice, WireframeFillDrawsOnlyEdges) {
  SetRenderState(device, D3DRS_LIGHTING, FALSE);
  SetRenderState(device, D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  quad = Rect(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f);
  BlackClear();
  DrawQuad(quad);
  Show();
  ExpectColor(At(20, 30), 0, 0, 0);  // inside, off the diagonal
}

TEST_F(GlDevice, ScriptCaptureWritesThePresentedFrame) {
  std::string dir = ::testing::TempDir() + "gfx_capture_XXXXXX";
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  std::string first = dir + "/first.png", second = dir + "/second.png";
  std::string script = "2 capture " + first + "\n4 capture " + second + "\n";
  ASSERT_EQ(ScriptLoadText(script.c_str(), "test"), 1);
  for (int pass = 1; pass <= 4; pass++) {
    script_pass = pass;
    if (pass == 4) continue;  // presents nothing: the frame of pass 3 stays on screen
    Clear(device, 0, nullptr, D3DCLEAR_TARGET, pass == 2 ? 0xFFFF0000 : 0xFF00FF00, 1.0f, 0);
    Present(device, nullptr, nullptr, nullptr, nullptr);
  }
  Release(device);  // writes what is still pending
  device = nullptr;
  ScriptClear();
  struct Want {
    std::string path;
    int r, g;
  };
  for (const Want& want : {Want{first, 255, 0}, Want{second, 0, 255}}) {
    SCOPED_TRACE(want.path);
    std::FILE* f = std::fopen(want.path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<std::uint8_t> bytes(1 << 16);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    DecodedImage image;
    std::string error;
    ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), &image, &error)) << error;
    EXPECT_EQ(image.width, static_cast<int>(kWidth));
    EXPECT_EQ(image.height, static_cast<int>(kHeight));
    EXPECT_EQ(image.rgba[0], want.r);
    EXPECT_EQ(image.rgba[1], want.g);
    std::remove(want.path.c_str());
  }
  std::remove(dir.c_str());
}

class GlText : public GlDevice {
 protected:
  GlText() {
    kWidth = 320;
    kHeight = 240;
  }
  void TearDown() override {
    Release(font);
    GlDevice::TearDown();
  }
  // The box of the pixels brighter than the background.
  RECT Ink() const {
    RECT ink = {static_cast<LONG>(kWidth), static_cast<LONG>(kHeight), -1, -1};
    for (UINT y = 0; y < kHeight; y++) {
      for (UINT x = 0; x < kWidth; x++) {
        if (At(x, y).r < 100) continue;
        ink.left = std::min<LONG>(ink.left, x);
        ink.top = std::min<LONG>(ink.top, y);
        ink.right = std::max<LONG>(ink.right, x + 1);
        ink.bottom = std::max<LONG>(ink.bottom, y + 1);
      }
    }
    return ink;
  }
  void Draw(const char* text, RECT rect, DWORD format, D3DCOLOR color = 0xFFFFFFFF) {
    BlackClear();
    BeginScene(device);
    DrawTextA(font, text, -1, &rect, format, color);
    EndScene(device);
    Show();
  }
  ID3DXFont* font = nullptr;
};

TEST_F(GlText, TextLandsInItsRectangleByTheAlignment) {
  LOGFONTA lf = {};
  lf.lfHeight = -24;
  lf.lfWeight = 400;
  std::strcpy(lf.lfFaceName, "Arial");
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), S_OK);
  const RECT rect = {40, 30, 280, 210};
  struct Case {
    DWORD format;
    bool left, center, right, top, vcenter, bottom;
  };
  const Case cases[] = {
      {DT_LEFT | DT_TOP, true, false, false, true, false, false},
      {DT_CENTER | DT_TOP, false, true, false, true, false, false},
      {DT_RIGHT | DT_TOP, false, false, true, true, false, false},
      {DT_LEFT | DT_VCENTER, true, false, false, false, true, false},
      {DT_CENTER | DT_VCENTER, false, true, false, false, true, false},
      {DT_RIGHT | DT_BOTTOM, false, false, true, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    Draw("HEAVY", rect, c.format | DT_SINGLELINE | DT_NOCLIP);
    RECT ink = Ink();
    RECT box = GfxTextBox(font, "HEAVY", -1, &rect, c.format);
    ASSERT_GT(ink.right, ink.left) << "no text drawn";
    EXPECT_GE(ink.left, box.left - 1);
    EXPECT_LE(ink.right, box.right + 1);
    EXPECT_GE(ink.top, box.top);
    EXPECT_LE(ink.bottom, box.bottom);
    int middle_x = (ink.left + ink.right) / 2, middle_y = (ink.top + ink.bottom) / 2;
    if (c.left) {
      EXPECT_LE(ink.left, rect.left + 3);
    }
    if (c.center) {
      EXPECT_NEAR(middle_x, (rect.left + rect.right) / 2, 3);
    }
    if (c.right) {
      EXPECT_GE(ink.right, rect.right - 3);
    }
    if (c.top) {
      EXPECT_LE(ink.top, rect.top + 8);  // the caps start below the ascent's top
    }
    if (c.vcenter) {
      EXPECT_NEAR(middle_y, (rect.top + rect.bottom) / 2, 4);
    }
    if (c.bottom) {
      EXPECT_GE(ink.bottom, rect.bottom - 8);  // the descent lies below the caps
    }
  }
}

TEST_F(GlText, ColourAndClipping) {
  LOGFONTA lf = {};
  lf.lfHeight = -40;
  lf.lfWeight = 1000;
  std::strcpy(lf.lfFaceName, "Arial");
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), S_OK);
  // Clipped to a rectangle narrower than the text, and without DT_NOCLIP spilling over.
  const RECT narrow = {100, 100, 140, 140};
  Draw("WWWW", narrow, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RECT ink = Ink();
  EXPECT_GE(ink.left, narrow.left);
  EXPECT_LE(ink.right, narrow.right);
  Draw("WWWW", narrow, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
  ink = Ink();
  EXPECT_LT(ink.left, narrow.left);
  EXPECT_GT(ink.right, narrow.right);
  // The colour, half transparent over black.
  Draw("I", {0, 0, 320, 240}, DT_CENTER | DT_VCENTER | DT_SINGLELINE, D3DXColorPack(1, 0, 0, 0.5f));
  Pixel p = At(160, 120);
  EXPECT_NEAR(p.r, 128, 3);
  EXPECT_EQ(p.g, 0);
}

}  // namespace
