#include "engine/map.h"

#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/lights.h"
#include "engine/meshes.h"
#include "engine/render.h"
#include "platform/gfx_font.h"
#include "world/game.h"
#include "world/progression.h"
#include "world/tables.h"

namespace {

struct CastMarker {
  int node;
  float x, z;  // map units
};

// Where each node of the Cast Mode graph stands on the course model: the start node at the far
// left, the three endings at the far right.
constexpr CastMarker cast_markers[CAST_NODE_COUNT] = {
    {.node = 0, .x = 0, .z = -25},    {.node = 1, .x = -15, .z = -17}, {.node = 2, .x = 15, .z = -21},
    {.node = 3, .x = 15, .z = -13},   {.node = 4, .x = 15, .z = 4},    {.node = 5, .x = -25, .z = 0},
    {.node = 6, .x = 0, .z = -8},     {.node = 7, .x = 0, .z = 8},     {.node = 8, .x = 40, .z = -22},
    {.node = 9, .x = -15, .z = 17},   {.node = 10, .x = 15, .z = -4},  {.node = 11, .x = 15, .z = 13},
    {.node = 12, .x = 15, .z = 21},   {.node = 13, .x = 40, .z = 0},   {.node = 14, .x = 0, .z = 25},
    {.node = 15, .x = 15, .z = 30},   {.node = 16, .x = 40, .z = 22},
};
constexpr bool MarkersInNodeOrder() {
  for (int i = 0; i < CAST_NODE_COUNT; i++)
    if (cast_markers[i].node != i) return false;
  return true;
}
static_assert(MarkersInNodeOrder(), "one marker per node, in node order");

constexpr float MARKER_HEIGHT = 6;   // the ship or explosion above the map
constexpr float COURSE_LIFT = 3;     // the lit copy of the course model above the unlit one
constexpr int SHADOW_LAYERS = 9;     // the shadow is drawn over itself to darken it
constexpr float EXPLOSION_PITCH = 40;

// After the ship was lost, except on the map opened from the pause menu. A game whose ship slot
// was never filled has no ship to show either.
bool PlayerLost() {
  if (game_state == STATE_CURRENT_MAP) return false;
  if (player_thing < 0 || player_thing >= MAX_THINGS) return true;
  return thing_hp[player_thing] < 1;
}

// The mode's name at the top of the panel, centred across text_rect's sides as they stand.
void DrawModeName(const char* name, D3DCOLOR color) {
  text_rect.top = screen_eighth_y;
  DrawLine(FONT_NUMBER, name, &text_rect, DT_CENTER | DT_TOP, color);
}

// "PASSED:" and its count on the line above the score.
void DrawPassed(const char* format, int count, D3DCOLOR color) {
  DrawFormatted(FONT_NUMBER, &text_rect, DT_LEFT | DT_BOTTOM, color, "%s:", "PASSED");
  DrawFormatted(FONT_NUMBER, &text_rect, DT_RIGHT | DT_BOTTOM, color, format, count);
}

}  // namespace

MapPoint MapMarker() {
  if (game_mode == MODE_CAST) {
    if (current_stage < 0 || current_stage >= CAST_NODE_COUNT) return {0, 0};
    return {cast_markers[current_stage].x, cast_markers[current_stage].z};
  }
  if (game_mode == MODE_SURVIVAL) {
    float z = static_cast<float>(current_stage) * 3.9f - 32;
    return {z - 5, z};
  }
  return {0, 0};
}

void DrawMapPanel() {
  // The score area, in the left part of the screen.
  text_rect.left = client_rect.left;
  text_rect.top = screen_eighth_y;
  text_rect.right = screen_center_x - 2 * line_height;
  text_rect.bottom = client_rect.bottom;

  SetView(VIEW_MAP);
  LightEnable(device, LIGHT_HUD, FALSE);
  LightEnable(device, LIGHT_KEY, FALSE);
  LightEnable(device, LIGHT_FILL, FALSE);
  LightEnable(device, LIGHT_MAP, TRUE);
  DrawMesh(&mesh_map_floor_01, 0, 0, 0, 0, 0, 0);

  MapPoint marker = MapMarker();
  bool lost = PlayerLost();
  if (game_mode == MODE_CAST || game_mode == MODE_SURVIVAL) {
    if (!lost)
      for (int i = 0; i < SHADOW_LAYERS; i++) DrawMesh(&mesh_shadow_as_01, marker.x, 0, marker.z, 0, 0, 0);
    MeshSlot* course = game_mode == MODE_CAST ? &mesh_map_cast_01 : &mesh_map_survival_01;
    LightEnable(device, LIGHT_MAP, FALSE);
    DrawMesh(course, 0, 0, 0, 0, 0, 0);
    LightEnable(device, LIGHT_MAP, TRUE);
    DrawMesh(course, 0, -COURSE_LIFT, 0, 0, 0, 0);
  }

  D3DCOLOR panel = TextColor(1, 1, 1, TABLE_ALPHA);
  float time_green_blue = 1;  // the Boss Battle time turns red once the player is lost
  if (lost) {
    DrawMesh(&mesh_explosion_01, marker.x, -MARKER_HEIGHT, marker.z, -spin_angle, EXPLOSION_PITCH, 0);
    DrawLine(FONT_NUMBER, "KIA", &client_rect, DT_RIGHT | DT_BOTTOM, TextColor(1, 0, 0, TABLE_ALPHA));
    time_green_blue = 0;
  } else {
    DrawMesh(&mesh_ship_as_01, marker.x, -MARKER_HEIGHT, marker.z, 0, 0, 0);
  }

  DrawFormatted(FONT_NUMBER, &text_rect, DT_LEFT | DT_BOTTOM, panel, "%s:", "SCORE");
  DrawFormatted(FONT_NUMBER, &text_rect, DT_RIGHT | DT_BOTTOM, panel, "%i", score);
  text_rect.bottom -= line_height / 2;

  if (game_state == STATE_FEATURE_UNLOCKED || game_state == STATE_HIGH_SCORE_ENTRY) return;
  // Cast Mode and Survival widen the rectangle to the whole client area for their names; Random
  // Mode and Boss Battle leave it as the score area's, and their names stand over that.
  switch (game_mode) {
    case MODE_CAST:
      text_rect.right = client_rect.right;
      DrawModeName("Cast Mode", panel);
      return;
    case MODE_SURVIVAL:
      DrawPassed("%i", current_stage, panel);
      text_rect.right = client_rect.right;
      DrawModeName("Survival", panel);
      return;
    case MODE_RANDOM:
      DrawPassed("%i/17", random_index, panel);
      DrawModeName("Random Mode", panel);
      return;
    case MODE_BOSS_BATTLE:
      DrawModeName("Boss Battle", panel);
      DrawFormatted(FONT_BANNER, &client_rect, DT_CENTER | DT_VCENTER,
                    TextColor(1, time_green_blue, time_green_blue, TABLE_ALPHA),
                    play_seconds < 10 ? "%i:0%i" : "%i:%i", play_minutes, play_seconds);
      return;
    default:
      return;
  }
}
