// What the stage timelines share (stages_*.cpp): spawning with field writes, reaching things
// through the script registers, holds and runs of ticks. Internal to the stage script.
//
// A timeline is one function per stage: its every-frame rules first, then a switch (stage_tick)
// with a case per row. A regular run ("every 15 ticks from 200 to 245") goes in the default
// case through EveryTicks; a run tick that also has a case of its own must be handled there too.
#pragma once

#include <initializer_list>
#include <optional>

#include "world/game.h"
#include "world/tables.h"

constexpr int STAGE_GOES_ON = 0;
constexpr int STAGE_OVER = 1;

// The stage timelines, run by RunStageScript.
int RunStage0();
int RunStage1();
int RunStage2();
int RunStage3();
int RunStage4();
int RunStage5();
int RunStage6();
int RunStage7();
int RunStage8();
int RunStage9();
int RunStage10();
int RunStage11();
int RunStage12();
int RunStage13();
int RunStage14();
int RunStage15();
int RunStage16();
int RunStage17();
int RunStage18();
int RunStage19();

constexpr Color3 COLOR_BLACK = {0.0f, 0.0f, 0.0f};

// Fields written into a thing after its spawn, or later through a register. Only the fields
// given are written; the designators must follow this order.
struct ThingFields {
  std::optional<int> vx = {}, vy = {};
  std::optional<int> vx_by = {}, vy_by = {};  // added to the speed code
  std::optional<int> param = {}, timer = {}, fire_timer = {}, fire_interval = {}, fuse = {};
  std::optional<int> parent = {};  // hangs the thing on that slot (its anchor becomes the offset); -1 frees it
  std::optional<int> hp = {}, box_y0 = {}, box_y1 = {};
  std::optional<float> aim_x = {}, aim_y = {};
};

// Angles and spins written into a static after its creation (degrees, degrees per frame). Only
// the fields given are written; the designators must follow this order.
struct StaticFields {
  std::optional<float> ry = {}, rx = {}, rz = {};
  std::optional<float> spin_y = {}, spin_x = {}, spin_z = {};
  std::optional<float> spin_y_by = {}, spin_x_by = {}, spin_z_by = {};  // added to the spin
};

// `slot` when it is a slot of the thing table, else -1. Every read of a register that should hold
// a thing goes through here: a failed spawn leaves -1 in it, and some registers hold counters.
int ThingSlot(int slot);
// `slot` when it is a thing slot holding a thing of `type`, else -1.
int ThingOfType(int slot, int type);
// The same checks for registers that keep a static or a generator.
int StaticSlot(int slot);
int GeneratorSlot(int slot);

// Writes the fields into the thing in `slot`; nothing when the slot is not valid.
void SetThing(int slot, const ThingFields& fields);
// SpawnThing, then the fields on the slot it returned (none on -1). Returns that slot.
int Spawn(int id, float x, float y, const ThingFields& fields = {});
// True when `type` is one of `types`.
bool IsOneOf(int type, std::initializer_list<int> types);
// Calls action(slot) for every live thing of one of `types`, highest slot first.
template <typename Action>
void ForEveryThing(std::initializer_list<int> types, Action action) {
  for (int slot = MAX_THINGS - 1; slot >= 0; slot--) {
    if (IsOneOf(thing_type[slot], types)) action(slot);
  }
}
// The fields on every live thing of one of `types`, highest slot first.
void SetEveryThing(std::initializer_list<int> types, const ThingFields& fields);
// Frees a hung thing where it stands: no parent, its anchor its current position.
void CutLoose(int slot);
// The lowest slot holding a thing of `type`, or -1.
int FirstThingOf(int type);

// CreateStatic, then the fields on the slot it returned (none on -1). Returns that slot.
int PlaceStatic(int type, float x, float y, float z, const StaticFields& fields = {});
// Writes the fields into the static in `slot`; nothing when the slot is not valid.
void SetStatic(int slot, const StaticFields& fields);
// Calls action(slot) for every live static of one of `types`, highest slot first.
template <typename Action>
void ForEveryStatic(std::initializer_list<int> types, Action action) {
  for (int slot = MAX_STATICS - 1; slot >= 0; slot--) {
    if (IsOneOf(static_type[slot], types)) action(slot);
  }
}
// The highest slot holding a static of `type`, or -1.
int LastStaticOf(int type);
// Frees one static and rebuilds the draw order.
void RemoveStatic(int slot);
// CreateGenerator, which reports no slot: the slot it took, or -1 when the table was full.
int StartGenerator(int type, int interval, int count, float x, float y, float z);
// Frees the generator in the register's slot when there is one, and clears the register, so that
// a later removal cannot free a generator that has taken the slot since.
void StopGenerator(int& reg);

// Hold conditions.
bool RegisterIs(int reg, int type);  // the thing in the register's slot is of `type`
bool RegisterOccupied(int reg);      // the register's slot holds any thing
bool AnyThingOf(int type);           // some slot of the thing table holds `type`
bool AnyBossCore();                  // some slot holds a boss core (500..599)
bool RegisterIsBossCore(int reg);    // the thing in the register's slot is a boss core

// A checkpoint: while `condition` stands, sets stage_tick back to `back_to` (the world tick
// then runs back_to + 1 onward again). Returns the condition.
bool HoldWhile(bool condition, int back_to);
// stage_tick is one of from, from + every, ... up to `to`.
bool EveryTicks(int every, int from, int to);

// Ceiling and floor barriers both from x0 to x1.
void SetBarriers(float x0, float x1);
// The world's shift and its target at once, without the gradual move.
void SetWorldShiftNow(int shift);
// The run-out of a stage: sky and horizon fade to black, the fog closes in to 80 and the world
// sinks back to shift 50.
void FadeToTheEnd();
// The y at which things stand on the ground of the world at its current shift (95 + world_shift).
float GroundY();
