#include "engine/render.h"

#include <cstdarg>
#include <cstdio>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/frontend.h"
#include "engine/hud.h"
#include "engine/lights.h"
#include "engine/map.h"
#include "engine/screens.h"
#include "engine/title.h"
#include "engine/world_render.h"
#include "platform/gfx_font.h"
#include "world/game.h"
#include "world/tables.h"

float spin_angle;
float blink;
RECT text_rect;

namespace {

constexpr DWORD CLEAR_ALL = D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL;
constexpr D3DCOLOR OPAQUE_BLACK = D3DCOLOR_ARGB(255, 0, 0, 0);

// What stands behind a state's screen.
enum Background {
  BACKGROUND_NONE,   // no frame at all: nothing drawn, nothing presented
  BACKGROUND_PLAY,   // the game frame: the sky gradient, the game through camera_view
  BACKGROUND_TITLE,  // the title scene
  BACKGROUND_GAME,   // the game as it stands, always from the classic view
  BACKGROUND_MENU,   // the title scene while no game runs, the game during one
  BACKGROUND_MAP,    // the Current Map panel
};

struct StateFrame {
  int state;
  Background background;
  void (*screen)();  // drawn over the background; null for none
};

// The frame of each game state.
constexpr StateFrame state_frames[STATE_COUNT] = {
    // state                             background                       screen
    {.state = STATE_BOOT, .background = BACKGROUND_NONE, .screen = nullptr},  // leaves before any frame
    {.state = STATE_MAIN_MENU, .background = BACKGROUND_TITLE, .screen = DrawMainMenu},
    {.state = STATE_PAUSE_MENU, .background = BACKGROUND_GAME, .screen = DrawPauseMenu},
    {.state = STATE_PAUSED, .background = BACKGROUND_PLAY, .screen = nullptr},
    {.state = STATE_MENU_HIDDEN, .background = BACKGROUND_PLAY, .screen = nullptr},
    {.state = STATE_PLAYING, .background = BACKGROUND_PLAY, .screen = nullptr},
    {.state = STATE_OPTIONS, .background = BACKGROUND_MENU, .screen = DrawOptionsScreen},
    {.state = STATE_ABOUT, .background = BACKGROUND_MENU, .screen = DrawAboutScreen},
    {.state = STATE_CREDITS, .background = BACKGROUND_MENU, .screen = DrawCreditsScreen},
    {.state = STATE_FINAL_RESULTS, .background = BACKGROUND_MAP, .screen = DrawFinalResultsScreen},
    {.state = STATE_HIGH_SCORES, .background = BACKGROUND_TITLE, .screen = DrawHighScoresScreen},
    {.state = STATE_DEV_MODE, .background = BACKGROUND_MENU, .screen = DrawDevModeScreen},
    {.state = STATE_CURRENT_MAP, .background = BACKGROUND_MAP, .screen = DrawCurrentMapScreen},
    {.state = STATE_FEATURE_UNLOCKED, .background = BACKGROUND_MAP, .screen = DrawFeatureUnlockedScreen},
    {.state = STATE_HIGH_SCORE_ENTRY, .background = BACKGROUND_MAP, .screen = DrawHighScoreEntryScreen},
    {.state = STATE_SOUND_OPTIONS, .background = BACKGROUND_MENU, .screen = DrawSoundOptionsScreen},
    {.state = STATE_DISPLAY_OPTIONS, .background = BACKGROUND_MENU, .screen = DrawDisplayOptionsScreen},
    {.state = STATE_CONTROLS_OPTIONS, .background = BACKGROUND_MENU, .screen = DrawControlsScreen},
    {.state = STATE_AWAIT_KEY, .background = BACKGROUND_MENU, .screen = DrawControlsScreen},
};

constexpr bool FramesInStateOrder() {
  for (int i = 0; i < STATE_COUNT; i++)
    if (state_frames[i].state != i) return false;
  return true;
}
static_assert(FramesInStateOrder(), "one row per game state, in state order");

void AdvanceCounters() {
  spin_angle = spin_angle >= 358 ? 0.0f : spin_angle + 2;
  blink = blink == 0.0f ? 1.0f : 0.0f;
}

void BlackClear() {
  Clear(device, 0, nullptr, CLEAR_ALL, OPAQUE_BLACK, 1.0f, 0);
  BeginScene(device);
}

void FillRows(int top, int bottom, const Color3& color) {
  D3DRECT rect = {0, top, screen_width, bottom};
  Clear(device, 1, &rect, CLEAR_ALL, PackDeviceColor(color.r, color.g, color.b), 1.0f, 0);
}

// The band height in whole pixels: at least one (a thinner band would never reach the middle, and
// NaN counts as the thinnest), at most the screen (any taller band is the whole lower half).
int GradientBand() {
  float value = gradient_detail;
  int most = screen_height > 1 ? screen_height : 1;
  if (!(value >= 1.0f)) return 1;
  if (value >= static_cast<float>(most)) return most;
  return static_cast<int>(value);
}

// The upper half in the sky colour; the lower half in bands of one whole band height rising from
// the horizon colour at the bottom edge toward the sky colour at the middle. The band's step, its
// rows and its colour steps all come from that one height.
void DrawSkyGradient() {
  FillRows(0, screen_center_y, sky_color);
  int band = GradientBand();
  float bands = static_cast<float>(screen_center_y) / static_cast<float>(band);
  Color3 step = {(sky_color.r - horizon_color.r) / bands, (sky_color.g - horizon_color.g) / bands,
                 (sky_color.b - horizon_color.b) / bands};
  Color3 c = horizon_color;
  for (int y = screen_height; y > screen_center_y; y -= band) {
    FillRows(y - band, y, c);
    c.r += step.r;
    c.g += step.g;
    c.b += step.b;
    if (c.r < 0) c.r = 0;
    if (c.g < 0) c.g = 0;
    if (c.b < 0) c.b = 0;
  }
}

void DrawGameBackground(int view) {
  SetView(view);
  DrawWorld();
  DisableLights();
  DrawHud();
}

void DrawBackground(Background background) {
  switch (background) {
    case BACKGROUND_PLAY:
      DrawSkyGradient();
      BeginScene(device);
      DrawGameBackground(camera_view);
      return;
    case BACKGROUND_MENU:
      BlackClear();
      if (in_game)
        DrawGameBackground(VIEW_CLASSIC);
      else
        DrawTitleScene();
      return;
    case BACKGROUND_TITLE:
      BlackClear();
      DrawTitleScene();
      return;
    case BACKGROUND_GAME:
      BlackClear();
      DrawGameBackground(VIEW_CLASSIC);
      return;
    case BACKGROUND_MAP:
      BlackClear();
      DrawMapPanel();
      return;
    case BACKGROUND_NONE:
      return;
  }
}

void DrawOverlays() {
  D3DCOLOR white = TextColor(1, 1, 1, 1);
  if (show_counts)
    DrawFormatted(FONT_CONSOLE, &client_rect, DT_LEFT | DT_TOP, white, "T:%i  P:%i  G:%i  S:%i  L:%i", thing_count,
                  projectile_count, generator_count, static_count, light_count);
  if (show_fps) DrawFormatted(FONT_CONSOLE, &client_rect, DT_CENTER | DT_TOP, white, "%i", fps);
  if (show_input)
    DrawFormatted(FONT_CONSOLE, &client_rect, DT_CENTER | DT_TOP, white, "%i %i %i %i", action_left, action_up,
                  action_right, action_down);
  if (show_location)
    DrawFormatted(FONT_CONSOLE, &client_rect, DT_CENTER | DT_VCENTER, white, "%i:%i", current_stage, stage_tick);
}

}  // namespace

