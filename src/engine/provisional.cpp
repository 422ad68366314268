// Stand-ins for engine operations whose module is not built yet, so the program links.
// Each is removed when its module lands.
#include "engine/config.h"
#include "engine/display.h"
#include "engine/input.h"
#include "engine/lights.h"
#include "engine/main_loop.h"
#include "engine/meshes.h"
#include "engine/render.h"
#include "engine/sound.h"
#include "world/engine_services.h"
#include "world/game.h"

// Frame renderer (render module): only the two animation counters and the text rectangle.
float spin_angle, blink;
RECT text_rect;
void RenderFrame() {
  spin_angle += 2;
  if (spin_angle >= 358) spin_angle = 0;
  blink = blink == 0 ? 1.0f : 0.0f;
}
