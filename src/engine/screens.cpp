#include "engine/screens.h"

#include <cstdio>

#include "engine/config.h"
#include "engine/console.h"
#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/frontend.h"
#include "engine/input.h"
#include "engine/main_loop.h"
#include "engine/meshes.h"
#include "engine/render.h"
#include "engine/world_render.h"
#include "platform/gfx_font.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/records.h"
#include "world/tables.h"

namespace {

const char* const scored_mode_names[SCORED_MODES] = {"Cast Mode", "Survival", "Random Mode", "Boss Battle"};

// The left and right of the rows of a screen, inset from both sides of the client area.
void SetRowSides(int inset) {
  text_rect.left = client_rect.left + inset;
  text_rect.right = client_rect.right - inset;
}

// "MAIN" back to the main menu without a game, "RESUME" back into the one that runs.
const char* BackToGameOrMain() { return in_game ? "RESUME" : "MAIN"; }

// ---- Dev Mode values ----------------------------------------------------------------------------

const char* FillModeName(int mode) {
  switch (mode) {
    case D3DFILL_POINT: return "Point";
    case D3DFILL_WIREFRAME: return "Wireframe";
    case D3DFILL_SOLID: return "Solid";
    default: return nullptr;
  }
}

const char* MissileName(int kind) {
  switch (kind) {
    case PROJ_BOMB: return "Bomb";
    case PROJ_HAWK: return "Hawk";
    case PROJ_DRUM: return "Drum";
    case PROJ_CROW: return "Crow";
    default: return nullptr;
  }
}

// The camera row's value into text_buffer; null for a value with no camera.
const char* CameraName(int view) {
  switch (view) {
    case VIEW_TRACK_PLAYER: return "Fixed: Track Player";
    case VIEW_CLASSIC: return "Fixed: Classic";
    case VIEW_HUD: return "HUD";
    default: break;
  }
  if (view < 0 || view >= MAX_THINGS) return nullptr;
  if (view == player_thing)
    std::snprintf(text_buffer, sizeof text_buffer, "(Player) Thing: %i", view);
  else
    std::snprintf(text_buffer, sizeof text_buffer, "(%i) Thing: %i", thing_type[view], view);
  return text_buffer;
}

// One Dev Mode row; the value is formatted after the label is drawn, as the two share
// text_buffer.
void DrawDevRow(int row, const char* label) {
  text_rect.top = screen_eighth_y + row * (line_height / 2);
  DrawLine(FONT_TEXT, label, &text_rect, DT_LEFT | DT_TOP, RowColor(row));
}
void DrawDevValue(int row, const char* value) {
  if (value) DrawLine(FONT_TEXT, value, &text_rect, DT_RIGHT | DT_TOP, RowColor(row));
}
void DrawDevNumber(int row, const char* label, const char* format, int value) {
  DrawDevRow(row, label);
  DrawFormatted(FONT_TEXT, &text_rect, DT_RIGHT | DT_TOP, RowColor(row), format, value);
}

// ---- High-score rows -----------------------------------------------------------------------------

void DrawHighScoreRow(int table, int row) {
  text_rect.top = screen_eighth_y + (2 + row) * line_height;
  float gb = menu_cursor == game_mode && row == name_pos ? blink : 1.0f;  // the row just entered blinks
  D3DCOLOR color = TextColor(1, gb, gb, TABLE_ALPHA);
  int major = high_score_major[table][row], minor = high_score_minor[table][row];
  DrawFormatted(FONT_NUMBER, &text_rect, DT_LEFT | DT_TOP, color, "%i", row + 1);
  DrawFormatted(FONT_NUMBER, &text_rect, DT_LEFT | DT_TOP, color, "   %.3s", high_score_name[table][row]);
  if (table == MODE_BOSS_BATTLE) {
    if (major >= 0 || minor >= 0)
      DrawFormatted(FONT_NUMBER, &text_rect, DT_RIGHT | DT_TOP, color, minor < 10 ? "%i:0%i" : "%i:%i", major,
                    minor);
    return;
  }
  if (minor >= 0) DrawFormatted(FONT_NUMBER, &text_rect, DT_RIGHT | DT_TOP, color, "%i", minor);
  if (table == MODE_SURVIVAL && major >= 0)
    DrawFormatted(FONT_NUMBER, &text_rect, DT_CENTER | DT_TOP, color, "%i", major);
}

// ---- Option values -------------------------------------------------------------------------------

// A volume in hundredths of a decibel as 0 (silent) to 100 (full), with the slider mark.
void DrawVolumeRow(int row, const char* first, float volume) {
  text_rect.top = MenuRowTop(row);
  DrawFormatted(FONT_MENU, &text_rect, DT_LEFT | DT_TOP, RowColor(row), "%s %s", first, "Volume");
  DrawFormatted(FONT_MENU, &text_rect, DT_RIGHT | DT_TOP, RowColor(row), "%i\x1F",
                (ConfigInt(volume) + 10000) / 100);
}

// A setting row of the menu font whose value is a fixed text.
void DrawOptionRow(int row, const char* label, const char* value) {
  text_rect.top = MenuRowTop(row);
  DrawLine(FONT_MENU, label, &text_rect, DT_LEFT | DT_TOP, RowColor(row));
  DrawLine(FONT_MENU, value, &text_rect, DT_RIGHT | DT_TOP, RowColor(row));
}

}  // namespace