void RenderFrame() {
  AdvanceCounters();
  // Nothing may be drawn while no display exists (between a release and the next start).
  if (!device) return;
  int state = game_state;
  if (state < 0 || state >= STATE_COUNT) return;
  const StateFrame& frame = state_frames[state];
  // The continue countdown keeps the last game frame, with the player's explosion, on screen.
  if (frame.background == BACKGROUND_NONE || (state == STATE_FINAL_RESULTS && menu_cursor == 0)) return;
  DrawBackground(frame.background);
  if (frame.screen) frame.screen();
  DrawOverlays();
  DrawConsole();
  EndScene(device);
  Present(device, nullptr, nullptr, nullptr, nullptr);
}

void DrawButtonHints(const char*, const char*) {}

D3DCOLOR TextColor(float r, float g, float b, float a) { return D3DXColorPack(r, g, b, a); }

void DrawLine(int font, const char* text, RECT* rect, DWORD align, D3DCOLOR color) {
  if (font < 0 || font >= FONT_COUNT) return;
  DrawTextA(fonts[font], text, -1, rect, align | DT_SINGLELINE | DT_NOCLIP, color);
}

void DrawFormatted(int font, RECT* rect, DWORD align, D3DCOLOR color, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(text_buffer, sizeof text_buffer, format, args);
  va_end(args);
  DrawLine(font, text_buffer, rect, align, color);
}

void DrawTitle(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vsnprintf(text_buffer, sizeof text_buffer, format, args);
  va_end(args);
  DrawLine(FONT_TITLE, text_buffer, &client_rect, DT_CENTER | DT_TOP, TextColor(1, 0, 0, TITLE_ALPHA));
}

int MenuRowTop(int row) { return screen_eighth_y + line_height + row * line_height; }

D3DCOLOR RowColor(int row) { return TextColor(1, 1, 1, row == menu_cursor ? 1.0f : UNSELECTED_ALPHA); }

void DrawMenuRow(int row, const char* text) {
  text_rect.top = MenuRowTop(row);
  DrawLine(FONT_MENU, text, &text_rect, DT_CENTER | DT_TOP, RowColor(row));
}

void DrawHiddenRow(int row, int line, const char* text) {
  if (menu_cursor != row) return;
  text_rect.top = MenuRowTop(line);
  DrawLine(FONT_MENU, text, &text_rect, DT_LEFT | DT_TOP, TextColor(1, 1, 1, 1));
}

void SetSettingRowSides() {
  int inset = screen_eighth_x + 2 * line_height;
  text_rect.left = inset;
  text_rect.right = client_rect.right - inset;
}
