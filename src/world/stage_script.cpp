#include "world/stage_script.h"

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
