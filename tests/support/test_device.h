// A display device for tests: windowed, 32-bit, on the backend asked for (recording or EGL).
#pragma once

#include <gtest/gtest.h>

#include "platform/gfx.h"

struct TestDevice {
  IDirect3D8* direct3d = nullptr;
  IDirect3DDevice8* device = nullptr;
  UINT max_texture_size = 0;  // when set, the adapter's largest texture side for the next Open

  // Makes the device; a failure is reported as a test failure and leaves device null.
  void Open(int backend, UINT width = 640, UINT height = 480) {
    gfx_backend_request = backend;
    GfxResetHeadless();
    if (max_texture_size) gfx_headless.max_texture_size = max_texture_size;
    gfx_headless.window_width = width;
    gfx_headless.window_height = height;
    GfxClearCalls();
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
  void Close() {
    Release(device);
    Release(direct3d);
    device = nullptr;
    direct3d = nullptr;
    gfx_backend_request = -1;
    GfxResetHeadless();
  }
};
