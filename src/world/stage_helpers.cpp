#include "world/stage_helpers.h"

#include "world/compounds.h"
#include "world/game.h"
#include "world/tables.h"
#include "world/things.h"

int ThingSlot(int slot) { return slot >= 0 && slot < MAX_THINGS ? slot : -1; }

int ThingOfType(int slot, int type) {
  const int valid = ThingSlot(slot);
  return valid >= 0 && thing_type[valid] == type ? valid : -1;
}

void SetThing(int slot, const ThingFields& fields) {
  if (ThingSlot(slot) < 0) return;
  if (fields.vx) thing_vx[slot] = *fields.vx;
  if (fields.vy) thing_vy[slot] = *fields.vy;
  if (fields.vx_by) thing_vx[slot] += *fields.vx_by;
  if (fields.vy_by) thing_vy[slot] += *fields.vy_by;
  if (fields.param) thing_param[slot] = *fields.param;
  if (fields.timer) thing_timer[slot] = *fields.timer;
  if (fields.fire_timer) thing_fire_timer[slot] = *fields.fire_timer;
  if (fields.fuse) thing_fuse[slot] = *fields.fuse;
  // A parent outside the table, or the thing itself, would leave it drifting for ever: it stays free.
  if (fields.parent) thing_parent[slot] = ThingSlot(*fields.parent) != slot ? ThingSlot(*fields.parent) : -1;
  if (fields.hp) thing_hp[slot] = *fields.hp;
  if (fields.box_y0) thing_box_y0[slot] = *fields.box_y0;
  if (fields.box_y1) thing_box_y1[slot] = *fields.box_y1;
}

int Spawn(int id, float x, float y, const ThingFields& fields) {
  const int slot = SpawnThing(id, x, y);
  SetThing(slot, fields);
  return slot;
}

void SetEveryThing(std::initializer_list<int> types, const ThingFields& fields) {
  for (int slot = MAX_THINGS - 1; slot >= 0; slot--) {
    for (int type : types) {
      if (thing_type[slot] == type) {
        SetThing(slot, fields);
        break;
      }
    }
  }
}

void CutLoose(int slot) {
  if (ThingSlot(slot) < 0) return;
  thing_parent[slot] = -1;
  thing_anchor_x[slot] = thing_x[slot];
  thing_anchor_y[slot] = thing_y[slot];
}

bool RegisterIs(int reg, int type) { return ThingOfType(reg, type) >= 0; }

bool RegisterOccupied(int reg) {
  const int slot = ThingSlot(reg);
  return slot >= 0 && thing_type[slot] != 0;
}

bool AnyThingOf(int type) {
  for (int slot = 0; slot < MAX_THINGS; slot++) {
    if (thing_type[slot] == type) return true;
  }
  return false;
}

bool AnyBossCore() {
  for (int slot = 0; slot < MAX_THINGS; slot++) {
    if (thing_type[slot] >= THING_CORE_0 && thing_type[slot] <= 599) return true;  // pickups are 600 up
  }
  return false;
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
