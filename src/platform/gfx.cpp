#include "platform/gfx.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gfx_internal.h"
#include "platform/image_write.h"
#include "platform/script.h"

int gfx_backend_request = -1;

// The largest texture side a device offers, however large its GL's: what the displays of the game's
// time offered, and more would only let one texture take the memory of dozens.
constexpr UINT kTextureSizeMax = 4096;

// ---- Headless adapter --------------------------------------------------------------------------

// Desktops today list few 4:3 modes, which the game's mode list needs: these are always offered,
// shown full screen scaled to the desktop with black bars.
static const D3DDISPLAYMODE kExtraModes[] = {
    {.Width = 640, .Height = 480, .RefreshRate = 0, .Format = D3DFMT_X8R8G8B8},
    {.Width = 800, .Height = 600, .RefreshRate = 0, .Format = D3DFMT_X8R8G8B8},
    {.Width = 1024, .Height = 768, .RefreshRate = 0, .Format = D3DFMT_X8R8G8B8},
    {.Width = 1152, .Height = 864, .RefreshRate = 0, .Format = D3DFMT_X8R8G8B8},
};

static bool ModeBefore(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
  if (a.Format != b.Format) return a.Format < b.Format;
  if (a.Width != b.Width) return a.Width < b.Width;
  if (a.Height != b.Height) return a.Height < b.Height;
  return a.RefreshRate < b.RefreshRate;
}

static bool SameMode(const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) {
  return a.Format == b.Format && a.Width == b.Width && a.Height == b.Height && a.RefreshRate == b.RefreshRate;
}

// The adapter's list: the desktop's own modes plus the extra 4:3 ones, sorted, without repeats.
static void MergeAdapterModes(D3DDISPLAYMODE* modes, UINT* count) {
  UINT n = *count;
  for (const D3DDISPLAYMODE& extra : kExtraModes) {
    bool listed = false;
    for (UINT i = 0; i < n; i++) {
      listed |= modes[i].Width == extra.Width && modes[i].Height == extra.Height && modes[i].Format == extra.Format;
    }
    if (!listed && n < GFX_MAX_ADAPTER_MODES) modes[n++] = extra;
  }
  std::sort(modes, modes + n, ModeBefore);
  *count = static_cast<UINT>(std::unique(modes, modes + n, SameMode) - modes);
}

static GfxHeadlessAdapter StandardHeadless() {
  static const D3DDISPLAYMODE desktop_modes[] = {
      {.Width = 1280, .Height = 720, .RefreshRate = 60, .Format = D3DFMT_X8R8G8B8},
      {.Width = 1280, .Height = 1024, .RefreshRate = 60, .Format = D3DFMT_X8R8G8B8},
      {.Width = 1600, .Height = 900, .RefreshRate = 60, .Format = D3DFMT_X8R8G8B8},
      {.Width = 1920, .Height = 1080, .RefreshRate = 60, .Format = D3DFMT_X8R8G8B8},
  };
  GfxHeadlessAdapter a = {};
  for (const D3DDISPLAYMODE& m : desktop_modes) a.modes[a.mode_count++] = m;
  MergeAdapterModes(a.modes, &a.mode_count);
  a.desktop = desktop_modes[3];
  a.max_active_lights = 10;
  a.max_samples = 4;
  a.max_texture_size = kTextureSizeMax;
  a.window_width = 640;
  a.window_height = 480;
  return a;
}

GfxHeadlessAdapter gfx_headless = StandardHeadless();

void GfxResetHeadless() { gfx_headless = StandardHeadless(); }

// ---- Recording ---------------------------------------------------------------------------------

static GfxCall recorded[GFX_CALL_CAPACITY];
static int record_total;  // calls since the last clear; the ring keeps the newest

int GfxCallCount() { return std::min(record_total, GFX_CALL_CAPACITY); }

const GfxCall* GfxCallAt(int index) {
  if (index < 0 || index >= GfxCallCount()) return nullptr;
  int first = record_total - GfxCallCount();
  return &recorded[(first + index) % GFX_CALL_CAPACITY];
}

void GfxClearCalls() { record_total = 0; }

void GfxRecord(const GfxCall& call) {
  recorded[record_total % GFX_CALL_CAPACITY] = call;
  record_total++;
  if (record_total >= 2 * GFX_CALL_CAPACITY) record_total -= GFX_CALL_CAPACITY;
}

