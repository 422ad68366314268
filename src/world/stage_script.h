// The stage script: the timelines of the 20 stages, run one frame at a time by the world tick,
// and the stage environment and registers they write. The ground speed and barrier ends live
// with the tables, the shift and the fade targets with the game's progress. ResetStage clears
// the registers and the title values at the start of every stage.
#pragma once

struct MeshSlot;

constexpr int STAGE_COUNT = 20;  // 0..16 playable, 17 boss battle, 18 test, 19 title scene

// ---- Stage environment (per stage; set by the stage script, read by the world and renderers) --
extern MeshSlot* backdrop_mesh;  // sky model behind the world; null for none; every stage sets it
extern float ark_radius;         // depth of the ark rings (stage 7, title scene)

// ---- Script registers (0 at the start of every stage) -----------------------------------------
// Mostly thing slots a later tick tests or changes (-1 where the spawn failed); sometimes a
// counter or a value.
extern int script_handle;
extern int script_var_2, script_var_3, script_var_4, script_var_5, script_var_6;

// ---- Title scene values (0 at the start of every stage; written by stage 19) ------------------
extern float title_lift_angle;      // roll of the launch spoke's lifts, degrees
extern float title_camera_a;        // camera eye x, later the orbit angle in degrees
extern float title_camera_b;        // camera target y
extern float title_ring_spin;       // turn of the middle ring, degrees
extern float title_ring_spin_rate;  // degrees per frame added to title_ring_spin
extern float title_sling_x;         // x of the launch spoke's second sling, relative to its row
extern float title_outer_ring_spin; // turn of the four other rows, degrees

// Runs this frame of the current stage. Returns 1 when the frame is the stage's last, else 0; a
// stage outside 0..19 does nothing.
int RunStageScript();
// One frame in 16, a debris projectile drifting in from the right with the ground.
void SpawnDriftDebris();
