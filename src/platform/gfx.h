// A Direct3D-8-like display device: the adapter's modes, device creation and release, clears,
// scenes, presents, transforms, render and texture-stage states, lights, materials, textures and
// triangle buffers. The calls are free functions named after the interface methods, taking the
// object as their first argument: Clear(device, ...) stands for device->Clear(...).
//
// Backends, chosen when the Direct3D object is made: OpenGL 3.3 core in the program's SDL window;
// the same renderer on a surfaceless EGL context (headless, frames read back as PNG); and a
// recording device that draws nothing. Every backend keeps the device's state and records every
// call (gfx_calls), so tests can look at what the game asked for.
#pragma once

#include "platform/gfx_math.h"
#include "platform/wintypes.h"

// ---- Formats, results and creation parameters ---------------------------------------------------
constexpr UINT D3D_SDK_VERSION = 120;
constexpr UINT D3DADAPTER_DEFAULT = 0;

// Stored in the configuration as numbers, so these keep the platform's values.
enum D3DFORMAT : int {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_R8G8B8 = 20,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_R5G6B5 = 23,
  D3DFMT_X1R5G5B5 = 24,
  D3DFMT_A1R5G5B5 = 25,
  D3DFMT_A4R4G4B4 = 26,
  D3DFMT_A8 = 28,
  D3DFMT_D16 = 80,
  D3DFMT_D24S8 = 75,
  D3DFMT_D24X8 = 77,
};

constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017C);
constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086A);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086C);
constexpr HRESULT D3DERR_DEVICELOST = static_cast<HRESULT>(0x88760868);

enum D3DDEVTYPE : int { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };

constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;

enum D3DSWAPEFFECT : int { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };

// Sample counts 2 to 16; 0 is none.
enum D3DMULTISAMPLE_TYPE : int { D3DMULTISAMPLE_NONE = 0 };

constexpr UINT D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr UINT D3DPRESENT_INTERVAL_ONE = 1;
constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

struct D3DDISPLAYMODE {
  UINT Width;
  UINT Height;
  UINT RefreshRate;  // Hz, 0 for the default
  D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
  UINT BackBufferWidth;  // windowed: 0 takes the window's client size
  UINT BackBufferHeight;
  D3DFORMAT BackBufferFormat;
  UINT BackBufferCount;
  D3DMULTISAMPLE_TYPE MultiSampleType;
  D3DSWAPEFFECT SwapEffect;
  HWND hDeviceWindow;
  BOOL Windowed;
  BOOL EnableAutoDepthStencil;
  D3DFORMAT AutoDepthStencilFormat;
  DWORD Flags;
  UINT FullScreen_RefreshRateInHz;
  UINT FullScreen_PresentationInterval;
};

struct D3DCAPS8 {
  D3DDEVTYPE DeviceType;
  UINT AdapterOrdinal;
  DWORD MaxActiveLights;
  DWORD MaxTextureWidth;
  DWORD MaxTextureHeight;
  DWORD MaxSimultaneousTextures;
};

// ---- States ------------------------------------------------------------------------------------
enum D3DTRANSFORMSTATETYPE : int { D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_COUNT };