static void Record(IDirect3DDevice8* device, GfxOp op, DWORD a = 0, DWORD b = 0) {
  GfxCall call = {};
  call.op = op;
  call.device = device;
  call.a = a;
  call.b = b;
  GfxRecord(call);
}

// ---- Small helpers -----------------------------------------------------------------------------

DWORD FloatBits(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float BitsFloat(DWORD bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

static bool Headless(int backend) { return backend != GFX_BACKEND_SDL; }

// The most samples a multisampled surface may have on the backend: what its GL can really make
// (on EGL, no more than the headless adapter offers); the recording device has the adapter alone.
static UINT MaxSamples(int backend) {
  if (backend == GFX_BACKEND_RECORD) return gfx_headless.max_samples;
  UINT gl = GlMaxSamples(backend);
  return backend == GFX_BACKEND_EGL ? std::min(gl, gfx_headless.max_samples) : gl;
}

static bool ScriptHasCaptures() {
  for (int i = 0; i < script_event_count; i++) {
    if (script_events[i].kind == SCRIPT_CAPTURE) return true;
  }
  return false;
}

static int ChooseBackend() {
  if (gfx_backend_request >= 0) return gfx_backend_request;
  const char* gfx = std::getenv("KESTRUNE_GFX");
  if (gfx && std::strcmp(gfx, "egl") == 0) return GFX_BACKEND_EGL;
  if (gfx && std::strcmp(gfx, "record") == 0) return GFX_BACKEND_RECORD;
  if (gfx && std::strcmp(gfx, "sdl") == 0) return GFX_BACKEND_SDL;
  if (IsHeadless()) return ScriptHasCaptures() ? GFX_BACKEND_EGL : GFX_BACKEND_RECORD;
  return GFX_BACKEND_SDL;
}

// ---- The Direct3D object -----------------------------------------------------------------------

static IDirect3D8 objects[4];
static bool object_used[4];

IDirect3D8* Direct3DCreate8(UINT sdk_version) {
  if (sdk_version != D3D_SDK_VERSION) return nullptr;
  int backend = ChooseBackend();
  if (Headless(backend) && gfx_headless.fail_direct3d_create) return nullptr;
  int slot = 0;
  while (slot < 4 && object_used[slot]) slot++;
  if (slot == 4) return nullptr;
  IDirect3D8* d = &objects[slot];
  *d = {};
  d->backend = backend;
  if (Headless(backend)) {
    d->mode_count = std::min<UINT>(gfx_headless.mode_count, GFX_MAX_ADAPTER_MODES);
    std::copy(gfx_headless.modes, gfx_headless.modes + d->mode_count, d->modes);
    d->desktop = gfx_headless.desktop;
    d->max_texture_size = std::min(gfx_headless.max_texture_size, kTextureSizeMax);
  } else {
    d->max_texture_size = kTextureSizeMax;
    if (!SdlAdapterModes(d->modes, GFX_MAX_ADAPTER_MODES, &d->mode_count, &d->desktop)) return nullptr;
    MergeAdapterModes(d->modes, &d->mode_count);
  }
  object_used[slot] = true;
  return d;
}

ULONG Release(IDirect3D8* direct3d) {
  if (!direct3d) return 0;
  object_used[direct3d - objects] = false;
  return 0;
}

UINT GetAdapterModeCount(IDirect3D8* direct3d, UINT adapter) {
  return direct3d && adapter == 0 ? direct3d->mode_count : 0;
}

HRESULT EnumAdapterModes(IDirect3D8* direct3d, UINT adapter, UINT mode, D3DDISPLAYMODE* out) {
  if (!direct3d || !out || adapter != 0 || mode >= direct3d->mode_count) return D3DERR_INVALIDCALL;
  *out = direct3d->modes[mode];
  return S_OK;
}

HRESULT GetAdapterDisplayMode(IDirect3D8* direct3d, UINT adapter, D3DDISPLAYMODE* out) {
  if (!direct3d || !out || adapter != 0) return D3DERR_INVALIDCALL;
  *out = direct3d->desktop;
  return S_OK;
}

HRESULT GetDeviceCaps(IDirect3D8* direct3d, UINT adapter, D3DDEVTYPE type, D3DCAPS8* out) {
  if (!direct3d || !out || adapter != 0) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  *out = {};
  out->DeviceType = type;
  out->MaxActiveLights = Headless(direct3d->backend) ? gfx_headless.max_active_lights : 10;
  out->MaxTextureWidth = direct3d->max_texture_size;
  out->MaxTextureHeight = direct3d->max_texture_size;
  out->MaxSimultaneousTextures = 1;
  return S_OK;
}

HRESULT CheckDeviceMultiSampleType(IDirect3D8* direct3d, UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                   BOOL windowed, D3DMULTISAMPLE_TYPE samples) {
  if (!direct3d || adapter != 0) return D3DERR_INVALIDCALL;
  if (format < D3DFMT_R8G8B8 || format > D3DFMT_A4R4G4B4) return D3DERR_INVALIDCALL;
  int count = samples;
  if (count < 0 || count == 1 || count > 16) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  if (count == 0) return S_OK;
  return static_cast<UINT>(count) <= MaxSamples(direct3d->backend) ? S_OK : D3DERR_NOTAVAILABLE;
}

// ---- Device creation ---------------------------------------------------------------------------

static IDirect3DDevice8 devices[4];
static IDirect3DDevice8* current_device;

static void SetDefaultStates(IDirect3DDevice8* device) {
  for (D3DMATRIX& m : device->transforms) D3DXMatrixIdentity(&m);
  DWORD* rs = device->render_states;
  rs[D3DRS_ZENABLE] = device->params.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[D3DRS_ALPHATESTENABLE] = FALSE;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAREF] = 0;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_DITHERENABLE] = FALSE;
  rs[D3DRS_ALPHABLENDENABLE] = FALSE;
  rs[D3DRS_FOGENABLE] = FALSE;
  rs[D3DRS_SPECULARENABLE] = FALSE;
  rs[D3DRS_FOGCOLOR] = 0;
  rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
  rs[D3DRS_FOGSTART] = FloatBits(0.0f);
  rs[D3DRS_FOGEND] = FloatBits(1.0f);
  rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
  rs[D3DRS_EDGEANTIALIAS] = FALSE;
  rs[D3DRS_RANGEFOGENABLE] = FALSE;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_AMBIENT] = 0;
  rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
  rs[D3DRS_NORMALIZENORMALS] = FALSE;
  for (DWORD stage = 0; stage < GFX_MAX_TEXTURE_STAGES; stage++) {
    DWORD* ts = device->stage_states[stage];
    ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    ts[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    ts[D3DTSS_MIPMAPLODBIAS] = FloatBits(0.0f);
  }
  D3DMATERIAL8 white = {};
  white.Diffuse = {1, 1, 1, 1};
  device->material = white;
}

