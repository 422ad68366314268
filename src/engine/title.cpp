#include "engine/title.h"

#include "engine/display.h"
#include "engine/drawing.h"
#include "engine/hud.h"
#include "engine/lights.h"
#include "engine/meshes.h"
#include "engine/world_render.h"
#include "world/game.h"
#include "world/stage_script.h"

namespace {

constexpr int FIRST_ROW_X = 14;   // the five rows of rings: x 14, 58, ..., 190
constexpr int ROW_STEP = 44;
constexpr int ROW_END = 200;
constexpr int LAUNCH_ROW_X = 58;  // the middle row, whose spoke 0 launches the ship
constexpr int SPOKE_STEP = 45;    // eight spokes a ring
constexpr int LAUNCH_SHIP_LAST_TICK = 1100;  // the launch ship is gone after this

// One piece of a spoke: at (x, the rows' axis height, 0), turned by its roll, d units from the
// row's axis at the spoke's angle.
void DrawPiece(MeshSlot* mesh, float x, float roll, float d, float angle) {
  DrawMesh(mesh, x, static_cast<float>(playfield_half_height), 0, 0, -90, roll, 0, 0, d, 0, angle, 0);
}

// An ordinary spoke: a ship between its two lifts and its sling.
void DrawSpoke(float x, float angle) {
  DrawPiece(&mesh_ship_as_01, x - 5, 0, 33, angle);
  DrawPiece(&mesh_ark_lift_01, x + 1.5f, -10, 37, angle);
  DrawPiece(&mesh_ark_lift_02, x - 7.5f, 10, 37, angle);
  DrawPiece(&mesh_ark_sling_01, x - 3, 0, 35, angle);
}

// The launch spoke, from the values the title stage animates. Its ship stays where the row
// started while the rings slide away.
void DrawLaunchSpoke(float x, float angle) {
  if (stage_tick <= LAUNCH_SHIP_LAST_TICK)
    DrawPiece(&mesh_ship_as_01, static_cast<float>(LAUNCH_ROW_X - 5), 0, ark_radius - 2, angle);
  DrawPiece(&mesh_ark_lift_01, x + 1.5f, -title_lift_angle, 37, angle);
  DrawPiece(&mesh_ark_lift_02, x - 7.5f, title_lift_angle, 37, angle);
  DrawPiece(&mesh_ark_sling_01, x - 3, 0, ark_radius, angle);
  DrawPiece(&mesh_ark_sling_02, x + title_sling_x, 0, ark_radius, angle);
}

}  // namespace

void DrawTitleScene() {
  DrawWorld();
  for (int row = FIRST_ROW_X; row < ROW_END; row += ROW_STEP) {
    float x = static_cast<float>(row + script_var_3);
    float spin = row == LAUNCH_ROW_X ? title_ring_spin : title_outer_ring_spin;
    for (int spoke = 0; spoke < 360; spoke += SPOKE_STEP) {
      float angle = static_cast<float>(spoke) + spin;
      if (row == LAUNCH_ROW_X && spoke == 0)
        DrawLaunchSpoke(x, angle);
      else
        DrawSpoke(x, angle);
    }
  }
  DisableLights();
  DrawHud();
}
