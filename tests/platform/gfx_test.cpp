// The display device on the recording backend: adapter, creation, state rules and the record.
#include "platform/gfx.h"

#include <gtest/gtest.h>

namespace {

class RecordingDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    gfx_backend_request = GFX_BACKEND_RECORD;
    GfxResetHeadless();
    GfxClearCalls();
    direct3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(direct3d, nullptr);
  }
  void TearDown() override {
    Release(device);
    Release(direct3d);
    gfx_backend_request = -1;
    GfxResetHeadless();
  }
  static D3DPRESENT_PARAMETERS Windowed() {
    D3DPRESENT_PARAMETERS p = {};
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    return p;
  }
  static D3DPRESENT_PARAMETERS FullScreen(UINT w, UINT h) {
    D3DPRESENT_PARAMETERS p = Windowed();
    p.Windowed = FALSE;
    p.BackBufferWidth = w;
    p.BackBufferHeight = h;
    p.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    return p;
  }
  HRESULT Create(D3DPRESENT_PARAMETERS p) {
    return CreateDevice(direct3d, 0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device);
  }
  IDirect3D8* direct3d = nullptr;
  IDirect3DDevice8* device = nullptr;
};

TEST_F(RecordingDevice, ObjectNeedsOurSdkVersion) {
  EXPECT_EQ(Direct3DCreate8(D3D_SDK_VERSION + 1), nullptr);
  gfx_headless.fail_direct3d_create = TRUE;
  EXPECT_EQ(Direct3DCreate8(D3D_SDK_VERSION), nullptr);
}

TEST_F(RecordingDevice, StandardAdapterOffersTheFourByThreeModesInOrder) {
  UINT n = GetAdapterModeCount(direct3d, 0);
  ASSERT_GE(n, 4u);
  D3DDISPLAYMODE previous = {}, m;
  int four_by_three = 0;
  for (UINT i = 0; i < n; i++) {
    ASSERT_EQ(EnumAdapterModes(direct3d, 0, i, &m), S_OK);
    EXPECT_TRUE(m.Width > previous.Width || (m.Width == previous.Width && m.Height > previous.Height)) << i;
    if (m.Height * 4 == m.Width * 3 && m.Width <= 1200 && m.Format == D3DFMT_X8R8G8B8) four_by_three++;
    previous = m;
  }
  EXPECT_EQ(four_by_three, 4);
  EXPECT_EQ(EnumAdapterModes(direct3d, 0, n, &m), D3DERR_INVALIDCALL);
  EXPECT_EQ(EnumAdapterModes(direct3d, 1, 0, &m), D3DERR_INVALIDCALL);
  ASSERT_EQ(GetAdapterDisplayMode(direct3d, 0, &m), S_OK);
  EXPECT_EQ(m.Width, 1920u);
}

TEST_F(RecordingDevice, CapsReportTheAdapterLights) {
  D3DCAPS8 caps;
  gfx_headless.max_active_lights = 8;
  ASSERT_EQ(GetDeviceCaps(direct3d, 0, D3DDEVTYPE_HAL, &caps), S_OK);
  EXPECT_EQ(caps.MaxActiveLights, 8u);
  EXPECT_EQ(GetDeviceCaps(direct3d, 0, D3DDEVTYPE_REF, &caps), D3DERR_NOTAVAILABLE);
}

