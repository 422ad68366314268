// The display: placing the window, the list of usable display modes, making the device from the
// configuration (with one fallback and its error boxes), its fixed states, the pixel and
// playfield layout every screen is placed by, the projection, the six fonts, and the release of
// all of it. A display is started at start-up, on regaining activation and when new display
// settings are applied (the display start sequence of the main loop).
#pragma once

#include "platform/gfx.h"
#include "platform/gfx_font.h"
#include "platform/wintypes.h"
#include "world/engine_services.h"  // the playfield layout values, SetFogColor, SetFogEnd

// ---- The device (null before the first start and after a release) ----------------------------
extern IDirect3D8* direct3d;
extern IDirect3DDevice8* device;

// ---- Display modes (rebuilt at every start) ----------------------------------------------------
// The 4:3 modes of the adapter no wider than 1200 pixels, in the adapter's order. The list keeps an
// explicit count; display_mode_last is the index of the last entry (0 when the list holds one mode
// or none). With no mode at all, entry 0 holds the default 640 x 480 in format 22, so that a
// reader of entries 0 to display_mode_last never meets a 0 x 0 mode.
constexpr int DISPLAY_MODE_MAX = 512;
constexpr int DEFAULT_MODE_WIDTH = 640;
constexpr int DEFAULT_MODE_HEIGHT = 480;
constexpr int DEFAULT_MODE_FORMAT = D3DFMT_X8R8G8B8;
extern int display_mode_width[DISPLAY_MODE_MAX];
extern int display_mode_height[DISPLAY_MODE_MAX];
extern int display_mode_format[DISPLAY_MODE_MAX];  // a D3DFORMAT
extern int display_mode_count;
extern int display_mode_last;
extern int display_mode_index;  // the entry the display options selected; -1 when none (start)

// ---- Per process -------------------------------------------------------------------------------
extern int full_screen_active;  // 1 while a full-screen device is up (starts at 1)
extern int settings_changed;    // a display option changed since the device was made
extern int light_budget;        // per-frame point lights the lights may use (starts at 8, only falls)
extern int fill_mode;           // D3DFILL_: 1 point, 2 wireframe, 3 solid (the Dev Mode row)
extern const float field_of_view;  // 45, handed to the projection as radians
extern const float far_distance;   // 10000

// ---- Layout (set by ComputeLayout at every start) ----------------------------------------------
extern RECT client_rect;  // the drawing area
extern int screen_width, screen_height;
extern int screen_center_x, screen_center_y;
extern int screen_eighth_x, screen_eighth_y;
extern int line_height;       // a tenth of the drawing area's height
extern RECT hud_text_rect;    // where the HUD's counters stand, bottom right
extern int playfield_three_quarter_height;  // 75

// ---- Fonts (made with each device, released with it; a font that could not be made is null,
// which DrawTextA draws nothing with) --------------------------------------------------------------
enum {
  FONT_CONSOLE = 0,  // console and developer overlays
  FONT_TEXT = 1,     // small text
  FONT_NUMBER = 2,   // numbers
  FONT_BANNER = 3,   // the large centred title
  FONT_TITLE = 4,    // screen titles
  FONT_MENU = 5,     // menu entries
  FONT_COUNT = 6,
};
extern ID3DXFont* fonts[FONT_COUNT];

// Centres the window on the desktop, grows its outer size until the client area has the configured
// size, shows it and parks the cursor just right of its middle.
void PlaceWindow();
// Makes the device from the configuration; 1 when made, 0 when not (the user has been told why).
int InitDirect3D();
// Sets client_rect and every layout value.
void ComputeLayout();
// The projection transform, when a device exists.
void SetProjection();
// The six fonts for the current device and screen height.
void CreateFonts();
// The character height in pixels of a font size (a size of 400 fills the screen's height).
int FontHeight(int size, int height);
// The bits per pixel the display options show for a D3DFORMAT.
int GetFormatBitsPerPixel(int format);
// Releases the meshes, the texture cache, the fonts, the device and the Direct3D object, and gives
// the desktop back.
void ReleaseGraphics();
// Once after the main loop: the display, then the controllers, the keyboard and DirectInput.
void ShutdownDevices();