void DrawMainMenu() {
  for (int i = 0; i < SCORED_MODES; i++) {
    if (mode_unlocked[i]) continue;
    float y = static_cast<float>((playfield_half_height - 2.7) + 1.1 * i);
    DrawMesh(&mesh_lock_01, static_cast<float>(playfield_half_width - 2.5), y, -90, spin_angle, 0, 0);
  }
  // The banner alone is clipped to the client area.
  DrawTextA(fonts[FONT_BANNER], GAME_NAME, -1, &client_rect, DT_CENTER | DT_SINGLELINE,
            TextColor(1, 0, 0, TITLE_ALPHA));
  SetRowSides(screen_eighth_x);
  for (int i = 0; i < SCORED_MODES; i++) DrawMenuRow(i, scored_mode_names[i]);
  DrawMenuRow(4, "High Scores");
  DrawMenuRow(5, "Options");
  DrawHiddenRow(6, 5, "Dev Mode");
  DrawButtonHints("EXIT", nullptr);
  const char* select = "OPTIONS";
  if (menu_cursor >= 0 && menu_cursor < SCORED_MODES)
    select = mode_unlocked[menu_cursor] ? "PLAY" : "LOCKED";
  else if (menu_cursor == 4)
    select = "SCORES";
  DrawButtonHints(nullptr, select);
}

void DrawPauseMenu() {
  DrawTitle("Pause Menu");
  SetRowSides(screen_eighth_x);
  DrawMenuRow(0, "Current Map");
  DrawMenuRow(1, "Hide Menu");
  DrawMenuRow(2, "Options");
  DrawMenuRow(3, "Quit To Main");
  DrawHiddenRow(4, 2, "Dev Mode");
  DrawButtonHints("RESUME", "SELECT");
}

void DrawOptionsScreen() {
  DrawTitle("Options");
  SetRowSides(0);
  DrawMenuRow(0, "Sound");
  DrawMenuRow(1, "Display");
  DrawMenuRow(2, "Controls");
  DrawMenuRow(3, "About");
  DrawMenuRow(4, "Credits");
  DrawButtonHints(BackToGameOrMain(), "SELECT");
}

void DrawAboutScreen() {
  DrawTitle("About");
  SetRowSides(screen_eighth_x + line_height);
  D3DCOLOR white = TextColor(1, 1, 1, 1);
  text_rect.top = screen_eighth_y;
  DrawLine(FONT_TEXT, GAME_NAME, &text_rect, DT_LEFT | DT_TOP, white);
  text_rect.top += line_height;
  DrawFormatted(FONT_TEXT, &text_rect, DT_LEFT | DT_TOP, white, "Version - %s", GAME_VERSION);
  text_rect.top += line_height;
  DrawLine(FONT_TEXT, "Native build for Linux on SDL2 and OpenGL", &text_rect, DT_LEFT | DT_TOP, white);
  DrawButtonHints("BACK", nullptr);
}