enum D3DRENDERSTATETYPE : int {
  D3DRS_ZENABLE,           // D3DZB_
  D3DRS_FILLMODE,          // D3DFILL_
  D3DRS_SHADEMODE,         // D3DSHADE_
  D3DRS_ZWRITEENABLE,
  D3DRS_ALPHATESTENABLE,
  D3DRS_SRCBLEND,          // D3DBLEND_
  D3DRS_DESTBLEND,
  D3DRS_CULLMODE,          // D3DCULL_
  D3DRS_ZFUNC,             // D3DCMP_
  D3DRS_ALPHAREF,
  D3DRS_ALPHAFUNC,
  D3DRS_DITHERENABLE,
  D3DRS_ALPHABLENDENABLE,
  D3DRS_FOGENABLE,
  D3DRS_SPECULARENABLE,
  D3DRS_FOGCOLOR,          // D3DCOLOR
  D3DRS_FOGTABLEMODE,      // D3DFOG_
  D3DRS_FOGSTART,          // float bits (FloatBits)
  D3DRS_FOGEND,            // float bits
  D3DRS_FOGDENSITY,        // float bits
  D3DRS_EDGEANTIALIAS,
  D3DRS_RANGEFOGENABLE,
  D3DRS_TEXTUREFACTOR,     // D3DCOLOR
  D3DRS_LIGHTING,
  D3DRS_AMBIENT,           // D3DCOLOR
  D3DRS_FOGVERTEXMODE,     // D3DFOG_
  D3DRS_NORMALIZENORMALS,
  D3DRS_COUNT,
};

