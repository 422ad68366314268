#include "engine/display.h"

#include <cstdio>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/input.h"
#include "engine/main_loop.h"
#include "engine/meshes.h"
#include "platform/win.h"
#include "world/game.h"

IDirect3D8* direct3d;
IDirect3DDevice8* device;

int display_mode_width[DISPLAY_MODE_MAX];
int display_mode_height[DISPLAY_MODE_MAX];
int display_mode_format[DISPLAY_MODE_MAX];
int display_mode_count;
int display_mode_last;
int display_mode_index = -1;

int full_screen_active = 1;
int settings_changed;
int light_budget = 8;
int fill_mode = D3DFILL_SOLID;
const float field_of_view = 45.0f;
const float far_distance = 10000.0f;

RECT client_rect;
int screen_width, screen_height;
int screen_center_x, screen_center_y;
int screen_eighth_x, screen_eighth_y;
int line_height;
RECT hud_text_rect;
// The playfield values hold their standard layout from the start; ComputeLayout sets them again.
int playfield_width = 140, playfield_height = 100;
int playfield_half_width = 70, playfield_half_height = 50;
int playfield_three_quarter_height = 75;
float ceiling_y = 5.0f, floor_y = 95.0f, spawn_line_x = 165.0f;

ID3DXFont* fonts[FONT_COUNT];

// The fonts by index: size (a 400th of the screen height) and weight.
struct FontSpec {
  int size;
  int weight;
};
// index          size  weight
static const FontSpec font_specs[FONT_COUNT] = {
    {.size = 10, .weight = 400},   // FONT_CONSOLE
    {.size = 20, .weight = 400},   // FONT_TEXT
    {.size = 28, .weight = 600},   // FONT_NUMBER
    {.size = 60, .weight = 1000},  // FONT_BANNER
    {.size = 40, .weight = 800},   // FONT_TITLE
    {.size = 20, .weight = 1000},  // FONT_MENU
};
static_assert(sizeof(font_specs) / sizeof(font_specs[0]) == FONT_COUNT);

void PlaceWindow() {
  int cx = static_cast<int>(desktop_mode.dmPelsWidth / 2), cy = static_cast<int>(desktop_mode.dmPelsHeight / 2);
  int w = ConfigInt(display_width), h = ConfigInt(display_height);
  int gx = 0, gy = 0;
  for (int tries = 0; tries < 64; tries++) {
    MoveWindow(main_window, cx - w / 2, cy - h / 2, w + gx, h + gy, FALSE);
    GetClientRect(main_window, &client_rect);
    if (client_rect.right - client_rect.left == display_width && client_rect.bottom - client_rect.top == display_height) {
      break;
    }
    if (client_rect.right - client_rect.left < display_width) gx++;
    if (client_rect.bottom - client_rect.top < display_height) gy++;
  }
  ShowWindow(main_window, SW_SHOW);
  SetCursorPos(cx + w / 2 + 20, cy);
}

// The 4:3 modes of adapter 0, at most 1200 wide, without the repeats that differ only in refresh.
static void BuildModeList() {
  display_mode_count = 0;
  display_mode_last = 0;
  for (UINT i = 0; i < DISPLAY_MODE_MAX; i++) {
    D3DDISPLAYMODE mode;
    if (FAILED(EnumAdapterModes(direct3d, 0, i, &mode))) break;
    int w = static_cast<int>(mode.Width), h = static_cast<int>(mode.Height), f = mode.Format;
    if (display_mode_count > 0 && w == display_mode_width[display_mode_last] &&
        h == display_mode_height[display_mode_last] && f == display_mode_format[display_mode_last]) {
      continue;
    }
    if (w <= 0 || w > 1200 || static_cast<double>(h) / w != 0.75) continue;
    display_mode_width[display_mode_count] = w;
    display_mode_height[display_mode_count] = h;
    display_mode_format[display_mode_count] = f;
    display_mode_last = display_mode_count;
    display_mode_count++;
  }
  if (display_mode_count == 0) {
    display_mode_width[0] = DEFAULT_MODE_WIDTH;
    display_mode_height[0] = DEFAULT_MODE_HEIGHT;
    display_mode_format[0] = DEFAULT_MODE_FORMAT;
  }
}