void DrawCreditsScreen() {
  static const char* const roles[] = {"Design", "Programming", "Stage Scripting", "Graphics", "Photography", "Sound"};
  DrawTitle("%s", GAME_NAME);
  D3DCOLOR white = TextColor(1, 1, 1, 1);
  for (int i = 0; i < 6; i++) {
    text_rect.top = MenuRowTop(i);
    text_rect.right = screen_center_x - 20;
    DrawLine(FONT_TEXT, roles[i], &text_rect, DT_RIGHT | DT_TOP, white);
    text_rect.left = screen_center_x + 20;
    DrawLine(FONT_TEXT, "Quorne", &text_rect, DT_LEFT | DT_TOP, white);
  }
  DrawButtonHints("BACK", nullptr);
}

void DrawFinalResultsScreen() {
  DrawTitle("Final Results");
  DrawButtonHints(nullptr, "END");
}

void DrawHighScoresScreen() {
  // The cursor names the table; past the last (or before the first) it is back at the first.
  if (menu_cursor > 3 || menu_cursor < 0) menu_cursor = 0;
  int table = menu_cursor;
  DrawTitle("High Scores");
  SetRowSides(2 * line_height);
  D3DCOLOR panel = TextColor(1, 1, 1, TABLE_ALPHA);
  text_rect.top = screen_eighth_y;
  DrawLine(FONT_NUMBER, scored_mode_names[table], &text_rect, DT_CENTER | DT_TOP, panel);
  text_rect.top = screen_eighth_y + line_height;
  DrawLine(FONT_TEXT, "Rank", &text_rect, DT_LEFT | DT_TOP, panel);
  if (table == MODE_SURVIVAL) DrawLine(FONT_TEXT, "Passed", &text_rect, DT_CENTER | DT_TOP, panel);
  DrawLine(FONT_TEXT, table == MODE_BOSS_BATTLE ? "Time" : "Score", &text_rect, DT_RIGHT | DT_TOP, panel);
  for (int row = 0; row < HIGH_SCORE_ROWS; row++) DrawHighScoreRow(table, row);
  DrawButtonHints("MAIN", "NEXT");
}

void DrawDevModeScreen() {
  DrawTitle("Dev Mode");
  SetSettingRowSides();
  DrawDevNumber(0, "Counts", "%i", show_counts);
  DrawDevNumber(1, "FPS", "%i", show_fps);
  DrawDevRow(2, "Fill Mode");
  DrawDevValue(2, FillModeName(fill_mode));
  DrawDevNumber(3, "Input", "%i", show_input);
  DrawDevNumber(4, "Location", "%i", show_location);
  DrawDevNumber(5, "Ground/Ceiling", "%i", show_ground_ceiling);
  DrawDevNumber(6, "Speed", "%ims", frame_period_ms);
  DrawDevNumber(7, "God Mode", "%i", god_mode);
  DrawDevNumber(8, "Forward", "L%i", forward_level);
  DrawDevRow(9, "Missle");
  DrawDevValue(9, MissileName(missile_kind));
  DrawDevRow(10, "Camera");
  DrawDevValue(10, CameraName(camera_view));
  DrawDevNumber(11, "Stage", "%i", dev_start_stage);
  DrawButtonHints(BackToGameOrMain(), "SELECT");
}

void DrawCurrentMapScreen() {
  DrawTitle("Current Map");
  if (in_game)
    DrawButtonHints("BACK", nullptr);
  else
    DrawButtonHints(nullptr, "RESUME");
}

void DrawFeatureUnlockedScreen() {
  static const char* const features[] = {"Cast Mode", "Survival", "Random Mode", "Boss Battle", "Dev Mode"};
  DrawTitle("%s %s:", "Feature", "Unlocked");
  D3DCOLOR panel = TextColor(1, 1, 1, TABLE_ALPHA);
  if (menu_cursor >= 0 && menu_cursor < 5)
    DrawLine(FONT_BANNER, features[menu_cursor], &client_rect, DT_CENTER | DT_VCENTER, panel);
  if (menu_cursor == 4) {
    SetRowSides(0);
    text_rect.top = screen_center_y + line_height;
    DrawLine(FONT_TEXT, "Highlight Options", &text_rect, DT_CENTER | DT_TOP, panel);
    text_rect.top += line_height;
    DrawLine(FONT_TEXT, "Press Left", &text_rect, DT_CENTER | DT_TOP, panel);
  }
  DrawButtonHints(nullptr, "SAVE");
}

