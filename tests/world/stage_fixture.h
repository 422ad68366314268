// Helpers for running single stage ticks in world tests, and for reading what they made.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fake_engine.h"
#include "scenario.h"
#include "world/collisions.h"
#include "world/game.h"
#include "world/stage_script.h"
#include "world/tables.h"

// An empty world at tick 0 of `stage`, as a new stage starts.
inline void BeginStage(int stage) {
  ResetScenario();
  ResetGame();
  ResetStage();
  current_stage = stage;
  phase_16 = phase_32 = phase_64 = 1;  // away from the frames that drop debris
}

// Runs the script on `tick` alone and returns what it gave.
inline int RunTick(int tick) {
  stage_tick = tick;
  return RunStageScript();
}

// The script's part of the world tick, without the rest of the world: the phase counters, the
// script, the tick. Returns 1 on the stage's last frame.
inline int RunScriptFrame() {
  phase_16 = phase_16 == 15 ? 0 : phase_16 + 1;
  phase_32 = phase_32 == 31 ? 0 : phase_32 + 1;
  phase_64 = phase_64 == 63 ? 0 : phase_64 + 1;
  const int over = RunStageScript();
  if (!over) stage_tick++;
  return over;
}

// RunScriptFrame until stage_tick reaches `tick`, the stage ends or `max_frames` have run.
// Returns the frames run.
inline int RunUntilTick(int tick, int max_frames = 100000) {
  int frames = 0;
  while (stage_tick < tick && frames < max_frames) {
    frames++;
    if (RunScriptFrame()) break;
  }
  return frames;
}

// Live things of `type`.
inline int CountThings(int type) {
  int n = 0;
  for (int i = 0; i < MAX_THINGS; i++) n += thing_type[i] == type;
  return n;
}

// Live statics of `type`.
inline int CountStatics(int type) {
  int n = 0;
  for (int i = 0; i < MAX_STATICS; i++) n += static_type[i] == type;
  return n;
}

// Live generators emitting `type`, or every live generator for 0.
inline int CountGenerators(int type = 0) {
  int n = 0;
  for (int i = 0; i < MAX_GENERATORS; i++) n += type == 0 ? generator_type[i] != 0 : generator_type[i] == type;
  return n;
}

// ---- Whole stages, frame by frame ----------------------------------------------------------------

// A Dev Mode game on `stage`, its ship unable to die, played by the real world frames.
inline void PlayStage(int stage) {
  ResetScenario();
  game_mode = MODE_DEV;
  StartDevStage(stage);
  god_mode = 1;
}

// Takes the ship off the field: idle on its line, it would ram and wear down what comes along it.
inline void RemoveShip() {
  if (PlayerSlot() >= 0) FreeThing(player_thing);
  player_thing = -2;
}

inline bool Playing() { return game_state == STATE_PLAYING; }

// Game frames until `done` or the game leaves the playing state; returns the frames run.
template <typename Done>
int PlayUntil(Done done, int max_frames = 5000) {
  int frames = 0;
  while (!done() && Playing() && frames < max_frames) {
    RunGameFrame();
    frames++;
  }
  return frames;
}

// Game frames until stage_tick is `tick` (or the game leaves the playing state).
inline int PlayUntilTick(int tick, int max_frames = 5000) {
  return PlayUntil([tick] { return stage_tick == tick; }, max_frames);
}

// Destroys every thing of `type`, as the player's fire would.
inline void DestroyAll(int type) {
  for (int i = MAX_THINGS - 1; i >= 0; i--) {
    if (thing_type[i] == type) DestroyThing(i);
  }
}

// Destroys every boss core, whatever its number.
inline void DestroyBossCores() {
  for (int i = MAX_THINGS - 1; i >= 0; i--) {
    if (thing_type[i] >= 500 && thing_type[i] <= 599) DestroyThing(i);
  }
}

// A table of the world ran full since the fake engine's record was cleared.
inline bool ATableRanFull() {
  for (const std::string& line : ConsoleLines()) {
    if (line.find("Expired") != std::string::npos) return true;
  }
  return false;
}

// Plays the stage out: it must end within `max_frames`, into the main menu as a Dev Mode stage
// does, without any table of the world running full on the way.
inline ::testing::AssertionResult EndsWithin(int max_frames) {
  const int frames = PlayUntil([] { return !Playing(); }, max_frames + 1);
  if (Playing() || frames > max_frames) return ::testing::AssertionFailure() << "still playing at tick " << stage_tick;
  if (game_state != STATE_MAIN_MENU) return ::testing::AssertionFailure() << "ended in state " << game_state;
  if (ATableRanFull()) return ::testing::AssertionFailure() << "a table ran full";
  return ::testing::AssertionSuccess() << "ended after " << frames << " frames";
}