enum { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum D3DFILLMODE : int { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : int { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2 };
enum D3DBLEND : int {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
  D3DBLEND_DESTALPHA = 7,
  D3DBLEND_INVDESTALPHA = 8,
  D3DBLEND_DESTCOLOR = 9,
  D3DBLEND_INVDESTCOLOR = 10,
};
enum D3DCULL : int { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DCMPFUNC : int {
  D3DCMP_NEVER = 1,
  D3DCMP_LESS = 2,
  D3DCMP_EQUAL = 3,
  D3DCMP_LESSEQUAL = 4,
  D3DCMP_GREATER = 5,
  D3DCMP_NOTEQUAL = 6,
  D3DCMP_GREATEREQUAL = 7,
  D3DCMP_ALWAYS = 8,
};
enum D3DFOGMODE : int { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };

constexpr DWORD GFX_MAX_TEXTURE_STAGES = 8;

enum D3DTEXTURESTAGESTATETYPE : int {
  D3DTSS_COLOROP,        // D3DTOP_
  D3DTSS_COLORARG1,      // D3DTA_
  D3DTSS_COLORARG2,
  D3DTSS_ALPHAOP,
  D3DTSS_ALPHAARG1,
  D3DTSS_ALPHAARG2,
  D3DTSS_ADDRESSU,       // D3DTADDRESS_
  D3DTSS_ADDRESSV,
  D3DTSS_MAGFILTER,      // D3DTEXF_
  D3DTSS_MINFILTER,
  D3DTSS_MIPFILTER,
  D3DTSS_MIPMAPLODBIAS,  // float bits
  D3DTSS_COUNT,
};

enum D3DTEXTUREOP : int {
  D3DTOP_DISABLE = 1,
  D3DTOP_SELECTARG1 = 2,
  D3DTOP_SELECTARG2 = 3,
  D3DTOP_MODULATE = 4,
  D3DTOP_MODULATE2X = 5,
  D3DTOP_MODULATE4X = 6,
  D3DTOP_ADD = 7,
  D3DTOP_ADDSIGNED = 8,
  D3DTOP_SUBTRACT = 10,
};
enum { D3DTA_DIFFUSE = 0, D3DTA_CURRENT = 1, D3DTA_TEXTURE = 2, D3DTA_TFACTOR = 3 };
enum D3DTEXTUREADDRESS : int { D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3 };
enum D3DTEXTUREFILTERTYPE : int { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2, D3DTEXF_ANISOTROPIC = 3 };

// The bits of a float, for the states that hold one.
DWORD FloatBits(float value);
float BitsFloat(DWORD bits);

// ---- Clears ------------------------------------------------------------------------------------
constexpr DWORD D3DCLEAR_TARGET = 1;
constexpr DWORD D3DCLEAR_ZBUFFER = 2;
constexpr DWORD D3DCLEAR_STENCIL = 4;

// Pixels; x2 and y2 are exclusive.
struct D3DRECT {
  LONG x1, y1, x2, y2;
};

// ---- Lights and materials ----------------------------------------------------------------------
enum D3DLIGHTTYPE : int { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

struct D3DLIGHT8 {
  D3DLIGHTTYPE Type;
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Ambient;
  D3DVECTOR Position;
  D3DVECTOR Direction;
  float Range;
  float Falloff;
  float Attenuation0;
  float Attenuation1;
  float Attenuation2;
  float Theta;  // inner cone, radians
  float Phi;    // outer cone, radians
};

struct D3DMATERIAL8 {
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Ambient;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Emissive;
  float Power;
};

// Light indexes a device accepts (0 to GFX_MAX_LIGHTS - 1); how many may be on at once is
// D3DCAPS8::MaxActiveLights.
constexpr DWORD GFX_MAX_LIGHTS = 16;

// ---- Objects -----------------------------------------------------------------------------------
struct IDirect3D8;
struct IDirect3DDevice8;
struct IDirect3DTexture8;
// A triangle list of GfxVertex on the device, drawn by index ranges (a mesh's subsets).
struct GfxMeshBuffer;

// The Direct3D object; null when the display system cannot be had (or sdk_version is not ours).
IDirect3D8* Direct3DCreate8(UINT sdk_version);
ULONG Release(IDirect3D8* direct3d);

UINT GetAdapterModeCount(IDirect3D8* direct3d, UINT adapter);
// Modes in order of format, width, height and refresh rate; D3DERR_INVALIDCALL past the last.
HRESULT EnumAdapterModes(IDirect3D8* direct3d, UINT adapter, UINT mode, D3DDISPLAYMODE* out);
// The desktop's current mode.
HRESULT GetAdapterDisplayMode(IDirect3D8* direct3d, UINT adapter, D3DDISPLAYMODE* out);
HRESULT GetDeviceCaps(IDirect3D8* direct3d, UINT adapter, D3DDEVTYPE type, D3DCAPS8* out);
// S_OK when a device of that type could multisample a surface of that format with that many
// samples (none is always possible); D3DERR_NOTAVAILABLE when not, D3DERR_INVALIDCALL for a
// type that is no multisample type or a format that is no colour format.
HRESULT CheckDeviceMultiSampleType(IDirect3D8* direct3d, UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                   BOOL windowed, D3DMULTISAMPLE_TYPE samples);
// Results: S_OK; D3DERR_INVALIDCALL for parameters the adapter cannot take (a full-screen mode it
// does not list, an unsupported multisample type or format); D3DERR_NOTAVAILABLE when the display
// cannot be had; D3DERR_OUTOFVIDEOMEMORY.
HRESULT CreateDevice(IDirect3D8* direct3d, UINT adapter, D3DDEVTYPE type, HWND focus_window, DWORD behavior,
                     D3DPRESENT_PARAMETERS* params, IDirect3DDevice8** out);

ULONG Release(IDirect3DDevice8* device);
HRESULT ResourceManagerDiscardBytes(IDirect3DDevice8* device, DWORD bytes);
// The whole target (count 0, rects null) or each rectangle, clipped to the target. Write masks and
// the depth-write state do not apply.
HRESULT Clear(IDirect3DDevice8* device, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
              DWORD stencil);
HRESULT BeginScene(IDirect3DDevice8* device);
HRESULT EndScene(IDirect3DDevice8* device);
// Shows the back buffer (the arguments other than the device must be null).
HRESULT Present(IDirect3DDevice8* device, const RECT* source, const RECT* dest, HWND override_window,
                const void* dirty_region);
HRESULT SetTransform(IDirect3DDevice8* device, D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix);
HRESULT GetTransform(IDirect3DDevice8* device, D3DTRANSFORMSTATETYPE state, D3DMATRIX* out);
HRESULT SetRenderState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state, DWORD value);
HRESULT GetRenderState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state, DWORD* out);
HRESULT SetTextureStageState(IDirect3DDevice8* device, DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value);
HRESULT GetTextureStageState(IDirect3DDevice8* device, DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* out);
HRESULT SetLight(IDirect3DDevice8* device, DWORD index, const D3DLIGHT8* light);
HRESULT GetLight(IDirect3DDevice8* device, DWORD index, D3DLIGHT8* out);
HRESULT LightEnable(IDirect3DDevice8* device, DWORD index, BOOL enable);
HRESULT GetLightEnable(IDirect3DDevice8* device, DWORD index, BOOL* out);
HRESULT SetMaterial(IDirect3DDevice8* device, const D3DMATERIAL8* material);
// A null texture draws untextured (the stage reads opaque white).
HRESULT SetTexture(IDirect3DDevice8* device, DWORD stage, IDirect3DTexture8* texture);

// ---- Textures ----------------------------------------------------------------------------------
enum D3DPOOL : int { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2 };

struct D3DLOCKED_RECT {
  int Pitch;  // bytes per row
  void* pBits;
};

// Formats A8R8G8B8, X8R8G8B8, R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4 and A8, each side at most the
// device's largest texture size (D3DCAPS8::MaxTextureWidth, MaxTextureHeight). levels 0 makes a
// full chain of mip levels, made from level 0 whenever it is unlocked; a smaller level unlocked
// after that replaces what was made for it.
HRESULT CreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT levels, DWORD usage,
                      D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** out);
// One level at a time; each level's side is half the one before, at least 1.
HRESULT LockRect(IDirect3DTexture8* texture, UINT level, D3DLOCKED_RECT* out, const RECT* rect, DWORD flags);
HRESULT UnlockRect(IDirect3DTexture8* texture, UINT level);
ULONG Release(IDirect3DTexture8* texture);

// ---- Triangle meshes ---------------------------------------------------------------------------
// One vertex: position, normal, texture coordinate (D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1).
struct GfxVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};