void DrawHighScoreEntryScreen() {
  DrawTitle("High Score!");
  text_rect.top = screen_eighth_y + (2 + menu_cursor) * line_height;
  text_rect.left = client_rect.left;
  DrawFormatted(FONT_NUMBER, &text_rect, DT_LEFT | DT_TOP, TextColor(1, 1, 1, TABLE_ALPHA), "%i", menu_cursor + 1);
  text_rect.left = screen_center_x - line_height;
  text_rect.right = screen_center_x + line_height;
  const DWORD places[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
  for (int i = 0; i < 3; i++) {
    bool current = i == name_pos;
    if (current) DrawLine(FONT_NUMBER, "_", &text_rect, places[i] | DT_TOP, TextColor(1, 1, 1, 1));
    DrawFormatted(FONT_NUMBER, &text_rect, places[i] | DT_TOP, TextColor(1, 1, 1, current ? 1.0f : UNSELECTED_ALPHA),
                  "%c", name_entry[i]);
  }
}

void DrawSoundOptionsScreen() {
  DrawTitle("%s %s", "Sound", "Options");
  SetSettingRowSides();
  DrawVolumeRow(0, "Effects", volume_effects);
  DrawVolumeRow(1, "Music", volume_music);
  DrawButtonHints("SAVE", "SELECT");
}

void DrawDisplayOptionsScreen() {
  DrawTitle("%s %s", "Display", "Options");
  SetSettingRowSides();
  DrawOptionRow(0, "Fullscreen", windowed == 0 ? "ON" : "OFF");
  text_rect.top = MenuRowTop(1);
  DrawLine(FONT_MENU, "Resolution:", &text_rect, DT_LEFT | DT_TOP, RowColor(1));
  DrawFormatted(FONT_MENU, &text_rect, DT_RIGHT | DT_TOP, RowColor(1), "%ix%ix%i", ConfigInt(display_width),
                ConfigInt(display_height), GetFormatBitsPerPixel(ConfigInt(display_format)));
  DrawOptionRow(2, "Vsync", vsync != 0 ? "ON" : "OFF");
  text_rect.top = MenuRowTop(3);
  DrawLine(FONT_MENU, "Anti Aliasing", &text_rect, DT_LEFT | DT_TOP, RowColor(3));
  if (antialias == 0)
    DrawLine(FONT_MENU, "OFF", &text_rect, DT_RIGHT | DT_TOP, RowColor(3));
  else
    DrawFormatted(FONT_MENU, &text_rect, DT_RIGHT | DT_TOP, RowColor(3), "%iX", ConfigInt(antialias));
  DrawButtonHints("SAVE", "SELECT");
}

void DrawControlsScreen() {
  static const char* const actions[ACTION_COUNT] = {"Back", "Accept/Fire", "Missle", "Up", "Left", "Down", "Right"};
  DrawTitle("%s %s", "Controls", "Options");
  D3DCOLOR white = TextColor(1, 1, 1, 1);
  text_rect.left = 0;
  text_rect.right = screen_center_x;
  for (int i = 0; i < ACTION_COUNT; i++) {
    text_rect.top = MenuRowTop(i);
    DrawLine(FONT_MENU, actions[i], &text_rect, DT_CENTER | DT_TOP, white);
  }
  for (int i = 0; i < KEY_BINDING_COUNT; i++) {
    // First keys centred across the whole width, second keys across the right half.
    text_rect.left = i < ACTION_COUNT ? 0 : screen_center_x;
    text_rect.right = screen_width;
    text_rect.top = MenuRowTop(i % ACTION_COUNT);
    bool selected = i == menu_cursor;
    float gb = selected && game_state == STATE_AWAIT_KEY ? blink : 1.0f;  // the entry waiting for its key
    GetKeyName(-1, key_bindings[i]);
    DrawLine(FONT_MENU, text_buffer, &text_rect, DT_CENTER | DT_TOP, TextColor(1, gb, gb, selected ? 1.0f : 0.5f));
  }
  DrawButtonHints("SAVE", "SELECT");
}
