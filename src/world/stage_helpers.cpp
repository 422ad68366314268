#include "world/stage_helpers.h"

#include "world/compounds.h"
#include "world/game.h"
#include "world/scenery.h"
#include "world/tables.h"
#include "world/things.h"

namespace {

bool IsBossCore(int type) { return type >= THING_CORE_0 && type <= 599; }  // pickups are 600 up

}  // namespace

int ThingSlot(int slot) { return slot >= 0 && slot < MAX_THINGS ? slot : -1; }

int ThingOfType(int slot, int type) {
  const int valid = ThingSlot(slot);
  return valid >= 0 && thing_type[valid] == type ? valid : -1;
}

int StaticSlot(int slot) { return slot >= 0 && slot < MAX_STATICS ? slot : -1; }

int GeneratorSlot(int slot) { return slot >= 0 && slot < MAX_GENERATORS ? slot : -1; }

void SetThing(int slot, const ThingFields& fields) {
  if (ThingSlot(slot) < 0) return;
  if (fields.vx) thing_vx[slot] = *fields.vx;
  if (fields.vy) thing_vy[slot] = *fields.vy;
  if (fields.vx_by) thing_vx[slot] += *fields.vx_by;
  if (fields.vy_by) thing_vy[slot] += *fields.vy_by;
  if (fields.param) thing_param[slot] = *fields.param;
  if (fields.timer) thing_timer[slot] = *fields.timer;
  if (fields.fire_timer) thing_fire_timer[slot] = *fields.fire_timer;
  if (fields.fire_interval) thing_fire_interval[slot] = *fields.fire_interval;
  if (fields.fuse) thing_fuse[slot] = *fields.fuse;
  // A parent outside the table, or the thing itself, would leave it drifting for ever: it stays free.
  if (fields.parent) thing_parent[slot] = ThingSlot(*fields.parent) != slot ? ThingSlot(*fields.parent) : -1;
  if (fields.hp) thing_hp[slot] = *fields.hp;
  if (fields.box_y0) thing_box_y0[slot] = *fields.box_y0;
  if (fields.box_y1) thing_box_y1[slot] = *fields.box_y1;
  if (fields.aim_x) thing_aim_x[slot] = *fields.aim_x;
  if (fields.aim_y) thing_aim_y[slot] = *fields.aim_y;
}

int Spawn(int id, float x, float y, const ThingFields& fields) {
  const int slot = SpawnThing(id, x, y);
  SetThing(slot, fields);
  return slot;
}

bool IsOneOf(int type, std::initializer_list<int> types) {
  for (int t : types) {
    if (type == t) return true;
  }
  return false;
}

void SetEveryThing(std::initializer_list<int> types, const ThingFields& fields) {
  ForEveryThing(types, [&](int slot) { SetThing(slot, fields); });
}

void CutLoose(int slot) {
  if (ThingSlot(slot) < 0) return;
  thing_parent[slot] = -1;
  thing_anchor_x[slot] = thing_x[slot];
  thing_anchor_y[slot] = thing_y[slot];
}

int FirstThingOf(int type) {
  for (int slot = 0; slot < MAX_THINGS; slot++) {
    if (thing_type[slot] == type) return slot;
  }
  return -1;
}

void SetStatic(int slot, const StaticFields& fields) {
  if (StaticSlot(slot) < 0) return;
  if (fields.ry) static_ry[slot] = *fields.ry;
  if (fields.rx) static_rx[slot] = *fields.rx;
  if (fields.rz) static_rz[slot] = *fields.rz;
  if (fields.spin_y) static_spin_y[slot] = *fields.spin_y;
  if (fields.spin_x) static_spin_x[slot] = *fields.spin_x;
  if (fields.spin_z) static_spin_z[slot] = *fields.spin_z;
  if (fields.spin_y_by) static_spin_y[slot] += *fields.spin_y_by;
  if (fields.spin_x_by) static_spin_x[slot] += *fields.spin_x_by;
  if (fields.spin_z_by) static_spin_z[slot] += *fields.spin_z_by;
}

int PlaceStatic(int type, float x, float y, float z, const StaticFields& fields) {
  const int slot = CreateStatic(type, x, y, z);
  SetStatic(slot, fields);
  return slot;
}

int LastStaticOf(int type) {
  for (int slot = MAX_STATICS - 1; slot >= 0; slot--) {
    if (static_type[slot] == type) return slot;
  }
  return -1;
}

void RemoveStatic(int slot) {
  if (StaticSlot(slot) < 0 || static_type[slot] == 0) return;
  FreeStatic(slot);
  SortStatics();
}

int StartGenerator(int type, int interval, int count, float x, float y, float z) {
  const int before = generator_count;
  CreateGenerator(type, interval, count, x, y, z);
  return generator_count > before ? generator_last : -1;
}

void StopGenerator(int& reg) {
  const int slot = GeneratorSlot(reg);
  if (slot >= 0 && generator_type[slot] != 0) FreeGenerator(slot);
  reg = -1;
}

bool RegisterIs(int reg, int type) { return ThingOfType(reg, type) >= 0; }

bool RegisterOccupied(int reg) {
  const int slot = ThingSlot(reg);
  return slot >= 0 && thing_type[slot] != 0;
}

bool AnyThingOf(int type) { return FirstThingOf(type) >= 0; }

bool AnyBossCore() {
  for (int slot = 0; slot < MAX_THINGS; slot++) {
    if (IsBossCore(thing_type[slot])) return true;
  }
  return false;
}

bool RegisterIsBossCore(int reg) {
  const int slot = ThingSlot(reg);
  return slot >= 0 && IsBossCore(thing_type[slot]);
}

bool HoldWhile(bool condition, int back_to) {
  if (condition) stage_tick = back_to;
  return condition;
}

bool EveryTicks(int every, int from, int to) {
  return stage_tick >= from && stage_tick <= to && (stage_tick - from) % every == 0;
}

void SetBarriers(float x0, float x1) {
  ceiling_x0 = floor_x0 = x0;
  ceiling_x1 = floor_x1 = x1;
}

void SetWorldShiftNow(int shift) { world_shift = world_shift_target = shift; }

float GroundY() { return 95 + static_cast<float>(world_shift); }

void FadeToTheEnd() {
  sky_color_target = {0.0f, 0.0f, 0.0f};
  horizon_color_target = {0.0f, 0.0f, 0.0f};
  fog_end_target = 80.0f;
  world_shift_target = 50;
}