// The largest texture side (4096 unless the adapter offers less) bounds every texture; each mip
// level is locked at its own size, one level at a time.
TEST_F(RecordingDevice, TheLargestTextureSizeBoundsTexturesAndEachLevelLocksAtItsSize) {
  D3DCAPS8 caps;
  ASSERT_EQ(GetDeviceCaps(direct3d, 0, D3DDEVTYPE_HAL, &caps), S_OK);
  EXPECT_EQ(caps.MaxTextureWidth, 4096u);
  EXPECT_EQ(caps.MaxTextureHeight, 4096u);
  Release(direct3d);
  gfx_headless.max_texture_size = 64;
  direct3d = Direct3DCreate8(D3D_SDK_VERSION);
  ASSERT_EQ(GetDeviceCaps(direct3d, 0, D3DDEVTYPE_HAL, &caps), S_OK);
  EXPECT_EQ(caps.MaxTextureWidth, 64u);
  ASSERT_EQ(Create(Windowed()), S_OK);
  IDirect3DTexture8* texture = nullptr;
  EXPECT_EQ(CreateTexture(device, 65, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
  EXPECT_EQ(CreateTexture(device, 1, 65, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
  ASSERT_EQ(CreateTexture(device, 64, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), S_OK);
  struct Level {
    UINT level;
    HRESULT result;
    int pitch;
  } levels[] = {{0, S_OK, 256}, {1, S_OK, 128}, {3, S_OK, 32}, {6, S_OK, 4}, {7, D3DERR_INVALIDCALL, 0}};
  for (const Level& l : levels) {
    D3DLOCKED_RECT locked = {};
    EXPECT_EQ(LockRect(texture, l.level, &locked, nullptr, 0), l.result) << l.level;
    if (FAILED(l.result)) continue;
    EXPECT_EQ(locked.Pitch, l.pitch) << l.level;
    const RECT past = {0, 0, 1, 2};  // level 6 is 1 x 1
    D3DLOCKED_RECT other;
    EXPECT_EQ(LockRect(texture, 0, &other, nullptr, 0), D3DERR_INVALIDCALL) << "one level at a time";
    EXPECT_EQ(UnlockRect(texture, l.level + 1), D3DERR_INVALIDCALL) << "not the level locked";
    EXPECT_EQ(UnlockRect(texture, l.level), S_OK) << l.level;
    if (l.level == 6) {
      EXPECT_EQ(LockRect(texture, 6, &other, &past, 0), D3DERR_INVALIDCALL);
    }
  }
  Release(texture);
}

TEST_F(RecordingDevice, WindowedDeviceTakesTheClientSize) {
  ASSERT_EQ(Create(Windowed()), S_OK);
  UINT w, h;
  GfxFrameSize(device, &w, &h);
  EXPECT_EQ(w, 640u);
  EXPECT_EQ(h, 480u);
  EXPECT_EQ(GfxCurrentDevice(), device);
  DWORD z;
  GetRenderState(device, D3DRS_ZENABLE, &z);
  EXPECT_EQ(z, static_cast<DWORD>(D3DZB_TRUE));
}

TEST_F(RecordingDevice, CreationFailures) {
  struct Case {
    const char* label;
    D3DPRESENT_PARAMETERS params;
    HRESULT want;
  };
  D3DPRESENT_PARAMETERS multisample = FullScreen(640, 480);
  multisample.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(8);
  D3DPRESENT_PARAMETERS one_sample = Windowed();
  one_sample.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(1);
  D3DPRESENT_PARAMETERS windowed_interval = Windowed();
  windowed_interval.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_ONE;
  D3DPRESENT_PARAMETERS windowed_16bit = Windowed();
  windowed_16bit.BackBufferFormat = D3DFMT_R5G6B5;
  const Case cases[] = {
      {"unlisted full-screen mode", FullScreen(1280, 960), D3DERR_INVALIDCALL},
      {"listed mode in another format", [] {
         D3DPRESENT_PARAMETERS p = FullScreen(640, 480);
         p.BackBufferFormat = D3DFMT_R5G6B5;
         return p;
       }(), D3DERR_INVALIDCALL},
      {"more samples than the adapter has", multisample, D3DERR_INVALIDCALL},
      {"one sample", one_sample, D3DERR_INVALIDCALL},
      {"interval in a window", windowed_interval, D3DERR_INVALIDCALL},
      {"window format unlike the desktop", windowed_16bit, D3DERR_INVALIDCALL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Create(c.params), c.want);
    EXPECT_EQ(device, nullptr);
  }
  D3DPRESENT_PARAMETERS four = FullScreen(640, 480);
  four.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(4);
  EXPECT_EQ(Create(four), S_OK);
}

// The check answers as device creation would: up to the adapter's samples (4 headless).
TEST_F(RecordingDevice, MultiSampleCheckFollowsTheAdapterLimit) {
  struct Case {
    const char* label;
    D3DFORMAT format;
    int samples;
    D3DDEVTYPE type;
    HRESULT want;
  };
  const Case cases[] = {
      {"none", D3DFMT_X8R8G8B8, 0, D3DDEVTYPE_HAL, S_OK},
      {"two", D3DFMT_X8R8G8B8, 2, D3DDEVTYPE_HAL, S_OK},
      {"the adapter's most", D3DFMT_R5G6B5, 4, D3DDEVTYPE_HAL, S_OK},
      {"more than the adapter has", D3DFMT_X8R8G8B8, 5, D3DDEVTYPE_HAL, D3DERR_NOTAVAILABLE},
      {"sixteen", D3DFMT_X8R8G8B8, 16, D3DDEVTYPE_HAL, D3DERR_NOTAVAILABLE},
      {"one is no type", D3DFMT_X8R8G8B8, 1, D3DDEVTYPE_HAL, D3DERR_INVALIDCALL},
      {"past sixteen", D3DFMT_X8R8G8B8, 17, D3DDEVTYPE_HAL, D3DERR_INVALIDCALL},
      {"a depth format", D3DFMT_D24S8, 2, D3DDEVTYPE_HAL, D3DERR_INVALIDCALL},
      {"the reference device", D3DFMT_X8R8G8B8, 2, D3DDEVTYPE_REF, D3DERR_NOTAVAILABLE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    for (BOOL windowed : {FALSE, TRUE})
      EXPECT_EQ(CheckDeviceMultiSampleType(direct3d, 0, c.type, c.format, windowed,
                                           static_cast<D3DMULTISAMPLE_TYPE>(c.samples)),
                c.want);
  }
  EXPECT_EQ(CheckDeviceMultiSampleType(nullptr, 0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE),
            D3DERR_INVALIDCALL);
}

TEST_F(RecordingDevice, ScriptedCreationResultsComeInOrder) {
  gfx_headless.create_results[0] = D3DERR_NOTAVAILABLE;
  gfx_headless.create_results[1] = D3DERR_OUTOFVIDEOMEMORY;
  gfx_headless.create_result_count = 2;
  EXPECT_EQ(Create(Windowed()), D3DERR_NOTAVAILABLE);
  EXPECT_EQ(Create(Windowed()), D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(Create(Windowed()), S_OK);
}

TEST_F(RecordingDevice, SceneAndPresentRules) {
  ASSERT_EQ(Create(Windowed()), S_OK);
  EXPECT_EQ(EndScene(device), D3DERR_INVALIDCALL);
  EXPECT_EQ(BeginScene(device), S_OK);
  EXPECT_EQ(BeginScene(device), D3DERR_INVALIDCALL);
  EXPECT_EQ(Present(device, nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(EndScene(device), S_OK);
  EXPECT_EQ(Present(device, nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(GfxPresentCount(device), 1u);
  BYTE pixel[4];
  EXPECT_EQ(GfxReadFrame(device, pixel, 640, 480), D3DERR_NOTAVAILABLE);
}

TEST_F(RecordingDevice, ClearRecordsEachRectangleClippedToTheTarget) {
  ASSERT_EQ(Create(Windowed()), S_OK);
  GfxClearCalls();
  const D3DRECT rects[2] = {{-10, -10, 20, 30}, {600, 470, 700, 500}};
  ASSERT_EQ(Clear(device, 2, rects, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF112233, 1.0f, 0), S_OK);
  ASSERT_EQ(GfxCallCount(), 2);
  const GfxCall* first = GfxCallAt(0);
  EXPECT_EQ(first->op, GFX_OP_CLEAR);
  EXPECT_EQ(first->rect.left, 0);
  EXPECT_EQ(first->rect.top, 0);
  EXPECT_EQ(first->rect.right, 20);
  EXPECT_EQ(first->color, 0xFF112233u);
  EXPECT_EQ(GfxCallAt(1)->rect.right, 640);
  EXPECT_EQ(GfxCallAt(1)->rect.bottom, 480);
  ASSERT_EQ(Clear(device, 0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), S_OK);
  EXPECT_EQ(GfxCallAt(2)->rect.right, 640);
  EXPECT_EQ(Clear(device, 1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(Clear(device, 0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(RecordingDevice, ClearWithoutDepthBufferFails) {
  D3DPRESENT_PARAMETERS p = Windowed();
  p.EnableAutoDepthStencil = FALSE;
  ASSERT_EQ(Create(p), S_OK);
  EXPECT_EQ(Clear(device, 0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(Clear(device, 0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), S_OK);
}

TEST_F(RecordingDevice, StatesAreKeptAndRecorded) {
  ASSERT_EQ(Create(Windowed()), S_OK);
  GfxClearCalls();
  SetRenderState(device, D3DRS_FOGEND, FloatBits(200.0f));
  SetTextureStageState(device, 0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, 1, 2, 3);
  SetTransform(device, D3DTS_VIEW, &m);
  DWORD value;
  GetRenderState(device, D3DRS_FOGEND, &value);
  EXPECT_EQ(BitsFloat(value), 200.0f);
  GetTextureStageState(device, 0, D3DTSS_MIPFILTER, &value);
  EXPECT_EQ(value, static_cast<DWORD>(D3DTEXF_LINEAR));
  D3DXMATRIX got;
  GetTransform(device, D3DTS_VIEW, &got);
  EXPECT_EQ(got.m[3][2], 3.0f);
  ASSERT_EQ(GfxCallCount(), 3);
  EXPECT_EQ(GfxCallAt(0)->op, GFX_OP_SET_RENDER_STATE);
  EXPECT_EQ(GfxCallAt(0)->a, static_cast<DWORD>(D3DRS_FOGEND));
  EXPECT_EQ(GfxCallAt(1)->stage, 0u);
  EXPECT_EQ(GfxCallAt(2)->matrix.m[3][0], 1.0f);
  EXPECT_EQ(SetTextureStageState(device, GFX_MAX_TEXTURE_STAGES, D3DTSS_COLOROP, 0), D3DERR_INVALIDCALL);
}

TEST_F(RecordingDevice, Lights) {
  ASSERT_EQ(Create(Windowed()), S_OK);
  D3DLIGHT8 light = {};
  EXPECT_EQ(SetLight(device, 0, &light), D3DERR_INVALIDCALL);  // no type
  light.Type = D3DLIGHT_POINT;
  light.Range = 25;
  light.Diffuse = {0.5f, 0.5f, 0.5f, 0};
  EXPECT_EQ(SetLight(device, 3, &light), S_OK);
  EXPECT_EQ(SetLight(device, GFX_MAX_LIGHTS, &light), D3DERR_INVALIDCALL);
  D3DLIGHT8 got;
  ASSERT_EQ(GetLight(device, 3, &got), S_OK);
  EXPECT_EQ(got.Range, 25.0f);
  BOOL on = TRUE;
  GetLightEnable(device, 3, &on);
  EXPECT_FALSE(on);
  // Switching on a light never set makes the default white directional one.
  ASSERT_EQ(LightEnable(device, 9, TRUE), S_OK);
  ASSERT_EQ(GetLight(device, 9, &got), S_OK);
  EXPECT_EQ(got.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(got.Diffuse.r, 1.0f);
}

TEST_F(RecordingDevice, TexturesAndMeshBuffers) {
  ASSERT_EQ(Create(Windowed()), S_OK);
  IDirect3DTexture8* texture = nullptr;
  ASSERT_EQ(CreateTexture(device, 4, 2, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture), S_OK);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(LockRect(texture, 0, &locked, nullptr, 0), S_OK);
  EXPECT_EQ(locked.Pitch, 16);
  EXPECT_EQ(LockRect(texture, 0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(UnlockRect(texture, 0), S_OK);
  Release(texture);
  EXPECT_EQ(CreateTexture(device, 4, 2, 1, 0, D3DFMT_D24S8, D3DPOOL_MANAGED, &texture), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);

  const GfxVertex v[3] = {};
  const DWORD good[3] = {0, 1, 2}, bad[3] = {0, 1, 3};
  GfxMeshBuffer* mesh = nullptr;
  EXPECT_EQ(CreateMeshBuffer(device, v, 3, bad, 3, &mesh), D3DERR_INVALIDCALL);
  ASSERT_EQ(CreateMeshBuffer(device, v, 3, good, 3, &mesh), S_OK);
  EXPECT_EQ(DrawMeshBuffer(device, mesh, 0, 3), D3DERR_INVALIDCALL);  // outside a scene
  BeginScene(device);
  GfxClearCalls();
  EXPECT_EQ(DrawMeshBuffer(device, mesh, 0, 3), S_OK);
  EXPECT_EQ(DrawMeshBuffer(device, mesh, 3, 3), D3DERR_INVALIDCALL);
  EndScene(device);
  ASSERT_EQ(GfxCallCount(), 2);
  EXPECT_EQ(GfxCallAt(0)->op, GFX_OP_DRAW_MESH);
  EXPECT_EQ(GfxCallAt(0)->object, mesh);
  Release(mesh);
}

TEST_F(RecordingDevice, TheRecordKeepsTheNewestCalls) {
  ASSERT_EQ(Create(Windowed()), S_OK);
  GfxClearCalls();
  for (int i = 0; i < GFX_CALL_CAPACITY + 10; i++) SetRenderState(device, D3DRS_ALPHAREF, i);
  ASSERT_EQ(GfxCallCount(), GFX_CALL_CAPACITY);
  EXPECT_EQ(GfxCallAt(0)->b, 10u);
  EXPECT_EQ(GfxCallAt(GFX_CALL_CAPACITY - 1)->b, static_cast<DWORD>(GFX_CALL_CAPACITY + 9));
  EXPECT_EQ(GfxCallAt(GFX_CALL_CAPACITY), nullptr);
}

TEST_F(RecordingDevice, ReleasedDeviceRefusesCalls) {
  ASSERT_EQ(Create(Windowed()), S_OK);
  Release(device);
  EXPECT_EQ(BeginScene(device), D3DERR_INVALIDCALL);
  EXPECT_EQ(GfxCurrentDevice(), nullptr);
  device = nullptr;
}

}  // namespace
