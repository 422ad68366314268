#include "engine/hud.h"

#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/lights.h"
#include "engine/meshes.h"
#include "engine/render.h"
#include "platform/gfx_font.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/tables.h"

namespace {

constexpr float HUD_DEPTH = -47;      // the panel, its ticks and the logo
constexpr float BAR_DEPTH = -49;      // the reload bar
constexpr float MODEL_DEPTH = -51;    // the turning shot and missile models
constexpr float MODEL_Y = 74;         // their height
constexpr float MESSAGE_FADE = 0.05f;  // alpha lost per drawn HUD

// The turning model of the gun's shot at this level.
void DrawShotModel(int level) {
  switch (level) {
    case 1: DrawMesh(&mesh_shot_01, 68, MODEL_Y, MODEL_DEPTH, 0, spin_angle, 0); return;
    case 2: DrawMesh(&mesh_shot_02, 68, MODEL_Y, MODEL_DEPTH, 0, -spin_angle, 0); return;
    case 3: DrawMesh(&mesh_shot_03, 67, MODEL_Y, MODEL_DEPTH, 0, spin_angle, 0); return;
    default: return;
  }
}

// The turning model of the missile kind; the Hawk flies in pairs.
void DrawMissileModel(int kind) {
  switch (kind) {
    case PROJ_BOMB: DrawMesh(&mesh_bomb_01, 93, MODEL_Y, MODEL_DEPTH, spin_angle, 0, 0); return;
    case PROJ_HAWK:
      DrawMesh(&mesh_hawk_01, 95, 72.5f, MODEL_DEPTH, 0, spin_angle, 0);
      DrawMesh(&mesh_hawk_01, 95, 75.5f, MODEL_DEPTH, 0, -spin_angle, 0);
      return;
    case PROJ_DRUM: DrawMesh(&mesh_drum_01, 93, MODEL_Y, MODEL_DEPTH, spin_angle, 0, 0); return;
    case PROJ_CROW: DrawMesh(&mesh_crow_01, 97, MODEL_Y, MODEL_DEPTH, 0, spin_angle, 0); return;
    default: return;
  }
}

// The panel of a running game: lives, gun level, missiles.
void DrawInstruments() {
  // Without a ship in its slot (between a loss and the next ship) there are no lives to show
  // and nothing reloading.
  int player = PlayerSlot();
  int lives = player >= 0 ? thing_hp[player] : 0;
  int reload = player >= 0 ? thing_timer2[player] : 0;
  float panel_y = static_cast<float>(playfield_height);
  D3DCOLOR white = TextColor(1, 1, 1, 1);

  DrawMesh(&mesh_hud_01, static_cast<float>(playfield_half_width), panel_y - 23, HUD_DEPTH, 0, 0, 0);
  for (int i = 0; i < lives; i++)
    DrawMesh(&mesh_hp_tick_01, static_cast<float>(33 + 2 * i), panel_y - 25, HUD_DEPTH, 0, 0, 0);
  DrawFormatted(FONT_TEXT, &hud_text_rect, DT_LEFT | DT_BOTTOM, white, "L-%i", forward_level);
  DrawShotModel(forward_level);
  if (missile_ammo <= 0) return;
  DrawFormatted(FONT_TEXT, &hud_text_rect, DT_RIGHT | DT_BOTTOM, white, "x%i", missile_ammo);
  DrawMesh(&mesh_hud_02, 88 + static_cast<float>(reload >> 1), panel_y - 22, BAR_DEPTH, 0, 0, 0);
  DrawMissileModel(missile_kind);
}

}  // namespace

void DrawHud() {
  SetView(VIEW_HUD);
  LightEnable(device, LIGHT_HUD, TRUE);
  LightEnable(device, LIGHT_KEY, FALSE);
  LightEnable(device, LIGHT_FILL, FALSE);
  // Every HUD model lies over the world.
  Clear(device, 0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0);
  if (!in_game) {
    // The logo's texture is drawn without mip levels.
    SetTextureStageState(device, 0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    DrawMesh(&mesh_company_logo_01, 39, static_cast<float>(playfield_three_quarter_height), HUD_DEPTH, 0, 0, 0);
    SetTextureStageState(device, 0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
  } else {
    DrawInstruments();
  }
  if (message_alpha > 0.0f) {
    text_rect = client_rect;
    text_rect.top = hud_text_rect.top;
    DrawLine(FONT_TEXT, message_text, &text_rect, DT_CENTER | DT_TOP, TextColor(1, 1, 1, message_alpha));
    message_alpha -= MESSAGE_FADE;
  }
}