static bool AdapterListsMode(const IDirect3D8* d, UINT width, UINT height, D3DFORMAT format, UINT refresh) {
  for (UINT i = 0; i < d->mode_count; i++) {
    const D3DDISPLAYMODE& m = d->modes[i];
    if (m.Width == width && m.Height == height && m.Format == format &&
        (refresh == 0 || m.RefreshRate == 0 || m.RefreshRate == refresh)) {
      return true;
    }
  }
  return false;
}

static bool DesktopCompatible(D3DFORMAT desktop, D3DFORMAT format) {
  if (format == desktop || format == D3DFMT_UNKNOWN) return true;
  bool desktop32 = desktop == D3DFMT_X8R8G8B8 || desktop == D3DFMT_A8R8G8B8;
  return desktop32 && (format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8);
}

// The checks a device's parameters must pass on this adapter.
static HRESULT CheckParams(const IDirect3D8* d, const D3DPRESENT_PARAMETERS& p, UINT max_samples) {
  if (p.BackBufferCount > 3) return D3DERR_INVALIDCALL;
  if (p.SwapEffect < D3DSWAPEFFECT_DISCARD || p.SwapEffect > D3DSWAPEFFECT_COPY) return D3DERR_INVALIDCALL;
  int samples = p.MultiSampleType;
  if (samples == 1 || samples < 0 || samples > 16) return D3DERR_INVALIDCALL;
  if (samples >= 2 && (p.SwapEffect != D3DSWAPEFFECT_DISCARD || static_cast<UINT>(samples) > max_samples)) {
    return D3DERR_INVALIDCALL;
  }
  if (p.EnableAutoDepthStencil && p.AutoDepthStencilFormat != D3DFMT_D24S8 &&
      p.AutoDepthStencilFormat != D3DFMT_D24X8 && p.AutoDepthStencilFormat != D3DFMT_D16) {
    return D3DERR_INVALIDCALL;
  }
  if (p.Windowed) {
    if (p.FullScreen_RefreshRateInHz != 0 || p.FullScreen_PresentationInterval != D3DPRESENT_INTERVAL_DEFAULT) {
      return D3DERR_INVALIDCALL;
    }
    if (!DesktopCompatible(d->desktop.Format, p.BackBufferFormat)) return D3DERR_INVALIDCALL;
    if (p.BackBufferWidth > 8192 || p.BackBufferHeight > 8192) return D3DERR_INVALIDCALL;
  } else {
    UINT interval = p.FullScreen_PresentationInterval;
    if (interval != D3DPRESENT_INTERVAL_DEFAULT && interval != D3DPRESENT_INTERVAL_ONE &&
        interval != D3DPRESENT_INTERVAL_IMMEDIATE) {
      return D3DERR_INVALIDCALL;
    }
    if (!AdapterListsMode(d, p.BackBufferWidth, p.BackBufferHeight, p.BackBufferFormat, p.FullScreen_RefreshRateInHz)) {
      return D3DERR_INVALIDCALL;
    }
  }
  return S_OK;
}

