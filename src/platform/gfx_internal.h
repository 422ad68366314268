// What the display device's files share: the objects' layouts and the GL renderer's operations.
#pragma once

#include "platform/gfx.h"

struct GfxGlDevice;
struct GfxGlTexture;
struct GfxGlMesh;

struct IDirect3D8 {
  int backend;  // GfxBackend
  D3DDISPLAYMODE modes[GFX_MAX_ADAPTER_MODES];
  UINT mode_count;
  D3DDISPLAYMODE desktop;
  UINT max_texture_size;  // the side no texture may pass, lowered to GL's by each GL device
};

struct IDirect3DDevice8 {
  bool live;
  int backend;
  IDirect3D8* direct3d;
  HWND window;
  D3DPRESENT_PARAMETERS params;  // as created, with the back-buffer size filled in
  bool in_scene;
  UINT present_count;
  D3DMATRIX transforms[D3DTS_COUNT];
  DWORD render_states[D3DRS_COUNT];
  DWORD stage_states[GFX_MAX_TEXTURE_STAGES][D3DTSS_COUNT];
  IDirect3DTexture8* textures[GFX_MAX_TEXTURE_STAGES];
  D3DLIGHT8 lights[GFX_MAX_LIGHTS];
  bool light_set[GFX_MAX_LIGHTS];
  bool light_on[GFX_MAX_LIGHTS];
  D3DMATERIAL8 material;
  GfxGlDevice* gl;  // null on the recording device
};

struct IDirect3DTexture8 {
  IDirect3DDevice8* device;
  UINT width, height, levels;
  D3DFORMAT format;
  UINT bytes_per_pixel;
  BYTE* pixels;  // level 0, width * bytes_per_pixel per row
  bool locked;
  UINT locked_level;
  BYTE* level_pixels;  // a smaller level while it is locked
  GfxGlTexture* gl;
};

struct GfxMeshBuffer {
  IDirect3DDevice8* device;
  UINT vertex_count, index_count;
  GfxGlMesh* gl;
};

// One glyph quad of a text: a pixel rectangle on the target and its part of the font's texture.
struct GfxScreenQuad {
  float x0, y0, x1, y1;
  float u0, v0, u1, v1;
};

// The GL renderer, shared by the SDL and EGL backends.
HRESULT GlCreateDevice(IDirect3DDevice8* device);
void GlReleaseDevice(IDirect3DDevice8* device);
void GlClear(IDirect3DDevice8* device, const D3DRECT* rect, DWORD flags, D3DCOLOR color, float z, DWORD stencil);
void GlPresent(IDirect3DDevice8* device);
HRESULT GlReadFrame(IDirect3DDevice8* device, BYTE* rgba);
HRESULT GlCreateTexture(IDirect3DTexture8* texture);
void GlUploadTexture(IDirect3DTexture8* texture);
// A smaller level of a texture with a mip chain, rows of width * bytes_per_pixel.
void GlUploadTextureLevel(IDirect3DTexture8* texture, UINT level, UINT width, UINT height, const BYTE* pixels);
// GL_MAX_TEXTURE_SIZE of the device's context.
UINT GlMaxTextureSize(IDirect3DDevice8* device);
// One level of the texture as GL holds it, its rows from the first, into `out` (4 bytes a texel of
// a four-byte format); for tests.
void GlReadTextureLevel(IDirect3DTexture8* texture, int level, BYTE* out);
void GlReleaseTexture(IDirect3DTexture8* texture);
HRESULT GlCreateMesh(GfxMeshBuffer* buffer, const GfxVertex* vertices, const DWORD* indices, const D3DCOLOR* colors);
void GlReleaseMesh(GfxMeshBuffer* buffer);
void GlDrawMesh(IDirect3DDevice8* device, GfxMeshBuffer* buffer, UINT first_index, UINT index_count);
// Draws quads in target pixels with the texture's coverage times `color`, blended over the target,
// without depth, lights or fog; clipped to `clip` when it is not null.
void GlDrawScreenQuads(IDirect3DDevice8* device, IDirect3DTexture8* texture, const GfxScreenQuad* quads, int count,
                       D3DCOLOR color, const RECT* clip);

// Contexts: make one for the device (SDL window or surfaceless EGL), make it current, swap.
bool GlContextCreate(IDirect3DDevice8* device);
void GlContextDestroy(IDirect3DDevice8* device);
void GlContextMakeCurrent(IDirect3DDevice8* device);
// Chooses how many threads Mesa's software rasteriser takes for a window of that size (before the
// window's GL screen is made), unless the user chose.
void GlChooseRasteriserThreads(int width, int height);
// The window's drawable size (SDL) for showing the frame; false headless.
bool GlContextWindowSize(IDirect3DDevice8* device, int* width, int* height);
void GlContextSwap(IDirect3DDevice8* device);
// The desktop's modes and current mode from SDL; false when SDL's video is not available.
bool SdlAdapterModes(D3DDISPLAYMODE* modes, UINT capacity, UINT* count, D3DDISPLAYMODE* desktop);
// The window's client size in pixels, for a windowed device asked for size 0.
bool WindowClientSize(HWND window, UINT* width, UINT* height);
// Full screen on the desktop (scaled, with black bars) or back to the window.
void SdlSetFullScreen(HWND window, bool full_screen);
// The most samples the backend's GL can give a device's back buffer (GFX_BACKEND_SDL or _EGL).
UINT GlMaxSamples(int backend);
