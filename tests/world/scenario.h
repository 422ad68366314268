// World scenarios: the real world tables run frame by frame against the recording fake engine.
#pragma once

// The seven action flags held during a frame.
struct Actions {
  int back = 0, fire = 0, missile = 0, up = 0, left = 0, down = 0, right = 0;
};

// Puts the whole world back as the program starts (every table, progress variable, fade, stage
// environment and record global, the random state 1) and clears the fake engine's record.
void ResetScenario();
// ResetScenario, then as a game runs on an empty field: the cursors where ResetGame leaves them
// (the first thing takes slot 58, the first projectile 298), no barriers, the drop counters of
// a new game, in_game 1 and STATE_PLAYING. No ship.
void ResetScenarioInGame();
// Sets the seven action flags as the input poll does.
void SetActions(const Actions& actions);
// Puts a live free-standing thing of `type` at (x, y) in a slot and counts it; the slot's other
// fields stay as they were. Returns the slot.
int PlaceThing(int slot, int type, float x, float y);
// A ship for the player from the catalogue, free-standing at (x, y); player_thing is its slot.
int MakeShip(float x, float y);
// A thing from the catalogue, free-standing at (x, y). Returns the slot, or -1.
int MakeThing(int type, float x, float y);
// The live projectiles of one type.
int CountProjectiles(int type);
// The highest slot holding a projectile of the type, or -1.
int FindProjectile(int type);
// Puts a live projectile in a slot and counts it. Returns the slot.
int PlaceProjectile(int slot, int type, int owner, float x, float y);
// One game frame in the playing order: generators, statics, thing motion, projectiles, player
// collisions, projectile hits, behaviours, world tick; the flags are set before it, as the input
// poll does.
void RunGameFrame(const Actions& actions = {});
// n game frames, each with the same flags.
void RunGameFrames(int n, const Actions& actions = {});
// Game frames while the state stays STATE_PLAYING, at most n; returns how many ran.
int RunWhilePlaying(int n, const Actions& actions = {});
// One idle frame behind the menus: statics, thing motion, projectiles, world tick.
void RunIdleFrame();
