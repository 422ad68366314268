#include "world/stage_script.h"

#include "world/engine_services.h"
#include "world/game.h"
#include "world/projectiles.h"
#include "world/random.h"
#include "world/stage_helpers.h"
#include "world/tables.h"

MeshSlot* backdrop_mesh = nullptr;
float ark_radius = 0.0f;

int script_handle = 0;
int script_var_2 = 0, script_var_3 = 0, script_var_4 = 0, script_var_5 = 0, script_var_6 = 0;

float title_lift_angle = 0.0f;
float title_camera_a = 0.0f;
float title_camera_b = 0.0f;
float title_ring_spin = 0.0f;
float title_ring_spin_rate = 0.0f;
float title_sling_x = 0.0f;
float title_outer_ring_spin = 0.0f;

int RunStageScript() {
  switch (current_stage) {
    case 0: return RunStage0();
    case 1: return RunStage1();
    case 2: return RunStage2();
    case 3: return RunStage3();
    case 4: return RunStage4();
    case 5: return RunStage5();
    case 6: return RunStage6();
    case 7: return RunStage7();
    case 8: return RunStage8();
    case 9: return RunStage9();
    case 10: return RunStage10();
    case 11: return RunStage11();
    case 12: return RunStage12();
    case 13: return RunStage13();
    case 14: return RunStage14();
    case 15: return RunStage15();
    case 16: return RunStage16();
    case 17: return RunStage17();
    case 18: return RunStage18();
    case 19: return RunStage19();
    default: return STAGE_GOES_ON;
  }
}

void SpawnDriftDebris() {
  if (phase_16 != 0) return;
  // The layout is always 140 by 100; the guard only keeps a layout not yet computed from dividing by 0.
  const int height = playfield_height > 0 ? playfield_height : 1;
  const float y = static_cast<float>(Rand() % height);
  CreateProjectile(PROJ_DEBRIS, -1, static_cast<float>(playfield_width + 50), y, 0.0f,
                   static_cast<float>(-scroll_speed), 0.0f);
}
