// A recording stand-in for the engine services, so the world runs and is tested without a
// display, sound or input. Every call is kept in order; tests read `engine_calls`.
#pragma once

#include <string>
#include <vector>

#include "world/engine_services.h"

struct SoundSlot {
  const char* name;
  bool loaded;  // a slot without a buffer: StopSoundSlot does nothing
};

struct MeshSlot {
  const char* name;
};

enum EngineCallKind { CALL_PLAY_SOUND, CALL_STOP_SOUND, CALL_CONSOLE, CALL_LIGHT, CALL_CAMERA_LOOK,
                      CALL_CAMERA_ORBIT, CALL_FOG_COLOR, CALL_FOG_END };

struct EngineCall {
  EngineCallKind kind;
  std::string text;       // sound slot name or console text
  int i = 0;              // frequency, light id or fog colour
  float f[6] = {};        // positions, colours, camera values, fog end
};

extern std::vector<EngineCall> engine_calls;
// Text files are real files in the working folder, written and read with the runtime's text-mode
// rules. While this is nonzero every commit fails as on a full disk (the old file stays).
extern int fake_fail_commits;

// Clears the record and puts the input flags, auto_fire, fps, camera_view and layout at their defaults.
void ResetFakeEngine();
// Calls of one kind (optionally only those naming `text`).
int CountCalls(EngineCallKind kind, const std::string& text = "");
// The console lines printed since the last reset, in order.
std::vector<std::string> ConsoleLines();
// The names of the sound slots played since the last reset, in order.
std::vector<std::string> SoundsPlayed();
// The last play of the named sound slot, or null when it was not played.
const EngineCall* LastPlay(const std::string& sound);