HRESULT CreateDevice(IDirect3D8* direct3d, UINT adapter, D3DDEVTYPE type, HWND focus_window, DWORD behavior,
                     D3DPRESENT_PARAMETERS* params, IDirect3DDevice8** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (!direct3d || !params || adapter != 0) return D3DERR_INVALIDCALL;
  if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  if (!(behavior & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING))) {
    return D3DERR_INVALIDCALL;
  }
  int backend = direct3d->backend;
  if (Headless(backend) && gfx_headless.create_result_count > 0) {
    HRESULT result = gfx_headless.create_results[0];
    gfx_headless.create_result_count--;
    std::memmove(gfx_headless.create_results, gfx_headless.create_results + 1,
                 sizeof(HRESULT) * gfx_headless.create_result_count);
    if (FAILED(result)) return result;
  }
  HRESULT check = CheckParams(direct3d, *params, MaxSamples(backend));
  if (FAILED(check)) return check;

  int slot = 0;
  while (slot < 4 && devices[slot].live) slot++;
  if (slot == 4) return D3DERR_OUTOFVIDEOMEMORY;
  IDirect3DDevice8* device = &devices[slot];
  *device = {};
  device->backend = backend;
  device->direct3d = direct3d;
  device->window = params->hDeviceWindow ? params->hDeviceWindow : focus_window;
  device->params = *params;
  D3DPRESENT_PARAMETERS& p = device->params;
  if (p.BackBufferCount == 0) p.BackBufferCount = 1;
  if (p.Windowed) {
    if (p.BackBufferFormat == D3DFMT_UNKNOWN) p.BackBufferFormat = direct3d->desktop.Format;
    // The window's client size; headless without a window, the adapter's stand-in size.
    UINT w = gfx_headless.window_width, h = gfx_headless.window_height;
    bool sized = device->window && WindowClientSize(device->window, &w, &h);
    if (!Headless(backend) && !sized) return D3DERR_NOTAVAILABLE;
    if (p.BackBufferWidth == 0) p.BackBufferWidth = w;
    if (p.BackBufferHeight == 0) p.BackBufferHeight = h;
  }
  if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
  SetDefaultStates(device);
  if (backend != GFX_BACKEND_RECORD) {
    if (backend == GFX_BACKEND_SDL && !p.Windowed) SdlSetFullScreen(device->window, true);
    HRESULT result = GlCreateDevice(device);
    if (FAILED(result)) {
      if (backend == GFX_BACKEND_SDL && !p.Windowed) SdlSetFullScreen(device->window, false);
      return result;
    }
    direct3d->max_texture_size = std::min(direct3d->max_texture_size, GlMaxTextureSize(device));
  }
  device->live = true;
  current_device = device;
  *params = p;
  Record(device, GFX_OP_CREATE_DEVICE, p.BackBufferWidth, p.BackBufferHeight);
  *out = device;
  return S_OK;
}

// Captures of passes up to `last_pass` not yet written, from the frame on screen now.
static int capture_next;    // the script event to look at next
static int capture_clears = -1;