// A configured size of at most 512 whose width equals its height is an entry of the mode list; an
// entry outside the list takes the first one. Returns 1 when the configured size changed.
static int ApplyModeIndex() {
  int n = ConfigInt(display_width);
  if (n > 512 || display_width != display_height) return 0;
  if (display_mode_count == 0 || n < 0 || n > display_mode_last) n = 0;
  display_mode_index = display_mode_count > 0 ? n : -1;
  display_width = static_cast<float>(display_mode_width[n]);
  display_height = static_cast<float>(display_mode_height[n]);
  display_format = static_cast<float>(display_mode_format[n]);
  return 1;
}

// The back-buffer size the device was made at when the retry took the first mode instead of the
// configured size (0 x 0 otherwise): the layout follows the screen there is, not the configuration
// (a window shows the back buffer scaled to its client area).
static int fallback_width, fallback_height;

static HRESULT MakeDevice(D3DPRESENT_PARAMETERS params) {
  return CreateDevice(direct3d, D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, main_window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                      &params, &device);
}

static int ErrorBox(const char* text, const char* caption) {
  ShowWindow(main_window, SW_HIDE);
  MessageBoxExA(nullptr, text, caption, MB_OK | MB_ICONHAND, 0);
  return 0;
}

static void SetFixedStates() {
  DWORD sky = PackDeviceColor(sky_color.r, sky_color.g, sky_color.b);
  SetRenderState(device, D3DRS_FILLMODE, static_cast<DWORD>(fill_mode));
  SetRenderState(device, D3DRS_LIGHTING, TRUE);
  SetRenderState(device, D3DRS_SPECULARENABLE, FALSE);
  SetRenderState(device, D3DRS_DITHERENABLE, TRUE);
  SetRenderState(device, D3DRS_ZENABLE, D3DZB_TRUE);
  SetRenderState(device, D3DRS_ALPHABLENDENABLE, TRUE);
  SetRenderState(device, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  SetRenderState(device, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  SetRenderState(device, D3DRS_FOGENABLE, FALSE);
  SetRenderState(device, D3DRS_FOGCOLOR, sky);
  SetRenderState(device, D3DRS_EDGEANTIALIAS, TRUE);
  SetRenderState(device, D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  SetRenderState(device, D3DRS_FOGSTART, FloatBits(0.0f));
  SetRenderState(device, D3DRS_FOGEND, FloatBits(fog_end));
  SetTextureStageState(device, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  SetTextureStageState(device, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  SetTextureStageState(device, 0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  SetTextureStageState(device, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  SetTextureStageState(device, 0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  SetTextureStageState(device, 0, D3DTSS_MIPMAPLODBIAS, 0);
  SetTextureStageState(device, 0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
}

int InitDirect3D() {
  for (int i = 0; i < TEXTURE_CACHE_SIZE; i++) {
    texture_cache_name[i][0] = 0;
    texture_cache_texture[i] = nullptr;
  }
  fallback_width = fallback_height = 0;
  PlaceWindow();
  // A start that failed may have left the object; it is made anew.
  if (direct3d) Release(direct3d);
  direct3d = Direct3DCreate8(D3D_SDK_VERSION);
  if (!direct3d) {
    ConsolePrint("Error creating Direct3D Object");
    return 0;
  }
  BuildModeList();
  // A window placed at a mode index is placed again at the mode's size.
  if (ApplyModeIndex() && windowed != 0) PlaceWindow();

  D3DPRESENT_PARAMETERS params = {};
  params.BackBufferCount = 1;
  params.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(ConfigInt(antialias));
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.hDeviceWindow = nullptr;
  params.EnableAutoDepthStencil = TRUE;
  params.AutoDepthStencilFormat = D3DFMT_D24S8;
  D3DDISPLAYMODE desktop = {};
  GetAdapterDisplayMode(direct3d, D3DADAPTER_DEFAULT, &desktop);
  if (windowed != 0) {
    params.Windowed = TRUE;
    params.BackBufferFormat = desktop.Format;
  } else {
    params.Windowed = FALSE;
    params.BackBufferWidth = static_cast<UINT>(ConfigInt(display_width));
    params.BackBufferHeight = static_cast<UINT>(ConfigInt(display_height));
    params.BackBufferFormat = static_cast<D3DFORMAT>(ConfigInt(display_format));
    params.FullScreen_PresentationInterval = vsync != 0 ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
  }

  HRESULT result = MakeDevice(params);
  if (result == D3DERR_OUTOFVIDEOMEMORY) return ErrorBox("Memory error while creating Direct3D object.", "Error");
  if (result == D3DERR_INVALIDCALL || result == D3DERR_NOTAVAILABLE) {
    // Once more with the defaults: no multisampling and the first mode of the list, in a window
    // too, so that a window size the device refuses (one kept in prefs.cfg would fail every
    // later start) still gives a display.
    params.MultiSampleType = D3DMULTISAMPLE_NONE;
    params.BackBufferWidth = static_cast<UINT>(display_mode_width[0]);
    params.BackBufferHeight = static_cast<UINT>(display_mode_height[0]);
    params.BackBufferFormat = static_cast<D3DFORMAT>(display_mode_format[0]);
    if (FAILED(MakeDevice(params))) {
      return ErrorBox("Video hardware not present or locked by another application", "Error");
    }
    fallback_width = static_cast<int>(params.BackBufferWidth);
    fallback_height = static_cast<int>(params.BackBufferHeight);
    std::snprintf(text_buffer, sizeof text_buffer,
                  "One or more preferences are not supported by video hardware. Running with default settings");
    if (windowed == 0) {
      ConsolePrint(text_buffer);
    } else {
      MessageBoxExA(nullptr, text_buffer, "Invalid Setting(s)", MB_OK | MB_ICONEXCLAMATION, 0);
    }
  } else if (FAILED(result)) {
    return ErrorBox("Unknown error while creating Direct3D object.", "Error Unknown");
  }

  full_screen_active = windowed == 0 ? 1 : 0;
  ShowCursor(full_screen_active ? FALSE : TRUE);

  D3DCAPS8 caps;
  if (SUCCEEDED(GetDeviceCaps(direct3d, D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps))) {
    // Signed and wide: a device with no lights gives -2, and no point lights are used from then
    // on, while one reporting more lights than an int holds is no limit at all.
    long long budget = static_cast<long long>(caps.MaxActiveLights) - 2;
    if (budget < light_budget) light_budget = static_cast<int>(budget);
  }
  SetFixedStates();
  settings_changed = 0;
  return 1;
}

void ComputeLayout() {
  if (fallback_width > 0) {
    client_rect = {0, 0, fallback_width, fallback_height};
  } else if (full_screen_active) {
    client_rect = {0, 0, ConfigInt(display_width), ConfigInt(display_height)};
  } else {
    GetClientRect(main_window, &client_rect);
  }
  line_height = client_rect.bottom / 10;
  playfield_width = 140;
  playfield_height = 100;
  playfield_half_width = 70;
  playfield_half_height = 50;
  playfield_three_quarter_height = 50 + 25;
  screen_width = client_rect.right - client_rect.left;
  screen_height = client_rect.bottom - client_rect.top;
  screen_center_x = screen_width / 2;
  screen_center_y = screen_height / 2;
  screen_eighth_x = screen_center_x / 4;
  screen_eighth_y = screen_center_y / 4;
  hud_text_rect.left = screen_center_x + static_cast<int>(screen_eighth_x / 1.6);
  hud_text_rect.top = client_rect.bottom - static_cast<int>(screen_eighth_y * 1.2);
  hud_text_rect.right = client_rect.right - screen_eighth_x / 11;
  hud_text_rect.bottom = client_rect.bottom - screen_eighth_y / 4;
  ceiling_y = 5.0f;
  floor_y = playfield_height - 5.0f;
  spawn_line_x = playfield_width + 25.0f;
}

void SetProjection() {
  if (!device) return;
  // The aspect is a true division: 640 x 480 is 1.333, not 1.
  float aspect = screen_height > 0 ? static_cast<float>(screen_width) / static_cast<float>(screen_height) : 1.0f;
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, field_of_view, aspect, 0.1f, far_distance);
  SetTransform(device, D3DTS_PROJECTION, &projection);
}

int FontHeight(int size, int height) { return MulDiv(size, height, 400); }

static void ReleaseFonts() {
  for (ID3DXFont*& font : fonts) {
    if (font) Release(font);
    font = nullptr;
  }
}

void CreateFonts() {
  ReleaseFonts();
  for (int i = 0; i < FONT_COUNT; i++) {
    LOGFONTA lf = {};
    lf.lfHeight = -FontHeight(font_specs[i].size, screen_height);
    lf.lfWeight = font_specs[i].weight;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = PROOF_QUALITY;
    lf.lfPitchAndFamily = FF_MODERN | DEFAULT_PITCH;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "Arial");
    if (FAILED(D3DXCreateFontIndirect(device, &lf, &fonts[i]))) {
      fonts[i] = nullptr;
      std::snprintf(text_buffer, sizeof text_buffer, "Error creating font %i (Arial, %i pixels)", i,
                    static_cast<int>(-lf.lfHeight));
      ConsolePrint(text_buffer);
    }
  }
}

int GetFormatBitsPerPixel(int format) {
  if (format == D3DFMT_R8G8B8) return 24;
  if (format >= D3DFMT_R5G6B5 && format <= D3DFMT_A4R4G4B4) return 16;
  return 32;
}

void ReleaseGraphics() {
  ReleaseMeshTable();
  for (int i = 0; i < TEXTURE_CACHE_SIZE; i++) {
    if (!texture_cache_texture[i]) continue;
    Release(texture_cache_texture[i]);
    texture_cache_texture[i] = nullptr;
    texture_cache_name[i][0] = 0;
  }
  ReleaseFonts();
  if (device) {
    ResourceManagerDiscardBytes(device, 0);
    Release(device);
    device = nullptr;
  }
  if (direct3d) {
    Release(direct3d);
    direct3d = nullptr;
  }
  // Releasing a full-screen device gives the desktop its own mode back (the device's release leaves
  // full screen). Its window stays on the desktop: hidden, it could never be activated again to
  // restart the display. A window is hidden until the next start places it.
  if (full_screen_active) {
    full_screen_active = 0;
  } else if (windowed != 0) {
    ShowWindow(main_window, SW_HIDE);
  }
}

void ShutdownDevices() {
  ReleaseGraphics();
  for (IDirectInputDevice8A*& controller : controller_devices) {
    if (!controller) continue;
    controller->Unacquire();
    controller->Release();
    controller = nullptr;
  }
  if (keyboard_device) {
    keyboard_device->Unacquire();
    keyboard_device->Release();
    keyboard_device = nullptr;
  }
  if (direct_input) {
    direct_input->Release();
    direct_input = nullptr;
  }
}

void SetFogColor(unsigned int color) {
  if (device) SetRenderState(device, D3DRS_FOGCOLOR, color);
}

void SetFogEnd(float end) {
  if (device) SetRenderState(device, D3DRS_FOGEND, FloatBits(end));
}
