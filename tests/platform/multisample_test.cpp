// The multisample check answers as device creation does, on each headless display: a level it lets
// through always gives a device, and one it refuses never does.
#include <gtest/gtest.h>

#include "platform/gfx.h"

namespace {

struct Backend {
  const char* label;
  int backend;
  UINT adapter_samples;  // what the headless adapter offers; on EGL the GL may offer fewer
};

class MultiSample : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam().backend == GFX_BACKEND_EGL && !GfxEglAvailable())
      GTEST_SKIP() << "no surfaceless EGL display with OpenGL 3.3 core here";
    gfx_backend_request = GetParam().backend;
    GfxResetHeadless();
    gfx_headless.max_samples = GetParam().adapter_samples;
    direct3d = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(direct3d, nullptr);
  }
  void TearDown() override {
    Release(direct3d);
    gfx_backend_request = -1;
    GfxResetHeadless();
  }
  IDirect3D8* direct3d = nullptr;
};

TEST_P(MultiSample, CheckAndCreationAgreeOnEveryLevel) {
  int supported = 0;
  for (int level = 0; level <= 16; level++) {
    if (level == 1) continue;
    for (BOOL windowed : {TRUE, FALSE}) {
      SCOPED_TRACE(testing::Message() << level << " samples, windowed " << windowed);
      D3DPRESENT_PARAMETERS p = {};
      p.BackBufferCount = 1;
      p.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(level);
      p.SwapEffect = D3DSWAPEFFECT_DISCARD;
      p.Windowed = windowed;
      p.BackBufferWidth = windowed ? 0 : 640;
      p.BackBufferHeight = windowed ? 0 : 480;
      p.BackBufferFormat = D3DFMT_X8R8G8B8;
      p.EnableAutoDepthStencil = TRUE;
      p.AutoDepthStencilFormat = D3DFMT_D24S8;
      p.FullScreen_PresentationInterval = windowed ? D3DPRESENT_INTERVAL_DEFAULT : D3DPRESENT_INTERVAL_ONE;
      HRESULT check = CheckDeviceMultiSampleType(direct3d, 0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, windowed,
                                                 static_cast<D3DMULTISAMPLE_TYPE>(level));
      IDirect3DDevice8* device = nullptr;
      HRESULT made =
          CreateDevice(direct3d, 0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &p, &device);
      EXPECT_EQ(SUCCEEDED(check), SUCCEEDED(made)) << "check " << std::hex << check << ", creation " << made;
      supported += SUCCEEDED(check);
      Release(device);
    }
  }
  EXPECT_GE(supported, 2);  // no multisampling at least, windowed and full screen
}

// The EGL display's adapter offers all sixteen: what the GL itself can make decides.
INSTANTIATE_TEST_SUITE_P(Displays, MultiSample,
                         testing::Values(Backend{"record", GFX_BACKEND_RECORD, 4}, Backend{"egl", GFX_BACKEND_EGL, 16}),
                         [](const testing::TestParamInfo<Backend>& info) { return std::string(info.param.label); });

}  // namespace