static void WriteCaptures(IDirect3DDevice8* device, int last_pass) {
  if (capture_clears != script_clears) {
    capture_clears = script_clears;
    capture_next = 0;
  }
  for (; capture_next < script_event_count && script_events[capture_next].pass <= last_pass; capture_next++) {
    const ScriptEvent& e = script_events[capture_next];
    if (e.kind != SCRIPT_CAPTURE) continue;
    HRESULT result = GfxSaveFramePng(device, e.text);
    if (result == D3DERR_NOTAVAILABLE) {
      std::fprintf(stderr, "capture %s: the recording display has no frames (KESTRUNE_GFX=egl draws them)\n", e.text);
    } else if (FAILED(result)) {
      std::fprintf(stderr, "capture %s: cannot be written\n", e.text);
    }
  }
}

ULONG Release(IDirect3DDevice8* device) {
  if (!device || !device->live) return 0;
  Record(device, GFX_OP_RELEASE_DEVICE);
  WriteCaptures(device, script_pass);
  if (device->gl) GlReleaseDevice(device);
  if (device->backend == GFX_BACKEND_SDL && !device->params.Windowed) SdlSetFullScreen(device->window, false);
  device->live = false;
  if (current_device == device) current_device = nullptr;
  return 0;
}

IDirect3DDevice8* GfxCurrentDevice() { return current_device; }

UINT GfxPresentCount(IDirect3DDevice8* device) { return device ? device->present_count : 0; }

static bool Live(const IDirect3DDevice8* device) { return device && device->live; }

HRESULT ResourceManagerDiscardBytes(IDirect3DDevice8* device, DWORD bytes) {
  if (!Live(device)) return D3DERR_INVALIDCALL;
  Record(device, GFX_OP_DISCARD_RESOURCES, bytes);
  return S_OK;
}

// ---- Frames ------------------------------------------------------------------------------------

HRESULT Clear(IDirect3DDevice8* device, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
              DWORD stencil) {
  if (!Live(device)) return D3DERR_INVALIDCALL;
  if ((count == 0) != (rects == nullptr)) return D3DERR_INVALIDCALL;
  if (flags == 0 || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))) return D3DERR_INVALIDCALL;
  bool has_depth = device->params.EnableAutoDepthStencil;
  bool has_stencil = has_depth && device->params.AutoDepthStencilFormat == D3DFMT_D24S8;
  if (((flags & D3DCLEAR_ZBUFFER) && !has_depth) || ((flags & D3DCLEAR_STENCIL) && !has_stencil)) {
    return D3DERR_INVALIDCALL;
  }
  if (z < 0.0f || z > 1.0f) return D3DERR_INVALIDCALL;
  const LONG w = static_cast<LONG>(device->params.BackBufferWidth);
  const LONG h = static_cast<LONG>(device->params.BackBufferHeight);
  const D3DRECT whole = {0, 0, w, h};
  DWORD n = count == 0 ? 1 : count;
  for (DWORD i = 0; i < n; i++) {
    D3DRECT r = count == 0 ? whole : rects[i];
    r.x1 = std::clamp(r.x1, 0, w);
    r.x2 = std::clamp(r.x2, 0, w);
    r.y1 = std::clamp(r.y1, 0, h);
    r.y2 = std::clamp(r.y2, 0, h);
    GfxCall call = {};
    call.op = GFX_OP_CLEAR;
    call.device = device;
    call.a = i;
    call.b = flags;
    call.color = color;
    call.z = z;
    call.rect = {r.x1, r.y1, r.x2, r.y2};
    GfxRecord(call);
    if (r.x1 >= r.x2 || r.y1 >= r.y2) continue;
    if (device->gl) GlClear(device, &r, flags, color, z, stencil);
  }
  return S_OK;
}

HRESULT BeginScene(IDirect3DDevice8* device) {
  if (!Live(device) || device->in_scene) return D3DERR_INVALIDCALL;
  device->in_scene = true;
  Record(device, GFX_OP_BEGIN_SCENE);
  return S_OK;
}

HRESULT EndScene(IDirect3DDevice8* device) {
  if (!Live(device) || !device->in_scene) return D3DERR_INVALIDCALL;
  device->in_scene = false;
  Record(device, GFX_OP_END_SCENE);
  return S_OK;
}

HRESULT Present(IDirect3DDevice8* device, const RECT* source, const RECT* dest, HWND override_window,
                const void* dirty_region) {
  if (!Live(device) || device->in_scene) return D3DERR_INVALIDCALL;
  if (source || dest || override_window || dirty_region) return D3DERR_INVALIDCALL;
  Record(device, GFX_OP_PRESENT, device->present_count);
  WriteCaptures(device, script_pass - 1);
  if (device->gl) GlPresent(device);
  device->present_count++;
  WriteCaptures(device, script_pass);
  return S_OK;
}