// A triangle list: index_count a multiple of 3, every index below vertex_count. With `colors`, one
// diffuse colour a vertex (D3DFVF_DIFFUSE), which the device's defaults draw in place of the
// material's diffuse colour (lit) or of white (unlit).
HRESULT CreateMeshBuffer(IDirect3DDevice8* device, const GfxVertex* vertices, UINT vertex_count,
                         const DWORD* indices, UINT index_count, GfxMeshBuffer** out,
                         const D3DCOLOR* colors = nullptr);
// Draws triangles [first_index, first_index + index_count) with the current transforms, material,
// lights, texture stage 0 and states; only inside a scene.
HRESULT DrawMeshBuffer(IDirect3DDevice8* device, GfxMeshBuffer* buffer, UINT first_index, UINT index_count);
ULONG Release(GfxMeshBuffer* buffer);

// ---- Backends, test hooks and frame capture ----------------------------------------------------
enum GfxBackend : int { GFX_BACKEND_SDL, GFX_BACKEND_EGL, GFX_BACKEND_RECORD };

// The backend the next Direct3DCreate8 uses; -1 takes it from the environment: KESTRUNE_GFX=egl or
// record, otherwise the SDL window, or when KESTRUNE_HEADLESS is set the recording device (the EGL
// one when the script asks for frame captures).
extern int gfx_backend_request;
// True when a surfaceless EGL context with OpenGL 3.3 core can be made on this machine.
bool GfxEglAvailable();

// The adapter the headless backends offer (EGL and recording): its modes, desktop mode, light
// capability, multisample limit, largest texture size (which the EGL device lowers to its GL's
// should that be less), and creation results to hand out in order before succeeding.
constexpr int GFX_MAX_ADAPTER_MODES = 512;
struct GfxHeadlessAdapter {
  D3DDISPLAYMODE modes[GFX_MAX_ADAPTER_MODES];
  UINT mode_count;
  D3DDISPLAYMODE desktop;
  DWORD max_active_lights;
  UINT max_samples;
  UINT max_texture_size;
  HRESULT create_results[8];  // consumed from the front by CreateDevice
  int create_result_count;
  BOOL fail_direct3d_create;
  UINT window_width, window_height;  // the client size a windowed device takes
};
extern GfxHeadlessAdapter gfx_headless;
// Back to the standard headless adapter: a wide desktop and, like the SDL backend, the 4:3 modes
// 640x480, 800x600, 1024x768 and 1152x864 in 32-bit colour among its modes.
void GfxResetHeadless();

