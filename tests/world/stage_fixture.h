// Helpers for running stage timelines in world tests without the world tick.
#pragma once

#include "fake_engine.h"
#include "world/game.h"
#include "world/stage_script.h"
#include "world/tables.h"

// An empty world at tick 0 of `stage`, with the environment a new stage starts from.
inline void BeginStage(int stage) {
  ResetFakeEngine();
  ClearThings();
  thing_last = MAX_THINGS - 1;
  projectile_last = MAX_PROJECTILES - 1;
  ResetStage();
  current_stage = stage;
  stage_tick = 0;
  ceiling_x0 = ceiling_x1 = floor_x0 = floor_x1 = -140.0f;
  world_shift = world_shift_target = 50;
  fog_end_target = 120.0f;
  script_handle = script_var_2 = script_var_3 = script_var_4 = script_var_5 = script_var_6 = 0;
  phase_16 = phase_32 = phase_64 = 1;  // away from the frames that drop debris
}

// The world tick's part in the script: the phase counters, then the script, then the tick.
// Returns 1 on the stage's last frame.
inline int RunScriptFrame() {
  phase_16 = phase_16 == 15 ? 0 : phase_16 + 1;
  phase_32 = phase_32 == 31 ? 0 : phase_32 + 1;
  phase_64 = phase_64 == 63 ? 0 : phase_64 + 1;
  const int over = RunStageScript();
  if (!over) stage_tick++;
  return over;
}

// Runs frames until stage_tick reaches `tick` (the script has not run it yet), the stage ends or
// `max_frames` have run. Returns the frames run.
inline int RunUntilTick(int tick, int max_frames = 100000) {
  int frames = 0;
  while (stage_tick < tick && frames < max_frames) {
    frames++;
    if (RunScriptFrame()) break;
  }
  return frames;
}

// Runs exactly the frame of the current tick and returns what the script gave.
inline int RunTick(int tick) {
  stage_tick = tick;
  return RunStageScript();
}

// Live things of `type`.
inline int CountThings(int type) {
  int n = 0;
  for (int i = 0; i < MAX_THINGS; i++) n += thing_type[i] == type;
  return n;
}