// ---- States ------------------------------------------------------------------------------------

HRESULT SetTransform(IDirect3DDevice8* device, D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  if (!Live(device) || !matrix || state < 0 || state >= D3DTS_COUNT) return D3DERR_INVALIDCALL;
  device->transforms[state] = *matrix;
  GfxCall call = {};
  call.op = GFX_OP_SET_TRANSFORM;
  call.device = device;
  call.a = state;
  call.matrix = *matrix;
  GfxRecord(call);
  return S_OK;
}

HRESULT GetTransform(IDirect3DDevice8* device, D3DTRANSFORMSTATETYPE state, D3DMATRIX* out) {
  if (!Live(device) || !out || state < 0 || state >= D3DTS_COUNT) return D3DERR_INVALIDCALL;
  *out = device->transforms[state];
  return S_OK;
}

HRESULT SetRenderState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state, DWORD value) {
  if (!Live(device) || state < 0 || state >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
  device->render_states[state] = value;
  Record(device, GFX_OP_SET_RENDER_STATE, state, value);
  return S_OK;
}

HRESULT GetRenderState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state, DWORD* out) {
  if (!Live(device) || !out || state < 0 || state >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
  *out = device->render_states[state];
  return S_OK;
}

HRESULT SetTextureStageState(IDirect3DDevice8* device, DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
  if (!Live(device) || stage >= GFX_MAX_TEXTURE_STAGES || state < 0 || state >= D3DTSS_COUNT) {
    return D3DERR_INVALIDCALL;
  }
  device->stage_states[stage][state] = value;
  GfxCall call = {};
  call.op = GFX_OP_SET_TEXTURE_STAGE_STATE;
  call.device = device;
  call.stage = stage;
  call.a = state;
  call.b = value;
  GfxRecord(call);
  return S_OK;
}

HRESULT GetTextureStageState(IDirect3DDevice8* device, DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* out) {
  if (!Live(device) || !out || stage >= GFX_MAX_TEXTURE_STAGES || state < 0 || state >= D3DTSS_COUNT) {
    return D3DERR_INVALIDCALL;
  }
  *out = device->stage_states[stage][state];
  return S_OK;
}

HRESULT SetLight(IDirect3DDevice8* device, DWORD index, const D3DLIGHT8* light) {
  if (!Live(device) || !light || index >= GFX_MAX_LIGHTS) return D3DERR_INVALIDCALL;
  if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
  if (light->Type != D3DLIGHT_DIRECTIONAL && light->Range < 0.0f) return D3DERR_INVALIDCALL;
  device->lights[index] = *light;
  device->light_set[index] = true;
  Record(device, GFX_OP_SET_LIGHT, index, light->Type);
  return S_OK;
}

HRESULT GetLight(IDirect3DDevice8* device, DWORD index, D3DLIGHT8* out) {
  if (!Live(device) || !out || index >= GFX_MAX_LIGHTS || !device->light_set[index]) return D3DERR_INVALIDCALL;
  *out = device->lights[index];
  return S_OK;
}

HRESULT LightEnable(IDirect3DDevice8* device, DWORD index, BOOL enable) {
  if (!Live(device) || index >= GFX_MAX_LIGHTS) return D3DERR_INVALIDCALL;
  if (!device->light_set[index]) {
    // Switching on a light never set gives the default: a white directional light along +z.
    D3DLIGHT8 standard = {};
    standard.Type = D3DLIGHT_DIRECTIONAL;
    standard.Diffuse = {1, 1, 1, 0};
    standard.Direction = {0, 0, 1};
    device->lights[index] = standard;
    device->light_set[index] = true;
  }
  device->light_on[index] = enable != FALSE;
  Record(device, GFX_OP_LIGHT_ENABLE, index, enable != FALSE);
  return S_OK;
}

HRESULT GetLightEnable(IDirect3DDevice8* device, DWORD index, BOOL* out) {
  if (!Live(device) || !out || index >= GFX_MAX_LIGHTS || !device->light_set[index]) return D3DERR_INVALIDCALL;
  *out = device->light_on[index] ? TRUE : FALSE;
  return S_OK;
}

HRESULT SetMaterial(IDirect3DDevice8* device, const D3DMATERIAL8* material) {
  if (!Live(device) || !material) return D3DERR_INVALIDCALL;
  device->material = *material;
  Record(device, GFX_OP_SET_MATERIAL);
  return S_OK;
}

HRESULT SetTexture(IDirect3DDevice8* device, DWORD stage, IDirect3DTexture8* texture) {
  if (!Live(device) || stage >= GFX_MAX_TEXTURE_STAGES) return D3DERR_INVALIDCALL;
  if (texture && texture->device != device) return D3DERR_INVALIDCALL;
  device->textures[stage] = texture;
  GfxCall call = {};
  call.op = GFX_OP_SET_TEXTURE;
  call.device = device;
  call.stage = stage;
  call.object = texture;
  GfxRecord(call);
  return S_OK;
}

// ---- Textures ----------------------------------------------------------------------------------

static UINT BytesPerPixel(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
      return 4;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
      return 2;
    case D3DFMT_A8:
      return 1;
    default:
      return 0;
  }
}