// The recorded calls of every device.
enum GfxOp : int {
  GFX_OP_CREATE_DEVICE,
  GFX_OP_RELEASE_DEVICE,
  GFX_OP_DISCARD_RESOURCES,
  GFX_OP_CLEAR,            // a: rectangle index, b: flags, rect, color, z
  GFX_OP_BEGIN_SCENE,
  GFX_OP_END_SCENE,
  GFX_OP_PRESENT,
  GFX_OP_SET_TRANSFORM,    // a: state, matrix
  GFX_OP_SET_RENDER_STATE, // a: state, b: value
  GFX_OP_SET_TEXTURE_STAGE_STATE,  // stage, a: state, b: value
  GFX_OP_SET_LIGHT,        // a: index
  GFX_OP_LIGHT_ENABLE,     // a: index, b: enable
  GFX_OP_SET_MATERIAL,
  GFX_OP_SET_TEXTURE,      // stage, object
  GFX_OP_DRAW_MESH,        // object, a: first index, b: index count
  GFX_OP_DRAW_TEXT,        // object (font), rect, b: format, color, text, box (where it lands)
};

struct GfxCall {
  GfxOp op;
  IDirect3DDevice8* device;
  DWORD stage;
  DWORD a, b;
  D3DCOLOR color;
  float z;
  RECT rect;
  RECT box;
  D3DMATRIX matrix;
  const void* object;
  char text[64];
};

constexpr int GFX_CALL_CAPACITY = 8192;
// The last GFX_CALL_CAPACITY calls since GfxClearCalls, oldest first.
int GfxCallCount();
const GfxCall* GfxCallAt(int index);
void GfxClearCalls();
void GfxRecord(const GfxCall& call);

// The frame last presented, as rows of RGBA from the top (GL backends only). Fails with
// D3DERR_INVALIDCALL when the buffer is too small, D3DERR_NOTAVAILABLE on the recording device.
HRESULT GfxReadFrame(IDirect3DDevice8* device, BYTE* rgba, UINT width, UINT height);
void GfxFrameSize(IDirect3DDevice8* device, UINT* width, UINT* height);
HRESULT GfxSaveFramePng(IDirect3DDevice8* device, const char* path);
// The device most recently created and still alive, or null.
IDirect3DDevice8* GfxCurrentDevice();
// Frames presented by the device since its creation.
UINT GfxPresentCount(IDirect3DDevice8* device);

// What the GL renderer sent for the frames drawn, for tests: its clears, fills and draws in the
// order they reached GL. The recording device sends none.
enum GfxGlOp : int {
  GFX_GL_CLEAR,  // flags: the D3DCLEAR_ parts cleared, rect: the rectangle (the whole target unscissored)
  GFX_GL_FILL,   // count: rectangles filled with their colours by one draw
  GFX_GL_DRAW,   // count: indices of a mesh drawn
  GFX_GL_COPY,   // the backdrop kept copied into the frame; count: its draws
};
struct GfxGlCall {
  GfxGlOp op;
  DWORD flags;
  D3DRECT rect;  // target pixels from the top
  int count;
};
constexpr int GFX_GL_CALL_CAPACITY = 1024;
// The last GFX_GL_CALL_CAPACITY calls since GfxGlClearCalls, oldest first.
int GfxGlCallCount();
const GfxGlCall* GfxGlCallAt(int index);
void GfxGlClearCalls();

// Headless frame captures: the script's "<pass> capture <file.png>" events write the frame on
// screen at the end of their pass (the one presented on it, else the one before) when a GL device
// presents or is released. The recording device has no frames: it says so on standard error.