HRESULT CreateTexture(IDirect3DDevice8* device, UINT width, UINT height, UINT levels, DWORD usage,
                      D3DFORMAT format, D3DPOOL pool, IDirect3DTexture8** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  UINT bpp = BytesPerPixel(format);
  if (!Live(device) || bpp == 0 || width == 0 || height == 0) return D3DERR_INVALIDCALL;
  if (width > device->direct3d->max_texture_size || height > device->direct3d->max_texture_size) {
    return D3DERR_INVALIDCALL;
  }
  if (pool < D3DPOOL_DEFAULT || pool > D3DPOOL_SYSTEMMEM) return D3DERR_INVALIDCALL;
  auto* texture = new (std::nothrow) IDirect3DTexture8{};
  // calloc: a large block comes zeroed from the system, so texels nobody writes (the recording
  // display decodes none) cost neither a fill nor the pages it would touch.
  auto* pixels = static_cast<BYTE*>(std::calloc(static_cast<size_t>(width) * height, bpp));
  if (!texture || !pixels) {
    delete texture;
    std::free(pixels);
    return E_OUTOFMEMORY;
  }
  texture->device = device;
  texture->width = width;
  texture->height = height;
  texture->levels = levels;
  texture->format = format;
  texture->bytes_per_pixel = bpp;
  texture->pixels = pixels;
  if (device->gl) {
    HRESULT result = GlCreateTexture(texture);
    if (FAILED(result)) {
      std::free(pixels);
      delete texture;
      return result;
    }
  }
  *out = texture;
  return S_OK;
}

static UINT LevelSide(UINT side, UINT level) { return level < 32 && side >> level ? side >> level : 1; }

// Levels in the texture's chain: as asked, or down to 1 x 1 for 0.
static UINT LevelCount(const IDirect3DTexture8* texture) {
  UINT full = 1;
  while (LevelSide(texture->width, full - 1) > 1 || LevelSide(texture->height, full - 1) > 1) full++;
  return texture->levels == 0 ? full : std::min(texture->levels, full);
}

HRESULT LockRect(IDirect3DTexture8* texture, UINT level, D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
  if (!texture || !out || level >= LevelCount(texture) || texture->locked) return D3DERR_INVALIDCALL;
  const UINT width = LevelSide(texture->width, level), height = LevelSide(texture->height, level);
  size_t pitch = static_cast<size_t>(width) * texture->bytes_per_pixel;
  size_t offset = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(width) ||
        rect->bottom > static_cast<LONG>(height) || rect->left >= rect->right || rect->top >= rect->bottom) {
      return D3DERR_INVALIDCALL;
    }
    offset = rect->top * pitch + rect->left * texture->bytes_per_pixel;
  }
  BYTE* bits = texture->pixels;
  if (level > 0) {
    // Only level 0 is kept; a smaller one lives while it is locked and goes to the display with it.
    bits = static_cast<BYTE*>(std::calloc(pitch, height));
    if (!bits) return E_OUTOFMEMORY;
    texture->level_pixels = bits;
  }
  texture->locked = true;
  texture->locked_level = level;
  out->Pitch = static_cast<int>(pitch);
  out->pBits = bits + offset;
  return S_OK;
}

HRESULT UnlockRect(IDirect3DTexture8* texture, UINT level) {
  if (!texture || !texture->locked || level != texture->locked_level) return D3DERR_INVALIDCALL;
  texture->locked = false;
  if (texture->gl && Live(texture->device)) {
    if (level == 0) {
      GlUploadTexture(texture);
    } else {
      GlUploadTextureLevel(texture, level, LevelSide(texture->width, level), LevelSide(texture->height, level),
                           texture->level_pixels);
    }
  }
  std::free(texture->level_pixels);
  texture->level_pixels = nullptr;
  return S_OK;
}

ULONG Release(IDirect3DTexture8* texture) {
  if (!texture) return 0;
  IDirect3DDevice8* device = texture->device;
  if (Live(device)) {
    for (IDirect3DTexture8*& bound : device->textures) {
      if (bound == texture) bound = nullptr;
    }
    if (texture->gl) GlReleaseTexture(texture);
  }
  std::free(texture->pixels);
  std::free(texture->level_pixels);
  delete texture;
  return 0;
}

// ---- Meshes ------------------------------------------------------------------------------------

HRESULT CreateMeshBuffer(IDirect3DDevice8* device, const GfxVertex* vertices, UINT vertex_count,
                         const DWORD* indices, UINT index_count, GfxMeshBuffer** out, const D3DCOLOR* colors) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (!Live(device) || !vertices || !indices || vertex_count == 0 || index_count == 0 || index_count % 3 != 0) {
    return D3DERR_INVALIDCALL;
  }
  for (UINT i = 0; i < index_count; i++) {
    if (indices[i] >= vertex_count) return D3DERR_INVALIDCALL;
  }
  auto* buffer = new (std::nothrow) GfxMeshBuffer{};
  if (!buffer) return E_OUTOFMEMORY;
  buffer->device = device;
  buffer->vertex_count = vertex_count;
  buffer->index_count = index_count;
  if (device->gl) {
    HRESULT result = GlCreateMesh(buffer, vertices, indices, colors);
    if (FAILED(result)) {
      delete buffer;
      return result;
    }
  }
  *out = buffer;
  return S_OK;
}

HRESULT DrawMeshBuffer(IDirect3DDevice8* device, GfxMeshBuffer* buffer, UINT first_index, UINT index_count) {
  if (!Live(device) || !buffer || buffer->device != device || !device->in_scene) return D3DERR_INVALIDCALL;
  if (index_count % 3 != 0 || first_index > buffer->index_count || index_count > buffer->index_count - first_index) {
    return D3DERR_INVALIDCALL;
  }
  GfxCall call = {};
  call.op = GFX_OP_DRAW_MESH;
  call.device = device;
  call.object = buffer;
  call.a = first_index;
  call.b = index_count;
  GfxRecord(call);
  if (device->gl && index_count > 0) GlDrawMesh(device, buffer, first_index, index_count);
  return S_OK;
}

ULONG Release(GfxMeshBuffer* buffer) {
  if (!buffer) return 0;
  if (buffer->gl && Live(buffer->device)) GlReleaseMesh(buffer);
  delete buffer;
  return 0;
}

// ---- Frame read-back and capture ---------------------------------------------------------------

void GfxFrameSize(IDirect3DDevice8* device, UINT* width, UINT* height) {
  *width = Live(device) ? device->params.BackBufferWidth : 0;
  *height = Live(device) ? device->params.BackBufferHeight : 0;
}

HRESULT GfxReadFrame(IDirect3DDevice8* device, BYTE* rgba, UINT width, UINT height) {
  if (!Live(device) || !rgba) return D3DERR_INVALIDCALL;
  if (!device->gl) return D3DERR_NOTAVAILABLE;
  if (width != device->params.BackBufferWidth || height != device->params.BackBufferHeight) {
    return D3DERR_INVALIDCALL;
  }
  return GlReadFrame(device, rgba);
}

HRESULT GfxSaveFramePng(IDirect3DDevice8* device, const char* path) {
  if (!Live(device) || !path) return D3DERR_INVALIDCALL;
  if (!device->gl) return D3DERR_NOTAVAILABLE;
  UINT w = device->params.BackBufferWidth, h = device->params.BackBufferHeight;
  BYTE* rgba = new (std::nothrow) BYTE[static_cast<size_t>(w) * h * 4];
  if (!rgba) return E_OUTOFMEMORY;
  HRESULT result = GfxReadFrame(device, rgba, w, h);
  if (SUCCEEDED(result) && !WritePngRgba(path, w, h, rgba)) result = E_FAIL;
  delete[] rgba;
  return result;
}
